#pragma once
// The 3-D functions: d3d_start/d3d_end and the 3-D state, projections, the world
// transform and its stack, lights, primitives, shapes and models (d3d_*).
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kD3DFunctions[];
extern const size_t kD3DFunctionCount;
