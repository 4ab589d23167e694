// Channel modulators: "Freq Shift" moves a sine by the modulator's frequency (either direction by the
// switch), "Ringmod" balance 0 and 1, the accessors' limits and conversions, the increment limit, the
// modulation rows 13 and 14, and hostile phases and samples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/valueFormat.h"
#include "modulatorFixture.h"
#include "modules/hilbertCoefs.h"
#include "modules/modulator.h"
#include "support/signal.h"

namespace {

class Modulator : public VoicePathEngine {
 protected:
  ModulatorRecord& modulator(std::uint16_t type, double hz) {
    play(0, 1, 1);
    ModulatorRecord& r = e->modulators[0];
    r.on = 1;
    r.type = type;
    r.freqMode = 3;
    r.increment = static_cast<float>(pitchHzToInc(hz));
    r.wave = 0;  // "Sine"
    engineUpdateChannelFlags(e);
    return r;
  }
  void start() { modulatorVoiceStart(e, 0, 0, 60, 0); }
  std::vector<float> render(const std::vector<float>& in) {
    return run(in, [&](int n) { modulatorRenderAll(e, static_cast<std::int16_t>(n)); });
  }
  double level(const std::vector<float>& out, double hz) {
    const std::vector<float> settled = tail(out, 8192);
    return signalToneAmplitude(settled.data(), settled.size(), 44100.0, hz);
  }
};

}  // namespace

TEST(ModulatorHilbert, CoefficientsAt44100) {
  hilbertCoefsForRate(44100.0);
  EXPECT_NEAR(hilbertCoefs[0], -0.99923, 1e-5);
  EXPECT_NEAR(hilbertCoefs[5], -0.07921, 1e-5);
  EXPECT_NEAR(hilbertCoefs[11], 0.49496, 1e-5);
}

TEST_F(Modulator, FreqShiftMovesAKilohertzSineByTheModulatorFrequency) {
  struct Row {
    std::uint8_t shiftSwitch;
    double wanted, other;
  };
  for (const Row& row : {Row{1, 1100.0, 900.0}, Row{0, 900.0, 1100.0}}) {
    ModulatorRecord& r = modulator(modulatorFreqShift, 100.0);
    r.feedback = 0.0f;
    r.shiftSwitch = row.shiftSwitch;
    start();
    const std::vector<float> out = render(sineOf(1000.0, 44100, 0.5));
    ASSERT_TRUE(signalAllNormal(out.data(), out.size()));
    const double wanted = level(out, row.wanted), other = level(out, row.other), input = level(out, 1000.0);
    EXPECT_NEAR(wanted, 0.5, 0.05) << int(row.shiftSwitch);
    EXPECT_LT(20.0 * std::log10(other / wanted), -20.0) << int(row.shiftSwitch);
    EXPECT_LT(20.0 * std::log10(input / wanted), -20.0) << int(row.shiftSwitch);
    EXPECT_NEAR(signalPeakFrequency(tail(out, 8192), 44100.0), row.wanted, 3.0);
  }
}

TEST_F(Modulator, FreqShiftFeedbackAddsFurtherShiftedCopies) {
  ModulatorRecord& r = modulator(modulatorFreqShift, 100.0);
  EXPECT_FLOAT_EQ(r.feedback, 0.35f);  // the default
  start();
  const std::vector<float> out = render(sineOf(1000.0, 44100, 0.5));
  ASSERT_TRUE(signalAllNormal(out.data(), out.size()));
  EXPECT_GT(level(out, 1200.0), 0.02);
  EXPECT_LT(level(out, 1200.0), level(out, 1100.0));
}

TEST_F(Modulator, FreqShiftFrequencyChangeTakesEffectOneBlockLate) {
  ModulatorRecord& r = modulator(modulatorFreqShift, 100.0);
  start();
  const float first = e->modulatorStates[0][0][0].prevIncrement;
  r.increment = static_cast<float>(pitchHzToInc(200.0));
  render(std::vector<float>(128, 0.0f));
  // The block ran on the old increment: the phase advanced by 128 x the old one.
  EXPECT_NEAR(e->modulatorStates[0][0][0].phase, std::fmod(128.0 * first, 1024.0), 0.01);
  EXPECT_NEAR(e->modulatorStates[0][0][0].prevIncrement, pitchHzToInc(200.0), 1e-4);
}

