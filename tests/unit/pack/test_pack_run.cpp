// Packed games played by the runner: a bytecode build and a --source build of the same
// project print the same thing, which is what the scripts say they should; and the
// example project packs both ways and plays headless.
#include <filesystem>

#include "pack/pack_fixture.h"

namespace {

using namespace pack_test;

const char kManifest[] = R"({
  "game": { "name": "Same Output" },
  "constants": { "GREETING": "\"hello \" + \"there\"", "BASE": 10 },
  "scripts": [
    { "name": "scr_fact", "code": "if (argument0 <= 1) return 1; return argument0 * scr_fact(argument0 - 1);" },
    { "name": "scr_join", "file": "join.zs" }
  ],
  "objects": [
    { "name": "obj_counter" },
    { "name": "obj_main", "events": {
        "create": "main_create.zs",
        "alarm0": { "code": "with (obj_counter) show_debug_message(\"counter \" + string(n)); room_goto_next();" } } },
    { "name": "obj_end", "events": {
        "step": { "code": "show_debug_message(\"step in \" + room_get_name(room)); game_end();" } } }
  ],
  "rooms": [
    { "name": "rm_one", "instances": [
        { "object": "obj_counter", "creation": { "code": "n = 1;" } },
        { "object": "obj_counter", "creation": { "code": "n = 2;" } },
        { "object": "obj_main" } ] },
    { "name": "rm_two", "creation": { "code": "show_debug_message(\"room two, base \" + string(BASE));" },
      "instances": [ { "object": "obj_end" } ] }
  ]
})";

const char kMainCreate[] = R"(// Loops, switch, arrays, strings and script calls.
show_debug_message(GREETING);
show_debug_message("5! = " + string(scr_fact(5)));
var i, total;
total = 0;
for (i = 0; i < 5; i += 1) total += i;
show_debug_message("total " + string(total));
switch (total) {
    case 9: show_debug_message("nine"); break;
    case 10: show_debug_message("ten"); break;
    default: show_debug_message("other");
}
list[2] = "c"; list[1] = "b"; list[0] = "a";
show_debug_message(scr_join(list[0], list[1], list[2]));
i = 0;
while (i < 3) { i += 1; if (i == 2) continue; show_debug_message("i " + string(i)); }
alarm[0] = 2;
)";

const char kExpected[] =
    "hello there\n"
    "5! = 120\n"
    "total 10\n"
    "ten\n"
    "a-b-c\n"
    "i 1\n"
    "i 3\n"
    "counter 1\n"
    "counter 2\n"
    "room two, base 10\n"
    "step in rm_two\n";

ProcessResult Play(const std::string& game) {
    return RunProgram("zorvex", {"--headless", "--no-wait", "--frames", "30", "-game", game});
}

TEST(PackRun, BytecodeAndSourceBuildsPrintTheSame) {
    CProjectDir project("PackRunSameOutput");
    project.Text("game.json", kManifest);
    project.Text("main_create.zs", kMainCreate);
    project.Text("join.zs", "return argument0 + \"-\" + argument1 + \"-\" + argument2;\n");

    const std::string bytecode = project.Path("bytecode.win"), source = project.Path("source.win");
    CLineErrors errors;
    PackOptions options;
    options.debugInfo = true;
    ASSERT_TRUE(Pack_Build(project.Dir(), bytecode, options, errors)) << ErrorText(errors);
    options = PackOptions{};
    options.source = true;
    ASSERT_TRUE(Pack_Build(project.Dir(), source, options, errors)) << ErrorText(errors);
    EXPECT_TRUE(std::filesystem::exists(project.Path("bytecode.tudebug")));
    EXPECT_FALSE(std::filesystem::exists(project.Path("source.tudebug")));

    ProcessResult b = Play(bytecode), s = Play(source);
    EXPECT_EQ(b.exitCode, 0) << b.err;
    EXPECT_EQ(s.exitCode, 0) << s.err;
    EXPECT_EQ(b.out, kExpected) << b.err;
    EXPECT_EQ(s.out, b.out) << s.err;
}

TEST(PackRun, TheExampleProjectPacksBothWaysAndPlaysHeadless) {
    // The repository's root, three folders up from this file.
    const std::string example = (std::filesystem::path(ZORVEX_SOURCE_DIR) / "examples/demo").string();
    const std::string dir = TestDirectory("PackRunExample");
    for (bool source : {false, true}) {
        const std::string game = dir + (source ? "/demo-source.win" : "/demo.win");
        PackOptions options;
        options.source = source;
        CLineErrors errors;
        ASSERT_TRUE(Pack_Build(example, game, options, errors)) << ErrorText(errors);
        // The title room moves on by itself after 90 steps; 120 frames reach the game room.
        ProcessResult p = RunProgram("zorvex", {"--headless", "--no-wait", "--frames", "120", "-game", game});
        EXPECT_EQ(p.exitCode, 0) << p.err;
        EXPECT_NE(p.out.find("Room rm_title\n"), std::string::npos) << p.out;
        EXPECT_NE(p.out.find("Collect the coins!\n"), std::string::npos) << p.out;
    }
}

}  // namespace
