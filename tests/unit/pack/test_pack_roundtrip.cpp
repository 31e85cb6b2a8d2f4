// A project with one of every resource kind, packed and read back through the loader:
// every field the manifest set must arrive where the runner reads it.
#include <cmath>

#include "data/extension.h"
#include "graphics/background.h"
#include "graphics/font.h"
#include "graphics/sprite.h"
#include "object/object.h"
#include "object/timeline.h"
#include "pack/pack_fixture.h"
#include "path/path.h"
#include "room/room.h"
#include "sound/sound.h"
#include "vm/script.h"

namespace {

using namespace pack_test;

const char kManifest[] = R"({
  "game": { "name": "Round Trip", "file_name": "roundtrip", "config": "Test", "id": 4242,
            "identifier": "00112233445566778899aabbccddeeff", "debug": true, "version": [3, 7],
            "window": { "width": 320, "height": 200, "borderless": true, "resizable": true,
                        "show_cursor": false, "splash": 2 } },
  "options": { "full_screen": true, "new_audio": false, "window_colour": "#102030",
               "alt_enter_switch": true, "freeze_when_inactive": true, "progress_bar": true,
               "loading_image": "load.png", "show_errors": false, "abort_on_error": true,
               "unset_variables_are_zero": true, "create_event_first": false, "words": { "1": 7 } },
  "constants": { "LIVES": 3, "TITLE": "\"hi\"" },
  "texture_pages": { "size": 256, "padding": 1 },
  "sprites": [
    null,
    { "name": "spr_a", "frames": ["a0.png", "a1.png"], "origin": [3, 4], "bbox": [1, 2, 5, 6],
      "precise": true, "masks": "shared", "smooth": true, "preload": false, "transparent": false },
    { "name": "spr_strip", "strip": { "file": "strip.png", "frames": 3 }, "origin": "centre", "bbox": "full" },
  ],
  "backgrounds": [ { "name": "bg_a", "file": "bg.png", "smooth": true, "transparent": true } ],
  "fonts": [ { "name": "fnt_a", "file": "FONT", "size": 10, "bold": true, "italic": true,
               "range": [65, 70], "antialias": 2, "charset": 1, "face": "Test Face" } ],
  "sounds": [ { "name": "snd_a", "file": "s.wav", "kind": "music", "volume": 0.5, "pan": -0.25,
                "effects": ["echo", "reverb"], "preload": false } ],
  "paths": [ { "name": "pth_a", "smooth": true, "closed": true, "precision": 6,
               "points": [[1, 2], [3, 4, 50]] } ],
  "scripts": [ { "name": "scr_a", "code": "return 1;" }, { "name": "scr_b" } ],
  "objects": [
    { "name": "obj_base" },
    { "name": "obj_a", "sprite": "spr_a", "mask": "spr_strip", "visible": false, "solid": true,
      "persistent": true, "depth": -7, "parent": "obj_base",
      "physics": { "sensor": true, "shape": "box", "density": 0.5, "restitution": 0.25, "group": 3,
                   "linear_damping": 0.125, "angular_damping": 0.75, "points": [[0, 0], [4, 0], [4, 4]] },
      "events": { "create": { "code": "c = 0;" }, "alarm3": { "code": "c = 3;" },
                  "end_step": { "code": "c = 2;" }, "collision:obj_base": "ev.zs",
                  "keypress:vk_left": { "code": "c = 37;" }, "other:user2": { "code": "c = 12;" },
                  "mouse:global_left_press": { "code": "c = 53;" }, "keyboard:A": { "code": "c = 65;" } } },
  ],
  "timelines": [ { "name": "tml_a", "moments": [ { "step": 30, "code": "t = 30;" }, { "step": 5, "code": "t = 5;" } ] } ],
  "rooms": [
    { "name": "rm_a", "caption": "Room A", "width": 800, "height": 600, "speed": 60, "persistent": true,
      "colour": "#FF8000", "draw_colour": false, "views_enabled": true, "creation": { "code": "r = 1;" },
      "physics": { "gravity": [0, 20], "scale": 0.5 },
      "backgrounds": [ { "background": "bg_a", "foreground": true, "x": 5, "y": 6, "tile_h": false,
                         "speed_h": 2, "speed_v": -3, "stretch": true } ],
      "views": [ { "view": [10, 20, 300, 200], "port": [0, 0, 600, 400], "border": [40, 50],
                   "speed": [4, 5], "follow": "obj_a" } ],
      "instances": [ { "object": "obj_a", "x": 11, "y": 12, "creation": { "code": "i = 1;" },
                       "scale": [2, 3], "colour": "#0000FF", "alpha": 0.5, "rotation": 45 },
                     { "object": "obj_base", "x": 1, "y": 2, "id": 100500 } ],
      "tiles": [ { "background": "bg_a", "x": 7, "y": 8, "source": [1, 2, 3, 4], "depth": 99,
                   "scale": 2, "alpha": 0 } ] },
    { "name": "rm_b" },
  ],
  "room_order": ["rm_b", "rm_a"],
  "included_files": [ "data.txt", { "file": "data.txt", "name": "other.txt" } ],
  "extensions": [ { "name": "ext_a", "version": "2.0", "files": [
    { "name": "libx.so", "init": "xi", "final": "xf", "kind": "library", "functions": [
      { "name": "x_add", "external": "xadd", "id": 9, "convention": "stdcall", "result": "string",
        "args": ["real", "string"] },
      { "name": "x_sub" } ] } ] } ]
})";

class PackRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        std::string manifest = kManifest;
        manifest.replace(manifest.find("\"FONT\""), 6, std::string("\"") + kFontFile + "\"");
        project.Text("game.json", manifest);
        // spr_a: 8x8 frames, opaque only at (2..5, 3..6) in frame 0 and (4, 4) in frame 1.
        project.Png("a0.png", 8, 8,
                    [](int x, int y) { return x >= 2 && x <= 5 && y >= 3 && y <= 6 ? 0xFF0000FFu : 0u; });
        project.Png("a1.png", 8, 8, [](int x, int y) { return x == 4 && y == 4 ? 0xFF00FF00u : 0u; });
        project.SolidPng("strip.png", 30, 10, 0xFF808080u);
        project.SolidPng("bg.png", 20, 16, 0xFFFF0000u);
        project.SolidPng("load.png", 4, 4, 0xFFFFFFFFu);
        project.Wav("s.wav", 100);
        project.Text("scripts/scr_b.zs", "return 2;\n");
        project.Text("ev.zs", "c = 4;\n");
        project.Text("data.txt", "some data");
    }
    CProjectDir project{"PackRoundTrip"};
};

struct Check {
    std::string what, got, want;
};

std::string S(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}
std::string Src(const std::unique_ptr<CCode>& c) { return c ? c->source : "<none>"; }

