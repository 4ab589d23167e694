// The waveshaper: silence stays silent, a straight ramp passes small signals, folding by a large input
// gain, the post-mix scaling by the polyphony, the master-lane drive, the modulation rows 10..12, the
// centre's wrap, hostile samples, the accessors and the record copy.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/valueFormat.h"
#include "modulatorFixture.h"
#include "modules/waveshaper.h"
#include "support/signal.h"

namespace {

class Waveshaper : public VoicePathEngine {
 protected:
  std::int16_t waveId = 0;

  // A preset-local wave filled by f(i) and the waveshaper on it, per voice, voice 0 started.
  template <class F>
  WaveshaperRecord& shaper(F f, int voices = 1, int lanes = 1) {
    play(0, voices, lanes);
    waveId = engineClaimPresetWave(e);
    EXPECT_GE(waveId, 0);
    WaveRecord* w = waveGet(e, waveId);
    for (int i = 0; i < waveLength; ++i) w->samples[i] = static_cast<float>(f(i));
    WaveshaperRecord& r = e->waveshaper;
    r.on = 1;
    r.wave = waveId;
    engineUpdateChannelFlags(e);
    waveshaperVoiceStart(e, 3, 0, 60, 0);
    return r;
  }
  std::vector<float> render(const std::vector<float>& in, int post = 0) {
    if (post) {
      return run(
          in,
          [&](int n) {
            std::copy(masters[0].begin(), masters[0].begin() + n, e->mixScratch);
            waveshaperRender(e, static_cast<std::int16_t>(n), 1);
            std::copy(e->mixScratch, e->mixScratch + n, masters[0].begin());
          },
          true);
    }
    return run(
        in, [&](int n) { waveshaperRender(e, static_cast<std::int16_t>(n), 0); }, true);
  }
};

double ramp(int i) { return -1.0 + 2.0 * i / 1023.0; }
double square(int i) { return std::pow((i - 511) / 512.0, 2); }

}  // namespace

TEST_F(Waveshaper, SilenceStaysSilent) {
  shaper([](int i) { return 0.3 + 0.5 * std::sin(i * 0.01); });
  const std::vector<float> out = render(std::vector<float>(1024, 0.0f));
  for (float x : out) ASSERT_LT(std::fabs(x), 1e-6f);
}

TEST_F(Waveshaper, StraightRampPassesSmallSignals) {
  shaper(ramp);
  const std::vector<float> in = sineOf(440.0, 4096, 0.1);
  const std::vector<float> out = render(in);
  for (std::size_t n = 0; n < in.size(); ++n) ASSERT_NEAR(out[n], in[n], 2e-3) << n;
  EXPECT_FLOAT_EQ(e->waveshaperStates[0][0].offset, 511.0f);  // -512 + 1023
}

TEST_F(Waveshaper, LargeInputGainFoldsAroundTheTable) {
  WaveshaperRecord& r = shaper(ramp);
  r.inGain = 40.0f;
  waveshaperVoiceStart(e, 3, 0, 60, 0);
  const std::vector<float> out = render(sineOf(100.0, 4096, 1.0));
  for (float x : out) ASSERT_LE(std::fabs(x), 2.01f);
  EXPECT_GT(signalRms(out), 0.3);
}

TEST_F(Waveshaper, HostileSamplesNeitherHangNorLeaveTheWave) {
  shaper(ramp);
  std::vector<float> in = sineOf(440.0, 512, 0.5);
  const float bad[] = {INFINITY, -INFINITY, NAN, 1e30f, -1e30f, 3e38f, 1e9f};
  for (int k = 0; k < 7; ++k) in[7 + k] = bad[k];
  in[300] = 1e30f;
  in[301] = -3e38f;
  const std::vector<float> out = render(in);
  EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
  for (float x : out) ASSERT_LE(std::fabs(x), 2.01f);
}

TEST_F(Waveshaper, PostMixScalesByThePolyphony) {
  // Curve ((i - 511) / 512)^2 around the centre 511: per voice an input of 0.4 gives 0.16; after the
  // mix with polyphony 4 the sum is divided by 4 before the curve and multiplied by 4 after: 0.04.
  WaveshaperRecord& r = shaper(square, 4);
  const std::vector<float> perVoice = render(std::vector<float>(512, 0.4f));
  EXPECT_NEAR(perVoice.back(), 0.16, 2e-3);
  r.postMix = 1;
  e->waveshaperStates[0][0].offset = -99999.0f;
  e->waveshaperStates[0][0].compensation = -99999.0f;
  const std::vector<float> postMix = render(std::vector<float>(512, 0.4f), 1);
  EXPECT_NEAR(postMix.back(), 0.04, 2e-3);
}

TEST_F(Waveshaper, PostMixOutputGainOfZeroRunsWithATenThousandth) {
  WaveshaperRecord& r = shaper(ramp, 1);
  r.postMix = 1;
  r.outGain = 0.0f;
  e->waveshaperStates[0][0] = {0.0f, 1.0f, -99999.0f, -99999.0f, 0};
  const std::vector<float> out = render(std::vector<float>(1024, 0.5f), 1);
  EXPECT_NEAR(out.back(), 0.5 * 0.0001, 1e-6);
}

TEST_F(Waveshaper, SeveralMasterLanesLowerTheDriveAndRaiseTheOutput) {
  WaveshaperRecord& r = shaper(square, 1, 3);
  (void)r;
  const std::vector<float> out = render(std::vector<float>(512, 0.4f));
  EXPECT_NEAR(out.back(), std::pow(0.4 * 0.637281, 2) * 1.569166505827, 2e-3);
}

