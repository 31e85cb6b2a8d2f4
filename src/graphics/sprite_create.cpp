// Sprites and backgrounds made and changed at run time.
#include "graphics/sprite_create.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "data/game.h"
#include "data/game_resources.h"
#include "graphics/background.h"
#include "graphics/png.h"
#include "graphics/sprite.h"
#include "graphics/sprite_draw.h"
#include "graphics/texture.h"
#include "graphics/vertex.h"
#include "io/file_paths.h"
#include "platform/console.h"
#include "vm/machine.h"

namespace {

// --- texture pages as pictures --------------------------------------------------------------

// The last page decoded, so that cutting every frame of a sprite out of one page
// decodes the page once.
struct TPageCache {
    const uint8_t* base = nullptr;
    uint32_t offset = 0, length = 0;
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

TPageCache& PageCache() {
    static TPageCache cache;
    return cache;
}

// The page entry as the block holds it: its texture field is the page index, so the
// page's pixels can be had without a device.
bool RawEntry(uint32_t offset, CTexturePageEntry& e) {
    const CGameData* data = &Game().data;
    if (data == nullptr || offset == 0 || !data->InRange(offset, kTexturePageEntrySize)) return false;
    int16_t f[11];
    for (int k = 0; k < 11; ++k) f[k] = data->I16(offset + 2 * uint32_t(k));
    e = CTexturePageEntry{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10]};
    return true;
}

const TPageCache* PagePixels(int page) {
    const CGameData* data = &Game().data;
    const CGameResources* res = &*Game().resources;
    if (data == nullptr || res == nullptr || page < 0 || size_t(page) >= res->texturePages.pages.size()) return nullptr;
    const CTexturePageImage& image = res->texturePages.pages[size_t(page)];
    if (image.pngOffset == 0 || !data->InRange(image.pngOffset, image.pngLength)) return nullptr;
    TPageCache& cache = PageCache();
    if (cache.base == data->Base() && cache.offset == image.pngOffset && cache.length == image.pngLength &&
        !cache.rgba.empty())
        return &cache;
    cache = TPageCache{};
    if (!Png_DecodeRGBA(data->Base() + image.pngOffset, image.pngLength, cache.width, cache.height, cache.rgba))
        return nullptr;
    cache.base = data->Base();
    cache.offset = image.pngOffset;
    cache.length = image.pngLength;
    return &cache;
}

// The entry's rectangle put back where it lies in a full picture of fullW x fullH.
bool EntryPicture(const CTexturePageEntry& e, int fullW, int fullH, CBitmap32& out) {
    const TPageCache* page = PagePixels(e.texture);
    if (page == nullptr) return false;
    CBitmap32 picture(fullW, fullH);
    if (picture.Empty()) return false;
    const int tw = std::max<int>(1, e.targetWidth), th = std::max<int>(1, e.targetHeight);
    for (int j = 0; j < th; ++j) {
        const int sy = e.sourceY + int(int64_t(j) * e.sourceHeight / th);
        if (sy < 0 || sy >= page->height) continue;
        for (int i = 0; i < tw; ++i) {
            const int sx = e.sourceX + int(int64_t(i) * e.sourceWidth / tw);
            if (sx < 0 || sx >= page->width) continue;
            const uint8_t* p = page->rgba.data() + (size_t(sy) * size_t(page->width) + size_t(sx)) * 4;
            picture.Set(e.targetX + i, e.targetY + j,
                        uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]));
        }
    }
    out = std::move(picture);
    return true;
}

// --- sprites --------------------------------------------------------------------------------

CGameResources* Res() { return &*Game().resources; }

void FreeTextures(std::vector<int>& textures) {
    for (int t : textures)
        if (t >= 0) Texture_FreeId(t);
    textures.clear();
}

void MakeTextures(CSprite& s) {
    FreeTextures(s.textures);
    s.textures.assign(s.bitmaps.size(), -1);
    for (size_t k = 0; k < s.bitmaps.size(); ++k) {
        Console().Output("Init Texture\n");
        s.textures[k] = Texture_CreateFromPixels(s.bitmaps[k].Pixels(), s.bitmaps[k].Width(), s.bitmaps[k].Height());
    }
}

void ReleaseSprite(CSprite& s) {
    FreeTextures(s.textures);
    s.bitmaps.clear();
    s.masks.clear();
}

