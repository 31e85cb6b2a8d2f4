#include "graphics/font_render.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct LibraryDone {
    void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FaceDone {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};

struct RenderedGlyph {
    int code = 0;
    int w = 0, h = 0;
    int left = 0, top = 0;
    int advance = 0;
    std::vector<uint8_t> coverage;  // w * h
};

int CeilPixels(FT_Pos v) { return int(std::ceil(double(v) / 64.0)); }

bool RenderOne(FT_Face face, FT_UInt index, const FontRenderRequest& r, RenderedGlyph& g) {
    FT_Int32 load = FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP | (r.antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
    if (FT_Load_Glyph(face, index, load) != 0) return false;
    FT_GlyphSlot slot = face->glyph;
    // Synthesised styles work on the outline, before it becomes pixels.
    if (r.bold) FT_GlyphSlot_Embolden(slot);
    if (r.italic) FT_GlyphSlot_Oblique(slot);
    if (FT_Render_Glyph(slot, r.antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return false;

    const FT_Bitmap& bm = slot->bitmap;
    g.w = int(bm.width);
    g.h = int(bm.rows);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.advance = int(std::lround(double(slot->advance.x) / 64.0));
    g.coverage.assign(size_t(g.w) * size_t(g.h), 0);
    const int pitch = bm.pitch < 0 ? -bm.pitch : bm.pitch;
    for (int y = 0; y < g.h; ++y) {
        // A negative pitch means the rows are stored bottom-up.
        const unsigned char* row = bm.buffer + size_t(bm.pitch < 0 ? g.h - 1 - y : y) * size_t(pitch);
        for (int x = 0; x < g.w; ++x) {
            uint8_t a = 0;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
                a = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
            } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
                a = bm.num_grays > 1 && bm.num_grays != 256 ? uint8_t(row[x] * 255 / (bm.num_grays - 1)) : row[x];
            }
            g.coverage[size_t(y) * size_t(g.w) + size_t(x)] = a;
        }
    }
    return true;
}

}  // namespace

bool Font_Render(const FontRenderRequest& r, FontRenderResult& out, std::string& error) {
    out = FontRenderResult{};
    if (r.fontFile.empty()) {
        error = "the font file is empty";
        return false;
    }
    FT_Library rawLib = nullptr;
    if (FT_Init_FreeType(&rawLib) != 0) {
        error = "FreeType could not start";
        return false;
    }
    std::unique_ptr<FT_LibraryRec_, LibraryDone> lib(rawLib);
    FT_Face rawFace = nullptr;
    if (FT_New_Memory_Face(lib.get(), r.fontFile.data(), FT_Long(r.fontFile.size()), 0, &rawFace) != 0) {
        error = "not a font file FreeType can read";
        return false;
    }
    std::unique_ptr<FT_FaceRec_, FaceDone> face(rawFace);
    if (!FT_IS_SCALABLE(face.get())) {
        error = "the font has no outlines (only fixed bitmap sizes), so it cannot be rendered at a chosen size";
        return false;
    }
    if (FT_Set_Char_Size(face.get(), 0, FT_F26Dot6(r.size) * 64, 96, 96) != 0) {
        error = "the font cannot be set to size " + std::to_string(r.size);
        return false;
    }
    out.family = face->family_name ? face->family_name : "";

    int ascent = CeilPixels(face->size->metrics.ascender);
    int descent = CeilPixels(-face->size->metrics.descender);
    std::vector<RenderedGlyph> glyphs;
    for (int code = r.first; code <= r.last; ++code) {
        FT_UInt index = FT_Get_Char_Index(face.get(), FT_ULong(code));
        if (index == 0) continue;  // the font does not have it: no record, as the runner expects
        RenderedGlyph g;
        g.code = code;
        if (!RenderOne(face.get(), index, r, g)) continue;
        // Accents and descenders that reach past the face's own metrics still fit the cell.
        ascent = std::max(ascent, g.top);
        descent = std::max(descent, g.h - g.top);
        glyphs.push_back(std::move(g));
    }
    const int lineHeight = std::max(1, ascent + descent);
    out.lineHeight = lineHeight;

    // Shelf layout: every cell is one line high, so rows of cells pack without waste.
    int64_t area = 0;
    int widest = 1;
    for (const RenderedGlyph& g : glyphs) {
        area += int64_t(g.w + 1) * (lineHeight + 1);
        widest = std::max(widest, g.w + 1);
    }
    int sheetW = 16;
    while (sheetW < r.maxSheetWidth && int64_t(sheetW) * sheetW < area) sheetW *= 2;
    sheetW = std::max(std::min(sheetW, r.maxSheetWidth), widest);

    int x = 0, y = 0;
    std::vector<std::pair<int, int>> at(glyphs.size());
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (x + glyphs[i].w > sheetW) {
            x = 0;
            y += lineHeight + 1;
        }
        at[i] = {x, y};
        x += glyphs[i].w + (glyphs[i].w > 0 ? 1 : 0);
    }
    const int sheetH = y + lineHeight;
    if (sheetH > 32767 || sheetW > 32767) {
        error = "the glyph sheet would be larger than a texture page can be";
        return false;
    }

    out.sheetWidth = sheetW;
    out.sheetHeight = sheetH;
    out.sheetRgba.assign(size_t(sheetW) * size_t(sheetH) * 4, 0);
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const RenderedGlyph& g = glyphs[i];
        const int cx = at[i].first, cy = at[i].second + ascent - g.top;
        for (int gy = 0; gy < g.h; ++gy)
            for (int gx = 0; gx < g.w; ++gx) {
                uint8_t a = g.coverage[size_t(gy) * size_t(g.w) + size_t(gx)];
                if (!a) continue;
                // White, so that text takes the drawing colour; the coverage is the alpha.
                uint8_t* px = &out.sheetRgba[(size_t(cy + gy) * size_t(sheetW) + size_t(cx + gx)) * 4];
                px[0] = px[1] = px[2] = 0xFF;
                px[3] = a;
            }
        CGlyph w;
        w.code = int16_t(g.code);
        w.x = int16_t(at[i].first);
        w.y = int16_t(at[i].second);
        w.width = int16_t(g.w);
        w.height = int16_t(lineHeight);
        w.shift = int16_t(g.advance);
        w.offset = int16_t(g.left);
        out.glyphs.push_back(w);
    }
    return true;
}
