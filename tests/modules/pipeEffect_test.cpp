// The pipe: tube length in beats, the loop's signs, modulation factors, parameters.
#include <cmath>
#include <random>

#include "effectTestFixture.h"
#include "modules/pipeEffect.h"
#include "support/signal.h"

namespace {

size_t firstPipeSampleAbove(const std::vector<float>& x, size_t from, float threshold) {
  for (size_t i = from; i < x.size(); ++i)
    if (std::fabs(x[i]) > threshold) return i;
  return x.size();
}

}  // namespace

class PipeTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    select(effectPipe);
  }
  // One beat at 120 BPM; the first block glides the length and pickups to their places.
  void oneBeat() {
    effectSetTimeUnit(e, effectPipe, effectUnitBeats);
    effectSetTime(e, effectPipe, 1.0);
    run(silence(128));
  }
  // Samples from the input to its first arrival at pickup p through line 1: the input enters line 1
  // b samples in, the pickup listens D - q samples in.
  static double pickupDelay(double d, const EffectPipeRecord& r, int p) {
    const int a = static_cast<int>(d * r.inputPos);
    const int b = static_cast<int>(d - a);
    return (d - d * r.pickupPos[p]) - b;
  }
};

TEST_F(PipeTest, OneBeatAtOneHundredTwentyBpmIsATubeOf22050Samples) {
  ASSERT_DOUBLE_EQ(tempoGetSamplesPerBeat(e), 22050.0);
  oneBeat();
  EXPECT_NEAR(rt()->pipe.length, 22050.0f, 1e-3);
  EXPECT_NEAR(rt()->pipe.q0, 22050.0f * 0.33f, 1e-3);
  EXPECT_NEAR(rt()->pipe.q1, 22050.0f * 0.405f, 1e-3);
  // The impulse reaches the right pickup (bus B1) and the left one (bus B0) after the times the
  // tube of 22,050 samples gives them.
  const EffectPipeRecord& r = *engineGetPipeEffect(e);
  const Out out = run(impulse(4096, 10));
  const double right = pickupDelay(22050.0, r, 1), left = pickupDelay(22050.0, r, 0);
  EXPECT_NEAR(static_cast<double>(firstPipeSampleAbove(out.b[1], 11, 1e-4f) - 10), right, 1.0);
  EXPECT_NEAR(static_cast<double>(firstPipeSampleAbove(out.b[0], 11, 1e-4f) - 10), left, 1.0);
  EXPECT_GT(out.b[1][10 + static_cast<size_t>(right) + 1], 0.0f);
}

TEST_F(PipeTest, ALengthBeyondTheLinesIsCutTo32768Samples) {
  effectSetTimeUnit(e, effectPipe, effectUnitBeats);
  effectSetTime(e, effectPipe, 2.0);  // 44,100 samples
  run(silence(256));
  EXPECT_NEAR(rt()->pipe.length, 32768.0f, 1e-3);
  // In seconds: the delay field, scaled by the rate ratio.
  effectSetTimeUnit(e, effectPipe, effectUnitSeconds);
  engineCfgSetRate(48000.0f);
  run(silence(256));
  EXPECT_NEAR(rt()->pipe.length, 220.5f * 48000.0f / 44100.0f, 1e-3);
}

TEST_F(PipeTest, NegativeFeedbackInvertsTheReflectionAndTheInputOfLineOne) {
  // The same input with +0.5 and -0.5: line 0 carries the same signal, line 1 its inverse, and the
  // first arrival at a pickup (through line 1) changes sign.
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> d(-0.5f, 0.5f);
  std::vector<float> in(30000);
  for (float& v : in) v = d(rng);
  in[100] = 4.0f;
  std::vector<float> line0[2], line1[2];
  float arrival[2];
  for (int k = 0; k < 2; ++k) {
    e->effectPipe.feedback = k == 0 ? 0.5f : -0.5f;
    effectReset(e);
    effectPipeRecompute(e);
    oneBeat();
    const Out out = run(impulse(1024, 10));
    arrival[k] = out.b[1][10 + static_cast<size_t>(pickupDelay(22050.0, e->effectPipe, 1)) + 1];
    run(in);
    line0[k].assign(rt()->lines[0], rt()->lines[0] + effectLineFloats);
    line1[k].assign(rt()->lines[1], rt()->lines[1] + effectLineFloats);
  }
  double worst0 = 0, worst1 = 0, level = 0;
  for (int i = 0; i < effectLineFloats; ++i) {
    worst0 = std::fmax(worst0, std::fabs(line0[0][i] - line0[1][i]));
    worst1 = std::fmax(worst1, std::fabs(line1[0][i] + line1[1][i]));
    level = std::fmax(level, std::fabs(line1[0][i]));
  }
  EXPECT_GT(level, 0.01);
  EXPECT_LT(worst0, 1e-6);
  EXPECT_LT(worst1, 1e-6);
  EXPECT_GT(arrival[0], 1e-3f);
  EXPECT_NEAR(arrival[1], -arrival[0], 1e-6);
}

