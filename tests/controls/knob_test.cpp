// Pads and faders: values and ranges, drags by posted mouse messages on real windows, the hidden
// cursor on every way a drag ends, and the drawing of level bars, bipolar fills and source offsets
// checked on captures (kept as PNG).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/knob.h"
#include "controls/list.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

namespace {

struct KnobCall {
  double x, y;
};
std::vector<KnobCall> g_calls;
void recordKnob(ControlItem*, double x, double y) { g_calls.push_back({x, y}); }

KnobData* knobData(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  return item ? static_cast<KnobData*>(item->k.kindData) : nullptr;
}

// The display count of ShowCursor without changing it: below 0 the cursor is hidden.
int cursorCount() {
  int c = ShowCursor(TRUE);
  ShowCursor(FALSE);
  return c - 1;
}

constexpr uint32_t kTrack = 0x000080, kHandle = 0xFFFF00, kFill = 0x00FF00, kPressed = 0xFF00FF;

}  // namespace

TEST(ControlKnobs, DefaultsValuesAndRangesTakeOnlySaneInput) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(17, 16, 0, nullptr), 1);
  // Smoothing A: 0.001 and 1.5 are refused, 1.0 taken; each knob copies it when created.
  knobSetDefaultParamA(0.001f);
  knobSetDefaultParamA(1.5f);
  ASSERT_NE(knobCreateItem(17, 1, 0, 0, knobHorizontal, 2710, 1, nullptr, 0.0f, 0.0f), nullptr);
  EXPECT_FLOAT_EQ(knobData(17, 1)->smoothing, 0.45f);
  knobSetDefaultParamA(1.0f);
  knobCreateItem(17, 2, 0, 20, knobHorizontal, 2710, 1, nullptr, 0.6f, 0.0f);
  EXPECT_FLOAT_EQ(knobData(17, 2)->smoothing, 1.0f);
  EXPECT_EQ(knobCreateItem(17, 2, 0, 0, 0, 2710, 1, nullptr, 0.0f, 0.0f), nullptr) << "taken id";
  EXPECT_EQ(knobCreateItem(33, 1, 0, 0, 0, 2710, 1, nullptr, 0.0f, 0.0f), nullptr) << "no such window";

  // Hostile values are clamped into the range; NaN takes the minimum.
  const double inf = std::numeric_limits<double>::infinity();
  struct {
    double in, out;
  } values[] = {{1.7, 1.0}, {std::nan(""), 0.0}, {inf, 1.0}, {-inf, 0.0}, {-5.0, 0.0}, {0.25, 0.25}};
  for (const auto& v : values) {
    knobSetValue(17, 1, v.in, v.in);
    EXPECT_EQ(knobGetX(17, 1), v.out) << v.in;
    const KnobData* d = knobData(17, 1);
    EXPECT_GE(d->handle.left, 0) << v.in;
    EXPECT_LE(d->handle.right, 200) << v.in;
  }

  // A narrower range clamps the value and moves the handle; a range upside down or NaN is ignored.
  EXPECT_EQ(knobGetX(17, 2), 0.6f);
  int32_t before = knobData(17, 2)->handle.left;
  knobSetRangeX(17, 2, 0.0, 0.25);
  EXPECT_EQ(knobGetX(17, 2), 0.25);
  EXPECT_LT(knobData(17, 2)->handle.left, before);
  EXPECT_EQ(knobData(17, 2)->handle.left, 5 + static_cast<int>(189 * 0.25 + 0.5) - 5);
  knobSetRangeX(17, 2, 0.8, 0.2);
  knobSetRangeX(17, 2, std::nan(""), 1.0);
  knobSetValue(17, 2, 0.9, 0.0);
  EXPECT_EQ(knobGetX(17, 2), 0.25) << "the range stayed 0 .. 0.25";

  // Other kinds and missing items read 0.
  listCreate(17, 3, 0, 40, 50, 40, 10, 4, 0, 0, nullptr);
  knobSetValue(17, 3, 0.5, 0.5);
  EXPECT_EQ(knobGetX(17, 3), 0.0);
  EXPECT_EQ(knobGetY(17, 3), 0.0);
  EXPECT_EQ(knobGetX(17, 9), 0.0);
  EXPECT_EQ(knobGetX(0, 1), 0.0);
}

