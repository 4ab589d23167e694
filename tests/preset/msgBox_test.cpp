#include "controls/msgBox.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct MsgBoxFixture : ::testing::Test {
    void SetUp() override { msgBoxCaptureBegin(msgAnswerYes); diagReset(); }
    void TearDown() override { msgBoxCaptureEnd(); diagReset(); msgBoxSetOwner(nullptr, "Morvane"); }
};

TEST_F(MsgBoxFixture, PlainBoxIsRecordedAndAnswersZero) {
    EXPECT_EQ(msgBox(0, "Cannot open file!", 0), 0);
    EXPECT_EQ(msgBox(msgBoxIconExclamation, "Save changes?", msgBoxYesNo), msgAnswerYes);
    ASSERT_EQ(msgBoxCaptureCount(), 2u);
    EXPECT_STREQ(msgBoxCaptureText(0), "Cannot open file!");
    EXPECT_EQ(msgBoxCaptureStyle(1), msgBoxIconExclamation + msgBoxYesNo);
    EXPECT_STREQ(msgBoxCaptureText(5), "");
}

TEST_F(MsgBoxFixture, DiagnosticsSilentUnlessSwitchedOn) {
    diagMessage("brontavel font error: font list full");
    EXPECT_EQ(msgBoxCaptureCount(), 0u);
    diagSetEnabled(true);
    std::string longText(400, 'x');
    diagMessage(longText.c_str());
    ASSERT_EQ(msgBoxCaptureCount(), 1u);
    EXPECT_EQ(std::string(msgBoxCaptureText(0)), std::string(256, 'x'));
    diagReset();
    EXPECT_FALSE(diagIsEnabled());
    EXPECT_STREQ(diagLastText(), "");
}

TEST_F(MsgBoxFixture, CaptionKeepsAtMost256Characters) {
    EXPECT_STREQ(msgBoxCaption(), "Morvane");
    std::string longCaption(300, 'c');
    msgBoxSetOwner(nullptr, longCaption.c_str());
    EXPECT_EQ(std::string(msgBoxCaption()), std::string(256, 'c'));
}

}  // namespace
