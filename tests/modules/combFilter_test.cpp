// "Comb": the pitch it rings at (and at 48 kHz), its output gain, the delay limits and glide, the
// feedback limit, and the pool: a full pool leaves a further comb lane passing its audio through.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "modulatorFixture.h"
#include "modules/combFilter.h"
#include "modules/filterCombPool.h"
#include "support/signal.h"

namespace {

class Comb : public VoicePathEngine {
 protected:
  FilterRecord& comb() {
    FilterRecord& r = channelFilter(filterComb);
    combBufferAssign(e);
    startFilter();
    return r;
  }
  std::vector<float> impulseResponse(std::size_t count) {
    std::vector<float> in(count, 0.0f);
    in[0] = 1.0f;
    return runFilter(in);
  }
  // The rate over the first echo's position (the centroid of the two samples the interpolated read
  // spreads the impulse over). The spectrum's peaks all have one height (0 Hz among them), so the
  // spacing of the echoes gives the pitch.
  double ringFrequency() {
    const std::vector<float> out = impulseResponse(4096);
    for (std::size_t n = 1; n + 1 < out.size(); ++n) {
      if (std::fabs(out[n]) < 0.05f) continue;
      const double position = n + out[n + 1] / (out[n] + out[n + 1]);
      return engineSampleRate() / position;
    }
    return 0.0;
  }
};

}  // namespace

TEST_F(Comb, DefaultRecordRingsAt220HzWithGainThreeQuarters) {
  FilterRecord& r = comb();
  EXPECT_EQ(r.combDelay, 200.4545f);
  EXPECT_NEAR(ringFrequency(), 220.0, 0.3);
  e->filterStates[0][0][0].memA[0] = 0.0f;
  std::fill(e->combBuffers[e->filterStates[0][0][0].combBuffer],
            e->combBuffers[e->filterStates[0][0][0].combBuffer] + 2048, 0.0f);
  const std::vector<float> out = impulseResponse(4096);
  // The first echo is the impulse read with interpolation around 200.45 samples, times 0.75.
  double first = 0.0;
  for (int n = 195; n < 206; ++n) first += out[n];
  EXPECT_NEAR(first, 0.75, 0.01);
  for (int n = 0; n < 199; ++n) EXPECT_LT(std::fabs(out[n]), 1e-6f) << n;
  // The second echo carries the feedback of 0.5.
  double second = 0.0;
  for (int n = 395; n < 407; ++n) second += out[n];
  EXPECT_NEAR(second, 0.375, 0.01);
}

TEST_F(Comb, At48kHzTheDelayIsInSamplesOfTheRunningRateUnlessTheFilterFollowsTheControl) {
  engineCfgSetRate(48000.0f);
  comb();
  e->controllers.filterSwitches[0] = 0;
  EXPECT_NEAR(ringFrequency(), 48000.0 / 200.4545, 0.5);  // about 239 Hz

  FilterRecord& r = comb();
  (void)r;
  e->controllers.filterSwitches[0] = 1;
  e->controllers.filterGain = 1.0f;
  e->filterStates[0][0][0].memA[0] = 0.0f;
  EXPECT_NEAR(ringFrequency(), 220.0, 0.5);
}

TEST_F(Comb, DelayStopsAtOneAndAt2046Samples) {
  struct Row {
    float delay;
    float frequencyMultiplier;
    float expected;
  };
  for (const Row& row : {Row{200.4545f, 1e6f, 1.0f}, Row{5000.0f, 1.0f, 2046.0f}, Row{200.4545f, 1e-9f, 2046.0f},
                         Row{0.001f, 1.0f, 1.0f}}) {
    FilterRecord& r = comb();
    r.combDelay = row.delay;
    e->modMultipliers[0][0][9] = row.frequencyMultiplier;
    e->filterStates[0][0][0].memA[0] = 0.0f;
    const std::vector<float> out = runFilter(sineOf(500.0, 128 * 8, 0.5));
    EXPECT_NEAR(e->filterStates[0][0][0].memA[0], row.expected, 1e-3) << row.delay << " " << row.frequencyMultiplier;
    EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
    neutralModulation();
  }
}

