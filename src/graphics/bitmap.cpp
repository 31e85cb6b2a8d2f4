#include "graphics/bitmap.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "graphics/png.h"
#include "platform/console.h"

namespace {

// Image files larger than this are not pictures a game loads at run time.
constexpr long kMaxFileBytes = 256L << 20;

uint32_t FromBytes(const uint8_t* p) {
    return uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
}

struct StbFree {
    void operator()(void* p) const { stbi_image_free(p); }
};

bool StartsWith(const uint8_t* data, size_t size, const char* magic, size_t n) {
    return size >= n && std::memcmp(data, magic, n) == 0;
}

bool DecodePng(const uint8_t* data, size_t size, std::vector<CBitmap32>& frames) {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;
    if (!Png_DecodeRGBA(data, size, w, h, rgba) || !CBitmap32::SizeUsable(w, h)) return false;
    frames.push_back(CBitmap32::FromRGBA(w, h, rgba.data()));
    return true;
}

struct TGifBlocks {
    int64_t pictures = 0;   // image descriptors
    int64_t dataBytes = 0;  // the compressed picture data of all of them
};

// What stb_image's GIF reader can take from the file, at most: the blocks are walked the
// way that reader walks them (it stops at an unknown block or the end of the data, and
// goes on right after a graphic control block of another length than 4), counting image
// descriptors and their data. The reader keeps every picture it decodes in one buffer,
// so what they take together is known, and refused, before any is decoded.
TGifBlocks GifBlocks(const uint8_t* data, size_t size) {
    constexpr size_t kHeader = 6 + 7;  // signature, screen descriptor
    TGifBlocks blocks;
    if (size < kHeader) return blocks;
    size_t at = kHeader;
    auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
    auto skip = [&](size_t n) { at = n < size - at ? at + n : size; };
    auto skipColourTable = [&](uint8_t flags) {
        if (flags & 0x80) skip(size_t(3) << ((flags & 7) + 1));
    };
    // The bytes of the sub-blocks skipped, as far as the file holds them.
    auto skipSubBlocks = [&] {
        int64_t bytes = 0;
        while (const uint8_t len = byte()) {
            const size_t from = at;
            skip(len);
            bytes += int64_t(at - from);
        }
        return bytes;
    };
    skipColourTable(data[10]);
    for (;;) {
        switch (byte()) {
        case 0x2C:  // image descriptor: position and size, flags, colours, LZW data
            skip(8);
            skipColourTable(byte());
            skip(1);
            blocks.dataBytes += skipSubBlocks();
            ++blocks.pictures;
            break;
        case 0x21:  // extension
            if (byte() == 0xF9) {
                const uint8_t len = byte();
                skip(len);
                if (len != 4) break;
            }
            skipSubBlocks();
            break;
        default: return blocks;
        }
    }
}

// JPEG, BMP and GIF go through stb_image. Its header is read first so that a file
// cannot make it allocate a picture larger than we accept.
bool DecodeStb(const uint8_t* data, size_t size, bool gif, std::vector<CBitmap32>& frames) {
    if (size > size_t(INT_MAX)) return false;
    const int len = int(size);
    int w = 0, h = 0, comp = 0;
    if (!stbi_info_from_memory(data, len, &w, &h, &comp) || !CBitmap32::SizeUsable(w, h)) return false;
    if (gif) {
        const TGifBlocks blocks = GifBlocks(data, size);
        const int64_t screen = int64_t(w) * h;
        if (screen * blocks.pictures > 4 * kBitmapMaxPixels) return false;
        // The reader allocates the whole screen three times over before it reads any
        // data, whatever the data holds. One LZW code (at least one bit) paints at most
        // 4096 pixels, so a screen larger than all the data could paint is refused past
        // a small size: 55 bytes claiming 4100 x 14083 pixels took over 700 MB.
        constexpr int64_t kScreenAlwaysAllowed = int64_t(1) << 20;
        constexpr int64_t kPixelsPerDataByte = 8 * 4096;
        if (screen > kScreenAlwaysAllowed && screen > blocks.dataBytes * kPixelsPerDataByte) return false;
        int* delays = nullptr;
        int z = 0;
        std::unique_ptr<stbi_uc, StbFree> pixels(stbi_load_gif_from_memory(data, len, &delays, &w, &h, &z, &comp, 4));
        std::unique_ptr<int, StbFree> keepDelays(delays);
        if (!pixels || z <= 0 || !CBitmap32::SizeUsable(w, h) || int64_t(w) * h * z > 4 * kBitmapMaxPixels)
            return false;
        const size_t frameBytes = size_t(w) * size_t(h) * 4;
        for (int k = 0; k < z; ++k) frames.push_back(CBitmap32::FromRGBA(w, h, pixels.get() + frameBytes * size_t(k)));
        return true;
    }
    std::unique_ptr<stbi_uc, StbFree> pixels(stbi_load_from_memory(data, len, &w, &h, &comp, 4));
    if (!pixels || !CBitmap32::SizeUsable(w, h)) return false;
    frames.push_back(CBitmap32::FromRGBA(w, h, pixels.get()));
    return true;
}

}  // namespace

