#include "platform/message_box.h"

#include <cstdio>

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

// A button id no answer uses: copy the text, then show the box again.
constexpr int kCopyButton = 1000;

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

// False when no box could be shown; *answer is left alone then.
bool ShowSdlBox(const std::string& text, const std::string& caption, MessageBoxKind kind, int defaultAnswer,
                int* answer) {
    SDL_MessageBoxButtonData buttons[3]{};
    int buttonCount = 0;
    if (IsYesNo(kind)) {
        const bool yesDefault = defaultAnswer == kMessageBoxYes;
        buttons[0] = {yesDefault ? Uint32{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT} : 0u, kMessageBoxYes, "Yes"};
        buttons[1] = {yesDefault ? 0u : Uint32{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT}, kMessageBoxNo, "No"};
        buttons[1].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        buttonCount = 2;
    } else {
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kMessageBoxOk,
                      "OK"};
        buttonCount = 1;
    }
    if (IsReportable(kind)) buttons[buttonCount++] = {0u, kCopyButton, "Copy text"};

    SDL_MessageBoxData data{};
    data.flags = IconFlag(kind);
    data.window = Platform_MainSdlWindow();
    data.title = caption.c_str();
    data.message = text.c_str();
    data.numbuttons = buttonCount;
    data.buttons = buttons;

    for (;;) {
        if (Platform_QuitSignalled()) {
            *answer = defaultAnswer;
            return true;
        }
        int pressed = -1;
        if (SDL_ShowMessageBox(&data, &pressed) != 0) return false;
        if (pressed == kCopyButton) {
            SDL_SetClipboardText(text.c_str());
            continue;
        }
        *answer = pressed < 0 ? defaultAnswer : pressed;
        return true;
    }
}

}  // namespace

int TMessageBox_Show(const std::string& text, const std::string& caption, MessageBoxKind kind, int defaultAnswer) {
    const int fallback = NormaliseDefault(kind, defaultAnswer);
    if (!Platform_IsHeadless()) {
        if (IsReportable(kind)) PrintToStderr(text, caption);
        int answer = fallback;
        if (ShowSdlBox(text, caption, kind, fallback, &answer)) return answer;
        if (IsReportable(kind)) return fallback;  // already on stderr
    }
    PrintToStderr(text, caption);
    return fallback;
}
