// "Granular" oscillator: grain length, amplitude, pitch and allpass sweep of the documented example
// settings, the first lengths staggered over a grain, a fixed seed giving the same sound, stored
// grain counts out of range, a scan position held at the data's start, long grains at high pitch near
// the end of the data, every block length, silent voices and the page's parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "modules/allpassTable.h"
#include "oscillators/oscGranular.h"
#include "oscillators/oscSampleRig.h"
#include "support/signal.h"

namespace {

struct GranularRig : SampleRig {
  OscSubRecord& params;
  GranularRig() : SampleRig(oscTypeGranular), params(record->subRecord) {}
  // "Dens" 1, no random deviations, no diffusion.
  void plain(float size) {
    params.count = 1;
    params.size = size;
    params.randTime = params.randFreq = params.randAmp = 1.0f;
    params.diffusion = 1.0f;
  }
  GrainSlot& slot(int k, int voice = 0) { return state(voice)->grainBlock.slots[k]; }
};

std::vector<float> tone(int frames, int channels) {
  std::vector<float> v;
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      v.push_back(static_cast<float>(0.4 * std::sin(0.031 * f + c) + 0.3 * std::sin(0.0071 * f * (c + 1))));
  return v;
}

TEST(OscGranular, ExampleSettingsGiveOneGrainOfTheSizeAtFullAmplitude) {
  for (float size : {128.0f, 1000.0f, 10000.0f}) {
    GranularRig rig;
    rig.setSample(std::vector<float>(50000, 0.5f), 1);
    rig.fixedIncrement(1.0);
    rig.plain(size);
    rig.startNote(0, 60);
    const GrainSlot& g = rig.slot(0);
    const std::int32_t want = size < 256.0f ? 256 : static_cast<std::int32_t>(size);
    EXPECT_EQ(g.length, want);
    EXPECT_EQ(g.life, want);
    EXPECT_EQ(g.start, 0);
    EXPECT_EQ(g.release, want / 4);
    EXPECT_EQ(g.attack, want / 4);
    EXPECT_EQ(g.sustainEnd, want - want / 4);
    EXPECT_FLOAT_EQ(g.amplitude, 1.0f);
    EXPECT_FLOAT_EQ(g.pitchFactor, 1.0f);
    EXPECT_FLOAT_EQ(g.coefficient, allpassTable[479]);
    EXPECT_EQ(g.coefficientStep, 0.0f);
    if (size != 1000.0f) continue;
    // Heard: a grain of 1,000 samples (rise over 250, hold, fall over 250), then the next at once.
    const std::vector<float> out = rig.renderLane(1400);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_NEAR(out[500], 0.5f, 1e-3f);
    EXPECT_LT(std::fabs(out[999]), 1e-4f);
    EXPECT_EQ(out[1000], 0.0f);
    EXPECT_NEAR(out[1300], 0.5f, 1e-3f);
    EXPECT_EQ(rig.slot(0).life, 600);
  }
}

TEST(OscGranular, GrainAmplitudesAreNormalisedByTheirCount) {
  for (int count : {4, 8}) {
    GranularRig rig;
    rig.setSample(std::vector<float>(50000, 0.5f), 1);
    rig.plain(4000.0f);
    rig.params.count = count;
    rig.params.randAmp = 0.5f;  // "R Amp" 50: amplitudes between half and all of the normalised one
    rig.startNote(0, 60);
    const float full = static_cast<float>(std::sqrt(1.0 / count));
    for (int k = 0; k < count; ++k) {
      EXPECT_LE(rig.slot(k).amplitude, full * 1.000001f);
      EXPECT_GE(rig.slot(k).amplitude, 0.5f * full);
    }
    EXPECT_NEAR(full, count == 4 ? 0.5f : 0.35355f, 1e-5f);
  }
}

TEST(OscGranular, FirstLengthsAreStaggeredOverOneGrain) {
  GranularRig rig;
  rig.setSample(std::vector<float>(50000, 0.5f), 1);
  rig.plain(4000.0f);
  rig.params.count = 4;
  rig.startNote(0, 60);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(rig.slot(k).length, 4000 + 1000 * k) << k;

  rig.params.randTime = 0.5f;  // "R Time" 50: each lead shortened by its own draw
  rig.startNote(1, 60);
  EXPECT_EQ(rig.slot(0, 1).length, 4000);
  for (int k = 1; k < 4; ++k) {
    EXPECT_GE(rig.slot(k, 1).length, 4000 + 500 * k) << k;
    EXPECT_LE(rig.slot(k, 1).length, 4000 + 1000 * k) << k;
    // The start lies up to Size x R Time after the scan position.
    EXPECT_LE(rig.slot(k, 1).start, 2000);
  }
}

std::vector<float> seededRun(std::uint32_t seed) {
  GranularRig rig;
  rig.setSample(tone(60000, 2), 2);
  rig.params.count = 8;
  rig.params.randTime = 0.5f;
  rig.params.randFreq = 0.8f;
  rig.params.randAmp = 0.7f;
  rig.params.diffusion = 0.2f;
  rig.params.size = 3000.0f;
  grainRandomState = seed;
  rig.startNote(0, 67);
  auto lanes = rig.renderVoices(8192, 128, {0})[0];
  std::vector<float> out = lanes[0];
  out.insert(out.end(), lanes[1].begin(), lanes[1].end());
  return out;
}

TEST(OscGranular, AFixedSeedGivesIdenticalOutput) {
  const std::vector<float> a = seededRun(grainRandomSeed);
  const std::vector<float> b = seededRun(grainRandomSeed);
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(float)), 0);
  EXPECT_GT(signalRms(a), 0.01);
  EXPECT_TRUE(signalAllNormal(a.data(), a.size()));
  const std::vector<float> c = seededRun(12345u);
  EXPECT_NE(std::memcmp(a.data(), c.data(), a.size() * sizeof(float)), 0);
}

