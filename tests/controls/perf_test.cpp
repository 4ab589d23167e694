// Timings of the kit's hot paths, printed for the record: masked button draws, a hit test over 300
// items, a full redraw of a 300-item window and a dispatch of 128 timers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/pictureButton.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace perftest {

namespace {
using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }
int g_timerFires;
void countFire(WinId, uint16_t, UiTimerRecord*) { ++g_timerFires; }
}  // namespace

TEST(ControlPerf, DrawsHitTestsAndTimers) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(30);
    openKitWindow(window, 30, 301, 600, 400);
    for (uint16_t id = 1; id <= 300; ++id) {
      int x = (id % 30) * 20, y = (id / 30) * 20;
      if (id <= 32)
        buttonPlace(30, id, x, y, 0, 2910, nullptr, 1, 0, 1, nullptr);
      else
        winAddRectItem(30, id, x, y, 18, 18, nullptr);
    }
    winShow(30, 1);
    WinSavedDC saved;
    winAcquireDrawContext(30, &saved);
    Clock::time_point t = Clock::now();
    for (int i = 0; i < 100; ++i) ctrlFind(30, 5)->k.draw(ctrlFind(30, 5));
    double masked = msSince(t);
    winReleaseDrawContext(30, &saved);

    WinSlot* slot = winSlot(30);
    CtrlPoint p = {static_cast<int16_t>(9 * 20 + 5), static_cast<int16_t>(0 * 20 + 5)};  // item 270
    uint16_t hit = 0;
    t = Clock::now();
    for (int i = 0; i < 1000; ++i) hit = portHitTest(&slot->ownPort, p);
    double hitUs = msSince(t);  // ms for 1000 = µs each
    EXPECT_EQ(hit, 270);

    t = Clock::now();
    RedrawWindow(window.nativeHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    double redraw = msSince(t);

    for (int i = 1; i <= 128; ++i) UiTimer::create(1, static_cast<int16_t>(i), countFire, 0.05, 1);
    g_timerFires = 0;
    t = Clock::now();
    for (int i = 0; i < 1000; ++i) {
      g_testTick += 50;
      UiTimer::dispatch();
    }
    double dispatchUs = msSince(t);
    EXPECT_EQ(g_timerFires, 128 * 1000);
    std::printf(
        "[perf] 100 masked button draws: %.2f ms; hit test over 300 items: %.2f us; "
        "redraw of 300 items: %.2f ms; dispatch of 128 timers: %.2f us per tick\n",
        masked, hitUs, redraw, dispatchUs);
    winCloseAll();
  });
}

}  // namespace perftest
