// Framework timers: the tick walk driven directly (cadences, order, removal during delivery, foreign
// handles, the tick) and one real run on the Win32 thread timer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uiaTestSupport.h"

namespace {

std::vector<std::string>* g_order = nullptr;

// Records the beats at which its events arrive; can remove timers while it handles one.
class TimerProbe : public EventListener {
 public:
  explicit TimerProbe(std::string name = "") : name(std::move(name)) {}
  bool handleEvent(int32_t code, void* data) override {
    if (code != UIA_EVENT_TIMER) return false;
    const UiaTimerEvent* event = static_cast<UiaTimerEvent*>(data);
    fired.push_back(beat);
    lastHandle = event->timer;
    lastPeriod = event->period;
    if (g_order) g_order->push_back(name);
    if (removeSelf) {
      removeTimer(handle);
      // Still listed while its own delivery runs.
      stillListedDuringDelivery = handle->removePending == 1;
    }
    if (removeOther) removeOther->removeTimer(removeOther->handle);
    return true;
  }
  std::string name;
  TimerEntry* handle = nullptr;
  TimerEntry* lastHandle = nullptr;
  int32_t lastPeriod = 0;
  int beat = 0;
  std::vector<int> fired;
  bool removeSelf = false;
  bool stillListedDuringDelivery = false;
  TimerProbe* removeOther = nullptr;
};

int listed(UiaApplication& application) {
  int n = 0;
  for (TimerEntry* e = application.firstTimer(); e; e = e->next) ++n;
  return n;
}

}  // namespace

TEST(UiaTimers, EachPeriodFiresEveryCeilPeriodOverTickBeats) {
  struct Case {
    int32_t period;
    int everyBeats;
  };
  // At a 40 ms tick. 50 (and the other periods just above a multiple of the tick) fire every
  // ceil(period / tick) beats instead of never.
  const Case cases[] = {{40, 1}, {20, 1}, {1, 1},   {60, 2}, {70, 2},  {80, 2},
                        {50, 2}, {41, 2}, {100, 3}, {81, 3}, {120, 3}, {200, 5}};
  runInApplication([&](RecordingApplication& application) {
    ASSERT_EQ(application.tick(), 40);
    std::vector<TimerProbe> probes(sizeof cases / sizeof cases[0]);
    for (size_t i = 0; i < probes.size(); ++i) probes[i].addTimer(&probes[i].handle, cases[i].period, 0);
    for (int beat = 1; beat <= 15; ++beat) {
      for (auto& p : probes) p.beat = beat;
      application.runTimers();
    }
    for (size_t i = 0; i < probes.size(); ++i) {
      std::vector<int> expected;
      for (int beat = cases[i].everyBeats; beat <= 15; beat += cases[i].everyBeats) expected.push_back(beat);
      EXPECT_EQ(probes[i].fired, expected) << "period " << cases[i].period;
      EXPECT_EQ(probes[i].lastHandle, probes[i].handle);
      EXPECT_EQ(probes[i].lastPeriod, cases[i].period);
    }
    for (auto& p : probes) p.removeTimer(p.handle);
  });
}

TEST(UiaTimers, HigherPriorityFirstThenInsertionOrder) {
  runInApplication([&](RecordingApplication& application) {
    std::vector<std::string> order;
    g_order = &order;
    TimerProbe low("low-10"), a("a0"), b("b0"), high("high5"), c("c0");
    low.addTimer(&low.handle, 40, -10);
    a.addTimer(&a.handle, 40, 0);
    high.addTimer(&high.handle, 40, 5);
    b.addTimer(&b.handle, 40, 0);
    c.addTimer(&c.handle, 40, 0);
    application.runTimers();
    EXPECT_EQ(order, (std::vector<std::string>{"high5", "a0", "b0", "c0", "low-10"}));
    // Added the other way round, the priority-0 listener still comes first.
    for (TimerProbe* p : {&low, &a, &b, &high, &c}) p->removeTimer(p->handle);
    order.clear();
    a.addTimer(&a.handle, 40, 0);
    low.addTimer(&low.handle, 40, -10);
    application.runTimers();
    EXPECT_EQ(order, (std::vector<std::string>{"a0", "low-10"}));
    a.removeTimer(a.handle);
    low.removeTimer(low.handle);
    g_order = nullptr;
  });
}

