// Shapes and the free-form primitive on a recording backend: the circle precision as
// the number of rim points drawn, the primitive buffer's limit and kinds, and which
// texture (and which texture coordinates) a primitive is drawn with: none, a texture
// id as it is, or a page entry mapped into its rectangle on the page.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
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
#include "platform/console.h"
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
    int uploads = 0;
    BackendTexture CreateTexture(int, int, bool) override { return ++last_; }
    BackendTexture Created() const { return last_; }
    bool UploadTexture(BackendTexture, int, int, int, int, const uint32_t*) override {
        ++uploads;
        return true;
    }
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

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The offset of the first chunk of that type in a PNG file, 0 for none.
size_t FindChunk(const std::vector<uint8_t>& png, const char* type) {
    for (size_t at = 8; at + 12 <= png.size(); at += 12 + Be32(png.data() + at))
        if (std::memcmp(png.data() + at + 4, type, 4) == 0) return at;
    return 0;
}

std::string LogPath() {
    return (std::filesystem::temp_directory_path() / ("zorvex-pages-" + std::to_string(getpid()) + ".log")).string();
}

std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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
    // The page's device texture is made when it is first needed; made now, its handle is
    // the one every draw below must use.
    ASSERT_TRUE(Texture_Realize(Texture_Get(page)));
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

// Pages get their ids at load in page order, each carrying its own picture's size from
// the picture's header; a page whose header or chunk layout is damaged stops the
// preparation there, the pages after it left without an id.
TEST_F(ShapesTest, PagesBecomeTexturesInOrderAndTheFirstBadOneStops) {
    constexpr int kPages = 21;
    constexpr int kBad = 13;
    const std::string log = LogPath();
    struct Damage {
        const char* what;
        void (*apply)(std::vector<uint8_t>& png);
    } damages[] = {
        {"cut short", [](std::vector<uint8_t>& png) { png.resize(png.size() / 2); }},
        {"signature", [](std::vector<uint8_t>& png) { png[1] = 'X'; }},
        {"header CRC", [](std::vector<uint8_t>& png) { png[16 + 3] ^= 1; }},  // the width's low byte
        {"no IEND", [](std::vector<uint8_t>& png) { png.resize(png.size() - 12); }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        std::vector<uint8_t> block(16, 0);
        std::vector<CTexturePageImage> pages;
        for (int i = 0; i < kPages; ++i) {
            const int w = 3 + i, h = 40 - i;
            const std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4, uint8_t(i * 10));
            std::vector<uint8_t> png = Png_EncodeRGBA(w, h, rgba.data());
            if (i == kBad) damage.apply(png);
            pages.push_back(CTexturePageImage{uint32_t(block.size()), uint32_t(png.size())});
            block.insert(block.end(), png.begin(), png.end());
        }
        data_ = CGameData(std::move(block));
        res_.texturePages.pages = pages;
        ASSERT_TRUE(Console().SetTarget(log));
        EXPECT_FALSE(Texture_PreparePages());
        Console().SetTarget("");
        EXPECT_EQ(Read(log), "Texture page 13 could not be made a texture\n");
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
            EXPECT_EQ(e->texture->width, 64) << "page " << i;
        }
    }
    std::filesystem::remove(log);
}

// The pixels of a page are decoded and uploaded when it is first drawn, not at load. A
// page whose compressed data turns out damaged then draws nothing, says so in the log
// once and leaves everything else drawing as before; its id and size stay as they were.
TEST_F(ShapesTest, PagesAreMadeOnFirstUseAndADamagedOneDrawsNothing) {
    std::vector<uint8_t> block(16, 0);
    std::vector<CTexturePageImage> pages;
    for (int i = 0; i < 3; ++i) {
        const int w = 70 + i, h = 20;
        const std::vector<uint8_t> rgba(size_t(w) * size_t(h) * 4, uint8_t(100 + i));
        std::vector<uint8_t> png = Png_EncodeRGBA(w, h, rgba.data());
        if (i == 1) {
            // The image data made a deflate block of the reserved type, its CRC kept right,
            // so the header and the chunk layout still read well.
            const size_t at = FindChunk(png, "IDAT");
            ASSERT_NE(at, 0u);
            const uint32_t length = Be32(png.data() + at);
            ASSERT_GT(length, 2u);
            std::fill(png.begin() + std::ptrdiff_t(at + 8 + 2), png.begin() + std::ptrdiff_t(at + 8 + length), 0xFF);
            const uint32_t crc = uint32_t(crc32(0, png.data() + at + 4, 4 + length));
            for (int k = 0; k < 4; ++k) png[at + 8 + length + size_t(k)] = uint8_t(crc >> (24 - 8 * k));
        }
        pages.push_back(CTexturePageImage{uint32_t(block.size()), uint32_t(png.size())});
        block.insert(block.end(), png.begin(), png.end());
    }
    data_ = CGameData(std::move(block));
    res_.texturePages.pages = pages;
    const BackendTexture before = rec_->Created();
    const int uploadsBefore = rec_->uploads;
    ASSERT_TRUE(Texture_PreparePages());
    EXPECT_EQ(rec_->Created(), before);
    EXPECT_EQ(rec_->uploads, uploadsBefore);
    for (int i = 0; i < 3; ++i) {
        ASSERT_GE(Texture_PageId(i), 0);
        EXPECT_DOUBLE_EQ(Texture_UsedWidth(Texture_PageId(i)), (70.0 + i) / 128) << "page " << i;
        EXPECT_DOUBLE_EQ(Texture_UsedHeight(Texture_PageId(i)), 20.0 / 64) << "page " << i;
    }

    const std::string log = LogPath();
    ASSERT_TRUE(Console().SetTarget(log));
    auto draw = [](int page) {
        Primitive_Begin(kPrimLineList, Texture_PageId(page));
        Primitive_Vertex(0, 0, 0xFFFFFFFFu, 0, 0);
        Primitive_Vertex(1, 1, 0xFFFFFFFFu, 1, 1);
        Primitive_End();
    };
    for (int round = 0; round < 2; ++round) {
        rec_->draws.clear();
        for (int page : {2, 1, 0, 1}) draw(page);
        const std::vector<TDraw>& d = Drawn();
        ASSERT_EQ(d.size(), 2u) << "round " << round;
        // Page 2 was made first, then page 0; each once.
        EXPECT_EQ(d[0].texture, before + 1);
        EXPECT_EQ(d[1].texture, before + 2);
    }
    Console().SetTarget("");
    EXPECT_EQ(rec_->Created(), before + 2);
    EXPECT_EQ(rec_->uploads, uploadsBefore + 2);
    EXPECT_EQ(Read(log), "Texture page 1 could not be made a texture\n");
    EXPECT_TRUE(Texture_Exists(Texture_PageId(1)));
    EXPECT_DOUBLE_EQ(Texture_UsedWidth(Texture_PageId(1)), 71.0 / 128);
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    EXPECT_FALSE(Texture_ReadPixels(Texture_PageId(1), pixels, w, h));
    EXPECT_TRUE(Texture_ReadPixels(Texture_PageId(0), pixels, w, h));
    EXPECT_EQ(w, 70);
    std::filesystem::remove(log);
}

}  // namespace
