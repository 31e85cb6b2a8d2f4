#pragma once
// draw_background* and background_*: drawing backgrounds and the background resources.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kBackgroundFunctions[];
extern const size_t kBackgroundFunctionCount;
