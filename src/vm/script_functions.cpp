#include "vm/script_functions.h"

#include <cmath>

#include "data/error.h"
#include "data/game.h"
#include "value/args.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/script.h"

namespace {

const CScript* ScriptAt(double index, int* out = nullptr) {
    const CGameResources* res = &*Game().resources;
    double r = std::nearbyint(index);
    if (!res || !(r >= 0) || r >= double(res->scripts.size())) return nullptr;
    if (out) *out = int(r);
    return res->scripts[size_t(r)].get();
}

void F_ScriptExecute(CValue& result, CInstance* self, CInstance* other, int argc, CValue* args) {
    int index = -1;
    const CScript* script = argc > 0 ? ScriptAt(Arg_Real(argc, args, 0), &index) : nullptr;
    if (!script) {
        Code_ShowError("Trying to execute non-existing script.", false);
        return;
    }
    // Sixteen values at most, the index counted among them.
    int n = std::min(argc, 16) - 1;
    VM_ExecuteScript(index, self, other, n, args + 1, result);
}

void F_ScriptExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(ScriptAt(Arg_Real(argc, args, 0)) ? 1 : 0);
}

void F_ScriptGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CScript* s = ScriptAt(Arg_Real(argc, args, 0));
    result.SetString(s ? s->name : "");
}

void F_ScriptGetText(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CScript* s = ScriptAt(Arg_Real(argc, args, 0));
    std::string text;
    if (s && s->code) {
        text = s->code->source;
        const CGameResources* res = &*Game().resources;
        if (text.empty() && res && s->code->index >= 0 && size_t(s->code->index) < res->debugInfo.units.size())
            text = res->debugInfo.units[s->code->index].source;
    }
    result.SetString(text);
}

}  // namespace

bool VM_ExecuteScript(int scriptIndex, CInstance* self, CInstance* other, int argc, const CValue* args,
                      CValue& result) {
    const CGameResources* res = &*Game().resources;
    if (!res || scriptIndex < 0 || size_t(scriptIndex) >= res->scripts.size() || !res->scripts[scriptIndex])
        return false;
    const CScript& script = *res->scripts[scriptIndex];
    if (!script.code || (script.code->index < 0 && !script.code->compiled)) return true;
    CValue* slots = Game().arguments.slots;
    CValue saved[16];
    for (int k = 0; k < 16; ++k) saved[k] = std::move(slots[k]);
    argc = std::max(0, std::min(argc, 16));
    for (int k = 0; k < argc; ++k) slots[k] = args[k];
    Game().arguments.live = 16;
    int savedCount = Game().arguments.count;
    Game().arguments.count = argc;
    bool ok = Code_Execute(self, other, script.code.get(), &result);
    Game().arguments.count = savedCount;
    for (int k = 0; k < 16; ++k) slots[k] = std::move(saved[k]);
    Game().arguments.live = 16;
    return ok;
}

const FunctionImpl kScriptFunctions[] = {
    {"script_execute", F_ScriptExecute},  {"script_exists", F_ScriptExists},
    {"script_get_name", F_ScriptGetName}, {"script_name", F_ScriptGetName},  // the older name
    {"script_get_text", F_ScriptGetText},
};
const size_t kScriptFunctionCount = sizeof kScriptFunctions / sizeof kScriptFunctions[0];
