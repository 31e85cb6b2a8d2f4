#include "function/function_font.h"

#include <cmath>
#include <iterator>
#include <string>

#include "graphics/text.h"
#include "platform/console.h"
#include "value/value.h"

namespace {

double Arg(int argc, const CValue* args, int i) { return i < argc && !args[i].IsString() ? args[i].val : 0.0; }
float F(int argc, const CValue* args, int i) { return float(Arg(argc, args, i)); }
int Int(int argc, const CValue* args, int i) { return Real_TruncToInt32(Arg(argc, args, i)); }
int Index(int argc, const CValue* args, int i) { return Real_TruncToInt32(std::nearbyint(Arg(argc, args, i))); }
bool Bool(int argc, const CValue* args, int i) { return Real_IsTrue(Arg(argc, args, i)); }
uint32_t Colour(int argc, const CValue* args, int i) {
    return uint32_t(Real_TruncToInt64(Arg(argc, args, i))) & 0xFFFFFF;
}
std::string Name(int argc, const CValue* args, int i) { return i < argc && args[i].IsString() ? args[i].Text() : ""; }

// The text argument: a string as it is (not copied), a number in its string form (kept
// in `number`, which must outlive the view).
std::string_view Text(int argc, const CValue* args, int i, std::string& number) {
    if (i >= argc) return {};
    if (args[i].IsString()) return args[i].Text();
    number = Real_ToStringForm(args[i].val);
    return number;
}

// --- state and measuring ------------------------------------------------------------------

void F_DrawSetFont(CValue&, CInstance*, CInstance*, int argc, CValue* args) { Text_SetFont(Index(argc, args, 0)); }
void F_DrawSetHAlign(CValue&, CInstance*, CInstance*, int argc, CValue* args) { Text_SetHAlign(Int(argc, args, 0)); }
void F_DrawSetVAlign(CValue&, CInstance*, CInstance*, int argc, CValue* args) { Text_SetVAlign(Int(argc, args, 0)); }

void F_StringWidth(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetReal(Text_Width(Text(argc, args, 0, number), -1));
}
void F_StringHeight(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetReal(Text_Height(Text(argc, args, 0, number), -1, -1));
}
// string_width_ext(s, sep, w): the separation does not change the width.
void F_StringWidthExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetReal(Text_Width(Text(argc, args, 0, number), Int(argc, args, 2)));
}
void F_StringHeightExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetReal(Text_Height(Text(argc, args, 0, number), Int(argc, args, 1), Int(argc, args, 2)));
}

// --- drawing ------------------------------------------------------------------------------

void F_DrawText(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Text_Draw(F(argc, args, 0), F(argc, args, 1), Text(argc, args, 2, number), -1, -1);
}
void F_DrawTextExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Text_Draw(F(argc, args, 0), F(argc, args, 1), Text(argc, args, 2, number), Int(argc, args, 3), Int(argc, args, 4));
}
void F_DrawTextTransformed(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Text_DrawTransformed(F(argc, args, 0), F(argc, args, 1), Text(argc, args, 2, number), -1, -1, F(argc, args, 3),
                         F(argc, args, 4), F(argc, args, 5));
}
void F_DrawTextExtTransformed(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Text_DrawTransformed(F(argc, args, 0), F(argc, args, 1), Text(argc, args, 2, number), Int(argc, args, 3),
                         Int(argc, args, 4), F(argc, args, 5), F(argc, args, 6), F(argc, args, 7));
}

// The four corner colours and the alpha from argument `at` on.
void Corners(int argc, const CValue* args, int at, uint32_t corners[4], double& alpha) {
    for (int k = 0; k < 4; ++k) corners[k] = Colour(argc, args, at + k);
    alpha = Arg(argc, args, at + 4);
}

void F_DrawTextColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    uint32_t c[4];
    double alpha;
    Corners(argc, args, 3, c, alpha);
    Text_DrawColour(F(argc, args, 0), F(argc, args, 1), Text(argc, args, 2, number), -1, -1, 1, 1, 0, c, alpha);
}
// draw_text_transformed_color(x, y, s, xscale, yscale, angle, c1, c2, c3, c4, alpha)
void F_DrawTextTransformedColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    uint32_t c[4];
    double alpha;
    Corners(argc, args, 6, c, alpha);
    Text_DrawColour(F(argc, args, 0), F(argc, args, 1), Text(argc, args, 2, number), -1, -1, F(argc, args, 3),
                    F(argc, args, 4), F(argc, args, 5), c, alpha);
}
// draw_text_ext_color(x, y, s, sep, w, c1, c2, c3, c4, alpha)
void F_DrawTextExtColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    uint32_t c[4];
    double alpha;
    Corners(argc, args, 5, c, alpha);
    Text_DrawColour(F(argc, args, 0), F(argc, args, 1), Text(argc, args, 2, number), Int(argc, args, 3),
                    Int(argc, args, 4), 1, 1, 0, c, alpha);
}
// draw_text_ext_transformed_color(x, y, s, sep, w, xscale, yscale, angle, c1, c2, c3, c4, alpha)
void F_DrawTextExtTransformedColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    uint32_t c[4];
    double alpha;
    Corners(argc, args, 8, c, alpha);
    Text_DrawColour(F(argc, args, 0), F(argc, args, 1), Text(argc, args, 2, number), Int(argc, args, 3),
                    Int(argc, args, 4), F(argc, args, 5), F(argc, args, 6), F(argc, args, 7), c, alpha);
}

// --- the font resources -------------------------------------------------------------------

