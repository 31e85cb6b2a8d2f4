#include "function/function_input.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "compiler/constants.h"
#include "data/error.h"
#include "function/function_graphics.h"
#include "graphics/graphics.h"
#include "graphics/shapes.h"
#include "io/ini_file.h"
#include "io/input.h"
#include "object/event.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/input_sdl.h"
#include "platform/message_pump.h"
#include "platform/window.h"
#include "room/room.h"
#include "room/room_draw.h"
#include "value/args.h"
#include "variable/variables.h"

namespace {

// The room size that touches are scaled to, and so the space virtual keys live in.
void TouchArea(int& w, int& h) {
    w = h = 0;
    if (const CRoom* room = Room_Running()) {
        w = room->width, h = room->height;
        if (room->viewsEnabled && !room->views.empty()) w = room->views[0].portW, h = room->views[0].portH;
    }
}

// Joysticks are not part of the recorded input: while recording or playing back they
// stay silent, so that a played back game is the recorded one.
bool JoysticksLive() { return !Input().Recording() && !Input().PlayingBack() && !Input().PlaybackEnded(); }

bool ReadJoystick(int id, CJoystickState& out) {
    if (!JoysticksLive()) return false;
    return Joystick_Read(id == 2 ? 1 : 0, out);
}

class TGameInput final : public IEventInput, public IPlatformEventSink {
public:
    // --- what the event phases read ---
    bool KeyHeld(int key) const override { return Input().State().keyDown[key & 255] != 0; }
    bool KeyPressed(int key) const override { return Input().State().keyPressed[key & 255] != 0; }
    bool KeyReleased(int key) const override { return Input().State().keyReleased[key & 255] != 0; }
    bool ButtonHeld(int b) const override { return Button(Input().State().mouseDown, b); }
    bool ButtonPressed(int b) const override { return Button(Input().State().mousePressed, b); }
    bool ButtonReleased(int b) const override { return Button(Input().State().mouseReleased, b); }
    bool WheelUp() const override { return Input().State().wheelUp[0] != 0; }
    bool WheelDown() const override { return Input().State().wheelDown[0] != 0; }
    void MousePosition(double& x, double& y) const override { Input_MouseInRoom(x, y); }
    bool Joystick(int which, int& x, int& y, unsigned& buttons) const override {
        CJoystickState j;
        if (!ReadJoystick(which, j)) return false;
        x = j.axis[0];
        y = j.axis[1];
        buttons = j.buttons;
        return true;
    }
    bool WindowVisible() const override { return true; }
    bool WindowActive() const override {
        const TWindow* w = Platform_MainWindow();
        return Platform_IsHeadless() || !w || Window_HasFocus(*w);
    }
    void StartFrame() override {
        CInputFrameContext c;
        if (const TWindow* w = Platform_MainWindow()) c.windowW = w->Width(), c.windowH = w->Height();
        TouchArea(c.roomW, c.roomH);
        Input().BeginFrame(c);
    }
    void FinishFrame() override {}
    void Clear() override { Input().ClearAll(); }