TEST_F(Comb, LfoFactorsOnlyLengthenTheDelay) {
  FilterRecord& r = comb();
  (void)r;
  const float up = 4.0f, down = 0.5f;
  FilterVoiceState& s = e->filterStates[0][0][0];
  s.lfoFactorLinks[0] = &up;
  s.memA[0] = 0.0f;
  runFilter(std::vector<float>(128, 0.0f));
  EXPECT_NEAR(s.memA[0], 200.4545f, 1e-3);  // capped at a ratio of 1
  s.lfoFactorLinks[0] = &down;
  s.memA[0] = 0.0f;
  runFilter(std::vector<float>(128, 0.0f));
  EXPECT_NEAR(s.memA[0], 400.909f, 1e-2);
  s.lfoFactorLinks[0] = &filterLinkOne;
}

TEST_F(Comb, DelayGlidesSixtyFivePercentPerBlock) {
  FilterRecord& r = comb();
  runFilter(std::vector<float>(128, 0.0f));
  EXPECT_NEAR(e->filterStates[0][0][0].memA[0], 200.4545f, 1e-3);
  r.combDelay = 100.0f;
  runFilter(std::vector<float>(128, 0.0f));
  EXPECT_NEAR(e->filterStates[0][0][0].memA[0], 200.4545 + 0.65 * (100.0 - 200.4545), 1e-2);
}

TEST_F(Comb, FeedbackIsLimitedSoTheLoopDecays) {
  for (float feedback : {1.0f, 5.0f, -3.0f}) {
    FilterRecord& r = comb();
    r.feedback = feedback;
    const std::vector<float> out = impulseResponse(44100 * 4);
    ASSERT_TRUE(signalAllNormal(out.data(), out.size())) << feedback;
    const double early = signalPeak(out.data() + 1000, 4096);
    const double late = signalPeak(out.data() + out.size() - 4096, 4096);
    EXPECT_LT(late, early * 0.9) << feedback;
    // Output gain (1 - 0.5 x 0.999) for either sign.
    double first = 0.0;
    for (int n = 195; n < 206; ++n) first += out[n];
    EXPECT_NEAR(first, 1.0 - 0.5 * 0.999, 0.01) << feedback;
  }
}

TEST_F(Comb, FullPoolLeavesAFurtherCombPassingAudioThrough) {
  play(0, 64, 2);
  play(1, 64, 1);
  for (int c : {0, 1}) {
    e->filters[c].on = 1;
    e->filters[c].type = filterComb;
  }
  engineUpdateChannelFlags(e);
  combBufferAssign(e);
  for (std::uint8_t u : e->combUsage) EXPECT_EQ(u, 1);
  for (int v = 0; v < 64; ++v) {
    EXPECT_EQ(e->filterStates[0][v][0].combBuffer, 2 * v);
    EXPECT_EQ(e->filterStates[0][v][1].combBuffer, 2 * v + 1);
    EXPECT_EQ(e->filterStates[1][v][0].combBuffer, -1);
  }
  // Channel 1's comb has no buffer: its voices keep their audio. (Channel 0 rests for this block.)
  e->channels[0]->on = 0;
  engineUpdateChannelFlags(e);
  const std::vector<float> in = sineOf(440.0, 128, 0.5);
  for (int v = 0; v < 64; ++v) {
    std::copy(in.begin(), in.end(), buffers[v].begin());
    e->voiceBuffers[1][v] = buffers[v].data();
  }
  filterRenderAll(e, 128);
  for (int v = 0; v < 64; ++v)
    for (int n = 0; n < 128; ++n) ASSERT_EQ(buffers[v][n], in[n]) << v;
}
