// Shapes and the free-form primitive on a recording backend: the circle precision as
// the number of rim points drawn, the primitive buffer's limit and kinds, and which
// texture (and which texture coordinates) a primitive is drawn with: none, a texture
// id as it is, or a page entry mapped into its rectangle on the page.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "data/game.h"
#include "data/game_data.h"
#include "data/game_resources.h"
#include "graphics/graphics.h"
#include "graphics/png.h"
#include "graphics/render_backend.h"
#include "graphics/shapes.h"
#include "graphics/texture.h"
#include "graphics/texture_record.h"
#include "vm/machine.h"

namespace {

struct TDraw {
    int primitive = 0, vertexSize = 0, count = 0;
    BackendTexture texture = 0;
    std::vector<uint8_t> bytes;
    VertexPCT PCT(int i) const {
        VertexPCT v;
        std::memcpy(&v, bytes.data() + size_t(i) * sizeof v, sizeof v);
        return v;
    }
};

class TDrawRecorder final : public IRenderBackend {
public:
    std::vector<TDraw> draws;
    BackendTexture CreateTexture(int, int, bool) override { return ++last_; }
    bool UploadTexture(BackendTexture, int, int, int, int, const uint32_t*) override { return true; }
    void FreeTexture(BackendTexture) override {}
    bool ReadTexture(BackendTexture, int, int, int w, int h, std::vector<uint32_t>& out) override {
        out.assign(size_t(w) * size_t(h), 0);
        return true;
    }
    void SetTarget(BackendTexture, int, int) override {}
    void SetViewport(int, int, int, int) override {}
    void SetTransform(int, const float*) override {}
    void SetRenderState(int, uint32_t) override {}
    void SetSamplerState(int, int, bool) override {}
    void SetTextureBlending(bool) override {}
    void SetTexture(int stage, BackendTexture t) override {
        if (stage == 0) bound_ = t;
    }
    void SetLight(int, const CLight&) override {}
    void SetAmbient(uint32_t) override {}
    void Clear(uint32_t, float, uint32_t, int) override {}
    void Draw(int primitive, int vertexSize, const void* vertices, int count) override {
        const auto* p = static_cast<const uint8_t*>(vertices);
        draws.push_back(
            {primitive, vertexSize, count, bound_, std::vector<uint8_t>(p, p + size_t(count) * size_t(vertexSize))});
    }
    bool ReadPixels(int, int, int w, int h, std::vector<uint32_t>& out) override {
        out.assign(size_t(w) * size_t(h), 0);
        return true;
    }
    void BlitToWindow(BackendTexture, int, int, const CBackendRect&, uint32_t, bool) override {}
    bool ReadWindow(std::vector<uint32_t>& out, int& w, int& h) override {
        w = h = 1;
        out.assign(1, 0);
        return true;
    }
    bool Present() override { return true; }
    void SetVSync(bool) override {}
    void WindowSize(int& w, int& h) override { w = 64, h = 48; }
    std::string Describe() override { return "recorder"; }

private:
    BackendTexture last_ = 0, bound_ = 0;
};

void Put16(std::vector<uint8_t>& b, size_t at, int16_t v) { std::memcpy(b.data() + at, &v, 2); }

class ShapesTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto recorder = std::make_unique<TDrawRecorder>();
        rec_ = recorder.get();
        ASSERT_TRUE(Graphics_InitWithBackend(std::move(recorder), 64, 48, 0));
        Shapes_SetCirclePrecision(24);
    }
    void TearDown() override {
        data_ = CGameData{};
        res_ = CGameResources{};
        Texture_PreparePages();  // forgets the page ids
        Graphics_Shutdown();
    }
    const std::vector<TDraw>& Drawn() {
        Graphics_Flush();
        return rec_->draws;
    }

    // A game block with one 100 x 50 page (a 128 x 64 texture) and one entry whose
    // source rectangle is (20, 10) 40 x 20 on it; returns the entry's offset.
    uint32_t LoadPage() {
        std::vector<uint8_t> rgba(100 * 50 * 4, 255);
        const std::vector<uint8_t> png = Png_EncodeRGBA(100, 50, rgba.data());
        std::vector<uint8_t> block(16, 0);
        const uint32_t pngOffset = uint32_t(block.size());
        block.insert(block.end(), png.begin(), png.end());
        const uint32_t entry = uint32_t(block.size());
        block.resize(block.size() + kTexturePageEntrySize, 0);
        const int16_t fields[11] = {20, 10, 40, 20, 0, 0, 40, 20, 40, 20, 0};
        for (int i = 0; i < 11; ++i) Put16(block, entry + size_t(i) * 2, fields[i]);
        data_ = CGameData(std::move(block));
        res_.texturePages.pages = {CTexturePageImage{pngOffset, uint32_t(png.size())}};
        res_.texturePages.entries = {entry};
        EXPECT_TRUE(Texture_PreparePages());
        return entry;
    }

    TDrawRecorder* rec_ = nullptr;
    CGameSession session_;
    CGameData& data_ = Game().data;
    CGameResources& res_ = *Game().resources;
};

