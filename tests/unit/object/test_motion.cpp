// Motion fields and their coupling, friction and gravity, bounding boxes, box against
// pixel-mask tests, and the broad phase against walking every instance.
#include <cmath>
#include <functional>
#include <random>

#include "data/game_resources.h"
#include "graphics/png.h"
#include "graphics/sprite.h"
#include "object/collision.h"
#include "object/game_fixture.h"
#include "object/motion.h"

namespace {

bool IsWhole(float v) { return v == std::trunc(v); }

// Whole values must come out exact (a tiny residue is the fault to catch); the others
// within float noise.
void ExpectValue(const char* name, float expected, float actual) {
    if (IsWhole(expected)) EXPECT_EQ(actual, expected) << name;
    else EXPECT_NEAR(actual, expected, 1e-5) << name;
}

TEST(Motion, SettersCoupleTheTwoForms) {
    struct Case {
        const char* what;
        std::function<void(CInstance&)> apply;
        float hspeed, vspeed, direction, speed;
    };
    const Case cases[] = {
        {"direction 360 is 0", [](CInstance& i) { Motion_SetSpeed(i, 2), Motion_SetDirection(i, 360); }, 2, 0, 0, 2},
        {"direction -90 is 270", [](CInstance& i) { Motion_SetSpeed(i, 2), Motion_SetDirection(i, -90); }, 0, 2, 270,
         2},
        {"direction 725 is 5", [](CInstance& i) { Motion_SetSpeed(i, 2), Motion_SetDirection(i, 725); }, 1.9923894f,
         -0.17431149f, 5, 2},
        {"motion_set(90, 3) has no residue", [](CInstance& i) { Motion_SetDirection(i, 90), Motion_SetSpeed(i, 3); }, 0,
         -3, 90, 3},
        {"components 0 and 0 give direction 0",
         [](CInstance& i) {
             Motion_SetHspeed(i, 3), Motion_SetVspeed(i, 4), Motion_SetHspeed(i, 0), Motion_SetVspeed(i, 0);
         },
         0, 0, 0, 0},
        {"3, -4 goes up and right", [](CInstance& i) { Motion_SetHspeed(i, 3), Motion_SetVspeed(i, -4); }, 3, -4,
         53.130102f, 5},
        {"straight down", [](CInstance& i) { Motion_SetVspeed(i, 2.5); }, 0, 2.5f, 270, 2.5f},
        {"speed near a whole number snaps", [](CInstance& i) { Motion_SetHspeed(i, -0.99999); }, -0.99999f, 0, 180, 1},
        {"an unchanged component derives nothing",
         [](CInstance& i) { Motion_SetHspeed(i, 1), i.direction = 33, Motion_SetHspeed(i, 1); }, 1, 0, 33, 1},
        // The sum keeps the sine's residue: only derived components are snapped.
        {"motion_add sums vectors", [](CInstance& i) { Motion_Add(i, 0, 3), Motion_Add(i, 90, 4); }, 3.0000002f, -4,
         53.130102f, 5},
        {"negative speed runs backwards", [](CInstance& i) { Motion_SetSpeed(i, -2); }, -2, 0, 0, -2},
        {"friction stops at 0, not past it",
         [](CInstance& i) { Motion_SetSpeed(i, 0.3), i.friction = 0.5f, Motion_ApplyFrictionAndGravity(i); }, 0, 0, 0,
         0},
        {"friction slows a backward speed too",
         [](CInstance& i) { Motion_SetSpeed(i, -2), i.friction = 0.5f, Motion_ApplyFrictionAndGravity(i); }, -1.5f, 0,
         0, -1.5f},
        {"three steps of gravity down",
         [](CInstance& i) {
             i.gravity = 0.5f;
             for (int k = 0; k < 3; ++k) Motion_ApplyFrictionAndGravity(i);
         },
         1.9670e-7f, 1.5f, 270, 1.5f},
        {"friction and gravity together",
         [](CInstance& i) {
             Motion_SetHspeed(i, 2);
             i.friction = 0.25f, i.gravity = 1, i.gravityDirection = 90;
             for (int k = 0; k < 2; ++k) Motion_ApplyFrictionAndGravity(i);
         },
         1.5329392f, -1.8759652f, 50.746128f, 2.4226325f},
    };
    CGameSession session;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CInstance i(kFirstInstanceId, -1);
        c.apply(i);
        ExpectValue("hspeed", c.hspeed, i.hspeed);
        ExpectValue("vspeed", c.vspeed, i.vspeed);
        ExpectValue("direction", c.direction, i.direction);
        ExpectValue("speed", c.speed, i.speed);
    }
}

