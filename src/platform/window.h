#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The game window and the platform's start and end. Nothing here exposes the
// windowing library; the GL backend reaches the native window through
// platform/window_sdl.h.

// Bring up video and events. Headless selects the offscreen video driver, so
// the whole window path runs with nothing shown on screen.
bool Platform_Init(bool headless);
void Platform_Shutdown();
bool Platform_IsInitialised();
bool Platform_IsHeadless();

// Header flags that decide the window's look.
inline constexpr uint32_t kHeaderFlagBorderless = 0x1;
inline constexpr uint32_t kHeaderFlagShowCursor = 0x20;
inline constexpr uint32_t kHeaderFlagSizeable = 0x40;

enum class WindowStyle : uint8_t {
    Borderless,  // pop-up without frame or caption
    Sizeable,    // caption, sizing border, minimise and maximise
    Fixed,       // caption and minimise only
};

struct WindowSize {
    int width = 0;
    int height = 0;
};

// Borderless wins over sizeable; neither gives the fixed window.
WindowStyle WindowStyleFor(uint32_t headerFlags);

// The largest side we will ever ask for: it bounds what a damaged header can
// make the graphics layer allocate for the back buffer.
inline constexpr int kWindowMaxSide = 16384;

// Clamp the requested client size to the desktop. A desktop side of zero or
// less means "unknown" and does not clamp that side. Every side ends in
// [1, kWindowMaxSide].
WindowSize ClampToDesktop(int width, int height, int desktopWidth, int desktopHeight);

class TWindow {
public:
    TWindow();
    ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    // Not movable: message boxes keep a pointer to the main window.
    TWindow(TWindow&&) = delete;
    TWindow& operator=(TWindow&&) = delete;

    // Create, centre and show the window with the given client size and the
    // game header's flags. The caption starts as "Zorvex". A window that
    // already exists is destroyed first. False when creation fails.
    bool Create(int width, int height, uint32_t headerFlags);
    void Destroy();
    bool IsOpen() const;

    // Client size as the windowing system reports it now (0 when closed).
    int Width() const;
    int Height() const;
    void SetSize(int width, int height);

    void SetCaption(const std::string& caption);
    std::string Caption() const;

    void ShowCursor(bool show);
    bool CursorShown() const;

    // Read back from the native window; Fixed when closed.
    WindowStyle Style() const;

    // Only for the platform and the GL backend; see platform/window_sdl.h.
    void* NativeHandle() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The game's window: the one message boxes sit on and rooms size (the last one
// created and still open), or null.
TWindow* Platform_MainWindow();