TEST_F(ShapesTest, CirclePrecisionIsTheNumberOfRimSegments) {
    struct Case {
        int asked, segments;
    } cases[] = {{30, 28}, {100, 64}, {2, 4}, {24, 24}, {4, 4}, {63, 60}, {-7, 4}};
    for (const Case& c : cases) {
        rec_->draws.clear();
        Shapes_SetCirclePrecision(c.asked);
        Shapes_Ellipse(0, 0, 20, 10, 0xFF000000u, 0xFFFFFFFFu, false);
        Shapes_Ellipse(0, 0, 20, 10, 0xFF000000u, 0xFFFFFFFFu, true);
        const std::vector<TDraw>& d = Drawn();
        ASSERT_EQ(d.size(), 2u) << c.asked;
        // The fan: the centre, then the rim closing on its first point; the outline: the rim.
        EXPECT_EQ(d[0].primitive, kPrimTriangleFan);
        EXPECT_EQ(d[0].count, c.segments + 2) << c.asked;
        EXPECT_EQ(d[1].primitive, kPrimLineStrip);
        EXPECT_EQ(d[1].count, c.segments + 1) << c.asked;
        VertexPC first, last;
        std::memcpy(&first, d[1].bytes.data(), sizeof first);
        std::memcpy(&last, d[1].bytes.data() + size_t(c.segments) * sizeof last, sizeof last);
        EXPECT_FLOAT_EQ(first.x, 20);
        EXPECT_FLOAT_EQ(first.y, 5);
        EXPECT_FLOAT_EQ(last.x, first.x);
        EXPECT_FLOAT_EQ(last.y, first.y);
    }
}

TEST_F(ShapesTest, PrimitiveKeepsAtMost1001VerticesAndDrawsOnlyTheSixKinds) {
    Primitive_Begin(kPrimPointList, -1);
    for (int i = 0; i < 1005; ++i) Primitive_Vertex(float(i), 0, 0xFFFFFFFFu, 0, 0);
    EXPECT_EQ(Primitive_VertexCount(), kPrimitiveMaxVertices);
    Primitive_End();
    for (int kind : {0, 7}) {
        Primitive_Begin(kind, -1);
        Primitive_Vertex(0, 0, 0xFFFFFFFFu, 0, 0);
        Primitive_End();
    }
    const std::vector<TDraw>& d = Drawn();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].count, 1001);
    EXPECT_FLOAT_EQ(d[0].PCT(1000).x, 1000);
}

TEST_F(ShapesTest, PrimitiveTextureIsNoneAnIdOrAPageEntry) {
    const uint32_t entry = LoadPage();
    const int page = Texture_PageId(0);
    ASSERT_GE(page, 0);
    const BackendTexture handle = Texture_Get(page)->handle;
    struct Case {
        int texture;
        BackendTexture bound;
        float u0, v0, u1, v1;  // the coordinates drawn for (0, 0) and (1, 1)
    } cases[] = {
        {-1, 0, 0, 0, 1, 1},
        {page, handle, 0, 0, 1, 1},
        // (source width x u + source x) / texture width, likewise v
        {int(entry), handle, 20.0f / 128, 10.0f / 64, 60.0f / 128, 30.0f / 64},
        {int(entry) + 2, 0, 0, 0, 1, 1},  // inside the block but no entry
        {123456, 0, 0, 0, 1, 1},
    };
    for (const Case& c : cases) {
        rec_->draws.clear();
        Primitive_Begin(kPrimLineList, c.texture);
        Primitive_Vertex(0, 0, 0xFFFFFFFFu, 0, 0);
        Primitive_Vertex(1, 1, 0xFFFFFFFFu, 1, 1);
        Primitive_End();
        const std::vector<TDraw>& d = Drawn();
        ASSERT_EQ(d.size(), 1u) << c.texture;
        EXPECT_EQ(d[0].vertexSize, int(sizeof(VertexPCT)));
        EXPECT_EQ(d[0].texture, c.bound) << c.texture;
        EXPECT_FLOAT_EQ(d[0].PCT(0).u, c.u0) << c.texture;
        EXPECT_FLOAT_EQ(d[0].PCT(0).v, c.v0) << c.texture;
        EXPECT_FLOAT_EQ(d[0].PCT(1).u, c.u1) << c.texture;
        EXPECT_FLOAT_EQ(d[0].PCT(1).v, c.v1) << c.texture;
    }
}

// Pages are decoded in batches on several threads but become textures in page order:
// each page's id is the next one and carries its own picture's size, and a page that
// does not decode stops the preparation there, the pages after it left without an id.
TEST_F(ShapesTest, PagesBecomeTexturesInOrderAndTheFirstBadOneStops) {
    constexpr int kPages = 21;  // several batches on any number of threads
    constexpr int kBad = 13;
    std::vector<uint8_t> block(16, 0);
    std::vector<CTexturePageImage> pages;
    for (int i = 0; i < kPages; ++i) {
        const int w = 3 + i, h = 40 - i;
        const std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4, uint8_t(i * 10));
        std::vector<uint8_t> png = Png_EncodeRGBA(w, h, rgba.data());
        if (i == kBad) png.resize(png.size() / 2);  // cut short: no picture
        pages.push_back(CTexturePageImage{uint32_t(block.size()), uint32_t(png.size())});
        block.insert(block.end(), png.begin(), png.end());
    }
    data_ = CGameData(std::move(block));
    res_.texturePages.pages = pages;
    EXPECT_FALSE(Texture_PreparePages());
    for (int i = 0; i < kPages; ++i) EXPECT_EQ(Texture_PageId(i) >= 0, i < kBad) << "page " << i;

    // Mended, every page is a texture, in order, with its own picture's size.
    res_.texturePages.pages[kBad] = res_.texturePages.pages[kBad - 1];
    ASSERT_TRUE(Texture_PreparePages());
    for (int i = 0; i < kPages; ++i) {
        const int id = Texture_PageId(i);
        ASSERT_GE(id, 0) << "page " << i;
        if (i > 0) {
            EXPECT_GT(id, Texture_PageId(i - 1)) << "page " << i;
        }
        const CTextureEntry* e = Texture_Entry(id);
        ASSERT_NE(e, nullptr);
        const int source = i == kBad ? kBad - 1 : i;
        EXPECT_EQ(e->usedWidth, 3 + source) << "page " << i;
        EXPECT_EQ(e->usedHeight, 40 - source) << "page " << i;
    }
}

}  // namespace
