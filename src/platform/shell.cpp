#include "platform/shell.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/console.h"
#include "platform/window_sdl.h"

namespace {

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

}  // namespace

bool Platform_OpenUrl(std::string_view url) {
    const std::string copy(url);
    if (!StartsWithNoCase(url, "http://") && !StartsWithNoCase(url, "https://") && !StartsWithNoCase(url, "mailto:")) {
        Console().Output("Not opening \"%s\": only http, https and mailto addresses are opened\n", copy.c_str());
        return false;
    }
    if (Platform_IsHeadless()) {
        Console().Output("Not opening \"%s\" in a headless run\n", copy.c_str());
        return false;
    }
    const bool opened = SDL_OpenURL(copy.c_str()) == 0;
    Console().Output(opened ? "Opened \"%s\"\n" : "Could not open \"%s\"\n", copy.c_str());
    return opened;
}

double Platform_NativeWindowHandle() {
    SDL_Window* window = Platform_MainSdlWindow();
    if (window == nullptr || Platform_IsHeadless()) return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE) return 0;
    if (info.subsystem == SDL_SYSWM_X11) return double(info.info.x11.window);
    return 0;
}

void Platform_SetProgramPriority(int priority) {
    const int nice = priority >= 0 ? 0 : std::min(-priority, 3) * 5;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0)
        Console().Output("Could not set the program's priority to %d\n", priority);
}