bool CBitmap32::SizeUsable(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kBitmapMaxSide && height <= kBitmapMaxSide &&
           width * height <= kBitmapMaxPixels;
}

CBitmap32::CBitmap32(int width, int height, uint32_t fill) {
    if (!SizeUsable(width, height)) return;
    width_ = width;
    height_ = height;
    pixels_.assign(size_t(width) * size_t(height), fill);
}

uint32_t CBitmap32::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

void CBitmap32::Set(int x, int y, uint32_t argb) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[size_t(y) * size_t(width_) + size_t(x)] = argb;
}

CBitmap32 CBitmap32::Crop(int x, int y, int w, int h) const {
    CBitmap32 out(w, h);
    if (out.Empty()) return out;
    // Coordinates far outside (a script's numbers) must not overflow on the way.
    for (int j = 0; j < h; ++j) {
        const int64_t sy = int64_t(y) + j;
        if (sy < 0 || sy >= height_) continue;
        for (int i = 0; i < w; ++i) {
            const int64_t sx = int64_t(x) + i;
            if (sx >= 0 && sx < width_) out.pixels_[size_t(j) * size_t(w) + size_t(i)] = At(int(sx), int(sy));
        }
    }
    return out;
}

CBitmap32 CBitmap32::Resized(int w, int h) const {
    CBitmap32 out(w, h);
    if (out.Empty() || Empty()) return out;
    for (int j = 0; j < h; ++j) {
        const int sy = int(int64_t(j) * height_ / h);
        for (int i = 0; i < w; ++i)
            out.pixels_[size_t(j) * size_t(w) + size_t(i)] = At(int(int64_t(i) * width_ / w), sy);
    }
    return out;
}

void CBitmap32::Paste(const CBitmap32& src, int x, int y) {
    for (int j = 0; j < src.height_; ++j) {
        const int64_t ty = int64_t(y) + j;
        if (ty < 0 || ty >= height_) continue;
        for (int i = 0; i < src.width_; ++i) {
            const int64_t tx = int64_t(x) + i;
            if (tx >= 0 && tx < width_) Set(int(tx), int(ty), src.pixels_[size_t(j) * size_t(src.width_) + size_t(i)]);
        }
    }
}

void CBitmap32::RemoveBackground() {
    if (Empty()) return;
    const uint32_t key = At(0, height_ - 1) & 0xFFFFFF;
    for (uint32_t& p : pixels_)
        if ((p & 0xFFFFFF) == key) p &= 0xFFFFFF;
}

void CBitmap32::SmoothEdges() {
    if (Empty()) return;
    const std::vector<uint32_t> source = pixels_;
    auto visible = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return true;
        return (source[size_t(y) * size_t(width_) + size_t(x)] >> 24) != 0;
    };
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            uint32_t& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
            if ((p >> 24) == 0) continue;
            int shown = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx || dy) && visible(x + dx, y + dy)) ++shown;
            if (shown == 8) continue;
            const uint32_t alpha = (p >> 24) * uint32_t(8 + shown) / 16;
            p = (p & 0xFFFFFF) | alpha << 24;
        }
}

