// The render-state and sampler-state caches and the 2-D layer's recorded state. Every
// change that affects how pending vertices would be drawn flushes the batch first;
// the caches keep unchanged values from ever reaching the device.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/graphics_internal.h"
#include "graphics/texture_record.h"
#include "platform/console.h"

namespace {

uint32_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

bool BatchPending() { return Device().batch.count > 0; }

// The 2-D layer's hidden-surface rule applies only in 3-D mode.
void ApplyHiddenSurface() {
    CDeviceState& d = Device();
    if (!d.mode3d) return;
    Graphics_SetRenderState(kRsZEnable, d.hiddenSurface ? 1 : 0);
    Graphics_SetRenderState(kRsAlphaTest, 1);
    Graphics_SetRenderState(kRsAlphaRef, 0);
    if (d.hiddenSurface) Graphics_SetRenderState(kRsAlphaFunc, 5);  // greater
}

// The fog limits travel as whole numbers; they are kept within 16 bits instead of
// wrapping, so a far fog end stays far.
float FogLimit(float v) {
    if (!std::isfinite(v)) return 0;
    return float(int(std::clamp(v, -32767.0f, 32767.0f)));
}

void ApplyFog() {
    CDeviceState& d = Device();
    Graphics_SetRenderState(kRsFogEnable, d.fog ? 1 : 0);
    if (!d.fog) return;
    // Table fog is what the GL stage does (per pixel), linear.
    Graphics_SetRenderState(kRsFogTableMode, 3);
    Graphics_SetRenderState(kRsFogColour, Colour_ToDevice(d.fogColour, 255));
    Graphics_SetRenderState(kRsFogStart, FloatBits(FogLimit(d.fogStart)));
    Graphics_SetRenderState(kRsFogEnd, FloatBits(FogLimit(d.fogEnd)));
}

void ApplyInterpolation() {
    const bool point = !Device().interpolation;
    Graphics_SetSamplerState(0, 0, point);
    Graphics_SetSamplerState(0, 1, point);
}

void ApplyTextureBlending() {
    CDeviceState& d = Device();
    if (!d.backend) return;
    if (d.textureBlendingKnown && d.textureBlendingApplied == d.textureBlending) return;
    Graphics_Flush();
    d.backend->SetTextureBlending(d.textureBlending);
    d.textureBlendingApplied = d.textureBlending;
    d.textureBlendingKnown = true;
}

}  // namespace

void Device_ResetCaches() {
    CDeviceState& d = Device();
    std::fill(std::begin(d.renderStates), std::end(d.renderStates), kCacheUnknown);
    for (auto& stage : d.samplerStates) std::fill(std::begin(stage), std::end(stage), kCacheUnknown);
    d.boundTexture = kCacheUnknown;
    d.textureBlendingKnown = false;
}

void Graphics_SetRenderState(int id, uint32_t value) {
    CDeviceState& d = Device();
    if (!d.backend || id < 0 || id >= kRenderStateCount) return;
    if (d.renderStates[id] == value) return;
    if (BatchPending()) Graphics_Flush();
    d.renderStates[id] = value;
    d.backend->SetRenderState(id, value);
}

uint32_t Graphics_RenderState(int id) {
    if (id < 0 || id >= kRenderStateCount) return kCacheUnknown;
    return Device().renderStates[id];
}

void Device_SetSamplerStateDirect(int stage, int kind, bool flag) {
    CDeviceState& d = Device();
    if (!d.backend || stage < 0 || stage >= kSamplerStages || kind < 0 || kind >= kSamplerKinds) return;
    const uint32_t v = flag ? 1 : 0;
    if (d.samplerStates[stage][kind] == v) return;
    d.samplerStates[stage][kind] = v;
    d.backend->SetSamplerState(stage, kind, flag);
}

