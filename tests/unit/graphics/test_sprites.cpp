// Sprites and backgrounds: frame selection, culling, geometry, and the resources games
// make, change and save at run time. Nothing here needs a display device.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "data/game.h"
#include "function/function_names.h"
#include "graphics/background.h"
#include "graphics/bitmap.h"
#include "graphics/graphics.h"
#include "graphics/png.h"
#include "graphics/sprite.h"
#include "graphics/sprite_create.h"
#include "graphics/sprite_draw.h"
#include "io/file_paths.h"
#include "support/process.h"
#include "vm/machine_fixture.h"
#include "vm/registry.h"

namespace {

CTexturePageEntry Entry(int sx, int sy, int sw, int sh, int tx, int ty, int tw, int th, int fw, int fh) {
    return CTexturePageEntry{int16_t(sx),
                             int16_t(sy),
                             int16_t(sw),
                             int16_t(sh),
                             int16_t(tx),
                             int16_t(ty),
                             int16_t(tw),
                             int16_t(th),
                             int16_t(fw),
                             int16_t(fh),
                             0};
}

TEST(SpriteFrames, WrapIntoTheFrameCount) {
    CSprite s;
    s.bitmaps.assign(4, CBitmap32(1, 1));
    const int cases[][2] = {{-1, 3}, {9, 1}, {4, 0}, {-8, 0}, {-5, 3}, {INT32_MIN, 0}, {2, 2}};
    for (const auto& c : cases) EXPECT_EQ(Sprite_WrapFrame(s, c[0]), c[1]) << c[0];
    CSprite none;
    EXPECT_EQ(Sprite_WrapFrame(none, 0), -1);
}

TEST(SpriteCulling, BoundingCircleAgainstTheDrawArea) {
    Graphics_SetDrawArea(CDrawArea{100, 50, 300, 250});
    struct Case {
        float x, y, r;
        bool drawn;
    };
    const Case cases[] = {
        {200, 150, 0, true}, {90, 150, 10, true},   {89, 150, 10, false},     {311, 150, 10, false},
        {200, 40, 10, true}, {200, 261, 10, false}, {-1000, 150, 1100, true}, {NAN, 0, 10, false},
    };
    for (const Case& c : cases) EXPECT_EQ(Sprite_InView(c.x, c.y, c.r), c.drawn) << c.x << "," << c.y << " r " << c.r;
    Graphics_SetDrawArea(CDrawArea{});
}

TEST(SpriteRadius, RoundsEachCornerDistanceUp) {
    CSprite s;
    s.width = s.height = 4;
    s.xorigin = s.yorigin = 1;
    s.ComputeRadius();
    EXPECT_EQ(s.radius, 5);  // the far corner is 4.24 away
    s.xorigin = s.yorigin = 2;
    s.ComputeRadius();
    EXPECT_EQ(s.radius, 3);  // 2.83
}

TEST(SpriteGeometry, PartStartingLeftOfTheTrimIsShiftedNotStretched) {
    // The entry holds a 4 x 4 part at (2, 1) of a 10 x 10 frame; its pixels are at
    // (10, 20) on a 64 x 64 page.
    const CTexturePageEntry e = Entry(10, 20, 4, 4, 2, 1, 4, 4, 10, 10);
    VertexPCT v[6];
    ASSERT_TRUE(Sprite_PartQuad(e, 1 / 64.f, 1 / 64.f, 0, 0, 8, 8, 100, 50, 2, 2, 0xFFFFFFFF, 0, v));
    // Shifted by the trim times the scale; as wide as what the entry holds.
    EXPECT_FLOAT_EQ(v[0].x, 104);
    EXPECT_FLOAT_EQ(v[0].y, 52);
    EXPECT_FLOAT_EQ(v[2].x, 112);
    EXPECT_FLOAT_EQ(v[2].y, 60);
    EXPECT_FLOAT_EQ(v[0].u, 10 / 64.f);
    EXPECT_FLOAT_EQ(v[2].u, 14 / 64.f);
    EXPECT_FLOAT_EQ(v[2].v, 24 / 64.f);

    // Starting inside the trim: no shift, the texture starts further in, and the width
    // stops at the entry's right edge rather than sampling the page beyond it.
    ASSERT_TRUE(Sprite_PartQuad(e, 1 / 64.f, 1 / 64.f, 3, 1, 8, 2, 0, 0, 1, 1, 0xFFFFFFFF, 0, v));
    EXPECT_FLOAT_EQ(v[0].x, 0);
    EXPECT_FLOAT_EQ(v[2].x, 3);
    EXPECT_FLOAT_EQ(v[0].u, 11 / 64.f);
    EXPECT_FLOAT_EQ(v[2].u, 14 / 64.f);

    // A part wholly outside what the entry holds draws nothing.
    EXPECT_FALSE(Sprite_PartQuad(e, 1, 1, 6, 0, 4, 4, 0, 0, 1, 1, 0, 0, v));
    EXPECT_FALSE(Sprite_PartQuad(e, 1, 1, 2, 1, 0, 4, 0, 0, 1, 1, 0, 0, v));

    // A scaled-down entry (source twice the target) maps frame pixels to two texels.
    const CTexturePageEntry half = Entry(0, 0, 8, 8, 0, 0, 4, 4, 4, 4);
    ASSERT_TRUE(Sprite_PartQuad(half, 1 / 64.f, 1 / 64.f, 1, 0, 2, 4, 0, 0, 1, 1, 0, 0, v));
    EXPECT_FLOAT_EQ(v[0].u, 2 / 64.f);
    EXPECT_FLOAT_EQ(v[2].u, 6 / 64.f);
}

TEST(SpriteGeometry, GeneralQuadCornersColoursAndRotation) {
    const CTexturePageEntry e = Entry(0, 0, 4, 4, 0, 0, 4, 4, 4, 4);
    const uint32_t colours[4] = {0xFF000000, 0xFFFF0000, 0xFFFFFF00, 0xFF00FF00};
    VertexPCT v[4];
    ASSERT_TRUE(Sprite_GeneralQuad(e, 1 / 4.f, 1 / 4.f, 0, 0, 4, 2, 10, 20, 2, 3, 0, colours, 0, v));
    EXPECT_FLOAT_EQ(v[0].x, 9.5f);
    EXPECT_FLOAT_EQ(v[0].y, 19.5f);
    EXPECT_FLOAT_EQ(v[2].x, 17.5f);
    EXPECT_FLOAT_EQ(v[2].y, 25.5f);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(v[k].colour, colours[k]);

    // 90 degrees: the top-right corner (w * xs - 0.5, -0.5) turns to above the origin.
    ASSERT_TRUE(Sprite_GeneralQuad(e, 1, 1, 0, 0, 4, 4, 0, 0, 1, 1, 90, colours, 0, v));
    EXPECT_NEAR(v[1].x, -0.5f, 1e-4);
    EXPECT_NEAR(v[1].y, -3.5f, 1e-4);

    // A trimmed entry: the kept half gets the colours of where it lies in the request.
    const CTexturePageEntry right = Entry(0, 0, 2, 4, 2, 0, 2, 4, 4, 4);
    ASSERT_TRUE(Sprite_GeneralQuad(right, 1, 1, 0, 0, 4, 4, 0, 0, 1, 1, 0, colours, 0, v));
    EXPECT_FLOAT_EQ(v[0].x, 1.5f);
    EXPECT_EQ(v[0].colour, 0xFF800000u);  // halfway from black to red
    EXPECT_EQ(v[1].colour, colours[1]);
}

TEST(SpriteGeometry, PosQuadPlacesTheTrimInsideTheCorners) {
    const CTexturePageEntry e = Entry(0, 0, 2, 2, 1, 1, 2, 2, 4, 4);
    const float xs[4] = {0, 8, 8, 0}, ys[4] = {0, 0, 8, 8};
    VertexPCT v[4];
    Sprite_PosQuad(e, 1, 1, xs, ys, 0xFFFFFFFF, 0, v);
    EXPECT_FLOAT_EQ(v[0].x, 2);
    EXPECT_FLOAT_EQ(v[0].y, 2);
    EXPECT_FLOAT_EQ(v[2].x, 6);
    EXPECT_FLOAT_EQ(v[2].y, 6);
}

TEST(SpriteGeometry, TileSpanCoversTheRegionFromAnyStart) {
    double first;
    int64_t count;
    Sprite_TileSpan(500, 32, 0, 640, first, count);  // a start right of the region's left edge
    EXPECT_DOUBLE_EQ(first, -12);
    EXPECT_EQ(count, 21);
    EXPECT_LE(first, 0);
    EXPECT_GE(first + double(count) * 32, 640);
    Sprite_TileSpan(-1e12, 16, 0, 64, first, count);  // far away: found at once
    EXPECT_DOUBLE_EQ(first, 0);
    EXPECT_EQ(count, 4);
    Sprite_TileSpan(0, 16, 0, 0, first, count);
    EXPECT_EQ(count, 0);
}

// --- resources of a loaded game -----------------------------------------------------------

// A game with one two-frame sprite on an 8 x 4 page (frame 1 trimmed to its middle
// 2 x 2) and one background of the page's left half.
class SpriteResourceTest : public MachineTest {
protected:
    std::string dir;
    std::string oldGame, oldSaves;
    CBitmap32 page{8, 4};

