// Boxes, choosers, splash screens and multiplayer calls where nobody can answer: each
// answers at once as a dialog closed without a choice would, and nothing reaches stdout.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/error.h"
#include "function/call_table.h"
#include "function/function_dialog.h"

namespace {

using DialogTest = CallTableTest;

TEST_F(DialogTest, UnansweredDialogsGiveTheirDefaults) {
    RunTable({
        {"show_message", {S("Hello")}, R(0)},
        {"show_question", {S("Continue?")}, R(0)},  // no
        {"show_message_ext", {S("Pick"), S("One"), S(""), S("Three")}, R(0)},
        {"show_message_ext", {S("Only text"), S(""), S(""), S("")}, R(0)},
        {"show_menu", {S("a|b|c"), R(2)}, R(2)},
        {"show_menu", {S("single"), R(-1)}, R(-1)},
        {"show_menu_pos", {R(10), R(20), S("a|b"), R(1)}, R(1)},
        {"get_string", {S("Name?"), S("Bob")}, S("Bob")},
        {"get_string", {S("Name?"), S("")}, S("")},
        {"get_integer", {S("Count?"), R(42)}, R(42)},
        {"get_integer", {S("Count?"), R(-2.5)}, R(-2.5)},
        {"get_color", {R(0x123456)}, R(0x123456)},
        {"get_open_filename", {S("Text files|*.txt;*.text|All|*.*"), S("a.txt")}, S("")},
        {"get_save_filename", {S("Text files|*.txt"), S("a.txt")}, S("")},
        {"get_open_filename_ext", {S("Text|*.txt"), S("a.txt"), S("/tmp"), S("Load")}, S("")},
        {"get_save_filename_ext", {S("Text|*.txt"), S("a.txt"), S("/tmp"), S("Save")}, S("")},
        {"get_directory", {S("/tmp")}, S("")},
        {"get_directory_alt", {S("Where?"), S("/")}, S("")},
        {"show_info", {}, R(0)},
        {"set_application_title", {S("My game")}, R(0)},
        {"message_caption", {R(1), S("Title")}, R(0)},
        {"message_text_font", {S("Arial"), R(12), R(0x0000FF), R(0)}, R(0)},
        {"message_mouse_color", {R(0x00FF00)}, R(0)},
        {"message_position", {R(10), R(10)}, R(0)},
        {"message_size", {R(300), R(200)}, R(0)},
    });
}

// The prompt goes to stderr (with "#" as a line end, the box title first); stdout
// carries only the game's own output.
TEST_F(DialogTest, UnansweredDialogsWriteTheirTextToStderrOnly) {
    const struct {
        const char* function;
        std::vector<TCallValue> args;
        const char* stderrHas;
    } cases[] = {
        {"show_message", {S("Hello#there \\# one")}, "Hello\nthere # one\n"},
        {"show_question", {S("Quit now?")}, "Quit now?\n"},
        {"show_message_ext", {S("Choose wisely"), S("A"), S("B"), S("")}, "Choose wisely\n"},
        {"show_menu", {S("red|green"), R(0)}, "red | green\n"},
        {"get_string", {S("Your name?"), S("x")}, "Your name?\n"},
        {"get_integer", {S("How many?"), R(3)}, "How many?\n"},
    };
    Call("message_caption", {CValue(1.0), CValue(std::string_view("The title"))});
    for (const auto& c : cases) {
        std::vector<CValue> args;
        for (const TCallValue& a : c.args) args.push_back(a.text ? CValue(std::string_view(a.str)) : CValue(a.real));
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        Call(c.function, args);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << c.function;
        EXPECT_NE(err.find(std::string("The title\n") + c.stderrHas), std::string::npos) << c.function << ": " << err;
    }
    Call("message_caption", {CValue(0.0), CValue(std::string_view(""))});
    testing::internal::CaptureStderr();
    Call("show_message", {CValue(std::string_view("untitled"))});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "untitled\n");
    Call("message_caption", {CValue(1.0), CValue(std::string_view(""))});
}

