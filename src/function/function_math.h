#pragma once
// Type tests, random numbers, rounding, arithmetic, trigonometry, aggregates and
// planar / spatial geometry.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kMathFunctions[];
extern const size_t kMathFunctionCount;
