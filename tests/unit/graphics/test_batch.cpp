// The vertex batcher on a recording backend: which requests share one draw call, which
// break it, and that every state change, frame end and read-back draws what is pending
// before it acts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "gl/gl_backend.h"
#include "graphics/graphics.h"
#include "graphics/render_backend.h"
#include "graphics/texture_record.h"
#include "platform/window.h"

namespace {

enum class Op {
    CreateTexture,
    FreeTexture,
    SetTarget,
    SetViewport,
    SetTransform,
    SetRenderState,
    SetSampler,
    SetTextureBlending,
    SetTexture,
    SetLight,
    SetAmbient,
    Clear,
    Draw,
    ReadPixels,
    Blit,
    Present
};

struct Call {
    Call(Op o, int x = 0, int y = 0, int z = 0) : op(o), a(x), b(y), c(z) {}
    Op op;
    int a = 0, b = 0, c = 0;
    // Draw: the first float of every vertex, the texture bound, the target and the
    // stage-0 address modes (true: clamp) at the time of the call.
    std::vector<float> xs;
    BackendTexture texture = 0, target = 0;
    bool clampU = false, clampV = false;
};

// Carries out nothing; writes down every call with the state it was made in.
class TRecorder final : public IRenderBackend {
public:
    std::vector<Call> log;

    BackendTexture CreateTexture(int width, int height, bool) override {
        log.push_back({Op::CreateTexture, width, height});
        return ++lastHandle_;
    }
    bool UploadTexture(BackendTexture, int, int, int, int, const uint32_t*) override { return true; }
    void FreeTexture(BackendTexture t) override { log.push_back({Op::FreeTexture, int(t)}); }
    bool ReadTexture(BackendTexture, int, int, int w, int h, std::vector<uint32_t>& out) override {
        out.assign(size_t(w) * size_t(h), 0);
        return true;
    }
    void SetTarget(BackendTexture target, int w, int h) override {
        target_ = target;
        log.push_back({Op::SetTarget, int(target), w, h});
    }
    void SetViewport(int x, int y, int w, int) override { log.push_back({Op::SetViewport, x, y, w}); }
    void SetTransform(int which, const float*) override { log.push_back({Op::SetTransform, which}); }
    void SetRenderState(int id, uint32_t value) override { log.push_back({Op::SetRenderState, id, int(value)}); }
    void SetSamplerState(int stage, int kind, bool flag) override {
        if (stage == 0 && kind >= 0 && kind < 4) sampler_[kind] = flag;
        log.push_back({Op::SetSampler, stage, kind, flag});
    }
    void SetTextureBlending(bool on) override { log.push_back({Op::SetTextureBlending, on}); }
    void SetTexture(int stage, BackendTexture t) override {
        if (stage == 0) bound_ = t;
        log.push_back({Op::SetTexture, stage, int(t)});
    }
    void SetLight(int index, const CLight&) override { log.push_back({Op::SetLight, index}); }
    void SetAmbient(uint32_t) override { log.push_back({Op::SetAmbient}); }
    void Clear(uint32_t argb, float, uint32_t, int flags) override { log.push_back({Op::Clear, int(argb), flags}); }
    void Draw(int primitive, int vertexSize, const void* vertices, int count) override {
        Call c{Op::Draw, primitive, vertexSize, count};
        const auto* bytes = static_cast<const uint8_t*>(vertices);
        c.xs.resize(size_t(count));
        for (int i = 0; i < count; ++i) std::memcpy(&c.xs[size_t(i)], bytes + size_t(i) * size_t(vertexSize), 4);
        c.texture = bound_;
        c.target = target_;
        c.clampU = sampler_[2];
        c.clampV = sampler_[3];
        log.push_back(std::move(c));
    }
    bool ReadPixels(int x, int y, int w, int h, std::vector<uint32_t>& out) override {
        log.push_back({Op::ReadPixels, x, y, w});
        out.assign(size_t(w) * size_t(h), 0xFF000000u);
        return true;
    }
    void BlitToWindow(BackendTexture surface, int, int, const CBackendRect&, uint32_t, bool) override {
        log.push_back({Op::Blit, int(surface)});
    }
    bool ReadWindow(std::vector<uint32_t>& out, int& w, int& h) override {
        w = h = 1;
        out.assign(1, 0);
        return true;
    }
    bool Present() override {
        log.push_back({Op::Present});
        return true;
    }
    void SetVSync(bool) override {}
    void WindowSize(int& w, int& h) override { w = 64, h = 48; }
    std::string Describe() override { return "recorder"; }

private:
    BackendTexture lastHandle_ = 0, bound_ = 0, target_ = 0;
    bool sampler_[4] = {};
};

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto recorder = std::make_unique<TRecorder>();
        rec_ = recorder.get();
        ASSERT_TRUE(Graphics_InitWithBackend(std::move(recorder), 64, 48, 0));
        texA_ = Texture_Create(64, 64, 1, false, kTexFormatARGB8888);
        texB_ = Texture_Create(64, 64, 1, false, kTexFormatARGB8888);
        ASSERT_TRUE(texA_ && texB_);
        Graphics_ResetCounters();
        rec_->log.clear();
        next_ = 0;
    }
    void TearDown() override { Graphics_Shutdown(); }

    Texture* Tex(int which) const { return which == 1 ? texA_ : which == 2 ? texB_ : nullptr; }
    BackendTexture Handle(int which) const { return Tex(which) ? Tex(which)->handle : 0; }

    // Asks for n vertices and numbers them: the first float of each is its position in
    // the order of requests, so every draw can be checked for what it carries.
    bool Put(int primitive, int tex, int size, int n) {
        auto* p = static_cast<uint8_t*>(Graphics_AllocVerts(primitive, Tex(tex), size, n));
        if (!p) return false;
        for (int i = 0; i < n; ++i) {
            const float x = float(next_++);
            std::memcpy(p + size_t(i) * size_t(size), &x, 4);
        }
        return true;
    }

    std::vector<const Call*> Draws() const {
        std::vector<const Call*> out;
        for (const Call& c : rec_->log)
            if (c.op == Op::Draw) out.push_back(&c);
        return out;
    }
    // Position in the log of the first call of that kind at or after `from`; -1 if none.
    int Find(Op op, size_t from = 0) const {
        for (size_t i = from; i < rec_->log.size(); ++i)
            if (rec_->log[i].op == op) return int(i);
        return -1;
    }

    TRecorder* rec_ = nullptr;
    Texture* texA_ = nullptr;
    Texture* texB_ = nullptr;
    int next_ = 0;
};

