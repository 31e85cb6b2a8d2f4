#pragma once
// Uncompressed 24-bit BMP files, the form screen_save writes.
#include <cstdint>
#include <vector>

// pixels: w x h, 0xAARRGGBB, top row first. The file: a 14-byte file header, a
// 40-byte information header, then the rows bottom-up as blue, green, red, each row
// padded with zeros to a multiple of 4 bytes. Empty for a size that is not positive
// or too large for the format's 32-bit sizes.
std::vector<uint8_t> Bmp_Encode24(const uint32_t* pixels, int w, int h);