TEST(ControlKnobs, FaderDragsFollowTheMouse) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(18);
    openKitWindow(window, 18, 16, 400, 120);
    winShow(18, 1);
    HWND hwnd = window.nativeHandle();

    // Travel scale 1.5 on a 200-pixel fader: 300 pixels cover the range (smoothing off).
    knobSetDefaultParamB(1.5f);
    knobSetDefaultParamA(1.0f);
    knobCreateItem(18, 1, 10, 10, knobHorizontal, 2710, 1, recordKnob, 0.0f, 0.0f);
    postPress(hwnd, 20, 15);
    postMove(hwnd, 170, 15, true);
    EXPECT_DOUBLE_EQ(knobGetX(18, 1), 0.5);
    EXPECT_EQ(knobGetY(18, 1), 0.5) << "a fader holds y at 0.5";
    postMove(hwnd, 320, 15, true);
    EXPECT_DOUBLE_EQ(knobGetX(18, 1), 1.0);
    postMove(hwnd, 390, 15, true);
    EXPECT_DOUBLE_EQ(knobGetX(18, 1), 1.0);
    postRelease(hwnd, 390, 15);

    // Smoothing 0.45: each event goes 45 % of the way until within 0.01 units per pixel.
    knobSetDefaultParamA(0.45f);
    knobCreateItem(18, 2, 10, 40, knobHorizontal, 2710, 1, recordKnob, 0.0f, 0.0f);
    g_calls.clear();
    postPress(hwnd, 20, 45);
    for (int i = 0; i < 25; ++i) postMove(hwnd, 170, 45, true);
    postRelease(hwnd, 170, 45);
    const double s = static_cast<double>(0.45f), snap = 0.01 / 300.0;
    std::vector<double> expected;
    for (double x = 0.0; x != 0.5;) {
      x = std::fabs(0.5 - x) >= snap ? x + (0.5 - x) * s : 0.5;
      expected.push_back(x);
    }
    ASSERT_EQ(g_calls.size(), expected.size() + 2) << "press, the moves until the target, release";
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(g_calls[i + 1].x, expected[i], 1e-12) << i;
    EXPECT_LT(expected.size(), 25u) << "events at the target once reached change nothing";
    EXPECT_EQ(g_calls.back().x, 0.5) << "snapped onto the target";

    // Flag 0x80 jumps to the clicked point first; flag 1 springs back to 0.5 on release.
    knobSetDefaultParamB(1.0f);
    knobCreateItem(18, 3, 10, 70, knobHorizontal | knobJumpToClick | knobSpringBack, 2710, 1, recordKnob, 0.1f, 0.0f);
    g_calls.clear();
    postPress(hwnd, 160, 75);
    ASSERT_FALSE(g_calls.empty());
    EXPECT_DOUBLE_EQ(g_calls[0].x, 0.75);
    postRelease(hwnd, 160, 75);
    EXPECT_EQ(knobGetX(18, 3), 0.5);

    // Flag 0x800: a press with Alt, or a double click, only reports the current values.
    knobCreateItem(18, 4, 10, 95, knobHorizontal | knobReportOnly, 2710, 1, recordKnob, 0.3f, 0.0f);
    BYTE keys[256], alt[256];
    GetKeyboardState(keys);
    std::copy(keys, keys + 256, alt);
    alt[VK_MENU] = 0x80;
    SetKeyboardState(alt);
    g_calls.clear();
    postPress(hwnd, 20, 100);
    postMove(hwnd, 150, 100, true);
    postRelease(hwnd, 150, 100);
    SetKeyboardState(keys);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_FLOAT_EQ(static_cast<float>(g_calls[0].x), 0.3f);
    EXPECT_FLOAT_EQ(static_cast<float>(knobGetX(18, 4)), 0.3f);
    g_testTick += 1000;
    postPress(hwnd, 20, 100);
    postRelease(hwnd, 20, 100);
    g_testTick += 100;  // the second press within 250 ms: a double click
    g_calls.clear();
    postPress(hwnd, 20, 100);
    postMove(hwnd, 150, 100, true);
    postRelease(hwnd, 150, 100);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_FLOAT_EQ(static_cast<float>(knobGetX(18, 4)), 0.3f);
    winCloseAll();
  });
}

