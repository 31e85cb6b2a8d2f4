#pragma once
// Surfaces: off-screen render targets that games draw into and then draw like images.
//
// A surface is an entry of the surface table holding a render-target texture id of
// exactly the requested size. Ids are table indexes; a freed entry is reused before the
// table grows. Only one surface is the drawing target at a time: making another one the
// target first resets the current one, and resetting returns to the application
// surface with the view and port it had.
#include <cstdint>
#include <string>
#include <vector>

// A new surface (contents transparent black); -1 without a device or when the
// texture cannot be made.
int Surface_Create(int width, int height);
bool Surface_Exists(int id);
// Resets the target first when the surface is the target. False for a missing one.
bool Surface_Free(int id);
// Device loss: every surface goes ("Free all surfaces" in the log); afterwards none
// of the old ids exists.
void Surface_FreeAll();
int Surface_Width(int id);    // -1 for a missing surface
int Surface_Height(int id);   // -1 for a missing surface
int Surface_Texture(int id);  // the texture id, -1 for a missing surface

// Whether a surface was ever made in this process. Until then a view's surface id is
// ignored: the view draws to the screen.
bool Surface_AnyMade();
// The surface becomes the drawing target, with the view and port (0, 0, w, h). True
// when it already is; false for a missing surface or without a device.
bool Surface_SetTarget(int id);
// Back to the application surface with the saved view and port. False when no surface
// was the target.
bool Surface_ResetTarget();
// The surface that is the target, -1 for the application surface.
int Surface_Current();

// A rectangle of the surface, clipped to it, as pixels 0xAARRGGBB top row first;
// false when nothing is left or the read fails.
bool Surface_ReadPixels(int id, int x, int y, int w, int h, std::vector<uint32_t>& out, int& outW, int& outH);
// surface_getpixel: 0xBBGGRR, 0 outside the surface.
uint32_t Surface_GetPixel(int id, int x, int y);
// The clipped rectangle as a 24-bit BMP file at `path` (already resolved).
bool Surface_SaveBmp(int id, const std::string& path, int x, int y, int w, int h);
// The part (sx, sy, sw, sh) of the source copied into the destination at (x, y),
// clipped to both; source and destination may be the same surface.
bool Surface_Copy(int destination, int x, int y, int source, int sx, int sy, int sw, int sh);

// Drawing, as the sprite forms with the origin at the surface's top-left corner;
// angles in degrees, colours 0xBBGGRR. Missing surfaces draw nothing.
void Surface_Draw(int id, float x, float y);
void Surface_DrawExt(int id, float x, float y, float xscale, float yscale, float angle, uint32_t bgr, double alpha);
void Surface_DrawStretched(int id, float x, float y, float w, float h, uint32_t bgr, double alpha);
void Surface_DrawPart(int id, float left, float top, float w, float h, float x, float y, float xscale, float yscale,
                      uint32_t bgr, double alpha);
// Copies over the region (room coordinates), the pattern anchored at (x, y).
void Surface_DrawTiled(int id, float x, float y, float xscale, float yscale, float regionLeft, float regionTop,
                       float regionW, float regionH, uint32_t bgr, double alpha);
// A part at (x, y), scaled and rotated about (x, y), a colour per corner (top-left,
// top-right, bottom-right, bottom-left).
void Surface_DrawGeneral(int id, float left, float top, float w, float h, float x, float y, float xscale, float yscale,
                         float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, double alpha);
