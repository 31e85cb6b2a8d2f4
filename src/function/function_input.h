#pragma once
// Keyboard, mouse, joystick and virtual keys for scripts (keyboard_*, mouse_*,
// joystick_*, io_*, device_*, virtual_key_*), the built-in variables of input, and the
// joining of the input state to the window's events and the frame's event phases.
#include <cstddef>
#include <string>

#include "vm/registry.h"

extern const FunctionImpl kInputFunctions[];
extern const size_t kInputFunctionCount;

// Starts the input layer: the window's events feed it, the event phases read it, and
// the record or playback file is opened (playback wins when both are asked for). A file
// that cannot be opened is reported on stderr and the game plays without it.
void Input_Start(bool record, bool playback, const std::string& file);
// Closes the files and the controllers.
void Input_Stop();
// mouse_x, mouse_y, mouse_button, mouse_lastbutton and the keyboard_* variables.
void Input_ConnectVariables();
// The mouse of device 0 in the room.
void Input_MouseInRoom(double& x, double& y);
// The virtual keys of the options file (section IO_VIRTUAL_BUTTONS); needs the named
// constants, so it runs once they are prepared.
class CIniFile;
void Input_ConfigureVirtualKeys(const CIniFile& ini);