// --- which requests share a draw call ----------------------------------------------------

struct Request {
    int primitive, tex, size, count, repeat = 1;
};
struct ExpectedDraw {
    int primitive, tex, size, count;
};
struct BatchCase {
    const char* name;
    std::vector<Request> requests;
    std::vector<ExpectedDraw> draws;
};

constexpr int P = kPrimPointList, L = kPrimLineList, LS = kPrimLineStrip, T = kPrimTriangleList,
              TS = kPrimTriangleStrip, TF = kPrimTriangleFan;
constexpr int N = kBatchVertices;

const BatchCase kBatchCases[] = {
    // Lists of the same type, texture and vertex size merge.
    {"points merge", {{P, 0, 16, 1, 3}}, {{P, 0, 16, 3}}},
    {"lines merge", {{L, 0, 16, 2, 3}}, {{L, 0, 16, 6}}},
    {"textured quads merge", {{T, 1, 24, 6, 4}}, {{T, 1, 24, 24}}},
    {"36-byte triangles merge", {{T, 2, 36, 3, 2}}, {{T, 2, 36, 6}}},
    // A change of type, texture or vertex size breaks the batch, in request order.
    {"type change", {{T, 0, 16, 3}, {L, 0, 16, 2}, {T, 0, 16, 3}}, {{T, 0, 16, 3}, {L, 0, 16, 2}, {T, 0, 16, 3}}},
    {"texture change", {{T, 1, 24, 6}, {T, 2, 24, 6}, {T, 1, 24, 6}}, {{T, 1, 24, 6}, {T, 2, 24, 6}, {T, 1, 24, 6}}},
    {"texture to none", {{T, 1, 24, 6}, {T, 0, 24, 6}}, {{T, 1, 24, 6}, {T, 0, 24, 6}}},
    {"vertex size change",
     {{T, 0, 16, 3}, {T, 0, 24, 3}, {T, 0, 36, 3}},
     {{T, 0, 16, 3}, {T, 0, 24, 3}, {T, 0, 36, 3}}},
    // Strips and fans are never joined with what follows, even when all else is equal.
    {"line strips", {{LS, 0, 16, 4, 2}}, {{LS, 0, 16, 4}, {LS, 0, 16, 4}}},
    {"triangle strips", {{TS, 1, 24, 4, 2}}, {{TS, 1, 24, 4}, {TS, 1, 24, 4}}},
    {"triangle fans", {{TF, 0, 16, 4, 3}}, {{TF, 0, 16, 4}, {TF, 0, 16, 4}, {TF, 0, 16, 4}}},
    {"list, fan, list", {{T, 0, 16, 3}, {TF, 0, 16, 4}, {T, 0, 16, 3}}, {{T, 0, 16, 3}, {TF, 0, 16, 4}, {T, 0, 16, 3}}},
    // Overflow: the batch holds exactly kBatchVertices.
    {"points overflow", {{P, 0, 16, 1, N + 1}}, {{P, 0, 16, N}, {P, 0, 16, 1}}},
    {"quads overflow", {{T, 1, 24, 6, N / 6 + 1}}, {{T, 1, 24, N / 6 * 6}, {T, 1, 24, 6}}},
    {"exactly full", {{T, 0, 16, N - 1}, {T, 0, 16, 1}}, {{T, 0, 16, N}}},
    {"one over", {{P, 0, 16, N - 1}, {P, 0, 16, 2}}, {{P, 0, 16, N - 1}, {P, 0, 16, 2}}},
    {"full batch of the largest vertices", {{T, 0, 36, N}}, {{T, 0, 36, N}}},
    // Vertices that make no whole primitive are not drawn, but wait for the rest.
    {"half a line then the other half", {{L, 0, 16, 1, 2}}, {{L, 0, 16, 2}}},
    {"two vertices of a triangle", {{T, 0, 16, 2}}, {}},
    {"one vertex of a strip", {{LS, 0, 16, 1}}, {}},
};

