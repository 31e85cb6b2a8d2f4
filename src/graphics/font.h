#pragma once
#include <cstdint>
#include <string>

// One glyph record, read in place (seven i16: code, x, y, width, height, shift, offset).
constexpr uint32_t kGlyphRecordSize = 14;

class CFontZV {
public:
    std::string name;
    std::string faceName;
    int size = 0;
    bool bold = false, italic = false;
    int first = 0, last = 0;
    int charset = 1;       // default character set unless the file names one
    int antialias = 1;     // anti-aliasing level; the file stores level + 1
    uint32_t entryOffset = 0;
    int sheetWidth = 0, sheetHeight = 0;
    float xscale = 1.0f, yscale = 1.0f;
    uint32_t glyphsOffset = 0;  // the array of glyph record offsets, in the block
    uint32_t glyphCount = 0;
    int height = 0;  // the largest glyph height
};
