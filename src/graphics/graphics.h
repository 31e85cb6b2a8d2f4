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

// On the game window (an OpenGL 3.3 core context). False with Graphics_LastError() set
// when the device or the application surface cannot be made.
bool Graphics_Init(TWindow& window, int width, int height, uint32_t flags);
const std::string& Graphics_LastError();
void Graphics_Shutdown();
bool Graphics_Ready();

void Graphics_BeginFrame();
// Flushes, blits the application surface to the window and, when asked, presents.
void Graphics_EndFrame(bool present);
// Whether a frame is open (between Graphics_BeginFrame and Graphics_EndFrame).
bool Graphics_FrameOpen();
// Opens a frame drawn in screen pixels over the whole application surface, cleared to
// the opaque colour `backgroundBGR`, and gives the surface's size (loading pictures,
// splash screens).
void Graphics_BeginScreenPicture(uint32_t backgroundBGR, int& width, int& height);
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
struct CBlitRect {
    int x = 0, y = 0, width = 0, height = 0;
};
CBlitRect Graphics_BlitRect();
// The blit rectangle for a window and a game size: the whole window, or with
// keepAspect the game's aspect ratio centred in it.
CBlitRect Graphics_FitRect(int windowW, int windowH, int gameW, int gameH, bool keepAspect);

// The size the half-pixel correction uses: the room's size, or the first view's port
// when the room has visible views; 640 x 480 before any room. GL samples at pixel
// centres, so a quad with integer corners already puts texel centres on pixel centres:
// the size is recorded, and the correction it would scale is zero.
void Graphics_SetHalfPixelSize(int width, int height);

// angle in degrees. 2-D: left-handed look-at from (cx, cy, -16000) and an orthographic
// projection of w x -h (times the vertical-flip factor); 3-D mode with perspective: eye
// at (cx, cy, -w) and a perspective projection.
void Graphics_SetView(float x, float y, float width, float height, float angle);
// 1 for the screen. Every target on GL stores its top row first, so surfaces need no
// flip either; the factor is kept for the 3-D and surface code.
void Graphics_SetVerticalFlip(float factor);
void Graphics_Set3DMode(bool on);
bool Graphics_3DMode();
void Graphics_SetPerspective(bool on);
bool Graphics_Perspective();
// The view and port as last set.
struct CViewRect {
    float x = 0, y = 0, width = 640, height = 480, angle = 0;
};
struct CPortRect {
    int x = 0, y = 0, width = 640, height = 480;
};
const CViewRect& Graphics_View();
const CPortRect& Graphics_Port();
void Graphics_SetPort(int x, int y, int width, int height);
// which: 0 view, 1 projection, 2 world; column-major 4x4.
void Graphics_SetTransform(int which, const float m[16]);
const float* Graphics_GetTransform(int which);

// Own render-state ids, through the cache: unchanged values never reach the device.
// The values follow the fixed-function numbering the layer was designed around: blend
// factors 1..17 (1 zero, 2 one, 3 src colour, ... 11 src alpha saturate, 12/13 both
// (inv) src alpha, 14/15 (inv) blend factor, which is white), comparisons 1..8 (never, less, equal,
// less-equal, greater, not-equal, greater-equal, always), fill 1 point 2 wire 3 solid,
// shade 1 flat 2 Gouraud, cull 1 clockwise 2 counter-clockwise else none, fog modes
// 0 none 1 exp 2 exp2 3 linear, blend op 1 add 2 subtract 3 reverse subtract 4 min
// 5 max. Fog start and end carry the bits of a float.
enum : int {
    kRsZEnable = 1,
    kRsFillMode = 2,
    kRsShadeMode = 3,
    kRsZWrite = 4,
    kRsAlphaTest = 5,
    kRsSrcBlend = 6,
    kRsDestBlend = 7,
    kRsCullMode = 8,
    kRsZFunc = 9,
    kRsAlphaRef = 10,
    kRsAlphaFunc = 11,
    kRsAlphaBlend = 12,
    kRsFogEnable = 13,
    kRsLastPixel = 14,
    kRsFogColour = 15,
    kRsFogTableMode = 16,
    kRsFogStart = 17,
    kRsFogEnd = 18,
    kRsDither = 19,
    kRsRangeFog = 20,
    kRsLighting = 21,
    kRsSpecular = 22,
    kRsFogVertexMode = 23,
    kRsStencil = 24,
    kRsStencilZFail = 25,
    kRsColourWriteMask = 26,
    kRsBlendOp = 27,
    kRenderStateCount = 32,
};
void Graphics_SetRenderState(int id, uint32_t value);
uint32_t Graphics_RenderState(int id);  // the cached value (all ones: never set)
// kind: 0 mag filter point, 1 min filter point, 2 address U clamp, 3 address V clamp.
void Graphics_SetSamplerState(int stage, int kind, bool flag);

