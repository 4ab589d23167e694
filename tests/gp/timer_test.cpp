// High-resolution timers.
#include "GPThread.h"
#include "GPTimer.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Timer, TicksAreTheLowWordDifference) {
  struct Case {
    int64_t start, end;
    uint32_t ticks;
  };
  const Case cases[] = {
      {0, 5, 5},
      {7, 7, 0},
      {0xFFFFFFF0LL, 0x100000010LL, 0x20},  // across a wrap of the low word
      {0x3FFFFFFFFLL, 0x400000002LL, 3},
      {10, 4, 0xFFFFFFFAu},                 // modulo 2^32
      {0x1200000000LL, 0x3400000001LL, 1},  // high words do not count
  };
  for (const Case& c : cases) EXPECT_EQ(gpCounterTicks(c.start, c.end), c.ticks) << c.start << " " << c.end;
}

TEST(Timer, MillisecondsAtAFrequency) {
  struct Case {
    int64_t start, end;
    uint32_t frequency;
    int64_t millis;
  };
  const Case cases[] = {
      {100, 100, 10000000, 0},
      {100, 10000100, 10000000, 1000},
      {0, 5000000, 10000000, 500},
      {0, 3579545, 3579545, 1000},
      {0, 1, 3, 333},
      {5, 0, 1000, -5},
      {0, 1000, 0, 0},                                // no frequency: no division by zero
      {0, 36000000000000LL, 10000000, 3600000000LL},  // an hour and more in 64-bit arithmetic
  };
  for (const Case& c : cases)
    EXPECT_EQ(gpCounterMillisAt(c.start, c.end, c.frequency), c.millis) << c.start << " " << c.end;
}

TEST(Timer, MeasuresASleep) {
  HiResTimer timer;
  EXPECT_EQ(timer.startReading(), 0);
  EXPECT_EQ(timer.endReading(), 0);
  ASSERT_NE(gpCounterFrequency(), 0u);
  const int64_t start = timer.start();
  EXPECT_EQ(timer.startReading(), start);
  gpSleep(30);
  const int64_t end = timer.stop();
  EXPECT_EQ(timer.endReading(), end);
  EXPECT_GE(gpCounterMillis(start, end), 25);
  EXPECT_LT(gpCounterMillis(start, end), 5000);
  EXPECT_EQ(gpCounterMillis(start, start), 0);
  EXPECT_EQ(gpCounterMillis(start, start + gpCounterFrequency()), 1000);
  EXPECT_LE(end, gpReadCounter());
}

}  // namespace
