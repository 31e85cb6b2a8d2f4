#pragma once
// Textures and the texture id table that sprites, backgrounds, fonts and surfaces hand
// out, and texture page entries drawn as quads.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/texture_page.h"

struct Texture;  // owned by the graphics layer

struct CTextureEntry {
    Texture* texture = nullptr;
    int usedWidth = 0, usedHeight = 0;  // the image placed on the texture
    float invWidth = 1, invHeight = 1;  // 1 / the texture's real (rounded-up) size
    bool inUse = false;
};

// Pixels everywhere in the graphics layer are 0xAARRGGBB, rows top first, no padding.

// A new id for a texture of that size (render targets keep the exact size, others are
// rounded up to a power of two from 64 to 4096); -1 on failure.
int Texture_CreateId(int width, int height, bool renderTarget);
// From an encoded image (PNG, or a "RAW " block); -1 when it does not decode.
int Texture_CreateFromEncoded(const uint8_t* data, size_t size);
// From pixels (w x h); -1 on failure.
int Texture_CreateFromPixels(const uint32_t* pixels, int width, int height);
bool Texture_Upload(int id, const uint32_t* pixels, int width, int height);
void Texture_FreeId(int id);
void Texture_FreeAll();
bool Texture_Exists(int id);
// The entry of a live id, or null.
const CTextureEntry* Texture_Entry(int id);
Texture* Texture_Get(int id);
// texture_get_width / _height: the used fraction of the texture (1 for an invalid id).
double Texture_UsedWidth(int id);
double Texture_UsedHeight(int id);
// The used part of a texture's pixels (0xAARRGGBB, top row first); false for an
// invalid id or without a device.
bool Texture_ReadPixels(int id, std::vector<uint32_t>& out, int& width, int& height);

// Decodes every TXTR page of the loaded game into a texture id, in chunk order (the ids
// of an earlier game are freed first). False (with the log line) when a page fails;
// true and nothing made without a device.
bool Texture_PreparePages();
// The texture id of a page of the loaded game, -1 for none.
int Texture_PageId(int page);

// A page entry of the loaded game by its offset in the block (a copy; the in-place
// record gets a target size of 0 mended to 1 first). Its texture field is the page's
// texture id (-1 when the page has none). False for a bad offset.
bool TexturePage_Entry(uint32_t offset, CTexturePageEntry& out);

// Unscaled quad at (x, y) with the entry's trim placement, white with the current alpha.
void Texture_DrawEntry(const CTexturePageEntry& e, float x, float y);
// Origin, position, scales, angle in radians (counter-clockwise on screen), script
// colour and alpha.
void Texture_DrawEntryExt(const CTexturePageEntry& e, float ox, float oy, float x, float y, float xscale, float yscale,
                          float angle, uint32_t bgr, double alpha);
// A whole texture (run-time images): quad from (x, y) of w x h, u and v from 0 to the
// used fraction. (GL samples at pixel centres: the half-pixel shift a corner at
// x - 0.5 would make up for does not exist, and would put every pixel centre on a
// texel edge.)
void Texture_DrawWhole(int id, float x, float y, float w, float h, uint32_t bgr, double alpha);
