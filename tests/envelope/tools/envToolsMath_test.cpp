// The tools' arithmetic on plain records: scaling (levels floored at 0.0001, times at 10 samples),
// the duration measured to the sustain point (from the loop start in loop mode) and scaled to a
// target, pulses written as 2n + 1 breakpoints, and hostile box values (0, negative, not a number,
// 1e9), each leaving a record the generator can play.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "envelope/envToolsMath.h"

namespace {

const double kNan = std::numeric_limits<double>::quiet_NaN();

EnvelopeSlot shaped(int count, double time, float level, int sustain, int mode = envModeSustain) {
  EnvelopeSlot s{};
  envInitSlot(&s, 3, envDestFilterFreq);
  for (int k = 0; k < count; ++k) {
    s.breakpoints[k].time = time * (k + 1);
    s.breakpoints[k].level = level;
    s.breakpoints[k].slope = 1.0f;
  }
  s.lastIndex = static_cast<int16_t>(count - 1);
  s.sustainIndex = s.releaseIndex = static_cast<int16_t>(sustain);
  s.loopStart = 0;
  s.mode = static_cast<uint16_t>(mode);
  s.startLevel = level;
  return s;
}

bool playable(const EnvelopeSlot& s) {
  if (s.lastIndex < 0 || s.lastIndex > 67) return false;
  for (int k = 0; k <= s.lastIndex; ++k) {
    const Breakpoint& b = s.breakpoints[k];
    if (!(b.time >= 1.0 && b.time <= 44100.0 * 86400.0)) return false;
    if (!(b.level >= 0.0f && b.level <= 1.0f) || !(b.slope > 0.0f && b.slope <= 100.0f)) return false;
  }
  return std::isfinite(s.startLevel);
}

TEST(EnvToolsMath, ScaleFloorsAndHostileFactors) {
  const EnvelopeSlot from = shaped(4, 4.0, 0.5f, 2);  // times 4, 8, 12, 16 samples
  // Amp scale 0 and offset 0: every level and the start level at the floor; short times at 10.
  EnvelopeSlot to = from;
  envToolScaleSlot(&from, &to, {1.0, 0.0, 0.0, 1.0});
  EXPECT_FLOAT_EQ(to.startLevel, 0.0001f);
  for (int k = 0; k <= 3; ++k) EXPECT_FLOAT_EQ(to.breakpoints[k].level, 0.0001f) << k;
  EXPECT_EQ(to.breakpoints[0].time, 10.0);
  EXPECT_EQ(to.breakpoints[1].time, 10.0);
  EXPECT_EQ(to.breakpoints[2].time, 12.0);
  // Factors as typed: each bounded, the result playable.
  const double hostile[] = {0.0, -5.0, kNan, 1e9, std::numeric_limits<double>::infinity()};
  for (double x : hostile) {
    to = from;
    envToolScaleSlot(&from, &to, {x, x, x, x});
    EXPECT_TRUE(playable(to)) << x;
  }
  to = from;
  envToolScaleSlot(&from, &to, {2.0, 2.0, 0.5, 3.0});
  EXPECT_EQ(to.breakpoints[3].time, 32.0);
  EXPECT_FLOAT_EQ(to.breakpoints[3].level, 1.0f) << "0.5 x 2 + 0.5 held at 1";
  EXPECT_FLOAT_EQ(to.breakpoints[3].slope, 3.0f);
}

TEST(EnvToolsMath, DurationMeasuresToTheSustainPoint) {
  // Sustain mode: breakpoints 0..2 (1 + 2 + 3 seconds) measured; everything scaled by 2 / 6.
  EnvelopeSlot from = shaped(5, 44100.0, 0.5f, 2);
  EnvelopeSlot to = from;
  EXPECT_DOUBLE_EQ(envToolMeasuredSeconds(&from), 6.0);
  ASSERT_TRUE(envToolSetDuration(&from, &to, 2.0));
  EXPECT_NEAR(to.breakpoints[0].time, 44100.0 / 3.0, 1e-6);
  EXPECT_NEAR(to.breakpoints[4].time, 5 * 44100.0 / 3.0, 1e-6);
  EXPECT_FLOAT_EQ(to.breakpoints[4].level, 0.5f);
  // Loop mode: from the loop start (1) to the sustain point (3): 2 + 3 + 4 seconds.
  EnvelopeSlot loop = shaped(5, 44100.0, 0.5f, 3, envModeLoop);
  loop.loopStart = 1;
  EXPECT_DOUBLE_EQ(envToolMeasuredSeconds(&loop), 9.0);
  loop.loopStart = -4;  // negative counts from 0
  EXPECT_DOUBLE_EQ(envToolMeasuredSeconds(&loop), 10.0);
  // Zero duration up to the sustain point: no ratio, left unchanged.
  EnvelopeSlot zero = shaped(5, 0.0, 0.5f, 2);
  EnvelopeSlot out = zero;
  EXPECT_FALSE(envToolSetDuration(&zero, &out, 2.0));
  EXPECT_EQ(std::memcmp(&out, &zero, sizeof out), 0);
  // Targets from the boxes: seconds, or beats at a tempo; hostile values bounded.
  EXPECT_DOUBLE_EQ(envToolDurationTarget(false, 2.0, 120.0, 4.0), 2.0);
  EXPECT_DOUBLE_EQ(envToolDurationTarget(true, 2.0, 120.0, 4.0), 2.0);
  EXPECT_DOUBLE_EQ(envToolDurationTarget(true, 2.0, 60.0, 4.0), 4.0);
  for (double x : {0.0, -1.0, kNan, 1e9}) {
    for (bool beats : {false, true}) {
      const double d = envToolDurationTarget(beats, x, x, x);
      EXPECT_TRUE(d >= 0.01 && d <= 10000.0 * 60.0) << x;
      to = from;
      envToolSetDuration(&from, &to, d);
      EXPECT_TRUE(playable(to)) << x;
    }
  }
}

TEST(EnvToolsMath, PulsesWriteTwoNPlusOnePoints) {
  for (int n : {1, 8, 32}) {
    EnvelopeSlot s = shaped(5, 1000.0, 0.5f, 2);
    s.breakpoints[40].lfoSeconds = 1.25;  // other fields stay
    envToolPulsesSlot(&s, {120.0, 0.5, n, 0.01, 0.0, 0.5});
    EXPECT_EQ(s.lastIndex, 2 * n) << n;
    EXPECT_EQ(s.sustainIndex, 2 * n - 1) << n;
    EXPECT_EQ(s.releaseIndex, 2 * n - 1) << n;
    EXPECT_FLOAT_EQ(s.startLevel, 0.000001f) << "min amp 0 gives the floor, not 0";
    for (int j = 0; j < n; ++j) {
      EXPECT_FLOAT_EQ(s.breakpoints[2 * j].level, 1.0f);
      EXPECT_NEAR(s.breakpoints[2 * j].time, 0.01 * 11025.0, 1e-9) << "a pulse is a quarter second at 120 BPM";
      EXPECT_NEAR(s.breakpoints[2 * j + 1].time, 0.99 * 11025.0, 1e-9);
      EXPECT_FLOAT_EQ(s.breakpoints[2 * j + 1].level, 0.000001f);
    }
    EXPECT_EQ(s.breakpoints[40].lfoSeconds, 1.25);
    EXPECT_TRUE(playable(s)) << n;
  }
  // Hostile pulse values: counts held to 1..32, the rest bounded.
  struct Case {
    double value;
    int count;
    int wantLast;
  } cases[] = {{0.0, 0, 2}, {-3.0, -3, 2}, {kNan, 99, 64}, {1e9, 1000000000, 64}};
  for (const Case& c : cases) {
    EnvelopeSlot s = shaped(5, 1000.0, 0.5f, 2);
    envToolPulsesSlot(&s, {c.value, c.value, c.count, c.value, c.value, c.value});
    EXPECT_EQ(s.lastIndex, c.wantLast) << c.value;
    EXPECT_TRUE(playable(s)) << c.value;
  }
}

}  // namespace
