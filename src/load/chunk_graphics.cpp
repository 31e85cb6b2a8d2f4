// Graphic and sound resource chunks: texture pages, sprites, backgrounds, fonts, sounds.
#include <cmath>
#include <cstdio>

#include "load/chunk_loaders.h"
#include "platform/console.h"

namespace {

// Size of a PNG image starting at `at`, found by walking its chunks to IEND.
// 0 when the bytes there are not a complete PNG inside the block.
uint32_t PngLength(const CGameData& data, uint32_t at) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (!data.InRange(at, 8) || std::memcmp(data.Base() + at, kSignature, 8) != 0) return 0;
    uint64_t p = uint64_t(at) + 8;
    while (data.InRange(p, 12)) {
        const uint8_t* b = data.Base() + p;
        uint32_t length = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
        uint64_t next = p + 12 + uint64_t(length);
        if (next > data.Size()) return 0;
        if (std::memcmp(b + 4, "IEND", 4) == 0) return uint32_t(next - at);
        p = next;
    }
    return 0;
}

bool CheckEntry(ChunkContext& c, uint32_t offset, const char* what) {
    if (offset == 0) return true;
    return c.r.Need(offset, kTexturePageEntrySize, what);
}

}  // namespace

bool Chunk_LoadTexturePageEntries(ChunkContext& c) {
    return Chunk_BodyList(c, c.res.texturePages.entries, kTexturePageEntrySize);
}

bool Chunk_LoadTextures(ChunkContext& c) {
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 8)) return false;
    auto& pages = c.res.texturePages.pages;
    pages.assign(list.size(), {});
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t png = c.data.U32(list[i] + 4);
        uint32_t length = PngLength(c.data, png);
        if (length == 0) return c.r.Fail("image data is not a complete PNG image inside the file");
        pages[i] = {png, length};
    }
    return true;
}

bool Chunk_LoadSprites(ChunkContext& c) {
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 60)) return false;
    c.res.sprites.clear();
    c.res.sprites.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t at = list[i];
        auto s = std::make_unique<CSprite>();
        if (!c.r.String(at, "name", s->name)) return false;
        s->width = c.data.I32(at + 4);
        s->height = c.data.I32(at + 8);
        if (s->width < 0 || s->height < 0) return c.r.Fail("size is negative");
        s->bboxLeft = c.data.I32(at + 12);
        s->bboxRight = c.data.I32(at + 16);
        s->bboxBottom = c.data.I32(at + 20);
        s->bboxTop = c.data.I32(at + 24);
        s->transparent = c.data.U32(at + 28) != 0;
        s->smooth = c.data.U32(at + 32) != 0;
        s->preload = c.data.U32(at + 36) != 0;
        s->bboxMode = c.data.I32(at + 40);
        s->precise = c.data.U32(at + 44) != 0;
        s->xorigin = c.data.I32(at + 48);
        s->yorigin = c.data.I32(at + 52);
        uint32_t n = c.r.U32(at + 56, "image count");
        if (!c.r.Count(n, at + 60, 4, "image")) return false;
        s->framesOffset = at + 60;
        s->frameCount = n;
        for (uint32_t k = 0; k < n; ++k) {
            uint32_t entry = c.data.U32(at + 60 + 4 * k);
            if (entry == 0) return c.r.Fail("image " + std::to_string(k) + " has no texture-page entry");
            if (!CheckEntry(c, entry, "image texture-page entry")) return false;
        }
        uint32_t maskAt = at + 60 + 4 * n;
        uint32_t m = c.r.U32(maskAt, "mask count");
        uint64_t rowBytes = (uint64_t(s->width) + 7) / 8;
        uint64_t maskBytes = rowBytes * uint64_t(s->height);
        if (!c.r.Ok()) return false;
        if (m > 0 && !c.data.InRange(maskAt + 4, maskBytes * m)) {
            char text[120];
            std::snprintf(text, sizeof text, "mask count %u is too large for the file", m);
            return c.r.Fail(text);
        }
        // A mask takes a byte per pixel in memory, eight times its bits in the file.
        if (m >= 1 && !c.r.Charge(uint64_t(s->width) * uint64_t(s->height) * m, "mask")) return false;
        if (m >= 1) {
            s->separateMasks = m != n;
            s->masks.resize(m);
            const uint8_t* src = c.data.Base() + maskAt + 4;
            for (uint32_t k = 0; k < m; ++k) {
                auto& mask = s->masks[k];
                mask.resize(size_t(s->width) * size_t(s->height));
                for (int y = 0; y < s->height; ++y) {
                    const uint8_t* row = src + y * rowBytes;
                    for (int x = 0; x < s->width; ++x)
                        mask[size_t(y) * s->width + x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
                }
                src += maskBytes;
            }
        }
        s->ComputeRadius();
        c.res.sprites[i] = std::move(s);
    }
    return true;
}

bool Chunk_LoadBackgrounds(ChunkContext& c) {
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 20)) return false;
    c.res.backgrounds.clear();
    c.res.backgrounds.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t at = list[i];
        auto b = std::make_unique<CBackground>();
        if (!c.r.String(at, "name", b->name)) return false;
        b->transparent = c.data.U32(at + 4) != 0;
        b->smooth = c.data.U32(at + 8) != 0;
        b->preload = c.data.U32(at + 12) != 0;
        b->entryOffset = c.data.U32(at + 16);
        if (!CheckEntry(c, b->entryOffset, "texture-page entry")) return false;
        if (b->entryOffset) {
            b->width = c.data.I16(b->entryOffset + 16);
            b->height = c.data.I16(b->entryOffset + 18);
        }
        c.res.backgrounds[i] = std::move(b);
    }
    return true;
}

