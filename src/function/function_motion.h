#pragma once
// motion_*, move_*, place_*, position_*, collision_*, distance_to_* and the instance
// searches by place: how scripts move instances and ask what they meet.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kMotionFunctions[];
extern const size_t kMotionFunctionCount;
