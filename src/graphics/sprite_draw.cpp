// Drawing sprites and backgrounds.
//
// Every frame is drawn through a texture page entry: data-file frames through their
// own, run-time frames through one made up to cover their whole texture, so both kinds
// land on the same pixels for the same call.
#include "graphics/sprite_draw.h"
#include "data/game.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "data/game_resources.h"
#include "graphics/background.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "graphics/texture.h"
#include "vm/machine.h"

namespace {

constexpr float kDegToRad = 3.1415927f / 180.0f;
constexpr float kGeneralDegToRad = 0.017453292f;
// More copies than this in one tiled draw cannot be meant; the rest is dropped.
constexpr int64_t kMaxTileCopies = int64_t(1) << 20;

CTexturePageEntry WholeEntry(int width, int height, int texture) {
    CTexturePageEntry e{};
    e.sourceWidth = e.targetWidth = e.fullWidth = int16_t(width);
    e.sourceHeight = e.targetHeight = e.fullHeight = int16_t(height);
    e.texture = int16_t(texture);
    return e;
}

// A run-time picture's texture, made when it is first needed (a picture made while
// there was no device still draws once there is one).
int PictureTexture(const CBitmap32& bitmap, int& texture) {
    if (texture < 0 && !bitmap.Empty() && Graphics_Ready())
        texture = Texture_CreateFromPixels(bitmap.Pixels(), bitmap.Width(), bitmap.Height());
    return texture;
}

bool PictureEntry(const CBitmap32& bitmap, int& texture, CTexturePageEntry& out) {
    const int t = PictureTexture(bitmap, texture);
    if (t < 0 || t > INT16_MAX || bitmap.Empty()) return false;
    out = WholeEntry(bitmap.Width(), bitmap.Height(), t);
    return true;
}

uint32_t DeviceColour(uint32_t bgr, double alpha) { return Colour_ToDevice(bgr & 0xFFFFFF, Alpha_ToByte(alpha)); }

void Emit(int primitive, const CTextureEntry& texture, const VertexPCT* v, int n) {
    void* p = Graphics_AllocVerts(primitive, texture.texture, int(sizeof(VertexPCT)), n);
    if (p != nullptr) std::memcpy(p, v, sizeof(VertexPCT) * size_t(n));
}

// Which part of a requested rectangle (frame coordinates) the entry really holds.
struct CClippedPart {
    float offX = 0, offY = 0;  // where the kept part starts inside the request
    float left = 0, top = 0;   // the kept part in the entry's target rectangle
    float w = 0, h = 0;
};

bool ClipPart(const CTexturePageEntry& e, float left, float top, float w, float h, CClippedPart& c) {
    const float tx = e.targetX, ty = e.targetY;
    const float tw = std::max<int>(1, e.targetWidth), th = std::max<int>(1, e.targetHeight);
    c.w = w;
    c.h = h;
    if (left < tx) {
        c.offX = tx - left;
        c.w -= c.offX;
        c.left = 0;
    } else {
        c.left = left - tx;
    }
    if (top < ty) {
        c.offY = ty - top;
        c.h -= c.offY;
        c.top = 0;
    } else {
        c.top = top - ty;
    }
    // Capped at what is left of the entry past the part's start: more would sample
    // the neighbours on the page.
    c.w = std::min(c.w, tw - c.left);
    c.h = std::min(c.h, th - c.top);
    return c.w > 0 && c.h > 0;
}

void PartUV(const CTexturePageEntry& e, float invW, float invH, const CClippedPart& c, float& u0, float& v0, float& u1,
            float& v1) {
    const float su = float(e.sourceWidth) / float(std::max<int>(1, e.targetWidth));
    const float sv = float(e.sourceHeight) / float(std::max<int>(1, e.targetHeight));
    u0 = (e.sourceX + c.left * su) * invW;
    u1 = (e.sourceX + (c.left + c.w) * su) * invW;
    v0 = (e.sourceY + c.top * sv) * invH;
    v1 = (e.sourceY + (c.top + c.h) * sv) * invH;
}

uint32_t Lerp(uint32_t a, uint32_t b, float t) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float ca = float((a >> shift) & 0xFF), cb = float((b >> shift) & 0xFF);
        const float v = std::clamp(ca + (cb - ca) * t, 0.0f, 255.0f);
        out |= uint32_t(std::lround(v)) << shift;
    }
    return out;
}

