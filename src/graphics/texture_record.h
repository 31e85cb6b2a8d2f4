#pragma once
// The texture record behind a texture id: what the device made and how big it really
// is. Only the graphics layer creates and frees these.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "graphics/render_backend.h"

// Format codes of the layer (the device keeps every format as 32-bit pixels; the code
// says what the data was).
enum : int {
    kTexFormatNone = 0,
    kTexFormatARGB8888 = 6,
    kTexFormatARGB4444 = 11,
};

struct Texture {
    int width = 0, height = 0;  // the real size
    int levels = 1;
    int format = kTexFormatARGB8888;
    bool renderTarget = false;
    // A render target drawn to since it was last sampled. On GL the target texture is
    // sampled directly, so binding only clears the flag.
    bool dirty = false;
    BackendTexture handle = 0;
    // A texture page of the loaded game not made yet (handle 0): its size is known from
    // the picture's header, its pixels are decoded and uploaded when it is first needed.
    // -1 once made, or when that failed (handle still 0: it draws nothing).
    int pendingPage = -1;

    // width - 1 in bits 0..12, height - 1 in bits 13..25, levels - 1 in bits 26..31.
    uint32_t PackedSize() const {
        return (uint32_t(width - 1) & 0x1FFF) | (uint32_t(height - 1) & 0x1FFF) << 13 |
               (uint32_t(levels - 1) & 0x3F) << 26;
    }
};

// The size a texture of that request gets: a power of two from 64 to 4096 on each
// side, except render targets, which keep the exact size (at least 1).
int Texture_RoundSize(int request, bool renderTarget);

// Lower level than ids: a record of exactly the rounded size. Null without a device or
// when the device refuses ("CreateTexture failed - %08x" in the log).
Texture* Texture_Create(int width, int height, int levels, bool renderTarget, int format);
// Makes a pending page's device texture (decoding its picture) so that the handle can be
// used; true when there is a device texture. A page that cannot be made is logged once,
// then stays without one. Main thread only, like every device call.
bool Texture_Realize(Texture* texture);
// Releases the device texture and the record; the pointer is gone afterwards.
void Texture_Free(Texture* texture);
// Frees every record (shutdown; the device goes next).
void Texture_FreeEveryRecord();
// Writes pixels at the top left of the texture; clipped to its size.
bool Texture_UploadPixels(Texture* texture, const uint32_t* pixels, int width, int height);

// A "RAW " block: width, height and kind 0 (32-bit R, G, B, A bytes) or 1 (16-bit
// pixels whose four nibbles are stored in reverse order). False for anything else or
// a block that is shorter than its size says.
struct CRawImage {
    int width = 0, height = 0;
    int kind = 0;
    int format = kTexFormatARGB8888;  // 6 or 11
    int bitDepth = 32;                // 32 or 16
    std::size_t pixelOffset = 16;
};
bool Texture_ParseRaw(const uint8_t* data, std::size_t size, CRawImage& out);
// The pixels of a raw block as the device takes them (0xAARRGGBB); kind 1 pixels are
// put back in A, R, G, B nibble order first (`words16` receives those 16-bit words).
void Texture_RawPixels(const uint8_t* data, const CRawImage& raw, std::vector<uint32_t>& pixels,
                       std::vector<uint16_t>* words16 = nullptr);
