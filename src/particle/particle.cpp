#include "particle/particle.h"

#include "particle/particle_internal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "graphics/colour.h"
#include "value/random.h"

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr size_t kParticleGrowth = 100;
constexpr int kEffectsBelow = -1, kEffectsAbove = -2;

struct CParticleState {
    std::vector<CParticleType> types;
    std::vector<CParticleSystem> systems;
    // The effects' own types and their two systems (below and above the instances);
    // the game's ids never see them.
    std::vector<CParticleType> effectTypes;
    CParticleSystem effectBelow, effectAbove;
    bool effectsReady = false;
    // The systems the room draws this frame, greatest depth first, by id (kEffectsBelow
    // and kEffectsAbove for the effects): draw events between them may make or free
    // systems.
    std::vector<int> drawOrder;
};

CParticleState& State() {
    static CParticleState state;
    return state;
}

template <typename T>
int TakeSlot(std::vector<T>& table) {
    for (size_t i = 0; i < table.size(); ++i)
        if (!table[i].exists) {
            table[i] = T{};
            table[i].exists = true;
            return int(i);
        }
    table.emplace_back();
    table.back().exists = true;
    return int(table.size() - 1);
}

template <typename T>
T* Slot(std::vector<T>& table, int id) {
    return id >= 0 && size_t(id) < table.size() && table[size_t(id)].exists ? &table[size_t(id)] : nullptr;
}

// A system's types: the game's table, or the effects' own for the two effect systems.
std::vector<CParticleType>& TypesOf(const CParticleSystem& s) {
    CParticleState& st = State();
    return (&s == &st.effectBelow || &s == &st.effectAbove) ? st.effectTypes : st.types;
}

double RandomBetween(double a, double b) { return b - a > 0 ? a + Random_Next01() * (b - a) : a; }

uint32_t Channel(uint32_t c, int shift) { return (c >> shift) & 0xFF; }

uint32_t MergeColour(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double v = std::nearbyint((1 - t) * Channel(a, shift) + t * Channel(b, shift));
        out |= (uint32_t(int64_t(v)) & 0xFF) << shift;
    }
    return out;
}

// Each channel between its bounds (the lower one alone when the upper is not above it).
double RandomChannel(uint32_t lo, uint32_t hi) { return std::trunc(RandomBetween(double(lo), double(hi))); }

uint32_t ParticleColour(const CParticleType& t, const CParticle& p) {
    if (p.age > 0 && p.life > 0) {
        if (t.colourMode == 1) {
            const double f = std::min(1.0, double(p.age) / double(p.life));
            return MergeColour(t.colour[0], t.colour[1], f);
        }
        if (t.colourMode == 2) {
            const double f = std::min(2.0, 2.0 * double(p.age) / double(p.life));
            return f < 1 ? MergeColour(t.colour[0], t.colour[1], f) : MergeColour(t.colour[1], t.colour[2], f - 1);
        }
        return p.colour;
    }
    switch (t.colourMode) {
    case 3: {
        const double r = RandomChannel(t.colour[0], t.colour[1]);
        const double g = RandomChannel(t.colour[2], t.colour[3]);
        const double b = RandomChannel(t.colour[4], t.colour[5]);
        return (uint32_t(r) & 0xFF) | ((uint32_t(g) & 0xFF) << 8) | ((uint32_t(b) & 0xFF) << 16);
    }
    case 4: {
        const double h = RandomChannel(t.colour[0], t.colour[1]);
        const double s = RandomChannel(t.colour[2], t.colour[3]);
        const double v = RandomChannel(t.colour[4], t.colour[5]);
        return Colour_FromHsv(h, s, v);
    }
    case 5: return MergeColour(t.colour[0], t.colour[1], Random_Next01());
    default: return t.colour[0];
    }
}

void MakeParticle(CParticle& p, const CParticleType& t, int type, double x, double y) {
    p.alive = 1;
    p.type = type;
    p.x = p.xprevious = float(x);
    p.y = p.yprevious = float(y);
    p.speed = float(RandomBetween(t.speedMin, t.speedMax));
    p.direction = float(RandomBetween(t.directionMin, t.directionMax));
    p.orientation = float(RandomBetween(t.orientationMin, t.orientationMax));
    p.life = int32_t(RandomBetween(double(t.lifeMin), double(t.lifeMax)));
    p.age = 0;
    p.colour = ParticleColour(t, p);
    p.alpha = float(t.alpha1);
    p.size = float(RandomBetween(t.sizeMin, t.sizeMax));
    p.imageIndex = t.randomImage ? Random_Int(10000) : 0;
    p.seed = Random_Int(100000);
}

