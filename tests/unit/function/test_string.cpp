// Conversions and text functions, run through the machine: UTF-8 characters for
// positions and lengths, bytes for the byte functions and filters.
#include <limits>
#include <string>

#include "data/game.h"
#include "function/call_table.h"
#include "function/function_string.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using StringTest = CallTableTest;

TEST_F(StringTest, Conversions) {
    RunTable({
        {"real", {S(" 12.5 ")}, R(12.5)},
        {"real", {S("")}, R(0)},
        {"real", {S("1e3")}, R(1000)},
        {"real", {R(3)}, R(3)},
        {"string", {R(5)}, S("5")},
        {"string", {R(2.5)}, S("2.50")},
        {"string", {S("x")}, S("x")},
        {"string", {R(kNaN)}, S("nan")},
        // Width is total - decimals: 5 - 2 = 3, narrower than the text.
        {"string_format", {R(3.14159), R(5), R(2)}, S("3.14")},
        {"string_format", {R(3.14159), R(8), R(2)}, S("  3.14")},
        {"string_format", {R(-2), R(6), R(0)}, S("    -2")},
        {"string_format", {R(2.5), R(1), R(3)}, S("2.500")},  // width -2: left-justified
        {"string_format", {R(7), R(4), R(2)}, S("7.00")},     // width 2
        {"string_format", {R(7), R(1), R(-2)}, S("7")},       // negative decimals count as 0
        {"string_format", {R(kNaN), R(5), R(0)}, S("  nan")},
        {"string_format", {S("abc"), R(9), R(9)}, S("abc")},
        // Capped at 100 decimals and a total of 1000: a width of 900 holds "1." and 100 zeros.
        {"string_format", {R(1), R(1e12), R(1e12)}, S(std::string(798, ' ') + "1." + std::string(100, '0'))},
        {"chr", {R(65.9)}, S("A")},
        {"chr", {R(0xE9)}, S("\xC3\xA9")},
        {"chr", {R(0x20AC)}, S("\xE2\x82\xAC")},
        {"chr", {R(0x1F600)}, S("\xEF\x98\x80")},  // only the low 16 bits: 0xF600
        {"chr", {R(-1)}, S("\xEF\xBF\xBF")},
        {"chr", {R(0)}, S("")},
        {"chr", {R(kNaN)}, S("")},
        {"ansi_char", {R(65.5)}, S("B")},    // rounded half to even: 66
        {"ansi_char", {R(200)}, S("\xC8")},  // one byte, not UTF-8
        {"ansi_char", {R(256 + 65)}, S("A")},
        {"ord", {S("A")}, R(65)},
        {"ord", {S("\xC3\xA9t\xC3\xA9")}, R(0xE9)},
        {"ord", {S("\xE2\x82\xAC")}, R(0x20AC)},
        {"ord", {S("\xE2\x82")}, R(0x2080)},  // cut off: the missing bits are 0
        {"ord", {S("")}, R(0)},
        {"ord", {R(65)}, R(0)},
    });
}

TEST_F(StringTest, LengthsAndSearching) {
    RunTable({
        {"string_length", {S("h\xC3\xA9llo")}, R(5)},
        {"string_byte_length", {S("h\xC3\xA9llo")}, R(6)},
        {"string_length", {S("\xC3\xA9")}, R(1)},
        {"string_byte_length", {S("\xC3\xA9")}, R(2)},
        {"string_length", {R(12)}, R(0)},
        // Invalid UTF-8 is stepped over by the lead-byte rule, never past the end.
        {"string_length", {S("\xE2")}, R(1)},
        {"string_length",
         {S("a\xFF\xFF"
            "b")},
         R(2)},
        {"string_pos", {S("lo"), S("hello")}, R(4)},
        {"string_pos", {S("l"), S("h\xC3\xA9llo")}, R(3)},   // a character position, not a byte offset
        {"string_pos", {S("\xA9"), S("h\xC3\xA9l")}, R(2)},  // inside a character: that character
        {"string_pos", {S(""), S("abc")}, R(0)},
        {"string_pos", {S("x"), S("abc")}, R(0)},
        {"string_pos", {S("abc"), S("")}, R(0)},
        // Non-overlapping, going on after each match's end.
        {"string_count", {S("aa"), S("aaaa")}, R(2)},
        {"string_count", {S("aba"), S("ababa")}, R(1)},
        {"string_count", {S("a"), S("banana")}, R(3)},
        {"string_count", {S(""), S("abc")}, R(0)},
    });
}

