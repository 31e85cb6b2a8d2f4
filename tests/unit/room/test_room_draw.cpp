// Drawing the room: views following instances, the depth merge of instances, tiles and
// particle systems, tile order, the tile functions, and the view and background
// variables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/game.h"
#include "graphics/graphics.h"
#include "object/game_fixture.h"
#include "room/room_draw.h"
#include "room/room_tiles.h"

namespace {

class RoomDrawTest : public GameTest {
protected:
    void TearDown() override {
        Room_SetDrawHooks(CRoomDrawHooks{});
        GameTest::TearDown();
    }
    CValue Fn(const char* name, std::vector<double> args = {}) {
        std::vector<CValue> values;
        for (double a : args) values.emplace_back(a);
        CValue result;
        TBuiltinFunction f = Function_FindImplementation(name);
        EXPECT_NE(f, nullptr) << name;
        if (f) f(result, nullptr, nullptr, int(values.size()), values.data());
        return result;
    }
    double Get(const char* name, int index = 0) {
        CValue r;
        EXPECT_TRUE(Variable_InstanceGet(nullptr, Variable_Find(name), index, r)) << name;
        return r.val;
    }
    void Put(const char* name, int index, double value) {
        EXPECT_TRUE(Variable_InstanceSet(nullptr, Variable_Find(name), index, CValue(value))) << name;
    }
};

// --- following ------------------------------------------------------------------------------

struct FollowCase {
    const char* name;
    int roomW, roomH;
    int viewX, viewY, viewW, viewH, hborder, vborder;
    float x, y;
    int expectX, expectY;
};

TEST_F(RoomDrawTest, ViewsFollowTheirObject) {
    const FollowCase cases[] = {
        // Standing still in the middle of the view, borders 32: nothing moves.
        {"still", 1000, 1000, 100, 100, 400, 300, 32, 32, 300, 250, 100, 100},
        // Inside the right and bottom borders: the view moves just enough.
        {"pushes", 1000, 1000, 100, 100, 400, 300, 32, 32, 490, 390, 122, 122},
        {"left and top", 1000, 1000, 100, 100, 400, 300, 32, 32, 110, 120, 78, 88},
        // A border of half the view or more keeps the instance centred.
        {"centred", 1000, 1000, 0, 0, 400, 300, 200, 150, 500, 420, 300, 270},
        // Positions round half to even before use.
        {"rounding", 1000, 1000, 0, 0, 400, 300, 200, 150, 500.5f, 421.5f, 300, 272},
        // Clamped to the room; a view wider than the room ends left of it.
        {"clamped", 1000, 1000, 500, 500, 400, 300, 32, 32, 990, 5, 600, 0},
        {"wider than the room", 300, 200, 0, 0, 400, 300, 32, 32, 150, 100, -100, -100},
    };
    const int rm = Room("rm_view");
    const int o = Object("obj_target");
    Place(rm, o, 100001);
    Load();
    Start();
    CRoom& room = *Room_Running();
    CInstance* target = Game().world->Find(100001);
    ASSERT_NE(target, nullptr);
    room.viewsEnabled = true;
    for (const FollowCase& c : cases) {
        SCOPED_TRACE(c.name);
        room.width = c.roomW;
        room.height = c.roomH;
        CRoomView& v = room.views[0];
        v = CRoomView{};
        v.visible = true;
        v.viewX = c.viewX, v.viewY = c.viewY, v.viewW = c.viewW, v.viewH = c.viewH;
        v.hborder = c.hborder, v.vborder = c.vborder;
        v.follow = o;
        target->x = c.x, target->y = c.y;
        Room_UpdateViews(room);
        EXPECT_EQ(v.viewX, c.expectX);
        EXPECT_EQ(v.viewY, c.expectY);
    }
}

TEST_F(RoomDrawTest, FollowingKeepsToTheSpeedAndLosesDestroyedTargets) {
    const int rm = Room("rm_view");
    const int o = Object("obj_target");
    Place(rm, o, 100001, 200, 150);
    Load();
    Start();
    CRoom& room = *Room_Running();
    room.width = room.height = 2000;
    room.viewsEnabled = true;
    CRoomView& v = room.views[1];
    v.visible = true;
    v.viewX = 0, v.viewY = 0, v.viewW = 400, v.viewH = 300;
    v.hspeed = 2;
    v.vspeed = 0;
    v.follow = 100001;  // by id
    CInstance* target = Game().world->Find(100001);
    target->x += 300;  // a jump of 300: the view wants 132 at once
    target->y += 200;
    for (int step = 1; step <= 3; ++step) {
        Room_UpdateViews(room);
        EXPECT_EQ(v.viewX, 2 * step);
        EXPECT_EQ(v.viewY, 0);  // speed 0 holds it
    }
    // With views off nothing follows.
    room.viewsEnabled = false;
    Room_UpdateViews(room);
    EXPECT_EQ(v.viewX, 6);
    room.viewsEnabled = true;
    // The object's instances all destroyed (by object, then by id): the view stays put.
    Instance_Destroy(target);
    v.hspeed = -1;
    for (int follow : {o, 100001}) {
        v.follow = follow;
        Room_UpdateViews(room);
        EXPECT_EQ(v.viewX, 6);
    }
}

// view_current is each view's number while that view draws; the GUI layer comes after
// all eight slots, and the redraw ends with 0.
TEST_F(RoomDrawTest, EachVisibleViewDrawsTheRoom) {
    const int rm = Room("rm_views");
    desc.rooms[size_t(rm)]->viewsEnabled = 1;
    desc.rooms[size_t(rm)]->views.resize(4);
    desc.rooms[size_t(rm)]->views[0].visible = 1;
    desc.rooms[size_t(rm)]->views[2].visible = 1;
    const int o = Object("obj_drawer");
    On(o, kEventDraw, 0, SayVar("self.view_current"));
    On(o, kEventDraw, kDrawGui, Say("gui") + SayVar("self.view_current"));
    Place(rm, o, 100001);
    Load();
    EXPECT_EQ(Start(), "0\n2\ngui\n7\n");
    EXPECT_EQ(Room_ViewCurrent(), 0);
}

// --- the depth merge ------------------------------------------------------------------------

class TRecorder : public IRoomDepthVisitor {
public:
    std::vector<std::string> order;
    void Instance(CInstance* i) override { Add("i" + std::to_string(i->id)); }
    void Tile(const CRoomTile& t) override { Add("t" + std::to_string(t.id)); }
    void Particles(int n) override { Add("p" + std::to_string(n)); }

private:
    void Add(const std::string& what) { order.push_back(what + "@" + std::to_string(int(Graphics_Depth()))); }
};

const float kParticleDepths[] = {100, 50};

TEST_F(RoomDrawTest, InstancesTilesAndParticlesMergeByDepth) {
    CRoom room;
    auto add = [&room](int id, float depth, bool visible = true, bool destroyed = false) {
        auto i = std::make_unique<CInstance>(id, 0);
        i->depth = depth;
        i->visible = visible;
        i->marked = destroyed;
        room.active.InsertByDepth(std::move(i));
    };
    add(1, 100);
    add(2, 0);
    add(3, -100);
    add(4, 50, true, true);  // destroyed
    add(5, 60, false);       // invisible
    auto tile = [&room](int id, float depth, bool visible = true) {
        CRoomTile t;
        t.id = id;
        t.depth = depth;
        t.visible = visible;
        room.tileArray.push_back(t);
    };
    tile(11, 1000000);
    tile(12, 100);
    tile(14, 50, false);
    tile(13, 0);
    CRoomDrawHooks particles;
    particles.particleCount = [] { return 2; };
    particles.particleDepth = [](int n) { return kParticleDepths[n]; };
    Room_SetDrawHooks(particles);
    TRecorder r;
    Room_DrawByDepth(room, r);
    // Ties: an instance before a tile or particles; particles before a tile. The far
    // tile's z stops at the front of the backgrounds.
    const std::vector<std::string> expected = {"t11@11000", "i1@100", "p0@100", "t12@100",
                                               "p1@50",     "i2@0",   "t13@0",  "i3@-100"};
    EXPECT_EQ(r.order, expected);

    // Without particle systems and tiles only the instances remain, deepest first.
    Room_SetDrawHooks(CRoomDrawHooks{});
    room.tileArray.clear();
    TRecorder alone;
    Room_DrawByDepth(room, alone);
    EXPECT_EQ(alone.order, (std::vector<std::string>{"i1@100", "i2@0", "i3@-100"}));
}

TEST_F(RoomDrawTest, TilesSortStablyOnlyWhenOutOfOrder) {
    CRoom room;
    const float depths[] = {10, 5, 10, 20, 5, 10};
    for (int k = 0; k < 6; ++k) {
        CRoomTile t;
        t.id = k + 1;
        t.depth = depths[k];
        room.tileArray.push_back(t);
    }
    Room_SortTiles(room);
    std::vector<int> ids;
    for (const CRoomTile& t : room.tileArray) ids.push_back(t.id);
    EXPECT_EQ(ids, (std::vector<int>{4, 1, 3, 6, 2, 5}));
    // Sorted already: untouched (equal depths keep their order).
    Room_SortTiles(room);
    ids.clear();
    for (const CRoomTile& t : room.tileArray) ids.push_back(t.id);
    EXPECT_EQ(ids, (std::vector<int>{4, 1, 3, 6, 2, 5}));
}

// --- tiles ----------------------------------------------------------------------------------

TEST_F(RoomDrawTest, TileFunctionsWorkOnTheRunningRoom) {
    desc.general.highestTileId = 10000005;
    const int rm = Room("rm_tiles");
    WRoomTile file;
    file.background = 0, file.x = 0, file.y = 0, file.width = 32, file.height = 32, file.depth = 100;
    file.id = 10000001;
    file.colour = 0x80FF0000;
    desc.rooms[size_t(rm)]->tiles.push_back(file);
    Load();
    Tile_ResetIds(res.header.highestTileId);
    Start();
    CRoom& room = *Room_Running();
    ASSERT_EQ(room.tileArray.size(), 1u);
    EXPECT_EQ(Fn("tile_get_blend", {10000001}).val, 0xFF0000);
    EXPECT_NEAR(Fn("tile_get_alpha", {10000001}).val, 128 / 255.0, 1e-6);

    // tile_add(background, left, top, width, height, x, y, depth): ids above the header's.
    const double a = Fn("tile_add", {1, 4, 8, 16, 16, 10, 10, 100}).val;
    const double b = Fn("tile_add", {1, 0, 0, 16, 16, 20, 20, -5}).val;
    EXPECT_EQ(a, 10000006);
    EXPECT_EQ(b, 10000007);
    EXPECT_EQ(Fn("tile_exists", {a}).val, 1);
    EXPECT_EQ(Fn("tile_get_left", {a}).val, 4);
    EXPECT_EQ(Fn("tile_get_top", {a}).val, 8);
    EXPECT_EQ(Fn("tile_get_depth", {b}).val, -5);
    EXPECT_EQ(Fn("tile_get_background", {12345}).val, -1);
    Fn("tile_set_scale", {a, 2, 3});
    EXPECT_EQ(Fn("tile_get_yscale", {a}).val, 3);
    Fn("tile_set_alpha", {a, 7});
    EXPECT_EQ(Fn("tile_get_alpha", {a}).val, 1);

    // tile_find: the top-most at the point among background (depth >= 0) or foreground
    // tiles. The file tile and tile a share depth 100; a came later and lies on top.
    EXPECT_EQ(Fn("tile_find", {12, 12, 0}).val, a);
    EXPECT_EQ(Fn("tile_find", {2, 2, 0}).val, 10000001);
    EXPECT_EQ(Fn("tile_find", {22, 22, 1}).val, b);
    EXPECT_EQ(Fn("tile_find", {500, 500, 0}).val, -1);
    // Tile a is 32 x 48 after scaling.
    EXPECT_EQ(Fn("tile_find", {41, 57, 0}).val, a);
    EXPECT_EQ(Fn("tile_find", {42, 58, 0}).val, -1);

    // Layers: one depth at a time.
    Fn("tile_layer_shift", {100, 100, 0});
    EXPECT_EQ(Fn("tile_get_x", {a}).val, 110);
    EXPECT_EQ(Fn("tile_get_x", {b}).val, 20);
    EXPECT_EQ(Fn("tile_layer_find", {100, 101, 1}).val, 10000001);
    EXPECT_EQ(Fn("tile_layer_find", {-5, 101, 1}).val, -1);
    Fn("tile_layer_hide", {100});
    EXPECT_EQ(Fn("tile_get_visible", {a}).val, 0);
    EXPECT_EQ(Fn("tile_get_visible", {b}).val, 1);
    Fn("tile_layer_depth", {100, -20});
    Fn("tile_set_depth", {b, -30});
    Room_SortTiles(room);
    EXPECT_EQ(room.tileArray.back().id, b);
    Fn("tile_layer_delete_at", {-20, 101, 1});
    EXPECT_EQ(Fn("tile_exists", {10000001}).val, 0);
    Fn("tile_delete_at", {25, 25, 1});
    EXPECT_EQ(Fn("tile_exists", {b}).val, 0);
    Fn("tile_layer_delete", {-20});
    EXPECT_TRUE(room.tileArray.empty());
    Fn("tile_delete", {a});  // gone already: nothing happens
}

TEST_F(RoomDrawTest, RoomTileFunctionsChangeTheDefinition) {
    desc.general.highestTileId = 10000005;
    const int rm = Room("rm_tiles");
    WRoomTile file;
    file.width = file.height = 8;
    file.id = 10000001;
    desc.rooms[size_t(rm)]->tiles.push_back(file);
    Load();
    Tile_ResetIds(res.header.highestTileId);
    Start();
    // room_tile_add_ext(room, background, left, top, width, height, x, y, depth, xscale,
    // yscale, alpha): the record keeps whole numbers and the alpha as a byte.
    const double id = Fn("room_tile_add_ext", {double(rm), 2, 1, 2, 3, 4, 5.7, 6.2, 7.9, 2, 0.5, 0.5}).val;
    EXPECT_EQ(id, 10000006);
    EXPECT_EQ(Fn("room_tile_add", {99, 0, 0, 0, 1, 1, 0, 0, 0}).val, -1);
    EXPECT_EQ(Room_Running()->tileArray.size(), 1u);  // the running room is not the definition
    Game_RequestRoom(rm);
    Frames(1);
    ASSERT_EQ(Room_Running()->tileArray.size(), 2u);
    const CRoomTile* added = Tile_Get(*Room_Running(), 10000006);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->x, 5);
    EXPECT_EQ(added->depth, 7);
    EXPECT_EQ(added->xscale, 2);
    EXPECT_FLOAT_EQ(added->alpha, 128 / 255.0f);
    Fn("room_tile_clear", {double(rm)});
    Game_RequestRoom(rm);
    Frames(1);
    EXPECT_TRUE(Room_Running()->tileArray.empty());
}

