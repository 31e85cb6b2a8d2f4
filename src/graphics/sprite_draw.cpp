// Drawing sprites and backgrounds. (In progress.)
#include "graphics/sprite_draw.h"

#include "data/data_file.h"

bool Sprite_Exists(int) { return false; }
CSprite* Sprite_Get(int) { return nullptr; }
bool Background_Exists(int) { return false; }
CBackground* Background_Get(int) { return nullptr; }
void Sprite_Draw(int, int, float, float) {}
void Sprite_DrawExt(int, int, float, float, float, float, float, uint32_t, double) {}
void Sprite_DrawStretched(int, int, float, float, float, float, uint32_t, double) {}
void Sprite_DrawPart(int, int, float, float, float, float, float, float, float, float, uint32_t, double) {}
void Sprite_DrawTiled(int, int, float, float, float, float, bool, bool, float, float, float, float, uint32_t,
                      double) {}
void Background_Draw(int, float, float) {}
void Background_DrawExt(int, float, float, float, float, float, uint32_t, double) {}
void Background_DrawStretched(int, float, float, float, float, uint32_t, double) {}
void Background_DrawPart(int, float, float, float, float, float, float, float, float, uint32_t, double) {}
void Background_DrawTiled(int, float, float, float, float, bool, bool, float, float, float, float, uint32_t,
                          double) {}
