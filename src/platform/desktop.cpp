#include "platform/desktop.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/console.h"

namespace {

volatile std::sig_atomic_t g_quitSignals = 0;
std::string g_privateRuntimeDir;

void OnQuitSignal(int signal) {
    // A user who asks twice does not want to wait for the game's end events.
    if (g_quitSignals != 0) _exit(128 + signal);
    g_quitSignals = 1;
}

// The sound system's lowest layer prints its own complaints (no card, no default
// device) straight to stderr while the sound library probes it; they belong in the log.
extern "C" void LogSoundSystemError(const char* file, int line, const char* function, int error, const char* format,
                                    ...) {
    if (!Console().Enabled()) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Console().Output("sound system: %s:%d (%s): %s (%d)\n", file, line, function, text, error);
}

void RouteSoundSystemErrors() {
    // Loaded here only to set the handler; the sound library loads the same copy later
    // and its errors then reach our handler. Never unloaded, so the handler stays set.
    void* library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    auto set = reinterpret_cast<SetHandler>(dlsym(library, "snd_lib_error_set_handler"));
    if (set != nullptr) set(LogSoundSystemError);
}

bool UsableRuntimeDir(const char* path) {
    if (path == nullptr || path[0] != '/') return false;
    struct stat st {};
    if (stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    return st.st_uid == getuid() && (st.st_mode & 0077) == 0;
}

}  // namespace

void Platform_PrepareEnvironment(bool quiet) {
    if (quiet) setenv("ALSOFT_LOGLEVEL", "0", 0);  // a user's own setting wins
    RouteSoundSystemErrors();
    if (UsableRuntimeDir(std::getenv("XDG_RUNTIME_DIR"))) return;
    std::string pattern = std::filesystem::temp_directory_path().string() + "/zorvex-runtime-XXXXXX";
    // mkdtemp makes the folder with mode 0700, as the libraries require.
    if (mkdtemp(pattern.data()) == nullptr) return;
    g_privateRuntimeDir = pattern;
    setenv("XDG_RUNTIME_DIR", g_privateRuntimeDir.c_str(), 1);
}

void Platform_CleanEnvironment() {
    if (g_privateRuntimeDir.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(g_privateRuntimeDir, ec);
    g_privateRuntimeDir.clear();
}

void Platform_InstallQuitSignals() {
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // Installed before the video system starts, so it keeps ours instead of its own.
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

bool Platform_QuitSignalled() { return g_quitSignals != 0; }
