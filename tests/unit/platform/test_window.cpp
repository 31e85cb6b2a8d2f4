#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/message_pump.h"
#include "platform/window.h"
#include "platform/window_sdl.h"

namespace {

TEST(PlatformWindowRules, StyleFromHeaderFlags) {
    struct Case {
        uint32_t flags;
        WindowStyle style;
    };
    const Case cases[] = {
        {0x0, WindowStyle::Fixed},
        {0x1, WindowStyle::Borderless},
        {0x40, WindowStyle::Sizeable},
        {0x41, WindowStyle::Borderless},  // borderless wins over sizeable
        {0x20 | 0x200, WindowStyle::Fixed},
        {0xFFFFFFFEu, WindowStyle::Sizeable},
        {0xFFFFFFFFu, WindowStyle::Borderless},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WindowStyleFor(c.flags), c.style) << "flags 0x" << std::hex << c.flags;
    }
}

TEST(PlatformWindowRules, ClampToDesktop) {
    struct Case {
        int w, h, dw, dh;
        int expectW, expectH;
    };
    const Case cases[] = {
        {640, 480, 1920, 1080, 640, 480},
        {1920, 1080, 1920, 1080, 1920, 1080},
        {2500, 480, 1920, 1080, 1920, 480},
        {640, 2000, 1920, 1080, 640, 1080},
        {4000, 3000, 1024, 768, 1024, 768},
        {4000, 3000, 0, 0, 4000, 3000},    // desktop unknown: no clamp
        {4000, 3000, -1, 768, 4000, 768},  // only the known side clamps
        {100000, 100000, 0, 0, kWindowMaxSide, kWindowMaxSide},
        {0, -5, 1920, 1080, 1, 1},
        {-2147483647 - 1, 2147483647, 0, 0, 1, kWindowMaxSide},
    };
    for (const Case& c : cases) {
        const WindowSize size = ClampToDesktop(c.w, c.h, c.dw, c.dh);
        EXPECT_EQ(size.width, c.expectW) << c.w << "x" << c.h << " on " << c.dw << "x" << c.dh;
        EXPECT_EQ(size.height, c.expectH) << c.w << "x" << c.h << " on " << c.dw << "x" << c.dh;
    }
}

TEST(PlatformWindowRules, NothingWorksBeforeInit) {
    ASSERT_FALSE(Platform_IsInitialised());
    TWindow window;
    EXPECT_FALSE(window.Create(320, 240, 0));
    EXPECT_FALSE(window.IsOpen());
    EXPECT_EQ(window.Width(), 0);
    EXPECT_FALSE(Platform_RequestQuit());
    EXPECT_TRUE(Platform_PumpMessages());
}

class RecordingSink : public IPlatformEventSink {
public:
    void OnEvent(const PlatformEvent& event) override { events.push_back(event); }
    std::vector<PlatformEvent> events;
};

class PlatformHeadless : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_TRUE(Platform_Init(true));
        ASSERT_TRUE(Platform_IsHeadless());
    }
    void TearDown() override {
        Platform_SetEventSink(nullptr);
        Platform_Shutdown();
    }
};

TEST_F(PlatformHeadless, WindowFollowsHeaderFlags) {
    struct Case {
        uint32_t flags;
        WindowStyle style;
        bool cursor;
    };
    const Case cases[] = {
        {0x0, WindowStyle::Fixed, false},
        {0x1, WindowStyle::Borderless, false},
        {0x40 | 0x20, WindowStyle::Sizeable, true},
        {0x1 | 0x40 | 0x20, WindowStyle::Borderless, true},
    };
    for (const Case& c : cases) {
        TWindow window;
        ASSERT_TRUE(window.Create(640, 480, c.flags)) << std::hex << c.flags;
        EXPECT_EQ(window.Style(), c.style) << std::hex << c.flags;
        EXPECT_EQ(window.CursorShown(), c.cursor) << std::hex << c.flags;
    }
}

TEST_F(PlatformHeadless, WindowHasRequestedSizeAndCaption) {
    TWindow window;
    // Larger than the offscreen driver's pretend desktop: a headless run must
    // not shrink it.
    ASSERT_TRUE(window.Create(1500, 1000, 0));
    EXPECT_TRUE(window.IsOpen());
    EXPECT_EQ(window.Width(), 1500);
    EXPECT_EQ(window.Height(), 1000);
    EXPECT_EQ(window.Caption(), "Zorvex");
    EXPECT_NE(window.NativeHandle(), nullptr);
    EXPECT_EQ(Platform_MainWindow(), &window);

    window.SetCaption("Level 2 \xE2\x80\x94 caf\xC3\xA9");
    EXPECT_EQ(window.Caption(), "Level 2 \xE2\x80\x94 caf\xC3\xA9");

    // A second Create replaces the window rather than leaking the first.
    ASSERT_TRUE(window.Create(320, 200, 0x1));
    EXPECT_EQ(window.Width(), 320);
    EXPECT_EQ(window.Caption(), "Zorvex");

    window.Destroy();
    EXPECT_FALSE(window.IsOpen());
    EXPECT_EQ(window.Width(), 0);
    EXPECT_EQ(window.Caption(), "");
    EXPECT_EQ(Platform_MainWindow(), nullptr);
}