void Graphics_SetSamplerState(int stage, int kind, bool flag) {
    CDeviceState& d = Device();
    if (!d.backend || stage < 0 || stage >= kSamplerStages || kind < 0 || kind >= kSamplerKinds) return;
    if (d.samplerStates[stage][kind] == (flag ? 1u : 0u)) return;
    if (BatchPending()) Graphics_Flush();
    Device_SetSamplerStateDirect(stage, kind, flag);
}

void Device_BindTexture(Texture* texture) {
    CDeviceState& d = Device();
    if (!d.backend) return;
    const BackendTexture handle = texture ? texture->handle : 0;
    if (texture) texture->dirty = false;
    if (d.boundTexture == handle) return;
    d.boundTexture = handle;
    d.backend->SetTexture(0, handle);
}

// --- colour and alpha -------------------------------------------------------------------------

void Graphics_SetColour(uint32_t bgr) { Device().colour = bgr & 0xFFFFFF; }
uint32_t Graphics_Colour() { return Device().colour; }
uint32_t Graphics_ColourDevice() { return Colour_ToDevice(Device().colour, Device().alpha); }

void Graphics_SetAlpha(double alpha) {
    const double a = std::isnan(alpha) ? 0.0 : std::clamp(alpha, 0.0, 1.0);
    Device().alpha = uint32_t(std::lround(a * 255.0));
}
double Graphics_Alpha() { return Device().alpha / 255.0; }
uint32_t Graphics_AlphaByte() { return Device().alpha; }
void Graphics_SetDepth(float z) { Device().depth = z; }
float Graphics_Depth() { return Device().depth; }

// --- blending and the rest of the 2-D state ---------------------------------------------------

void Graphics_SetBlendFactors(int source, int destination) {
    CDeviceState& d = Device();
    Graphics_Flush();
    d.blendSource = source;
    d.blendDestination = destination;
    Graphics_SetRenderState(kRsSrcBlend, uint32_t(source));
    Graphics_SetRenderState(kRsDestBlend, uint32_t(destination));
}

void Graphics_SetBlendMode(int mode) {
    switch (mode) {
    case 1: Graphics_SetBlendFactors(5, 2); break;   // add: src alpha, one
    case 2: Graphics_SetBlendFactors(5, 4); break;   // max: src alpha, inv src colour
    case 3: Graphics_SetBlendFactors(1, 4); break;   // subtract: zero, inv src colour
    default: Graphics_SetBlendFactors(5, 6); break;  // normal
    }
}

void Graphics_SetInterpolation(bool on) {
    Graphics_Flush();
    Device().interpolation = on;
    ApplyInterpolation();
}
bool Graphics_Interpolation() { return Device().interpolation; }

void Graphics_SetTextureBlending(bool on) {
    Graphics_Flush();
    Device().textureBlending = on;
    ApplyTextureBlending();
}

void Graphics_SetTextureRepeat(bool on) {
    Graphics_Flush();
    Device().textureRepeat = on;
}

void Graphics_SetAlphaBlend(bool on) {
    Graphics_Flush();
    Graphics_SetRenderState(kRsAlphaBlend, on ? 1 : 0);
}

void Graphics_SetCulling(bool on) {
    Graphics_Flush();
    Device().culling = on;
    Graphics_SetRenderState(kRsCullMode, on ? 2 : 0);
}

void Graphics_SetLighting(bool on) {
    Graphics_Flush();
    Device().lighting = on;
    Graphics_SetRenderState(kRsLighting, on ? 1 : 0);
}

void Graphics_SetShading(bool gouraud) {
    Graphics_Flush();
    Device().gouraud = gouraud;
    Graphics_SetRenderState(kRsShadeMode, gouraud ? 2 : 1);
}

void Graphics_SetHiddenSurface(bool on) {
    Graphics_Flush();
    Device().hiddenSurface = on;
    ApplyHiddenSurface();
}

