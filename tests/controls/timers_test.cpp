// The UI timer service on the injected clock: 50 ms ticks turned by hand.
#include <gtest/gtest.h>

#include <vector>

#include "kitTestSupport.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"

namespace {

std::vector<int> g_fired;   // arguments in firing order

void recordFire(uint16_t, uint16_t argument, UiTimerRecord*) { g_fired.push_back(argument); }

UiTimerRecord* g_victim;
void removeVictim(uint16_t, uint16_t argument, UiTimerRecord*) {
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
    for (uint32_t start : {100000u, 0xFFFFFFFFu - 320u}) {   // the second run crosses the wrap
        SCOPED_TRACE(start);
        KitFixtureScope kit;
        g_testTick = start;
        UiTimer::create(1, 1, recordFire, 0.05, 1);
        UiTimer::create(1, 2, recordFire, 0.36, 3);   // 0.12 s
        g_fired.clear();
        std::vector<int> ticksOfTwo;
        for (int t = 1; t <= 12; ++t) {
            size_t before = g_fired.size();
            tick();
            for (size_t i = before; i < g_fired.size(); ++i)
                if (g_fired[i] == 2) ticksOfTwo.push_back(t);
        }
        EXPECT_EQ(count(1), 12);
        EXPECT_EQ(ticksOfTwo, (std::vector<int>{3, 6, 9, 12}));
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
    UiTimer::remove(UiTimer::spare());   // harmless
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
void timerAfter(uint16_t, uint16_t, UiTimerRecord*) { g_order.push_back(1); }
}  // namespace

TEST(ControlTimers, TheCaptureCallbackRunsFirstWithItsWindowCurrent) {
    KitFixtureScope kit;
    ASSERT_EQ(winOpen(7, 4, 0, nullptr), 1);
    ControlItem* item = winAddRectItem(7, 1, 0, 0, 5, 5, nullptr);
    ASSERT_EQ(winOpen(3, 4, 0, nullptr), 1);   // now window 3 is current
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
