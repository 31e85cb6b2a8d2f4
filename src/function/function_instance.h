#pragma once
// instance_* and object_*: instances and objects as a whole.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kInstanceFunctions[];
extern const size_t kInstanceFunctionCount;
