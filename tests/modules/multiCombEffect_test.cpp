// The multi-comb: echo spacing and decay with an impulse, the dry path, per-comb parameters.
#include <cmath>

#include "effectTestFixture.h"
#include "engine/valueFormat.h"
#include "modules/multiCombEffect.h"
#include "support/signal.h"

namespace {

// Sum of a signal over [from, to): the area of one echo (the damping filter has unity gain at DC).
double area(const std::vector<float>& x, size_t from, size_t to) {
  double s = 0;
  for (size_t i = from; i < to && i < x.size(); ++i) s += x[i];
  return s;
}

size_t firstAbove(const std::vector<float>& x, size_t from, float threshold) {
  for (size_t i = from; i < x.size(); ++i)
    if (std::fabs(x[i]) > threshold) return i;
  return x.size();
}

}  // namespace

class CombTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    select(effectComb);
    run(silence(256));  // the read offsets glide from their starting values to the targets
  }
  // Wet output of an impulse at `at`: left + right bus minus the dry part.
  std::vector<float> wetOfImpulse(size_t n, size_t at) {
    const Out out = run(impulse(n, at));
    std::vector<float> w(n);
    for (size_t i = 0; i < n; ++i) w[i] = out.b[0][i] + out.b[1][i];
    w[at] -= 0.5f * (1.0f);  // the dry impulse on B0 (dry level 0.5)
    return w;
  }
};

TEST_F(CombTest, DefaultsEchoAtTheBaseDelayPlusOneAndDecayByTheLoopGain) {
  const size_t at = 100, spacing = 4411;  // 4,410 samples read one sample further back
  const std::vector<float> w = wetOfImpulse(5 * spacing + 1000, at);
  EXPECT_LT(signalPeak(w.data(), at + spacing - 1), 1e-6);  // nothing before the first echo
  EXPECT_EQ(firstAbove(w, at, 1e-4f), at + spacing);
  double previous = area(w, at + spacing, at + 2 * spacing);
  EXPECT_GT(previous, 0.1);
  for (int k = 2; k <= 4; ++k) {
    EXPECT_EQ(firstAbove(w, at + (k - 1) * spacing + 60, 1e-5f), at + k * spacing) << k;
    const double a = area(w, at + k * spacing, at + (k + 1) * spacing);
    EXPECT_NEAR(a / previous, 0.5, 0.01) << "echo " << k;  // feedback 0.5 x factor 1.0
    previous = a;
  }
}

TEST_F(CombTest, WithNoCombOnTheBusesAreExactlyInputTimesDryGain) {
  for (int i = 0; i < effectCombCount; ++i) effectCombSetOnDirect(e, static_cast<std::int16_t>(i), 0);
  e->modMultipliers[3][0][30] = 0.75f;  // dry modulation
  std::vector<float> in(1024), side(1024);
  for (size_t i = 0; i < in.size(); ++i) {
    in[i] = std::sin(0.01f * i);
    side[i] = 0.3f * std::cos(0.02f * i);
  }
  const float gain = 0.5f * 0.75f;
  for (int field = 0; field < 2; ++field) {
    e->surround.fieldMode = static_cast<std::uint16_t>(field);
    for (size_t i = 0; i < in.size(); i += 128) {
      for (int j = 0; j < 128; ++j) {
        e->buses[0][j] = in[i + j];
        e->buses[1][j] = side[i + j];
        e->buses[2][j] = in[i + j] - side[i + j];
      }
      effectRender(e, 128);
      for (int j = 0; j < 128; ++j) {
        ASSERT_EQ(e->buses[0][j], in[i + j] * gain);
        ASSERT_EQ(e->buses[1][j], side[i + j] * gain);
        // The omni bus is scaled only in the field layout.
        ASSERT_EQ(e->buses[2][j], field ? (in[i + j] - side[i + j]) * gain : in[i + j] - side[i + j]);
      }
    }
  }
}