TEST_F(Modulator, RingmodBalanceZeroIsIdentityAndOneMultipliesByTheWave) {
  ModulatorRecord& r = modulator(modulatorRingmod, 100.0);
  r.balance = 0.0f;
  start();
  const std::vector<float> in = sineOf(1000.0, 4096, 0.5);
  EXPECT_EQ(render(in), in);

  r.balance = 1.0f;
  start();
  const std::vector<float> constant(4096, 0.5f);
  const std::vector<float> out = render(constant);
  const double inc = pitchHzToInc(100.0);
  for (std::size_t n = 0; n < out.size(); ++n) {
    const double phase = std::fmod((n + 1) * inc, 1024.0);
    ASSERT_NEAR(out[n], 0.5 * std::sin(2.0 * 3.14159265358979323846 * phase / 1024.0), 2e-3) << n;
  }
}

TEST_F(Modulator, RingmodBalanceFollowsItsModulationRowWithARamp) {
  ModulatorRecord& r = modulator(modulatorRingmod, 100.0);
  r.balance = 1.0f;
  start();
  e->modMultipliers[0][0][14] = 0.0f;  // "mod %d balance (%d)"
  const std::vector<float> constant(256, 0.5f);
  const std::vector<float> out = render(constant);
  EXPECT_FLOAT_EQ(e->modulatorStates[0][0][0].balance, 0.0f);
  for (int n = 128; n < 256; ++n) EXPECT_FLOAT_EQ(out[n], 0.5f) << n;  // fully dry from the second block
}

TEST_F(Modulator, PitchRowAndNoteTracking) {
  ModulatorRecord& r = modulator(modulatorRingmod, 100.0);
  e->modMultipliers[0][0][13] = 2.0f;  // "mod %d pitch (%d)"
  start();
  EXPECT_NEAR(e->modulatorStates[0][0][0].prevIncrement, 2.0 * pitchHzToInc(100.0), 1e-4);
  r.freqMode = 1;
  r.ratio = 1.5f;
  start();
  EXPECT_NEAR(e->modulatorStates[0][0][0].prevIncrement, 2.0 * 1.5 * e->voices[0].pitch, 1e-4);
}

TEST_F(Modulator, IncrementStopsAt504InTheKernelsAnd510Point8AtTheStart) {
  ModulatorRecord& r = modulator(modulatorRingmod, 30000.0);
  start();
  EXPECT_FLOAT_EQ(e->modulatorStates[0][0][0].prevIncrement, 510.8f);
  render(std::vector<float>(128, 0.0f));
  EXPECT_FLOAT_EQ(e->modulatorStates[0][0][0].prevIncrement, 504.0f);
  (void)r;
}

TEST_F(Modulator, Accessors) {
  modulator(modulatorRingmod, 100.0);
  modulatorSetBalance(e, 0, 1.5);
  EXPECT_FLOAT_EQ(e->modulators[0].balance, 1.0f);
  modulatorSetBalance(e, 0, -0.5);
  EXPECT_FLOAT_EQ(e->modulators[0].balance, 0.0f);
  modulatorSetFeedback(e, 0, 0.9);
  EXPECT_FLOAT_EQ(e->modulators[0].feedback, 0.5f);
  modulatorSetFeedback(e, 0, -1.0);
  EXPECT_FLOAT_EQ(e->modulators[0].feedback, 0.0f);
  modulatorSetType(e, 0, 7);
  EXPECT_EQ(modulatorGetType(e, 0), 1);
  modulatorSetType(e, 0, 2);
  EXPECT_EQ(modulatorGetType(e, 0), 2);

  struct Row {
    std::int16_t mode;
    double value;
    double back;
  };
  for (const Row& row : {Row{0, 12.0, 12.0}, Row{1, 1.5, 1.5}, Row{2, 69.0, 69.0}, Row{3, 440.0, 440.0}}) {
    modulatorSetFreqMode(e, 0, row.mode);
    modulatorSetFrequency(e, 0, row.value);
    EXPECT_NEAR(modulatorGetFrequency(e, 0), row.back, 1e-3) << row.mode;
  }
  modulatorSetFreqMode(e, 0, 0);
  modulatorSetFrequency(e, 0, 12.0);
  EXPECT_NEAR(e->modulators[0].ratio, 2.0f, 1e-6);
  const ModulatorRecord before = e->modulators[0];
  modulatorSetFreqMode(e, 0, 9);
  modulatorSetFrequency(e, 0, 300.0);
  EXPECT_EQ(modulatorGetFrequency(e, 0), 0.0);
  EXPECT_EQ(e->modulators[0].ratio, before.ratio);
  EXPECT_EQ(e->modulators[0].increment, before.increment);

  modulatorSetWave(e, 0, 0x7F02);
  EXPECT_EQ(modulatorGetWave(e, 0), 0x7F02);
  modulatorSetShiftFlag(e, 0, 0);
  EXPECT_EQ(modulatorGetShiftFlag(e, 0), 0);
  EXPECT_EQ(modulatorGetType(e, 5), 0);
}

