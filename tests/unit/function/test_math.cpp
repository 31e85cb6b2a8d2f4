// Type tests, the random generator, rounding, arithmetic, aggregates and geometry,
// run through the machine.
#include <cmath>
#include <cstdint>
#include <limits>

#include "function/call_table.h"
#include "value/random.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.141592653589793;
constexpr double kPiF = 3.1415927410125732;  // pi rounded to a float
constexpr double kHalfPiF = 1.5707963705062866;

using MathTest = CallTableTest;

TEST_F(MathTest, TypeTests) {
    RunTable({
        {"is_real", {R(1)}, R(1)},
        {"is_real", {S("1")}, R(0)},
        {"is_string", {S("")}, R(1)},
        {"is_string", {R(0)}, R(0)},
    });
}

// Expected draws worked out by hand from state = state * 214013 + 2531011 (mod 2^32),
// raw = (state >> 16) & 32767, unit = raw / 32768 (exact in a float: 15 bits):
//   seed 1:          1 * 214013 + 2531011 = 2745024                 raw 41
//   2745024 * 214013 + 2531011 = 587473352323     mod 2^32 = 3357800067 raw 18467
//   3357800067 * 214013 + 2531011 = 718612868269882 mod 2^32 = 415139642  raw 6334
//   415139642 * 214013 + 2531011 = 88845282734357  mod 2^32 = 3884216597 raw 26500
//   3884216597 * 214013 + 2531011 = 831272849104772 mod 2^32 = 3403800452 raw 19169
//   seed 12345: 12345 * 214013 + 2531011 = 2644521496                raw 7584
TEST_F(MathTest, SeededGeneratorReplaysTheSameDraws) {
    RunTable({
        {"random_set_seed", {R(1)}, R(0)},
        {"random_get_seed", {}, R(1)},
        {"random", {R(1)}, R(41.0 / 32768)},                          // 0.001251220703125
        {"random", {R(100)}, R(18467.0 / 32768 * 100)},               // 56.3568115234375
        {"irandom", {R(9)}, R(1)},                                    // 6334/32768 * 10 = 1.93
        {"irandom_range", {R(1.5), R(4)}, R(4.5)},                    // 26500/32768 * 4 = 3.23 -> 3, + 1.5
        {"random_range", {R(10), R(5)}, R(19169.0 / 32768 * 5 + 5)},  // min(a, b) + u * |a - b|
        // choose picks a random integer below the count: 41/32768 * 3 -> 0, 18467/32768 * 3 -> 1.
        {"random_set_seed", {R(1)}, R(0)},
        {"choose", {S("a"), S("b"), S("c")}, S("a")},
        {"choose", {S("a"), R(7), S("c")}, R(7)},
        {"choose", {}, R(0)},
        {"irandom", {R(0)}, R(0)},
        // A reversed range: span trunc(1) - trunc(10) + 1 = -8; 7584/32768 * -8 = -1.85 -> -1, + 10.
        {"random_set_seed", {R(12345)}, R(0)},
        {"irandom_range", {R(10), R(1)}, R(9)},
        // The seed keeps the low 32 bits of the 64-bit truncation.
        {"random_set_seed", {R(-1)}, R(0)},
        {"random_get_seed", {}, R(4294967295.0)},
        {"random_set_seed", {R(4294967297.0)}, R(0)},
        {"random_get_seed", {}, R(1)},
        {"random_set_seed", {R(kNaN)}, R(0)},
        {"random_get_seed", {}, R(0)},
    });
}

