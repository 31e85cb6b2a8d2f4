#include "function/function_font.h"

#include <cmath>
#include <iterator>
#include <string>

#include "graphics/text.h"
#include "platform/console.h"
#include "value/args.h"
#include "value/value.h"

namespace {

// --- state and measuring ------------------------------------------------------------------

void F_DrawSetFont(CValue&, CInstance*, CInstance*, int argc, CValue* args) { Text_SetFont(Arg_Index(argc, args, 0)); }
void F_DrawSetHAlign(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Text_SetHAlign(Arg_IntTrunc(argc, args, 0));
}
void F_DrawSetVAlign(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Text_SetVAlign(Arg_IntTrunc(argc, args, 0));
}

void F_StringWidth(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetReal(Text_Width(Arg_TextForm(argc, args, 0, number), -1));
}
void F_StringHeight(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetReal(Text_Height(Arg_TextForm(argc, args, 0, number), -1, -1));
}
// string_width_ext(s, sep, w): the separation does not change the width.
void F_StringWidthExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetReal(Text_Width(Arg_TextForm(argc, args, 0, number), Arg_IntTrunc(argc, args, 2)));
}
void F_StringHeightExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    result.SetReal(
        Text_Height(Arg_TextForm(argc, args, 0, number), Arg_IntTrunc(argc, args, 1), Arg_IntTrunc(argc, args, 2)));
}

// --- drawing ------------------------------------------------------------------------------

void F_DrawText(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Text_Draw(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_TextForm(argc, args, 2, number), -1, -1);
}
void F_DrawTextExt(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Text_Draw(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_TextForm(argc, args, 2, number),
              Arg_IntTrunc(argc, args, 3), Arg_IntTrunc(argc, args, 4));
}
void F_DrawTextTransformed(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Text_DrawTransformed(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_TextForm(argc, args, 2, number), -1,
                         -1, Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5));
}
void F_DrawTextExtTransformed(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    Text_DrawTransformed(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_TextForm(argc, args, 2, number),
                         Arg_IntTrunc(argc, args, 3), Arg_IntTrunc(argc, args, 4), Arg_Float(argc, args, 5),
                         Arg_Float(argc, args, 6), Arg_Float(argc, args, 7));
}

// The four corner colours and the alpha from argument `at` on.
void Corners(int argc, const CValue* args, int at, uint32_t corners[4], double& alpha) {
    for (int k = 0; k < 4; ++k) corners[k] = Arg_Colour(argc, args, at + k);
    alpha = Arg_Real(argc, args, at + 4);
}

void F_DrawTextColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    uint32_t c[4];
    double alpha;
    Corners(argc, args, 3, c, alpha);
    Text_DrawColour(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_TextForm(argc, args, 2, number), -1, -1, 1,
                    1, 0, c, alpha);
}
// draw_text_transformed_color(x, y, s, xscale, yscale, angle, c1, c2, c3, c4, alpha)
void F_DrawTextTransformedColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    uint32_t c[4];
    double alpha;
    Corners(argc, args, 6, c, alpha);
    Text_DrawColour(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_TextForm(argc, args, 2, number), -1, -1,
                    Arg_Float(argc, args, 3), Arg_Float(argc, args, 4), Arg_Float(argc, args, 5), c, alpha);
}
// draw_text_ext_color(x, y, s, sep, w, c1, c2, c3, c4, alpha)
void F_DrawTextExtColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    uint32_t c[4];
    double alpha;
    Corners(argc, args, 5, c, alpha);
    Text_DrawColour(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_TextForm(argc, args, 2, number),
                    Arg_IntTrunc(argc, args, 3), Arg_IntTrunc(argc, args, 4), 1, 1, 0, c, alpha);
}
// draw_text_ext_transformed_color(x, y, s, sep, w, xscale, yscale, angle, c1, c2, c3, c4, alpha)
void F_DrawTextExtTransformedColour(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    std::string number;
    uint32_t c[4];
    double alpha;
    Corners(argc, args, 8, c, alpha);
    Text_DrawColour(Arg_Float(argc, args, 0), Arg_Float(argc, args, 1), Arg_TextForm(argc, args, 2, number),
                    Arg_IntTrunc(argc, args, 3), Arg_IntTrunc(argc, args, 4), Arg_Float(argc, args, 5),
                    Arg_Float(argc, args, 6), Arg_Float(argc, args, 7), c, alpha);
}

