#pragma once
// Texture pages and their entries as the data file stores them.
#include <cstdint>
#include <vector>

// One rectangle on a texture page (22 bytes in the file, read in place).
struct CTexturePageEntry {
    int16_t sourceX, sourceY, sourceWidth, sourceHeight;
    int16_t targetX, targetY, targetWidth, targetHeight;
    int16_t fullWidth, fullHeight;
    int16_t texture;  // page index in the file; the texture id once textures exist
};
constexpr uint32_t kTexturePageEntrySize = 22;

// A texture page's PNG image, located and checked inside the block. Decoding is the
// graphics layer's job when the device exists.
struct CTexturePageImage {
    uint32_t pngOffset = 0;
    uint32_t pngLength = 0;  // up to and including the IEND chunk
};

struct CTexturePages {
    std::vector<uint32_t> entries;         // TPAG: offsets of the entries
    std::vector<CTexturePageImage> pages;  // TXTR, by page index (empty slot: offset 0)
};
