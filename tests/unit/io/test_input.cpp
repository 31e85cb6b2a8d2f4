#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "io/input.h"
#include "io/input_record.h"

namespace fs = std::filesystem;

namespace {

// One frame: the window events before it, then what key `kKey` and button 1 read.
struct TFrame {
    const char* events;  // 'd' key down, 'u' key up, 'D' button down, 'U' button up
    bool held, pressed, released;
};

constexpr int kKey = 39;

void Apply(CInput& in, const char* events) {
    for (const char* e = events; *e; ++e) {
        switch (*e) {
        case 'd': in.KeyDown(kKey); break;
        case 'u': in.KeyUp(kKey); break;
        case 'D': in.ButtonDown(1); break;
        case 'U': in.ButtonUp(1); break;
        default: break;
        }
    }
}

}  // namespace

TEST(InputLatch, KeysAndButtonsAreSeenForWholeFrames) {
    struct Case {
        const char* name;
        std::vector<TFrame> frames;
    };
    const Case cases[] = {
        {"press, hold, release",
         {{"d", true, true, false},
          {"", true, false, false},
          {"", true, false, false},
          {"u", false, false, true},
          {"", false, false, false}}},
        {"auto-repeat presses once", {{"d", true, true, false}, {"ddd", true, false, false}}},
        {"tapped between two frames", {{"du", false, true, true}, {"", false, false, false}}},
        {"two presses in one frame", {{"dud", true, true, true}, {"", true, false, false}, {"u", false, false, true}}},
        {"released and pressed again", {{"d", true, true, false}, {"ud", true, true, true}}},
    };
    for (const Case& c : cases) {
        for (const bool mouse : {false, true}) {
            CInput in;
            int n = 0;
            for (const TFrame& f : c.frames) {
                ++n;
                std::string events = f.events;
                if (mouse)
                    for (char& e : events) e = e == 'd' ? 'D' : e == 'u' ? 'U' : e;
                Apply(in, events.c_str());
                in.BeginFrame({});
                const CInputState& s = in.State();
                const bool held = mouse ? s.mouseDown[0] : s.keyDown[kKey];
                const bool pressed = mouse ? s.mousePressed[0] : s.keyPressed[kKey];
                const bool released = mouse ? s.mouseReleased[0] : s.keyReleased[kKey];
                const std::string where =
                    std::string(c.name) + (mouse ? " (button)" : " (key)") + ", frame " + std::to_string(n);
                EXPECT_EQ(held, f.held) << where;
                EXPECT_EQ(pressed, f.pressed) << where;
                EXPECT_EQ(released, f.released) << where;
            }
        }
    }
}

TEST(InputLatch, EventsBetweenFramesWaitForTheNextFrame) {
    CInput in;
    in.BeginFrame({});
    in.KeyDown(65);
    in.Char('a');
    in.MouseMove(7, 9);
    in.Wheel(1);
    // Not before the next frame starts.
    EXPECT_EQ(in.State().keyDown[65], 0);
    EXPECT_EQ(in.Text(), "");
    EXPECT_EQ(in.State().rawX[0], 0);
    in.BeginFrame({});
    EXPECT_EQ(in.State().keyDown[65], 1);
    EXPECT_EQ(in.Text(), "a");
    EXPECT_EQ(in.State().rawX[0], 7);
    EXPECT_EQ(in.State().rawY[0], 9);
    EXPECT_EQ(in.State().wheelUp[0], 1);
    in.BeginFrame({});
    EXPECT_EQ(in.State().wheelUp[0], 0);
}

