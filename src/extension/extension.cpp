#include "extension/extension.h"

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/constants.h"
#include "data/error.h"
#include "data/extension.h"
#include "data/game.h"
#include "extension/external.h"
#include "io/file_paths.h"
#include "platform/console.h"
#include "vm/code.h"
#include "vm/machine.h"

namespace {

// The product's own package: its functions are built in, so it is never prepared.
constexpr const char* kBuiltinPackage = "TamuLabs";
constexpr int kLibraryFile = 1;
constexpr int kScriptFile = 2;

// What one extension function number runs: a library function or compiled script code.
struct CExtensionSlot {
    int external = -1;
    std::unique_ptr<CCode> code;
};

// A prepared file: where it is and the names it starts and ends with.
struct CPreparedFile {
    std::string package;
    std::string path;
    int kind = 0;
    std::string init;
    std::string final;
    std::vector<int> functions;  // the numbers of its functions
};

struct CExtensionState {
    // Numbers come from the data file, so they can be sparse and large: a map, never
    // a table sized by the highest number.
    std::map<int, CExtensionSlot> slots;
    std::map<int, std::string> names;
    std::vector<CPreparedFile> files;
    bool prepared = false;
    TExtensionReporter reporter = nullptr;
};

CExtensionState& State() {
    static CExtensionState state;
    return state;
}

// A script file's functions: the text after each "#define NAME" line up to the next.
std::map<std::string, std::string> SplitScripts(const std::string& text) {
    std::map<std::string, std::string> out;
    std::istringstream in(text);
    std::string line, name, body;
    bool any = false;
    auto flush = [&] {
        if (any) out[name] = body;
        body.clear();
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("#define", 0) == 0) {
            flush();
            std::istringstream words(line.substr(7));
            name.clear();
            words >> name;
            any = true;
            continue;
        }
        body += line;
        body += '\n';
    }
    flush();
    return out;
}

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

// Runs a start or end function of a file: one of its own functions by name, else, in a
// library, an export of that name taking nothing.
bool RunFileFunction(const CPreparedFile& file, const std::string& name) {
    CExtensionState& s = State();
    for (int number : file.functions) {
        const auto it = s.names.find(number);
        if (it == s.names.end() || it->second != name) continue;
        CValue result;
        Extension_Call(nullptr, nullptr, number, 0, nullptr, result);
        return true;
    }
    if (file.kind != kLibraryFile) return false;
    std::string error;
    const int id = External_Define(file.path, name, CExternalSignature{}, error);
    if (id < 0) return false;
    CValue result;
    External_Call(id, 0, nullptr, result);
    return true;
}

void Report(const std::string& message) {
    if (State().reporter) State().reporter(message);
    else Code_ShowError(message, false);
}

}  // namespace

bool Extension_Prepare(const CGameResources& res) {
    Extension_Reset();
    CExtensionState& s = State();
    // Script functions may use the built-in constants, which exist only from here on.
    Constant_RegisterAll();
    const std::string& directory = FilePaths_GameDirectory();
    for (const auto& package : res.extensions) {
        if (!package || package->name == kBuiltinPackage) continue;
        for (const CExtensionFile& file : package->files) {
            CPreparedFile prepared;
            prepared.package = package->name;
            prepared.path = directory + file.fileName;
            prepared.kind = file.kind;
            prepared.init = file.initFunction;
            prepared.final = file.finalFunction;
            std::map<std::string, std::string> scripts;
            if (file.kind == kScriptFile) {
                std::string text;
                if (!ReadText(prepared.path, text)) {
                    Report("COMPILATION ERROR in extension package " + package->name +
                           "\nCannot read the script file " + file.fileName);
                    return false;
                }
                scripts = SplitScripts(text);
            }
            for (const CExtensionFunction& fn : file.functions) {
                CExtensionSlot& slot = s.slots[fn.id];
                s.names[fn.id] = fn.name;
                prepared.functions.push_back(fn.id);
                if (file.kind == kLibraryFile) {
                    CExternalSignature signature;
                    signature.convention = fn.kind;
                    signature.resultType = fn.resultType == kExternalString ? kExternalString : kExternalReal;
                    for (int type : fn.argTypes)
                        signature.argTypes.push_back(type == kExternalString ? kExternalString : kExternalReal);
                    const std::string symbol = fn.externalName.empty() ? fn.name : fn.externalName;
                    std::string error;
                    slot.external = External_Define(prepared.path, symbol, signature, error);
                    if (slot.external < 0) {
                        Report("Error defining an external function.\n" + error);
                    }
                } else if (file.kind == kScriptFile) {
                    const std::string source = fn.externalName.empty() ? fn.name : fn.externalName;
                    const auto it = scripts.find(source);
                    std::string error;
                    auto code = std::make_unique<CCode>();
                    if (it == scripts.end()) {
                        error = "No script " + source + " in " + file.fileName;
                    } else if (Code_Compile(it->second, "Extension." + package->name + "." + fn.name, CCode::kProgram,
                                            *code, error)) {
                        slot.code = std::move(code);
                    }
                    if (!slot.code) {
                        Report("COMPILATION ERROR in extension package " + package->name + "\n" + error);
                        return false;
                    }
                }
            }
            s.files.push_back(std::move(prepared));
        }
    }
    s.prepared = true;
    return true;
}

void Extension_Initialise() {
    for (const CPreparedFile& file : State().files)
        if (!file.init.empty() && !RunFileFunction(file, file.init))
            Report("Could not locate initialization function " + file.init);
}

bool Extension_Finish() {
    CExtensionState& s = State();
    for (const CPreparedFile& file : s.files)
        if (!file.final.empty() && !RunFileFunction(file, file.final))
            Report("Could not locate finalization function " + file.final);
    return s.prepared;
}

bool Extension_Call(CInstance* self, CInstance* other, int number, int argc, CValue* args, CValue& result) {
    result.SetReal(0);
    CExtensionState& s = State();
    const auto it = s.slots.find(number);
    if (it == s.slots.end()) return false;
    const CExtensionSlot& slot = it->second;
    if (slot.external >= 0) return External_Call(slot.external, argc, args, result);
    if (!slot.code) return false;
    // A script function gets its arguments the way a script does.
    CValue* slots = Game().arguments.slots;
    CValue saved[kGameArgumentSlots];
    for (int k = 0; k < kGameArgumentSlots; ++k) saved[k] = std::move(slots[k]);
    const int n = argc < 0 ? 0 : (argc > kGameArgumentSlots ? kGameArgumentSlots : argc);
    for (int k = 0; k < n; ++k) slots[k] = args[k];
    Game().arguments.live = kGameArgumentSlots;
    const int savedCount = Game().arguments.count;
    Game().arguments.count = n;
    const bool ok = Code_Execute(self, other, slot.code.get(), &result);
    Game().arguments.count = savedCount;
    for (int k = 0; k < kGameArgumentSlots; ++k) slots[k] = std::move(saved[k]);
    Game().arguments.live = kGameArgumentSlots;
    return ok;
}

void Extension_SetReporter(TExtensionReporter reporter) { State().reporter = reporter; }

void Extension_Reset() {
    CExtensionState& s = State();
    s.slots.clear();
    s.names.clear();
    s.files.clear();
    s.prepared = false;
    External_Reset();
}
