// zorvex-dump FILE: prints what a game data file holds.
#include <cstdio>
#include <cstring>
#include <string>

#include "compiler/compiler.h"
#include "data/game.h"
#include "dump.h"
#include "function/function_names.h"
#include "load/data_file.h"
#include "object/event.h"
#include "object/object.h"
#include "object/timeline.h"
#include "platform/file.h"
#include "room/room.h"
#include "variable/variables.h"
#include "vm/machine.h"
#include "vm/registry.h"
#include "vm/script.h"

namespace {

// Compiles one unit of script text and prints what the compiler made of it.
void ListCompiled(const CCode* code, const std::string& name) {
    if (!code || code->source.empty()) return;
    CCode unit;
    std::string error;
    std::printf("\n%s\n", name.c_str());
    if (!Code_Compile(code->source, name, CCode::kProgram, unit, error)) {
        std::printf("  (does not compile)\n%s\n", error.c_str());
        return;
    }
    std::fputs(Code_Listing(unit).c_str(), stdout);
}

// The generated code of every unit of a file whose code is script text.
void ListSourceGame(const CGameResources& res) {
    std::printf("\nCompiled code (the runner compiles the script text at start-up)\n");
    for (const auto& s : res.scripts)
        if (s) ListCompiled(s->code.get(), s->name);
    for (const auto& t : res.timelines)
        if (t)
            for (const auto& m : t->moments)
                ListCompiled(m.event->code.get(), "Timeline." + t->name + "." + std::to_string(m.step));
    for (const auto& o : res.objects) {
        if (!o) continue;
        for (int type = 0; type < kEventTypeCount; ++type)
            for (size_t n = 0; n < o->events[size_t(type)].size(); ++n)
                if (const auto& e = o->events[size_t(type)][n])
                    ListCompiled(e->code.get(), "Object." + o->name + "." + Event_ShortName(type, int(n)) + ".0");
    }
    for (const auto& r : res.rooms) {
        if (!r) continue;
        ListCompiled(r->creationCode.get(), "Room." + r->name);
        for (size_t i = 0; i < r->instances.size(); ++i)
            ListCompiled(r->instances[i].creationCode.get(), "Instance." + r->name + "." + std::to_string(i));
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool compiled = argc == 3 && std::strcmp(argv[1], "--compiled") == 0;
    if ((argc != 2 && !compiled) || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr,
                     "Usage: zorvex-dump [--compiled] FILE\n"
                     "Prints the chunks, header, options, resources and code of a game data file.\n"
                     "--compiled: for a file whose code is script text, also the code the compiler makes of it.\n");
        return argc == 2 ? 0 : 1;
    }
    const char* path = argv[argc - 1];
    std::vector<uint8_t> bytes;
    std::string error;
    if (!File_ReadWhole(path, bytes, error)) {
        std::fprintf(stderr, "Could not read the game file %s: %s\n", path, error.c_str());
        return 1;
    }
    // Loaded into the session: the compiler resolves names against it.
    CGameData& data = Game().data;
    CGameResources& res = *Game().resources;
    data = CGameData(std::move(bytes));
    Variable_RegisterBuiltins();
    Function_InstallNames();
    Function_RegisterAll();
    if (!DataFile_HeaderPass(data, res, error) || !VM_LinkVariables(data, res, error) ||
        !DataFile_MainPass(data, res, error)) {
        std::fprintf(stderr, "%s\n",
                     error.empty() ? "The data file holds a chunk this tool does not know." : error.c_str());
        return 1;
    }
    // A file whose functions do not all link still lists; its calls show raw operands.
    bool linked = VM_LinkFunctions(data, res, error);
    DataFile_Dump(data, res, stdout);
    std::printf("\nCode listing%s\n", linked ? "" : " (functions not linked)");
    for (size_t i = 0; i < res.code.entries.size(); ++i) {
        const CCodeEntry& e = res.code.entries[i];
        if (!e.offset) continue;
        std::printf("\n%s\n", data.Text(e.nameOffset));
        std::fputs(VM_Listing(data, res, data.Base() + e.bytecodeOffset, e.length).c_str(), stdout);
    }
    if (compiled && !res.code.present) ListSourceGame(res);
    if (!linked) std::fprintf(stderr, "%s", error.c_str());
    return 0;
}