TEST_F(BatchTest, RequestsMergeOrBreakAsTheRulesSay) {
    for (const BatchCase& c : kBatchCases) {
        SCOPED_TRACE(c.name);
        rec_->log.clear();
        next_ = 0;
        for (const Request& r : c.requests)
            for (int i = 0; i < r.repeat; ++i) ASSERT_TRUE(Put(r.primitive, r.tex, r.size, r.count));
        Graphics_Flush();
        const std::vector<const Call*> draws = Draws();
        ASSERT_EQ(draws.size(), c.draws.size());
        int first = 0;
        for (size_t i = 0; i < draws.size(); ++i) {
            const Call& d = *draws[i];
            const ExpectedDraw& e = c.draws[i];
            EXPECT_EQ(d.a, e.primitive) << "draw " << i;
            EXPECT_EQ(d.b, e.size) << "draw " << i;
            ASSERT_EQ(d.c, e.count) << "draw " << i;
            EXPECT_EQ(d.texture, Handle(e.tex)) << "draw " << i;
            // Each draw carries the next vertices in request order, none lost or doubled.
            for (int k = 0; k < d.c; ++k)
                ASSERT_EQ(d.xs[size_t(k)], float(first + k)) << "draw " << i << " vertex " << k;
            first += d.c;
        }
        // Nothing is left pending.
        const size_t before = rec_->log.size();
        Graphics_Flush();
        EXPECT_EQ(rec_->log.size(), before);
    }
}

TEST_F(BatchTest, RequestsOutsideTheBatchAreRefused) {
    EXPECT_EQ(Graphics_AllocVerts(T, nullptr, 16, 0), nullptr);
    EXPECT_EQ(Graphics_AllocVerts(T, nullptr, 16, N + 1), nullptr);
    EXPECT_EQ(Graphics_AllocVerts(T, nullptr, 20, 3), nullptr);
    EXPECT_EQ(Graphics_AllocVerts(0, nullptr, 16, 3), nullptr);
    EXPECT_EQ(Graphics_AllocVerts(7, nullptr, 16, 3), nullptr);
    // A refused request leaves what is pending alone.
    ASSERT_TRUE(Put(T, 0, 16, 3));
    EXPECT_EQ(Graphics_AllocVerts(T, nullptr, 16, N + 1), nullptr);
    ASSERT_TRUE(Put(T, 0, 16, 3));
    Graphics_Flush();
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0]->c, 6);
}

