// Linking: variable and function names of the code chunks become ids, written into
// the bytecode's reference words. The chains were checked when the chunks were read.
#include <cstdio>

#include "data/extension.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "vm/script.h"

namespace {

int64_t VariableDistance(uint32_t word) {
    int32_t d = int32_t(word & 0x1FFFFFFF);
    if (d & 0x10000000) d -= 0x20000000;
    return d;
}

}  // namespace

bool VM_LinkVariables(CGameData& data, CGameResources& res, std::string& error) {
    for (const CCodeLinkRecord& rec : res.code.variables) {
        int id = Variable_Find(rec.name.c_str());
        if (id < 0) {
            error = "Error on load\nUnable to find variable " + rec.name + "\n";
            return false;
        }
        int64_t cur = rec.firstReference;
        for (uint32_t k = 0; k < rec.referenceCount; ++k) {
            uint32_t at = uint32_t(cur) + 4;
            uint32_t word = data.U32(at);
            data.SetU32(at, (word & 0xE0000000u) | (uint32_t(id) & 0x1FFFFFFF));
            cur += VariableDistance(word);
        }
    }
    VM_ResetPrograms();
    return true;
}

bool VM_LinkFunctions(CGameData& data, CGameResources& res, std::string& error) {
    for (const CCodeLinkRecord& rec : res.code.functions) {
        int id = VM_FindFunction(res, rec.name.c_str());
        if (id < 0) {
            error = "Error on load\nUnable to find function " + rec.name + "\n";
            return false;
        }
        int64_t cur = rec.firstReference;
        for (uint32_t k = 0; k < rec.referenceCount; ++k) {
            uint32_t at = uint32_t(cur) + 4;
            uint32_t distance = data.U32(at);
            data.SetU32(at, uint32_t(id));
            cur += distance;
        }
    }
    VM_ResetPrograms();
    return true;
}

int VM_FindFunction(const CGameResources& res, const char* name) {
    if (!name || !*name) return -1;
    for (size_t i = 0; i < res.scripts.size(); ++i)
        if (res.scripts[i] && res.scripts[i]->name == name) return kScriptIdBase + int(i);
    // Extension functions go by the id their record gives them.
    for (const auto& package : res.extensions) {
        if (!package) continue;
        for (const auto& file : package->files)
            for (const auto& fn : file.functions)
                if (fn.name == name) return kExtensionIdBase + fn.id;
    }
    return Function_FindBuiltin(name);
}

int VM_FunctionArgCount(const CGameResources& res, int id) {
    if (id >= kExtensionIdBase) {
        for (const auto& package : res.extensions) {
            if (!package) continue;
            for (const auto& file : package->files)
                for (const auto& fn : file.functions)
                    if (fn.id == id - kExtensionIdBase) return int(fn.argTypes.size());
        }
        return kFunctionUnknownCount;
    }
    if (id >= kScriptIdBase) return kFunctionAnyCount;
    return Function_BuiltinArgCount(id);
}