    // --- what the window sends ---
    void OnEvent(const PlatformEvent& e) override {
        CInput& in = Input();
        switch (e.kind) {
        case PlatformEventKind::KeyDown: in.KeyDown(e.key, Keyboard_LeftHeld(e.key)); break;
        case PlatformEventKind::KeyUp: in.KeyUp(e.key, Keyboard_LeftHeld(e.key)); break;
        case PlatformEventKind::Char: in.Char(uint16_t(e.key)); break;
        case PlatformEventKind::MouseMove: in.MouseMove(e.x, e.y); break;
        case PlatformEventKind::MouseButtonDown:
            in.MouseMove(e.x, e.y);
            in.ButtonDown(int(e.button));
            break;
        case PlatformEventKind::MouseButtonUp:
            in.MouseMove(e.x, e.y);
            in.ButtonUp(int(e.button));
            break;
        case PlatformEventKind::MouseWheel: in.Wheel(e.wheelY); break;
        case PlatformEventKind::Touch: in.Touch(e.key, e.repeat, e.x, e.y); break;
        default: break;
        }
    }

private:
    static bool Button(const uint8_t* flags, int b) { return b >= 1 && b <= kInputButtons && flags[b - 1] != 0; }
};

TGameInput g_gameInput;

// Processes the window's waiting events. A quit met on the way is queued again, so
// that the main loop ends the game as it would have.
void HandleMessages() {
    if (!Platform_PumpMessages()) Platform_RequestQuit();
}

// --- keyboard ---------------------------------------------------------------------------------

// 0: no key held; 1: any key; 2..255: that key; others: false.
bool CheckKeys(const uint8_t* flags, int key) {
    if (key == 0 || key == 1) {
        bool any = false;
        for (int k = 0; k < kInputKeys && !any; ++k) any = flags[k] != 0;
        return key == 1 ? any : !any;
    }
    return key > 1 && key < kInputKeys && flags[key] != 0;
}

void F_KeyboardCheck(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckKeys(Input().State().keyDown, Arg_Int(argc, args, 0)) ? 1 : 0);
}
void F_KeyboardCheckPressed(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckKeys(Input().State().keyPressed, Arg_Int(argc, args, 0)) ? 1 : 0);
}
void F_KeyboardCheckReleased(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckKeys(Input().State().keyReleased, Arg_Int(argc, args, 0)) ? 1 : 0);
}
void F_KeyboardCheckDirect(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    const int key = Arg_Int(argc, args, 0);
    // A played back game reads the recorded keys, not the ones on the desk.
    const bool held =
        Input().PlayingBack() || Input().PlaybackEnded() ? CheckKeys(Input().State().keyDown, key) : Keyboard_Held(key);
    r.SetReal(held ? 1 : 0);
}
void F_KeyboardKeyPress(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Keyboard_Inject(Arg_Int(argc, args, 0), true);
}
void F_KeyboardKeyRelease(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Keyboard_Inject(Arg_Int(argc, args, 0), false);
}
void F_KeyboardGetNumlock(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Keyboard_NumLock() ? 1 : 0); }
void F_KeyboardSetNumlock(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Keyboard_SetNumLock(Arg_Bool(argc, args, 0));
}
void F_KeyboardSetMap(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    Input().SetMap(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1));
}
void F_KeyboardGetMap(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(Input().Map(Arg_Int(argc, args, 0)));
}
void F_KeyboardUnsetMap(CValue&, CInstance*, CInstance*, int, CValue*) { Input().ResetMap(); }
void F_KeyboardClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    HandleMessages();
    Input().ClearKey(Arg_Int(argc, args, 0));
}

// Waiting makes sense only where someone can press: a headless or played back game goes
// straight on.
bool CanWait() { return !Platform_IsHeadless() && !Input().PlayingBack() && !Input().PlaybackEnded(); }

void F_KeyboardWait(CValue&, CInstance*, CInstance*, int, CValue*) {
    Input().SetLastKey(0);
    if (!CanWait()) return;
    bool running = Platform_PumpMessages();
    while (running && Input().Pending().lastKey == 0) {
        Timing_Sleep(50000);
        running = Platform_PumpMessages();
    }
    if (!running) Platform_RequestQuit();
    Input().MutableState().lastKey = Input().Pending().lastKey;
}

// --- mouse ---------------------------------------------------------------------------------------

// Device d's button b: -1 any held, 0 none held, 1..3 that button.
bool CheckButton(const uint8_t* flags, int device, int b) {
    if (device < 0 || device >= kInputDevices) return false;
    const uint8_t* f = flags + device * kInputButtons;
    if (b == -1 || b == 0) {
        const bool any = f[0] || f[1] || f[2];
        return b == -1 ? any : !any;
    }
    return b >= 1 && b <= kInputButtons && f[b - 1] != 0;
}

void F_MouseCheckButton(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckButton(Input().State().mouseDown, 0, Arg_Int(argc, args, 0)) ? 1 : 0);
}
void F_MouseCheckButtonPressed(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckButton(Input().State().mousePressed, 0, Arg_Int(argc, args, 0)) ? 1 : 0);
}
void F_MouseCheckButtonReleased(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckButton(Input().State().mouseReleased, 0, Arg_Int(argc, args, 0)) ? 1 : 0);
}
void F_DeviceMouseCheckButton(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckButton(Input().State().mouseDown, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1)) ? 1 : 0);
}
void F_DeviceMouseCheckButtonPressed(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckButton(Input().State().mousePressed, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1)) ? 1 : 0);
}
void F_DeviceMouseCheckButtonReleased(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(CheckButton(Input().State().mouseReleased, Arg_Int(argc, args, 0), Arg_Int(argc, args, 1)) ? 1 : 0);
}