    void SetUp() override {
        MachineTest::SetUp();
        dir = TestDirectory("sprites");
        oldGame = FilePaths_GameDirectory();
        oldSaves = FilePaths_SaveArea();
        std::filesystem::create_directories(dir + "/game");
        std::filesystem::create_directories(dir + "/save");
        FilePaths_SetGame("sprites test", dir + "/game");
        FilePaths_SetSaveArea(dir + "/save");

        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) page.Set(x, y, 0xFF000000u | uint32_t(x * 30) << 16 | uint32_t(y * 60) << 8);
        WTexture t;
        t.png = Bitmap_EncodePng(page);
        desc.textures.push_back(t);
        WTexturePageEntry whole{0, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0};
        WTexturePageEntry trimmed{4, 0, 2, 2, 1, 1, 2, 2, 4, 4, 0};
        desc.texturePages = {whole, trimmed};
        WSprite s;
        s.name = "spr";
        s.width = s.height = 4;
        s.originX = s.originY = 1;
        s.bboxRight = s.bboxBottom = 3;
        s.frames = {0, 1};
        desc.sprites.push_back(s);
        WBackground b;
        b.name = "bg";
        b.texture = 0;
        desc.backgrounds.push_back(b);
        ASSERT_TRUE(Load().ok) << game->error;
    }
    void TearDown() override {
        FilePaths_SetGame("", oldGame);
        FilePaths_SetSaveArea(oldSaves);
        MachineTest::TearDown();
    }

