// Time lines: which moments a step runs, in which order, with looping both ways.
#include "data/game.h"
#include "object/game_fixture.h"

namespace {

class TimeLineTest : public GameTest {};

struct TimeLineCase {
    double speed, position;
    bool loop;
    int frames;
    const char* moments;  // per frame, separated by '|'
    double positionAfter;
};

TEST_F(TimeLineTest, StepsRunTheMomentsTheyPass) {
    const int rm = Room("rm");
    const int o = Object("obj");
    // Listed out of order: preparation sorts them.
    const int t = TimeLine("tl", {{5, Say("m5")}, {0, Say("m0")}});
    Place(rm, o, 100001);
    Load();
    Start();
    CInstance* inst = Game().world->Find(100001);
    ASSERT_NE(inst, nullptr);
    const TimeLineCase cases[] = {
        {1, 0, false, 7, "m0|||||m5|", 7}, {1, 0, true, 7, "m0|||||m5|m0", 1},  {2, 4, false, 1, "m5", 6},
        {-1, 5, false, 2, "m5|", 3},       {-1, 5, true, 7, "m5|||||m0|m5", 4}, {0.5, 0, false, 3, "m0||", 1.5},
    };
    for (const TimeLineCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.speed) + " from " + std::to_string(c.position));
        inst->timelineIndex = t;
        inst->timelineRunning = true;
        inst->timelineSpeed = float(c.speed);
        inst->timelinePosition = float(c.position);
        inst->timelineLoop = c.loop;
        std::string log;
        for (int f = 0; f < c.frames; ++f) {
            std::string out = Frames(1);
            while (!out.empty() && out.back() == '\n') out.pop_back();
            log += (f ? "|" : "") + out;
        }
        EXPECT_EQ(log, c.moments);
        EXPECT_EQ(inst->timelinePosition, float(c.positionAfter));
    }
    // Stopped, or without a time line, nothing moves.
    inst->timelineRunning = false;
    EXPECT_EQ(Frames(1), "");
    EXPECT_EQ(inst->timelinePosition, 1.5f);
    inst->timelineRunning = true;
    inst->timelineIndex = 9;
    EXPECT_EQ(Frames(1), "");
}

TEST_F(TimeLineTest, MomentTableOperations) {
    CTimeLine t;
    EXPECT_EQ(t.FirstMomentAtOrAfter(3), 0);
    EXPECT_EQ(t.LastMomentAtOrBefore(3), -1);
    t.AddMoment(10);
    t.AddMoment(2);
    CEvent& again = t.AddMoment(10);
    ASSERT_EQ(t.MomentCount(), 2);
    EXPECT_EQ(&again, t.MomentEvent(1));
    EXPECT_EQ(t.MomentTime(0), 2);
    EXPECT_EQ(t.FirstMomentAtOrAfter(2), 0);
    EXPECT_EQ(t.FirstMomentAtOrAfter(2.5), 1);
    EXPECT_EQ(t.FirstMomentAtOrAfter(11), 2);
    EXPECT_EQ(t.LastMomentAtOrBefore(9.9), 0);
    EXPECT_EQ(t.LastMomentAtOrBefore(10), 1);
    EXPECT_EQ(t.MomentEvent(5), nullptr);
    t.ClearMoment(3);
    t.ClearMoment(2);
    ASSERT_EQ(t.MomentCount(), 1);
    EXPECT_EQ(t.MomentTime(0), 10);
}

}  // namespace
