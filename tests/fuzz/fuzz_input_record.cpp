// A recorded input file, block by block as playback reads it; a block that decodes must
// encode to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "io/input_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    CInputState state;
    uint8_t encoded[kInputBlockSize];
    for (size_t at = 0; at + kInputBlockSize <= size; at += kInputBlockSize) {
        std::string problem;
        if (!InputRecord_Decode(bytes + at, state, problem)) continue;
        InputRecord_Encode(state, encoded);
        CInputState again;
        if (!InputRecord_Decode(encoded, again, problem)) std::abort();
        uint8_t twice[kInputBlockSize];
        InputRecord_Encode(again, twice);
        if (std::memcmp(encoded, twice, kInputBlockSize) != 0) std::abort();
    }
    return 0;
}
