#include "graphics/text.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <memory>

#include "data/game.h"
#include "data/game_data.h"
#include "data/game_resources.h"
#include "graphics/font_render.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "graphics/sprite_draw.h"
#include "graphics/texture.h"
#include "graphics/vertex.h"
#include "platform/system_font.h"
#include "value/value.h"
#include "vm/machine.h"

namespace {

constexpr int kNoWrap = 10000000;
constexpr double kPi = 3.14159265358979323846;

struct TTextState {
    int font = -1;
    int halign = kAlignLeft, valign = kAlignTop;
    std::unique_ptr<CFontZV> fallback;
    bool fallbackTried = false;
    // Kept between calls so drawing text allocates nothing once warmed up.
    std::u16string chars;
    std::vector<CTextLine> lines;
};

TTextState& State() {
    static TTextState s;
    return s;
}

CGameResources* Res() { return &*Game().resources; }

void SortGlyphs(CFontZV& f) {
    std::stable_sort(f.glyphs.begin(), f.glyphs.end(),
                     [](const CGlyph& a, const CGlyph& b) { return a.code < b.code; });
    f.height = 0;
    for (const CGlyph& g : f.glyphs)
        if (f.spriteId < 0) f.height = std::max<int>(f.height, g.height);
}

// Fonts from the data file: the glyph records, read once out of the block.
void ReadGlyphs(CFontZV& f) {
    if (f.glyphsRead) return;
    f.glyphsRead = true;
    const CGameData* data = &Game().data;
    if (!data || f.glyphsOffset == 0) return;
    f.glyphs.reserve(f.glyphCount);
    for (uint32_t k = 0; k < f.glyphCount; ++k) {
        const uint32_t at = data->U32(f.glyphsOffset + 4 * k);
        CGlyph g;
        g.code = data->I16(at);
        g.x = data->I16(at + 2);
        g.y = data->I16(at + 4);
        g.width = data->I16(at + 6);
        g.height = data->I16(at + 8);
        g.shift = data->I16(at + 10);
        g.offset = data->I16(at + 12);
        f.glyphs.push_back(g);
    }
    const int height = f.height;
    SortGlyphs(f);
    f.height = std::max(height, f.height);
}

CFontZV& Ready(CFontZV& f) {
    if (!f.glyphsRead) ReadGlyphs(f);
    return f;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !out.empty();
}

// Rasterises an installed face into the font: its glyphs and a texture of its sheet.
bool RenderFace(CFontZV& f, const std::string& family, std::string& error) {
    TFont face;
    face.name = family;
    face.size = f.size;
    face.bold = f.bold;
    face.italic = f.italic;
    const std::string file = face.FindFile();
    FontRenderRequest request;
    if (file.empty() || !ReadFile(file, request.fontFile)) {
        error = "no installed font matches \"" + family + "\"";
        return false;
    }
    request.size = std::max(1, f.size);
    request.bold = f.bold;
    request.italic = f.italic;
    request.first = f.first;
    request.last = f.last;
    FontRenderResult result;
    if (!Font_Render(request, result, error)) return false;
    f.faceName = result.family;
    f.glyphs.clear();
    f.glyphs = std::move(result.glyphs);
    f.glyphsRead = true;
    SortGlyphs(f);
    f.height = std::max(f.height, result.lineHeight);
    f.sheetWidth = result.sheetWidth;
    f.sheetHeight = result.sheetHeight;
    if (f.textureId >= 0) Texture_FreeId(f.textureId);
    f.textureId = -1;
    if (f.sheetWidth > 0 && f.sheetHeight > 0) {
        const std::vector<uint8_t>& rgba = result.sheetRgba;
        std::vector<uint32_t> argb(size_t(f.sheetWidth) * size_t(f.sheetHeight));
        for (size_t i = 0; i < argb.size(); ++i)
            argb[i] = uint32_t(rgba[4 * i + 3]) << 24 | uint32_t(rgba[4 * i]) << 16 | uint32_t(rgba[4 * i + 1]) << 8 |
                      rgba[4 * i + 2];
        // Without a device the glyphs still measure; they draw nothing.
        f.textureId = Texture_CreateFromPixels(argb.data(), f.sheetWidth, f.sheetHeight);
    }
    return true;
}

CFontZV& Fallback() {
    TTextState& s = State();
    if (!s.fallback) {
        s.fallback = std::make_unique<CFontZV>();
        CFontZV& f = *s.fallback;
        f.name = "debug";
        f.size = 10;
        f.first = 32;
        f.last = 127;
        f.glyphsRead = true;
    }
    // The picture needs the device; until one exists the font only measures, and it is
    // made once a device is there.
    if (!s.fallbackTried && Graphics_Ready()) {
        s.fallbackTried = true;
        std::string error;
        RenderFace(*s.fallback, "DejaVu Sans", error);
    }
    return *s.fallback;
}

const CGlyph* FirstGlyph(const CFontZV& f) { return f.glyphs.empty() ? nullptr : &f.glyphs.front(); }

// --- drawing ------------------------------------------------------------------------------

struct TLineStyle {
    float xscale = 1, yscale = 1;
    float c = 1, s = 0;  // cosine and sine of the angle
    bool rotated = false;
    double angleDegrees = 0;
    // Device colours of the line's corners (top-left, top-right, bottom-right,
    // bottom-left); all four the same for single-colour text.
    uint32_t corners[4] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    bool fourColours = false;
    float lineWidth = 1;  // scaled, for spreading the corner colours
};

uint8_t Channel(uint32_t c, int shift) { return uint8_t(c >> shift); }

uint32_t Mix(uint32_t a, uint32_t b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float v = Channel(a, shift) + (float(Channel(b, shift)) - float(Channel(a, shift))) * t;
        out |= uint32_t(std::lround(v)) << shift;
    }
    return out;
}

