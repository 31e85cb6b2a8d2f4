// The runner as a process: the command line, exit codes, stderr and the log.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include <zlib.h>

#include "support/process.h"
#include "writer/assembler.h"
#include "writer/writer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

class RunnerProcess : public ::testing::Test {
protected:
    void SetUp() override {
        dir = TestDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
        game = WriteFile(dir + "/sample.win", DataFile_Write(DataFile_SampleGame()));
    }
    std::string dir, game;
};

TEST_F(RunnerProcess, PlaysTheSampleAndLogsEveryStartUpStep) {
    ProcessResult p = RunProgram("zorvex", {"--headless", "-game", game, "--frames", "1", "--log", "-"});
    EXPECT_EQ(p.exitCode, 0) << p.err;
    // The first room's instances: creation code (reading a global the room's own
    // creation code sets only afterwards), then the Create event, inherited by the coin.
    EXPECT_EQ(p.out, "0\nsecond create event\nsecond create event\n");
    const std::vector<std::string> expected = {
        "RunnerLoadGame() - " + game,
        "Checking if INIFile " + dir + "/options.ini Exists",
        "!!!!No INI File " + dir + "/options.ini",
        "Reading File " + game,
        "Loaded File " + game,
        "IFF wad found",
        "Get Resolution",
        "Get Header Information",
        "InitZVLFunctions",
        "Code_Load()",
        "VARI_Load()",
        "Create Window",
        "Init Graphics",
        "GR_D3D_Init()",
        "Create Score Form",
        "LoadGameData()",
        "initialise everything!",
        "Process Chunk: GEN8   ",
        "Process Chunk: ROOM   ",
        "PrepareGame()",
        "DataFile_Prepare() ",
        "Extension_Prepare() ",
        "Code_Constant_Prepare() ",
        "Script_Prepare() ",
        "TimeLine_Prepare() ",
        "Object_Prepare() ",
        "Room_Prepare() ",
        "Sound_Prepare() ",
        "InitGraphics() ",
        "Finished PrepareGame() ",
        "Run_Start",
    };
    // Each expected line appears, in this order (lines may start with the expected text).
    // The header pass logs its chunks in file order; where STRG falls depends on the file.
    EXPECT_NE(p.err.find("\nID_STRG\n"), std::string::npos);
    std::vector<std::string> log = Lines(p.err);
    size_t at = 0;
    for (const std::string& want : expected) {
        while (at < log.size() && log[at].rfind(want, 0) != 0) ++at;
        ASSERT_LT(at, log.size()) << "missing or out of order: " << want << "\n" << p.err;
    }
}

TEST_F(RunnerProcess, WithoutAGameFilePrintsUsageAndFails) {
    for (auto args : std::vector<std::vector<std::string>>{{"--headless"}, {"--headless", "-game"}}) {
        ProcessResult p = RunProgram("zorvex", args);
        EXPECT_EQ(p.exitCode, 1);
        EXPECT_EQ(p.out, "");
        EXPECT_NE(p.err.find("Usage: zorvex GAME.win"), std::string::npos);
    }
    ProcessResult p = RunProgram("zorvex", {"--frames", "many", "-game", game});
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_NE(p.err.find("--frames needs a whole number"), std::string::npos);
}

TEST_F(RunnerProcess, BadFilesExitWithOneLine) {
    std::vector<uint8_t> bytes = DataFile_Write(DataFile_SampleGame());
    bytes.resize(bytes.size() / 2);
    std::string truncated = WriteFile(dir + "/truncated.win", bytes);
    ProcessResult p = RunProgram("zorvex", {"--headless", "-game", truncated, "--frames", "1"});
    EXPECT_EQ(p.exitCode, 1);
    ASSERT_EQ(Lines(p.err).size(), 1u) << p.err;
    EXPECT_EQ(p.err.rfind("Corrupt game data: FORM: the size word says", 0), 0u) << p.err;

    p = RunProgram("zorvex", {"--headless", "-game", dir + "/missing.win"});
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_EQ(p.err, "Could not read the game file " + dir + "/missing.win: No such file or directory\n");

    GameDataDesc d = DataFile_SampleGame();
    d.extraChunks.push_back(WRawChunk{"QQQQ", {0, 0, 0, 0}, 2});
    std::string unknown = WriteFile(dir + "/unknown.win", DataFile_Write(d));
    p = RunProgram("zorvex", {"--headless", "-game", unknown, "--frames", "1", "--log", dir + "/log.txt"});
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_EQ(Lines(p.err).size(), 1u) << p.err;
    ProcessResult log = RunProgram("/bin/cat", {dir + "/log.txt"});
    EXPECT_NE(log.out.find("unknown Chunk QQQQ:1364283729\n"), std::string::npos) << log.out;
    EXPECT_NE(log.out.find("Failed to load the game\n"), std::string::npos);
    EXPECT_EQ(log.out.find("PrepareGame()"), std::string::npos);
}

