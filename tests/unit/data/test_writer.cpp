// Layout rules of the data file writer, checked on the raw bytes it produces.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "graphics/png.h"
#include "writer/writer.h"

namespace {

struct ChunkAt {
    std::string tag;
    uint32_t body = 0;  // file offset of the body
    uint32_t size = 0;
};

// Bounds-checked reads over a written file; a read outside fails the test.
struct Raw {
    std::vector<uint8_t> d;

    uint32_t U32(size_t o) const {
        if (o + 4 > d.size()) {
            ADD_FAILURE() << "u32 read at " << o << " outside a file of " << d.size();
            return 0;
        }
        return uint32_t(d[o]) | uint32_t(d[o + 1]) << 8 | uint32_t(d[o + 2]) << 16 | uint32_t(d[o + 3]) << 24;
    }
    int32_t I32(size_t o) const { return int32_t(U32(o)); }
    int16_t I16(size_t o) const {
        if (o + 2 > d.size()) {
            ADD_FAILURE() << "i16 read at " << o;
            return 0;
        }
        return int16_t(uint16_t(d[o] | d[o + 1] << 8));
    }
    float F32(size_t o) const {
        uint32_t v = U32(o);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    // A string field: the characters must be preceded by their length and followed by 0.
    std::string Str(uint32_t chars) const {
        if (chars < 4 || chars > d.size()) {
            ADD_FAILURE() << "string offset " << chars << " outside the file";
            return "<bad>";
        }
        uint32_t len = U32(chars - 4);
        if (size_t(chars) + len + 1 > d.size() || d[chars + len] != 0) {
            ADD_FAILURE() << "string at " << chars << " has no length word / terminator";
            return "<bad>";
        }
        return std::string(reinterpret_cast<const char*>(&d[chars]), len);
    }
    // Walks the chunks; the walk must end exactly at the end of the file.
    std::vector<ChunkAt> Chunks() const {
        std::vector<ChunkAt> out;
        size_t p = 8;
        while (p + 8 <= d.size()) {
            ChunkAt c{std::string(reinterpret_cast<const char*>(&d[p]), 4), uint32_t(p + 8), U32(p + 4)};
            out.push_back(c);
            p += 8 + size_t(c.size);
        }
        EXPECT_EQ(p, d.size()) << "chunk walk does not end at the end of the file";
        return out;
    }
    ChunkAt Find(const std::string& tag) const {
        for (const auto& c : Chunks())
            if (c.tag == tag) return c;
        ADD_FAILURE() << "no chunk " << tag;
        return {};
    }
    // Entry i of the pointer list at `list`.
    uint32_t Entry(uint32_t list, uint32_t i) const {
        EXPECT_LT(i, U32(list)) << "pointer list index out of range";
        return U32(list + 4 + 4 * size_t(i));
    }
};

Raw WriteOk(const GameDataDesc& desc) {
    std::string error;
    Raw r{DataFile_Write(desc, &error)};
    EXPECT_FALSE(r.d.empty()) << error;
    EXPECT_TRUE(error.empty()) << error;
    return r;
}

int32_t SignExtend29(uint32_t v) { return int32_t(v << 3) >> 3; }

std::vector<std::string> Tags(const std::vector<ChunkAt>& chunks) {
    std::vector<std::string> t;
    for (const auto& c : chunks) t.push_back(c.tag);
    return t;
}

// Minimal desc with two objects/rooms and one sprite for record-level tests.
GameDataDesc SmallDesc(uint8_t version) {
    GameDataDesc d;
    d.general.version = version;
    WObject o;
    o.name = "obj";
    o.shapePoints = {{1, 2}, {3, 4}};
    o.events.resize(2);
    d.objects = {o};
    WRoom r;
    r.name = "room";
    r.gravityY = 7.5f;
    r.backgrounds = {WRoomBackground{}};
    d.rooms = {r};
    return d;
}

}  // namespace

TEST(DataWriterContainer, SampleWalksToTheEndInDefaultOrder) {
    Raw r = WriteOk(DataFile_SampleGame());
    ASSERT_GE(r.d.size(), 8u);
    EXPECT_EQ(std::string(r.d.begin(), r.d.begin() + 4), "FORM");
    EXPECT_EQ(r.U32(4), r.d.size() - 8);
    std::vector<std::string> expected;
    for (WChunk c : DataFile_DefaultChunkOrder()) expected.push_back(DataFile_ChunkTag(c));
    EXPECT_EQ(Tags(r.Chunks()), expected);
}

TEST(DataWriterContainer, ExtraChunksOmissionsAndOrder) {
    GameDataDesc d = DataFile_SampleGame();
    d.Omit(WChunk::Paths);
    d.extraChunks = {{"ZZZZ", {1, 2, 3}, 0}, {"HELP", {}, 999}};
    // Strings and texture pages first: their offsets must still resolve.
    d.chunkOrder = {WChunk::Strings, WChunk::TexturePages, WChunk::General, WChunk::Options,   WChunk::Sprites,
                    WChunk::Paths,   WChunk::Textures,     WChunk::Code,    WChunk::Variables, WChunk::Functions};
    Raw r = WriteOk(d);
    EXPECT_EQ(r.U32(4), r.d.size() - 8);
    auto chunks = r.Chunks();
    EXPECT_EQ(Tags(chunks), (std::vector<std::string>{"ZZZZ", "STRG", "TPAG", "GEN8", "OPTN", "SPRT", "TXTR", "CODE",
                                                      "VARI", "FUNC", "HELP"}));
    EXPECT_EQ(chunks[0].size, 3u);
    EXPECT_EQ(chunks[1].body, 8u + 8 + 3 + 8);  // no padding between chunks
    EXPECT_EQ(chunks.back().size, 0u);

    const ChunkAt sprt = r.Find("SPRT"), tpag = r.Find("TPAG");
    uint32_t player = r.Entry(sprt.body, 0);
    EXPECT_EQ(r.Str(r.U32(player)), "spr_player");
    // Frame 2 refers to texture-page entry 2: source x 20, width 9.
    uint32_t frame2 = r.U32(player + 60 + 8);
    EXPECT_EQ(frame2, r.Entry(tpag.body, 2));
    EXPECT_EQ(r.I16(frame2), 20);
    EXPECT_EQ(r.I16(frame2 + 4), 9);
    // The options' loading image is an entry offset too (word 26).
    EXPECT_EQ(r.U32(r.Find("OPTN").body + 104), r.Entry(tpag.body, 9));
}

TEST(DataWriterStrings, FieldsPointAtCharactersOfDeduplicatedStrgEntries) {
    GameDataDesc d = DataFile_SampleGame();
    WSprite twin = *d.sprites[0];  // same name as sprite 0
    d.sprites.push_back(twin);
    Raw r = WriteOk(d);
    const ChunkAt strg = r.Find("STRG"), sprt = r.Find("SPRT"), code = r.Find("CODE"), optn = r.Find("OPTN");

    uint32_t name = r.U32(r.Entry(sprt.body, 0));
    EXPECT_EQ(r.Str(name), "spr_player");
    EXPECT_EQ(r.U32(r.Entry(sprt.body, 4)), name) << "equal strings must share one STRG entry";
    std::set<uint32_t> entries;
    for (uint32_t i = 0; i < r.U32(strg.body); ++i) entries.insert(r.Entry(strg.body, i));
    EXPECT_TRUE(entries.count(name - 4)) << "a string field must be its STRG entry + 4";

    // Fixed strings keep their indices, and bytecode pushes them by index.
    EXPECT_EQ(r.Str(r.Entry(strg.body, 0) + 4), "Hello from the sample game");
    uint32_t hello = r.Entry(code.body, 0);
    EXPECT_EQ(r.Str(r.U32(hello)), "scr_hello");
    EXPECT_EQ(r.U32(hello + 8) >> 24, 0xC0u);
    EXPECT_EQ((r.U32(hello + 8) >> 16) & 0xF, 6u);
    EXPECT_EQ(r.U32(hello + 12), 0u);

    // Options' constants are pairs of string fields after the count at 140.
    EXPECT_EQ(r.U32(optn.body + 140), 2u);
    EXPECT_EQ(r.Str(r.U32(optn.body + 144)), "VersionMajor");
    EXPECT_EQ(r.Str(r.U32(optn.body + 148)), "2");
}

TEST(DataWriterPointerLists, EmptySlotsStayZeroAtTheirIndices) {
    Raw r = WriteOk(DataFile_SampleGame());
    struct Case {
        const char* tag;
        uint32_t count;
        uint32_t empty;
    } cases[] = {{"SPRT", 4, 1}, {"SCPT", 3, 1}, {"OBJT", 4, 2}, {"ROOM", 3, 1}, {"CODE", 9, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        uint32_t list = r.Find(c.tag).body;
        ASSERT_EQ(r.U32(list), c.count);
        for (uint32_t i = 0; i < c.count; ++i) {
            if (i == c.empty) EXPECT_EQ(r.Entry(list, i), 0u);
            else EXPECT_NE(r.Entry(list, i), 0u);
        }
    }
}

TEST(DataWriterGeneral, RoomOrderPlacementFollowsTheVersionByte) {
    struct Case {
        uint8_t version;
        uint32_t countAt;
    } cases[] = {{8, 100}, {7, 36}, {5, 36}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.version));
        GameDataDesc d;
        d.general.tag = c.version == 8 ? "GEN8" : "GEN7";
        d.general.version = c.version;
        d.general.windowWidth = 333;
        d.general.roomOrder = {4, 2, 9};
        d.general.fileName = "game";
        Raw r = WriteOk(d);
        const ChunkAt gen = r.Find(d.general.tag);
        EXPECT_EQ(r.d[gen.body + 1], c.version);
        EXPECT_EQ(r.Str(r.U32(gen.body + 4)), "game");
        EXPECT_EQ(r.U32(gen.body + c.countAt), 3u);
        EXPECT_EQ(r.U32(gen.body + c.countAt + 4), 4u);
        EXPECT_EQ(r.U32(gen.body + c.countAt + 12), 9u);
        EXPECT_GE(gen.size, 72u) << "the header pass reads the flags at 68 in every version";
        if (c.version == 8) {
            EXPECT_EQ(r.U32(gen.body + 60), 333u);
        }
    }
    // Below 8 without a room order, the game name keeps its place at 40.
    GameDataDesc d;
    d.general.version = 7;
    d.general.gameName = "Old Game";
    Raw r = WriteOk(d);
    const ChunkAt gen = r.Find("GEN8");
    EXPECT_EQ(r.U32(gen.body + 36), 0u);
    EXPECT_EQ(r.Str(r.U32(gen.body + 40)), "Old Game");
}