TEST(UiaTimers, SelfRemovalWaitsForTheDeliveryAndStopsFurtherEvents) {
  runInApplication([&](RecordingApplication& application) {
    TimerProbe self, other;
    self.addTimer(&self.handle, 40, 1);
    other.addTimer(&other.handle, 40, 0);
    self.removeSelf = true;
    application.runTimers();
    EXPECT_TRUE(self.stillListedDuringDelivery);
    EXPECT_EQ(listed(application), 1);
    EXPECT_EQ(application.firstTimer(), other.handle);
    EXPECT_EQ(other.fired.size(), 1u);
    application.runTimers();
    EXPECT_EQ(self.fired.size(), 1u);
    EXPECT_EQ(other.fired.size(), 2u);
    // Removing the last entry during its own event stops the Win32 timer once the walk is past it.
    other.removeSelf = true;
    application.runTimers();
    EXPECT_EQ(application.firstTimer(), nullptr);
    EXPECT_EQ(application.timerId(), 0u);
  });
}

TEST(UiaTimers, AListenerMayRemoveAnotherEntryDuringItsEvent) {
  runInApplication([&](RecordingApplication& application) {
    TimerProbe first, second;
    first.addTimer(&first.handle, 40, 1);
    second.addTimer(&second.handle, 40, 0);
    first.removeOther = &second;
    application.runTimers();
    EXPECT_EQ(first.fired.size(), 1u);
    EXPECT_TRUE(second.fired.empty());
    EXPECT_EQ(listed(application), 1);
    first.removeTimer(first.handle);
  });
}

TEST(UiaTimers, ForeignAndNullHandlesAreIgnored) {
  runInApplication([&](RecordingApplication& application) {
    TimerProbe owner, stranger;
    owner.addTimer(&owner.handle, 40, 0);
    stranger.removeTimer(owner.handle);
    stranger.removeTimer(nullptr);
    EXPECT_EQ(listed(application), 1);
    application.runTimers();
    EXPECT_EQ(owner.fired.size(), 1u);
    owner.removeTimer(owner.handle);
    EXPECT_EQ(listed(application), 0);
    // A handle that is no longer listed is not read.
    owner.removeTimer(owner.handle);
  });
}

TEST(UiaTimers, TickChangesOnlyWithoutTimersAndPeriodZeroTakesTheTickThen) {
  runInApplication([&](RecordingApplication& application) {
    TimerProbe probe;
    probe.addTimer(&probe.handle, 0, 0);
    ASSERT_NE(probe.handle, nullptr);
    EXPECT_EQ(probe.handle->period, 40);
    application.setTick(50);
    EXPECT_EQ(application.tick(), 40);
    probe.removeTimer(probe.handle);
    application.setTick(0);
    EXPECT_EQ(application.tick(), 40);
    application.setTick(50);
    EXPECT_EQ(application.tick(), 50);
    // The application's own 50 ms timer at its 50 ms tick fires at every beat.
    probe.addTimer(&probe.handle, 50, 0);
    for (int beat = 1; beat <= 3; ++beat) {
      probe.beat = beat;
      application.runTimers();
    }
    EXPECT_EQ(probe.fired, (std::vector<int>{1, 2, 3}));
    probe.removeTimer(probe.handle);
  });
}

TEST(UiaTimers, WithoutAnApplicationNothingIsRegistered) {
  TimerProbe probe;
  TimerEntry* handle = reinterpret_cast<TimerEntry*>(1);
  probe.addTimer(&handle, 40, 0);
  EXPECT_EQ(handle, nullptr);
}

TEST(UiaTimers, TheWin32TimerRunsFromTheFirstEntryToTheLast) {
  runInApplication([&](RecordingApplication& application) {
    application.setTick(10);
    EXPECT_EQ(application.timerId(), 0u);
    TimerProbe a, b;
    a.addTimer(&a.handle, 10, 0);
    const UINT_PTR id = application.timerId();
    EXPECT_NE(id, 0u);
    b.addTimer(&b.handle, 20, 0);
    EXPECT_EQ(application.timerId(), id);
    EXPECT_TRUE(pumpUntil([&] { return a.fired.size() >= 4 && b.fired.size() >= 2; }, 5000));
    a.removeTimer(a.handle);
    EXPECT_EQ(application.timerId(), id);
    b.removeTimer(b.handle);
    EXPECT_EQ(application.timerId(), 0u);
    // No more beats reach anyone.
    const size_t before = a.fired.size() + b.fired.size();
    pumpMessages(50);
    EXPECT_EQ(a.fired.size() + b.fired.size(), before);
  });
}
