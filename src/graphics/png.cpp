#include "graphics/png.h"

#include <png.h>

#include <cstring>

namespace {
// libpng's own limit for a row and a sane cap on the whole image, so that the size
// arithmetic below never overflows.
constexpr int kMaxSide = 1 << 16;
}  // namespace

std::vector<uint8_t> Png_EncodeRGBA(int w, int h, const uint8_t* rgba) {
    if (rgba == nullptr || w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return {};

    // The simplified write interface reports failure by return value, so no
    // setjmp/longjmp crosses our frames.
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(w);
    image.height = png_uint_32(h);
    image.format = PNG_FORMAT_RGBA;

    const png_int_32 stride = png_int_32(w) * 4;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgba, stride, nullptr) || size == 0) {
        png_image_free(&image);
        return {};
    }
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba, stride, nullptr)) {
        png_image_free(&image);
        return {};
    }
    png_image_free(&image);
    out.resize(size);
    return out;
}