void DeviceInRoom(int device, double& x, double& y) {
    x = y = 0;
    if (device < 0 || device >= kInputDevices) return;
    Graphics_WindowToRoom(Input().State().rawX[device], Input().State().rawY[device], x, y);
}
void F_DeviceMouseX(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    double x, y;
    DeviceInRoom(Arg_Int(argc, args, 0), x, y);
    r.SetReal(x);
}
void F_DeviceMouseY(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    double x, y;
    DeviceInRoom(Arg_Int(argc, args, 0), x, y);
    r.SetReal(y);
}
void F_DeviceMouseRawX(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    const int d = Arg_Int(argc, args, 0);
    r.SetReal(d >= 0 && d < kInputDevices ? Input().State().rawX[d] : 0);
}
void F_DeviceMouseRawY(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    const int d = Arg_Int(argc, args, 0);
    r.SetReal(d >= 0 && d < kInputDevices ? Input().State().rawY[d] : 0);
}
void F_MouseWheelUp(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Input().State().wheelUp[0]); }
void F_MouseWheelDown(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(Input().State().wheelDown[0]); }
void F_MouseClear(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    HandleMessages();
    Input().ClearButton(Arg_Int(argc, args, 0));
}
void F_MouseWait(CValue&, CInstance*, CInstance*, int, CValue*) {
    // Only a press from now on ends the wait.
    Input().ForgetLastButton();
    if (!CanWait()) return;
    bool running = Platform_PumpMessages();
    while (running && Input().Pending().lastButton == 0) {
        Timing_Sleep(50000);
        running = Platform_PumpMessages();
    }
    if (!running) Platform_RequestQuit();
    Input().MutableState().lastButton[0] = Input().Pending().lastButton;
}
void F_IoClear(CValue&, CInstance*, CInstance*, int, CValue*) {
    HandleMessages();
    Input().ClearAll();
}
void F_IoHandle(CValue&, CInstance*, CInstance*, int, CValue*) { HandleMessages(); }
void F_Nothing(CValue&, CInstance*, CInstance*, int, CValue*) {}
void F_Zero(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(0); }
void F_EmptyText(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetString(""); }
void F_MinusOne(CValue& r, CInstance*, CInstance*, int, CValue*) { r.SetReal(-1); }

// --- joysticks -------------------------------------------------------------------------------------

void F_JoystickExists(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    r.SetReal(ReadJoystick(Arg_Int(argc, args, 0), j) ? 1 : 0);
}
void F_JoystickDirection(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    if (!ReadJoystick(Arg_Int(argc, args, 0), j)) return r.SetReal(101);
    const int column = j.axis[0] < 20000 ? 0 : j.axis[0] > 44000 ? 2 : 1;
    const int base = j.axis[1] < 20000 ? 103 : j.axis[1] > 44000 ? 97 : 100;
    r.SetReal(base + column);
}
void F_JoystickName(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    ReadJoystick(Arg_Int(argc, args, 0), j);
    r.SetString(j.name);
}
void F_JoystickAxes(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    ReadJoystick(Arg_Int(argc, args, 0), j);
    r.SetReal(j.axisCount);
}
void F_JoystickButtons(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    ReadJoystick(Arg_Int(argc, args, 0), j);
    r.SetReal(j.buttonCount);
}
void F_JoystickHasPov(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    ReadJoystick(Arg_Int(argc, args, 0), j);
    r.SetReal(j.hasPov ? 1 : 0);
}
void F_JoystickCheckButton(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    const int b = Arg_Int(argc, args, 1);
    const bool on = ReadJoystick(Arg_Int(argc, args, 0), j) && b >= 1 && b <= 32 && (j.buttons >> (b - 1)) & 1u;
    r.SetReal(on ? 1 : 0);
}
template <int Axis>
void F_JoystickPos(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    if (!ReadJoystick(Arg_Int(argc, args, 0), j)) return r.SetReal(0);
    r.SetReal(j.axis[Axis] / 32767.0 - 1);
}
void F_JoystickPov(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    CJoystickState j;
    r.SetReal(ReadJoystick(Arg_Int(argc, args, 0), j) ? j.pov : -1);
}

