// zorvex-bench-sprites [SPRITES] [FRAMES] [MODE]: times whole frames of the device layer
// drawing SPRITES textured quads a frame from one texture page, headless on the real
// GL device, with no wait between frames. Each sprite moves and animates through the
// page's frames. MODE is "plain" (unscaled page-entry quads), "ext" (rotated, scaled
// and tinted), "switch" (as plain, but every other sprite from a second page, so each
// sprite breaks the batch: the cost of a draw call) or "all" (the default: each in
// turn). Prints the median and mean frame time and the draw calls that reached the
// device per frame.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "gl/gl_backend.h"
#include "graphics/graphics.h"
#include "graphics/render_backend.h"
#include "graphics/texture.h"
#include "platform/window.h"

namespace {

constexpr int kScreenW = 640, kScreenH = 480;
constexpr int kPage = 256, kCell = 32, kCells = kPage / kCell;  // 8 x 8 frames of 32 x 32
constexpr int kFrameCount = kCells * kCells;
constexpr int kWarmUp = 10;

struct TSprite {
    float x, y, dx, dy;
    int frame;
    float angle, scale;
    uint32_t colour;
};

uint32_t g_seed = 12345;
uint32_t Next() {
    g_seed = g_seed * 1664525u + 1013904223u;
    return g_seed >> 8;
}
float Uniform(float lo, float hi) { return lo + (hi - lo) * float(Next() & 0xFFFF) / 65535.0f; }

// A page of 64 frames, each its own colour with a darker border and a diagonal, so
// the page is not one flat colour the rasteriser could shortcut.
std::vector<uint32_t> MakePage() {
    std::vector<uint32_t> p(size_t(kPage) * kPage);
    for (int y = 0; y < kPage; ++y)
        for (int x = 0; x < kPage; ++x) {
            const int cell = (y / kCell) * kCells + x / kCell;
            const int cx = x % kCell, cy = y % kCell;
            const uint32_t r = 64 + (cell * 37) % 192, g = 64 + (cell * 71) % 192, b = 64 + (cell * 13) % 192;
            const bool edge = cx == 0 || cy == 0 || cx == kCell - 1 || cy == kCell - 1 || cx == cy;
            const uint32_t a = (cx - 16) * (cx - 16) + (cy - 16) * (cy - 16) > 15 * 15 ? 0 : 255;
            p[size_t(y) * kPage + size_t(x)] =
                a << 24 | (edge ? r / 2 : r) << 16 | (edge ? g / 2 : g) << 8 | (edge ? b / 2 : b);
        }
    return p;
}

struct TResult {
    double median = 0, mean = 0, best = 0, worst = 0;
    double drawCalls = 0, triangles = 0;
};

enum class Mode { Plain, Ext, Switch };

TResult Run(Mode mode, std::vector<TSprite>& sprites, const std::vector<CTexturePageEntry> entries[2], int frames,
            std::vector<double>& times) {
    TResult r;
    int64_t drawCalls = 0, triangles = 0;
    for (int f = 0; f < kWarmUp + frames; ++f) {
        const auto start = std::chrono::steady_clock::now();
        Graphics_ResetCounters();
        Graphics_BeginFrame();
        Graphics_Clear(0xFF402010u, 1, 0, 7);
        int page = 0;
        for (TSprite& s : sprites) {
            s.x += s.dx;
            s.y += s.dy;
            if (s.x < 0 || s.x > kScreenW - kCell) s.dx = -s.dx;
            if (s.y < 0 || s.y > kScreenH - kCell) s.dy = -s.dy;
            s.frame = (s.frame + 1) % kFrameCount;
            if (mode == Mode::Switch) page ^= 1;
            const CTexturePageEntry& e = entries[page][size_t(s.frame)];
            if (mode == Mode::Ext) {
                s.angle += 0.02f;
                Texture_DrawEntryExt(e, 16, 16, s.x + 16, s.y + 16, s.scale, s.scale, s.angle, s.colour, 1.0);
            } else {
                Texture_DrawEntry(e, std::floor(s.x), std::floor(s.y));
            }
        }
        Graphics_EndFrame(true);
        const CGraphicsCounters c = Graphics_Counters();
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (f < kWarmUp) continue;
        times[size_t(f - kWarmUp)] = ms;
        drawCalls += c.drawCalls;
        triangles += c.triangles;
    }
    r.mean = std::accumulate(times.begin(), times.begin() + frames, 0.0) / frames;
    r.best = *std::min_element(times.begin(), times.begin() + frames);
    r.worst = *std::max_element(times.begin(), times.begin() + frames);
    std::nth_element(times.begin(), times.begin() + frames / 2, times.begin() + frames);
    r.median = times[size_t(frames / 2)];
    r.drawCalls = double(drawCalls) / frames;
    r.triangles = double(triangles) / frames;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    const std::string mode = argc > 3 ? argv[3] : "all";
    if (mode != "plain" && mode != "ext" && mode != "switch" && mode != "all") {
        std::fprintf(stderr, "usage: zorvex-bench-sprites [SPRITES] [FRAMES] [plain|ext|switch|all]\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (!Platform_Init(true)) {
        std::fprintf(stderr, "no video\n");
        return 1;
    }
    int status = 0;
    {
        TWindow window;
        GLBackend_Install();
        if (!window.Create(kScreenW, kScreenH, 0) || !Graphics_Init(window, kScreenW, kScreenH, 0)) {
            std::fprintf(stderr, "no graphics device: %s\n", Graphics_LastError().c_str());
            Platform_Shutdown();
            return 1;
        }
        const std::vector<uint32_t> page = MakePage();
        const int textures[2] = {Texture_CreateFromPixels(page.data(), kPage, kPage),
                                 Texture_CreateFromPixels(page.data(), kPage, kPage)};
        if (textures[0] < 0 || textures[1] < 0) {
            std::fprintf(stderr, "no texture\n");
            status = 1;
        } else {
            std::vector<CTexturePageEntry> entries[2];
            for (int t = 0; t < 2; ++t)
                for (int i = 0; i < kFrameCount; ++i) {
                    const int16_t sx = int16_t((i % kCells) * kCell), sy = int16_t((i / kCells) * kCell);
                    entries[t].push_back(CTexturePageEntry{sx, sy, kCell, kCell, 0, 0, kCell, kCell, kCell, kCell,
                                                           int16_t(textures[t])});
                }
            std::vector<TSprite> sprites(static_cast<size_t>(count));
            for (TSprite& s : sprites) {
                s.x = Uniform(0, kScreenW - kCell);
                s.y = Uniform(0, kScreenH - kCell);
                s.dx = Uniform(-2, 2);
                s.dy = Uniform(-2, 2);
                s.frame = int(Next() % kFrameCount);
                s.angle = Uniform(0, 6.28f);
                s.scale = Uniform(0.5f, 2.0f);
                s.colour = Next() & 0xFFFFFF;
            }
            std::vector<double> times(static_cast<size_t>(frames));
            Graphics_SetBlendMode(0);
            std::printf("%d sprites of %dx%d from %dx%d pages, %d frames (after %d warm-up), %s\n", count, kCell, kCell,
                        kPage, kPage, frames, kWarmUp, Graphics_Backend()->Describe().c_str());
            const struct {
                Mode mode;
                const char* name;
            } modes[] = {{Mode::Plain, "plain"}, {Mode::Ext, "ext"}, {Mode::Switch, "switch"}};
            for (const auto& m : modes) {
                if (mode != "all" && mode != m.name) continue;
                const TResult r = Run(m.mode, sprites, entries, frames, times);
                std::printf(
                    "%-6s median %.3f ms  mean %.3f ms  best %.3f ms  worst %.3f ms  draw calls/frame %.2f  "
                    "triangles/frame %.0f\n",
                    m.name, r.median, r.mean, r.best, r.worst, r.drawCalls, r.triangles);
            }
        }
        Graphics_Shutdown();
    }
    Platform_Shutdown();
    return status;
}
