// "BPF": tables, the band around its centre measured from rendered sines, the Q floor, the centre's
// limits and the guard on its stored values.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "modulatorFixture.h"
#include "modules/bandPass.h"
#include "modules/pitchIndex.h"
#include "support/signal.h"

namespace {

double levelAt(const std::vector<float>& out, double hz) {
  const std::vector<float> settled = tail(out, 8192);
  return signalToneAmplitude(settled.data(), settled.size(), 44100.0, hz);
}

}  // namespace

TEST(BandPassTables, Rows) {
  const BandPassTables& t = bandPassTables;
  EXPECT_NEAR(t.d[0], 84226.0, 84226.0 * 1e-3);
  EXPECT_NEAR(t.d[480], 21.58, 0.01);
  const double w = 2.0 * 3.14159265358979323846 * 1000.0 / 44100.0;
  const int j = 40 * 7 + 0;  // 5 x 2^7 = 640 Hz
  const double w640 = 2.0 * 3.14159265358979323846 * 640.0 / 44100.0;
  EXPECT_NEAR(t.a[j], -2.0 * std::cos(w640), 1e-6);
  EXPECT_NEAR(t.c[j], -std::exp(-w640 / 30.0), 1e-6);
  (void)w;
}

struct BandRow {
  float bandwidth;
  double ratioAtOctave;  // the centre's level at least this many times the level an octave away
};

class BandPassCentre : public VoicePathEngine, public ::testing::WithParamInterface<BandRow> {};

TEST_P(BandPassCentre, OneKilohertzStandsAboveHalfAndDouble) {
  const BandRow row = GetParam();
  double level[3];
  const double hz[3] = {500.0, 1000.0, 2000.0};
  for (int k = 0; k < 3; ++k) {
    FilterRecord& r = channelFilter(filterBpf);
    r.cutoff = static_cast<float>(dspFreqToIndex(1000.0));
    r.bandwidth = row.bandwidth;
    startFilter();
    const std::vector<float> out = runFilter(sineOf(hz[k], 44100, 0.5));
    ASSERT_TRUE(signalAllNormal(out.data(), out.size()));
    level[k] = levelAt(out, hz[k]);
  }
  EXPECT_GT(level[1], row.ratioAtOctave * level[0]) << row.bandwidth;
  EXPECT_GT(level[1], row.ratioAtOctave * level[2]) << row.bandwidth;
}

INSTANTIATE_TEST_SUITE_P(BandPass, BandPassCentre,
                         ::testing::Values(BandRow{1.0f, 1.25}, BandRow{4.0f, 2.0}, BandRow{30.0f, 8.0}));

TEST_F(VoicePathEngine, BandPassQBelowOneCountsAsOne) {
  std::vector<float> out[2];
  const float bandwidth[2] = {1.0f, 0.25f};
  for (int k = 0; k < 2; ++k) {
    FilterRecord& r = channelFilter(filterBpf);
    r.bandwidth = bandwidth[k];
    startFilter();
    out[k] = runFilter(sineOf(700.0, 4096, 0.5));
  }
  EXPECT_EQ(out[0], out[1]);
}

TEST_F(VoicePathEngine, BandPassCentreLimits) {
  struct Row {
    float bandwidth;
    float cutoff;
    float stored;
    float expectedCentre;
  };
  for (const Row& row : {Row{1.0f, 10.0f, 300.0f, 80.0f}, Row{1.0f, 480.0f, 300.0f, 435.0f + 35.0f / 30.0f},
                         Row{30.0f, 480.0f, 300.0f, 470.0f}, Row{36.0f, 480.0f, 300.0f, 476.0f}}) {
    FilterRecord& r = channelFilter(filterBpf);
    r.bandwidth = row.bandwidth;
    r.cutoff = row.cutoff;
    e->filterStates[0][0][0].currentIndex = row.stored;
    runFilter(std::vector<float>(128, 0.0f));
    EXPECT_NEAR(e->filterStates[0][0][0].currentIndex, row.expectedCentre, 1e-3) << row.bandwidth << " " << row.cutoff;
  }
}

TEST_F(VoicePathEngine, BandPassStoredValuesStayWithinTheGuardThroughFastSweeps) {
  FilterRecord& r = channelFilter(filterBpf);
  r.bandwidth = 60.0f;
  r.gain = 64.0f;
  startFilter();
  std::vector<float> in(128);
  for (int block = 0; block < 400; ++block) {
    r.cutoff = block % 2 ? 476.0f : 25.0f;  // jumps across the whole range every block
    for (int n = 0; n < 128; ++n) in[n] = (n + block) % 3 ? 8.0f : -8.0f;
    runFilter(in);
    const float* m = e->filterStates[0][0][0].memA;
    for (int k = 0; k < 4; ++k) {
      ASSERT_TRUE(std::isfinite(m[k])) << block;
      ASSERT_LE(std::fabs(m[k]), bandPassStateLimit) << block;
      ASSERT_TRUE(m[k] == 0.0f || std::fabs(m[k]) >= 1e-24f) << block;
    }
  }
}
