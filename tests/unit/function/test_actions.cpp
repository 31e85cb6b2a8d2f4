// The question actions' answers and the actions' error texts. (Their effect on a game's
// instances and values is played in tests/unit/object/test_actions.cpp.)
#include "function/call_table.h"

namespace {

using ActionCallTest = CallTableTest;

TEST_F(ActionCallTest, QuestionsAnswerOneOrZero) {
    RunTable({
        {"action_if", {R(1)}, R(1)},
        {"action_if", {R(0.5)}, R(1)},
        {"action_if", {R(0.4)}, R(0)},
        {"action_if_dice", {R(1)}, R(1)},
        {"action_if_dice", {R(0)}, R(1)},
        {"action_if_variable", {R(3), R(3), R(0)}, R(1)},
        {"action_if_variable", {R(0.3), R(0.30000001), R(0)}, R(1)},
        {"action_if_variable", {R(3), R(4), R(1)}, R(1)},
        {"action_if_variable", {R(3), R(4), R(2)}, R(0)},
        {"action_if_variable", {R(4), R(4), R(3)}, R(1)},
        {"action_if_variable", {R(4), R(5), R(4)}, R(0)},
        {"action_if_variable", {S("abc"), S("abd"), R(1)}, R(1)},
        {"action_if_variable", {S("b"), S("a"), R(2)}, R(1)},
        {"action_if_variable", {S("a"), S("a"), R(0)}, R(1)},
        {"action_if_variable", {S("a"), R(1), R(0)}, R(0), "Cannot compare arguments."},
    });
}

TEST_F(ActionCallTest, MisuseReportsItsText) {
    RunTable({
        {"action_move", {S("12345678"), R(1)}, R(0), "Wrong argument to action_move()."},
        {"action_create_object", {R(999), R(0), R(0)}, R(0), "Creating instance for non-existing object: 999"},
        {"action_partemit_burst", {R(0), R(0), R(5)}, R(0), "The particle emitter must first be created."},
        {"action_partemit_stream", {R(3), R(0), R(5)}, R(0), "The particle emitter must first be created."},
        {"action_draw_sprite", {R(999), R(0), R(0), R(0)}, R(0), "Trying to draw a non-existing sprite."},
        {"action_draw_background", {R(999), R(0), R(0), R(0)}, R(0), "Trying to draw a non-existing background."},
        {"action_replace_sprite", {R(999), S("none.png"), R(1)}, R(0), "Trying to replace non-existing resource."},
        {"action_load_game", {S("no such save")}, R(0), "File does not exist."},
    });
}

}  // namespace