void Append(CParticleSystem& s, double x, double y, int type, int number) {
    std::vector<CParticleType>& types = TypesOf(s);
    if (number < 1 || type < 0 || size_t(type) >= types.size() || !types[size_t(type)].exists) return;
    const CParticleType t = types[size_t(type)];
    std::vector<CParticle>& ps = s.particles;
    const size_t need = ps.size() + size_t(number);
    if (need > ps.capacity()) ps.reserve(std::max(need, ps.capacity() + kParticleGrowth));
    for (int i = 0; i < number; ++i) {
        ps.push_back(CParticle{});
        MakeParticle(ps.back(), t, type, x, y);
    }
}

// A positive number makes that many; -n makes one with chance 1 in n.
void Spawn(CParticleSystem& s, double x, double y, int type, int number) {
    if (number < 0) {
        if (Random_Int(-number) == 0) Append(s, x, y, type, 1);
        return;
    }
    Append(s, x, y, type, number);
}

// Removes the dead, keeping the order of the living; their headings move with them.
void Compact(CParticleSystem& s) {
    std::vector<CParticle>& ps = s.particles;
    std::vector<CParticleHeading>& hs = s.headings;
    const size_t n = ps.size(), known = std::min(hs.size(), n);
    size_t out = 0;
    for (size_t i = 0; i < n; ++i) {
        if (ps[i].alive == 0) continue;
        if (out != i) {
            ps[out] = ps[i];
            if (out < known) hs[out] = i < known ? hs[i] : CParticleHeading{};
        }
        ++out;
    }
    ps.resize(out);
    if (hs.size() > out) hs.resize(out);
}

// The heading's cosine and sine for the direction, worked out only when it changed.
const CParticleHeading& Heading(CParticleHeading& h, float direction) {
    uint32_t bits;
    std::memcpy(&bits, &direction, sizeof bits);
    if (bits != h.key) {
        const double r = direction * kDegToRad;
        h.cosine = std::cos(r);
        h.sine = std::sin(r);
        h.key = bits;
    }
    return h;
}

// A value in [0, 1) with the emitter's distribution.
double Distributed(int distribution) {
    if (distribution != 1 && distribution != 2) return Random_Next01();
    for (;;) {
        const double s = (Random_Next01() - 0.5) * 6.0;
        if (Random_Next01() < std::exp(-s * s / 2)) {
            if (distribution == 1) return (s + 3) / 6;
            return (s < 0 ? s + 6 : s) / 6;
        }
    }
}

void Burst(CParticleSystem& s, const CParticleEmitter& e, int type, int number) {
    std::vector<CParticleType>& types = TypesOf(s);
    if (type < 0 || size_t(type) >= types.size() || !types[size_t(type)].exists) return;
    if (number < 0) {
        if (Random_Int(-number) != 0) return;
        number = 1;
    }
    for (int i = 0; i < number; ++i) {
        double u = 0, v = 0;
        for (;;) {
            u = Distributed(e.distribution);
            v = Distributed(e.distribution);
            if (e.distribution == 2 && e.shape != 3) {
                if (Random_Next01() < 0.5) u = Random_Next01();
                else v = Random_Next01();
            }
            if (e.shape == 1 && (u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5) > 0.25) continue;
            if (e.shape == 2 && std::fabs(u - 0.5) + std::fabs(v - 0.5) > 0.5) continue;
            if (e.shape == 3) v = u;
            break;
        }
        Append(s, e.xmin + (e.xmax - e.xmin) * u, e.ymin + (e.ymax - e.ymin) * v, type, 1);
    }
}

// Whether (x, y) lies in the region and, for shapes 1 (ellipse) and 2 (diamond), in the
// shape the region bounds.
bool InShape(double x, double y, double xmin, double xmax, double ymin, double ymax, int shape) {
    if (x < xmin || x > xmax || y < ymin || y > ymax) return false;
    if (shape != 1 && shape != 2) return true;
    const double hw = (xmax - xmin) / 2, hh = (ymax - ymin) / 2;
    const double dx = (x - (xmin + hw)) / hw, dy = (y - (ymin + hh)) / hh;
    return shape == 1 ? dx * dx + dy * dy <= 1 : std::fabs(dx) + std::fabs(dy) <= 1;
}

