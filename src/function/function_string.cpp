// Text functions. Texts are UTF-8 as far as characters go: a lead byte below 0x80 is a
// one-byte character, one with bit 5 clear a two-byte one, anything else three bytes
// (code points above 0xFFFF do not occur in our texts). Stray or cut-off sequences are
// stepped over by the same rule and never read past the terminator. Character
// positions are 1-based; the byte functions and the filters work on bytes.
#include "function/function_string.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>

#include "data/error.h"
#include "value/args.h"

namespace {

size_t CharBytes(unsigned char lead) { return lead < 0x80 ? 1 : ((lead & 0x20) == 0 ? 2 : 3); }

// The length of the character starting at byte `at`, cut at the end of the text.
size_t StepAt(std::string_view s, size_t at) {
    const size_t n = CharBytes(static_cast<unsigned char>(s[at]));
    return n < s.size() - at ? n : s.size() - at;
}

size_t CharCount(std::string_view s) {
    size_t count = 0;
    for (size_t at = 0; at < s.size(); at += StepAt(s, at)) ++count;
    return count;
}

// The byte offset of the character at 0-based position `index`; s.size() when the
// text has no such character.
size_t CharOffset(std::string_view s, int64_t index) {
    size_t at = 0;
    for (int64_t i = 0; i < index && at < s.size(); ++i) at += StepAt(s, at);
    return at;
}

// The 1-based position of the character holding byte `offset`.
int64_t CharPosition(std::string_view s, size_t offset) {
    int64_t position = 1;
    for (size_t at = 0; at < s.size(); ++position) {
        const size_t next = at + StepAt(s, at);
        if (offset < next) break;
        at = next;
    }
    return position;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A result longer than kTextResultLimit is refused: a non-fatal error and the empty text.
void RefuseTooLong(const char* function, CValue& result) {
    Code_ShowError(
        std::string(function) + "(): the result would be longer than " + std::to_string(kTextResultLimit) + " bytes",
        false);
    result.SetString({});
}

// ---------------------------------------------------------------------------
// Conversions

void F_Real(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (Arg_IsText(argc, args, 0)) result.SetReal(Text_ToRealBuiltin(Arg_CText(argc, args, 0)));
    else result.SetReal(Arg_Real(argc, args, 0));
}

void F_String(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (Arg_IsText(argc, args, 0)) result.SetString(Arg_Text(argc, args, 0));
    else result.SetString(Real_ToStringForm(Arg_Real(argc, args, 0)));
}

// Decimals beyond this print only zeros; widths beyond this are padding nobody can
// see. Both caps keep "%*.*f" from being asked for a text of gigabytes.
constexpr int64_t kFormatMaxDecimals = 100;
constexpr int64_t kFormatMaxWidth = 1000;

// string_format(x, total, decimals): "%w.df" with d = decimals and w = total - d,
// both truncated. A negative width pads on the right, as "%-3.2f" does; negative
// decimals count as 0.
void F_StringFormat(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    if (Arg_IsText(argc, args, 0)) {
        result.SetString(Arg_Text(argc, args, 0));
        return;
    }
    const double x = Arg_Real(argc, args, 0);
    int64_t decimals = Arg_Int64Trunc(argc, args, 2);
    if (decimals < 0) decimals = 0;
    if (decimals > kFormatMaxDecimals) decimals = kFormatMaxDecimals;
    int64_t width = Arg_Int64Trunc(argc, args, 1);
    width = width < -kFormatMaxWidth ? -kFormatMaxWidth : (width > kFormatMaxWidth ? kFormatMaxWidth : width);
    width -= decimals;
    const int w = static_cast<int>(width), d = static_cast<int>(decimals);

    std::string text;
    if (std::isfinite(x)) {
        const int n = std::snprintf(nullptr, 0, "%*.*f", w, d, x);
        if (n > 0) {
            text.resize(static_cast<size_t>(n) + 1);
            std::snprintf(text.data(), text.size(), "%*.*f", w, d, x);
            text.resize(static_cast<size_t>(n));
        }
    } else {
        // The C library may write "-nan"; every text form of the engine says "nan".
        const char* word = std::isnan(x) ? "nan" : (x < 0 ? "-inf" : "inf");
        const int n = std::snprintf(nullptr, 0, "%*s", w, word);
        if (n > 0) {
            text.resize(static_cast<size_t>(n) + 1);
            std::snprintf(text.data(), text.size(), "%*s", w, word);
            text.resize(static_cast<size_t>(n));
        }
    }
    result.SetString(text);
}

// chr(n): the character of code n truncated; only the low 16 bits are encoded (our
// texts hold nothing above 0xFFFF). Code 0 is the empty text.
void F_Chr(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const uint32_t code = static_cast<uint32_t>(Arg_IntTrunc(argc, args, 0)) & 0xFFFFu;
    std::string text;
    if (code != 0) AppendUtf8(text, code);
    result.SetString(text);
}

// ansi_char(n): the one byte n rounded, taken modulo 256. Byte 0 is the empty text.
void F_AnsiChar(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const auto byte = static_cast<uint8_t>(static_cast<uint64_t>(Arg_Int64(argc, args, 0)));
    if (byte == 0) result.SetString({});
    else result.SetString(std::string_view(reinterpret_cast<const char*>(&byte), 1));
}

void F_Ord(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string_view s = Arg_Text(argc, args, 0);
    if (s.empty()) {
        result.SetReal(0.0);
        return;
    }
    // A sequence cut off by the end of the text reads its missing bytes as 0 bits.
    const auto* b = reinterpret_cast<const unsigned char*>(s.data());
    const size_t length = CharBytes(b[0]), present = StepAt(s, 0);
    uint32_t code = b[0] & (length == 1 ? 0x7Fu : (length == 2 ? 0x1Fu : 0x0Fu));
    for (size_t k = 1; k < length; ++k) code = (code << 6) | (k < present ? (b[k] & 0x3Fu) : 0u);
    result.SetReal(code);
}

// ---------------------------------------------------------------------------
// Lengths and searching

void F_StringLength(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(static_cast<double>(CharCount(Arg_Text(argc, args, 0))));
}

void F_StringByteLength(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(static_cast<double>(Arg_Text(argc, args, 0).size()));
}

void F_StringPos(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string_view sub = Arg_Text(argc, args, 0), s = Arg_Text(argc, args, 1);
    if (sub.empty() || s.empty()) return;
    const size_t at = s.find(sub);
    result.SetReal(at == std::string_view::npos ? 0.0 : static_cast<double>(CharPosition(s, at)));
}

// Counts non-overlapping occurrences, going on after the end of each match: "aa"
// occurs twice in "aaaa". Restarting one byte after each match start would count
// overlaps (three here) and contradict "non-overlapping"; we take the count that
// string_replace_all agrees with.
void F_StringCount(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string_view sub = Arg_Text(argc, args, 0), s = Arg_Text(argc, args, 1);
    if (sub.empty() || s.empty()) return;
    double count = 0;
    for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, at + sub.size())) ++count;
    result.SetReal(count);
}