// Bilinear colour at (fx, fy) of a quad with corner colours TL, TR, BR, BL.
uint32_t CornerColour(const uint32_t c[4], float fx, float fy) {
    return Lerp(Lerp(c[0], c[1], fx), Lerp(c[3], c[2], fx), fy);
}

// --- drawing one entry ----------------------------------------------------------------------

void DrawPart(const CTexturePageEntry& e, float left, float top, float w, float h, float x, float y, float xs, float ys,
              uint32_t bgr, double alpha) {
    const CTextureEntry* t = Texture_Entry(e.texture);
    if (t == nullptr) return;
    VertexPCT v[6];
    if (Sprite_PartQuad(e, t->invWidth, t->invHeight, left, top, w, h, x, y, xs, ys, DeviceColour(bgr, alpha),
                        Graphics_Depth(), v))
        Emit(kPrimTriangleList, *t, v, 6);
}

void DrawGeneralQuad(const CTexturePageEntry& e, float left, float top, float w, float h, float x, float y, float xs,
                     float ys, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, double alpha) {
    const CTextureEntry* t = Texture_Entry(e.texture);
    if (t == nullptr) return;
    const uint32_t a = Alpha_ToByte(alpha);
    const uint32_t colours[4] = {Colour_ToDevice(c1 & 0xFFFFFF, a), Colour_ToDevice(c2 & 0xFFFFFF, a),
                                 Colour_ToDevice(c3 & 0xFFFFFF, a), Colour_ToDevice(c4 & 0xFFFFFF, a)};
    VertexPCT v[4];
    if (!Sprite_GeneralQuad(e, t->invWidth, t->invHeight, left, top, w, h, x, y, xs, ys, angle, colours,
                            Graphics_Depth(), v))
        return;
    // The quad's corners sit half a pixel before the part's for a rasteriser whose
    // pixel centres lie on whole coordinates. Ours lie half a pixel further on, so the
    // quad moves by that half pixel: unrotated, a part drawn at whole coordinates
    // covers the same pixels as every other draw instead of one row and column earlier.
    for (VertexPCT& p : v) {
        p.x += 0.5f;
        p.y += 0.5f;
    }
    Emit(kPrimTriangleFan, *t, v, 4);
}

void DrawTiled(const CTexturePageEntry& e, float x, float y, float xs, float ys, bool tileH, bool tileV, float rl,
               float rt, float rw, float rh, uint32_t bgr, double alpha) {
    const double stepX = std::trunc(double(e.fullWidth) * xs), stepY = std::trunc(double(e.fullHeight) * ys);
    if (!(stepX > 0) || !(stepY > 0)) return;
    // Copies outside the area being drawn cannot show; without this a large room
    // tiled with a small picture would send every copy of the whole room each frame.
    if (!Graphics_SurfaceTarget()) {
        const CDrawArea& a = Graphics_DrawArea();
        const float l = std::max(rl, a.left), t = std::max(rt, a.top);
        const float r = std::min(rl + rw, a.right), b = std::min(rt + rh, a.bottom);
        rl = l;
        rt = t;
        rw = r - l;
        rh = b - t;
    }
    double firstX = x, firstY = y;
    int64_t countX = 1, countY = 1;
    if (tileH) Sprite_TileSpan(x, stepX, rl, rw, firstX, countX);
    if (tileV) Sprite_TileSpan(y, stepY, rt, rh, firstY, countY);
    int64_t budget = kMaxTileCopies;
    for (int64_t j = 0; j < countY; ++j)
        for (int64_t i = 0; i < countX; ++i) {
            if (budget-- <= 0) return;
            Texture_DrawEntryExt(e, 0, 0, float(firstX + double(i) * stepX), float(firstY + double(j) * stepY), xs, ys,
                                 0, bgr, alpha);
        }
}

