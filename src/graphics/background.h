#pragma once
#include <cstdint>
#include <string>

#include "graphics/bitmap.h"

class CBackground {
public:
    std::string name;
    bool transparent = false, smooth = false, preload = false;
    uint32_t entryOffset = 0;  // texture-page entry, 0 for none
    int width = 0, height = 0;

    // Backgrounds made at run time: the picture and its texture (-1 until one exists).
    CBitmap32 bitmap;
    int texture = -1;
};
