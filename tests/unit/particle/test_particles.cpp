// Particle systems without a device: counts and positions over updates, the effectors,
// and the appearance over life. Every test starts from empty tables and a fixed seed.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "particle/particle.h"
#include "value/random.h"

namespace {

class ParticleTest : public ::testing::Test {
protected:
    void SetUp() override {
        Particles_FreeAll();
        Random_SetSeed(1234);
    }
    void TearDown() override { Particles_FreeAll(); }

    // A type whose particles live `life` steps and move at `speed` in `direction`.
    static int Type(int life = 100, double speed = 0, double direction = 0) {
        const int t = ParticleType_Create();
        CParticleType* p = ParticleType_Get(t);
        p->lifeMin = p->lifeMax = life;
        p->speedMin = p->speedMax = speed;
        p->directionMin = p->directionMax = direction;
        return t;
    }
    static CParticleSystem& Sys(int s) { return *ParticleSystem_Get(s); }
    static void Updates(int s, int n) {
        for (int i = 0; i < n; ++i) ParticleSystem_Update(s);
    }
};

TEST_F(ParticleTest, LifeCountsEveryUpdateAndTheTenthRemoves) {
    const int s = ParticleSystem_Create();
    Particles_Create(s, 0, 0, Type(10), 3);
    for (int step = 1; step <= 10; ++step) {
        ParticleSystem_Update(s);
        EXPECT_EQ(Particles_Count(s), step < 10 ? 3 : 0) << "after update " << step;
    }
    // Nothing is made for a missing system or type or a count below 1.
    Particles_Create(s, 0, 0, 99, 5);
    Particles_Create(s, 0, 0, 0, 0);
    Particles_Create(s + 1, 0, 0, 0, 5);
    EXPECT_EQ(Particles_Count(s), 0);
}

TEST_F(ParticleTest, MotionOverUpdates) {
    struct Case {
        const char* what;
        std::function<void(CParticleType&)> setup;
        int updates;
        float x, y, speed, direction;
    };
    const Case cases[] = {
        {"speed 2 to the right", [](CParticleType& t) { t.speedMin = t.speedMax = 2; }, 5, 10, 0, 2, 0},
        {"speed 1 straight up",
         [](CParticleType& t) { t.speedMin = t.speedMax = 1, t.directionMin = t.directionMax = 90; }, 3, 0, -3, 1, 90},
        {"speed increase -1 on 0.5 stops at 0",
         [](CParticleType& t) { t.speedMin = t.speedMax = 0.5, t.speedIncrease = -1; }, 1, 0, 0, 0, 0},
        {"speed increase 1 accelerates", [](CParticleType& t) { t.speedMin = t.speedMax = 1, t.speedIncrease = 1; }, 3,
         2 + 3 + 4, 0, 4, 0},
        {"gravity 1 down adds to the velocity each update", [](CParticleType& t) { t.gravity = 1; }, 3, 0, 1 + 2 + 3, 3,
         270},
        {"direction increase turns", [](CParticleType& t) { t.speedMin = t.speedMax = 0, t.directionIncrease = 10; }, 3,
         0, 0, 0, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Particles_FreeAll();
        const int t = Type();
        c.setup(*ParticleType_Get(t));
        const int s = ParticleSystem_Create();
        Particles_Create(s, 0, 0, t, 1);
        Updates(s, c.updates);
        ASSERT_EQ(Particles_Count(s), 1);
        const CParticle& p = Sys(s).particles[0];
        EXPECT_NEAR(p.x, c.x, 1e-4);
        EXPECT_NEAR(p.y, c.y, 1e-4);
        EXPECT_NEAR(p.speed, c.speed, 1e-4);
        EXPECT_NEAR(p.direction, c.direction, 1e-3);
    }
}

// The speed wiggle runs a triangle wave from -1 to +1 times the wiggle over 20 steps,
// phased by the particle's seed.
TEST_F(ParticleTest, SpeedWiggleFollowsTheSeed) {
    struct Case {
        int seed;
        double w;  // the wave's value at age 1
    };
    const Case cases[] = {{1, 1.0}, {2, 1.8}, {3, 1.4}, {4, 0.6}, {5, 0.2}, {6, 1.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seed);
        Particles_FreeAll();
        const int t = Type(100, 3, 0);
        ParticleType_Get(t)->speedWiggle = 2;
        const int s = ParticleSystem_Create();
        Particles_Create(s, 0, 0, t, 1);
        Sys(s).particles[0].seed = c.seed;
        ParticleSystem_Update(s);
        EXPECT_NEAR(Sys(s).particles[0].x, 3 + (c.w - 1) * 2, 1e-5);
    }
}

TEST_F(ParticleTest, StepAndDeathParticles) {
    const int child = Type(100);
    struct Case {
        const char* what;
        int stepNumber, deathNumber, parents;
        int expectChildren;
    };
    const Case cases[] = {
        {"two death particles each", 0, 2, 3, 6},
        {"no death particles for 0", 0, 0, 3, 0},
        {"one step particle each while alive", 1, 0, 4, 4},
        {"step and death together", 3, 1, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int parent = Type(c.stepNumber != 0 && c.deathNumber == 0 ? 100 : 1);
        CParticleType* p = ParticleType_Get(parent);
        p->stepType = p->deathType = child;
        p->stepNumber = c.stepNumber;
        p->deathNumber = c.deathNumber;
        const int s = ParticleSystem_Create();
        Particles_Create(s, 7, 9, parent, c.parents);
        ParticleSystem_Update(s);
        int children = 0;
        for (const CParticle& q : Sys(s).particles)
            if (q.type == child) {
                ++children;
                EXPECT_EQ(q.age, 0) << "made during the update, aged from the next";
                EXPECT_FLOAT_EQ(q.x, 7);
                EXPECT_FLOAT_EQ(q.y, 9);
            }
        EXPECT_EQ(children, c.expectChildren);
        ParticleSystem_Destroy(s);
    }
}

TEST_F(ParticleTest, NegativeDeathNumberIsAChance) {
    const int child = Type(100);
    const int parent = Type(1);
    ParticleType_Get(parent)->deathType = child;
    ParticleType_Get(parent)->deathNumber = -3;
    const int s = ParticleSystem_Create();
    Particles_Create(s, 0, 0, parent, 3000);
    ParticleSystem_Update(s);
    EXPECT_GT(Particles_Count(s), 850);
    EXPECT_LT(Particles_Count(s), 1150);
}

TEST_F(ParticleTest, BurstsFillTheirRegionsShape) {
    struct Case {
        const char* what;
        int shape, distribution;
        std::function<bool(double u, double v)> inside;  // u, v: 0..1 across the region
    };
    auto rect = [](double u, double v) { return u >= 0 && u <= 1 && v >= 0 && v <= 1; };
    const Case cases[] = {
        {"rectangle, linear", 0, 0, rect},
        {"rectangle, gaussian", 0, 1, rect},
        {"rectangle, inverse gaussian", 0, 2, rect},
        {"ellipse", 1, 0, [](double u, double v) { return (u - .5) * (u - .5) + (v - .5) * (v - .5) <= 0.25 + 1e-6; }},
        {"diamond", 2, 0, [](double u, double v) { return std::fabs(u - .5) + std::fabs(v - .5) <= 0.5 + 1e-6; }},
        {"line: the diagonal", 3, 1, [](double u, double v) { return std::fabs(u - v) < 1e-4; }},
    };
    const int t = Type();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int s = ParticleSystem_Create();
        CParticleSystem& sys = Sys(s);
        sys.emitters.push_back(CParticleEmitter{true, 0, 100, 140, 200, 220, c.distribution, c.shape, -1});
        ParticleEmitter_Burst(s, 0, t, 400);
        ASSERT_EQ(Particles_Count(s), 400);
        double spread = 0;
        for (const CParticle& p : sys.particles) {
            const double u = (p.x - 100) / 40, v = (p.y - 200) / 20;
            EXPECT_TRUE(c.inside(u, v)) << p.x << ", " << p.y;
            spread += std::fabs(u - 0.5);
        }
        // Gaussian draws gather in the middle, inverse gaussian ones at the edges.
        spread /= 400;
        if (c.shape == 0 && c.distribution == 0) EXPECT_NEAR(spread, 0.25, 0.03);
        if (c.shape == 0 && c.distribution == 1) EXPECT_LT(spread, 0.2);
        ParticleSystem_Destroy(s);
    }
}

TEST_F(ParticleTest, StreamsBurstEveryUpdateAndNegativeBurstsAreChances) {
    const int t = Type();
    const int s = ParticleSystem_Create();
    Sys(s).emitters.push_back(CParticleEmitter{true, 5, 0, 10, 0, 10, 0, 0, t});
    Updates(s, 3);
    EXPECT_EQ(Particles_Count(s), 15);
    Sys(s).emitters[0].stream = 0;
    Particles_Clear(s);
    for (int i = 0; i < 2000; ++i) ParticleEmitter_Burst(s, 0, t, -4);
    EXPECT_GT(Particles_Count(s), 400);
    EXPECT_LT(Particles_Count(s), 600);
    // A destroyed emitter bursts nothing.
    Sys(s).emitters[0].exists = false;
    const int before = Particles_Count(s);
    ParticleEmitter_Burst(s, 0, t, 10);
    EXPECT_EQ(Particles_Count(s), before);
}

// Particles on a grid over 0..20 x 0..20 (spacing 2) against a destroyer over the same
// square.
TEST_F(ParticleTest, DestroyersRemoveByShape) {
    struct Case {
        int shape;
        std::function<bool(double dx, double dy)> removed;  // offsets from the centre / 10
    };
    const Case cases[] = {
        {0, [](double, double) { return true; }},
        {1, [](double dx, double dy) { return dx * dx + dy * dy <= 1; }},
        {2, [](double dx, double dy) { return std::fabs(dx) + std::fabs(dy) <= 1; }},
    };
    const int t = Type();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        const int s = ParticleSystem_Create();
        int expectLeft = 0;
        for (int y = -4; y <= 24; y += 2)
            for (int x = -4; x <= 24; x += 2) {
                Particles_Create(s, x, y, t, 1);
                const bool inRect = x >= 0 && x <= 20 && y >= 0 && y <= 20;
                if (!(inRect && c.removed((x - 10) / 10.0, (y - 10) / 10.0))) ++expectLeft;
            }
        Sys(s).destroyers.push_back(CParticleDestroyer{true, 0, 20, 0, 20, c.shape});
        ParticleSystem_Update(s);
        EXPECT_EQ(Particles_Count(s), expectLeft);
        bool cornerKept = false;
        for (const CParticle& p : Sys(s).particles) cornerKept = cornerKept || (p.x == 0 && p.y == 0);
        EXPECT_EQ(cornerKept, c.shape != 0) << "the region's corner";
        ParticleSystem_Destroy(s);
    }
}

TEST_F(ParticleTest, DeflectorsBounceAndSlow) {
    struct Case {
        const char* what;
        int kind;
        double direction;
        float x, y, dir;  // after the update that enters the region
        float x3, y3;     // after the next one, on the new course
    };
    // The particle starts at (0, 0) with speed 4; the region covers 5..10 on both axes
    // away from the start, so the second update enters it.
    const Case cases[] = {
        {"horizontal kind reverses x", 1, 0, 0, 0, 180, -3, 0},
        {"vertical kind reverses y", 0, 270, 0, 0, 90, 0, -3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Particles_FreeAll();
        const int t = Type(100, 4, c.direction);
        const int s = ParticleSystem_Create();
        Particles_Create(s, 0, 0, t, 1);
        Sys(s).deflectors.push_back(c.kind == 1 ? CParticleDeflector{true, 5, 10, -1, 1, c.kind, 1}
                                                : CParticleDeflector{true, -1, 1, 5, 10, c.kind, 1});
        Updates(s, 2);
        const CParticle& p = Sys(s).particles[0];
        EXPECT_NEAR(p.x, c.kind == 1 ? 0 : 0, 1e-4);
        EXPECT_NEAR(p.y, 0, 1e-4);
        EXPECT_NEAR(p.direction, c.dir, 1e-3);
        EXPECT_FLOAT_EQ(p.speed, 3) << "friction 1 taken off";
        ParticleSystem_Update(s);
        EXPECT_NEAR(p.x, c.x3, 1e-4);
        EXPECT_NEAR(p.y, c.y3, 1e-4);
    }
}

// Each survivor keeps moving on its own course when particles before it die and the
// array closes up, with and without gravity bending the course.
TEST_F(ParticleTest, SurvivorsKeepTheirCoursesWhenOthersDie) {
    for (const double gravity : {0.0, 0.5}) {
        SCOPED_TRACE(gravity);
        Particles_FreeAll();
        const int s = ParticleSystem_Create();
        const double directions[] = {0, 90, 180, 270, 45};
        for (int i = 0; i < 5; ++i) {
            const int t = Type(i % 2 == 0 ? 100 : 2, 2, directions[i]);
            ParticleType_Get(t)->gravity = gravity;
            Particles_Create(s, 0, 0, t, 1);
        }
        Updates(s, 5);
        ASSERT_EQ(Particles_Count(s), 3);
        for (int k = 0; k < 3; ++k) {
            // Five steps at speed 2 on the starting course, gravity's pull downwards
            // adding 1 + 2 + 3 + 4 + 5 times its amount.
            const double a = directions[2 * k] * std::numbers::pi / 180;
            const CParticle& p = Sys(s).particles[size_t(k)];
            EXPECT_NEAR(p.x, 10 * std::cos(a), 1e-3) << "survivor " << k;
            EXPECT_NEAR(p.y, -10 * std::sin(a) + 15 * gravity, 1e-3) << "survivor " << k;
        }
    }
}

TEST_F(ParticleTest, AttractorsPull) {
    struct Case {
        const char* what;
        int kind;
        bool additive;
        float x1, x2;  // after one and two updates
    };
    // Attractor at (10, 0), force 1, distance 100; the particle starts still at (0, 0).
    const Case cases[] = {
        {"constant, displacement only", 0, false, 1, 2},
        {"constant, additive builds speed", 0, true, 1, 3},
        {"linear falls off with distance", 1, false, 0.9f, 0.9f + 0.909f},
        {"quadratic", 2, false, 0.81f, 0.81f + 0.9081f * 0.9081f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Particles_FreeAll();
        const int t = Type();
        const int s = ParticleSystem_Create();
        Particles_Create(s, 0, 0, t, 1);
        Sys(s).attractors.push_back(CParticleAttractor{true, 10, 0, 1, 100, c.kind, c.additive});
        ParticleSystem_Update(s);
        EXPECT_NEAR(Sys(s).particles[0].x, c.x1, 1e-4);
        ParticleSystem_Update(s);
        EXPECT_NEAR(Sys(s).particles[0].x, c.x2, 1e-4);
        EXPECT_NEAR(Sys(s).particles[0].y, 0, 1e-4);
    }
    // Out of reach: nothing moves.
    const int t = Type();
    const int s = ParticleSystem_Create();
    Particles_Create(s, 0, 0, t, 1);
    Sys(s).attractors.push_back(CParticleAttractor{true, 10, 0, 1, 5, 0, false});
    ParticleSystem_Update(s);
    EXPECT_FLOAT_EQ(Sys(s).particles[0].x, 0);
}

TEST_F(ParticleTest, ChangersTurnOneTypeIntoAnother) {
    const int from = Type(100, 1, 0);
    const int to = Type(50, 5, 90);
    ParticleType_Get(to)->colour[0] = 0x0000FF;
    struct Case {
        int kind;
        float speed, direction;
        int life;
        uint32_t colour;
    };
    // kind 0: all of the new particle; 1: its look (colour) only; 2: its motion only.
    const Case cases[] = {{0, 5, 90, 50, 0x0000FF}, {1, 1, 0, 100, 0x0000FF}, {2, 5, 90, 100, 0xFFFFFF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const int s = ParticleSystem_Create();
        Particles_Create(s, 0, 0, from, 1);
        Particles_Create(s, 50, 50, from, 1);  // outside the region: unchanged
        Sys(s).changers.push_back(CParticleChanger{true, -5, 5, -5, 5, 0, from, to, c.kind});
        ParticleSystem_Update(s);
        const CParticle& p = Sys(s).particles[0];
        EXPECT_EQ(p.type, to);
        EXPECT_FLOAT_EQ(p.speed, c.speed);
        EXPECT_FLOAT_EQ(p.direction, c.direction);
        EXPECT_EQ(p.life, c.life);
        EXPECT_EQ(p.colour, c.colour);
        EXPECT_EQ(Sys(s).particles[1].type, from);
        ParticleSystem_Destroy(s);
    }
}

TEST_F(ParticleTest, ColourAndAlphaOverLife) {
    const int t = Type(10);
    CParticleType& type = *ParticleType_Get(t);
    type.colourMode = 2;
    type.colour[0] = 0x000000, type.colour[1] = 0x0000FF, type.colour[2] = 0xFFFFFF;
    type.alpha1 = 1, type.alpha2 = 0.5, type.alpha3 = 0;
    const int s = ParticleSystem_Create();
    Particles_Create(s, 0, 0, t, 1);
    struct Expect {
        int age;
        uint32_t colour;
        float alpha;
    };
    // t = 2 * age / life: 0.4, 1.0, 1.6.
    const Expect expects[] = {{2, 0x000066, 0.8f}, {5, 0x0000FF, 0.5f}, {8, 0x9999FF, 0.2f}};
    int age = 0;
    for (const Expect& e : expects) {
        Updates(s, e.age - age);
        age = e.age;
        SCOPED_TRACE(age);
        const CParticle& p = Sys(s).particles[0];
        EXPECT_EQ(p.colour, e.colour);
        EXPECT_NEAR(p.alpha, e.alpha, 1e-6);
    }
}

TEST_F(ParticleTest, AutomaticUpdateOffLeavesASystemToItsCalls) {
    const int t = Type(100, 1, 0);
    const int on = ParticleSystem_Create(), off = ParticleSystem_Create();
    Particles_Create(on, 0, 0, t, 1);
    Particles_Create(off, 0, 0, t, 1);
    Sys(off).autoUpdate = false;
    Particles_UpdateAll();
    Particles_UpdateAll();
    EXPECT_FLOAT_EQ(Sys(on).particles[0].x, 2);
    EXPECT_FLOAT_EQ(Sys(off).particles[0].x, 0);
    ParticleSystem_Update(off);
    EXPECT_FLOAT_EQ(Sys(off).particles[0].x, 1);
}

TEST_F(ParticleTest, IdsAreReusedAndTheDrawOrderFollowsDepth) {
    const int a = ParticleSystem_Create(), b = ParticleSystem_Create(), c = ParticleSystem_Create();
    EXPECT_EQ(b, a + 1);
    ParticleSystem_Destroy(b);
    EXPECT_FALSE(ParticleSystem_Exists(b));
    EXPECT_EQ(ParticleSystem_Create(), b);
    Sys(a).depth = -5, Sys(b).depth = 10, Sys(c).depth = 0;
    Sys(c).autoDraw = false;
    ASSERT_EQ(ParticleDraw_Order(), 2);
    EXPECT_EQ(ParticleDraw_Depth(0), 10);
    EXPECT_EQ(ParticleDraw_Depth(1), -5);
    // Clearing goes back to a fresh system's settings.
    ParticleSystem_Clear(a);
    EXPECT_EQ(Sys(a).depth, 0);
    EXPECT_TRUE(Sys(a).oldToNew && Sys(a).autoUpdate && Sys(a).autoDraw);
}

// The same seed gives the same particles: every random draw comes from the engine's
// generator.
TEST_F(ParticleTest, SeededSystemsRepeat) {
    auto run = [] {
        Particles_FreeAll();
        Random_SetSeed(77);
        const int t = ParticleType_Create();
        CParticleType& type = *ParticleType_Get(t);
        type.speedMin = 1, type.speedMax = 3, type.directionMin = 0, type.directionMax = 360;
        type.lifeMin = 5, type.lifeMax = 30, type.colourMode = 3;
        type.colour[1] = type.colour[3] = type.colour[5] = 255;
        const int s = ParticleSystem_Create();
        ParticleSystem_Get(s)->emitters.push_back(CParticleEmitter{true, 4, 0, 50, 0, 50, 1, 1, t});
        for (int i = 0; i < 20; ++i) ParticleSystem_Update(s);
        std::vector<float> out;
        for (const CParticle& p : ParticleSystem_Get(s)->particles) out.insert(out.end(), {p.x, p.y, float(p.colour)});
        return out;
    };
    const std::vector<float> first = run();
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(run(), first);
}

TEST(ParticleShapes, FourteenDistinctPicturesWithClearBorders) {
    std::vector<std::vector<uint32_t>> seen;
    for (int shape = 0; shape < kParticleShapeCount; ++shape) {
        SCOPED_TRACE(shape);
        const std::vector<uint32_t> pixels = ParticleShape_Pixels(shape);
        ASSERT_EQ(pixels.size(), size_t(kParticleShapeSize * kParticleShapeSize));
        bool any = false;
        for (size_t i = 0; i < pixels.size(); ++i) {
            EXPECT_EQ(pixels[i] & 0xFFFFFF, 0xFFFFFFu);
            any = any || (pixels[i] >> 24) != 0;
            const size_t x = i % kParticleShapeSize, y = i / kParticleShapeSize;
            if (x == 0 || y == 0 || x == kParticleShapeSize - 1 || y == kParticleShapeSize - 1)
                EXPECT_EQ(pixels[i] >> 24, 0u);
        }
        EXPECT_TRUE(any);
        for (const auto& other : seen) EXPECT_NE(other, pixels);
        seen.push_back(pixels);
    }
    EXPECT_TRUE(ParticleShape_Pixels(kParticleShapeCount).empty());
}

}  // namespace
