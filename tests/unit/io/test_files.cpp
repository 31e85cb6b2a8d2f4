// Files, ini files, the registry and streams, with the save area and the game
// directory in a temporary folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "data/game.h"
#include "function/function_file.h"
#include "io/file_paths.h"
#include "io/stream.h"
#include "platform/console.h"
#include "vm/machine_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

CValue S(const std::string& text) { return CValue(std::string_view(text)); }
CValue R(double v) { return CValue(v); }

class FilesTest : public MachineTest {
protected:
    fs::path root, saveDir, gameDir;

    void SetUp() override {
        MachineTest::SetUp();
        std::string tmpl = (fs::temp_directory_path() / "zorvex-files-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        saveDir = root / "save";
        gameDir = root / "game";
        fs::create_directories(gameDir);
        FilePaths_SetGame("files test", gameDir.string());
        FilePaths_SetSaveArea(saveDir.string());
        FilePaths_AllowWritesAnywhere(false);
        FileFunctions_Reset();
    }
    void TearDown() override {
        FileFunctions_Reset();
        FilePaths_AllowWritesAnywhere(false);
        std::error_code ec;
        fs::remove_all(root, ec);
        MachineTest::TearDown();
    }

    CValue Call(const char* name, std::initializer_list<CValue> args = {}) {
        TBuiltinFunction f = Function_FindImplementation(name);
        CValue result;
        if (f == nullptr) {
            ADD_FAILURE() << name << " is not implemented";
            return result;
        }
        std::vector<CValue> a(args);
        f(result, nullptr, nullptr, int(a.size()), a.empty() ? nullptr : a.data());
        return result;
    }
    std::string CallText(const char* name, std::initializer_list<CValue> args = {}) {
        CValue v = Call(name, args);
        EXPECT_TRUE(v.IsString()) << name;
        return v.Text();
    }
    double CallReal(const char* name, std::initializer_list<CValue> args = {}) {
        CValue v = Call(name, args);
        EXPECT_TRUE(v.IsReal()) << name;
        return v.val;
    }
    // The last non-fatal error's message (the text after its heading), cleared.
    std::string TakeError() {
        EXPECT_FALSE(Code_EndingOnError());
        std::string text = Game().error.occurred ? Game().error.last : "";
        const size_t body = text.find(":\n\n\n");
        if (body != std::string::npos) text = text.substr(body + 4);
        Code_ResetErrors();
        return text;
    }
};

TEST_F(FilesTest, SaveAreaFollowsXdgWithASafeFolderName) {
    // Both variables are put back: the rest of the process uses them too.
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";
    setenv("XDG_DATA_HOME", (root / "xdg").c_str(), 1);
    FilePaths_SetGame("My/Game..", gameDir.string());
    EXPECT_EQ(FilePaths_SaveArea(), (root / "xdg" / "My_Game").string() + "/");
    EXPECT_EQ(FilePaths_GameDirectory(), gameDir.string() + "/");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    setenv("HOME", root.c_str(), 1);
    FilePaths_SetGame("", gameDir.string());
    EXPECT_EQ(FilePaths_SaveArea(), (root / ".local/share/game").string() + "/");
    if (oldXdg) setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
    else unsetenv("HOME");

    const std::pair<const char*, const char*> names[] = {
        {"Space Game 2", "Space Game 2"},
        {"", "game"},
        {"..", "game"},
        {". ", "game"},
        {"../../etc", "_.._etc"},
        {"a\\b:c*?", "a_b_c__"},
        {".hidden", "hidden"},
        {"\xC3\xBC"
         "ber",
         "\xC3\xBC"
         "ber"},
        {"bad\xC3", "bad_"},
        {"\x01x\x7F", "_x_"},
    };
    for (auto [in, out] : names) EXPECT_EQ(FilePaths_SafeFolderName(in), out) << in;
    EXPECT_EQ(FilePaths_SafeFolderName(std::string(300, 'x')).size(), 100u);
}

TEST_F(FilesTest, TextFilesWriteAndReadBackByTheReadingRules) {
    double f = CallReal("file_text_open_write", {S("dir/t.txt")});
    ASSERT_EQ(f, 1);
    Call("file_text_write_string", {R(f), S("abc")});
    Call("file_text_write_real", {R(f), R(1.5)});
    Call("file_text_writeln", {R(f)});
    Call("file_text_write_string", {R(f), S("  42.5xyz\n")});
    Call("file_text_close", {R(f)});
    f = CallReal("file_text_open_append", {S("dir/t.txt")});
    Call("file_text_write_string", {R(f), S("last")});
    Call("file_text_close", {R(f)});
    EXPECT_EQ(Slurp(saveDir / "dir/t.txt"), "abc1.5 \r\n  42.5xyz\r\nlast");

    FileFunctions_Reset();  // a second run of the game
    f = CallReal("file_text_open_read", {S("dir/t.txt")});
    ASSERT_EQ(f, 1);
    EXPECT_EQ(CallText("file_text_read_string", {R(f)}), "abc1.5 ");
    EXPECT_EQ(CallText("file_text_read_string", {R(f)}), "");  // still at the line end
    EXPECT_EQ(CallText("file_text_readln", {R(f)}), "\r\n");
    EXPECT_EQ(CallReal("file_text_read_real", {R(f)}), 42.5);
    EXPECT_EQ(CallText("file_text_read_string", {R(f)}), "xyz");
    EXPECT_EQ(CallText("file_text_readln", {R(f)}), "\r\n");
    EXPECT_EQ(CallReal("file_text_eof", {R(f)}), 0);
    EXPECT_EQ(CallReal("file_text_read_real", {R(f)}), 0);  // "last" is no number
    EXPECT_EQ(CallText("file_text_readln", {R(f)}), "last");
    EXPECT_EQ(CallReal("file_text_eof", {R(f)}), 1);
    EXPECT_EQ(CallText("file_text_readln", {R(f)}), "");
    Call("file_text_close", {R(f)});
    EXPECT_EQ(TakeError(), "");

    // The single implicit file.
    Call("file_open_write", {S("one.txt")});
    Call("file_write_real", {R(3.25)});
    Call("file_writeln");
    Call("file_write_string", {S("x")});
    Call("file_close");
    EXPECT_EQ(Slurp(saveDir / "one.txt"), "    3.2500\r\nx");
    Call("file_open_read", {S("one.txt")});
    EXPECT_EQ(CallReal("file_read_real"), 3.25);
    EXPECT_EQ(CallText("file_readln"), "\r\n");
    EXPECT_EQ(CallText("file_read_string"), "x");
    EXPECT_EQ(CallReal("file_eof"), 1);
    Call("file_close");

    // Open failures give -1 and a log line, not an error box.
    EXPECT_EQ(CallReal("file_text_open_read", {S("missing.txt")}), -1);
    EXPECT_EQ(CallReal("file_text_open_read", {R(3)}), -1);
    EXPECT_EQ(TakeError(), "");
}

TEST_F(FilesTest, LongLinesAreCutAtTheirLimits) {
    Put(saveDir / "long.txt", std::string(40000, 'a') + "\n" + std::string(40000, 'b') + "\nz");
    const double f = CallReal("file_text_open_read", {S("long.txt")});
    EXPECT_EQ(CallText("file_text_read_string", {R(f)}).size(), 32768u);
    EXPECT_EQ(CallText("file_text_readln", {R(f)}), "\n");  // the rest of the line was skipped
    EXPECT_EQ(CallText("file_text_readln", {R(f)}), std::string(32767, 'b'));
    EXPECT_EQ(CallText("file_text_readln", {R(f)}), "z");
}

TEST_F(FilesTest, BinaryFilesInEveryMode) {
    double f = CallReal("file_bin_open", {S("b/data.bin"), R(1)});
    ASSERT_EQ(f, 1);
    for (double byte : {0.0, 255.0, 263.0}) Call("file_bin_write_byte", {R(f), R(byte)});
    EXPECT_EQ(CallReal("file_bin_size", {R(f)}), 3);
    EXPECT_EQ(CallReal("file_bin_read_byte", {R(f)}), 0);
    EXPECT_EQ(TakeError(), "Error reading byte.");  // write-only
    Call("file_bin_close", {R(f)});

    FileFunctions_Reset();
    f = CallReal("file_bin_open", {S("b/data.bin"), R(0)});
    EXPECT_EQ(CallReal("file_bin_size", {R(f)}), 3);
    Call("file_bin_seek", {R(f), R(1)});
    EXPECT_EQ(CallReal("file_bin_read_byte", {R(f)}), 255);
    EXPECT_EQ(CallReal("file_bin_read_byte", {R(f)}), 7);
    EXPECT_EQ(CallReal("file_bin_position", {R(f)}), 3);
    EXPECT_EQ(CallReal("file_bin_read_byte", {R(f)}), 0);
    EXPECT_EQ(TakeError(), "Error reading byte.");
    Call("file_bin_close", {R(f)});

    // Read-write: reads and writes mix on one position.
    f = CallReal("file_bin_open", {S("b/data.bin"), R(2)});
    EXPECT_EQ(CallReal("file_bin_read_byte", {R(f)}), 0);
    Call("file_bin_write_byte", {R(f), R(9)});
    EXPECT_EQ(CallReal("file_bin_read_byte", {R(f)}), 7);
    Call("file_bin_seek", {R(f), R(1)});
    EXPECT_EQ(CallReal("file_bin_read_byte", {R(f)}), 9);
    Call("file_bin_rewrite", {R(f)});
    EXPECT_EQ(CallReal("file_bin_size", {R(f)}), 0);
    Call("file_bin_write_byte", {R(f), R(65)});
    Call("file_bin_close", {R(f)});
    EXPECT_EQ(Slurp(saveDir / "b/data.bin"), "A");
    EXPECT_EQ(TakeError(), "");

    // A shipped file opened read-write is updated as a copy in the save area.
    Put(gameDir / "shipped.bin", "xy");
    f = CallReal("file_bin_open", {S("shipped.bin"), R(2)});
    Call("file_bin_write_byte", {R(f), R('Q')});
    Call("file_bin_close", {R(f)});
    EXPECT_EQ(Slurp(saveDir / "shipped.bin"), "Qy");
    EXPECT_EQ(Slurp(gameDir / "shipped.bin"), "xy");

    EXPECT_EQ(CallReal("file_bin_open", {S("nothing.bin"), R(0)}), -1);
    EXPECT_EQ(CallReal("file_bin_open", {S("x.bin"), R(5)}), -1);
}

TEST_F(FilesTest, MisuseGivesItsMessage) {
    const double w = CallReal("file_text_open_write", {S("w.txt")});
    struct Case {
        const char* function;
        std::vector<CValue> args;
        const char* message;
    };
    const Case cases[] = {
        {"file_bin_close", {R(1)}, "Trying to close unopened file."},
        {"file_bin_rewrite", {R(31)}, "Trying to rewrite unopened file."},
        {"file_bin_size", {R(0)}, "File is not opened."},
        {"file_bin_read_byte", {R(-4)}, "File is not opened."},
        {"file_bin_seek", {R(1e300), R(0)}, "File is not opened."},
        {"file_text_close", {R(32)}, "Trying to close unexisting text file."},
        {"file_text_read_string", {R(w)}, "File is not opened for reading."},
        {"file_text_eof", {}, "File is not opened for reading."},
        {"file_text_write_string", {R(2), S("x")}, "File not opened for writing."},
        {"file_write_string", {S("x")}, "File not opened for writing."},
        {"export_include_file", {S("a.png")}, "Trying to export non-existing file."},
        {"export_include_file_location", {S("a.png"), S("b.png")}, "Trying to export non-existing file."},
        {"discard_include_file", {S("a.png")}, "Trying to discard non-existing file."},
        {"ini_read_string", {S("s"), S("k"), S("d")}, "Trying to read from undefined INI file"},
        {"ini_read_real", {S("s"), S("k"), R(1)}, "Trying to read from undefined INI file"},
        {"ini_section_exists", {S("s")}, "Trying to read from undefined INI file"},
        {"ini_key_delete", {S("s"), S("k")}, "Trying to change undefined INI file"},
        {"ini_section_delete", {S("s")}, "Trying to change undefined INI file"},
        {"ini_write_string", {S("s"), S("k"), S("v")}, "Trying to change undefined INI file"},
    };
    for (const Case& c : cases) {
        TBuiltinFunction f = Function_FindImplementation(c.function);
        ASSERT_NE(f, nullptr) << c.function;
        std::vector<CValue> args = c.args;
        CValue result;
        f(result, nullptr, nullptr, int(args.size()), args.empty() ? nullptr : args.data());
        EXPECT_EQ(TakeError(), c.message) << c.function;
    }
    EXPECT_EQ(CallReal("file_text_eof", {R(99)}), 1);  // a read loop over a bad handle ends
    TakeError();
}

TEST_F(FilesTest, ThirtySecondOpenFileIsRefused) {
    for (const char* function : {"file_text_open_write", "file_bin_open"}) {
        SCOPED_TRACE(function);
        for (int i = 1; i <= 31; ++i) ASSERT_EQ(CallReal(function, {S("f" + std::to_string(i)), R(1)}), i);
        EXPECT_EQ(CallReal(function, {S("f32"), R(1)}), -1);
        EXPECT_EQ(TakeError(), "Cannot open another file (maximum exceeded).");
        // A freed slot is handed out again.
        Call(function == std::string("file_bin_open") ? "file_bin_close" : "file_text_close", {R(17)});
        EXPECT_EQ(CallReal(function, {S("again"), R(1)}), 17);
    }
    EXPECT_EQ(CallReal("file_text_open_read", {S("f1")}), -1);
    EXPECT_EQ(TakeError(), "Cannot open another file (maximum exceeded).");
}

TEST_F(FilesTest, ChangesOutsideTheSaveAreaAreRefused) {
    const std::string outside = (root / "outside.txt").string();
    Put(gameDir / "shipped.txt", "keep");
    const std::string names[] = {outside, "../outside.txt", "sub/../../outside.txt", "..\\outside.txt"};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_EQ(CallReal("file_text_open_write", {S(name)}), -1);
        EXPECT_NE(TakeError().find("outside.txt"), std::string::npos);
        EXPECT_EQ(CallReal("file_bin_open", {S(name), R(1)}), -1);
        EXPECT_NE(TakeError().find("Refused to write"), std::string::npos);
        Call("file_open_write", {S(name)});
        EXPECT_NE(TakeError().find("Refused"), std::string::npos);
        Call("ini_open", {S(name)});
        Call("ini_write_string", {S("s"), S("k"), S("v")});
        Call("ini_close");
        EXPECT_NE(TakeError().find("Refused"), std::string::npos);
        Call("file_copy", {S(gameDir / "shipped.txt"), S(name)});
        EXPECT_NE(TakeError().find("Refused"), std::string::npos);
        EXPECT_FALSE(fs::exists(root / "outside.txt"));
    }
    // Files of the game directory are not the game's to delete or rename.
    EXPECT_EQ(CallReal("file_delete", {S("shipped.txt")}), 0);
    EXPECT_NE(TakeError().find((gameDir / "shipped.txt").string()), std::string::npos);
    EXPECT_EQ(CallReal("file_rename", {S("shipped.txt"), S("mine.txt")}), 0);
    EXPECT_NE(TakeError().find("Refused to rename"), std::string::npos);
    EXPECT_EQ(CallReal("directory_create", {S("../newdir")}), 0);
    EXPECT_NE(TakeError().find("Refused"), std::string::npos);
    EXPECT_EQ(Slurp(gameDir / "shipped.txt"), "keep");
    EXPECT_FALSE(fs::exists(root / "newdir"));

