#pragma once
// surface_* and draw_surface*: creating, targeting, reading, copying and drawing
// surfaces, and the sprites and backgrounds made from them.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kSurfaceFunctions[];
extern const size_t kSurfaceFunctionCount;