// After the pictures changed: textures, box and masks follow them.
void PicturesChanged(CSprite& s) {
    s.frameCount = uint32_t(s.bitmaps.size());
    MakeTextures(s);
    Sprite_ComputeBoundingBox(s);
    Sprite_CreateMasks(s);
    s.ComputeRadius();
}

bool SameSize(const std::vector<CBitmap32>& frames) {
    if (frames.empty() || frames[0].Empty()) return false;
    for (const CBitmap32& f : frames)
        if (f.Width() != frames[0].Width() || f.Height() != frames[0].Height()) return false;
    return true;
}

void SetPictures(CSprite& s, std::vector<CBitmap32> frames, const CPictureOptions& o, int xorigin, int yorigin) {
    ReleaseSprite(s);
    s.framesOffset = 0;
    s.width = frames[0].Width();
    s.height = frames[0].Height();
    s.bitmaps = std::move(frames);
    s.transparent = o.transparent;
    s.smooth = o.smooth;
    s.preload = o.preload;
    s.precise = o.precise;
    s.bboxMode = 0;
    s.separateMasks = false;
    s.xorigin = xorigin;
    s.yorigin = yorigin;
    PicturesChanged(s);
}

bool AllPictures(CSprite& s, std::vector<CBitmap32>& out) {
    out.clear();
    const int n = s.FromDataFile() ? int(s.frameCount) : int(s.bitmaps.size());
    for (int k = 0; k < n; ++k) {
        CBitmap32 picture;
        if (!Sprite_FramePicture(s, k, picture)) return false;
        out.push_back(std::move(picture));
    }
    return true;
}

// A data-file sprite becomes a run-time one with the same pixels.
bool MakeRunTime(CSprite& s) {
    if (!s.FromDataFile()) return true;
    std::vector<CBitmap32> pictures;
    if (!AllPictures(s, pictures)) return false;
    s.framesOffset = 0;
    s.bitmaps = std::move(pictures);
    s.frameCount = uint32_t(s.bitmaps.size());
    MakeTextures(s);
    return true;
}

std::string NewName(const char* prefix, size_t index) { return prefix + std::to_string(index); }

// --- backgrounds ----------------------------------------------------------------------------

void ReleaseBackground(CBackground& b) {
    if (b.texture >= 0) Texture_FreeId(b.texture);
    b.texture = -1;
    b.bitmap = CBitmap32();
}

void SetBackgroundPicture(CBackground& b, CBitmap32 picture, const CPictureOptions& o) {
    ReleaseBackground(b);
    b.entryOffset = 0;
    b.width = picture.Width();
    b.height = picture.Height();
    b.bitmap = std::move(picture);
    b.transparent = o.transparent;
    b.smooth = o.smooth;
    b.preload = o.preload;
    Console().Output("Init Texture\n");
    b.texture = Texture_CreateFromPixels(b.bitmap.Pixels(), b.width, b.height);
}

uint32_t Intensity(uint32_t argb) { return (((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF)) / 3; }

void AlphaFrom(CBitmap32& target, const CBitmap32& source) {
    const CBitmap32 fitted = source.Resized(target.Width(), target.Height());
    if (fitted.Empty()) return;
    uint32_t* p = target.Pixels();
    const uint32_t* q = fitted.Pixels();
    for (size_t i = 0, n = size_t(target.Width()) * size_t(target.Height()); i < n; ++i) {
        const uint32_t alpha = (p[i] >> 24) * Intensity(q[i]) / 255;
        p[i] = (p[i] & 0xFFFFFF) | alpha << 24;
    }
}

}  // namespace

// --- pictures -------------------------------------------------------------------------------

bool Sprite_FramePicture(CSprite& sprite, int frame, CBitmap32& out) {
    const int f = Sprite_WrapFrame(sprite, frame);
    if (f < 0) return false;
    if (!sprite.FromDataFile()) {
        out = sprite.bitmaps[size_t(f)];
        return !out.Empty();
    }
    const CGameData* data = &Game().data;
    const uint64_t at = uint64_t(sprite.framesOffset) + 4 * uint64_t(f);
    CTexturePageEntry e;
    if (data == nullptr || !data->InRange(at, 4) || !RawEntry(data->U32(uint32_t(at)), e)) return false;
    return EntryPicture(e, sprite.width, sprite.height, out);
}

bool Background_Picture(CBackground& background, CBitmap32& out) {
    if (background.entryOffset == 0) {
        out = background.bitmap;
        return !out.Empty();
    }
    CTexturePageEntry e;
    return RawEntry(background.entryOffset, e) && EntryPicture(e, background.width, background.height, out);
}