    // The player may lift the restriction.
    FilePaths_AllowWritesAnywhere(true);
    const double f = CallReal("file_text_open_write", {S(outside)});
    EXPECT_GT(f, 0);
    Call("file_text_close", {R(f)});
    EXPECT_TRUE(fs::exists(outside));
    EXPECT_EQ(TakeError(), "");
}

TEST_F(FilesTest, ReadsComeFromTheSaveAreaThenTheGameDirectory) {
    Put(gameDir / "only.txt", "from game");
    Put(gameDir / "both.txt", "game copy");
    Put(saveDir / "both.txt", "save copy");
    Put(root / "elsewhere.txt", "absolute");
    const std::pair<std::string, const char*> cases[] = {
        {"only.txt", "from game"},
        {"both.txt", "save copy"},
        {(root / "elsewhere.txt").string(), "absolute"},
        {"../game/only.txt", "from game"},
    };
    for (const auto& [name, text] : cases) {
        const double f = CallReal("file_text_open_read", {S(name)});
        ASSERT_GT(f, 0) << name;
        EXPECT_EQ(CallText("file_text_read_string", {R(f)}), text) << name;
        Call("file_text_close", {R(f)});
    }
    EXPECT_EQ(CallReal("file_exists", {S("only.txt")}), 1);
    EXPECT_EQ(CallReal("file_exists", {S("none.txt")}), 0);
    EXPECT_EQ(TakeError(), "");
}

