#pragma once
// Fonts and text: the current font and alignment, splitting a script string into lines,
// measuring and drawing them with a texture font or a sprite font, and fonts made at
// run time (from installed faces or from sprites).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/font.h"

enum : int { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };
enum : int { kAlignTop = 0, kAlignMiddle = 1, kAlignBottom = 2 };

// The 16-bit characters of a script string: every "#" a line end (carriage return)
// except "\#", which stays a "#"; UTF-8 decoded (a byte that starts no valid sequence
// stands for itself).
std::u16string Text_Prepare(std::string_view utf8);
// The same into `out`, whose storage is reused.
void Text_PrepareInto(std::string_view utf8, std::u16string& out);

// One line: [begin, end) of the prepared characters.
struct CTextLine {
    size_t begin = 0, end = 0;
};
// maxWidth < 0: no wrapping, lines end at carriage returns and line feeds. Otherwise
// lines are wrapped at spaces to stay below maxWidth, and only carriage returns end
// them. `lines` is cleared first.
void Text_Split(const CFontZV& font, const std::u16string& text, int maxWidth, std::vector<CTextLine>& lines);

// The glyph of a character, or null.
const CGlyph* Font_FindGlyph(const CFontZV& font, int code);
// Sum of the shifts; a character without a glyph counts the first glyph's shift.
int Font_LineWidth(const CFontZV& font, const char16_t* chars, size_t count);

// --- the current text state ---------------------------------------------------------
// A font id that exists becomes current; anything else means the fallback font.
void Text_SetFont(int id);
int Text_Font();             // -1: the fallback font
void Text_SetHAlign(int h);  // outside 0..2 means left
void Text_SetVAlign(int v);  // outside 0..2 means top
int Text_HAlign();
int Text_VAlign();
// The font drawing and measuring use now: the current one, or the fallback font
// (made on first need, named "debug").
CFontZV& Text_CurrentFont();

// string_width / string_height and their _ext forms (sep < 0: the font height; width
// < 0: no wrapping).
int Text_Width(std::string_view s, int width);
int Text_Height(std::string_view s, int sep, int width);

// draw_text / draw_text_ext with the drawing colour and alpha.
void Text_Draw(float x, float y, std::string_view s, int sep, int width);
// The transformed forms; angle in degrees.
void Text_DrawTransformed(float x, float y, std::string_view s, int sep, int width, float xscale, float yscale,
                          float angle);
// The coloured forms: script colours of the line's top-left, top-right, bottom-right
// and bottom-left corners, one alpha; scale 1 and angle 0 for the plain ones.
void Text_DrawColour(float x, float y, std::string_view s, int sep, int width, float xscale, float yscale, float angle,
                     const uint32_t corners[4], double alpha);

// --- the font table -----------------------------------------------------------------
bool Font_Exists(int id);
CFontZV* Font_Get(int id);
// A font from an installed face found by name; its index, or -1 when no face could be
// read (the message says why).
int Font_Add(const std::string& name, int size, bool bold, bool italic, int first, int last, std::string& error);
bool Font_Replace(int id, const std::string& name, int size, bool bold, bool italic, int first, int last,
                  std::string& error);
// From the frames of a sprite: the frame k is the character first + k (or the k-th
// character of `map`); proportional fonts take each frame's inked width; sep is
// added to every advance.
int Font_AddSprite(int sprite, int first, const std::u16string* map, bool proportional, int sep);
bool Font_ReplaceSprite(int id, int sprite, int first, const std::u16string* map, bool proportional, int sep);
bool Font_Delete(int id);
// Forgets the fallback font and resets the text state (a new game).
void Text_Reset();