TEST(DataWriterRecords, PhysicsFieldsOnlyFromVersion6) {
    for (uint8_t version : {uint8_t(5), uint8_t(6)}) {
        SCOPED_TRACE(int(version));
        Raw r = WriteOk(SmallDesc(version));
        uint32_t obj = r.Entry(r.Find("OBJT").body, 0);
        uint32_t typeCountAt = version >= 6 ? 68 + 2 * 8 : 32;
        EXPECT_EQ(r.U32(obj + typeCountAt), 2u);
        if (version >= 6) {
            EXPECT_EQ(r.U32(obj + 64), 2u);
            EXPECT_EQ(r.F32(obj + 68 + 8), 3.0f);
        }
        uint32_t room = r.Entry(r.Find("ROOM").body, 0);
        // The background list follows the record directly: the record is 56 or 88 bytes.
        EXPECT_EQ(r.U32(room + 40), room + (version >= 6 ? 88u : 56u));
        if (version >= 6) {
            EXPECT_EQ(r.F32(room + 80), 7.5f);
        }
    }
}

TEST(DataWriterSprites, MasksPackRowsMostSignificantBitFirst) {
    GameDataDesc d;
    d.texturePages = {WTexturePageEntry{}};
    WSprite s;
    s.name = "spr";
    s.width = 9, s.height = 2;
    s.frames = {0, -1};
    std::vector<uint8_t> m0 = {1, 0, 0, 0, 0, 0, 0, 0, 1,   // row 0: x 0 and x 8
                               0, 1, 1, 1, 1, 1, 1, 1, 0};  // row 1: x 1..7
    std::vector<uint8_t> m1(18, 0);
    m1[17] = 1;
    s.masks = {m0, m1};
    d.sprites = {s};
    Raw r = WriteOk(d);
    uint32_t rec = r.Entry(r.Find("SPRT").body, 0);
    EXPECT_EQ(r.U32(rec + 56), 2u);
    EXPECT_NE(r.U32(rec + 60), 0u);
    EXPECT_EQ(r.U32(rec + 64), 0u) << "frame -1 is no entry";
    EXPECT_EQ(r.U32(rec + 68), 2u);
    const uint8_t* masks = &r.d[rec + 72];
    EXPECT_EQ(std::vector<uint8_t>(masks, masks + 8),
              (std::vector<uint8_t>{0x80, 0x80, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x80}));

    s.masks = {std::vector<uint8_t>(17, 1)};
    d.sprites = {s};
    std::string error;
    EXPECT_TRUE(DataFile_Write(d, &error).empty());
    EXPECT_NE(error.find("mask"), std::string::npos) << error;
}