TEST(ControlKnobs, ThePadFollowsBothAxesAndADragReleasedOutsideEnds) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(19);
    openKitWindow(window, 19, 8, 120, 80);
    winShow(19, 1);
    HWND hwnd = window.nativeHandle();
    knobSetDefaultParamA(1.0f);
    // Pad 60 x 40 with a 10 x 10 handle: travel 49 x 29 pixels.
    knobCreateItem(19, 1, 10, 10, 0, 2700, 1, recordKnob, 0.0f, 0.0f);
    postPress(hwnd, 30, 30);
    postMove(hwnd, 30 + 49, 30 - 49, true);  // one travel width right and up
    EXPECT_DOUBLE_EQ(knobGetX(19, 1), 1.0);
    EXPECT_DOUBLE_EQ(knobGetY(19, 1), 1.0);
    postMove(hwnd, -40, 300, true);  // far outside the window, below and left
    EXPECT_EQ(knobGetX(19, 1), 0.0);
    EXPECT_EQ(knobGetY(19, 1), 0.0);
    g_calls.clear();
    postRelease(hwnd, -40, 300);
    EXPECT_EQ(g_calls.size(), 1u) << "the release outside still ends the drag";
    postMove(hwnd, 60, 20, false);
    EXPECT_EQ(knobGetX(19, 1), 0.0) << "a move after the release changes nothing";
    const KnobData* d = knobData(19, 1);
    EXPECT_EQ(d->handle.left, 10);
    EXPECT_EQ(d->handle.bottom, 48) << "y = 0 puts the handle at the bottom of the travel";
    winCloseAll();
  });
}

TEST(ControlKnobs, TheHiddenCursorComesBackHoweverTheDragEnds) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    const char* ways[] = {"release", "close", "deactivate"};
    for (const char* way : ways) {
      SCOPED_TRACE(way);
      KitWindow window(20);
      openKitWindow(window, 20, 8, 240, 40);
      winShow(20, 1);
      HWND hwnd = window.nativeHandle();
      knobCreateItem(20, 1, 10, 10, knobHorizontal | knobHideCursor | knobPressedHandle, 2710, 1, nullptr, 0.0f, 0.0f);
      ASSERT_GE(cursorCount(), 0);
      postPress(hwnd, 20, 15);
      postMove(hwnd, 60, 15, true);
      EXPECT_LT(cursorCount(), 0) << "hidden while dragging";
      EXPECT_EQ(knobData(20, 1)->pressed, 1);
      if (way[0] == 'r') {
        postRelease(hwnd, 60, 15);
        EXPECT_EQ(knobData(20, 1)->pressed, 0);
      } else if (way[0] == 'c') {
        winCloseById(20);
      } else {
        window.passActivation = true;
        SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
        EXPECT_EQ(UiTimer::captureObject(), nullptr);
      }
      EXPECT_GE(cursorCount(), 0);
      g_testTick += 100;
      UiTimer::dispatch();
      winCloseAll();
      window.destroy();
    }
  });
}

