#pragma once
// PNG encoding and decoding of 32-bit pixels, in memory.
#include <cstddef>
#include <cstdint>
#include <vector>

// rgba: h rows of w pixels, 4 bytes each (R, G, B, A), top row first.
// Returns the PNG file's bytes, or an empty vector when the size is not usable
// (w or h not positive, too large) or the encoder fails.
std::vector<uint8_t> Png_EncodeRGBA(int w, int h, const uint8_t* rgba);

// Decodes a PNG file held in memory into rgba (h rows of w pixels, R, G, B, A, top row
// first), whatever its colour type. False, leaving the outputs empty, when the bytes
// are not a readable PNG or the picture is larger than the encoder accepts.
bool Png_DecodeRGBA(const uint8_t* png, size_t size, int& w, int& h, std::vector<uint8_t>& rgba);
// The same as 0xAARRGGBB words, with no copy to reorder the channels.
bool Png_DecodeARGB32(const uint8_t* png, size_t size, int& w, int& h, std::vector<uint32_t>& pixels);

// The size of a PNG file held in memory without decoding its pixels: the signature, the
// chunk layout from the header to IEND (each chunk whole inside `size`) and what the
// decoder reads before the first image data (header, palette, their CRCs) are checked,
// with the decoder's own limits on the size. False for anything the decoder would refuse
// that far; damage inside the compressed image data only shows when it is decoded.
bool Png_ReadSize(const uint8_t* png, size_t size, int& w, int& h);