    static CValue Call(const char* function, std::vector<CValue> args) {
        CValue result;
        const TBuiltinFunction handler = Function_FindImplementation(function);
        EXPECT_NE(handler, nullptr) << function;
        if (handler) handler(result, nullptr, nullptr, int(args.size()), args.data());
        return result;
    }
    static CValue N(double v) { return CValue(v); }
    static CValue T(const std::string& s) { return CValue(std::string_view(s)); }

    static void WriteText(const std::string& path, const std::string& text) {
        WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
    }
    static CBitmap32 ReadPng(const std::string& path) {
        std::vector<CBitmap32> frames;
        EXPECT_TRUE(Bitmap_LoadFile(path, frames)) << path;
        return frames.empty() ? CBitmap32() : frames[0];
    }
    // An 8 x 4 strip of two frames on a green background: frame 0 has a red pixel at
    // (1, 1), frame 1 a blue one at (2, 2).
    void WriteStrip(const std::string& name) {
        CBitmap32 strip(8, 4, 0xFF00FF00);
        strip.Set(1, 1, 0xFFFF0000);
        strip.Set(4 + 2, 2, 0xFF0000FF);
        ASSERT_TRUE(Bitmap_SavePng(strip, dir + "/game/" + name));
    }
};

TEST_F(SpriteResourceTest, LoadedSpriteRadiusIsRoundedUp) {
    ASSERT_TRUE(Sprite_Exists(0));
    EXPECT_EQ(Sprite_Get(0)->radius, 5);
}

TEST_F(SpriteResourceTest, AddingAMissingFileLeavesTheTableAlone) {
    const int before = Sprite_Count();
    EXPECT_EQ(Call("sprite_add", {T("missing.png"), N(1), N(0), N(0), N(0), N(0)}).val, -1);
    EXPECT_EQ(Call("background_add", {T("missing.png"), N(0), N(0)}).val, -1);
    // Only sprite_add and background_add download; the other file forms refuse a URL.
    EXPECT_EQ(Call("sprite_add_alpha", {T("http://example.com/a.png"), N(1), N(0), N(0), N(0), N(0)}).val, -1);
    EXPECT_NE(Game().error.last.find("not available"), std::string::npos) << Game().error.last;
    EXPECT_EQ(Sprite_Count(), before);
}

