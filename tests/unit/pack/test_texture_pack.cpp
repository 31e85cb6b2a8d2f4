// Texture packing: pictures of many sizes spread over several small pages, without
// overlap, and every texture-page entry pointing at exactly its picture's pixels in
// the PNG page the data file carries.
#include <map>
#include <random>

#include "graphics/background.h"
#include "graphics/sprite.h"
#include "pack/pack_fixture.h"
#include "pack/texture_packer.h"

namespace {

using namespace pack_test;

// A pixel that no other sprite, frame or position repeats, opaque inside the margin.
uint32_t PatternPixel(int sprite, int frame, int x, int y, int w, int h, int margin) {
    if (x < margin || y < margin + frame || x >= w - margin || y >= h - margin) return 0;
    return 0xFF000000u | uint32_t(sprite * 40 + frame) << 16 | uint32_t(x) << 8 | uint32_t(y);
}

struct Size {
    int w, h, margin, frames;
};

TEST(TexturePack, EntriesPointAtTheirPixelsOnTheWrittenPages) {
    CProjectDir project("TexturePackPixels");
    const std::vector<Size> sizes = {{40, 30, 3, 2}, {8, 8, 0, 3},  {20, 50, 5, 1}, {33, 7, 1, 2}, {16, 16, 7, 2},
                                     {60, 20, 0, 1}, {5, 40, 1, 2}, {24, 24, 2, 4}, {12, 3, 0, 1}, {50, 50, 10, 1}};
    std::string sprites;
    for (size_t s = 0; s < sizes.size(); ++s) {
        const Size& z = sizes[s];
        std::string frames;
        for (int f = 0; f < z.frames; ++f) {
            std::string file = "s" + std::to_string(s) + "_" + std::to_string(f) + ".png";
            project.Png(file, z.w, z.h,
                        [&](int x, int y) { return PatternPixel(int(s), f, x, y, z.w, z.h, z.margin); });
            frames += (f ? ", \"" : "\"") + file + "\"";
        }
        sprites += (s ? ",\n" : "") + std::string("{\"name\": \"spr_") + std::to_string(s) + "\", \"frames\": [" +
                   frames + "]}";
    }
    // A background: never trimmed, its edge repeated into the padding.
    project.Png("bg.png", 30, 20, [](int x, int y) { return 0xFF000000u | uint32_t(x * 8) << 8 | uint32_t(y * 12); });
    project.Text("game.json",
                 "{\"game\": {\"name\": \"Pages\"}, \"texture_pages\": {\"size\": 64, \"padding\": 2},\n"
                 "\"backgrounds\": [{\"name\": \"bg\", \"file\": \"bg.png\"}],\n"
                 "\"sprites\": [" +
                     sprites + "]}");

    PackOptions options;
    options.source = true;
    PackOutput out;
    CLineErrors errors;
    ASSERT_TRUE(Pack_Project(project.Dir(), options, out, errors)) << ErrorText(errors);
    auto l = LoadGame(out.game);
    ASSERT_TRUE(l->ok) << l->error;
    const CGameData& d = l->data;
    const CGameResources& r = l->res;
    EXPECT_GT(r.texturePages.pages.size(), 2u) << "the pictures should need several 64-pixel pages";

    struct Page {
        int w = 0, h = 0;
        std::vector<uint8_t> rgba;
        uint32_t At(int x, int y) const {
            uint32_t v;
            std::memcpy(&v, &rgba[(size_t(y) * size_t(w) + size_t(x)) * 4], 4);
            return v;
        }
    };
    std::vector<Page> pages(r.texturePages.pages.size());
    for (size_t p = 0; p < pages.size(); ++p) {
        const CTexturePageImage& img = r.texturePages.pages[p];
        ASSERT_TRUE(Png_DecodeRGBA(d.Base() + img.pngOffset, img.pngLength, pages[p].w, pages[p].h, pages[p].rgba))
            << p;
        EXPECT_LE(pages[p].w, 64);
        EXPECT_LE(pages[p].h, 64);
    }

    struct Placed {
        int page, x, y, w, h;
        std::string what;
    };
    std::vector<Placed> placed;
    // Checks one entry against the picture it stands for and returns its rectangle.
    auto checkEntry = [&](uint32_t e, int fullW, int fullH, const std::function<uint32_t(int, int)>& source,
                          const std::string& what) {
        const int sx = d.I16(e), sy = d.I16(e + 2), sw = d.I16(e + 4), sh = d.I16(e + 6);
        const int tx = d.I16(e + 8), ty = d.I16(e + 10), tw = d.I16(e + 12), th = d.I16(e + 14);
        const int page = d.I16(e + 20);
        EXPECT_EQ(d.I16(e + 16), fullW) << what;
        EXPECT_EQ(d.I16(e + 18), fullH) << what;
        EXPECT_EQ(sw, tw) << what;
        EXPECT_EQ(sh, th) << what;
        ASSERT_GE(page, 0);
        ASSERT_LT(size_t(page), pages.size()) << what;
        const Page& pg = pages[size_t(page)];
        ASSERT_TRUE(sx >= 0 && sy >= 0 && sx + sw <= pg.w && sy + sh <= pg.h) << what << " lies off its page";
        for (int y = 0; y < fullH; ++y)
            for (int x = 0; x < fullW; ++x) {
                const bool inside = x >= tx && x < tx + tw && y >= ty && y < ty + th;
                if (inside) {
                    ASSERT_EQ(pg.At(sx + x - tx, sy + y - ty), source(x, y)) << what << " pixel " << x << "," << y;
                } else {
                    ASSERT_EQ(source(x, y) >> 24, 0u)
                        << what << " lost an opaque pixel to trimming at " << x << "," << y;
                }
            }
        placed.push_back(Placed{page, sx, sy, sw, sh, what});
    };

    for (size_t s = 0; s < sizes.size(); ++s) {
        const CSprite& spr = *r.sprites[s];
        const Size& z = sizes[s];
        ASSERT_EQ(spr.frameCount, uint32_t(z.frames));
        for (int f = 0; f < z.frames; ++f) {
            uint32_t entry = d.U32(spr.framesOffset + 4 * uint32_t(f));
            checkEntry(
                entry, z.w, z.h, [&](int x, int y) { return PatternPixel(int(s), f, x, y, z.w, z.h, z.margin); },
                spr.name + " frame " + std::to_string(f));
            // Trimming cut exactly the transparent margin.
            if (z.margin > 0) {
                EXPECT_EQ(d.I16(entry + 8), z.margin) << spr.name;
            }
        }
    }
    auto bgPixel = [](int x, int y) { return 0xFF000000u | uint32_t(x * 8) << 8 | uint32_t(y * 12); };
    const uint32_t bgEntry = r.backgrounds[0]->entryOffset;
    checkEntry(bgEntry, 30, 20, bgPixel, "background");
    {
        const Page& pg = pages[size_t(d.I16(bgEntry + 20))];
        const int sx = d.I16(bgEntry), sy = d.I16(bgEntry + 2);
        // The padding repeats the edge, where the page has room for it.
        if (sx >= 1) {
            EXPECT_EQ(pg.At(sx - 1, sy + 5), bgPixel(0, 5));
        }
        if (sy >= 1) {
            EXPECT_EQ(pg.At(sx + 7, sy - 1), bgPixel(7, 0));
        }
        if (sx + 30 < pg.w) {
            EXPECT_EQ(pg.At(sx + 30, sy + 5), bgPixel(29, 5));
        }
    }

    for (size_t i = 0; i < placed.size(); ++i)
        for (size_t j = i + 1; j < placed.size(); ++j) {
            const Placed &a = placed[i], &b = placed[j];
            if (a.page != b.page) continue;
            const bool apart = a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y;
            EXPECT_TRUE(apart) << a.what << " overlaps " << b.what;
        }
}

// Many random rectangles: never overlapping (with their padding), always on the page,
// and the same layout every time.
TEST(TexturePack, RandomRectanglesNeverOverlapAndPackTheSameWayTwice) {
    std::mt19937 rng(12345);
    std::vector<CImage> images;
    for (int i = 0; i < 300; ++i) {
        int w = 1 + int(rng() % 40), h = 1 + int(rng() % 40);
        if (i % 50 == 0) w = 120;  // a few wide ones
        images.emplace_back(w, h);
    }
    std::vector<TexturePackItem> items;
    for (const CImage& img : images)
        items.push_back(TexturePackItem{&img, CRect{0, 0, img.Width(), img.Height()}, false});
    TexturePackSettings settings;
    settings.pageSize = 128;
    settings.padding = 1;
    TexturePackResult a, b;
    size_t bad = 0;
    ASSERT_TRUE(TexturePack_Run(items, settings, a, bad));
    ASSERT_TRUE(TexturePack_Run(items, settings, b, bad));
    ASSERT_EQ(a.placements.size(), items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(a.placements[i].page, b.placements[i].page);
        EXPECT_EQ(a.placements[i].x, b.placements[i].x);
        EXPECT_EQ(a.placements[i].y, b.placements[i].y);
        const CImage& page = a.pages[size_t(a.placements[i].page)];
        EXPECT_LE(a.placements[i].x + images[i].Width(), page.Width()) << i;
        EXPECT_LE(a.placements[i].y + images[i].Height(), page.Height()) << i;
        EXPECT_GE(a.placements[i].x, 1) << i;
    }
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = i + 1; j < items.size(); ++j) {
            const TexturePlacement &p = a.placements[i], &q = a.placements[j];
            if (p.page != q.page) continue;
            // One pixel of padding each: two parts are at least two pixels apart.
            const bool apart = p.x + images[i].Width() + 2 <= q.x || q.x + images[j].Width() + 2 <= p.x ||
                               p.y + images[i].Height() + 2 <= q.y || q.y + images[j].Height() + 2 <= p.y;
            ASSERT_TRUE(apart) << i << " and " << j;
        }
    // A page should be used well: far fewer pages than a naive one-row-per-picture fill.
    int64_t area = 0;
    for (const CImage& img : images) area += int64_t(img.Width() + 2) * (img.Height() + 2);
    EXPECT_LE(int64_t(a.pages.size()), area / (128 * 128) * 2 + 1);

    std::vector<TexturePackItem> tooBig = {TexturePackItem{&images[0], CRect{0, 0, 127, 10}, false}};
    EXPECT_FALSE(TexturePack_Run(tooBig, settings, a, bad));
    EXPECT_EQ(bad, 0u);
}

}  // namespace
