#include <gtest/gtest.h>

#include <string>

#include "platform/message_box.h"

// The runner and its box helper talk through these bytes; any caption or text must
// come through whole, and anything that is not a whole request must be refused
// rather than shown half.

TEST(MessageBoxRequest, RoundTripsAnyText) {
    const MessageBoxRequest cases[] = {
        {MessageBoxKind::Error, kMessageBoxOk, "Zorvex", "FATAL ERROR in\naction number 1\n"},
        {MessageBoxKind::ErrorQuestion, kMessageBoxNo, "", "Abort the game?"},
        {MessageBoxKind::YesNoQuestion, kMessageBoxYes, "12 34\n", "5 6 7\n8"},
        {MessageBoxKind::Information, kMessageBoxOk, "caf\xC3\xA9", std::string("a\0b", 3)},
        {MessageBoxKind::Warning, kMessageBoxOk, "", ""},
        {MessageBoxKind::Choice, 0, "Pick", "Which?", {"One", "", "3 4\n5"}, {0x0000FF, -1, 0x00FF00}},
        {MessageBoxKind::Choice, 2, "", "", {std::string("a\0b", 3)}, {}},
    };
    for (const MessageBoxRequest& sent : cases) {
        MessageBoxRequest got;
        ASSERT_TRUE(MessageBox_DecodeRequest(MessageBox_EncodeRequest(sent), &got)) << sent.text;
        EXPECT_EQ(got.kind, sent.kind);
        EXPECT_EQ(got.defaultAnswer, sent.defaultAnswer);
        EXPECT_EQ(got.caption, sent.caption);
        EXPECT_EQ(got.text, sent.text);
        EXPECT_EQ(got.buttons, sent.buttons);
        EXPECT_EQ(got.style.textColour, sent.style.textColour);
        EXPECT_EQ(got.style.backgroundColour, sent.style.backgroundColour);
        EXPECT_EQ(got.style.buttonHoverColour, sent.style.buttonHoverColour);
    }
}

TEST(MessageBoxRequest, RefusesWhatIsNotAWholeRequest) {
    const std::string whole = MessageBox_EncodeRequest({MessageBoxKind::Error, kMessageBoxOk, "cap", "text"});
    const std::string cases[] = {
        "",
        whole.substr(0, whole.size() - 1),  // cut short
        whole + "x",                        // trailing bytes
        "0 1 3\ncaptext",                   // a length missing
        "9 1 0 0 0 -1 -1 -1\n",             // no such kind
        "-1 1 0 0 0 -1 -1 -1\n",
        "0 1 -3 7 0 -1 -1 -1\ncaptext",
        "0 1 3 4 0 -1 -1 -1 captext",    // header not ended by a newline
        "0 1 3 4\n0 -1 -1 -1\ncaptext",  // ended too early
        "0 x 3 4 0 -1 -1 -1\ncaptext",
        "6 0 0 0 2 -1 -1 -1\n1\na",   // a button missing
        "6 0 0 0 1 -1 -1 -1\n5\nab",  // a label cut short
        "6 0 0 0 1 -1 -1 -1\n1 a",    // a label length not ended by a newline
        "6 0 0 0 17 -1 -1 -1\n",      // more buttons than a box has
    };
    for (const std::string& bytes : cases) {
        MessageBoxRequest got;
        EXPECT_FALSE(MessageBox_DecodeRequest(bytes, &got)) << bytes;
    }
}
