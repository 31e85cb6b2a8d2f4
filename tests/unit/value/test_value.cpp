#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/memory.h"
#include "value/real.h"
#include "value/value.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(ValueTest, CopiesOwnTheirTextsAndEverythingIsReturned) {
    const uint32_t blocks = MemoryManager::BlockCount();
    {
        CValue a(std::string_view("hello"));
        CValue b(a);
        ASSERT_NE(a.str, b.str);
        EXPECT_STREQ(b.Text(), "hello");

        // Overwriting a text with a real frees it; copying a real over a text too.
        b.SetReal(2.5);
        EXPECT_EQ(b.str, nullptr);
        EXPECT_EQ(b.kind, CValue::kReal);
        a = b;
        EXPECT_EQ(a.str, nullptr);
        EXPECT_EQ(a.val, 2.5);

        CValue c(std::string_view("moved"));
        char* text = c.str;
        a = std::move(c);
        EXPECT_EQ(a.str, text);
        EXPECT_EQ(c.str, nullptr);
        EXPECT_EQ(c.kind, CValue::kReal);

        a.TakeString(Text_Duplicate("taken"));
        EXPECT_STREQ(a.Text(), "taken");
        a.Release();
        EXPECT_TRUE(a.IsReal());
        EXPECT_EQ(a.val, 0.0);
        EXPECT_STREQ(a.Text(), "");
    }
    EXPECT_EQ(MemoryManager::BlockCount(), blocks);
}

TEST(ValueTest, SetStringReusesABufferThatIsLargeEnough) {
    const uint32_t blocks = MemoryManager::BlockCount();
    {
        CValue v(std::string_view("abcdef"));
        char* buffer = v.str;
        v.SetString("xyz");
        EXPECT_EQ(v.str, buffer);
        EXPECT_STREQ(v.Text(), "xyz");
        v.SetString("123456");  // exactly the old size, terminator included
        EXPECT_EQ(v.str, buffer);
        EXPECT_STREQ(v.Text(), "123456");
        // A piece of its own text, written over itself.
        v.SetString(std::string_view(v.str + 2, 3));
        EXPECT_STREQ(v.Text(), "345");
        v.SetString("longer than before");
        EXPECT_STREQ(v.Text(), "longer than before");
        v.SetString("");
        EXPECT_TRUE(v.IsString());
        EXPECT_STREQ(v.Text(), "");
    }
    EXPECT_EQ(MemoryManager::BlockCount(), blocks);
    EXPECT_EQ(Text_Duplicate(static_cast<const char*>(nullptr)), nullptr);
}