namespace {

// Two code entries, each with four variable references in different forms.
struct ChainFixture {
    GameDataDesc d;
    std::vector<WCodeLocation> locs;
    std::vector<uint32_t> topBits;

    ChainFixture() {
        for (int e = 0; e < 2; ++e) {
            WBytecode bc;
            bc.PushInt(1);
            locs.push_back({uint32_t(e), bc.Pop(WType::Int, -1)});
            topBits.push_back(kVarRefSimple);
            locs.push_back({uint32_t(e), bc.PushVariable(-5, kVarRefNoIndex)});
            topBits.push_back(kVarRefNoIndex);
            bc.PushDouble(2.5);
            locs.push_back({uint32_t(e), bc.PushVariable(0, kVarRefInstanceBias | kVarRefImmediateScope)});
            topBits.push_back(kVarRefInstanceBias | kVarRefImmediateScope);
            bc.Exit();
            d.code.push_back(WCodeEntry{"code" + std::to_string(e), bc.Bytes()});
        }
    }
    uint32_t Absolute(const Raw& r, WCodeLocation l) const {
        return r.Entry(r.Find("CODE").body, l.code) + 8 + l.offset;
    }
};

}  // namespace

TEST(DataWriterChains, VariableChainVisitsTheListedInstructionsInOrder) {
    ChainFixture f;
    using Order = std::vector<size_t>;
    for (const Order& order : {Order{0, 1, 2, 3, 4, 5}, Order{5, 4, 3, 2, 1, 0}, Order{3, 0, 5, 1}, Order{2}}) {
        GameDataDesc d = f.d;
        WVariableRef v{"x", {}};
        for (size_t i : order) v.refs.push_back(f.locs[i]);
        d.variables = {WVariableRef{"unused", {}}, v};
        Raw r = WriteOk(d);
        const ChunkAt vari = r.Find("VARI");
        ASSERT_EQ(vari.size, 24u);
        EXPECT_EQ(r.U32(vari.body + 4), 0u);
        EXPECT_EQ(r.Str(r.U32(vari.body + 12)), "x");
        ASSERT_EQ(r.U32(vari.body + 16), order.size());
        uint32_t at = r.U32(vari.body + 20);
        for (size_t k = 0; k < order.size(); ++k) {
            SCOPED_TRACE(k);
            ASSERT_EQ(at, f.Absolute(r, f.locs[order[k]]));
            uint32_t word = r.U32(at + 4);
            EXPECT_EQ(word & 0xE0000000u, f.topBits[order[k]]);
            int32_t dist = SignExtend29(word & 0x1FFFFFFFu);
            if (k + 1 == order.size()) {
                EXPECT_EQ(dist, 0);
            }
            at = uint32_t(int64_t(at) + dist);
        }
    }
}

