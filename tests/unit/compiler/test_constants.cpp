// The constant table and identifier resolution, and execute_string/execute_file.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "compiler_fixture.h"
#include "data/game.h"
#include "io/file_paths.h"

namespace {

double Real(const char* name) {
    const CValue* v = Constant_Find(name);
    EXPECT_NE(v, nullptr) << name;
    return v ? v->val : -12345;
}

TEST_F(CompilerTest, BuiltinConstants) {
    // 320 built-in constants, then 26 of the platform services, in that order.
    EXPECT_EQ(constantCount, 320 + 26);
    struct Case {
        const char* name;
        double value;
    } cases[] = {
        {"self", -1},
        {"local", -7},
        {"pi", 3.1415927410125732},
        {"c_orange", 4235519},
        {"c_silver", 12632256},
        {"bm_add", 1},
        {"bm_zero", 1},
        {"fa_center", 1},
        {"fa_readonly", 1},
        {"vk_ralt", 165},
        {"ev_user15", 25},
        {"ev_step_end", 2},
        {"cr_size_all", -22},
        {"pt_shape_snow", 13},
        {"phy_joint_angle", 8},
        {"phy_debug_render_collision_pairs", 64},
        {"audio_falloff_exponent_distance_clamped", 6},
        {"os_linux", 6},
        {"browser_not_a_browser", -1},
        {"leaderboard_type_time_mins_secs", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(Real(c.name), c.value) << c.name;
    EXPECT_NE(Real("pi"), 3.14159265358979323846);  // single precision, widened
    EXPECT_EQ(Constant_Find("C_RED"), nullptr);
    ASSERT_NE(Constant_FindNoCase("C_RED"), nullptr);
    EXPECT_EQ(Constant_FindNoCase("C_RED")->val, 255);
}

TEST_F(CompilerTest, GameConstantsShadowAndResourcesComeFirst) {
    res.objects[1]->name = "obj_wall";

    std::string message;
    EXPECT_TRUE(Constant_DefineGameConstants(
        {{" c_red ", "12"}, {"obj_wall", "99"}, {"GREETING", "\"hi\" + 'x'"}, {"SPEED", "c_red * 2 + $10"}}, &message));
    CValue v;
    ASSERT_TRUE(Constant_ResolveIdentifier("c_red", v));
    EXPECT_EQ(v.val, 12);  // the latest registration wins
    ASSERT_TRUE(Constant_ResolveIdentifier("obj_wall", v));
    EXPECT_EQ(v.val, 1);  // the object's index, not the constant
    ASSERT_TRUE(Constant_ResolveIdentifier("GREETING", v));
    EXPECT_STREQ(v.Text(), "hix");
    EXPECT_EQ(Constant_Find("SPEED")->val, 40);
    EXPECT_FALSE(Constant_ResolveIdentifier("nothing", v));

    // Compiled text sees the same.
    auto code = Compile("show_debug_message(c_red + obj_wall); show_debug_message(GREETING)");
    EXPECT_EQ(Output(*code), "13\nhix\n");

    const int before = Constant_Count();
    struct Bad {
        const char* name;
        const char* value;
        const char* message;
    } bad[] = {
        {"9lives", "1", "Constant name 9lives  is not valid."},
        {"  ", "1", "Constant name   is not valid."},
        {"has space", "1", "Constant name has space  is not valid."},
        {"BROKEN", "1 +", "Value for constant BROKEN  is not valid."},
        {"BADTYPE", "\"a\" - 1", "Value for constant BADTYPE  is not valid."},
        {"TWO", "a b", "Value for constant TWO  is not valid."},
    };
    for (const Bad& b : bad) {
        EXPECT_FALSE(Constant_Define(b.name, b.value, &message)) << b.name;
        EXPECT_EQ(message, b.message);
    }
    EXPECT_EQ(Constant_Count(), before);
    EXPECT_FALSE(Code_EndingOnError());  // a bad value does not end the game
    // The first failure stops the rest.
    EXPECT_FALSE(Constant_DefineGameConstants({{"OK1", "1"}, {"9no", "2"}, {"OK2", "3"}}, &message));
    EXPECT_NE(Constant_Find("OK1"), nullptr);
    EXPECT_EQ(Constant_Find("OK2"), nullptr);
}

TEST_F(CompilerTest, ExecuteStringAndFile) {
    for (bool tree : {false, true}) {
        VM_Settings().treeInterpreter = tree;
        Game().arguments.slots[0].SetString("caller0");
        Game().arguments.slots[3].SetReal(33);
        auto code = Compile(
            "show_debug_message(execute_string(\"return argument0 + argument1\", 2, 5))\n"
            "show_debug_message(argument0)\n"
            "show_debug_message(execute_string(\"x = 1\"))\n"
            "show_debug_message(execute_string(\"show_debug_message(argument3); return argument2\", 1, 2, \"c\"))\n"
            "show_debug_message(execute_string(\"x = \"))\n"
            "show_debug_message(\"after\")");
        Code_ResetErrors();
        // The tree stops a unit at any reported error, the compile error included.
        EXPECT_EQ(Output(*code), tree ? "7\ncaller0\n0\n33\nc\n" : "7\ncaller0\n0\n33\nc\n0\nafter\n")
            << (tree ? "tree" : "bytecode");
        // The compile error is non-fatal, under its heading.
        EXPECT_FALSE(Code_EndingOnError());
        EXPECT_NE(Game().error.last.find("COMPILATION ERROR in string to be executed\nError in code at line 1:\n   x = "
                                         "\n\nat position 5: Unexpected symbol in expression."),
                  std::string::npos)
            << Game().error.last;
        EXPECT_STREQ(Game().arguments.slots[0].Text(), "caller0");
        EXPECT_EQ(Game().arguments.slots[3].val, 33);
    }
    VM_Settings().treeInterpreter = false;

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zorvex_execute_file";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "code.txt").string();
    std::ofstream(file) << "return argument0 * 3";
    auto code = Compile("show_debug_message(execute_file(\"" + file +
                        "\", 4))\n"
                        "show_debug_message(execute_file(\"" +
                        file + ".missing\"))");
    EXPECT_EQ(Output(*code), "12\n0\n");
    EXPECT_NE(Game().error.last.find("COMPILATION ERROR in file to be executed\n"), std::string::npos);

    // A relative name is looked up in the save area first, then in the game's folder.
    const std::filesystem::path saves = dir / "saves", game = dir / "game";
    std::filesystem::create_directories(saves);
    std::filesystem::create_directories(game);
    std::ofstream((game / "rel.txt").string()) << "return 7";
    const std::string oldSaves = FilePaths_SaveArea(), oldGame = FilePaths_GameDirectory();
    FilePaths_SetGame("execute_file test", game.string());
    FilePaths_SetSaveArea(saves.string());
    auto relative = Compile("show_debug_message(execute_file(\"rel.txt\"))");
    EXPECT_EQ(Output(*relative), "7\n");
    std::ofstream((saves / "rel.txt").string()) << "return 8";
    EXPECT_EQ(Output(*relative), "8\n");
    FilePaths_SetGame("", oldGame);
    FilePaths_SetSaveArea(oldSaves);
    std::filesystem::remove_all(dir);
}

}  // namespace
