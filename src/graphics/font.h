#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One glyph record, read in place (seven i16: code, x, y, width, height, shift, offset).
constexpr uint32_t kGlyphRecordSize = 14;

// x and y are the glyph's place on the font's image (for fonts from the data file,
// relative to the source position of the font's texture-page entry). In a font made
// from a sprite, `width` holds the sprite frame of the glyph.
struct CGlyph {
    int16_t code = 0, x = 0, y = 0, width = 0, height = 0, shift = 0, offset = 0;
};

class CFontZV {
public:
    std::string name;
    std::string faceName;
    int size = 0;
    bool bold = false, italic = false;
    int first = 0, last = 0;
    int charset = 1;    // default character set unless the file names one
    int antialias = 1;  // anti-aliasing level; the file stores level + 1
    uint32_t entryOffset = 0;
    int sheetWidth = 0, sheetHeight = 0;
    float xscale = 1.0f, yscale = 1.0f;
    uint32_t glyphsOffset = 0;  // the array of glyph record offsets, in the block
    uint32_t glyphCount = 0;
    int height = 0;  // the largest glyph height

    // Drawing state. Fonts from the data file read their glyph records out of the
    // block the first time they are used; fonts made at run time fill them at once.
    int spriteId = -1;   // a sprite font's sprite, else -1
    int textureId = -1;  // a run-time texture font's own texture, else -1
    bool glyphsRead = false;
    std::vector<CGlyph> glyphs;  // ascending codes
};
