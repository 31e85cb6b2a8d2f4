#include "platform/message_box.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/desktop.h"
#include "platform/window.h"
#include "platform/window_sdl.h"

namespace {

bool IsYesNo(MessageBoxKind kind) {
    return kind == MessageBoxKind::YesNoQuestion || kind == MessageBoxKind::YesNoInformation ||
           kind == MessageBoxKind::ErrorQuestion;
}

bool IsReportable(MessageBoxKind kind) {
    return kind == MessageBoxKind::Error || kind == MessageBoxKind::Warning || kind == MessageBoxKind::ErrorQuestion;
}

int NormaliseDefault(MessageBoxKind kind, int defaultAnswer) {
    if (!IsYesNo(kind)) return kMessageBoxOk;
    return defaultAnswer == kMessageBoxYes ? kMessageBoxYes : kMessageBoxNo;
}

Uint32 IconFlag(MessageBoxKind kind) {
    switch (kind) {
    case MessageBoxKind::Error:
    case MessageBoxKind::ErrorQuestion: return SDL_MESSAGEBOX_ERROR;
    case MessageBoxKind::Warning: return SDL_MESSAGEBOX_WARNING;
    case MessageBoxKind::Information:
    case MessageBoxKind::YesNoQuestion:
    case MessageBoxKind::YesNoInformation: return SDL_MESSAGEBOX_INFORMATION;
    }
    return SDL_MESSAGEBOX_INFORMATION;
}

// Caption on its own line (left out when empty), then the text; the message
// always ends in exactly one newline of ours so messages never run together.
void PrintToStderr(const std::string& text, const std::string& caption) {
    std::string out;
    out.reserve(caption.size() + text.size() + 2);
    if (!caption.empty()) {
        out += caption;
        out += '\n';
    }
    out += text;
    if (out.empty() || out.back() != '\n') out += '\n';
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

// The box helper's marker in its environment; the value is the runner's process id,
// so a helper whose runner is already gone does not show a box.
constexpr const char* kHelperVariable = "ZORVEX_MESSAGE_BOX_FOR";

// A button id no answer uses: copy the text, then show the box again.
constexpr int kCopyButton = 1000;

struct BoxButtons {
    SDL_MessageBoxButtonData buttons[3]{};
    int count = 0;
};

BoxButtons ButtonsFor(MessageBoxKind kind, int defaultAnswer) {
    BoxButtons b;
    if (IsYesNo(kind)) {
        const bool yesDefault = defaultAnswer == kMessageBoxYes;
        b.buttons[0] = {yesDefault ? Uint32{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT} : 0u, kMessageBoxYes, "Yes"};
        b.buttons[1] = {yesDefault ? 0u : Uint32{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT}, kMessageBoxNo, "No"};
        b.buttons[1].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        b.count = 2;
    } else {
        b.buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                        kMessageBoxOk, "OK"};
        b.count = 1;
    }
    // The runner puts the text on the clipboard itself: a helper's clipboard would
    // go away with the helper.
    if (IsReportable(kind)) b.buttons[b.count++] = {0u, kCopyButton, "Copy text"};
    return b;
}

// A window the user cannot see cannot answer a box.
bool DisplayCanShowBoxes() {
    if (Platform_IsHeadless() || !Platform_IsInitialised()) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
}

// True when the user asked the game to end while a box was up: a quit signal, or
// the game window's close button. The window's events stay queued, so the frame
// loop sees the close and ends the game normally.
bool QuitWhileBoxShown() {
    if (Platform_QuitSignalled()) return true;
    SDL_PumpEvents();
    SDL_Event events[64];
    if (SDL_PeepEvents(events, 1, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0) return true;
    const int n = SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
    for (int i = 0; i < n; ++i) {
        if (events[i].window.event == SDL_WINDOWEVENT_CLOSE) return true;
    }
    return false;
}

bool WriteAll(int fd, const std::string& bytes) {
    // A helper that died early must not take the runner down with SIGPIPE.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &previous);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    sigaction(SIGPIPE, &previous, nullptr);
    return done == bytes.size();
}

class TFd {
public:
    explicit TFd(int fd = -1) : fd_(fd) {}
    ~TFd() { Close(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return fd_; }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

enum class BoxOutcome { Pressed, Interrupted, Failed };

// Shows one box through the helper and waits for it, watching for a quit meanwhile.
BoxOutcome ShowThroughHelper(const MessageBoxRequest& request, int* pressed) {
    // Through /proc, so a program file replaced while the game runs (an upgrade) still
    // starts the same program.
    char self[] = "/proc/self/exe";
    char name[] = "zorvex";

    int toHelper[2];
    int fromHelper[2];
    if (pipe2(toHelper, O_CLOEXEC) != 0) return BoxOutcome::Failed;
    TFd toRead(toHelper[0]), toWrite(toHelper[1]);
    if (pipe2(fromHelper, O_CLOEXEC) != 0) return BoxOutcome::Failed;
    TFd fromRead(fromHelper[0]), fromWrite(fromHelper[1]);

    const std::string marker = std::string(kHelperVariable) + "=";
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, marker.c_str(), marker.size()) != 0) environment.emplace_back(*e);
    }
    environment.push_back(marker + std::to_string(getpid()));
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    char* argv[] = {name, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toRead.Get(), 0);
    posix_spawn_file_actions_adddup2(&actions, fromWrite.Get(), 1);
    // The windowing library's complaints are not the user's business.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // A group of its own: the windowing library may show the box from a child of the
    // helper, and taking the box away must reach that one too. It also keeps a Ctrl+C
    // in the terminal for the runner, which decides what happens to the box.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, self, &actions, &attributes, argv, envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return BoxOutcome::Failed;
    toRead.Close();
    fromWrite.Close();
    WriteAll(toWrite.Get(), MessageBox_EncodeRequest(request));
    toWrite.Close();

    std::string reply;
    bool interrupted = false;
    for (;;) {
        if (QuitWhileBoxShown()) {
            interrupted = true;
            kill(-pid, SIGTERM);
            break;
        }
        pollfd p{fromRead.Get(), POLLIN, 0};
        const int ready = poll(&p, 1, 15);
        if (ready <= 0) continue;  // a timeout, or a signal that the next turn looks at
        char buffer[64];
        const ssize_t n = read(fromRead.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (interrupted) return BoxOutcome::Interrupted;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return BoxOutcome::Failed;
    char* end = nullptr;
    const long value = std::strtol(reply.c_str(), &end, 10);
    if (end == reply.c_str()) return BoxOutcome::Failed;
    *pressed = static_cast<int>(value);
    return BoxOutcome::Pressed;
}

// False when no box could be shown; *answer is left alone then.
bool ShowBox(const std::string& text, const std::string& caption, MessageBoxKind kind, int defaultAnswer, int* answer) {
    if (!DisplayCanShowBoxes()) return false;
    const MessageBoxRequest request{kind, defaultAnswer, caption, text};
    for (;;) {
        if (Platform_QuitSignalled()) {
            *answer = defaultAnswer;
            return true;
        }
        int pressed = -1;
        switch (ShowThroughHelper(request, &pressed)) {
        case BoxOutcome::Failed: return false;
        case BoxOutcome::Interrupted: *answer = defaultAnswer; return true;
        case BoxOutcome::Pressed: break;
        }
        if (pressed == kCopyButton) {
            SDL_SetClipboardText(text.c_str());
            continue;
        }
        *answer = pressed < 0 ? defaultAnswer : pressed;
        return true;
    }
}

void EndHelperGroup(int) { kill(0, SIGKILL); }

bool ReadNumber(const std::string& bytes, size_t* pos, long* value) {
    size_t p = *pos;
    bool negative = false;
    if (p < bytes.size() && bytes[p] == '-') {
        negative = true;
        ++p;
    }
    const size_t digits = p;
    long v = 0;
    while (p < bytes.size() && bytes[p] >= '0' && bytes[p] <= '9' && p - digits < 12) v = v * 10 + (bytes[p++] - '0');
    if (p == digits || p >= bytes.size() || (bytes[p] != ' ' && bytes[p] != '\n')) return false;
    *value = negative ? -v : v;
    *pos = p + 1;
    return true;
}

}  // namespace

int TMessageBox_Show(const std::string& text, const std::string& caption, MessageBoxKind kind, int defaultAnswer) {
    const int fallback = NormaliseDefault(kind, defaultAnswer);
    if (!Platform_IsHeadless()) {
        if (IsReportable(kind)) PrintToStderr(text, caption);
        int answer = fallback;
        if (ShowBox(text, caption, kind, fallback, &answer)) return answer;
        if (IsReportable(kind)) return fallback;  // already on stderr
    }
    PrintToStderr(text, caption);
    return fallback;
}

// Kind, default and the two lengths on one line, then the caption and the text as they
// are: any byte may be in either.
std::string MessageBox_EncodeRequest(const MessageBoxRequest& request) {
    std::string out = std::to_string(static_cast<int>(request.kind)) + ' ' + std::to_string(request.defaultAnswer) +
                      ' ' + std::to_string(request.caption.size()) + ' ' + std::to_string(request.text.size()) + '\n';
    out += request.caption;
    out += request.text;
    return out;
}

bool MessageBox_DecodeRequest(const std::string& bytes, MessageBoxRequest* request) {
    size_t pos = 0;
    long kind = 0, answer = 0, captionSize = 0, textSize = 0;
    if (!ReadNumber(bytes, &pos, &kind) || !ReadNumber(bytes, &pos, &answer) ||
        !ReadNumber(bytes, &pos, &captionSize) || !ReadNumber(bytes, &pos, &textSize))
        return false;
    if (bytes[pos - 1] != '\n') return false;
    if (kind < 0 || kind > static_cast<long>(MessageBoxKind::ErrorQuestion) || captionSize < 0 || textSize < 0)
        return false;
    if (bytes.size() - pos != static_cast<size_t>(captionSize) + static_cast<size_t>(textSize)) return false;
    request->kind = static_cast<MessageBoxKind>(kind);
    request->defaultAnswer = static_cast<int>(answer);
    request->caption = bytes.substr(pos, static_cast<size_t>(captionSize));
    request->text = bytes.substr(pos + static_cast<size_t>(captionSize));
    return true;
}

bool TMessageBox_IsHelperProcess() { return std::getenv(kHelperVariable) != nullptr; }

int TMessageBox_RunHelper() {
    const long runner = std::strtol(std::getenv(kHelperVariable), nullptr, 10);
    unsetenv(kHelperVariable);
    // The box goes when the runner goes, however it ends: the runner's end or its
    // request sends SIGTERM, which takes the helper's whole group, the box included.
    struct sigaction endGroup {};
    endGroup.sa_handler = EndHelperGroup;
    sigemptyset(&endGroup.sa_mask);
    sigaction(SIGTERM, &endGroup, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != static_cast<pid_t>(runner)) return 2;

    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    MessageBoxRequest request;
    if (!MessageBox_DecodeRequest(bytes, &request)) return 2;

    BoxButtons buttons = ButtonsFor(request.kind, request.defaultAnswer);
    SDL_MessageBoxData data{};
    data.flags = IconFlag(request.kind);
    data.title = request.caption.c_str();
    data.message = request.text.c_str();
    data.numbuttons = buttons.count;
    data.buttons = buttons.buttons;
    int pressed = -1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) return 2;
    std::printf("%d\n", pressed);
    return std::fflush(stdout) == 0 ? 0 : 2;
}