TEST(OscGranular, EveryGrainStartTakesSixDraws) {
  GranularRig rig;
  rig.setSample(std::vector<float>(50000, 0.5f), 1);
  rig.params.count = 3;
  grainRandomState = grainRandomSeed;
  rig.startNote(0, 60);
  std::uint32_t want = grainRandomSeed;
  for (int i = 0; i < 18; ++i) want = want * 196314165u + 907633515u;
  EXPECT_EQ(grainRandomState, want);
}

TEST(OscGranular, StoredGrainCountsOutOfRangeAreHeldWithinOneToEight) {
  struct Case {
    std::int32_t stored;
    int used;
  };
  for (Case c : {Case{0, 1}, Case{-5, 1}, Case{12, 8}, Case{1 << 30, 8}}) {
    GranularRig rig;
    rig.setSample(tone(30000, 1), 1);
    rig.params.count = c.stored;
    rig.params.randAmp = 1.0f;
    rig.startNote(0, 60);
    const float amplitude = static_cast<float>(std::sqrt(1.0 / c.used));
    for (int k = 0; k < oscGrainSlots; ++k) {
      if (k < c.used)
        EXPECT_FLOAT_EQ(rig.slot(k).amplitude, amplitude) << c.stored << " slot " << k;
      else
        EXPECT_EQ(rig.slot(k).life, 0) << c.stored << " slot " << k;
    }
    const std::vector<float> out = rig.renderLane(2048);
    EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
    EXPECT_GT(signalRms(out), 0.01);
    EXPECT_EQ(rig.params.count, c.stored);  // the record keeps what it holds
  }
}

