#include "uiSeams/msgBox.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

namespace {

struct MsgBoxFixture : ::testing::Test {
  void SetUp() override {
    msgBoxCaptureBegin(msgAnswerYes);
    diagReset();
  }
  void TearDown() override {
    msgBoxCaptureEnd();
    diagReset();
    msgBoxSetOwner(nullptr, "Morvane");
  }
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

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

// The real box, dismissed by a watcher thread that finds it by its caption and presses a button.
struct RealBox {
  std::string caption, text;
  std::atomic<bool> found{false};
  std::thread watcher;
  explicit RealBox(int button) {
    watcher = std::thread([this, button] {
      for (int i = 0; i < 2000 && !found; ++i) {
        if (HWND box = FindWindowA("#32770", "Morvane")) {
          char buf[256] = {};
          GetWindowTextA(box, buf, sizeof buf);
          caption = buf;
          GetDlgItemTextA(box, 0xFFFF, buf, sizeof buf);
          text = buf;
          found = true;
          PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
          return;
        }
        Sleep(10);
      }
      // The box never appeared where the watcher could press it: fail instead of hanging.
      std::fprintf(stderr, "message box not found within 20 s\n");
      std::_Exit(1);
    });
  }
  ~RealBox() {
    if (watcher.joinable()) watcher.join();
  }
};

TEST(MsgBoxWin32, RealBoxesShowTheTextAndAnswer) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display for real message boxes";
  msgBoxSetOwner(nullptr, "Morvane");
  {
    RealBox box(IDOK);
    EXPECT_EQ(msgBox(0, "Plain box", 0), 0);
    box.watcher.join();
    box.watcher = std::thread();
    EXPECT_TRUE(box.found.load());
    EXPECT_EQ(box.caption, "Morvane");
    EXPECT_EQ(box.text, "Plain box");
  }
  {
    RealBox box(IDNO);
    EXPECT_EQ(msgBox(MB_ICONEXCLAMATION, "Question?", MB_YESNO), IDNO);
    box.watcher.join();
    box.watcher = std::thread();
    EXPECT_TRUE(box.found.load());
    EXPECT_EQ(box.text, "Question?");
  }
}

}  // namespace
#endif
