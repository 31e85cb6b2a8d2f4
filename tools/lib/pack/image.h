#pragma once
// 32-bit pictures as the packer handles them: read from PNG, trimmed, copied onto
// texture pages.
#include <cstdint>
#include <string>
#include <vector>

struct CRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Empty() const { return w <= 0 || h <= 0; }
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
};

class CImage {
public:
    CImage() = default;
    CImage(int w, int h) : width_(w), height_(h), rgba_(size_t(w) * size_t(h) * 4, 0) {}
    CImage(int w, int h, std::vector<uint8_t> rgba) : width_(w), height_(h), rgba_(std::move(rgba)) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }
    const std::vector<uint8_t>& Pixels() const { return rgba_; }

    // The pixel as 0xAABBGGRR (R in the low byte, as the bytes lie in memory).
    uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, uint32_t abgr);
    uint8_t Alpha(int x, int y) const { return rgba_[(size_t(y) * size_t(width_) + size_t(x)) * 4 + 3]; }

    CImage Crop(const CRect& r) const;
    // Copies `r` of `src` so that its top-left lands at (x, y); the caller keeps it inside.
    void Blit(const CImage& src, const CRect& r, int x, int y);

private:
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> rgba_;
};

// Reads a PNG file. False with `error` set (one line) when it cannot.
bool Image_LoadPng(const std::string& path, CImage& out, std::string& error);

// The smallest rectangle holding every pixel whose alpha is above `tolerance`;
// an empty rectangle when there is none.
CRect Image_OpaqueBounds(const CImage& image, uint8_t tolerance);