CGameResources* Res() { return &*Game().resources; }

}  // namespace

// --- tables ---------------------------------------------------------------------------------

bool Sprite_Exists(int id) { return Sprite_Get(id) != nullptr; }

CSprite* Sprite_Get(int id) {
    CGameResources* res = Res();
    if (res == nullptr || id < 0 || size_t(id) >= res->sprites.size()) return nullptr;
    return res->sprites[size_t(id)].get();
}

int Sprite_Count() {
    const CGameResources* res = Res();
    return res ? int(res->sprites.size()) : 0;
}

bool Background_Exists(int id) { return Background_Get(id) != nullptr; }

CBackground* Background_Get(int id) {
    CGameResources* res = Res();
    if (res == nullptr || id < 0 || size_t(id) >= res->backgrounds.size()) return nullptr;
    return res->backgrounds[size_t(id)].get();
}

int Background_Count() {
    const CGameResources* res = Res();
    return res ? int(res->backgrounds.size()) : 0;
}

// --- frames ---------------------------------------------------------------------------------

int Sprite_WrapFrame(const CSprite& sprite, int frame) {
    const int64_t n = sprite.FromDataFile() ? int64_t(sprite.frameCount) : int64_t(sprite.bitmaps.size());
    if (n <= 0) return -1;
    int64_t f = int64_t(frame) % n;
    if (f < 0) f += n;
    return int(f);
}

bool Sprite_FrameEntry(CSprite& sprite, int frame, CTexturePageEntry& out) {
    const int f = Sprite_WrapFrame(sprite, frame);
    if (f < 0) return false;
    if (sprite.FromDataFile()) {
        const CGameData* data = &Game().data;
        const uint64_t at = uint64_t(sprite.framesOffset) + 4 * uint64_t(f);
        if (data == nullptr || !data->InRange(at, 4)) return false;
        return TexturePage_Entry(data->U32(uint32_t(at)), out);
    }
    if (sprite.textures.size() != sprite.bitmaps.size()) sprite.textures.resize(sprite.bitmaps.size(), -1);
    return PictureEntry(sprite.bitmaps[size_t(f)], sprite.textures[size_t(f)], out);
}

int Sprite_FrameTexture(CSprite& sprite, int frame) {
    CTexturePageEntry e;
    return Sprite_FrameEntry(sprite, frame, e) ? e.texture : -1;
}

bool Background_Entry(CBackground& background, CTexturePageEntry& out) {
    if (background.entryOffset != 0) return TexturePage_Entry(background.entryOffset, out);
    return PictureEntry(background.bitmap, background.texture, out);
}

int Background_Texture(CBackground& background) {
    CTexturePageEntry e;
    return Background_Entry(background, e) ? e.texture : -1;
}

bool Sprite_InView(float x, float y, float r) {
    if (Graphics_SurfaceTarget()) return true;
    const CDrawArea& a = Graphics_DrawArea();
    return a.top - y <= r && y - a.bottom <= r && a.left - x <= r && x - a.right <= r;
}

// --- sprites --------------------------------------------------------------------------------

void Sprite_Draw(int id, int frame, float x, float y) {
    CSprite* s = Sprite_Get(id);
    CTexturePageEntry e;
    if (s == nullptr || !Sprite_InView(x, y, float(s->radius)) || !Sprite_FrameEntry(*s, frame, e)) return;
    Texture_DrawEntry(e, x - float(s->xorigin), y - float(s->yorigin));
}

