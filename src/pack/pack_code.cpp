#include "pack/pack_code.h"

bool PackCode_Compile(const std::vector<PackCodeUnit>& units, const PackCodeContext&, GameDataDesc&, DebugInfoDesc*,
                      CPackErrors& errors) {
    if (units.empty()) return true;
    errors.Add(units[0].file, units[0].firstLine,
               "compiling script text to bytecode is not available in this build yet; pack with --source");
    return false;
}