TEST_F(BatchTest, ReturnedVerticesAreNotDrawnAndTheNextRequestFollowsOn) {
    ASSERT_TRUE(Put(P, 0, 16, 2));  // 0, 1
    ASSERT_TRUE(Put(P, 0, 16, 3));  // 2, 3, 4: give two back
    Graphics_ReturnVerts(2);
    auto* v = static_cast<VertexPC*>(Graphics_AllocVerts(P, nullptr, 16, 1));
    ASSERT_NE(v, nullptr);
    v->x = 99;
    // Giving back more than the last request had only gives back that request.
    ASSERT_TRUE(Put(P, 0, 16, 2));
    Graphics_ReturnVerts(10);
    Graphics_Flush();
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->xs, (std::vector<float>{0, 1, 2, 99}));
}

// Quads batch with quads of the same texture and vertex size only; a backend without
// its own quad drawing gets each quad as the triangles 0 1 2 and 2 3 0.
TEST_F(BatchTest, QuadsBatchTogetherAndReachTheDeviceAsTwoTrianglesEach) {
    auto putQuads = [&](int tex, int size, int quads) {
        auto* p = static_cast<uint8_t*>(Graphics_AllocQuads(Tex(tex), size, quads));
        if (!p) return false;
        for (int i = 0; i < quads * 4; ++i) {
            const float x = float(next_++);
            std::memcpy(p + size_t(i) * size_t(size), &x, 4);
        }
        return true;
    };
    struct QuadCase {
        const char* name;
        std::function<bool()> requests;
        // Per draw: primitive, texture, the first float of every vertex.
        std::vector<std::tuple<int, int, std::vector<float>>> draws;
    };
    const QuadCase cases[] = {
        {"two requests, one draw",
         [&] { return putQuads(1, 24, 1) && putQuads(1, 24, 1); },
         {{T, 1, {0, 1, 2, 2, 3, 0, 4, 5, 6, 6, 7, 4}}}},
        {"texture change",
         [&] { return putQuads(1, 24, 1) && putQuads(2, 24, 1); },
         {{T, 1, {0, 1, 2, 2, 3, 0}}, {T, 2, {4, 5, 6, 6, 7, 4}}}},
        {"a triangle list of the same texture is not joined",
         [&] { return Put(T, 1, 24, 3) && putQuads(1, 24, 1) && Put(T, 1, 24, 3); },
         {{T, 1, {0, 1, 2}}, {T, 1, {3, 4, 5, 5, 6, 3}}, {T, 1, {7, 8, 9}}}},
        {"a returned quad is not drawn",
         [&] {
             if (!putQuads(0, 16, 3)) return false;
             Graphics_ReturnVerts(4);
             return true;
         },
         {{T, 0, {0, 1, 2, 2, 3, 0, 4, 5, 6, 6, 7, 4}}}},
    };
    for (const QuadCase& c : cases) {
        SCOPED_TRACE(c.name);
        rec_->log.clear();
        next_ = 0;
        ASSERT_TRUE(c.requests());
        Graphics_Flush();
        const auto draws = Draws();
        ASSERT_EQ(draws.size(), c.draws.size());
        for (size_t i = 0; i < draws.size(); ++i) {
            EXPECT_EQ(draws[i]->a, std::get<0>(c.draws[i])) << "draw " << i;
            EXPECT_EQ(draws[i]->texture, Handle(std::get<1>(c.draws[i]))) << "draw " << i;
            EXPECT_EQ(draws[i]->xs, std::get<2>(c.draws[i])) << "draw " << i;
        }
    }
    // A batch holds N / 4 quads; more is refused, as is none.
    EXPECT_EQ(Graphics_AllocQuads(nullptr, 16, 0), nullptr);
    EXPECT_EQ(Graphics_AllocQuads(nullptr, 16, N / 4 + 1), nullptr);
    rec_->log.clear();
    Graphics_ResetCounters();
    ASSERT_NE(Graphics_AllocQuads(nullptr, 16, N / 4), nullptr);
    ASSERT_NE(Graphics_AllocQuads(nullptr, 16, 1), nullptr);
    Graphics_Flush();
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[0]->c, N / 4 * 6);
    EXPECT_EQ(Graphics_Counters().triangles, int64_t(N / 4 + 1) * 2);
}

