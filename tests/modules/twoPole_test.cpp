// Two-pole resonant filters: tables, responses measured from rendered sines, the segment ramp, the
// resonance guard and level of "LPF -12dB", hostile input.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "modulatorFixture.h"
#include "modules/pitchIndex.h"
#include "modules/twoPole.h"
#include "modules/twoPoleTables.h"
#include "support/signal.h"

namespace {

const TwoPoleTables& T = twoPoleTables;

double gainDb(const std::vector<float>& out, double hz) {
  const std::vector<float> settled = tail(out, 8192);
  return 20.0 * std::log10(signalToneAmplitude(settled.data(), settled.size(), 44100.0, hz) + 1e-30);
}

}  // namespace

TEST(TwoPoleTables, ButterworthRowsAndDerivedGains) {
  EXPECT_NEAR(T.a1[0], 1.9989926, 1e-6);
  EXPECT_NEAR(T.a1[480], -0.1201289, 1e-6);
  EXPECT_NEAR(T.a2[0], -0.9989930, 1e-6);
  EXPECT_NEAR(T.a2[480], -0.0161386, 1e-6);
  for (int j = 0; j <= twoPoleLastIndex; ++j) {
    ASSERT_NEAR(T.g0[j], 1.0 - T.a1[j] - T.a2[j], 1e-7) << j;
    ASSERT_NEAR(T.h0[j], 0.53 * (1.0 + T.a1[j] - T.a2[j]) / 4.0, 1e-7) << j;
  }
  for (int j = twoPoleLastIndex + 1; j < twoPoleTableSize; ++j) EXPECT_EQ(T.a1[j], 0.0f);
}

TEST(TwoPoleTables, TuningCurvesPassTheRowsAndFallMonotonically) {
  const double r12[] = {48.3, 40.68, 33.2, 25.71, 13.7, 7.104, 3.756, 2.106, 1.348, 1.049, 0.9719, 0.9489, 0.5818};
  const double l12[] = {10, 10, 10, 10, 6.375, 2.938, 1.219, 0.3594, 0, 0, 0, 0, 0};
  const double r24[] = {1.899, 1.899, 1.899, 1.899, 1.881, 1.807, 1.679, 1.494, 1.281, 1.105, 1.007, 0.9642, 0.6246};
  for (int k = 0; k < 13; ++k) {
    EXPECT_NEAR(T.r12[40 * k], r12[k], 1e-5) << k;
    EXPECT_NEAR(T.l12[40 * k], l12[k], 1e-5) << k;
    EXPECT_NEAR(T.r24[40 * k], r24[k], 1e-5) << k;
  }
  for (int j = 1; j <= twoPoleLastIndex; ++j) {
    ASSERT_LE(T.r12[j], T.r12[j - 1]) << j;
    ASSERT_LE(T.l12[j], T.l12[j - 1]) << j;
    ASSERT_LE(T.r24[j], T.r24[j - 1] + 1e-7f) << j;
  }
  for (int j = 0; j <= 135; ++j) ASSERT_FLOAT_EQ(T.l12[j], 10.0f) << j;
  for (int j = 312; j <= 480; ++j) ASSERT_FLOAT_EQ(T.l12[j], 0.0f) << j;
  EXPECT_NEAR(T.r12[118], 26.1, 0.3);  // nearly linear down to there
}

// Responses at a cutoff of 1 kHz, resonance 0, gain 1, width 1.
struct ResponseRow {
  const char* name;
  std::int16_t type;
  double hz;
  double minDb, maxDb;
};

class TwoPoleResponse : public VoicePathEngine, public ::testing::WithParamInterface<ResponseRow> {};

TEST_P(TwoPoleResponse, RenderedSineLevel) {
  const ResponseRow& row = GetParam();
  FilterRecord& r = channelFilter(row.type);
  r.cutoff = static_cast<float>(dspFreqToIndex(1000.0));
  startFilter();
  const std::vector<float> out = runFilter(sineOf(row.hz, 44100, 0.5));
  EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
  const double db = gainDb(out, row.hz) - 20.0 * std::log10(0.5);
  EXPECT_GE(db, row.minDb) << row.name;
  EXPECT_LE(db, row.maxDb) << row.name;
}

