#include "graphics/bmp.h"

#include <cstddef>

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

}  // namespace

std::vector<uint8_t> Bmp_Encode24(const uint32_t* pixels, int w, int h) {
    if (!pixels || w <= 0 || h <= 0) return {};
    const uint64_t rowBytes = (uint64_t(w) * 3 + 3) / 4 * 4;
    const uint64_t imageBytes = rowBytes * uint64_t(h);
    if (imageBytes + 54 > 0x7FFFFFFFu) return {};
    std::vector<uint8_t> b;
    b.reserve(size_t(imageBytes) + 54);
    b.push_back('B');
    b.push_back('M');
    Put32(b, uint32_t(imageBytes + 54));
    Put16(b, 0);
    Put16(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));  // positive: rows bottom-up
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);  // no compression
    Put32(b, uint32_t(imageBytes));
    for (int i = 0; i < 4; ++i) Put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        const uint32_t* row = pixels + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            b.push_back(uint8_t(row[x]));
            b.push_back(uint8_t(row[x] >> 8));
            b.push_back(uint8_t(row[x] >> 16));
        }
        for (uint64_t p = uint64_t(w) * 3; p < rowBytes; ++p) b.push_back(0);
    }
    return b;
}