// A backward scan ("Time %" below 0) stops at the data's start instead of wrapping to its end.
TEST(OscGranular, NegativeScanPositionIsHeldAtTheStart) {
  GranularRig rig;
  std::vector<float> data(20000, 0.5f);
  for (int f = 10000; f < 20000; ++f) data[f] = -0.5f;
  rig.setSample(data, 1);
  rig.fixedIncrement(1.0);
  rig.info()->startPosition = 0.5;
  rig.params.size = 1000.0f;
  rig.params.time = -1.0f;
  rig.startNote(0, 60);
  rig.renderLane(30000);
  const std::vector<float> out = rig.renderLane(4096);
  float lowest = 1.0f;
  for (float x : out) lowest = std::fmin(lowest, x);
  EXPECT_GE(lowest, -1e-3f);
  EXPECT_GT(signalRms(out), 0.1);
  for (int k = 0; k < 4; ++k) {
    EXPECT_GE(rig.slot(k).start, 0);
    EXPECT_LT(rig.slot(k).start, 1000);
  }
}

// Long grains at a high pitch close to the data's end, then two octaves down: a grain whose reading
// would leave the data is skipped for the block, so every grain's read span stays inside.
TEST(OscGranular, LongGrainsAtHighPitchNearTheEndStayInsideTheData) {
  struct Case {
    int channels;
    float time;
    double startShare;
  };
  for (Case c : {Case{1, 0.0f, 0.6}, Case{1, 1.0f, 0.97}, Case{1, 40.0f, 0.5}, Case{2, 0.0f, 0.6}, Case{2, 1.0f, 0.97},
                 Case{2, 40.0f, 0.5}}) {
    {
      const int channels = c.channels;
      GranularRig rig;
      const int frames = 30000;
      rig.setSample(tone(frames, channels), channels);
      rig.info()->startPosition = c.startShare;
      const float time = c.time;
      rig.params.count = 8;
      rig.params.size = 10000.0f;
      rig.params.time = time;
      rig.params.randTime = 0.0f;  // starts spread over a whole grain size after the scan position
      rig.startNote(0, 96);
      rig.engine->modMultipliers[0][0][2] = 4.0f;  // and two octaves higher still
      for (int block = 0; block < 60; ++block) {
        if (block == 30) rig.engine->modMultipliers[0][0][2] = 1.0f;  // two octaves down
        auto out = rig.renderVoices(128, 128, {0})[0];
        for (auto& lane : out) ASSERT_TRUE(signalAllNormal(lane.data(), lane.size()));
        for (int k = 0; k < 8; ++k) {
          const GrainSlot& g = rig.slot(k);
          const int width = g.stereo ? 2 : 1;
          ASSERT_GE(g.start, 0);
          // A grain that has read anything read inside the data; one placed past it never reads.
          if (g.start > width * frames)
            ASSERT_EQ(g.readPosition, 0.0) << "grain " << k;
          else
            ASSERT_LE(g.start + width * g.readPosition, double(width) * frames) << "grain " << k;
        }
      }
    }
  }
}

TEST(OscGranular, EveryBlockLengthRendersAndAdvancesTheScan) {
  GranularRig rig;
  rig.setSample(tone(40000, 2), 2);
  rig.params.size = 300.0f;
  for (int block = 1; block <= 128; ++block) {
    rig.startNote(0, 60 + block % 12);
    auto out = rig.renderVoices(700, block, {0})[0];
    for (auto& lane : out) ASSERT_TRUE(signalAllNormal(lane.data(), lane.size())) << block;
    ASSERT_GT(signalRms(out[0]), 0.01) << block;
    // "Time %" 100: one frame of scan per sample, in whole frames per block.
    ASSERT_NEAR(rig.state()->sampleVoice.position, 700.0, 1.0) << block;
  }
}

TEST(OscGranular, SlowScanNeverAdvancesAndTimeZeroFreezes) {
  for (float time : {0.0f, 0.005f}) {
    GranularRig rig;
    rig.setSample(tone(20000, 1), 1);
    rig.params.time = time;
    rig.startNote(0, 60);
    rig.renderLane(128 * 20);
    EXPECT_EQ(rig.state()->sampleVoice.position, 0.0) << time;
  }
}

