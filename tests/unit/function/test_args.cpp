// The argument rules every built-in shares (truth, a text where a number is expected, a
// number where a text is expected, colours), pinned through registered built-ins of
// several families, and the few reader rules no built-in shows on its own.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "function/call_table.h"
#include "object/event.h"
#include "value/args.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

CValue Num(double v) { return CValue(v); }
// A text whose number field is not 0, as no writer leaves it: readers must go by the
// kind alone, so a family that reads the field instead gives itself away.
CValue Txt(const char* s) {
    CValue v{std::string_view(s)};
    v.val = 7;
    return v;
}

// `set` is called with the argument under test; `get` (when given) then shows what the
// setter stored. The expected value is the last call's result.
struct RuleCase {
    const char* set;
    std::vector<CValue> setArgs;
    const char* get;
    std::vector<CValue> getArgs;
    CValue expected;
};

class ArgRulesTest : public CallTableTest {
protected:
    void SetUp() override {
        CallTableTest::SetUp();
        WObject o;
        o.name = "obj";
        o.events.resize(kEventTypeCount);
        desc.objects.push_back(o);
        ASSERT_TRUE(Load().ok) << game->error;
    }

    static std::string Describe(const char* function, const std::vector<CValue>& args) {
        std::string out = std::string(function) + "(";
        for (size_t i = 0; i < args.size(); ++i) {
            if (i) out += ", ";
            out += Value_ToDumpText(args[i]);
        }
        return out + ")";
    }

    static void RunRules(const std::vector<RuleCase>& cases) {
        for (const RuleCase& c : cases) {
            std::string what = Describe(c.set, c.setArgs);
            CValue got = Call(c.set, c.setArgs);
            if (c.get != nullptr) {
                what += " then " + Describe(c.get, c.getArgs);
                got = Call(c.get, c.getArgs);
            }
            ASSERT_EQ(got.kind, c.expected.kind) << what << " gave " << Value_ToDumpText(got);
            if (got.IsString()) EXPECT_STREQ(got.Text(), c.expected.Text()) << what;
            else EXPECT_EQ(got.val, c.expected.val) << what;
        }
    }
};

TEST_F(ArgRulesTest, TruthIsGreaterThanOneHalfInEveryFamily) {
    RunRules({
        // graphics: a window flag kept without a window
        {"window_set_showicons", {Num(0.5)}, "window_get_showicons", {}, Num(0)},
        {"window_set_showicons", {Num(0.51)}, "window_get_showicons", {}, Num(1)},
        {"window_set_showicons", {Num(-1)}, "window_get_showicons", {}, Num(0)},
        {"window_set_showicons", {Num(1)}, "window_get_showicons", {}, Num(1)},
        {"window_set_showicons", {Txt("1")}, "window_get_showicons", {}, Num(0)},
        // instances and objects
        {"object_set_visible", {Num(0), Num(0.5)}, "object_get_visible", {Num(0)}, Num(0)},
        {"object_set_visible", {Num(0), Num(0.51)}, "object_get_visible", {Num(0)}, Num(1)},
        {"object_set_visible", {Num(0), Num(-1)}, "object_get_visible", {Num(0)}, Num(0)},
        {"object_set_solid", {Num(0), Num(0.51)}, "object_get_solid", {Num(0)}, Num(1)},
        {"object_set_solid", {Num(0), Num(0.5)}, "object_get_solid", {Num(0)}, Num(0)},
    });
}

// The switches whose families say "at least 0.5": 0.5 itself is true there.
TEST_F(ArgRulesTest, SwitchesAtLeastOneHalfWhereTheFamilySaysSo) {
    const double list = Call("ds_list_create", {}).val;
    for (double v : {1.0, 3.0, 2.0}) Call("ds_list_add", {Num(list), Num(v)});
    RunRules({
        // ascending when on, so the first element tells
        {"ds_list_sort", {Num(list), Num(0.5)}, "ds_list_find_value", {Num(list), Num(0)}, Num(1)},
        {"ds_list_sort", {Num(list), Num(0.49)}, "ds_list_find_value", {Num(list), Num(0)}, Num(3)},
        {"ds_list_sort", {Num(list), Num(1)}, "ds_list_find_value", {Num(list), Num(0)}, Num(1)},
        {"ds_list_sort", {Num(list), Num(-1)}, "ds_list_find_value", {Num(list), Num(0)}, Num(3)},
        {"ds_list_sort", {Num(list), Txt("1")}, "ds_list_find_value", {Num(list), Num(0)}, Num(3)},
    });
    Call("ds_list_destroy", {Num(list)});
}

