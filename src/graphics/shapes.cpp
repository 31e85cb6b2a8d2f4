// Shapes and the free-form primitive, all built from the batch's primitives.
#include "graphics/shapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "data/game.h"
#include "data/game_resources.h"
#include "graphics/graphics.h"
#include "graphics/texture.h"
#include "vm/machine.h"

namespace {

// --- the circle table -------------------------------------------------------------------

constexpr int kMinPrecision = 4, kMaxPrecision = 64;

struct TCircleTable {
    int n = 0;
    float cosines[kMaxPrecision + 1] = {};
    float sines[kMaxPrecision + 1] = {};
    void Build(int precision) {
        n = precision;
        for (int i = 0; i <= n; ++i) {
            // Single precision, as every vertex is; the last point is the first again.
            const float a = float(i % n) * 2.0f * 3.1415927f / float(n);
            cosines[i] = std::cos(a);
            sines[i] = std::sin(a);
        }
    }
    TCircleTable() { Build(24); }
};

TCircleTable& Circle() {
    static TCircleTable table;
    return table;
}

// --- vertices ---------------------------------------------------------------------------

VertexPC* Alloc(int primitive, int count) {
    return static_cast<VertexPC*>(Graphics_AllocVerts(primitive, nullptr, int(sizeof(VertexPC)), count));
}

// Corners ordered so that x1 <= x2 and y1 <= y2.
void OrderBox(float& x1, float& y1, float& x2, float& y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
}

void Quad(VertexPC* v, float x1, float y1, float x2, float y2, float z, uint32_t c1, uint32_t c2, uint32_t c3,
          uint32_t c4) {
    v[0] = {x1, y1, z, c1};
    v[1] = {x2, y1, z, c2};
    v[2] = {x2, y2, z, c3};
    v[3] = {x2, y2, z, c3};
    v[4] = {x1, y2, z, c4};
    v[5] = {x1, y1, z, c1};
}

// A quadrilateral (corners in order around it) as two triangles of one colour.
void FillQuad(const float (&x)[4], const float (&y)[4], uint32_t c) {
    VertexPC* v = Alloc(kPrimTriangleList, 6);
    if (!v) return;
    const float z = Graphics_Depth();
    const int order[6] = {0, 1, 2, 2, 3, 0};
    for (int k = 0; k < 6; ++k) v[k] = {x[order[k]], y[order[k]], z, c};
}

uint32_t WithAlpha(uint32_t bgr) { return Colour_ToDevice(bgr & 0xFFFFFF, Graphics_AlphaByte()); }

// --- the free-form primitive ------------------------------------------------------------

struct TPrimitive {
    int kind = 0;
    int texture = -1;  // texture id drawn with, -1 for none
    // A page entry maps u and v into its rectangle on the page.
    bool entry = false;
    float u0 = 0, v0 = 0, uScale = 1, vScale = 1;
    int count = 0;
    VertexPCT vertices[kPrimitiveMaxVertices];
};

TPrimitive& Prim() {
    static TPrimitive p;
    return p;
}

// A page entry of the loaded game by its offset: only offsets the game's entry list
// holds are read, so no number a script makes up reaches into the data.
bool FindEntry(int value, CTexturePageEntry& out) {
    const CGameResources* res = &*Game().resources;
    if (!res || value <= 0) return false;
    const std::vector<uint32_t>& entries = res->texturePages.entries;
    if (std::find(entries.begin(), entries.end(), uint32_t(value)) == entries.end()) return false;
    return TexturePage_Entry(uint32_t(value), out);
}

}  // namespace

void Shapes_SetCirclePrecision(int n) {
    n = std::clamp(n, kMinPrecision, kMaxPrecision);
    Circle().Build(n - n % 4);
}
int Shapes_CirclePrecision() { return Circle().n; }
const float* Shapes_CircleCos() { return Circle().cosines; }
const float* Shapes_CircleSin() { return Circle().sines; }

uint32_t Colour_Merge(uint32_t a, uint32_t b, double f) {
    f = std::isnan(f) ? 0.0 : std::clamp(f, 0.0, 1.0);
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const double ca = double((a >> shift) & 0xFF), cb = double((b >> shift) & 0xFF);
        out |= uint32_t(std::lround(ca + (cb - ca) * f)) << shift;
    }
    return out;
}

// --- shapes -----------------------------------------------------------------------------

void Shapes_Rectangle(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                      bool outline) {
    // The colours travel with their corners when the corners are given the other way round.
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(c1, c2);
        std::swap(c3, c4);
    }
    if (y1 > y2) {
        std::swap(y1, y2);
        std::swap(c1, c4);
        std::swap(c2, c3);
    }
    if (x2 == std::floor(x2)) x2 += 0.01f;
    if (y2 == std::floor(y2)) y2 += 0.01f;
    const float z = Graphics_Depth();
    if (!outline) {
        if (VertexPC* v = Alloc(kPrimTriangleList, 6)) Quad(v, x1, y1, x2, y2, z, c1, c2, c3, c4);
        return;
    }
    if (VertexPC* v = Alloc(kPrimLineStrip, 5)) {
        v[0] = {x1, y1, z, c1};
        v[1] = {x2, y1, z, c2};
        v[2] = {x2, y2, z, c3};
        v[3] = {x1, y2, z, c4};
        v[4] = {x1, y1, z, c1};
    }
    // Lines leave out their last pixel: the corners are set on their own.
    if (VertexPC* v = Alloc(kPrimPointList, 4)) {
        v[0] = {x1, y1, z, c1};
        v[1] = {x2, y1, z, c2};
        v[2] = {x2, y2, z, c3};
        v[3] = {x1, y2, z, c4};
    }
}

