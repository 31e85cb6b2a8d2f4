#include "platform/message_pump.h"

#include "platform/desktop.h"
#include "platform/input_sdl.h"
#include "platform/window.h"
#include "platform/window_sdl.h"

namespace {

IPlatformEventSink* g_sink = nullptr;

// Engine virtual key codes for the keys that have no printable character
// code of their own.
enum : int32_t {
    kVkBackspace = 8,
    kVkTab = 9,
    kVkEnter = 13,
    kVkPause = 19,
    kVkCapsLock = 20,
    kVkEscape = 27,
    kVkSpace = 32,
    kVkPageUp = 33,
    kVkPageDown = 34,
    kVkEnd = 35,
    kVkHome = 36,
    kVkLeft = 37,
    kVkUp = 38,
    kVkRight = 39,
    kVkDown = 40,
    kVkPrintScreen = 44,
    kVkInsert = 45,
    kVkDelete = 46,
    kVkLeftWindows = 91,
    kVkRightWindows = 92,
    kVkApplication = 93,
    kVkNumpad0 = 96,
    kVkMultiply = 106,
    kVkAdd = 107,
    kVkSubtract = 109,
    kVkDecimal = 110,
    kVkDivide = 111,
    kVkF1 = 112,
    kVkF13 = 124,
    kVkNumLock = 144,
    kVkScrollLock = 145,
    kVkLeftShift = 160,
    kVkRightShift = 161,
    kVkLeftControl = 162,
    kVkRightControl = 163,
    kVkLeftAlt = 164,
    kVkRightAlt = 165,
    kVkSemicolon = 186,
    kVkEquals = 187,
    kVkComma = 188,
    kVkMinus = 189,
    kVkPeriod = 190,
    kVkSlash = 191,
    kVkBackquote = 192,
    kVkLeftBracket = 219,
    kVkBackslash = 220,
    kVkRightBracket = 221,
    kVkQuote = 222,
};

PlatformMouseButton ButtonFromSdl(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT: return PlatformMouseButton::Left;
    case SDL_BUTTON_RIGHT: return PlatformMouseButton::Right;
    case SDL_BUTTON_MIDDLE: return PlatformMouseButton::Middle;
    case SDL_BUTTON_X1: return PlatformMouseButton::X1;
    case SDL_BUTTON_X2: return PlatformMouseButton::X2;
    default: return PlatformMouseButton::None;
    }
}

void Deliver(const PlatformEvent& event) {
    if (g_sink != nullptr) g_sink->OnEvent(event);
}

int32_t ControlCharacter(int32_t key) {
    switch (key) {
    case kVkBackspace: return 8;
    case kVkTab: return 9;
    case kVkEnter: return 13;
    case kVkEscape: return 27;
    default: return 0;
    }
}

// Typed text as UTF-16 units, one Char event each.
void DeliverText(const char* utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p != 0) {
        uint32_t cp = *p;
        int extra = 0;
        if (cp >= 0xF0) cp &= 0x07, extra = 3;
        else if (cp >= 0xE0) cp &= 0x0F, extra = 2;
        else if (cp >= 0xC0) cp &= 0x1F, extra = 1;
        else if (cp >= 0x80) cp = 0xFFFD;
        ++p;
        for (; extra > 0 && (*p & 0xC0) == 0x80; --extra, ++p) cp = (cp << 6) | (*p & 0x3Fu);
        if (extra > 0) cp = 0xFFFD;
        PlatformEvent typed;
        typed.kind = PlatformEventKind::Char;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            typed.key = int32_t(0xD800 + (cp >> 10));
            Deliver(typed);
            typed.key = int32_t(0xDC00 + (cp & 0x3FF));
        } else {
            typed.key = int32_t(cp);
        }
        Deliver(typed);
    }
}

bool (*g_fullScreenKey)(bool repeat) = nullptr;
SDL_Keycode g_heldFullScreenEnter = SDLK_UNKNOWN;

// True when the key event is the full-screen key's, which the game does not see.
bool TakeFullScreenKey(const SDL_KeyboardEvent& key) {
    const SDL_Keycode sym = key.keysym.sym;
    if (key.type == SDL_KEYUP) {
        if (sym != g_heldFullScreenEnter || sym == SDLK_UNKNOWN) return false;
        g_heldFullScreenEnter = SDLK_UNKNOWN;
        return true;
    }
    if (g_fullScreenKey == nullptr || (sym != SDLK_RETURN && sym != SDLK_KP_ENTER)) return false;
    if ((key.keysym.mod & KMOD_ALT) == 0) return false;
    if (!g_fullScreenKey(key.repeat != 0)) return false;
    g_heldFullScreenEnter = sym;
    return true;
}