TEST_F(SpriteResourceTest, AddedStripHasFramesBoxAndMasks) {
    WriteStrip("strip.png");
    const int id = int(Call("sprite_add", {T("strip.png"), N(2), N(1), N(0), N(3), N(2)}).val);
    ASSERT_EQ(id, 1);
    EXPECT_EQ(Call("sprite_get_name", {N(id)}).Text(), std::string("__newsprite1"));
    EXPECT_EQ(Call("sprite_get_number", {N(id)}).val, 2);
    EXPECT_EQ(Call("sprite_get_width", {N(id)}).val, 4);
    EXPECT_EQ(Call("sprite_get_xoffset", {N(id)}).val, 3);
    // The green background went; the box is the union of both frames' pixels.
    EXPECT_EQ(Call("sprite_get_bbox_left", {N(id)}).val, 1);
    EXPECT_EQ(Call("sprite_get_bbox_top", {N(id)}).val, 1);
    EXPECT_EQ(Call("sprite_get_bbox_right", {N(id)}).val, 2);
    EXPECT_EQ(Call("sprite_get_bbox_bottom", {N(id)}).val, 2);
    const CSprite* s = Sprite_Get(id);
    ASSERT_EQ(s->masks.size(), 2u);
    EXPECT_EQ(s->masks[0][1 * 4 + 1], 1);
    EXPECT_EQ(s->masks[0][2 * 4 + 2], 0);
    EXPECT_EQ(s->masks[1][2 * 4 + 2], 1);
    EXPECT_EQ(s->radius, 4);  // origin (3, 2): the far corner (0, 4) is 3.6 away

    Call("sprite_set_bbox_mode", {N(id), N(1)});
    EXPECT_EQ(Call("sprite_get_bbox_right", {N(id)}).val, 3);
    Call("sprite_set_bbox", {N(id), N(0), N(0), N(1), N(1)});  // not manual: ignored
    EXPECT_EQ(Call("sprite_get_bbox_right", {N(id)}).val, 3);
    Call("sprite_set_bbox_mode", {N(id), N(2)});
    Call("sprite_set_bbox", {N(id), N(0), N(0), N(1), N(1)});
    EXPECT_EQ(Call("sprite_get_bbox_right", {N(id)}).val, 1);
    Call("sprite_set_offset", {N(id), N(0), N(0)});
    EXPECT_EQ(Sprite_Get(id)->radius, 6);  // (4, 4) from (0, 0): 5.66
    // Not precise: no masks.
    Call("sprite_set_precise", {N(id), N(0)});
    EXPECT_TRUE(Sprite_Get(id)->masks.empty());
}

TEST_F(SpriteResourceTest, BoundingBoxOfRunTimeSprites) {
    CBitmap32 clear(5, 4), dot(5, 4);
    dot.Set(4, 0, 0xFF000000);
    CPictureOptions o;
    // No frame has a visible pixel: the box keeps its start values.
    const int empty = Sprite_AddPictures({clear, clear}, o, 0, 0);
    const CSprite* s = Sprite_Get(empty);
    EXPECT_EQ((std::vector<int>{s->bboxLeft, s->bboxTop, s->bboxRight, s->bboxBottom}), (std::vector<int>{4, 3, 0, 0}));
    const int one = Sprite_AddPictures({clear, dot}, o, 0, 0);
    s = Sprite_Get(one);
    EXPECT_EQ((std::vector<int>{s->bboxLeft, s->bboxTop, s->bboxRight, s->bboxBottom}), (std::vector<int>{4, 0, 4, 0}));
    // Not transparent: the whole frame.
    o.transparent = false;
    const int opaque = Sprite_AddPictures({clear}, o, 0, 0);
    s = Sprite_Get(opaque);
    EXPECT_EQ((std::vector<int>{s->bboxLeft, s->bboxTop, s->bboxRight, s->bboxBottom}), (std::vector<int>{0, 0, 4, 3}));
    EXPECT_TRUE(s->masks.empty());
    EXPECT_EQ(Sprite_AddPictures({clear, CBitmap32(2, 2)}, o, 0, 0), -1);  // frames of two sizes
}

