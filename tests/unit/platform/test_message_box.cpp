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
    };
    for (const MessageBoxRequest& sent : cases) {
        MessageBoxRequest got;
        ASSERT_TRUE(MessageBox_DecodeRequest(MessageBox_EncodeRequest(sent), &got)) << sent.text;
        EXPECT_EQ(got.kind, sent.kind);
        EXPECT_EQ(got.defaultAnswer, sent.defaultAnswer);
        EXPECT_EQ(got.caption, sent.caption);
        EXPECT_EQ(got.text, sent.text);
    }
}

TEST(MessageBoxRequest, RefusesWhatIsNotAWholeRequest) {
    const std::string whole = MessageBox_EncodeRequest({MessageBoxKind::Error, kMessageBoxOk, "cap", "text"});
    const std::string cases[] = {
        "",
        whole.substr(0, whole.size() - 1),  // cut short
        whole + "x",                        // trailing bytes
        "0 1 3\ncaptext",                   // a length missing
        "9 1 0 0\n",                        // no such kind
        "-1 1 0 0\n",
        "0 1 -3 7\ncaptext",
        "0 1 3 4 captext",  // header not ended by a newline
        "0 x 3 4\ncaptext",
    };
    for (const std::string& bytes : cases) {
        MessageBoxRequest got;
        EXPECT_FALSE(MessageBox_DecodeRequest(bytes, &got)) << bytes;
    }
}
