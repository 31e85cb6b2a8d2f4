#pragma once

// Internal to the platform and the GL backend: the only place the native
// window type is visible. Code above those layers includes platform/window.h.

#include <SDL.h>

#include "platform/window.h"

inline SDL_Window* TWindow_SdlWindow(const TWindow& window) { return static_cast<SDL_Window*>(window.NativeHandle()); }

inline SDL_Window* Platform_MainSdlWindow() {
    const TWindow* window = Platform_MainWindow();
    return window != nullptr ? TWindow_SdlWindow(*window) : nullptr;
}
