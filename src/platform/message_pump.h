#pragma once

#include <cstdint>

// The platform's event queue, drained between frames. Whoever needs to see
// input or window changes (the input layer, the debugger) registers a sink and
// gets each event in a form that does not depend on the windowing library.

enum class PlatformEventKind : uint8_t {
    KeyDown,
    KeyUp,
    MouseMove,
    MouseButtonDown,
    MouseButtonUp,
    MouseWheel,
    Char,
    Touch,
    FocusGained,
    FocusLost,
    WindowResized,
    Quit,
};

// Mouse buttons numbered as game code numbers them.
enum class PlatformMouseButton : uint8_t {
    None = 0,
    Left = 1,
    Right = 2,
    Middle = 3,
    X1 = 4,
    X2 = 5,
};

struct PlatformEvent {
    PlatformEventKind kind = PlatformEventKind::Quit;
    // Key events: the engine's virtual key code (0 for keys it has no code
    // for); repeat is set for auto-repeated key downs. Char: one UTF-16 unit typed
    // (8 for Backspace, 9 Tab, 13 Enter, 27 Escape).
    int32_t key = 0;
    bool repeat = false;
    // Mouse events: position in client pixels. WindowResized: new client size.
    // Touch: the finger's slot in `key` (0..127), down in `repeat` (false when it
    // lifts), its position in client pixels.
    int32_t x = 0;
    int32_t y = 0;
    PlatformMouseButton button = PlatformMouseButton::None;
    // MouseWheel: steps, positive away from the user / to the right.
    int32_t wheelX = 0;
    int32_t wheelY = 0;
};

class IPlatformEventSink {
public:
    virtual ~IPlatformEventSink() = default;
    virtual void OnEvent(const PlatformEvent& event) = 0;
};

// The sink is not owned; pass null before it goes away.
void Platform_SetEventSink(IPlatformEventSink* sink);

// Drain the queue, handing each event to the sink. False as soon as a quit
// was requested (the user closed the window, or Platform_RequestQuit); the
// events behind it stay queued.
bool Platform_PumpMessages();

// The full-screen key, Alt+Enter: each press asks the handler, which answers true
// when it switched (or would, for a held key's repeats); the game then sees neither
// the press nor the Enter key's release. Null (the default) gives the keys to the game.
void Platform_SetFullScreenKeyHandler(bool (*onPress)(bool repeat));

// Queue a quit request, seen by the next pump. False when the platform is
// not running.
bool Platform_RequestQuit();

// The engine's virtual key code for one of the windowing library's key
// codes; 0 when the engine has none. Public for the tests.
int32_t Platform_KeyFromNative(int32_t nativeKey);
