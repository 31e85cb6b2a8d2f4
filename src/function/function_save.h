#pragma once
// game_save / game_load and the high-score table's functions.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kSaveFunctions[];
extern const size_t kSaveFunctionCount;
