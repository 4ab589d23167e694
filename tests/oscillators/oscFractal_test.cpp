// "Fractalize" oscillator: one layer equals wave A, equal splits give octave layers with the
// normalised gains, uneven splits stay periodic, the pitch pull, splits pushed to 0 or 1, and the cycle
// walk against the plain sum.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "oscDoubleRig.h"
#include "oscillators/oscFractal.h"
#include "support/signal.h"

namespace {

void fractal(OscRig& rig, int iterations, float amount, float displacement) {
  plainTwoWave(rig, oscTypeFractalize);
  rig.record->iterations = iterations;
  rig.record->amount = amount;
  rig.record->displacement = displacement;
}

// Energy of the spectrum away from the harmonics of f0, as a fraction of the whole.
double offHarmonicShare(const std::vector<float>& x, double f0) {
  const std::vector<double> s = signalSpectrum(x.data(), x.size(), 65536);
  double total = 0.0, off = 0.0;
  for (std::size_t b = 1; b < s.size() / 2; ++b) {
    const double f = b * 44100.0 / 65536.0;
    const double e = s[b] * s[b];
    total += e;
    if (std::fabs(f - std::round(f / f0) * f0) > 10.0) off += e;
  }
  return off / total;
}

}  // namespace

TEST(Fractalize, OneIterationIsWaveA) {
  for (int bl = 0; bl < 2; ++bl) {
    std::vector<float> runs[2];
    for (int i = 0; i < 2; ++i) {
      OscRig rig;
      fractal(rig, 1, 0.5f, 0.3f);
      if (i == 1) rig.record->type = oscTypeSingle;
      rig.record->bandLimited = static_cast<std::uint32_t>(bl);
      if (bl) oscRebuildChannelTables(rig.engine, 0);
      rig.startNote(0, 45);
      runs[i] = rig.render(8192);
    }
    EXPECT_LT(maxDifference(runs[0], runs[1]), bl ? 2e-2 : 2e-3) << "band-limited " << bl;
    EXPECT_GT(signalRms(runs[0]), 0.3);
  }
}

// Displacement 0.5: layer k is wave A at 2^k times the note, with gain a^k / (1 + a + ...).
TEST(Fractalize, EqualSplitsGiveOctaveLayers) {
  struct Case {
    int iterations;
    float amount;
  } cases[] = {{3, 0.5f}, {2, 1.0f}, {4, 0.0f}, {7, 0.8f}, {9, 0.6f}};  // 9: seven layers play
  for (const Case& c : cases) {
    OscRig rig;
    fractal(rig, c.iterations, c.amount, 0.5f);
    rig.startNote(0, 33);  // 55 Hz
    const std::vector<float> out = rig.render(44100);
    const int layers = std::min(c.iterations, 7);
    double sum = 0.0;
    for (int k = 0; k < layers; ++k) sum += std::pow(c.amount, k);
    for (int k = 0; k < layers; ++k) {
      const double expected = std::pow(c.amount, k) / sum;
      EXPECT_NEAR(tone(out, 55.0 * (1 << k)), expected, 0.01 + 0.02 * expected)
          << c.iterations << " iterations, amount " << c.amount << ", layer " << k;
    }
    EXPECT_LT(tone(out, 55.0 * 3), 0.01);
    EXPECT_LT(tone(out, 55.0 * (1 << layers)), 0.01);  // no layer beyond the last
  }
}

// Uneven splits: every layer still repeats once per note cycle (harmonics of the note only).
TEST(Fractalize, UnevenSplitsStayPeriodic) {
  for (float d : {0.25f, 0.1f, 0.8f}) {
    OscRig rig;
    fractal(rig, 4, 0.7f, d);
    rig.startNote(0, 33);
    const std::vector<float> out = rig.render(32768);
    EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
    EXPECT_LT(offHarmonicShare(out, 55.0), 1e-3) << d;
    EXPECT_GT(tone(out, 55.0), 0.2) << d;
  }
}