// --- sprites for the box and mask tests -----------------------------------------------------

class MaskTest : public ::testing::Test {
protected:
    CGameSession session;

    // A sprite of w x h pixels whose masks are given (none: not precise).
    int AddSprite(int w, int h, int xo, int yo, std::vector<std::vector<uint8_t>> masks = {}) {
        auto s = std::make_unique<CSprite>();
        s->width = w, s->height = h;
        s->bboxLeft = 0, s->bboxTop = 0, s->bboxRight = w - 1, s->bboxBottom = h - 1;
        s->xorigin = xo, s->yorigin = yo;
        s->frameCount = masks.empty() ? 1 : uint32_t(masks.size());
        s->precise = !masks.empty();
        s->masks = std::move(masks);
        Game().resources->sprites.push_back(std::move(s));
        return int(Game().resources->sprites.size()) - 1;
    }
    // 8 x 8, solid but for the 4 x 4 hole at 2..5.
    static std::vector<uint8_t> Ring() {
        std::vector<uint8_t> m(64, 1);
        for (int y = 2; y < 6; ++y)
            for (int x = 2; x < 6; ++x) m[size_t(y * 8 + x)] = 0;
        return m;
    }
    std::unique_ptr<CInstance> At(int sprite, float x, float y) {
        auto i = std::make_unique<CInstance>(kFirstInstanceId, -1);
        i->spriteIndex = sprite;
        Motion_SetPosition(*i, x, y);
        Instance_MarkMoved(i.get());
        return i;
    }
};

TEST_F(MaskTest, BoxFollowsOriginScaleAndRotation) {
    const int box16 = AddSprite(16, 16, 8, 8);
    const int small = AddSprite(4, 4, 0, 0);
    struct Case {
        const char* what;
        float xscale, yscale, angle;
        int mask;
        int left, top, right, bottom;
    };
    const Case cases[] = {
        {"plain", 1, 1, 0, -1, 92, 92, 107, 107},
        {"mirrored: ends 108 and 91 swapped", -1, 1, 0, -1, 91, 92, 108, 107},
        {"flipped", 1, -1, 0, -1, 92, 91, 107, 108},
        {"twice as wide", 2, 1, 0, -1, 84, 92, 115, 107},
        {"half size", 0.5f, 0.5f, 0, -1, 96, 96, 103, 103},
        {"quarter turn truncates toward zero", 1, 1, 90, -1, 91, 92, 107, 108},
        {"eighth turn", 1, 1, 45, -1, 88, 89, 109, 110},
        {"the mask sprite wins over the sprite", 1, 1, 0, small, 100, 100, 103, 103},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto i = At(box16, 100, 100);
        i->imageXScale = c.xscale, i->imageYScale = c.yscale, i->imageAngle = c.angle, i->maskIndex = c.mask;
        Instance_MarkMoved(i.get());
        Motion_UpdateBox(*i);
        EXPECT_EQ(i->bboxLeft, c.left);
        EXPECT_EQ(i->bboxTop, c.top);
        EXPECT_EQ(i->bboxRight, c.right);
        EXPECT_EQ(i->bboxBottom, c.bottom);
    }
    // No sprite at all: the empty box; a move marks the box stale and the next reader
    // sees the new one.
    auto none = At(-1, 5, 5);
    Motion_UpdateBox(*none);
    EXPECT_EQ(none->bboxLeft, kEmptyBox);
    EXPECT_EQ(none->bboxBottom, kEmptyBox);
    auto i = At(box16, 100, 100);
    Motion_UpdateBox(*i);
    Motion_SetPosition(*i, 110, 100);
    EXPECT_TRUE(i->bboxDirty);
    Motion_UpdateBox(*i);
    EXPECT_EQ(i->bboxLeft, 102);
}