void Place(const TLineStyle& st, float ox, float oy, float px, float py, float& x, float& y) {
    if (st.rotated) {
        x = ox + st.c * px + st.s * py;
        y = oy - st.s * px + st.c * py;
    } else {
        x = ox + px;
        y = oy + py;
    }
}

// The glyph quads of one line from (x, y), one allocation for the whole line.
void DrawTextureLine(const CFontZV& f, const char16_t* chars, size_t count, float x, float y, const TLineStyle& st) {
    if (count == 0) return;
    int textureId = f.textureId;
    int sourceX = 0, sourceY = 0;
    if (textureId < 0) {
        CTexturePageEntry e{};
        if (!f.entryOffset || !TexturePage_Entry(f.entryOffset, e)) return;
        textureId = e.texture;
        sourceX = e.sourceX;
        sourceY = e.sourceY;
    }
    const CTextureEntry* entry = Texture_Entry(textureId);
    if (!entry || !entry->texture) return;
    auto* v = static_cast<VertexPCT*>(
        Graphics_AllocVerts(kPrimTriangleList, entry->texture, int(sizeof(VertexPCT)), int(6 * count)));
    if (!v) return;
    const float z = Graphics_Depth();
    float pen = 0;
    for (size_t i = 0; i < count; ++i, v += 6) {
        const CGlyph* g = Font_FindGlyph(f, chars[i]);
        if (!g) {
            // No area, no advance.
            for (int k = 0; k < 6; ++k) v[k] = VertexPCT{x, y, z, 0, 0, 0};
            continue;
        }
        const float left = pen + g->offset * st.xscale, right = left + g->width * st.xscale;
        const float top = 0, bottom = g->height * st.yscale;
        const float u0 = (sourceX + g->x) * entry->invWidth, u1 = (sourceX + g->x + g->width) * entry->invWidth;
        const float v0 = (sourceY + g->y) * entry->invHeight, v1 = (sourceY + g->y + g->height) * entry->invHeight;
        const float px[4] = {left, right, right, left}, py[4] = {top, top, bottom, bottom};
        const float us[4] = {u0, u1, u1, u0}, vs[4] = {v0, v0, v1, v1};
        uint32_t colour[4];
        for (int k = 0; k < 4; ++k) {
            if (!st.fourColours) {
                colour[k] = st.corners[0];
                continue;
            }
            const float t = px[k] / st.lineWidth;
            colour[k] = k < 2 ? Mix(st.corners[0], st.corners[1], t) : Mix(st.corners[3], st.corners[2], t);
        }
        static const int kOrder[6] = {0, 1, 2, 2, 3, 0};
        for (int k = 0; k < 6; ++k) {
            const int c = kOrder[k];
            float vx, vy;
            Place(st, x, y, px[c], py[c], vx, vy);
            v[k] = VertexPCT{vx, vy, z, colour[c], us[c], vs[c]};
        }
        pen += g->shift * st.xscale;
    }
}

