// Clipboard text and the wheel step, through the real (Wine, X-backed) clipboard.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "NGLClipboard.h"

namespace {

void emptyClipboard() {
  ASSERT_TRUE(nglOpenClipboard());
  EmptyClipboard();
  CloseClipboard();
}

// The raw CF_TEXT bytes on the clipboard, up to the block's size.
std::string rawClipboardText() {
  std::string raw;
  if (!nglOpenClipboard()) return raw;
  HANDLE data = GetClipboardData(CF_TEXT);
  if (data) {
    const char* bytes = static_cast<const char*>(GlobalLock(data));
    size_t size = GlobalSize(data);
    if (bytes) raw.assign(bytes, strnlen(bytes, size) + (strnlen(bytes, size) < size ? 1 : 0));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return raw;
}

}  // namespace

TEST(Clipboard, WheelStepIsOneNotch) { EXPECT_EQ(nglWheelStep(), 120); }

TEST(Clipboard, CopyThenPasteRoundTrips) {
  struct Case {
    const char* copied;
    const char* pasted;
  } cases[] = {
      {"hello", "hello"},
      {"one\r\ntwo\r\n", "one\ntwo\n"},  // CR-LF lines come back ended by LF alone
      {"a\rb\r\r", "ab"},                // every carriage return goes
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.copied);
    ASSERT_TRUE(nglCopyText(c.copied));
    EXPECT_TRUE(nglClipboardHasText());
    std::string text = "previous";
    ASSERT_TRUE(nglPasteText(text));
    EXPECT_EQ(text, c.pasted);
  }
}

TEST(Clipboard, EmptyTextPutsOneZeroByte) {
  ASSERT_TRUE(nglCopyText(""));
  EXPECT_EQ(rawClipboardText(), std::string(1, '\0'));
}

TEST(Clipboard, PasteWithoutTextKeepsTheString) {
  emptyClipboard();
  EXPECT_FALSE(nglClipboardHasText());
  std::string text = "kept";
  EXPECT_FALSE(nglPasteText(text));
  EXPECT_EQ(text, "kept");
}

TEST(Clipboard, PasteStopsAtTheFirstZero) {
  const char bytes[] = {'a', 'b', 0, 'c', 'd', 0};
  ASSERT_TRUE(nglSetClipboardData(CF_TEXT, bytes, sizeof bytes));
  std::string text;
  ASSERT_TRUE(nglPasteText(text));
  EXPECT_EQ(text, "ab");
}

TEST(Clipboard, LargeTextRoundTrips) {
  std::string big(1 << 20, 'x');
  for (size_t i = 100; i < big.size(); i += 100) big[i] = '\n';
  ASSERT_TRUE(nglCopyText(big));
  std::string text;
  ASSERT_TRUE(nglPasteText(text));
  EXPECT_EQ(text.size(), big.size());
  EXPECT_TRUE(text == big);
}

// Another holder of the clipboard (here a window of a second thread; under Wine, its X11 side after
// every change) keeps it open for a moment: a copy and a paste wait for it instead of failing.
TEST(Clipboard, CopyAndPasteWaitForAMomentaryHolder) {
  struct Hold {
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    static DWORD WINAPI run(void* self) {
      auto* hold = static_cast<Hold*>(self);
      HWND owner = CreateWindowExA(0, "STATIC", "holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      if (!owner || !OpenClipboard(owner)) return 1;
      SetEvent(hold->opened);
      Sleep(150);
      CloseClipboard();
      DestroyWindow(owner);
      return 0;
    }
    // Starts a holder thread and returns once it has the clipboard open.
    HANDLE start() {
      ResetEvent(opened);
      HANDLE thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
      EXPECT_EQ(WaitForSingleObject(opened, 5000), WAIT_OBJECT_0);
      return thread;
    }
  } hold;
  HANDLE thread = hold.start();
  const bool plainOpen = OpenClipboard(nullptr);  // what a single try meets: the holder has it
  if (plainOpen) CloseClipboard();
  EXPECT_FALSE(plainOpen);
  EXPECT_TRUE(nglCopyText("held"));
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  thread = hold.start();
  std::string text;
  EXPECT_TRUE(nglPasteText(text));
  EXPECT_EQ(text, "held");
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  CloseHandle(hold.opened);
}
