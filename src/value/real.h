#pragma once
// Rules for reals that the machine and the tree interpreter share.
#include <cmath>
#include <cstdint>

// Reals compare through their difference d: equal when |d| < kRealTolerance, less when
// d < -kRealTolerance, greater when d > kRealTolerance; exactly kRealTolerance apart
// they are neither equal nor unequal.
constexpr double kRealTolerance = 1e-5;

// Whether a real divisor counts as zero for division and integer division.
inline bool Real_IsZeroDivisor(double v) { return std::fabs(v) < 1e-10; }

// The floating remainder (sign of the left operand, NaN for a zero divisor). Whole
// numbers below 2^53 divide exactly as 64-bit integers, which is far faster than fmod
// and gives the same real, down to the sign of a zero result.
inline double Real_Remainder(double x, double y) {
    constexpr double kExact = 9007199254740992.0;  // 2^53
    if (std::fabs(x) < kExact && std::fabs(y) < kExact) {
        const int64_t xi = static_cast<int64_t>(x);
        const int64_t yi = static_cast<int64_t>(y);
        if (yi != 0 && static_cast<double>(xi) == x && static_cast<double>(yi) == y) {
            const int64_t r = xi % yi;
            return r != 0 ? static_cast<double>(r) : std::copysign(0.0, x);
        }
    }
    return std::fmod(x, y);
}