uint32_t DeviceToScript(uint32_t argb) { return Colour_ToScript(argb); }

void DrawSpriteLine(const CFontZV& f, const char16_t* chars, size_t count, float x, float y, const TLineStyle& st) {
    float pen = 0;
    for (size_t i = 0; i < count; ++i) {
        const CGlyph* g = Font_FindGlyph(f, chars[i]);
        if (!g) continue;
        if (chars[i] != u' ') {
            float gx, gy;
            Place(st, x, y, pen + g->offset * st.xscale, 0, gx, gy);
            uint32_t colour = st.corners[0];
            if (st.fourColours)
                colour = Mix(st.corners[0], st.corners[1], (pen + g->offset * st.xscale) / st.lineWidth);
            Sprite_DrawExt(f.spriteId, g->width, gx, gy, st.xscale, st.yscale, float(st.angleDegrees),
                           DeviceToScript(colour), (colour >> 24) / 255.0);
        }
        pen += g->shift * st.xscale;
    }
}

void DrawLine(const CFontZV& f, const char16_t* chars, size_t count, float x, float y, const TLineStyle& st) {
    if (f.spriteId >= 0) DrawSpriteLine(f, chars, count, x, y, st);
    else DrawTextureLine(f, chars, count, x, y, st);
}

// Splits `s` with the current font into the state's line buffer.
CFontZV& Layout(std::string_view s, int width) {
    TTextState& st = State();
    CFontZV& f = Text_CurrentFont();
    Text_PrepareInto(s, st.chars);
    Text_Split(f, st.chars, width, st.lines);
    return f;
}

int LineWidthOf(const CFontZV& f, const CTextLine& l) {
    return Font_LineWidth(f, State().chars.data() + l.begin, l.end - l.begin);
}

// The transformed and coloured layout: line steps along the rotated vertical.
void DrawLaidOut(const CFontZV& f, float x, float y, int sep, TLineStyle& style, bool roundOffset) {
    TTextState& st = State();
    const int n = int(st.lines.size());
    const float stepX = style.s * style.yscale * float(sep), stepY = style.c * style.yscale * float(sep);
    if (st.valign == kAlignMiddle) {
        x -= std::round(n * stepX * 0.5f);
        y -= std::round(n * stepY * 0.5f);
    } else if (st.valign == kAlignBottom) {
        x -= std::round(n * stepX);
        y -= std::round(n * stepY);
    }
    for (const CTextLine& l : st.lines) {
        const int w = LineWidthOf(f, l);
        float h = 0;
        if (st.halign == kAlignCentre) h = -(w * style.xscale * 0.5f);
        else if (st.halign == kAlignRight) h = -(w * style.xscale);
        h = roundOffset ? std::round(h) : std::trunc(h);
        style.lineWidth = std::max(1.0f, w * std::fabs(style.xscale));
        DrawLine(f, st.chars.data() + l.begin, l.end - l.begin, x + style.c * h, y - style.s * h, style);
        x += stepX;
        y += stepY;
    }
}

int SepOr(const CFontZV& f, int sep) { return sep < 0 ? f.height : sep; }

void SetAngle(TLineStyle& style, float angle) {
    style.angleDegrees = angle;
    const double a = angle * kPi / 180.0;
    style.c = float(std::cos(a));
    style.s = float(std::sin(a));
    style.rotated = std::fabs(angle) >= 0.001f;
}

// Frame k's inked columns from its collision mask, when the sprite has one per frame.
bool InkedColumns(const CSprite& sprite, int frame, int& left, int& right) {
    if (size_t(frame) >= sprite.masks.size()) return false;
    const std::vector<uint8_t>& mask = sprite.masks[size_t(frame)];
    if (mask.size() < size_t(sprite.width) * size_t(sprite.height)) return false;
    left = sprite.width;
    right = -1;
    for (int y = 0; y < sprite.height; ++y)
        for (int x = 0; x < sprite.width; ++x)
            if (mask[size_t(y) * size_t(sprite.width) + size_t(x)]) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return right >= left;
}