// --- virtual keys ------------------------------------------------------------------------------------

void F_VirtualKeyAdd(CValue& r, CInstance*, CInstance*, int argc, CValue* args) {
    r.SetReal(0);
    if (argc < 5) return;
    for (int i = 0; i < 5; ++i)
        if (!Arg_IsReal(argc, args, i)) return;
    r.SetReal(Input().AddVirtualKey(Arg_Int(argc, args, 0), Arg_Int(argc, args, 1), Arg_Int(argc, args, 2),
                                    Arg_Int(argc, args, 3), Arg_Int(argc, args, 4)));
}

// The checks virtual_key_delete, _show and _hide share: false after reporting.
bool VirtualKeyHandle(int argc, CValue* args, int& handle) {
    if (argc != 1) return Code_ShowError("Illegal argument count", false), false;
    if (!Arg_IsReal(argc, args, 0)) return Code_ShowError("Illegal argument", false), false;
    handle = Arg_Int(argc, args, 0);
    if (handle < 1 || handle > kVirtualKeyCount) return Code_ShowError("Illegal virtual key handle", false), false;
    return true;
}
void F_VirtualKeyDelete(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    int handle = 0;
    if (VirtualKeyHandle(argc, args, handle)) Input().DeleteVirtualKey(handle);
}
void F_VirtualKeyShow(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    int handle = 0;
    if (VirtualKeyHandle(argc, args, handle)) Input().ShowVirtualKey(handle, true);
}
void F_VirtualKeyHide(CValue&, CInstance*, CInstance*, int argc, CValue* args) {
    int handle = 0;
    if (VirtualKeyHandle(argc, args, handle)) Input().ShowVirtualKey(handle, false);
}

// --- variables -----------------------------------------------------------------------------------------

int RoundInt(double v) { return Real_TruncToInt32(std::nearbyint(v)); }

#define GET_REAL(expr)                           \
    [](CInstance*, int32_t, CValue& r) -> bool { \
        r.SetReal(double(expr));                 \
        return true;                             \
    }
#define SET_STMT(stmt)                                 \
    [](CInstance*, int32_t, const CValue& v) -> bool { \
        stmt;                                          \
        return true;                                   \
    }

double MouseRoom(bool vertical) {
    double x = 0, y = 0;
    Input_MouseInRoom(x, y);
    return vertical ? y : x;
}

// A number written where a text is kept becomes the character with that code.
std::string CharText(const CValue& v) {
    if (v.IsString()) return v.Text();
    const int c = RoundInt(v.val);
    if (c <= 0 || c > 0xFFFF) return {};
    std::string out;
    if (c < 0x80) out += char(c);
    else if (c < 0x800) out += char(0xC0 | (c >> 6)), out += char(0x80 | (c & 0x3F));
    else out += char(0xE0 | (c >> 12)), out += char(0x80 | ((c >> 6) & 0x3F)), out += char(0x80 | (c & 0x3F));
    return out;
}

struct TInputVariable {
    const char* name;
    TBuiltinGetter getter;
    TBuiltinSetter setter;
};

const TInputVariable kInputVariables[] = {
    {"mouse_x", GET_REAL(MouseRoom(false)), nullptr},
    {"mouse_y", GET_REAL(MouseRoom(true)), nullptr},
    {"mouse_button", GET_REAL(Input().State().button[0]), SET_STMT(Input().MutableState().button[0] = RoundInt(v.val))},
    {"mouse_lastbutton", GET_REAL(Input().State().lastButton[0]),
     SET_STMT(Input().MutableState().lastButton[0] = RoundInt(v.val))},
    {"keyboard_key", GET_REAL(Input().State().key), SET_STMT(Input().MutableState().key = RoundInt(v.val))},
    {"keyboard_lastkey", GET_REAL(Input().State().lastKey), SET_STMT(Input().SetLastKey(RoundInt(v.val)))},
    {"keyboard_lastchar",
     [](CInstance*, int32_t, CValue& r) -> bool {
         r.SetString(Input().LastChar());
         return true;
     },
     SET_STMT(Input().SetLastChar(CharText(v)))},
    {"keyboard_string",
     [](CInstance*, int32_t, CValue& r) -> bool {
         r.SetString(Input().Text());
         return true;
     },
     SET_STMT(Input().SetText(v.IsString() ? std::string(v.Text()) : std::string()))},
};

}  // namespace