INSTANTIATE_TEST_SUITE_P(
    TwoPole, TwoPoleResponse,
    ::testing::Values(
        // "LPF -12dB": flat below, about -3 dB at the cutoff, 12 dB per octave above.
        ResponseRow{"lp12 100", filterLpf12dB, 100, -0.5, 0.5}, ResponseRow{"lp12 1k", filterLpf12dB, 1000, -4.5, -1.5},
        ResponseRow{"lp12 4k", filterLpf12dB, 4000, -27, -21}, ResponseRow{"lp12 8k", filterLpf12dB, 8000, -40, -33},
        // "LPF -24dB": two sections, -6 dB at the cutoff, 24 dB per octave above.
        ResponseRow{"lp24 100", filterLpf24dB, 100, -0.5, 0.5}, ResponseRow{"lp24 1k", filterLpf24dB, 1000, -7.5, -4.5},
        ResponseRow{"lp24 4k", filterLpf24dB, 4000, -54, -42},
        // "HPF -12dB": pass band near 0.53 (-5.5 dB) at high frequencies, 12 dB per octave below the cutoff.
        ResponseRow{"hp12 10k", filterHpf12dB, 10000, -6.5, -4.0},
        ResponseRow{"hp12 1k", filterHpf12dB, 1000, -10, -6.5}, ResponseRow{"hp12 250", filterHpf12dB, 250, -32, -26},
        // "Notch": the low-pass pass band below, the high-pass one (0.53) above, a dip between them. The
        // high-pass section's lower pass-band level puts the deepest point about a third of an octave
        // above the cutoff (near 1.3 kHz, -13 dB).
        ResponseRow{"notch 100", filterNotch, 100, -1, 1}, ResponseRow{"notch 10k", filterNotch, 10000, -6.5, -4.0},
        ResponseRow{"notch 1k", filterNotch, 1000, -11, -8.5}, ResponseRow{"notch 1k3", filterNotch, 1300, -15, -12}),
    [](const ::testing::TestParamInfo<ResponseRow>& info) {
      std::string s = info.param.name;
      for (char& c : s)
        if (c == ' ') c = '_';
      return s;
    });

TEST_F(VoicePathEngine, NotchDipNarrowsWithItsWidth) {
  // The dip lies between the two sections (cutoff -/+ 20 x width index steps); a smaller width brings
  // the sections together and deepens it.
  auto deepest = [&](float width, double* at) {
    double low = 1e9;
    for (double hz = 800.0; hz <= 2000.0; hz += 100.0) {
      FilterRecord& r = channelFilter(filterNotch);
      r.cutoff = static_cast<float>(dspFreqToIndex(1000.0));
      r.width = width;
      startFilter();
      const double db = gainDb(runFilter(sineOf(hz, 32768, 0.5)), hz);
      if (db < low) {
        low = db;
        *at = hz;
      }
    }
    return low;
  };
  double at1 = 0.0, atHalf = 0.0;
  const double d1 = deepest(1.0f, &at1), dHalf = deepest(0.5f, &atHalf);
  EXPECT_GE(at1, 1100.0);
  EXPECT_LE(at1, 1500.0);
  EXPECT_LT(dHalf, d1 - 4.0);
}

TEST_F(VoicePathEngine, LowPass12ResonanceLevelSettlesAtItsBoost) {
  // At 1,100 Hz the resonance does not move the target, so the guard settles at 1 and the level at
  // gain x (1 + L12 x resonance).
  FilterRecord& r = channelFilter(filterLpf12dB);
  r.cutoff = static_cast<float>(dspFreqToIndex(1100.0));
  r.resonance = 0.25f;
  r.gain = 0.5f;
  startFilter();
  runFilter(std::vector<float>(128 * 200, 0.0f));
  const FilterVoiceState& s = e->filterStates[0][0][0];
  EXPECT_NEAR(s.memA[11], 1.0f, 1e-4);
  EXPECT_NEAR(s.memA[10], 0.5f * (1.0f + T.l12[static_cast<int>(s.currentIndex)] * 0.25f), 1e-3);

  // At low cutoffs (index up to 135) a resonance of 1 raises the level elevenfold. The target lies
  // below the index's floor of 80 there, so the guard stays low and the level creeps up to it.
  r.cutoff = 100.0f;
  r.resonance = 1.0f;
  runFilter(std::vector<float>(128 * 3000, 0.0f));
  EXPECT_NEAR(s.memA[10], 0.5f * 11.0f, 0.05f);
  EXPECT_LT(s.memA[11], 0.5f);
}