// --- what flushes first -----------------------------------------------------------------

TEST_F(BatchTest, EveryDrawingStateChangeDrawsThePendingBatchFirst) {
    Texture* surface = Texture_Create(32, 32, 1, true, kTexFormatARGB8888);
    ASSERT_NE(surface, nullptr);
    const float shifted[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 5, 0, 1};
    struct Change {
        const char* name;
        std::function<void()> apply;
    };
    const Change changes[] = {
        {"blend mode", [] { Graphics_SetBlendMode(1); }},
        {"blend factors", [] { Graphics_SetBlendFactors(2, 1); }},
        {"alpha blending", [] { Graphics_SetAlphaBlend(false); }},
        {"interpolation", [] { Graphics_SetInterpolation(true); }},
        {"texture repeat", [] { Graphics_SetTextureRepeat(true); }},
        {"texture blending", [] { Graphics_SetTextureBlending(false); }},
        {"culling", [] { Graphics_SetCulling(true); }},
        {"lighting", [] { Graphics_SetLighting(true); }},
        {"shading", [] { Graphics_SetShading(false); }},
        {"fog", [] { Graphics_SetFog(true, 0x00FF00, 10, 100); }},
        {"3-D mode", [] { Graphics_Set3DMode(true); }},
        {"render state", [] { Graphics_SetRenderState(kRsZEnable, Graphics_RenderState(kRsZEnable) ? 0 : 1); }},
        {"sampler state", [] { Graphics_SetSamplerState(1, 0, true); }},  // never set: goes through
        {"world transform", [&] { Graphics_SetTransform(2, shifted); }},
        {"view", [] { Graphics_SetView(10, 10, 100, 100, 30); }},
        {"port", [] { Graphics_SetPort(0, 0, 32, 32); }},
        {"light", [] { Graphics_SetLight(0, CLight{}); }},
        {"ambient", [] { Graphics_SetAmbient(0x808080); }},
        {"clear", [] { Graphics_Clear(0xFF0000FF, 1, 0, 1); }},
        {"push target", [&] { Graphics_PushTarget(surface); }},
        {"pop target", [] { Graphics_PopTarget(); }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Put(T, 0, 16, 3));
        ASSERT_TRUE(Put(T, 0, 16, 3));
        const size_t mark = rec_->log.size();
        c.apply();
        // The pending triangles are the very next thing the device sees.
        ASSERT_GT(rec_->log.size(), mark);
        EXPECT_EQ(rec_->log[mark].op, Op::Draw);
        EXPECT_EQ(rec_->log[mark].c, 6);
        EXPECT_EQ(Find(Op::Draw, mark + 1), -1);
    }
}

TEST_F(BatchTest, ColourAlphaDepthAndUnchangedStatesKeepTheBatch) {
    const float* world = Graphics_GetTransform(2);
    float same[16];
    std::memcpy(same, world, sizeof same);
    const std::function<void()> keep[] = {
        [] { Graphics_SetColour(0x0000FF); },
        [] { Graphics_SetAlpha(0.5); },
        [] { Graphics_SetDepth(-100); },
        [] { Graphics_SetRenderState(kRsZEnable, Graphics_RenderState(kRsZEnable)); },
        [] { Graphics_SetSamplerState(0, 0, true); },  // point filtering already
        [&] { Graphics_SetTransform(2, same); },
    };
    ASSERT_TRUE(Put(T, 1, 24, 6));
    for (const auto& k : keep) {
        k();
        ASSERT_TRUE(Put(T, 1, 24, 6));
    }
    EXPECT_EQ(Find(Op::Draw), -1);
    Graphics_Flush();
    ASSERT_EQ(Draws().size(), 1u);
    EXPECT_EQ(Draws()[0]->c, 6 * 7);
}