// The first IDAT chunk's compressed data made a deflate block of the reserved type, with
// its CRC kept right: the picture's header still reads well, its pixels do not.
void DamageImageData(std::vector<uint8_t>& png) {
    auto be32 = [&png](size_t at) {
        return uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 | png[at + 3];
    };
    for (size_t at = 8; at + 12 <= png.size(); at += 12 + be32(at)) {
        if (std::memcmp(png.data() + at + 4, "IDAT", 4) != 0) continue;
        const uint32_t length = be32(at);
        ASSERT_GT(length, 2u);
        std::fill(png.begin() + std::ptrdiff_t(at + 10), png.begin() + std::ptrdiff_t(at + 8 + length), 0xFF);
        const uint32_t crc = uint32_t(crc32(0, png.data() + at + 4, 4 + length));
        for (int k = 0; k < 4; ++k) png[at + 8 + length + size_t(k)] = uint8_t(crc >> (24 - 8 * k));
        return;
    }
    FAIL() << "no IDAT chunk";
}

// A texture page whose header is damaged stops the load; one whose compressed pixels are
// damaged is found only when it is first drawn: it draws nothing, says so once in the
// log, and the game plays on to its normal end.
TEST_F(RunnerProcess, ADamagedTexturePageFailsTheLoadOrDrawsNothing) {
    const std::string line = "Texture page 0 could not be made a texture";
    GameDataDesc d = DataFile_SampleGame();
    d.textures[0]->png[16 + 3] ^= 1;  // the width in the header, its CRC left as it was
    std::string bad = WriteFile(dir + "/header.win", DataFile_Write(d));
    ProcessResult p = RunProgram("zorvex", {"--headless", "-game", bad, "--frames", "3", "--log", dir + "/header.log"});
    EXPECT_EQ(p.exitCode, 1) << p.err;
    std::vector<std::string> log = Lines(RunProgram("/bin/cat", {dir + "/header.log"}).out);
    EXPECT_EQ(std::count(log.begin(), log.end(), line), 1) << p.err;
    EXPECT_EQ(std::count(log.begin(), log.end(), "Finished PrepareGame() "), 0);

    d = DataFile_SampleGame();
    DamageImageData(d.textures[0]->png);
    bad = WriteFile(dir + "/pixels.win", DataFile_Write(d));
    p = RunProgram("zorvex", {"--headless", "-game", bad, "--frames", "3", "--log", dir + "/pixels.log"});
    EXPECT_EQ(p.exitCode, 0) << p.err;
    EXPECT_EQ(p.out, "0\nsecond create event\nsecond create event\n");
    log = Lines(RunProgram("/bin/cat", {dir + "/pixels.log"}).out);
    EXPECT_EQ(std::count(log.begin(), log.end(), line), 1);
    // Found while a frame was drawn, after the preparation.
    const auto finished = std::find(log.begin(), log.end(), "Finished PrepareGame() ");
    EXPECT_LT(finished - log.begin(), std::find(log.begin(), log.end(), line) - log.begin());
}

TEST_F(RunnerProcess, CodeThatDoesNotLinkFailsTheLoad) {
    GameDataDesc d = DataFile_SampleGame();
    std::string error;
    ASSERT_TRUE(Asm_Assemble(d, "calls_nothing", "call.i no_such_function 0\npopz.v\n", error)) << error;
    std::string bad = WriteFile(dir + "/unlinked.win", DataFile_Write(d));
    ProcessResult p = RunProgram("zorvex", {"--headless", "-game", bad, "--frames", "1"});
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_EQ(p.err, "Error on load\nUnable to find function no_such_function\n");
}

