// Rooms with a physics world, played through the runner: bodies settle, forces and
// impulses change velocities by the expected amounts, joints hold, and each misuse
// reports its own message.
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "object/game_fixture.h"

namespace {

std::vector<double> Numbers(const std::string& text) {
    std::vector<double> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        char* end = nullptr;
        const double v = std::strtod(word.c_str(), &end);
        if (end && *end == '\0') out.push_back(v);
    }
    return out;
}

class PhysicsTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        desc.hasCode = false;
    }
    // A room of the given speed with a world of scale 0.1 and the given gravity.
    int World(double gravityY, int speed = 30) {
        const int rm = Room("rm");
        WRoom& r = *desc.rooms[size_t(rm)];
        r.physicsWorld = 1;
        r.gravityX = 0;
        r.gravityY = float(gravityY);
        r.physicsScale = 0.1f;
        r.speed = speed;
        return rm;
    }
    // An object whose instances get a body from its physics properties.
    int Body(const std::string& name, int shape, float density, std::vector<WPoint> points) {
        const int o = Object(name);
        WObject& w = *desc.objects[size_t(o)];
        w.usesPhysics = 1;
        w.physicsShape = shape;
        w.physicsValue1 = density;
        w.shapePoints = std::move(points);
        return o;
    }
    std::string Run(int frames) {
        const ProcessResult p = Play(frames);
        EXPECT_EQ(p.exitCode, 0) << p.err;
        return p.out;
    }
};

constexpr int kCircle = 0, kBox = 1;

// A crate from the object's properties and one whose fixture is built in code fall on
// a static floor, settle on its top (their centres half a crate above it) and agree in
// mass and place.
TEST_F(PhysicsTest, CratesFromDataAndFromCodeSettleOnTheFloor) {
    const int rm = World(10);
    const int floor = Body("obj_floor", kBox, 0, {{0, 0}, {300, 0}, {300, 20}, {0, 20}});
    const int crate = Body("obj_crate", kBox, 1, {{-8, -8}, {8, -8}, {8, 8}, {-8, 8}});
    const int coded = Object("obj_coded");
    On(coded, kEventCreate, 0,
       "var f; f = physics_fixture_create(); physics_fixture_set_box_shape(f, 8, 8);"
       "physics_fixture_set_density(f, 1); physics_fixture_set_restitution(f, 0);"
       "physics_fixture_set_linear_damping(f, 0); physics_fixture_set_angular_damping(f, 0);"
       "physics_fixture_bind(f, -1); physics_fixture_delete(f);");
    for (int o : {crate, coded}) {
        On(floor, kEventCollision, o, "");
        On(o, kEventCollision, floor, "");
        On(o, kEventOther, kOtherGameEnd,
           "show_debug_message(string(x) + \" \" + string(y) + \" \" + string(phy_mass) + \" \" + "
           "string(image_angle) + \" \" + string(phy_sleeping));");
    }
    Place(rm, floor, 100001, 0, 200);
    Place(rm, crate, 100002, 100, 120);
    Place(rm, coded, 100003, 200, 120);
    const std::vector<double> v = Numbers(Run(120));
    ASSERT_EQ(v.size(), 10u);
    for (size_t k : {0u, 5u}) {
        EXPECT_NEAR(v[k + 1], 192, 0.25) << k;   // resting on y = 200, within the solver's slop
        EXPECT_NEAR(v[k + 2], 2.56, 1e-3) << k;  // 1.6 m square of density 1
        EXPECT_NEAR(v[k + 3], 0, 0.01) << k;     // no spin from a flat landing
        EXPECT_EQ(v[k + 4], 1) << k;             // asleep by then
    }
    EXPECT_NEAR(v[0], 100, 0.01);
    EXPECT_NEAR(v[5], 200, 0.01);
}

