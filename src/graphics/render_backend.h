#pragma once
// The seam between the device-independent drawing layer and the GL. The batcher, the
// state caches, the 2-D state and the texture table sit above it and decide *when*
// something reaches the device; a backend only carries out what it is told. The GL
// backend is the real one; tests plug in a recording one to see exactly which calls
// the layer above makes.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/vertex.h"

class TWindow;

// A device texture as the backend hands it out; 0 is none.
using BackendTexture = uint32_t;

// One light of the fixed lighting stage (the 3-D functions fill these).
struct CLight {
    bool enabled = false;
    int kind = 0;                  // 0 directional, 1 point
    float x = 0, y = 0, z = 0;     // direction (directional) or position (point)
    float range = 0;               // point lights: no light beyond this distance
    uint32_t colour = 0xFFFFFFFF;  // 0xAARRGGBB
};
constexpr int kMaxLights = 8;

struct CBackendRect {
    int x = 0, y = 0, width = 0, height = 0;
};

class IRenderBackend {
public:
    virtual ~IRenderBackend() = default;

    // --- textures: 32-bit 0xAARRGGBB pixels, rows top first ---------------------------
    // A texture of exactly that size, its contents zero; render targets also get a
    // depth-stencil buffer and can be drawn to. 0 on failure.
    virtual BackendTexture CreateTexture(int width, int height, bool renderTarget) = 0;
    // A texture of exactly that size holding `pixels` (width x height, its whole
    // contents), made in one step instead of being cleared and then written. 0 on failure.
    virtual BackendTexture CreateTextureFrom(int width, int height, const uint32_t* pixels) {
        const BackendTexture t = CreateTexture(width, height, false);
        if (t && !UploadTexture(t, 0, 0, width, height, pixels)) {
            FreeTexture(t);
            return 0;
        }
        return t;
    }
    // Writes a w x h block at (x, y) of the texture.
    virtual bool UploadTexture(BackendTexture texture, int x, int y, int w, int h, const uint32_t* pixels) = 0;
    virtual void FreeTexture(BackendTexture texture) = 0;
    // A w x h block at (x, y) of the texture, rows top first.
    virtual bool ReadTexture(BackendTexture texture, int x, int y, int w, int h, std::vector<uint32_t>& out) = 0;

    // --- where drawing goes ------------------------------------------------------------
    // A render target texture, or 0 for the window. The viewport becomes the whole target.
    virtual void SetTarget(BackendTexture target, int width, int height) = 0;
    // In target pixels, top-left origin.
    virtual void SetViewport(int x, int y, int width, int height) = 0;

    // --- state -------------------------------------------------------------------------
    // which: 0 view, 1 projection, 2 world. Row-vector matrices (v * M) stored row by row,
    // which is the same memory as a column-major matrix for column vectors.
    virtual void SetTransform(int which, const float m[16]) = 0;
    // The layer's own render-state ids and values (graphics.h kRs*), already filtered by
    // the cache.
    virtual void SetRenderState(int id, uint32_t value) = 0;
    // kind: 0 mag filter point, 1 min filter point, 2 address U clamp, 3 address V clamp.
    virtual void SetSamplerState(int stage, int kind, bool flag) = 0;
    // Stage 0 colour and alpha: texture x vertex colour (true) or the texture alone.
    virtual void SetTextureBlending(bool modulate) = 0;
    virtual void SetTexture(int stage, BackendTexture texture) = 0;
    virtual void SetLight(int index, const CLight& light) = 0;
    virtual void SetAmbient(uint32_t argb) = 0;

    // --- drawing -----------------------------------------------------------------------
    // colour 0xAARRGGBB; flags: 1 colour, 2 depth, 4 stencil. The whole current target.
    virtual void Clear(uint32_t argb, float z, uint32_t stencil, int flags) = 0;
    // One draw call of `count` vertices of `vertexSize` bytes (16, 24 or 36).
    virtual void Draw(int primitive, int vertexSize, const void* vertices, int count) = 0;
    // `quads` quads of four vertices each (corners in order), each the triangles 0 1 2
    // and 2 3 0, in one draw call. This default draws the same triangle list through Draw;
    // a device with index buffers sends four vertices per quad instead of six.
    virtual void DrawQuads(int vertexSize, const void* vertices, int quads) {
        static const int kCorner[6] = {0, 1, 2, 2, 3, 0};
        const size_t size = size_t(vertexSize);
        std::vector<uint8_t> list(size_t(quads) * 6 * size);
        const auto* in = static_cast<const uint8_t*>(vertices);
        for (size_t q = 0; q < size_t(quads); ++q)
            for (size_t i = 0; i < 6; ++i)
                std::memcpy(&list[(q * 6 + i) * size], in + (q * 4 + size_t(kCorner[i])) * size, size);
        Draw(kPrimTriangleList, vertexSize, list.data(), quads * 6);
    }

    // --- reading back, the window ------------------------------------------------------
    // A rectangle of the current target, rows top first; the caller has clipped it.
    virtual bool ReadPixels(int x, int y, int w, int h, std::vector<uint32_t>& out) = 0;
    // Clears the window to `clearArgb` and draws the whole surface into `rect`
    // (window pixels, top-left origin), filtered when `linear`.
    virtual void BlitToWindow(BackendTexture surface, int surfaceW, int surfaceH, const CBackendRect& rect,
                              uint32_t clearArgb, bool linear) = 0;
    // The window's back buffer as it will be presented, rows top first.
    virtual bool ReadWindow(std::vector<uint32_t>& out, int& w, int& h) = 0;
    virtual bool Present() = 0;
    virtual void SetVSync(bool on) = 0;
    // The window's drawable size in pixels.
    virtual void WindowSize(int& w, int& h) = 0;
    // One line for the log: what the device is.
    virtual std::string Describe() = 0;
};

// Brings the drawing layer up on a backend without a window (tests, tools). The
// application surface is width x height; flags as for Graphics_Init.
bool Graphics_InitWithBackend(std::unique_ptr<IRenderBackend> backend, int width, int height, uint32_t flags);
// The backend in use, or null.
IRenderBackend* Graphics_Backend();

// Makes the device's backend on the game window; null with `error` set when it cannot.
// The backend layer installs it (GLBackend_Install) before the device is made.
using TRenderBackendFactory = std::unique_ptr<IRenderBackend> (*)(TWindow& window, std::string& error);
void Graphics_SetBackendFactory(TRenderBackendFactory factory);
