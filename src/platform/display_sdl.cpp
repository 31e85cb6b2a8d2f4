// The desktop and the game window on SDL.
#include "platform/display.h"

#include <algorithm>

#include "platform/window_sdl.h"

namespace {

SDL_Cursor* g_cursor = nullptr;

bool DesktopMode(SDL_DisplayMode& mode) {
    if (!Platform_IsInitialised()) return false;
    return SDL_GetDesktopDisplayMode(0, &mode) == 0;
}

int DepthOf(Uint32 format) {
    // Four-byte formats with 24 bits of colour are what other systems call 32-bit.
    const int bits = int(SDL_BITSPERPIXEL(format));
    return SDL_BYTESPERPIXEL(format) == 4 ? 32 : bits;
}

SDL_Window* Native(const TWindow& window) { return TWindow_SdlWindow(window); }

}  // namespace

bool Display_Headless() { return Platform_IsHeadless(); }

bool Display_DesktopSize(int& w, int& h) {
    w = h = 0;
    SDL_DisplayMode mode{};
    if (Platform_IsHeadless() || !DesktopMode(mode)) return false;
    w = mode.w;
    h = mode.h;
    return true;
}

int Display_Width() {
    SDL_DisplayMode mode{};
    return DesktopMode(mode) ? mode.w : -1;
}

int Display_Height() {
    SDL_DisplayMode mode{};
    return DesktopMode(mode) ? mode.h : -1;
}

int Display_ColourDepth() {
    SDL_DisplayMode mode{};
    return DesktopMode(mode) ? DepthOf(mode.format) : -1;
}

int Display_Frequency() {
    SDL_DisplayMode mode{};
    return DesktopMode(mode) && mode.refresh_rate > 0 ? mode.refresh_rate : -1;
}

int Display_Orientation() {
    SDL_DisplayMode mode{};
    return DesktopMode(mode) && mode.w < mode.h ? 1 : 0;
}

double Display_DpiX() {
    float h = 0, v = 0;
    if (!Platform_IsInitialised() || SDL_GetDisplayDPI(0, nullptr, &h, &v) != 0 || !(h > 0)) return 96;
    return h;
}

double Display_DpiY() {
    float h = 0, v = 0;
    if (!Platform_IsInitialised() || SDL_GetDisplayDPI(0, nullptr, &h, &v) != 0 || !(v > 0)) return 96;
    return v;
}

bool Display_TestMode(int w, int h, int frequency, int depth) {
    SDL_DisplayMode now{};
    if (!DesktopMode(now)) return false;
    if (w <= 0) w = now.w;
    if (h <= 0) h = now.h;
    if (frequency <= 0) frequency = now.refresh_rate;
    if (depth <= 0) depth = DepthOf(now.format);
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        if (m.w == w && m.h == h && (m.refresh_rate == frequency || m.refresh_rate == 0) && DepthOf(m.format) == depth)
            return true;
    }
    return w == now.w && h == now.h && frequency == now.refresh_rate && depth == DepthOf(now.format);
}

bool Display_SetMode(int w, int h, int frequency, int depth) {
    SDL_DisplayMode now{};
    if (!DesktopMode(now)) return false;
    return (w <= 0 || w == now.w) && (h <= 0 || h == now.h) && (frequency <= 0 || frequency == now.refresh_rate) &&
           (depth <= 0 || depth == DepthOf(now.format));
}

void Display_MousePosition(int& x, int& y) {
    x = y = 0;
    if (Platform_IsInitialised()) SDL_GetGlobalMouseState(&x, &y);
}

void Display_SetMousePosition(int x, int y) {
    if (Platform_IsInitialised() && !Platform_IsHeadless()) SDL_WarpMouseGlobal(x, y);
}

bool Display_SetFullScreen(TWindow& window, bool on) {
    SDL_Window* w = Native(window);
    if (!w || Platform_IsHeadless()) return false;
    return SDL_SetWindowFullscreen(w, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) == 0;
}