// True when the event asks the game to end.
bool Translate(const SDL_Event& sdl) {
    PlatformEvent event;
    switch (sdl.type) {
    case SDL_QUIT:
        event.kind = PlatformEventKind::Quit;
        Deliver(event);
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (TakeFullScreenKey(sdl.key)) return false;
        event.kind = sdl.type == SDL_KEYDOWN ? PlatformEventKind::KeyDown : PlatformEventKind::KeyUp;
        event.key = Platform_KeyFromNative(sdl.key.keysym.sym);
        event.repeat = sdl.key.repeat != 0;
        Deliver(event);
        // The keys that type a control character type it with every press and
        // repeat; text input brings only the printable ones.
        if (sdl.type == SDL_KEYDOWN) {
            const int32_t c = ControlCharacter(event.key);
            if (c != 0) {
                PlatformEvent typed;
                typed.kind = PlatformEventKind::Char;
                typed.key = c;
                Deliver(typed);
            }
        }
        return false;
    case SDL_TEXTINPUT: DeliverText(sdl.text.text); return false;
    case SDL_FINGERDOWN:
    case SDL_FINGERUP:
    case SDL_FINGERMOTION: {
        int w = 0, h = 0;
        if (SDL_Window* window = Platform_MainSdlWindow()) SDL_GetWindowSize(window, &w, &h);
        event.kind = PlatformEventKind::Touch;
        event.key = int32_t(uint64_t(sdl.tfinger.fingerId) % 128);
        event.repeat = sdl.type != SDL_FINGERUP;
        event.x = int32_t(sdl.tfinger.x * float(w));
        event.y = int32_t(sdl.tfinger.y * float(h));
        Deliver(event);
        return false;
    }
    case SDL_CONTROLLERDEVICEADDED: Joystick_DeviceAdded(sdl.cdevice.which); return false;
    case SDL_CONTROLLERDEVICEREMOVED: Joystick_DeviceRemoved(sdl.cdevice.which); return false;
    case SDL_MOUSEMOTION:
        event.kind = PlatformEventKind::MouseMove;
        event.x = sdl.motion.x;
        event.y = sdl.motion.y;
        Deliver(event);
        return false;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        event.kind =
            sdl.type == SDL_MOUSEBUTTONDOWN ? PlatformEventKind::MouseButtonDown : PlatformEventKind::MouseButtonUp;
        event.x = sdl.button.x;
        event.y = sdl.button.y;
        event.button = ButtonFromSdl(sdl.button.button);
        Deliver(event);
        return false;
    case SDL_MOUSEWHEEL: {
        // Some systems report "natural" scrolling flipped; undo it so up is up.
        const int32_t sign = sdl.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
        event.kind = PlatformEventKind::MouseWheel;
        event.wheelX = sdl.wheel.x * sign;
        event.wheelY = sdl.wheel.y * sign;
        Deliver(event);
        return false;
    }
    case SDL_WINDOWEVENT:
        switch (sdl.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            // One game window: closing it ends the game.
            event.kind = PlatformEventKind::Quit;
            Deliver(event);
            return true;
        case SDL_WINDOWEVENT_FOCUS_GAINED: event.kind = PlatformEventKind::FocusGained; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: event.kind = PlatformEventKind::FocusLost; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // Every size change, the ones we make included, so the graphics
            // layer's view of the client size never goes stale.
            event.kind = PlatformEventKind::WindowResized;
            event.x = sdl.window.data1;
            event.y = sdl.window.data2;
            break;
        default: return false;
        }
        Deliver(event);
        return false;
    default:
        if (sdl.type != 0 && sdl.type == Keyboard_InjectEventType()) {
            event.kind = sdl.user.data2 != nullptr ? PlatformEventKind::KeyDown : PlatformEventKind::KeyUp;
            event.key = sdl.user.code;
            Deliver(event);
            if (event.kind == PlatformEventKind::KeyDown && ControlCharacter(event.key) != 0) {
                PlatformEvent typed;
                typed.kind = PlatformEventKind::Char;
                typed.key = ControlCharacter(event.key);
                Deliver(typed);
            }
        }
        return false;
    }
}

}  // namespace

