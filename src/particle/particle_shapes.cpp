// The fourteen built-in particle shapes, drawn by the program at start-up: white
// pictures whose alpha carries the shape, so a particle's colour tints them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "particle/particle.h"

namespace {

constexpr int N = kParticleShapeSize;
constexpr double kCentre = (N - 1) / 2.0;
constexpr double kPi = std::numbers::pi;

// A repeatable value in [0, 1) for a lattice point (integer hash).
double Hash(int x, int y, int salt) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(salt) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return double(h & 0xFFFFFF) / double(0x1000000);
}

// Smooth value noise over a lattice of `cell` pixels.
double Noise(double x, double y, double cell, int salt) {
    const double fx = x / cell, fy = y / cell;
    const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
    const double tx = fx - ix, ty = fy - iy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const double a = Hash(ix, iy, salt), b = Hash(ix + 1, iy, salt);
    const double c = Hash(ix, iy + 1, salt), d = Hash(ix + 1, iy + 1, salt);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double Fractal(double x, double y, int salt) {
    return 0.5 * Noise(x, y, 16, salt) + 0.3 * Noise(x, y, 8, salt + 1) + 0.2 * Noise(x, y, 4, salt + 2);
}

// 1 inside the edge, 0 outside, over one pixel: soft edges without a blur pass.
double Edge(double distanceInside) { return std::clamp(distanceInside + 0.5, 0.0, 1.0); }

// The coverage (0..1) of the pixel centre (x, y) for a shape; (dx, dy) from the centre.
double Coverage(int shape, int px, int py) {
    const double dx = px - kCentre, dy = py - kCentre;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double angle = std::atan2(dy, dx);
    switch (shape) {
    case 0:  // pixel: the two by two centre
        return std::fabs(dx) < 1 && std::fabs(dy) < 1 ? 1 : 0;
    case 1:  // disk
        return Edge(24 - r);
    case 2:  // square
        return std::min(Edge(24 - std::fabs(dx)), Edge(24 - std::fabs(dy)));
    case 3:  // line: a horizontal bar with rounded fade at the ends
        return std::min(Edge(2 - std::fabs(dy)), Edge(30 - std::fabs(dx)));
    case 4: {  // star: five points
        const double a = std::fmod(angle + kPi / 2 + 4 * kPi, 2 * kPi / 5) - kPi / 5;
        const double reach = 12 + 18 * std::pow(1 - std::fabs(a) / (kPi / 5), 2.0);
        return Edge(reach - r);
    }
    case 5:  // circle: a thin outline
        return Edge(1.5 - std::fabs(r - 26));
    case 6:  // ring: a soft band
        return std::exp(-std::pow((r - 20) / 5, 2.0));
    case 7:  // sphere: a ball bright in the middle
        return r < 30 ? std::sqrt(1 - (r / 30) * (r / 30)) : 0;
    case 8: {  // flare: a hot centre with a long soft glow and four faint rays
        const double glow = std::exp(-r / 6);
        const double rays = std::exp(-std::min(std::fabs(dx), std::fabs(dy)) / 1.5) * std::max(0.0, 1 - r / 31);
        return std::min(1.0, glow + 0.5 * rays);
    }
    case 9: {  // spark: a sharp four-pointed cross
        const double arm = std::min(std::fabs(dx), std::fabs(dy));
        return std::max(0.0, 1 - r / 31) * std::exp(-arm / 1.2);
    }
    case 10: {  // explosion: a ragged round burst
        const double edge = 20 + 10 * Fractal(std::cos(angle) * 20 + 32, std::sin(angle) * 20 + 32, 10);
        return Edge(edge - r) * (0.6 + 0.4 * Fractal(px, py, 20));
    }
    case 11: {  // cloud: soft lumps fading to the rim
        const double fall = std::max(0.0, 1 - r / 31);
        return std::clamp(fall * 1.6 * Fractal(px, py, 30) - 0.1, 0.0, 1.0);
    }
    case 12: {  // smoke: thin wisps
        const double fall = std::max(0.0, 1 - r / 31);
        return std::clamp(fall * (Fractal(px * 1.5, py * 1.5, 40) - 0.25) * 2, 0.0, 1.0);
    }
    case 13: {  // snow: six arms with side branches
        double best = 0;
        for (int arm = 0; arm < 6; ++arm) {
            const double a = arm * kPi / 3;
            const double along = dx * std::cos(a) + dy * std::sin(a);
            const double across = -dx * std::sin(a) + dy * std::cos(a);
            if (along < 0 || along > 28) continue;
            best = std::max(best, Edge(1.2 - std::fabs(across)));
            // Two twigs on each arm, leaning outwards.
            for (double at : {12.0, 20.0}) {
                const double u = along - at;
                if (u < 0 || u > 7) continue;
                best = std::max(best, Edge(1.0 - std::fabs(std::fabs(across) - u)));
            }
        }
        return best;
    }
    default: return 0;
    }
}

}  // namespace

std::vector<uint32_t> ParticleShape_Pixels(int shape) {
    if (shape < 0 || shape >= kParticleShapeCount) return {};
    std::vector<uint32_t> pixels(size_t(N) * N);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            // The outermost ring of pixels stays clear so neighbours in a shared texture
            // never bleed in.
            const bool border = x == 0 || y == 0 || x == N - 1 || y == N - 1;
            const double c = border ? 0 : std::clamp(Coverage(shape, x, y), 0.0, 1.0);
            pixels[size_t(y) * N + size_t(x)] = (uint32_t(std::lround(c * 255)) << 24) | 0xFFFFFFu;
        }
    return pixels;
}
