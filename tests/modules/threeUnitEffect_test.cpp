// The three-unit effect (type 5): its set-up values, the parameter setters, the pre-delay, the dry
// path with everything off, and the impulse response of every unit mode measured on the buses.
#include <cmath>
#include <random>

#include "effectTestFixture.h"
#include "modules/pitchIndex.h"
#include "modules/threeUnitEffect.h"
#include "preset/fieldTables.h"

namespace {

class RevTest : public EffectTest {
 protected:
  EffectRevRecord& rec() { return e->effectRev; }
  static double rms(const std::vector<float>& v, size_t from, size_t to) {
    double s = 0.0;
    for (size_t i = from; i < to; ++i) s += static_cast<double>(v[i]) * v[i];
    return std::sqrt(s / static_cast<double>(to - from));
  }
};

TEST_F(RevTest, InitGivesTheSizeLanesFactorsAndFrequencies) {
  EXPECT_NEAR(effectRevGetSize(e), 14.285714, 1e-5);
  const double times[3] = {0.1, 0.06182, 0.038217124};
  const double targets[3] = {4410.0, 2726.262, 1685.3751684};
  const double bases[3] = {20000.0, 12364.0, 7643.4248};
  for (int u = 0; u < 3; ++u) {
    const EffectRevUnit& unit = rec().units[u];
    EXPECT_NEAR(unit.delayTime, times[u], 1e-12) << u;
    for (int k = 0; k < 3; ++k) {
      EXPECT_NEAR(unit.lanes[k].delay.targetDelay, targets[u], 1e-6) << u << k;
      EXPECT_EQ(unit.lanes[k].delay.lastIndex, 29999);
      EXPECT_FLOAT_EQ(unit.laneLowPass[k].pitchIndex, static_cast<float>(dspFreqToIndex(bases[u])));
      EXPECT_FLOAT_EQ(unit.laneStatesB[k].pitchIndex, static_cast<float>(dspFreqToIndex(bases[u])));
    }
    EXPECT_FLOAT_EQ(unit.laneDelayFactor[0], 1.0f);
    EXPECT_NEAR(unit.laneDelayFactor[1], 0.76387054f, 1e-7f);
    EXPECT_NEAR(unit.laneDelayFactor[2], 0.67365247f, 1e-7f);
    EXPECT_EQ(rec().mode[u], revModeResonant);
    EXPECT_EQ(rec().units[u].routine, effectRevUnitResonant);
  }
  EXPECT_EQ(rec().unitOn[0], 1);
  EXPECT_EQ(rec().unitOn[1], 0);
  EXPECT_EQ(rec().earlyTapsOn, 0);
  EXPECT_DOUBLE_EQ(rec().preDelayLine.targetDelay, 0.05 * 44100.0);
  EXPECT_EQ(rec().earlyA.count, 5);
  EXPECT_EQ(rec().earlyA.length, 3573);
  EXPECT_EQ(rec().earlyC.length, 1307);
  EXPECT_NEAR(effectRevGetPreDelay(e), 50.0, 1e-9);
  EXPECT_NEAR(effectRevGetFeedback(e), 80.0, 1e-5);
  EXPECT_NEAR(effectRevGetJitter(e), 0.1, 1e-6);
}

TEST_F(RevTest, SettersClampConvertAndRecompute) {
  effectRevSetSize(e, 100.0);
  EXPECT_DOUBLE_EQ(rec().size, 0.7);
  EXPECT_DOUBLE_EQ(rec().units[0].lanes[0].delay.targetDelay, 29998.0);  // 30,870 on a 30,000 ring
  effectRevSetSize(e, 0.0);
  EXPECT_NEAR(rec().size, 0.00007, 1e-12);
  for (int u = 0; u < 3; ++u) EXPECT_NEAR(rec().units[u].lanes[1].delay.targetDelay, 44.1, 1e-9);
  effectRevSetPreDelay(e, 600.0);
  EXPECT_DOUBLE_EQ(rec().preDelay, 0.5);
  EXPECT_DOUBLE_EQ(rec().preDelayLine.targetDelay, 22050.0);
  effectRevSetFeedback(e, 150.0);
  EXPECT_FLOAT_EQ(rec().feedback, 1.0f);
  effectRevSetJitter(e, -5.0);
  EXPECT_FLOAT_EQ(rec().jitter, 0.0f);
  effectRevSetBrightness(e, 0.0);
  EXPECT_DOUBLE_EQ(rec().brightness, 0.0001);

  effectRevSetUnitMode(e, 1, 4);
  EXPECT_EQ(effectRevGetUnitMode(e, 1), revModeResonant);
  effectRevSetUnitMode(e, 1, 3);
  EXPECT_EQ(effectRevGetUnitMode(e, 1), revModeSynthetic);
  EXPECT_EQ(rec().units[1].routine, effectRevUnitSynthetic);
  effectRevSelectRoutine(&rec().units[1], 4);
  EXPECT_EQ(rec().units[1].routine, effectRevUnitRaw);

  effectRevSetLaneSpread(e, 2, 0.0);
  for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(rec().units[2].laneDelayFactor[k], 1.0f);
  effectRevSetLaneBrightSpread(e, 0, 0.0);
  EXPECT_DOUBLE_EQ(rec().laneBrightSpread[0], 0.0001);
  EXPECT_NEAR(rec().units[0].laneFilterFactor[1], 0.99993818f, 1e-7f);
  EXPECT_NEAR(rec().units[0].laneFilterFactor[2], 0.99996178f, 1e-7f);
  effectRevSetUnitScale(e, 0, 500.0);
  EXPECT_DOUBLE_EQ(effectRevGetUnitScale(e, 0), 100.0);

  // The modulation depths keep what the page gives them, kept finite: a value that is not a number
  // leaves the depth, infinities stop at the row's ends.
  effectRevSetTimeModDepth(e, 1, 3.5);
  EXPECT_DOUBLE_EQ(effectRevGetTimeModDepth(e, 1), 3.5);
  effectRevSetTimeModDepth(e, 1, std::nan(""));
  EXPECT_DOUBLE_EQ(effectRevGetTimeModDepth(e, 1), 3.5);
  effectRevSetBrightModDepth(e, 2, -HUGE_VAL);
  EXPECT_DOUBLE_EQ(effectRevGetBrightModDepth(e, 2), revFields[revFieldBrightModDepth].lo);

  for (int u : {-1, 3}) {
    effectRevSetUnitOn(e, u, 1);
    effectRevSetUnitScale(e, u, 50.0);
    EXPECT_EQ(effectRevGetUnitOn(e, u), 0);
    EXPECT_DOUBLE_EQ(effectRevGetUnitScale(e, u), 100.0);
    EXPECT_DOUBLE_EQ(effectRevGetTimeModDepth(e, u), 0.0);
  }
  EXPECT_DOUBLE_EQ(effectRevGetSize(nullptr), 100.0);
  EXPECT_DOUBLE_EQ(effectRevGetPreDelay(nullptr), 0.0);
}

TEST(RevPreDelay, WholeSampleDelay) {
  std::vector<float> ring(100);
  for (int d : {0, 1, 7, 64, 97}) {
    DelayLine line{};
    ASSERT_EQ(delayLineInit(&line, static_cast<float>(d), ring.data(), 100), 1);
    std::vector<float> x(300, 0.0f);
    x[5] = 1.0f;
    for (int b = 0; b < 300; b += 100) effectRevPreDelayProcess(&line, x.data() + b, 100);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(x[i], i == 5 + d ? 1.0f : 0.0f) << d << " " << i;
  }
}

TEST_F(RevTest, AllOffLeavesExactlyTheDryBuses) {
  for (int u = 0; u < 3; ++u) effectRevSetUnitOn(e, u, 0);
  effectRevSetEarlyTapsOn(e, 0);
  select(effectRev);
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  for (int field = 0; field < 2; ++field) {
    e->surround.fieldMode = static_cast<std::uint16_t>(field);
    for (int block = 0; block < 20; ++block) {
      float in[3][128];
      for (int b = 0; b < 3; ++b)
        for (int i = 0; i < 128; ++i) e->buses[b][i] = in[b][i] = d(rng);
      effectRender(e, 128);
      for (int b = 0; b < (field ? 3 : 2); ++b)
        for (int i = 0; i < 128; ++i) ASSERT_EQ(e->buses[b][i], in[b][i] * 0.5f) << field << b << i;
    }
  }
}

TEST_F(RevTest, EarlyTapsAloneReachTheBusesAtTheirPans) {
  for (int u = 0; u < 3; ++u) effectRevSetUnitOn(e, u, 0);
  effectRevSetEarlyTapsOn(e, 1);
  select(effectRev);
  const size_t n = 8192;
  Out out = run(impulse(n, 0));
  // The same chain by hand: ring A on the input, then rings B and C on copies of its output, placed
  // at pans 0.1 and 0.9 with the wet level; the units add nothing.
  std::vector<float> ra(3573), rb(1530), rc(1307);
  MultiTap a{}, b{}, c{};
  multiTapInit(&a, 5, ra.data(), 3573);
  multiTapInit(&b, 3, rb.data(), 1530);
  multiTapInit(&c, 3, rc.data(), 1307);
  std::vector<float> x = impulse(n, 0);
  float lb, rb_, lc, rc_;
  effectPanGains(e, 0.1f, &lb, &rb_);
  effectPanGains(e, 0.9f, &lc, &rc_);
  for (size_t i = 0; i < n; i += 128) {
    multiTapProcess(&a, x.data() + i, 128);
    std::vector<float> xb(x.begin() + i, x.begin() + i + 128), xc(xb);
    multiTapProcess(&b, xb.data(), 128);
    multiTapProcess(&c, xc.data(), 128);
    for (size_t j = 0; j < 128; ++j) {
      const float dry = i + j == 0 ? 0.5f : 0.0f;
      EXPECT_NEAR(out.b[0][i + j], dry + 0.5f * (xb[j] * lb + xc[j] * lc), 1e-6f) << i + j;
      EXPECT_NEAR(out.b[1][i + j], 0.5f * (xb[j] * rb_ + xc[j] * rc_), 1e-6f) << i + j;
    }
  }
  EXPECT_GT(rms(out.b[0], 1, n), 1e-4);
}

TEST_F(RevTest, LaneDelaysGlideToTargetTimesFactorsShortenedOnlyByTheJitter) {
  const double want[3] = {4410.0, 3368.67, 2970.81};
  for (float jitter : {0.0f, 0.1f}) {
    effectRevSetJitter(e, jitter);
    select(effectRev);
    run(silence(128 * 40));
    for (int k = 0; k < 3; ++k) {
      const double d = rec().units[0].lanes[k].delay.currentDelay;
      if (jitter == 0.0f) {
        EXPECT_NEAR(d, want[k], 0.01) << k;
      } else {
        EXPECT_LE(d, want[k] + 0.01) << k;
        EXPECT_GT(d, want[k] * (1.0 - 1e-5)) << k;  // J = 0.005: less than 0.001 % shorter
      }
    }
  }
}

TEST_F(RevTest, ModulationFactorCarriesTheRateRatio) {
  EXPECT_FLOAT_EQ(effectRevModFactor(e, 0.0f, 0), 1.0f);
  engineCfgSetRate(48000.0f);
  EXPECT_NEAR(effectRevModFactor(e, 0.0f, 0), 1.0884354f, 1e-6f);
  e->modMultipliers[3][0][effectModTime] = 0.5f;
  EXPECT_NEAR(effectRevModFactor(e, 0.0f, 1), 0.5f * 1.0884354f, 1e-6f);
}

class RevModeTest : public RevTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(RevModeTest, ImpulseResponseSoundsDecaysAndStaysFinite) {
  for (int u = 0; u < 3; ++u) effectRevSetUnitMode(e, u, GetParam());
  select(effectRev);
  const size_t n = 5 * 44100;
  Out out = run(impulse(n, 0));
  std::vector<float> wet(out.b[0]);
  wet[0] = 0.0f;  // the dry impulse
  for (int b = 0; b < 3; ++b)
    for (float v : out.b[b]) ASSERT_TRUE(std::isfinite(v) && std::fpclassify(v) != FP_SUBNORMAL);
  for (const EffectRevLane& lane : rec().units[0].lanes) EXPECT_NE(std::fpclassify(lane.highPass.state1), FP_SUBNORMAL);
  const double early = rms(wet, 0, 22050);
  const double late = rms(wet, n - 4410, n);
  EXPECT_GT(early, 1e-4);
  EXPECT_LT(late, early * 1e-3) << "mode " << GetParam();  // 60 dB down within 5 s
}

INSTANTIATE_TEST_SUITE_P(Modes, RevModeTest,
                         ::testing::Values(revModeRaw, revModeNatural, revModeResonant, revModeSynthetic));

TEST_F(RevTest, AllUnitsAndEarlyTapsInEveryModeStayFinite) {
  for (int u = 0; u < 3; ++u) {
    effectRevSetUnitOn(e, u, 1);
    effectRevSetUnitMode(e, u, static_cast<std::uint32_t>(u + 1));
  }
  effectRevSetEarlyTapsOn(e, 1);
  effectRevSetFeedback(e, 100.0);
  // The modulation depths are stored as the page gives them (kept finite): hostile ones must not
  // break the render.
  effectRevSetTimeModDepth(e, 0, std::nan(""));
  effectRevSetTimeModDepth(e, 1, 1e30);
  effectRevSetBrightModDepth(e, 2, -1e30);
  e->controllers.effectDepth = 1.0f;
  e->controllers.effectLevel = 1.0f;
  select(effectRev);
  e->surround.fieldMode = 1;
  setMod(1.0e6f);
  std::mt19937 rng(9);
  std::uniform_real_distribution<float> d(-1.0f, 1.0f);
  std::vector<float> x(44100);
  for (float& v : x) v = d(rng);
  Out out = run(x);
  for (int b = 0; b < 3; ++b)
    for (float v : out.b[b]) ASSERT_TRUE(std::isfinite(v));
}

TEST_F(RevTest, PresetLoadClampsTheParametersAndRecomputes) {
  for (int u = 0; u < 3; ++u) effectRevSetUnitOn(e, u, 1);
  select(effectRev);
  run(impulse(44100, 0, 0.9f));  // audio left in the lines and states before the load
  EffectRevRecord* p = static_cast<EffectRevRecord*>(effectAlloc(effectRev));
  ASSERT_NE(p, nullptr);
  effectRevParamDefaults(p);
  p->on = 1;
  p->size = std::nan("");
  p->mode[1] = 99;
  p->jitter = 5.0f;
  p->preDelay = 3.0;
  p->unitScale[0] = 0.5;
  p->unitOn[2] = 1;
  effectCopy(e, p, nullptr, 1);
  std::free(p);
  EXPECT_EQ(effectGetType(e), effectRev);
  EXPECT_EQ(effectIsOn(e), 1);
  EXPECT_DOUBLE_EQ(rec().size, 0.1);
  EXPECT_EQ(rec().mode[1], revModeRaw);
  EXPECT_EQ(rec().units[1].routine, effectRevUnitRaw);
  EXPECT_FLOAT_EQ(rec().jitter, 1.0f);
  EXPECT_DOUBLE_EQ(rec().preDelay, 0.5);
  EXPECT_EQ(rec().unitOn[2], 1);
  EXPECT_NEAR(rec().units[0].lanes[0].delay.targetDelay, 0.05 * 44100.0, 1e-9);
  EXPECT_DOUBLE_EQ(rec().units[0].lanes[0].delay.currentDelay, rec().units[0].lanes[0].delay.targetDelay);
  rt()->prevWet = 1.0f;
  Out out = run(silence(44100));
  float peak = 0.0f;
  for (int b = 0; b < 3; ++b)
    for (float v : out.b[b]) peak = std::max(peak, std::fabs(v));
  EXPECT_LT(peak, 1e-6f);

  EffectRevRecord* q = static_cast<EffectRevRecord*>(effectAlloc(effectRev));
  ASSERT_NE(q, nullptr);
  effectCopy(e, &rec(), q, 0);
  EXPECT_DOUBLE_EQ(q->unitScale[0], 0.5);
  EXPECT_EQ(q->on, 1);
  EXPECT_EQ(q->header.type, effectRev);
  std::free(q);
}

}  // namespace
