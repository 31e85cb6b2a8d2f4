// A game that writes its files in one run and reads them back in the next: the save
// area persists between runs of the runner.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/process.h"
#include "writer/writer.h"

namespace {

const char* kCode = R"(
if (!file_exists("notes.txt")) {
    var f, b;
    f = file_text_open_write("notes.txt");
    file_text_write_string(f, "hello");
    file_text_writeln(f);
    file_text_write_real(f, 42);
    file_text_close(f);
    b = file_bin_open("data.bin", 1);
    file_bin_write_byte(b, 7);
    file_bin_write_byte(b, 255);
    file_bin_close(b);
    ini_open("settings.ini");
    ini_write_string("player", "name", "Ada");
    ini_write_real("player", "level", 3);
    ini_close();
    f = file_text_open_write("OUTSIDE");
    show_debug_message("written");
} else {
    var f, b;
    f = file_text_open_read("notes.txt");
    show_debug_message(file_text_read_string(f));
    file_text_readln(f);
    show_debug_message(file_text_read_real(f));
    file_text_close(f);
    b = file_bin_open("data.bin", 0);
    show_debug_message(file_bin_read_byte(b));
    show_debug_message(file_bin_read_byte(b));
    file_bin_close(b);
    ini_open("settings.ini");
    show_debug_message(ini_read_string("player", "name", "?"));
    show_debug_message(ini_read_real("player", "level", 0));
    ini_close();
}
game_end();
)";

TEST(FilesGame, ASecondRunReadsWhatTheFirstWrote) {
    std::string dir = TestDirectory("files_game");
    std::string outside = dir + "/outside.txt";
    std::string code = kCode;
    code.replace(code.find("OUTSIDE"), 7, outside);  // placeholder kept out of the raw string's quotes

    GameDataDesc d;
    d.hasCode = false;
    d.general.gameName = "files_game";
    d.general.roomOrder = {0};
    d.options.words[WOptions::ShowErrors] = 1;
    WRoom room;
    room.name = "rm_files";
    room.creationCode = WCodeRef::Source(code);
    d.rooms.push_back(room);
    std::string game = WriteFile(dir + "/files.win", DataFile_Write(d));

    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    ProcessResult first = RunProgram("zorvex", {"--headless", "--no-wait", "-game", game});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "written\n");
    EXPECT_NE(first.err.find(outside), std::string::npos) << first.err;  // the refusal names the path
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_TRUE(std::filesystem::exists(dir + "/data/files_game/notes.txt"));

    ProcessResult second = RunProgram("zorvex", {"--headless", "--no-wait", "-game", game});
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, "hello\n42\n7\n255\nAda\n3\n");
}

}  // namespace