void StepLife(CParticleSystem& s) {
    const std::vector<CParticleType>& types = TypesOf(s);
    const size_t count = s.particles.size();
    bool anyDead = false;
    for (size_t i = 0; i < count; ++i) {
        CParticle& p = s.particles[i];
        ++p.age;
        const CParticleType* t = p.type >= 0 && size_t(p.type) < types.size() ? &types[size_t(p.type)] : nullptr;
        const double x = p.x, y = p.y;
        if (p.age >= p.life) {
            p.alive = 0;
            anyDead = true;
            if (t && t->deathNumber != 0) Spawn(s, x, y, t->deathType, t->deathNumber);
        } else if (t && t->stepNumber != 0) {
            Spawn(s, x, y, t->stepType, t->stepNumber);
        }
    }
    if (anyDead) Compact(s);
}

// What the motion of a type's particles needs, worked out once per update instead of
// once per particle.
struct CTypeMotion {
    double gravityX = 0, gravityY = 0;
};

void StepMotion(CParticleSystem& s) {
    const std::vector<CParticleType>& types = TypesOf(s);
    bool attractors = false;
    for (const CParticleAttractor& a : s.attractors) attractors = attractors || a.exists;
    static thread_local std::vector<CTypeMotion> motion;
    motion.resize(types.size());
    for (size_t i = 0; i < types.size(); ++i) {
        const CParticleType& t = types[i];
        motion[i].gravityX = std::cos(t.gravityDirection * kDegToRad) * t.gravity;
        motion[i].gravityY = std::sin(t.gravityDirection * kDegToRad) * t.gravity;
    }
    const size_t count = s.particles.size();
    s.headings.resize(count);
    for (size_t i = 0; i < count; ++i) {
        CParticle& p = s.particles[i];
        if (p.type < 0 || size_t(p.type) >= types.size()) continue;
        const CParticleType& t = types[size_t(p.type)];
        const CTypeMotion& m = motion[size_t(p.type)];
        CParticleHeading& heading = s.headings[i];
        p.xprevious = p.x;
        p.yprevious = p.y;
        p.speed = std::max(0.0f, float(p.speed + t.speedIncrease));
        p.direction = float(p.direction + t.directionIncrease);
        p.orientation = float(p.orientation + t.orientationIncrease);
        double dx = 0, dy = 0;
        if (t.gravity != 0 || attractors) {
            const CParticleHeading& h = Heading(heading, p.direction);
            double vx = h.cosine * p.speed;
            double vy = -h.sine * p.speed;
            vx += m.gravityX;
            vy -= m.gravityY;
            for (const CParticleAttractor& a : s.attractors) {
                if (!a.exists || a.distance == 0 || a.force == 0) continue;
                const double ax = a.x - p.x, ay = a.y - p.y;
                const double d = std::sqrt(ax * ax + ay * ay);
                if (d > a.distance || d == 0) continue;
                double f = a.force;
                if (a.kind == 1) f *= (a.distance - d) / a.distance;
                if (a.kind == 2) f *= ((a.distance - d) / a.distance) * ((a.distance - d) / a.distance);
                const double fx = f * ax / d, fy = f * ay / d;
                if (a.additive) {
                    vx += fx;
                    vy += fy;
                } else {
                    dx += fx;
                    dy += fy;
                }
            }
            p.speed = float(std::sqrt(vx * vx + vy * vy));
            if (vx != 0 || vy != 0) {
                double d = std::atan2(-vy, vx) / kDegToRad;
                if (d < 0) d += 360;
                p.direction = float(d);
            }
        }
        double w = double((p.age + 4 * p.seed) % 20) / 5.0;
        if (w > 2) w = 4 - w;
        const double move = p.speed + (w - 1) * t.speedWiggle;
        const CParticleHeading& h = Heading(heading, p.direction);
        p.x = float(p.x + h.cosine * move + dx);
        p.y = float(p.y - h.sine * move + dy);
    }
}

void StepDeflectors(CParticleSystem& s) {
    for (const CParticleDeflector& d : s.deflectors) {
        if (!d.exists || !(d.xmin < d.xmax) || !(d.ymin < d.ymax)) continue;
        for (CParticle& p : s.particles) {
            if (p.x < d.xmin || p.x > d.xmax || p.y < d.ymin || p.y > d.ymax) continue;
            if (d.kind == 1) {
                p.direction = 180 - p.direction;
                if (p.direction < 0) p.direction += 360;
                p.x = p.xprevious - (p.x - p.xprevious);
            } else {
                p.direction = 360 - p.direction;
                p.y = p.yprevious - (p.y - p.yprevious);
            }
            p.speed = std::max(0.0f, float(p.speed - d.friction));
        }
    }
}

