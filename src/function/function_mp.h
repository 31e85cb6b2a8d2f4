#pragma once
// mp_*: straight-line and potential-field stepping towards a goal, the routes they
// would take stored as paths, and grids of cells with their route search.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kMpFunctions[];
extern const size_t kMpFunctionCount;