TEST_F(BatchTest, FlushBindsTheTextureAndAddressModesFromTheRepeatFlag) {
    ASSERT_TRUE(Put(T, 1, 24, 6));
    Graphics_Flush();
    Graphics_SetTextureRepeat(true);
    ASSERT_TRUE(Put(T, 2, 24, 6));
    Graphics_Flush();
    Graphics_SetTextureRepeat(false);
    ASSERT_TRUE(Put(T, 0, 16, 3));
    Graphics_Flush();
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0]->texture, texA_->handle);
    EXPECT_TRUE(draws[0]->clampU && draws[0]->clampV);
    EXPECT_EQ(draws[1]->texture, texB_->handle);
    EXPECT_FALSE(draws[1]->clampU || draws[1]->clampV);
    // No texture: stage 0 is emptied, and the address modes are left as they were.
    EXPECT_EQ(draws[2]->texture, 0u);
    EXPECT_FALSE(draws[2]->clampU || draws[2]->clampV);
}

TEST_F(BatchTest, EndOfFrameAndReadingBackDrawWhatIsPending) {
    Graphics_BeginFrame();
    ASSERT_TRUE(Put(T, 1, 24, 6));
    Graphics_EndFrame(true);
    int draw = Find(Op::Draw), blit = Find(Op::Blit);
    ASSERT_GE(draw, 0);
    ASSERT_GE(blit, 0);
    EXPECT_LT(draw, blit);
    EXPECT_NE(rec_->log[size_t(draw)].target, 0u);  // into the application surface
    EXPECT_LT(blit, Find(Op::Present));

    // The next frame starts with an empty batch: nothing from the last one is drawn again.
    rec_->log.clear();
    Graphics_BeginFrame();
    Graphics_EndFrame(false);
    EXPECT_EQ(Find(Op::Draw), -1);

    std::filesystem::create_directories(ZORVEX_TEST_TMP);
    struct Reader {
        const char* name;
        std::function<void()> read;
    };
    const Reader readers[] = {
        {"read screen",
         [] {
             int w, h;
             Graphics_ReadScreen(0, 0, 4, 4, w, h);
         }},
        {"get pixel", [] { Graphics_GetPixel(1, 1); }},
        {"save bmp", [] { Graphics_SaveBmp(std::string(ZORVEX_TEST_TMP) + "/batch_flush.bmp", 0, 0, 2, 2); }},
    };
    for (const Reader& r : readers) {
        SCOPED_TRACE(r.name);
        rec_->log.clear();
        Graphics_BeginFrame();
        ASSERT_TRUE(Put(T, 0, 16, 3));
        r.read();
        draw = Find(Op::Draw);
        const int read = Find(Op::ReadPixels);
        ASSERT_GE(draw, 0);
        ASSERT_GE(read, 0);
        EXPECT_LT(draw, read);
        Graphics_EndFrame(false);
    }
}

TEST_F(BatchTest, FreeingAPendingTextureDrawsItFirst) {
    ASSERT_TRUE(Put(T, 1, 24, 6));
    const BackendTexture handle = texA_->handle;
    Texture_Free(texA_);
    texA_ = nullptr;
    const int draw = Find(Op::Draw), freed = Find(Op::FreeTexture);
    ASSERT_GE(draw, 0);
    ASSERT_GE(freed, 0);
    EXPECT_LT(draw, freed);
    EXPECT_EQ(rec_->log[size_t(draw)].texture, handle);
    // A new request with no texture is a batch of its own, not the freed one's.
    ASSERT_TRUE(Put(T, 0, 24, 6));
    Graphics_Flush();
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_EQ(Draws()[1]->texture, 0u);
}

// --- the layer's own primitives and the counters -----------------------------------------

