// Oscillator records read from files: a stored grain count is held within 1..8.
#include <gtest/gtest.h>

#include <climits>

#include "preset/oscRecord.h"

TEST(OscSanitize, GrainCountIsClampedToOneToEight) {
  struct Case {
    std::int32_t stored, kept;
  };
  for (Case c :
       {Case{INT_MIN, 1}, Case{-3, 1}, Case{0, 1}, Case{1, 1}, Case{5, 5}, Case{8, 8}, Case{9, 8}, Case{INT_MAX, 8}}) {
    ChannelOscRecord r{};
    r.subRecord.count = c.stored;
    oscSanitizeRecord(&r);
    EXPECT_EQ(r.subRecord.count, c.kept) << c.stored;
  }
}
