#pragma once
// The device layer's own state, shared by its files (graphics.cpp: the device and the
// frame; device_state.cpp: caches and the 2-D state; batch.cpp: the vertex batch;
// texture.cpp: textures). Nothing outside src/graphics includes this.
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/render_backend.h"

class TWindow;
struct Texture;

constexpr int kSamplerStages = 8;
constexpr int kSamplerKinds = 16;
constexpr int kMaxTargets = 8;
constexpr uint32_t kCacheUnknown = 0xFFFFFFFFu;

struct CBatch {
    int primitive = 0;  // 0: nothing pending
    Texture* texture = nullptr;
    int vertexSize = 0;
    int count = 0;
    int lastAllocation = 0;
    int highWater = 0;
};

struct CDeviceState {
    std::unique_ptr<IRenderBackend> backend;
    TWindow* window = nullptr;
    uint32_t flags = 0;

    // The application surface and its size (the game's drawing size).
    Texture* appSurface = nullptr;
    int screenW = 640, screenH = 480;
    int pendingScreenW = -1, pendingScreenH = -1;

    int frameDepth = 0;
    // Where drawing goes now (null: the window) and the targets pushed before it.
    Texture* target = nullptr;
    std::vector<Texture*> targetStack;

    uint32_t renderStates[kRenderStateCount];
    uint32_t samplerStates[kSamplerStages][kSamplerKinds];
    float transforms[3][16] = {};
    BackendTexture boundTexture = 0;
    bool textureBlendingApplied = true;
    bool textureBlendingKnown = false;

    // The 2-D layer's recorded state.
    uint32_t colour = 0xFFFFFF;  // 0xBBGGRR
    uint32_t alpha = 255;
    float depth = 0;
    int blendSource = 5, blendDestination = 6;
    bool interpolation = false;
    bool textureRepeat = false;
    bool textureBlending = true;
    bool culling = false;
    bool lighting = false;
    bool gouraud = true;
    bool hiddenSurface = false;
    bool fog = false;
    uint32_t fogColour = 0;  // 0xBBGGRR
    float fogStart = 0, fogEnd = 1;
    bool mode3d = false;
    bool perspective = false;
    float verticalFlip = 1;
    int halfPixelW = 640, halfPixelH = 480;
    CViewRect view;
    CPortRect port;
    CDrawArea area;

    CBatch batch;
    CGraphicsCounters counters;

    // The window.
    CBlitRect blit;
    uint32_t windowColour = 0;  // 0xBBGGRR
    int pendingWindowW = -1, pendingWindowH = -1;
    bool fullScreenWish = false;
    bool fullScreen = false;
    int antiAlias = 0;
    bool vsync = false;

    // Frame timing, microseconds.
    int64_t lastFrameTime = 0;
    double frameSeconds = 0, frameMilliseconds = 0;
    int64_t frames = 0;

    bool keepPresented = false;
    void (*presentHook)() = nullptr;  // after each kept picture is presented
    std::vector<uint32_t> presented;
    int presentedW = 0, presentedH = 0;
};

CDeviceState& Device();
inline bool DeviceReady() { return Device().backend != nullptr; }

// Fills the caches with "unknown" so that every next set reaches the device.
void Device_ResetCaches();
// The batch layer: forgets the pending type so the next allocation starts afresh.
void Batch_End();
// Before a texture goes: flush if it is pending, unbind it, take it off the targets.
void Device_ForgetTexture(Texture* texture);
// Current target size in pixels.
void Device_TargetSize(int& w, int& h);
// Sets the sampler state through the cache without flushing (the flush itself uses it).
void Device_SetSamplerStateDirect(int stage, int kind, bool flag);
// Binds stage 0 through the cache.
void Device_BindTexture(Texture* texture);