TEST_F(FilesTest, FileSystemQueriesAndChanges) {
    Put(gameDir / "levels/one.lvl", "1");
    Put(saveDir / "levels/two.lvl", "2");
    Put(saveDir / "levels/notes.txt", "n");
    Put(saveDir / "levels/.hidden.lvl", "h");
    fs::create_directories(saveDir / "levels/sub.lvl");
    EXPECT_EQ(CallText("file_find_first", {S("levels/*.LVL"), R(0)}), "one.lvl");
    EXPECT_EQ(CallText("file_find_next"), "two.lvl");
    EXPECT_EQ(CallText("file_find_next"), "");
    EXPECT_EQ(CallText("file_find_first", {S("levels\\*.*"), R(16 + 2)}), ".hidden.lvl");
    std::vector<std::string> rest;
    for (std::string n; !(n = CallText("file_find_next")).empty();) rest.push_back(n);
    EXPECT_EQ(rest, (std::vector<std::string>{"notes.txt", "one.lvl", "sub.lvl", "two.lvl"}));
    Call("file_find_close");
    EXPECT_EQ(CallText("file_find_next"), "");

    EXPECT_EQ(CallReal("directory_exists", {S("levels")}), 1);
    EXPECT_EQ(CallReal("directory_exists", {S("levels/two.lvl")}), 0);
    EXPECT_EQ(CallReal("file_attributes", {S("levels/sub.lvl"), R(16)}), 1);
    EXPECT_EQ(CallReal("file_attributes", {S("levels/two.lvl"), R(16)}), 0);
    EXPECT_EQ(CallReal("directory_create", {S("a/b")}), 1);
    EXPECT_TRUE(fs::is_directory(saveDir / "a/b"));

    Call("file_copy", {S("levels/one.lvl"), S("copies/one.lvl")});
    EXPECT_EQ(Slurp(saveDir / "copies/one.lvl"), "1");
    EXPECT_EQ(CallReal("file_rename", {S("copies/one.lvl"), S("moved/uno.lvl")}), 1);
    EXPECT_EQ(Slurp(saveDir / "moved/uno.lvl"), "1");
    EXPECT_EQ(CallReal("file_delete", {S("moved/uno.lvl")}), 1);
    EXPECT_FALSE(fs::exists(saveDir / "moved/uno.lvl"));
    EXPECT_EQ(CallReal("file_delete", {S("levels")}), 0);  // not a file
    EXPECT_TRUE(fs::exists(saveDir / "levels"));
    EXPECT_EQ(TakeError(), "");
}