// ---------------------------------------------------------------------------
// Pieces of a text

void F_StringCopy(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString({});
    if (!Arg_IsText(argc, args, 0) || !Arg_IsReal(argc, args, 1) || !Arg_IsReal(argc, args, 2)) return;
    const std::string_view s = Arg_Text(argc, args, 0);
    int64_t index = Arg_Int64(argc, args, 1);
    int64_t count = Arg_Int64(argc, args, 2);
    if (index < 1) index = 1;
    const int64_t length = static_cast<int64_t>(CharCount(s));
    // A count longer than the whole text gives nothing at all, even from index 1.
    if (index - 1 >= length || count < 0 || count > length) return;
    if (count > length - (index - 1)) count = length - (index - 1);
    const size_t begin = CharOffset(s, index - 1);
    const size_t end = begin + CharOffset(s.substr(begin), count);
    result.SetString(s.substr(begin, end - begin));
}

void F_StringCharAt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString({});
    if (!Arg_IsText(argc, args, 0) || !Arg_IsReal(argc, args, 1)) return;
    const std::string_view s = Arg_Text(argc, args, 0);
    int64_t index = Arg_Int64(argc, args, 1);
    if (index < 1) index = 1;
    const size_t at = CharOffset(s, index - 1);
    if (at < s.size()) result.SetString(s.substr(at, StepAt(s, at)));
}

// The byte (0-255) at a 1-based byte index; below 1 counts as 1, beyond the end is 0.
void F_StringByteAt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string_view s = Arg_Text(argc, args, 0);
    int64_t index = Arg_Int64(argc, args, 1);
    if (index < 1) index = 1;
    if (static_cast<uint64_t>(index) > s.size()) return;
    result.SetReal(static_cast<unsigned char>(s[static_cast<size_t>(index - 1)]));
}

void F_StringDelete(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string_view s = Arg_Text(argc, args, 0);
    const int64_t index = Arg_Int64(argc, args, 1);
    const int64_t count = Arg_Int64(argc, args, 2);
    const int64_t length = static_cast<int64_t>(CharCount(s));
    if (index < 1 || index > length || count <= 0) {
        result.SetString(s);
        return;
    }
    const size_t begin = CharOffset(s, index - 1);
    const size_t end = begin + CharOffset(s.substr(begin), count);  // stops at the end
    std::string text(s.substr(0, begin));
    text += s.substr(end);
    result.SetString(text);
}