TEST_F(VoicePathEngine, LowPass12FirstBlockAfterResetFadesInWithoutResonance) {
  FilterRecord& r = channelFilter(filterLpf12dB);
  r.cutoff = 300.0f;
  r.resonance = 1.0f;
  startFilter();
  const double cur = e->filterStates[0][0][0].currentIndex;
  std::vector<float> ones(128, 1.0f);
  const std::vector<float> out = runFilter(ones);
  // The first segment has level 0 and guard 0: silence; later segments rise.
  for (int n = 0; n < 8; ++n) EXPECT_LT(std::fabs(out[n]), 1e-20f) << n;
  EXPECT_GT(std::fabs(out[127]), 0.01f);
  // Resonance 1 puts the target at the index twice as far from 1,100 Hz (below 300 here): the guard
  // ends the block at the cube of the gain ratio.
  const double t = dspFreqToIndex(std::pow(dspIndexToFreq(cur), 2) / 1100.0);
  const double q = std::pow(twoPoleLerp(T.g0, t) / twoPoleLerp(T.g0, cur), 3);
  EXPECT_NEAR(e->filterStates[0][0][0].memA[11], q, 1e-3);
}

TEST_F(VoicePathEngine, LowPass12GuardShrinksTheResonanceWhenTheCutoffDrops) {
  FilterRecord& r = channelFilter(filterLpf12dB);
  r.cutoff = 400.0f;
  r.resonance = 0.5f;
  startFilter();
  runFilter(std::vector<float>(128 * 50, 0.0f));
  EXPECT_NEAR(e->filterStates[0][0][0].memA[11], 1.0f, 1e-4);
  r.cutoff = 200.0f;
  runFilter(std::vector<float>(128, 0.0f));
  EXPECT_LT(e->filterStates[0][0][0].memA[11], 0.2f);
}

struct RampRow {
  std::int16_t type;
  int frames;
};

class TwoPoleRamp : public VoicePathEngine, public ::testing::WithParamInterface<RampRow> {};

TEST_P(TwoPoleRamp, OneBlockReachesTheTargetForAnyFrameCount) {
  const RampRow row = GetParam();
  frames = row.frames;
  FilterRecord& r = channelFilter(row.type);
  r.cutoff = 300.0f;
  startFilter();
  r.cutoff = 200.0f;
  runFilter(std::vector<float>(static_cast<std::size_t>(row.frames), 0.1f));
  const double expected = row.type == filterLpf12dB
                              ? 200.0 + (dspFreqToIndex(std::pow(dspIndexToFreq(200.0), 2) / 1100.0) - 200.0) * 0.001
                              : 200.0;
  EXPECT_NEAR(e->filterStates[0][0][0].currentIndex, expected, 5e-3) << row.type << " " << row.frames;
}

INSTANTIATE_TEST_SUITE_P(TwoPole, TwoPoleRamp,
                         ::testing::Values(RampRow{filterLpf12dB, 128}, RampRow{filterLpf24dB, 128},
                                           RampRow{filterHpf12dB, 128}, RampRow{filterNotch, 128},
                                           RampRow{filterLpf12dB, 20}, RampRow{filterLpf24dB, 37},
                                           RampRow{filterHpf12dB, 7}, RampRow{filterNotch, 100}));

TEST_F(VoicePathEngine, LowPass24ResonanceRaisesItsTarget) {
  FilterRecord& r = channelFilter(filterLpf24dB);
  r.cutoff = 346.0f;
  r.resonance = 1.0f;
  startFilter();
  e->filterStates[0][0][0].currentIndex = 346.0f;
  runFilter(std::vector<float>(128, 0.0f));
  EXPECT_NEAR(e->filterStates[0][0][0].currentIndex, 346.0 + 0.0025 * 6.797 * dspIndexToFreq(346.0), 5e-3);
  EXPECT_NEAR(e->filterStates[0][0][0].currentIndex - 346.0f, 34.1f, 0.2f);
}

TEST_F(VoicePathEngine, ResonantTwoPolesStayFiniteAndRecoverFromHostileSamples) {
  for (std::int16_t type : {filterLpf12dB, filterLpf24dB, filterHpf12dB, filterNotch}) {
    FilterRecord& r = channelFilter(type);
    r.cutoff = 300.0f;
    r.resonance = 1.0f;
    startFilter();
    std::vector<float> in = sineOf(300.0, 128 * 40, 1.0);
    in[500] = INFINITY;
    in[700] = NAN;
    const std::vector<float> out = runFilter(in);
    EXPECT_TRUE(signalAllNormal(out.data() + 128 * 10, 128 * 30)) << type;
    for (float m : e->filterStates[0][0][0].memA) EXPECT_TRUE(std::isfinite(m)) << type;
  }
}

TEST_F(VoicePathEngine, TypeCodesWithoutARoutineRenderAsBypass) {
  for (std::int16_t type : {0, 7, 8, 18, -3, 400}) {
    FilterRecord& r = channelFilter(type);
    r.cutoff = 100.0f;
    const std::vector<float> in = sineOf(1000.0, 1024, 0.5);
    EXPECT_EQ(runFilter(in), in) << type;
  }
}
