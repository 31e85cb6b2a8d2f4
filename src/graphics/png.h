#pragma once
// PNG encoding of 32-bit pixels, in memory.
#include <cstdint>
#include <vector>

// rgba: h rows of w pixels, 4 bytes each (R, G, B, A), top row first.
// Returns the PNG file's bytes, or an empty vector when the size is not usable
// (w or h not positive, too large) or the encoder fails.
std::vector<uint8_t> Png_EncodeRGBA(int w, int h, const uint8_t* rgba);
