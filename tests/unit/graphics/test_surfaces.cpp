// Surfaces on the real device: the one-target rule and its state across a frame end,
// losing every surface, and the room transition compositions at fractions between the
// first and the last frame (the game tests can only see a transition's last frame).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gl/gl_backend.h"
#include "graphics/graphics.h"
#include "graphics/surface.h"
#include "platform/window.h"
#include "room/room_transition.h"

namespace {

constexpr int kW = 16, kH = 16;

class SurfacesOnDevice : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_TRUE(Platform_Init(true));
        window_ = std::make_unique<TWindow>();
        ASSERT_TRUE(window_->Create(kW, kH, 0));
        GLBackend_Install();
        if (!Graphics_Init(*window_, kW, kH, 0)) {
            window_.reset();
            Platform_Shutdown();
            // Every test machine has a GL (a software one headless): no device is a fault.
            FAIL() << "no GL device: " << Graphics_LastError();
        }
    }
    void TearDown() override {
        if (!window_) return;
        Surface_FreeAll();
        Graphics_Shutdown();
        window_.reset();
        Platform_Shutdown();
    }

    // Fills the current target: `left` on x < 8, `right` on x >= 8 (0xBBGGRR).
    static void TwoTone(uint32_t left, uint32_t right) {
        Graphics_Clear(0xFF000000u | left, 1, 0, 3);
        Graphics_SetColour(right);
        Graphics_DrawTriangle(8, 0, kW, 0, kW, kH, false);
        Graphics_DrawTriangle(8, 0, kW, kH, 8, kH, false);
        Graphics_SetColour(0xFFFFFF);
    }

    static uint32_t ScreenPixel(int x, int y) {
        int w = 0, h = 0;
        const std::vector<uint32_t> p = Graphics_ReadScreen(x, y, 1, 1, w, h);
        return p.empty() ? 0xDEADBEEF : p[0] & 0xFFFFFF;
    }

    std::unique_ptr<TWindow> window_;
};

// 0xRRGGBB as the device reads them back.
constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
        if (ca - cb > 2 || cb - ca > 2) return false;
    }
    return true;
}

TEST_F(SurfacesOnDevice, OneTargetAtATimeAndTheViewComesBack) {
    Graphics_BeginFrame();
    Graphics_SetView(0, 0, 8, 8, 0);
    Graphics_SetPort(0, 0, kW, kH);
    const int s0 = Surface_Create(4, 4), s1 = Surface_Create(6, 2);
    ASSERT_EQ(s0, 0);
    ASSERT_EQ(s1, 1);

    ASSERT_TRUE(Surface_SetTarget(s0));
    EXPECT_TRUE(Graphics_SurfaceTarget());
    EXPECT_FLOAT_EQ(Graphics_View().width, 4);
    EXPECT_EQ(Graphics_Port().height, 4);
    // Another surface while s0 is the target: s0 is reset first, so one reset is
    // enough to get back to the screen with the view and port it had.
    ASSERT_TRUE(Surface_SetTarget(s1));
    EXPECT_EQ(Surface_Current(), s1);
    EXPECT_EQ(Graphics_Port().width, 6);
    EXPECT_TRUE(Surface_ResetTarget());
    EXPECT_FALSE(Graphics_SurfaceTarget());
    EXPECT_FALSE(Surface_ResetTarget());
    EXPECT_FLOAT_EQ(Graphics_View().width, 8);
    EXPECT_EQ(Graphics_Port().width, kW);
    Graphics_Clear(0xFF0000FFu, 1, 0, 3);  // lands on the screen: red
    EXPECT_EQ(ScreenPixel(3, 3), kRed);

    // Freeing the target resets it; the id is handed out again.
    ASSERT_TRUE(Surface_SetTarget(s1));
    EXPECT_TRUE(Surface_Free(s1));
    EXPECT_EQ(Surface_Current(), -1);
    EXPECT_FALSE(Graphics_SurfaceTarget());
    EXPECT_FALSE(Surface_Exists(s1));
    EXPECT_EQ(Surface_Create(3, 3), s1);

    // A frame that ends with a surface still the target takes it off the device's
    // stack; resetting afterwards must not pop the next frame's screen away.
    ASSERT_TRUE(Surface_SetTarget(s0));
    Graphics_EndFrame(false);
    Graphics_BeginFrame();
    EXPECT_FALSE(Surface_ResetTarget());
    Graphics_Clear(0xFFFF0000u, 1, 0, 3);  // blue, on the screen
    EXPECT_EQ(ScreenPixel(0, 0), kBlue);
    Graphics_EndFrame(false);

    // Losing the device loses every surface.
    Surface_FreeAll();
    EXPECT_FALSE(Surface_Exists(s0));
    EXPECT_EQ(Surface_Width(s0), -1);
    EXPECT_EQ(Surface_Create(2, 2), 0);
}