TEST_F(MathTest, EngineGeneratorIsSharedAndRandomizeRemembersItsSeed) {
    Random_SetSeed(1);
    EXPECT_EQ(Random_Int(3), 0);       // 41/32768 * 3
    EXPECT_EQ(Random_Int(1000), 563);  // 18467/32768 * 1000 = 563.57
    EXPECT_EQ(Random_Int(0), 0);       // draw 6334
    EXPECT_EQ(Random_Int(-10), -8);    // 26500/32768 * -10 = -8.09
    // n as a float is 2^31: 19169/32768 * 2^31 = 19169 * 65536 exactly (in double
    // precision the product would be 1256259583.4).
    EXPECT_EQ(Random_Int(INT32_MAX), 1256259584);
    // The script functions draw from the same state: seeding from either side replays.
    Random_SetSeed(1);
    EXPECT_EQ(Call("random", {CValue(32768.0)}).val, 41);
    EXPECT_EQ(Random_NextRaw(), 18467);

    const double v = Call("randomize", {}).val;
    EXPECT_EQ(Call("random_get_seed", {}).val, static_cast<double>(static_cast<uint64_t>(v) & 0xFFFFFFFFu));
}

TEST_F(MathTest, RoundingAndArithmetic) {
    RunTable({
        {"abs", {R(-0.1)}, R(0.10000000149011612)},  // through a float
        {"abs", {R(-3)}, R(3)},
        {"round", {R(2.5)}, R(2)},
        {"round", {R(3.5)}, R(4)},
        {"round", {R(-2.5)}, R(-2)},
        {"round", {R(-0.4)}, R(0)},
        {"round", {R(kNaN)}, R(INT32_MIN)},
        {"round", {R(1e10)}, R(INT32_MIN)},
        {"floor", {R(-1.5)}, R(-2)},
        {"ceil", {R(-1.5)}, R(-1)},
        {"ceil", {R(1.2)}, R(2)},
        {"sign", {R(-3)}, R(-1)},
        {"sign", {R(0)}, R(0)},
        {"sign", {R(5)}, R(1)},
        {"sign", {R(kNaN)}, R(-1)},
        {"frac", {R(-3.25)}, R(-0.25)},
        {"frac", {R(kInf)}, R(0)},
        {"sqrt", {R(16)}, R(4)},
        {"sqrt", {R(-1)}, R(kNaN)},
        {"sqr", {R(-3)}, R(9)},
        {"exp", {R(0)}, R(1)},
        {"ln", {R(1)}, R(0)},
        {"ln", {R(0)}, R(-kInf)},
        {"log10", {R(1000)}, R(3)},
        {"log2", {R(8)}, R(3)},
        {"logn", {R(9), R(3)}, R(2)},
        {"power", {R(2), R(10)}, R(1024)},
        {"degtorad", {R(180)}, R(kPiF)},
        {"radtodeg", {R(kPiF)}, R(180)},
        {"clamp", {R(5), R(0), R(3)}, R(3)},
        {"clamp", {R(-1), R(0), R(3)}, R(0)},
        {"clamp", {R(2), R(3), R(1)}, R(1)},  // raised to lo, then lowered to hi
        {"clamp", {}, R(0)},
        {"lerp", {R(10), R(20), R(0.25)}, R(12.5)},
        {"lerp", {R(10), R(20)}, R(0)},
    });
}

TEST_F(MathTest, TrigonometryIsSinglePrecisionAndSnapsToZero) {
    RunTable({
        {"sin", {R(kPi)}, R(0)},
        {"cos", {R(kPi)}, R(-1)},
        {"cos", {R(kPi / 2)}, R(0)},
        {"sin", {R(0.5)}, R(0.4794255495071411)},  // the float result, not 0.479425538604203
        {"tan", {R(0)}, R(0)},
        {"sin", {R(kInf)}, R(kNaN)},
        {"arctan", {R(1)}, R(0.7853981852531433)},
        {"arctan2", {R(1), R(0)}, R(kHalfPiF)},
        {"arctan2", {R(0), R(-1)}, R(kPiF)},
        {"arcsin", {R(1)}, R(kHalfPiF)},
        {"arcsin", {R(1.00000001)}, R(kHalfPiF)},  // 1 as a float: in range
        {"arccos", {R(1)}, R(0)},
        {"arcsin", {R(2)}, R(0), "Error in function arcsin()."},
        {"arccos", {R(-1.5)}, R(0), "Error in function arccos()."},
        {"arccos", {R(kNaN)}, R(0), "Error in function arccos()."},
    });
}