void Shapes_Ellipse(float x1, float y1, float x2, float y2, uint32_t centre, uint32_t edge, bool outline) {
    const TCircleTable& t = Circle();
    const float cx = (x1 + x2) * 0.5f, cy = (y1 + y2) * 0.5f;
    const float rx = std::fabs(x2 - x1) * 0.5f, ry = std::fabs(y2 - y1) * 0.5f;
    const float z = Graphics_Depth();
    if (outline) {
        VertexPC* v = Alloc(kPrimLineStrip, t.n + 1);
        if (!v) return;
        for (int i = 0; i <= t.n; ++i) v[i] = {cx + rx * t.cosines[i], cy + ry * t.sines[i], z, edge};
        return;
    }
    VertexPC* v = Alloc(kPrimTriangleFan, t.n + 2);
    if (!v) return;
    v[0] = {cx, cy, z, centre};
    for (int i = 0; i <= t.n; ++i) v[i + 1] = {cx + rx * t.cosines[i], cy + ry * t.sines[i], z, edge};
}

void Shapes_RoundRect(float x1, float y1, float x2, float y2, uint32_t centre, uint32_t edge, bool outline) {
    OrderBox(x1, y1, x2, y2);
    const TCircleTable& t = Circle();
    const float r = std::min({10.0f, (x2 - x1) * 0.5f, (y2 - y1) * 0.5f});
    const int q = t.n / 4;
    // Corner j holds the table's quarter j: bottom-right, bottom-left, top-left,
    // top-right (the table turns clockwise on the screen, y pointing down).
    const float cxs[4] = {x2 - r, x1 + r, x1 + r, x2 - r};
    const float cys[4] = {y2 - r, y2 - r, y1 + r, y1 + r};
    const int rim = 4 * (q + 1);
    const float z = Graphics_Depth();
    VertexPC* v = outline ? Alloc(kPrimLineStrip, rim + 1) : Alloc(kPrimTriangleFan, rim + 2);
    if (!v) return;
    int k = 0;
    if (!outline) v[k++] = {(x1 + x2) * 0.5f, (y1 + y2) * 0.5f, z, centre};
    const int first = k;
    for (int j = 0; j < 4; ++j)
        for (int i = j * q; i <= (j + 1) * q; ++i)
            v[k++] = {cxs[j] + r * t.cosines[i], cys[j] + r * t.sines[i], z, edge};
    v[k] = v[first];
}

void Shapes_Point(float x, float y, uint32_t c) {
    if (VertexPC* v = Alloc(kPrimPointList, 1)) *v = {x, y, Graphics_Depth(), c};
}

void Shapes_Line(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2) {
    VertexPC* v = Alloc(kPrimLineList, 2);
    if (!v) return;
    const float z = Graphics_Depth();
    v[0] = {x1, y1, z, c1};
    v[1] = {x2, y2, z, c2};
}

void Shapes_LineWidth(float x1, float y1, float x2, float y2, float w, uint32_t c1, uint32_t c2) {
    const float dx = x2 - x1, dy = y2 - y1;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0)) return;
    const float nx = -dy / length * w * 0.5f, ny = dx / length * w * 0.5f;
    VertexPC* v = Alloc(kPrimTriangleFan, 4);
    if (!v) return;
    const float z = Graphics_Depth();
    v[0] = {x1 + nx, y1 + ny, z, c1};
    v[1] = {x2 + nx, y2 + ny, z, c2};
    v[2] = {x2 - nx, y2 - ny, z, c2};
    v[3] = {x1 - nx, y1 - ny, z, c1};
}

void Shapes_Triangle(float x1, float y1, float x2, float y2, float x3, float y3, uint32_t c1, uint32_t c2, uint32_t c3,
                     bool outline) {
    const float z = Graphics_Depth();
    VertexPC* v = Alloc(outline ? kPrimLineStrip : kPrimTriangleList, outline ? 4 : 3);
    if (!v) return;
    v[0] = {x1, y1, z, c1};
    v[1] = {x2, y2, z, c2};
    v[2] = {x3, y3, z, c3};
    if (outline) v[3] = v[0];
}

void Shapes_Arrow(float x1, float y1, float x2, float y2, float size, uint32_t c) {
    const float dx = x2 - x1, dy = y2 - y1;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0)) return;
    const float head = std::clamp(size, 0.0f, length);
    const float ux = dx / length, uy = dy / length;
    const float bx = x2 - ux * head, by = y2 - uy * head;
    // The shaft stops where the head begins, so a translucent arrow is one even shape.
    if (head < length) Shapes_Line(x1, y1, bx, by, c, c);
    if (!(head > 0)) return;
    const float half = head / 3;
    Shapes_Triangle(x2, y2, bx - uy * half, by + ux * half, bx + uy * half, by - ux * half, c, c, c, false);
}

