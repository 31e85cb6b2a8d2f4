#pragma once
// 32-bit pictures in memory, and reading and writing image files.
//
// Pixels are 0xAARRGGBB, rows top first, no padding: the layout textures take.
// Sizes are limited so that no picture a file or a script asks for can make the
// size arithmetic overflow or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The largest side, and the most pixels, of one picture (8192 x 8192: a texture holds
// no more; a side may be longer for strips written to files).
constexpr int kBitmapMaxSide = 1 << 16;
constexpr int64_t kBitmapMaxPixels = int64_t(1) << 26;

class CBitmap32 {
public:
    CBitmap32() = default;
    // A picture filled with `fill`; empty when the size is not usable.
    CBitmap32(int width, int height, uint32_t fill = 0);

    static bool SizeUsable(int64_t width, int64_t height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return pixels_.empty(); }
    uint32_t* Pixels() { return pixels_.data(); }
    const uint32_t* Pixels() const { return pixels_.data(); }

    // 0 (transparent black) outside the picture; writes outside are dropped.
    uint32_t At(int x, int y) const;
    void Set(int x, int y, uint32_t argb);

    // A w x h cut whose top-left is (x, y); pixels outside this picture come out 0.
    CBitmap32 Crop(int x, int y, int w, int h) const;
    // Nearest-pixel scaling to w x h.
    CBitmap32 Resized(int w, int h) const;
    // Copies `src` with its top-left at (x, y), clipped.
    void Paste(const CBitmap32& src, int x, int y);

    // Every pixel of the bottom-left pixel's colour (alpha ignored) becomes fully
    // transparent; the colour is kept, so filtering does not darken the edges.
    void RemoveBackground();
    // Softens the edges of the visible part: a visible pixel with v of its eight
    // neighbours visible keeps (8 + v) / 16 of its alpha, so inner pixels stay as they
    // are and a lone pixel keeps half. Neighbours outside the picture count as
    // visible, so the picture's own border stays hard.
    void SmoothEdges();
    // The tightest box around the pixels whose alpha is above `tolerance`; false (box
    // untouched) when there is none.
    bool OpaqueBox(int& left, int& top, int& right, int& bottom, int tolerance = 0) const;

    // R, G, B, A bytes per pixel, and back.
    std::vector<uint8_t> ToRGBA() const;
    static CBitmap32 FromRGBA(int width, int height, const uint8_t* rgba);
    // Takes over w x h pixels; empty when the count does not match the size.
    static CBitmap32 FromPixels(int width, int height, std::vector<uint32_t> pixels);

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

// Decodes an image file held in memory: PNG, JPEG, BMP or GIF, told apart by their
// first bytes. An animated GIF gives one picture per frame, everything else one.
// False, with `frames` empty, when the bytes are no readable picture or it is too big.
bool Bitmap_Decode(const uint8_t* data, size_t size, std::vector<CBitmap32>& frames);
// The same for a file; false when it cannot be read.
bool Bitmap_LoadFile(const std::string& path, std::vector<CBitmap32>& frames);

// A 32-bit PNG of the picture; empty on failure.
std::vector<uint8_t> Bitmap_EncodePng(const CBitmap32& bitmap);
// Writes the PNG to `path`. On failure logs the reason and leaves no partial file.
bool Bitmap_SavePng(const CBitmap32& bitmap, const std::string& path);
