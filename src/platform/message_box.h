#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Modal message boxes. On a real display each box is shown by a helper process
// (this same program, started again), so the runner keeps watching its window
// and the quit signals while the box is up; in a headless run (or when the box
// cannot be shown) the text goes to stderr and the caller's default answer
// comes back at once.

enum class MessageBoxKind {
    Error,             // OK button, error icon
    Warning,           // OK button, warning icon
    Information,       // OK button, information icon
    YesNoQuestion,     // Yes and No buttons
    YesNoInformation,  // Yes and No buttons, information icon
    ErrorQuestion,     // Yes and No buttons, error icon
    Choice,            // the caller's own buttons, answered by number from 1
};

// Answers keep the values game code has always seen for these buttons.
inline constexpr int kMessageBoxOk = 1;
inline constexpr int kMessageBoxYes = 6;
inline constexpr int kMessageBoxNo = 7;

// Text and caption are UTF-8. Closing the game window or a quit signal while
// the box is up takes the box away and gives the default; the quit itself stays
// pending for the frame loop. For an OK box the answer is always
// kMessageBoxOk; for a Yes/No box it is kMessageBoxYes or kMessageBoxNo, and a
// default that is neither counts as No. Closing the box without a button
// gives the default. Error and warning boxes also write their text to stderr, and
// on a display offer to copy it to the clipboard, so a user can report it. Once a
// quit signal has come, no box is shown and the default comes back.
int TMessageBox_Show(const std::string& text, const std::string& caption, MessageBoxKind kind,
                     int defaultAnswer = kMessageBoxOk);

// How a box looks beyond its text: colours as 0xBBGGRR, -1 for the desktop's own.
struct MessageBoxStyle {
    int32_t textColour = -1;
    int32_t backgroundColour = -1;
    int32_t buttonHoverColour = -1;
};

// A box with the caller's buttons (at most 16, left to right): the answer is the pressed
// button's number from 1, and defaultAnswer (any number; 0 for "none") when the box is
// closed without a button, taken away by a quit, or cannot be shown. Escape closes it.
int TMessageBox_Choose(const std::string& text, const std::string& caption, const std::vector<std::string>& buttons,
                       int defaultAnswer, const MessageBoxStyle& style = {});

// Caption and text on stderr, as a box that cannot be shown leaves them.
void TMessageBox_Print(const std::string& text, const std::string& caption);

// The look every box takes from now on (the game's message settings).
void TMessageBox_SetStyle(const MessageBoxStyle& style);

// What the runner hands its box helper, and how the helper reads it back.
struct MessageBoxRequest {
    MessageBoxKind kind = MessageBoxKind::Information;
    int defaultAnswer = kMessageBoxOk;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;  // Choice boxes only
    MessageBoxStyle style;
};
std::string MessageBox_EncodeRequest(const MessageBoxRequest& request);
// False when the bytes are not a whole request.
bool MessageBox_DecodeRequest(const std::string& bytes, MessageBoxRequest* request);

// The box helper: true when this process was started as one. The helper reads its
// request on stdin, shows the box and writes the pressed button's id on stdout; its
// exit code is 0 when a box was shown.
bool TMessageBox_IsHelperProcess();
int TMessageBox_RunHelper();

// Desktop dialogs the windowing library does not offer (text entry, files, colours) come
// from a dialog program of the desktop, started with an argument list (never through a
// shell) and watched like a box. The name of the first one found on PATH among those we
// know how to drive ("zenity", "kdialog"), or empty; always empty in a headless run or
// without a display that can show boxes.
std::string TDialog_Program();

enum class DialogOutcome { Answered, Cancelled, Unavailable };
// Runs argv (argv[0] found on PATH) and waits for it while watching for a quit.
// Answered: exit status 0, *output its standard output without the final line end.
// Cancelled: any other exit status, or a quit came while it was up.
DialogOutcome TDialog_Run(const std::vector<std::string>& argv, std::string* output);