void StepChangers(CParticleSystem& s) {
    std::vector<CParticleType>& types = TypesOf(s);
    for (const CParticleChanger& c : s.changers) {
        if (!c.exists || !(c.xmin < c.xmax) || !(c.ymin < c.ymax)) continue;
        if (c.typeTo < 0 || size_t(c.typeTo) >= types.size() || !types[size_t(c.typeTo)].exists) continue;
        const CParticleType to = types[size_t(c.typeTo)];
        for (CParticle& p : s.particles) {
            if (p.type != c.typeFrom || !InShape(p.x, p.y, c.xmin, c.xmax, c.ymin, c.ymax, c.shape)) continue;
            CParticle made{};
            MakeParticle(made, to, c.typeTo, p.x, p.y);
            if (c.kind == 0) {
                p = made;
                continue;
            }
            p.type = c.typeTo;
            if (c.kind == 1) {
                p.orientation = made.orientation;
                p.colour = made.colour;
                p.alpha = made.alpha;
                p.size = made.size;
                p.imageIndex = made.imageIndex;
            } else {
                p.speed = made.speed;
                p.direction = made.direction;
            }
        }
    }
}

void StepDestroyers(CParticleSystem& s) {
    bool any = false;
    for (const CParticleDestroyer& d : s.destroyers) {
        if (!d.exists || !(d.xmin < d.xmax) || !(d.ymin < d.ymax)) continue;
        for (CParticle& p : s.particles)
            if (p.alive && InShape(p.x, p.y, d.xmin, d.xmax, d.ymin, d.ymax, d.shape)) {
                p.alive = 0;
                any = true;
            }
    }
    if (any) Compact(s);
}

void StepAppearance(CParticleSystem& s) {
    const std::vector<CParticleType>& types = TypesOf(s);
    for (CParticle& p : s.particles) {
        if (p.type < 0 || size_t(p.type) >= types.size()) continue;
        const CParticleType& t = types[size_t(p.type)];
        p.size = std::max(0.0f, float(p.size + t.sizeIncrease));
        p.colour = ParticleColour(t, p);
        const double f = p.life < 1 ? 1.0 : 2.0 * double(p.age) / double(p.life);
        p.alpha = float(f < 1 ? (1 - f) * t.alpha1 + f * t.alpha2 : (2 - f) * t.alpha2 + (f - 1) * t.alpha3);
    }
}

void Update(CParticleSystem& s) {
    StepLife(s);
    StepMotion(s);
    if (!s.deflectors.empty()) StepDeflectors(s);
    if (!s.changers.empty()) StepChangers(s);
    if (!s.destroyers.empty()) StepDestroyers(s);
    StepAppearance(s);
    for (size_t i = 0; i < s.emitters.size(); ++i) {
        const CParticleEmitter e = s.emitters[i];
        if (e.exists && e.stream != 0) Burst(s, e, e.type, e.stream);
    }
}

void ResetSystem(CParticleSystem& s) {
    s.particles.clear();
    s.headings.clear();
    s.emitters.clear();
    s.attractors.clear();
    s.destroyers.clear();
    s.deflectors.clear();
    s.changers.clear();
    s.oldToNew = true;
    s.depth = 0;
    s.x = s.y = 0;
    s.autoUpdate = s.autoDraw = true;
}

}  // namespace

// --- types ------------------------------------------------------------------------------

int ParticleType_Create() { return TakeSlot(State().types); }
void ParticleType_Destroy(int type) {
    if (CParticleType* t = Slot(State().types, type)) t->exists = false;
}
bool ParticleType_Exists(int type) { return Slot(State().types, type) != nullptr; }
void ParticleType_Clear(int type) {
    if (CParticleType* t = Slot(State().types, type)) {
        *t = CParticleType{};
        t->exists = true;
    }
}
CParticleType* ParticleType_Get(int type) { return Slot(State().types, type); }

// --- systems ----------------------------------------------------------------------------

int ParticleSystem_Create() {
    std::vector<CParticleSystem>& table = State().systems;
    const int id = TakeSlot(table);
    ResetSystem(table[size_t(id)]);
    return id;
}
void ParticleSystem_Destroy(int system) {
    if (CParticleSystem* s = ParticleSystem_Get(system)) {
        ResetSystem(*s);
        s->particles.shrink_to_fit();
        s->headings.shrink_to_fit();
        s->exists = false;
    }
}
bool ParticleSystem_Exists(int system) { return ParticleSystem_Get(system) != nullptr; }
void ParticleSystem_Clear(int system) {
    if (CParticleSystem* s = ParticleSystem_Get(system)) ResetSystem(*s);
}
CParticleSystem* ParticleSystem_Get(int system) { return Slot(State().systems, system); }
int ParticleSystem_Count() { return int(State().systems.size()); }

