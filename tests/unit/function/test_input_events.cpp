// Events put on the windowing library's real queue reach the game's input functions.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "function/function_input.h"
#include "function/function_names.h"
#include "io/input.h"
#include "object/event.h"
#include "platform/message_pump.h"
#include "platform/window.h"
#include "vm/registry.h"

namespace {

double CallReal(const char* name, std::vector<double> args = {}) {
    std::vector<CValue> values;
    for (double a : args) values.emplace_back(a);
    CValue result;
    const TBuiltinFunction f = Function_FindImplementation(name);
    EXPECT_NE(f, nullptr) << name;
    if (f) f(result, nullptr, nullptr, int(values.size()), values.data());
    return result.val;
}

void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }

SDL_Event Key(Uint32 type, SDL_Keycode sym) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
    return e;
}

class InputEvents : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_TRUE(Platform_Init(true));
        Input_Start(false, false, "");
        ASSERT_TRUE(Platform_PumpMessages());
        Event_StartInputFrame();
    }
    void TearDown() override {
        Input_Stop();
        Platform_Shutdown();
    }
};

}  // namespace

TEST_F(InputEvents, QueuedEventsReachTheFunctions) {
    Push(Key(SDL_KEYDOWN, SDLK_LEFT));
    Push(Key(SDL_KEYDOWN, SDLK_LSHIFT));
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    std::snprintf(text.text.text, sizeof text.text.text, "h\xC3\xA9");
    Push(text);
    Push(Key(SDL_KEYDOWN, SDLK_BACKSPACE));
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.x = 30;
    move.motion.y = 40;
    Push(move);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_RIGHT;
    button.button.x = 31;
    button.button.y = 41;
    Push(button);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -1;
    Push(wheel);
    // The game's own injection travels the same queue.
    CallReal("keyboard_key_press", {'K'});

    ASSERT_TRUE(Platform_PumpMessages());
    // Nothing is visible before the frame starts.
    EXPECT_EQ(CallReal("keyboard_check", {37}), 0);
    Event_StartInputFrame();

    EXPECT_EQ(CallReal("keyboard_check", {37}), 1);
    EXPECT_EQ(CallReal("keyboard_check_pressed", {37}), 1);
    EXPECT_EQ(CallReal("keyboard_check", {160}), 1);
    EXPECT_EQ(CallReal("keyboard_check", {16}), 0);
    EXPECT_EQ(CallReal("keyboard_check", {'K'}), 1);
    EXPECT_EQ(CallReal("keyboard_check", {1}), 1);
    EXPECT_EQ(CallReal("keyboard_check", {0}), 0);
    EXPECT_EQ(Input().Text(), "h");  // the backspace took the é
    EXPECT_EQ(Input().State().lastChar, 8);
    EXPECT_EQ(CallReal("device_mouse_raw_x", {0}), 31);
    EXPECT_EQ(CallReal("device_mouse_raw_y", {0}), 41);
    EXPECT_EQ(CallReal("mouse_check_button", {2}), 1);
    EXPECT_EQ(CallReal("mouse_check_button_pressed", {2}), 1);
    EXPECT_EQ(CallReal("mouse_check_button", {-1}), 1);
    EXPECT_EQ(CallReal("mouse_check_button", {1}), 0);
    EXPECT_EQ(CallReal("mouse_wheel_down"), 1);
    EXPECT_EQ(CallReal("mouse_wheel_up"), 0);

    Push(Key(SDL_KEYUP, SDLK_LEFT));
    CallReal("keyboard_key_release", {'K'});
    SDL_Event up = button;
    up.type = SDL_MOUSEBUTTONUP;
    Push(up);
    ASSERT_TRUE(Platform_PumpMessages());
    Event_StartInputFrame();
    EXPECT_EQ(CallReal("keyboard_check", {37}), 0);
    EXPECT_EQ(CallReal("keyboard_check_released", {37}), 1);
    EXPECT_EQ(CallReal("keyboard_check_released", {'K'}), 1);
    EXPECT_EQ(CallReal("keyboard_check_pressed", {37}), 0);
    EXPECT_EQ(CallReal("mouse_check_button_released", {2}), 1);
    EXPECT_EQ(CallReal("mouse_check_button", {0}), 1);
    EXPECT_EQ(CallReal("mouse_wheel_down"), 0);
}

TEST_F(InputEvents, JoysticksAreAbsentWithoutControllers) {
    // The test machines have no game controller plugged in.
    const std::vector<std::pair<const char*, double>> cases = {
        {"joystick_exists", 0}, {"joystick_direction", 101}, {"joystick_xpos", 0},
        {"joystick_axes", 0},   {"joystick_buttons", 0},     {"joystick_pov", -1},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(CallReal(name, {1}), expected) << name;
        EXPECT_EQ(CallReal(name, {2}), expected) << name;
    }
    EXPECT_EQ(CallReal("joystick_check_button", {1, 1}), 0);
}

TEST_F(InputEvents, ControllersArePluggedReadAndUnplugged) {
    // A virtual game controller stands in for a pad on the desk.
    const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                 SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    ASSERT_TRUE(Platform_PumpMessages());  // its arrival opens it
    ASSERT_EQ(CallReal("joystick_exists", {1}), 1);
    EXPECT_EQ(CallReal("joystick_exists", {2}), 0);
    EXPECT_EQ(CallReal("joystick_direction", {1}), 101);
    EXPECT_EQ(CallReal("joystick_xpos", {1}), 0);
    EXPECT_EQ(CallReal("joystick_pov", {1}), -1);

    SDL_Joystick* stick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
    ASSERT_NE(stick, nullptr);
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, -32768);
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTY, 32767);
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_RIGHTX, 16384);
    SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_START, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(stick, SDL_CONTROLLER_BUTTON_DPAD_RIGHT, SDL_PRESSED);
    ASSERT_TRUE(Platform_PumpMessages());

    EXPECT_EQ(CallReal("joystick_direction", {1}), 97);  // down and left
    EXPECT_EQ(CallReal("joystick_direction", {7}), 97);  // any id but 2 is the first
    EXPECT_EQ(CallReal("joystick_xpos", {1}), -1);
    EXPECT_EQ(CallReal("joystick_ypos", {1}), 1);
    EXPECT_NEAR(CallReal("joystick_zpos", {1}), 0.5, 0.001);
    EXPECT_EQ(CallReal("joystick_rpos", {1}), 0);
    EXPECT_EQ(CallReal("joystick_check_button", {1, 1}), 1);  // A
    EXPECT_EQ(CallReal("joystick_check_button", {1, 2}), 0);  // B
    EXPECT_EQ(CallReal("joystick_check_button", {1, 8}), 1);  // start
    EXPECT_EQ(CallReal("joystick_check_button", {1, 33}), 0);
    EXPECT_EQ(CallReal("joystick_pov", {1}), 45);
    EXPECT_EQ(CallReal("joystick_axes", {1}), 6);
    EXPECT_EQ(CallReal("joystick_has_pov", {1}), 1);

    ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
    ASSERT_TRUE(Platform_PumpMessages());
    EXPECT_EQ(CallReal("joystick_exists", {1}), 0);
    EXPECT_EQ(CallReal("joystick_direction", {1}), 101);
}
