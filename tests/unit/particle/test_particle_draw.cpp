// Shape particles on the real device: the quads cut down to their visible texels must
// give exactly the picture of the whole quads, under every blend state and filter.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gl/gl_backend.h"
#include "graphics/graphics.h"
#include "particle/particle.h"
#include "platform/window.h"
#include "value/random.h"

namespace {

constexpr int kW = 160, kH = 120;

// Every shape, at sizes that put texel edges on and off pixel centres, turned and not,
// stretched and not, normal and additive, in colours that show each channel.
void MakeScene(int system) {
    const double sizes[] = {0.25, 0.5, 1.0, 0.2, 0.37, 0.61};
    const double angles[] = {0, 30, 45.5, 90, 0.005, 200};
    int n = 0;
    for (int shape = 0; shape < kParticleShapeCount; ++shape)
        for (int variant = 0; variant < 6; ++variant, ++n) {
            const int type = ParticleType_Create();
            CParticleType& t = *ParticleType_Get(type);
            t.shape = shape;
            t.sizeMin = t.sizeMax = sizes[variant];
            t.xscale = variant == 4 ? 1.5 : 1;
            t.yscale = variant == 5 ? 0.7 : 1;
            t.orientationMin = t.orientationMax = angles[(shape + variant) % 6];
            t.additive = variant % 3 == 1;
            t.colourMode = 0;
            t.colour[0] = uint32_t(0x2040F0 + n * 0x050B13) & 0xFFFFFF;
            t.alpha1 = variant == 2 ? 0.6 : 1;
            Particles_Create(system, 8 + (n * 23) % (kW - 16) + 0.5 * (n % 2), 8 + (n * 7) % (kH - 16), type, 1);
        }
}

struct TBlendCase {
    const char* name;
    int source, destination;
};

TEST(ParticleDrawOnDevice, TrimmedShapesDrawTheSamePixelsAsWholeOnes) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_TRUE(Platform_Init(true));
    {
        TWindow window;
        ASSERT_TRUE(window.Create(kW, kH, 0));
        GLBackend_Install();
        if (!Graphics_Init(window, kW, kH, 0)) {
            Platform_Shutdown();
            FAIL() << "no GL device: " << Graphics_LastError();
        }
        Particles_FreeAll();
        Random_SetSeed(7);
        const int system = ParticleSystem_Create();
        MakeScene(system);
        // Normal and additive leave the target alone where alpha is 0; the others
        // change it there, so the whole quad must still be drawn.
        const TBlendCase cases[] = {{"normal", 5, 6},   {"add", 5, 2},     {"max", 5, 4},
                                    {"subtract", 1, 4}, {"one one", 2, 2}, {"both src alpha", 12, 0}};
        for (const TBlendCase& c : cases)
            for (bool interpolate : {false, true}) {
                SCOPED_TRACE(std::string(c.name) + (interpolate ? " interpolated" : " point"));
                std::vector<uint32_t> pictures[2];
                for (int trim = 0; trim < 2; ++trim) {
                    ParticleDraw_SetTrimming(trim == 1);
                    Graphics_BeginFrame();
                    Graphics_Clear(0xFF402010u, 1, 0, 7);
                    Graphics_SetInterpolation(interpolate);
                    Graphics_SetBlendFactors(c.source, c.destination);
                    ParticleSystem_Draw(system);
                    int w = 0, h = 0;
                    pictures[trim] = Graphics_ReadScreen(0, 0, kW, kH, w, h);
                    ASSERT_EQ(w, kW);
                    Graphics_EndFrame(false);
                }
                int differ = 0, drawn = 0;
                for (size_t i = 0; i < pictures[0].size(); ++i) {
                    differ += pictures[0][i] != pictures[1][i];
                    drawn += pictures[0][i] != pictures[0][0];
                }
                EXPECT_GT(drawn, 1000);
                EXPECT_EQ(differ, 0);
            }
        ParticleDraw_SetTrimming(true);
        Particles_FreeAll();
        Graphics_Shutdown();
    }
    Platform_Shutdown();
}

}  // namespace