void Picture_Apply(CBitmap32& picture, const CPictureOptions& options) {
    if (options.removeBackground) picture.RemoveBackground();
    if (options.smooth) picture.SmoothEdges();
}

// --- sprites --------------------------------------------------------------------------------

namespace {

// An image file's pictures as a sprite's frames: each picture of an animated one, or the
// one picture cut into `frames` side by side.
bool SplitFrames(std::vector<CBitmap32> images, int frames, const CPictureOptions& options,
                 std::vector<CBitmap32>& out) {
    if (images.empty()) return false;
    Console().Output("TBitmap has %d\n", images[0].Height());
    if (images.size() > 1) {
        out = std::move(images);
    } else {
        const CBitmap32& image = images[0];
        const int n = std::clamp(frames, 1, image.Width());
        const int w = image.Width() / n;
        for (int k = 0; k < n; ++k) out.push_back(image.Crop(k * w, 0, w, image.Height()));
    }
    for (CBitmap32& f : out) Picture_Apply(f, options);
    return true;
}

bool FirstPicture(std::vector<CBitmap32> images, const CPictureOptions& options, CBitmap32& out) {
    if (images.empty()) return false;
    Console().Output("TBitmap has %d\n", images[0].Height());
    out = std::move(images[0]);
    Picture_Apply(out, options);
    return true;
}

}  // namespace

bool Sprite_LoadFrames(const std::string& name, int frames, const CPictureOptions& options,
                       std::vector<CBitmap32>& out) {
    out.clear();
    if (name.empty()) return false;
    std::vector<CBitmap32> images;
    return Bitmap_LoadFile(FilePaths_Resolve(name), images) && SplitFrames(std::move(images), frames, options, out);
}

bool Sprite_DecodeFrames(const uint8_t* data, size_t size, int frames, const CPictureOptions& options,
                         std::vector<CBitmap32>& out) {
    out.clear();
    std::vector<CBitmap32> images;
    return Bitmap_Decode(data, size, images) && SplitFrames(std::move(images), frames, options, out);
}

int Sprite_AddPictures(std::vector<CBitmap32> frames, const CPictureOptions& options, int xorigin, int yorigin) {
    if (!SameSize(frames)) return -1;
    const int id = Sprite_AddBlank();
    if (id >= 0) SetPictures(*Res()->sprites[size_t(id)], std::move(frames), options, xorigin, yorigin);
    return id;
}

int Sprite_AddBlank() {
    CGameResources* res = Res();
    if (res == nullptr) return -1;
    const size_t index = res->sprites.size();
    auto s = std::make_unique<CSprite>();
    s->name = NewName("__newsprite", index);
    res->sprites.push_back(std::move(s));
    return int(index);
}

bool Sprite_ReplacePictures(int id, std::vector<CBitmap32> frames, const CPictureOptions& options, int xorigin,
                            int yorigin) {
    CSprite* s = Sprite_Get(id);
    if (s == nullptr || !SameSize(frames)) return false;
    SetPictures(*s, std::move(frames), options, xorigin, yorigin);
    return true;
}

bool Sprite_AddFrame(int id, const CBitmap32& frame) {
    CSprite* s = Sprite_Get(id);
    if (s == nullptr || frame.Empty() || !MakeRunTime(*s)) return false;
    if (s->bitmaps.empty()) {
        s->width = frame.Width();
        s->height = frame.Height();
    }
    CBitmap32 fitted =
        frame.Width() == s->width && frame.Height() == s->height ? frame : frame.Resized(s->width, s->height);
    if (fitted.Empty()) return false;
    s->bitmaps.push_back(std::move(fitted));
    PicturesChanged(*s);
    return true;
}

bool Sprite_Delete(int id) {
    CSprite* s = Sprite_Get(id);
    if (s == nullptr) return false;
    ReleaseSprite(*s);
    Res()->sprites[size_t(id)].reset();
    return true;
}

int Sprite_Duplicate(int id) {
    CSprite* s = Sprite_Get(id);
    CGameResources* res = Res();
    if (s == nullptr) return -1;
    const size_t index = res->sprites.size();
    auto copy = std::make_unique<CSprite>(*s);
    copy->textures.clear();  // the source's ids stay the source's
    copy->name = NewName("__newsprite", index);
    if (!copy->FromDataFile()) MakeTextures(*copy);
    res->sprites.push_back(std::move(copy));
    return int(index);
}

