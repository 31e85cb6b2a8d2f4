#pragma once
// The engine's error path for code errors, and the state it keeps.
#include <string>

// What the failing code belongs to, for the heading of the error text. The event
// layer sets it around each event; time line moments set the time line fields.
struct CodeErrorContext {
    std::string eventName = "<unknown event>";
    std::string objectName = "<undefined>";
    int actionNumber = 1;  // counted from 1
    bool timeline = false;
    std::string timelineName;
    int timelineStep = 0;
};
CodeErrorContext& Code_Context();

// How errors reach a person. Headless (or no display): the text goes to stderr.
struct CodeErrorSettings {
    bool showErrors = true;     // the game's option: show errors to the player
    bool abortOnError = false;  // the game's option: every error is fatal
    bool interactive = false;   // a person can answer a box
};
CodeErrorSettings& Code_ErrorSettings();

// Shows a code error. A fatal error ends the game; a non-fatal one continues as if
// the player chose to go on.
void Code_ShowError(const std::string& message, bool fatal);

// The code-error flag: cleared at the start of every code execution, set by every error.
bool& Code_ErrorFlag();

// The text of `error_last` and the flag `error_occurred`.
std::string& Code_LastError();
bool& Code_ErrorOccurred();

// Set once a fatal error has ended the game; the process then exits with 255.
bool Code_EndingOnError();
// Forgets a fatal error (tests and a fresh game start).
void Code_ResetErrors();

// The debugger's silent mode: errors only set the code-error flag.
bool& Code_SilentMode();
