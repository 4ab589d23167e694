// Sample-rate converter: kernel choice, the stated edge cases, piecewise conversion equal to one call,
// the gain of every kernel and the mode that adds; the cubic interpolator.
#include "CubicInterpolator.h"
#include "SampleRateConverter.h"
#include "support/signal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
const int kRatios[][2] = {{1, 1}, {2, 1}, {1, 2}, {3, 1}, {1, 3}, {3, 2}, {2, 3}, {4, 1}, {1, 4}, {3, 4}, {4, 3}};

std::vector<float> noise(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> v(n);
  for (float& x : v) x = u(rng);
  return v;
}

// The whole signal in one call.
std::vector<float> convertWhole(int num, int den, const std::vector<float>& in) {
  SampleRateConverter conv(1);
  conv.setRates(num, den, true);
  std::vector<float> out(in.size() * den / num + 8, -99.0f);
  conv.process(0, in.data(), out.data(), static_cast<int>(in.size()));
  out.resize(in.size() * den / num);
  return out;
}

TEST(SampleRateConverter, SetRatesReducesOnlyWhenTheDenominatorDivides) {
  SampleRateConverter conv(2);
  EXPECT_EQ(conv.channelCount(), 2);
  EXPECT_EQ(conv.kernel(), dspKernel(1, 1, false));  // constructed: 1 : 1, adding
  EXPECT_EQ(conv.setRates(4, 2, true), 2);
  EXPECT_EQ(conv.kernel(), dspKernel(2, 1, true));
  EXPECT_EQ(conv.setRates(6, 4, true), 1);  // not reduced, no kernel: the old one stays
  EXPECT_EQ(conv.kernel(), dspKernel(2, 1, true));
  EXPECT_EQ(conv.setRates(3, 4, false), 0);
  EXPECT_EQ(conv.kernel(), dspKernel(3, 4, false));
  EXPECT_EQ(conv.setRates(9, 3, true), 3);
  EXPECT_EQ(conv.kernel(), dspKernel(3, 1, true));
  EXPECT_EQ(conv.setRates(5, 0, true), 0);  // no kernel, no division by zero
  EXPECT_EQ(conv.kernel(), dspKernel(3, 1, true));
  EXPECT_EQ(dspKernel(5, 7, true), nullptr);
}

TEST(SampleRateConverter, TwoToOneSettlesAtOneFromTheSecondOutput) {
  std::vector<float> ones(16, 1.0f);
  std::vector<float> out = convertWhole(2, 1, ones);
  EXPECT_FLOAT_EQ(out[0], 0.75f);
  for (size_t i = 1; i < out.size(); ++i) EXPECT_EQ(out[i], 1.0f) << i;
}

TEST(SampleRateConverter, IncompleteGroupWaitsForTheNextCall) {
  SampleRateConverter conv(1);
  conv.setRates(3, 1, true);
  const float in[9] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
  float out[4] = {-9, -9, -9, -9};
  conv.process(0, in, out, 7);
  EXPECT_NE(out[1], -9.0f);
  EXPECT_EQ(out[2], -9.0f);  // two outputs; the seventh frame waits in the state
  conv.process(0, in + 7, out + 2, 2);
  EXPECT_NE(out[2], -9.0f);
  EXPECT_EQ(out[3], -9.0f);
  std::vector<float> whole = convertWhole(3, 1, std::vector<float>(in, in + 9));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], whole[i]);
}

// Every kernel, cut into random pieces (lengths 0..37, so groups break anywhere), gives exactly the
// output of one call, in both modes.
TEST(SampleRateConverter, RandomPiecesEqualOneCall) {
  std::mt19937 rng(7);
  const std::vector<float> in = noise(6000, 3);
  for (const auto& r : kRatios) {
    const std::vector<float> whole = convertWhole(r[0], r[1], in);
    for (int mode = 0; mode < 2; ++mode) {
      SampleRateConverter conv(3);
      conv.setRates(r[0], r[1], mode == 1);
      std::vector<float> out(whole.size() + 8, 0.25f);
      size_t pos = 0, produced = 0;
      while (pos < in.size()) {
        int n = std::min<int>(static_cast<int>(in.size() - pos), std::uniform_int_distribution<int>(0, 37)(rng));
        conv.process(2, in.data() + pos, out.data() + produced, n);
        pos += n;
        produced = pos / conv.groupIn() * conv.groupOut();
      }
      ASSERT_EQ(produced, whole.size()) << r[0] << ":" << r[1];
      for (size_t i = 0; i < whole.size(); ++i) {
        // Mode 0 adds the unrounded value, so it may differ from the sum of floats in the last bit.
        if (mode == 1)
          ASSERT_EQ(out[i], whole[i]) << r[0] << ":" << r[1] << " at " << i;
        else
          ASSERT_NEAR(out[i], 0.25 + whole[i], 1e-7) << r[0] << ":" << r[1] << " mode 0 at " << i;
      }
      EXPECT_EQ(out[whole.size()], 0.25f) << "nothing written past the last group";
    }
  }
}