void Particles_Create(int system, double x, double y, int type, int number) {
    if (CParticleSystem* s = ParticleSystem_Get(system)) Append(*s, x, y, type, number);
}

void Particles_CreateColour(int system, double x, double y, int type, uint32_t bgr, int number) {
    CParticleSystem* s = ParticleSystem_Get(system);
    if (!s) return;
    const size_t before = s->particles.size();
    Append(*s, x, y, type, number);
    for (size_t i = before; i < s->particles.size(); ++i) s->particles[i].colour = bgr & 0xFFFFFF;
}

void Particles_Clear(int system) {
    if (CParticleSystem* s = ParticleSystem_Get(system)) {
        s->particles.clear();
        s->headings.clear();
    }
}
int Particles_Count(int system) {
    const CParticleSystem* s = ParticleSystem_Get(system);
    return s ? int(s->particles.size()) : 0;
}

void ParticleSystem_Update(int system) {
    if (CParticleSystem* s = ParticleSystem_Get(system)) Update(*s);
}

void ParticleEmitter_Burst(int system, int emitter, int type, int number) {
    CParticleSystem* s = ParticleSystem_Get(system);
    if (!s) return;
    const CParticleEmitter* e = Slot(s->emitters, emitter);
    if (e) Burst(*s, CParticleEmitter(*e), type, number);
}

void Particles_UpdateAll() {
    CParticleState& st = State();
    // Systems made by an update's own code wait for the next frame.
    const size_t count = st.systems.size();
    for (size_t i = 0; i < count; ++i)
        if (st.systems[i].exists && st.systems[i].autoUpdate) Update(st.systems[i]);
    if (st.effectsReady) {
        Update(st.effectBelow);
        Update(st.effectAbove);
    }
}

namespace {

// The system a draw-order entry names, or null when it is gone.
CParticleSystem* DrawnSystem(int entry) {
    CParticleState& st = State();
    if (entry == kEffectsBelow) return &st.effectBelow;
    if (entry == kEffectsAbove) return &st.effectAbove;
    return Slot(st.systems, entry);
}

}  // namespace

int ParticleDraw_Order() {
    CParticleState& st = State();
    st.drawOrder.clear();
    for (size_t i = 0; i < st.systems.size(); ++i)
        if (st.systems[i].exists && st.systems[i].autoDraw) st.drawOrder.push_back(int(i));
    if (st.effectsReady) {
        st.drawOrder.push_back(kEffectsBelow);
        st.drawOrder.push_back(kEffectsAbove);
    }
    std::stable_sort(st.drawOrder.begin(), st.drawOrder.end(),
                     [](int a, int b) { return DrawnSystem(a)->depth > DrawnSystem(b)->depth; });
    return int(st.drawOrder.size());
}

double ParticleDraw_Depth(int n) {
    const CParticleSystem* s = Particle_DrawnSystem(n);
    return s ? s->depth : 0;
}

void Particles_FreeAll() {
    CParticleState& st = State();
    st.types.clear();
    st.systems.clear();
    st.drawOrder.clear();
    st.effectTypes.clear();
    ResetSystem(st.effectBelow);
    ResetSystem(st.effectAbove);
    st.effectsReady = false;
}

// The drawing and the effects live in particle_draw.cpp and particle_effects.cpp; they
// reach the state through these.
CParticleSystem* Particle_DrawnSystem(int n) {
    const CParticleState& st = State();
    return n >= 0 && size_t(n) < st.drawOrder.size() ? DrawnSystem(st.drawOrder[size_t(n)]) : nullptr;
}
const std::vector<CParticleType>& Particle_TypesOf(const CParticleSystem& s) { return TypesOf(s); }
CParticleSystem& Particle_EffectSystem(bool above) {
    CParticleState& st = State();
    if (!st.effectsReady) {
        st.effectsReady = true;
        ResetSystem(st.effectBelow);
        ResetSystem(st.effectAbove);
        st.effectBelow.exists = st.effectAbove.exists = true;
        // Beyond the instances' usual depths, but inside what the view's depth range shows.
        st.effectBelow.depth = 11000;
        st.effectAbove.depth = -11000;
    }
    return above ? st.effectAbove : st.effectBelow;
}
std::vector<CParticleType>& Particle_EffectTypes() { return State().effectTypes; }
void Particle_AppendTo(CParticleSystem& s, double x, double y, int type, int number) { Append(s, x, y, type, number); }