TEST_F(FilesTest, FilenameParts) {
    struct Case {
        const char* name;
        const char* file;
        const char* path;
        const char* dir;
        const char* drive;
        const char* ext;
    } cases[] = {
        {"C:\\games\\save.dat", "save.dat", "C:\\games\\", "C:\\games", "C:", ".dat"},
        {"C:\\save", "save", "C:\\", "C:\\", "C:", ""},
        {"/home/u/a.b.c", "a.b.c", "/home/u/", "/home/u", "", ".c"},
        {"dir.x/file", "file", "dir.x/", "dir.x", "", ""},
        {"\\\\host\\share\\f.txt", "f.txt", "\\\\host\\share\\", "\\\\host\\share", "\\\\host\\share", ".txt"},
        {"", "", "", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CallText("filename_name", {S(c.name)}), c.file);
        EXPECT_EQ(CallText("filename_path", {S(c.name)}), c.path);
        EXPECT_EQ(CallText("filename_dir", {S(c.name)}), c.dir);
        EXPECT_EQ(CallText("filename_drive", {S(c.name)}), c.drive);
        EXPECT_EQ(CallText("filename_ext", {S(c.name)}), c.ext);
    }
    EXPECT_EQ(CallText("filename_change_ext", {S("a/b.txt"), S("bak")}), "a/b.bak");
    EXPECT_EQ(CallText("filename_change_ext", {S("a.d/b"), S(".ini")}), "a.d/b.ini");
    EXPECT_EQ(CallText("filename_change_ext", {S("b.txt"), S("")}), "b");
}

