// Scrollbars on the injected clock: the auto-repeat of held arrows, leaving and re-entering a held
// part, steps and their rescaling, thumb drags (and a thumb that fills its track), drawing only
// while the button is down, and a window closed while an arrow is held.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/scrollbar.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace scrollbartest {

namespace {

struct BarCall {
  int part;
  double position;
};
std::vector<BarCall> g_bar;
void recordBar(ControlItem*, int16_t part, double position) { g_bar.push_back({part, position}); }

int g_draws;
CtrlDrawFn g_realDraw;
void countingDraw(ControlItem* item) {
  ++g_draws;
  g_realDraw(item);
}

ScrollbarData* barData(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  return item ? static_cast<ScrollbarData*>(item->k.kindData) : nullptr;
}

// Turns the clock by ms and runs the UI timers once, as the 50 ms framework tick does.
void tick(uint32_t ms) {
  g_testTick += ms;
  UiTimer::dispatch();
}

}  // namespace

// Vertical test bar at (10, 10), 100 long: arrows 12 x 12 at y 86..97 (back) and 98..110 (forward),
// thumb 12 x 16, track L = 76, so the thumb spans 60 pixels.
TEST(ControlScrollbars, AHeldArrowRepeatsOnTheTimerClock) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(27);
    openKitWindow(window, 27, 8, 120, 130);
    winShow(27, 1);
    HWND hwnd = window.nativeHandle();
    ASSERT_NE(scrollbarCreate(27, 1, 10, 10, 100, scrollVerticalDrag, 2730, 1, recordBar, 0.0), nullptr);
    scrollbarSetSteps(27, 1, 0.1, 3.0);
    ScrollbarData* d = barData(27, 1);
    g_bar.clear();
    postPress(hwnd, 15, 104);  // the forward arrow
    ASSERT_EQ(g_bar.size(), 1u) << "the first step comes with the press";
    EXPECT_EQ(g_bar[0].part, partForwardArrow);
    EXPECT_DOUBLE_EQ(d->position, 0.1);
    EXPECT_EQ(d->pressedPart, partForwardArrow);
    tick(150);
    EXPECT_DOUBLE_EQ(d->position, 0.1) << "not before the first delay";
    tick(50);
    EXPECT_DOUBLE_EQ(d->position, 0.2) << "after 0.2 s";
    tick(25);
    EXPECT_DOUBLE_EQ(d->position, 0.2);
    tick(25);
    EXPECT_DOUBLE_EQ(d->position, 0.3) << "then every 0.05 s";
    for (int i = 0; i < 10; ++i) tick(50);
    EXPECT_EQ(d->position, 1.0) << "stops at the end";
    size_t calls = g_bar.size();
    tick(50);
    EXPECT_EQ(g_bar.size(), calls + 1) << "the callbacks go on";
    EXPECT_EQ(g_bar.back().position, 1.0);

    // Off the arrow: no steps, shown unpressed; back on it: stepping again.
    postMove(hwnd, 60, 104, true);
    tick(50);
    EXPECT_EQ(d->pressedPart, partNone);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_bar_arrow_left.png", &cap).empty());
    EXPECT_EQ(cap.at(15, 104), 0xC80000u) << "the forward arrow drawn unpressed";
    postRelease(hwnd, 60, 104);
    postPress(hwnd, 15, 92);  // the back arrow
    EXPECT_NEAR(d->position, 0.9, 1e-12);
    postMove(hwnd, 60, 92, true);
    tick(250);
    EXPECT_NEAR(d->position, 0.9, 1e-12);
    postMove(hwnd, 15, 92, true);
    tick(50);
    EXPECT_EQ(d->pressedPart, partBackArrow);
    EXPECT_NEAR(d->position, 0.8, 1e-12);
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_bar_arrow_held.png", &cap).empty());
    EXPECT_EQ(cap.at(15, 92), 0x006400u) << "the back arrow drawn pressed";
    postRelease(hwnd, 15, 92);
    EXPECT_EQ(d->pressedPart, partNone);
    size_t after = g_bar.size();
    tick(500);
    EXPECT_EQ(g_bar.size(), after) << "nothing repeats after the release";

    // A page step back: the track before the thumb (at 0.8 the thumb starts at y 10 + 48).
    postClick(hwnd, 15, 30);
    EXPECT_NEAR(d->position, 0.5, 1e-12);
    winCloseAll();
  });
}

