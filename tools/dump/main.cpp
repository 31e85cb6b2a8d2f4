// zorvex-dump FILE: prints what a game data file holds.
#include <cstdio>
#include <cstring>
#include <string>

#include "data/data_file.h"
#include "data/dump.h"
#include "platform/file.h"

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
    if (!DataFile_HeaderPass(data, res, error) || !DataFile_MainPass(data, res, error)) {
        std::fprintf(stderr, "%s\n", error.empty() ? "The data file holds a chunk this tool does not know." : error.c_str());
        return 1;
    }
    DataFile_Dump(data, res, stdout);
    return 0;
}
