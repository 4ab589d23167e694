// The effect signal blocks: delay line, tap ring, one-pole low-pass, filter states, mixing block.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "modules/allpassTable.h"
#include "modules/delayLine.h"
#include "modules/fxBlocksMix3.h"
#include "modules/fxBlocksStates.h"
#include "modules/fxBlocksTapRing.h"
#include "modules/pitchIndex.h"
#include "support/signal.h"

namespace {

// Runs `input` through the line in blocks of `block` frames.
std::vector<float> runLine(DelayLine* line, std::vector<float> input, int block, float factor = 1.0f) {
  for (size_t i = 0; i < input.size(); i += block) {
    const int n = static_cast<int>(std::min<size_t>(block, input.size() - i));
    delayLineProcess(line, input.data() + i, static_cast<std::int16_t>(n), factor);
  }
  return input;
}

size_t firstNonZero(const std::vector<float>& v, float threshold = 1e-6f) {
  for (size_t i = 0; i < v.size(); ++i)
    if (std::fabs(v[i]) > threshold) return i;
  return v.size();
}

}  // namespace

TEST(DelayLine, LongRequestIsCutAndRingWrapsBeforeTheLastSlot) {
  DelayLine line{};
  ASSERT_EQ(delayLineInit(&line, 10.0f, nullptr, 40000), 1);
  EXPECT_EQ(line.lastIndex, 29999);
  EXPECT_EQ(line.owned, 1);
  // Write far past one turn: the position stays below the modulus.
  std::vector<float> in(30000 + 77, 0.25f);
  runLine(&line, in, 128);
  EXPECT_EQ(line.writePosition, static_cast<double>((30000 + 77) % 29999));
  delayLineRelease(&line);
  EXPECT_EQ(line.buffer, nullptr);
}

TEST(DelayLine, SecondInitKeepsTheFirstBufferAndLength) {
  std::vector<float> a(1000, 1.0f), b(500, 1.0f);
  DelayLine line{};
  ASSERT_EQ(delayLineInit(&line, 4.0f, a.data(), 1000), 1);
  EXPECT_EQ(a[999], 0.0f);  // cleared
  EXPECT_EQ(delayLineInit(&line, 9.0f, b.data(), 500), 1);
  EXPECT_EQ(line.buffer, a.data());
  EXPECT_EQ(line.lastIndex, 999);
  EXPECT_EQ(line.owned, 0);
  EXPECT_EQ(line.targetDelay, 4.0);
  EXPECT_EQ(b[0], 1.0f);  // the second buffer is left alone
}

TEST(DelayLine, TooShortRingIsRefused) {
  float one[1] = {3.0f};
  DelayLine line{};
  EXPECT_EQ(delayLineInit(&line, 0.0f, one, 1), 0);
  EXPECT_EQ(line.initialised, 0);
  EXPECT_EQ(one[0], 3.0f);
}

TEST(DelayLine, SteadyWholeDelayReturnsTheInputOneSampleEarlier) {
  for (int d : {2, 5, 100, 1234}) {
    std::vector<float> ring(4096);
    DelayLine line{};
    ASSERT_EQ(delayLineInit(&line, static_cast<float>(d), ring.data(), 4096), 1);
    std::vector<float> in(3000, 0.0f);
    in[10] = 1.0f;
    const std::vector<float> out = runLine(&line, in, 128);
    EXPECT_EQ(firstNonZero(out), static_cast<size_t>(10 + d - 1)) << "delay " << d;
    EXPECT_FLOAT_EQ(out[10 + d - 1], 1.0f);
  }
}

TEST(DelayLine, CurrentDelayGlidesSixtyFivePercentPerBlock) {
  std::vector<float> ring(4096);
  DelayLine line{};
  ASSERT_EQ(delayLineInit(&line, 100.0f, ring.data(), 4096), 1);
  line.targetDelay = 200.0;
  std::vector<float> block(128, 0.0f);
  delayLineProcess(&line, block.data(), 128, 1.0f);
  EXPECT_NEAR(line.currentDelay, 165.0, 1e-9);
  // The block factor scales the target: 200 x 0.5 = 100.
  delayLineProcess(&line, block.data(), 128, 0.5f);
  EXPECT_NEAR(line.currentDelay, 165.0 + (100.0 - 165.0) * 0.65, 1e-9);
  EXPECT_EQ(line.lastOutput, block[127]);
}

TEST(DelayLine, ResetRestartsAtTheTargetWithoutClearingTheRing) {
  std::vector<float> ring(64);
  DelayLine line{};
  ASSERT_EQ(delayLineInit(&line, 3.0f, ring.data(), 64), 1);
  std::vector<float> in(20, 0.5f);
  delayLineProcess(&line, in.data(), 20, 1.0f);
  line.targetDelay = 7.0;
  delayLineReset(&line);
  EXPECT_EQ(line.currentDelay, 7.0);
  EXPECT_EQ(line.writePosition, 0.0);
  EXPECT_EQ(line.lastOutput, 0.0f);
  EXPECT_EQ(ring[5], 0.5f);
}

