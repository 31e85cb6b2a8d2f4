#pragma once
// The picture options of the functions that make sprites from files, the screen or a
// surface, as their arguments give them.
#include "graphics/sprite_create.h"
#include "value/value.h"

// The short forms take (remove background, smooth) from argument `at` on.
CPictureOptions PictureOptions_Short(int argc, const CValue* args, int at);
// The long forms take (precise, transparent, smooth, preload), where transparent also
// removes the background.
CPictureOptions PictureOptions_Long(int argc, const CValue* args, int at);