// A constant input comes out at the same level once the history is filled (every kernel's
// coefficients sum to about 1), and a low tone keeps its frequency at the new rate.
TEST(SampleRateConverter, EveryKernelPassesLevelAndPitch) {
  for (const auto& r : kRatios) {
    std::vector<float> dc(1200, 0.5f);
    std::vector<float> out = convertWhole(r[0], r[1], dc);
    for (size_t i = out.size() / 2; i < out.size(); ++i) EXPECT_NEAR(out[i], 0.5f, 0.0005f) << r[0] << ":" << r[1];

    const double inRate = 48000.0 * r[0], outRate = 48000.0 * r[1];
    std::vector<float> tone(static_cast<size_t>(inRate / 4));
    for (size_t i = 0; i < tone.size(); ++i)
      tone[i] = static_cast<float>(0.5 * std::sin(2 * kPi * 1000.0 * i / inRate));
    std::vector<float> t = convertWhole(r[0], r[1], tone);
    double sumSq = 0, diffSq = 0;
    // Compare with the ideal tone at the output rate, aligned by the best small delay.
    double best = 1e9;
    for (int delay = -8; delay <= 8; ++delay) {
      diffSq = sumSq = 0;
      for (size_t i = 100; i < t.size() - 100; ++i) {
        double ideal = 0.5 * std::sin(2 * kPi * 1000.0 * (static_cast<double>(i) - delay * 0.5) / outRate);
        diffSq += (t[i] - ideal) * (t[i] - ideal);
        sumSq += ideal * ideal;
      }
      best = std::min(best, diffSq / sumSq);
    }
    // Within -13 dB of the ideal tone (the 1:2 kernel repeats each input about twice, leaving its
    // image near -16 dB; the others stay below -20 dB), at the tone's level.
    EXPECT_LT(best, 0.05) << r[0] << ":" << r[1];
    EXPECT_NEAR(signalToneAmplitude(t.data() + 100, t.size() - 200, outRate, 1000.0), 0.5, 0.03) << r[0] << ":" << r[1];
  }
}

TEST(SampleRateConverter, ResetClearsTheHistory) {
  SampleRateConverter conv(1);
  conv.setRates(1, 4, true);
  float one = 1.0f, out[4];
  conv.process(0, &one, out, 1);
  EXPECT_GT(out[3], 0.8f);
  conv.reset();
  float zero = 0.0f;
  conv.process(0, &zero, out, 1);
  for (float v : out) EXPECT_EQ(v, 0.0f);
  conv.process(5, &zero, out, 1);  // no such channel: nothing happens
}

// Catmull-Rom reproduces straight lines: a ramp stepped at the 44,100/48,000 ratio comes out as the
// ramp at the output positions, two input frames late (the history's centre).
TEST(CubicInterpolator, FollowsARampAtAnyStep) {
  const double steps[] = {1.0, 1.088435411453247, 0.918749988079071, 0.5, 2.0};
  for (double step : steps) {
    float state[DSP_INTERP_STATE] = {};
    // Prime the history with the ramp's first values (the first call's input).
    std::vector<float> ramp(4000);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = 0.001f * static_cast<float>(i);
    const int inFrames = 400;
    const int outFrames = static_cast<int>(inFrames / step);
    std::vector<float> out(outFrames);
    dspInterpolate(ramp.data(), out.data(), outFrames, inFrames, step, state);
    dspInterpolate(ramp.data() + inFrames, out.data(), outFrames, inFrames, step, state);
    // In the second call the history is full: output k lies k x step input frames after the
    // sample three places before this call's first input, so it is the ramp there. Steps above 1
    // skip no input: every index passed is taken into the history.
    for (int k = 8; k < outFrames - 8; ++k) {
      const double at = inFrames - 3 + k * step;
      EXPECT_NEAR(out[k], 0.001 * at, 1e-5) << "step " << step << " k " << k;
    }
  }
}

TEST(CubicInterpolator, NothingForEmptyCounts) {
  float state[DSP_INTERP_STATE] = {1, 2, 3, 4, 5, 0};
  float in = 7, out = -1;
  dspInterpolate(&in, &out, 0, 1, 1.0, state);
  dspInterpolate(&in, &out, 1, 0, 1.0, state);
  EXPECT_EQ(out, -1.0f);
  EXPECT_EQ(state[4], 5.0f);
}

}  // namespace
