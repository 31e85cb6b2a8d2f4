#pragma once
// The keyboard's live state, key injection and game controllers, from the windowing
// library. Window events (keys, characters, mouse, touches) come through the message
// pump; this is what the input layer asks for in between.
#include <cstdint>
#include <string>

// --- keyboard -----------------------------------------------------------------------------

// Whether the key with the engine's code is down now. The generic Shift, Control and
// Alt (16, 17, 18) are down when either side is.
bool Keyboard_Held(int key);
// For the generic Shift, Control and Alt: whether the left one is down.
bool Keyboard_LeftHeld(int key);
bool Keyboard_NumLock();
void Keyboard_SetNumLock(bool on);
// Queues a key event with the engine's code, seen by the next pump like a real one.
bool Keyboard_Inject(int key, bool down);

// --- game controllers ------------------------------------------------------------------------

constexpr int kJoystickAxes = 6;

// One controller as the joystick functions see it: axes 0..65535 with 32767 at rest
// (x, y, z, r, u, v), buttons numbered from 1 as bits from bit 0, and the direction
// pad as a point-of-view angle in degrees (-1 when centred).
struct CJoystickState {
    std::string name;
    int axisCount = 0;
    int buttonCount = 0;
    bool hasPov = false;
    int32_t axis[kJoystickAxes] = {};
    uint32_t buttons = 0;
    int pov = -1;
};

// Opens the controllers present and watches for more. Needs Platform_Init.
void Joystick_Start();
void Joystick_Stop();
// Controller `index` (0 the first connected, 1 the second): false when there is none.
bool Joystick_Read(int index, CJoystickState& out);
int Joystick_Count();
// The pump's hot-plug notices.
void Joystick_DeviceAdded(int deviceIndex);
void Joystick_DeviceRemoved(int instanceId);

// Internal to the platform: the event type injected keys travel as (0 before the first
// injection).
uint32_t Keyboard_InjectEventType();
