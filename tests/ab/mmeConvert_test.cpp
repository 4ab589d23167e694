// The MME driver's sample conversions: truncation, saturation, NaN, and input shorter than the block.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ABMmeConvert.h"

TEST(MmeConvert, FloatToPcmTruncatesSaturatesAndInterleaves) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float in;
    int16_t out;
  } cases[] = {
      {0.0f, 0},          {0.5f, 16383}, {-0.5f, -16383}, {1.0f, 32767},  {-1.0f, -32767},  {1.0001f, 32767},
      {-1.0001f, -32768}, {2.0f, 32767}, {-2.0f, -32768}, {1e30f, 32767}, {-1e30f, -32768}, {inf, 32767},
      {-inf, -32768},     {nan, 0},      {3.0e-5f, 0},    {-3.1e-5f, -1},
  };
  const int n = sizeof cases / sizeof cases[0];
  std::vector<float> left(n), right(n);
  for (int i = 0; i < n; ++i) {
    left[i] = cases[i].in;
    right[i] = -0.25f;
  }
  const float* buffers[2] = {left.data(), right.data()};
  std::vector<int16_t> pcm(2 * n + 1, 0x5A5A);
  mmeFloatToPcm16(buffers, 2, n, pcm.data());
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(pcm[2 * i], cases[i].out) << "input " << cases[i].in;
    EXPECT_EQ(pcm[2 * i + 1], -8191);
  }
  EXPECT_EQ(pcm[2 * n], 0x5A5A);  // nothing past the block
}

TEST(MmeConvert, PcmToFloatConvertsTheRecordedFramesAndSilencesTheRest) {
  const int channels = 3, recorded = 5, frames = 8;
  std::vector<int16_t> pcm(channels * recorded);
  for (int f = 0; f < recorded; ++f)
    for (int c = 0; c < channels; ++c) pcm[f * channels + c] = static_cast<int16_t>((c + 1) * 1000 * (f - 2));
  pcm[0] = -32768;
  std::vector<std::vector<float>> out(channels, std::vector<float>(frames + 1, 7.0f));
  float* buffers[channels] = {out[0].data(), out[1].data(), out[2].data()};
  mmePcm16ToFloat(pcm.data(), channels, recorded, buffers, frames);
  EXPECT_EQ(out[0][0], -1.0f);
  for (int c = 0; c < channels; ++c) {
    for (int f = 0; f < frames; ++f) {
      if (c == 0 && f == 0) continue;
      const float want = f < recorded ? pcm[f * channels + c] / 32768.0f : 0.0f;
      EXPECT_EQ(out[c][f], want) << c << "," << f;
    }
    EXPECT_EQ(out[c][frames], 7.0f);  // nothing past the block
  }
}
