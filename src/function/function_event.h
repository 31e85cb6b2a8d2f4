#pragma once
// event_* and timeline_*: performing events from code, and the time line table.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kEventFunctions[];
extern const size_t kEventFunctionCount;