// --- the font resources -------------------------------------------------------------------

void F_FontExists(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Font_Exists(Arg_Index(argc, args, 0)) ? 1 : 0);
}
void F_FontGetName(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CFontZV* f = Font_Get(Arg_Index(argc, args, 0));
    result.SetString(f ? f->name : "<undefined>");
}
void F_FontGetFontname(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    const CFontZV* f = Font_Get(Arg_Index(argc, args, 0));
    result.SetString(f ? f->faceName : "<undefined>");
}

#define FONT_FIELD(NAME, EXPR)                                                  \
    void NAME(CValue& result, CInstance*, CInstance*, int argc, CValue* args) { \
        const CFontZV* f = Font_Get(Arg_Index(argc, args, 0));                  \
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
    const std::string name = std::string(Arg_Text(argc, args, 0));
    const int id = Font_Add(name, Arg_IntTrunc(argc, args, 1), Arg_Bool(argc, args, 2), Arg_Bool(argc, args, 3),
                            Arg_IntTrunc(argc, args, 4), Arg_IntTrunc(argc, args, 5), error);
    if (id < 0) Console().Output("font_add(\"%s\"): %s\n", name.c_str(), error.c_str());
    result.SetReal(id);
}
// font_replace(ind, name, size, bold, italic, first, last)
void F_FontReplace(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string error;
    const std::string name = std::string(Arg_Text(argc, args, 1));
    const bool ok =
        Font_Replace(Arg_Index(argc, args, 0), name, Arg_IntTrunc(argc, args, 2), Arg_Bool(argc, args, 3),
                     Arg_Bool(argc, args, 4), Arg_IntTrunc(argc, args, 5), Arg_IntTrunc(argc, args, 6), error);
    if (!ok) Console().Output("font_replace(\"%s\"): %s\n", name.c_str(), error.c_str());
    result.SetReal(ok ? 1 : 0);
}
// font_add_sprite(spr, first, prop, sep)
void F_FontAddSprite(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Font_AddSprite(Arg_Index(argc, args, 0), Arg_IntTrunc(argc, args, 1), nullptr,
                                  Arg_Bool(argc, args, 2), Arg_IntTrunc(argc, args, 3)));
}
// font_add_sprite_ext(spr, string_map, prop, sep)
void F_FontAddSpriteExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    // The map is taken literally: "#" is a character here, not a line end.
    std::string map = std::string(Arg_Text(argc, args, 1));
    std::string escaped;
    for (char c : map) {
        if (c == '#') escaped += '\\';
        escaped += c;
    }
    const std::u16string chars = Text_Prepare(escaped);
    result.SetReal(
        Font_AddSprite(Arg_Index(argc, args, 0), 0, &chars, Arg_Bool(argc, args, 2), Arg_IntTrunc(argc, args, 3)));
}
// font_replace_sprite(ind, spr, first, prop, sep)
void F_FontReplaceSprite(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    result.SetReal(Font_ReplaceSprite(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1), Arg_IntTrunc(argc, args, 2),
                                      nullptr, Arg_Bool(argc, args, 3), Arg_IntTrunc(argc, args, 4))
                       ? 1
                       : 0);
}
// font_replace_sprite_ext(ind, spr, string_map, prop, sep)
void F_FontReplaceSpriteExt(CValue& result, CInstance*, CInstance*, int argc, CValue* args) {
    std::string escaped;
    for (char c : std::string(Arg_Text(argc, args, 2))) {
        if (c == '#') escaped += '\\';
        escaped += c;
    }
    const std::u16string chars = Text_Prepare(escaped);
    result.SetReal(Font_ReplaceSprite(Arg_Index(argc, args, 0), Arg_Index(argc, args, 1), 0, &chars,
                                      Arg_Bool(argc, args, 3), Arg_IntTrunc(argc, args, 4))
                       ? 1
                       : 0);
}
void F_FontDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) { Font_Delete(Arg_Index(argc, args, 0)); }

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
