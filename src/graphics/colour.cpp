#include "graphics/colour.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t Channel(double v) { return uint32_t(std::nearbyint(std::clamp(std::isnan(v) ? 0.0 : v, 0.0, 255.0))); }

}  // namespace

uint32_t Colour_FromRgb(double r, double g, double b) { return Channel(r) | (Channel(g) << 8) | (Channel(b) << 16); }

uint32_t Colour_FromHsv(double h, double s, double v) {
    auto unit = [](double x) { return std::clamp(std::isnan(x) ? 0.0 : x, 0.0, 255.0) / 255.0; };
    const double hue = unit(h) * 360.0, sat = unit(s), val = unit(v);
    const double c = val * sat;
    const double hp = std::fmod(hue / 60.0, 6.0);
    const double x = c * (1 - std::fabs(std::fmod(hp, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    if (hp < 1) r = c, g = x;
    else if (hp < 2) r = x, g = c;
    else if (hp < 3) g = c, b = x;
    else if (hp < 4) g = x, b = c;
    else if (hp < 5) r = x, b = c;
    else r = c, b = x;
    const double m = val - c;
    auto byte = [m](double ch) { return uint32_t(std::clamp(std::lround((ch + m) * 255.0), 0L, 255L)); };
    return byte(r) | (byte(g) << 8) | (byte(b) << 16);
}

TColourHsv Colour_ToHsv(uint32_t c) {
    const double r = Colour_Red(c) / 255.0, g = Colour_Green(c) / 255.0, b = Colour_Blue(c) / 255.0;
    const double hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
    TColourHsv out;
    out.value = std::nearbyint(hi * 255.0);
    if (hi <= 0 || d <= 0) return out;
    out.saturation = std::nearbyint(d / hi * 255.0);
    double h = 0;  // in sixths of the circle
    if (hi == r) h = (g - b) / d;
    else if (hi == g) h = 2 + (b - r) / d;
    else h = 4 + (r - g) / d;
    if (h < 0) h += 6;
    out.hue = std::nearbyint(h / 6.0 * 255.0);
    if (out.hue >= 255) out.hue = 0;  // a full turn is red again
    return out;
}
