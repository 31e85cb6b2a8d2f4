#pragma once
// Debug output for game code.
#include <cstddef>

#include "vm/registry.h"

// show_debug_message
extern const FunctionImpl kDebugFunctions[];
extern const size_t kDebugFunctionCount;
