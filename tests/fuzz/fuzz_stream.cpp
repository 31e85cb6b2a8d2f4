// A memory stream's outside forms: hex text and zlib data. The first byte chooses which;
// what decodes must encode and decode back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "io/stream.h"

namespace {

bool Same(const CStream& a, const CStream& b) {
    return a.Size() == b.Size() && (a.Size() == 0 || std::memcmp(a.Data(), b.Data(), size_t(a.Size())) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size == 0) return 0;
    const uint8_t* rest = bytes + 1;
    const int64_t restSize = int64_t(size - 1);
    if (bytes[0] & 1) {
        CStream decoded;
        decoded.FromHex(std::string_view(reinterpret_cast<const char*>(rest), size_t(restSize)));
        CStream again;
        again.FromHex(decoded.ToHex());
        if (!Same(decoded, again)) std::abort();
    } else {
        CStream packed(rest, restSize);
        CStream unpacked;
        if (!packed.Decompress(unpacked)) return 0;
        CStream repacked, back;
        if (!unpacked.Compress(repacked) || !repacked.Decompress(back) || !Same(unpacked, back)) std::abort();
    }
    return 0;
}