TEST(InputKeys, SidesMapAndLastKey) {
    CInput in;
    in.KeyDown(16, true);
    in.KeyDown(17, false);
    in.BeginFrame({});
    EXPECT_EQ(in.State().keyDown[160], 1);  // left Shift
    EXPECT_EQ(in.State().keyDown[163], 1);  // right Control
    EXPECT_EQ(in.State().keyDown[16], 0);
    EXPECT_EQ(in.State().keyDown[17], 0);

    in.SetMap('A', 'B');
    in.KeyDown('A');
    in.KeyDown('C');
    in.BeginFrame({});
    EXPECT_EQ(in.State().keyPressed[int('B')], 1);
    EXPECT_EQ(in.State().keyPressed[int('A')], 0);
    EXPECT_EQ(in.State().key, 'C');
    EXPECT_EQ(in.State().lastKey, 'C');

    // Letting go of an older key keeps keyboard_key; of the last one clears it.
    in.KeyUp('A');
    in.BeginFrame({});
    EXPECT_EQ(in.State().key, 'C');
    in.KeyUp('C');
    in.BeginFrame({});
    EXPECT_EQ(in.State().key, 0);
    EXPECT_EQ(in.State().lastKey, 'C');

    in.ResetMap();
    EXPECT_EQ(in.Map('A'), 'A');
    in.SetMap(300, 'A');
    EXPECT_EQ(in.Map(300), 0);
}

TEST(InputText, TypedTextFollowsItsRules) {
    CInput in;
    in.Char(8);  // backspace on nothing
    in.Char('\t');
    in.Char('h');
    in.Char('i');
    in.Char('x');
    in.Char(8);
    in.Char(0xE9);
    in.BeginFrame({});
    EXPECT_EQ(in.Text(), "hi\xC3\xA9");
    EXPECT_EQ(in.LastChar(), "\xC3\xA9");

    // A script's text is typed on.
    in.SetText("name: ");
    in.Char('Z');
    in.BeginFrame({});
    EXPECT_EQ(in.Text(), "name: Z");

    // 1030 characters: the text started again at the 1024th.
    in.SetText("");
    std::string typed;
    for (int i = 0; i < 1030; ++i) {
        const char c = char('a' + i % 26);
        typed += c;
        in.Char(uint16_t(c));
    }
    in.BeginFrame({});
    EXPECT_EQ(in.Text(), typed.substr(1023));

    // A script's text longer than the limit is cut.
    in.SetText(std::string(1100, 'q'));
    EXPECT_EQ(in.Text().size(), 1024u);
}

TEST(InputClear, ClearsVisibleAndPending) {
    CInput in;
    in.KeyDown(50);
    in.ButtonDown(2);
    in.Char('k');
    in.BeginFrame({});
    in.KeyDown(51);
    in.ClearKey(50);
    in.ClearKey(51);
    in.ClearButton(2);
    EXPECT_EQ(in.State().keyDown[50], 0);
    EXPECT_EQ(in.State().mouseDown[1], 0);
    in.BeginFrame({});
    EXPECT_EQ(in.State().keyDown[51], 0);
    EXPECT_EQ(in.State().keyPressed[51], 0);
    EXPECT_EQ(in.Text(), "k");
    in.ClearAll();
    in.BeginFrame({});
    EXPECT_EQ(in.Text(), "");
}

TEST(InputVirtualKeys, TouchesPressHoldAndRelease) {
    CInput in;
    const int handle = in.AddVirtualKey(10, 10, 20, 20, 'V');
    ASSERT_EQ(handle, 1);
    const int button = in.AddVirtualKey(100, 0, 10, 10, 0, 2);
    ASSERT_EQ(button, 2);
    // The window is twice the room: a touch at (40, 40) is at (20, 20) in the room.
    const CInputFrameContext twice{200, 200, 100, 100};
    in.Touch(0, true, 40, 40);
    in.Touch(1, true, 210, 10);
    in.BeginFrame(twice);
    EXPECT_EQ(in.State().keyPressed[int('V')], 1);
    EXPECT_EQ(in.State().mousePressed[1], 1);
    in.Touch(0, true, 40, 40);
    in.BeginFrame(twice);
    EXPECT_EQ(in.State().keyPressed[int('V')], 0);
    EXPECT_EQ(in.State().keyDown[int('V')], 1);
    EXPECT_EQ(in.State().mouseReleased[1], 1);
    in.BeginFrame(twice);
    EXPECT_EQ(in.State().keyReleased[int('V')], 1);

    EXPECT_TRUE(in.DeleteVirtualKey(handle));
    EXPECT_FALSE(in.DeleteVirtualKey(0));
    EXPECT_FALSE(in.DeleteVirtualKey(129));
    in.Touch(0, true, 40, 40);
    in.BeginFrame(twice);
    EXPECT_EQ(in.State().keyPressed[int('V')], 0);
    for (int i = 0; i < kVirtualKeyCount; ++i) in.AddVirtualKey(0, 0, 1, 1, 'K');
    EXPECT_EQ(in.AddVirtualKey(0, 0, 1, 1, 'K'), 0);
}

