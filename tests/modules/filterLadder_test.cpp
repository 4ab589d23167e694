// Resonant ladder low-pass filters (types 14..17), run lane by lane at 44.1 kHz.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "filterTestSignals.h"
#include "modules/allpassTable.h"
#include "modules/filterModule.h"
#include "modules/ladder.h"
#include "modules/onePoleTables.h"
#include "modules/pitchIndex.h"
#include "support/signal.h"

namespace {

const double rate = 44100.0;

struct LadderLane {
  int type;
  float memory[32] = {};
  explicit LadderLane(int t) : type(t) { allpassTableInit(rate); }
  void run(std::vector<float>& signal, double cutoffHz, double resonance, double gain = 1.0, double rateOffset = 0.0) {
    const double target = dspFreqToIndex(cutoffHz);
    filterTestRunBlocks(signal,
                        [&](float* p, int n) { ladderLane(type, memory, p, n, target, resonance, gain, rateOffset); });
  }
};

// Steady-state level of a sine through the filter, in dB relative to the input.
double responseDb(int type, double hz, double cutoffHz, double resonance) {
  LadderLane lane(type);
  std::vector<float> s = filterTestSine(hz, 32768, 0.25);
  lane.run(s, cutoffHz, resonance);
  return signalDb(signalToneAmplitude(s.data() + 16384, 16384, rate, hz) / 0.25);
}

}  // namespace

TEST(FilterLadder, FourPoleAtResonance0PassesLowsAndCutsHighs) {
  EXPECT_GT(responseDb(filterLpf4Pole, 100.0, 1000.0, 0.0), -1.0);
  EXPECT_LT(responseDb(filterLpf4Pole, 100.0, 1000.0, 0.0), 0.01);
  EXPECT_LE(responseDb(filterLpf4Pole, 8000.0, 1000.0, 0.0), -40.0);
}

TEST(FilterLadder, MorePolesCutSteeper) {
  const double db2 = responseDb(filterLpf2Pole, 8000.0, 1000.0, 0.0);
  const double db4 = responseDb(filterLpf4Pole, 8000.0, 1000.0, 0.0);
  const double db6 = responseDb(filterLpf6Pole, 8000.0, 1000.0, 0.0);
  const double db8 = responseDb(filterLpf8Pole, 8000.0, 1000.0, 0.0);
  EXPECT_LT(db2, -20.0);
  EXPECT_LT(db4, db2 - 20.0);
  EXPECT_LT(db6, db4 - 20.0);
  EXPECT_LT(db8, db6 - 20.0);
}

TEST(FilterLadder, FourPoleAtResonanceHalfRisesNearTheCutoff) {
  const double pass = responseDb(filterLpf4Pole, 100.0, 1000.0, 0.5);
  const double nearCutoff = responseDb(filterLpf4Pole, 1000.0, 1000.0, 0.5);
  EXPECT_GT(nearCutoff, pass + 2.0);
  // Without resonance the same frequency lies below the passband.
  EXPECT_LT(responseDb(filterLpf4Pole, 1000.0, 1000.0, 0.0), responseDb(filterLpf4Pole, 100.0, 1000.0, 0.0));
}

class LadderTypes : public ::testing::TestWithParam<int> {};

TEST_P(LadderTypes, FullResonanceFullScaleSquareStaysFiniteAndBounded) {
  LadderLane lane(GetParam());
  std::vector<float> s = filterTestSquare(100, 44100 * 2, 1.0f);
  lane.run(s, 1000.0, 1.0);
  EXPECT_TRUE(signalAllNormal(s.data(), s.size()));
  EXPECT_LT(signalPeak(s.data(), s.size()), 4.0);
  // Left alone, it keeps ringing at a bounded level (the filter oscillates at full resonance).
  std::vector<float> tail(44100, 0.0f);
  lane.run(tail, 1000.0, 1.0);
  EXPECT_TRUE(signalAllNormal(tail.data(), tail.size()));
  EXPECT_LT(signalPeak(tail.data(), tail.size()), 4.0);
}

