#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/bitmap.h"

class CSprite {
public:
    std::string name;
    int width = 0, height = 0;
    int bboxLeft = 0, bboxRight = 0, bboxBottom = 0, bboxTop = 0;
    bool transparent = false, smooth = false, preload = false;
    int bboxMode = 0;
    bool precise = false;
    int xorigin = 0, yorigin = 0;
    // Frames: the texture-page entry offsets, kept where they lie in the block.
    uint32_t framesOffset = 0;
    uint32_t frameCount = 0;
    // Collision masks unpacked to one byte per pixel (1 solid), width * height each.
    std::vector<std::vector<uint8_t>> masks;
    bool separateMasks = false;
    int radius = 0;

    // Sprites made at run time keep their frames as pictures, each drawn from a texture
    // of its own (-1 until one exists). Data-file sprites have neither.
    std::vector<CBitmap32> bitmaps;
    std::vector<int> textures;

    bool FromDataFile() const { return framesOffset != 0; }

    // The farthest frame corner from the origin, each distance rounded up, so that
    // culling never drops a sprite whose last pixel could still show.
    void ComputeRadius() {
        double r = 0;
        for (int cx : {0, width})
            for (int cy : {0, height})
                r = std::max(r, std::ceil(std::hypot(double(cx) - xorigin, double(cy) - yorigin)));
        radius = r < 2147483647.0 ? int(r) : 2147483647;
    }
};