TEST_F(FilesTest, IniFilesThroughTheIniFunctions) {
    Put(gameDir / "settings.ini",
        "top=1\n"
        "[b]\n"
        "key = value ; note\n"
        "dropped=\n"
        "  # a comment\n"
        "[a]\n"
        "x=2\n");
    Call("ini_open", {S("settings.ini")});
    EXPECT_EQ(CallText("ini_read_string", {S("b"), S("key"), S("d")}), "value");
    EXPECT_EQ(CallText("ini_read_string", {S(""), S("top"), S("d")}), "1");
    EXPECT_EQ(CallText("ini_read_string", {S("B"), S("key"), S("d")}), "d");  // names are case-sensitive
    EXPECT_EQ(CallReal("ini_read_string", {S("b"), S("nope"), R(5)}), 5);
    EXPECT_EQ(CallReal("ini_key_exists", {S("b"), S("dropped")}), 0);
    EXPECT_EQ(CallReal("ini_key_exists", {S("a"), S("x")}), 1);
    EXPECT_EQ(CallReal("ini_section_exists", {S("a")}), 1);
    EXPECT_EQ(CallReal("ini_read_real", {S("a"), S("x"), R(0)}), 2);
    EXPECT_EQ(CallReal("ini_read_real", {S("a"), S("none"), R(7)}), 7);
    EXPECT_EQ(CallReal("ini_read_real", {S("a"), S("none"), S("2.5")}), 2.5);
    EXPECT_EQ(CallReal("ini_read_real", {S("a"), S("none"), S("")}), 0);
    Call("ini_write_string", {S("a"), S("k"), R(3)});
    EXPECT_EQ(TakeError(), "Wrong argument types for ini_write_string");
    Call("ini_write_real", {S("a"), S("k"), S("3")});
    EXPECT_EQ(TakeError(), "Wrong argument types for ini_write_real");
    Call("ini_write_real", {S("a"), S("y"), R(0.5)});
    Call("ini_close");
    // Written to the save area, sections and keys in list order (reversed).
    const std::string written = "top=1\r\n[a]\r\ny=0.500000\r\nx=2\r\n[b]\r\nkey=value\r\n";
    EXPECT_EQ(Slurp(saveDir / "settings.ini"), written);
    EXPECT_NE(Slurp(gameDir / "settings.ini"), written);

    // Unchanged: not rewritten (a rewrite would reverse the order again).
    FileFunctions_Reset();
    Call("ini_open", {S("settings.ini")});
    EXPECT_EQ(CallReal("ini_read_real", {S("a"), S("y"), R(0)}), 0.5);
    Call("ini_close");
    EXPECT_EQ(Slurp(saveDir / "settings.ini"), written);

    // Reopening writes the changed file; deletions count as changes; the game end closes it.
    Call("ini_open", {S("settings.ini")});
    Call("ini_section_delete", {S("b")});
    Call("ini_open", {S("other.ini")});
    EXPECT_EQ(Slurp(saveDir / "settings.ini"), "top=1\r\n[a]\r\nx=2\r\ny=0.500000\r\n");
    Call("ini_write_string", {S("s"), S("k"), S("v")});
    FileFunctions_Reset();
    EXPECT_EQ(Slurp(saveDir / "other.ini"), "[s]\r\nk=v\r\n");
    EXPECT_EQ(TakeError(), "");
}

