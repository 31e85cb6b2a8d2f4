#include "platform/input_sdl.h"

#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/message_pump.h"
#include "platform/window.h"

namespace {

Uint32 g_injectType = 0;

struct TControllerCloser {
    void operator()(SDL_GameController* c) const { SDL_GameControllerClose(c); }
};
using TController = std::unique_ptr<SDL_GameController, TControllerCloser>;

// In the order they were connected: the first is joystick 1, the second joystick 2.
std::vector<TController>& Controllers() {
    static std::vector<TController> list;
    return list;
}
bool g_joysticksStarted = false;

bool SideHeld(int sidedLeft) {
    const SDL_Keymod mod = SDL_GetModState();
    switch (sidedLeft) {
    case 160: return (mod & KMOD_LSHIFT) != 0;
    case 161: return (mod & KMOD_RSHIFT) != 0;
    case 162: return (mod & KMOD_LCTRL) != 0;
    case 163: return (mod & KMOD_RCTRL) != 0;
    case 164: return (mod & KMOD_LALT) != 0;
    case 165: return (mod & KMOD_RALT) != 0;
    default: return false;
    }
}

// Game controller axes -32768..32767 to 0..65535 with 32767 at rest; triggers rest at
// the centre too and go to the top.
int32_t StickAxis(SDL_GameController* c, SDL_GameControllerAxis a) {
    return int32_t(SDL_GameControllerGetAxis(c, a)) + 32767 + (SDL_GameControllerGetAxis(c, a) < 0 ? 1 : 0);
}
int32_t TriggerAxis(SDL_GameController* c, SDL_GameControllerAxis a) {
    return 32767 + int32_t(SDL_GameControllerGetAxis(c, a)) * 32768 / 32767;
}

// Buttons numbered as the common pad layouts number them: 1 A, 2 B, 3 X, 4 Y, 5 and 6
// the shoulders, 7 back, 8 start, 9 and 10 the stick clicks, 11 guide.
const SDL_GameControllerButton kButtons[] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_GUIDE,
};

}  // namespace

// --- keyboard ---------------------------------------------------------------------------------

bool Keyboard_Held(int key) {
    if (!Platform_IsInitialised()) return false;
    if (key >= 16 && key <= 18) {
        const int left = 160 + 2 * (key - 16);
        return Keyboard_Held(left) || Keyboard_Held(left + 1);
    }
    if (key >= 160 && key <= 165) return SideHeld(key);
    int count = 0;
    const Uint8* held = SDL_GetKeyboardState(&count);
    for (int s = 0; s < count; ++s)
        if (held[s] && Platform_KeyFromNative(SDL_GetKeyFromScancode(SDL_Scancode(s))) == key) return true;
    return false;
}

bool Keyboard_LeftHeld(int key) {
    if (key < 16 || key > 18 || !Platform_IsInitialised()) return true;
    const int left = 160 + 2 * (key - 16);
    // Neither held (an injected key): the left one.
    return SideHeld(left) || !SideHeld(left + 1);
}

bool Keyboard_NumLock() { return Platform_IsInitialised() && (SDL_GetModState() & KMOD_NUM) != 0; }

void Keyboard_SetNumLock(bool on) {
    if (!Platform_IsInitialised()) return;
    const SDL_Keymod mod = SDL_GetModState();
    SDL_SetModState(SDL_Keymod(on ? mod | KMOD_NUM : mod & ~KMOD_NUM));
}

uint32_t Keyboard_InjectEventType() { return g_injectType; }

bool Keyboard_Inject(int key, bool down) {
    if (!Platform_IsInitialised()) return false;
    if (g_injectType == 0) {
        g_injectType = SDL_RegisterEvents(1);
        if (g_injectType == Uint32(-1)) {
            g_injectType = 0;
            return false;
        }
    }
    SDL_Event e{};
    e.type = g_injectType;
    e.user.code = key;
    e.user.data1 = nullptr;
    e.user.data2 = down ? &e : nullptr;  // only its being non-null counts
    return SDL_PushEvent(&e) == 1;
}

// --- game controllers ---------------------------------------------------------------------------

void Joystick_Start() {
    if (g_joysticksStarted || !Platform_IsInitialised()) return;
    // Controllers keep working while another window has the focus, as a pad on the
    // desk is meant for the game whatever window is in front.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;
    g_joysticksStarted = true;
    // The added notices of the controllers already there open them.
}

void Joystick_Stop() {
    Controllers().clear();
    if (g_joysticksStarted) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    g_joysticksStarted = false;
}

void Joystick_DeviceAdded(int deviceIndex) {
    if (!g_joysticksStarted || !SDL_IsGameController(deviceIndex)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (const TController& c : Controllers())
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c.get())) == id) return;
    if (SDL_GameController* c = SDL_GameControllerOpen(deviceIndex)) Controllers().emplace_back(c);
}

void Joystick_DeviceRemoved(int instanceId) {
    std::vector<TController>& list = Controllers();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(it->get())) == instanceId) {
            list.erase(it);
            return;
        }
    }
}

int Joystick_Count() { return int(Controllers().size()); }

bool Joystick_Read(int index, CJoystickState& out) {
    out = CJoystickState{};
    if (index < 0 || size_t(index) >= Controllers().size()) return false;
    SDL_GameController* c = Controllers()[size_t(index)].get();
    if (!SDL_GameControllerGetAttached(c)) return false;
    const char* name = SDL_GameControllerName(c);
    out.name = name ? name : "";
    out.axisCount = kJoystickAxes;
    out.buttonCount = int(sizeof kButtons / sizeof kButtons[0]);
    out.hasPov = true;
    out.axis[0] = StickAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
    out.axis[1] = StickAxis(c, SDL_CONTROLLER_AXIS_LEFTY);
    out.axis[2] = StickAxis(c, SDL_CONTROLLER_AXIS_RIGHTX);
    out.axis[3] = StickAxis(c, SDL_CONTROLLER_AXIS_RIGHTY);
    out.axis[4] = TriggerAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
    out.axis[5] = TriggerAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    for (int b = 0; b < out.buttonCount; ++b)
        if (SDL_GameControllerGetButton(c, kButtons[b])) out.buttons |= 1u << b;
    const bool up = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_UP) != 0;
    const bool down = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN) != 0;
    const bool left = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT) != 0;
    const bool right = SDL_GameControllerGetButton(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) != 0;
    const int dx = (right ? 1 : 0) - (left ? 1 : 0), dy = (down ? 1 : 0) - (up ? 1 : 0);
    // Clockwise from up, as a point-of-view hat reports it.
    static const int kAngle[3][3] = {{315, 0, 45}, {270, -1, 90}, {225, 180, 135}};
    out.pov = kAngle[dy + 1][dx + 1];
    return true;
}
