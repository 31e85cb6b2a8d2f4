// Texture records, the texture id table, the game's texture pages and the quads that
// draw page entries.
#include "graphics/texture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "data/game.h"
#include "data/game_data.h"
#include "data/game_resources.h"
#include "graphics/graphics_internal.h"
#include "graphics/png.h"
#include "graphics/texture_record.h"
#include "platform/console.h"
#include "vm/machine.h"

namespace {

constexpr int kMaxTextureSide = 8192;  // what the packed size word can hold

// Every live record; the table owns them.
std::vector<std::unique_ptr<Texture>>& Records() {
    static std::vector<std::unique_ptr<Texture>> records;
    return records;
}

std::vector<std::unique_ptr<CTextureEntry>>& Ids() {
    static std::vector<std::unique_ptr<CTextureEntry>> ids;
    return ids;
}

// Page index of the loaded game -> texture id (-1: no texture).
std::vector<int>& PageIds() {
    static std::vector<int> pages;
    return pages;
}

int AllocateId() {
    auto& ids = Ids();
    for (size_t i = 0; i < ids.size(); ++i)
        if (!ids[i]->inUse) return int(i);
    ids.push_back(std::make_unique<CTextureEntry>());
    return int(ids.size() - 1);
}

int IdFor(Texture* t, int usedWidth, int usedHeight) {
    if (!t) return -1;
    const int id = AllocateId();
    CTextureEntry& e = *Ids()[size_t(id)];
    e.texture = t;
    e.usedWidth = std::clamp(usedWidth, 0, 0xFFFF);
    e.usedHeight = std::clamp(usedHeight, 0, 0xFFFF);
    e.invWidth = 1.0f / float(t->width);
    e.invHeight = 1.0f / float(t->height);
    e.inUse = true;
    return id;
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A decoded image as 0xAARRGGBB pixels.
struct TImage {
    int width = 0, height = 0;
    int format = kTexFormatARGB8888;
    std::vector<uint32_t> pixels;
};

bool Decode(const uint8_t* data, size_t size, TImage& out) {
    CRawImage raw;
    if (size >= 4 && std::memcmp(data, "RAW ", 4) == 0) {
        if (!Texture_ParseRaw(data, size, raw)) return false;
        out.width = raw.width;
        out.height = raw.height;
        out.format = raw.format;
        Texture_RawPixels(data, raw, out.pixels);
        return true;
    }
    int w = 0, h = 0;
    if (!Png_DecodeARGB32(data, size, w, h, out.pixels)) return false;
    out.width = w;
    out.height = h;
    out.format = kTexFormatARGB8888;
    return true;
}

int IdFromImage(const TImage& image) {
    Texture* t = Texture_Create(image.width, image.height, 1, false, image.format);
    if (!t) return -1;
    Texture_UploadPixels(t, image.pixels.data(), image.width, image.height);
    return IdFor(t, image.width, image.height);
}

void PushQuad(Texture* t, const float x[4], const float y[4], const float u[4], const float v[4], uint32_t colour) {
    auto* q = static_cast<VertexPCT*>(Graphics_AllocVerts(kPrimTriangleList, t, int(sizeof(VertexPCT)), 6));
    if (!q) return;
    const float z = Graphics_Depth();
    // Top-left, top-right, bottom-right, bottom-right, bottom-left, top-left.
    static const int kOrder[6] = {0, 1, 2, 2, 3, 0};
    for (int i = 0; i < 6; ++i) {
        const int c = kOrder[i];
        q[i] = VertexPCT{x[c], y[c], z, colour, u[c], v[c]};
    }
}

// The page entry's texture and the corner texture coordinates; false when there is
// nothing to draw with.
bool EntryTexture(const CTexturePageEntry& e, Texture*& t, float u[4], float v[4]) {
    const CTextureEntry* entry = Texture_Entry(e.texture);
    if (!entry || !entry->texture) return false;
    t = entry->texture;
    const float l = e.sourceX * entry->invWidth, r = (e.sourceX + e.sourceWidth) * entry->invWidth;
    const float top = e.sourceY * entry->invHeight, b = (e.sourceY + e.sourceHeight) * entry->invHeight;
    u[0] = l, u[1] = r, u[2] = r, u[3] = l;
    v[0] = top, v[1] = top, v[2] = b, v[3] = b;
    return true;
}

int16_t Mended(int16_t size) { return size == 0 ? int16_t(1) : size; }

}  // namespace

// --- records ----------------------------------------------------------------------------------

int Texture_RoundSize(int request, bool renderTarget) {
    if (renderTarget) return std::clamp(request, 1, kMaxTextureSide);
    int size = 64;
    while (size < request && size < 4096) size *= 2;
    return size;
}

namespace {

// A record of the rounded size with no device texture yet.
Texture* NewRecord(int width, int height, int levels, bool renderTarget, int format) {
    auto t = std::make_unique<Texture>();
    t->width = Texture_RoundSize(width, renderTarget);
    t->height = Texture_RoundSize(height, renderTarget);
    t->levels = std::clamp(levels, 1, 64);
    t->format = format;
    t->renderTarget = renderTarget;
    Texture* raw = t.get();
    Records().push_back(std::move(t));
    return raw;
}

BackendTexture MakeDeviceTexture(IRenderBackend& backend, int w, int h, bool renderTarget) {
    const BackendTexture handle = backend.CreateTexture(w, h, renderTarget);
    if (!handle) Console().Output("CreateTexture failed - %08x\n", 0x8007000Eu);
    return handle;
}

}  // namespace

Texture* Texture_Create(int width, int height, int levels, bool renderTarget, int format) {
    IRenderBackend* backend = Graphics_Backend();
    if (!backend) return nullptr;
    const int w = Texture_RoundSize(width, renderTarget), h = Texture_RoundSize(height, renderTarget);
    const BackendTexture handle = MakeDeviceTexture(*backend, w, h, renderTarget);
    if (!handle) return nullptr;
    Texture* t = NewRecord(width, height, levels, renderTarget, format);
    t->handle = handle;
    return t;
}

void Texture_Free(Texture* texture) {
    if (!texture) return;
    auto& records = Records();
    const auto it =
        std::find_if(records.begin(), records.end(), [texture](const auto& r) { return r.get() == texture; });
    if (it == records.end()) return;
    Device_ForgetTexture(texture);
    if (IRenderBackend* backend = Graphics_Backend()) backend->FreeTexture(texture->handle);
    records.erase(it);
}

void Texture_FreeEveryRecord() {
    auto& records = Records();
    while (!records.empty()) Texture_Free(records.back().get());
}

bool Texture_UploadPixels(Texture* texture, const uint32_t* pixels, int width, int height) {
    IRenderBackend* backend = Graphics_Backend();
    if (!backend || !texture || !pixels || width <= 0 || height <= 0) return false;
    if (!texture->handle && !Texture_Realize(texture)) return false;  // the rest of a page stays as it was
    Device_ForgetTexture(texture);  // a pending batch drawn with the old pixels goes first
    const int w = std::min(width, texture->width), h = std::min(height, texture->height);
    if (w == width) return backend->UploadTexture(texture->handle, 0, 0, w, h, pixels);
    // Wider than the texture: only the part that fits, row by row.
    std::vector<uint32_t> rows(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(&rows[size_t(y) * size_t(w)], pixels + size_t(y) * size_t(width), size_t(w) * 4);
    return backend->UploadTexture(texture->handle, 0, 0, w, h, rows.data());
}

bool Texture_ParseRaw(const uint8_t* data, size_t size, CRawImage& out) {
    if (!data || size < 16 || std::memcmp(data, "RAW ", 4) != 0) return false;
    const uint32_t w = Le32(data + 4), h = Le32(data + 8), kind = Le32(data + 12);
    if (kind > 1 || w == 0 || h == 0 || w > uint32_t(kMaxTextureSide) || h > uint32_t(kMaxTextureSide)) return false;
    const uint64_t bytes = uint64_t(w) * h * (kind == 0 ? 4 : 2);
    if (bytes > size - 16) return false;
    out.width = int(w);
    out.height = int(h);
    out.kind = int(kind);
    out.format = kind == 0 ? kTexFormatARGB8888 : kTexFormatARGB4444;
    out.bitDepth = kind == 0 ? 32 : 16;
    out.pixelOffset = 16;
    return true;
}

void Texture_RawPixels(const uint8_t* data, const CRawImage& raw, std::vector<uint32_t>& pixels,
                       std::vector<uint16_t>* words16) {
    const size_t n = size_t(raw.width) * size_t(raw.height);
    const uint8_t* p = data + raw.pixelOffset;
    pixels.resize(n);
    if (words16) words16->clear();
    if (raw.kind == 0) {
        // Bytes R, G, B, A: the first and third exchanged give the device's order.
        for (size_t i = 0; i < n; ++i, p += 4)
            pixels[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        return;
    }
    if (words16) words16->resize(n);
    for (size_t i = 0; i < n; ++i, p += 2) {
        const uint16_t s = uint16_t(p[0] | p[1] << 8);
        // The four nibbles in reverse order: A4 R4 G4 B4 from the top.
        const uint16_t r = uint16_t((s & 0xF) << 12 | (s & 0xF0) << 4 | (s & 0xF00) >> 4 | (s & 0xF000) >> 12);
        if (words16) (*words16)[i] = r;
        auto wide = [](uint32_t nibble) { return nibble * 17; };
        pixels[i] = wide(r >> 12) << 24 | wide((r >> 8) & 0xF) << 16 | wide((r >> 4) & 0xF) << 8 | wide(r & 0xF);
    }
}

// --- ids --------------------------------------------------------------------------------------

int Texture_CreateId(int width, int height, bool renderTarget) {
    if (width <= 0 || height <= 0) return -1;
    return IdFor(Texture_Create(width, height, 1, renderTarget, kTexFormatARGB8888), width, height);
}

int Texture_CreateFromEncoded(const uint8_t* data, size_t size) {
    if (!data || !Graphics_Backend()) return -1;
    TImage image;
    if (!Decode(data, size, image)) return -1;
    return IdFromImage(image);
}

int Texture_CreateFromPixels(const uint32_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0) return -1;
    Texture* t = Texture_Create(width, height, 1, false, kTexFormatARGB8888);
    if (!t) return -1;
    Texture_UploadPixels(t, pixels, width, height);
    return IdFor(t, width, height);
}

bool Texture_Upload(int id, const uint32_t* pixels, int width, int height) {
    if (!Texture_Exists(id)) return false;
    CTextureEntry& e = *Ids()[size_t(id)];
    if (!Texture_UploadPixels(e.texture, pixels, width, height)) return false;
    e.usedWidth = std::min(width, e.texture->width);
    e.usedHeight = std::min(height, e.texture->height);
    return true;
}

void Texture_FreeId(int id) {
    if (!Texture_Exists(id)) return;
    CTextureEntry& e = *Ids()[size_t(id)];
    Texture_Free(e.texture);
    e = CTextureEntry{};
}

void Texture_FreeAll() {
    auto& ids = Ids();
    for (auto& e : ids)
        if (e->inUse) Texture_Free(e->texture);
    ids.clear();
    PageIds().clear();
}

bool Texture_Exists(int id) { return id >= 0 && size_t(id) < Ids().size() && Ids()[size_t(id)]->inUse; }

const CTextureEntry* Texture_Entry(int id) { return Texture_Exists(id) ? Ids()[size_t(id)].get() : nullptr; }

Texture* Texture_Get(int id) {
    const CTextureEntry* e = Texture_Entry(id);
    return e ? e->texture : nullptr;
}

double Texture_UsedWidth(int id) {
    const CTextureEntry* e = Texture_Entry(id);
    return e ? double(e->usedWidth) * double(e->invWidth) : 1.0;
}

double Texture_UsedHeight(int id) {
    const CTextureEntry* e = Texture_Entry(id);
    return e ? double(e->usedHeight) * double(e->invHeight) : 1.0;
}

bool Texture_ReadPixels(int id, std::vector<uint32_t>& out, int& width, int& height) {
    out.clear();
    width = height = 0;
    const CTextureEntry* e = Texture_Entry(id);
    IRenderBackend* backend = Graphics_Backend();
    if (!backend || !e || !e->texture || e->usedWidth <= 0 || e->usedHeight <= 0) return false;
    if (!e->texture->handle && !Texture_Realize(e->texture)) return false;
    Graphics_Flush();  // pending drawing into a target lands first
    const int w = std::min(e->usedWidth, e->texture->width), h = std::min(e->usedHeight, e->texture->height);
    if (!backend->ReadTexture(e->texture->handle, 0, 0, w, h, out) || out.size() != size_t(w) * size_t(h)) {
        out.clear();
        return false;
    }
    width = w;
    height = h;
    return true;
}

// --- the game's pages -------------------------------------------------------------------------

namespace {

// A page's picture by its index in the loaded game; false when it is not there or does
// not decode.
bool DecodePage(int page, TImage& out) {
    const CGameResources* res = &*Game().resources;
    const CGameData* data = &Game().data;
    if (!res || !data || page < 0 || size_t(page) >= res->texturePages.pages.size()) return false;
    const CTexturePageImage& image = res->texturePages.pages[size_t(page)];
    return image.pngOffset != 0 && data->InRange(image.pngOffset, image.pngLength) &&
           Decode(data->Base() + image.pngOffset, image.pngLength, out);
}

// The size and format of an encoded page from its header alone; false for anything the
// decoder is sure to refuse.
bool Measure(const uint8_t* data, size_t size, int& width, int& height, int& format) {
    if (size >= 4 && std::memcmp(data, "RAW ", 4) == 0) {
        CRawImage raw;
        if (!Texture_ParseRaw(data, size, raw)) return false;
        width = raw.width;
        height = raw.height;
        format = raw.format;
        return true;
    }
    format = kTexFormatARGB8888;
    return Png_ReadSize(data, size, width, height);
}

}  // namespace

bool Texture_Realize(Texture* texture) {
    if (!texture) return false;
    if (texture->handle) return true;
    const int page = texture->pendingPage;
    IRenderBackend* backend = Graphics_Backend();
    if (page < 0 || !backend) return false;
    texture->pendingPage = -1;  // one attempt: a page that fails is logged once
    TImage image;
    if (DecodePage(page, image)) {
        // A picture that fills its texture (the usual page) is handed over whole.
        if (image.width == texture->width && image.height == texture->height) {
            texture->handle = backend->CreateTextureFrom(image.width, image.height, image.pixels.data());
            if (texture->handle) return true;
            Console().Output("CreateTexture failed - %08x\n", 0x8007000Eu);
        } else {
            texture->handle = MakeDeviceTexture(*backend, texture->width, texture->height, false);
            if (texture->handle && Texture_UploadPixels(texture, image.pixels.data(), image.width, image.height))
                return true;
            if (texture->handle) backend->FreeTexture(texture->handle);
            texture->handle = 0;
        }
    }
    Console().Output("Texture page %d could not be made a texture\n", page);
    return false;
}

bool Texture_PreparePages() {
    auto& pages = PageIds();
    for (int id : pages) Texture_FreeId(id);
    pages.clear();
    const CGameResources* res = &*Game().resources;
    const CGameData* data = &Game().data;
    if (!res || !data || !Graphics_Backend()) return true;
    const size_t count = res->texturePages.pages.size();
    pages.assign(count, -1);
    // Only the headers are read now: every page gets its id, in page order, with the size
    // its picture has, and is decoded and uploaded when something first draws or reads it,
    // so a page no frame uses costs nothing. What the header shows to be unusable still
    // stops the load here.
    for (size_t i = 0; i < count; ++i) {
        const CTexturePageImage& page = res->texturePages.pages[i];
        if (page.pngOffset == 0) continue;
        if (!data->InRange(page.pngOffset, page.pngLength)) return false;
        int width = 0, height = 0, format = kTexFormatARGB8888;
        if (!Measure(data->Base() + page.pngOffset, page.pngLength, width, height, format)) {
            Console().Output("Texture page %zu could not be made a texture\n", i);
            return false;
        }
        Texture* t = NewRecord(width, height, 1, false, format);
        t->pendingPage = int(i);
        pages[i] = IdFor(t, width, height);
    }
    return true;
}

int Texture_PageId(int page) {
    const auto& pages = PageIds();
    return page >= 0 && size_t(page) < pages.size() ? pages[size_t(page)] : -1;
}

bool TexturePage_Entry(uint32_t offset, CTexturePageEntry& out) {
    CGameData* data = &Game().data;
    if (!data || offset == 0 || !data->InRange(offset, kTexturePageEntrySize)) return false;
    // A zero target size would draw nothing at all; the record is mended in place so
    // every reader sees the same 1.
    if (data->I16(offset + 12) == 0) data->SetI16(offset + 12, 1);
    if (data->I16(offset + 14) == 0) data->SetI16(offset + 14, 1);
    out.sourceX = data->I16(offset);
    out.sourceY = data->I16(offset + 2);
    out.sourceWidth = data->I16(offset + 4);
    out.sourceHeight = data->I16(offset + 6);
    out.targetX = data->I16(offset + 8);
    out.targetY = data->I16(offset + 10);
    out.targetWidth = data->I16(offset + 12);
    out.targetHeight = data->I16(offset + 14);
    out.fullWidth = data->I16(offset + 16);
    out.fullHeight = data->I16(offset + 18);
    out.texture = int16_t(std::clamp(Texture_PageId(data->I16(offset + 20)), -1, 32767));
    return true;
}

// --- drawing ----------------------------------------------------------------------------------

void Texture_DrawEntry(const CTexturePageEntry& e, float x, float y) {
    Texture* t = nullptr;
    float u[4], v[4];
    if (!EntryTexture(e, t, u, v)) return;
    const float x0 = x + e.targetX, y0 = y + e.targetY;
    const float x1 = x0 + Mended(e.targetWidth), y1 = y0 + Mended(e.targetHeight);
    const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
    PushQuad(t, xs, ys, u, v, Colour_ToDevice(0xFFFFFF, Graphics_AlphaByte()));
}

void Texture_DrawEntryExt(const CTexturePageEntry& e, float ox, float oy, float x, float y, float xscale, float yscale,
                          float angle, uint32_t bgr, double alpha) {
    Texture* t = nullptr;
    float u[4], v[4];
    if (!EntryTexture(e, t, u, v)) return;
    const float left = (e.targetX - ox) * xscale, top = (e.targetY - oy) * yscale;
    const float right = left + xscale * Mended(e.targetWidth), bottom = top + yscale * Mended(e.targetHeight);
    const float px[4] = {left, right, right, left}, py[4] = {top, top, bottom, bottom};
    float xs[4], ys[4];
    if (std::fabs(angle) >= 0.001f) {
        const float c = std::cos(angle), s = std::sin(angle);
        for (int i = 0; i < 4; ++i) {
            xs[i] = x + c * px[i] + s * py[i];
            ys[i] = y - s * px[i] + c * py[i];
        }
    } else {
        for (int i = 0; i < 4; ++i) {
            xs[i] = x + px[i];
            ys[i] = y + py[i];
        }
    }
    PushQuad(t, xs, ys, u, v, Colour_ToDevice(bgr & 0xFFFFFF, Alpha_ToByte(alpha)));
}

void Texture_DrawWhole(int id, float x, float y, float w, float h, uint32_t bgr, double alpha) {
    const CTextureEntry* e = Texture_Entry(id);
    if (!e || !e->texture) return;
    const float u1 = e->usedWidth * e->invWidth, v1 = e->usedHeight * e->invHeight;
    const float xs[4] = {x, x + w, x + w, x}, ys[4] = {y, y, y + h, y + h};
    const float u[4] = {0, u1, u1, 0}, v[4] = {0, 0, v1, v1};
    PushQuad(e->texture, xs, ys, u, v, Colour_ToDevice(bgr & 0xFFFFFF, Alpha_ToByte(alpha)));
}
