#include "vm/error.h"

#include <cstdio>

#include "platform/console.h"
#include "platform/message_box.h"

namespace {

bool g_endingOnError = false;

std::string ExpandForDialog(const std::string& text) {
    std::string out(43, '_');
    out += '\n';
    for (char ch : text) {
        if (ch == '\t') out.append(7, ' ');
        else out.push_back(ch);
    }
    return out;
}

}  // namespace

CodeErrorContext& Code_Context() {
    static CodeErrorContext context;
    return context;
}

CodeErrorSettings& Code_ErrorSettings() {
    static CodeErrorSettings settings;
    return settings;
}

bool& Code_ErrorFlag() {
    static bool flag = false;
    return flag;
}

std::string& Code_LastError() {
    static std::string text;
    return text;
}

bool& Code_ErrorOccurred() {
    static bool flag = false;
    return flag;
}

bool& Code_SilentMode() {
    static bool silent = false;
    return silent;
}

bool Code_EndingOnError() { return g_endingOnError; }

void Code_ResetErrors() {
    g_endingOnError = false;
    Code_ErrorFlag() = false;
    Code_ErrorOccurred() = false;
    Code_LastError().clear();
}

void Code_ShowError(const std::string& message, bool fatal) {
    Code_ErrorFlag() = true;
    if (g_endingOnError) return;
    const CodeErrorSettings& settings = Code_ErrorSettings();
    fatal = fatal || settings.abortOnError;

    const CodeErrorContext& c = Code_Context();
    char head[64];
    std::snprintf(head, sizeof head, "%sERROR in\naction number %d\n", fatal ? "FATAL " : "", c.actionNumber);
    std::string text = head;
    if (c.timeline) {
        text += "at time step" + std::to_string(c.timelineStep) + "\nof time line " + c.timelineName + ":\n\n\n";
    } else {
        text += "of " + c.eventName + "\nfor object " + c.objectName + ":\n\n\n";
    }
    text += message;

    if (settings.showErrors) {
        std::string dialog = ExpandForDialog(text);
        if (settings.interactive) {
            // A non-fatal error offers to abort; choosing it makes the error fatal.
            int answer = TMessageBox_Show(dialog + (fatal ? "" : "\n\nAbort the game?"), "Zorvex",
                                          fatal ? MessageBoxKind::Error : MessageBoxKind::YesNoQuestion,
                                          fatal ? kMessageBoxOk : kMessageBoxNo);
            if (!fatal && answer == kMessageBoxYes) fatal = true;
        } else {
            std::fprintf(stderr, "%s\n", dialog.c_str());
            std::fflush(stderr);
        }
    }
    Code_LastError() = text;
    Code_ErrorOccurred() = true;
    if (!Code_SilentMode()) Console().Output("ERROR!!! :: %s\n", text.c_str());
    if (fatal) g_endingOnError = true;
}
