// Timings of the display, number box, meter and entry paths, printed for the record: a number box's
// value redraw, the three main-window meters (15 bars) fed once as on a page-update tick, and an
// in-place entry opened and closed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "controls/levelMeter.h"
#include "controls/numbox.h"
#include "controls/winSlots.h"
#include "entryTestSupport.h"
#include "uiaTestSupport.h"

namespace {
using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }
}  // namespace

TEST(ControlKindsPerf, NumberBoxMetersAndEntry) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(32);
    openKitWindow(window, 32, 40, 640, 80);
    numboxCreate(32, 1, 60, 20, 56, 3, 3, 0.5, 0, 1, nullptr, nullptr, "Depth");
    LevelMeter::create(32, 25, 505, 12, 1744);
    LevelMeter::create(32, 26, 520, 12, 1744);
    LevelMeter::setBarCount(32, 26, 6);
    LevelMeter::create(32, 27, 547, 12, 1744);
    LevelMeter::setBarCount(32, 27, 8);
    winShow(32, 1);
    HWND hwnd = window.nativeHandle();
    drainMessages();

    NumboxData* d = numboxFind(32, 1);
    const int redraws = 2000;
    Clock::time_point t = Clock::now();
    for (int i = 0; i < redraws; ++i) {
      d->value = (i % 100) * 0.01;
      numboxRedraw(d);
    }
    const double redrawUs = msSince(t) * 1000.0 / redraws;

    float levels[8];
    const int ticks = 500;
    t = Clock::now();
    for (int i = 0; i < ticks; ++i) {
      for (int k = 0; k < 8; ++k) levels[k] = ((i * 7 + k * 13) % 100) * 0.01f;
      LevelMeter::setLevels(32, 25, levels, 1, 1);
      LevelMeter::setLevels(32, 26, levels, 6, 1);
      LevelMeter::setLevels(32, 27, levels, 8, 1);
    }
    const double meterUs = msSince(t) * 1000.0 / ticks;

    const int entries = 50;
    t = Clock::now();
    for (int i = 0; i < entries; ++i) {
      postClick(hwnd, 80, 26);
      ASSERT_NE(editBoxWindow(), nullptr);
      editBoxEnd();
    }
    const double entryMs = msSince(t) / entries;
    std::printf("number box value redraw: %.1f us\n", redrawUs);
    std::printf("15-bar meter update per tick (3 meters): %.1f us\n", meterUs);
    std::printf("in-place entry opened and closed: %.2f ms\n", entryMs);
    EXPECT_LT(redrawUs, 5000.0);
    EXPECT_LT(meterUs, 20000.0);
    EXPECT_LT(entryMs, 200.0);
    winCloseAll();
  });
}