void Input_MouseInRoom(double& x, double& y) { DeviceInRoom(0, x, y); }

namespace {

// Shown virtual keys: a white outline of each rectangle.
void DrawVirtualKeys(int, int) {
    int w = 0, h = 0;
    TouchArea(w, h);
    bool any = false;
    for (int i = 0; i < kVirtualKeyCount; ++i) {
        const CVirtualKey& v = Input().VirtualKey(i);
        if ((v.flags & (kVirtualKeyActive | kVirtualKeyShown)) != (kVirtualKeyActive | kVirtualKeyShown)) continue;
        if (!any) {
            any = true;
            if (w > 0 && h > 0) Graphics_SetView(0, 0, float(w), float(h), 0);
        }
        const uint32_t white = 0xFFFFFFFFu;
        Shapes_Rectangle(float(v.x), float(v.y), float(v.right - 1), float(v.bottom - 1), white, white, white, white,
                         true);
    }
}

}  // namespace

void Input_ConnectVariables() {
    for (const TInputVariable& v : kInputVariables) Variable_ConnectBuiltin(v.name, v.getter, v.setter);
}

void Input_Start(bool record, bool playback, const std::string& file) {
    Input().Reset();
    Event_SetInput(&g_gameInput);
    Platform_SetEventSink(&g_gameInput);
    CRoomDrawHooks draw = Room_DrawHooks();
    draw.drawOverlay = DrawVirtualKeys;
    Room_SetDrawHooks(draw);
    Joystick_Start();
    // Where the mouse already is in a window, before it first moves.
    if (!Platform_IsHeadless())
        if (const TWindow* w = Platform_MainWindow()) {
            int x = 0, y = 0;
            Window_MousePosition(*w, x, y);
            Input().MouseMove(x, y);
        }
    std::string error;
    if (playback) {
        if (!Input().StartPlayback(file, error))
            std::fprintf(stderr, "zorvex: %s; the game plays without input\n", error.c_str());
    } else if (record) {
        if (!Input().StartRecording(file, error))
            std::fprintf(stderr, "zorvex: %s; the game plays without recording\n", error.c_str());
    }
}

namespace {

// A named constant's value by a case-blind name, 0 when there is none.
int NamedConstant(const std::string& name) {
    const CValue* v = Constant_FindNoCase(name);
    return v && v->IsReal() ? Real_TruncToInt32(v->val) : 0;
}

}  // namespace

void Input_ConfigureVirtualKeys(const CIniFile& ini) {
    const long count = ini.ReadInt("IO_VIRTUAL_BUTTONS", "NUM_BUTTONS", 0);
    for (long i = 0; i < count && i < kVirtualKeyCount; ++i) {
        const std::string section = "IO_BUTTON_" + std::to_string(i);
        const std::string key = ini.ReadString(section, "KEY", "");
        const std::string button = ini.ReadString(section, "BUTTON", "");
        int code = 0;
        if (key.compare(0, 3, "VK_") == 0) code = NamedConstant(key) & 0xFF;
        else if (key.empty() || key.compare(0, 3, "MB_") == 0 || static_cast<unsigned char>(key[0]) <= ' ') code = 0;
        else code = static_cast<unsigned char>(key[0]);
        const int mouse = button.compare(0, 3, "MB_") == 0 ? NamedConstant(button) : 0;
        Input().AddVirtualKey(int(ini.ReadInt(section, "X", 0)), int(ini.ReadInt(section, "Y", 0)),
                              int(ini.ReadInt(section, "W", 0)), int(ini.ReadInt(section, "H", 0)), code, mouse);
    }
}

void Input_Stop() {
    Input().StopRecording();
    Platform_SetEventSink(nullptr);
    Event_SetInput(nullptr);
    CRoomDrawHooks draw = Room_DrawHooks();
    draw.drawOverlay = nullptr;
    Room_SetDrawHooks(draw);
    Joystick_Stop();
}

