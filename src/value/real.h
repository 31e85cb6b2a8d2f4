#pragma once
// Rules for reals that the machine and the tree interpreter share.
#include <cmath>

// Reals compare through their difference d: equal when |d| < kRealTolerance, less when
// d < -kRealTolerance, greater when d > kRealTolerance; exactly kRealTolerance apart
// they are neither equal nor unequal.
constexpr double kRealTolerance = 1e-5;

// Whether a real divisor counts as zero for division and integer division.
inline bool Real_IsZeroDivisor(double v) { return std::fabs(v) < 1e-10; }
