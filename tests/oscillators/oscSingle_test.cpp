// "Single" oscillator through the oscillator entry of a real engine: pitch at two rates, fixed
// pitch, unison spread and scale, seeded runs, band-limited note starts, any block length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "oscTestRig.h"
#include "oscillators/oscSingle.h"
#include "support/signal.h"

namespace {

// Frequency from rising zero crossings in [from, to) (linear interpolation between samples).
double crossingFrequency(const std::vector<float>& x, int from, int to, double rate) {
  double first = -1.0, last = -1.0;
  int count = 0;
  for (int i = from + 1; i < to; ++i) {
    if (x[i - 1] < 0.0f && x[i] >= 0.0f) {
      const double t = (i - 1) + x[i - 1] / static_cast<double>(x[i - 1] - x[i]);
      if (first < 0.0) first = t;
      last = t;
      ++count;
    }
  }
  return count >= 2 ? rate * (count - 1) / (last - first) : 0.0;
}

}  // namespace

class SinglePitch : public ::testing::TestWithParam<float> {};

TEST_P(SinglePitch, Note69IsA440) {
  const float rate = GetParam();
  OscRig rig(rate);
  rig.startNote(0, 69, false);
  const std::vector<float> out = rig.render(static_cast<int>(rate));
  EXPECT_NEAR(signalPeakFrequency(out, rate), 440.0, 1.0);
  EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
  EXPECT_NEAR(signalPeak(out.data(), out.size()), 1.0, 0.01);
}

INSTANTIATE_TEST_SUITE_P(Rates, SinglePitch, ::testing::Values(44100.0f, 48000.0f));

TEST(Single, FixedFrequencyIgnoresNoteAndBend) {
  const double rate = 44100.0;
  for (int mode : {oscFreqNote, oscFreqHz}) {
    OscRig rig;
    rig.record->freqMode = mode;
    rig.record->pitchInc = static_cast<float>(1000.0 * 1024.0 / 44100.0);
    rig.engine->controllers.pitchFactor = 2.0f;  // an octave of bend
    rig.startNote(0, 40);
    static const float lfoUp = 1.5f;  // an LFO holding the pitch up, and a glide under way
    rig.state()->lfoPitch[1] = &lfoUp;
    rig.engine->voices[0].glideRatio = 0.7f;
    EXPECT_NEAR(signalPeakFrequency(rig.render(44100), rate), 1000.0, 1.0) << "mode " << mode;
  }
  OscRig rig;  // the same bend moves a key-tracking oscillator
  rig.engine->controllers.pitchFactor = 2.0f;
  rig.startNote(0, 69);
  EXPECT_NEAR(signalPeakFrequency(rig.render(44100), rate), 880.0, 2.0);
}

TEST(Single, PitchIncrementIsClamped) {
  OscRig rig;
  rig.startNote(0, 69);
  rig.record->pitchRatio = 1000.0f;
  EXPECT_EQ(static_cast<float>(oscVoicePitch(rig.engine, rig.record, rig.state())), 510.79998779296875f);
  rig.record->pitchRatio = 1.0f;
  rig.engine->modMultipliers[0][0][2] = 0.0f;  // a pitch modulation of 0 stands the wave still
  EXPECT_EQ(oscVoicePitch(rig.engine, rig.record, rig.state()), 0.0);
  rig.engine->modMultipliers[0][0][2] = std::nanf("");
  EXPECT_EQ(oscVoicePitch(rig.engine, rig.record, rig.state()), 0.0);
}