TEST_F(MaskTest, PreciseTestsSeeTheHoleThatBoxesCover) {
    auto ring = At(AddSprite(8, 8, 0, 0, {Ring()}), 10, 10);  // box 10..17
    struct Case {
        const char* what;
        std::function<bool(CInstance&, bool)> test;
        bool byBox, byMask;
    };
    const Case cases[] = {
        {"point in the hole", [](CInstance& i, bool p) { return Collision_Point(i, 13, 13, p); }, true, false},
        {"point on the ring", [](CInstance& i, bool p) { return Collision_Point(i, 10.4, 10, p); }, true, true},
        {"point past the box", [](CInstance& i, bool p) { return Collision_Point(i, 18, 10, p); }, false, false},
        {"rectangle in the hole", [](CInstance& i, bool p) { return Collision_Rectangle(i, 15, 15, 12, 12, p); }, true,
         false},
        {"rectangle reaching the ring", [](CInstance& i, bool p) { return Collision_Rectangle(i, 12, 12, 16, 15, p); },
         true, true},
        {"ellipse in the hole", [](CInstance& i, bool p) { return Collision_Ellipse(i, 12, 12, 15, 15, p); }, true,
         false},
        {"ellipse over the ring", [](CInstance& i, bool p) { return Collision_Ellipse(i, 6, 6, 21, 21, p); }, true,
         true},
        {"ellipse clear of the box corner", [](CInstance& i, bool p) { return Collision_Ellipse(i, 0, 0, 11, 11, p); },
         false, false},
        {"line along the hole", [](CInstance& i, bool p) { return Collision_Line(i, 12, 13, 15, 13, p); }, true, false},
        {"line across the ring", [](CInstance& i, bool p) { return Collision_Line(i, 20, 13, 0, 13, p); }, true, true},
        {"steep line in the hole", [](CInstance& i, bool p) { return Collision_Line(i, 13, 0, 13.4, 30, p); }, true,
         true},
        {"line above the box", [](CInstance& i, bool p) { return Collision_Line(i, 0, 5, 30, 9, p); }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.test(*ring, false), c.byBox);
        EXPECT_EQ(c.test(*ring, true), c.byMask);
    }
}

TEST_F(MaskTest, MasksFollowScaleRotationAndFrame) {
    const int ringSprite = AddSprite(8, 8, 0, 0, {Ring()});
    auto wide = At(ringSprite, 10, 10);
    wide->imageXScale = 2;
    Instance_MarkMoved(wide.get());
    EXPECT_FALSE(Collision_Point(*wide, 14, 13, true));  // mask column 2: the hole
    EXPECT_TRUE(Collision_Point(*wide, 12, 13, true));   // column 1
    EXPECT_TRUE(Collision_Point(*wide, 25, 13, true));   // column 7, box 10..25

    auto turned = At(ringSprite, 20, 20);
    turned->imageAngle = 180;
    Instance_MarkMoved(turned.get());
    EXPECT_FALSE(Collision_Point(*turned, 17, 17, true));
    EXPECT_TRUE(Collision_Point(*turned, 19, 19, true));

    // Frame 1 is empty; the frame is the integer part modulo the count, negative ones
    // counted from the end.
    auto framed = At(AddSprite(8, 8, 0, 0, {std::vector<uint8_t>(64, 1), std::vector<uint8_t>(64, 0)}), 0, 0);
    for (float index : {0.0f, 1.5f, 2.0f, -1.0f}) {
        framed->imageIndex = index;
        EXPECT_EQ(Collision_Point(*framed, 3, 3, true), std::fmod(std::trunc(index) + 2, 2.0f) == 0) << index;
    }

    // Instance against instance: a 2 x 2 block sits in the hole without touching.
    auto block = At(AddSprite(2, 2, 0, 0, {std::vector<uint8_t>(4, 1)}), 13, 13);
    auto ring = At(ringSprite, 10, 10);
    EXPECT_TRUE(Collision_Instances(*ring, *block, false));
    EXPECT_FALSE(Collision_Instances(*ring, *block, true));
    Motion_SetPosition(*block, 16, 13);
    EXPECT_TRUE(Collision_Instances(*block, *ring, true));
    ring->marked = true;
    EXPECT_FALSE(Collision_Instances(*block, *ring, false));
}

// --- the broad phase --------------------------------------------------------------------------

class BroadPhaseTest : public GameTest {
protected:
    CFrameHooks saved;
    void SetUp() override {
        GameTest::SetUp();
        saved = Game_Hooks();
        Motion_InstallHooks();
        CFrameHooks hooks = saved;
        hooks.updateMotion = Motion_UpdateAll;
        hooks.runCollisionEvents = Collision_RunEvents;
        Game_SetHooks(hooks);
    }
    void TearDown() override {
        Collision_SetBroadPhase(true);
        Game_SetHooks(saved);
        GameTest::TearDown();
    }

