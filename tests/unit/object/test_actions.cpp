// The action blocks' functions in a played game: each case sets the scene, runs an
// action (absolute or with the relative switch on) and prints what it changed. One
// instance of obj_self at (10, 20) runs every case in its create event.
#include <sstream>
#include <string>

#include "object/game_fixture.h"

namespace {

struct ActionCase {
    const char* setup;
    const char* action;
    const char* shown;     // the expression printed after the action
    const char* expected;  // every line the case prints, the value last
};

// Relative cases switch the flag on in their setup and off after the action.
const ActionCase kCases[] = {
    {"x = 10; y = 20;", "action_move_to(5, 6);", "string(x) + \",\" + string(y)", "5,6"},
    {"x = 10; y = 20; action_set_relative(1);", "action_move_to(5, 6);", "string(x) + \",\" + string(y)", "15,26"},
    {"x = 50; y = 60;", "action_move_start();", "string(x) + \",\" + string(y)", "10,20"},
    {"hspeed = 3;", "action_set_hspeed(2);", "hspeed", "2"},
    {"hspeed = 3; action_set_relative(1);", "action_set_hspeed(2);", "hspeed", "5"},
    {"vspeed = 1; action_set_relative(1);", "action_set_vspeed(-3);", "vspeed", "-2"},
    {"speed = 0;", "action_set_motion(90, 3);", "vspeed", "-3"},
    {"motion_set(0, 3); action_set_relative(1);", "action_set_motion(90, 4);", "speed", "5"},
    {"gravity_direction = 270; gravity = 1; action_set_relative(1);", "action_set_gravity(10, 0.5);",
     "string(gravity_direction) + \",\" + string(gravity)", "280,1.50"},
    {"friction = 1; action_set_relative(1);", "action_set_friction(0.25);", "friction", "0.25"},
    {"alarm[0] = -1; action_set_relative(1);", "action_set_alarm(5, 0);", "alarm[0]", "5"},
    {"alarm[0] = 3; action_set_relative(1);", "action_set_alarm(5, 0);", "alarm[0]", "8"},
    {"alarm[0] = 3;", "action_set_alarm(7, 0);", "alarm[0]", "7"},
    {"alarm[0] = -1;", "", "alarm[0]", "-1"},
    {"score = 10; action_set_relative(1);", "action_set_score(5);", "score", "15"},
    {"score = 10;", "action_set_score(3);", "score", "3"},
    {"lives = 1;", "action_set_life(0);", "lives", "no more lives\n0"},
    {"lives = 0; action_set_relative(1);", "action_set_life(-1);", "lives", "-1"},
    {"health = 10; action_set_relative(1);", "action_set_health(-10);", "health", "no more health\n0"},
    {"health = 0;", "action_set_health(-5);", "health", "-5"},
    {"speed = 2; direction = 90;", "action_move(\"000010000\", 4);", "string(speed) + \",\" + string(direction)",
     "0,0"},
    {"speed = 2; direction = 90;", "action_move(\"000000000\", 4);", "string(speed) + \",\" + string(direction)",
     "2,90"},
    {"speed = 1; action_set_relative(1);", "action_move(\"000001000\", 2);",
     "string(speed) + \",\" + string(direction)", "3,0"},
    {"action_set_relative(1);", "action_create_object(obj_mark, 1, 2);",
     "string(instance_find(obj_mark, 0).x) + \",\" + string(instance_find(obj_mark, 0).y)", "11,22"},
    {"", "action_create_object(obj_mark, 1, 2);",
     "string(instance_find(obj_mark, 1).x) + \",\" + string(instance_find(obj_mark, 1).y)", "1,2"},
    {"", "",
     "string(action_if_number(obj_mark, 2, 0)) + string(action_if_number(obj_mark, 3, 1)) + "
     "string(action_if_number(obj_mark, 1, 2)) + string(action_if_number(obj_mark, 2, 2))",
     "1110"},
    {"", "action_sprite_transform(2, 3, 45, 1);",
     "string(image_xscale) + \",\" + string(image_yscale) + \",\" + string(image_angle)", "-2,3,45"},
    // The question actions guard the action after them.
    {"score = 0;", "if (action_if_variable(2, 2, 0)) action_set_score(9);", "score", "9"},
    {"score = 0;", "if (action_if_dice(1)) action_set_score(9); else action_set_score(4);", "score", "9"},
    {"score = 0;", "if (!action_if_score(0, 0)) action_set_score(9);", "score", "0"},
    {"lives = 3;", "if (action_if_life(2, 2)) action_set_life(1);", "lives", "1"},
    // The relative switch is off inside another event and back on after it.
    {"action_set_relative(1);", "event_user(0); after = argument_relative;", "after", "user 0\n1"},
    // The particle blocks share one system (the first made here, id 0).
    {"action_partsyst_create(5); action_parttype_create(0, pt_shape_disk, -1, 1, 1, 0);"
     "action_partemit_create(0, ps_shape_rectangle, 0, 10, 0, 10);",
     "action_partemit_burst(0, 0, 5);", "string(part_particles_count(0)) + \",\" + string(part_system_exists(0))",
     "5,1"},
};

class ActionTest : public GameTest {};

TEST_F(ActionTest, ActionsChangeWhatTheySayAbsoluteAndRelative) {
    desc.hasCode = false;
    const int room = Room("rm_actions");
    const int self = Object("obj_self");
    Object("obj_mark");
    std::string code;
    std::string expected;
    for (const ActionCase& c : kCases) {
        code += std::string(c.setup) + "\n" + c.action + "\naction_set_relative(0);\nshow_debug_message(" + c.shown +
                ");\n";
        expected += std::string(c.expected) + "\n";
    }
    code += "game_end();\n";
    On(self, kEventCreate, 0, code);
    On(self, kEventOther, kOtherNoMoreLives, "show_debug_message(\"no more lives\");");
    On(self, kEventOther, kOtherNoMoreHealth, "show_debug_message(\"no more health\");");
    On(self, kEventOther, kOtherUser0, "show_debug_message(\"user \" + string(argument_relative));");
    Place(room, self, 100001, 10, 20);
    const ProcessResult p = Play(-1);
    EXPECT_EQ(p.exitCode, 0) << p.err;
    // Case by case, naming the case of a difference.
    std::istringstream got(p.out);
    for (const ActionCase& c : kCases) {
        std::istringstream want(c.expected);
        std::string w, g;
        while (std::getline(want, w)) {
            std::getline(got, g);
            EXPECT_EQ(g, w) << c.setup << " " << c.action;
        }
    }
    EXPECT_EQ(p.out, expected);
}

}  // namespace