// High notes pull the split toward 0.5: increment x iterations / 1024 at 1 or more gives 0.5.
TEST(Fractalize, PitchPullsTheSplit) {
  OscRig rig;
  fractal(rig, 7, 0.5f, 0.2f);
  rig.startNote(0, 127);  // increment about 291: x = 291 x 7 / 1024 > 1
  rig.render(256);
  EXPECT_EQ(rig.state()->fractalSplit[1], 0.5f);
  EXPECT_EQ(rig.state()->fractalSplit[0], 0.5f);
  OscRig low;
  fractal(low, 2, 0.5f, 0.2f);
  low.startNote(0, 21);  // increment about 0.64: x = 0.00125, pull x^0.2 = 0.26
  low.render(128);
  const double w = std::pow(noteIncrement(21) * 2.0 / 1024.0, 0.2);
  EXPECT_NEAR(low.state()->fractalSplit[1], 0.2 + w * 0.3, 1e-4);
}

// A split pushed to 0 or 1 leaves empty segments; they are skipped and each layer plays wave A
// once per cycle in its one full-width segment, so the sum is wave A at the note.
TEST(Fractalize, SplitAtZeroOrOneSkipsEmptySegments) {
  for (float push : {-50.0f, 50.0f}) {
    OscRig rig;
    fractal(rig, 7, 0.9f, 0.5f);
    rig.startNote(0, 69);
    rig.engine->modMultipliers[0][0][32] = push;  // displacement far outside 0..1
    std::vector<float> out = rig.render(44100);
    EXPECT_EQ(rig.state()->fractalSplit[1], push < 0.0f ? 0.0f : 1.0f);
    EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
    out.erase(out.begin(), out.begin() + 2048);  // after the switch from the voice start's tree
    EXPECT_NEAR(tone(out, 440.0), 1.0, 0.02) << push;
    EXPECT_NEAR(signalPeakFrequency(out, 44100.0), 440.0, 1.0) << push;
  }
}

// A split pushed to 0 leaves each level one segment over the whole cycle (the others empty and
// skipped), so every layer plays exactly what layer 0 plays. With amount 1 two layers sum to twice
// layer 0, normalised by one half: the output equals the one-layer render bit for bit, held or
// gliding, at either rate, in blocks of 1 to 9 frames and in full ones. Layer 1 goes through the
// run loop that skips empty segments, layer 0 through the one for levels without them.
TEST(Fractalize, EmptySegmentSkipMatchesLayerZeroBitForBit) {
  for (int bl = 0; bl < 2; ++bl) {
    for (int glide = 0; glide < 2; ++glide) {
      std::vector<float> out[2];
      for (int i = 0; i < 2; ++i) {
        OscRig rig;
        fractal(rig, i + 1, 1.0f, 0.5f);
        rig.record->bandLimited = static_cast<std::uint32_t>(bl);
        if (bl) oscRebuildChannelTables(rig.engine, 0);
        rig.startNote(0, 93);  // short runs: a cycle of about 25 frames
        rig.engine->modMultipliers[0][0][modRowFractDisplacement] = -50.0f;
        for (int b = 0; b < 60; ++b) {
          if (glide) rig.engine->voices[0].pitch *= 1.003f;
          const std::vector<float> part = rig.render(b < 30 ? 1 + b % 9 : 128);
          out[i].insert(out[i].end(), part.begin(), part.end());
        }
        EXPECT_EQ(rig.state()->fractalSplit[1], 0.0f);
      }
      ASSERT_EQ(out[0].size(), out[1].size());
      // From the second sample: the first sounds at the amplitude ramp's start, before the scale.
      EXPECT_EQ(std::memcmp(out[0].data() + 1, out[1].data() + 1, (out[0].size() - 1) * sizeof(float)), 0)
          << "band-limited " << bl << ", glide " << glide;
      EXPECT_GT(signalRms(out[0]), 0.1);
    }
  }
}

