// Pictures in memory: decoding the image files games load, editing, gradients, PNG out.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/sprite_create.h"
#include "support/process.h"

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A 24-bit BMP (rows bottom up, each padded to 4 bytes) of 0xRRGGBB pixels, top row first.
std::vector<uint8_t> Bmp24(int w, int h, const std::vector<uint32_t>& rgb) {
    const uint32_t row = uint32_t(w * 3 + 3) & ~3u;
    std::vector<uint8_t> b = {'B', 'M'};
    Put32(b, 54 + row * uint32_t(h));
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));
    Put16(b, 1);
    Put16(b, 24);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t p = rgb[size_t(y * w + x)];
            b.push_back(uint8_t(p));
            b.push_back(uint8_t(p >> 8));
            b.push_back(uint8_t(p >> 16));
        }
        for (uint32_t k = uint32_t(w * 3); k < row; ++k) b.push_back(0);
    }
    return b;
}

// A GIF of frames of palette indices (4 colours). Each pixel is coded right after a
// clear code, so the LZW stream needs no dictionary at all.
std::vector<uint8_t> Gif(int w, int h, const uint32_t palette[4], const std::vector<std::vector<uint8_t>>& frames) {
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a'};
    Put16(b, uint16_t(w));
    Put16(b, uint16_t(h));
    b.insert(b.end(), {0x91, 0, 0});
    for (int i = 0; i < 4; ++i)
        b.insert(b.end(), {uint8_t(palette[i] >> 16), uint8_t(palette[i] >> 8), uint8_t(palette[i])});
    for (const auto& frame : frames) {
        b.insert(b.end(), {0x21, 0xF9, 4, 0x04, 10, 0, 0, 0});  // keep the frame, 0.1 s
        b.push_back(0x2C);
        Put16(b, 0);
        Put16(b, 0);
        Put16(b, uint16_t(w));
        Put16(b, uint16_t(h));
        b.push_back(0);
        b.push_back(2);  // minimum code size: 3-bit codes, clear 4, end 5
        std::vector<uint8_t> data;
        uint32_t acc = 0;
        int bits = 0;
        auto code = [&](uint32_t c) {
            acc |= c << bits;
            bits += 3;
            while (bits >= 8) {
                data.push_back(uint8_t(acc));
                acc >>= 8;
                bits -= 8;
            }
        };
        for (uint8_t index : frame) {
            code(4);
            code(index);
        }
        code(5);
        if (bits > 0) data.push_back(uint8_t(acc));
        b.push_back(uint8_t(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        b.push_back(0);
    }
    b.push_back(0x3B);
    return b;
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::vector<uint32_t> PixelsOf(const CBitmap32& b) {
    return std::vector<uint32_t>(b.Pixels(), b.Pixels() + b.Width() * b.Height());
}

TEST(Bitmap, DecodesBmpAndAnimatedGif) {
    std::vector<CBitmap32> frames;
    const std::vector<uint8_t> bmp = Bmp24(3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x102030, 0xFFFFFF, 0x000000});
    ASSERT_TRUE(Bitmap_Decode(bmp.data(), bmp.size(), frames));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(PixelsOf(frames[0]),
              (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF102030, 0xFFFFFFFF, 0xFF000000}));

    const uint32_t palette[4] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    const std::vector<uint8_t> gif = Gif(2, 2, palette, {{1, 2, 3, 1}, {3, 3, 2, 2}});
    ASSERT_TRUE(Bitmap_Decode(gif.data(), gif.size(), frames));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(PixelsOf(frames[0]), (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000}));
    EXPECT_EQ(PixelsOf(frames[1]), (std::vector<uint32_t>{0xFF0000FF, 0xFF0000FF, 0xFF00FF00, 0xFF00FF00}));
}

TEST(Bitmap, RejectsWhatIsNoUsablePicture) {
    std::vector<CBitmap32> frames;
    const std::vector<uint8_t> garbage = {'B', 'M', 1, 2, 3};
    EXPECT_FALSE(Bitmap_Decode(garbage.data(), garbage.size(), frames));
    // A header claiming 100000 x 100000 pixels must not be decoded (nor allocated).
    std::vector<uint8_t> huge = Bmp24(1, 1, {0});
    huge[18] = 0xA0, huge[19] = 0x86, huge[20] = 0x01;  // width 100000
    huge[22] = 0xA0, huge[23] = 0x86, huge[24] = 0x01;  // height 100000
    EXPECT_FALSE(Bitmap_Decode(huge.data(), huge.size(), frames));
    EXPECT_TRUE(frames.empty());
    // An animation whose pictures together pass the limit is refused before any is
    // decoded: eight 2 x 2 pictures on an 8192 x 8192 screen would take 2 GB at once.
    const uint32_t palette[4] = {};
    std::vector<uint8_t> many = Gif(2, 2, palette, std::vector<std::vector<uint8_t>>(8, {0, 1, 2, 3}));
    many[6] = 0x00, many[7] = 0x20, many[8] = 0x00, many[9] = 0x20;
    const long peakBefore = PeakResidentKiB();
    EXPECT_FALSE(Bitmap_Decode(many.data(), many.size(), frames));
    EXPECT_LT(PeakResidentKiB() - peakBefore, 64L << 10) << "KiB taken by a refused animation";
    // A screen far larger than its pictures' data could paint is refused before the
    // reader allocates it: 4 x 4 pixels of data on a 4100 x 14083 screen took 700 MB.
    std::vector<uint8_t> empty = Gif(4, 4, palette, {std::vector<uint8_t>(16, 1)});
    empty[6] = 0x04, empty[7] = 0x10, empty[8] = 0x03, empty[9] = 0x37;
    const long peakBeforeEmpty = PeakResidentKiB();
    EXPECT_FALSE(Bitmap_Decode(empty.data(), empty.size(), frames));
    EXPECT_LT(PeakResidentKiB() - peakBeforeEmpty, 64L << 10) << "KiB taken by a refused screen";
    // The same pictures on a screen the data could fill still decode.
    std::vector<uint8_t> small = Gif(4, 4, palette, {std::vector<uint8_t>(16, 1)});
    small[6] = 0x00, small[7] = 0x02, small[8] = 0x00, small[9] = 0x02;
    ASSERT_TRUE(Bitmap_Decode(small.data(), small.size(), frames));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Width(), 512);
    frames.clear();
    EXPECT_TRUE(CBitmap32(-1, 5).Empty());
    EXPECT_TRUE(CBitmap32(100000, 100000).Empty());
}