TEST_F(BatchTest, PrimitivesBatchAsTheirTypesAllow) {
    struct Case {
        const char* name;
        std::function<void()> draw;
        int primitive, draws, verticesEach;
    };
    const Case cases[] = {
        {"points",
         [] {
             for (int i = 0; i < 3; ++i) Graphics_DrawPoint(float(i), 0);
         },
         P, 1, 3},
        {"lines",
         [] {
             Graphics_DrawLine(0, 0, 5, 5);
             Graphics_DrawLine(1, 0, 6, 5);
         },
         L, 1, 4},
        {"filled triangles",
         [] {
             for (int i = 0; i < 2; ++i) Graphics_DrawTriangle(0, 0, 5, 0, 0, 5, false);
         },
         T, 1, 6},
        {"outlined triangles",
         [] {
             for (int i = 0; i < 2; ++i) Graphics_DrawTriangle(0, 0, 5, 0, 0, 5, true);
         },
         LS, 2, 4},
        {"thick lines",
         [] {
             for (int i = 0; i < 2; ++i) Graphics_DrawLineWidth(0, 0, 10, 0, 3);
         },
         TF, 2, 4},
        {"a thick line of no length", [] { Graphics_DrawLineWidth(4, 4, 4, 4, 3); }, TF, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rec_->log.clear();
        c.draw();
        Graphics_Flush();
        const auto draws = Draws();
        ASSERT_EQ(int(draws.size()), c.draws);
        for (const Call* d : draws) {
            EXPECT_EQ(d->a, c.primitive);
            EXPECT_EQ(d->b, 16);
            EXPECT_EQ(d->c, c.verticesEach);
        }
    }

    // More points than the batch holds: a full batch, then the rest.
    rec_->log.clear();
    for (int i = 0; i < N + 5; ++i) Graphics_DrawPoint(float(i % 64), float(i / 64 % 48));
    Graphics_Flush();
    const auto draws = Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->c, N);
    EXPECT_EQ(draws[1]->c, 5);
}

TEST_F(BatchTest, CountersCountDrawCallsTrianglesAndVertices) {
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(Put(T, 1, 24, 6));  // one call, 20 triangles
    ASSERT_TRUE(Put(TF, 1, 24, 5));                              // one call, 3 triangles
    ASSERT_TRUE(Put(L, 0, 16, 4));                               // one call, no triangles
    ASSERT_TRUE(Put(T, 0, 16, 2));                               // no whole triangle: no call
    Graphics_Flush();
    const CGraphicsCounters c = Graphics_Counters();
    EXPECT_EQ(c.drawCalls, 3);
    EXPECT_EQ(c.triangles, 23);
    EXPECT_EQ(c.vertices, 60 + 5 + 4);
    EXPECT_EQ(c.drawCalls, int64_t(Draws().size()));
    Graphics_ResetCounters();
    EXPECT_EQ(Graphics_Counters().drawCalls, 0);
}

// --- on the real device --------------------------------------------------------------------

// Many separate draws of mixed vertex sizes, with full batches of the largest vertices
// between them (more vertex data in one frame than the device's vertex stream holds):
// every draw must show exactly its own vertices.
TEST(BatchOnDevice, EveryDrawShowsItsOwnVertices) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_TRUE(Platform_Init(true));
    {
        constexpr int kW = 8, kH = 4;
        TWindow window;
        ASSERT_TRUE(window.Create(kW, kH, 0));
        GLBackend_Install();
        if (!Graphics_Init(window, kW, kH, 0)) {
            Platform_Shutdown();
            // Every test machine has a GL (a software one headless): no device is a fault.
            FAIL() << "no GL device: " << Graphics_LastError();
        }
        auto colourOf = [](int x, int y) {
            return 0xFF000000u | uint32_t(40 + x * 25) << 16 | uint32_t(60 + y * 50) << 8 | uint32_t(x * 8 + y);
        };
        Graphics_BeginFrame();
        Graphics_Clear(0xFF000000u, 1, 0, 7);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int i = y * kW + x;
                if (i % 6 == 0) {
                    // Off-screen filler: a full batch of 36-byte vertices.
                    auto* f = static_cast<VertexPNCT*>(Graphics_AllocVerts(T, nullptr, 36, N));
                    ASSERT_NE(f, nullptr);
                    for (int k = 0; k < N; ++k)
                        f[k] = VertexPNCT{-50.0f - float(k % 3), -50, 0, 0, 0, 0, 0xFFFFFFFFu, 0, 0};
                    Graphics_Flush();
                }
                // One pixel as two triangles, alternately of 16- and 24-byte vertices.
                const float x0 = float(x), y0 = float(y), x1 = x0 + 1, y1 = y0 + 1;
                const float xs[6] = {x0, x1, x1, x1, x0, x0}, ys[6] = {y0, y0, y1, y1, y1, y0};
                const uint32_t c = colourOf(x, y);
                if (i % 2 == 0) {
                    auto* v = static_cast<VertexPC*>(Graphics_AllocVerts(T, nullptr, 16, 6));
                    ASSERT_NE(v, nullptr);
                    for (int k = 0; k < 6; ++k) v[k] = VertexPC{xs[k], ys[k], 0, c};
                } else {
                    auto* v = static_cast<VertexPCT*>(Graphics_AllocVerts(T, nullptr, 24, 6));
                    ASSERT_NE(v, nullptr);
                    for (int k = 0; k < 6; ++k) v[k] = VertexPCT{xs[k], ys[k], 0, c, 0, 0};
                }
                Graphics_Flush();
            }
        EXPECT_GE(Graphics_Counters().vertices, int64_t(6) * N);
        int w = 0, h = 0;
        const std::vector<uint32_t> picture = Graphics_ReadScreen(0, 0, kW, kH, w, h);
        ASSERT_EQ(w, kW);
        ASSERT_EQ(h, kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) EXPECT_EQ(picture[size_t(y * kW + x)], colourOf(x, y)) << x << "," << y;
        Graphics_EndFrame(false);
        Graphics_Shutdown();
    }
    Platform_Shutdown();
}

