#pragma once
// Drawing sprites and backgrounds, for the built-ins and the room's drawing.
//
// The tables are the game's resource tables (data-file entries first, run-time ones
// appended). Every function here checks its id and does nothing for a missing one;
// the built-ins report the error.
#include <cstdint>

#include "data/texture_page.h"
#include "graphics/vertex.h"

class CSprite;
class CBackground;

bool Sprite_Exists(int id);
CSprite* Sprite_Get(int id);
int Sprite_Count();  // the table's length, empty slots included
bool Background_Exists(int id);
CBackground* Background_Get(int id);
int Background_Count();

// The frame index a draw uses: taken modulo the frame count, negatives wrapped into
// range; -1 for a sprite without frames.
int Sprite_WrapFrame(const CSprite& sprite, int frame);
// The page entry of a frame (data-file frames as stored; run-time frames as an entry
// covering their whole texture). False when the frame has nothing to draw with.
bool Sprite_FrameEntry(CSprite& sprite, int frame, CTexturePageEntry& out);
// The texture id a frame draws from (same wrapping); -1 when there is none.
int Sprite_FrameTexture(CSprite& sprite, int frame);
bool Background_Entry(CBackground& background, CTexturePageEntry& out);
int Background_Texture(CBackground& background);

// Whether a bounding circle of radius r at (x, y) can touch the current draw area.
// Always true while a surface is the target.
bool Sprite_InView(float x, float y, float r);

// frame is wrapped into the sprite's frame count; angles in degrees.
void Sprite_Draw(int id, int frame, float x, float y);
void Sprite_DrawExt(int id, int frame, float x, float y, float xscale, float yscale, float angle, uint32_t bgr,
                    double alpha);
void Sprite_DrawStretched(int id, int frame, float x, float y, float w, float h, uint32_t bgr, double alpha);
void Sprite_DrawPart(int id, int frame, float left, float top, float w, float h, float x, float y, float xscale,
                     float yscale, uint32_t bgr, double alpha);
void Sprite_DrawTiled(int id, int frame, float x, float y, float xscale, float yscale, bool tileH, bool tileV,
                      float regionLeft, float regionTop, float regionW, float regionH, uint32_t bgr, double alpha);
// A part drawn at (x, y), scaled and rotated about (x, y), with a colour per corner
// (top-left, top-right, bottom-right, bottom-left) and one alpha.
// The general form on any page entry (a frame, a background, a surface): the part
// (left, top, w, h), scales, angle in degrees, the four corner colours and one alpha.
void TexturePage_DrawGeneral(const CTexturePageEntry& e, float left, float top, float w, float h, float x, float y,
                             float xscale, float yscale, float angle, uint32_t c1, uint32_t c2, uint32_t c3,
                             uint32_t c4, double alpha);
void Sprite_DrawGeneral(int id, int frame, float left, float top, float w, float h, float x, float y, float xscale,
                        float yscale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, double alpha);
// The whole frame stretched onto four corners (top-left, top-right, bottom-right,
// bottom-left), white with the given alpha.
void Sprite_DrawPos(int id, int frame, const float xs[4], const float ys[4], double alpha);

void Background_Draw(int id, float x, float y);
void Background_DrawExt(int id, float x, float y, float xscale, float yscale, float angle, uint32_t bgr, double alpha);
void Background_DrawStretched(int id, float x, float y, float w, float h, uint32_t bgr, double alpha);
void Background_DrawPart(int id, float left, float top, float w, float h, float x, float y, float xscale, float yscale,
                         uint32_t bgr, double alpha);
void Background_DrawTiled(int id, float x, float y, float xscale, float yscale, bool tileH, bool tileV,
                          float regionLeft, float regionTop, float regionW, float regionH, uint32_t bgr, double alpha);
void Background_DrawGeneral(int id, float left, float top, float w, float h, float x, float y, float xscale,
                            float yscale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                            double alpha);

// --- geometry, without a device (the draws above emit these; the general one moved) ----

// The part quad: a triangle list top-left, top-right, bottom-right, bottom-right,
// bottom-left, top-left with texture coordinates from the entry's source rectangle
// (invW, invH: 1 / the texture's size). False when nothing of the part is left.
bool Sprite_PartQuad(const CTexturePageEntry& e, float invW, float invH, float left, float top, float w, float h,
                     float x, float y, float xscale, float yscale, uint32_t argb, float z, VertexPCT out[6]);
// The general quad: a fan top-left, top-right, bottom-right, bottom-left; the colours
// in device order (0xAARRGGBB), angle in degrees. Its corners are offset by -0.5 for
// pixel centres on whole coordinates; the general draws add half a pixel to every
// vertex when they emit it.
bool Sprite_GeneralQuad(const CTexturePageEntry& e, float invW, float invH, float left, float top, float w, float h,
                        float x, float y, float xscale, float yscale, float angle, const uint32_t argb[4], float z,
                        VertexPCT out[4]);
// The frame's picture mapped onto four corners (the trimmed part where it lies in the
// frame), a fan in the same order.
void Sprite_PosQuad(const CTexturePageEntry& e, float invW, float invH, const float xs[4], const float ys[4],
                    uint32_t argb, float z, VertexPCT out[4]);
// The tile origins along one axis: the first copy's position and the number of copies
// that cover [regionStart, regionStart + regionLength) with the given step (> 0).
void Sprite_TileSpan(double start, double step, double regionStart, double regionLength, double& first, int64_t& count);
