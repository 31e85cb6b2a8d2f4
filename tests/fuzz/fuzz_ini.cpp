// Ini text: parsed and written back, again and again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "io/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    // The first cycle may drop what the format cannot hold (empty values); from then on
    // a cycle only reverses the order of sections and keys, so two cycles are the same.
    CIniFile ini;
    ini.ParseText(std::string_view(reinterpret_cast<const char*>(bytes), size));
    std::string text = ini.Serialize();
    std::string cycles[3];
    for (std::string& out : cycles) {
        CIniFile next;
        next.ParseText(text);
        out = text = next.Serialize();
    }
    if (cycles[2] != cycles[0]) std::abort();
    return 0;
}