bool Sprite_Assign(int id, int source) {
    CSprite* s = Sprite_Get(id);
    CSprite* from = Sprite_Get(source);
    if (s == nullptr || from == nullptr) return false;
    if (s == from) return true;
    CSprite copy = *from;
    copy.textures.clear();
    copy.name = s->name;
    ReleaseSprite(*s);
    *s = std::move(copy);
    if (!s->FromDataFile()) MakeTextures(*s);
    return true;
}

bool Sprite_Merge(int id, int source) {
    CSprite* s = Sprite_Get(id);
    CSprite* from = Sprite_Get(source);
    std::vector<CBitmap32> added;
    if (s == nullptr || from == nullptr || !AllPictures(*from, added) || !MakeRunTime(*s)) return false;
    if (added.empty()) return true;
    if (s->bitmaps.empty()) {
        s->width = added[0].Width();
        s->height = added[0].Height();
    }
    for (CBitmap32& picture : added) {
        CBitmap32 fitted = picture.Resized(s->width, s->height);
        if (!fitted.Empty()) s->bitmaps.push_back(std::move(fitted));
    }
    PicturesChanged(*s);
    return true;
}

bool Sprite_SetAlphaFrom(int id, int source) {
    CSprite* s = Sprite_Get(id);
    CSprite* from = Sprite_Get(source);
    std::vector<CBitmap32> alphas;
    if (s == nullptr || from == nullptr || !AllPictures(*from, alphas) || alphas.empty() || !MakeRunTime(*s))
        return false;
    for (size_t k = 0; k < s->bitmaps.size(); ++k) AlphaFrom(s->bitmaps[k], alphas[k % alphas.size()]);
    PicturesChanged(*s);
    return true;
}

void Sprite_ComputeBoundingBox(CSprite& s) {
    Console().Output("Compute Bounding Box\n");
    if (s.bboxMode == 2) return;
    const int n = s.FromDataFile() ? int(s.frameCount) : int(s.bitmaps.size());
    if (n == 0) {
        s.bboxLeft = s.bboxTop = s.bboxRight = s.bboxBottom = 0;
        return;
    }
    if (s.bboxMode == 1 || !s.transparent) {
        s.bboxLeft = 0;
        s.bboxTop = 0;
        s.bboxRight = s.width - 1;
        s.bboxBottom = s.height - 1;
        return;
    }
    int l = s.width - 1, t = s.height - 1, r = 0, b = 0;
    auto widen = [&](int fl, int ft, int fr, int fb) {
        l = std::min(l, fl);
        t = std::min(t, ft);
        r = std::max(r, fr);
        b = std::max(b, fb);
    };
    if (!s.FromDataFile()) {
        for (const CBitmap32& f : s.bitmaps) {
            int fl, ft, fr, fb;
            if (f.OpaqueBox(fl, ft, fr, fb)) widen(fl, ft, fr, fb);
        }
    } else if (!s.masks.empty()) {
        // A data-file sprite has no pictures; its masks say where it is solid.
        for (const auto& mask : s.masks)
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.width; ++x)
                    if (size_t(y) * size_t(s.width) + size_t(x) < mask.size() &&
                        mask[size_t(y) * size_t(s.width) + size_t(x)])
                        widen(x, y, x, y);
    } else {
        // Without masks, the trimmed entries hold the visible part of each frame.
        for (int k = 0; k < n; ++k) {
            CTexturePageEntry e;
            if (Sprite_FrameEntry(s, k, e))
                widen(e.targetX, e.targetY, e.targetX + std::max<int>(1, e.targetWidth) - 1,
                      e.targetY + std::max<int>(1, e.targetHeight) - 1);
        }
    }
    s.bboxLeft = l;
    s.bboxTop = t;
    s.bboxRight = r;
    s.bboxBottom = b;
}

void Sprite_CreateMasks(CSprite& s) {
    // Data-file sprites keep the masks they were loaded with.
    if (s.FromDataFile()) return;
    Console().Output("Create Mask\n");
    s.masks.clear();
    s.separateMasks = false;
    if (!s.precise || !s.transparent || s.bitmaps.empty()) return;
    for (const CBitmap32& f : s.bitmaps) {
        std::vector<uint8_t> mask(size_t(f.Width()) * size_t(f.Height()));
        const uint32_t* p = f.Pixels();
        for (size_t i = 0; i < mask.size(); ++i) mask[i] = (p[i] >> 24) != 0 ? 1 : 0;
        s.masks.push_back(std::move(mask));
    }
}