TEST(DelayLine, HostileDelaysStayOnTheRingAndFinite) {
  for (double target : {-5.0e9, 1.0e12, std::nan(""), HUGE_VAL}) {
    std::vector<float> ring(512);
    DelayLine line{};
    ASSERT_EQ(delayLineInit(&line, 10.0f, ring.data(), 512), 1);
    line.targetDelay = target;
    std::vector<float> in(1024, 0.3f);
    const std::vector<float> out = runLine(&line, in, 128);
    EXPECT_TRUE(signalAllNormal(out.data(), out.size())) << target;
    EXPECT_TRUE(std::isfinite(line.currentDelay));
  }
}

TEST(MultiTap, TapCountIsLimitedAndGainFollowsTheCount) {
  struct Case {
    std::int16_t asked;
    std::int16_t used;
    float gain;
  };
  const Case cases[] = {{0, 1, 0.47368422f}, {-3, 1, 0.47368422f}, {2, 2, 0.38297874f}, {3, 3, 0.33962265f},
                        {4, 4, 0.31304348f}, {5, 5, 0.29459903f},  {6, 6, 0.28081122f}, {9, 6, 0.28081122f}};
  std::vector<float> ring(1000);
  for (const Case& c : cases) {
    MultiTap tap{};
    ASSERT_EQ(multiTapInit(&tap, c.asked, ring.data(), 1000), 1);
    EXPECT_EQ(tap.count, c.used) << c.asked;
    EXPECT_FLOAT_EQ(tap.gain, c.gain) << c.asked;
  }
}

TEST(MultiTap, OffsetsFollowTheGoldenSpacing) {
  std::vector<float> ring(1000);
  MultiTap tap{};
  ASSERT_EQ(multiTapInit(&tap, 6, ring.data(), 1000), 1);
  const std::uint16_t want[6] = {618, 763, 854, 909, 944, 965};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(tap.offsets[k], want[k]) << k;
}

TEST(MultiTap, NullRingOrEmptyLengthIsRefusedAndProcessDoesNothing) {
  MultiTap tap{};
  float dummy = 1.0f;
  tap.ring = &dummy;
  EXPECT_EQ(multiTapInit(&tap, 3, nullptr, 100), 0);
  EXPECT_EQ(tap.ring, nullptr);
  std::vector<float> ring(10, 2.0f);
  EXPECT_EQ(multiTapInit(&tap, 3, ring.data(), 0), 0);
  EXPECT_EQ(tap.ring, nullptr);
  std::vector<float> block(64, 0.7f);
  multiTapProcess(&tap, block.data(), 64);
  EXPECT_EQ(block[0], 0.7f);
  EXPECT_EQ(ring[0], 2.0f);
}

TEST(MultiTap, ImpulseReappearsAtEveryTapScaledByTheGain) {
  std::vector<float> ring(40000, 9.0f);  // also checks the clear; length is cut to 30,000
  MultiTap tap{};
  ASSERT_EQ(multiTapInit(&tap, 3, ring.data(), 40000), 1);
  EXPECT_EQ(tap.length, 30000);
  EXPECT_EQ(ring[30000], 9.0f);
  std::vector<float> sig(30000, 0.0f);
  sig[0] = 1.0f;
  for (size_t i = 0; i < sig.size(); i += 128)
    multiTapProcess(&tap, sig.data() + i, static_cast<std::int16_t>(std::min<size_t>(128, sig.size() - i)));
  // Silence until the first tap, then one scaled copy per tap; the input is not passed through.
  EXPECT_EQ(firstNonZero(sig), static_cast<size_t>(tap.offsets[0]));
  int hits = 0;
  for (size_t i = 0; i < sig.size(); ++i) {
    if (sig[i] != 0.0f) {
      ++hits;
      EXPECT_FLOAT_EQ(sig[i], tap.gain);
      EXPECT_TRUE(i == tap.offsets[0] || i == tap.offsets[1] || i == tap.offsets[2]) << i;
    }
  }
  EXPECT_EQ(hits, 3);
  multiTapReset(&tap);
  EXPECT_EQ(tap.position, 0);
  EXPECT_EQ(tap.lastSum, 0.0f);
}

TEST(OnePoleProcess, ZeroFramesKeepTheStates) {
  allpassTableInit(44100.0);
  DspState3 s{};
  dspState3Init(&s, 1000.0f);
  s.state1 = 0.25f;
  s.state2 = -0.5f;
  float x[4] = {1, 2, 3, 4};
  onePoleProcess(&s, 1.0f, x, 0);
  EXPECT_EQ(s.state1, 0.25f);
  EXPECT_EQ(s.state2, -0.5f);
  EXPECT_EQ(x[0], 1.0f);
}