TEST_F(CombTest, DelayFactorZeroIsAOneSampleDelayAndBeatModeFollowsTheTempo) {
  effectCombSetOnDirect(e, 1, 0);
  e->effectComb.delayFactor[0] = 0.0f;
  e->effectComb.feedback = 0.0f;
  run(silence(256));
  std::vector<float> w = wetOfImpulse(512, 200);
  EXPECT_EQ(firstAbove(w, 0, 1e-4f), 201u);

  e->effectComb.delayFactor[0] = 1.0f;
  e->effectComb.header.timeUnit = effectUnitBeats;  // 0.5 beats at 120 BPM = 11,025 samples
  effectReset(e);                                   // forget the first impulse
  run(silence(256));
  w = wetOfImpulse(12000, 300);
  EXPECT_EQ(firstAbove(w, 0, 1e-4f), 300u + 11026u);
}

TEST_F(CombTest, NegativeFeedbackFactorInvertsEveryOtherEcho) {
  effectCombSetOnDirect(e, 1, 0);
  e->effectComb.feedbackFactor[0] = -1.0f;  // loop gain -0.5
  run(silence(256));
  const size_t at = 50, spacing = 4411;
  const std::vector<float> w = wetOfImpulse(4 * spacing, at);
  const double a1 = area(w, at + spacing, at + 2 * spacing);
  const double a2 = area(w, at + 2 * spacing, at + 3 * spacing);
  EXPECT_GT(a1, 0.0);
  EXPECT_NEAR(a2 / a1, -0.5, 0.01);
}

TEST_F(CombTest, FieldLayoutPlacesTheCombsInTheSoundField) {
  e->surround.fieldMode = 1;
  const Out out = run(impulse(6000, 10));
  double energy = 0;
  for (size_t i = 4421; i < 5000; ++i) energy += std::fabs(out.b[2][i]);
  EXPECT_GT(energy, 0.05);  // the echoes reach the omni bus
  for (int b = 0; b < 3; ++b) EXPECT_TRUE(signalAllNormal(out.b[b].data(), out.b[b].size()));
}

TEST_F(CombTest, ParametersClampAndBadIndexesAreIgnored) {
  EXPECT_NEAR(effectCombGetLevel(e, 0), -6.0, 1e-9);
  EXPECT_EQ(effectCombGetLevel(e, 6), 0.0);
  EXPECT_EQ(effectCombGetDelayFactor(e, -1), 1.0);
  EXPECT_EQ(effectCombGetPan(e, 6), 1.0);
  EXPECT_EQ(effectCombGetOn(e, 9), 0);
  effectCombSetDelayFactor(e, 6, 0.2);
  effectCombSetOnDirect(e, -1, 1);
  effectCombSetLevel(e, 1, 12.0);  // 4.0 linear, limited to 1
  EXPECT_EQ(e->effectComb.level[1], 1.0f);
  effectCombSetFeedback(e, 2.0);
  EXPECT_FLOAT_EQ(static_cast<float>(effectCombGetFeedback(e)), 0.999f);
  effectCombSetFeedbackFactor(e, 2, -3.0);
  EXPECT_EQ(e->effectComb.feedbackFactor[2], -1.0f);
  effectCombSetPan(e, 3, 1.0);
  EXPECT_EQ(e->effectComb.pan[3], 0.9999f);
  effectCombSetDelay(e, 1.0);  // 44,100 samples, limited to 32,767
  EXPECT_EQ(e->effectComb.delay, 32767.0f);
  effectCombSetDelay(e, 0.0);
  EXPECT_EQ(e->effectComb.delay, 1e-5f);
  effectCombSetFilterFreq(e, 50000.0);  // 22,000 Hz, beyond the top of the pitch index
  EXPECT_NEAR(effectCombGetFilterFreq(e), 20480.0, 0.01);
  effectCombSetFilterFreq(e, 10.0);  // 30 Hz
  EXPECT_NEAR(effectCombGetFilterFreq(e), 30.0, 0.01);
  effectCombSetModInvert(e, 4, 1);
  EXPECT_EQ(effectCombGetModInvert(e, 4), 1);
}

TEST_F(CombTest, TheLongestDelayReadsTheOldestSampleOfTheLine) {
  // 32,767 samples x factor 1.0 x m 1: T limited to 1.0, a delay of 32,767 samples.
  effectCombSetOnDirect(e, 1, 0);
  e->effectComb.delay = 32767.0f;
  e->effectComb.feedback = 0.0f;
  run(silence(128));
  EXPECT_DOUBLE_EQ(rt()->combs[0].readOffset, 1.0);
  const std::vector<float> w = wetOfImpulse(33000, 20);
  EXPECT_EQ(firstAbove(w, 21, 1e-4f), 20u + 32767u);
}
