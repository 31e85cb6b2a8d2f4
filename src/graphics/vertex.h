#pragma once
// The three vertex layouts of the drawing layer and the primitive types of a batch.
#include <cstdint>

// Colours in vertices are device order: 0xAARRGGBB.
struct VertexPC {
    float x, y, z;
    uint32_t colour;
};
struct VertexPCT {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
struct VertexPNCT {
    float x, y, z;
    float nx, ny, nz;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(VertexPC) == 16 && sizeof(VertexPCT) == 24 && sizeof(VertexPNCT) == 36);

enum : int {
    kPrimPointList = 1,
    kPrimLineList = 2,
    kPrimLineStrip = 3,
    kPrimTriangleList = 4,
    kPrimTriangleStrip = 5,
    kPrimTriangleFan = 6,
    // The batch's own (Graphics_AllocQuads): four vertices per quad, its corners in
    // order, drawn as the triangles 0 1 2 and 2 3 0.
    kPrimQuadList = 7,
};

constexpr int kBatchVertices = 32768;

// Script colours are 0xBBGGRR; the device wants 0xAARRGGBB.
inline uint32_t Colour_ToDevice(uint32_t bgr, uint32_t alphaByte) {
    return (alphaByte << 24) | ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}
inline uint32_t Colour_ToScript(uint32_t argb) {
    return ((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF);
}
// alpha (0..1) as the byte vertices carry: truncated, clamped to 0..255.
inline uint32_t Alpha_ToByte(double alpha) {
    const double a = alpha * 255.0;
    if (!(a > 0)) return 0;
    return a >= 255 ? 255u : uint32_t(a);
}
