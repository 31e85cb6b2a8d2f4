#pragma once
// The display device and the 2-D drawing layer on top of it. Everything that draws
// goes through here; nothing above this layer sees the GL or the windowing library.
//
// The device draws into an application surface of the game's size; EndFrame blits it
// to the window (keeping the aspect ratio when asked) and presents. Every entry point
// does nothing while there is no device.
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/vertex.h"

class TWindow;
struct Texture;  // a device texture, see graphics/texture.h

// Start-up flags.
enum : uint32_t {
    kGraphicsFullScreen = 0x1,
    kGraphicsVSync = 0x2,
    kGraphicsSoftwareVertex = 0x4,
    kGraphicsInterpolate = 0x8,
    kGraphicsKeepAspect = 0x10,
};

// --- device ------------------------------------------------------------------------------

bool Graphics_Init(TWindow& window, int width, int height, uint32_t flags);
void Graphics_Shutdown();
bool Graphics_Ready();

void Graphics_BeginFrame();
// Flushes, blits the application surface to the window and, when asked, presents.
void Graphics_EndFrame(bool present);
bool Graphics_Present();
bool Graphics_Reset();
// display_reset: recorded now, applied by Graphics_Reset before the next frame.
void Graphics_RequestDisplayReset(int antiAlias, bool vsync);

// The application surface (the game's drawing size) and the window picture it is
// blitted to. Resizing recreates the surface at the next BeginFrame.
int Graphics_ScreenWidth();
int Graphics_ScreenHeight();
void Graphics_SetScreenSize(int width, int height);
// Where the last blit put the application surface in the window (for the mouse).
struct CBlitRect { int x = 0, y = 0, width = 0, height = 0; };
CBlitRect Graphics_BlitRect();

// The size the half-pixel correction uses: the room's size, or the first view's port
// when the room has visible views; 640 x 480 before any room.
void Graphics_SetHalfPixelSize(int width, int height);

void Graphics_SetView(float x, float y, float width, float height, float angle);
void Graphics_SetPort(int x, int y, int width, int height);
// which: 0 view, 1 projection, 2 world; column-major 4x4.
void Graphics_SetTransform(int which, const float m[16]);
const float* Graphics_GetTransform(int which);

// Own render-state ids (z enable 1, fill 2, shade 3, alpha test 5, blends 6/7, cull 8,
// alpha ref 10, alpha func 11, alpha blend 12, fog 13/15/16/17/18/20/23, lighting 21),
// through the cache: unchanged values never reach the device.
void Graphics_SetRenderState(int id, uint32_t value);
// kind: 0 mag filter point, 1 min filter point, 2 address U clamp, 3 address V clamp.
void Graphics_SetSamplerState(int stage, int kind, bool flag);

// colour as scripts give it with alpha on top (0xAABBGGRR); flags: 1 target, 2 z, 4 stencil.
void Graphics_Clear(uint32_t colourABGR, float z, uint32_t stencil, int flags);

// --- the batch ---------------------------------------------------------------------------

// Room for `count` vertices of `vertexSize` bytes (16, 24, 36) of a primitive type with
// a texture (null for none). Flushes first when the type, texture or size differ, the
// batch is a strip, fan or line strip, or it would overflow. Null when there is no
// device or count is not in 1..kBatchVertices.
void* Graphics_AllocVerts(int primitive, Texture* texture, int vertexSize, int count);
// Gives back the unused tail of the last allocation.
void Graphics_ReturnVerts(int count);
void Graphics_Flush();

// Counters for benchmarks and tests: draw calls and triangles since the last reset.
struct CGraphicsCounters { int64_t drawCalls = 0, triangles = 0, vertices = 0; };
CGraphicsCounters Graphics_Counters();
void Graphics_ResetCounters();

// --- 2-D layer state ---------------------------------------------------------------------

void Graphics_SetColour(uint32_t bgr);    // keeps the alpha byte
uint32_t Graphics_Colour();               // script order 0xBBGGRR
uint32_t Graphics_ColourDevice();         // 0xAARRGGBB with the current alpha
void Graphics_SetAlpha(double alpha);     // clamped to 0..1, stored as a byte
double Graphics_Alpha();                  // the byte / 255
uint32_t Graphics_AlphaByte();
void Graphics_SetDepth(float z);          // the z of every vertex
float Graphics_Depth();
void Graphics_SetBlendMode(int mode);     // bm_normal 0, bm_add 1, bm_max 2, bm_subtract 3
void Graphics_SetBlendFactors(int source, int destination);
void Graphics_SetInterpolation(bool on);
bool Graphics_Interpolation();
void Graphics_SetTextureBlending(bool on);
void Graphics_SetTextureRepeat(bool on);
void Graphics_SetAlphaBlend(bool on);
void Graphics_SetCulling(bool on);
void Graphics_SetLighting(bool on);
void Graphics_SetShading(bool gouraud);
void Graphics_SetHiddenSurface(bool on);
void Graphics_SetFog(bool on, uint32_t bgr, float start, float end);
// "D3D Settings Init": the device defaults, then the recorded 2-D state.
void Graphics_ApplyDefaults();

// The room area the current view draws (culling reads it) and whether a surface is the
// target (no culling then).
struct CDrawArea { float left = 0, top = 0, right = 640, bottom = 480; };
void Graphics_SetDrawArea(const CDrawArea& area);
const CDrawArea& Graphics_DrawArea();
bool Graphics_SurfaceTarget();

// Primitives of the 2-D layer, in the current colour and depth.
void Graphics_DrawPoint(float x, float y);
void Graphics_DrawLine(float x1, float y1, float x2, float y2);
void Graphics_DrawLineWidth(float x1, float y1, float x2, float y2, float width);
void Graphics_DrawTriangle(float x1, float y1, float x2, float y2, float x3, float y3, bool outline);

// --- render targets ----------------------------------------------------------------------

// Up to 8 pushed targets; false when full or the texture is not a render target.
bool Graphics_PushTarget(Texture* target);
bool Graphics_PopTarget();

// --- reading back ------------------------------------------------------------------------

// The rectangle of the current picture, clipped to the screen, as w x h pixels
// 0xAARRGGBB, top row first; empty when nothing is left after clipping or reading fails.
std::vector<uint32_t> Graphics_ReadScreen(int x, int y, int w, int h, int& outW, int& outH);
// A 24-bit BMP of the clipped rectangle (the whole screen for screen_save).
bool Graphics_SaveBmp(const std::string& path, int x, int y, int w, int h);
// The window's picture as last presented, as PNG (--screenshot).
bool Graphics_SavePresentedPng(const std::string& path);
