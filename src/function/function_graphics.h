#pragma once
// The drawing state, clearing, reading the screen back, textures, the display and the
// game window: draw_set_*, draw_clear*, draw_getpixel, screen_save*, texture_*,
// display_* and window_*.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kGraphicsFunctions[];
extern const size_t kGraphicsFunctionCount;

// A point in window client pixels to the room, through the application surface's
// placement and the view under it (the first visible view when none is; the whole
// room without views).
void Graphics_WindowToRoom(double windowX, double windowY, double& roomX, double& roomY);