void Graphics_SetFog(bool on, uint32_t bgr, float start, float end) {
    Graphics_Flush();
    CDeviceState& d = Device();
    d.fog = on;
    d.fogColour = bgr & 0xFFFFFF;
    d.fogStart = start;
    d.fogEnd = end;
    ApplyFog();
}

void Graphics_SetLight(int index, const CLight& light) {
    CDeviceState& d = Device();
    if (!d.backend || index < 0 || index >= kMaxLights) return;
    Graphics_Flush();
    d.backend->SetLight(index, light);
}

void Graphics_SetAmbient(uint32_t bgr) {
    CDeviceState& d = Device();
    if (!d.backend) return;
    Graphics_Flush();
    d.backend->SetAmbient(Colour_ToDevice(bgr, 255));
}

void Graphics_Set3DMode(bool on) {
    Graphics_Flush();
    Device().mode3d = on;
    ApplyHiddenSurface();
}
bool Graphics_3DMode() { return Device().mode3d; }
void Graphics_SetPerspective(bool on) { Device().perspective = on; }
bool Graphics_Perspective() { return Device().perspective; }

void Graphics_ApplyDefaults() {
    CDeviceState& d = Device();
    if (!d.backend) return;
    Console().Output("D3D Settings Init\n");
    Graphics_Flush();
    Device_ResetCaches();
    Graphics_SetRenderState(kRsLighting, 1);
    Graphics_SetRenderState(kRsZEnable, 1);
    Graphics_SetRenderState(kRsFillMode, 3);
    Graphics_SetRenderState(kRsShadeMode, 2);
    Graphics_SetRenderState(kRsZWrite, 1);
    Graphics_SetRenderState(kRsAlphaTest, 0);
    Graphics_SetRenderState(kRsLastPixel, 1);
    Graphics_SetRenderState(kRsSrcBlend, 2);
    Graphics_SetRenderState(kRsDestBlend, 1);
    Graphics_SetRenderState(kRsCullMode, 0);
    Graphics_SetRenderState(kRsZFunc, 4);
    Graphics_SetRenderState(kRsAlphaRef, 128);
    Graphics_SetRenderState(kRsAlphaFunc, 8);
    Graphics_SetRenderState(kRsDither, 1);
    Graphics_SetRenderState(kRsAlphaBlend, 0);
    Graphics_SetRenderState(kRsFogEnable, 0);
    Graphics_SetRenderState(kRsSpecular, 0);
    Graphics_SetRenderState(kRsFogColour, 0);
    Graphics_SetRenderState(kRsFogTableMode, 0);
    Graphics_SetRenderState(kRsFogStart, FloatBits(0.0f));
    Graphics_SetRenderState(kRsFogEnd, FloatBits(1.0f));
    Graphics_SetRenderState(kRsStencil, 0);
    Graphics_SetRenderState(kRsStencilZFail, 1);
    Graphics_SetRenderState(kRsColourWriteMask, 15);
    Graphics_SetRenderState(kRsBlendOp, 1);

    // The 2-D layer's recorded state on top.
    Graphics_SetRenderState(kRsAlphaBlend, 1);
    Graphics_SetRenderState(kRsCullMode, d.culling ? 2 : 0);
    Graphics_SetRenderState(kRsSrcBlend, uint32_t(d.blendSource));
    Graphics_SetRenderState(kRsDestBlend, uint32_t(d.blendDestination));
    Graphics_SetRenderState(kRsLighting, d.lighting ? 1 : 0);
    Graphics_SetRenderState(kRsShadeMode, d.gouraud ? 2 : 1);
    ApplyHiddenSurface();
    ApplyFog();
    Device_BindTexture(nullptr);
    d.interpolation = (d.flags & kGraphicsInterpolate) != 0;
    ApplyInterpolation();
    ApplyTextureBlending();
    // Address modes are set per flush from the repeat flag; start from clamp.
    Device_SetSamplerStateDirect(0, 2, !d.textureRepeat);
    Device_SetSamplerStateDirect(0, 3, !d.textureRepeat);
}
