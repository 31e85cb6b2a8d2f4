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
    if (kind == MessageBoxKind::Choice) return defaultAnswer;
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
    case MessageBoxKind::YesNoInformation:
    case MessageBoxKind::Choice: return SDL_MESSAGEBOX_INFORMATION;
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

constexpr size_t kMostButtons = 16;

struct BoxButtons {
    SDL_MessageBoxButtonData buttons[kMostButtons + 1]{};
    int count = 0;
};

// The labels stay the request's; the buttons point into them.
BoxButtons ButtonsFor(const MessageBoxRequest& request) {
    const MessageBoxKind kind = request.kind;
    const int defaultAnswer = request.defaultAnswer;
    BoxButtons b;
    if (kind == MessageBoxKind::Choice) {
        for (size_t i = 0; i < request.buttons.size() && i < kMostButtons; ++i) {
            Uint32 flags = int(i) + 1 == defaultAnswer ? Uint32{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT} : 0u;
            b.buttons[b.count++] = {flags, int(i) + 1, request.buttons[i].c_str()};
        }
    } else if (IsYesNo(kind)) {
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

// Starts a program with stdin and stdout on pipes, writes `input` to it and collects
// what it prints until it ends, watching for a quit meanwhile (which takes the program's
// whole group away). Failed when it cannot start; otherwise *status is its wait status.
BoxOutcome RunWatched(const char* path, bool searchPath, const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, const std::string& input, std::string* reply,
                      int* status) {
    int toHelper[2];
    int fromHelper[2];
    if (pipe2(toHelper, O_CLOEXEC) != 0) return BoxOutcome::Failed;
    TFd toRead(toHelper[0]), toWrite(toHelper[1]);
    if (pipe2(fromHelper, O_CLOEXEC) != 0) return BoxOutcome::Failed;
    TFd fromRead(fromHelper[0]), fromWrite(fromHelper[1]);

    std::vector<std::string> envCopy = environment, argCopy = arguments;
    std::vector<char*> envp, argv;
    for (std::string& e : envCopy) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (std::string& a : argCopy) argv.push_back(a.data());
    argv.push_back(nullptr);

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
    const int spawned = searchPath ? posix_spawnp(&pid, path, &actions, &attributes, argv.data(), envp.data())
                                   : posix_spawn(&pid, path, &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return BoxOutcome::Failed;
    toRead.Close();
    fromWrite.Close();
    WriteAll(toWrite.Get(), input);
    toWrite.Close();

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
        char buffer[256];
        const ssize_t n = read(fromRead.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply->append(buffer, static_cast<size_t>(n));
    }
    *status = 0;
    while (waitpid(pid, status, 0) < 0 && errno == EINTR) {
    }
    return interrupted ? BoxOutcome::Interrupted : BoxOutcome::Pressed;
}

std::vector<std::string> EnvironmentWithout(const std::string& marker) {
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, marker.c_str(), marker.size()) != 0) environment.emplace_back(*e);
    }
    return environment;
}

// Shows one box through the helper and waits for it, watching for a quit meanwhile.
BoxOutcome ShowThroughHelper(const MessageBoxRequest& request, int* pressed) {
    // Through /proc, so a program file replaced while the game runs (an upgrade) still
    // starts the same program.
    const std::string marker = std::string(kHelperVariable) + "=";
    std::vector<std::string> environment = EnvironmentWithout(marker);
    environment.push_back(marker + std::to_string(getpid()));
    std::string reply;
    int status = 0;
    const BoxOutcome outcome = RunWatched("/proc/self/exe", false, {"zorvex"}, environment,
                                          MessageBox_EncodeRequest(request), &reply, &status);
    if (outcome != BoxOutcome::Pressed) return outcome;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return BoxOutcome::Failed;
    char* end = nullptr;
    const long value = std::strtol(reply.c_str(), &end, 10);
    if (end == reply.c_str()) return BoxOutcome::Failed;
    *pressed = static_cast<int>(value);
    return BoxOutcome::Pressed;
}

MessageBoxStyle g_style;

// False when no box could be shown; *answer is left alone then.
bool ShowBox(const MessageBoxRequest& request, int* answer) {
    if (!DisplayCanShowBoxes()) return false;
    const int defaultAnswer = request.defaultAnswer;
    const std::string& text = request.text;
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
        // Escape on a box of the caller's buttons, or the box closed: no button.
        *answer = pressed <= 0 ? defaultAnswer : pressed;
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
        MessageBoxRequest request{kind, fallback, caption, text, {}, g_style};
        if (ShowBox(request, &answer)) return answer;
        if (IsReportable(kind)) return fallback;  // already on stderr
    }
    PrintToStderr(text, caption);
    return fallback;
}

int TMessageBox_Choose(const std::string& text, const std::string& caption, const std::vector<std::string>& buttons,
                       int defaultAnswer, const MessageBoxStyle& style) {
    if (!Platform_IsHeadless() && !buttons.empty()) {
        MessageBoxRequest request{MessageBoxKind::Choice, defaultAnswer, caption, text, buttons, style};
        if (request.buttons.size() > kMostButtons) request.buttons.resize(kMostButtons);
        int answer = defaultAnswer;
        if (ShowBox(request, &answer)) return answer;
    }
    PrintToStderr(text, caption);
    return defaultAnswer;
}

void TMessageBox_Print(const std::string& text, const std::string& caption) { PrintToStderr(text, caption); }

