#include "platform/desktop.h"

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

volatile std::sig_atomic_t g_quitSignals = 0;
std::string g_privateRuntimeDir;

void OnQuitSignal(int signal) {
    // A user who asks twice does not want to wait for the game's end events.
    if (g_quitSignals != 0) _exit(128 + signal);
    g_quitSignals = 1;
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
