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

// Reads the header into `image`, with our limits on the size. False (with `image` freed)
// for what the decoder refuses or the limits do.
bool BeginRead(png_image& image, const uint8_t* png, size_t size) {
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, png, size) && image.width != 0 && image.height != 0 &&
        image.width <= png_uint_32(kMaxSide) && image.height <= png_uint_32(kMaxSide) &&
        uint64_t(image.width) * image.height <= kMaxDecodedPixels)
        return true;
    png_image_free(&image);
    return false;
}

// Decodes into `out` (resized to the picture) in the simplified reader's `format`.
template <typename Pixel>
bool DecodeAs(const uint8_t* png, size_t size, png_uint_32 format, int& w, int& h, std::vector<Pixel>& out) {
    w = h = 0;
    out.clear();
    if (png == nullptr || size == 0) return false;

    png_image image;
    if (!BeginRead(image, png, size)) return false;
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

bool Png_ReadSize(const uint8_t* png, size_t size, int& w, int& h) {
    w = h = 0;
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png == nullptr || size < 8 || std::memcmp(png, kSignature, 8) != 0) return false;
    // Length, type, data, CRC: a cut file or a damaged length runs past the end here.
    size_t at = 8;
    for (bool first = true;; first = false) {
        if (size - at < 12) return false;
        const uint8_t* c = png + at;
        const uint32_t length = uint32_t(c[0]) << 24 | uint32_t(c[1]) << 16 | uint32_t(c[2]) << 8 | c[3];
        if (length > 0x7FFFFFFFu || size - at - 12 < length) return false;
        if (first && std::memcmp(c + 4, "IHDR", 4) != 0) return false;
        at += 12 + size_t(length);
        if (std::memcmp(c + 4, "IEND", 4) == 0) break;
    }
    png_image image;
    if (!BeginRead(image, png, size)) return false;
    w = int(image.width);
    h = int(image.height);
    png_image_free(&image);
    return true;
}