TEST_F(RunnerProcess, DumpListsTheCodeCompiledFromText) {
    GameDataDesc d;
    d.hasCode = false;
    d.general.gameName = "text";
    d.general.roomOrder = {0};
    WRoom room;
    room.name = "rm_text";
    room.creationCode = WCodeRef::Source("show_debug_message(\"hi\"); game_end();");
    d.rooms.push_back(room);
    std::string game = WriteFile(dir + "/text.win", DataFile_Write(d));
    ProcessResult p = RunProgram("zorvex-dump", {"--compiled", game});
    EXPECT_EQ(p.exitCode, 0) << p.err;
    size_t at = p.out.find("\nRoom.rm_text\n");
    ASSERT_NE(at, std::string::npos) << p.out;
    EXPECT_NE(p.out.find("push.s      \"hi\"", at), std::string::npos);
    EXPECT_NE(p.out.find("call.i      show_debug_message 1", at), std::string::npos);
    EXPECT_NE(p.out.find("call.i      game_end 0", at), std::string::npos);
    p = RunProgram("zorvex", {"--headless", "--no-wait", "-game", game});
    EXPECT_EQ(p.out, "hi\n");
    EXPECT_EQ(p.exitCode, 0);
}

TEST_F(RunnerProcess, ListsEveryFunction) {
    ProcessResult p = RunProgram("zorvex", {"--list-functions"});
    EXPECT_EQ(p.exitCode, 0);
    std::vector<std::string> lines = Lines(p.out);
    EXPECT_EQ(lines.size(), 1509u);
    EXPECT_EQ(lines[0], "move_random 2 implemented");
    EXPECT_NE(p.out.find("\npath_start 4 implemented\n"), std::string::npos);
    EXPECT_NE(p.out.find("\nphysics_world_create 1 implemented\n"), std::string::npos);
    EXPECT_EQ(p.out.find("not implemented"), std::string::npos);
    EXPECT_NE(p.out.find("\nshow_debug_message 1 implemented\n"), std::string::npos);
    EXPECT_NE(p.out.find("\nmin -1 "), std::string::npos);
}

TEST_F(RunnerProcess, ReadsTheDebugInfoBesideTheGame) {
    WriteFile(dir + "/sample.tudebug", DebugInfo_Write(DataFile_SampleDebugInfo()));
    ProcessResult p = RunProgram("zorvex", {"--headless", "-game", game, "--frames", "1", "--log", "-"});
    EXPECT_EQ(p.exitCode, 0) << p.err;
    EXPECT_NE(p.err.find("Process Chunk: DBGI"), std::string::npos);

    WriteFile(dir + "/sample.tudebug", {'F', 'O', 'R', 'M', 1, 0, 0, 0});
    p = RunProgram("zorvex", {"--headless", "-game", game, "--frames", "1"});
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_NE(p.err.find("(in " + dir + "/sample.tudebug)"), std::string::npos) << p.err;
}

TEST_F(RunnerProcess, DataWinBesideTheExecutableWins) {
    fs::copy_file(std::string(ZORVEX_BIN_DIR) + "/zorvex", dir + "/zorvex");
    fs::copy_file(game, dir + "/data.win");
    ProcessResult p =
        RunProgram(dir + "/zorvex", {"--headless", "-game", "/nowhere.win", "--frames", "1", "--log", "-"});
    EXPECT_EQ(p.exitCode, 0) << p.err;
    EXPECT_NE(p.err.find("RunnerLoadGame() - " + dir + "/data.win"), std::string::npos) << p.err;
}