TEST(Single, TwoUnisonVoicesAnOctaveApart) {
  OscRig rig;
  rig.record->numVoices = 2;
  rig.record->trans = 12.0f;
  rig.record->randTrans = 0.0f;
  rig.startNote(0, 69);
  const std::vector<float> out = rig.render(44100);
  // Voice 0 at the note, voice 1 at 1 / 2^(12/12); each scaled by 2 / (2 + 1).
  EXPECT_NEAR(signalToneAmplitude(out.data(), out.size(), 44100.0, 440.0), 2.0 / 3.0, 0.02);
  EXPECT_NEAR(signalToneAmplitude(out.data(), out.size(), 44100.0, 220.0), 2.0 / 3.0, 0.02);
  EXPECT_LT(signalToneAmplitude(out.data(), out.size(), 44100.0, 880.0), 0.01);
}

TEST(Single, FixedSeedGivesIdenticalRuns) {
  std::vector<float> runs[2];
  for (auto& run : runs) {
    OscRig rig;
    rig.record->numVoices = 5;
    rig.record->randTrans = 7.0f;
    dspRandomState = 12345u;
    rig.startNote(0, 57);
    run = rig.render(4096);
  }
  EXPECT_EQ(runs[0], runs[1]);
  EXPECT_GT(signalRms(runs[0]), 0.1);
}

// A band-limited note starts at its pitch: block 1 runs at the frequency of block 2.
TEST(Single, BandLimitedNoteStartsWithoutChirp) {
  for (int voices : {1, 3}) {
    OscRig rig;
    rig.record->bandLimited = 1;
    rig.record->numVoices = voices;
    rig.record->trans = 0.0f;  // all unison voices on one pitch: the sum stays a clean sine
    oscRebuildChannelTables(rig.engine, 0);
    rig.startNote(0, 100);  // about 2637 Hz: the oversampled increment reads level 4
    const std::vector<float> out = rig.render(256);
    const double f1 = crossingFrequency(out, 8, 128, 44100.0);
    const double f2 = crossingFrequency(out, 128, 256, 44100.0);
    ASSERT_GT(f2, 2000.0);
    EXPECT_NEAR(f1 / f2, 1.0, 0.01) << voices << " voices";
    EXPECT_NEAR(f2, 440.0 * std::pow(2.0, 31.0 / 12.0), 30.0);
  }
}

TEST(Single, BandLimitedSawIsQuieterAboveTheBandThanPlain) {
  const int note = 100;
  double alias[2];
  for (int bl = 0; bl < 2; ++bl) {
    OscRig rig;
    rig.record->waveA = 2;  // "Saw_real"
    rig.record->bandLimited = static_cast<std::uint32_t>(bl);
    if (bl) oscRebuildChannelTables(rig.engine, 0);
    rig.startNote(0, note);
    const std::vector<float> out = rig.render(16384);
    // Energy away from the harmonics of the note is aliasing.
    const std::vector<double> spectrum = signalSpectrum(out.data(), out.size(), 32768);
    const double f0 = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    double total = 0.0, off = 0.0;
    for (std::size_t b = 1; b < spectrum.size() / 2; ++b) {
      const double f = b * 44100.0 / 32768.0;
      const double e = spectrum[b] * spectrum[b];
      total += e;
      const double nearest = std::round(f / f0) * f0;
      if (std::fabs(f - nearest) > 40.0) off += e;
    }
    alias[bl] = off / total;
  }
  EXPECT_LT(alias[1], alias[0] * 0.1);
}

// Every block length 1..128 renders the same steady tone (no remainder is dropped or overrun).
// One case per band limiting and quarter of the block lengths 1..128, so test shards share the work.
class SingleBlockLength : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(SingleBlockLength, AnyBlockLengthRendersTheSameTone) {
  const int bl = std::get<0>(GetParam());
  const int firstBlock = std::get<1>(GetParam());
  std::vector<float> reference;
  {
    OscRig rig;
    rig.record->bandLimited = static_cast<std::uint32_t>(bl);
    if (bl) oscRebuildChannelTables(rig.engine, 0);
    rig.startNote(0, 81);
    reference = rig.render(1024, 128);
  }
  for (int block = firstBlock; block < firstBlock + 32; ++block) {
    OscRig rig;
    rig.record->bandLimited = static_cast<std::uint32_t>(bl);
    if (bl) oscRebuildChannelTables(rig.engine, 0);
    rig.startNote(0, 81);
    const std::vector<float> out = rig.render(1024, block);
    double worst = 0.0;
    for (int i = 0; i < 1024; ++i) worst = std::max(worst, std::fabs(double(out[i]) - reference[i]));
    EXPECT_LT(worst, bl ? 2e-2 : 2e-3) << "block " << block << " band-limited " << bl;
  }
}

