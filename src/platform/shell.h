#pragma once
// Handing things to the desktop.
#include <string_view>

// Opens a web or mail address in the user's programs. Only http, https and mailto
// addresses are handed on; a headless run opens nothing. Either way the log names the
// address and what was done with it. True when it was handed on.
bool Platform_OpenUrl(std::string_view url);

// The native handle of the game window (the X11 window id), 0 without one.
double Platform_NativeWindowHandle();
// Lowers (or restores) the process's scheduling priority: -3 lowest .. 0 normal. Raising
// it above normal needs privileges a game does not have, so 1..3 keep it normal.
void Platform_SetProgramPriority(int priority);
