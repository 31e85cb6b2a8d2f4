#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "runner/command_line.h"
#include "runner/runner.h"

namespace {

std::vector<std::string> Tokens(const char* text) {
    std::vector<std::string> out;
    std::string token;
    size_t p = 0;
    while (text[p]) {
        p = NextToken(text, p, token);
        out.push_back(token);
    }
    return out;
}

TEST(NextToken, SplitsAtSeparatorsAndGroupsQuotes) {
    struct Case {
        const char* text;
        std::vector<std::string> tokens;
    } cases[] = {
        {"a b\tc", {"a", "b", "c"}},
        {"  lead", {"lead"}},
        {"\"with space\" x", {"with space", "x"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"\xc3\xa9t\xc3\xa9\"", {"\xc3\xa9t\xc3\xa9"}},  // high bytes survive inside quotes
        {"/g\xc3\xa9/x.win", {"/g", "/x.win"}},            // and split unquoted text
        {"trail ", {"trail", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(NextToken, CutsLongTokensAndConsumesTheRest) {
    std::string text(5000, 'x');
    text += " next";
    std::string token;
    size_t p = NextToken(text.c_str(), 0, token);
    EXPECT_EQ(token.size(), kTokenMax);
    EXPECT_EQ(p, 5000u);
    NextToken(text.c_str(), p, token);
    EXPECT_EQ(token, "next");
}

TEST(ParseCommandLine, Switches) {
    RunOptions o;
    ParseCommandLine("zorvex -debug -trace -ext -oldexec -noaudio -inawindow -record r.bin", o);
    EXPECT_TRUE(o.debug);
    EXPECT_EQ(o.debugLevel, 2);
    EXPECT_TRUE(o.trace && o.extensionTrace && o.noAudio && o.forceWindowed && o.record);
    EXPECT_FALSE(o.useBytecode);
    EXPECT_EQ(o.recordFile, "r.bin");

    ParseCommandLine("zorvex -record a -playback b -Debug", o);  // reset first; case-sensitive
    EXPECT_FALSE(o.debug);
    EXPECT_TRUE(o.record && o.playback);
    EXPECT_EQ(o.recordFile, "b");  // one name, shared by both

    ParseCommandLine(nullptr, o);
    EXPECT_FALSE(o.playback);
    EXPECT_TRUE(o.useBytecode);
}

TEST(ParseCommandLine, GameFile) {
    RunOptions o;
    ParseCommandLine("zorvex -game first.win -game second.win", o);
    EXPECT_EQ(o.gameFile, "first.win");
    ParseCommandLine("zorvex -game \"/my games/a b.win\"", o);
    EXPECT_EQ(o.gameFile, "/my games/a b.win");
    ParseCommandLine("zorvex -game", o);  // the argument is consumed even when the text ends
    ASSERT_TRUE(o.gameFile.has_value());
    EXPECT_EQ(*o.gameFile, "");
}

TEST(ParseCommandLine, Breakpoints) {
    RunOptions o;
    ParseCommandLine("zorvex -bp scr_move@12 -bp \"scr with space@3\" -bp noline", o);
    ASSERT_EQ(o.breakpoints.size(), 3u);
    EXPECT_EQ(o.breakpoints[0].script, "scr_move");
    EXPECT_EQ(o.breakpoints[0].line, 11);
    EXPECT_EQ(o.breakpoints[1].script, "scr with space");
    EXPECT_EQ(o.breakpoints[1].line, 2);
    EXPECT_EQ(o.breakpoints[2].script, "noline");
    EXPECT_EQ(o.breakpoints[2].line, -1);

    std::string text = "zorvex";
    for (int i = 0; i < 11; ++i) text += " -bp s" + std::to_string(i) + "@1";
    ParseCommandLine(text.c_str(), o);
    ASSERT_EQ(o.breakpoints.size(), kMaxBreakpoints);
    EXPECT_EQ(o.breakpoints.back().script, "s9");
}

TEST(BuildCommandLine, QuotesArgumentsThatWouldSplitAndCutsTheLength) {
    std::string line = BuildCommandLine({"/bin/zorvex", "-game", "/my games/\xc3\xa9.win", "-debug"});
    EXPECT_EQ(line, "/bin/zorvex -game \"/my games/\xc3\xa9.win\" -debug");
    RunOptions o;
    ParseCommandLine(line.c_str(), o);
    EXPECT_EQ(o.gameFile, "/my games/\xc3\xa9.win");
    EXPECT_TRUE(o.debug);

    std::string longLine = BuildCommandLine({"zorvex", std::string(9000, 'a')});
    EXPECT_EQ(longLine.size(), kCommandLineMax);
}

TEST(HostSwitches, ParsesAndRejects) {
    HostOptions h;
    std::vector<std::string> rest;
    std::string error;
    ASSERT_TRUE(
        ParseHostSwitches({"--headless", "-game", "x.win", "--frames", "5", "--screenshot", "2:a.png", "--screenshot",
                           "10:/tmp/b:c.png", "--screenshot", "3.2:d.png", "--no-wait", "--log", "-"},
                          h, rest, error));
    EXPECT_TRUE(h.headless && h.noWait);
    EXPECT_EQ(h.frames, 5);
    ASSERT_EQ(h.screenshots.size(), 3u);
    EXPECT_EQ(h.screenshots[1].step, 10);
    EXPECT_EQ(h.screenshots[1].present, 0);
    EXPECT_EQ(h.screenshots[1].file, "/tmp/b:c.png");
    EXPECT_EQ(h.screenshots[2].step, 3);
    EXPECT_EQ(h.screenshots[2].present, 2);
    EXPECT_EQ(h.logTarget, "-");
    EXPECT_EQ(rest, (std::vector<std::string>{"-game", "x.win"}));

    for (auto bad : std::vector<std::vector<std::string>>{{"--frames"},
                                                          {"--frames", "x"},
                                                          {"--frames", "-1"},
                                                          {"--screenshot", "0:a.png"},
                                                          {"--screenshot", "a.png"},
                                                          {"--screenshot", "3:"},
                                                          {"--screenshot", "3.0:a.png"},
                                                          {"--screenshot", "3.:a.png"},
                                                          {"--screenshot", ".2:a.png"},
                                                          {"--bogus"}}) {
        HostOptions h2;
        rest.clear();
        error.clear();
        EXPECT_FALSE(ParseHostSwitches(bad, h2, rest, error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(ChooseGame, DataWinBesideTheExecutableWinsAndSilencesTheCommandLine) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(ZORVEX_TEST_TMP) / "choose_game";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string exeDir = dir.string() + "/";
    RunOptions o;
    bool beside = true;
    Runner_ChooseGame(exeDir, "zorvex -game other.win -debug", o, beside);
    EXPECT_FALSE(beside);
    EXPECT_EQ(o.gameFile, "other.win");
    EXPECT_TRUE(o.debug);

    std::ofstream(dir / "data.win") << "FORM";
    Runner_ChooseGame(exeDir, "zorvex -game other.win -debug", o, beside);
    EXPECT_TRUE(beside);
    EXPECT_EQ(o.gameFile, exeDir + "data.win");
    EXPECT_FALSE(o.debug);
}

TEST(LoneGamePath, BecomesTheGameSwitch) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(ZORVEX_TEST_TMP) / "lone_game_path";
    fs::remove_all(dir);
    fs::create_directories(dir / "with" / "x.win");  // a folder named like a game file
    fs::create_directories(dir / "without");
    std::ofstream(dir / "with" / "data.win") << "FORM";
    const std::string with = (dir / "with").string(), without = (dir / "without").string();
    using Args = std::vector<std::string>;
    struct Case {
        Args args;
        bool ok;
        Args after;
    } cases[] = {
        {{"game.win"}, true, {"-game", "game.win"}},
        {{"-debug", "GAME.WIN", "level2"}, true, {"-debug", "-game", "GAME.WIN", "level2"}},
        {{with}, true, {"-game", with + "/data.win"}},
        {{with + "/x.win"}, false, {with + "/x.win"}},
        {{without}, false, {without}},
        {{"level2", "game.win"}, true, {"level2", "game.win"}},  // only the first word may be the game
        {{"-game", "a.win", "b.win"}, true, {"-game", "a.win", "b.win"}},
        {{"-record", "in.win", "game.win"}, true, {"-record", "in.win", "-game", "game.win"}},
        {{"-bp", "scr@3", "-playback", "p.rec"}, true, {"-bp", "scr@3", "-playback", "p.rec"}},
        {{".win"}, true, {".win"}},
    };
    for (const Case& c : cases) {
        Args args = c.args;
        std::string error;
        EXPECT_EQ(TakeLoneGamePath(args, error), c.ok) << c.args[0];
        EXPECT_EQ(args, c.after) << c.args[0];
        EXPECT_EQ(error.empty(), c.ok) << c.args[0];
    }
}

}  // namespace
