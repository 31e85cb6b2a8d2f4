#include "pack/pack_code.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "compiler/compiler.h"
#include "compiler/constants.h"
#include "data/extension.h"
#include "data/game.h"
#include "data/game_resources.h"
#include "function/function_names.h"
#include "graphics/background.h"
#include "graphics/font.h"
#include "graphics/sprite.h"
#include "object/object.h"
#include "object/timeline.h"
#include "path/path.h"
#include "room/room.h"
#include "sound/sound.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "vm/script.h"

namespace {

uint32_t Read32(const std::vector<uint8_t>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}
void Write32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }

constexpr uint8_t kOpPop = 0x41, kOpPush = 0xC0, kOpCall = 0xDA;
constexpr uint8_t kTypeVariable = 5, kTypeString = 6;

// The compiler looks names up in the game being played; while the packer compiles,
// that game is a skeleton with the project's names and nothing else.
struct NameGame {
    CGameData data;
    CGameResources res;
};

template <typename W, typename C>
void Names(const std::vector<std::optional<W>>& from, ResourceTable<C>& to) {
    for (const auto& w : from) {
        to.emplace_back();
        if (!w) continue;
        to.back() = std::make_unique<C>();
        to.back()->name = w->name;
    }
}

std::unique_ptr<NameGame> MakeNameGame(const GameDataDesc& g) {
    auto game = std::make_unique<NameGame>();
    CGameResources& r = game->res;
    Names(g.sprites, r.sprites);
    Names(g.backgrounds, r.backgrounds);
    Names(g.fonts, r.fonts);
    Names(g.sounds, r.sounds);
    Names(g.paths, r.paths);
    Names(g.scripts, r.scripts);
    Names(g.objects, r.objects);
    Names(g.timeLines, r.timelines);
    Names(g.rooms, r.rooms);
    for (const auto& pkg : g.extensions) {
        r.extensions.emplace_back();
        if (!pkg) continue;
        auto p = std::make_unique<CExtensionPackage>();
        p->name = pkg->name;
        for (const auto& file : pkg->files) {
            if (!file) continue;
            CExtensionFile f;
            f.fileName = file->name;
            for (const auto& fn : file->functions) {
                if (!fn) continue;
                CExtensionFunction e;
                e.name = fn->name;
                e.id = int(fn->id);
                e.argTypes.assign(fn->argTypes.begin(), fn->argTypes.end());
                f.functions.push_back(std::move(e));
            }
            p->files.push_back(std::move(f));
        }
        r.extensions.back() = std::move(p);
    }
    return game;
}

// The game's constants are folded into compiled code, so they must be defined while
// it compiles; afterwards the table goes back to what it held.
class CConstantScope {
public:
    CConstantScope() : count_((Constant_RegisterAll(), Constant_Count())) {}
    ~CConstantScope() { Constant_Truncate(count_); }
    CConstantScope(const CConstantScope&) = delete;
    CConstantScope& operator=(const CConstantScope&) = delete;

private:
    int count_;
};

// "Error in code at line N:\n   TEXT\n\nat position C: MESSAGE" -> N, C and MESSAGE.
void SplitCompileError(const std::string& text, int& line, int& column, std::string& message) {
    line = 1;
    column = 0;
    message = text;
    std::sscanf(text.c_str(), "Error in code at line %d:", &line);
    size_t at = text.rfind("\n\nat position ");
    if (at == std::string::npos) return;
    if (std::sscanf(text.c_str() + at, "\n\nat position %d:", &column) != 1) column = 0;
    size_t colon = text.find(": ", at);
    if (colon != std::string::npos) message = text.substr(colon + 2);
}

std::string NameOfFunction(const CGameResources& res, int id) {
    if (id >= kExtensionIdBase) {
        for (const auto& p : res.extensions) {
            if (!p) continue;
            for (const auto& f : p->files)
                for (const auto& fn : f.functions)
                    if (fn.id == id - kExtensionIdBase) return fn.name;
        }
        return {};
    }
    if (id >= kScriptIdBase) {
        size_t i = size_t(id - kScriptIdBase);
        return i < res.scripts.size() && res.scripts[i] ? res.scripts[i]->name : std::string();
    }
    const FunctionEntry* e = Function_Entry(id);
    return e ? std::string(e->name) : std::string();
}

}  // namespace