TEST(ValueFormTest, TextFormsOfReals) {
    struct Case {
        double v;
        const char* machine;
        const char* stringForm;
        const char* dump;
    };
    const Case cases[] = {
        {3, "3", "3", "3"},
        {3.14159, "3.14159", "3.14", "3.141590"},
        {-0.5, "-0.5", "-0.50", "-0.500000"},
        {1e20, "1e+020", "100000000000000000000.00", "100000000000000000000.000000"},
        {1.5e-7, "1.5e-007", "0.00", "0.000000"},
        {1e100, "1e+100", nullptr, nullptr},
        {1234567, "1.23457e+006", "1234567", "1234567"},
        {3000000000.0, "3e+009", "3000000000.00", "3000000000.000000"},
        {2147483647.0, "2.14748e+009", "2147483647", "2147483647"},
        {-2147483648.0, "-2.14748e+009", "-2147483648", "-2147483648"},
        {2147483648.0, nullptr, "2147483648.00", nullptr},
        {2.5, "2.5", "2.50", "2.500000"},
        {-0.0, "-0", "0", "0"},
        {kNaN, "nan", "nan", "nan"},
        {-kNaN, "nan", "nan", "nan"},
        {-kInf, "-inf", "-inf", "-inf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.v);
        if (c.machine) {
            EXPECT_EQ(Real_ToMachineText(c.v), c.machine);
        }
        if (c.stringForm) {
            EXPECT_EQ(Real_ToStringForm(c.v), c.stringForm);
        }
        if (c.dump) {
            EXPECT_EQ(Real_ToDumpText(c.v), c.dump);
        }
    }
    EXPECT_EQ(Value_ToDumpText(CValue(std::string_view("a b"))), "\"a b\"");
    EXPECT_EQ(Value_ToDumpText(CValue(0.25)), "0.250000");
    CValue nullText;
    nullText.kind = CValue::kString;
    EXPECT_EQ(Value_ToDumpText(nullText), "\"\"");
}

TEST(ValueFormTest, NumberFormsOfTexts) {
    struct Case {
        const char* text;
        double real;      // Text_ToReal
        int32_t integer;  // Text_ToInt
        double builtin;   // Text_ToRealBuiltin
    };
    const Case cases[] = {
        {"12abc", 12, 12, 12},
        {"abc", 0, 0, 0},
        {"  -1.5e3x", -1500, -1, -1500},
        {"+.5", 0.5, 0, 0.5},
        {"5.", 5, 5, 5},
        {".", 0, 0, 0},
        {"-", 0, 0, 0},
        {"1e", 1, 1, 1},
        {"2e+", 2, 2, 2},
        {"0x10", 0, 0, 0},
        {"inf", 0, 0, 0},
        {"nan", 0, 0, 0},
        {"\t\n7", 7, 7, 7},
        {"1e999", kInf, 1, kInf},
        {"-1e999", -kInf, -1, -kInf},
        {"99999999999", 99999999999.0, INT32_MAX, 99999999999.0},
        {"-99999999999", -99999999999.0, INT32_MIN, -99999999999.0},
        {"-2147483648", -2147483648.0, INT32_MIN, -2147483648.0},
        // Only the built-in strips control bytes and bytes from 128 up.
        {"\x01\x80 12 \xff", 0, 0, 12},
        {"\xff"
         "3",
         0, 0, 3},
        {"\x80\x81 ", 0, 0, 0},
        {"", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Text_ToReal(c.text), c.real);
        EXPECT_EQ(Text_ToInt(c.text), c.integer);
        EXPECT_EQ(Text_ToRealBuiltin(c.text), c.builtin);
    }
    EXPECT_EQ(Text_ToReal(nullptr), 0);
    EXPECT_EQ(Text_ToInt(nullptr), 0);
    EXPECT_EQ(Text_ToRealBuiltin(nullptr), 0);
}

TEST(ValueFormTest, TruncationOutsideTheRangeGivesTheSmallestInteger) {
    EXPECT_EQ(Real_TruncToInt32(-3.9), -3);
    EXPECT_EQ(Real_TruncToInt32(2147483647.9), INT32_MAX);
    EXPECT_EQ(Real_TruncToInt32(-2147483648.9), INT32_MIN);
    EXPECT_EQ(Real_TruncToInt32(2147483648.0), INT32_MIN);
    EXPECT_EQ(Real_TruncToInt32(kNaN), INT32_MIN);
    EXPECT_EQ(Real_TruncToInt64(-9223372036854775808.0), INT64_MIN);
    EXPECT_EQ(Real_TruncToInt64(9223372036854775808.0), INT64_MIN);
    EXPECT_EQ(Real_TruncToInt64(1e15 + 0.5), 1000000000000000LL);
    EXPECT_EQ(Real_TruncToInt64(-kInf), INT64_MIN);
}

TEST(ValueFormTest, RemainderMatchesFmodBitForBit) {
    // The whole-number shortcut must give fmod's exact real, the sign of a zero included,
    // and leave fractions, huge values, zero divisors, NaN and infinities to fmod.
    const double big = 9007199254740992.0;  // 2^53
    const double cases[][2] = {
        {7, 3},
        {-7, 3},
        {7, -3},
        {-7, -3},
        {6, 3},
        {-6, 3},
        {-6, -3},
        {0, 5},
        {-0.0, 5},
        {5, 7},
        {-5, 7},
        {1e15, 7},
        {-1e15, 7},
        {big - 1, 3},
        {big, 3},
        {-big, 7},
        {big * 4, 3},
        {3, big * 4},
        {7.5, 2},
        {7, 2.5},
        {-7.5, 2},
        {5, 0},
        {-5, 0},
        {0, 0},
        {kNaN, 3},
        {3, kNaN},
        {kInf, 3},
        {3, kInf},
        {-3, -kInf},
        {1e300, 7},
        {4503599627370497.0, 2},
        {-1, -1},
        {2147483648.0, 10},
    };
    for (const auto& c : cases) {
        const double want = std::fmod(c[0], c[1]);
        const double got = Real_Remainder(c[0], c[1]);
        if (std::isnan(want)) {
            EXPECT_TRUE(std::isnan(got)) << c[0] << " mod " << c[1];
            continue;
        }
        EXPECT_EQ(got, want) << c[0] << " mod " << c[1];
        EXPECT_EQ(std::signbit(got), std::signbit(want)) << c[0] << " mod " << c[1];
    }
}