TEST(Fractalize, TreeEndsEveryLevelAtTheFullCycle) {
  OscVoiceState state;
  OscRig rig;
  oscVoiceInit(rig.engine, &state, 0);
  for (float x : {0.0f, 0.013f, 0.381f, 0.5f, 0.97f, 1.0f}) {
    fractBuildTree(&state, x);
    int first = 0;
    for (int level = 0; level < oscFractalLevels; ++level) {
      const int count = 1 << level;
      const FractalSegment* s = state.fractalSegments + first;
      EXPECT_EQ(s[0].start, 0.0f);
      EXPECT_EQ(s[count - 1].end, 1024.0f) << x << " level " << level;
      for (int j = 1; j < count; ++j) EXPECT_EQ(s[j].start, s[j - 1].end);
      for (int j = 0; j < count; ++j) EXPECT_TRUE(s[j].width > 0.0f || s[j].inverseWidth == 0.0f);
      first += count;
    }
  }
}

// The cycle walk, against the plain sum it must equal bit for bit (the increment grows by t before
// each step): steady pitches (t = +-0, whose walk leaves the increment as it is) and gliding ones,
// signed-zero phases, increments and changes, NaN and infinite increments, a walk stopped by the
// limit and one by the segment end, and one that passes the end of the cycle.
TEST(Fractalize, CycleWalkMatchesThePlainSum) {
  struct Case {
    float phase;
    double i, t;
    int limit;
    float end;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {0.0f, 3.7, 0.0, 256, 1024.0f},       {100.25f, 0.1, 0.0, 256, 1024.0f},  {1000.0f, 7.3, 0.0, 256, 1024.0f},
      {10.0f, 1.0 / 3.0, 0.0, 40, 1024.0f}, {10.0f, 2.1, 0.0, 256, 37.5f},      {500.0f, 3.0, 1e-3, 256, 1024.0f},
      {500.0f, 3.0, -0.0, 256, 900.0f},     {5.0f, -0.0, 0.0, 16, 1024.0f},     {5.0f, 0.0, -0.0, 16, 1024.0f},
      {5.0f, -0.0, -0.0, 16, 1024.0f},      {5.0f, nan, 0.0, 16, 1024.0f},      {1023.5f, 0.75, 0.0, 8, 1024.0f},
      {0.0f, 1e-12, 0.0, 256, 1024.0f},     {200.0f, 511.9, 0.0, 256, 1024.0f}, {-0.0f, -0.0, 0.0, 16, 1024.0f},
      {-0.0f, 0.0, -0.0, 16, 1024.0f},      {-0.0f, -0.0, -0.0, 16, 1024.0f},   {3.0f, inf, 0.0, 16, 1024.0f},
  };
  for (const Case& c : cases) {
    FractalSegment segment{1.0f, 1.0f, 1024.0f, c.end, 0.0f};
    FractalLevel level{};
    level.segmentCount = 1;
    level.segments = &segment;
    level.cyclePhase = c.phase;
    const int n = fractAdvancePhase(&level, c.i, c.t, c.limit);

    double i = c.i, phase = c.phase;
    int expected = 0;
    while (expected < c.limit && phase < c.end) {
      i += c.t;
      phase += i;
      ++expected;
    }
    float wrapped = static_cast<float>(phase >= 1024.0 ? phase - 1024.0 : phase);
    if (!(wrapped < 1024.0f)) wrapped = 0.0f;
    EXPECT_EQ(n, expected) << "phase " << c.phase << " increment " << c.i << " change " << c.t;
    if (phase == phase && phase < 2048.0 && phase > 0.0) {  // within the wrap's plain range
      float got = level.cyclePhase;
      EXPECT_EQ(std::memcmp(&got, &wrapped, sizeof got), 0)
          << "phase " << c.phase << " increment " << c.i << ": " << got << " against " << wrapped;
    }
    EXPECT_EQ(level.segmentEnded != 0, phase >= 1024.0) << "phase " << c.phase << " increment " << c.i;
  }
}