TEST(OscGranular, SilentVoicesAndMissingDataAdvanceNothing) {
  GranularRig rig;
  rig.setSample(tone(20000, 1), 1);
  rig.startNote(0, 60);
  rig.renderLane(256);
  rig.engine->voices[0].state = 6;
  const GrainBlock before = rig.state()->grainBlock;
  const double position = rig.state()->sampleVoice.position;
  std::vector<float> out = rig.renderLane(256);
  for (float x : out) ASSERT_EQ(x, 0.0f);
  EXPECT_EQ(std::memcmp(&before, &rig.state()->grainBlock, sizeof before), 0);
  EXPECT_EQ(rig.state()->sampleVoice.position, position);

  rig.engine->voices[0].state = 3;
  rig.info()->data = nullptr;
  out = rig.renderLane(256);
  for (float x : out) ASSERT_EQ(x, 0.0f);
  EXPECT_EQ(rig.state()->sampleVoice.position, position);

  // A sample shorter than the block stays silent.
  rig.setSample(tone(100, 1), 1);
  out = rig.renderLane(256);
  for (float x : out) ASSERT_EQ(x, 0.0f);
}

TEST(OscGranular, StereoGrainsFillBothLanesOnTheirOwnSides) {
  // Each side alone carries a value, read from many odd start offsets: the other lane stays silent.
  // (Silence is the test, not a sign: a lane's allpass makes its own start swing either way, by an
  // amount that depends on the random grain lengths.)
  struct Sides {
    float left, right;
  };
  for (const Sides sides : {Sides{0.5f, 0.0f}, Sides{0.0f, -0.25f}}) {
    GranularRig rig;
    std::vector<float> data;
    for (int f = 0; f < 30000; ++f) {
      data.push_back(sides.left);
      data.push_back(sides.right);
    }
    rig.setSample(data, 2);
    rig.params.randTime = 0.0f;  // odd start offsets drawn for many grains
    rig.params.size = 500.0f;
    rig.startNote(0, 60);
    auto out = rig.renderVoices(4096, 128, {0})[0];
    ASSERT_EQ(out.size(), 2u);
    const int quiet = sides.left == 0.0f ? 0 : 1;
    for (int i = 0; i < 4096; ++i) ASSERT_LE(std::fabs(out[quiet][i]), 1e-6f) << "lane " << quiet << " at " << i;
    EXPECT_GT(signalRms(out[1 - quiet]), 0.05) << "lane " << 1 - quiet;
    if (quiet == 0) continue;
    // A channel set up with one lane gets the left side only.
    engineSetVoiceBufferCount(rig.engine, 0, 1);
    out = rig.renderVoices(1024, 128, {0})[0];
    ASSERT_EQ(out.size(), 1u);
    EXPECT_GT(signalRms(out[0]), 0.1);
  }
}

TEST(OscGranular, PageParametersAreLimitedStoredAndShown) {
  struct Case {
    std::int16_t selector;
    double value;
    double shown;
  };
  const Case cases[] = {{1, 50.0, 128.0},  {1, 2500.0, 2500.0}, {1, 1e6, 10000.0}, {2, 75.0, 75.0},  {2, -10.0, 0.0},
                        {2, 150.0, 100.0}, {3, 0.0, 1.0},       {3, 5.7, 5.0},     {3, 99.0, 8.0},   {4, 250.0, 250.0},
                        {4, -50.0, -50.0}, {5, 1.1, 1.1},       {6, 40.0, 40.0},   {7, 120.0, 100.0}};
  GranularRig rig;
  for (const Case& c : cases) {
    oscPageCompute(rig.engine, 0, c.selector, c.value);
    EXPECT_NEAR(oscGrainParamGet(rig.engine, 0, c.selector), c.shown, 1e-4) << c.selector << " " << c.value;
  }
  EXPECT_EQ(oscGrainParamGet(rig.engine, 0, 9), 0.0);
  const OscSubRecord before = rig.params;
  oscPageCompute(rig.engine, 0, 9, 3.0);
  oscPageCompute(rig.engine, 0, 1, std::nan(""));
  EXPECT_EQ(std::memcmp(&before, &rig.params, sizeof before), 0);
}

}  // namespace