// string_insert(sub, s, index): before the character at index; below 1 counts as 1,
// length + 1 appends, anything further leaves s unchanged.
void F_StringInsert(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string_view sub = Arg_Text(argc, args, 0), s = Arg_Text(argc, args, 1);
    int64_t index = Arg_Int64(argc, args, 2);
    if (index < 1) index = 1;
    if (index > static_cast<int64_t>(CharCount(s)) + 1) {
        result.SetString(s);
        return;
    }
    if (s.size() + sub.size() > kTextResultLimit) {
        RefuseTooLong("string_insert", result);
        return;
    }
    const size_t at = CharOffset(s, index - 1);
    std::string text(s.substr(0, at));
    text += sub;
    text += s.substr(at);
    result.SetString(text);
}

// ---------------------------------------------------------------------------
// Byte-wise transformations: bytes from 128 up pass through, so UTF-8 survives.

template <char (*Map)(char)>
void F_MapBytes(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string text(Arg_Text(argc, args, 0));
    for (char& c : text) c = Map(c);
    result.SetString(text);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetterOrDigit(char c) { return IsLetter(c) || IsDigit(c); }

template <bool (*Keep)(char)>
void F_FilterBytes(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string text;
    for (char c : Arg_Text(argc, args, 0))
        if (Keep(c)) text += c;
    result.SetString(text);
}

void F_StringRepeat(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetString({});
    const std::string_view s = Arg_Text(argc, args, 0);
    const double n = std::nearbyint(Arg_Real(argc, args, 1));
    if (s.empty() || !(n >= 1.0)) return;  // NaN too
    // Compared as reals: a count of 1e12 (or infinity) must not overflow a size first.
    if (n > static_cast<double>(kTextResultLimit / s.size())) {
        RefuseTooLong("string_repeat", result);
        return;
    }
    const size_t count = static_cast<size_t>(n);
    std::string text;
    text.reserve(s.size() * count);
    for (size_t i = 0; i < count; ++i) text += s;
    result.SetString(text);
}

// string_replace / string_replace_all (s, sub, new): an empty sub changes nothing.
// Matches are found left to right and the search goes on after each replaced one.
template <bool All>
void F_StringReplace(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const std::string_view s = Arg_Text(argc, args, 0), sub = Arg_Text(argc, args, 1), with = Arg_Text(argc, args, 2);
    if (sub.empty()) {
        result.SetString(s);
        return;
    }
    // Size first, so that a text of a million matches replaced by a long text is
    // refused before it is built.
    size_t matches = 0;
    for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, at + sub.size())) {
        ++matches;
        if (!All) break;
    }
    // At most 2^31 matches times a growth below 2^31: no overflow in 64 bits.
    const uint64_t length = uint64_t{s.size()} - uint64_t{matches} * sub.size() + uint64_t{matches} * with.size();
    if (length > kTextResultLimit) {
        RefuseTooLong(All ? "string_replace_all" : "string_replace", result);
        return;
    }
    std::string text;
    size_t from = 0;
    for (size_t at = s.find(sub); at != std::string_view::npos; at = s.find(sub, from)) {
        text += s.substr(from, at - from);
        text += with;
        from = at + sub.size();
        if (!All) break;
    }
    text += s.substr(from);
    result.SetString(text);
}

}  // namespace

extern const FunctionImpl kStringFunctions[] = {
    {"real", F_Real},
    {"string", F_String},
    {"string_format", F_StringFormat},
    {"chr", F_Chr},
    {"ansi_char", F_AnsiChar},
    {"ord", F_Ord},
    {"string_length", F_StringLength},
    {"string_pos", F_StringPos},
    {"string_copy", F_StringCopy},
    {"string_char_at", F_StringCharAt},
    {"string_byte_length", F_StringByteLength},
    {"string_byte_at", F_StringByteAt},
    {"string_delete", F_StringDelete},
    {"string_insert", F_StringInsert},
    {"string_lower", F_MapBytes<Lower>},
    {"string_upper", F_MapBytes<Upper>},
    {"string_repeat", F_StringRepeat},
    {"string_letters", F_FilterBytes<IsLetter>},
    {"string_digits", F_FilterBytes<IsDigit>},
    {"string_lettersdigits", F_FilterBytes<IsLetterOrDigit>},
    {"string_replace", F_StringReplace<false>},
    {"string_replace_all", F_StringReplace<true>},
    {"string_count", F_StringCount},
};
extern const size_t kStringFunctionCount = std::size(kStringFunctions);