void Display_CentreWindow(TWindow& window) {
    if (SDL_Window* w = Native(window)) SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

CWindowRect Window_Rect(const TWindow& window) {
    CWindowRect r;
    if (SDL_Window* w = Native(window)) {
        SDL_GetWindowPosition(w, &r.x, &r.y);
        SDL_GetWindowSize(w, &r.width, &r.height);
    }
    return r;
}

void Window_SetPosition(TWindow& window, int x, int y) {
    if (SDL_Window* w = Native(window)) SDL_SetWindowPosition(w, x, y);
}

bool Window_Visible(const TWindow& window) {
    SDL_Window* w = Native(window);
    return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN) != 0 && (SDL_GetWindowFlags(w) & SDL_WINDOW_HIDDEN) == 0;
}

void Window_SetVisible(TWindow& window, bool on) {
    if (SDL_Window* w = Native(window)) on ? SDL_ShowWindow(w) : SDL_HideWindow(w);
}

bool Window_Bordered(const TWindow& window) {
    SDL_Window* w = Native(window);
    return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_BORDERLESS) == 0;
}

void Window_SetBordered(TWindow& window, bool on) {
    if (SDL_Window* w = Native(window)) SDL_SetWindowBordered(w, on ? SDL_TRUE : SDL_FALSE);
}

bool Window_OnTop(const TWindow& window) {
    SDL_Window* w = Native(window);
    return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_ALWAYS_ON_TOP) != 0;
}

void Window_SetOnTop(TWindow& window, bool on) {
    if (SDL_Window* w = Native(window)) SDL_SetWindowAlwaysOnTop(w, on ? SDL_TRUE : SDL_FALSE);
}

bool Window_Sizeable(const TWindow& window) {
    SDL_Window* w = Native(window);
    return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_RESIZABLE) != 0;
}

void Window_SetSizeable(TWindow& window, bool on) {
    if (SDL_Window* w = Native(window)) SDL_SetWindowResizable(w, on ? SDL_TRUE : SDL_FALSE);
}

bool Window_HasFocus(const TWindow& window) {
    SDL_Window* w = Native(window);
    return w && (SDL_GetWindowFlags(w) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

void Window_MousePosition(const TWindow& window, int& x, int& y) {
    x = y = 0;
    SDL_Window* w = Native(window);
    if (!w) return;
    int gx = 0, gy = 0, wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&gx, &gy);
    SDL_GetWindowPosition(w, &wx, &wy);
    x = gx - wx;
    y = gy - wy;
}

void Window_SetMousePosition(TWindow& window, int x, int y) {
    SDL_Window* w = Native(window);
    if (w && !Platform_IsHeadless()) SDL_WarpMouseInWindow(w, x, y);
}

void Window_SetCursor(TWindow& window, int cursor) {
    if (!Native(window)) return;
    if (cursor == -1) {
        window.ShowCursor(false);
        return;
    }
    SDL_SystemCursor kind = SDL_SYSTEM_CURSOR_ARROW;
    switch (cursor) {
    case -3: kind = SDL_SYSTEM_CURSOR_CROSSHAIR; break;
    case -4: kind = SDL_SYSTEM_CURSOR_IBEAM; break;
    case -6: kind = SDL_SYSTEM_CURSOR_SIZENESW; break;
    case -7:
    case -15: kind = SDL_SYSTEM_CURSOR_SIZENS; break;
    case -8: kind = SDL_SYSTEM_CURSOR_SIZENWSE; break;
    case -9:
    case -14: kind = SDL_SYSTEM_CURSOR_SIZEWE; break;
    case -11: kind = SDL_SYSTEM_CURSOR_WAIT; break;
    case -17:
    case -19: kind = SDL_SYSTEM_CURSOR_WAITARROW; break;
    case -13:
    case -18: kind = SDL_SYSTEM_CURSOR_NO; break;
    case -12:
    case -21: kind = SDL_SYSTEM_CURSOR_HAND; break;
    case -22: kind = SDL_SYSTEM_CURSOR_SIZEALL; break;
    default: break;
    }
    if (SDL_Cursor* c = SDL_CreateSystemCursor(kind)) {
        SDL_SetCursor(c);
        if (g_cursor) SDL_FreeCursor(g_cursor);
        g_cursor = c;
    }
    window.ShowCursor(true);
}

void Display_Shutdown() {
    if (!g_cursor) return;
    SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_FreeCursor(g_cursor);
    g_cursor = nullptr;
}