void Sprite_SetBoundingBoxMode(CSprite& sprite, int mode) {
    if (mode < 0 || mode > 2) return;
    sprite.bboxMode = mode;
    Sprite_ComputeBoundingBox(sprite);
}

bool Sprite_CollisionMask(int id, bool separate, int bboxMode, int left, int right, int top, int bottom, int kind,
                          int tolerance) {
    CSprite* s = Sprite_Get(id);
    if (s == nullptr || s->width <= 0 || s->height <= 0) return false;
    const int n = s->FromDataFile() ? int(s->frameCount) : int(s->bitmaps.size());
    if (n == 0) return false;
    std::vector<CBitmap32> pictures;
    if (!AllPictures(*s, pictures)) pictures.assign(size_t(n), CBitmap32(s->width, s->height, 0xFFFFFFFF));
    tolerance = std::clamp(tolerance, 0, 255);
    const int w = s->width, h = s->height;
    if (bboxMode == 1) {
        left = 0, top = 0, right = w - 1, bottom = h - 1;
    } else if (bboxMode == 2) {
        left = std::clamp(left, 0, w - 1), right = std::clamp(right, 0, w - 1);
        top = std::clamp(top, 0, h - 1), bottom = std::clamp(bottom, 0, h - 1);
    } else {
        bboxMode = 0;
        left = w - 1, top = h - 1, right = 0, bottom = 0;
        for (const CBitmap32& p : pictures) {
            int fl, ft, fr, fb;
            if (p.OpaqueBox(fl, ft, fr, fb, tolerance)) {
                left = std::min(left, fl), top = std::min(top, ft);
                right = std::max(right, fr), bottom = std::max(bottom, fb);
            }
        }
    }
    s->bboxMode = bboxMode;
    s->bboxLeft = left, s->bboxTop = top, s->bboxRight = right, s->bboxBottom = bottom;

    const double cx = (left + right + 1) / 2.0, cy = (top + bottom + 1) / 2.0;
    const double rx = std::max(0.5, (right - left + 1) / 2.0), ry = std::max(0.5, (bottom - top + 1) / 2.0);
    auto inShape = [&](int x, int y) {
        const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
        switch (kind) {
        case 2: return dx * dx + dy * dy <= 1.0;
        case 3: return std::fabs(dx) + std::fabs(dy) <= 1.0;
        default: return true;
        }
    };
    const size_t count = separate ? size_t(n) : 1;
    std::vector<std::vector<uint8_t>> masks(count, std::vector<uint8_t>(size_t(w) * size_t(h), 0));
    for (size_t m = 0; m < count; ++m)
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                if (!inShape(x, y)) continue;
                bool solid = true;
                if (kind == 0) {
                    solid = false;
                    for (size_t f = separate ? m : 0; f < (separate ? m + 1 : pictures.size()) && !solid; ++f)
                        solid = int(pictures[f].At(x, y) >> 24) > tolerance;
                }
                masks[m][size_t(y) * size_t(w) + size_t(x)] = solid ? 1 : 0;
            }
    s->masks = std::move(masks);
    s->separateMasks = s->masks.size() != size_t(n);
    s->precise = true;
    return true;
}

bool Sprite_SavePicture(CSprite& sprite, int frame, CBitmap32& out) {
    if (frame >= 0) return Sprite_FramePicture(sprite, frame, out);
    std::vector<CBitmap32> pictures;
    if (!AllPictures(sprite, pictures) || pictures.empty()) return false;
    CBitmap32 strip(int(std::min<int64_t>(int64_t(sprite.width) * int64_t(pictures.size()), INT32_MAX)), sprite.height);
    if (strip.Empty()) return false;
    for (size_t k = 0; k < pictures.size(); ++k) strip.Paste(pictures[k], int(k) * sprite.width, 0);
    out = std::move(strip);
    return true;
}

// --- backgrounds ----------------------------------------------------------------------------

int Background_AddPicture(CBitmap32 picture, const CPictureOptions& options) {
    if (picture.Empty()) return -1;
    const int id = Background_AddBlank();
    if (id >= 0) SetBackgroundPicture(*Res()->backgrounds[size_t(id)], std::move(picture), options);
    return id;
}

int Background_AddBlank() {
    CGameResources* res = Res();
    if (res == nullptr) return -1;
    const size_t index = res->backgrounds.size();
    auto b = std::make_unique<CBackground>();
    b->name = NewName("__newbackground", index);
    res->backgrounds.push_back(std::move(b));
    return int(index);
}