TEST_P(LadderTypes, ModulatedResonanceAboveOneActsAsOne) {
  for (double resonance : {1.5, 64.0, 1.0e6, HUGE_VAL}) {
    LadderLane a(GetParam()), b(GetParam());
    std::vector<float> x = filterTestSquare(100, 8192, 1.0f), y = x;
    a.run(x, 1000.0, resonance);
    b.run(y, 1000.0, 1.0);
    ASSERT_TRUE(signalAllNormal(x.data(), x.size())) << resonance;
    EXPECT_EQ(x, y) << resonance;
  }
}

TEST_P(LadderTypes, ResonanceZeroKeepsTheFloorFeedback) {
  LadderLane a(GetParam()), b(GetParam()), c(GetParam());
  std::vector<float> x = filterTestSine(440.0, 4096, 0.5), y = x, z = x;
  a.run(x, 2000.0, 0.0);
  b.run(y, 2000.0, 0.001);
  c.run(z, 2000.0, std::nan(""));
  EXPECT_EQ(x, y);
  EXPECT_EQ(x, z);
}

TEST_P(LadderTypes, OpensFromSilenceAfterAClear) {
  LadderLane lane(GetParam());
  std::vector<float> s(128, 1.0f);
  lane.run(s, 5000.0, 0.0);
  EXPECT_LT(std::fabs(s[0]), 1e-6);
  EXPECT_LT(std::fabs(s[10]), std::fabs(s[127]));
}

TEST_P(LadderTypes, LoudInputStaysFinite) {
  LadderLane lane(GetParam());
  std::vector<float> s = filterTestSquare(50, 44100, 1000.0f);
  lane.run(s, 300.0, 1.0);
  EXPECT_TRUE(signalAllNormal(s.data(), s.size()));
  EXPECT_LT(signalPeak(s.data(), s.size()), 4000.0);
}

TEST_P(LadderTypes, NonFiniteInputClearsTheLaneAndItRecovers) {
  LadderLane lane(GetParam());
  std::vector<float> s = filterTestSine(440.0, 128, 0.5);
  s[7] = std::nanf("");
  lane.run(s, 1000.0, 0.5);
  for (int j = 0; j < ladderMemCount; ++j) EXPECT_EQ(lane.memory[j], 0.0f) << j;
  std::vector<float> next = filterTestSine(440.0, 1024, 0.5);
  lane.run(next, 1000.0, 0.5);
  EXPECT_TRUE(signalAllNormal(next.data(), next.size()));
}

TEST_P(LadderTypes, HostileTargetsReadInsideTheTables) {
  for (double target : {-1.0e300, -500.0, -0.5, 19.5, 480.0, 500.7, 1.0e300, HUGE_VAL, std::nan("")}) {
    float memory[32] = {};
    std::vector<float> s = filterTestSine(440.0, 512, 0.5);
    filterTestRunBlocks(s, [&](float* p, int n) { ladderLane(GetParam(), memory, p, n, target, 0.5, 1.0, 0.0); });
    EXPECT_TRUE(signalAllNormal(s.data(), s.size())) << target;
  }
}

INSTANTIATE_TEST_SUITE_P(AllLadders, LadderTypes,
                         ::testing::Values(filterLpf2Pole, filterLpf4Pole, filterLpf6Pole, filterLpf8Pole));