INSTANTIATE_TEST_SUITE_P(Single, SingleBlockLength,
                         ::testing::Combine(::testing::Values(0, 1), ::testing::Values(1, 33, 65, 97)));

TEST(Single, HugeOrBrokenIncrementsStayBounded) {
  OscRig rig;
  rig.record->numVoices = 8;
  rig.record->trans = 48.0f;  // unison voice 7 sits 16^4 times above the note
  rig.startNote(0, 127);
  OscVoiceState* s = rig.state();
  s->unisonIncA[1] = INFINITY;
  s->unisonIncA[2] = std::nanf("");
  s->unisonIncA[3] = -1e30f;
  s->unisonPhaseA[4] = INFINITY;
  s->incA = 1e38f;
  for (int bl = 0; bl < 2; ++bl) {
    rig.record->bandLimited = static_cast<std::uint32_t>(bl);
    if (bl) oscRebuildChannelTables(rig.engine, 0);
    const std::vector<float> out = rig.render(512);
    EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
    for (float p : s->unisonPhaseA) EXPECT_TRUE(p >= 0.0f && p < 1024.0f);
  }
}

// The 2:1 decimator of the band-limited path: keeps the output band, removes what would fold back.
TEST(OscDecimator, PassesTheBandAndStopsTheFoldover) {
  struct Case {
    double frequency;  // cycles per oversampled sample
    double lowDb, highDb;
  } cases[] = {{0.02, -0.3, 0.3},     {0.1, -0.3, 0.3},     {0.2, -0.3, 0.3},     {0.3, -200.0, -35.0},
               {0.35, -200.0, -35.0}, {0.4, -200.0, -35.0}, {0.47, -200.0, -35.0}};
  const int frames = 4096;
  for (const Case& c : cases) {
    for (int block : {128, 7}) {
      float state[12] = {};
      std::vector<float> in(2 * frames), out(frames);
      for (int i = 0; i < 2 * frames; ++i)
        in[i] = static_cast<float>(std::sin(2.0 * 3.14159265358979 * c.frequency * i));
      for (int m = 0; m < frames; m += block) {
        const int n = std::min(block, frames - m);
        oscHalfbandDownsample(state, in.data() + 2 * m, out.data() + m, static_cast<std::int16_t>(n));
      }
      const double peak = signalPeak(out.data() + frames / 2, frames / 2);
      EXPECT_GE(signalDb(peak), c.lowDb) << c.frequency << " block " << block;
      EXPECT_LE(signalDb(peak), c.highDb) << c.frequency << " block " << block;
    }
  }
}

// A ramp never starts above 512 table samples per sample: a block of 128 frames then moves the
// phase by exactly 64 cycles, back to where it was.
TEST(Single, RampStartIsLimitedTo512) {
  OscRig rig;
  rig.record->pitchRatio = 1000.0f;  // the pitch itself is held at 510.8
  rig.startNote(0, 100);
  OscVoiceState* s = rig.state();
  s->incA = 600.0f;
  s->unisonIncA[0] = 600.0f;
  s->unisonPhaseA[0] = 100.0f;
  rig.render(128);
  EXPECT_NEAR(s->unisonPhaseA[0], 100.0f, 1e-3f);
  EXPECT_EQ(s->incA, 510.79998779296875f);
  EXPECT_EQ(s->unisonIncA[0], 512.0f);  // the next ramp starts from the limited increment
}
