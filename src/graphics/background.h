#pragma once
#include <cstdint>
#include <string>

class CBackground {
public:
    std::string name;
    bool transparent = false, smooth = false, preload = false;
    uint32_t entryOffset = 0;  // texture-page entry, 0 for none
    int width = 0, height = 0;
};
