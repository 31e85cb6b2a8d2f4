#pragma once

#include <string>

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

// What the runner hands its box helper, and how the helper reads it back.
struct MessageBoxRequest {
    MessageBoxKind kind = MessageBoxKind::Information;
    int defaultAnswer = kMessageBoxOk;
    std::string caption;
    std::string text;
};
std::string MessageBox_EncodeRequest(const MessageBoxRequest& request);
// False when the bytes are not a whole request.
bool MessageBox_DecodeRequest(const std::string& bytes, MessageBoxRequest* request);

// The box helper: true when this process was started as one. The helper reads its
// request on stdin, shows the box and writes the pressed button's id on stdout; its
// exit code is 0 when a box was shown.
bool TMessageBox_IsHelperProcess();
int TMessageBox_RunHelper();
