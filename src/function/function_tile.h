#pragma once
// tile_* on the running room's tiles, and the room_* functions that change a room
// definition's tiles, background slots and views.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kTileFunctions[];
extern const size_t kTileFunctionCount;
