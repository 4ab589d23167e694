// The allpass coefficient table (48 steps per octave above 20 Hz) and the "Allpass 2/4/8" phasers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/freqTable.h"
#include "filterTestSignals.h"
#include "modules/allpassPhaser.h"
#include "modules/allpassTable.h"
#include "modules/filterVoiceState.h"
#include "support/signal.h"

namespace {

FilterVoiceState freshLane(float index) {
  FilterVoiceState s;
  filterVoiceInit(&s, 0);
  filterResetVoiceState(&s);
  s.currentIndex = index;
  return s;
}

class AllpassTableTest : public ::testing::Test {
 protected:
  void TearDown() override { allpassTableInit(44100.0); }
};

}  // namespace

TEST_F(AllpassTableTest, EntriesAt44100) {
  allpassTableInit(44100.0);
  struct Row {
    int i;
    double value;
  };
  for (const Row& r : {Row{0, -0.99929}, Row{240, -0.97720}, Row{459, -0.40240}, Row{479, -0.12467}})
    EXPECT_NEAR(allpassTable[r.i], r.value, 1e-5) << r.i;
  // Entry 240 stands for 640 Hz: tan(640 x 0.5 x pi / 44100) - 1.
  EXPECT_NEAR(allpassTable[240], std::tan(640.0 * 0.5 * 3.14159265359 / 44100.0) - 1.0, 1e-6);
}

TEST_F(AllpassTableTest, RebuiltForTheRateAndAlwaysStable) {
  allpassTableInit(22050.0);
  EXPECT_NEAR(allpassTable[459], 0.86, 0.01);
  for (double rate : {8000.0, 11025.0, 22050.0, 44100.0, 96000.0, 192000.0}) {
    allpassTableInit(rate);
    for (int i = 0; i < allpassTableSize; ++i) ASSERT_LT(std::fabs(allpassTable[i]), 1.0f) << rate << " entry " << i;
  }
  allpassTableInit(0.0);
  EXPECT_EQ(allpassTable[100], 0.0f);
}

TEST(FilterAllpass, OutputGainFollowsTheFeedback) {
  EXPECT_DOUBLE_EQ(allpassPhaserGain(0.0), 0.5);
  EXPECT_NEAR(allpassPhaserGain(0.5), 0.49998, 1e-5);
  EXPECT_DOUBLE_EQ(allpassPhaserGain(1.0), 0.125);
  EXPECT_DOUBLE_EQ(allpassPhaserGain(-1.0), 0.125);
}

class PhaserStages : public ::testing::TestWithParam<int> {};

TEST_P(PhaserStages, FirstBlockAfterAResetRampsTheOutputFromZero) {
  allpassTableInit(44100.0);
  // Index 459 puts the stage pole at 0.4, so the chain settles on a constant input within a few samples.
  FilterVoiceState s = freshLane(459.0f);
  std::vector<float> x(256, 1.0f);
  filterTestRunBlocks(x, [&](float* p, int n) { allpassPhaserLane(GetParam(), &s, p, n, 459.0, 0.0); });
  EXPECT_EQ(x[0], 0.0f);
  for (int i = 64; i < 128; ++i) EXPECT_NEAR(x[i], i / 128.0, 2e-3) << i;
  // From the second block on, unity gain at 0 Hz: (x + x) x 0.5.
  for (int i = 128; i < 256; ++i) EXPECT_NEAR(x[i], 1.0, 1e-4) << i;
}

TEST_P(PhaserStages, NotchesTheSpectrum) {
  allpassTableInit(44100.0);
  const double index = 240.0;  // 640 Hz on the allpass scale
  double deepest = 0.0, deepestHz = 0.0;
  for (double hz = 100.0; hz < 16000.0; hz *= 1.02) {
    FilterVoiceState s = freshLane(static_cast<float>(index));
    std::vector<float> x = filterTestSine(hz, 8192, 0.5);
    filterTestRunBlocks(x, [&](float* p, int n) { allpassPhaserLane(GetParam(), &s, p, n, index, 0.0); });
    const double db = signalDb(signalToneAmplitude(x.data() + 4096, 4096, 44100.0, hz) / 0.5);
    if (db < deepest) {
      deepest = db;
      deepestHz = hz;
    }
  }
  EXPECT_LT(deepest, -20.0) << deepestHz;
}

TEST_P(PhaserStages, IndexIsLimitedTo0Through459) {
  allpassTableInit(44100.0);
  struct Case {
    float start;
    double target;
    float expected;
  };
  for (const Case& c : {Case{100.0f, 600.0, 459.0f}, Case{100.0f, -10.0, 0.0f}, Case{-1.0e30f, 200.0, 200.0f},
                        Case{std::nanf(""), std::nan(""), 0.0f}, Case{HUGE_VALF, HUGE_VAL, 459.0f}}) {
    FilterVoiceState s = freshLane(c.start);
    std::vector<float> x = filterTestSine(440.0, 128, 0.5);
    allpassPhaserLane(GetParam(), &s, x.data(), 128, c.target, 0.5);
    EXPECT_FLOAT_EQ(s.currentIndex, c.expected) << c.start << " " << c.target;
    EXPECT_TRUE(signalAllNormal(x.data(), x.size()));
  }
}

TEST_P(PhaserStages, FeedbackAtOrBeyondOneStaysFinite) {
  allpassTableInit(44100.0);
  for (double fb : {1.0, -1.0, 5.0, -64.0, 1.0e30, std::nan("")}) {
    FilterVoiceState s = freshLane(200.0f);
    std::vector<float> x = filterTestSquare(100, 44100 * 4, 1.0f);
    for (float& v : x) v += 0.5f;  // with a constant part, the worst case for positive feedback
    filterTestRunBlocks(x, [&](float* p, int n) { allpassPhaserLane(GetParam(), &s, p, n, 200.0, fb); });
    EXPECT_TRUE(signalAllNormal(x.data(), x.size())) << fb;
    EXPECT_LT(signalPeak(x.data(), x.size()), 1000.0) << fb;
  }
}

INSTANTIATE_TEST_SUITE_P(TwoFourEight, PhaserStages, ::testing::Values(2, 4, 8));