// A (old room): red left half, green right half; B (new room): blue left, white right.
// Each case names the expected screen colour at every pixel.
TEST_F(SurfacesOnDevice, TransitionFramesBetweenTheFirstAndTheLast) {
    const int a = Surface_Create(kW, kH), b = Surface_Create(kW, kH);
    ASSERT_TRUE(Surface_SetTarget(a));
    TwoTone(0x0000FF, 0x00FF00);
    ASSERT_TRUE(Surface_SetTarget(b));
    TwoTone(0xFF0000, 0xFFFFFF);
    Surface_ResetTarget();

    auto A = [](int x) { return x < 8 ? kRed : kGreen; };
    auto B = [](int x) { return x < 8 ? kBlue : kWhite; };
    struct Case {
        int kind;
        double f;
        std::function<uint32_t(int, int)> colour;
    };
    const Case cases[] = {
        {1, 0.5, [&](int x, int) { return x < 8 ? B(x) : A(x); }},
        {2, 0.5, [&](int x, int) { return x >= 8 ? B(x) : A(x); }},
        {3, 0.25, [&](int x, int y) { return y < 4 ? B(x) : A(x); }},
        {4, 0.25, [&](int x, int y) { return y >= 12 ? B(x) : A(x); }},
        {5, 0.5, [&](int x, int y) { return x >= 4 && x < 12 && y >= 4 && y < 12 ? B(x) : A(x); }},
        {6, 0.5, [&](int x, int) { return x < 8 ? B(x + 8) : A(x); }},
        {7, 0.5, [&](int x, int) { return x >= 8 ? B(x - 8) : A(x); }},
        {8, 0.25, [&](int x, int y) { return y < 4 ? B(x) : A(x); }},
        {9, 0.25, [&](int x, int y) { return y >= 12 ? B(x) : A(x); }},
        // Rows 0..7 come in from the left, rows 8..15 from the right.
        {10, 0.5, [&](int x, int y) { return y < 8 ? (x < 8 ? B(x + 8) : A(x)) : (x >= 8 ? B(x - 8) : A(x)); }},
        {11, 0.5, [&](int x, int y) { return y >= 8 ? (x < 8 ? B(x + 8) : A(x)) : (x >= 8 ? B(x - 8) : A(x)); }},
        // Columns 0..7 come in from the top, columns 8..15 from the bottom.
        {12, 0.5, [&](int x, int y) { return x < 8 ? (y < 8 ? B(x) : A(x)) : (y >= 8 ? B(x) : A(x)); }},
        {14, 0.5, [&](int x, int) { return x < 8 ? B(x + 8) : A(x - 8); }},
        {15, 0.5, [&](int x, int) { return x < 8 ? A(x + 8) : B(x - 8); }},
        {16, 0.25, [&](int x, int y) { return y < 4 ? B(x) : A(x); }},
        {17, 0.25, [&](int x, int y) { return y >= 12 ? B(x) : A(x); }},
        // A quarter of the size, half a turn: B's centre 4 x 4, mirrored both ways.
        {18, 0.25, [&](int x, int y) { return x >= 6 && x < 10 && y >= 6 && y < 10 ? B(15 - x) : A(x); }},
        {19, 0.25, [&](int x, int y) { return x >= 6 && x < 10 && y >= 6 && y < 10 ? B(15 - x) : A(x); }},
        {20, 0.5, [&](int x, int) { return x < 8 ? 0x800080u : 0x80FF80u; }},
        {21, 0.25, [&](int x, int) { return x < 8 ? 0x800000u : 0x008000u; }},
        {21, 0.75, [&](int x, int) { return x < 8 ? 0x000080u : 0x808080u; }},
        {21, 1.0, [&](int x, int) { return B(x); }},
    };
    for (const Case& c : cases) {
        Graphics_BeginFrame();
        Graphics_SetPort(0, 0, kW, kH);
        Graphics_SetView(0, 0, kW, kH, 0);
        Graphics_Clear(0xFF000000u, 1, 0, 3);
        Transition_Compose(c.kind, a, b, kW, kH, c.f);
        int w = 0, h = 0;
        const std::vector<uint32_t> pixels = Graphics_ReadScreen(0, 0, kW, kH, w, h);
        ASSERT_EQ(pixels.size(), size_t(kW * kH));
        int wrong = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint32_t got = pixels[size_t(y * kW + x)] & 0xFFFFFF, want = c.colour(x, y);
                if (!Near(got, want) && wrong++ < 3)
                    ADD_FAILURE() << "kind " << c.kind << " at " << c.f << ": pixel (" << x << ", " << y << ") is "
                                  << std::hex << got << ", expected " << want;
            }
        Graphics_EndFrame(false);
    }
}

}  // namespace