TEST_F(Waveshaper, ModulationRowsTenElevenTwelve) {
  struct Row {
    float m10, m11, m12;
    double expected;
  };
  // Curve square: input 0.4 at gains 1 gives 0.16; M10 doubles the drive, M11 halves the output; M12 = 0
  // moves the centre to 0 (value (i-511)/512)^2 around 0: the compensation is w[0], about 0.998.
  for (const Row& row :
       {Row{2.0f, 1.0f, 1.0f, 0.64}, Row{1.0f, 0.5f, 1.0f, 0.08}, Row{1.0f, 1.0f, 0.0f, square(205) - square(0)}}) {
    shaper(square);
    e->modMultipliers[3][0][10] = row.m10;
    e->modMultipliers[3][0][11] = row.m11;
    e->modMultipliers[3][0][12] = row.m12;
    waveshaperVoiceStart(e, 3, 0, 60, 0);
    const std::vector<float> out = render(std::vector<float>(512, 0.4f));
    EXPECT_NEAR(out.back(), row.expected, 3e-3) << row.m10 << " " << row.m11 << " " << row.m12;
    neutralModulation();
  }
}

TEST_F(Waveshaper, CentreWrapsDownBy1024AndUpBy1023) {
  struct Row {
    float phase;
    float m12;
    float centre;
  };
  for (const Row& row : {Row{0.0f, 1.0f, 511.0f}, Row{3.0f, 0.0f, 512.0f}, Row{-0.5f, 0.0f, 767.0f},
                         Row{1e20f, 0.0f, 0.0f}, Row{0.0f, 1e30f, -1.0f}}) {
    WaveshaperRecord& r = shaper(ramp);
    r.phase = row.phase;
    e->modMultipliers[3][0][12] = row.m12;
    render(std::vector<float>(128, 0.0f));
    const float c = e->waveshaperStates[0][0].offset;
    EXPECT_GE(c, 0.0f);
    EXPECT_LT(c, 1024.0f);
    if (row.centre >= 0.0f) {
      EXPECT_FLOAT_EQ(c, row.centre) << row.phase << " " << row.m12;
    }
    neutralModulation();
  }
}

TEST_F(Waveshaper, VoiceStartPrimesEveryLaneButNotInPostMixOrLegato) {
  WaveshaperRecord& r = shaper(ramp, 2, 3);
  r.outGain = 0.5f;
  r.inGain = 2.0f;
  waveshaperVoiceStart(e, 3, 1, 60, 0);
  for (int s = 0; s < 3; ++s) {
    EXPECT_FLOAT_EQ(e->waveshaperStates[1][s].outGain, 0.5f);
    EXPECT_FLOAT_EQ(e->waveshaperStates[1][s].inGain, 2.0f);
    EXPECT_LT(e->waveshaperStates[1][s].offset, -5000.0f);
    EXPECT_LT(e->waveshaperStates[1][s].compensation, -5000.0f);
  }
  e->waveshaperStates[1][0].outGain = 7.0f;
  waveshaperVoiceStart(e, 3, 1, 60, 1);
  EXPECT_FLOAT_EQ(e->waveshaperStates[1][0].outGain, 7.0f);
  r.postMix = 1;
  waveshaperVoiceStart(e, 3, 1, 60, 0);
  EXPECT_FLOAT_EQ(e->waveshaperStates[1][0].outGain, 7.0f);
}

TEST_F(Waveshaper, PausedEngineLeavesTheBuffer) {
  shaper(square);
  e->paused.store(1);
  const std::vector<float> in(256, 0.4f);
  EXPECT_EQ(render(in), in);
  e->paused.store(0);
}

TEST_F(Waveshaper, AccessorsAndRecordCopy) {
  shaper(ramp);
  waveshaperSetInGainDb(e, 6.0);
  EXPECT_NEAR(e->waveshaper.inGain, 2.0f, 1e-6);
  EXPECT_NEAR(waveshaperGetInGainDb(e), 6.0, 1e-6);
  waveshaperSetOutGainDb(e, -12.0);
  EXPECT_NEAR(e->waveshaper.outGain, 0.25f, 1e-6);
  waveshaperSetOutGainDb(e, NAN);
  EXPECT_NEAR(e->waveshaper.outGain, 0.25f, 1e-6);
  waveshaperSetWave(e, 0x17F01);
  EXPECT_EQ(waveshaperGetWave(e), 0x7F01);
  waveshaperSetPhase(e, 0.25);
  EXPECT_FLOAT_EQ(e->waveshaper.phase, 0.25f);
  waveshaperSetPostMix(e, 1);
  EXPECT_EQ(waveshaperIsPostMix(e), 1);
  waveshaperSetOn(e, 0);
  EXPECT_EQ(waveshaperIsOn(e), 0);
  EXPECT_EQ(waveshaperIsPostMix(nullptr), 0);
  EXPECT_EQ(waveshaperGetWave(nullptr), 0);

  WaveshaperRecord r = e->waveshaper;
  r.inGain = INFINITY;
  r.phase = NAN;
  r.word = 77;
  r.on = 5;
  waveshaperSanitizeRecord(&r);
  EXPECT_FLOAT_EQ(r.inGain, 1.0f);
  EXPECT_FLOAT_EQ(r.phase, 0.0f);
  EXPECT_EQ(r.word, 3);
  EXPECT_EQ(r.on, 1);
}

TEST_F(Waveshaper, HostileRecordsRenderFinite) {
  for (float bad : {NAN, INFINITY, -INFINITY, 1e30f, -1e30f}) {
    WaveshaperRecord& r = shaper(ramp);
    r.inGain = bad;
    r.outGain = bad;
    r.phase = bad;
    r.word = 60000;
    const std::vector<float> out = render(sineOf(440.0, 512, 0.5));
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float x) { return std::isfinite(x); })) << bad;
  }
}
