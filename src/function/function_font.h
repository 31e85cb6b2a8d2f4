#pragma once
// draw_text*, string_width/height*, draw_set_font/halign/valign and font_*: text and
// the font resources.
#include <cstddef>

#include "vm/registry.h"

extern const FunctionImpl kFontFunctions[];
extern const size_t kFontFunctionCount;