bool FillFromSprite(CFontZV& f, int sprite, int first, const std::u16string* map, bool proportional, int sep) {
    const CSprite* spr = Sprite_Get(sprite);
    if (!spr) return false;
    f.spriteId = sprite;
    f.glyphs.clear();
    f.glyphsRead = true;
    const int frames = int(spr->frameCount ? spr->frameCount : spr->bitmaps.size());
    for (int k = 0; k < frames; ++k) {
        CGlyph g;
        if (map) {
            if (size_t(k) >= map->size()) break;
            g.code = int16_t((*map)[size_t(k)]);
        } else {
            g.code = int16_t(first + k);
        }
        g.width = int16_t(k);  // the frame
        g.height = int16_t(spr->height);
        int left = 0, right = spr->width - 1;
        if (proportional && g.code != u' ' && InkedColumns(*spr, k, left, right)) {
            g.offset = int16_t(-left);
            g.shift = int16_t(right - left + 1 + sep);
        } else {
            g.shift = int16_t(spr->width + sep);
        }
        // The sprite's origin is where it is drawn from: keep the glyph's left edge at
        // the pen.
        g.offset = int16_t(g.offset + spr->xorigin);
        f.glyphs.push_back(g);
    }
    SortGlyphs(f);
    f.height = spr->height;
    f.first = f.glyphs.empty() ? first : f.glyphs.front().code;
    f.last = f.glyphs.empty() ? first : f.glyphs.back().code;
    return true;
}

std::unique_ptr<CFontZV> NewRuntimeFont(int index) {
    auto f = std::make_unique<CFontZV>();
    f->name = "__newfont" + std::to_string(index);
    f->glyphsRead = true;
    return f;
}

int NextFontIndex(CGameResources& res) { return int(res.fonts.size()); }

void FreeFontTexture(CFontZV& f) {
    if (f.textureId >= 0) Texture_FreeId(f.textureId);
    f.textureId = -1;
}

}  // namespace

// --- strings -----------------------------------------------------------------------------

std::u16string Text_Prepare(std::string_view utf8) {
    std::u16string out;
    Text_PrepareInto(utf8, out);
    return out;
}

void Text_PrepareInto(std::string_view utf8, std::u16string& out) {
    out.clear();
    out.reserve(utf8.size());
    const size_t n = utf8.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        if (b == '\\' && i + 1 < n && utf8[i + 1] == '#') {
            out.push_back(u'#');
            i += 2;
            continue;
        }
        if (b == '#') {
            out.push_back(u'\r');
            ++i;
            continue;
        }
        if (b < 0x80) {
            out.push_back(char16_t(b));
            ++i;
            continue;
        }
        int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
        uint32_t code = extra == 3 ? b & 0x07u : extra == 2 ? b & 0x0Fu : b & 0x1Fu;
        bool valid = extra > 0 && i + size_t(extra) < n;
        for (int k = 1; valid && k <= extra; ++k) {
            const unsigned char c = static_cast<unsigned char>(utf8[i + size_t(k)]);
            if ((c & 0xC0) != 0x80) valid = false;
            else code = code << 6 | (c & 0x3Fu);
        }
        if (!valid) {
            out.push_back(char16_t(b));
            ++i;
            continue;
        }
        // Characters beyond 16 bits have no glyph in any font: one placeholder each.
        out.push_back(code <= 0xFFFF ? char16_t(code) : char16_t(0xFFFD));
        i += size_t(extra) + 1;
    }
}

const CGlyph* Font_FindGlyph(const CFontZV& font, int code) {
    const auto it = std::lower_bound(font.glyphs.begin(), font.glyphs.end(), code,
                                     [](const CGlyph& g, int c) { return g.code < c; });
    return it != font.glyphs.end() && it->code == code ? &*it : nullptr;
}

int Font_LineWidth(const CFontZV& font, const char16_t* chars, size_t count) {
    const CGlyph* first = FirstGlyph(font);
    const int missing = first ? first->shift : 0;
    int w = 0;
    for (size_t i = 0; i < count; ++i) {
        const CGlyph* g = Font_FindGlyph(font, chars[i]);
        w += g ? g->shift : missing;
    }
    return w;
}

