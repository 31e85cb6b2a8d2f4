// Whole games through the zorvex binary: the order of events within and across frames,
// room changes, game end and restart, and the exit codes of the run contract.
#include "object/game_fixture.h"

namespace {

class FrameTest : public GameTest {};

// Every phase of a frame prints its name; the alarm set to 2 in the create event fires
// in the second frame, the sprite-less instance ends its animation every step.
TEST_F(FrameTest, EventsComeInFrameOrder) {
    const int rm = Room("rm_order");
    const int o = Object("obj_order");
    On(o, kEventCreate, 0, Say("create") + SetAt("self.alarm", 0, 2));
    On(o, kEventStep, kStepBegin, Say("begin step"));
    On(o, kEventAlarm, 0, Say("alarm 0"));
    On(o, kEventKeyboard, 0, Say("no key"));
    On(o, kEventKeyPress, 0, Say("no press"));
    On(o, kEventKeyRelease, 0, Say("no release"));
    On(o, kEventStep, kStepNormal, Say("step"));
    On(o, kEventStep, kStepEnd, Say("end step"));
    On(o, kEventDraw, 0, Say("draw"));
    On(o, kEventOther, kOtherAnimationEnd, Say("animation end"));
    On(o, kEventOther, kOtherGameStart, Say("game start"));
    On(o, kEventOther, kOtherRoomStart, Say("room start"));
    On(o, kEventOther, kOtherRoomEnd, Say("room end"));
    On(o, kEventOther, kOtherGameEnd, Say("game end"));
    Place(rm, o, 100001, 0, 0, Say("creation code"));
    RoomCode(rm, Say("room code"));

    const std::string frame = "begin step\nno key\nno press\nno release\nstep\nend step\ndraw\nanimation end\n";
    const std::string alarmFrame =
        "begin step\nalarm 0\nno key\nno press\nno release\nstep\nend step\ndraw\nanimation end\n";
    const std::string expected = "creation code\ncreate\ngame start\nroom code\nroom start\ndraw\n" + frame +
                                 alarmFrame + frame + "room end\ngame end\n";
    ProcessResult fast = Play(3);
    EXPECT_EQ(fast.exitCode, 0) << fast.err;
    EXPECT_EQ(fast.out, expected);
    // Without --no-wait the frames take their time at 30 per second, and nothing else changes.
    ProcessResult paced = Play(3, {});
    EXPECT_EQ(paced.exitCode, 0) << paced.err;
    EXPECT_EQ(paced.out, expected);
}

// With the creation-order option set, the create event comes before the creation code;
// placed instances are created from the greatest depth to the smallest.
TEST_F(FrameTest, PlacedInstancesAreCreatedDeepestFirst) {
    for (int createFirst : {0, 1}) {
        SCOPED_TRACE(createFirst);
        desc = GameDataDesc{};
        desc.general.highestInstanceId = 100100;
        desc.options.words[WOptions::CreationOrder] = uint32_t(createFirst);
        const int rm = Room("rm");
        const int front = Object("obj_front", -1, 0);
        const int back = Object("obj_back", -1, 10);
        On(front, kEventCreate, 0, Say("front create"));
        On(back, kEventCreate, 0, Say("back create"));
        Place(rm, front, 100001, 0, 0, Say("front code"));
        Place(rm, back, 100002, 0, 0, Say("back code"));
        ProcessResult p = Play(0);
        EXPECT_EQ(p.exitCode, 0) << p.err;
        EXPECT_EQ(p.out, createFirst ? "back create\nback code\nfront create\nfront code\n"
                                     : "back code\nback create\nfront code\nfront create\n");
    }
}

// room_goto in a step event: that event's code runs on, every later event of the
// frame is skipped, and the next room starts before the next frame.
TEST_F(FrameTest, RoomChangeFromAStepEventSkipsTheRestOfTheFrame) {
    const int first = Room("rm_first");
    const int second = Room("rm_second");
    const int mover = Object("obj_mover");
    const int late = Object("obj_late");
    On(mover, kEventStep, kStepNormal, Say("mover step") + Call("room_goto", {double(second)}) + Say("mover goes on"));
    On(mover, kEventStep, kStepEnd, Say("mover end step"));
    On(mover, kEventDraw, 0, Say("mover draw"));
    On(mover, kEventOther, kOtherRoomEnd, Say("mover room end"));
    On(late, kEventStep, kStepNormal, Say("late step"));
    On(late, kEventCreate, 0, Say("late create"));
    On(late, kEventOther, kOtherRoomStart, Say("late room start"));
    Place(first, mover, 100001);
    Place(second, late, 100002);
    ProcessResult p = Play(2);
    EXPECT_EQ(p.exitCode, 0) << p.err;
    EXPECT_EQ(p.out,
              "mover draw\nmover step\nmover goes on\nmover room end\nlate create\nlate room start\nlate step\n");
}

struct ExitCase {
    const char* name;
    std::string code;
    int exitCode;
    const char* err;  // expected in stderr
};

// The run contract's exit codes: a normal end is 0, a fatal run-time error 255.
TEST_F(FrameTest, ExitCodes) {
    const ExitCase cases[] = {
        {"game_end", Call("game_end"), 0, ""},
        {"missing room", Call("room_goto", {7}), 255, "Unexisting room number: 7"},
        {"past the last", Call("room_goto_next"), 255, "Moving to next room after the last room."},
        {"before the first", Call("room_goto_previous"), 255, "Moving to previous room before the first room."},
        {"bad code", "push.s \"a\"\npush.d 1\nsub.d.s\npopz.d\n", 255, "FATAL ERROR"},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.name);
        desc = GameDataDesc{};
        desc.options.words[WOptions::ShowErrors] = 1;  // the error texts go to stderr
        const int rm = Room("rm");
        const int o = Object("obj");
        On(o, kEventStep, kStepNormal, Say("step") + c.code);
        On(o, kEventOther, kOtherGameEnd, Say("game end"));
        Place(rm, o, 100001);
        ProcessResult p = Play(-1);
        EXPECT_EQ(p.exitCode, c.exitCode) << p.err;
        EXPECT_NE(p.err.find(c.err), std::string::npos) << p.err;
        // Fatal errors stop the code, so the game end events only run after game_end.
        EXPECT_EQ(p.out, c.exitCode == 0 ? "step\ngame end\n" : "step\n");
    }
}