TEST_F(FilesTest, RegistryKeepsValuesAcrossRuns) {
    Call("registry_write_string", {S("name"), S("Ann")});
    Call("registry_write_real", {S("score"), R(12.5)});
    Call("registry_write_string_ext", {S("Software\\Other"), S("name"), S("Bob")});
    FileFunctions_Reset();
    EXPECT_EQ(CallText("registry_read_string", {S("name")}), "Ann");
    EXPECT_EQ(CallReal("registry_read_real", {S("score")}), 12.5);
    EXPECT_EQ(CallReal("registry_exists", {S("missing")}), 0);
    EXPECT_EQ(CallText("registry_read_string_ext", {S("Software\\Other"), S("name")}), "Bob");
    EXPECT_EQ(CallReal("registry_exists_ext", {S("Software\\Other"), S("name")}), 1);
    Call("registry_set_root", {R(1)});
    EXPECT_EQ(CallReal("registry_exists", {S("name")}), 0);
    EXPECT_EQ(CallText("registry_read_string", {S("name")}), "");
}

TEST_F(FilesTest, BytecodeReachesTheFileFunctions) {
    Unit("main", R"(
        push.s "m.txt"
        conv.s.v
        call.i file_text_open_write 1
        pop.v.v local.f
        push.s "from code"
        conv.s.v
        push.v local.f
        call.i file_text_write_string 2
        popz.v
        push.v local.f
        call.i file_text_close 1
        popz.v
        push.s "m.txt"
        conv.s.v
        call.i file_text_open_read 1
        call.i file_text_read_string 1
    )");
    AssembledGame& g = Load();
    ASSERT_TRUE(g.ok) << g.error;
    EXPECT_STREQ(Run("main").Text(), "from code");
}