TEST(Bitmap, RemoveBackgroundSmoothAndOpaqueBox) {
    // Bottom-left is the background colour; one red pixel in the middle of a 3 x 3.
    CBitmap32 b(3, 3, 0xFF00FF00);
    b.Set(1, 1, 0xFFFF0000);
    b.RemoveBackground();
    EXPECT_EQ(b.At(0, 0), 0x0000FF00u);  // colour kept, alpha gone
    EXPECT_EQ(b.At(1, 1), 0xFFFF0000u);
    int l, t, r, bo;
    ASSERT_TRUE(b.OpaqueBox(l, t, r, bo));
    EXPECT_EQ((std::vector<int>{l, t, r, bo}), (std::vector<int>{1, 1, 1, 1}));

    // The lone pixel keeps half its alpha; a pixel inside a solid block keeps all.
    b.SmoothEdges();
    EXPECT_EQ(b.At(1, 1) >> 24, 127u);
    CBitmap32 solid(3, 3, 0xFF123456);
    solid.SmoothEdges();
    EXPECT_EQ(solid.At(1, 1), 0xFF123456u);
    EXPECT_EQ(solid.At(0, 0), 0xFF123456u);  // the picture's own border is no edge

    CBitmap32 faint(2, 2, 0x10FFFFFF);
    EXPECT_TRUE(faint.OpaqueBox(l, t, r, bo));
    EXPECT_FALSE(faint.OpaqueBox(l, t, r, bo, 0x10));
}

TEST(Bitmap, PngFileRoundTrip) {
    CBitmap32 b(3, 2);
    const uint32_t pixels[6] = {0xFFFF0000, 0x80008000, 0x00000000, 0xFF0000FF, 0x01020304, 0xFFFFFFFF};
    for (int i = 0; i < 6; ++i) b.Set(i % 3, i / 3, pixels[i]);
    const std::string path = TestDirectory("bitmap_png") + "/out.png";
    ASSERT_TRUE(Bitmap_SavePng(b, path));
    std::vector<CBitmap32> back;
    ASSERT_TRUE(Bitmap_LoadFile(path, back));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(PixelsOf(back[0]), PixelsOf(b));
    EXPECT_FALSE(Bitmap_SavePng(b, TestDirectory("bitmap_png") + "/no/such/dir/out.png"));
}

TEST(Bitmap, Gradients) {
    // Colour 1 is red, colour 2 blue (script colours); the pictures are 5 x 3.
    const uint32_t red = 0xFFFF0000, blue = 0xFF0000FF, mid = 0xFF800080;
    struct Case {
        int kind;
        int x, y;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 0, 1, red},  {0, 4, 1, blue}, {0, 2, 0, mid},   // horizontal
        {1, 3, 0, red},  {1, 3, 2, blue}, {1, 0, 1, mid},   // vertical
        {2, 2, 1, blue}, {2, 0, 0, red},  {2, 4, 1, red},   // rectangle
        {3, 2, 1, blue}, {3, 0, 0, red},                    // ellipse
        {4, 0, 1, red},  {4, 4, 1, red},  {4, 2, 2, blue},  // double horizontal
        {5, 1, 0, red},  {5, 1, 2, red},  {5, 4, 1, blue},  // double vertical
    };
    for (const Case& c : cases) {
        const CBitmap32 g = Bitmap_Gradient(5, 3, 0x0000FF, 0xFF0000, c.kind);
        ASSERT_FALSE(g.Empty()) << c.kind;
        EXPECT_EQ(g.At(c.x, c.y), c.expected) << "kind " << c.kind << " at " << c.x << "," << c.y;
    }
    EXPECT_TRUE(Bitmap_Gradient(5, 3, 0, 0, 6).Empty());
    EXPECT_TRUE(Bitmap_Gradient(0, 3, 0, 0, 0).Empty());
}

}  // namespace
