#pragma once
// room_*, game_end and game_restart: the room tables and room changes.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kRoomFunctions[];
extern const size_t kRoomFunctionCount;