bool Chunk_LoadFonts(ChunkContext& c) {
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 44)) return false;
    // The body ends with the 256 character codes used for fonts made from sprites.
    if (uint64_t(c.length) < 4 + 4 * uint64_t(list.size()) + 512)
        return c.r.Fail("chunk has no room for its character table");
    c.res.fontCharTableOffset = c.End() - 512;
    c.res.fonts.clear();
    c.res.fonts.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t at = list[i];
        auto f = std::make_unique<CFontZV>();
        if (!c.r.String(at, "name", f->name)) return false;
        if (!c.r.String(at + 4, "face name", f->faceName)) return false;
        f->size = c.data.I32(at + 8);
        f->bold = c.data.U32(at + 12) != 0;
        f->italic = c.data.U32(at + 16) != 0;
        uint32_t packed = c.data.U32(at + 20);
        f->first = int(packed & 0xFFFF);
        if ((packed >> 16) & 0xFF) f->charset = int((packed >> 16) & 0xFF);
        if ((packed >> 24) & 0xFF) f->antialias = int((packed >> 24) & 0xFF) - 1;
        f->last = c.data.I32(at + 24);
        f->entryOffset = c.data.U32(at + 28);
        if (!CheckEntry(c, f->entryOffset, "glyph sheet texture-page entry")) return false;
        if (f->entryOffset) {
            f->sheetWidth = c.data.I16(f->entryOffset + 4);
            f->sheetHeight = c.data.I16(f->entryOffset + 6);
        }
        f->xscale = c.data.F32(at + 32);
        f->yscale = c.data.F32(at + 36);
        uint32_t g = c.data.U32(at + 40);
        if (!c.r.Count(g, at + 44, 4, "glyph")) return false;
        f->glyphsOffset = at + 44;
        f->glyphCount = g;
        for (uint32_t k = 0; k < g; ++k) {
            uint32_t glyph = c.data.U32(at + 44 + 4 * k);
            if (glyph == 0) return c.r.Fail("glyph " + std::to_string(k) + " has no record");
            if (!c.r.Need(glyph, kGlyphRecordSize, "glyph record")) return false;
            f->height = std::max<int>(f->height, c.data.I16(glyph + 8));
        }
        c.res.fonts[i] = std::move(f);
    }
    return true;
}

bool Chunk_LoadSounds(ChunkContext& c) {
    bool newAudio = c.res.options.NewAudio();
    Console().Output(newAudio ? "Audio_Load()\n" : "Sound_Init()\n");
    std::vector<uint32_t> list;
    if (!Chunk_BodyList(c, list, 36)) return false;
    c.res.sounds.clear();
    c.res.sounds.resize(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (!list[i]) continue;
        c.r.SetEntry(int(i));
        uint32_t at = list[i];
        auto s = std::make_unique<CSound>();
        if (!c.r.String(at, "name", s->name)) return false;
        s->kind = c.data.I32(at + 4);
        if (!c.r.String(at + 8, "file type", s->fileType)) return false;
        if (!c.r.String(at + 12, "file name", s->fileName)) return false;
        s->effects = c.data.U32(at + 16);
        s->volume = c.data.F32(at + 20);
        s->pan = c.data.F32(at + 24);
        s->preload = c.data.U32(at + 28) != 0;
        s->dataIndex = c.data.I32(at + 32);
        s->streamed = newAudio && s->kind > 0;
        c.res.sounds[i] = std::move(s);
    }
    return true;
}

bool Chunk_LoadAudio(ChunkContext& c) {
    Console().Output(c.res.options.NewAudio() ? "Audio_WAVs()\n" : "Wave_Init()\n");
    if (!Chunk_BodyList(c, c.res.audio, 4)) return false;
    for (size_t i = 0; i < c.res.audio.size(); ++i) {
        if (!c.res.audio[i]) continue;
        c.r.SetEntry(int(i));
        if (!c.r.Need(c.res.audio[i] + 4, c.data.U32(c.res.audio[i]), "sound data")) return false;
    }
    return true;
}

bool Chunk_ResolveGraphicsAndSound(CGameData& data, CGameResources& res, CLoadReader& r) {
    const auto& entries = res.texturePages.entries;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i]) continue;
        int page = data.I16(entries[i] + 20);
        if (page < 0 || size_t(page) >= res.texturePages.pages.size() || !res.texturePages.pages[page].pngOffset) {
            r.SetContext("TPAG", int(i));
            return r.Fail("texture page " + std::to_string(page) + " does not exist");
        }
    }
    for (size_t i = 0; i < res.sounds.size(); ++i) {
        CSound* s = res.sounds[i].get();
        if (!s || s->dataIndex < 0) continue;
        if (size_t(s->dataIndex) >= res.audio.size() || !res.audio[s->dataIndex]) {
            r.SetContext("SOND", int(i));
            return r.Fail("sound data " + std::to_string(s->dataIndex) + " does not exist");
        }
        s->dataOffset = res.audio[s->dataIndex] + 4;
        s->dataLength = data.U32(res.audio[s->dataIndex]);
    }
    return true;
}