void Sprite_DrawExt(int id, int frame, float x, float y, float xscale, float yscale, float angle, uint32_t bgr,
                    double alpha) {
    CSprite* s = Sprite_Get(id);
    if (s == nullptr) return;
    const float r = std::max(std::fabs(float(s->radius) * xscale), std::fabs(float(s->radius) * yscale));
    CTexturePageEntry e;
    // A 3-D projection can show what lies outside the view rectangle.
    if ((!Graphics_3DMode() && !Sprite_InView(x, y, r)) || !Sprite_FrameEntry(*s, frame, e)) return;
    Texture_DrawEntryExt(e, float(s->xorigin), float(s->yorigin), x, y, xscale, yscale, angle * kDegToRad, bgr, alpha);
}

void Sprite_DrawStretched(int id, int frame, float x, float y, float w, float h, uint32_t bgr, double alpha) {
    CSprite* s = Sprite_Get(id);
    CTexturePageEntry e;
    if (s == nullptr || !(w > 0) || !(h > 0) || s->width <= 0 || s->height <= 0 || !Sprite_FrameEntry(*s, frame, e))
        return;
    Texture_DrawEntryExt(e, 0, 0, x, y, w / float(s->width), h / float(s->height), 0, bgr, alpha);
}

void Sprite_DrawPart(int id, int frame, float left, float top, float w, float h, float x, float y, float xscale,
                     float yscale, uint32_t bgr, double alpha) {
    CSprite* s = Sprite_Get(id);
    CTexturePageEntry e;
    if (s != nullptr && Sprite_FrameEntry(*s, frame, e)) DrawPart(e, left, top, w, h, x, y, xscale, yscale, bgr, alpha);
}

void Sprite_DrawTiled(int id, int frame, float x, float y, float xscale, float yscale, bool tileH, bool tileV,
                      float regionLeft, float regionTop, float regionW, float regionH, uint32_t bgr, double alpha) {
    CSprite* s = Sprite_Get(id);
    CTexturePageEntry e;
    if (s == nullptr || !Sprite_FrameEntry(*s, frame, e)) return;
    // The pattern is the sprite drawn at (x, y), origin included; tiling makes it
    // periodic, so moving the start by the origin keeps every copy in place.
    DrawTiled(e, x - float(s->xorigin) * xscale, y - float(s->yorigin) * yscale, xscale, yscale, tileH, tileV,
              regionLeft, regionTop, regionW, regionH, bgr, alpha);
}

void TexturePage_DrawGeneral(const CTexturePageEntry& e, float left, float top, float w, float h, float x, float y,
                             float xscale, float yscale, float angle, uint32_t c1, uint32_t c2, uint32_t c3,
                             uint32_t c4, double alpha) {
    DrawGeneralQuad(e, left, top, w, h, x, y, xscale, yscale, angle, c1, c2, c3, c4, alpha);
}

void Sprite_DrawGeneral(int id, int frame, float left, float top, float w, float h, float x, float y, float xscale,
                        float yscale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, double alpha) {
    CSprite* s = Sprite_Get(id);
    CTexturePageEntry e;
    if (s != nullptr && Sprite_FrameEntry(*s, frame, e))
        DrawGeneralQuad(e, left, top, w, h, x, y, xscale, yscale, angle, c1, c2, c3, c4, alpha);
}

void Sprite_DrawPos(int id, int frame, const float xs[4], const float ys[4], double alpha) {
    CSprite* s = Sprite_Get(id);
    CTexturePageEntry e;
    if (s == nullptr || !Sprite_FrameEntry(*s, frame, e)) return;
    const CTextureEntry* t = Texture_Entry(e.texture);
    if (t == nullptr) return;
    VertexPCT v[4];
    Sprite_PosQuad(e, t->invWidth, t->invHeight, xs, ys, DeviceColour(0xFFFFFF, alpha), Graphics_Depth(), v);
    Emit(kPrimTriangleFan, *t, v, 4);
}

// --- backgrounds ----------------------------------------------------------------------------