TEST_F(ArgRulesTest, TextWhereANumberIsExpectedIsZero) {
    const double list = Call("ds_list_create", {}).val;
    for (double v : {10.0, 20.0}) Call("ds_list_add", {Num(list), Num(v)});
    RunRules({
        {"sqr", {Txt("3")}, nullptr, {}, Num(0)},
        {"power", {Num(2), Txt("3")}, nullptr, {}, Num(1)},
        {"string_repeat", {Txt("ab"), Txt("3")}, nullptr, {}, Txt("")},
        {"draw_set_color", {Txt("255")}, "draw_get_color", {}, Num(0)},
        {"object_set_depth", {Num(0), Txt("5")}, "object_get_depth", {Num(0)}, Num(0)},
        {"object_get_depth", {Txt("0")}, nullptr, {}, Num(0)},
        {"ds_list_find_value", {Num(list), Txt("1")}, nullptr, {}, Num(10)},
    });
    Call("ds_list_destroy", {Num(list)});
}

TEST_F(ArgRulesTest, NumberWhereATextIsExpected) {
    RunRules({
        // the text functions see an empty text
        {"string_length", {Num(123)}, nullptr, {}, Num(0)},
        {"string_upper", {Num(5)}, nullptr, {}, Txt("")},
        // the file and drawing functions take the number's `string` form
        {"filename_name", {Num(3)}, nullptr, {}, Txt("3")},
        {"filename_name", {Num(2.5)}, nullptr, {}, Txt("2.50")},
    });
}

TEST_F(ArgRulesTest, ColoursAreRoundedAndCutTo24Bits) {
    RunRules({
        {"draw_set_color", {Num(255.4)}, "draw_get_color", {}, Num(255)},
        {"draw_set_color", {Num(255.6)}, "draw_get_color", {}, Num(256)},
        {"draw_set_color", {Num(254.5)}, "draw_get_color", {}, Num(254)},  // halves to even
        {"draw_set_color", {Num(-1)}, "draw_get_color", {}, Num(0xFFFFFF)},
        {"draw_set_color", {Num(0x12345678)}, "draw_get_color", {}, Num(0x345678)},
        {"draw_set_color", {Num(4294967296.0 * 3 + 5)}, "draw_get_color", {}, Num(5)},
        {"draw_set_color", {Num(kNaN)}, "draw_get_color", {}, Num(0)},
        {"window_set_color", {Num(128.6)}, "window_get_color", {}, Num(129)},
        {"window_set_color", {Num(2147483648.0 + 7)}, "window_get_color", {}, Num(7)},
    });
}

// Readers on their own: what a missing argument is, and the two integer rules.
TEST(ArgReaders, MissingArgumentsAndIntegerRules) {
    const CValue args[] = {CValue(2.5), CValue(-2.7), CValue(std::string_view("hi")), CValue(1e300)};
    const int n = 4;
    EXPECT_EQ(Arg_Real(n, args, 4), 0.0);
    EXPECT_EQ(Arg_Real(n, args, -1), 0.0);
    EXPECT_EQ(Arg_Real(0, nullptr, 0), 0.0);
    EXPECT_EQ(Arg_Text(n, args, 4), "");
    EXPECT_EQ(Arg_Text(n, args, 2), "hi");
    EXPECT_EQ(Arg_Text(n, args, 0), "");
    EXPECT_EQ(Arg_Text(n, args, 2).data(), args[2].str);  // the caller's text, not a copy
    EXPECT_FALSE(Arg_Bool(n, args, 4));

    EXPECT_EQ(Arg_Int(n, args, 0), 2);  // halves to even
    EXPECT_EQ(Arg_Int(n, args, 1), -3);
    EXPECT_EQ(Arg_IntTrunc(n, args, 0), 2);
    EXPECT_EQ(Arg_IntTrunc(n, args, 1), -2);
    EXPECT_EQ(Arg_Int(n, args, 3), INT32_MIN);
    EXPECT_EQ(Arg_Int64(n, args, 3), INT64_MIN);

    std::string number;
    EXPECT_EQ(Arg_TextForm(n, args, 0, number), "2.50");
    EXPECT_EQ(Arg_TextForm(n, args, 2, number), "hi");
    EXPECT_EQ(Arg_TextForm(n, args, 4, number), "0");

    const CValue alphas[] = {CValue(1.5), CValue(-0.2), CValue(kNaN), CValue(0.25)};
    EXPECT_EQ(Arg_Alpha(4, alphas, 0), 1.0);
    EXPECT_EQ(Arg_Alpha(4, alphas, 1), 0.0);
    EXPECT_EQ(Arg_Alpha(4, alphas, 2), 0.0);
    EXPECT_EQ(Arg_Alpha(4, alphas, 3), 0.25);
}

}  // namespace