    // A 640 x 480 room of 300 boxes at random places, a fifth of them solid walls;
    // balls meet balls and walls, and a wall pushed by a ball steps aside.
    void Build() {
        desc.texturePages = {WTexturePageEntry{0, 0, 16, 16, 0, 0, 16, 16, 16, 16, 0}};
        const std::vector<uint8_t> white(16 * 16 * 4, 255);
        desc.textures = {WTexture{0, Png_EncodeRGBA(16, 16, white.data())}};
        WSprite s;
        s.name = "spr_box";
        s.width = s.height = 16;
        s.bboxRight = s.bboxBottom = 15;
        s.originX = s.originY = 8;
        s.frames = {0};
        desc.sprites.push_back(s);
        WSprite ring;
        ring.name = "spr_ring";
        ring.width = ring.height = 8;
        ring.bboxRight = ring.bboxBottom = 7;
        ring.precise = 1;
        ring.frames = {0};
        ring.masks = {[] {
            std::vector<uint8_t> m(64, 1);
            for (int y = 2; y < 6; ++y)
                for (int x = 2; x < 6; ++x) m[size_t(y * 8 + x)] = 0;
            return m;
        }()};
        desc.sprites.push_back(ring);
        const int rm = Room("rm");
        const int ball = Object("obj_ball");
        const int wall = Object("obj_wall");
        const int small = Object("obj_small", ball);
        desc.objects[size_t(ball)]->sprite = 0;
        desc.objects[size_t(wall)]->sprite = 0;
        desc.objects[size_t(wall)]->solid = 1;
        desc.objects[size_t(small)]->sprite = 1;
        On(ball, kEventCollision, ball, SayVar("self.id") + SayVar("other.id"));
        On(wall, kEventCollision, ball,
           SayVar("self.id") + SayVar("other.id") + "push.v self.x\npush.d 3\nadd.d.v\npop.v.v self.x\n");
        std::mt19937 random(20261210);
        for (int k = 0; k < 300; ++k) {
            const int object = k % 5 == 0 ? wall : (k % 7 == 0 ? small : ball);
            Place(rm, object, 100001 + k, int(random() % 640), int(random() % 480));
        }
    }
    void SetSpeeds() {
        std::mt19937 random(7);
        for (CInstance* i = Game().world->ActiveHead(); i; i = i->next) {
            Motion_SetHspeed(*i, double(int(random() % 9) - 4));
            Motion_SetVspeed(*i, double(int(random() % 9) - 4));
        }
    }
    std::string Play(bool broad) {
        Collision_SetBroadPhase(broad);
        Load();
        Start();
        SetSpeeds();
        std::string out = Frames(6);
        End();
        return out;
    }
};

TEST_F(BroadPhaseTest, CollisionEventsMatchWalkingEveryPair) {
    Build();
    desc.general.highestInstanceId = 100400;
    const std::string walked = Play(false);
    const std::string broad = Play(true);
    EXPECT_GT(std::count(walked.begin(), walked.end(), '\n'), 40);
    EXPECT_EQ(broad, walked);
}

TEST_F(BroadPhaseTest, SearchesMatchWalkingTheLists) {
    Build();
    desc.general.highestInstanceId = 100400;
    Load();
    Start();
    SetSpeeds();
    Frames(2);
    std::mt19937 random(99);
    auto coord = [&random](int range) { return double(int(random() % uint32_t(range * 4))) / 4.0 - 20; };
    const int objects[] = {-3, 0, 1, 2};
    int hits = 0;
    std::vector<CInstance*> all;
    Game().world->All(all);
    ASSERT_EQ(all.size(), 300u);
    for (int k = 0; k < 400; ++k) {
        const EShape shape = EShape(k % 4);
        const double x1 = coord(680), y1 = coord(520);
        const double x2 = x1 + coord(120), y2 = y1 + coord(120);
        const int obj = objects[k % 4];
        const bool precise = (k / 4) % 2 == 1;
        CInstance* self = all[size_t(k) % all.size()];
        Collision_SetBroadPhase(false);
        CInstance* walked = Collision_Find(shape, x1, y1, x2, y2, obj, precise, true, self);
        CInstance* placeWalked = Collision_InstancePlace(*self, x1, y1, obj);
        const bool freeWalked = Collision_PlaceFree(*self, x1, y1);
        Collision_SetBroadPhase(true);
        EXPECT_EQ(Collision_Find(shape, x1, y1, x2, y2, obj, precise, true, self), walked) << k;
        EXPECT_EQ(Collision_InstancePlace(*self, x1, y1, obj), placeWalked) << k;
        EXPECT_EQ(Collision_PlaceFree(*self, x1, y1), freeWalked) << k;
        hits += (walked != nullptr) + (placeWalked != nullptr) + !freeWalked;
    }
    EXPECT_GT(hits, 100);
    End();
}

}  // namespace
