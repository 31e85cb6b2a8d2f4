#pragma once
// Renders a TrueType (or any FreeType-readable) font file into a glyph sheet: one
// white picture whose alpha is the glyph coverage (text takes the drawing colour),
// and one glyph record per character the font has.
//
// Every glyph cell is the full line height, with the glyph sitting on a common
// baseline, because the runner draws a glyph from the top of the line down: the
// record's height is the line height, its width the inked width, its offset the
// left bearing and its shift the advance.
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/font.h"

struct FontRenderRequest {
    std::vector<uint8_t> fontFile;      // the file's bytes
    int size = 12;                      // points, rendered at 96 dots per inch
    bool bold = false, italic = false;  // made from the outlines when the face lacks them
    int first = 32, last = 127;         // character codes, inclusive
    bool antialias = true;              // false: one-bit coverage
    int maxSheetWidth = 2048;
};

struct FontRenderResult {
    int sheetWidth = 0, sheetHeight = 0;
    std::vector<uint8_t> sheetRgba;  // R, G, B, A bytes per pixel, rows top first
    std::vector<CGlyph> glyphs;      // ascending codes; x and y are positions on the sheet
    std::string family;              // the face's family name
    int lineHeight = 0;
};

// False with `error` set when the file is not a font FreeType can read, or the
// size cannot be rendered.
bool Font_Render(const FontRenderRequest& request, FontRenderResult& out, std::string& error);