TEST_F(MathTest, Aggregates) {
    RunTable({
        {"min", {R(3), R(1), R(2)}, R(1)},
        {"max", {R(3), R(1), R(5), R(2)}, R(5)},
        {"min", {}, R(0)},
        {"max", {R(kNaN), R(1)}, R(kNaN)},  // NaN never loses from the first place...
        {"max", {R(1), R(kNaN)}, R(1)},     // ...and never wins from a later one
        {"min", {R(1), S("a")}, R(0), "Error min(): illegal argument; strings not permitted"},
        {"max", {S("9")}, R(0), "Error max(): illegal argument; strings not permitted"},
        {"min3", {R(4), R(2), R(9)}, R(2)},
        {"max3", {R(4), R(2), R(9)}, R(9)},
        {"mean", {R(1), R(2), R(3), R(4)}, R(2.5)},
        {"mean", {}, R(0)},
        {"mean", {S("5"), R(1)}, R(0.5)},            // a text counts by its real, 0
        {"median", {R(3), R(1), R(2), R(4)}, R(3)},  // the upper median
        {"median", {R(5)}, R(5)},
        {"median", {R(1), R(1), R(2)}, R(1)},
        {"median", {}, R(0)},
        // Values at or above 2147483647 all rank as that and keep argument order.
        {"median", {R(2147483649.0), R(2147483648.0), R(1)}, R(2147483649.0)},
    });
}

TEST_F(MathTest, Geometry) {
    RunTable({
        {"point_distance", {R(0), R(0), R(3), R(4)}, R(5)},
        {"point_distance", {R(0.1), R(0), R(0), R(0)}, R(0.10000000149011612)},
        {"point_distance_3d", {R(1), R(2), R(3), R(4), R(6), R(15)}, R(13)},
        {"point_direction", {R(0), R(0), R(0), R(10)}, R(270)},
        {"point_direction", {R(0), R(0), R(0), R(-5)}, R(90)},
        {"point_direction", {R(0), R(0), R(0), R(0)}, R(0)},
        {"point_direction", {R(0), R(0), R(10), R(-10)}, R(45)},
        {"point_direction", {R(0), R(0), R(10), R(10)}, R(315)},
        {"point_direction", {R(0), R(0), R(-10), R(0)}, R(180)},
        {"point_direction", {R(0), R(0), R(10), R(0)}, R(0)},
        {"lengthdir_x", {R(10), R(90)}, R(0)},
        {"lengthdir_y", {R(10), R(90)}, R(-10)},
        {"lengthdir_x", {R(10), R(0)}, R(10)},
        {"lengthdir_y", {R(10), R(180)}, R(0)},
        {"lengthdir_x", {R(5), R(60)}, R(2.499999761581421)},  // fraction too big to snap
        {"lengthdir_x", {R(3), R(45)}, R(2.1213202476501465)},
        {"dot_product", {R(1), R(2), R(3), R(4)}, R(11)},
        {"dot_product_3d", {R(1), R(2), R(3), R(4), R(5), R(6)}, R(32)},
        {"dot_product_normalised", {R(2), R(0), R(0), R(5)}, R(0)},
        {"dot_product_normalised", {R(3), R(0), R(-2), R(0)}, R(-1)},
        {"dot_product_normalised", {R(0), R(0), R(1), R(1)}, R(0)},  // no direction
        {"dot_product_3d_normalised", {R(1), R(1), R(0), R(1), R(0), R(0)}, R(1 / 1.4142135381698608)},
        // Bytecode is not checked against the registered counts: missing arguments are 0.
        {"point_direction", {}, R(0)},
        {"lengthdir_x", {}, R(0)},
        {"arctan2", {}, R(0)},
    });
}

}  // namespace
