#include "data/error.h"

#include <cstdio>

#include "data/game.h"
#include "platform/console.h"
#include "platform/message_box.h"

namespace {

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

bool Code_EndingOnError() { return Game().error.ending; }

void Code_ResetErrors() {
    CGameErrors& e = Game().error;
    e.ending = false;
    e.flag = false;
    e.occurred = false;
    e.last.clear();
}

void Code_ShowError(const std::string& message, bool fatal) {
    CGameErrors& e = Game().error;
    e.flag = true;
    if (e.ending) return;
    const CodeErrorSettings& settings = e.settings;
    fatal = fatal || settings.abortOnError;

    const CodeErrorContext& c = e.context;
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
                                          fatal ? MessageBoxKind::Error : MessageBoxKind::ErrorQuestion,
                                          fatal ? kMessageBoxOk : kMessageBoxNo);
            if (!fatal && answer == kMessageBoxYes) fatal = true;
        } else {
            std::fprintf(stderr, "%s\n", dialog.c_str());
            std::fflush(stderr);
        }
    }
    e.last = text;
    e.occurred = true;
    if (!e.silent) Console().Output("ERROR!!! :: %s\n", text.c_str());
    if (fatal) e.ending = true;
}