bool PackCode_Relocate(const std::vector<uint8_t>& bytecode, const std::vector<std::string>& strings,
                       uint32_t codeIndex, const std::function<std::string(int id)>& functionName, GameDataDesc& desc,
                       std::vector<uint8_t>& out, std::string& error) {
    out = bytecode;
    if (out.size() % 4 != 0) {
        error = "the bytecode is not a whole number of words";
        return false;
    }
    // Name -> record, for the names this entry adds to; records already in desc are kept.
    std::map<std::string, size_t> vars, funcs;
    for (size_t i = 0; i < desc.variables.size(); ++i) vars.emplace(desc.variables[i].name, i);
    for (size_t i = 0; i < desc.functions.size(); ++i) funcs.emplace(desc.functions[i].name, i);
    std::vector<WVariableRef> newVars;
    std::vector<std::pair<std::string, uint32_t>> varRefs, funcRefs;
    std::vector<std::pair<size_t, std::string>> stringOperands;

    for (size_t pc = 0; pc < out.size();) {
        const uint32_t word = Read32(out, pc);
        const uint8_t op = uint8_t(word >> 24), type = uint8_t(word >> 16 & 0xF);
        const uint32_t size = WBytecode_OperandSize(op, uint8_t(word >> 16));
        if (pc + 4 + size > out.size()) {
            error = "an instruction at byte " + std::to_string(pc) + " runs past the end of the unit";
            return false;
        }
        const size_t operand = pc + 4;
        if ((op == kOpPush || op == kOpPop) && type == kTypeVariable) {
            // After the compiler, the low 29 bits are the variable id; in the file they
            // are the chain, which the writer lays out from the names.
            const uint32_t ref = Read32(out, operand);
            const char* name = Variable_Name(int32_t(ref & 0x1FFFFFFF));
            if (!name || name[0] == '<') {
                error = "a variable access at byte " + std::to_string(pc) + " names no known variable";
                return false;
            }
            varRefs.emplace_back(name, uint32_t(pc));
            Write32(out, operand, ref & 0xE0000000u);
        } else if (op == kOpPush && type == kTypeString) {
            const uint32_t index = Read32(out, operand);
            if (index >= strings.size()) {
                error = "a string constant at byte " + std::to_string(pc) + " is outside the unit's strings";
                return false;
            }
            stringOperands.emplace_back(operand, strings[index]);
        } else if (op == kOpCall) {
            const int id = int32_t(Read32(out, operand));
            std::string name = functionName(id);
            if (name.empty()) {
                error = "a call at byte " + std::to_string(pc) + " names function id " + std::to_string(id) +
                        ", which nothing answers to";
                return false;
            }
            funcRefs.emplace_back(std::move(name), uint32_t(pc));
            Write32(out, operand, 0);
        }
        pc += 4 + size;
    }
    // Only now, with the unit known to be sound, does desc change.
    for (auto& [operand, text] : stringOperands) Write32(out, operand, desc.AddString(text));
    for (auto& [name, offset] : varRefs) {
        auto [it, fresh] = vars.emplace(name, desc.variables.size());
        if (fresh) desc.variables.push_back(WVariableRef{name, {}});
        desc.variables[it->second].refs.push_back(WCodeLocation{codeIndex, offset});
    }
    for (auto& [name, offset] : funcRefs) {
        auto [it, fresh] = funcs.emplace(name, desc.functions.size());
        if (fresh) desc.functions.push_back(WFunctionRef{name, {}});
        desc.functions[it->second].refs.push_back(WCodeLocation{codeIndex, offset});
    }
    return true;
}

bool PackCode_Compile(const std::vector<PackCodeUnit>& units, const PackCodeContext& context, GameDataDesc& desc,
                      DebugInfoDesc* debug, CLineErrors& errors) {
    Variable_RegisterBuiltins();
    Function_InstallNames();
    Function_RegisterAll();
    std::unique_ptr<NameGame> game = MakeNameGame(context.game ? *context.game : desc);
    // The compiler sees the names of a session of its own; the caller's comes back after.
    CGameSession session;
    Game().data = std::move(game->data);
    *Game().resources = std::move(game->res);
    CConstantScope constantScope;

    const auto& constants = desc.options.constants;
    bool ok = true;
    for (size_t i = 0; i < constants.size(); ++i) {
        std::string message;
        if (!Constant_Define(constants[i].first, constants[i].second, &message)) {
            int line = i < context.constantLines.size() ? context.constantLines[i] : 0;
            errors.Add(context.manifest, line,
                       "constant " + constants[i].first + ": the value \"" + constants[i].second +
                           "\" is not an expression that can be worked out");
            ok = false;
        }
    }
    if (!ok) return false;

    desc.code.clear();
    if (debug) debug->entries.clear();
    auto functionName = [&](int id) { return NameOfFunction(*Game().resources, id); };
    for (size_t i = 0; i < units.size(); ++i) {
        const PackCodeUnit& u = units[i];
        CCode code;
        std::string error;
        if (!Code_Compile(u.text, u.name, CCode::kProgram, code, error)) {
            int line = 1, column = 0;
            std::string message;
            SplitCompileError(error, line, column, message);
            errors.Add(u.file, u.firstLine + line - 1,
                       message + (column > 0 ? " (column " + std::to_string(column) + ")" : ""));
            ok = false;
            desc.code.emplace_back();
            continue;
        }
        std::vector<uint8_t> bytes(code.buffer.data, code.buffer.data + code.buffer.size);
        WCodeEntry entry;
        entry.name = code.name;
        if (!PackCode_Relocate(bytes, code.strings, uint32_t(i), functionName, desc, entry.bytecode, error)) {
            errors.Add(u.file, u.firstLine, "the compiled code of " + u.name + " cannot be stored: " + error);
            ok = false;
            desc.code.emplace_back();
            continue;
        }
        desc.code.push_back(std::move(entry));
        if (debug) {
            WDebugEntry d;
            for (const auto& [offset, position] : code.debug.positions)
                d.positions.push_back(WDebugPosition{offset, position});
            d.source = u.text;
            debug->entries.push_back(std::move(d));
        }
    }
    return ok;
}