// show_error is the run-time error report with the game's text: shown even when the
// game hides its errors, fatal only when asked.
TEST_F(DialogTest, ShowErrorReportsAsARunTimeError) {
    testing::internal::CaptureStderr();
    Call("show_error", {CValue(std::string_view("Level file is damaged")), CValue(0.0)});
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Game().error.occurred);
    EXPECT_FALSE(Code_EndingOnError());
    EXPECT_EQ(Game().error.last.rfind("ERROR in\naction number", 0), 0u) << Game().error.last;
    EXPECT_NE(Game().error.last.find("Level file is damaged"), std::string::npos);
    EXPECT_NE(err.find("Level file is damaged"), std::string::npos) << err;
    EXPECT_FALSE(Game().error.settings.showErrors);  // the game's own setting is kept

    Code_ResetErrors();
    testing::internal::CaptureStderr();
    Call("show_error", {CValue(std::string_view("Cannot go on")), CValue(1.0)});
    err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Code_EndingOnError());
    EXPECT_EQ(Game().error.last.rfind("FATAL ERROR in\naction number", 0), 0u) << Game().error.last;
    EXPECT_NE(Game().error.last.find("Cannot go on"), std::string::npos);
    EXPECT_NE(err.find("FATAL ERROR in"), std::string::npos) << err;
    Code_ResetErrors();
}

TEST_F(DialogTest, MultiplayerAnswersAsUnconnected) {
    RunTable({
        {"mplay_init_ipx", {}, R(0)},
        {"mplay_init_tcpip", {S("127.0.0.1")}, R(0)},
        {"mplay_init_modem", {S("ATZ"), S("555")}, R(0)},
        {"mplay_init_serial", {R(1), R(9600), R(0), R(0), R(0)}, R(0)},
        {"mplay_connect_status", {}, R(0)},
        {"mplay_end", {}, R(0)},
        {"mplay_session_mode", {R(1)}, R(0)},
        {"mplay_session_create", {S("s"), R(4), S("me")}, R(0)},
        {"mplay_session_find", {}, R(0)},
        {"mplay_session_name", {R(0)}, S("")},
        {"mplay_session_join", {R(0), S("me")}, R(0)},
        {"mplay_session_status", {}, R(0)},
        {"mplay_session_end", {}, R(0)},
        {"mplay_player_find", {}, R(0)},
        {"mplay_player_name", {R(0)}, S("")},
        {"mplay_player_id", {R(0)}, R(0)},
        {"mplay_data_write", {R(3), R(10)}, R(0)},
        {"mplay_data_read", {R(3)}, R(0)},  // what was written is not kept
        {"mplay_data_mode", {R(1)}, R(0)},
        {"mplay_message_send", {R(0), R(1), S("hi")}, R(0)},
        {"mplay_message_send_guaranteed", {R(0), R(1), S("hi")}, R(0)},
        {"mplay_message_receive", {R(0)}, R(0)},
        {"mplay_message_id", {}, R(0)},
        {"mplay_message_value", {}, R(0)},
        {"mplay_message_player", {}, R(0)},
        {"mplay_message_name", {}, S("")},
        {"mplay_message_count", {R(0)}, R(0)},
        {"mplay_message_clear", {R(0)}, R(0)},
    });
    const CValue address = Call("mplay_ipaddress", {});
    ASSERT_TRUE(address.IsString());
    const std::string text = address.Text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '.'), 3) << text;
}

TEST(DialogPlainText, KeepsTheTextOfRichTextDocuments) {
    const struct {
        const char* document;
        const char* text;
    } cases[] = {
        {"plain #text\nas it is\n", "plain #text\nas it is\n"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}\\f0 Hello\\par World}",
         "Hello\nWorld"},
        {"{\\rtf1{\\*\\generator Writer 1.0;}\\b Bold\\b0  and\\tab tabbed\\par}", "Bold and\ttabbed"},
        {"{\\rtf1 caf\\'e9 \\{braces\\} and \\\\}", "caf\xC3\xA9 {braces} and \\"},
        {"{\\rtf1 line\\line next\r\n\\par\\par}", "line\nnext"},
        {"{\\rtf1{\\info{\\title Secret}}Shown}", "Shown"},
    };
    for (const auto& c : cases) EXPECT_EQ(Dialog_PlainText(c.document), c.text) << c.document;
}

// load_info reads the game information a later show_info shows.
TEST_F(DialogTest, ShowInfoShowsTheLoadedText) {
    std::string dir = (std::filesystem::temp_directory_path() / "zorvex-info-XXXXXX").string();
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    {
        std::ofstream out(dir + "/info.rtf", std::ios::binary);
        out << "{\\rtf1{\\fonttbl{\\f0 Arial;}}How to play\\par Press space}";
    }
    Call("load_info", {CValue(std::string_view(dir + "/info.rtf"))});
    testing::internal::CaptureStderr();
    Call("show_info", {});
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Game Information\nHow to play\nPress space\n");
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

}  // namespace
