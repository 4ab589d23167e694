// The multi-tap delay: tap times in seconds and beats, the ring, parameters.
#include <cmath>

#include "effectTestFixture.h"
#include "engine/valueFormat.h"
#include "modules/multiTapEffect.h"
#include "support/signal.h"

namespace {

// Start of every run of samples above the threshold (the first sample of each arrival).
std::vector<size_t> arrivals(const std::vector<float>& x, size_t from, float threshold) {
  std::vector<size_t> at;
  bool inside = false;
  for (size_t i = from; i < x.size(); ++i) {
    const bool above = std::fabs(x[i]) > threshold;
    if (above && !inside) at.push_back(i);
    inside = above;
  }
  return at;
}

}  // namespace

class TapTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    select(effectTap);
    e->effectTap.feedback = 0.0f;  // one arrival per tap
    run(silence(128));             // the taps glide from their starting places to their targets
  }
  // Arrival times (relative to the impulse) of the wet signal on both buses.
  std::vector<size_t> tapTimes(size_t length, size_t at = 64) {
    const Out out = run(impulse(length, at));
    std::vector<float> w(length);
    for (size_t i = 0; i < length; ++i) w[i] = out.b[0][i] + out.b[1][i];
    std::vector<size_t> t = arrivals(w, at + 1, 1e-3f);
    for (size_t& v : t) v -= at;
    return t;
  }
  static void expectNear(const std::vector<size_t>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(static_cast<double>(got[i]), want[i], 1.0) << "arrival " << i;
  }
};

TEST_F(TapTest, DefaultsAtTheReferenceRateRepeatTheImpulseAtTheTapTimes) {
  // Time 44,100 samples; taps at factors 1.0, 0.48 and 0.73, sorted by arrival.
  expectNear(tapTimes(44100 + 400), {21168.0, 32193.0, 44100.0});
}

TEST_F(TapTest, BeatModeFollowsTheTempo) {
  effectSetTimeUnit(e, effectTap, effectUnitBeats);  // 1 beat
  run(silence(128));
  expectNear(tapTimes(22050 + 400), {10584.0, 16096.5, 22050.0});  // 120 BPM: 22,050 samples a beat
  tempoSetBpm(e, 60.0);
  tempoAdvance(e, 0);
  effectReset(e);
  run(silence(128));
  expectNear(tapTimes(44100 + 400), {21168.0, 32193.0, 44100.0});
}

TEST_F(TapTest, BeatModeAtFortyEightKilohertzScalesByTheRateRatioOnTop) {
  engineCfgSetRate(48000.0f);
  tempoAdvance(e, 0);
  effectSetTimeUnit(e, effectTap, effectUnitBeats);
  effectReset(e);
  run(silence(128));
  // Tap 1: 0.48 x 24,000 x 48,000 / 44,100.
  const std::vector<size_t> t = tapTimes(30000);
  ASSERT_GE(t.size(), 1u);
  EXPECT_NEAR(static_cast<double>(t[0]), 0.48 * 24000.0 * 48000.0 / 44100.0, 1.0);
}

TEST_F(TapTest, FeedbackRepeatsTapZeroOnly) {
  e->effectTap.feedback = 0.5f;
  e->effectTap.time = 1000.0f;
  run(silence(128));
  const std::vector<size_t> t = tapTimes(3000);
  // Taps 1 and 2 at 480 and 730, tap 0 at 1000; the fed-back copy arrives at each tap again
  // 1000 samples later (1480, 1730, 2000), and so on.
  expectNear({t.begin(), t.begin() + 6}, {480.0, 730.0, 1000.0, 1480.0, 1730.0, 2000.0});
}

TEST_F(TapTest, WithoutARingTheBusesAreLeftAsTheyAre) {
  e->effectTap.ringLength = effectTapMaxRing;
  effectSetType(e, effectTap);
  ASSERT_EQ(rt()->lines[0], nullptr);
  const Out out = run(impulse(256, 5, 0.8f));
  EXPECT_EQ(out.b[0][5], 0.8f);
}

TEST_F(TapTest, ATimeFactorOfZeroReadsTheRingAtTheWriteIndex) {
  e->effectTap.tapTimeFactor[1] = 0.0f;  // read after the write: the sample just written
  e->effectTap.tapTimeFactor[2] = 0.5f;
  e->effectTap.tapLevel[0] = 0.0f;
  run(silence(128));
  const Out out = run(impulse(512, 64));
  // The wet copy lands on the impulse's own sample (on top of the dry half).
  EXPECT_GT(out.b[0][64] + out.b[1][64] - 0.5f, 0.1f);
  EXPECT_LT(std::fabs(out.b[0][63] + out.b[1][63]), 1e-6f);
}

