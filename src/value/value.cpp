#include "value/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/memory.h"

// ---------------------------------------------------------------------------
// Texts

char* Text_Alloc(size_t length) {
    // The terminator needs one more byte than the manager could ever hand out.
    if (length >= MemoryManager::kMaxBlockSize) return nullptr;
    char* text = static_cast<char*>(MemoryManager_AllocNoClear(length + 1));
    if (text == nullptr) return nullptr;
    text[0] = '\0';
    text[length] = '\0';
    return text;
}

char* Text_Duplicate(std::string_view text) {
    char* copy = Text_Alloc(text.size());
    if (copy != nullptr && !text.empty()) std::memcpy(copy, text.data(), text.size());
    return copy;
}

char* Text_Duplicate(const char* text) {
    if (text == nullptr) return nullptr;
    return Text_Duplicate(std::string_view(text));
}

void Text_Free(char* text) { MemoryManager_Free(text); }

// ---------------------------------------------------------------------------
// CValue

CValue& CValue::operator=(CValue&& other) noexcept {
    if (this == &other) return *this;
    Text_Free(str);
    kind = other.kind;
    str = other.str;
    val = other.val;
    other.kind = kReal;
    other.str = nullptr;
    other.val = 0;
    return *this;
}

void CValue::Copy(const CValue& other) {
    if (this == &other) return;
    // Duplicate before freeing: the source text may be the only copy we can reach.
    char* text = Text_Duplicate(other.str);
    Text_Free(str);
    kind = other.kind;
    str = text;
    val = other.val;
}

void CValue::Release() {
    Text_Free(str);
    str = nullptr;
    kind = kReal;
    val = 0;
}

void CValue::SetReal(double v) {
    Text_Free(str);
    str = nullptr;
    kind = kReal;
    val = v;
}

void CValue::SetString(std::string_view text) {
    const size_t length = text.size();
    if (str != nullptr && length < MemoryManager::SizeOf(str)) {
        // Our own buffer is big enough: write in place. memmove, since the text may
        // be a piece of the buffer itself.
        if (length != 0) std::memmove(str, text.data(), length);
        str[length] = '\0';
    } else {
        // A failed allocation leaves the empty text (null) rather than a stale one.
        char* fresh = Text_Duplicate(text);
        Text_Free(str);
        str = fresh;
    }
    kind = kString;
    val = 0;
}

void CValue::TakeString(char* text) {
    if (text != str) Text_Free(str);
    str = text;
    kind = kString;
    val = 0;
}

// ---------------------------------------------------------------------------
// Reals

int32_t Real_TruncToInt32(double v) {
    if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int64_t Real_TruncToInt64(double v) {
    // -2^63 is exact in a double and in range; 2^63 is the first value above it.
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return INT64_MIN;
    return static_cast<int64_t>(v);
}

bool Real_IsInt32(double v) {
    // A whole number equals its nearest integer whatever the tie rule, and a fraction
    // never does, so the round-half-to-even of the `string` form needs no rounding here.
    return v >= -2147483648.0 && v <= 2147483647.0 && v == std::trunc(v);
}

namespace {

std::string FormatReal(const char* format, double v) {
    char small[64];
    const int n = std::snprintf(small, sizeof small, format, v);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    // "%f" of a huge value runs to over 300 digits.
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), format, v);
    big.resize(static_cast<size_t>(n));
    return big;
}

// The C library may print a negative NaN as "-nan"; a NaN has no sign worth showing,
// so every form prints "nan", and the infinities "inf" / "-inf".
bool NonFinite(double v, std::string& out) {
    if (std::isnan(v)) {
        out = "nan";
        return true;
    }
    if (std::isinf(v)) {
        out = v < 0 ? "-inf" : "inf";
        return true;
    }
    return false;
}

}  // namespace

std::string Real_ToMachineText(double v) {
    std::string out;
    if (NonFinite(v, out)) return out;
    out = FormatReal("%g", v);
    // Games were written against a library that prints at least three exponent
    // digits ("1e+020"); ours prints two, so pad after the exponent's sign.
    const size_t e = out.find('e');
    if (e != std::string::npos && e + 1 < out.size()) {
        const size_t digits = e + 2;  // "%g" always writes the sign
        const size_t count = out.size() - digits;
        if (count < 3) out.insert(digits, 3 - count, '0');
    }
    return out;
}

std::string Real_ToStringForm(double v) {
    std::string out;
    if (NonFinite(v, out)) return out;
    if (Real_IsInt32(v)) return std::to_string(static_cast<int32_t>(v));
    return FormatReal("%.2f", v);
}

std::string Real_ToDumpText(double v) {
    std::string out;
    if (NonFinite(v, out)) return out;
    // Same integral test as the `string` form: whole numbers beyond 32 bits get "%f".
    if (Real_IsInt32(v)) return std::to_string(static_cast<int32_t>(v));
    return FormatReal("%f", v);
}

std::string Value_ToDumpText(const CValue& v) {
    if (v.kind == CValue::kString) {
        std::string out = "\"";
        out += v.Text();
        out += '"';
        return out;
    }
    return Real_ToDumpText(v.val);
}

// ---------------------------------------------------------------------------
// Number forms of a text

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Longest decimal number at the start of [p, end): sign, digits, fraction, exponent.
// No hex, no "inf"/"nan": scripts only ever meant plain decimals.
double ParseDecimal(const char* p, const char* end) {
    while (p < end && IsSpace(*p)) ++p;
    const char* start = p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char* mantissa = p;
    size_t digits = 0;
    while (p < end && IsDigit(*p)) ++p, ++digits;
    if (p < end && *p == '.') {
        const char* q = p + 1;
        size_t fraction = 0;
        while (q < end && IsDigit(*q)) ++q, ++fraction;
        if (digits + fraction != 0) p = q;
        digits += fraction;
    }
    if (digits == 0) return 0.0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q < end && (*q == '+' || *q == '-')) ++q;
        if (q < end && IsDigit(*q)) {
            while (q < end && IsDigit(*q)) ++q;
            p = q;
        }
    }
    // from_chars takes no '+' and ignores the locale; the sign we apply ourselves.
    double value = 0.0;
    const auto result = std::from_chars(mantissa, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Overflow or underflow: strtod says which (inf or a tiny value / 0).
        const std::string copy(start, p);
        return std::strtod(copy.c_str(), nullptr);
    }
    if (result.ec != std::errc()) return 0.0;
    return negative ? -value : value;
}

}  // namespace

double Text_ToReal(const char* text) {
    if (text == nullptr) return 0.0;
    return ParseDecimal(text, text + std::strlen(text));
}

int32_t Text_ToInt(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // Saturate early: past 2^31 the digits can no longer change the clamped result.
    int64_t magnitude = 0;
    while (IsDigit(*p)) {
        if (magnitude <= 2147483648LL) magnitude = magnitude * 10 + (*p - '0');
        ++p;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

double Text_ToRealBuiltin(const char* text) {
    if (text == nullptr) return 0.0;
    // Everything whose code as a signed byte is below 33 goes: controls, the space,
    // and every byte from 128 up.
    auto junk = [](char c) { return static_cast<signed char>(c) < 33; };
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && junk(*begin)) ++begin;
    while (end > begin && junk(end[-1])) --end;
    if (begin == end) return 0.0;
    return ParseDecimal(begin, end);
}
