// The display device and the 2-D layer. (Device work in progress: while no device
// exists every drawing entry point does nothing, as it must without one.)
#include "graphics/graphics.h"

#include <algorithm>
#include <cmath>

namespace {

struct TState {
    bool ready = false;
    int screenW = 640, screenH = 480;
    uint32_t colour = 0xFFFFFF;
    uint32_t alpha = 255;
    float depth = 0;
    bool interpolation = false;
    CDrawArea area;
    bool surfaceTarget = false;
    float transforms[3][16] = {};
    CGraphicsCounters counters;
};

TState& S() {
    static TState s;
    return s;
}

}  // namespace

bool Graphics_Init(TWindow&, int width, int height, uint32_t) {
    S().screenW = width;
    S().screenH = height;
    return false;
}
void Graphics_Shutdown() { S().ready = false; }
bool Graphics_Ready() { return S().ready; }
void Graphics_BeginFrame() {}
void Graphics_EndFrame(bool) {}
bool Graphics_Present() { return false; }
bool Graphics_Reset() { return false; }
void Graphics_RequestDisplayReset(int, bool) {}
int Graphics_ScreenWidth() { return S().screenW; }
int Graphics_ScreenHeight() { return S().screenH; }
void Graphics_SetScreenSize(int width, int height) {
    S().screenW = width;
    S().screenH = height;
}
CBlitRect Graphics_BlitRect() { return {0, 0, S().screenW, S().screenH}; }
void Graphics_SetHalfPixelSize(int, int) {}
void Graphics_SetView(float, float, float, float, float) {}
void Graphics_SetPort(int, int, int, int) {}
void Graphics_SetTransform(int which, const float m[16]) {
    if (which >= 0 && which < 3) std::copy(m, m + 16, S().transforms[which]);
}
const float* Graphics_GetTransform(int which) { return S().transforms[std::clamp(which, 0, 2)]; }
void Graphics_SetRenderState(int, uint32_t) {}
void Graphics_SetSamplerState(int, int, bool) {}
void Graphics_Clear(uint32_t, float, uint32_t, int) {}
void* Graphics_AllocVerts(int, Texture*, int, int) { return nullptr; }
void Graphics_ReturnVerts(int) {}
void Graphics_Flush() {}
CGraphicsCounters Graphics_Counters() { return S().counters; }
void Graphics_ResetCounters() { S().counters = {}; }

void Graphics_SetColour(uint32_t bgr) { S().colour = bgr & 0xFFFFFF; }
uint32_t Graphics_Colour() { return S().colour; }
uint32_t Graphics_ColourDevice() { return Colour_ToDevice(S().colour, S().alpha); }
void Graphics_SetAlpha(double alpha) {
    const double a = std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0);
    S().alpha = uint32_t(std::lround(a * 255.0));
}
double Graphics_Alpha() { return S().alpha / 255.0; }
uint32_t Graphics_AlphaByte() { return S().alpha; }
void Graphics_SetDepth(float z) { S().depth = z; }
float Graphics_Depth() { return S().depth; }
void Graphics_SetBlendMode(int) {}
void Graphics_SetBlendFactors(int, int) {}
void Graphics_SetInterpolation(bool on) { S().interpolation = on; }
bool Graphics_Interpolation() { return S().interpolation; }
void Graphics_SetTextureBlending(bool) {}
void Graphics_SetTextureRepeat(bool) {}
void Graphics_SetAlphaBlend(bool) {}
void Graphics_SetCulling(bool) {}
void Graphics_SetLighting(bool) {}
void Graphics_SetShading(bool) {}
void Graphics_SetHiddenSurface(bool) {}
void Graphics_SetFog(bool, uint32_t, float, float) {}
void Graphics_ApplyDefaults() {}
void Graphics_SetDrawArea(const CDrawArea& area) { S().area = area; }
const CDrawArea& Graphics_DrawArea() { return S().area; }
bool Graphics_SurfaceTarget() { return S().surfaceTarget; }
void Graphics_DrawPoint(float, float) {}
void Graphics_DrawLine(float, float, float, float) {}
void Graphics_DrawLineWidth(float, float, float, float, float) {}
void Graphics_DrawTriangle(float, float, float, float, float, float, bool) {}
bool Graphics_PushTarget(Texture*) { return false; }
bool Graphics_PopTarget() { return false; }
std::vector<uint32_t> Graphics_ReadScreen(int, int, int, int, int& outW, int& outH) {
    outW = outH = 0;
    return {};
}
bool Graphics_SaveBmp(const std::string&, int, int, int, int) { return false; }
bool Graphics_SavePresentedPng(const std::string&) { return false; }