extern const FunctionImpl kInputFunctions[] = {
    {"keyboard_check", F_KeyboardCheck},
    {"keyboard_check_pressed", F_KeyboardCheckPressed},
    {"keyboard_check_released", F_KeyboardCheckReleased},
    {"keyboard_check_direct", F_KeyboardCheckDirect},
    {"keyboard_key_press", F_KeyboardKeyPress},
    {"keyboard_key_release", F_KeyboardKeyRelease},
    {"keyboard_get_numlock", F_KeyboardGetNumlock},
    {"keyboard_set_numlock", F_KeyboardSetNumlock},
    {"keyboard_set_map", F_KeyboardSetMap},
    {"keyboard_get_map", F_KeyboardGetMap},
    {"keyboard_unset_map", F_KeyboardUnsetMap},
    {"keyboard_clear", F_KeyboardClear},
    {"keyboard_wait", F_KeyboardWait},
    {"mouse_check_button", F_MouseCheckButton},
    {"mouse_check_button_pressed", F_MouseCheckButtonPressed},
    {"mouse_check_button_released", F_MouseCheckButtonReleased},
    {"mouse_wheel_up", F_MouseWheelUp},
    {"mouse_wheel_down", F_MouseWheelDown},
    {"mouse_clear", F_MouseClear},
    {"mouse_wait", F_MouseWait},
    {"io_clear", F_IoClear},
    {"io_handle", F_IoHandle},
    {"device_mouse_check_button", F_DeviceMouseCheckButton},
    {"device_mouse_check_button_pressed", F_DeviceMouseCheckButtonPressed},
    {"device_mouse_check_button_released", F_DeviceMouseCheckButtonReleased},
    {"device_mouse_x", F_DeviceMouseX},
    {"device_mouse_y", F_DeviceMouseY},
    {"device_mouse_raw_x", F_DeviceMouseRawX},
    {"device_mouse_raw_y", F_DeviceMouseRawY},
    {"device_mouse_dbclick_enable", F_Nothing},
    // A desktop has no tilt sensor, keypad cover or photo library.
    {"device_get_tilt_x", F_Zero},
    {"device_get_tilt_y", F_Zero},
    {"device_get_tilt_z", F_Zero},
    {"device_is_keypad_open", F_Zero},
    {"device_ios_get_imagename", F_EmptyText},
    {"device_ios_get_image", F_MinusOne},
    {"joystick_exists", F_JoystickExists},
    {"joystick_direction", F_JoystickDirection},
    {"joystick_name", F_JoystickName},
    {"joystick_axes", F_JoystickAxes},
    {"joystick_buttons", F_JoystickButtons},
    {"joystick_has_pov", F_JoystickHasPov},
    {"joystick_check_button", F_JoystickCheckButton},
    {"joystick_xpos", F_JoystickPos<0>},
    {"joystick_ypos", F_JoystickPos<1>},
    {"joystick_zpos", F_JoystickPos<2>},
    {"joystick_rpos", F_JoystickPos<3>},
    {"joystick_upos", F_JoystickPos<4>},
    {"joystick_vpos", F_JoystickPos<5>},
    {"joystick_pov", F_JoystickPov},
    {"virtual_key_add", F_VirtualKeyAdd},
    {"virtual_key_delete", F_VirtualKeyDelete},
    {"virtual_key_show", F_VirtualKeyShow},
    {"virtual_key_hide", F_VirtualKeyHide},
    // The older names of the same functions.
    {"Tamu_AddVirtualKey", F_VirtualKeyAdd},
    {"Tamu_DeleteVirtualKey", F_VirtualKeyDelete},
    {"Tamu_ShowVirtualKey", F_VirtualKeyShow},
    {"Tamu_HideVirtualKey", F_VirtualKeyHide},
    {"Tamu_MouseCheckButton", F_DeviceMouseCheckButton},
    {"Tamu_MouseCheckButtonPressed", F_DeviceMouseCheckButtonPressed},
    {"Tamu_MouseCheckButtonReleased", F_DeviceMouseCheckButtonReleased},
    {"Tamu_MouseX", F_DeviceMouseX},
    {"Tamu_MouseY", F_DeviceMouseY},
    {"Tamu_MouseXRaw", F_DeviceMouseRawX},
    {"Tamu_MouseYRaw", F_DeviceMouseRawY},
    {"Tamu_GetTiltX", F_Zero},
    {"Tamu_GetTiltY", F_Zero},
    {"Tamu_GetTiltZ", F_Zero},
    {"Tamu_IsKeypadOpen", F_Zero},
};
extern const size_t kInputFunctionCount = std::size(kInputFunctions);