// --- the recorded block --------------------------------------------------------------------------

TEST(InputRecord, BlockHoldsTheItemsInOrderLittleEndian) {
    CInputState s;
    s.lastChar = 0x0102;
    s.text[0] = 'h';
    s.text[1] = 0x20AC;
    s.lastKey = 0x41;
    s.key = 0x27;
    s.keyDown[0x27] = 1;
    s.keyReleased[0x28] = 1;
    s.keyPressed[0x29] = 1;
    s.lastButton[0] = 2;
    s.lastButton[4] = 3;
    s.button[1] = 1;
    s.mouseDown[2] = 1;
    s.mouseReleased[14] = 1;
    s.mousePressed[3] = 1;
    s.wheelUp[0] = 1;
    s.wheelDown[4] = 1;
    s.cursorX = -2;
    s.cursorY = 0x01020304;
    s.rawX[0] = 640;
    s.rawY[0] = 0x7FFFFFFF;
    std::vector<uint8_t> b(kInputBlockSize);
    InputRecord_Encode(s, b.data());

    auto i32 = [&](size_t at) {
        return int32_t(uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
                       uint32_t(b[at + 3]) << 24);
    };
    // Offsets worked out by hand from the item sizes.
    EXPECT_EQ(b[0], 0x02);
    EXPECT_EQ(b[1], 0x01);
    EXPECT_EQ(b[2], 'h');
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(b[4], 0xAC);
    EXPECT_EQ(b[5], 0x20);
    EXPECT_EQ(i32(2052), 0x41);
    EXPECT_EQ(i32(2056), 0x27);
    EXPECT_EQ(b[2060 + 0x27], 1);
    EXPECT_EQ(b[2316 + 0x28], 1);
    EXPECT_EQ(b[2572 + 0x29], 1);
    EXPECT_EQ(i32(2828), 2);
    EXPECT_EQ(i32(2828 + 16), 3);
    EXPECT_EQ(i32(2848 + 4), 1);
    EXPECT_EQ(b[2868 + 2], 1);
    EXPECT_EQ(b[2883 + 14], 1);
    EXPECT_EQ(b[2898 + 3], 1);
    EXPECT_EQ(b[2913], 1);
    EXPECT_EQ(b[2918 + 4], 1);
    EXPECT_EQ(i32(2923), -2);
    EXPECT_EQ(b[2927], 0x04);
    EXPECT_EQ(i32(2927), 0x01020304);
    EXPECT_EQ(i32(2931), 640);
    EXPECT_EQ(i32(2935), 0x7FFFFFFF);
    size_t set = 0;
    for (uint8_t v : b) set += v != 0;
    EXPECT_EQ(set, 32u) << "a byte was written outside its item";

    CInputState back;
    std::string problem;
    ASSERT_TRUE(InputRecord_Decode(b.data(), back, problem)) << problem;
    std::vector<uint8_t> again(kInputBlockSize);
    InputRecord_Encode(back, again.data());
    EXPECT_EQ(again, b);
}

TEST(InputRecord, DamagedBlocksAreRefused) {
    struct Case {
        const char* name;
        size_t at;
        uint8_t value;
    };
    const Case cases[] = {
        {"a held flag of 2", 2060 + 5, 2}, {"a wheel flag of 255", 2918, 255},
        {"keyboard_key 256", 2056 + 1, 1}, {"a negative last key", 2052 + 3, 0x80},
        {"mouse_button 4", 2848, 4},       {"text without its end", 2 + 2048, 'x'},
    };
    std::vector<uint8_t> good(kInputBlockSize);
    InputRecord_Encode(CInputState{}, good.data());
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good;
        if (c.at == 2 + 2048)
            for (size_t i = 2; i < 2052; i += 2) b[i] = 'x';  // every unit set
        b[c.at] = c.value;
        CInputState s;
        s.key = 77;
        std::string problem;
        EXPECT_FALSE(InputRecord_Decode(b.data(), s, problem)) << c.name;
        EXPECT_FALSE(problem.empty()) << c.name;
        EXPECT_EQ(s.key, 77) << c.name << ": the state changed";
    }
}