void TMessageBox_SetStyle(const MessageBoxStyle& style) { g_style = style; }

// Kind, default, the two lengths, the number of buttons and the three colours on one
// line, then the caption, the text and each button's length (a line of its own) and
// label as they are: any byte may be in any of them.
std::string MessageBox_EncodeRequest(const MessageBoxRequest& request) {
    std::string out = std::to_string(static_cast<int>(request.kind)) + ' ' + std::to_string(request.defaultAnswer) +
                      ' ' + std::to_string(request.caption.size()) + ' ' + std::to_string(request.text.size()) + ' ' +
                      std::to_string(request.buttons.size()) + ' ' + std::to_string(request.style.textColour) + ' ' +
                      std::to_string(request.style.backgroundColour) + ' ' +
                      std::to_string(request.style.buttonHoverColour) + '\n';
    out += request.caption;
    out += request.text;
    for (const std::string& b : request.buttons) {
        out += std::to_string(b.size()) + '\n';
        out += b;
    }
    return out;
}

bool MessageBox_DecodeRequest(const std::string& bytes, MessageBoxRequest* request) {
    size_t pos = 0;
    long kind = 0, answer = 0, captionSize = 0, textSize = 0, buttonCount = 0, text = 0, back = 0, hover = 0;
    for (long* n : {&kind, &answer, &captionSize, &textSize, &buttonCount, &text, &back, &hover}) {
        if (!ReadNumber(bytes, &pos, n) || (n != &hover) == (bytes[pos - 1] == '\n')) return false;
    }
    if (kind < 0 || kind > static_cast<long>(MessageBoxKind::Choice) || captionSize < 0 || textSize < 0 ||
        buttonCount < 0 || buttonCount > static_cast<long>(kMostButtons))
        return false;
    const size_t strings = static_cast<size_t>(captionSize) + static_cast<size_t>(textSize);
    if (bytes.size() - pos < strings) return false;
    request->kind = static_cast<MessageBoxKind>(kind);
    request->defaultAnswer = static_cast<int>(answer);
    request->caption = bytes.substr(pos, static_cast<size_t>(captionSize));
    request->text = bytes.substr(pos + static_cast<size_t>(captionSize), static_cast<size_t>(textSize));
    request->style = {static_cast<int32_t>(text), static_cast<int32_t>(back), static_cast<int32_t>(hover)};
    request->buttons.clear();
    pos += strings;
    for (long i = 0; i < buttonCount; ++i) {
        long size = 0;
        if (!ReadNumber(bytes, &pos, &size) || bytes[pos - 1] != '\n' || size < 0 ||
            bytes.size() - pos < static_cast<size_t>(size))
            return false;
        request->buttons.push_back(bytes.substr(pos, static_cast<size_t>(size)));
        pos += static_cast<size_t>(size);
    }
    return pos == bytes.size();
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

    BoxButtons buttons = ButtonsFor(request);
    SDL_MessageBoxColorScheme scheme{};
    const MessageBoxStyle& style = request.style;
    const bool styled = style.textColour >= 0 || style.backgroundColour >= 0 || style.buttonHoverColour >= 0;
    if (styled) {
        // Light grey boxes with black text where the game left a colour to the desktop.
        auto set = [&](SDL_MessageBoxColorType type, int32_t bgr, int32_t fallback) {
            const int32_t c = bgr >= 0 ? bgr : fallback;
            scheme.colors[type] = {Uint8(c & 0xFF), Uint8((c >> 8) & 0xFF), Uint8((c >> 16) & 0xFF)};
        };
        set(SDL_MESSAGEBOX_COLOR_BACKGROUND, style.backgroundColour, 0xE0E0E0);
        set(SDL_MESSAGEBOX_COLOR_TEXT, style.textColour, 0x000000);
        set(SDL_MESSAGEBOX_COLOR_BUTTON_BORDER, style.textColour, 0x404040);
        set(SDL_MESSAGEBOX_COLOR_BUTTON_BACKGROUND, style.backgroundColour, 0xD0D0D0);
        set(SDL_MESSAGEBOX_COLOR_BUTTON_SELECTED, style.buttonHoverColour, 0xFFC080);
    }
    SDL_MessageBoxData data{};
    data.colorScheme = styled ? &scheme : nullptr;
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

namespace {

bool OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return false;
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        if (access((dir + "/" + name).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::string TDialog_Program() {
    if (!DisplayCanShowBoxes()) return {};
    for (const char* name : {"zenity", "kdialog"})
        if (OnPath(name)) return name;
    return {};
}

DialogOutcome TDialog_Run(const std::vector<std::string>& argv, std::string* output) {
    if (argv.empty() || !DisplayCanShowBoxes() || Platform_QuitSignalled()) return DialogOutcome::Unavailable;
    std::string reply;
    int status = 0;
    // The box helper's marker must not reach the dialog program's children.
    const BoxOutcome outcome = RunWatched(argv[0].c_str(), true, argv,
                                          EnvironmentWithout(std::string(kHelperVariable) + "="), "", &reply, &status);
    if (outcome == BoxOutcome::Failed) return DialogOutcome::Unavailable;
    if (outcome == BoxOutcome::Interrupted) return DialogOutcome::Cancelled;
    // A program that could not be started by the spawn's child ends with 127.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return DialogOutcome::Unavailable;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return DialogOutcome::Cancelled;
    if (!reply.empty() && reply.back() == '\n') reply.pop_back();
    *output = reply;
    return DialogOutcome::Answered;
}