void Platform_SetEventSink(IPlatformEventSink* sink) { g_sink = sink; }

void Platform_SetFullScreenKeyHandler(bool (*onPress)(bool repeat)) { g_fullScreenKey = onPress; }

bool Platform_PumpMessages() {
    // A quit signal ends the game the way closing its window does.
    if (Platform_QuitSignalled()) return false;
    if (!Platform_IsInitialised()) return true;
    SDL_Event sdl;
    while (SDL_PollEvent(&sdl) != 0) {
        if (Translate(sdl)) return false;
    }
    return true;
}

bool Platform_RequestQuit() {
    if (!Platform_IsInitialised()) return false;
    SDL_Event sdl{};
    sdl.type = SDL_QUIT;
    return SDL_PushEvent(&sdl) == 1;
}

int32_t Platform_KeyFromNative(int32_t nativeKey) {
    // Letters come lower case; the engine's codes are the upper-case ones.
    if (nativeKey >= SDLK_a && nativeKey <= SDLK_z) return nativeKey - SDLK_a + 'A';
    if (nativeKey >= SDLK_0 && nativeKey <= SDLK_9) return nativeKey;
    if (nativeKey >= SDLK_F1 && nativeKey <= SDLK_F12) return kVkF1 + (nativeKey - SDLK_F1);
    if (nativeKey >= SDLK_F13 && nativeKey <= SDLK_F24) return kVkF13 + (nativeKey - SDLK_F13);
    if (nativeKey >= SDLK_KP_1 && nativeKey <= SDLK_KP_9) {
        return kVkNumpad0 + 1 + (nativeKey - SDLK_KP_1);
    }
    switch (nativeKey) {
    case SDLK_BACKSPACE: return kVkBackspace;
    case SDLK_TAB: return kVkTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return kVkEnter;
    case SDLK_LSHIFT: return kVkLeftShift;
    case SDLK_RSHIFT: return kVkRightShift;
    case SDLK_LCTRL: return kVkLeftControl;
    case SDLK_RCTRL: return kVkRightControl;
    case SDLK_LALT: return kVkLeftAlt;
    case SDLK_RALT: return kVkRightAlt;
    case SDLK_LGUI: return kVkLeftWindows;
    case SDLK_RGUI: return kVkRightWindows;
    case SDLK_APPLICATION: return kVkApplication;
    case SDLK_PAUSE: return kVkPause;
    case SDLK_CAPSLOCK: return kVkCapsLock;
    case SDLK_ESCAPE: return kVkEscape;
    case SDLK_SPACE: return kVkSpace;
    case SDLK_PAGEUP: return kVkPageUp;
    case SDLK_PAGEDOWN: return kVkPageDown;
    case SDLK_END: return kVkEnd;
    case SDLK_HOME: return kVkHome;
    case SDLK_LEFT: return kVkLeft;
    case SDLK_UP: return kVkUp;
    case SDLK_RIGHT: return kVkRight;
    case SDLK_DOWN: return kVkDown;
    case SDLK_PRINTSCREEN: return kVkPrintScreen;
    case SDLK_INSERT: return kVkInsert;
    case SDLK_DELETE: return kVkDelete;
    case SDLK_KP_0: return kVkNumpad0;
    case SDLK_KP_MULTIPLY: return kVkMultiply;
    case SDLK_KP_PLUS: return kVkAdd;
    case SDLK_KP_MINUS: return kVkSubtract;
    case SDLK_KP_PERIOD: return kVkDecimal;
    case SDLK_KP_DIVIDE: return kVkDivide;
    case SDLK_NUMLOCKCLEAR: return kVkNumLock;
    case SDLK_SCROLLLOCK: return kVkScrollLock;
    case SDLK_SEMICOLON: return kVkSemicolon;
    case SDLK_EQUALS: return kVkEquals;
    case SDLK_COMMA: return kVkComma;
    case SDLK_MINUS: return kVkMinus;
    case SDLK_PERIOD: return kVkPeriod;
    case SDLK_SLASH: return kVkSlash;
    case SDLK_BACKQUOTE: return kVkBackquote;
    case SDLK_LEFTBRACKET: return kVkLeftBracket;
    case SDLK_BACKSLASH: return kVkBackslash;
    case SDLK_RIGHTBRACKET: return kVkRightBracket;
    case SDLK_QUOTE: return kVkQuote;
    default: return 0;
    }
}