TEST_F(FilesTest, ProgramsGetTheirArgumentsWithoutAShell) {
    const std::pair<const char*, std::vector<std::string>> splits[] = {
        {"", {}},
        {"  a  b\t", {"a", "b"}},
        {"\"a b\" c\"d e\"f", {"a b", "cd ef"}},
        {"x \"\" y", {"x", "", "y"}},
        {"\"open", {"open"}},
    };
    for (const auto& [text, args] : splits) EXPECT_EQ(FileFunctions_SplitArguments(text), args) << text;

    const std::string args = "\"" + (saveDir / "a b").string() + "\" \"" + (saveDir / "c;d").string() + "\"";
    fs::create_directories(saveDir);
    Call("execute_program", {S("touch"), S(args), R(1)});
    EXPECT_TRUE(fs::exists(saveDir / "a b"));
    EXPECT_TRUE(fs::exists(saveDir / "c;d"));
    EXPECT_FALSE(fs::exists(saveDir / "a"));

    FileFunctions_SetParameters({"zorvex", "-game", "my game.win"});
    EXPECT_EQ(CallReal("parameter_count"), 2);
    EXPECT_EQ(CallText("parameter_string", {R(2)}), "my game.win");
    EXPECT_EQ(CallText("parameter_string", {R(3)}), "");
    EXPECT_EQ(CallText("parameter_string", {R(-1)}), "");
    setenv("ZORVEX_FILES_TEST", "value", 1);
    EXPECT_EQ(CallText("environment_get_variable", {S("ZORVEX_FILES_TEST")}), "value");
    EXPECT_EQ(CallText("environment_get_variable", {S("ZORVEX_NOT_SET_ANYWHERE")}), "");
    FileFunctions_SetParameters({});
}

