// The loader against the writer: every chunk read back, and broken files refused
// with one line that names what is wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "data/extension.h"
#include "graphics/background.h"
#include "graphics/font.h"
#include "graphics/sprite.h"
#include "load/data_file.h"
#include "object/object.h"
#include "object/timeline.h"
#include "path/path.h"
#include "room/room.h"
#include "sound/sound.h"
#include "vm/script.h"
#include "writer/writer.h"

namespace {

struct Loaded {
    CGameData data;
    CGameResources res;
    std::string error;
    bool header = false, main = false;
};

std::unique_ptr<Loaded> Load(const std::vector<uint8_t>& bytes) {
    auto l = std::make_unique<Loaded>();
    l->data = CGameData(bytes);
    l->header = DataFile_HeaderPass(l->data, l->res, l->error);
    if (l->header) l->main = DataFile_MainPass(l->data, l->res, l->error);
    return l;
}

std::unique_ptr<Loaded> Load(const GameDataDesc& desc) {
    std::string error;
    auto bytes = DataFile_Write(desc, &error);
    EXPECT_TRUE(error.empty()) << error;
    return Load(bytes);
}

template <typename W, typename C>
void ExpectSameSlots(const std::vector<std::optional<W>>& desc, const std::vector<std::unique_ptr<C>>& loaded,
                     const char* what) {
    ASSERT_EQ(desc.size(), loaded.size()) << what;
    for (size_t i = 0; i < desc.size(); ++i) {
        EXPECT_EQ(desc[i].has_value(), loaded[i] != nullptr) << what << " " << i;
        if (desc[i] && loaded[i]) {
            EXPECT_EQ(desc[i]->name, loaded[i]->name) << what << " " << i;
        }
    }
}

int CodeIndex(const std::unique_ptr<CCode>& code) { return code ? code->index : -1; }

TEST(Loader, SampleRoundTripsEveryChunk) {
    GameDataDesc d = DataFile_SampleGame();
    auto l = Load(d);
    ASSERT_TRUE(l->header && l->main) << l->error;
    const CGameResources& r = l->res;

    EXPECT_EQ(r.header.gameName, d.general.gameName);
    EXPECT_EQ(r.header.configName, d.general.configName);
    EXPECT_EQ(r.header.gameId, d.general.gameId);
    EXPECT_EQ(r.header.highestInstanceId, d.general.highestInstanceId);
    EXPECT_EQ(r.header.windowWidth, int(d.general.windowWidth));
    EXPECT_EQ(r.header.headerFlags, d.general.headerFlags);
    EXPECT_EQ(std::vector<int>(r.header.roomOrder.begin(), r.header.roomOrder.end()),
              std::vector<int>(d.general.roomOrder.begin(), d.general.roomOrder.end()));
    EXPECT_EQ(r.formatVersion, 800);
    EXPECT_EQ(r.options.constants, d.options.constants);
    EXPECT_EQ(r.options.versionMajor, 2);

    ExpectSameSlots(d.sounds, r.sounds, "sound");
    ExpectSameSlots(d.sprites, r.sprites, "sprite");
    ExpectSameSlots(d.backgrounds, r.backgrounds, "background");
    ExpectSameSlots(d.paths, r.paths, "path");
    ExpectSameSlots(d.scripts, r.scripts, "script");
    ExpectSameSlots(d.fonts, r.fonts, "font");
    ExpectSameSlots(d.timeLines, r.timelines, "time line");
    ExpectSameSlots(d.objects, r.objects, "object");
    ExpectSameSlots(d.rooms, r.rooms, "room");
    ExpectSameSlots(d.extensions, r.extensions, "extension");
    EXPECT_EQ(r.texturePages.pages.size(), d.textures.size());
    EXPECT_EQ(r.texturePages.entries.size(), d.texturePages.size());
    EXPECT_EQ(r.includedFiles.size(), d.includedFiles.size());
    EXPECT_EQ(r.code.entries.size(), d.code.size());
    ASSERT_EQ(r.code.variables.size(), d.variables.size());
    ASSERT_EQ(r.code.functions.size(), d.functions.size());
    for (size_t i = 0; i < d.functions.size(); ++i) {
        EXPECT_EQ(r.code.functions[i].name, d.functions[i].name);
        EXPECT_EQ(r.code.functions[i].referenceCount, d.functions[i].refs.size());
    }

    for (size_t i = 0; i < d.sprites.size(); ++i) {
        if (!d.sprites[i]) continue;
        const WSprite& w = *d.sprites[i];
        const CSprite& s = *r.sprites[i];
        EXPECT_EQ(s.width, w.width);
        EXPECT_EQ(s.xorigin, w.originX);
        EXPECT_EQ(s.bboxRight, w.bboxRight);
        EXPECT_EQ(s.frameCount, w.frames.size());
        EXPECT_EQ(s.masks, w.masks) << w.name;  // unpacked exactly as packed
        if (!w.masks.empty()) {
            EXPECT_EQ(s.separateMasks, w.masks.size() != w.frames.size()) << w.name;
        }
    }
    for (size_t i = 0; i < d.objects.size(); ++i) {
        if (!d.objects[i]) continue;
        const WObject& w = *d.objects[i];
        const CObject& o = *r.objects[i];
        EXPECT_EQ(o.depth, w.depth);
        EXPECT_EQ(o.Visible(), w.visible != 0);
        bool parentExists = w.parent >= 0 && size_t(w.parent) < d.objects.size() && d.objects[w.parent];
        EXPECT_EQ(o.parent != nullptr, parentExists) << w.name;
        for (size_t t = 0; t < w.events.size(); ++t)
            for (const WEvent& e : w.events[t]) {
                ASSERT_LT(e.number, o.events[t].size());
                ASSERT_TRUE(o.events[t][e.number]);
            }
    }
    for (size_t i = 0; i < d.rooms.size(); ++i) {
        if (!d.rooms[i]) continue;
        const WRoom& w = *d.rooms[i];
        const CRoom& room = *r.rooms[i];
        EXPECT_EQ(room.caption, w.caption);
        EXPECT_EQ(room.speed, w.speed);
        EXPECT_EQ(room.instances.size(), w.instances.size());
        EXPECT_EQ(room.tiles.size(), w.tiles.size());
        EXPECT_EQ(CodeIndex(room.creationCode), w.creationCode.index);
        for (size_t k = 0; k < w.instances.size(); ++k) {
            EXPECT_EQ(room.instances[k].id, w.instances[k].id);
            EXPECT_EQ(CodeIndex(room.instances[k].creationCode), w.instances[k].creationCode.index);
        }
        for (size_t k = 0; k < w.views.size(); ++k) EXPECT_EQ(room.views[k].follow, w.views[k].follow);
    }
    for (size_t i = 0; i < d.paths.size(); ++i) {
        if (d.paths[i]) {
            EXPECT_EQ(r.paths[i]->points.size(), d.paths[i]->points.size());
        }
    }
    for (size_t i = 0; i < d.sounds.size(); ++i) {
        if (d.sounds[i] && d.sounds[i]->audioIndex >= 0) {
            EXPECT_EQ(r.sounds[i]->dataLength, d.audio[d.sounds[i]->audioIndex]->bytes.size());
        }
    }
    for (size_t i = 0; i < d.fonts.size(); ++i) {
        if (!d.fonts[i]) continue;
        int tallest = 0;
        for (const WGlyph& g : d.fonts[i]->glyphs) tallest = std::max<int>(tallest, g.h);
        EXPECT_EQ(r.fonts[i]->height, tallest);
        EXPECT_EQ(r.fonts[i]->glyphCount, d.fonts[i]->glyphs.size());
    }
}

// Cases the file format singles out, each on a small file of its own.
TEST(Loader, FormatCases) {
    GameDataDesc base;
    base.general.gameName = "cases";
    base.code.push_back(WCodeEntry{"first", {}});
    base.code.push_back(WCodeEntry{"second", {}});
    WBytecode exit;
    exit.Exit();
    base.code[0]->bytecode = base.code[1]->bytecode = exit.Bytes();

    {  // GEN7: format 700, room order at its older place, header flags not read
        GameDataDesc d = base;
        d.general.tag = "GEN7";
        d.general.version = 7;
        d.general.headerFlags = kHeaderBorderless;
        d.general.gameName.clear();
        d.general.roomOrder = {2, 0};
        auto l = Load(d);
        ASSERT_TRUE(l->main) << l->error;
        EXPECT_EQ(l->res.formatVersion, 700);
        EXPECT_EQ(l->res.header.roomOrder, (std::vector<int>{2, 0}));
        EXPECT_EQ(l->res.header.headerFlags, 0u);
        EXPECT_EQ(l->res.header.windowWidth, 640);
    }
    {  // format 5: rooms and objects without physics fields; two events of one type and number
        GameDataDesc d = base;
        d.general.version = 5;
        WRoom room;
        room.name = "old_room";
        room.physicsWorld = 1;  // not written below format 6
        d.rooms.push_back(room);
        WObject obj;
        obj.name = "obj";
        obj.usesPhysics = 1;
        obj.events.resize(4);
        obj.events[3] = {WEvent{0, WCodeRef::Index(0)}, WEvent{0, WCodeRef::Index(1)}};
        d.objects.push_back(obj);
        obj.name = "child_of_none";
        obj.parent = -1;
        d.objects.push_back(obj);
        obj.name = "child_of_empty";
        obj.parent = 3;
        d.objects.push_back(obj);
        d.objects.push_back(std::nullopt);
        auto l = Load(d);
        ASSERT_TRUE(l->main) << l->error;
        EXPECT_FALSE(l->res.rooms[0]->physicsWorld);
        EXPECT_FALSE(l->res.objects[0]->usesPhysics);
        ASSERT_EQ(l->res.objects[0]->events[3].size(), 1u);
        EXPECT_EQ(l->res.objects[0]->events[3][0]->code->index, 1);  // the second record wins
        EXPECT_EQ(l->res.objects[0]->events[3][0]->code->name, "second");
        for (int i = 0; i < 3; ++i) EXPECT_EQ(l->res.objects[i]->parent, nullptr) << i;
        EXPECT_EQ(l->res.objects[3], nullptr);
    }
    {  // an unknown chunk: the walk goes on, the pass fails without a corruption message
        GameDataDesc d = base;
        d.extraChunks.push_back(WRawChunk{"ZZZZ", {1, 2, 3, 4}, 1});
        d.extraChunks.push_back(WRawChunk{"YYYY", {}, 1});
        auto l = Load(d);
        EXPECT_TRUE(l->header);
        EXPECT_FALSE(l->main);
        EXPECT_EQ(l->error, "");
        EXPECT_TRUE(l->res.header.loaded);
    }
    {  // an empty chunk of an unknown kind is not an error
        GameDataDesc d = base;
        d.extraChunks.push_back(WRawChunk{"YYYY", {}, 1});
        auto l = Load(d);
        EXPECT_TRUE(l->main) << l->error;
    }
    {  // source mode: code fields hold text
        GameDataDesc d = base;
        d.hasCode = false;
        d.code.clear();
        WScript s;
        s.name = "scr_text";
        s.code = WCodeRef::Source("show_debug_message(1)");
        d.scripts.push_back(s);
        auto l = Load(d);
        ASSERT_TRUE(l->main) << l->error;
        EXPECT_FALSE(l->res.code.present);
        EXPECT_EQ(l->res.scripts[0]->code->source, "show_debug_message(1)");
    }
}

// One valid file, broken in one place per case.
TEST(Loader, CorruptFilesAreRefusedWithOneLine) {
    const std::vector<uint8_t> good = DataFile_Write(DataFile_SampleGame());
    ASSERT_FALSE(good.empty());
    auto chunkAt = [&](const char* tag) -> uint32_t {
        for (uint32_t p = 8; p + 8 <= good.size();) {
            uint32_t length;
            std::memcpy(&length, &good[p + 4], 4);
            if (std::memcmp(&good[p], tag, 4) == 0) return p;
            p += 8 + length;
        }
        ADD_FAILURE() << "no chunk " << tag;
        return 0;
    };
    auto put32 = [](std::vector<uint8_t>& b, uint32_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
    auto get32 = [](const std::vector<uint8_t>& b, uint32_t at) {
        uint32_t v;
        std::memcpy(&v, &b[at], 4);
        return v;
    };
    // The first record of a chunk's pointer list.
    auto firstRecord = [&](const char* tag) {
        uint32_t body = chunkAt(tag) + 8;
        for (uint32_t i = 0; i < get32(good, body); ++i)
            if (uint32_t p = get32(good, body + 4 + 4 * i)) return std::make_pair(i, p);
        return std::make_pair(0u, 0u);
    };
    const uint32_t size = uint32_t(good.size());

    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> mutate;
        std::string message;
    };
    std::vector<Case> cases = {
        {"truncated", [&](auto& b) { b.resize(b.size() - 100); },
         "Corrupt game data: FORM: the size word says " + std::to_string(size - 8) +
             " bytes follow the header, but the file holds " + std::to_string(size - 108)},
        {"size word off by one", [&](auto& b) { put32(b, 4, size - 7); },
         "Corrupt game data: FORM: the size word says " + std::to_string(size - 7) +
             " bytes follow the header, but the file holds " + std::to_string(size - 8)},
        {"not a data file", [&](auto& b) { std::memcpy(&b[0], "RIFF", 4); },
         "Corrupt game data: FORM: the file does not begin with \"FORM\""},
        {"chunk runs past the end", [&](auto& b) { put32(b, chunkAt("STRG") + 4, size); },
         "Corrupt game data: FORM: chunk STRG at offset " + std::to_string(chunkAt("STRG")) + " (" +
             std::to_string(size) + " bytes) runs past the end of the file"},
        {"pointer list past the end of its chunk", [&](auto& b) { put32(b, chunkAt("SPRT") + 8, 0x10000); },
         "Corrupt game data: SPRT: pointer list of 65536 entries runs past the end of its data"},
        {"string offset outside the file", [&](auto& b) { put32(b, firstRecord("OBJT").second, size + 16); },
         "Corrupt game data: OBJT entry " + std::to_string(firstRecord("OBJT").first) +
             ": name points outside the file"},
        {"count far too large", [&](auto& b) { put32(b, firstRecord("PATH").second + 16, 0x40000000); },
         "Corrupt game data: PATH entry " + std::to_string(firstRecord("PATH").first) +
             ": point count 1073741824 is too large for the file"},
        {"instance list outside the file", [&](auto& b) { put32(b, firstRecord("ROOM").second + 48, size + 4); },
         "Corrupt game data: ROOM entry " + std::to_string(firstRecord("ROOM").first) +
             ": instance list points outside the file"},
        {"more than twelve event types",
         [&](auto& b) {
             // Format 8 objects: the type count follows the shape points.
             uint32_t obj = firstRecord("OBJT").second;
             uint32_t points = get32(b, obj + 64);
             put32(b, obj + 68 + 8 * points, 13);
         },
         "Corrupt game data: OBJT entry " + std::to_string(firstRecord("OBJT").first) +
             ": event type count 13 is more than 12"},
        {"variable reference chain leaves the code", [&](auto& b) { put32(b, chunkAt("VARI") + 8 + 8, 8); },
         "Corrupt game data: VARI entry 0: reference 0 of variable " + DataFile_SampleGame().variables[0].name +
             " points outside the bytecode"},
        // Linking rewrites the words of the first chain, and the second would then walk
        // from a variable id instead of a distance.
        {"two variables share a reference",
         [&](auto& b) { put32(b, chunkAt("VARI") + 8 + 12 + 8, get32(b, chunkAt("VARI") + 8 + 8)); },
         "Corrupt game data: VARI entry 1: reference 0 of variable " + DataFile_SampleGame().variables[1].name +
             " is already a reference of this or another variable"},
        // Linking the first reference would rewrite half of the second one's distance.
        {"a reference between two words",
         [&](auto& b) { put32(b, chunkAt("VARI") + 8 + 8, get32(b, chunkAt("VARI") + 8 + 8) + 2); },
         "Corrupt game data: VARI entry 0: reference 0 of variable " + DataFile_SampleGame().variables[0].name +
             " is not at the start of an instruction word"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        c.mutate(bad);
        auto l = Load(bad);
        EXPECT_FALSE(l->header && l->main) << c.name;
        EXPECT_EQ(l->error, c.message) << c.name;
    }
}

// Records may share their data, so a small file could otherwise make the load take any
// amount of memory: two hundred objects all named by one 64 KB text.
TEST(Loader, RecordsSharingTheirDataCannotMultiplyTheLoad) {
    GameDataDesc d = DataFile_SampleGame();
    const std::string name(64 * 1024, 'n');
    WObject o;
    o.name = name;
    for (int i = 0; i < 200; ++i) d.objects.push_back(o);
    auto l = Load(d);
    EXPECT_FALSE(l->header && l->main);
    EXPECT_NE(l->error.find("name would make the load take more than 16 times the file's size"), std::string::npos)
        << l->error;
    EXPECT_EQ(l->error.rfind("Corrupt game data: OBJT entry ", 0), 0u) << l->error;
    EXPECT_EQ(l->error.find('\n'), std::string::npos);

    // The same objects with names of their own load.
    d.objects.resize(d.objects.size() - 200);
    for (int i = 0; i < 200; ++i) {
        o.name = "obj_" + std::to_string(i);
        d.objects.push_back(o);
    }
    auto fine = Load(d);
    EXPECT_TRUE(fine->header && fine->main) << fine->error;
}

}  // namespace

namespace {

// Random damage anywhere in a valid file: the loader may refuse it, but it must never
// read outside the block or crash (the sanitizer build turns either into a failure).
TEST(Loader, SurvivesRandomDamage) {
    const std::vector<uint8_t> good = DataFile_Write(DataFile_SampleGame());
    std::mt19937 rng(1234);
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bad = good;
        int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            size_t at = rng() % bad.size();
            switch (rng() % 3) {
            case 0: bad[at] = uint8_t(rng()); break;
            case 1: {  // a plausible-looking word: small, near the end, or all ones
                uint32_t words[] = {uint32_t(rng() % 64), uint32_t(bad.size() - rng() % 64), 0xFFFFFFFFu, 0x7FFFFFFFu};
                uint32_t v = words[rng() % 4];
                if (at + 4 <= bad.size()) std::memcpy(&bad[at], &v, 4);
                break;
            }
            default: bad[at] ^= uint8_t(1u << (rng() % 8)); break;
            }
        }
        auto l = Load(bad);
        if (!(l->header && l->main)) {
            ++refused;
            // A refusal is either an unknown chunk (no text) or one line of corruption.
            EXPECT_EQ(l->error.find('\n'), std::string::npos);
            if (!l->error.empty()) {
                EXPECT_EQ(l->error.rfind("Corrupt game data: ", 0), 0u) << l->error;
            }
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