void Background_Draw(int id, float x, float y) {
    CBackground* b = Background_Get(id);
    CTexturePageEntry e;
    if (b != nullptr && Background_Entry(*b, e)) Texture_DrawEntry(e, x, y);
}

void Background_DrawExt(int id, float x, float y, float xscale, float yscale, float angle, uint32_t bgr, double alpha) {
    CBackground* b = Background_Get(id);
    CTexturePageEntry e;
    if (b != nullptr && Background_Entry(*b, e))
        Texture_DrawEntryExt(e, 0, 0, x, y, xscale, yscale, angle * kDegToRad, bgr, alpha);
}

void Background_DrawStretched(int id, float x, float y, float w, float h, uint32_t bgr, double alpha) {
    CBackground* b = Background_Get(id);
    CTexturePageEntry e;
    if (b == nullptr || !(w > 0) || !(h > 0) || b->width <= 0 || b->height <= 0 || !Background_Entry(*b, e)) return;
    Texture_DrawEntryExt(e, 0, 0, x, y, w / float(b->width), h / float(b->height), 0, bgr, alpha);
}

void Background_DrawPart(int id, float left, float top, float w, float h, float x, float y, float xscale, float yscale,
                         uint32_t bgr, double alpha) {
    CBackground* b = Background_Get(id);
    CTexturePageEntry e;
    if (b != nullptr && Background_Entry(*b, e)) DrawPart(e, left, top, w, h, x, y, xscale, yscale, bgr, alpha);
}

void Background_DrawTiled(int id, float x, float y, float xscale, float yscale, bool tileH, bool tileV,
                          float regionLeft, float regionTop, float regionW, float regionH, uint32_t bgr, double alpha) {
    CBackground* b = Background_Get(id);
    CTexturePageEntry e;
    if (b != nullptr && Background_Entry(*b, e))
        DrawTiled(e, x, y, xscale, yscale, tileH, tileV, regionLeft, regionTop, regionW, regionH, bgr, alpha);
}

void Background_DrawGeneral(int id, float left, float top, float w, float h, float x, float y, float xscale,
                            float yscale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                            double alpha) {
    CBackground* b = Background_Get(id);
    CTexturePageEntry e;
    if (b != nullptr && Background_Entry(*b, e))
        DrawGeneralQuad(e, left, top, w, h, x, y, xscale, yscale, angle, c1, c2, c3, c4, alpha);
}

// --- geometry -------------------------------------------------------------------------------

bool Sprite_PartQuad(const CTexturePageEntry& e, float invW, float invH, float left, float top, float w, float h,
                     float x, float y, float xscale, float yscale, uint32_t argb, float z, VertexPCT out[6]) {
    CClippedPart c;
    if (!ClipPart(e, left, top, w, h, c)) return false;
    float u0, v0, u1, v1;
    PartUV(e, invW, invH, c, u0, v0, u1, v1);
    const float x0 = x + c.offX * xscale, y0 = y + c.offY * yscale;
    const float x1 = x0 + c.w * xscale, y1 = y0 + c.h * yscale;
    const VertexPCT tl{x0, y0, z, argb, u0, v0}, tr{x1, y0, z, argb, u1, v0};
    const VertexPCT br{x1, y1, z, argb, u1, v1}, bl{x0, y1, z, argb, u0, v1};
    out[0] = tl;
    out[1] = tr;
    out[2] = br;
    out[3] = br;
    out[4] = bl;
    out[5] = tl;
    return true;
}