TEST(OnePoleProcess, PassesDcAndRemovesNyquist) {
  allpassTableInit(44100.0);
  DspState3 s{};
  dspState3Init(&s, 2000.0f);
  std::vector<float> dc(2048, 1.0f), alt(2048);
  for (size_t i = 0; i < alt.size(); ++i) alt[i] = (i & 1) ? -1.0f : 1.0f;
  for (size_t i = 0; i < dc.size(); i += 128) onePoleProcess(&s, 1.0f, dc.data() + i, 128);
  EXPECT_NEAR(dc.back(), 1.0f, 1e-4);
  dspState3Reset(&s);
  for (size_t i = 0; i < alt.size(); i += 128) onePoleProcess(&s, 1.0f, alt.data() + i, 128);
  EXPECT_LT(signalRms(alt.data() + 1024, 1024), 1e-3);
}

TEST(OnePoleProcess, OutOfRangeIndexUsesTheTableEnds) {
  allpassTableInit(44100.0);
  for (float factor : {-3.0f, 0.0f, 1e9f, std::nanf("")}) {
    DspState3 s{};
    dspState3Init(&s, 400.0f);
    std::vector<float> x(128, 0.5f);
    onePoleProcess(&s, factor, x.data(), 128);
    EXPECT_TRUE(signalAllNormal(x.data(), x.size())) << factor;
  }
}

TEST(DspStates, InitStoresThePitchIndexAndResetKeepsIt) {
  DspState2 s2{};
  DspState6 s6{};
  DspState10 s10{};
  EXPECT_EQ(dspState2Init(&s2, 5000.0f), 1);
  EXPECT_FLOAT_EQ(s2.pitchIndex, static_cast<float>(dspFreqToIndex(5000.0)));
  EXPECT_EQ(dspState6Init(&s6, 300.0f, 0.7f), 1);
  EXPECT_EQ(dspState10Init(&s10, 2000.0f, -0.2f), 1);
  s2.state = 1.0f;
  for (float& v : s6.states) v = 1.0f;
  for (float& v : s10.states) v = 1.0f;
  dspState2Reset(&s2);
  dspState6Reset(&s6);
  dspState10Reset(&s10);
  EXPECT_EQ(s2.state, 0.0f);
  for (float v : s6.states) EXPECT_EQ(v, 0.0f);
  for (float v : s10.states) EXPECT_EQ(v, 0.0f);
  EXPECT_EQ(s6.amount, 0.7f);
  EXPECT_EQ(s10.feedback, -0.2f);
  EXPECT_FLOAT_EQ(s10.pitchIndex, static_cast<float>(dspFreqToIndex(2000.0)));
  float idx = -1.0f;
  EXPECT_EQ(dspSetFreqIndex(&idx, 8000.0), &idx);
  EXPECT_FLOAT_EQ(idx, static_cast<float>(dspFreqToIndex(8000.0)));
}

TEST(Mix3, InitGivesTheOrthogonalCirculantAndClearsTheArrays) {
  Mix3State m{};
  m.word = 77;
  m.work[1][383] = 5.0f;
  EXPECT_EQ(mix3Init(&m), 1);
  const float want[9] = {0.6666667f,  -0.3333333f, 0.6666667f, 0.6666667f, 0.6666667f,
                         -0.3333333f, -0.3333333f, 0.6666667f, 0.6666667f};
  for (int i = 0; i < 9; ++i) EXPECT_FLOAT_EQ(m.matrix[i], want[i]) << i;
  EXPECT_EQ(m.work[1][383], 0.0f);
  EXPECT_EQ(m.word, 77u);
  // Orthogonal: rows have unit length and are mutually perpendicular.
  for (int r = 0; r < 3; ++r)
    for (int q = 0; q < 3; ++q) {
      double dot = 0;
      for (int c = 0; c < 3; ++c) dot += m.matrix[r * 3 + c] * m.matrix[q * 3 + c];
      EXPECT_NEAR(dot, r == q ? 1.0 : 0.0, 1e-6);
    }
}

// The ring sizes the echo and three-unit effects ask for, and the longest whole delay each allows.
TEST(DelayLine, EffectRingSizesAndLongestWholeDelay) {
  struct Case {
    std::uint32_t asked;
    std::int32_t lastIndex;
  };
  const Case cases[] = {{29767, 29766}, {32767, 29999}, {30000, 29999}, {2, 1}};
  for (const Case& c : cases) {
    std::vector<float> ring(c.asked);
    DelayLine line{};
    ASSERT_EQ(delayLineInit(&line, 1.0f, ring.data(), c.asked), 1);
    EXPECT_EQ(line.lastIndex, c.lastIndex) << c.asked;
    if (c.lastIndex < 3) continue;
    // The longest target the effects set (last index - 1) returns the input that many - 1 samples late.
    const double d = c.lastIndex - 1;
    line.targetDelay = line.currentDelay = d;
    std::vector<float> in(static_cast<size_t>(c.lastIndex) + 300, 0.0f);
    in[3] = 1.0f;
    const std::vector<float> out = runLine(&line, in, 128);
    EXPECT_EQ(firstNonZero(out), static_cast<size_t>(3 + d - 1)) << c.asked;
  }
}
