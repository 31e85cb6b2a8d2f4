// zorvex-dump FILE: prints what a game data file holds.
#include <cstdio>
#include <cstring>
#include <string>

#include "data/data_file.h"
#include "data/dump.h"
#include "function/registry.h"
#include "platform/file.h"
#include "variable/variables.h"
#include "vm/machine.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "Usage: zorvex-dump FILE\nPrints the chunks, header, options and resources of a game data file.\n");
        return argc == 2 ? 0 : 1;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!File_ReadWhole(argv[1], bytes, error)) {
        std::fprintf(stderr, "Could not read the game file %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    CGameData data(std::move(bytes));
    CGameResources res;
    Variable_RegisterBuiltins();
    Function_RegisterAll();
    if (!DataFile_HeaderPass(data, res, error) || !VM_LinkVariables(data, res, error) ||
        !DataFile_MainPass(data, res, error)) {
        std::fprintf(stderr, "%s\n", error.empty() ? "The data file holds a chunk this tool does not know." : error.c_str());
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
    if (!linked) std::fprintf(stderr, "%s", error.c_str());
    return 0;
}
