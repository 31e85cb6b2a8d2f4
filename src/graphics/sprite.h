#pragma once
#include <cstdint>
#include <string>
#include <vector>

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
};
