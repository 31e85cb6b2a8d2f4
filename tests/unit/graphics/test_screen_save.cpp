// screen_save / screen_save_part: the 24-bit BMP written from the picture read back,
// byte for byte, on a backend that paints points into memory and on the real device.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gl/gl_backend.h"
#include "graphics/graphics.h"
#include "graphics/render_backend.h"
#include "platform/window.h"

namespace {

// Keeps one picture per target; clears fill it, point lists poke their pixels (the
// vertices' x and y taken as pixel coordinates), reading back copies it out.
class TPainter final : public IRenderBackend {
public:
    BackendTexture CreateTexture(int width, int height, bool) override {
        pictures_[++last_] = {width, height, std::vector<uint32_t>(size_t(width) * size_t(height), 0)};
        return last_;
    }
    bool UploadTexture(BackendTexture, int, int, int, int, const uint32_t*) override { return true; }
    void FreeTexture(BackendTexture t) override { pictures_.erase(t); }
    bool ReadTexture(BackendTexture, int, int, int, int, std::vector<uint32_t>&) override { return false; }
    void SetTarget(BackendTexture target, int, int) override { target_ = target; }
    void SetViewport(int, int, int, int) override {}
    void SetTransform(int, const float*) override {}
    void SetRenderState(int, uint32_t) override {}
    void SetSamplerState(int, int, bool) override {}
    void SetTextureBlending(bool) override {}
    void SetTexture(int, BackendTexture) override {}
    void SetLight(int, const CLight&) override {}
    void SetAmbient(uint32_t) override {}
    void Clear(uint32_t argb, float, uint32_t, int flags) override {
        if (Picture* p = Current(); p && (flags & 1)) std::fill(p->pixels.begin(), p->pixels.end(), argb);
    }
    void Draw(int primitive, int vertexSize, const void* vertices, int count) override {
        Picture* p = Current();
        if (!p || primitive != kPrimPointList || vertexSize != 16) return;
        const auto* v = static_cast<const VertexPC*>(vertices);
        for (int i = 0; i < count; ++i) {
            const int x = int(v[i].x), y = int(v[i].y);
            if (x >= 0 && y >= 0 && x < p->w && y < p->h) p->pixels[size_t(y) * size_t(p->w) + size_t(x)] = v[i].colour;
        }
    }
    bool ReadPixels(int x, int y, int w, int h, std::vector<uint32_t>& out) override {
        Picture* p = Current();
        if (!p || x < 0 || y < 0 || x + w > p->w || y + h > p->h) return false;
        out.clear();
        for (int r = y; r < y + h; ++r)
            for (int c = x; c < x + w; ++c) out.push_back(p->pixels[size_t(r) * size_t(p->w) + size_t(c)]);
        return true;
    }
    void BlitToWindow(BackendTexture, int, int, const CBackendRect&, uint32_t, bool) override {}
    bool ReadWindow(std::vector<uint32_t>&, int&, int&) override { return false; }
    bool Present() override { return true; }
    void SetVSync(bool) override {}
    void WindowSize(int& w, int& h) override { w = 1, h = 1; }
    std::string Describe() override { return "painter"; }

private:
    struct Picture {
        int w = 0, h = 0;
        std::vector<uint32_t> pixels;
    };
    Picture* Current() {
        auto it = pictures_.find(target_);
        return it == pictures_.end() ? nullptr : &it->second;
    }
    std::map<BackendTexture, Picture> pictures_;
    BackendTexture last_ = 0, target_ = 0;
};

// A different colour at every pixel (0xAARRGGBB), so any mix-up of rows, columns or
// channels shows.
uint32_t PixelAt(int x, int y) {
    return 0xFF000000u | uint32_t(0x10 + x * 0x11) << 16 | uint32_t(0x20 + y * 0x13) << 8 | uint32_t(0x30 + x + 7 * y);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}
uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8; }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

std::string TmpPath(const char* name) {
    std::filesystem::create_directories(ZORVEX_TEST_TMP);
    return std::string(ZORVEX_TEST_TMP) + "/" + name;
}

// The whole file against the layout: headers, then rows bottom-up as B, G, R with
// zero padding to 4 bytes. `pixel(x, y)` is the expected colour of the saved
// rectangle's pixel.
template <typename F>
void ExpectBmp(const std::vector<uint8_t>& b, int w, int h, F pixel) {
    const size_t rowBytes = (size_t(w) * 3 + 3) / 4 * 4;
    const size_t imageBytes = rowBytes * size_t(h);
    ASSERT_EQ(b.size(), 54 + imageBytes);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), 54 + imageBytes) << "file size";
    EXPECT_EQ(U16(b, 6), 0u);
    EXPECT_EQ(U16(b, 8), 0u);
    EXPECT_EQ(U32(b, 10), 54u) << "pixel data offset";
    EXPECT_EQ(U32(b, 14), 40u) << "information header size";
    EXPECT_EQ(int32_t(U32(b, 18)), w);
    EXPECT_EQ(int32_t(U32(b, 22)), h) << "positive height: bottom row first";
    EXPECT_EQ(U16(b, 26), 1u) << "planes";
    EXPECT_EQ(U16(b, 28), 24u) << "bits per pixel";
    EXPECT_EQ(U32(b, 30), 0u) << "compression";
    EXPECT_EQ(U32(b, 34), imageBytes) << "image size";
    for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(U32(b, at), 0u) << "field at " << at;
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        const size_t start = 54 + size_t(row) * rowBytes;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = pixel(x, y);
            const size_t at = start + size_t(x) * 3;
            ASSERT_EQ(b[at], uint8_t(c)) << "blue of " << x << "," << y;
            ASSERT_EQ(b[at + 1], uint8_t(c >> 8)) << "green of " << x << "," << y;
            ASSERT_EQ(b[at + 2], uint8_t(c >> 16)) << "red of " << x << "," << y;
        }
        for (size_t at = start + size_t(w) * 3; at < start + rowBytes; ++at)
            ASSERT_EQ(b[at], 0) << "padding of row " << y;
    }
}