TEST_F(TapTest, WetLevelAboveOneIsLimitedInsideTheTapBlocks) {
  e->effectTap.levelA = 2.0f;
  e->effectTap.levelB = 0.0f;
  e->effectTap.tapLevel[0] = 1.0f;
  e->effectTap.time = 500.0f;
  run(silence(128));
  const Out out = run(impulse(1024, 10));
  // Tap 0 at pan 0.1: wet 1.0 (limited) x level 1.0 x the pan law; the ring holds the input
  // through the feedback low-pass, whose gain at DC is 1, so the echo's area is the gain.
  float l, r;
  effectPanGains(e, 0.1f, &l, &r);
  double sum = 0;
  for (int i = 500; i < 600; ++i) sum += out.b[0][i];
  EXPECT_NEAR(sum, l, 1e-3);
}

TEST_F(TapTest, ParametersClampAndBadIndexesAreIgnored) {
  effectTapSetTime(e, 0.0);
  EXPECT_FLOAT_EQ(e->effectTap.time, 0.441f);
  EXPECT_NEAR(effectTapGetTime(e), 0.00001, 1e-9);
  effectTapSetFeedback(e, 5.0);
  EXPECT_EQ(e->effectTap.feedback, 0.999f);
  effectTapSetFeedback(e, -5.0);
  EXPECT_EQ(e->effectTap.feedback, -0.999f);
  effectTapSetPan(e, 2, 1.0);
  EXPECT_EQ(e->effectTap.tapPan[2], 0.9999f);
  effectTapSetLevel(e, 0, 6.0);  // 2.0 linear, limited to 1
  EXPECT_EQ(e->effectTap.tapLevel[0], 1.0f);
  EXPECT_NEAR(effectTapGetLevel(e, 1), -6.0, 1e-9);
  effectTapSetTimeFactor(e, 3, 0.1);
  EXPECT_EQ(e->effectTap.tapTimeFactor[3], 0.0f);
  EXPECT_EQ(effectTapGetTimeFactor(e, 3), 0.0);
  EXPECT_EQ(effectTapGetPan(e, -1), 0.0);
  effectTapSetModInvert(e, 1, 1);
  EXPECT_EQ(effectTapGetModInvert(e, 1), 1);
  EXPECT_EQ(effectTapGetModInvert(e, 5), 0);
  effectTapSetFilterFreq(e, 10.0);
  EXPECT_NEAR(effectTapGetFilterFreq(e), 30.0, 0.01);
}

TEST_F(TapTest, TinyFeedbackActsAsNone) {
  e->effectTap.feedback = 0.0005f;
  e->effectTap.time = 1000.0f;
  run(silence(128));
  const std::vector<size_t> t = tapTimes(2600);
  expectNear(t, {480.0, 730.0, 1000.0});
}

TEST_F(TapTest, TheTapCountFieldChangesNothingAudible) {
  e->effectTap.time = 800.0f;
  run(silence(128));
  const Out three = run(impulse(1200, 30));
  e->effectTap.tapCount = 1;
  effectReset(e);
  run(silence(128));
  const Out one = run(impulse(1200, 30));
  for (int b = 0; b < 2; ++b)
    for (size_t i = 0; i < three.b[b].size(); ++i) ASSERT_NEAR(three.b[b][i], one.b[b][i], 1e-7) << b << " " << i;
}

// The page's seconds box reaches 10 s, and the setter keeps any time from 0.00001 s up: the taps read
// inside the ring whatever the time, the rate or the time modulation asks (checked under
// AddressSanitizer natively), and at the reference rate 10 s is heard at its full length.
TEST_F(TapTest, TheLongestTimeOfThePageReadsInsideTheRing) {
  effectTapSetTime(e, 10.0);
  EXPECT_NEAR(effectTapGetTime(e), 10.0, 1e-6);
  run(silence(128));
  expectNear(tapTimes(441000 + 400), {211680.0, 321930.0, 441000.0});

  const struct {
    float rate;
    float timeMod;
    double seconds;
  } cases[] = {{44100.0f, 1.0f, 10.0}, {96000.0f, 1.0f, 10.0},  {192000.0f, 1.0f, 10.0}, {44100.0f, 1.0e6f, 10.0},
               {44100.0f, 0.0f, 10.0}, {44100.0f, 1.0f, 1.0e9}, {44100.0f, 1.0f, 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "rate " << c.rate << " time mod " << c.timeMod << " s " << c.seconds);
    engineCfgSetRate(c.rate);
    effectTapSetTime(e, c.seconds);
    e->modMultipliers[3][0][effectModTime] = c.timeMod;
    effectReset(e);
    std::vector<float> noise(128 * 40);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<float>(std::sin(0.37 * static_cast<double>(i)));
    const Out out = run(noise);
    EXPECT_TRUE(signalAllNormal(out.b[0].data(), out.b[0].size()));
    const EffectRuntime* r = rt();
    const double size = static_cast<double>(r->capacity - (r->lines[0] - r->base));
    for (int t = 0; t < 3; ++t) {
      EXPECT_GE(r->tap.positions[t], 1.0f) << "tap " << t;
      EXPECT_LE(r->tap.positions[t], static_cast<float>(size)) << "tap " << t;
    }
  }
  engineCfgSetRate(44100.0f);
}
