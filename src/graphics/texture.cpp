// Textures and the texture id table. (Device work in progress: no device textures yet.)
#include "graphics/texture.h"

int Texture_CreateId(int, int, bool) { return -1; }
int Texture_CreateFromEncoded(const uint8_t*, size_t) { return -1; }
int Texture_CreateFromPixels(const uint32_t*, int, int) { return -1; }
bool Texture_Upload(int, const uint32_t*, int, int) { return false; }
void Texture_FreeId(int) {}
void Texture_FreeAll() {}
bool Texture_Exists(int) { return false; }
const CTextureEntry* Texture_Entry(int) { return nullptr; }
Texture* Texture_Get(int) { return nullptr; }
bool Texture_PreparePages() { return true; }
bool TexturePage_Entry(uint32_t, CTexturePageEntry&) { return false; }
void Texture_DrawEntry(const CTexturePageEntry&, float, float) {}
void Texture_DrawEntryExt(const CTexturePageEntry&, float, float, float, float, float, float, float, uint32_t, double) {}
void Texture_DrawWhole(int, float, float, float, float, uint32_t, double) {}