// Quads on the real device, each one pixel, between full batches of other vertices (so
// that the device's vertex stream starts over in between) and triangle draws: every
// quad must show its own colour at its own place.
TEST(BatchOnDevice, QuadsShowTheirOwnVertices) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_TRUE(Platform_Init(true));
    {
        constexpr int kW = 8, kH = 4;
        TWindow window;
        ASSERT_TRUE(window.Create(kW, kH, 0));
        GLBackend_Install();
        if (!Graphics_Init(window, kW, kH, 0)) {
            Platform_Shutdown();
            FAIL() << "no GL device: " << Graphics_LastError();
        }
        auto colourOf = [](int x, int y) {
            return 0xFF000000u | uint32_t(30 + x * 27) << 16 | uint32_t(200 - y * 45) << 8 | uint32_t(x * 9 + y * 3);
        };
        Graphics_BeginFrame();
        Graphics_Clear(0xFF000000u, 1, 0, 7);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const int i = y * kW + x;
                if (i % 5 == 0) {
                    auto* f = static_cast<VertexPNCT*>(Graphics_AllocVerts(T, nullptr, 36, N - i));
                    ASSERT_NE(f, nullptr);
                    for (int k = 0; k < N - i; ++k)
                        f[k] = VertexPNCT{-50.0f - float(k % 3), -50, 0, 0, 0, 0, 0xFFFFFFFFu, 0, 0};
                    Graphics_Flush();
                }
                const float x0 = float(x), y0 = float(y), x1 = x0 + 1, y1 = y0 + 1;
                const uint32_t c = colourOf(x, y);
                if (i % 3 == 2) {
                    auto* v = static_cast<VertexPC*>(Graphics_AllocVerts(T, nullptr, 16, 6));
                    ASSERT_NE(v, nullptr);
                    const float xs[6] = {x0, x1, x1, x1, x0, x0}, ys[6] = {y0, y0, y1, y1, y1, y0};
                    for (int k = 0; k < 6; ++k) v[k] = VertexPC{xs[k], ys[k], 0, c};
                } else {
                    // Some quads share a draw with the one before, some start their own.
                    auto* v = static_cast<VertexPCT*>(Graphics_AllocQuads(nullptr, 24, 1));
                    ASSERT_NE(v, nullptr);
                    const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
                    for (int k = 0; k < 4; ++k) v[k] = VertexPCT{xs[k], ys[k], 0, c, 0, 0};
                }
            }
        int w = 0, h = 0;
        const std::vector<uint32_t> picture = Graphics_ReadScreen(0, 0, kW, kH, w, h);
        ASSERT_EQ(w, kW);
        ASSERT_EQ(h, kH);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) EXPECT_EQ(picture[size_t(y * kW + x)], colourOf(x, y)) << x << "," << y;
        Graphics_EndFrame(false);
        Graphics_Shutdown();
    }
    Platform_Shutdown();
}

}  // namespace
