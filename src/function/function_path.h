#pragma once
// path_*: following, reading, building and changing paths at run time, and draw_path.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kPathFunctions[];
extern const size_t kPathFunctionCount;