TEST(ControlScrollbars, StepsPositionsAndDrawing) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(28);
    openKitWindow(window, 28, 8, 200, 130);
    winShow(28, 1);
    HWND hwnd = window.nativeHandle();
    ControlItem* bar = scrollbarCreate(28, 1, 10, 10, 100, scrollVerticalDrag, 2730, 1, recordBar, 0.5);
    ScrollbarData* d = barData(28, 1);
    // lineStep 0.1 -> 0.05 halves the position (five steps from the start either way).
    scrollbarSetSteps(28, 1, 0.1, 1.0);
    EXPECT_EQ(d->position, 1.0) << "0.5 from the default lineStep 0.01 is 50 steps: the end";
    scrollbarSetPosition(28, 1, 0.5);
    scrollbarSetSteps(28, 1, 0.05, 1.0);
    EXPECT_DOUBLE_EQ(d->position, 0.25);
    // lineStep 1.0: inactive, position 0, drawn as the whole-bar bitmap and not pressable.
    scrollbarSetSteps(28, 1, 1.0, 1.0);
    EXPECT_EQ(d->position, 0.0);
    EXPECT_EQ(bar->drawable, 0);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_bar_inactive.png", &cap).empty());
    EXPECT_EQ(cap.at(15, 104), 0x808080u);
    EXPECT_EQ(cap.at(15, 12), 0x808080u);
    g_bar.clear();
    postClick(hwnd, 15, 104);
    EXPECT_TRUE(g_bar.empty());
    // Hostile steps are clamped: 0 and -0.5 to 0.0001, 2 and NaN to 1.0.
    struct {
      double in, out;
    } steps[] = {{0.0, 0.0001}, {-0.5, 0.0001}, {2.0, 1.0}, {std::nan(""), 1.0}};
    for (const auto& s : steps) {
      scrollbarSetSteps(28, 1, s.in, 1.0);
      EXPECT_EQ(d->lineStep, s.out) << s.in;
      EXPECT_EQ(bar->drawable, s.out < 0.999 ? 1 : 0) << s.in;
    }
    scrollbarSetSteps(28, 1, 0.1, std::nan(""));
    EXPECT_EQ(d->pageStep, 0.0);
    for (double bad : {std::nan(""), -3.0, 7.0}) {
      scrollbarSetPosition(28, 1, bad);
      EXPECT_GE(d->position, 0.0);
      EXPECT_LE(d->position, 1.0);
    }

    // From code with no button down the bar waits for the next paint.
    g_realDraw = bar->k.draw;
    bar->k.draw = countingDraw;
    g_draws = 0;
    scrollbarSetPosition(28, 1, 0.3);
    EXPECT_EQ(g_draws, 0);
    postPress(hwnd, 150, 100);  // a press elsewhere in the window: the button is down
    g_draws = 0;
    scrollbarSetPosition(28, 1, 0.4);
    EXPECT_EQ(g_draws, 1);
    postRelease(hwnd, 150, 100);
    bar->k.draw = g_realDraw;

    // A vertical bar made with flags 0 scrolls by arrows and track, but its thumb stays.
    scrollbarCreate(28, 2, 60, 10, 100, 0, 2730, 1, recordBar, 0.0);
    scrollbarSetSteps(28, 2, 0.1, 2.0);
    ScrollbarData* e = barData(28, 2);
    postClick(hwnd, 65, 104);
    EXPECT_DOUBLE_EQ(e->position, 0.1);
    postClick(hwnd, 65, 80);  // the track after the thumb: a page
    EXPECT_DOUBLE_EQ(e->position, 0.3);
    g_bar.clear();
    postPress(hwnd, 65, 10 + 18 + 4);  // on the thumb (offset 18)
    postMove(hwnd, 65, 70, true);
    postRelease(hwnd, 65, 70);
    EXPECT_DOUBLE_EQ(e->position, 0.3);
    EXPECT_TRUE(g_bar.empty());

    // A horizontal bar drags its thumb along x.
    scrollbarCreate(28, 3, 10, 115, 140, scrollHorizontal, 2740, 1, recordBar, 0.0);
    scrollbarSetSteps(28, 3, 0.1, 2.0);
    ScrollbarData* h = barData(28, 3);
    // L = 140 - 24 = 116, T = 16: 100 pixels span it.
    postPress(hwnd, 15, 120);
    postMove(hwnd, 65, 120, true);
    EXPECT_DOUBLE_EQ(h->position, 0.5);
    postMove(hwnd, 65, 20, true);  // only x counts
    EXPECT_DOUBLE_EQ(h->position, 0.5);
    postRelease(hwnd, 65, 20);
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_bars.png", &cap).empty());
    EXPECT_EQ(cap.at(10 + 50 + 8, 120), 0xFFFFFFu) << "horizontal thumb at 0.5";
    EXPECT_EQ(cap.at(10 + 140 - 6, 120), 0xC80000u) << "forward arrow at the far end";
    EXPECT_EQ(cap.at(10 + 140 - 18, 120), 0x00C800u) << "back arrow before it";
    winCloseAll();
  });
}

