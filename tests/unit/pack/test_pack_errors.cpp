// Broken projects: each kind of mistake is reported as "file:line: message", pointing
// at the line that holds it, and no data file is written.
#include <filesystem>

#include "pack/events.h"
#include "pack/pack_fixture.h"

namespace {

using namespace pack_test;

struct ErrorCase {
    const char* name;
    const char* manifest;  // "" = no manifest at all
    // The first error, with DIR standing for the project folder. A trailing "..." means
    // only the text before it must match (the rest comes from the operating system).
    const char* expected;
    bool source = true;  // false: a bytecode build, which compiles the code
};

const ErrorCase kCases[] = {
    {"MissingFile",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"sprites\": [\n"
     "   {\"name\": \"spr_a\", \"frames\": [\"a.png\",\n"
     "                                \"nope.png\"]}]}",
     "DIR/game.json:4: sprite spr_a: cannot read DIR/nope.png: ..."},
    {"UnknownObjectInRoom",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"objects\": [{\"name\": \"obj_a\"}],\n"
     " \"rooms\": [{\"name\": \"rm_a\", \"instances\": [\n"
     "    {\"object\": \"obj_a\"},\n"
     "    {\"x\": 4,\n"
     "     \"object\": \"obj_zz\"}]}]}",
     "DIR/game.json:6: room rm_a instances[1]: unknown object obj_zz"},
    {"WrongKindOfResource",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"sprites\": [{\"name\": \"spr_a\", \"frames\": [\"a.png\"]}],\n"
     " \"objects\": [{\"name\": \"obj_a\",\n"
     "   \"parent\": \"spr_a\"}]}",
     "DIR/game.json:4: object obj_a: spr_a is a sprite, not an object"},
    {"BadJson",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"objects\": [{\"name\": \"obj_a\"}\n"
     "              {\"name\": \"obj_b\"}]}",
     "DIR/game.json:3: JSON syntax error: ..."},
    {"TextAfterTheDocument", "{\"game\": {\"name\": \"x\"}}\n}\n",
     "DIR/game.json:2: JSON syntax error: unexpected text after the end of the document"},
    {"DuplicateKey",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"objects\": [{\"name\": \"obj_a\", \"depth\": 1,\n"
     "               \"depth\": 2}]}",
     "DIR/game.json:3: key \"depth\" is given twice in the same object"},
    {"MisspeltField",
     "{\"game\": {\"name\": \"x\"},\n"
     " // comments are fine\n"
     " \"objects\": [{\"name\": \"obj_a\",\n"
     "               \"dpeth\": 2}]}",
     "DIR/game.json:4: object obj_a: unknown field \"dpeth\""},
    {"UnknownEvent",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"objects\": [{\"name\": \"obj_a\", \"events\": {\n"
     "    \"keypress:vk_lefft\": {\"code\": \"x = 1\"}}}]}",
     "DIR/game.json:3: object obj_a: unknown key \"vk_lefft\" (use a vk_ name, a letter or digit, or a key code 0 to 255)"},
    {"ParentLoop",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"objects\": [{\"name\": \"obj_a\", \"parent\": \"obj_b\"},\n"
     "             {\"name\": \"obj_b\", \"parent\": \"obj_a\"}]}",
     "DIR/game.json:2: object obj_a: its chain of parents comes back to itself"},
    {"NameUsedTwice",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"sprites\": [{\"name\": \"thing\", \"frames\": [\"a.png\"]}],\n"
     " \"objects\": [{\"name\": \"thing\"}]}",
     "DIR/game.json:3: the name thing is already used by the sprite at line 2"},
    {"FramesOfDifferentSizes",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"sprites\": [{\"name\": \"spr_a\",\n"
     "   \"frames\": [\"a.png\", \"big.png\"]}]}",
     "DIR/game.json:3: sprite spr_a: frame 1 is 100 by 20 pixels, but frame 0 is 4 by 4; all frames of a sprite have one size"},
    {"PictureLargerThanAPage",
     "{\"game\": {\"name\": \"x\"}, \"texture_pages\": {\"size\": 64},\n"
     " \"backgrounds\": [{\"name\": \"bg_a\",\n"
     "   \"file\": \"big.png\"}]}",
     "DIR/game.json:3: background bg_a (100 by 20 pixels) does not fit on a 64-pixel texture page with 2 pixels of padding"},
    {"CompileErrorInScriptFile",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"scripts\": [{\"name\": \"scr_bad\", \"file\": \"bad.zs\"}]}",
     "DIR/bad.zs:3: Assignment operator expected. (column 3)", false},
    {"CompileErrorInInlineCode",
     "{\"game\": {\"name\": \"x\"},\n"
     " \"objects\": [{\"name\": \"obj_a\", \"events\": {\n"
     "    \"step\": {\"code\": \"x = (1 + ;\"}}}]}",
     "DIR/game.json:3: Unexpected symbol in expression. (column 10)", false},
    {"NoManifest", "", "DIR/game.json: cannot read the project's manifest: ..."},
};

class PackErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(PackErrors, NamesTheFileAndLineAndWritesNothing) {
    const ErrorCase& c = GetParam();
    CProjectDir project(std::string("PackErrors_") + c.name);
    if (*c.manifest) project.Text("game.json", c.manifest);
    project.SolidPng("a.png", 4, 4, 0xFF0000FFu);
    project.SolidPng("big.png", 100, 20, 0xFF00FF00u);
    project.Text("bad.zs", "// a script with a mistake on line 3\nx = 1;\ny + 2;\n");

