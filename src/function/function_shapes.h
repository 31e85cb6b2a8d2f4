#pragma once
// Shapes and the free-form primitive: draw_rectangle*, draw_roundrect*, draw_circle*,
// draw_ellipse*, draw_set_circle_precision, the *_color forms of points, lines and
// triangles, draw_arrow, draw_button, draw_healthbar, draw_primitive_* and draw_vertex*.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kShapeFunctions[];
extern const size_t kShapeFunctionCount;
