#pragma once
// The value record every data structure holds, the one comparison rule they share,
// map key hashing, and a value's place in the binary string forms.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/stream.h"
#include "platform/memory.h"
#include "value/value.h"

// A stored value is a script value of our own: kind, owned text, real (a string
// value's null text is the empty text, as everywhere in the engine), plus a mark that
// only JSON decoding sets: the real is the id of a map or a list nested in this one.
// Any value a game stores itself is unmarked, and reading a value out of a structure
// gives the plain script value.
enum class DSNested : uint8_t { None, Map, List };

struct DSValue : CValue {
    DSNested nested = DSNested::None;

    DSValue() = default;
    explicit DSValue(double v) : CValue(v) {}
    explicit DSValue(std::string_view text) : CValue(text) {}
    DSValue(const CValue& v) : CValue(v) {}  // NOLINT: script values are stored unmarked
    DSValue(CValue&& v) noexcept : CValue(std::move(v)) {}
    DSValue(const DSValue&) = default;
    DSValue(DSValue&&) noexcept = default;
    DSValue& operator=(const DSValue&) = default;
    DSValue& operator=(DSValue&&) noexcept = default;
    DSValue& operator=(const CValue& v) {
        CValue::operator=(v);
        nested = DSNested::None;
        return *this;
    }
    ~DSValue() = default;
};
using DSValueArray = std::vector<DSValue, MemoryAllocator<DSValue>>;

// The tolerance under which two reals compare equal; ds_set_precision keeps its
// absolute value. 0.00000001 at game start.
constexpr double kDSDefaultPrecision = 0.00000001;
double DS_Precision();
void DS_SetPrecision(double precision);

// -1, 0 or 1. Two reals are compared as floats: d = float(a) - float(b), in float;
// equal when they are the same double, when d is 0, or when |d| is below the
// precision (so a precision of 0 still lets a value equal itself). A real and a string never
// compare equal (1 both ways); two strings compare byte by byte.
int DS_CompareValues(const DSValue& a, const DSValue& b);

// CRC-32 (reflected polynomial 0xEDB88320, initial 0xFFFFFFFF, no final inversion).
uint32_t DS_Crc32(const void* data, size_t size, uint32_t crc = 0xFFFFFFFFu);
// A map key's hash: over the text's bytes for a string (the empty text hashes to
// 0xFFFFFFFF), over the 8 bytes of the double (little-endian) for a real.
uint32_t DS_KeyHash(const DSValue& key);
// Map key identity: same kind and the same bytes (a real's 8 bytes, a text's bytes).
bool DS_SameKey(const DSValue& a, const DSValue& b);

// A value in a binary string form: kind (int), real (real), text (string), all
// three whatever the kind.
bool DS_WriteValue(CStream& stream, const DSValue& value);
// False on a kind other than 0 or 1 or on running out of data. A text is cut at
// its first zero byte, since a value's text is zero-terminated.
bool DS_ReadValue(CStream& stream, DSValue& value);
// The least number of bytes one value takes in a stream, so a count read from a
// string can be checked against what is left before anything is allocated.
constexpr int64_t kDSValueMinBytes = 4 + 8 + 4;
// Whether `count` values can possibly follow in what is left of the stream.
bool DS_CountFits(const CStream& stream, int64_t count);

// Decodes a binary string form into `stream` and reads its kind number: true when
// it is `kind` (the stream then stands after it).
bool DS_BeginRead(std::string_view text, int32_t kind, CStream& stream);

// A random integer below n from the engine's generator (shuffles).
int32_t DS_RandomBelow(int32_t n);