TEST_F(Modulator, SwitchingOnAndOffRoutesWithoutLeavingTheEnginePaused) {
  modulator(modulatorRingmod, 100.0);
  modulatorSetOn(e, 1, 0);
  e->channels[1]->on = 1;
  modulatorSetOn(e, 1, 1);
  EXPECT_EQ(modulatorIsOn(e, 1), 1);
  EXPECT_EQ(e->modulatorActive[1], 1);
  EXPECT_EQ(e->paused.load(), 0);
  modulatorSetOn(e, 1, 0);
  EXPECT_EQ(e->modulatorActive[1], 0);

  // Inside a caller's own stop, the switch leaves the engine stopped.
  engineStopAudio(e, 1);
  modulatorSetOn(e, 1, 1);
  EXPECT_EQ(e->paused.load(), 1);
  engineRestartAudio(e);
}

TEST_F(Modulator, TypesWithoutAKernelRenderAsBypass) {
  for (std::uint16_t type : {0, 3, 999}) {
    modulator(type, 100.0);
    start();
    const std::vector<float> in = sineOf(1000.0, 1024, 0.5);
    EXPECT_EQ(render(in), in) << type;
  }
}

TEST_F(Modulator, HostilePhasesAndSamplesNeitherHangNorStay) {
  for (std::uint16_t type : {modulatorRingmod, modulatorFreqShift}) {
    for (float phase : {1e30f, -1e30f, INFINITY, -INFINITY, NAN, -3.5f, 5000.25f}) {
      ModulatorRecord& r = modulator(type, 100.0);
      (void)r;
      start();
      e->modulatorStates[0][0][0].phase = phase;
      e->modulatorStates[0][0][0].prevIncrement = phase;  // as hostile as the phase
      std::vector<float> in = sineOf(1000.0, 128 * 8, 0.5);
      in[3] = INFINITY;
      in[4] = NAN;
      const std::vector<float> out = render(in);
      const ModulatorVoiceState& s = e->modulatorStates[0][0][0];
      EXPECT_GE(s.phase, 0.0f) << type << " " << phase;
      EXPECT_LT(s.phase, 1024.0f) << type << " " << phase;
      for (float m : s.hilbert) EXPECT_TRUE(std::isfinite(m));
      EXPECT_TRUE(signalAllNormal(out.data() + 256, out.size() - 256)) << type << " " << phase;
    }
  }
}

TEST_F(Modulator, SanitizeLimitsHostileValues) {
  ModulatorRecord r;
  modulatorInitRecord(&r, 0);
  r.type = 0;
  r.channel = 9;
  r.balance = 7.0f;
  r.feedback = NAN;
  r.ratio = INFINITY;
  r.increment = -INFINITY;
  r.wave = 0x7F01;
  modulatorSanitizeRecord(&r);
  EXPECT_EQ(r.channel, 0);
  EXPECT_EQ(r.type, 0);  // kept: it renders as a bypass
  EXPECT_EQ(r.wave, 0x7F01);
  EXPECT_FLOAT_EQ(r.balance, 1.0f);
  EXPECT_FLOAT_EQ(r.feedback, 0.35f);
  EXPECT_FLOAT_EQ(r.ratio, 1.0f);
  EXPECT_NEAR(r.increment, 5.10839f, 1e-4);
}