void F_FontExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Font_Exists(Index(argc, args, 0)) ? 1 : 0);
}
void F_FontGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CFontZV* f = Font_Get(Index(argc, args, 0));
    result.SetString(f ? f->name : "<undefined>");
}
void F_FontGetFontname(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CFontZV* f = Font_Get(Index(argc, args, 0));
    result.SetString(f ? f->faceName : "<undefined>");
}

#define FONT_FIELD(NAME, EXPR)                                                  \
    void NAME(CValue& result, CInstance*, CInstance*, int argc, CValue* args) { \
        const CFontZV* f = Font_Get(Index(argc, args, 0));                      \
        result.SetReal(f ? double(EXPR) : -1.0);                                \
    }
FONT_FIELD(F_FontGetSize, f->size)
FONT_FIELD(F_FontGetBold, f->bold ? 1 : 0)
FONT_FIELD(F_FontGetItalic, f->italic ? 1 : 0)
FONT_FIELD(F_FontGetFirst, f->first)
FONT_FIELD(F_FontGetLast, f->last)
#undef FONT_FIELD

// font_add(name, size, bold, italic, first, last)
void F_FontAdd(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string error;
    const std::string name = Name(argc, args, 0);
    const int id = Font_Add(name, Int(argc, args, 1), Bool(argc, args, 2), Bool(argc, args, 3), Int(argc, args, 4),
                            Int(argc, args, 5), error);
    if (id < 0) Console().Output("font_add(\"%s\"): %s\n", name.c_str(), error.c_str());
    result.SetReal(id);
}
// font_replace(ind, name, size, bold, italic, first, last)
void F_FontReplace(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string error;
    const std::string name = Name(argc, args, 1);
    const bool ok = Font_Replace(Index(argc, args, 0), name, Int(argc, args, 2), Bool(argc, args, 3),
                                 Bool(argc, args, 4), Int(argc, args, 5), Int(argc, args, 6), error);
    if (!ok) Console().Output("font_replace(\"%s\"): %s\n", name.c_str(), error.c_str());
    result.SetReal(ok ? 1 : 0);
}
// font_add_sprite(spr, first, prop, sep)
void F_FontAddSprite(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(
        Font_AddSprite(Index(argc, args, 0), Int(argc, args, 1), nullptr, Bool(argc, args, 2), Int(argc, args, 3)));
}
// font_add_sprite_ext(spr, string_map, prop, sep)
void F_FontAddSpriteExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    // The map is taken literally: "#" is a character here, not a line end.
    std::string map = Name(argc, args, 1);
    std::string escaped;
    for (char c : map) {
        if (c == '#') escaped += '\\';
        escaped += c;
    }
    const std::u16string chars = Text_Prepare(escaped);
    result.SetReal(Font_AddSprite(Index(argc, args, 0), 0, &chars, Bool(argc, args, 2), Int(argc, args, 3)));
}
// font_replace_sprite(ind, spr, first, prop, sep)
void F_FontReplaceSprite(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Font_ReplaceSprite(Index(argc, args, 0), Index(argc, args, 1), Int(argc, args, 2), nullptr,
                                      Bool(argc, args, 3), Int(argc, args, 4))
                       ? 1
                       : 0);
}
// font_replace_sprite_ext(ind, spr, string_map, prop, sep)
void F_FontReplaceSpriteExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string escaped;
    for (char c : Name(argc, args, 2)) {
        if (c == '#') escaped += '\\';
        escaped += c;
    }
    const std::u16string chars = Text_Prepare(escaped);
    result.SetReal(Font_ReplaceSprite(Index(argc, args, 0), Index(argc, args, 1), 0, &chars, Bool(argc, args, 3),
                                      Int(argc, args, 4))
                       ? 1
                       : 0);
}
void F_FontDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) { Font_Delete(Index(argc, args, 0)); }

// Glyph pages are whole textures that stay resident: there is no glyph cache to size.
void F_FontSetCacheSize(CValue&, CInstance*, CInstance*, int, CValue*) {}

}  // namespace

extern const FunctionImpl kFontFunctions[] = {
    {"draw_set_font", F_DrawSetFont},
    {"draw_set_halign", F_DrawSetHAlign},
    {"draw_set_valign", F_DrawSetVAlign},
    {"string_width", F_StringWidth},
    {"string_height", F_StringHeight},
    {"string_width_ext", F_StringWidthExt},
    {"string_height_ext", F_StringHeightExt},
    {"draw_text", F_DrawText},
    {"draw_text_ext", F_DrawTextExt},
    {"draw_text_transformed", F_DrawTextTransformed},
    {"draw_text_ext_transformed", F_DrawTextExtTransformed},
    {"draw_text_color", F_DrawTextColour},
    {"draw_text_transformed_color", F_DrawTextTransformedColour},
    {"draw_text_ext_color", F_DrawTextExtColour},
    {"draw_text_ext_transformed_color", F_DrawTextExtTransformedColour},
    {"font_exists", F_FontExists},
    {"font_name", F_FontGetName},
    {"font_get_name", F_FontGetName},
    {"font_get_fontname", F_FontGetFontname},
    {"font_get_size", F_FontGetSize},
    {"font_get_bold", F_FontGetBold},
    {"font_get_italic", F_FontGetItalic},
    {"font_get_first", F_FontGetFirst},
    {"font_get_last", F_FontGetLast},
    {"font_add", F_FontAdd},
    {"font_replace", F_FontReplace},
    {"font_add_sprite", F_FontAddSprite},
    {"font_add_sprite_ext", F_FontAddSpriteExt},
    {"font_replace_sprite", F_FontReplaceSprite},
    {"font_replace_sprite_ext", F_FontReplaceSpriteExt},
    {"font_delete", F_FontDelete},
    {"font_set_cache_size", F_FontSetCacheSize},
};
extern const size_t kFontFunctionCount = std::size(kFontFunctions);
