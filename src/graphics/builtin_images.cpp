#include "graphics/builtin_images.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "graphics/graphics.h"
#include "graphics/texture.h"

namespace {

constexpr int kSplashWidth = 320, kSplashHeight = 240;

struct TColour {
    double r, g, b;
};

TColour Mix(const TColour& a, const TColour& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Distance from a point to the segment a-b.
double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// The engine's mark: a bold "Z" of two bars and a diagonal on a rounded tile, over a
// dark gradient, with a row of blocks below. Edges are smoothed by 4 x 4 samples.
bool InsideTile(double x, double y) {
    const double cx = 160, cy = 104, half = 70, radius = 18;
    const double qx = std::max(std::fabs(x - cx) - (half - radius), 0.0);
    const double qy = std::max(std::fabs(y - cy) - (half - radius), 0.0);
    return std::hypot(qx, qy) <= radius;
}

bool InsideMark(double x, double y) {
    const double left = 118, right = 202, top = 62, bottom = 146, bar = 16;
    if (x >= left && x <= right && y >= top && y <= top + bar) return true;
    if (x >= left && x <= right && y >= bottom - bar && y <= bottom) return true;
    return y >= top + bar - 2 && y <= bottom - bar + 2 &&
           SegmentDistance(x, y, right - 10, top + bar, left + 10, bottom - bar) <= 11;
}

int InsideBlock(double x, double y) {
    // Five blocks under the tile, each a step brighter.
    const double top = 196, size = 12, gap = 8, first = 160 - (5 * size + 4 * gap) / 2;
    if (y < top || y > top + size) return -1;
    for (int n = 0; n < 5; ++n) {
        const double l = first + n * (size + gap);
        if (x >= l && x <= l + size) return n;
    }
    return -1;
}

TColour SplashSample(double x, double y) {
    const TColour deep{12, 16, 40}, dusk{36, 18, 60};
    TColour c = Mix(deep, dusk, y / kSplashHeight);
    if (InsideTile(x, y)) c = Mix(TColour{40, 52, 96}, TColour{28, 34, 72}, (y - 34) / 140);
    if (InsideMark(x, y))
        c = Mix(TColour{255, 164, 40}, TColour{236, 64, 122}, (x - 118) / 84 * 0.6 + (y - 62) / 84 * 0.4);
    if (const int n = InsideBlock(x, y); n >= 0) c = Mix(TColour{70, 90, 150}, TColour{120, 220, 230}, n / 4.0);
    return c;
}

std::vector<uint32_t> MakeSplash() {
    std::vector<uint32_t> pixels(size_t(kSplashWidth) * kSplashHeight);
    constexpr int kSamples = 4;
    for (int py = 0; py < kSplashHeight; ++py) {
        for (int px = 0; px < kSplashWidth; ++px) {
            double r = 0, g = 0, b = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    const TColour c = SplashSample(px + (sx + 0.5) / kSamples, py + (sy + 0.5) / kSamples);
                    r += c.r, g += c.g, b += c.b;
                }
            const double n = kSamples * kSamples;
            auto byte = [n](double v) { return uint32_t(std::clamp(std::lround(v / n), 0L, 255L)); };
            pixels[size_t(py) * kSplashWidth + size_t(px)] = 0xFF000000u | byte(r) << 16 | byte(g) << 8 | byte(b);
        }
    }
    return pixels;
}

struct TImageTextures {
    std::array<int, kBuiltinImageSplash + 1> ids;
    TImageTextures() { ids.fill(-1); }
};

TImageTextures& Textures() {
    static TImageTextures textures;
    return textures;
}

}  // namespace

bool BuiltinImage_Pixels(int number, std::vector<uint32_t>& pixels, int& width, int& height) {
    if (number != kBuiltinImageSplash) return false;
    static const std::vector<uint32_t> splash = MakeSplash();
    pixels = splash;
    width = kSplashWidth;
    height = kSplashHeight;
    return true;
}

int BuiltinImage_Texture(int number) {
    if (number < 0 || number > kBuiltinImageSplash || !Graphics_Ready()) return -1;
    int& id = Textures().ids[size_t(number)];
    if (id >= 0 && Texture_Exists(id)) return id;
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    if (!BuiltinImage_Pixels(number, pixels, w, h)) return -1;
    id = Texture_CreateFromPixels(pixels.data(), w, h);
    return id;
}
