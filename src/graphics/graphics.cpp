// The display device: creation on the game window, the application surface, the frame
// bracket and the blit to the window, render targets, view and projection set-up,
// clearing and reading pixels back. The state caches and the 2-D state are in
// device_state.cpp, the vertex batch in batch.cpp; the GL itself only in gl_*.cpp.
#include "graphics/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "graphics/bmp.h"
#include "graphics/graphics_internal.h"
#include "graphics/png.h"
#include "graphics/texture.h"
#include "graphics/texture_record.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/display.h"
#include "platform/window.h"

namespace {

std::string g_lastError;
TRenderBackendFactory g_backendFactory = nullptr;

struct TVec3 {
    float x, y, z;
};
TVec3 Sub(TVec3 a, TVec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
TVec3 Cross(TVec3 a, TVec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(TVec3 a, TVec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
TVec3 Normal(TVec3 a) {
    const float l = std::sqrt(Dot(a, a));
    return l > 0 ? TVec3{a.x / l, a.y / l, a.z / l} : a;
}

// Row-vector matrices (v * M), stored row by row.
void LookAtLH(TVec3 eye, TVec3 at, TVec3 up, float m[16]) {
    const TVec3 z = Normal(Sub(at, eye));
    const TVec3 x = Normal(Cross(up, z));
    const TVec3 y = Cross(z, x);
    const float r[16] = {x.x, y.x, z.x, 0, x.y,          y.y,          z.y,          0,
                         x.z, y.z, z.z, 0, -Dot(x, eye), -Dot(y, eye), -Dot(z, eye), 1};
    std::memcpy(m, r, sizeof r);
}

void OrthoLH(float w, float h, float zn, float zf, float m[16]) {
    const float r[16] = {2 / w, 0, 0, 0, 0, 2 / h, 0, 0, 0, 0, 1 / (zf - zn), 0, 0, 0, zn / (zn - zf), 1};
    std::memcpy(m, r, sizeof r);
}

void PerspectiveLH(float w, float h, float zn, float zf, float m[16]) {
    const float r[16] = {2 * zn / w,          0, 0, 0, 0, 2 * zn / h, 0, 0, 0, 0, zf / (zf - zn), 1, 0, 0,
                         zn * zf / (zn - zf), 0};
    std::memcpy(m, r, sizeof r);
}

void Transform(const float v[4], const float m[16], float out[4]) {
    for (int c = 0; c < 4; ++c) out[c] = v[0] * m[c] + v[1] * m[4 + c] + v[2] * m[8 + c] + v[3] * m[12 + c];
}

void SetTargetRaw(Texture* target) {
    CDeviceState& d = Device();
    d.target = target;
    int w = 0, h = 0;
    Device_TargetSize(w, h);
    d.backend->SetTarget(target ? target->handle : 0, w, h);
    d.port = CPortRect{0, 0, w, h};
}

void PopAllTargets() {
    CDeviceState& d = Device();
    Graphics_Flush();
    d.targetStack.clear();
    SetTargetRaw(nullptr);
}

bool CreateAppSurface(int w, int h) {
    CDeviceState& d = Device();
    d.appSurface = Texture_Create(w, h, 1, true, kTexFormatARGB8888);
    if (!d.appSurface) return false;
    d.screenW = w;
    d.screenH = h;
    return true;
}

void FreeAppSurface() {
    CDeviceState& d = Device();
    if (!d.appSurface) return;
    Texture* t = d.appSurface;
    d.appSurface = nullptr;
    Texture_Free(t);
}

// What every way of bringing the device up shares once a backend exists.
bool SetUp(int width, int height, uint32_t flags) {
    CDeviceState& d = Device();
    d.flags = flags;
    d.vsync = (flags & kGraphicsVSync) != 0;
    d.fullScreenWish = d.fullScreen = false;
    Device_ResetCaches();
    Console().Output("Creating screen render target\n");
    if (!CreateAppSurface(width, height)) {
        char text[1024];
        std::snprintf(text, sizeof text,
                      "Unable to create a screen that is %d x %d - please ensure settings are correct", width, height);
        g_lastError = text;
        Texture_FreeEveryRecord();
        d.backend.reset();
        return false;
    }
    Console().Output("Get Device Caps\n");
    d.pendingWindowW = d.pendingWindowH = -1;
    Console().Output("Graphics initialisation end...\n");
    SetTargetRaw(d.appSurface);
    // The world transform starts as the identity, in the store as on the device, so
    // that whatever saves and restores it puts back what is really there.
    static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Graphics_SetTransform(2, kIdentity);
    Graphics_ApplyDefaults();
    Graphics_Clear(0xFF000000u, 1, 0, 7);
    Graphics_SetPort(0, 0, d.screenW, d.screenH);
    Graphics_SetView(0, 0, float(d.screenW), float(d.screenH), 0);
    d.lastFrameTime = Timing_Time();
    d.frames = 0;
    return true;
}

}  // namespace

CDeviceState& Device() {
    static CDeviceState s;
    return s;
}

void Device_TargetSize(int& w, int& h) {
    CDeviceState& d = Device();
    if (d.target) {
        w = d.target->width;
        h = d.target->height;
    } else if (d.backend) {
        d.backend->WindowSize(w, h);
    } else {
        w = d.screenW;
        h = d.screenH;
    }
}

void Device_ForgetTexture(Texture* texture) {
    CDeviceState& d = Device();
    if (!texture) return;
    if (d.batch.texture == texture) {
        if (d.batch.count > 0) Graphics_Flush();
        d.batch.texture = nullptr;
        d.batch.primitive = 0;
    }
    if (d.backend && d.boundTexture == texture->handle) {
        d.backend->SetTexture(0, 0);
        d.boundTexture = 0;
    }
    for (Texture*& t : d.targetStack)
        if (t == texture) t = texture == d.appSurface ? nullptr : d.appSurface;
    if (d.target == texture && d.backend) {
        Texture* previous = d.targetStack.empty() ? nullptr : d.targetStack.back();
        if (!d.targetStack.empty()) d.targetStack.pop_back();
        SetTargetRaw(previous == texture ? nullptr : previous);
    }
}

void Graphics_SetBackendFactory(TRenderBackendFactory factory) { g_backendFactory = factory; }

const std::string& Graphics_LastError() { return g_lastError; }

bool Graphics_Init(TWindow& window, int width, int height, uint32_t flags) {
    Graphics_Shutdown();
    g_lastError.clear();
    CDeviceState& d = Device();
    int dw = 0, dh = 0;
    if (Display_DesktopSize(dw, dh)) {
        const WindowSize size = ClampToDesktop(width, height, dw, dh);
        width = size.width;
        height = size.height;
    } else {
        const WindowSize size = ClampToDesktop(width, height, 0, 0);
        width = size.width;
        height = size.height;
    }
    Console().Output("Selected Resolution: %dx%d\n", width, height);
    Console().Output("Get Current Desktop Display Mode\n");
    Console().Output("Prepare to create device\n");
    std::string error;
    std::unique_ptr<IRenderBackend> backend;
    if (g_backendFactory) backend = g_backendFactory(window, error);
    else error = "no graphics backend is installed";
    if (!backend) {
        g_lastError = "Failed to create the graphics device: " + error;
        return false;
    }
    Console().Output("Creating GL device - %s\n", backend->Describe().c_str());
    d.backend = std::move(backend);
    d.window = &window;
    if (!SetUp(width, height, flags)) return false;
    d.backend->SetVSync(d.vsync);
    if ((flags & kGraphicsFullScreen) != 0 && !Display_Headless()) {
        d.fullScreenWish = true;
        Graphics_Reset();
    }
    return true;
}

bool Graphics_InitWithBackend(std::unique_ptr<IRenderBackend> backend, int width, int height, uint32_t flags) {
    Graphics_Shutdown();
    g_lastError.clear();
    if (!backend) return false;
    CDeviceState& d = Device();
    d.backend = std::move(backend);
    const WindowSize size = ClampToDesktop(width, height, 0, 0);
    return SetUp(size.width, size.height, flags);
}

IRenderBackend* Graphics_Backend() { return Device().backend.get(); }

void Graphics_Shutdown() {
    CDeviceState& d = Device();
    if (d.backend) {
        Batch_End();
        d.targetStack.clear();
        d.target = nullptr;
        d.appSurface = nullptr;
        Texture_FreeAll();
        Texture_FreeEveryRecord();
        d.backend.reset();
    }
    Display_Shutdown();
    d = CDeviceState{};
}

bool Graphics_Ready() { return DeviceReady(); }

// --- the frame --------------------------------------------------------------------------------

void Graphics_BeginFrame() {
    CDeviceState& d = Device();
    if (!d.backend || d.frameDepth != 0) return;
    if (d.pendingScreenW > 0 && d.pendingScreenH > 0) {
        const int w = d.pendingScreenW, h = d.pendingScreenH;
        d.pendingScreenW = d.pendingScreenH = -1;
        if (!d.appSurface || d.appSurface->width != w || d.appSurface->height != h) {
            const int oldW = d.screenW, oldH = d.screenH;
            PopAllTargets();
            FreeAppSurface();
            if (!CreateAppSurface(w, h) && !CreateAppSurface(oldW, oldH)) return;
            SetTargetRaw(d.appSurface);
            Graphics_Clear(0xFF000000u, 1, 0, 7);
        }
    }
    if (!d.appSurface) return;
    Graphics_PushTarget(d.appSurface);
    d.frameDepth = 1;
}

bool Graphics_FrameOpen() { return Device().frameDepth != 0; }

void Graphics_BeginScreenPicture(uint32_t backgroundBGR, int& width, int& height) {
    Graphics_BeginFrame();
    width = Graphics_ScreenWidth();
    height = Graphics_ScreenHeight();
    Graphics_SetPort(0, 0, width, height);
    Graphics_SetView(0, 0, float(width), float(height), 0);
    Graphics_SetDrawArea(CDrawArea{0, 0, float(width), float(height)});
    Graphics_Clear(0xFF000000u | (backgroundBGR & 0xFFFFFFu), 1, 0, 7);
}

CBlitRect Graphics_FitRect(int windowW, int windowH, int gameW, int gameH, bool keepAspect) {
    if (!keepAspect || gameW <= 0 || gameH <= 0 || windowW <= 0 || windowH <= 0) return {0, 0, windowW, windowH};
    // Relatively taller than the game: full width, centred vertically.
    if (double(windowH) / windowW > double(gameH) / gameW) {
        const int h = int(std::lround(double(windowW) * gameH / gameW));
        return {0, (windowH - h) / 2, windowW, h};
    }
    const int w = int(std::lround(double(windowH) * gameW / gameH));
    return {(windowW - w) / 2, 0, w, windowH};
}

void Graphics_EndFrame(bool present) {
    CDeviceState& d = Device();
    if (!d.backend || d.frameDepth != 1) return;
    Graphics_Flush();
    const int64_t now = Timing_Time();
    const int64_t elapsed = std::max<int64_t>(0, now - d.lastFrameTime);
    d.lastFrameTime = now;
    d.frameSeconds = double(elapsed) / 1e6;
    d.frameMilliseconds = double(elapsed) / 1e3;
    ++d.frames;
    d.frameDepth = 0;
    Batch_End();
    PopAllTargets();
    if (d.appSurface) {
        int ww = 0, wh = 0;
        d.backend->WindowSize(ww, wh);
        d.blit =
            Graphics_FitRect(ww, wh, d.appSurface->width, d.appSurface->height, (d.flags & kGraphicsKeepAspect) != 0);
        d.backend->BlitToWindow(d.appSurface->handle, d.appSurface->width, d.appSurface->height,
                                CBackendRect{d.blit.x, d.blit.y, d.blit.width, d.blit.height},
                                Colour_ToDevice(d.windowColour, 255), (d.flags & kGraphicsInterpolate) != 0);
    }
    if (present) Graphics_Present();
}

bool Graphics_Present() {
    CDeviceState& d = Device();
    if (!d.backend) return false;
    if (d.keepPresented) {
        std::vector<uint32_t> pixels;
        int w = 0, h = 0;
        if (d.backend->ReadWindow(pixels, w, h)) {
            d.presented = std::move(pixels);
            d.presentedW = w;
            d.presentedH = h;
        }
    }
    const bool shown = d.backend->Present();
    if (d.keepPresented && d.presentHook) d.presentHook();
    return shown;
}

void Graphics_SetPresentHook(void (*hook)()) { Device().presentHook = hook; }

bool Graphics_Reset() {
    CDeviceState& d = Device();
    if (!d.backend) return false;
    Console().Output("Graphics::Reset()\n");
    Console().Output("--Reset Begin\n");
    Console().Output("Restore Target\n");
    const bool frameOpen = d.frameDepth == 1;
    PopAllTargets();
    Console().Output("Check Display Mode\n");
    d.backend->SetVSync(d.vsync);
    Console().Output("Free Screen Texture\n");
    int w = d.appSurface ? d.appSurface->width : d.screenW;
    int h = d.appSurface ? d.appSurface->height : d.screenH;
    const bool hadSurface = d.appSurface != nullptr;
    FreeAppSurface();
    Console().Output("Toggle Fullscreen/windowed mode settings\n");
    const bool switched = d.fullScreenWish != d.fullScreen;
    if (d.window && switched && Display_SetFullScreen(*d.window, d.fullScreenWish)) d.fullScreen = d.fullScreenWish;
    Console().Output("Execute Reset()\n");
    if (!d.fullScreen) {
        Console().Output("WindowedMode: Setup window prefs\n");
        if (d.pendingWindowW > 0 && d.pendingWindowH > 0) {
            int dw = 0, dh = 0;
            const bool desktop = Display_DesktopSize(dw, dh);
            const WindowSize size =
                ClampToDesktop(d.pendingWindowW, d.pendingWindowH, desktop ? dw : 0, desktop ? dh : 0);
            w = size.width;
            h = size.height;
            if (d.window) d.window->SetSize(w, h);
        }
        if (d.window && switched) Display_CentreWindow(*d.window);
    }
    d.pendingWindowW = d.pendingWindowH = -1;
    bool ok = true;
    if (hadSurface) {
        Console().Output("Recreate screen texture\n");
        ok = CreateAppSurface(w, h);
        if (!ok) Console().Output("Reset() Failed: %X\n", 0u);
    }
    if (d.appSurface) {
        SetTargetRaw(d.appSurface);
        Graphics_Clear(0xFF000000u, 1, 0, 7);
        if (frameOpen) {
            SetTargetRaw(nullptr);
            Graphics_PushTarget(d.appSurface);
        } else {
            SetTargetRaw(nullptr);
        }
    }
    return ok;
}

void Graphics_RequestDisplayReset(int antiAlias, bool vsync) {
    CDeviceState& d = Device();
    d.antiAlias = (antiAlias == 2 || antiAlias == 4 || antiAlias == 8 || antiAlias == 16) ? antiAlias : 0;
    d.vsync = vsync;
}

int Graphics_AntiAlias() { return Device().antiAlias; }
bool Graphics_VSync() { return Device().vsync; }
void Graphics_SetFullScreen(bool on) { Device().fullScreenWish = on; }
bool Graphics_FullScreen() { return Device().fullScreenWish; }
void Graphics_SetWindowSize(int width, int height) {
    Device().pendingWindowW = width;
    Device().pendingWindowH = height;
}
void Graphics_SetWindowColour(uint32_t bgr) { Device().windowColour = bgr & 0xFFFFFF; }
uint32_t Graphics_WindowColour() { return Device().windowColour; }
double Graphics_FrameMilliseconds() { return Device().frameMilliseconds; }
int64_t Graphics_FrameCount() { return Device().frames; }

int Graphics_ScreenWidth() { return Device().screenW; }
int Graphics_ScreenHeight() { return Device().screenH; }
void Graphics_SetScreenSize(int width, int height) {
    CDeviceState& d = Device();
    if (width <= 0 || height <= 0) return;
    const WindowSize size = ClampToDesktop(width, height, 0, 0);
    if (!d.backend) {
        d.screenW = size.width;
        d.screenH = size.height;
        return;
    }
    d.pendingScreenW = size.width;
    d.pendingScreenH = size.height;
}
CBlitRect Graphics_BlitRect() { return Device().blit; }

// --- targets ----------------------------------------------------------------------------------

bool Graphics_PushTarget(Texture* target) {
    CDeviceState& d = Device();
    if (!d.backend || !target || !target->renderTarget || int(d.targetStack.size()) >= kMaxTargets) return false;
    Graphics_Flush();
    d.targetStack.push_back(d.target);
    SetTargetRaw(target);
    return true;
}

bool Graphics_PopTarget() {
    CDeviceState& d = Device();
    if (!d.backend || d.targetStack.empty()) return false;
    Graphics_Flush();
    Texture* previous = d.targetStack.back();
    d.targetStack.pop_back();
    SetTargetRaw(previous);
    return true;
}

bool Graphics_SurfaceTarget() {
    const CDeviceState& d = Device();
    return d.target != nullptr && d.target != d.appSurface;
}

// --- view, port, transforms -------------------------------------------------------------------

void Graphics_SetHalfPixelSize(int width, int height) {
    Device().halfPixelW = width > 0 ? width : 640;
    Device().halfPixelH = height > 0 ? height : 480;
}

void Graphics_SetVerticalFlip(float factor) { Device().verticalFlip = factor < 0 ? -1.0f : 1.0f; }

void Graphics_SetView(float x, float y, float width, float height, float angle) {
    CDeviceState& d = Device();
    d.view = CViewRect{x, y, width, height, angle};
    if (!(width != 0) || !(height != 0)) return;
    const float cx = x + width / 2, cy = y + height / 2;
    const float a = -angle * 0.0174532924f;
    const TVec3 up{std::sin(a), std::cos(a), 0};
    float view[16], projection[16];
    if (d.mode3d && d.perspective) {
        LookAtLH({cx, cy, -width}, {cx, cy, 0}, up, view);
        // y grows down the room as in the orthographic view.
        PerspectiveLH(1, -height / width * d.verticalFlip, 1, 32000, projection);
    } else {
        LookAtLH({cx, cy, -16000}, {cx, cy, 0}, up, view);
        OrthoLH(width, -height * d.verticalFlip, 1, 32000, projection);
    }
    Graphics_SetTransform(0, view);
    Graphics_SetTransform(1, projection);
}

const CViewRect& Graphics_View() { return Device().view; }
const CPortRect& Graphics_Port() { return Device().port; }

void Graphics_SetPort(int x, int y, int width, int height) {
    CDeviceState& d = Device();
    width = std::max(width, 0);
    height = std::max(height, 0);
    d.port = CPortRect{x, y, width, height};
    if (!d.backend) return;
    Graphics_Flush();
    d.backend->SetViewport(x, y, width, height);
}

void Graphics_SetTransform(int which, const float m[16]) {
    CDeviceState& d = Device();
    if (which < 0 || which > 2 || !m) return;
    if (d.backend && d.batch.count > 0 && std::memcmp(d.transforms[which], m, sizeof(float) * 16) != 0)
        Graphics_Flush();
    std::memcpy(d.transforms[which], m, sizeof(float) * 16);
    if (d.backend) d.backend->SetTransform(which, d.transforms[which]);
}

const float* Graphics_GetTransform(int which) { return Device().transforms[std::clamp(which, 0, 2)]; }

void Graphics_SetDrawArea(const CDrawArea& area) { Device().area = area; }
const CDrawArea& Graphics_DrawArea() { return Device().area; }

// --- clearing and reading back ----------------------------------------------------------------

void Graphics_Clear(uint32_t colourABGR, float z, uint32_t stencil, int flags) {
    CDeviceState& d = Device();
    if (!d.backend || (flags & 7) == 0) return;
    Graphics_Flush();
    d.backend->Clear(Colour_ToDevice(colourABGR & 0xFFFFFF, colourABGR >> 24), z, stencil, flags & 7);
    if (d.target) d.target->dirty = true;
}

void Graphics_ClearPort(uint32_t colourABGR, float z, int flags) {
    CDeviceState& d = Device();
    flags &= 3;
    if (!d.backend || flags == 0) return;
    int tw = 0, th = 0;
    Device_TargetSize(tw, th);
    const CPortRect& p = d.port;
    if (p.x <= 0 && p.y <= 0 && int64_t(p.x) + p.width >= tw && int64_t(p.y) + p.height >= th)
        return Graphics_Clear(colourABGR, z, 0, flags);
    if (p.width <= 0 || p.height <= 0 || p.x >= tw || p.y >= th) return;
    // The device clears whole targets: the port is filled with one quad instead, written
    // as it is (no blending, no test, no fog or lighting) at the depth asked for. The
    // viewport clips it to the port.
    Graphics_Flush();
    const int ids[] = {kRsAlphaBlend, kRsZEnable,   kRsZFunc,    kRsZWrite,    kRsColourWriteMask,
                       kRsCullMode,   kRsFogEnable, kRsLighting, kRsAlphaTest, kRsFillMode};
    const uint32_t values[] = {0, 1, 8, (flags & 2) ? 1u : 0u, (flags & 1) ? 15u : 0u, 0, 0, 0, 0, 3};
    uint32_t saved[std::size(ids)];
    for (size_t k = 0; k < std::size(ids); ++k) {
        saved[k] = d.renderStates[ids[k]];
        Graphics_SetRenderState(ids[k], values[k]);
    }
    float transforms[3][16];
    std::memcpy(transforms, d.transforms, sizeof transforms);
    static const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (int which = 0; which < 3; ++which) Graphics_SetTransform(which, kIdentity);
    // Clip space of the projection: x and y -1..1 over the viewport, z 0..1 is the depth.
    const float depth = std::clamp(z, 0.0f, 1.0f);
    const uint32_t colour = Colour_ToDevice(colourABGR & 0xFFFFFF, colourABGR >> 24);
    if (auto* v = static_cast<VertexPC*>(Graphics_AllocVerts(kPrimTriangleFan, nullptr, int(sizeof(VertexPC)), 4))) {
        v[0] = {-1, -1, depth, colour};
        v[1] = {1, -1, depth, colour};
        v[2] = {1, 1, depth, colour};
        v[3] = {-1, 1, depth, colour};
        Graphics_Flush();
    }
    for (int which = 0; which < 3; ++which) Graphics_SetTransform(which, transforms[which]);
    for (size_t k = 0; k < std::size(ids); ++k)
        if (saved[k] != kCacheUnknown) Graphics_SetRenderState(ids[k], saved[k]);
}

std::vector<uint32_t> Graphics_ReadScreen(int x, int y, int w, int h, int& outW, int& outH) {
    outW = outH = 0;
    CDeviceState& d = Device();
    if (!d.backend) return {};
    // Between frames the window's buffer after a swap holds nothing defined; the
    // application surface still holds the last frame's picture at the game's size.
    Texture* const between = d.target == nullptr ? d.appSurface : nullptr;
    int tw = 0, th = 0;
    if (between) {
        tw = between->width;
        th = between->height;
    } else {
        Device_TargetSize(tw, th);
    }
    if (x < 0) {
        w += x;
        x = 0;
    }
    if (y < 0) {
        h += y;
        y = 0;
    }
    w = std::min(w, tw - x);
    h = std::min(h, th - y);
    if (w <= 0 || h <= 0) return {};
    Graphics_Flush();
    std::vector<uint32_t> out;
    const bool read =
        between ? d.backend->ReadTexture(between->handle, x, y, w, h, out) : d.backend->ReadPixels(x, y, w, h, out);
    if (!read || out.size() != size_t(w) * size_t(h)) return {};
    outW = w;
    outH = h;
    return out;
}

uint32_t Graphics_GetPixel(double x, double y) {
    CDeviceState& d = Device();
    if (!d.backend || !std::isfinite(x) || !std::isfinite(y)) return 0;
    // Through the view and projection as the vertices go, then the port.
    const float v[4] = {float(x), float(y), d.depth, 1};
    float e[4], c[4];
    Transform(v, d.transforms[0], e);
    Transform(e, d.transforms[1], c);
    if (!(c[3] != 0)) return 0;
    const double nx = c[0] / c[3], ny = c[1] / c[3];
    const double px = d.port.x + (nx + 1) / 2 * d.port.width;
    const double py = d.port.y + (1 - ny) / 2 * d.port.height;
    if (!(std::fabs(px) < 1e9) || !(std::fabs(py) < 1e9)) return 0;
    int w = 0, h = 0;
    const std::vector<uint32_t> p = Graphics_ReadScreen(int(std::floor(px)), int(std::floor(py)), 1, 1, w, h);
    return p.empty() ? 0 : Colour_ToScript(p[0]);
}

namespace {

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

bool Graphics_SaveBmp(const std::string& path, int x, int y, int w, int h) {
    int rw = 0, rh = 0;
    const std::vector<uint32_t> pixels = Graphics_ReadScreen(x, y, w, h, rw, rh);
    if (pixels.empty()) return false;
    return WriteBytes(path, Bmp_Encode24(pixels.data(), rw, rh));
}

void Graphics_KeepPresented(bool on) {
    CDeviceState& d = Device();
    d.keepPresented = on;
    if (!on) {
        d.presented.clear();
        d.presentedW = d.presentedH = 0;
    }
}

bool Graphics_SavePresentedPng(const std::string& path) {
    const CDeviceState& d = Device();
    if (d.presented.empty()) return false;
    std::vector<uint8_t> rgba(d.presented.size() * 4);
    for (size_t i = 0; i < d.presented.size(); ++i) {
        const uint32_t p = d.presented[i];
        rgba[i * 4 + 0] = uint8_t(p >> 16);
        rgba[i * 4 + 1] = uint8_t(p >> 8);
        rgba[i * 4 + 2] = uint8_t(p);
        rgba[i * 4 + 3] = 255;  // the window is opaque
    }
    return WriteBytes(path, Png_EncodeRGBA(d.presentedW, d.presentedH, rgba.data()));
}
