// The high-score table: its order, ties, the "nobody" text, the file, and the table
// kept between two runs of the runner.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "save/highscore.h"
#include "support/process.h"
#include "writer/writer.h"

namespace {

std::string Table() {
    std::string out;
    for (int p = 1; p <= kHighscorePlaces; ++p)
        out += Highscore_Name(p) + "=" + std::to_string(Highscore_Value(p)) + (p < kHighscorePlaces ? " " : "");
    return out;
}

std::string Repeat(const std::string& entry, int n) {
    std::string out;
    for (int k = 0; k < n; ++k) out += entry + (k + 1 < n ? " " : "");
    return out;
}

TEST(Highscores, PlacesScoresBestFirstAndTiesBelow) {
    Highscore_Reset();
    EXPECT_EQ(Table(), Repeat("<nobody>=0", 10));

    const struct {
        const char* name;
        int score;
        const char* firstThree;
    } adds[] = {
        {"ann", 50, "ann=50 <nobody>=0 <nobody>=0"}, {"bob", 80, "bob=80 ann=50 <nobody>=0"},
        {"cy", 50, "bob=80 ann=50 cy=50"},  // a tie goes below the stored score
        {"dee", 0, "bob=80 ann=50 cy=50"},  // no better than place 10: nothing changes
        {"eve", -5, "bob=80 ann=50 cy=50"},
    };
    for (const auto& a : adds) {
        Highscore_Add(a.name, a.score);
        EXPECT_EQ(Table().substr(0, std::string(a.firstThree).size()), a.firstThree) << a.name;
    }

    Highscore_Clear();
    for (int k = 0; k < 10; ++k) Highscore_Add("h", 100);
    Highscore_Add("tie", 100);
    EXPECT_EQ(Table(), Repeat("h=100", 10));
    Highscore_Add("top", 101);
    EXPECT_EQ(Table(), "top=101 " + Repeat("h=100", 9));
    Highscore_Add("", 100);

    // Outside the table: 0 and the empty text.
    for (int place : {0, 11, -1}) {
        EXPECT_EQ(Highscore_Value(place), 0);
        EXPECT_EQ(Highscore_Name(place), "");
    }
    Highscore_Settings().nobody = "-";
    Highscore_Clear();
    EXPECT_EQ(Table(), Repeat("-=0", 10));
    Highscore_Reset();
}

TEST(Highscores, TheFileKeepsTheTableAndABrokenOneChangesNothing) {
    const std::string dir = TestDirectory("highscore_file");
    const std::string path = dir + "/sub/hiscore.dat";
    Highscore_Reset();
    Highscore_Add("ann", 50);
    Highscore_Add("", 20);  // an empty name keeps its score
    ASSERT_TRUE(Highscore_SaveFile(path));
    const std::string saved = Table();

    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "HISC");
    EXPECT_EQ(bytes[4] | bytes[5] << 8 | bytes[6] << 16 | bytes[7] << 24, int(bytes.size()));

    Highscore_Clear();
    ASSERT_TRUE(Highscore_LoadFile(path));
    EXPECT_EQ(Table(), saved);

    std::vector<uint8_t> magic = bytes;
    magic[0] = 'X';
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 3);
    for (const std::vector<uint8_t>* broken : std::vector<const std::vector<uint8_t>*>{&magic, &cut}) {
        WriteFile(path, *broken);
        Highscore_Clear();
        Highscore_Add("kept", 9);
        EXPECT_FALSE(Highscore_LoadFile(path));
        EXPECT_EQ(Table(), "kept=9 " + Repeat("<nobody>=0", 9));
    }
    EXPECT_FALSE(Highscore_LoadFile(dir + "/missing.dat"));
    Highscore_Reset();
}

TEST(Highscores, TheTableIsKeptBetweenRuns) {
    const std::string dir = TestDirectory("highscore_runs");
    GameDataDesc d;
    d.hasCode = false;
    d.general.gameName = "scores";
    d.general.roomOrder = {0};
    d.options.words[WOptions::ShowErrors] = 1;
    WRoom room;
    room.name = "rm_scores";
    room.creationCode = WCodeRef::Source(R"(
        score = 50;
        highscore_add_current();
        highscore_add("run", 60 + highscore_value(1));
        var s, p;
        s = "";
        for (p = 1; p <= 3; p += 1) s += highscore_name(p) + ":" + string(highscore_value(p)) + " ";
        show_debug_message(s);
        game_end();
    )");
    d.rooms.push_back(room);
    const std::string game = WriteFile(dir + "/scores.win", DataFile_Write(d));

    setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
    const ProcessResult first = RunProgram("zorvex", {"--headless", "--no-wait", "-game", game});
    const ProcessResult second = RunProgram("zorvex", {"--headless", "--no-wait", "-game", game});
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, "run:110 DEFAULT:50 <nobody>:0 \n") << first.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, "run:170 run:110 DEFAULT:50 \n") << second.err;
}

}  // namespace