void Text_Split(const CFontZV& font, const std::u16string& text, int maxWidth, std::vector<CTextLine>& lines) {
    lines.clear();
    const size_t n = text.size();
    if (maxWidth < 0 || maxWidth >= kNoWrap) {
        size_t begin = 0;
        for (size_t i = 0; i < n; ++i)
            if (text[i] == u'\r' || text[i] == u'\n') {
                lines.push_back({begin, i});
                begin = i + 1;
            }
        if (begin < n) lines.push_back({begin, n});
        return;
    }
    const CGlyph* first = FirstGlyph(font);
    const int missing = first ? first->shift : 0;
    auto shift = [&](char16_t c) {
        const CGlyph* g = Font_FindGlyph(font, c);
        return g ? g->shift : missing;
    };
    auto trimmed = [&](size_t begin, size_t end) {
        while (end > begin && text[end - 1] == u' ') --end;
        return CTextLine{begin, end};
    };
    size_t pos = 0;
    while (pos < n) {
        size_t i = pos;
        int width = 0;
        while (i < n && text[i] != u'\r' && width < maxWidth) width += shift(text[i++]);
        if (width >= maxWidth) --i;
        if (i < n && text[i] == u'\r') {
            lines.push_back({pos, i});
            pos = i + 1;
            continue;
        }
        if (i == pos) break;  // not even one character fits
        if (i >= n || text[i] == u' ') {
            lines.push_back(trimmed(pos, i));
            pos = i + 1;
            continue;
        }
        size_t space = i;
        while (space > pos && text[space - 1] != u' ') --space;
        if (space > pos) {
            lines.push_back(trimmed(pos, space - 1));
            pos = space;
            continue;
        }
        // One word longer than the width: it stays whole and overflows.
        size_t end = i;
        while (end < n && text[end] != u' ' && text[end] != u'\r') ++end;
        lines.push_back({pos, end});
        pos = end + 1;
    }
}

// --- state -------------------------------------------------------------------------------

void Text_SetFont(int id) {
    if (Font_Exists(id)) {
        State().font = id;
    } else {
        Fallback();
        State().font = -1;
    }
}
int Text_Font() { return State().font; }
void Text_SetHAlign(int h) { State().halign = h >= 0 && h <= 2 ? h : kAlignLeft; }
void Text_SetVAlign(int v) { State().valign = v >= 0 && v <= 2 ? v : kAlignTop; }
int Text_HAlign() { return State().halign; }
int Text_VAlign() { return State().valign; }

CFontZV& Text_CurrentFont() {
    CFontZV* f = Font_Get(State().font);
    return f ? Ready(*f) : Fallback();
}

void Text_Reset() {
    TTextState& s = State();
    if (s.fallback) FreeFontTexture(*s.fallback);
    s.fallback.reset();
    s.fallbackTried = false;
    s.font = -1;
    s.halign = kAlignLeft;
    s.valign = kAlignTop;
    TFont_Shutdown();
}

// --- measuring ---------------------------------------------------------------------------

int Text_Width(std::string_view s, int width) {
    const CFontZV& f = Layout(s, width);
    int w = 0;
    for (const CTextLine& l : State().lines) w = std::max(w, LineWidthOf(f, l));
    return std::max(w, 1);
}

int Text_Height(std::string_view s, int sep, int width) {
    if (s.empty()) return 1;
    const CFontZV& f = Layout(s, width);
    const int lines = std::max<int>(1, int(State().lines.size()));
    return std::max(1, f.height + (lines - 1) * SepOr(f, sep));
}

// --- drawing -----------------------------------------------------------------------------

void Text_Draw(float x, float y, std::string_view s, int sep, int width) {
    const CFontZV& f = Layout(s, width);
    TTextState& st = State();
    sep = SepOr(f, sep);
    const int n = int(st.lines.size());
    if (st.valign == kAlignMiddle) y -= float((n * sep) / 2);
    else if (st.valign == kAlignBottom) y -= float(n * sep);
    TLineStyle style;
    style.corners[0] = Graphics_ColourDevice();
    for (const CTextLine& l : st.lines) {
        if (l.end > l.begin) {
            float lx = x;
            const int w = LineWidthOf(f, l);
            if (st.halign == kAlignCentre) lx -= float(w / 2);
            else if (st.halign == kAlignRight) lx -= float(w);
            DrawLine(f, st.chars.data() + l.begin, l.end - l.begin, lx, y, style);
        }
        y += float(sep);
    }
}