TEST(ControlKnobs, LevelBarsBipolarFillsAndSourceOffsetsDraw) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(21);
    openKitWindow(window, 21, 8, 220, 130);
    knobCreateItem(21, 1, 10, 5, knobHorizontal | knobLevelBar, 2710, 1, nullptr, 0.5f, 0.0f);
    knobCreateItem(21, 2, 10, 20, knobHorizontal | knobBipolar, 2710, 1, nullptr, 0.8f, 0.0f);
    knobCreateItem(21, 3, 10, 35, knobHorizontal | knobBipolar, 2710, 1, nullptr, 0.2f, 0.0f);
    knobCreateItem(21, 4, 10, 50, knobHorizontal | knobLevelBar, 2710, 1, nullptr, 1.7f, 0.0f);
    knobCreate(21, 5, 10, 70, 30, 20, 20, 10, 0, 2700, 1, nullptr, 0.0f, 1.0f);
    knobCreateItem(21, 6, 80, 70, 0, 2700, 1, nullptr, 0.5f, 0.5f);
    winShow(21, 1);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(window.nativeHandle(), "controls_faders.png", &cap).empty());
    // Level bar at 0.5: the fill runs from the left up to the handle, the track after it.
    const KnobData* d = knobData(21, 1);
    EXPECT_EQ(cap.at(10, 9), kFill);
    EXPECT_EQ(cap.at(d->handle.left - 1, 9), kFill);
    EXPECT_EQ(cap.at(d->handle.left, 9), kHandle);
    EXPECT_EQ(cap.at(d->handle.right, 9), kTrack);
    EXPECT_EQ(cap.at(209, 9), kTrack);
    // Bipolar: from the centre (pixel 110) to the handle, on either side.
    d = knobData(21, 2);
    EXPECT_EQ(cap.at(108, 24), kTrack);
    EXPECT_EQ(cap.at(110, 24), kFill);
    EXPECT_EQ(cap.at(d->handle.left - 1, 24), kFill);
    EXPECT_EQ(cap.at(d->handle.right, 24), kTrack);
    d = knobData(21, 3);
    EXPECT_EQ(cap.at(d->handle.left - 1, 39), kTrack);
    EXPECT_EQ(cap.at(d->handle.right, 39), kFill);
    EXPECT_EQ(cap.at(109, 39), kFill);
    EXPECT_EQ(cap.at(111, 39), kTrack);
    // x = 1.7 stores 1.0: the handle ends at the right end of the travel, all fill before it.
    EXPECT_EQ(knobGetX(21, 4), 1.0);
    EXPECT_EQ(cap.at(208, 54), kHandle);
    EXPECT_EQ(cap.at(198, 54), kFill);
    // The pad made by knobCreate draws its background from the offset (20, 10) of the picture
    // (pixel (x, y) of it is (4x, 4y, 100)); its handle sits top-left for (0, 1).
    EXPECT_EQ(cap.at(25, 88), static_cast<uint32_t>((4 * 35) << 16 | (4 * 28) << 8 | 100));
    EXPECT_EQ(cap.at(12, 72), 0xFF0000u);
    EXPECT_EQ(cap.at(80, 70), static_cast<uint32_t>(100)) << "a plain pad starts at the picture's corner";
    winCloseAll();
  });
}

TEST(ControlKnobs, TheSkinFadersLookRight) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(22);
    openKitWindow(window, 22, 8, 180, 60);
    // The Effect page's level fader (flags 0x24A) and the Record window's gain fader.
    knobCreateItem(22, 1, 10, 8, 0x24A, 1024, 1, nullptr, 0.6f, 0.0f);
    knobCreateItem(22, 2, 10, 34, 0x24A, 2108, 1, nullptr, 0.3f, 0.0f);
    winShow(22, 1);
    HWND hwnd = window.nativeHandle();
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_skin_faders.png", &cap).empty());
    const KnobData* d = knobData(22, 1);
    EXPECT_EQ(d->handle.bottom - d->handle.top, 16);
    EXPECT_NE(cap.at(d->handle.left - 4, 16), cap.at(d->handle.right + 4, 16)) << "the level bar";
    winCloseAll();
  });
}
