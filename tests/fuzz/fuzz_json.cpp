// JSON text decoded into maps and lists (json_decode), then encoded again.
#include <cstdint>
#include <string>
#include <string_view>

#include "data/game.h"
#include "ds/ds_json.h"
#include "fuzz_setup.h"
#include "value/value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    Fuzz_RegisterEngine();
    CGameSession session;
    const int map = DS_JsonDecode(CValue(std::string_view(reinterpret_cast<const char*>(bytes), size)));
    if (map >= 0) (void)DS_JsonEncode(map);
    return 0;
}
