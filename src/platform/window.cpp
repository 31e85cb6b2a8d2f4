#include "platform/window.h"

#include <algorithm>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/window_sdl.h"

namespace {

constexpr Uint32 kPlatformSubsystems = SDL_INIT_VIDEO | SDL_INIT_EVENTS;
constexpr const char* kDefaultCaption = "Zorvex";

bool g_initialised = false;
bool g_headless = false;
TWindow* g_mainWindow = nullptr;

int ClampSide(int side, int desktopSide) {
    if (desktopSide > 0) side = std::min(side, desktopSide);
    return std::clamp(side, 1, kWindowMaxSide);
}

Uint32 SdlFlagsFor(WindowStyle style) {
    // OpenGL so the graphics layer can put its context on this window later.
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    switch (style) {
    case WindowStyle::Borderless: flags |= SDL_WINDOW_BORDERLESS; break;
    case WindowStyle::Sizeable: flags |= SDL_WINDOW_RESIZABLE; break;
    case WindowStyle::Fixed: break;
    }
    return flags;
}

// SDL loads the GL driver with each OpenGL window and unloads it with the
// last one, so every re-creation (a full-screen switch, a second Platform_Init)
// paid for a driver load, and each unload threw away the driver's own
// bookkeeping while its memory was still allocated (a leak checker's finding). We hold one extra reference for the life of the process; the
// handles are deliberately never released.
void PinGlDrivers(bool headless) {
    static bool eglPinned = false;
    static bool glPinned = false;
    if (!eglPinned) {
        eglPinned = true;
        SDL_LoadObject("libEGL.so.1");
    }
    // Only a real display may use GLX; headless runs stay on EGL.
    if (!headless && !glPinned) {
        glPinned = true;
        SDL_LoadObject("libGL.so.1");
    }
    SDL_ClearError();
}

// The software rasteriser takes its scene memory from the heap in small blocks and
// frees it all after every frame. With the C library's defaults the freed top of the
// heap goes back to the system each time and every page of it faults in again on the
// next frame: for a frame of many small primitives, such as 100,000 particles, that
// was two thirds of the frame's processor time. The process keeps what it freed
// instead (up to the limit), and large blocks keep coming from the heap.
void KeepFreedMemory() {
#if defined(__GLIBC__)
    static bool done = false;
    if (done) return;
    done = true;
    constexpr int kKeepTopBytes = 512 << 20;
    constexpr int kLargestFromHeap = 32 << 20;
    mallopt(M_TRIM_THRESHOLD, kKeepTopBytes);
    mallopt(M_MMAP_THRESHOLD, kLargestFromHeap);
#endif
}

}  // namespace

bool Platform_Init(bool headless) {
    if (g_initialised) return g_headless == headless;
    if (headless) {
        // Override, so a video driver chosen in the environment cannot put a
        // window on screen in a headless run.
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    }
    KeepFreedMemory();
    PinGlDrivers(headless);
    if (SDL_InitSubSystem(kPlatformSubsystems) != 0) {
        if (headless) SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        return false;
    }
    g_initialised = true;
    g_headless = headless;
    return true;
}

void Platform_Shutdown() {
    if (!g_initialised) return;
    SDL_QuitSubSystem(kPlatformSubsystems);
    // Other layers may still hold subsystems of their own (game controllers);
    // the library itself goes only when nobody does.
    if (SDL_WasInit(0) == 0) SDL_Quit();
    if (g_headless) SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    g_initialised = false;
    g_headless = false;
    g_mainWindow = nullptr;
}

bool Platform_IsInitialised() { return g_initialised; }
bool Platform_IsHeadless() { return g_headless; }
TWindow* Platform_MainWindow() { return g_mainWindow; }

WindowStyle WindowStyleFor(uint32_t headerFlags) {
    if ((headerFlags & kHeaderFlagBorderless) != 0) return WindowStyle::Borderless;
    if ((headerFlags & kHeaderFlagSizeable) != 0) return WindowStyle::Sizeable;
    return WindowStyle::Fixed;
}

WindowSize ClampToDesktop(int width, int height, int desktopWidth, int desktopHeight) {
    return WindowSize{ClampSide(width, desktopWidth), ClampSide(height, desktopHeight)};
}

struct TWindow::Impl {
    SDL_Window* window = nullptr;
    bool cursorShown = true;
};

TWindow::TWindow() : impl_(std::make_unique<Impl>()) {}

TWindow::~TWindow() { Destroy(); }

bool TWindow::Create(int width, int height, uint32_t headerFlags) {
    Destroy();
    if (!g_initialised) return false;

    // The offscreen driver reports a made-up 1024x768 desktop; a headless run
    // keeps the size the game asked for so its frames match a windowed run on
    // a large enough screen.
    int desktopWidth = 0;
    int desktopHeight = 0;
    SDL_DisplayMode mode{};
    if (!g_headless && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        desktopWidth = mode.w;
        desktopHeight = mode.h;
    }
    const WindowSize size = ClampToDesktop(width, height, desktopWidth, desktopHeight);

    impl_->window = SDL_CreateWindow(kDefaultCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, size.width,
                                     size.height, SdlFlagsFor(WindowStyleFor(headerFlags)));
    if (impl_->window == nullptr) return false;

    ShowCursor((headerFlags & kHeaderFlagShowCursor) != 0);
    g_mainWindow = this;
    return true;
}

void TWindow::Destroy() {
    if (impl_->window == nullptr) return;
    SDL_DestroyWindow(impl_->window);
    impl_->window = nullptr;
    // The cursor setting is global; leave it as we found it.
    if (!impl_->cursorShown) SDL_ShowCursor(SDL_ENABLE);
    impl_->cursorShown = true;
    if (g_mainWindow == this) g_mainWindow = nullptr;
}

bool TWindow::IsOpen() const { return impl_->window != nullptr; }

int TWindow::Width() const {
    if (impl_->window == nullptr) return 0;
    int w = 0;
    SDL_GetWindowSize(impl_->window, &w, nullptr);
    return w;
}

int TWindow::Height() const {
    if (impl_->window == nullptr) return 0;
    int h = 0;
    SDL_GetWindowSize(impl_->window, nullptr, &h);
    return h;
}

void TWindow::SetSize(int width, int height) {
    if (impl_->window == nullptr) return;
    const WindowSize size = ClampToDesktop(width, height, 0, 0);
    SDL_SetWindowSize(impl_->window, size.width, size.height);
}

void TWindow::SetCaption(const std::string& caption) {
    if (impl_->window == nullptr) return;
    SDL_SetWindowTitle(impl_->window, caption.c_str());
}

std::string TWindow::Caption() const {
    if (impl_->window == nullptr) return {};
    const char* title = SDL_GetWindowTitle(impl_->window);
    return title != nullptr ? std::string(title) : std::string();
}

void TWindow::ShowCursor(bool show) {
    if (impl_->window == nullptr) return;
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    impl_->cursorShown = show;
}

bool TWindow::CursorShown() const { return impl_->window != nullptr && SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

WindowStyle TWindow::Style() const {
    // Read back from the window, so what we report is what was really made.
    if (impl_->window == nullptr) return WindowStyle::Fixed;
    const Uint32 flags = SDL_GetWindowFlags(impl_->window);
    if ((flags & SDL_WINDOW_BORDERLESS) != 0) return WindowStyle::Borderless;
    if ((flags & SDL_WINDOW_RESIZABLE) != 0) return WindowStyle::Sizeable;
    return WindowStyle::Fixed;
}

void* TWindow::NativeHandle() const { return impl_->window; }