TEST(FilterLadder, CoefficientsReachTheirTargetsInOneBlockExceptSixPole) {
  // Pole index p = c - 20 = 300.25: gain between entries 299/300, pole between 300/301.
  const double c = 320.25;
  const double targetA = onePoleLowTable[299] + (onePoleLowTable[300] - onePoleLowTable[299]) * 0.25;
  const double targetB = onePoleFeedbackTable[300] + (onePoleFeedbackTable[301] - onePoleFeedbackTable[300]) * 0.25;
  allpassTableInit(rate);
  for (int type : {filterLpf2Pole, filterLpf4Pole, filterLpf8Pole}) {
    float memory[32] = {};
    std::vector<float> s(128, 0.0f);
    ladderLane(type, memory, s.data(), 128, c, 0.0, 1.0, 0.0);
    EXPECT_NEAR(memory[ladderMemA], targetA, 1e-6) << type;
    EXPECT_NEAR(memory[ladderMemB], targetB, 1e-6) << type;
  }
  // Type 16 covers half the remaining distance per block.
  float memory[32] = {};
  std::vector<float> s(128, 0.0f);
  ladderLane(filterLpf6Pole, memory, s.data(), 128, c, 0.0, 1.0, 0.0);
  EXPECT_NEAR(memory[ladderMemA], 0.5 * targetA, 1e-6);
  ladderLane(filterLpf6Pole, memory, s.data(), 128, c, 0.0, 1.0, 0.0);
  EXPECT_NEAR(memory[ladderMemA], 0.75 * targetA, 1e-6);
}

TEST(FilterLadder, PoleAboveTheTableUsesTheZeroEntry) {
  // p = 600.5: entry 480 and the zero after it, with the fraction 0.5.
  float memory[32] = {};
  std::vector<float> s(128, 0.0f);
  ladderLane(filterLpf4Pole, memory, s.data(), 128, 620.5, 0.0, 1.0, 0.0);
  EXPECT_NEAR(memory[ladderMemB], 0.5 * onePoleFeedbackTable[480], 1e-6);
}

TEST(FilterLadder, GainScalesTheOutput) {
  LadderLane a(filterLpf4Pole), b(filterLpf4Pole);
  std::vector<float> x = filterTestSine(100.0, 8192, 0.25), y = x;
  a.run(x, 1000.0, 0.0, 1.0);
  b.run(y, 1000.0, 0.0, 2.0);
  EXPECT_NEAR(signalRms(y.data() + 4096, 4096), 2.0 * signalRms(x.data() + 4096, 4096), 1e-4);
}

TEST(FilterLadder, ResonanceFactorChangesOnlyAboveTheReferenceRate) {
  // rateIndexOffset: 0 at 44.1 kHz, -40 at 22.05 kHz (both use 1.48), about 4.89 at 48 kHz (1.435).
  for (int type : {filterLpf4Pole, filterLpf6Pole}) {
    LadderLane at44(type), at22(type), at48(type);
    std::vector<float> a = filterTestSquare(60, 4096, 0.5f), b = a, c = a;
    at44.run(a, 1000.0, 0.8, 1.0, 0.0);
    at22.run(b, 1000.0, 0.8, 1.0, -40.0);
    at48.run(c, 1000.0, 0.8, 1.0, 40.0 * std::log2(48000.0 / 44100.0));
    EXPECT_EQ(a, b) << type;
    EXPECT_NE(a, c) << type;
  }
}

TEST(FilterLadder, RememberedAllpassPositionChangesNothing) {
  // One lane keeps its last allpass position between blocks; the other forgets it before each block.
  // Steady, changed and returning cutoffs and a sample-rate change must give the same output.
  const double targets[] = {300.0, 300.0, 250.5, 250.5, 300.0, 300.0, 300.0};
  for (int type : {filterLpf2Pole, filterLpf4Pole, filterLpf6Pole, filterLpf8Pole}) {
    allpassTableInit(rate);
    float kept[32] = {}, forgot[32] = {};
    std::vector<float> x = filterTestSine(440.0, 128, 0.5);
    for (int b = 0; b < 7; ++b) {
      if (b == 5) allpassTableInit(48000.0);
      std::vector<float> y = x, z = x;
      for (int w = ladderMemCacheQ; w <= ladderMemCacheJ; ++w) forgot[w] = 0.0f;
      ladderLane(type, kept, y.data(), 128, targets[b], 0.5, 1.0, 0.0);
      ladderLane(type, forgot, z.data(), 128, targets[b], 0.5, 1.0, 0.0);
      ASSERT_EQ(y, z) << type << " block " << b;
    }
  }
  allpassTableInit(rate);
}
