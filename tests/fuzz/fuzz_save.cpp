// A saved game loaded into the game it belongs to (save_game.win, the save_load game
// test's game). The check sum at the end is made to match, so that the records behind
// it are what gets exercised.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <zlib.h>

#include "data/game.h"
#include "fuzz_setup.h"
#include "io/stream.h"
#include "load/data_file.h"
#include "object/event.h"
#include "object/object.h"
#include "object/timeline.h"
#include "platform/file.h"
#include "save/game_save.h"
#include "variable/variables.h"
#include "vm/machine.h"

namespace {

bool LoadTheGame() {
    Fuzz_RegisterEngine();
    std::vector<uint8_t> bytes;
    std::string error;
    if (!File_ReadWhole(ZORVEX_FUZZ_DIR "/save_game.win", bytes, error)) {
        std::fprintf(stderr, "fuzz_save: %s\n", error.c_str());
        std::abort();
    }
    CGameData& data = Game().data;
    CGameResources& res = *Game().resources;
    data = CGameData(std::move(bytes));
    if (!(DataFile_HeaderPass(data, res, error) && VM_LinkVariables(data, res, error) &&
          DataFile_MainPass(data, res, error) && VM_LinkFunctions(data, res, error))) {
        std::fprintf(stderr, "fuzz_save: %s\n", error.c_str());
        std::abort();
    }
    Variable_SetUnsetIsZero(res.options.UnsetVariablesAreZero());
    Variable_StartGlobals();
    TimeLine_PrepareAll();
    Object_ResolveParents();
    Event_RebuildLists();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool loaded = LoadTheGame();
    (void)loaded;
    if (size < 4) return 0;
    std::vector<uint8_t> file(bytes, bytes + size);
    const uint32_t crc = uint32_t(crc32(0, file.data(), uInt(size - 4)));  // the CRC-32 saves end with
    for (int i = 0; i < 4; ++i) file[size - 4 + size_t(i)] = uint8_t(crc >> (8 * i));
    CStream stream(file.data(), int64_t(file.size()));
    std::string error;
    (void)GameSave_Read(stream, error);
    return 0;
}
