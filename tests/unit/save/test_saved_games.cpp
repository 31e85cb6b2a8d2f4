// Saved games between runs of the runner: a game saves, a later run loads. A file the
// game must not take (another version, another game, cut short, a byte changed in any
// part) is refused with an error naming it, and the running game goes on unchanged.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/process.h"
#include "writer/writer.h"

namespace {

// Step 1 of the first run saves; step 1 of a later run changes the same state and asks
// for the load, which happens at the end of the step; step 2 prints what is there.
const char* kStep = R"(
step_n += 1;
if (step_n == 1) {
    if (!file_exists("slot.sav")) {
        score = 42; global.word = "saved"; arr[2] = 5; alarm[3] = 9;
        show_debug_message("saved " + string(game_save("slot.sav")));
        game_end();
    } else {
        score = 7; global.word = "live"; arr[2] = 1; alarm[3] = 4;
        show_debug_message("load " + string(game_load("slot.sav")));
    }
} else if (step_n == 2) {
    show_debug_message("score " + string(score) + " word " + global.word + " arr " + string(arr[2]) +
                       " alarm " + string(alarm[3]) + " transition " + string(transition_kind));
    game_end();
}
)";

std::string WriteGame(const std::string& dir, const std::string& name, uint32_t gameId) {
    GameDataDesc d;
    d.hasCode = false;
    d.general.gameName = name;
    d.general.gameId = gameId;
    d.general.roomOrder = {0};
    d.options.words[WOptions::ShowErrors] = 1;
    WObject obj;
    obj.name = "obj_saver";
    obj.events.resize(4);
    obj.events[0] = {WEvent{0, WCodeRef::Source("step_n = 0; transition_kind = 2;")}};
    obj.events[3] = {WEvent{0, WCodeRef::Source(kStep)}};
    d.objects.push_back(obj);
    WRoom room;
    room.name = "rm_save";
    WRoomInstance inst;
    inst.object = 0;
    inst.id = 100001;
    room.instances.push_back(inst);
    d.rooms.push_back(room);
    return WriteFile(dir + "/" + name + ".win", DataFile_Write(d));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ProcessResult Play(const std::string& game) {
    return RunProgram("zorvex", {"--headless", "--no-wait", "--frames", "20", "-game", game});
}

const char* kUnchanged = "load 1\nscore 7 word live arr 1 alarm 4 transition 2\n";

class SavedGames : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TestDirectory("saved_games");
        setenv("XDG_DATA_HOME", (dir_ + "/data").c_str(), 1);
        game_ = WriteGame(dir_, "saver", 7001);
        slot_ = dir_ + "/data/saver/slot.sav";
        ProcessResult first = Play(game_);
        ASSERT_EQ(first.exitCode, 0) << first.err;
        ASSERT_EQ(first.out, "saved 1\n");
        good_ = ReadBytes(slot_);
        ASSERT_GT(good_.size(), 40u);
    }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }

    // Plays a second run over `bytes` in the slot; the output and the error text.
    ProcessResult LoadFrom(const std::vector<uint8_t>& bytes) {
        WriteFile(slot_, bytes);
        return Play(game_);
    }

    std::string dir_, game_, slot_;
    std::vector<uint8_t> good_;
};

TEST_F(SavedGames, LoadingRestoresTheSavedStateAndLeavesNoTemporaryFile) {
    ProcessResult second = LoadFrom(good_);
    EXPECT_EQ(second.exitCode, 0) << second.err;
    // The transition kind is 0 after a load whatever was saved.
    EXPECT_EQ(second.out, "load 1\nscore 42 word saved arr 5 alarm 9 transition 0\n") << second.err;
    for (const auto& entry : std::filesystem::directory_iterator(dir_ + "/data/saver"))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(SavedGames, AFileOfAnotherVersionOrGameIsRefused) {
    std::vector<uint8_t> version = good_;
    version[0] = 0x1D;  // 541
    std::vector<uint8_t> foreign;
    {
        const std::string other = WriteGame(dir_, "other", 7002);
        ProcessResult saved = Play(other);
        ASSERT_EQ(saved.out, "saved 1\n") << saved.err;
        foreign = ReadBytes(dir_ + "/data/other/slot.sav");
    }
    const struct {
        const char* name;
        const std::vector<uint8_t>& bytes;
        const char* message;
    } cases[] = {
        {"version", version, "Cannot load game saved with other version."},
        {"another game", foreign, "This is a save file for a different game!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessResult run = LoadFrom(c.bytes);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, kUnchanged) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(slot_), std::string::npos) << run.err;
    }
}

TEST_F(SavedGames, ADamagedFileIsRefusedWithTheGameUnchanged) {
    const size_t n = good_.size();
    struct Damage {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Damage> damages;
    for (size_t keep : {size_t(0), size_t(6), size_t(30), n / 2, n - 9, n - 1})
        damages.push_back({"cut to " + std::to_string(keep), {good_.begin(), good_.begin() + long(keep)}});
    std::vector<uint8_t> longer = good_;
    longer.push_back(0);
    damages.push_back({"a byte too many", longer});
    // A byte in each part: version, game id, room index, score, health, the global
    // block, the room records, the id counters, the check sum.
    for (size_t at :
         {size_t(1), size_t(5), size_t(8), size_t(16), size_t(27), size_t(48), n / 2, n - 12, n - 6, n - 2}) {
        std::vector<uint8_t> flipped = good_;
        flipped[at] ^= 0x10;
        damages.push_back({"byte " + std::to_string(at) + " of " + std::to_string(n) + " flipped", flipped});
    }
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        ProcessResult run = LoadFrom(d.bytes);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, kUnchanged) << run.err;
        EXPECT_NE(run.err.find(slot_), std::string::npos) << run.err;
    }
}

}  // namespace