TEST(DataWriterChains, FunctionChainVisitsEveryCallOnceGoingForward) {
    GameDataDesc d;
    std::vector<WCodeLocation> calls;
    for (int e = 0; e < 2; ++e) {
        WBytecode bc;
        calls.push_back({uint32_t(e), bc.Call(0)});
        bc.Popz(WType::Variable);
        calls.push_back({uint32_t(e), bc.Call(2)});
        bc.Exit();
        d.code.push_back(WCodeEntry{"c", bc.Bytes()});
    }
    d.functions = {WFunctionRef{"f", {calls[3], calls[0], calls[2], calls[1]}}};
    Raw r = WriteOk(d);
    const ChunkAt func = r.Find("FUNC"), code = r.Find("CODE");
    std::set<uint32_t> expected;
    for (const auto& c : calls) expected.insert(r.Entry(code.body, c.code) + 8 + c.offset);

    ASSERT_EQ(r.U32(func.body + 4), 4u);
    std::set<uint32_t> visited;
    uint32_t at = r.U32(func.body + 8);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(r.U32(at) >> 24, 0xDAu);
        visited.insert(at);
        uint32_t dist = r.U32(at + 4);
        if (k == 3) EXPECT_EQ(dist, 0u);
        else EXPECT_GT(dist, 0u);
        at += dist;
    }
    EXPECT_EQ(visited, expected);
}