// colour as scripts give it with alpha on top (0xAABBGGRR); flags: 1 target, 2 z, 4 stencil.
void Graphics_Clear(uint32_t colourABGR, float z, uint32_t stencil, int flags);
// The same for the current port only (flags: 1 target, 2 z), so that one view's clear
// leaves the other ports alone; a port that covers the whole target is a plain Clear.
void Graphics_ClearPort(uint32_t colourABGR, float z, int flags);

// --- the batch ---------------------------------------------------------------------------

// Room for `count` vertices of `vertexSize` bytes (16, 24, 36) of a primitive type with
// a texture (null for none). Flushes first when the type, texture or size differ, the
// batch is a strip, fan or line strip, or it would overflow. Null when there is no
// device or count is not in 1..kBatchVertices.
void* Graphics_AllocVerts(int primitive, Texture* texture, int vertexSize, int count);
// Gives back the unused tail of the last allocation.
void Graphics_ReturnVerts(int count);
// Room for `quads` quads of four vertices each, their corners in order (each drawn as
// the triangles 0 1 2 and 2 3 0); they batch with nothing but other quads. Null as for
// Graphics_AllocVerts, or when quads is not in 1..kBatchVertices / 4. The unused tail
// goes back through Graphics_ReturnVerts, four vertices a quad.
void* Graphics_AllocQuads(Texture* texture, int vertexSize, int quads);
void Graphics_Flush();

// Counters for benchmarks and tests: draw calls and triangles since the last reset.
struct CGraphicsCounters {
    int64_t drawCalls = 0, triangles = 0, vertices = 0;
};
CGraphicsCounters Graphics_Counters();
void Graphics_ResetCounters();

// --- 2-D layer state ---------------------------------------------------------------------

void Graphics_SetColour(uint32_t bgr);  // keeps the alpha byte
uint32_t Graphics_Colour();             // script order 0xBBGGRR
uint32_t Graphics_ColourDevice();       // 0xAARRGGBB with the current alpha
void Graphics_SetAlpha(double alpha);   // clamped to 0..1, stored as a byte
double Graphics_Alpha();                // the byte / 255
uint32_t Graphics_AlphaByte();
void Graphics_SetDepth(float z);  // the z of every vertex
float Graphics_Depth();
void Graphics_SetBlendMode(int mode);  // bm_normal 0, bm_add 1, bm_max 2, bm_subtract 3
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
// The fixed lighting stage (3-D): up to kMaxLights lights and the ambient colour (0xBBGGRR).
struct CLight;
void Graphics_SetLight(int index, const CLight& light);
void Graphics_SetAmbient(uint32_t bgr);
// "D3D Settings Init": the device defaults, then the recorded 2-D state.
void Graphics_ApplyDefaults();

// The room area the current view draws (culling reads it) and whether a surface is the
// target (no culling then).
struct CDrawArea {
    float left = 0, top = 0, right = 640, bottom = 480;
};
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
// draw_getpixel: room coordinates through the current view and port to a pixel of the
// current target; 0xBBGGRR, 0 when it cannot be read.
uint32_t Graphics_GetPixel(double x, double y);
// A 24-bit BMP of the clipped rectangle (the whole screen for screen_save), written to
// the path as it is (the caller has resolved and checked it).
bool Graphics_SaveBmp(const std::string& path, int x, int y, int w, int h);
// From here on every Present keeps a copy of the window's picture (--screenshot).
void Graphics_KeepPresented(bool on);
// Called after each picture kept by Graphics_KeepPresented is presented; null for none.
void Graphics_SetPresentHook(void (*hook)());
// The window's picture as last presented, as PNG (--screenshot); false when nothing
// was presented yet or the file cannot be written.
bool Graphics_SavePresentedPng(const std::string& path);

// --- the window and the display ----------------------------------------------------------

// The colour the window is cleared to around the blitted surface (0xBBGGRR).
void Graphics_SetWindowColour(uint32_t bgr);
uint32_t Graphics_WindowColour();
// window_set_size: the new size of the window and the application surface, applied by
// the next Reset (clamped to the desktop there).
void Graphics_SetWindowSize(int width, int height);
// Full screen is a wish until the next Reset.
void Graphics_SetFullScreen(bool on);
bool Graphics_FullScreen();
int Graphics_AntiAlias();
bool Graphics_VSync();
// How long the last frame took (from one EndFrame to the next), for diagnostics.
double Graphics_FrameMilliseconds();
// Frames ended since Init.
int64_t Graphics_FrameCount();
