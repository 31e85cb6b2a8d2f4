// A whole data file through the loader's passes and the linking of its code, as the
// runner loads a game before it prepares it.
#include <cstdint>
#include <string>
#include <vector>

#include "data/game.h"
#include "fuzz_setup.h"
#include "load/data_file.h"
#include "vm/machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    Fuzz_RegisterEngine();
    CGameSession session;
    VM_ResetPrograms();
    CGameData& data = Game().data;
    CGameResources& res = *Game().resources;
    data = CGameData(std::vector<uint8_t>(bytes, bytes + size));
    std::string error;
    (void)(DataFile_HeaderPass(data, res, error) && VM_LinkVariables(data, res, error) &&
           DataFile_MainPass(data, res, error) && VM_LinkFunctions(data, res, error));
    VM_ResetPrograms();
    return 0;
}