TEST(DataWriterChains, BadReferencesAreRejected) {
    ChainFixture f;
    struct Case {
        const char* what;
        std::vector<WCodeLocation> refs;
    } cases[] = {
        {"no such entry", {{7, 0}}},
        {"past the end", {{0, uint32_t(f.d.code[0]->bytecode.size() - 4)}}},
        {"not word aligned", {{0, 2}}},
        {"listed twice", {f.locs[0], f.locs[1], f.locs[0]}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GameDataDesc d = f.d;
        d.variables = {WVariableRef{"v", c.refs}};
        std::string error;
        EXPECT_TRUE(DataFile_Write(d, &error).empty());
        EXPECT_FALSE(error.empty());
    }
}

TEST(DataWriterFonts, GlyphsAndTheCodeTableAtTheEndOfTheBody) {
    GameDataDesc d = DataFile_SampleGame();
    for (size_t i = 0; i < 256; ++i) d.fontCodeTable[i] = uint16_t(0x1000 + i * 3);
    WFont second = *d.fonts[0];
    second.glyphs.pop_back();
    d.fonts.push_back(second);
    Raw r = WriteOk(d);
    const ChunkAt font = r.Find("FONT");
    ASSERT_GE(font.size, 512u);
    uint32_t table = font.body + font.size - 512;
    for (uint32_t i = 0; i < 256; ++i) ASSERT_EQ(uint16_t(r.I16(table + 2 * i)), 0x1000 + i * 3) << i;

    uint32_t rec = r.Entry(font.body, 0);
    EXPECT_EQ(r.Str(r.U32(rec + 4)), "DejaVu Sans");
    EXPECT_EQ(r.U32(rec + 20), 32u | 1u << 16 | 3u << 24);
    ASSERT_EQ(r.U32(rec + 40), 4u);
    uint32_t c = r.U32(rec + 44 + 3 * 4);
    EXPECT_EQ(r.I16(c), 67);
    EXPECT_EQ(r.I16(c + 8), 13) << "height is the field at 8";
    EXPECT_EQ(r.I16(c + 12), 1);
    EXPECT_LT(r.Entry(font.body, 1) + 44 + 3 * 4, table);
}

TEST(DataWriterCode, CodeFieldsAreIndicesOrSourceTexts) {
    for (bool hasCode : {true, false}) {
        SCOPED_TRACE(hasCode);
        GameDataDesc d;
        d.hasCode = hasCode;
        d.code = {WCodeEntry{"a", {}}, WCodeEntry{"b", {}}};
        auto code = [&](int32_t i, const char* text) { return hasCode ? WCodeRef::Index(i) : WCodeRef::Source(text); };
        WObject o;
        o.name = "o";
        o.events = {{}, {{3, code(0, "x = 1;")}, {3, code(1, "y = 2;")}}};
        d.objects = {o};
        WRoom room;
        room.name = "r";
        room.creationCode = code(1, "room_code();");
        room.instances = {WRoomInstance{}};
        d.rooms = {room};
        WTimeLine t;
        t.name = "t";
        t.moments = {{5, code(1, "moment();")}};
        d.timeLines = {t};
        Raw r = WriteOk(d);

        auto tags = Tags(r.Chunks());
        EXPECT_EQ(std::count(tags.begin(), tags.end(), "CODE"), hasCode ? 1 : 0);

        // Object: event type 1 holds two records with the same number.
        uint32_t obj = r.Entry(r.Find("OBJT").body, 0);
        ASSERT_EQ(r.U32(obj + 68), 2u);
        uint32_t list = r.U32(obj + 72 + 4);
        ASSERT_EQ(r.U32(list), 2u);
        uint32_t ev = r.Entry(list, 1);
        EXPECT_EQ(r.U32(ev), 3u);
        EXPECT_EQ(r.U32(ev + 4), 1u);
        uint32_t action = r.U32(ev + 8);
        if (hasCode) {
            EXPECT_EQ(r.U32(action + 32), 1u);
            EXPECT_EQ(r.U32(action + 60), 0u);
        } else {
            EXPECT_EQ(r.Str(r.U32(action + 60)), "y = 2;");
        }

        uint32_t rm = r.Entry(r.Find("ROOM").body, 0);
        uint32_t inst = r.Entry(r.U32(rm + 48), 0);
        if (hasCode) {
            EXPECT_EQ(r.U32(rm + 32), 1u);
            EXPECT_EQ(r.U32(inst + 16), 0xFFFFFFFFu);
        } else {
            EXPECT_EQ(r.Str(r.U32(rm + 32)), "room_code();");
            EXPECT_EQ(r.U32(inst + 16), 0u);
        }

        // Time line moment: step, then an action list of count + action offsets.
        uint32_t tl = r.Entry(r.Find("TMLN").body, 0);
        ASSERT_EQ(r.U32(tl + 4), 1u);
        EXPECT_EQ(r.U32(tl + 8), 5u);
        uint32_t actions = r.U32(tl + 12);
        ASSERT_EQ(r.U32(actions), 1u);
        uint32_t mAction = r.U32(actions + 4);
        if (hasCode) EXPECT_EQ(r.U32(mAction + 32), 1u);
        else EXPECT_EQ(r.Str(r.U32(mAction + 60)), "moment();");
    }
}

TEST(DataWriterSample, BytecodeIsWellFormedAndChainsLandOnTheirInstructions) {
    GameDataDesc d = DataFile_SampleGame();
    Raw r = WriteOk(d);
    const ChunkAt code = r.Find("CODE");
    const std::set<uint32_t> known = {0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D,
                                      0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x41, 0x82,
                                      0x9D, 0x9E, 0x9F, 0xB7, 0xB8, 0xB9, 0xBB, 0xBC, 0xC0, 0xDA, 0xFF};
    std::set<uint32_t> instructions;
    for (uint32_t i = 0; i < r.U32(code.body); ++i) {
        uint32_t e = r.Entry(code.body, i);
        if (!e) continue;
        uint32_t len = r.U32(e + 4), pc = 0;
        while (pc < len) {
            uint32_t word = r.U32(e + 8 + pc);
            ASSERT_TRUE(known.count(word >> 24)) << "entry " << i << " pc " << pc;
            instructions.insert(e + 8 + pc);
            pc += 4 + WBytecode_OperandSize(uint8_t(word >> 24), uint8_t(word >> 16));
        }
        EXPECT_EQ(pc, len) << "entry " << i;
        EXPECT_EQ(r.U32(e + 8 + len - 4) >> 24, 0x9Eu) << "entry " << i << " ends with exit";
    }
    for (const char* tag : {"VARI", "FUNC"}) {
        SCOPED_TRACE(tag);
        const ChunkAt c = r.Find(tag);
        const bool vari = std::string(tag) == "VARI";
        for (uint32_t rec = c.body; rec < c.body + c.size; rec += 12) {
            EXPECT_FALSE(r.Str(r.U32(rec)).empty());
            uint32_t at = r.U32(rec + 8);
            for (uint32_t k = 0; k < r.U32(rec + 4); ++k) {
                ASSERT_TRUE(instructions.count(at));
                uint32_t op = r.U32(at) >> 24;
                if (vari) EXPECT_TRUE(op == 0xC0 || op == 0x41);
                else EXPECT_EQ(op, 0xDAu);
                uint32_t link = r.U32(at + 4);
                at = vari ? uint32_t(int64_t(at) + SignExtend29(link & 0x1FFFFFFF)) : at + link;
            }
        }
    }
}

TEST(DataWriterDebugInfo, RecordsPerCodeIndex) {
    DebugInfoDesc d;
    d.entries = {WDebugEntry{{{0, 0}, {12, 7}}, "a = 1;\nb = 2;\n"}, std::nullopt, WDebugEntry{{}, ""}};
    std::string error;
    Raw r{DebugInfo_Write(d, &error)};
    ASSERT_FALSE(r.d.empty()) << error;
    EXPECT_EQ(r.U32(4), r.d.size() - 8);
    EXPECT_EQ(Tags(r.Chunks()), (std::vector<std::string>{"STRG", "DBGI", "SCPT"}));
    const ChunkAt dbgi = r.Find("DBGI"), scpt = r.Find("SCPT");
    uint32_t rec = r.Entry(dbgi.body, 0);
    EXPECT_EQ(r.U32(rec), 2u);
    EXPECT_EQ(r.U32(rec + 12), 12u);
    EXPECT_EQ(r.U32(rec + 16), 7u);
    EXPECT_EQ(r.Entry(dbgi.body, 1), 0u);
    EXPECT_EQ(r.U32(r.Entry(dbgi.body, 2)), 0u);
    EXPECT_EQ(r.Str(r.U32(r.Entry(scpt.body, 0))), "a = 1;\nb = 2;\n");
    EXPECT_EQ(r.Entry(scpt.body, 1), 0u);
    EXPECT_EQ(r.Str(r.U32(r.Entry(scpt.body, 2))), "");

    // The sample's debug info covers exactly the sample's code table.
    EXPECT_EQ(DataFile_SampleDebugInfo().entries.size(), DataFile_SampleGame().code.size());
}

TEST(DataWriterPng, EncodesPixelsExactly) {
    const int w = 5, h = 3;
    std::vector<uint8_t> px(w * h * 4);
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 37 + 11);
    std::vector<uint8_t> png = Png_EncodeRGBA(w, h, px.data());
    ASSERT_GT(png.size(), 8u);

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, png.data(), png.size()));
    EXPECT_EQ(image.width, png_uint_32(w));
    EXPECT_EQ(image.height, png_uint_32(h));
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> back(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, back.data(), 0, nullptr));
    EXPECT_EQ(back, px);

    EXPECT_TRUE(Png_EncodeRGBA(0, 3, px.data()).empty());
    EXPECT_TRUE(Png_EncodeRGBA(5, -1, px.data()).empty());
    EXPECT_TRUE(Png_EncodeRGBA(5, 3, nullptr).empty());
}

#ifdef ZORVEX_BIN_DIR
TEST(DataWriterSampleTool, WritesTheSampleFiles) {
    const std::string dir = ZORVEX_TEST_TMP;
    std::string mk = "mkdir -p '" + dir + "'";
    ASSERT_EQ(std::system(mk.c_str()), 0);
    const std::string tool = std::string(ZORVEX_BIN_DIR) + "/zorvex-sample";
    const std::string win = dir + "/sample.win", dbg = dir + "/sample.tudebug";
    std::string cmd = "'" + tool + "' '" + win + "' '" + dbg + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto slurp = [](const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
    };
    EXPECT_EQ(slurp(win), DataFile_Write(DataFile_SampleGame()));
    EXPECT_EQ(slurp(dbg), DebugInfo_Write(DataFile_SampleDebugInfo()));

    std::string bad = "'" + tool + "' 2>/dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
    bad = "'" + tool + "' '" + dir + "/no/such/dir/x.win' 2>/dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
}
#endif