TEST(ScreenSave, BmpLayoutRowOrderAndPaddingOfTheClippedRectangle) {
    constexpr int kW = 7, kH = 4;
    ASSERT_TRUE(Graphics_InitWithBackend(std::make_unique<TPainter>(), kW, kH, 0));
    Graphics_BeginFrame();
    Graphics_Clear(0xFF000000u, 1, 0, 7);
    // Every pixel drawn through the layer as a point of its own colour (scripts give
    // colours blue-green-red).
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint32_t argb = PixelAt(x, y);
            Graphics_SetColour((argb & 0xFF) << 16 | (argb & 0xFF00) | (argb >> 16 & 0xFF));
            Graphics_DrawPoint(float(x), float(y));
        }
    struct Case {
        const char* name;
        int x, y, w, h;      // as asked
        int cx, cy, cw, ch;  // after clipping to the screen
    };
    const Case cases[] = {
        {"whole screen (21 bytes a row, 3 of padding)", 0, 0, 1 << 29, 1 << 29, 0, 0, kW, kH},
        {"5 wide (15 bytes a row, 1 of padding)", 1, 1, 5, 3, 1, 1, 5, 3},
        {"4 wide (no padding)", 2, 0, 4, 2, 2, 0, 4, 2},
        {"1 wide (3 bytes a row)", 6, 0, 1, 4, 6, 0, 1, 4},
        {"2 wide, 1 high", 3, 3, 2, 1, 3, 3, 2, 1},
        {"negative corner", -2, -1, 5, 3, 0, 0, 3, 2},
        {"past the right and bottom", 5, 2, 10, 10, 5, 2, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = TmpPath("screen_save.bmp");
        std::filesystem::remove(path);
        ASSERT_TRUE(Graphics_SaveBmp(path, c.x, c.y, c.w, c.h));
        ExpectBmp(ReadFile(path), c.cw, c.ch, [&](int x, int y) { return PixelAt(c.cx + x, c.cy + y); });
    }
    // Nothing left after clipping: no file.
    const std::string path = TmpPath("screen_save_empty.bmp");
    std::filesystem::remove(path);
    EXPECT_FALSE(Graphics_SaveBmp(path, kW, 0, 3, 3));
    EXPECT_FALSE(Graphics_SaveBmp(path, 0, 0, 0, 3));
    EXPECT_FALSE(std::filesystem::exists(path));
    Graphics_EndFrame(false);
    Graphics_Shutdown();
}

// The same through the GL: whatever order the GL keeps rows in, the file has the
// picture's bottom row first.
TEST(ScreenSave, RealDeviceWritesTheBottomRowFirst) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_TRUE(Platform_Init(true));
    {
        TWindow window;
        ASSERT_TRUE(window.Create(5, 3, 0));
        GLBackend_Install();
        if (!Graphics_Init(window, 5, 3, 0)) {
            Platform_Shutdown();
            // Every test machine has a GL (a software one headless): no device is a fault.
            FAIL() << "no GL device: " << Graphics_LastError();
        }
        Graphics_BeginFrame();
        Graphics_Clear(0xFF0000FFu, 1, 0, 7);  // red (scripts: 0xBBGGRR)
        // The top row green, the bottom row blue, as two filled triangles each.
        const struct {
            float y0, y1;
            uint32_t bgr;
        } bands[] = {{0, 1, 0x00FF00}, {2, 3, 0xFF0000}};
        for (const auto& b : bands) {
            Graphics_SetColour(b.bgr);
            Graphics_DrawTriangle(0, b.y0, 5, b.y0, 5, b.y1, false);
            Graphics_DrawTriangle(0, b.y0, 5, b.y1, 0, b.y1, false);
        }
        const std::string path = TmpPath("screen_save_gl.bmp");
        std::filesystem::remove(path);
        ASSERT_TRUE(Graphics_SaveBmp(path, 0, 0, 1 << 29, 1 << 29));
        const uint32_t rows[3] = {0xFF00FF00u, 0xFFFF0000u, 0xFF0000FFu};  // green, red, blue (0xAARRGGBB)
        ExpectBmp(ReadFile(path), 5, 3, [&](int, int y) { return rows[y]; });
        // A part of it: the lower two rows, 15 bytes a row padded to 16.
        ASSERT_TRUE(Graphics_SaveBmp(path, 0, 1, 5, 2));
        ExpectBmp(ReadFile(path), 5, 2, [&](int, int y) { return rows[y + 1]; });
        // Between frames the picture is read from the window it was blitted to.
        Graphics_EndFrame(false);
        ASSERT_TRUE(Graphics_SaveBmp(path, 0, 0, 1 << 29, 1 << 29));
        ExpectBmp(ReadFile(path), 5, 3, [&](int, int y) { return rows[y]; });
        Graphics_Shutdown();
    }
    Platform_Shutdown();
}

}  // namespace