// Without gravity or damping, one frame after each call the velocity (pixels per
// second) is the impulse, or the force times the step, over the mass. The ball is a
// circle of 1 m radius and density 1: mass pi, inertia pi / 2.
TEST_F(PhysicsTest, ImpulsesAndForcesChangeVelocity) {
    const double pi = 3.14159265358979;
    struct Case {
        const char* call;
        double vx, vy, spin;  // px/s, px/s, degrees/s
    };
    const std::vector<Case> cases = {
        {"physics_apply_impulse(x, y, 10, 0)", 100 / pi, 0, 0},
        {"physics_apply_impulse(x, y - 10, 10, 0)", 100 / pi, 0, 10 / (pi / 2) * 180 / pi},
        {"physics_apply_force(x, y, 0, 300)", 0, 100 / pi, 0},
        {"phy_rotation = 90; physics_apply_local_impulse(0, 0, 10, 0)", 0, 100 / pi, 0},
        {"physics_apply_local_force(0, 0, -300, 0)", -100 / pi, 0, 0},
        {"physics_apply_torque(30)", 0, 0, 30 / (pi / 2) / 30 * 180 / pi},
    };
    const int rm = World(0);
    const int ball = Object("obj_ball");
    On(ball, kEventCreate, 0,
       "var f; f = physics_fixture_create(); physics_fixture_set_circle_shape(f, 10);"
       "physics_fixture_set_density(f, 1); physics_fixture_set_linear_damping(f, 0);"
       "physics_fixture_set_angular_damping(f, 0); physics_fixture_bind(f, -1); n = 0;");
    On(ball, kEventOther, kOtherGameEnd,
       "show_debug_message(string(phy_linear_velocity_x) + \" \" + string(phy_linear_velocity_y) + \" \" + "
       "string(phy_angular_velocity));");
    Place(rm, ball, 100001, 100, 100);
    for (const Case& c : cases) {
        desc.objects[size_t(ball)]->events[kEventStep].clear();
        On(ball, kEventStep, kStepNormal, std::string("n += 1; if (n == 1) { ") + c.call + "; }");
        const std::vector<double> v = Numbers(Run(1));
        ASSERT_EQ(v.size(), 3u) << c.call;
        EXPECT_NEAR(v[0], c.vx, 0.01) << c.call;
        EXPECT_NEAR(v[1], c.vy, 0.01) << c.call;
        EXPECT_NEAR(std::fabs(v[2]), std::fabs(c.spin), 0.01) << c.call;
    }
}

// Each joint keeps its measure over two seconds of gravity while the bodies move.
// 100001 is a static anchor at (100, 50); 100002 and 100003 are balls at (150, 50) and
// (200, 100).
TEST_F(PhysicsTest, JointsHoldTheirConstraint) {
    struct Case {
        const char* name;
        const char* make;     // room creation code; global.j the joint
        const char* measure;  // what the joint keeps
        const char* moved;    // what the bodies' motion changes
    };
    const std::vector<Case> cases = {
        {"distance", "global.j = physics_joint_distance_create(100001, 100002, 100, 50, 150, 50, 0);",
         "point_distance(100, 50, (100002).x, (100002).y)", "(100002).y"},
        {"revolute", "global.j = physics_joint_revolute_create(100001, 100002, 100, 50, 0, 0, 0, 0, 0, 0, 0);",
         "point_distance(100, 50, (100002).x, (100002).y)", "(100002).y"},
        {"prismatic", "global.j = physics_joint_prismatic_create(100001, 100002, 150, 50, 1, 1, 0, 0, 0, 0, 0, 0, 0);",
         "(100002).x - (100002).y", "(100002).y"},
        {"pulley",
         "global.j = physics_joint_pulley_create(100002, 100003, 150, 0, 200, 0, 0, 0, 0, 0, 1, 0, 0, 0);"
         "(100003).phy_linear_velocity_y = 40;",
         "physics_joint_get_value(global.j, phy_joint_length_1) + physics_joint_get_value(global.j, "
         "phy_joint_length_2)",
         "(100003).y"},
        {"gear",
         "physics_world_gravity(0, 0); global.r1 = physics_joint_revolute_create(100001, 100002, 150, 50, 0, 0, 0, "
         "0, 0, 0, 0);"
         "global.r2 = physics_joint_revolute_create(100001, 100003, 200, 100, 0, 0, 0, 0, 0, 0, 0);"
         "global.j = physics_joint_gear_create(100002, 100003, global.r1, global.r2, 2);"
         "(100002).phy_angular_velocity = 90;",
         "(100002).phy_rotation + 2 * (100003).phy_rotation", "(100002).phy_rotation"},
    };
    const int rm = World(10);
    const int anchor = Body("obj_anchor", kBox, 0, {{-4, -4}, {4, -4}, {4, 4}, {-4, 4}});
    const int ball = Body("obj_ball", kCircle, 1, {{0, 0}, {5, 0}});
    const int probe = Object("obj_probe");
    Place(rm, anchor, 100001, 100, 50);
    Place(rm, ball, 100002, 150, 50);
    Place(rm, ball, 100003, 200, 100);
    Place(rm, probe, 100004);
    for (const Case& c : cases) {
        RoomCode(rm, c.make + std::string("global.m = ") + c.measure + "; global.g = " + c.moved + ";");
        desc.objects[size_t(probe)]->events[kEventOther].clear();
        On(probe, kEventOther, kOtherGameEnd,
           std::string("show_debug_message(string(global.j > 0) + \" \" + string(global.m) + \" \" + string(") +
               c.measure + ") + \" \" + string(abs(" + c.moved + " - global.g)));");
        const std::vector<double> v = Numbers(Run(60));
        ASSERT_EQ(v.size(), 4u) << c.name;
        EXPECT_EQ(v[0], 1) << c.name;
        EXPECT_NEAR(v[2], v[1], 0.02 * std::max(1.0, std::fabs(v[1]))) << c.name;
        EXPECT_GT(v[3], 1) << c.name << ": the bodies did not move";
    }
}

