// The surface table, the drawing target and drawing surfaces like images.
#include "graphics/surface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "graphics/bmp.h"
#include "graphics/graphics.h"
#include "graphics/render_backend.h"
#include "graphics/sprite_draw.h"
#include "graphics/texture.h"
#include "graphics/texture_record.h"
#include "platform/console.h"

namespace {

constexpr float kDegToRad = 0.017453292f;
constexpr int64_t kMaxTileCopies = int64_t(1) << 20;

struct CSurface {
    int texture = -1;
    int width = 0, height = 0;
    bool inUse = false;
};

struct TTargetState {
    int current = -1;
    CViewRect view;
    CPortRect port;
    CDrawArea area;
};

std::vector<CSurface>& Table() {
    static std::vector<CSurface> table;
    return table;
}

TTargetState& Target() {
    static TTargetState state;
    return state;
}

CSurface* Get(int id) {
    std::vector<CSurface>& t = Table();
    if (id < 0 || size_t(id) >= t.size() || !t[size_t(id)].inUse) return nullptr;
    // A texture freed behind the table's back (the device went) means the surface went too.
    if (!Texture_Exists(t[size_t(id)].texture)) {
        t[size_t(id)] = CSurface{};
        return nullptr;
    }
    return &t[size_t(id)];
}

// The whole surface as a page entry of its texture.
bool Entry(int id, CTexturePageEntry& e) {
    const CSurface* s = Get(id);
    if (s == nullptr || s->texture > INT16_MAX || s->width > INT16_MAX || s->height > INT16_MAX) return false;
    e = CTexturePageEntry{};
    e.sourceWidth = e.targetWidth = e.fullWidth = int16_t(s->width);
    e.sourceHeight = e.targetHeight = e.fullHeight = int16_t(s->height);
    e.texture = int16_t(s->texture);
    return true;
}

uint32_t DeviceColour(uint32_t bgr, double alpha) { return Colour_ToDevice(bgr & 0xFFFFFF, Alpha_ToByte(alpha)); }

void Emit(int primitive, Texture* texture, const VertexPCT* v, int n) {
    void* p = Graphics_AllocVerts(primitive, texture, int(sizeof(VertexPCT)), n);
    if (p != nullptr) std::memcpy(p, v, sizeof(VertexPCT) * size_t(n));
}

// Clips a rectangle to 0..limitW x 0..limitH; false when nothing is left.
bool Clip(int& x, int& y, int& w, int& h, int limitW, int limitH) {
    int64_t x0 = x, y0 = y, x1 = int64_t(x) + w, y1 = int64_t(y) + h;
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, limitW);
    y1 = std::min<int64_t>(y1, limitH);
    if (x1 <= x0 || y1 <= y0) return false;
    x = int(x0);
    y = int(y0);
    w = int(x1 - x0);
    h = int(y1 - y0);
    return true;
}

// Set by the first surface made; from then on views with a surface id draw into it.
bool g_surfaceMade = false;

}  // namespace

// --- the table ------------------------------------------------------------------------------

int Surface_Create(int width, int height) {
    if (!Graphics_Ready() || width <= 0 || height <= 0) return -1;
    const int texture = Texture_CreateId(width, height, true);
    if (texture < 0) return -1;
    g_surfaceMade = true;
    std::vector<CSurface>& t = Table();
    CSurface entry{texture, width, height, true};
    for (size_t i = 0; i < t.size(); ++i)
        if (!Get(int(i))) {
            t[i] = entry;
            return int(i);
        }
    t.push_back(entry);
    return int(t.size() - 1);
}

bool Surface_AnyMade() { return g_surfaceMade; }

bool Surface_Exists(int id) { return Get(id) != nullptr; }

bool Surface_Free(int id) {
    CSurface* s = Get(id);
    if (s == nullptr) return false;
    if (Target().current == id) Surface_ResetTarget();
    Texture_FreeId(s->texture);
    *s = CSurface{};
    return true;
}

void Surface_FreeAll() {
    Console().Output("Free all surfaces\n");
    if (Target().current >= 0) Surface_ResetTarget();
    std::vector<CSurface>& t = Table();
    for (size_t i = 0; i < t.size(); ++i) Surface_Free(int(i));
    t.clear();
}