// --- variables and scrolling -----------------------------------------------------------------

TEST_F(RoomDrawTest, ViewAndBackgroundVariablesReachTheRunningRoom) {
    Room("rm_vars");
    Load();
    Start();
    CRoom& room = *Room_Running();
    Put("view_xview", 3, 12.5);  // rounds half to even
    EXPECT_EQ(room.views[3].viewX, 12);
    Put("view_wport", -1, 320);  // outside 0..7: slot 0
    EXPECT_EQ(room.views[0].portW, 320);
    EXPECT_EQ(Get("view_wport", 9), 320);
    Put("view_enabled", 0, 1);
    EXPECT_TRUE(room.viewsEnabled);
    Put("view_object", 2, 100001);
    EXPECT_EQ(room.views[2].follow, 100001);
    Put("background_color", 0, 0x123456);
    EXPECT_EQ(room.colour, 0x123456u);
    Put("background_visible", 5, 1);
    EXPECT_TRUE(room.backgrounds[5].visible);
    Put("background_alpha", 5, 0.25);
    EXPECT_EQ(Get("background_alpha", 5), 0.25);
    EXPECT_EQ(Get("background_width", 5), 0);  // no background in the slot
    CValue refused(1.0);
    EXPECT_FALSE(Variable_InstanceSet(nullptr, Variable_Find("view_current"), 0, refused));

    // Every slot scrolls after the frame's drawing, shown or not.
    Put("background_hspeed", 2, 1.5);
    Put("background_vspeed", 7, -2);
    Frames(2);
    EXPECT_EQ(Get("background_x", 2), 3);
    EXPECT_EQ(Get("background_y", 7), -4);
}

TEST_F(RoomDrawTest, TheDisplayTakesTheRoomsSizeOrItsPorts) {
    CRoom room;
    room.width = 300, room.height = 200;
    EXPECT_EQ(Room_DisplaySize(room).width, 300);
    EXPECT_EQ(Room_DisplaySize(room).height, 200);
    room.viewsEnabled = true;
    // No visible view: at least 8 by 8.
    EXPECT_EQ(Room_DisplaySize(room).width, 8);
    room.views[1].visible = true;
    room.views[1].portX = 100, room.views[1].portW = 200, room.views[1].portY = 0, room.views[1].portH = 150;
    room.views[4].visible = true;
    room.views[4].portX = 0, room.views[4].portW = 100, room.views[4].portY = 150, room.views[4].portH = 150;
    room.views[6].portX = 5000;  // not visible
    EXPECT_EQ(Room_DisplaySize(room).width, 300);
    EXPECT_EQ(Room_DisplaySize(room).height, 300);
}

}  // namespace