TEST_F(PipeTest, WithAllModulationAmountsZeroTheFactorsAreTheTimeEntryLimited) {
  e->effectPipe.lengthMod = 0.0f;
  e->effectPipe.pickupMod[0] = e->effectPipe.pickupMod[1] = 0.0f;
  e->controllers.effectDepth = 1.0f;
  e->controllers.effectLevel = 0.2f;
  for (float entry : {0.5f, 3.0f, 0.0f}) {
    e->modMultipliers[3][0][25] = entry;
    run(silence(128));
    const float want = entry > 1.0f ? 1.0f : (entry < 0.0001f ? 0.0001f : entry);
    EXPECT_FLOAT_EQ(rt()->pipe.display[2], want) << entry;
    EXPECT_FLOAT_EQ(rt()->pipe.display[0], 0.33f * want) << entry;
    EXPECT_FLOAT_EQ(rt()->pipe.display[1], 0.405f * want) << entry;
  }
}

TEST_F(PipeTest, ControllerShortensTheTubeAndInvertedAmountsTurnTheDirection) {
  e->controllers.effectDepth = 1.0f;
  e->controllers.effectLevel = 0.25f;
  run(silence(128));
  // Amount 1: (1 - A) + c A = 0.25; pickup 1 is inverted by default: 1 - c A = 0.75.
  EXPECT_FLOAT_EQ(rt()->pipe.display[2], 0.25f);
  EXPECT_FLOAT_EQ(rt()->pipe.display[0], 0.33f * 0.25f);
  EXPECT_FLOAT_EQ(rt()->pipe.display[1], 0.405f * 0.75f);
}

TEST_F(PipeTest, LinesMissingLeaveTheBusesUnscaled) {
  rt()->lines[1] = nullptr;
  const Out out = run(impulse(256, 3, 0.7f));
  EXPECT_EQ(out.b[0][3], 0.7f);
  effectSetType(e, effectPipe);  // cut again
  EXPECT_NE(rt()->lines[1], nullptr);
}

TEST_F(PipeTest, FieldLayoutTakesTheOmniBusAndStaysFinite) {
  e->surround.fieldMode = 1;
  oneBeat();
  std::vector<float> in(20000, 0.0f);
  for (size_t i = 0; i < in.size(); i += 100) in[i] = 1.0f;
  const Out out = run(in);
  for (int b = 0; b < 3; ++b) EXPECT_TRUE(signalAllNormal(out.b[b].data(), out.b[b].size()));
  EXPECT_GT(signalRms(out.b[1].data() + 10000, 10000), 1e-4);
}

TEST_F(PipeTest, ParametersClampAndElementsBeyondOneAreIgnored) {
  effectPipeSetDelay(e, 1.0);  // 44,100 samples
  EXPECT_EQ(e->effectPipe.delay, 32767.0f);
  effectPipeSetDelay(e, -1.0);
  EXPECT_EQ(e->effectPipe.delay, 1e-5f);
  effectPipeSetDelay(e, 0.01);
  EXPECT_NEAR(effectPipeGetDelay(e), 0.01, 1e-7);
  effectPipeSetFeedback(e, -2.0);
  EXPECT_FLOAT_EQ(static_cast<float>(effectPipeGetFeedback(e)), -0.999f);
  effectPipeSetInputPos(e, 1.5);
  EXPECT_EQ(e->effectPipe.inputPos, 1.0f);
  effectPipeSetPickupPos(e, 2, 0.9);
  EXPECT_EQ(e->effectPipe.pickupPos[1], 0.405f);
  effectPipeSetPickupPos(e, 1, -0.3);
  EXPECT_EQ(effectPipeGetPickupPos(e, 1), 0.0);
  EXPECT_EQ(effectPipeGetPickupPos(e, 7), 0.0);  // any element but 0 reads pickup 1
  effectPipeSetPickupMod(e, 0, 0.3);
  EXPECT_FLOAT_EQ(static_cast<float>(effectPipeGetPickupMod(e, 0)), 0.3f);
  effectPipeSetPickupModInvert(e, 0, 1);
  EXPECT_EQ(effectPipeGetPickupModInvert(e, 0), 1);
  effectPipeSetLengthMod(e, 4.0);
  EXPECT_EQ(effectPipeGetLengthMod(e), 1.0);
  effectPipeSetLengthModInvert(e, 1);
  EXPECT_EQ(effectPipeGetLengthModInvert(e), 1);
  effectPipeSetFilterFreq(e, 1000.0);
  EXPECT_NEAR(effectPipeGetFilterFreq(e), 1000.0, 0.01);
}