// A room order naming a room the file does not hold stops the game at its start.
TEST_F(FrameTest, AMissingFirstRoomIsAFatalError) {
    desc.options.words[WOptions::ShowErrors] = 1;
    Room("rm");
    desc.general.roomOrder = {2000000000};
    ProcessResult p = Play(5);
    EXPECT_EQ(p.exitCode, 255);
    EXPECT_NE(p.err.find("Unexisting room number: 2000000000"), std::string::npos) << p.err;
}

// game_restart: game end, then the game starts afresh at the first room; score is
// reset, global variables are not.
TEST_F(FrameTest, GameRestartStartsAfresh) {
    const int first = Room("rm_first");
    const int second = Room("rm_second");
    const int o = Object("obj");
    On(o, kEventOther, kOtherGameStart,
       Say("game start") + SayVar("global.runs") + SayVar("self.score") +
           "push.v global.runs\npush.d 1\nadd.d.v\npop.v.v global.runs\n" + Set("self.score", 5));
    On(o, kEventOther, kOtherGameEnd, Say("game end"));
    On(o, kEventOther, kOtherRoomEnd, Say("room end"));
    const int restarter = Object("obj_restarter");
    On(restarter, kEventCreate, 0, Say("restart") + Call("game_restart"));
    Place(first, o, 100001);
    Place(second, restarter, 100002);
    On(o, kEventStep, kStepNormal,
       "push.v global.runs\npush.d 2\nslt.d.v\nbf skip\n" + Call("room_goto_next") + "skip:\nexit.i\n");
    ProcessResult p = Play(4);
    EXPECT_EQ(p.exitCode, 0) << p.err;
    EXPECT_EQ(p.out,
              "game start\n0\n0\n"  // the first start
              "room end\n"          // frame 1: room_goto_next from the step
              "restart\n"           // the second room's create event asks for the restart
              // frame 2: the restart; nobody in the second room has end events
              "game start\n1\n0\n"      // afresh: score 0 again, the global kept
              "room end\ngame end\n");  // frames 3 and 4 stay, then the frame limit ends the game
}

// A game in script text: the runner compiles it at start, and its bytecode and the tree
// interpreter (-oldexec) play it alike. A compile error stops the game before it starts.
TEST_F(FrameTest, ScriptTextGamesPlayOnBothExecutors) {
    desc.hasCode = false;
    const int first = Room("rm_first");
    const int second = Room("rm_second");
    const int parent = Object("obj_parent");
    const int child = Object("obj_child", parent);
    const int last = Object("obj_last");
    On(parent, kEventStep, kStepNormal, "show_debug_message(\"parent step\"); x += 1;");
    On(child, kEventCreate, 0, "alarm[0] = 2; show_debug_message(\"child create\");");
    On(child, kEventStep, kStepNormal, "event_inherited(); show_debug_message(x);");
    On(child, kEventAlarm, 0, "show_debug_message(\"alarm\"); room_goto_next(); show_debug_message(\"still here\");");
    On(last, kEventCreate, 0, "show_debug_message(global.n * 2); game_end();");
    On(last, kEventOther, kOtherGameEnd, "show_debug_message(\"game end\");");
    Place(first, child, 100001);
    Place(second, last, 100002);
    RoomCode(first, "global.n = 21;");
    TimeLine("tl_unused", {{3, "show_debug_message(\"never\");"}});
    // Frame 2's alarm phase changes the room: that frame has no step.
    const std::string expected = "child create\nparent step\n1\nalarm\nstill here\n42\ngame end\n";
    for (const std::vector<std::string>& extra : {std::vector<std::string>{"--no-wait"}, {"--no-wait", "-oldexec"}}) {
        ProcessResult p = Play(-1, extra);
        EXPECT_EQ(p.exitCode, 0) << p.err;
        EXPECT_EQ(p.out, expected) << extra.back();
    }
    desc.objects[size_t(parent)]->events[kEventStep][0].code = WCodeRef::Source("x = ;");
    desc.options.words[WOptions::ShowErrors] = 1;
    ProcessResult bad = Play(-1);
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("COMPILATION ERROR in code action\nError in code at line 1"), std::string::npos) << bad.err;
}

}  // namespace