void Text_DrawTransformed(float x, float y, std::string_view s, int sep, int width, float xscale, float yscale,
                          float angle) {
    const CFontZV& f = Layout(s, width);
    TLineStyle style;
    style.xscale = xscale;
    style.yscale = yscale;
    SetAngle(style, angle);
    style.corners[0] = Graphics_ColourDevice();
    DrawLaidOut(f, x, y, SepOr(f, sep), style, false);
}

void Text_DrawColour(float x, float y, std::string_view s, int sep, int width, float xscale, float yscale, float angle,
                     const uint32_t corners[4], double alpha) {
    const CFontZV& f = Layout(s, width);
    TLineStyle style;
    style.xscale = xscale;
    style.yscale = yscale;
    SetAngle(style, angle);
    style.fourColours = true;
    const uint32_t a = Alpha_ToByte(alpha);
    for (int k = 0; k < 4; ++k) style.corners[k] = Colour_ToDevice(corners[k] & 0xFFFFFF, a);
    DrawLaidOut(f, x, y, SepOr(f, sep), style, true);
}

// --- the font table ----------------------------------------------------------------------

bool Font_Exists(int id) { return Font_Get(id) != nullptr; }

CFontZV* Font_Get(int id) {
    CGameResources* res = Res();
    if (!res || id < 0 || size_t(id) >= res->fonts.size()) return nullptr;
    return res->fonts[size_t(id)].get();
}

int Font_Add(const std::string& name, int size, bool bold, bool italic, int first, int last, std::string& error) {
    CGameResources* res = Res();
    if (!res) {
        error = "no game is loaded";
        return -1;
    }
    const int index = NextFontIndex(*res);
    std::unique_ptr<CFontZV> f = NewRuntimeFont(index);
    f->size = size;
    f->bold = bold;
    f->italic = italic;
    f->first = std::max(0, first);
    f->last = std::min(255, last);
    if (!RenderFace(*f, name, error)) return -1;
    f->faceName = name;
    res->fonts.push_back(std::move(f));
    return index;
}

bool Font_Replace(int id, const std::string& name, int size, bool bold, bool italic, int first, int last,
                  std::string& error) {
    CFontZV* old = Font_Get(id);
    if (!old) {
        error = "the font does not exist";
        return false;
    }
    auto f = std::make_unique<CFontZV>();
    f->name = old->name;
    f->size = size;
    f->bold = bold;
    f->italic = italic;
    f->first = std::max(0, first);
    f->last = std::min(255, last);
    f->glyphsRead = true;
    if (!RenderFace(*f, name, error)) return false;
    f->faceName = name;
    FreeFontTexture(*old);
    Res()->fonts[size_t(id)] = std::move(f);
    return true;
}

int Font_AddSprite(int sprite, int first, const std::u16string* map, bool proportional, int sep) {
    CGameResources* res = Res();
    if (!res || !Sprite_Exists(sprite)) return -1;
    const int index = NextFontIndex(*res);
    std::unique_ptr<CFontZV> f = NewRuntimeFont(index);
    if (!FillFromSprite(*f, sprite, first, map, proportional, sep)) return -1;
    res->fonts.push_back(std::move(f));
    return index;
}

bool Font_ReplaceSprite(int id, int sprite, int first, const std::u16string* map, bool proportional, int sep) {
    CFontZV* f = Font_Get(id);
    if (!f || !Sprite_Exists(sprite)) return false;
    FreeFontTexture(*f);
    f->entryOffset = 0;
    return FillFromSprite(*f, sprite, first, map, proportional, sep);
}

bool Font_Delete(int id) {
    CFontZV* f = Font_Get(id);
    if (!f) return false;
    FreeFontTexture(*f);
    Res()->fonts[size_t(id)].reset();
    if (State().font == id) State().font = -1;
    return true;
}