TEST_F(Modulator, HostileRecordsRenderFinite) {
  for (float bad : {NAN, INFINITY, -INFINITY, 1e30f, -1e30f}) {
    for (std::uint16_t type : {modulatorRingmod, modulatorFreqShift}) {
      ModulatorRecord& r = modulator(type, 100.0);
      r.balance = bad;
      r.feedback = bad;
      r.ratio = bad;
      r.increment = bad;
      start();
      r.freqMode = 1;
      const std::vector<float> out = render(sineOf(1000.0, 128 * 4, 0.5));
      EXPECT_TRUE(signalAllNormal(out.data(), out.size())) << type << " " << bad;
    }
  }
}

TEST_F(Modulator, SilenceAfterASoundLeavesNoDenormals) {
  for (std::uint16_t type : {modulatorRingmod, modulatorFreqShift}) {
    modulator(type, 100.0);
    start();
    std::vector<float> in(44100 * 2, 0.0f);
    const std::vector<float> tone = sineOf(1000.0, 4410, 0.5);
    std::copy(tone.begin(), tone.end(), in.begin());
    const std::vector<float> out = render(in);
    EXPECT_TRUE(signalAllNormal(out.data(), out.size())) << type;
    for (float m : e->modulatorStates[0][0][0].hilbert) EXPECT_NE(std::fpclassify(m), FP_SUBNORMAL) << type;
  }
}

TEST_F(Modulator, FreqShiftAt48kHzShiftsByTheSameFrequency) {
  engineCfgSetRate(48000.0f);  // recomputes the Hilbert coefficients; increments scale by 44,100 / rate
  ModulatorRecord& r = modulator(modulatorFreqShift, 100.0);
  r.feedback = 0.0f;
  start();
  const std::vector<float> out = render(sineOf(1000.0, 48000, 0.5, 48000.0));
  const std::vector<float> settled = tail(out, 8192);
  const double wanted = signalToneAmplitude(settled.data(), settled.size(), 48000.0, 1100.0);
  const double other = signalToneAmplitude(settled.data(), settled.size(), 48000.0, 900.0);
  EXPECT_NEAR(wanted, 0.5, 0.05);
  EXPECT_LT(20.0 * std::log10(other / wanted), -20.0);
  hilbertCoefsForRate(44100.0);
}

TEST_F(Modulator, FreqShiftLanesRenderedInPairsMatchTheLaneKernel) {
  // Three voices of two lanes: the render takes the six lanes in pairs; each must come out as the lane
  // kernel alone makes it.
  play(0, 3, 2);
  ModulatorRecord& r = e->modulators[0];
  r.on = 1;
  r.type = modulatorFreqShift;
  r.freqMode = 1;
  engineUpdateChannelFlags(e);
  for (int v = 0; v < 3; ++v) {
    e->voices[v].pitch = static_cast<float>(e->noteFreq[50 + 7 * v]);
    modulatorVoiceStart(e, 0, static_cast<std::int16_t>(v), 60, 0);
  }
  std::vector<float> expected[3];
  ModulatorVoiceState copies[3][2];
  for (int v = 0; v < 3; ++v) {
    for (int s = 0; s < 2; ++s) copies[v][s] = e->modulatorStates[0][v][s];
    expected[v].resize(256);
  }
  for (int block = 0; block < 6; ++block) {
    for (int v = 0; v < 3; ++v) {
      const std::vector<float> in = sineOf(300.0 + 250.0 * v, 256, 0.4);
      std::copy(in.begin(), in.begin() + 128, buffers[v].begin());
      std::copy(in.begin() + 128, in.end(), buffers[v].begin() + 128);
      expected[v] = std::vector<float>(buffers[v].begin(), buffers[v].begin() + 256);
      for (int s = 0; s < 2; ++s) modulatorProcessFreqShift(e, &r, &copies[v][s], expected[v].data() + s * 128, 0, 128);
    }
    modulatorRenderAll(e, 128);
    for (int v = 0; v < 3; ++v) {
      for (int n = 0; n < 256; ++n) ASSERT_EQ(buffers[v][n], expected[v][n]) << block << " " << v << " " << n;
      for (int s = 0; s < 2; ++s)
        ASSERT_EQ(std::memcmp(&copies[v][s], &e->modulatorStates[0][v][s], sizeof(ModulatorVoiceState)), 0);
    }
  }
}