void Shapes_Button(float x1, float y1, float x2, float y2, bool up, uint32_t c) {
    OrderBox(x1, y1, x2, y2);
    const uint32_t alpha = c & 0xFF000000u;
    const uint32_t bgr = Colour_ToScript(c);
    const uint32_t light = alpha | (Colour_ToDevice(Colour_Merge(bgr, 0xFFFFFF, 0.5), 0) & 0xFFFFFF);
    const uint32_t dark = alpha | (Colour_ToDevice(Colour_Merge(bgr, 0x000000, 0.5), 0) & 0xFFFFFF);
    const uint32_t topLeft = up ? light : dark, bottomRight = up ? dark : light;
    const float b = std::min({2.0f, (x2 - x1) * 0.5f, (y2 - y1) * 0.5f});
    Shapes_Rectangle(x1 + b, y1 + b, x2 - b, y2 - b, c, c, c, c, false);
    // Four bevels, mitred at the corners.
    FillQuad({x1, x2, x2 - b, x1 + b}, {y1, y1, y1 + b, y1 + b}, topLeft);
    FillQuad({x1, x1 + b, x1 + b, x1}, {y1, y1 + b, y2 - b, y2}, topLeft);
    FillQuad({x1, x1 + b, x2 - b, x2}, {y2, y2 - b, y2 - b, y2}, bottomRight);
    FillQuad({x2, x2, x2 - b, x2 - b}, {y1, y2, y2 - b, y1 + b}, bottomRight);
}

void Shapes_Healthbar(float x1, float y1, float x2, float y2, double amount, uint32_t backColour, uint32_t minColour,
                      uint32_t maxColour, int direction, bool showBack, bool showBorder) {
    OrderBox(x1, y1, x2, y2);
    const double f = std::isnan(amount) ? 0.0 : std::clamp(amount, 0.0, 100.0) / 100.0;
    if (showBack) {
        const uint32_t c = WithAlpha(backColour);
        Shapes_Rectangle(x1, y1, x2, y2, c, c, c, c, false);
    }
    if (f > 0) {
        const uint32_t c = WithAlpha(Colour_Merge(minColour, maxColour, f));
        const float w = float((x2 - x1) * f), h = float((y2 - y1) * f);
        switch (direction) {
        case 1: Shapes_Rectangle(x2 - w, y1, x2, y2, c, c, c, c, false); break;
        case 2: Shapes_Rectangle(x1, y1, x2, y1 + h, c, c, c, c, false); break;
        case 3: Shapes_Rectangle(x1, y2 - h, x2, y2, c, c, c, c, false); break;
        default: Shapes_Rectangle(x1, y1, x1 + w, y2, c, c, c, c, false); break;
        }
    }
    if (showBorder) {
        const uint32_t c = WithAlpha(0x000000);
        Shapes_Rectangle(x1, y1, x2, y2, c, c, c, c, true);
    }
}

// --- the free-form primitive ------------------------------------------------------------

void Primitive_Begin(int kind, int texture) {
    TPrimitive& p = Prim();
    p.kind = kind;
    p.count = 0;
    p.texture = -1;
    p.entry = false;
    p.u0 = p.v0 = 0;
    p.uScale = p.vScale = 1;
    if (texture == -1) return;
    if (Texture_Exists(texture)) {
        p.texture = texture;
        return;
    }
    CTexturePageEntry e;
    const CTextureEntry* page = nullptr;
    if (!FindEntry(texture, e) || (page = Texture_Entry(e.texture)) == nullptr) return;
    p.texture = e.texture;
    p.entry = true;
    p.u0 = float(e.sourceX) * page->invWidth;
    p.v0 = float(e.sourceY) * page->invHeight;
    p.uScale = float(e.sourceWidth) * page->invWidth;
    p.vScale = float(e.sourceHeight) * page->invHeight;
}

void Primitive_Vertex(float x, float y, uint32_t colour, float u, float v) {
    TPrimitive& p = Prim();
    if (p.count >= kPrimitiveMaxVertices) return;
    if (p.entry) {
        u = p.uScale * u + p.u0;
        v = p.vScale * v + p.v0;
    }
    p.vertices[p.count++] = {x, y, Graphics_Depth(), colour, u, v};
}

void Primitive_End() {
    TPrimitive& p = Prim();
    const int count = p.count;
    p.count = 0;
    if (p.kind < kPrimPointList || p.kind > kPrimTriangleFan || count == 0) return;
    // A texture freed since the beginning draws as none.
    Texture* texture = p.texture >= 0 ? Texture_Get(p.texture) : nullptr;
    void* slot = Graphics_AllocVerts(p.kind, texture, int(sizeof(VertexPCT)), count);
    if (slot) std::memcpy(slot, p.vertices, sizeof(VertexPCT) * size_t(count));
}

int Primitive_VertexCount() { return Prim().count; }
