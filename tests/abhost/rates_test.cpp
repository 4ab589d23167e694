// Rate choice, frame counts of the converted path, refused rates, and the converted stream: over
// 10,000 random device blocks the stage and left counts stay bounded and the output equals the
// whole-signal conversion of the (stage-delayed) input.
#include "hostRig.h"

#include "CubicInterpolator.h"
#include "SampleRateConverter.h"
#include "support/signal.h"

#include <cmath>

#include <random>

namespace {

TEST_F(HostTest, RateChoiceTable) {
  struct Case {
    int deviceRate;
    float maxRate, onlyRate;
    int clientRate, P, Q;
    bool integer, usable;
  } cases[] = {
      {44100, 48100, 0, 44100, 1, 1, true, true},  {48000, 48100, 0, 48000, 1, 1, true, true},
      {96000, 48100, 0, 48000, 1, 2, true, true},  {88200, 48100, 0, 44100, 1, 2, true, true},
      {192000, 48100, 0, 48000, 1, 4, true, true}, {144000, 48100, 0, 48000, 1, 3, true, true},
      {22050, 0, 44100, 44100, 2, 1, true, true},   // reversed pairs: x2
      {44100, 0, 48000, 48000, 1, 1, false, true},  // the 44,100 / 48,000 pair
      {48000, 0, 44100, 44100, 1, 1, false, true}, {50000, 0, 44100, 0, 1, 1, false, false},  // nothing serves it
      {0, 48100, 0, 0, 1, 1, true, false},         {-1, 48100, 0, 0, 1, 1, true, false},
  };
  for (const Case& c : cases) {
    PassClient client(2, 2, c.maxRate);
    client.onlyRate = c.onlyRate;
    AudioManager* m = client.manager;
    m->setDeviceRate(c.deviceRate);
    EXPECT_EQ(m->enabled, c.usable) << c.deviceRate;
    EXPECT_EQ(m->canUseDeviceRate(c.deviceRate), c.usable) << c.deviceRate;
    if (!c.usable) {
      // Every block is silence and the client is never called.
      TestBlock tb(2, 64);
      for (auto& ch : tb.out) std::fill(ch.begin(), ch.end(), 0.7f);
      m->runBlock(tb.frames(64));
      EXPECT_EQ(tb.out[0][10], 0.0f) << c.deviceRate;
      EXPECT_TRUE(client.calls.empty());
      continue;
    }
    EXPECT_EQ(m->clientRate, c.clientRate) << c.deviceRate;
    EXPECT_EQ(m->integerRatio, c.integer) << c.deviceRate;
    if (c.integer) {
      EXPECT_EQ(m->ratioP, c.P) << c.deviceRate;
      EXPECT_EQ(m->ratioQ, c.Q) << c.deviceRate;
    }
    ASSERT_FALSE(client.rates.empty());
    EXPECT_EQ(client.rates.back(), static_cast<float>(c.clientRate));
  }
}

TEST_F(HostTest, ConverterKernelsAndFrameRatios) {
  PassClient client(2, 2);
  AudioManager* m = client.manager;
  m->setDeviceRate(96000);
  EXPECT_EQ(m->converterIn.kernel(), dspKernel(2, 1, true));
  EXPECT_EQ(m->converterOut.kernel(), dspKernel(1, 2, true));

  PassClient only48(2, 2);
  only48.onlyRate = 48000;
  only48.manager->setDeviceRate(44100);
  EXPECT_DOUBLE_EQ(only48.manager->frameRatio, 1.088435411453247);
  // Resampling off: the rate pair is refused, processing stays off.
  PassClient off(2, 2);
  off.onlyRate = 48000;
  off.manager->setResampling(false);
  off.manager->setDeviceRate(44100);
  EXPECT_FALSE(off.manager->canUseDeviceRate(44100));
  EXPECT_FALSE(off.manager->enabled);
}

TEST_F(HostTest, ConvertedFrameCounts) {
  {  // 441 device frames at 48 kHz for a 44.1 kHz client: 405 client frames.
    PassClient client(2, 2);
    client.onlyRate = 44100;
    client.manager->setDeviceRate(48000);
    TestBlock tb(2, 441);
    client.manager->runBlock(tb.frames(441));
    EXPECT_EQ(client.calls, std::vector<int>{405});
  }
  {  // 1:2: 100 device frames give 50 client frames; 101 are raised to 102 (51 client frames).
    PassClient client(2, 2);
    client.manager->setDeviceRate(96000);
    TestBlock tb(2, 101);
    client.manager->runBlock(tb.frames(100));
    client.manager->runBlock(tb.frames(101));
    EXPECT_EQ(client.calls, (std::vector<int>{50, 51}));
    EXPECT_EQ(client.manager->leftCount, 1);
  }
}

// The whole signal through the two converters in one call each: what the converted path must give.
std::vector<float> wholeConversion(int P, int Q, const std::vector<float>& input) {
  std::vector<float> staged(P * Q, 0.0f);
  staged.insert(staged.end(), input.begin(), input.end());
  staged.resize(staged.size() / (P * Q) * (P * Q));
  SampleRateConverter in(1), out(1);
  in.setRates(Q, P, true);
  out.setRates(P, Q, true);
  std::vector<float> client(staged.size() * P / Q);
  in.process(0, staged.data(), client.data(), static_cast<int>(staged.size()));
  std::vector<float> back(staged.size());
  out.process(0, client.data(), back.data(), static_cast<int>(client.size()));
  return back;
}

TEST_F(HostTest, ConvertedStreamOverRandomBlocksEqualsTheWholeConversion) {
  struct Pair {
    int deviceRate;
    float onlyRate;
    int P, Q;
  } pairs[] = {{96000, 0, 1, 2},  {72000, 48000, 2, 3}, {64000, 48000, 3, 4}, {144000, 0, 1, 3},
               {192000, 0, 1, 4}, {24000, 48000, 2, 1}, {16000, 48000, 3, 1}};
  for (const Pair& pr : pairs) {
    PassClient client(1, 1, 48100);
    client.onlyRate = pr.onlyRate;
    AudioManager* m = client.manager;
    m->setDeviceRate(pr.deviceRate);
    ASSERT_EQ(m->ratioP, pr.P);
    ASSERT_EQ(m->ratioQ, pr.Q);
    std::mt19937 rng(pr.deviceRate);
    TestBlock tb(1, 2048);
    std::vector<float> input, output;
    int maxStage = 0, maxLeft = 0;
    for (int b = 0; b < 10000; ++b) {
      const int n = (rng() % 4 == 0) ? static_cast<int>(rng() % 2048) : static_cast<int>(rng() % 40);
      for (int f = 0; f < n; ++f) {
        tb.in[0][f] =
            std::sin(0.001f * static_cast<float>(input.size())) * 0.5f + 0.0001f * static_cast<float>(rng() % 100);
        input.push_back(tb.in[0][f]);
      }
      m->runBlock(tb.frames(n));
      output.insert(output.end(), tb.out[0].begin(), tb.out[0].begin() + n);
      maxStage = std::max(maxStage, m->stageCount);
      maxLeft = std::max(maxLeft, m->leftCount);
      ASSERT_EQ(m->stageCount + m->leftCount, pr.P * pr.Q) << b;
    }
    EXPECT_LE(maxStage, pr.P * pr.Q);
    EXPECT_LT(maxLeft, pr.P * pr.Q);
    std::vector<float> expected = wholeConversion(pr.P, pr.Q, input);
    const size_t n = std::min(expected.size(), output.size());
    ASSERT_GT(n, input.size() - 16);
    for (size_t i = 0; i < n; ++i) ASSERT_EQ(output[i], expected[i]) << pr.deviceRate << " at " << i;
  }
}

TEST_F(HostTest, InterpolatedPathRunsAt44100For48000) {
  PassClient client(1, 1);
  client.onlyRate = 44100;
  AudioManager* m = client.manager;
  m->setDeviceRate(48000);
  TestBlock tb(1, 480);
  std::vector<float> out;
  long long pos = 0;
  for (int b = 0; b < 200; ++b) {
    for (int f = 0; f < 480; ++f, ++pos)
      tb.in[0][f] = static_cast<float>(0.5 * std::sin(2 * 3.14159265358979 * 440.0 * pos / 48000.0));
    m->runBlock(tb.frames(480));
    out.insert(out.end(), tb.out[0].begin(), tb.out[0].end());
  }
  for (int frames : client.calls) EXPECT_EQ(frames, 441);
  // The tone comes back at its pitch and level.
  EXPECT_NEAR(signalToneAmplitude(out.data() + 4800, out.size() - 4800, 48000.0, 440.0), 0.5, 0.02);
}

}  // namespace
