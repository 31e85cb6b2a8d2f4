#pragma once

#include <string>

// Modal message boxes. On a real display they sit on the main window; in a
// headless run (or when the box cannot be shown) the text goes to stderr and
// the caller's default answer comes back at once.

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

// Text and caption are UTF-8. For an OK box the answer is always
// kMessageBoxOk; for a Yes/No box it is kMessageBoxYes or kMessageBoxNo, and a
// default that is neither counts as No. Closing the box without a button
// gives the default. Error and warning boxes also write their text to stderr, and
// on a display offer to copy it to the clipboard, so a user can report it. Once a
// quit signal has come, no box is shown and the default comes back.
int TMessageBox_Show(const std::string& text, const std::string& caption, MessageBoxKind kind,
                     int defaultAnswer = kMessageBoxOk);