TEST_F(PlatformHeadless, PumpStopsAtQuitAndLeavesTheRestQueued) {
    TWindow window;
    ASSERT_TRUE(window.Create(320, 240, 0));
    RecordingSink sink;
    Platform_SetEventSink(&sink);

    EXPECT_TRUE(Platform_PumpMessages());
    EXPECT_TRUE(Platform_PumpMessages());

    sink.events.clear();
    ASSERT_TRUE(Platform_RequestQuit());
    ASSERT_TRUE(Platform_RequestQuit());
    EXPECT_FALSE(Platform_PumpMessages());
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].kind, PlatformEventKind::Quit);
    EXPECT_FALSE(Platform_PumpMessages());  // the second request was still queued
    EXPECT_TRUE(Platform_PumpMessages());
}

TEST_F(PlatformHeadless, SinkSeesResize) {
    TWindow window;
    ASSERT_TRUE(window.Create(320, 240, 0x40));
    RecordingSink sink;
    Platform_SetEventSink(&sink);
    ASSERT_TRUE(Platform_PumpMessages());
    sink.events.clear();

    window.SetSize(400, 300);
    ASSERT_TRUE(Platform_PumpMessages());
    bool sawResize = false;
    for (const PlatformEvent& e : sink.events) {
        if (e.kind != PlatformEventKind::WindowResized) continue;
        sawResize = true;
        EXPECT_EQ(e.x, 400);
        EXPECT_EQ(e.y, 300);
    }
    EXPECT_TRUE(sawResize);
    EXPECT_EQ(window.Width(), 400);
    EXPECT_EQ(window.Height(), 300);
}

namespace fullscreen_key {

int g_calls = 0;
int g_repeats = 0;
bool g_take = true;
bool Handler(bool repeat) {
    ++g_calls;
    if (repeat) ++g_repeats;
    return g_take;
}

void PushKey(SDL_EventType type, SDL_Keycode sym, Uint16 mod, bool repeat = false) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

// The Enter key downs and ups the game was given.
std::string EnterSeen(const RecordingSink& sink) {
    std::string seen;
    for (const PlatformEvent& e : sink.events) {
        if (e.key != 13) continue;
        if (e.kind == PlatformEventKind::KeyDown) seen += e.repeat ? "r" : "d";
        if (e.kind == PlatformEventKind::KeyUp) seen += "u";
    }
    return seen;
}

}  // namespace fullscreen_key

TEST_F(PlatformHeadless, FullScreenKeyGoesToItsHandlerWhenItTakesIt) {
    using namespace fullscreen_key;
    TWindow window;
    ASSERT_TRUE(window.Create(320, 240, 0));
    RecordingSink sink;
    Platform_SetEventSink(&sink);
    ASSERT_TRUE(Platform_PumpMessages());

    struct Case {
        bool handlerSet;
        bool take;
        int calls;
        int repeats;
        const char* gameSees;
    };
    const Case cases[] = {
        // Alt+Enter, a repeat, release; then plain Enter pressed and released.
        {false, false, 0, 0, "drudu"},
        {true, true, 2, 1, "du"},
        {true, false, 2, 1, "drudu"},  // a game that does not allow the switch keeps the key
    };
    for (const Case& c : cases) {
        g_calls = g_repeats = 0;
        g_take = c.take;
        Platform_SetFullScreenKeyHandler(c.handlerSet ? Handler : nullptr);
        sink.events.clear();
        PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT);
        PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_LALT, true);
        PushKey(SDL_KEYUP, SDLK_RETURN, KMOD_LALT);
        PushKey(SDL_KEYDOWN, SDLK_RETURN, KMOD_NONE);
        PushKey(SDL_KEYUP, SDLK_RETURN, KMOD_NONE);
        ASSERT_TRUE(Platform_PumpMessages());
        EXPECT_EQ(g_calls, c.calls) << c.handlerSet << c.take;
        EXPECT_EQ(g_repeats, c.repeats) << c.handlerSet << c.take;
        EXPECT_EQ(EnterSeen(sink), c.gameSees) << c.handlerSet << c.take;
    }

    // The keypad's Enter with the right Alt switches too.
    g_calls = 0;
    g_take = true;
    Platform_SetFullScreenKeyHandler(Handler);
    PushKey(SDL_KEYDOWN, SDLK_KP_ENTER, KMOD_RALT);
    PushKey(SDL_KEYUP, SDLK_KP_ENTER, KMOD_NONE);
    ASSERT_TRUE(Platform_PumpMessages());
    EXPECT_EQ(g_calls, 1);
    Platform_SetFullScreenKeyHandler(nullptr);
}

