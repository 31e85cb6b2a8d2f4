#include "pack/image.h"

#include <cstring>

#include "graphics/png.h"
#include "platform/file.h"

uint32_t CImage::Pixel(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, &rgba_[(size_t(y) * size_t(width_) + size_t(x)) * 4], 4);
    return v;
}

void CImage::SetPixel(int x, int y, uint32_t abgr) {
    std::memcpy(&rgba_[(size_t(y) * size_t(width_) + size_t(x)) * 4], &abgr, 4);
}

CImage CImage::Crop(const CRect& r) const {
    CImage out(r.w, r.h);
    out.Blit(*this, r, 0, 0);
    return out;
}

void CImage::Blit(const CImage& src, const CRect& r, int x, int y) {
    for (int row = 0; row < r.h; ++row)
        std::memcpy(&rgba_[(size_t(y + row) * size_t(width_) + size_t(x)) * 4],
                    &src.rgba_[(size_t(r.y + row) * size_t(src.width_) + size_t(r.x)) * 4], size_t(r.w) * 4);
}

bool Image_LoadPng(const std::string& path, CImage& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!File_ReadWhole(path, bytes, error)) return false;
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    if (!Png_DecodeRGBA(bytes.data(), bytes.size(), w, h, rgba)) {
        error = "not a PNG picture that can be read (or larger than 8192 by 8192)";
        return false;
    }
    out = CImage(w, h, std::move(rgba));
    return true;
}

CRect Image_OpaqueBounds(const CImage& image, uint8_t tolerance) {
    int left = image.Width(), top = image.Height(), right = -1, bottom = -1;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (image.Alpha(x, y) > tolerance) {
                if (x < left) left = x;
                if (x > right) right = x;
                if (y < top) top = y;
                if (y > bottom) bottom = y;
            }
    if (right < 0) return CRect{};
    return CRect{left, top, right - left + 1, bottom - top + 1};
}
