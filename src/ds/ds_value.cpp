#include "ds/ds_value.h"

#include <array>
#include <cmath>
#include <cstring>

#include "ds/ds_structures.h"
#include "value/random.h"

namespace {

// double to float without the undefined conversion of values beyond the float
// range: those round to infinity, as the hardware conversion gives them.
float ToFloat(double v) {
    // FLT_MAX plus half an ulp: from here on round-to-nearest gives infinity.
    constexpr double kOverflow = 340282356779733661637539395458142568448.0;
    if (v >= kOverflow) return HUGE_VALF;
    if (v <= -kOverflow) return -HUGE_VALF;
    return static_cast<float>(v);
}

const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

void RealBytes(double v, uint8_t out[8]) {
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(u >> (8 * i));
}

}  // namespace

double DS_Precision() { return Game().structures->precision; }

void DS_SetPrecision(double precision) { Game().structures->precision = std::fabs(precision); }

int DS_CompareValues(const DSValue& a, const DSValue& b) {
    if (a.IsReal() && b.IsReal()) {
        // A value always equals itself: with a precision of 0 the tolerance test
        // alone would fail for d == 0, and beyond the float range d is inf - inf.
        if (a.val == b.val) return 0;
        const float d = ToFloat(a.val) - ToFloat(b.val);
        if (d == 0.0f || std::fabs(static_cast<double>(d)) < DS_Precision()) return 0;
        return d < 0.0f ? -1 : 1;
    }
    // Only a string has text; a real against a string is "greater" either way round.
    if (!a.IsString() || !b.IsString()) return 1;
    const int c = std::strcmp(a.Text(), b.Text());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

uint32_t DS_Crc32(const void* data, size_t size, uint32_t crc) {
    const auto& table = CrcTable();
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
    return crc;
}

uint32_t DS_KeyHash(const DSValue& key) {
    if (key.IsString()) {
        const char* text = key.Text();
        return DS_Crc32(text, std::strlen(text));
    }
    uint8_t bytes[8];
    RealBytes(key.val, bytes);
    return DS_Crc32(bytes, sizeof bytes);
}

bool DS_SameKey(const DSValue& a, const DSValue& b) {
    if (a.IsString() != b.IsString()) return false;
    if (a.IsString()) return std::strcmp(a.Text(), b.Text()) == 0;
    return std::memcmp(&a.val, &b.val, sizeof a.val) == 0;
}

bool DS_WriteValue(CStream& stream, const DSValue& value) {
    return stream.WriteInt(value.kind) && stream.WriteReal(value.IsString() ? 0.0 : value.val) &&
           stream.WriteString(value.IsString() ? value.Text() : "");
}

bool DS_ReadValue(CStream& stream, DSValue& value) {
    const int32_t kind = stream.ReadInt();
    const double real = stream.ReadReal();
    const std::string text = stream.ReadString();
    if (stream.Overrun() || (kind != CValue::kReal && kind != CValue::kString)) return false;
    if (kind == CValue::kString) value.SetString(std::string_view(text.c_str()));  // up to the first zero byte
    else value.SetReal(real);
    return true;
}

bool DS_CountFits(const CStream& stream, int64_t count) {
    return count >= 0 && count <= stream.Remaining() / kDSValueMinBytes;
}

bool DS_BeginRead(std::string_view text, int32_t kind, CStream& stream) {
    stream.FromHex(text);
    const int32_t id = stream.ReadInt();
    return !stream.Overrun() && id == kind;
}

int32_t DS_RandomBelow(int32_t n) { return Random_Int(n); }
