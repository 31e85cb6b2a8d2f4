// Drawing a system: the shapes come from one texture that holds all fourteen, so a
// system of shape particles is one run of quads in the batch.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "graphics/sprite_draw.h"
#include "graphics/texture.h"
#include "particle/particle_internal.h"

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
// The shapes sit in a 4 x 4 grid of 64-pixel cells.
constexpr int kAtlasColumns = 4;
constexpr int kAtlasSize = kAtlasColumns * kParticleShapeSize;

int g_atlas = -1;

int AtlasTexture() {
    if (g_atlas >= 0 && Texture_Exists(g_atlas)) return g_atlas;
    if (!Graphics_Ready()) return -1;
    std::vector<uint32_t> atlas(size_t(kAtlasSize) * kAtlasSize, 0x00FFFFFFu);
    for (int shape = 0; shape < kParticleShapeCount; ++shape) {
        const std::vector<uint32_t> pixels = ParticleShape_Pixels(shape);
        const int ox = (shape % kAtlasColumns) * kParticleShapeSize, oy = (shape / kAtlasColumns) * kParticleShapeSize;
        for (int y = 0; y < kParticleShapeSize; ++y)
            for (int x = 0; x < kParticleShapeSize; ++x)
                atlas[size_t(oy + y) * kAtlasSize + size_t(ox + x)] =
                    pixels[size_t(y) * kParticleShapeSize + size_t(x)];
    }
    g_atlas = Texture_CreateFromPixels(atlas.data(), kAtlasSize, kAtlasSize);
    return g_atlas;
}

// A triangle wave over 16 steps from 0 to 2 and back.
double Phase(int64_t step) {
    const double v = double(step % 16) * 0.25;
    return v > 2 ? 4 - v : v;
}

int FrameCount(const CSprite& s) { return s.FromDataFile() ? int(s.frameCount) : int(s.bitmaps.size()); }

}  // namespace

void Particle_DrawSystem(CParticleSystem& s) {
    const std::vector<CParticleType>& types = Particle_TypesOf(s);
    const size_t n = s.particles.size();
    if (n == 0) return;
    const int atlasId = AtlasTexture();
    const CTextureEntry* atlas = atlasId >= 0 ? Texture_Entry(atlasId) : nullptr;
    const float z = Graphics_Depth();
    const uint32_t savedSource = Graphics_RenderState(kRsSrcBlend), savedDest = Graphics_RenderState(kRsDestBlend);
    bool additive = false;
    // Quads are taken from the batch in blocks as large as it allows; the unused tail
    // goes back before anything else draws.
    VertexPCT* block = nullptr;
    int blockQuads = 0;
    auto giveBack = [&] {
        if (blockQuads > 0) Graphics_ReturnVerts(blockQuads * 4);
        block = nullptr;
        blockQuads = 0;
    };
    auto restoreBlend = [&] {
        if (savedSource == 0xFFFFFFFFu || savedDest == 0xFFFFFFFFu) Graphics_SetBlendMode(0);
        else Graphics_SetBlendFactors(int(savedSource), int(savedDest));
    };
    for (size_t k = 0; k < n; ++k) {
        const CParticle& p = s.particles[s.oldToNew ? k : n - 1 - k];
        if (p.life < 1 || p.type < 0 || size_t(p.type) >= types.size()) continue;
        const CParticleType& t = types[size_t(p.type)];
        const double a = Phase(int64_t(p.age) + 2 * int64_t(p.seed)), b = Phase(int64_t(p.age) + int64_t(p.seed));
        const double angle =
            p.orientation + (t.orientationRelative ? p.direction : 0.0f) + t.orientationWiggle * (a - 1);
        const double size = p.size + t.sizeWiggle * (b - 1);
        if (t.additive != additive) {
            giveBack();
            additive = t.additive;
            if (additive) Graphics_SetBlendMode(1);
            else restoreBlend();
        }
        const float x = float(p.x + s.x), y = float(p.y + s.y);
        if (CSprite* sprite = t.sprite >= 0 ? Sprite_Get(t.sprite) : nullptr) {
            giveBack();
            const int frames = FrameCount(*sprite);
            if (frames < 1) continue;
            int frame = p.imageIndex;
            if (t.animate && t.stretch) frame = int(double(p.age) * frames / p.life) + p.imageIndex;
            else if (t.animate) frame = p.imageIndex + p.age;
            Sprite_DrawExt(t.sprite, frame, x, y, float(t.xscale * size), float(t.yscale * size), float(angle),
                           p.colour, p.alpha);
            continue;
        }
        if (t.shape < 0 || t.shape >= kParticleShapeCount || !atlas || !atlas->texture) continue;
        const float hw = float(32 * t.xscale * size), hh = float(32 * t.yscale * size);
        const float cx = std::trunc(x), cy = std::trunc(y);
        const float px[4] = {-hw, hw, hw, -hw}, py[4] = {-hh, -hh, hh, hh};
        float xs[4], ys[4];
        if (std::fabs(angle) >= 0.01) {
            // Counter-clockwise on a screen whose y grows downwards.
            const float c = float(std::cos(angle * kDegToRad)), sn = float(std::sin(angle * kDegToRad));
            for (int i = 0; i < 4; ++i) {
                xs[i] = cx + px[i] * c + py[i] * sn;
                ys[i] = cy - px[i] * sn + py[i] * c;
            }
        } else {
            for (int i = 0; i < 4; ++i) xs[i] = cx + px[i], ys[i] = cy + py[i];
        }
        const float cell = float(kParticleShapeSize);
        const float u0 = float(t.shape % kAtlasColumns) * cell * atlas->invWidth;
        const float v0 = float(t.shape / kAtlasColumns) * cell * atlas->invHeight;
        const float u1 = u0 + cell * atlas->invWidth, v1 = v0 + cell * atlas->invHeight;
        const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
        if (blockQuads == 0) {
            const int quads = int(std::min<size_t>(n - k, size_t(kBatchVertices / 4)));
            block = static_cast<VertexPCT*>(Graphics_AllocQuads(atlas->texture, sizeof(VertexPCT), quads));
            if (!block) continue;
            blockQuads = quads;
        }
        VertexPCT* q = block;
        block += 4;
        --blockQuads;
        const uint32_t colour = Colour_ToDevice(p.colour & 0xFFFFFF, Alpha_ToByte(p.alpha));
        for (int i = 0; i < 4; ++i) q[i] = VertexPCT{xs[i], ys[i], z, colour, us[i], vs[i]};
    }
    giveBack();
    if (additive) restoreBlend();
}

void ParticleSystem_Draw(int system) {
    if (CParticleSystem* s = ParticleSystem_Get(system)) Particle_DrawSystem(*s);
}

void ParticleDraw_System(int n) {
    if (CParticleSystem* s = Particle_DrawnSystem(n)) Particle_DrawSystem(*s);
}
