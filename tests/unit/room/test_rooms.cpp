// Entering and leaving rooms: persistent instances travelling, persistent rooms kept,
// restarts, run-time rooms and the room order.
#include "data/game.h"
#include "object/game_fixture.h"

namespace {

const std::string kCount = "push.v self.count\npush.d 1\nadd.d.v\npop.v.v self.count\n";

class RoomTest : public GameTest {
protected:
    // Carries out a room change the way a frame does.
    std::string Go(int room) {
        Game_RequestRoom(room);
        return Frames(1);
    }
    CValue Fn(const char* name, std::vector<CValue> args = {}) {
        CValue result;
        if (TBuiltinFunction f = Function_FindImplementation(name))
            f(result, nullptr, nullptr, int(args.size()), args.data());
        return result;
    }
};

TEST_F(RoomTest, PersistentInstancesTravelWithTheirState) {
    const int a = Room("rm_a");
    const int b = Room("rm_b");
    const int c = Room("rm_c");
    const int player = Object("obj_player", -1, 0, true);
    const int other = Object("obj_other");
    On(player, kEventCreate, 0, Say("player create"));
    On(player, kEventStep, kStepNormal, kCount);
    On(player, kEventOther, kOtherRoomStart, Say("player room start") + SayVar("self.count"));
    On(other, kEventCreate, 0, Say("other create"));
    Place(a, player, 100001);
    Place(b, other, 100002);
    Place(c, player, 100001, 64, 64, Say("placed player code"));  // the same id
    Load();
    EXPECT_EQ(Start(), "player create\nplayer room start\n0\n");
    Frames(2);
    // A fresh room: no create event for the carried instance, but its Room Start.
    EXPECT_EQ(Go(b), "other create\nplayer room start\n2\n");
    ASSERT_NE(Game().world->Find(100001), nullptr);
    EXPECT_EQ(Room_Running()->active.count, 2);
    // A room placing the same id: the placed instance takes over the carried state and
    // gets neither its create event nor its creation code.
    EXPECT_EQ(Go(c), "player room start\n2\n");
    EXPECT_EQ(Room_Running()->active.count, 1);
    EXPECT_EQ(Game().world->Find(100001)->x, 0);  // the carried position
    EXPECT_EQ(Object_Find(player)->instances.count, 1);
}

TEST_F(RoomTest, PersistentRoomsAreResumed) {
    const int a = Room("rm_a", true);
    const int b = Room("rm_b");
    const int keeper = Object("obj_keeper");
    const int traveller = Object("obj_traveller", -1, 0, true);
    On(keeper, kEventCreate, 0, Say("keeper create"));
    On(keeper, kEventStep, kStepNormal, kCount);
    On(keeper, kEventOther, kOtherRoomStart, Say("keeper room start") + SayVar("self.count"));
    On(traveller, kEventCreate, 0, Say("traveller create"));
    Place(a, keeper, 100001, 0, 0, Say("keeper code"));
    Place(a, traveller, 100002);
    RoomCode(a, Say("room a code"));
    Load();
    // Created from the tail of the list: at equal depths the later placed comes first.
    const std::string fresh = "traveller create\nkeeper code\nkeeper create\nroom a code\nkeeper room start\n0\n";
    EXPECT_EQ(Start(), fresh);
    Frames(3);
    EXPECT_EQ(Go(b), "");
    EXPECT_EQ(Room_Running()->active.count, 1);  // the traveller came along
    EXPECT_EQ(Object_Find(keeper)->instances.count, 0);
    // Back: no create events or creation code; Room Start; the keeper's count kept, and
    // the traveller is not there twice.
    EXPECT_EQ(Go(a), "keeper room start\n3\n");
    EXPECT_EQ(Room_Running()->active.count, 2);
    // Restarting a persistent room resumes it too.
    Frames(1);
    EXPECT_EQ(Go(a), "keeper room start\n4\n");
    // game_restart starts every room fresh.
    Game_RequestRestart();
    EXPECT_EQ(Frames(1), fresh);
}

TEST_F(RoomTest, GotoTheRunningRoomRestartsIt) {
    const int a = Room("rm_a");
    const int o = Object("obj");
    On(o, kEventCreate, 0, Say("create"));
    On(o, kEventStep, kStepNormal, kCount + SayVar("self.count"));
    Place(a, o, 100001);
    Load();
    EXPECT_EQ(Start(), "create\n");
    EXPECT_EQ(Frames(2), "1\n2\n");
    EXPECT_EQ(Go(a), "create\n");
    EXPECT_EQ(Frames(1), "1\n");
}

TEST_F(RoomTest, RoomTablesAndRunTimeRooms) {
    const int first = Room("rm_first");
    const int loose = Room("rm_loose", false, false);  // not in the order
    const int last = Room("rm_last");
    const int o = Object("obj");
    On(o, kEventCreate, 0, SayVar("self.id"));
    Load();
    Start();
    EXPECT_EQ(Fn("room_next", {CValue(double(first))}).val, last);
    EXPECT_EQ(Fn("room_next", {CValue(double(last))}).val, -1);
    EXPECT_EQ(Fn("room_previous", {CValue(double(last))}).val, first);
    EXPECT_EQ(Fn("room_previous", {CValue(double(first))}).val, -1);
    EXPECT_EQ(Fn("room_next", {CValue(double(loose))}).val, -1);
    EXPECT_EQ(Fn("room_next", {CValue(40.0)}).val, -1);
    EXPECT_STREQ(Fn("room_get_name", {CValue(40.0)}).Text(), "<undefined>");
    EXPECT_STREQ(Fn("room_get_name", {CValue(2.5)}).Text(), "rm_last");  // halves to even

    const int added = int(Fn("room_add").val);
    EXPECT_EQ(added, 3);
    EXPECT_STREQ(Fn("room_get_name", {CValue(double(added))}).Text(), "__newroom3");
    // An instance record added to the new room comes to life when it is entered.
    EXPECT_EQ(Fn("room_instance_add", {CValue(double(added)), CValue(5.7), CValue(6.0), CValue(double(o))}).val,
              100101);
    EXPECT_EQ(Fn("room_instance_add", {CValue(9.0), CValue(0.0), CValue(0.0), CValue(0.0)}).val, -1);
    EXPECT_EQ(Go(added), "100101\n");
    const CRoom* room = Room_Running();
    EXPECT_EQ(room->width, 640);
    EXPECT_EQ(room->height, 480);
    EXPECT_EQ(Game().world->Find(100101)->x, 5);

    const int copy = int(Fn("room_duplicate", {CValue(double(added))}).val);
    EXPECT_EQ(copy, 4);
    EXPECT_STREQ(Fn("room_get_name", {CValue(double(copy))}).Text(), "__newroom4");
    EXPECT_EQ(Go(copy), "100101\n");  // the copy shares the record
    EXPECT_EQ(Fn("room_duplicate", {CValue(77.0)}).val, -1);
}

}  // namespace
