// The echo (effect type 4) through the engine's own effect stage: defaults in "Beat" mode, the
// returning and decaying impulse, the setters' limits, and kind switches that must not replay audio.
#include <cmath>
#include <random>

#include "effectTestFixture.h"
#include "modules/echoEffect.h"
#include "modules/pitchIndex.h"
#include "modules/threeUnitEffect.h"

namespace {

class EchoTest : public EffectTest {
 protected:
  EffectEchoRecord& rec() { return e->effectEcho; }
  // Sample index of the largest magnitude of v in [from, to).
  static size_t peakAt(const std::vector<float>& v, size_t from, size_t to) {
    size_t best = from;
    for (size_t i = from; i < to && i < v.size(); ++i)
      if (std::fabs(v[i]) > std::fabs(v[best])) best = i;
    return best;
  }
  static float peakIn(const std::vector<float>& v, size_t from, size_t to) { return std::fabs(v[peakAt(v, from, to)]); }
  std::vector<float> noise(size_t n) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    std::vector<float> x(n);
    for (float& v : x) v = d(rng);
    return x;
  }
};

TEST_F(EchoTest, DefaultsOnlyLineZeroInBeatModeAtHalfABeat) {
  EXPECT_EQ(effectEchoGetTimeUnit(e), effectUnitBeats);
  EXPECT_EQ(effectEchoGetLineOn(e, 0), 1);
  EXPECT_EQ(effectEchoGetLineOn(e, 1), 0);
  EXPECT_EQ(effectEchoGetLineOn(e, 2), 0);
  EXPECT_EQ(rec().lines[0].delay.lastIndex, 29766);
  select(effectEcho);
  run(silence(128));
  // 120 BPM at 44.1 kHz: 0.5 beat x 22,050 samples x factor 1.0.
  EXPECT_DOUBLE_EQ(rec().lines[0].delay.targetDelay, 11025.0);
  EXPECT_DOUBLE_EQ(rec().lines[1].delay.targetDelay, 0.5 * 22050.0 * 0.751);
}

