// The run state around the frames: frame timing, the built-in variables of instances,
// rooms and scores, lives and health events, freezing and the window caption.
#include "data/game.h"
#include "object/game_fixture.h"

namespace {

TEST(GameLoopTiming, WaitFillsThePeriodAndNeverCatchesUp) {
    struct Case {
        int speed;
        int64_t frameStart, lastTarget;
        int64_t wait;
    } cases[] = {
        {30, 10000, 0, 23333},                        // a 10 ms step at 30 per second
        {30, 50000, 0, 0},                            // a step longer than the period: no wait
        {60, 0, 0, 16666},       {0, 0, 0, 1000000},  // speed 0 counts as 1
        {-5, 400000, 0, 600000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Game_WaitTime(c.speed, c.frameStart, c.lastTarget), c.wait) << c.speed << " " << c.frameStart;
}

class GameLoopTest : public GameTest {};

TEST_F(GameLoopTest, InstanceVariablesReadAndWriteTheirFields) {
    const int rm = Room("rm");
    const int o = Object("obj");
    On(o, kEventCreate, 0,
       SetAt("self.alarm", 20, 7) + Set("self.x", 1.1) + Set("self.depth", -3) + Set("self.image_single", 2) +
           Set("self.timeline_running", 0.7) + Set("self.persistent", 0.5) + Set("self.path_endaction", 2.5));
    Place(rm, o, 100001);
    Place(rm, o, 100002);
    Load();
    Start();
    CInstance* first = Game().world->Find(100001);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->alarm[0], 7);
    EXPECT_EQ(first->x, 1.1f);  // stored as a float
    EXPECT_EQ(first->depth, -3);
    EXPECT_EQ(first->imageIndex, 2);
    EXPECT_EQ(first->imageSpeed, 0);
    EXPECT_TRUE(first->timelineRunning);
    EXPECT_FALSE(first->persistent);  // 0.5 rounds to 0
    EXPECT_EQ(first->pathEndAction, 2);
    // Both moved to depth -3 in turn: the later mover comes last.
    EXPECT_EQ(Room_Running()->active.head->id, 100002);

    CValue v;
    const VariableScope where{first, first, nullptr};
    EXPECT_FALSE(Variable_SetByScope(kScopeSelf, Variable_Find("object_index"), 0, CValue(1.0), where));
    ASSERT_TRUE(Variable_GetByScope(kScopeSelf, Variable_Find("instance_count"), 0, v, where));
    EXPECT_EQ(v.val, 2);
    ASSERT_TRUE(Variable_GetByScope(kScopeSelf, Variable_Find("instance_id"), 1, v, where));
    EXPECT_EQ(v.val, 100001);
    ASSERT_TRUE(Variable_GetByScope(kScopeSelf, Variable_Find("instance_id"), 2, v, where));
    EXPECT_EQ(v.val, kNoone);
    ASSERT_TRUE(Variable_GetByScope(kScopeSelf, Variable_Find("image_single"), 0, v, where));
    EXPECT_EQ(v.val, 2);
    // Without an instance an instance variable cannot be read.
    EXPECT_FALSE(Variable_GetByScope(kScopeSelf, Variable_Find("x"), 0, v, VariableScope{}));
}

TEST_F(GameLoopTest, RoomVariablesAndTheRoomRequest) {
    const int first = Room("rm_first");
    const int second = Room("rm_second");
    const int o = Object("obj");
    On(o, kEventOther, kOtherRoomStart, SayVar("self.room") + SayVar("self.room_caption") + SayVar("self.room_width"));
    On(o, kEventStep, kStepNormal, Set("self.room_speed", 60) + Set("self.room", second));
    Place(first, o, 100001);
    Place(second, o, 100002);
    Load();
    EXPECT_EQ(Start(), "0\nrm_first\n640\n");
    EXPECT_EQ(Frames(1), "1\nrm_second\n640\n");
    EXPECT_EQ(Room_Running()->speed, 30);  // the running copy of the first room had 60
    EXPECT_EQ(Room_Definition(first)->speed, 30);
}

// Lives from 1 or more to below 1 give No More Lives once; health from above 0 to 0 or
// less gives No More Health.
TEST_F(GameLoopTest, LivesAndHealthRunOutOnce) {
    const int rm = Room("rm");
    const int o = Object("obj");
    On(o, kEventOther, kOtherNoMoreLives, Say("no more lives"));
    On(o, kEventOther, kOtherNoMoreHealth, Say("no more health"));
    Place(rm, o, 100001);
    Load();
    Start();
    const VariableScope where{};
    auto set = [&](const char* name, double v) {
        testing::internal::CaptureStdout();
        EXPECT_TRUE(Variable_SetByScope(kScopeSelf, Variable_Find(name), 0, CValue(v), where));
        return testing::internal::GetCapturedStdout();
    };
    EXPECT_EQ(Game().run.lives, -1);
    EXPECT_EQ(set("lives", 2), "");
    EXPECT_EQ(set("lives", 0), "no more lives\n");
    EXPECT_EQ(set("lives", -1), "");
    EXPECT_EQ(set("health", 0.5), "");
    EXPECT_EQ(set("health", 0), "no more health\n");
    EXPECT_EQ(set("health", -3), "");
    set("score", 12.6);
    EXPECT_EQ(Game().run.score, 13);
}

TEST_F(GameLoopTest, CaptionShowsTheRoomCaptionAndTheChosenValues) {
    Room("rm");
    Load();
    Start();
    EXPECT_EQ(Game_Caption(), "rm");
    Game().run.score = 40;
    Game().run.showScore = true;
    Game().run.showLives = true;
    Game().run.lives = 3;
    Game().run.captionLives = "Ships: ";
    EXPECT_EQ(Game_Caption(), "rm Score: '40 Ships: 3");
}

class TInactiveInput final : public IEventInput {
public:
    bool KeyHeld(int) const override { return false; }
    bool KeyPressed(int) const override { return false; }
    bool KeyReleased(int) const override { return false; }
    bool ButtonHeld(int) const override { return false; }
    bool ButtonPressed(int) const override { return false; }
    bool ButtonReleased(int) const override { return false; }
    bool WheelUp() const override { return false; }
    bool WheelDown() const override { return false; }
    void MousePosition(double& x, double& y) const override { x = y = 0; }
    bool Joystick(int, int&, int&, unsigned&) const override { return false; }
    bool WindowVisible() const override { return true; }
    bool WindowActive() const override { return false; }
    void StartFrame() override {}
    void FinishFrame() override {}
    void Clear() override {}
};

TEST_F(GameLoopTest, FreezeWhenInactiveStopsEveryEvent) {
    const int rm = Room("rm");
    const int o = Object("obj");
    On(o, kEventStep, kStepBegin, Say("begin"));
    Place(rm, o, 100001);
    desc.options.words[WOptions::FreezeOnLostFocus] = 1;
    Load();
    Start();
    TInactiveInput inactive;
    Event_SetInput(&inactive);
    EXPECT_EQ(Frames(2), "");
    EXPECT_EQ(Game().run.frameCount, 0);
    Event_SetInput(nullptr);
    EXPECT_EQ(Frames(1), "begin\n");
    EXPECT_EQ(Game().run.frameCount, 1);
}

}  // namespace