TEST(ControlScrollbars, AThumbThatFillsItsTrackStaysPut) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(29);
    openKitWindow(window, 29, 8, 80, 80);
    winShow(29, 1);
    HWND hwnd = window.nativeHandle();
    for (int length : {40, 30}) {  // L = T and L < T
      SCOPED_TRACE(length);
      uint16_t id = static_cast<uint16_t>(length / 10);
      scrollbarCreate(29, id, 10 + id * 15, 10, length, scrollVerticalDrag, 2730, 1, recordBar, 0.0);
      scrollbarSetSteps(29, id, 0.1, 1.0);
      g_bar.clear();
      postPress(hwnd, 15 + id * 15, 12);
      postMove(hwnd, 15 + id * 15, 60, true);
      postRelease(hwnd, 15 + id * 15, 60);
      ScrollbarData* d = barData(29, id);
      EXPECT_EQ(d->position, 0.0);
      EXPECT_TRUE(std::isfinite(d->position));
    }
    winCloseAll();
  });
}

TEST(ControlScrollbars, ClosingOrLeavingTheWindowWhileAnArrowIsHeldLetsGo) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(30);
    window.passActivation = false;
    openKitWindow(window, 30, 8, 80, 130);
    winShow(30, 1);
    HWND hwnd = window.nativeHandle();
    scrollbarCreate(30, 1, 10, 10, 100, scrollVerticalDrag, 2730, 1, recordBar, 0.0);
    scrollbarSetSteps(30, 1, 0.1, 1.0);
    postPress(hwnd, 15, 104);
    EXPECT_NE(UiTimer::captureObject(), nullptr);
    winCloseById(30);
    EXPECT_EQ(UiTimer::captureObject(), nullptr);
    g_bar.clear();
    tick(300);
    EXPECT_TRUE(g_bar.empty());
    postRelease(hwnd, 15, 104);  // the release reaches a window without a slot
    // The slot is free again and a new bar there works.
    KitWindow again(30);
    openKitWindow(again, 30, 8, 80, 130);
    winShow(30, 1);
    scrollbarCreate(30, 1, 10, 10, 100, scrollVerticalDrag, 2730, 1, recordBar, 0.0);
    scrollbarSetSteps(30, 1, 0.1, 1.0);
    postClick(again.nativeHandle(), 15, 104);
    EXPECT_DOUBLE_EQ(barData(30, 1)->position, 0.1);

    // Losing activation while an arrow is held stops the repeat and shows the arrow unpressed.
    postPress(again.nativeHandle(), 15, 104);
    EXPECT_DOUBLE_EQ(barData(30, 1)->position, 0.2);
    again.passActivation = true;
    SendMessageA(again.nativeHandle(), WM_ACTIVATE, WA_INACTIVE, 0);
    again.passActivation = false;
    EXPECT_EQ(UiTimer::captureObject(), nullptr);
    EXPECT_EQ(barData(30, 1)->pressedPart, partNone);
    tick(300);
    EXPECT_DOUBLE_EQ(barData(30, 1)->position, 0.2);
    postRelease(again.nativeHandle(), 15, 104);
    winCloseAll();
  });
}

}  // namespace scrollbartest
