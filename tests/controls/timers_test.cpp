// The UI timer service on the injected clock: 50 ms ticks turned by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"

namespace {

std::vector<int> g_fired;  // arguments in firing order

void recordFire(WinId, uint16_t argument, UiTimerRecord*) { g_fired.push_back(argument); }

UiTimerRecord* g_victim;
void removeVictim(WinId, uint16_t argument, UiTimerRecord*) {
  g_fired.push_back(argument);
  UiTimer::remove(g_victim);
}

void tick() {
  g_testTick += 50;
  UiTimer::dispatch();
}

int count(int argument) {
  int n = 0;
  for (int a : g_fired) n += a == argument;
  return n;
}

}  // namespace

TEST(ControlTimers, PeriodsAreRoundedUpToTheTick) {
  for (uint32_t start : {100000u, 0xFFFFFFFFu - 320u}) {  // the second run crosses the wrap
    SCOPED_TRACE(start);
    KitFixtureScope kit;
    g_testTick = start;
    UiTimer::create(1, 1, recordFire, 0.05, 1);
    UiTimer::create(1, 2, recordFire, 0.36, 3);  // 0.12 s
    g_fired.clear();
    std::vector<int> ticksOfTwo;
    for (int t = 1; t <= 12; ++t) {
      size_t before = g_fired.size();
      tick();
      for (size_t i = before; i < g_fired.size(); ++i)
        if (g_fired[i] == 2) ticksOfTwo.push_back(t);
    }
    EXPECT_EQ(count(1), 12);
    // Due at 0.12, 0.24, 0.36, 0.48 and 0.60 s: each on the first tick at or after it.
    EXPECT_EQ(ticksOfTwo, (std::vector<int>{3, 5, 8, 10, 12}));
  }
}

TEST(ControlTimers, TheTableHolds128AndTheRestGetTheSpare) {
  KitFixtureScope kit;
  for (int i = 1; i <= 128; ++i) ASSERT_NE(UiTimer::create(1, int16_t(i), recordFire, 0.05, 1), UiTimer::spare());
  UiTimerRecord* extra = UiTimer::create(1, 500, recordFire, 0.05, 1);
  EXPECT_EQ(extra, UiTimer::spare());
  EXPECT_EQ(UiTimer::activeCount(), 128);
  EXPECT_EQ(UiTimer::create(1, 0, recordFire, 0.05, 1), UiTimer::spare()) << "argument 0";
  g_fired.clear();
  tick();
  EXPECT_EQ(g_fired.size(), 128u);
  EXPECT_EQ(count(500), 0);
  UiTimer::remove(UiTimer::spare());  // harmless
  UiTimer::remove(nullptr);
  EXPECT_EQ(UiTimer::activeCount(), 128);
}

TEST(ControlTimers, RemovingATimerDuringDispatchSkipsNoOther) {
  KitFixtureScope kit;
  UiTimer::create(1, 1, removeVictim, 0.05, 1);
  g_victim = UiTimer::create(1, 2, recordFire, 0.05, 1);
  UiTimer::create(1, 3, recordFire, 0.05, 1);
  UiTimer::create(1, 4, recordFire, 0.05, 1);
  g_fired.clear();
  tick();
  EXPECT_EQ(g_fired, (std::vector<int>{1, 3, 4}));
  g_fired.clear();
  tick();
  EXPECT_EQ(g_fired, (std::vector<int>{1, 3, 4}));
}

namespace {
std::vector<int> g_order;
int16_t g_currentAtCapture;
void captureFirst(ControlItem*) {
  g_order.push_back(0);
  g_currentAtCapture = winGetCurrent();
}
void timerAfter(WinId, uint16_t, UiTimerRecord*) { g_order.push_back(1); }
}  // namespace

TEST(ControlTimers, TheCaptureCallbackRunsFirstWithItsWindowCurrent) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(7, 4, 0, nullptr), 1);
  ControlItem* item = winAddRectItem(7, 1, 0, 0, 5, 5, nullptr);
  ASSERT_EQ(winOpen(3, 4, 0, nullptr), 1);  // now window 3 is current
  UiTimer::create(3, 1, timerAfter, 0.05, 1);
  UiTimer::setCaptureCallback(captureFirst, item);
  g_order.clear();
  tick();
  EXPECT_EQ(g_order, (std::vector<int>{0, 1}));
  EXPECT_EQ(g_currentAtCapture, 7);
  UiTimer::clearCaptureCallback();
  g_order.clear();
  tick();
  EXPECT_EQ(g_order, (std::vector<int>{1}));
}

TEST(ControlTimers, NowSecondsFollowsTheInjectedTickCount) {
  KitFixtureScope kit;
  g_testTick = 0xFFFFFFFFu;
  EXPECT_DOUBLE_EQ(UiTimer::nowSeconds(), 4294967.295);
  g_testTick = 1500;
  EXPECT_DOUBLE_EQ(UiTimer::nowSeconds(), 1.5);
}

// Ticks as they come under a loaded message loop: 37 to 63 ms apart, 50 ms on average.
TEST(ControlTimers, JitteredTicksKeepTheRateFireOncePerTickAndAStallDoesNotCatchUp) {
  for (uint32_t start : {100000u, 0xFFFFFFFFu - 5000u}) {  // the second run crosses the wrap
    SCOPED_TRACE(start);
    KitFixtureScope kit;
    g_testTick = start;
    UiTimer::create(1, 1, recordFire, 0.05, 1);
    UiTimer::create(1, 2, recordFire, 0.36, 3);  // 0.12 s
    g_fired.clear();
    uint32_t seed = 12345;
    uint32_t elapsed = 0;
    int ticks = 0;
    while (elapsed < 10000) {
      seed = seed * 1103515245u + 12345u;
      const uint32_t x = (seed >> 16) % 14;  // 0..13
      for (uint32_t step : {50 - x, 50 + x}) {
        const size_t before = g_fired.size();
        g_testTick += step;
        elapsed += step;
        ++ticks;
        UiTimer::dispatch();
        int ones = 0;
        for (size_t i = before; i < g_fired.size(); ++i) ones += g_fired[i] == 1;
        ASSERT_LE(ones, 1) << "one firing per tick at most";
      }
    }
    const double perSecond = count(1) * 1000.0 / elapsed;
    std::printf("0.05 s timer on jittered ticks: %d firings in %u ms, %.2f per second (%d ticks)\n", count(1), elapsed,
                perSecond, ticks);
    EXPECT_GE(perSecond, 19.8);
    EXPECT_LE(perSecond, 20.05);
    EXPECT_NEAR(count(2) * 1000.0 / elapsed, 1 / 0.12, 0.1);
    // A one-second stall: each timer fires once, then keeps its period from there.
    g_fired.clear();
    g_testTick += 1000;
    UiTimer::dispatch();
    EXPECT_EQ(count(1), 1);
    EXPECT_EQ(count(2), 1);
    g_fired.clear();
    g_testTick += 49;
    UiTimer::dispatch();
    EXPECT_EQ(count(1), 0) << "due a whole period after the stall's firing";
    g_testTick += 1;
    UiTimer::dispatch();
    EXPECT_EQ(count(1), 1);
  }
}
