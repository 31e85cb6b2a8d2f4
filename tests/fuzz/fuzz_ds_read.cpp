// The string forms of the data structures (ds_*_read). The first byte chooses the kind;
// whatever reads must write a string that reads back to the same string.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "data/game.h"
#include "ds/ds_structures.h"
#include "fuzz_setup.h"

namespace {

template <typename T>
void ReadWriteRead(std::string_view text) {
    T first;
    if (!first.Read(text)) return;
    const std::string written = first.Write();
    T second;
    if (!second.Read(written) || second.Write() != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size == 0) return 0;
    Fuzz_RegisterEngine();
    CGameSession session;
    const std::string_view text(reinterpret_cast<const char*>(bytes + 1), size - 1);
    switch (bytes[0] % 6) {
    case 0: ReadWriteRead<CDS_Stack>(text); break;
    case 1: ReadWriteRead<CDS_Queue>(text); break;
    case 2: ReadWriteRead<CDS_List>(text); break;
    case 3: ReadWriteRead<CDS_Map>(text); break;
    case 4: ReadWriteRead<CDS_Priority>(text); break;
    default: ReadWriteRead<CDS_Grid>(text); break;
    }
    return 0;
}