bool Background_ReplacePicture(int id, CBitmap32 picture, const CPictureOptions& options) {
    CBackground* b = Background_Get(id);
    if (b == nullptr || picture.Empty()) return false;
    SetBackgroundPicture(*b, std::move(picture), options);
    return true;
}

bool Background_LoadPicture(const std::string& name, const CPictureOptions& options, CBitmap32& out) {
    if (name.empty()) return false;
    std::vector<CBitmap32> images;
    return Bitmap_LoadFile(FilePaths_Resolve(name), images) && FirstPicture(std::move(images), options, out);
}

bool Background_DecodePicture(const uint8_t* data, size_t size, const CPictureOptions& options, CBitmap32& out) {
    std::vector<CBitmap32> images;
    return Bitmap_Decode(data, size, images) && FirstPicture(std::move(images), options, out);
}

bool Background_Delete(int id) {
    CBackground* b = Background_Get(id);
    if (b == nullptr) return false;
    ReleaseBackground(*b);
    Res()->backgrounds[size_t(id)].reset();
    return true;
}

int Background_Duplicate(int id) {
    CBackground* b = Background_Get(id);
    CGameResources* res = Res();
    if (b == nullptr) return -1;
    const size_t index = res->backgrounds.size();
    auto copy = std::make_unique<CBackground>(*b);
    copy->name = NewName("__newbackground", index);
    copy->texture = -1;
    if (copy->entryOffset == 0 && !copy->bitmap.Empty())
        copy->texture = Texture_CreateFromPixels(copy->bitmap.Pixels(), copy->width, copy->height);
    res->backgrounds.push_back(std::move(copy));
    return int(index);
}

bool Background_Assign(int id, int source) {
    CBackground* b = Background_Get(id);
    CBackground* from = Background_Get(source);
    if (b == nullptr || from == nullptr) return false;
    if (b == from) return true;
    CBackground copy = *from;
    copy.name = b->name;
    copy.texture = -1;
    ReleaseBackground(*b);
    *b = std::move(copy);
    if (b->entryOffset == 0 && !b->bitmap.Empty())
        b->texture = Texture_CreateFromPixels(b->bitmap.Pixels(), b->width, b->height);
    return true;
}

bool Background_SetAlphaFrom(int id, int source) {
    CBackground* b = Background_Get(id);
    CBackground* from = Background_Get(source);
    CBitmap32 alpha, picture;
    if (b == nullptr || from == nullptr || !Background_Picture(*from, alpha) || !Background_Picture(*b, picture))
        return false;
    AlphaFrom(picture, alpha);
    CPictureOptions options;
    options.transparent = b->transparent;
    options.smooth = b->smooth;
    options.preload = b->preload;
    SetBackgroundPicture(*b, std::move(picture), options);
    return true;
}

CBitmap32 Bitmap_Gradient(int width, int height, uint32_t bgr1, uint32_t bgr2, int kind) {
    if (kind < 0 || kind > 5) return CBitmap32();
    CBitmap32 out(width, height);
    if (out.Empty()) return out;
    const uint32_t c1 = Colour_ToDevice(bgr1 & 0xFFFFFF, 255), c2 = Colour_ToDevice(bgr2 & 0xFFFFFF, 255);
    // Position along an axis from 0 (first pixel) to 1 (last), and the distance from
    // the middle from 0 (centre) to 1 (either end).
    auto along = [](int i, int n) { return n > 1 ? double(i) / double(n - 1) : 0.0; };
    auto fromMiddle = [&](int i, int n) { return n > 1 ? std::fabs(2.0 * along(i, n) - 1.0) : 0.0; };
    auto mix = [&](double t) {
        t = std::clamp(t, 0.0, 1.0);
        uint32_t c = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const double a = (c1 >> shift) & 0xFF, b = (c2 >> shift) & 0xFF;
            c |= uint32_t(std::lround(a + (b - a) * t)) << shift;
        }
        return c;
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double t = 0;
            switch (kind) {
            case 0: t = along(x, width); break;
            case 1: t = along(y, height); break;
            case 2: t = 1.0 - std::max(fromMiddle(x, width), fromMiddle(y, height)); break;
            case 3: t = 1.0 - std::hypot(fromMiddle(x, width), fromMiddle(y, height)); break;
            case 4: t = 1.0 - fromMiddle(x, width); break;
            case 5: t = 1.0 - fromMiddle(y, height); break;
            }
            out.Set(x, y, mix(t));
        }
    return out;
}