bool Sprite_GeneralQuad(const CTexturePageEntry& e, float invW, float invH, float left, float top, float w, float h,
                        float x, float y, float xscale, float yscale, float angle, const uint32_t argb[4], float z,
                        VertexPCT out[4]) {
    if (!(w > 0) || !(h > 0)) return false;
    CClippedPart c;
    if (!ClipPart(e, left, top, w, h, c)) return false;
    float u0, v0, u1, v1;
    PartUV(e, invW, invH, c, u0, v0, u1, v1);
    const float px0 = c.offX * xscale - 0.5f, px1 = (c.offX + c.w) * xscale - 0.5f;
    const float py0 = c.offY * yscale - 0.5f, py1 = (c.offY + c.h) * yscale - 0.5f;
    const float a = angle * kGeneralDegToRad;
    const bool rotate = std::fabs(a) >= 0.01f;
    const float ca = std::cos(a), sa = std::sin(a);
    // Where the kept part lies in the request, for the corner colours.
    const float fx0 = c.offX / w, fx1 = (c.offX + c.w) / w, fy0 = c.offY / h, fy1 = (c.offY + c.h) / h;
    const float px[4] = {px0, px1, px1, px0}, py[4] = {py0, py0, py1, py1};
    const float fx[4] = {fx0, fx1, fx1, fx0}, fy[4] = {fy0, fy0, fy1, fy1};
    const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    for (int k = 0; k < 4; ++k) {
        VertexPCT& v = out[k];
        if (rotate) {
            v.x = x + ca * px[k] + sa * py[k];
            v.y = y - sa * px[k] + ca * py[k];
        } else {
            v.x = x + px[k];
            v.y = y + py[k];
        }
        v.z = z;
        v.colour = CornerColour(argb, fx[k], fy[k]);
        v.u = us[k];
        v.v = vs[k];
    }
    return true;
}

void Sprite_PosQuad(const CTexturePageEntry& e, float invW, float invH, const float xs[4], const float ys[4],
                    uint32_t argb, float z, VertexPCT out[4]) {
    // The trimmed part's corners as fractions of the full frame, mapped bilinearly
    // onto the four given corners.
    const float fw = float(e.fullWidth > 0 ? e.fullWidth : std::max<int>(1, e.targetWidth));
    const float fh = float(e.fullHeight > 0 ? e.fullHeight : std::max<int>(1, e.targetHeight));
    const float fx0 = e.targetX / fw, fx1 = (e.targetX + std::max<int>(1, e.targetWidth)) / fw;
    const float fy0 = e.targetY / fh, fy1 = (e.targetY + std::max<int>(1, e.targetHeight)) / fh;
    const float u0 = e.sourceX * invW, u1 = (e.sourceX + e.sourceWidth) * invW;
    const float v0 = e.sourceY * invH, v1 = (e.sourceY + e.sourceHeight) * invH;
    auto at = [&](float fx, float fy, float& ox, float& oy) {
        ox = (1 - fx) * (1 - fy) * xs[0] + fx * (1 - fy) * xs[1] + fx * fy * xs[2] + (1 - fx) * fy * xs[3];
        oy = (1 - fx) * (1 - fy) * ys[0] + fx * (1 - fy) * ys[1] + fx * fy * ys[2] + (1 - fx) * fy * ys[3];
    };
    const float fx[4] = {fx0, fx1, fx1, fx0}, fy[4] = {fy0, fy0, fy1, fy1};
    const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
    for (int k = 0; k < 4; ++k) {
        at(fx[k], fy[k], out[k].x, out[k].y);
        out[k].z = z;
        out[k].colour = argb;
        out[k].u = us[k];
        out[k].v = vs[k];
    }
}

void Sprite_TileSpan(double start, double step, double regionStart, double regionLength, double& first,
                     int64_t& count) {
    first = start;
    count = 0;
    if (!(step > 0) || !(regionLength > 0) || !std::isfinite(start) || !std::isfinite(regionStart)) return;
    // The last position at or before the region's start, found by arithmetic: stepping
    // there one copy at a time could take for ever from a far-away start.
    first = start + std::floor((regionStart - start) / step) * step;
    const double n = std::ceil((regionStart + regionLength - first) / step);
    count = n > 0 ? int64_t(std::min(n, double(kMaxTileCopies))) : 0;
}