int Surface_Width(int id) {
    const CSurface* s = Get(id);
    return s ? s->width : -1;
}

int Surface_Height(int id) {
    const CSurface* s = Get(id);
    return s ? s->height : -1;
}

int Surface_Texture(int id) {
    const CSurface* s = Get(id);
    return s ? s->texture : -1;
}

// --- the target -----------------------------------------------------------------------------

bool Surface_SetTarget(int id) {
    if (!Graphics_Ready()) return false;
    CSurface* s = Get(id);
    if (s == nullptr) return false;
    Graphics_Flush();
    TTargetState& g = Target();
    if (g.current == id && Graphics_SurfaceTarget()) return true;
    if (g.current >= 0) Surface_ResetTarget();
    Texture* texture = Texture_Get(s->texture);
    const CViewRect view = Graphics_View();
    const CPortRect port = Graphics_Port();
    const CDrawArea area = Graphics_DrawArea();
    if (texture == nullptr || !Graphics_PushTarget(texture)) return false;
    g.view = view;
    g.port = port;
    g.area = area;
    g.current = id;
    Graphics_SetView(0, 0, float(s->width), float(s->height), 0);
    Graphics_SetPort(0, 0, s->width, s->height);
    Graphics_SetDrawArea(CDrawArea{0, 0, float(s->width), float(s->height)});
    texture->dirty = true;
    return true;
}

bool Surface_ResetTarget() {
    TTargetState& g = Target();
    if (g.current < 0) return false;
    Graphics_Flush();
    // The end of a frame takes every pushed target off the stack; a surface still
    // recorded as the target then is no longer on it, and popping would take the
    // application surface away instead.
    const bool pushed = Graphics_SurfaceTarget();
    const bool ok = pushed && Graphics_PopTarget();
    g.current = -1;
    Graphics_SetPort(g.port.x, g.port.y, g.port.width, g.port.height);
    Graphics_SetView(g.view.x, g.view.y, g.view.width, g.view.height, g.view.angle);
    Graphics_SetDrawArea(g.area);
    return ok;
}

int Surface_Current() { return Target().current; }

// --- reading and copying --------------------------------------------------------------------

bool Surface_ReadPixels(int id, int x, int y, int w, int h, std::vector<uint32_t>& out, int& outW, int& outH) {
    out.clear();
    outW = outH = 0;
    const CSurface* s = Get(id);
    IRenderBackend* backend = Graphics_Backend();
    Texture* texture = s ? Texture_Get(s->texture) : nullptr;
    if (texture == nullptr || backend == nullptr || !Clip(x, y, w, h, s->width, s->height)) return false;
    Graphics_Flush();  // drawing still in the batch lands first
    if (!backend->ReadTexture(texture->handle, x, y, w, h, out) || out.size() != size_t(w) * size_t(h)) {
        out.clear();
        return false;
    }
    outW = w;
    outH = h;
    return true;
}

