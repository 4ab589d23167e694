// Offscreen drawing: a buffer that takes a window's drawing until it is copied in one blit, and a
// highlight inverted over a saved background, checked on what the window shows (kept as PNG).
#include <gtest/gtest.h>

#include <cstring>

#include "controls/ctrlDraw.h"
#include "controls/offscreen.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace offscreentest {

namespace {
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF;
// A highlight is the dark-grey brush (64, 64, 64) combined with the background by XOR.
constexpr uint32_t kRedLit = kRed ^ 0x404040, kBlueLit = kBlue ^ 0x404040;
}  // namespace

TEST(ControlOffscreen, ABufferTakesTheDrawingUntilItIsCopied) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(27);
    openKitWindow(window, 27, 8, 60, 40);
    ASSERT_NE(pictureCreate(27, 1, 0, 0, 0, 0, 0, 2900, nullptr), nullptr);  // red 60 x 40
    winShow(27, 1);
    HWND hwnd = window.nativeHandle();
    UpdateWindow(hwnd);
    bitmapAcquire(2900);
    bitmapAcquire(2910);

    WinSavedDC saved;
    winAcquireDrawContext(27, &saved);
    HDC windowDC = winGetDC(27);
    ASSERT_NE(windowDC, nullptr);
    OffscreenBuffer buffer = {};
    CtrlRect area = {10, 10, 40, 30};
    HDC mem = offscreenCreate(27, &buffer, &area);
    ASSERT_NE(mem, nullptr);
    EXPECT_NE(mem, windowDC);
    EXPECT_EQ(winGetDC(27), mem) << "the window's drawing goes to the buffer";
    // Buffer coordinates: the panel part behind the area, then a blue square at the corner.
    bitmapDraw(27, 2900, -10, -10);
    bitmapDraw(27, 2910, 0, 0);
    CapturedWindow before, after;
    ASSERT_TRUE(captureShown(hwnd, before));
    EXPECT_EQ(before.at(15, 15), kRed) << "nothing reaches the window before the copy";
    EXPECT_EQ(offscreenBlit(&buffer), 1);
    ASSERT_TRUE(captureShown(hwnd, after, "controls_offscreen_buffer.png"));
    EXPECT_EQ(after.at(10, 10), kBlue);
    EXPECT_EQ(after.at(29, 29), kBlue);
    EXPECT_EQ(after.at(35, 15), kRed) << "the buffer's panel part";
    EXPECT_EQ(after.at(5, 5), kRed) << "outside the buffer";
    EXPECT_EQ(after.at(45, 35), kRed);
    offscreenFree(&buffer);
    EXPECT_EQ(winGetDC(27), windowDC) << "the window draws on its own context again";
    EXPECT_EQ(buffer.memDC, nullptr);
    EXPECT_EQ(buffer.windowId, 0);
    EXPECT_EQ(offscreenBlit(&buffer), 0) << "a freed buffer copies nothing";
    winReleaseDrawContext(27, &saved);

    // Outside painting the window has no context: nothing to draw into, nothing redirected.
    CtrlRect empty = {0, 0, 0, 0};
    EXPECT_EQ(offscreenCreate(27, &buffer, &area), nullptr);
    EXPECT_EQ(winSlot(27)->offscreenDC, nullptr);
    offscreenFree(&buffer);
    winAcquireDrawContext(27, &saved);
    EXPECT_EQ(offscreenCreate(27, &buffer, &empty), winGetDC(27)) << "an empty area is not redirected";
    EXPECT_EQ(winSlot(27)->offscreenDC, nullptr);
    winReleaseDrawContext(27, &saved);
    bitmapRelease(2900);
    bitmapRelease(2910);
    winCloseAll();
  });
}

TEST(ControlOffscreen, AHighlightIsWipedByTheNextAndByFlush) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(28);
    openKitWindow(window, 28, 8, 60, 40);
    ASSERT_NE(pictureCreate(28, 1, 0, 0, 0, 0, 0, 2900, nullptr), nullptr);              // red
    ASSERT_NE(buttonPlace(28, 2, 30, 10, 0, 2950, nullptr, 1, 0, 1, nullptr), nullptr);  // blue
    winShow(28, 1);
    HWND hwnd = window.nativeHandle();
    UpdateWindow(hwnd);

    OffscreenHighlight h;
    std::memset(&h, 0x5A, sizeof h);  // a record never used before
    offscreenInit(&h);
    EXPECT_EQ(h.magic, static_cast<uint32_t>(offscreenMagic));
    EXPECT_EQ(h.shown, 0);
    EXPECT_EQ(h.bitmap, nullptr);
    EXPECT_EQ(h.colour2.r, 255);
    CtrlRgb grey = {246, 246, 246};
    offscreenSetColors(&h, colorBlack(), &grey);
    offscreenInit(&h);  // once initialised, init keeps the record
    EXPECT_EQ(h.colour2.g, 246);

    // Called from a timer, outside painting, as the markers are.
    CtrlRect all = {0, 0, 60, 40}, first = {5, 5, 15, 15}, second = {35, 15, 45, 25}, spill = {50, 30, 80, 60};
    offscreenSetup(28, &h, 0, &all);
    ASSERT_NE(h.bitmap, nullptr);
    offscreenPrepare(28, &h, 0, &first);
    CapturedWindow cap;
    ASSERT_TRUE(captureShown(hwnd, cap));
    EXPECT_EQ(cap.at(10, 10), kRedLit);
    EXPECT_EQ(cap.at(15, 15), kRed) << "right and bottom edges are outside";
    EXPECT_EQ(h.shown, 1);

    offscreenPrepare(28, &h, 0, &second);
    ASSERT_TRUE(captureShown(hwnd, cap, "controls_offscreen_highlight.png"));
    EXPECT_EQ(cap.at(10, 10), kRed) << "the first highlight is wiped before the second";
    EXPECT_EQ(cap.at(40, 20), kBlueLit);
    EXPECT_EQ(cap.at(34, 20), kBlue) << "the button beside the highlight";

    // Reaching past the saved area: only the part inside it is drawn.
    offscreenPrepare(28, &h, 0, &spill);
    ASSERT_TRUE(captureShown(hwnd, cap));
    EXPECT_EQ(cap.at(40, 20), kBlue);
    EXPECT_EQ(cap.at(55, 35), kRedLit);
    EXPECT_EQ(cap.at(59, 39), kRedLit);

    offscreenFlush(&h, 0);
    ASSERT_TRUE(captureShown(hwnd, cap));
    EXPECT_EQ(cap.at(55, 35), kRed);
    EXPECT_EQ(h.shown, 0);
    EXPECT_EQ(h.bitmap, nullptr);
    EXPECT_EQ(h.memDC, nullptr);

    // After a flush the next highlight saves the same area again first.
    offscreenPrepare(28, &h, 0, &first);
    ASSERT_TRUE(captureShown(hwnd, cap));
    EXPECT_EQ(cap.at(10, 10), kRedLit);
    offscreenFlush(&h, 0);
    offscreenFlush(&h, 0);  // nothing shown: only the (absent) objects go
    ASSERT_TRUE(captureShown(hwnd, cap, "controls_offscreen_flushed.png"));
    for (int y = 0; y < 40; y += 3)
      for (int x = 0; x < 60; x += 3) {
        bool blue = x >= 30 && x < 50 && y >= 10 && y < 30;
        ASSERT_EQ(cap.at(x, y), blue ? kBlue : kRed) << x << "," << y;
      }
    winCloseAll();
  });
}

}  // namespace offscreentest
