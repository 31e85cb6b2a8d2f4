// The ready-made effects: each kind and size is a particle type of the effects' own
// table, made the first time it is asked for, burst into one of the two effect
// systems (below or above the instances).
#include <array>
#include <cstddef>

#include "particle/particle_internal.h"
#include "value/random.h"

namespace {

struct CEffectLook {
    int shape;
    double size, sizeIncrease;
    double speedMin, speedMax, speedIncrease;
    double directionMin, directionMax;
    double gravity;
    int lifeMin, lifeMax;
    double alpha1, alpha2, alpha3;
    bool additive;
    int number;     // particles for a medium effect
    double spread;  // half the side of the square they start in, medium
};

// explosion, ring, ellipse, firework, smoke, smoke up, star, spark, flare, cloud, rain, snow
constexpr std::array<CEffectLook, 12> kLooks = {{
    {10, 0.1, 0.05, 0, 0, 0, 0, 0, 0, 10, 10, 1, 1, 0, true, 1, 0},
    {6, 0.1, 0.1, 0, 0, 0, 0, 0, 0, 10, 10, 1, 0.6, 0, true, 1, 0},
    {6, 0.2, 0.1, 0, 0, 0, 0, 0, 0, 12, 12, 1, 0.6, 0, true, 1, 0},
    {7, 0.1, 0, 2, 5, -0.05, 0, 360, 0.1, 20, 30, 1, 0.8, 0, true, 60, 0},
    {12, 0.4, 0.01, 0, 0.3, 0, 0, 360, 0, 20, 30, 0.6, 0.4, 0, false, 8, 8},
    {12, 0.4, 0.01, 1, 2, 0, 80, 100, 0, 30, 40, 0.6, 0.4, 0, false, 8, 8},
    {4, 0.3, -0.005, 0, 0, 0, 0, 0, 0, 20, 20, 1, 1, 0, true, 1, 0},
    {9, 0.3, -0.01, 0, 0, 0, 0, 0, 0, 10, 10, 1, 1, 0, true, 1, 0},
    {8, 0.6, -0.01, 0, 0, 0, 0, 0, 0, 20, 20, 1, 1, 0, true, 1, 0},
    {11, 2, 0, 0, 0, 0, 0, 0, 0, 100, 100, 0, 0.5, 0, false, 1, 0},
    {3, 0.3, 0, 8, 9, 0, 260, 270, 0, 60, 60, 0.5, 0.5, 0.5, false, 4, 0},
    {13, 0.2, 0, 1, 2, 0, 250, 290, 0, 200, 200, 1, 1, 0, false, 2, 0},
}};
constexpr double kSizeFactor[3] = {0.5, 1, 2};

int TypeFor(int kind, int size) {
    std::vector<CParticleType>& types = Particle_EffectTypes();
    const size_t index = size_t(kind * 3 + size);
    if (types.size() <= index) types.resize(kLooks.size() * 3);
    CParticleType& t = types[index];
    if (!t.exists) {
        const CEffectLook& l = kLooks[size_t(kind)];
        const double f = kSizeFactor[size];
        t = CParticleType{};
        t.exists = true;
        t.shape = l.shape;
        t.sizeMin = t.sizeMax = l.size * f;
        t.sizeIncrease = l.sizeIncrease * f;
        t.speedMin = l.speedMin * f;
        t.speedMax = l.speedMax * f;
        t.speedIncrease = l.speedIncrease * f;
        t.directionMin = l.directionMin;
        t.directionMax = l.directionMax;
        t.gravity = l.gravity * f;
        t.lifeMin = l.lifeMin;
        t.lifeMax = l.lifeMax;
        t.alpha1 = l.alpha1;
        t.alpha2 = l.alpha2;
        t.alpha3 = l.alpha3;
        t.additive = l.additive;
        if (kind == 2) t.xscale = 2;                   // the ellipse is a stretched ring
        if (kind == 10) t.orientationRelative = true;  // rain streaks along its fall
    }
    return int(index);
}

}  // namespace

void Effect_Create(bool above, int kind, double x, double y, int size, uint32_t bgr, double roomWidth,
                   double roomHeight) {
    if (kind < 0 || kind >= int(kLooks.size())) return;
    if (size < 0) size = 0;
    if (size > 2) size = 2;
    CParticleSystem& s = Particle_EffectSystem(above);
    const int type = TypeFor(kind, size);
    const CEffectLook& l = kLooks[size_t(kind)];
    const double f = kSizeFactor[size];
    const int number = l.number > 1 ? int(l.number * f + 0.5) : 1;
    const size_t before = s.particles.size();
    for (int i = 0; i < number; ++i) {
        double px = x, py = y;
        if (kind == 10 || kind == 11) {
            // Rain and snow fall over the whole room from above its top edge.
            px = Random_Next01() * (roomWidth + 100) - 50;
            py = Random_Next01() * roomHeight * 0.2 - 20;
        } else if (l.spread > 0) {
            px += (Random_Next01() * 2 - 1) * l.spread * f;
            py += (Random_Next01() * 2 - 1) * l.spread * f;
        }
        Particle_AppendTo(s, px, py, type, 1);
    }
    for (size_t i = before; i < s.particles.size(); ++i) s.particles[i].colour = bgr & 0xFFFFFF;
}

void Effect_Clear() {
    Particle_EffectSystem(false).particles.clear();
    Particle_EffectSystem(true).particles.clear();
}