uint32_t Surface_GetPixel(int id, int x, int y) {
    std::vector<uint32_t> pixel;
    int w = 0, h = 0;
    if (!Surface_ReadPixels(id, x, y, 1, 1, pixel, w, h) || pixel.size() != 1) return 0;
    const uint32_t p = pixel[0];
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

bool Surface_SaveBmp(int id, const std::string& path, int x, int y, int w, int h) {
    std::vector<uint32_t> pixels;
    int rw = 0, rh = 0;
    if (!Surface_ReadPixels(id, x, y, w, h, pixels, rw, rh)) return false;
    const std::vector<uint8_t> bytes = Bmp_Encode24(pixels.data(), rw, rh);
    if (bytes.empty()) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}

bool Surface_Copy(int destination, int x, int y, int source, int sx, int sy, int sw, int sh) {
    const CSurface* d = Get(destination);
    const CSurface* s = Get(source);
    IRenderBackend* backend = Graphics_Backend();
    if (d == nullptr || s == nullptr || backend == nullptr) return false;
    // Clip the part to the source, then where it lands to the destination.
    const int sx0 = sx, sy0 = sy;
    if (!Clip(sx, sy, sw, sh, s->width, s->height)) return false;
    int64_t dx = int64_t(x) + (sx - sx0), dy = int64_t(y) + (sy - sy0);
    int64_t dx1 = std::min<int64_t>(dx + sw, d->width), dy1 = std::min<int64_t>(dy + sh, d->height);
    const int64_t cutX = std::max<int64_t>(0, -dx), cutY = std::max<int64_t>(0, -dy);
    dx += cutX;
    dy += cutY;
    if (dx1 <= dx || dy1 <= dy) return false;
    const int w = int(dx1 - dx), h = int(dy1 - dy);
    std::vector<uint32_t> pixels;
    int rw = 0, rh = 0;
    if (!Surface_ReadPixels(source, sx + int(cutX), sy + int(cutY), w, h, pixels, rw, rh) || rw != w || rh != h)
        return false;
    Texture* texture = Texture_Get(d->texture);
    if (texture == nullptr) return false;
    return backend->UploadTexture(texture->handle, int(dx), int(dy), w, h, pixels.data());
}

// --- drawing --------------------------------------------------------------------------------

void Surface_Draw(int id, float x, float y) {
    CTexturePageEntry e;
    if (Entry(id, e)) Texture_DrawEntry(e, x, y);
}

void Surface_DrawExt(int id, float x, float y, float xscale, float yscale, float angle, uint32_t bgr, double alpha) {
    CTexturePageEntry e;
    if (Entry(id, e)) Texture_DrawEntryExt(e, 0, 0, x, y, xscale, yscale, angle * kDegToRad, bgr, alpha);
}

void Surface_DrawStretched(int id, float x, float y, float w, float h, uint32_t bgr, double alpha) {
    CTexturePageEntry e;
    if (!Entry(id, e)) return;
    Texture_DrawEntryExt(e, 0, 0, x, y, w / float(e.fullWidth), h / float(e.fullHeight), 0, bgr, alpha);
}

void Surface_DrawPart(int id, float left, float top, float w, float h, float x, float y, float xscale, float yscale,
                      uint32_t bgr, double alpha) {
    CTexturePageEntry e;
    if (!Entry(id, e)) return;
    const CTextureEntry* t = Texture_Entry(e.texture);
    VertexPCT v[6];
    if (t && Sprite_PartQuad(e, t->invWidth, t->invHeight, left, top, w, h, x, y, xscale, yscale,
                             DeviceColour(bgr, alpha), Graphics_Depth(), v))
        Emit(kPrimTriangleList, t->texture, v, 6);
}

void Surface_DrawTiled(int id, float x, float y, float xscale, float yscale, float regionLeft, float regionTop,
                       float regionW, float regionH, uint32_t bgr, double alpha) {
    CTexturePageEntry e;
    if (!Entry(id, e)) return;
    const double stepX = std::trunc(double(e.fullWidth) * xscale), stepY = std::trunc(double(e.fullHeight) * yscale);
    if (!(stepX > 0) || !(stepY > 0)) return;
    double firstX = x, firstY = y;
    int64_t countX = 1, countY = 1;
    Sprite_TileSpan(x, stepX, regionLeft, regionW, firstX, countX);
    Sprite_TileSpan(y, stepY, regionTop, regionH, firstY, countY);
    int64_t budget = kMaxTileCopies;
    for (int64_t j = 0; j < countY; ++j)
        for (int64_t i = 0; i < countX; ++i) {
            if (budget-- <= 0) return;
            Texture_DrawEntryExt(e, 0, 0, float(firstX + double(i) * stepX), float(firstY + double(j) * stepY), xscale,
                                 yscale, 0, bgr, alpha);
        }
}

void Surface_DrawGeneral(int id, float left, float top, float w, float h, float x, float y, float xscale, float yscale,
                         float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, double alpha) {
    CTexturePageEntry e;
    if (Entry(id, e)) TexturePage_DrawGeneral(e, left, top, w, h, x, y, xscale, yscale, angle, c1, c2, c3, c4, alpha);
}