// What a user types: the game alone, a folder, or a mistake.
TEST_F(RunnerProcess, CommandLineOutcomes) {
    fs::create_directories(dir + "/folder");
    fs::copy_file(game, dir + "/folder/data.win");
    fs::create_directories(dir + "/empty");
    const std::string played = "0\nsecond create event\nsecond create event\n";
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;       // exactly
        std::string errHas;    // "" : stderr is empty
        std::string errLacks;  // never in stderr
    } cases[] = {
        {{game, "--headless", "--frames", "1"}, 0, played, "", ""},
        {{"--headless", dir + "/folder", "-noaudio", "--frames", "1"}, 0, played, "", ""},
        {{"--headless", dir + "/empty"}, 1, "", "holds no data.win", "Runner options"},
        {{"--bogus", game}, 1, "", "unknown switch --bogus\nUsage: zorvex", "Runner options"},
        {{}, 1, "", "Usage: zorvex", "XDG_RUNTIME_DIR"},
    };
    for (const Case& c : cases) {
        ProcessResult p = RunProgram("zorvex", c.args);
        const std::string what = c.args.empty() ? "(none)" : c.args[0];
        EXPECT_EQ(p.exitCode, c.exitCode) << what << "\n" << p.err;
        EXPECT_EQ(p.out, c.out) << what;
        if (c.errHas.empty()) EXPECT_EQ(p.err, "") << what;
        else EXPECT_NE(p.err.find(c.errHas), std::string::npos) << what << "\n" << p.err;
        if (!c.errLacks.empty()) EXPECT_EQ(p.err.find(c.errLacks), std::string::npos) << what << "\n" << p.err;
        // The short usage is one paragraph.
        EXPECT_EQ(p.err.find("\n\n"), std::string::npos) << what << "\n" << p.err;
    }
    ProcessResult help = RunProgram("zorvex", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_NE(help.out.find("Runner options:"), std::string::npos);
    EXPECT_NE(help.out.find("--frames N"), std::string::npos);
}

// A game that runs until it is stopped, printing from its last events; its game end
// event takes a while, so that a second signal finds it still ending.
class RunnerSignals : public RunnerProcess {
protected:
    void SetUp() override {
        RunnerProcess::SetUp();
        fs::create_directories(dir + "/project");
        std::ofstream(dir + "/project/game.json") << R"({
  "game": { "name": "Signals" },
  "objects": [ { "name": "obj_a", "events": {
    "create": { "code": "show_debug_message(\"create\");" },
    "other:room_end": { "code": "show_debug_message(\"room end\");" },
    "other:game_end": { "code": "show_debug_message(\"game end\"); t = current_time; while (current_time - t < 1500) { }" } } } ],
  "rooms": [ { "name": "rm_a", "instances": [ { "object": "obj_a" } ] } ]
})";
        ProcessResult pack = RunProgram("zorvex-pack", {dir + "/project", "-o", dir + "/signals.win"});
        ASSERT_EQ(pack.exitCode, 0) << pack.err;
    }

    // Starts the game, waits until its main loop runs, sends `signals` one after
    // another, and returns the wait status and stdout.
    int RunAndSignal(const std::vector<int>& signals, std::string& out) {
        const std::string bin = std::string(ZORVEX_BIN_DIR) + "/zorvex";
        const std::string log = dir + "/log.txt", outPath = dir + "/out.txt";
        std::vector<std::string> args{bin, "--headless", dir + "/signals.win", "--frames", "100000000", "--log", log};
        // The leak checker's own tracer crashes at the exit of a child signalled from
        // this process (exit code 1 with no leak reported); the run itself is checked here.
        std::vector<std::string> env{"ASAN_OPTIONS=detect_leaks=0"};
        for (char** e = environ; *e != nullptr; ++e)
            if (std::strncmp(*e, "ASAN_OPTIONS=", 13) != 0) env.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, bin.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        auto logHas = [&](const char* text) {
            std::ifstream in(log);
            std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            return all.find(text) != std::string::npos;
        };
        while (!logHas("Run_Start") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // some frames into the loop
        for (int s : signals) {
            kill(pid, s);
            // Two signals sent at once may arrive as one.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::ifstream in(outPath);
        out.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return status;
    }
};

TEST_F(RunnerSignals, OneQuitSignalEndsTheGameNormally) {
    for (int s : {SIGTERM, SIGINT}) {
        std::string out;
        const int status = RunAndSignal({s}, out);
        ASSERT_TRUE(WIFEXITED(status)) << strsignal(s) << " status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 0) << strsignal(s);
        EXPECT_EQ(out, "create\nroom end\ngame end\n") << strsignal(s);
    }
}

TEST_F(RunnerSignals, ASecondInterruptEndsAtOnce) {
    std::string out;
    const int status = RunAndSignal({SIGINT, SIGINT}, out);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
}

}  // namespace