TEST(PlatformKeys, NativeKeysMapToEngineCodes) {
    // Native values are the windowing library's key codes, written out here so
    // the tests stay free of its headers.
    struct Case {
        int32_t native;
        int32_t engine;
    };
    const Case cases[] = {
        {'a', 'A'},
        {'z', 'Z'},
        {'0', '0'},
        {'9', '9'},
        {0x4000003A, 112},  // F1
        {0x40000045, 123},  // F12
        {0x40000068, 124},  // F13
        {0x40000050, 37},   // left
        {0x40000052, 38},   // up
        {0x4000004F, 39},   // right
        {0x40000051, 40},   // down
        {0x40000049, 45},   // insert
        {0x7F, 46},         // delete
        {0x4000004A, 36},   // home
        {0x4000004D, 35},   // end
        {0x4000004B, 33},   // page up
        {0x4000004E, 34},   // page down
        {0x40000059, 97},   // keypad 1
        {0x40000062, 96},   // keypad 0
        {0x40000055, 106},  // keypad *
        {0x40000057, 107},  // keypad +
        {0x40000056, 109},  // keypad -
        {0x40000063, 110},  // keypad .
        {0x40000054, 111},  // keypad /
        {0x40000058, 13},   // keypad enter
        // Shift, Control and Alt come as their left and right codes, never 16, 17, 18.
        {0x400000E1, 160},  // left shift
        {0x400000E5, 161},  // right shift
        {0x400000E0, 162},  // left control
        {0x400000E4, 163},  // right control
        {0x400000E2, 164},  // left alt
        {0x400000E6, 165},  // right alt
        {8, 8},             // backspace
        {9, 9},             // tab
        {27, 27},           // escape
        {13, 13},           // return
        {' ', 32},
        {';', 186},
        {'\'', 222},
        {0x40000080, 0},  // volume up: no engine code
        {'A', 0},         // native codes are never upper case
        {-1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Platform_KeyFromNative(c.native), c.engine) << "native 0x" << std::hex << c.native;
    }
}

TEST_F(PlatformHeadless, MessageBoxPrintsAndReturnsDefault) {
    struct Case {
        MessageBoxKind kind;
        int defaultAnswer;
        std::string caption;
        std::string text;
        int expectAnswer;
        std::string expectStderr;
    };
    const Case cases[] = {
        {MessageBoxKind::Error, kMessageBoxOk, "Zorvex", "Failed to compile the scripts.", kMessageBoxOk,
         "Zorvex\nFailed to compile the scripts.\n"},
        {MessageBoxKind::Information, kMessageBoxYes, "Zorvex", "two\nlines\n", kMessageBoxOk, "Zorvex\ntwo\nlines\n"},
        {MessageBoxKind::YesNoInformation, kMessageBoxYes, "Q", "Switch?", kMessageBoxYes, "Q\nSwitch?\n"},
        {MessageBoxKind::YesNoQuestion, kMessageBoxNo, "Q", "Quit?", kMessageBoxNo, "Q\nQuit?\n"},
        {MessageBoxKind::YesNoQuestion, kMessageBoxOk, "Q", "Quit?", kMessageBoxNo, "Q\nQuit?\n"},
        {MessageBoxKind::Warning, kMessageBoxOk, "", "caf\xC3\xA9", kMessageBoxOk, "caf\xC3\xA9\n"},
        {MessageBoxKind::Error, kMessageBoxOk, "", "", kMessageBoxOk, "\n"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const int answer = TMessageBox_Show(c.text, c.caption, c.kind, c.defaultAnswer);
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_EQ(answer, c.expectAnswer) << c.text;
        EXPECT_EQ(printed, c.expectStderr);
    }
}

TEST(PlatformClock, TimeIsMonotonicAndSleepWaitsAboutRight) {
    int64_t previous = Timing_Time();
    for (int i = 0; i < 10000; ++i) {
        const int64_t now = Timing_Time();
        ASSERT_GE(now, previous);
        previous = now;
    }

    const int64_t before = Timing_Time();
    Timing_Sleep(20000);
    const int64_t slept = Timing_Time() - before;
    EXPECT_GE(slept, 20000);
    EXPECT_LT(slept, 200000);

    // Nothing to wait for: return at once rather than wrap into a long wait.
    const int64_t start = Timing_Time();
    Timing_Sleep(0);
    Timing_Sleep(-1);
    Timing_Sleep(INT64_MIN);
    EXPECT_LT(Timing_Time() - start, 50000);
}

}  // namespace