TEST_F(PackRoundTrip, EveryFieldArrivesInTheLoadedGame) {
    PackOptions options;
    options.source = true;
    PackOutput out;
    CLineErrors errors;
    ASSERT_TRUE(Pack_Project(project.Dir(), options, out, errors)) << ErrorText(errors);
    auto l = LoadGame(out.game);
    ASSERT_TRUE(l->ok) << l->error;
    const CGameResources& r = l->res;
    const CGameData& d = l->data;
    ASSERT_EQ(r.sprites.size(), 3u);
    ASSERT_TRUE(r.sprites[1] && r.sprites[2] && !r.sprites[0]);
    ASSERT_EQ(r.objects.size(), 2u);
    ASSERT_EQ(r.rooms.size(), 2u);
    ASSERT_EQ(r.fonts.size(), 1u);
    ASSERT_EQ(r.extensions.size(), 1u);
    const CSprite& spr = *r.sprites[1];
    const CObject& obj = *r.objects[1];
    const CRoom& room = *r.rooms[0];
    const CFontZV& font = *r.fonts[0];
    ASSERT_EQ(room.instances.size(), 2u);
    ASSERT_EQ(room.tiles.size(), 1u);
    ASSERT_EQ(r.extensions[0]->files.size(), 1u);
    ASSERT_EQ(r.extensions[0]->files[0].functions.size(), 2u);
    const CExtensionFunction& xadd = r.extensions[0]->files[0].functions[0];
    const uint32_t tile = room.tiles[0];
    auto event = [&](int type, uint32_t number) {
        return number < obj.events[size_t(type)].size() && obj.events[size_t(type)][number]
                   ? Src(obj.events[size_t(type)][number]->code)
                   : std::string("<none>");
    };
    std::string roomOrder;
    for (int i : r.header.roomOrder) roomOrder += std::to_string(i) + " ";
    std::string constants;
    for (const auto& [n, v] : r.options.constants) constants += n + "=" + v + " ";
    std::string points;
    for (const CPathPoint& p : r.paths[0]->points) points += S(p.x) + "," + S(p.y) + "," + S(p.speed) + " ";
    std::string shape;
    for (const auto& [x, y] : obj.physicsShapePoints) shape += S(x) + "," + S(y) + " ";
    std::string glyphs;
    for (uint32_t g = 0; g < font.glyphCount; ++g)
        glyphs += std::to_string(d.I16(d.U32(font.glyphsOffset + 4 * g))) + " ";
    std::string identifier;
    for (uint8_t b : r.header.identifier) identifier += S(b) + " ";

    const std::vector<Check> checks = {
        {"game name", r.header.gameName, "Round Trip"},
        {"file name", r.header.fileName, "roundtrip"},
        {"config", r.header.configName, "Test"},
        {"game id", S(r.header.gameId), "4242"},
        {"identifier", identifier, "0 17 34 51 68 85 102 119 136 153 170 187 204 221 238 255 "},
        {"debug build", S(r.header.DebugBuild()), "1"},
        {"window", S(r.header.windowWidth) + "x" + S(r.header.windowHeight), "320x200"},
        {"header flags", S(r.header.headerFlags), S(0x1 | 0x40 | 0x400)},
        {"room order", roomOrder, "1 0 "},
        {"highest instance id", S(r.header.highestInstanceId), "100500"},
        {"constants", constants, "VersionMajor=3 VersionMinor=7 LIVES=3 TITLE=\"hi\" "},
        {"version", S(r.options.versionMajor) + "." + S(r.options.versionMinor), "3.7"},
        {"full screen", S(r.options.FullScreen()), "1"},
        {"new audio", S(r.options.NewAudio()), "0"},
        {"show cursor", S(r.options.ShowCursor()), "0"},
        {"window colour", S(r.options.Word(32)), S(0x302010)},
        {"alt-enter", S(r.options.AllowFullScreenSwitch()), "1"},
        {"freeze", S(r.options.FreezeWhenInactive()), "1"},
        {"progress bar", S(r.options.ProgressBar()), "1"},
        {"loading image", S(r.options.LoadingImage() != 0), "1"},
        {"show errors", S(r.options.ShowErrors()), "0"},
        {"abort on error", S(r.options.AbortOnError()), "1"},
        {"unset variables are 0", S(r.options.UnsetVariablesAreZero()), "1"},
        {"create event first", S(r.options.CreateEventFirst()), "0"},
        {"raw option word 1", S(r.options.words[1]), "7"},
        {"sprite name", spr.name, "spr_a"},
        {"sprite size", S(spr.width) + "x" + S(spr.height), "8x8"},
        {"sprite origin", S(spr.xorigin) + "," + S(spr.yorigin), "3,4"},
        {"sprite box", S(spr.bboxLeft) + "," + S(spr.bboxTop) + "," + S(spr.bboxRight) + "," + S(spr.bboxBottom),
         "1,2,5,6"},
        {"sprite box mode", S(spr.bboxMode), "2"},
        {"sprite flags", S(spr.precise) + S(spr.smooth) + S(spr.preload) + S(spr.transparent), "1100"},
        {"sprite frames", S(spr.frameCount), "2"},
        // One shared mask: frame 0's opaque pixels inside the box (x <= 5) plus frame 1's.
        {"sprite masks", S(spr.masks.size()), "1"},
        {"mask pixel (2,3)", spr.masks.empty() ? "" : S(spr.masks[0][3 * 8 + 2]), "1"},
        {"mask pixel (4,4)", spr.masks.empty() ? "" : S(spr.masks[0][4 * 8 + 4]), "1"},
        {"mask pixel (0,0)", spr.masks.empty() ? "" : S(spr.masks[0][0]), "0"},
        {"strip frames", S(r.sprites[2]->frameCount) + " of " + S(r.sprites[2]->width) + "x" + S(r.sprites[2]->height),
         "3 of 10x10"},
        {"strip origin", S(r.sprites[2]->xorigin) + "," + S(r.sprites[2]->yorigin), "5,5"},
        {"strip box", S(r.sprites[2]->bboxMode) + ":" + S(r.sprites[2]->bboxRight) + "," + S(r.sprites[2]->bboxBottom),
         "1:9,9"},
        {"background", r.backgrounds[0]->name + " " + S(r.backgrounds[0]->width) + "x" + S(r.backgrounds[0]->height),
         "bg_a 20x16"},
        {"background flags",
         S(r.backgrounds[0]->smooth) + S(r.backgrounds[0]->transparent) + S(r.backgrounds[0]->preload), "111"},
        {"font", font.name + " / " + font.faceName + " " + S(font.size), "fnt_a / Test Face 10"},
        {"font style", S(font.bold) + S(font.italic), "11"},
        {"font range", S(font.first) + "-" + S(font.last), "65-70"},
        {"font charset/antialias", S(font.charset) + "/" + S(font.antialias), "1/2"},
        {"font glyphs", glyphs, "65 66 67 68 69 70 "},
        {"font height", S(font.height > 5 && font.height < 30), "1"},
        {"sound", r.sounds[0]->name + " " + r.sounds[0]->fileName + " " + r.sounds[0]->fileType, "snd_a s.wav .wav"},
        {"sound kind/volume/pan", S(r.sounds[0]->kind) + " " + S(r.sounds[0]->volume) + " " + S(r.sounds[0]->pan),
         "1 0.5 -0.25"},
        {"sound effects/preload", S(r.sounds[0]->effects) + " " + S(r.sounds[0]->preload), "18 0"},
        {"sound data", S(r.sounds[0]->dataLength), "144"},
        {"path", r.paths[0]->name + " " + S(r.paths[0]->kind) + S(r.paths[0]->closed) + " " + S(r.paths[0]->precision),
         "pth_a 11 6"},
        {"path points", points, "1,2,100 3,4,50 "},
        {"script a", Src(r.scripts[0]->code), "return 1;"},
        {"script b (default file)", Src(r.scripts[1]->code), "return 2;\n"},
        {"object refs", S(obj.spriteIndex) + " " + S(obj.maskIndex) + " " + S(obj.parentIndex), "1 2 0"},
        {"object parent linked", S(obj.parent == r.objects[0].get()), "1"},
        {"object flags", S(obj.Visible()) + S(obj.Solid()) + S(obj.Persistent()) + " " + S(obj.depth), "011 -7"},
        {"physics", S(obj.usesPhysics) + S(obj.physicsSensor) + " " + S(obj.physicsShape) + " " + S(obj.physicsGroup),
         "11 1 3"},
        {"physics values",
         S(obj.physicsValue1) + " " + S(obj.physicsValue2) + " " + S(obj.physicsValue3) + " " + S(obj.physicsValue4),
         "0.5 0.25 0.125 0.75"},
        {"physics points", shape, "0,0 4,0 4,4 "},
        {"event create", event(0, 0), "c = 0;"},
        {"event alarm 3", event(2, 3), "c = 3;"},
        {"event end step", event(3, 2), "c = 2;"},
        {"event collision obj_base (file)", event(4, 0), "c = 4;\n"},
        {"event key press left", event(9, 37), "c = 37;"},
        {"event user 2", event(7, 12), "c = 12;"},
        {"event global left press", event(6, 53), "c = 53;"},
        {"event keyboard A", event(5, 65), "c = 65;"},
        {"time line moments (sorted)",
         S(r.timelines[0]->moments[0].step) + ":" + Src(r.timelines[0]->moments[0].event->code) + " " +
             S(r.timelines[0]->moments[1].step) + ":" + Src(r.timelines[0]->moments[1].event->code),
         "5:t = 5; 30:t = 30;"},
        {"room", room.name + " '" + room.caption + "' " + S(room.width) + "x" + S(room.height) + " " + S(room.speed),
         "rm_a 'Room A' 800x600 60"},
        {"room flags", S(room.persistent) + S(room.showColour) + S(room.viewsEnabled) + " " + S(room.colour),
         "101 " + S(0x0080FF)},
        {"room creation", Src(room.creationCode), "r = 1;"},
        {"room physics",
         S(room.physicsWorld) + " " + S(room.gravityX) + "," + S(room.gravityY) + " " + S(room.physicsScale),
         "1 0,20 0.5"},
        {"room background",
         S(room.backgrounds[0].visible) + S(room.backgrounds[0].foreground) + " " + S(room.backgrounds[0].index) + " " +
             S(room.backgrounds[0].x) + "," + S(room.backgrounds[0].y) + " " + S(room.backgrounds[0].tileH) +
             S(room.backgrounds[0].tileV) + " " + S(room.backgrounds[0].hspeed) + "," + S(room.backgrounds[0].vspeed),
         "11 0 5,6 01 2,-3"},
        {"room background stretch", S(room.backgrounds[0].xscale) + "," + S(room.backgrounds[0].yscale), "40,37.5"},
        {"room view",
         S(room.views[0].visible) + " " + S(room.views[0].viewX) + "," + S(room.views[0].viewY) + "," +
             S(room.views[0].viewW) + "," + S(room.views[0].viewH) + " " + S(room.views[0].portW) + "," +
             S(room.views[0].portH),
         "1 10,20,300,200 600,400"},
        {"room view follow",
         S(room.views[0].hborder) + "," + S(room.views[0].vborder) + " " + S(room.views[0].hspeed) + "," +
             S(room.views[0].vspeed) + " " + S(room.views[0].follow),
         "40,50 4,5 1"},
        {"instance 0",
         S(room.instances[0].objectIndex) + " at " + S(room.instances[0].x) + "," + S(room.instances[0].y) + " id " +
             S(room.instances[0].id),
         "1 at 11,12 id 100001"},
        {"instance 0 looks",
         S(room.instances[0].xscale) + "," + S(room.instances[0].yscale) + " " + S(room.instances[0].colour) + " " +
             S(room.instances[0].rotation),
         "2,3 " + S(0x80FF0000u) + " 45"},
        {"instance 0 creation", Src(room.instances[0].creationCode), "i = 1;"},
        {"instance 1 id", S(room.instances[1].id), "100500"},
        {"tile",
         S(d.I32(tile)) + "," + S(d.I32(tile + 4)) + " bg " + S(d.I32(tile + 8)) + " src " + S(d.I32(tile + 12)) + "," +
             S(d.I32(tile + 16)) + " " + S(d.I32(tile + 20)) + "x" + S(d.I32(tile + 24)) + " depth " +
             S(d.I32(tile + 28)),
         "7,8 bg 0 src 1,2 3x4 depth 99"},
        {"tile id/scale/colour",
         S(d.U32(tile + 32)) + " " + S(d.F32(tile + 36)) + "," + S(d.F32(tile + 40)) + " " + S(d.U32(tile + 44)),
         "10000001 2,2 " + S(0x00FFFFFF)},
        {"included files", S(r.includedFiles.size()), "2"},
        {"included file name", d.Text(d.U32(r.includedFiles[1])), "other.txt"},
        {"extension", r.extensions[0]->name + " " + r.extensions[0]->secondName, "ext_a 2.0"},
        {"extension file",
         r.extensions[0]->files[0].fileName + " " + r.extensions[0]->files[0].initFunction + " " +
             r.extensions[0]->files[0].finalFunction + " " + S(r.extensions[0]->files[0].kind),
         "libx.so xi xf 1"},
        {"extension function",
         xadd.name + " " + xadd.externalName + " " + S(xadd.id) + " " + S(xadd.kind) + " " + S(xadd.resultType) + " " +
             S(xadd.argTypes.size()) + ":" + S(xadd.argTypes[0]) + S(xadd.argTypes[1]),
         "x_add xadd 9 1 1 2:01"},
        {"extension function auto id", S(r.extensions[0]->files[0].functions[1].id), "1"},
    };
    for (const Check& c : checks) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST_F(PackRoundTrip, BytecodeBuildLinksEveryUnitAndDescribesItInTheDebugInfo) {
    PackOptions options;
    options.debugInfo = true;
    PackOutput out;
    CLineErrors errors;
    ASSERT_TRUE(Pack_Project(project.Dir(), options, out, errors)) << ErrorText(errors);
    auto l = LoadGame(out.game);
    ASSERT_TRUE(l->ok) << l->error;
    const CGameResources& r = l->res;
    EXPECT_TRUE(r.code.present);
    // Two scripts, eight events, two moments, the room's and one instance's creation code.
    ASSERT_EQ(r.code.entries.size(), 14u);
    ASSERT_TRUE(out.hasDebugInfo);
    ASSERT_EQ(out.debugInfo.entries.size(), r.code.entries.size());
    for (size_t i = 0; i < r.code.entries.size(); ++i) {
        EXPECT_NE(r.code.entries[i].offset, 0u) << i;
        ASSERT_TRUE(out.debugInfo.entries[i]);
        EXPECT_FALSE(out.debugInfo.entries[i]->positions.empty()) << l->data.Text(r.code.entries[i].nameOffset);
    }
    EXPECT_STREQ(l->data.Text(r.code.entries[1].nameOffset), "scr_b");
    EXPECT_EQ(out.debugInfo.entries[1]->source, "return 2;\n");
    EXPECT_EQ(r.scripts[1]->code->index, 1);
    const CObject& obj = *r.objects[1];
    ASSERT_GT(obj.events[4].size(), 0u);
    const int collision = obj.events[4][0]->code->index;
    ASSERT_GE(collision, 0);
    EXPECT_STREQ(l->data.Text(r.code.entries[size_t(collision)].nameOffset), "Object.obj_a.obj_base.0");
    // The debug file is one the loader accepts.
    std::string error;
    std::vector<uint8_t> debugBytes = DebugInfo_Write(out.debugInfo, &error);
    ASSERT_FALSE(debugBytes.empty()) << error;
    CGameData debugData(std::move(debugBytes));
    EXPECT_TRUE(DataFile_DebugInfoPass(debugData, l->res, error)) << error;
}

}  // namespace