// Each misuse reports its message (and the run goes on).
TEST_F(PhysicsTest, MisuseReportsItsMessage) {
    struct Case {
        const char* code;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"physics_world_gravity(0, 10);", "The current room does not have a physics world representation"},
        {"physics_pause_enable(1);",
         "physics_pause_enable() The current room does not have a physics world representation"},
        {"physics_fixture_bind(global.f, -1);",
         "Cannot bind a fixture if no physics world exists for the current room"},
        {"physics_world_create(0.1); physics_fixture_set_density(global.f + 99, 1);",
         "The physics fixture does not exist"},
        {"physics_apply_force(0, 0, 1, 1);", "The instance does not have an associated physics representation"},
        {"physics_joint_delete(7);", "A joint does not exist"},
        {"physics_fixture_add_point(global.f, 1, 1);",
         "The fixture must be a polygon shape, convex, ordered clockwise and have no more than 8 points"},
        {"physics_fixture_set_polygon_shape(global.f); physics_fixture_add_point(global.f, 0, 0);"
         "physics_fixture_add_point(global.f, 9, 0); physics_fixture_bind(global.f, -1);",
         "Too few vertices in polygon shape fixture for obj_probe"},
        {"physics_fixture_add_point(global.f, 9, -9); physics_fixture_bind(global.f, -1);",
         "is concave or ordered anti-clockwise"},
        {"physics_joint_distance_create(-1, -1, 0, 0, 0, 0, 0);",
         "physics_joint_distance_create: An instance does not have an associated physics representation"},
        {"physics_joint_revolute_create(-1, 123456, 0, 0, 0, 0, 0, 0, 0, 0, 0);", "Unable to find instance: 123456"},
    };
    const int rm = Room("rm");
    const int probe = Object("obj_probe");
    std::string code = "global.f = physics_fixture_create();";
    for (const Case& c : cases)
        code += std::string("error_last = \"\"; ") + c.code + " show_debug_message(\"[\" + error_last + \"]\");";
    On(probe, kEventCreate, 0, code);
    Place(rm, probe, 100001);
    const std::string out = Run(1);
    size_t at = 0;
    for (const Case& c : cases) {
        const size_t open = out.find('[', at);
        const size_t close = out.find(']', open);
        ASSERT_NE(close, std::string::npos) << c.code;
        const std::string reported = out.substr(open, close - open);
        EXPECT_NE(reported.find(c.message), std::string::npos) << c.code << "\n" << reported;
        at = close + 1;
    }
}

}  // namespace