    PackOptions options;
    options.source = c.source;
    options.debugInfo = !c.source;
    const std::string out = project.Path("out/game.win");
    std::filesystem::create_directories(project.Path("out"));
    CLineErrors errors;
    EXPECT_FALSE(Pack_Build(project.Dir(), out, options, errors));
    ASSERT_TRUE(errors.Any());

    std::string expected = c.expected;
    for (size_t at; (at = expected.find("DIR")) != std::string::npos;) expected.replace(at, 3, project.Dir());
    const std::string got = errors.List()[0].Text();
    if (expected.size() > 3 && expected.compare(expected.size() - 3, 3, "...") == 0) {
        expected.resize(expected.size() - 3);
        EXPECT_EQ(got.substr(0, expected.size()), expected) << ErrorText(errors);
    } else {
        EXPECT_EQ(got, expected) << ErrorText(errors);
    }
    EXPECT_TRUE(std::filesystem::is_empty(project.Path("out"))) << "a failed build left files behind";
}

INSTANTIATE_TEST_SUITE_P(Cases, PackErrors, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

// Event keys of the manifest and the short names compiled event code is named by.
TEST(PackEvents, KeysParseToTypeAndNumberAndNameThemselves) {
    struct Case {
        const char* key;
        int type;
        uint32_t number;
        const char* shortName;
    };
    const Case cases[] = {
        {"create", 0, 0, "Create"},
        {"destroy", 1, 0, "Destroy"},
        {"alarm11", 2, 11, "Alarm 11"},
        {"alarm:4", 2, 4, "Alarm 4"},
        {"begin_step", 3, 1, "BeginStep"},
        {"step", 3, 0, "Step"},
        {"end_step", 3, 2, "EndStep"},
        {"collision:obj_wall", 4, 7, "obj_wall"},
        {"keyboard:vk_left", 5, 37, "<Left>"},
        {"keyboard:a", 5, 65, "A-key"},
        {"keypress:vk_numpad3", 9, 99, "press Keypad-3"},
        {"keyrelease:vk_f2", 10, 113, "release F2"},
        {"keyboard:any", 5, 1, "<any key>"},
        {"mouse:global_left_press", 6, 53, "Glob Left Pressed"},
        {"mouse:joystick2_button3", 6, 38, "Joystick 2 Button 3"},
        {"other:room_start", 7, 4, "Room Start"},
        {"other:user15", 7, 25, "User Defined 15"},
        {"other:boundary_view3", 7, 53, "Boundary View 3"},
        {"draw", 8, 0, "Draw"},
        {"trigger:2", 11, 2, "<Unknown Event>"},
    };
    auto objects = [](const std::string& n) { return n == "obj_wall" ? 7 : -1; };
    auto names = [](int i) { return i == 7 ? std::string("obj_wall") : std::string(); };
    for (const Case& c : cases) {
        PackEventKey ev;
        std::string error;
        ASSERT_TRUE(PackEvent_Parse(c.key, objects, ev, error)) << c.key << ": " << error;
        EXPECT_EQ(ev.type, c.type) << c.key;
        EXPECT_EQ(ev.number, c.number) << c.key;
        EXPECT_EQ(PackEvent_ShortName(ev.type, ev.number, names), c.shortName) << c.key;
    }
    for (const char* bad : {"stepp", "alarm12", "alarm:x", "collision:obj_none", "keyboard:vk_nope", "keyboard:256",
                            "mouse:wheel", "other:user16", "create:1", "trigger:"}) {
        PackEventKey ev;
        std::string error;
        EXPECT_FALSE(PackEvent_Parse(bad, objects, ev, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

}  // namespace