TEST_F(SpriteResourceTest, SavedFramesReadBackEqual) {
    WriteStrip("strip.png");
    const int id = int(Call("sprite_add", {T("strip.png"), N(2), N(1), N(0), N(0), N(0)}).val);
    ASSERT_GE(id, 0);
    Call("sprite_save", {N(id), N(1), T("frame1.png")});
    CBitmap32 frame1 = ReadPng(dir + "/save/frame1.png");
    CBitmap32 expected;
    ASSERT_TRUE(Sprite_FramePicture(*Sprite_Get(id), 1, expected));
    EXPECT_EQ(std::vector<uint32_t>(frame1.Pixels(), frame1.Pixels() + 16),
              std::vector<uint32_t>(expected.Pixels(), expected.Pixels() + 16));
    EXPECT_EQ(frame1.At(2, 2), 0xFF0000FFu);
    EXPECT_EQ(frame1.At(0, 0) >> 24, 0u);

    Call("sprite_save_strip", {N(id), T("strip_out.png")});
    const CBitmap32 strip = ReadPng(dir + "/save/strip_out.png");
    EXPECT_EQ(strip.Width(), 8);
    EXPECT_EQ(strip.At(1, 1), 0xFFFF0000u);
    EXPECT_EQ(strip.At(6, 2), 0xFF0000FFu);

    // A data-file frame is cut out of its page, the trim put back where it belongs.
    Call("sprite_save", {N(0), N(1), T("loaded.png")});
    const CBitmap32 loaded = ReadPng(dir + "/save/loaded.png");
    ASSERT_EQ(loaded.Width(), 4);
    EXPECT_EQ(loaded.At(0, 0), 0u);
    EXPECT_EQ(loaded.At(1, 1), page.At(4, 0));
    EXPECT_EQ(loaded.At(2, 2), page.At(5, 1));
    EXPECT_EQ(loaded.At(3, 3), 0u);

    Code_ResetErrors();
    Call("sprite_save", {N(99), N(0), T("none.png")});
    EXPECT_NE(Game().error.last.find("Trying to save non-existing sprite bitmap."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "/save/none.png"));
}

TEST_F(SpriteResourceTest, DuplicateMergeAssignDelete) {
    const int copy = int(Call("sprite_duplicate", {N(0)}).val);
    ASSERT_EQ(copy, 1);
    EXPECT_EQ(Call("sprite_get_name", {N(copy)}).Text(), std::string("__newsprite1"));
    EXPECT_EQ(Call("sprite_get_number", {N(copy)}).val, 2);

    WriteStrip("strip.png");
    const int strip = int(Call("sprite_add", {T("strip.png"), N(2), N(1), N(0), N(0), N(0)}).val);
    Call("sprite_merge", {N(strip), N(0)});
    EXPECT_EQ(Call("sprite_get_number", {N(strip)}).val, 4);
    CBitmap32 merged;
    ASSERT_TRUE(Sprite_FramePicture(*Sprite_Get(strip), 3, merged));
    EXPECT_EQ(merged.At(1, 1), page.At(4, 0));

    Call("sprite_assign", {N(copy), N(strip)});
    EXPECT_EQ(Call("sprite_get_number", {N(copy)}).val, 4);
    EXPECT_EQ(Call("sprite_get_name", {N(copy)}).Text(), std::string("__newsprite1"));

    // The alpha of every frame scaled by the other sprite's brightness: black clears it.
    CPictureOptions o;
    const int black = Sprite_AddPictures({CBitmap32(4, 4, 0xFF000000)}, o, 0, 0);
    Call("sprite_set_alpha_from_sprite", {N(copy), N(black)});
    CBitmap32 faded;
    ASSERT_TRUE(Sprite_FramePicture(*Sprite_Get(copy), 0, faded));
    EXPECT_EQ(faded.At(1, 1) >> 24, 0u);

    Call("sprite_delete", {N(copy)});
    EXPECT_EQ(Call("sprite_exists", {N(copy)}).val, 0);
    EXPECT_EQ(Call("sprite_get_width", {N(copy)}).val, -1);
    Code_ResetErrors();
    Call("draw_sprite", {N(copy), N(0), N(0), N(0)});
    EXPECT_NE(Game().error.last.find("Trying to draw non-existing sprite."), std::string::npos);
}

TEST_F(SpriteResourceTest, CollisionMaskShapes) {
    CPictureOptions o;
    const int id = Sprite_AddPictures({CBitmap32(5, 5, 0xFFFFFFFF), CBitmap32(5, 5, 0xFFFFFFFF)}, o, 0, 0);
    // One ellipse for both frames, in the full box.
    Call("sprite_collision_mask", {N(id), N(0), N(1), N(0), N(0), N(0), N(0), N(2), N(0)});
    const CSprite* s = Sprite_Get(id);
    ASSERT_EQ(s->masks.size(), 1u);
    EXPECT_TRUE(s->separateMasks);
    EXPECT_EQ(s->masks[0][0], 0);
    EXPECT_EQ(s->masks[0][2 * 5 + 2], 1);
    EXPECT_EQ(s->masks[0][2 * 5 + 0], 1);
    // A diamond inside a manual box.
    Call("sprite_collision_mask", {N(id), N(1), N(2), N(1), N(3), N(1), N(3), N(3), N(0)});
    ASSERT_EQ(s->masks.size(), 2u);
    EXPECT_EQ(s->bboxLeft, 1);
    EXPECT_EQ(s->masks[1][2 * 5 + 2], 1);
    EXPECT_EQ(s->masks[1][1 * 5 + 1], 0);
    EXPECT_EQ(s->masks[1][0], 0);
}