TEST_F(StringTest, CopyCharAtAndByteAt) {
    RunTable({
        {"string_copy", {S("abc"), R(2), R(3)}, S("bc")},
        {"string_copy", {S("abc"), R(2), R(5)}, S("")},  // a count beyond the whole length
        {"string_copy", {S("h\xC3\xA9llo"), R(2), R(3)}, S("\xC3\xA9ll")},
        {"string_copy", {S("abc"), R(0), R(2)}, S("ab")},
        {"string_copy", {S("abc"), R(-1e300), R(1)}, S("a")},
        {"string_copy", {S("abc"), R(kNaN), R(2)}, S("ab")},
        {"string_copy", {S("abc"), R(1.5), R(1)}, S("b")},  // 1.5 rounds to 2
        {"string_copy", {S("abc"), R(4), R(1)}, S("")},
        {"string_copy", {S("abc"), R(1), R(-1)}, S("")},
        {"string_copy", {S("abc"), R(1), R(1e300)}, S("")},
        {"string_copy", {R(5), R(1), R(1)}, S("")},
        {"string_copy", {S("abc"), S("1"), R(1)}, S("")},
        {"string_copy", {}, S("")},
        {"string_char_at", {S("h\xC3\xA9llo"), R(2)}, S("\xC3\xA9")},
        {"string_char_at", {S("abc"), R(0)}, S("a")},
        {"string_char_at", {S("abc"), R(4)}, S("")},
        {"string_char_at", {S("abc"), S("2")}, S("")},
        {"string_char_at", {R(1), R(1)}, S("")},
        {"string_byte_at", {S("\xC3\xA9"), R(1)}, R(0xC3)},
        {"string_byte_at", {S("\xC3\xA9"), R(2)}, R(0xA9)},
        {"string_byte_at", {S("abc"), R(-3)}, R('a')},
        {"string_byte_at", {S("abc"), R(4)}, R(0)},
        {"string_byte_at", {S("abc"), R(kInf)}, R('a')},  // no such integer: counts as below 1
    });
}

TEST_F(StringTest, DeleteAndInsert) {
    RunTable({
        {"string_delete", {S("h\xC3\xA9llo"), R(2), R(2)}, S("hlo")},
        {"string_delete", {S("abc"), R(2), R(10)}, S("a")},
        {"string_delete", {S("abc"), R(0), R(1)}, S("abc")},
        {"string_delete", {S("abc"), R(4), R(1)}, S("abc")},
        {"string_delete", {S("abc"), R(2), R(0)}, S("abc")},
        {"string_delete", {S("abc"), R(2), R(-1)}, S("abc")},
        {"string_delete", {R(3), R(1), R(1)}, S("")},
        {"string_insert", {S("X"), S("abc"), R(1)}, S("Xabc")},
        {"string_insert", {S("X"), S("abc"), R(-5)}, S("Xabc")},
        {"string_insert", {S("X"), S("abc"), R(4)}, S("abcX")},  // length + 1 appends
        {"string_insert", {S("X"), S("abc"), R(5)}, S("abc")},   // further leaves it alone
        {"string_insert", {S("X"), S("h\xC3\xA9llo"), R(3)}, S("h\xC3\xA9Xllo")},
        {"string_insert", {R(1), S("abc"), R(2)}, S("abc")},
    });
}

TEST_F(StringTest, ByteTransformsAndFilters) {
    RunTable({
        {"string_upper", {S("ab\xC3\xA9z")}, S("AB\xC3\xA9Z")},  // bytes from 128 up untouched
        {"string_lower", {S("AbC\xC3\x89")}, S("abc\xC3\x89")},
        {"string_upper", {R(5)}, S("")},
        {"string_letters", {S("a1-B2\xC3\xA9")}, S("aB")},
        {"string_digits", {S("a1-B2\xC3\xA9")}, S("12")},
        {"string_lettersdigits", {S("a1-B2\xC3\xA9")}, S("a1B2")},
        {"string_digits", {R(42)}, S("")},
    });
}

TEST_F(StringTest, RepeatAndReplace) {
    RunTable({
        {"string_repeat", {S("ab"), R(3)}, S("ababab")},
        {"string_repeat", {S("ab"), R(2.5)}, S("abab")},  // rounded half to even
        {"string_repeat", {S("ab"), R(0)}, S("")},
        {"string_repeat", {S("ab"), R(kNaN)}, S("")},
        {"string_repeat", {S(""), R(1e12)}, S("")},
        {"string_repeat", {S("ab"), R(1e12)}, S(""), "string_repeat(): the result would be longer than"},
        {"string_repeat", {S("ab"), R(kInf)}, S(""), "string_repeat(): the result would be longer than"},
        {"string_replace", {S("banana"), S("an"), S("AN")}, S("bANana")},
        {"string_replace_all", {S("banana"), S("an"), S("AN")}, S("bANANa")},
        {"string_replace_all", {S("aaa"), S("a"), S("aa")}, S("aaaaaa")},  // no rescanning of new text
        {"string_replace_all", {S("aaaa"), S("aa"), S("b")}, S("bb")},
        {"string_replace_all", {S("abc"), S(""), S("x")}, S("abc")},
        {"string_replace", {S("abc"), S("x"), S("y")}, S("abc")},
        {"string_replace_all", {S("a.b.c"), S("."), S("")}, S("abc")},
        {"string_replace_all", {R(5), S("5"), S("x")}, S("")},
    });
}

// Results that would grow past the text limit are refused before anything is built.
TEST_F(StringTest, GrowingResultsAreCapped) {
    const std::string many(1 << 20, 'a');
    const std::string longer(100, 'x');
    CValue r = Call("string_replace_all", {CValue(many), CValue(std::string_view("a")), CValue(longer)});
    EXPECT_TRUE(r.IsString());
    EXPECT_STREQ(r.Text(), "");
    EXPECT_NE(Game().error.last.find("string_replace_all(): the result would be longer than 67108864 bytes"),
              std::string::npos);

    // Right at the limit is still built.
    Code_ResetErrors();
    r = Call("string_repeat", {CValue(many), CValue(double(kTextResultLimit / many.size()))});
    EXPECT_EQ(std::string_view(r.Text()).size(), kTextResultLimit);
    EXPECT_FALSE(Game().error.occurred);
}

}  // namespace