TEST(StreamZlib, RoundTripSubRangesAndDamage) {
    CStream plain;
    for (int i = 0; i < 1000; ++i) plain.WriteInt(i % 7);
    plain.WriteString("tail text");
    plain.WriteReal(2.5);

    const fs::path log = fs::temp_directory_path() / ("zorvex-zlib-" + std::to_string(getpid()) + ".log");
    ASSERT_TRUE(Console().SetTarget(log.string()));
    CStream packed, unpacked;
    ASSERT_TRUE(plain.Compress(packed));
    EXPECT_LT(packed.Size(), plain.Size());
    ASSERT_TRUE(packed.Decompress(unpacked));
    Console().SetTarget("");
    EXPECT_EQ(Slurp(log), "ZDecompressStream " + std::to_string(packed.Size()) + "\nDone ZDecompressStream\n");
    fs::remove(log);
    ASSERT_EQ(unpacked.Size(), plain.Size());
    EXPECT_EQ(std::memcmp(unpacked.Data(), plain.Data(), size_t(plain.Size())), 0);
    EXPECT_EQ(unpacked.Position(), 0);
    unpacked.Seek(4000);
    EXPECT_EQ(unpacked.ReadString(), "tail text");

    // Damaged and cut-off data fail cleanly and leave an empty stream.
    for (int64_t cut : {packed.Size() / 2, int64_t(1), int64_t(0)}) {
        CStream part = CStream::Borrow(packed, 0, cut);
        CStream out;
        EXPECT_FALSE(part.Decompress(out)) << cut;
        EXPECT_EQ(out.Size(), 0);
    }
    CStream garbage;
    garbage.WriteString("definitely not zlib");
    CStream out;
    EXPECT_FALSE(garbage.Decompress(out));

    // Borrowed views clamp to their source.
    CStream view = CStream::Borrow(plain, 4, 8);
    EXPECT_EQ(view.Size(), 8);
    EXPECT_EQ(view.ReadInt(), 1);
    EXPECT_EQ(CStream::Borrow(plain, plain.Size() - 2, 100).Size(), 2);
    EXPECT_EQ(CStream::Borrow(plain, -5, 4).ReadInt(), 0);
    EXPECT_EQ(CStream::Borrow(plain, plain.Size() + 9, 4).Size(), 0);

    // An empty stream survives the round trip too.
    CStream empty, emptyPacked, emptyBack;
    ASSERT_TRUE(empty.Compress(emptyPacked));
    ASSERT_TRUE(emptyPacked.Decompress(emptyBack));
    EXPECT_EQ(emptyBack.Size(), 0);
}

TEST(StreamFile, LoadsAWholeFile) {
    const fs::path p = fs::temp_directory_path() / ("zorvex-stream-" + std::to_string(getpid()) + ".bin");
    Put(p, std::string("\x05\x00\x00\x00hello", 9));
    CStream s;
    s.WriteInt(99);
    ASSERT_TRUE(s.LoadFile(p.string()));
    EXPECT_EQ(s.Size(), 9);
    EXPECT_EQ(s.ReadString(), "hello");
    fs::remove(p);
    EXPECT_FALSE(s.LoadFile(p.string()));
    EXPECT_EQ(s.Size(), 0);
    EXPECT_FALSE(s.LoadFile(fs::temp_directory_path().string()));  // a folder
}

}  // namespace