class InputFiles : public testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::path(ZORVEX_TEST_TMP) / "input_files";
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    // Records a few frames of typing, pressing and moving.
    void Record(const fs::path& file) {
        CInput rec;
        std::string error;
        ASSERT_TRUE(rec.StartRecording(file.string(), error)) << error;
        rec.KeyDown('W');
        rec.Char('w');
        rec.BeginFrame({});
        rec.MouseMove(33, 44);
        rec.ButtonDown(1);
        rec.BeginFrame({});
        rec.KeyUp('W');
        rec.ButtonUp(1);
        rec.BeginFrame({});
        rec.StopRecording();
        ASSERT_EQ(fs::file_size(file), 3 * kInputBlockSize);
    }
};

TEST_F(InputFiles, PlaybackGivesTheRecordedFramesThenEnds) {
    const fs::path file = dir / "session.rec";
    Record(file);
    CInput play;
    std::string error;
    ASSERT_TRUE(play.StartPlayback(file.string(), error)) << error;
    // Live events are ignored while playing back.
    play.KeyDown('Q');
    play.BeginFrame({});
    EXPECT_EQ(play.State().keyPressed[int('W')], 1);
    EXPECT_EQ(play.State().keyDown[int('Q')], 0);
    EXPECT_EQ(play.Text(), "w");
    play.BeginFrame({});
    EXPECT_EQ(play.State().keyDown[int('W')], 1);
    EXPECT_EQ(play.State().mousePressed[0], 1);
    EXPECT_EQ(play.State().rawX[0], 33);
    play.BeginFrame({});
    EXPECT_EQ(play.State().keyReleased[int('W')], 1);
    EXPECT_EQ(play.State().mouseReleased[0], 1);

    testing::internal::CaptureStderr();
    play.BeginFrame({});
    play.BeginFrame({});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ends after 3 frames"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one message only: " << err;
    EXPECT_TRUE(play.PlaybackEnded());
    EXPECT_EQ(play.State().keyReleased[int('W')], 0);
    EXPECT_EQ(play.Text(), "w");
}

TEST_F(InputFiles, ShortAndDamagedFilesEndInputWithAMessage) {
    const fs::path file = dir / "session.rec";
    Record(file);
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    struct Case {
        const char* name;
        std::string content;
        const char* message;
        int goodFrames;
    };
    std::string damaged = bytes;
    damaged[kInputBlockSize + 2060] = 7;  // a held flag in the second block
    const Case cases[] = {
        {"cut inside the second block", bytes.substr(0, kInputBlockSize + 100), "ends inside the block of frame 2", 1},
        {"damaged second block", damaged, "damaged at frame 2", 1},
        {"empty", "", "ends after 0 frames", 0},
    };
    for (const Case& c : cases) {
        const fs::path f = dir / "case.rec";
        {
            std::ofstream out(f, std::ios::binary | std::ios::trunc);
            out << c.content;
        }
        CInput play;
        std::string error;
        ASSERT_TRUE(play.StartPlayback(f.string(), error)) << error;
        testing::internal::CaptureStderr();
        for (int n = 0; n < 4; ++n) {
            play.BeginFrame({});
            if (n < c.goodFrames) EXPECT_EQ(play.State().keyDown[int('W')], 1) << c.name;
            else EXPECT_EQ(play.State().keyDown[int('W')], 0) << c.name << ", frame " << n + 1;
        }
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.message), std::string::npos) << c.name << ": " << err;
        EXPECT_TRUE(play.PlaybackEnded()) << c.name;
    }

    CInput none;
    std::string error;
    EXPECT_FALSE(none.StartPlayback((dir / "missing.rec").string(), error));
    EXPECT_NE(error.find("missing.rec"), std::string::npos) << error;
}