TEST_F(SpriteResourceTest, SpriteFileDescribesFramesAndBox) {
    WriteStrip("strip.png");
    WriteText(dir + "/game/thing.json", R"({"strip": {"file": "strip.png", "frames": 2},
                                           "origin": "centre", "bbox": "full", "precise": true})");
    const int id = int(Call("sprite_add_sprite", {T("thing.json")}).val);
    ASSERT_GE(id, 0) << Game().error.last;
    EXPECT_EQ(Call("sprite_get_number", {N(id)}).val, 2);
    EXPECT_EQ(Call("sprite_get_xoffset", {N(id)}).val, 2);
    EXPECT_EQ(Call("sprite_get_bbox_mode", {N(id)}).val, 1);
    EXPECT_EQ(Sprite_Get(id)->masks.size(), 2u);

    WriteText(dir + "/game/bad.json", R"({"x": 1})");
    Code_ResetErrors();
    EXPECT_EQ(Call("sprite_add_sprite", {T("bad.json")}).val, -1);
    EXPECT_NE(Game().error.last.find("bad.json"), std::string::npos) << Game().error.last;
}

TEST_F(SpriteResourceTest, BackgroundsMadeAndSaved) {
    const int red = int(Call("background_create_color", {N(3), N(2), N(0x0000FF)}).val);
    ASSERT_EQ(red, 1);
    EXPECT_EQ(Call("background_get_name", {N(red)}).Text(), std::string("__newbackground1"));
    EXPECT_EQ(Call("background_get_width", {N(red)}).val, 3);
    Call("background_save", {N(red), T("red.png")});
    EXPECT_EQ(ReadPng(dir + "/save/red.png").At(2, 1), 0xFFFF0000u);

    const int g = int(Call("background_create_gradient", {N(5), N(1), N(0x0000FF), N(0xFF0000), N(0)}).val);
    CBitmap32 picture;
    ASSERT_TRUE(Background_Picture(*Background_Get(g), picture));
    EXPECT_EQ(picture.At(4, 0), 0xFF0000FFu);

    // Transparent: the bottom-left colour goes.
    WriteStrip("strip.png");
    const int added = int(Call("background_add", {T("strip.png"), N(1), N(0)}).val);
    ASSERT_TRUE(Background_Picture(*Background_Get(added), picture));
    EXPECT_EQ(picture.At(0, 0) >> 24, 0u);
    EXPECT_EQ(picture.At(1, 1), 0xFFFF0000u);

    // The data-file background saves the page's pixels.
    Call("background_save", {N(0), T("page.png")});
    const CBitmap32 saved = ReadPng(dir + "/save/page.png");
    EXPECT_EQ(saved.Width(), 4);
    EXPECT_EQ(saved.At(3, 2), page.At(3, 2));

    const int copy = int(Call("background_duplicate", {N(red)}).val);
    Call("background_assign", {N(copy), N(0)});
    EXPECT_EQ(Call("background_get_width", {N(copy)}).val, 4);
    Call("background_delete", {N(copy)});
    EXPECT_EQ(Call("background_exists", {N(copy)}).val, 0);
    Code_ResetErrors();
    Call("draw_background", {N(copy), N(0), N(0)});
    EXPECT_NE(Game().error.last.find("Trying to draw a non-existing background."), std::string::npos);
}

TEST_F(SpriteResourceTest, TextureQueriesOfMissingResourcesAreErrors) {
    Code_ResetErrors();
    EXPECT_EQ(Call("sprite_get_texture", {N(42), N(0)}).val, -1);
    EXPECT_NE(Game().error.last.find("Trying to get texture from non-existing sprite."), std::string::npos);
    Code_ResetErrors();
    EXPECT_EQ(Call("background_get_texture", {N(42)}).val, -1);
    EXPECT_NE(Game().error.last.find("Trying to get texture from non-existing background."), std::string::npos);
}

}  // namespace