TEST_F(EchoTest, ImpulseReturnsAfterTheBeatDelayAndRepeatsDecaying) {
  select(effectEcho);
  const size_t n = 44100;
  Out out = run(impulse(n, 0));
  // The dry path: the impulse scaled by the dry level on both buses' sum.
  EXPECT_NEAR(out.b[0][0], 0.5f, 1e-6f);
  // Nothing but filter tails before the first echo.
  EXPECT_LT(peakIn(out.b[0], 200, 10900), 1e-3f);
  // The read lags the written sample by the whole delay - 1; the loop adds one 128-sample block.
  const size_t first = peakAt(out.b[0], 10900, 11300);
  const size_t second = peakAt(out.b[0], 22000, 22500);
  EXPECT_NEAR(static_cast<double>(first), 11024.0, 24.0);
  EXPECT_NEAR(static_cast<double>(second - first), 11024.0 + 128.0, 8.0);
  const float a1 = peakIn(out.b[0], 10900, 11300);
  const float a2 = peakIn(out.b[0], 22000, 22500);
  const float a3 = peakIn(out.b[0], 33100, 33700);
  EXPECT_GT(a1, 0.01f);
  EXPECT_LT(a2, a1);
  EXPECT_LT(a3, a2);
  EXPECT_GT(a3, 0.0f);
  for (int b = 0; b < 3; ++b)
    for (float v : out.b[b]) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(EchoTest, PlainLoopWithFiltersOffDecaysByTheLoopGain) {
  for (int l = 0; l < 3; ++l) {
    effectEchoSetLowPassOn(e, l, 0);
    effectEchoSetHighPassOn(e, l, 0);
    effectEchoSetAllpassOn(e, l, 0);
  }
  effectEchoSetFeedback(e, 0.5f);
  select(effectEcho);
  Out out = run(impulse(44100, 0));
  const float a1 = peakIn(out.b[0], 10900, 11300);
  const float a2 = peakIn(out.b[0], 22000, 22500);
  EXPECT_NEAR(a2 / a1, 0.5f, 1e-3f);
}

TEST_F(EchoTest, SettersClampAndStore) {
  effectEchoSetSync(e, 1);
  EXPECT_EQ(effectEchoGetTimeUnit(e), effectUnitSeconds);
  effectEchoSetBaseTime(e, 0.75);
  EXPECT_DOUBLE_EQ(effectEchoGetBaseTime(e), 0.75);
  EXPECT_DOUBLE_EQ(rec().lines[0].delay.targetDelay, 29765.0);  // 33,075 limited by the ring
  effectEchoSetBaseTime(e, 5.0);
  EXPECT_DOUBLE_EQ(effectEchoGetBaseTime(e), 0.75);
  effectEchoSetBaseTime(e, 0.0);
  EXPECT_DOUBLE_EQ(effectEchoGetBaseTime(e), 0.001);
  effectEchoSetBaseTime(e, 0.1);
  effectEchoSetLineTimeFactor(e, 1, 0.001);
  EXPECT_DOUBLE_EQ(effectEchoGetLineTimeFactor(e, 1), 0.01);
  EXPECT_NEAR(rec().lines[1].delay.targetDelay, 0.1 * 0.01 * 44100.0, 1e-9);
  EXPECT_NEAR(rec().lines[1].lineTime, 0.001, 1e-12);
  effectEchoSetBeatTime(e, 9.0);
  EXPECT_DOUBLE_EQ(effectEchoGetBeatTime(e), 8.0);
  effectEchoSetBeatTime(e, -1.0);
  EXPECT_DOUBLE_EQ(effectEchoGetBeatTime(e), 0.0);
  effectEchoSetSync(e, 3);
  EXPECT_EQ(effectEchoGetTimeUnit(e), effectUnitSeconds);
  effectEchoSetSync(e, 2);
  EXPECT_EQ(effectEchoGetTimeUnit(e), effectUnitBeats);

  effectEchoSetFeedback(e, 2.0f);
  EXPECT_FLOAT_EQ(effectEchoGetFeedback(e), 0.9999f);
  effectEchoSetLineFeedback(e, 2, -3.0f);
  EXPECT_FLOAT_EQ(effectEchoGetLineFeedback(e, 2), -0.9999f);
  effectEchoSetLinePan(e, 1, 1.5f);
  EXPECT_FLOAT_EQ(effectEchoGetLinePan(e, 1), 1.0f);
  effectEchoSetLineModAmount(e, 0, 4.0);
  EXPECT_DOUBLE_EQ(effectEchoGetLineModAmount(e, 0), 1.0);
  effectEchoSetLineLevel(e, 0, -12.0);
  EXPECT_NEAR(rec().lineLevel[0], 0.25f, 1e-7f);
  EXPECT_NEAR(effectEchoGetLineLevel(e, 0), -12.0, 1e-6);
  effectEchoSetLineLevel(e, 0, 1e6);  // would overflow a float: refused
  EXPECT_NEAR(rec().lineLevel[0], 0.25f, 1e-7f);

  effectEchoSetHighPassFreq(e, 0, 30000.0);
  EXPECT_DOUBLE_EQ(effectEchoGetHighPassFreq(e, 0), 30000.0);
  EXPECT_FLOAT_EQ(rec().lines[0].highPass.pitchIndex, 480.0f);
  effectEchoSetLowPassFreq(e, 0, 1000.0);
  EXPECT_FLOAT_EQ(rec().lines[0].lowPass.pitchIndex, static_cast<float>(dspFreqToIndex(1000.0)));
  effectEchoSetAllpassFreq(e, 0, std::nan(""));
  EXPECT_DOUBLE_EQ(effectEchoGetAllpassFreq(e, 0), 2000.0);
}

TEST_F(EchoTest, LineIndexOutsideTheThreeIsIgnored) {
  for (int line : {-1, 3, 100}) {
    effectEchoSetLineOn(e, line, 1);
    effectEchoSetLinePan(e, line, 0.1f);
    EXPECT_EQ(effectEchoGetLineOn(e, line), 0);
    EXPECT_FLOAT_EQ(effectEchoGetLinePan(e, line), 0.5f);
    EXPECT_DOUBLE_EQ(effectEchoGetLineTimeFactor(e, line), 1.0);
    EXPECT_DOUBLE_EQ(effectEchoGetLineLevel(e, line), -6.0);
    EXPECT_DOUBLE_EQ(effectEchoGetLowPassFreq(e, line), 5000.0);
  }
  EXPECT_EQ(effectEchoGetLineOn(e, 1), 0);
  EXPECT_EQ(effectEchoGetTimeUnit(nullptr), 2);
}

TEST_F(EchoTest, HostileModulationStaysFinite) {
  for (int l = 0; l < 3; ++l) effectEchoSetLineOn(e, l, 1);
  effectEchoSetFeedback(e, 0.9999f);
  select(effectEcho);
  setMod(1.0e6f);
  e->controllers.effectDepth = 1.0f;
  e->controllers.effectLevel = 1.0f;
  Out out = run(noise(44100));
  for (int b = 0; b < 3; ++b)
    for (float v : out.b[b]) ASSERT_TRUE(std::isfinite(v));
}

// Audio of one kind left in the shared delay memory must never come out of another kind.
struct SwitchCase {
  std::uint16_t from, to;
};
class KindSwitchTest : public EchoTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(KindSwitchTest, NewKindStartsSilent) {
  const SwitchCase c = GetParam();
  for (int l = 0; l < 3; ++l) effectEchoSetLineOn(e, l, 1);
  for (int u = 0; u < 3; ++u) effectRevSetUnitOn(e, u, 1);
  effectRevSetEarlyTapsOn(e, 1);
  select(c.from);
  run(noise(44100));
  select(c.to);
  Out out = run(silence(44100));
  float peak = 0.0f;
  for (int b = 0; b < 3; ++b)
    for (float v : out.b[b]) peak = std::max(peak, std::fabs(v));
  EXPECT_LT(peak, 1e-6f) << c.from << " -> " << c.to;
}

INSTANTIATE_TEST_SUITE_P(Kinds, KindSwitchTest,
                         ::testing::Values(SwitchCase{effectEcho, effectRev}, SwitchCase{effectRev, effectEcho},
                                           SwitchCase{effectComb, effectEcho}, SwitchCase{effectComb, effectRev},
                                           SwitchCase{effectTap, effectRev}, SwitchCase{effectEcho, effectEcho},
                                           SwitchCase{effectRev, effectRev}, SwitchCase{effectPipe, effectEcho}));

TEST_F(EchoTest, PresetLoadTakesTheParametersClampedAndStartsSilent) {
  select(effectEcho);
  run(noise(22050));
  EffectEchoRecord* p = static_cast<EffectEchoRecord*>(effectAlloc(effectEcho));
  ASSERT_NE(p, nullptr);
  effectEchoParamDefaults(p);
  p->on = 1;
  p->baseTime = 50.0;
  p->beatTime = std::nan("");
  p->feedback = 7.0f;
  p->lineTimeFactor[2] = -1.0;
  p->lines[2].lineOn = 9;
  p->lines[1].highPassFreq = 1000.0;
  p->header.timeUnit = effectUnitSeconds;
  effectCopy(e, p, nullptr, 1);
  std::free(p);
  EXPECT_EQ(effectGetType(e), effectEcho);
  EXPECT_EQ(effectIsOn(e), 1);
  EXPECT_DOUBLE_EQ(rec().baseTime, 0.75);
  EXPECT_DOUBLE_EQ(rec().beatTime, 0.5);
  EXPECT_FLOAT_EQ(rec().feedback, 0.9999f);
  EXPECT_DOUBLE_EQ(rec().lineTimeFactor[2], 0.01);
  EXPECT_EQ(rec().lines[2].lineOn, 1);
  EXPECT_FLOAT_EQ(rec().lines[1].highPass.pitchIndex, static_cast<float>(dspFreqToIndex(1000.0)));
  EXPECT_DOUBLE_EQ(rec().lines[0].delay.targetDelay, 29765.0);
  rt()->prevWet = 1.0f;
  Out out = run(silence(44100));
  float peak = 0.0f;
  for (float v : out.b[0]) peak = std::max(peak, std::fabs(v));
  EXPECT_LT(peak, 1e-6f);

  // And back out into a preset record: the parameters come with it.
  EffectEchoRecord* q = static_cast<EffectEchoRecord*>(effectAlloc(effectEcho));
  ASSERT_NE(q, nullptr);
  effectCopy(e, &rec(), q, 0);
  EXPECT_DOUBLE_EQ(q->baseTime, 0.75);
  EXPECT_EQ(q->lines[2].lineOn, 1);
  EXPECT_DOUBLE_EQ(q->lines[1].highPassFreq, 1000.0);
  EXPECT_EQ(q->header.size, effectEchoRecordSize);
  std::free(q);
}

}  // namespace
