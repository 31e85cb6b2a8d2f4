#include "graphics/png.h"

#include <png.h>

#include <bit>
#include <cstring>
#include <utility>

namespace {
// libpng's own limit for a row and a sane cap on the whole image, so that the size
// arithmetic below never overflows.
constexpr int kMaxSide = 1 << 16;
// Decoding allocates before it reads a pixel, so a header alone must not be able to
// ask for gigabytes: 8192 x 8192 is the largest picture a texture can hold anyway.
constexpr uint64_t kMaxDecodedPixels = uint64_t(1) << 26;
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

namespace {

// Decodes into `out` (resized to the picture) in the simplified reader's `format`.
template <typename Pixel>
bool DecodeAs(const uint8_t* png, size_t size, png_uint_32 format, int& w, int& h, std::vector<Pixel>& out) {
    w = h = 0;
    out.clear();
    if (png == nullptr || size == 0) return false;

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png, size)) {
        png_image_free(&image);
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > png_uint_32(kMaxSide) ||
        image.height > png_uint_32(kMaxSide) || uint64_t(image.width) * image.height > kMaxDecodedPixels) {
        png_image_free(&image);
        return false;
    }
    image.format = format;
    std::vector<Pixel> pixels(size_t(image.width) * image.height * 4 / sizeof(Pixel));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), png_int_32(image.width) * 4, nullptr)) {
        png_image_free(&image);
        return false;
    }
    png_image_free(&image);
    w = int(image.width);
    h = int(image.height);
    out = std::move(pixels);
    return true;
}

}  // namespace

bool Png_DecodeRGBA(const uint8_t* png, size_t size, int& w, int& h, std::vector<uint8_t>& rgba) {
    return DecodeAs(png, size, PNG_FORMAT_RGBA, w, h, rgba);
}

bool Png_DecodeARGB32(const uint8_t* png, size_t size, int& w, int& h, std::vector<uint32_t>& pixels) {
    // B, G, R, A in memory is 0xAARRGGBB read as a little-endian word.
    static_assert(std::endian::native == std::endian::little);
    return DecodeAs(png, size, PNG_FORMAT_BGRA, w, h, pixels);
}
