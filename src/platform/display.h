#pragma once
// The desktop and the game window as the display_* and window_* built-ins see them.
// The windowing library stays behind this header.
#include <string>

class TWindow;

// False headless (the offscreen driver's made-up desktop must not clamp a game).
bool Display_DesktopSize(int& w, int& h);
bool Display_Headless();

// The desktop as the built-ins report it: the size even headless; -1 when unreadable.
int Display_Width();
int Display_Height();
int Display_ColourDepth();
int Display_Frequency();
// 0 landscape, 1 portrait (desktop narrower than high).
int Display_Orientation();
double Display_DpiX();
double Display_DpiY();
// Whether a mode of that size, frequency and depth exists (non-positive values: as
// now). Changing the desktop's mode is not something this platform lets a game do, so
// Display_SetMode succeeds only when nothing would change.
bool Display_TestMode(int w, int h, int frequency, int depth);
bool Display_SetMode(int w, int h, int frequency, int depth);

void Display_MousePosition(int& x, int& y);
void Display_SetMousePosition(int x, int y);

bool Display_SetFullScreen(TWindow& window, bool on);
void Display_CentreWindow(TWindow& window);

// The game window's own properties.
struct CWindowRect {
    int x = 0, y = 0, width = 0, height = 0;
};
CWindowRect Window_Rect(const TWindow& window);
void Window_SetPosition(TWindow& window, int x, int y);
bool Window_Visible(const TWindow& window);
void Window_SetVisible(TWindow& window, bool on);
bool Window_Bordered(const TWindow& window);
void Window_SetBordered(TWindow& window, bool on);
bool Window_OnTop(const TWindow& window);
void Window_SetOnTop(TWindow& window, bool on);
bool Window_Sizeable(const TWindow& window);
void Window_SetSizeable(TWindow& window, bool on);
bool Window_HasFocus(const TWindow& window);
// The mouse in window client coordinates.
void Window_MousePosition(const TWindow& window, int& x, int& y);
void Window_SetMousePosition(TWindow& window, int x, int y);
// Cursor constants of the scripts: cr_default 0, cr_none -1, cr_arrow -2 ... cr_size_all
// -22. Unknown values keep the arrow.
void Window_SetCursor(TWindow& window, int cursor);
// Frees what the cursor calls made; before the platform shuts down.
void Display_Shutdown();
