// The immediate-mode vertex batch every 2-D drawing routine fills, and the 2-D layer's
// own primitives. One static buffer of the largest vertex size; a batch breaks only
// when the type, the texture or the vertex size changes, for strips, fans and line
// strips (whose vertices cannot be joined with the next ones), and on overflow.
#include <cmath>
#include <cstring>

#include "graphics/graphics_internal.h"
#include "graphics/texture_record.h"

namespace {

constexpr int kLargestVertex = int(sizeof(VertexPNCT));
alignas(16) uint8_t g_vertices[size_t(kBatchVertices) * kLargestVertex];

bool NeverMerged(int primitive) {
    return primitive == kPrimLineStrip || primitive == kPrimTriangleStrip || primitive == kPrimTriangleFan;
}

int64_t PrimitiveCount(int primitive, int n) {
    switch (primitive) {
    case kPrimPointList: return n;
    case kPrimLineList: return n / 2;
    case kPrimLineStrip: return n - 1;
    case kPrimTriangleList: return n / 3;
    case kPrimTriangleStrip:
    case kPrimTriangleFan: return n - 2;
    case kPrimQuadList: return n / 4 * 2;
    default: return 0;
    }
}

bool IsTriangles(int primitive) { return primitive >= kPrimTriangleList && primitive <= kPrimQuadList; }

template <typename V>
V* Alloc(int primitive, int count) {
    return static_cast<V*>(Graphics_AllocVerts(primitive, nullptr, int(sizeof(V)), count));
}

void* Take(int primitive, Texture* texture, int vertexSize, int count) {
    CDeviceState& d = Device();
    if (!d.backend || count < 1 || count > kBatchVertices) return nullptr;
    if (vertexSize != 16 && vertexSize != 24 && vertexSize != 36) return nullptr;
    CBatch& b = d.batch;
    // A page still waiting for its pixels is made now, before it is batched; one that
    // cannot be made draws nothing.
    if (texture && texture != b.texture && !texture->handle && !Texture_Realize(texture)) return nullptr;
    if (b.count > 0 && (b.primitive != primitive || b.texture != texture || b.vertexSize != vertexSize ||
                        NeverMerged(b.primitive) || b.count + count > kBatchVertices))
        Graphics_Flush();
    b.primitive = primitive;
    b.texture = texture;
    b.vertexSize = vertexSize;
    void* slot = g_vertices + size_t(b.count) * size_t(vertexSize);
    b.count += count;
    b.lastAllocation = count;
    if (b.count > b.highWater) b.highWater = b.count;
    return slot;
}

}  // namespace

void* Graphics_AllocVerts(int primitive, Texture* texture, int vertexSize, int count) {
    if (primitive < kPrimPointList || primitive > kPrimTriangleFan) return nullptr;
    return Take(primitive, texture, vertexSize, count);
}

void* Graphics_AllocQuads(Texture* texture, int vertexSize, int quads) {
    if (quads < 1 || quads > kBatchVertices / 4) return nullptr;
    return Take(kPrimQuadList, texture, vertexSize, quads * 4);
}

void Graphics_ReturnVerts(int count) {
    CBatch& b = Device().batch;
    if (count <= 0) return;
    if (count > b.lastAllocation) count = b.lastAllocation;
    b.count -= count;
    b.lastAllocation -= count;
}

void Graphics_Flush() {
    CDeviceState& d = Device();
    CBatch& b = d.batch;
    if (!d.backend || b.count <= 0) return;
    // Taken first: the state changes below must not see a pending batch.
    const int primitive = b.primitive, count = b.count, size = b.vertexSize;
    Texture* texture = b.texture;
    b.count = 0;
    b.lastAllocation = 0;
    if (texture) {
        Device_SetSamplerStateDirect(0, 2, !d.textureRepeat);
        Device_SetSamplerStateDirect(0, 3, !d.textureRepeat);
    }
    Device_BindTexture(texture);
    if (PrimitiveCount(primitive, count) <= 0) return;
    if (primitive == kPrimQuadList) d.backend->DrawQuads(size, g_vertices, count / 4);
    else d.backend->Draw(primitive, size, g_vertices, count);
    ++d.counters.drawCalls;
    d.counters.vertices += count;
    if (IsTriangles(primitive)) d.counters.triangles += PrimitiveCount(primitive, count);
    if (d.target) d.target->dirty = true;
}

void Batch_End() {
    CBatch& b = Device().batch;
    b.count = 0;
    b.lastAllocation = 0;
    b.primitive = 0;
    b.texture = nullptr;
    b.vertexSize = 0;
}

CGraphicsCounters Graphics_Counters() { return Device().counters; }
void Graphics_ResetCounters() { Device().counters = {}; }

// --- primitives of the 2-D layer ----------------------------------------------------------

void Graphics_DrawPoint(float x, float y) {
    if (VertexPC* v = Alloc<VertexPC>(kPrimPointList, 1)) *v = {x, y, Graphics_Depth(), Graphics_ColourDevice()};
}

void Graphics_DrawLine(float x1, float y1, float x2, float y2) {
    VertexPC* v = Alloc<VertexPC>(kPrimLineList, 2);
    if (!v) return;
    const float z = Graphics_Depth();
    const uint32_t c = Graphics_ColourDevice();
    v[0] = {x1, y1, z, c};
    v[1] = {x2, y2, z, c};
}

void Graphics_DrawLineWidth(float x1, float y1, float x2, float y2, float width) {
    const float dx = x2 - x1, dy = y2 - y1;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0)) return;
    // Half the width along the segment's normal, on both sides.
    const float nx = -dy / length * width * 0.5f, ny = dx / length * width * 0.5f;
    VertexPC* v = Alloc<VertexPC>(kPrimTriangleFan, 4);
    if (!v) return;
    const float z = Graphics_Depth();
    const uint32_t c = Graphics_ColourDevice();
    v[0] = {x1 + nx, y1 + ny, z, c};
    v[1] = {x2 + nx, y2 + ny, z, c};
    v[2] = {x2 - nx, y2 - ny, z, c};
    v[3] = {x1 - nx, y1 - ny, z, c};
}

void Graphics_DrawTriangle(float x1, float y1, float x2, float y2, float x3, float y3, bool outline) {
    const float z = Graphics_Depth();
    const uint32_t c = Graphics_ColourDevice();
    if (outline) {
        VertexPC* v = Alloc<VertexPC>(kPrimLineStrip, 4);
        if (!v) return;
        v[0] = {x1, y1, z, c};
        v[1] = {x2, y2, z, c};
        v[2] = {x3, y3, z, c};
        v[3] = {x1, y1, z, c};
        return;
    }
    VertexPC* v = Alloc<VertexPC>(kPrimTriangleList, 3);
    if (!v) return;
    v[0] = {x1, y1, z, c};
    v[1] = {x2, y2, z, c};
    v[2] = {x3, y3, z, c};
}
