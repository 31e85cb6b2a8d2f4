#pragma once
// Drawing sprites and backgrounds, for the built-ins and the room's drawing.
#include <cstdint>

class CSprite;
class CBackground;

bool Sprite_Exists(int id);
CSprite* Sprite_Get(int id);
bool Background_Exists(int id);
CBackground* Background_Get(int id);

// frame is wrapped into the sprite's frame count; angles in degrees.
void Sprite_Draw(int id, int frame, float x, float y);
void Sprite_DrawExt(int id, int frame, float x, float y, float xscale, float yscale, float angle, uint32_t bgr,
                    double alpha);
void Sprite_DrawStretched(int id, int frame, float x, float y, float w, float h, uint32_t bgr, double alpha);
void Sprite_DrawPart(int id, int frame, float left, float top, float w, float h, float x, float y, float xscale,
                     float yscale, uint32_t bgr, double alpha);
void Sprite_DrawTiled(int id, int frame, float x, float y, float xscale, float yscale, bool tileH, bool tileV,
                      float regionLeft, float regionTop, float regionW, float regionH, uint32_t bgr, double alpha);

void Background_Draw(int id, float x, float y);
void Background_DrawExt(int id, float x, float y, float xscale, float yscale, float angle, uint32_t bgr, double alpha);
void Background_DrawStretched(int id, float x, float y, float w, float h, uint32_t bgr, double alpha);
void Background_DrawPart(int id, float left, float top, float w, float h, float x, float y, float xscale, float yscale,
                         uint32_t bgr, double alpha);
void Background_DrawTiled(int id, float x, float y, float xscale, float yscale, bool tileH, bool tileV,
                          float regionLeft, float regionTop, float regionW, float regionH, uint32_t bgr, double alpha);
