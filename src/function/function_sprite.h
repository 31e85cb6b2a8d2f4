#pragma once
// draw_self, draw_sprite* and sprite_*: drawing sprites and the sprite resources.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kSpriteFunctions[];
extern const size_t kSpriteFunctionCount;
