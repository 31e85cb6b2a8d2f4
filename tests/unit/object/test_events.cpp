// Finding and performing events: the parent chain, event_inherited, the passes' rule
// for instances made during them, alarms, the keyboard phase and the event names.
#include <set>

#include "data/game.h"
#include "object/game_fixture.h"

namespace {

class EventTest : public GameTest {};

TEST_F(EventTest, FindEventWalksParentsAndTheOtherObjectsAncestors) {
    const int base = Object("obj_base");
    const int mid = Object("obj_mid", base);
    const int leaf = Object("obj_leaf", mid);
    const int hunter = Object("obj_hunter");
    const int young = Object("obj_young", hunter);
    On(base, kEventStep, kStepNormal, "");
    On(mid, kEventStep, kStepNormal, "");
    On(hunter, kEventCollision, base, "");  // with the base: so with every descendant
    Load();
    int found = -1;
    EXPECT_NE(Event_Find(leaf, kEventStep, kStepNormal, &found), nullptr);
    EXPECT_EQ(found, mid);  // the nearest ancestor that has it
    EXPECT_EQ(Event_Find(leaf, kEventStep, kStepBegin), nullptr);
    EXPECT_NE(Event_Find(young, kEventCollision, leaf, &found), nullptr);
    EXPECT_EQ(found, hunter);
    EXPECT_EQ(Event_Find(base, kEventCollision, hunter), nullptr);
    // Lists name every object that has the event, ascending; pairs are listed once.
    std::vector<int> steppers;
    for (const CEventListEntry& e : Event_ObjectList(kEventStep, kStepNormal)) steppers.push_back(e.object);
    EXPECT_EQ(steppers, (std::vector<int>{base, mid, leaf}));
    const auto& pairs = Event_CollisionPairs();
    using PairSet = std::set<std::pair<int, int>>;
    const PairSet expected = {{base, hunter}, {mid, hunter}, {leaf, hunter},
                              {base, young},  {mid, young},  {leaf, young}};
    EXPECT_EQ(PairSet(pairs.begin(), pairs.end()), expected);
    EXPECT_EQ(pairs.size(), expected.size());
}

// A child without its own step gets the parent's; event_inherited there goes on to the
// grandparent, and after a nested event_perform it still knows its own event.
TEST_F(EventTest, InheritedEventsRunUpTheChain) {
    const int rm = Room("rm");
    const int grand = Object("obj_grand");
    const int parent = Object("obj_parent", grand);
    const int child = Object("obj_child", parent);
    On(grand, kEventStep, kStepNormal, Say("grand step") + SayVar("self.event_object"));
    On(grand, kEventOther, kOtherUser0 + 3, Say("user 3"));
    On(parent, kEventStep, kStepNormal,
       Say("parent step") + Call("event_user", {3}) + Call("event_inherited") + SayVar("self.event_object"));
    Place(rm, child, 100001);
    Load();
    Start();
    EXPECT_EQ(Frames(1),
              "parent step\nuser 3\ngrand step\n" + std::to_string(grand) + "\n" + std::to_string(parent) + "\n");
    (void)child;
}

// An instance made during a pass misses that pass only: made in the begin step it gets
// the normal step of the same frame; made in the step, the end step.
TEST_F(EventTest, InstancesMadeDuringAPassJoinTheNextOne) {
    const int rm = Room("rm");
    const int maker = Object("obj_maker");
    const int kid = Object("obj_kid");
    const int late = Object("obj_late");
    const std::string once = "push.v global.made\nconv.v.b\nbt done\n" + Set("global.made", 1);
    On(maker, kEventStep, kStepBegin, once + Call("instance_create", {0, 0, double(kid)}) + "done:\nexit.i\n");
    On(maker, kEventStep, kStepNormal,
       "push.v global.made\npush.d 1\nseq.d.v\nbf skip\n" + Set("global.made", 2) +
           Call("instance_create", {0, 0, double(late)}) + "skip:\nexit.i\n");
    for (int o : {kid, late}) {
        const std::string name = o == kid ? "kid" : "late";
        On(o, kEventStep, kStepBegin, Say(name + " begin"));
        On(o, kEventStep, kStepNormal, Say(name + " step"));
        On(o, kEventStep, kStepEnd, Say(name + " end"));
    }
    Place(rm, maker, 100001);
    Load();
    Start();
    EXPECT_EQ(Frames(1), "kid step\nkid end\nlate end\n");
    EXPECT_EQ(Frames(1), "kid begin\nlate begin\nkid step\nlate step\nkid end\nlate end\n");
}

// An alarm fires in the frame its count reaches 0: set to 3 in the create event, the
// third frame. Set to 0 it goes off without firing; objects without the event never
// count theirs.
TEST_F(EventTest, AlarmsCountDownToTheirEvent) {
    const int rm = Room("rm");
    const int ringer = Object("obj_ringer");
    const int silent = Object("obj_silent");
    On(ringer, kEventCreate, 0, SetAt("self.alarm", 0, 3) + SetAt("self.alarm", 20, 3) + SetAt("self.alarm", 1, 0));
    On(ringer, kEventAlarm, 0, Say("ring") + "push.i 0\npush.v self.alarm[]\ncall.i show_debug_message 1\npopz.v\n");
    On(ringer, kEventAlarm, 1, Say("never"));
    On(silent, kEventCreate, 0, SetAt("self.alarm", 0, 3));
    Place(rm, ringer, 100001);
    Place(rm, silent, 100002);
    Load();
    Start();
    CInstance* r = Game().world->Find(100001);
    CInstance* s = Game().world->Find(100002);
    ASSERT_TRUE(r && s);
    EXPECT_EQ(Frames(2), "");
    EXPECT_EQ(r->alarm[0], 1);
    EXPECT_EQ(r->alarm[1], -1);
    EXPECT_EQ(Frames(1), "ring\n0\n");
    EXPECT_EQ(r->alarm[0], 0);
    EXPECT_EQ(Frames(1), "");
    EXPECT_EQ(r->alarm[0], -1);
    EXPECT_EQ(s->alarm[0], 3);
}

class TKeyInput final : public IEventInput {
public:
    std::set<int> held, pressed, released;
    bool KeyHeld(int k) const override { return held.count(k) != 0; }
    bool KeyPressed(int k) const override { return pressed.count(k) != 0; }
    bool KeyReleased(int k) const override { return released.count(k) != 0; }
    bool ButtonHeld(int) const override { return false; }
    bool ButtonPressed(int) const override { return false; }
    bool ButtonReleased(int) const override { return false; }
    bool WheelUp() const override { return false; }
    bool WheelDown() const override { return false; }
    void MousePosition(double& x, double& y) const override { x = y = 0; }
    bool Joystick(int, int&, int&, unsigned&) const override { return false; }
    bool WindowVisible() const override { return true; }
    bool WindowActive() const override { return true; }
    void StartFrame() override {}
    void FinishFrame() override {}
    void Clear() override {}
};

TEST_F(EventTest, KeyboardPhaseDeliversKeysThenTheSummaries) {
    const int rm = Room("rm");
    const int o = Object("obj");
    for (int type : {kEventKeyboard, kEventKeyPress, kEventKeyRelease})
        for (int key : {0, 1, 65}) On(o, type, key, Say(std::to_string(type) + "," + std::to_string(key)));
    Place(rm, o, 100001);
    Load();
    Start();
    TKeyInput input;
    Event_SetInput(&input);
    EXPECT_EQ(Frames(1), "5,0\n9,0\n10,0\n");
    input.held = {65};
    input.pressed = {65};
    EXPECT_EQ(Frames(1), "5,65\n9,65\n5,1\n9,1\n10,0\n");
    input.pressed.clear();
    EXPECT_EQ(Frames(1), "5,65\n5,1\n9,0\n10,0\n");
    input.held.clear();
    input.released = {65};
    EXPECT_EQ(Frames(1), "5,65\n10,65\n5,1\n9,0\n10,1\n");
}

// The error heading names the running event and the object that holds it, and goes
// back to the outer event when a nested one returns.
TEST_F(EventTest, ErrorHeadingsNameTheRunningEvent) {
    const int rm = Room("rm");
    const int parent = Object("obj_parent");
    const int child = Object("obj_child", parent);
    const std::string bad = "push.s \"a\"\npush.d 1\nsub.d.s\npopz.d\n";
    On(child, kEventOther, kOtherUser0, "");
    On(parent, kEventStep, kStepEnd, Call("event_user", {0}) + bad);
    Place(rm, child, 100001);
    Load();
    Start();
    Frames(1);
    EXPECT_NE(Game().error.last.find("of  Step Event2\nfor object obj_parent:"), std::string::npos)
        << Game().error.last;
    EXPECT_TRUE(Code_EndingOnError());
}

struct NameCase {
    int type, number;
    const char* shortName;
    const char* longName;
};

TEST(EventNames, ShortAndLong) {
    const NameCase cases[] = {
        {0, 0, "Create", "Create Event"},
        {2, 11, "Alarm 11", "Alarm Event for alarm 11"},
        {3, 1, "BeginStep", " Step Event1"},
        {3, 2, "EndStep", " Step Event2"},
        {5, 37, "<Left>", "Keyboard Event for <Left> Key"},
        {5, 65, "A-key", "Keyboard Event for A-key Key"},
        {9, 100, "press Keypad-4", "Key Press Event for Keypad-4 Key"},
        {10, 123, "release F12", "Key Release Event for F12 Key"},
        {10, 200, "release <unknown>", "Key Release Event for <unknown> Key"},
        {6, 23, "Joystick 1 Button 3", "Mouse Event for Joystick 1 Button 3"},
        {6, 56, "Glob Left Released", "Mouse Event for Glob Left Released"},
        {7, 13, "User Defined 3", "Other Event: User Defined 3"},
        {7, 47, "Outside View 7", "Other Event: Outside View 7"},
        {7, 61, "Sound Loaded", "Web Event: Sound Loaded"},
        {7, 62, "<unknown>", "Web Event: <unknown>"},
        {8, 0, "Draw", "Draw Event"},
        {11, 0, "<Unknown Event>", "<Unknown Event>"},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(Event_ShortName(c.type, c.number), c.shortName) << c.type << "," << c.number;
        EXPECT_EQ(Event_LongName(c.type, c.number), c.longName) << c.type << "," << c.number;
    }
}

// The per-object lookup the draw and animation phases use gives what a search up the
// parent chain gives, for every object, and follows the lists when they are rebuilt.
TEST_F(EventTest, ListEntryAgreesWithFindAcrossARebuild) {
    const int base = Object("obj_base");
    const int plain = Object("obj_plain");
    const int child = Object("obj_child", base);
    const int own = Object("obj_own", base);
    On(base, kEventDraw, 0, "");
    On(own, kEventDraw, 0, "");
    Load();
    auto check = [&](const char* when) {
        for (int o : {base, plain, child, own, own + 1, -1}) {
            int found = -1;
            const CEvent* e = Event_Find(o, kEventDraw, 0, &found);
            const CEventListEntry* entry = Event_ListEntry(kEventDraw, 0, o);
            ASSERT_EQ(entry != nullptr, e != nullptr) << when << ", object " << o;
            if (!entry) continue;
            EXPECT_EQ(entry->object, o) << when;
            EXPECT_EQ(entry->event, e) << when << ", object " << o;
            EXPECT_EQ(entry->foundIn, found) << when << ", object " << o;
        }
    };
    check("as loaded");
    EXPECT_EQ(Event_ListEntry(kEventDraw, 0, child)->foundIn, base);
    // The child leaves its parent: after the rebuild it has no draw event at all.
    Object_Find(child)->parentIndex = -1;
    Object_ResolveParents();
    Event_RebuildLists();
    check("after the rebuild");
    EXPECT_EQ(Event_ListEntry(kEventDraw, 0, child), nullptr);
    EXPECT_EQ(Event_ListEntry(kEventOther, kOtherAnimationEnd, base), nullptr);  // an empty list
}

}  // namespace