bool CBitmap32::OpaqueBox(int& left, int& top, int& right, int& bottom, int tolerance) const {
    int l = width_, t = height_, r = -1, b = -1;
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = pixels_.data() + size_t(y) * size_t(width_);
        for (int x = 0; x < width_; ++x) {
            if (int(row[x] >> 24) <= tolerance) continue;
            l = std::min(l, x);
            r = std::max(r, x);
            t = std::min(t, y);
            b = std::max(b, y);
        }
    }
    if (r < 0) return false;
    left = l;
    top = t;
    right = r;
    bottom = b;
    return true;
}

std::vector<uint8_t> CBitmap32::ToRGBA() const {
    std::vector<uint8_t> out(pixels_.size() * 4);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        const uint32_t p = pixels_[i];
        out[i * 4 + 0] = uint8_t(p >> 16);
        out[i * 4 + 1] = uint8_t(p >> 8);
        out[i * 4 + 2] = uint8_t(p);
        out[i * 4 + 3] = uint8_t(p >> 24);
    }
    return out;
}

CBitmap32 CBitmap32::FromRGBA(int width, int height, const uint8_t* rgba) {
    CBitmap32 out(width, height);
    if (out.Empty() || rgba == nullptr) return CBitmap32();
    for (size_t i = 0; i < out.pixels_.size(); ++i) out.pixels_[i] = FromBytes(rgba + i * 4);
    return out;
}

CBitmap32 CBitmap32::FromPixels(int width, int height, std::vector<uint32_t> pixels) {
    CBitmap32 out;
    if (!SizeUsable(width, height) || pixels.size() != size_t(width) * size_t(height)) return out;
    out.width_ = width;
    out.height_ = height;
    out.pixels_ = std::move(pixels);
    return out;
}

bool Bitmap_Decode(const uint8_t* data, size_t size, std::vector<CBitmap32>& frames) {
    frames.clear();
    if (data == nullptr || size == 0) return false;
    static const char kPng[] = "\x89PNG\r\n\x1a\n";
    bool ok = false;
    if (StartsWith(data, size, kPng, 8)) ok = DecodePng(data, size, frames);
    else if (StartsWith(data, size, "GIF8", 4)) ok = DecodeStb(data, size, true, frames);
    else if (StartsWith(data, size, "\xFF\xD8\xFF", 3) || StartsWith(data, size, "BM", 2))
        ok = DecodeStb(data, size, false, frames);
    if (!ok) frames.clear();
    return ok;
}

bool Bitmap_LoadFile(const std::string& path, std::vector<CBitmap32>& frames) {
    frames.clear();
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rbe"), &std::fclose);
    if (!f) return false;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0) {
        if (bytes.size() + n > size_t(kMaxFileBytes)) return false;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    if (std::ferror(f.get())) return false;
    return Bitmap_Decode(bytes.data(), bytes.size(), frames);
}

std::vector<uint8_t> Bitmap_EncodePng(const CBitmap32& bitmap) {
    if (bitmap.Empty()) return {};
    const std::vector<uint8_t> rgba = bitmap.ToRGBA();
    return Png_EncodeRGBA(bitmap.Width(), bitmap.Height(), rgba.data());
}

bool Bitmap_SavePng(const CBitmap32& bitmap, const std::string& path) {
    // Encoded in memory first, so that a failing encoder never leaves half a file.
    const std::vector<uint8_t> png = Bitmap_EncodePng(bitmap);
    if (png.empty()) {
        Console().Output("[write_png_file] Error during writing header\n");
        return false;
    }
    FILE* f = std::fopen(path.c_str(), "wbe");
    if (!f) {
        Console().Output("[write_png_file] File %s could not be opened for writing\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        Console().Output("[write_png_file] Error during writing bytes\n");
        std::remove(path.c_str());
        return false;
    }
    return true;
}
