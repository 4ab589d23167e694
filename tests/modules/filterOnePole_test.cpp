// First-order filters "LPF -6dB" and "HPF -6dB" and their coefficient tables.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "filterTestSignals.h"
#include "modules/filterVoiceState.h"
#include "modules/onePole.h"
#include "modules/onePoleTables.h"
#include "modules/pitchIndex.h"
#include "support/signal.h"

namespace {

FilterVoiceState onePoleLane(float index) {
  FilterVoiceState s;
  filterVoiceInit(&s, 0);
  s.currentIndex = index;
  return s;
}

}  // namespace

TEST(FilterOnePoleTables, ValuesAtTheDocumentedIndices) {
  struct Row {
    int i;
    double low, feedback, high;
  };
  for (const Row& r : {Row{0, 0.00071213, 0.99928790, 0.99964392}, Row{346, 0.24886, 0.75114, 0.87557},
                       Row{480, 0.94595, 0.054047, 0.52702}}) {
    EXPECT_NEAR(onePoleLowTable[r.i], r.low, 1e-5) << r.i;
    EXPECT_NEAR(onePoleFeedbackTable[r.i], r.feedback, 1e-5) << r.i;
    EXPECT_NEAR(onePoleHighTable[r.i], r.high, 1e-5) << r.i;
  }
  for (int i = 0; i <= onePoleLastIndex; ++i) ASSERT_NEAR(onePoleLowTable[i] + onePoleFeedbackTable[i], 1.0, 1e-6) << i;
  for (int i = onePoleLastIndex + 1; i < onePoleTableSize; ++i) {
    EXPECT_EQ(onePoleLowTable[i], 0.0f);
    EXPECT_EQ(onePoleFeedbackTable[i], 0.0f);
    EXPECT_EQ(onePoleHighTable[i], 0.0f);
  }
}

TEST(FilterOnePoleTables, LerpClampsBeforeReading) {
  EXPECT_DOUBLE_EQ(onePoleLerp(onePoleLowTable, -5.0), onePoleLowTable[0]);
  EXPECT_DOUBLE_EQ(onePoleLerp(onePoleLowTable, 9999.0), onePoleLowTable[480]);
  EXPECT_DOUBLE_EQ(onePoleLerp(onePoleLowTable, std::nan("")), onePoleLowTable[0]);
  EXPECT_NEAR(onePoleLerp(onePoleLowTable, 479.5), 0.5 * (onePoleLowTable[479] + onePoleLowTable[480]), 1e-7);
}

TEST(FilterOnePole, LowPassConvergesToAConstantInput) {
  FilterVoiceState s = onePoleLane(200.0f);
  std::vector<float> x(128 * 40, 1.0f);
  filterTestRunBlocks(x, [&](float* p, int n) { onePoleLowPassLane(&s, p, n, 200.0); });
  EXPECT_NEAR(x.back(), 1.0, 1e-4);
}

TEST(FilterOnePole, IndexMovesThreeQuartersOfTheWayPerBlock) {
  for (bool high : {false, true}) {
    FilterVoiceState s = onePoleLane(100.0f);
    std::vector<float> x(128, 0.0f);
    auto block = [&] {
      if (high)
        onePoleHighPassLane(&s, x.data(), 128, 300.0);
      else
        onePoleLowPassLane(&s, x.data(), 128, 300.0);
    };
    block();
    EXPECT_FLOAT_EQ(s.currentIndex, 250.0f) << high;
    block();
    EXPECT_FLOAT_EQ(s.currentIndex, 287.5f) << high;
  }
}

TEST(FilterOnePole, HighPassRemovesAConstant) {
  FilterVoiceState s = onePoleLane(200.0f);
  std::vector<float> x(128 * 80, 1.0f);
  filterTestRunBlocks(x, [&](float* p, int n) { onePoleHighPassLane(&s, p, n, 200.0); });
  EXPECT_LT(std::fabs(x.back()), 1e-3);
  EXPECT_TRUE(signalAllNormal(x.data(), x.size()));
}

TEST(FilterOnePole, TargetsAreLimitedToEachFiltersRange) {
  struct Case {
    bool high;
    double target;
    float expected;
  };
  for (const Case& c : {Case{false, 1000.0, 479.5f}, Case{false, -50.0, 40.0f}, Case{false, std::nan(""), 40.0f},
                        Case{true, 1000.0, 479.5f}, Case{true, -50.0, 10.0f}}) {
    FilterVoiceState s = onePoleLane(static_cast<float>(c.expected));
    std::vector<float> x(128, 0.25f);
    if (c.high)
      onePoleHighPassLane(&s, x.data(), 128, c.target);
    else
      onePoleLowPassLane(&s, x.data(), 128, c.target);
    EXPECT_FLOAT_EQ(s.currentIndex, c.expected) << c.high << " " << c.target;
  }
}

TEST(FilterOnePole, HostileStartIndicesReadInsideTheTables) {
  for (float start : {-1.0e30f, -480.0f, -0.5f, 480.0f, 1.0e30f, std::nanf(""), HUGE_VALF}) {
    for (bool high : {false, true}) {
      FilterVoiceState s = onePoleLane(start);
      std::vector<float> x = filterTestSine(440.0, 256, 0.5);
      filterTestRunBlocks(x, [&](float* p, int n) {
        if (high)
          onePoleHighPassLane(&s, p, n, 300.0);
        else
          onePoleLowPassLane(&s, p, n, 300.0);
      });
      EXPECT_TRUE(signalAllNormal(x.data(), x.size())) << start << " " << high;
      EXPECT_TRUE(std::isfinite(s.currentIndex));
    }
  }
}

TEST(FilterOnePole, LowPassAndHighPassSplitTheSpectrum) {
  const double cutoff = dspFreqToIndex(1000.0);
  auto level = [&](bool high, double hz) {
    FilterVoiceState s = onePoleLane(static_cast<float>(cutoff));
    std::vector<float> x = filterTestSine(hz, 16384, 0.5);
    filterTestRunBlocks(x, [&](float* p, int n) {
      if (high)
        onePoleHighPassLane(&s, p, n, cutoff);
      else
        onePoleLowPassLane(&s, p, n, cutoff);
    });
    return signalDb(signalToneAmplitude(x.data() + 8192, 8192, 44100.0, hz) / 0.5);
  };
  EXPECT_GT(level(false, 100.0), -0.2);
  EXPECT_NEAR(level(false, 10000.0), -20.0, 2.0);  // 6 dB per octave above the corner
  EXPECT_LT(level(true, 100.0), -18.0);
  EXPECT_GT(level(true, 10000.0), -0.3);
}
