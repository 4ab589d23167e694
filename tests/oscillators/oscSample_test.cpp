// "Sample" oscillator: pitch against the root, start offset and its glide, loops at every block
// length, jumps with their fades, stereo lanes, the amplitude limit, and a steep pitch fall near the
// end of the data.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <vector>

#include "oscillators/oscSample.h"
#include "oscillators/oscSampleRig.h"
#include "preset/chunk.h"
#include "preset/sampleTestWave.h"
#include "support/signal.h"
#include "support/tempDir.h"

namespace {

std::vector<float> ramp(int frames, double slope) {
  std::vector<float> v(frames);
  for (int f = 0; f < frames; ++f) v[f] = static_cast<float>(f * slope);
  return v;
}

// Reads with a constant increment the way the oscillator does: a sample at position p is read when
// p + inc stays below the loop's end, else playback goes on at the loop start.
std::vector<float> loopModel(const std::vector<float>& d, int width, int lane, double inc, double loopStart,
                             double loopEnd, int total) {
  std::vector<float> out;
  double p = 0.0;
  for (int i = 0; i < total; ++i) {
    if (!(p + inc < loopEnd)) p = loopStart;
    const int k = static_cast<int>(p);
    const float w = static_cast<float>(std::floor((p - k) * 256.0) / 256.0);
    const float a = d[std::size_t(k) * width + lane];
    const float b = d[std::size_t(k + 1) * width + lane];
    out.push_back(a + (b - a) * w);
    p += inc;
  }
  return out;
}

TEST(OscSample, SineWithRoot60PlayedAtNote72SoundsAnOctaveUp) {
  SampleRig rig;
  wavetest::WaveSpec spec;
  spec.frames = 44100;
  spec.signal = [](std::int32_t f, int) { return 0.8 * std::sin(2.0 * 3.14159265358979 * 441.0 * f / 44100.0); };
  const std::string path = testTempPath("osc3_sine441.wav");
  {
    const wavetest::Bytes bytes = wavetest::makeWave(spec);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path.c_str(), nullptr);
  ASSERT_EQ(sampleLoad(rig.engine, 0, &file), sampleOk);
  rig.pooled = true;
  ASSERT_FLOAT_EQ(rig.info()->rootKey, 60.0f);

  rig.startNote(0, 72);
  const std::vector<float> out = rig.renderLane(16384);
  EXPECT_NEAR(signalPeakFrequency(out, 44100.0), 882.0, 882.0 * 0.005);
  EXPECT_GT(signalRms(out), 0.3);
  EXPECT_TRUE(signalAllNormal(out.data(), out.size()));

  rig.startNote(1, 60);
  const std::vector<float> root = rig.renderLane(16384, 128, 0, 1);
  EXPECT_NEAR(signalPeakFrequency(root, 44100.0), 441.0, 441.0 * 0.005);
}

TEST(OscSample, ShorterThan256FramesIsSilentAndLeavesTheVoiceAlone) {
  for (int frames : {255, 256}) {
    SampleRig rig;
    rig.setSample(std::vector<float>(frames, 0.5f), 1);
    rig.fixedIncrement(0.5);
    rig.startNote(0, 60);
    const float incBefore = rig.state()->incA;
    const std::vector<float> out = rig.renderLane(128);
    if (frames == 255) {
      for (float x : out) ASSERT_EQ(x, 0.0f);
      EXPECT_EQ(rig.state()->sampleVoice.position, 0.0);
      EXPECT_EQ(rig.state()->incA, incBefore);
    } else {
      EXPECT_NEAR(out[10], 0.5f, 1e-6f);
      EXPECT_DOUBLE_EQ(rig.state()->sampleVoice.position, 64.0);
    }
  }
}

struct LoopCase {
  int channels;
  std::int32_t mode;  // 1 "Loop All", 2 "Loop Edit"
  double inc;
};

class OscSampleLoop : public ::testing::TestWithParam<LoopCase> {};

// The loop wraps exactly onto its start (the overshoot dropped) and reads the same samples whatever
// the block length; ASan watches every read near the loop's end.
TEST_P(OscSampleLoop, WrapsOntoTheLoopStartForEveryBlockLength) {
  const LoopCase c = GetParam();
  const int frames = 1000;
  std::vector<float> data;
  for (int f = 0; f < frames; ++f)
    for (int ch = 0; ch < c.channels; ++ch) data.push_back(static_cast<float>((ch ? -1.0 : 1.0) * (0.001 * f + 0.1)));
  const int total = 2600;
  SampleRig rig;
  rig.info()->loopStart = 300;
  rig.info()->loopEnd = 700;
  rig.setSample(data, c.channels, c.mode);
  const double loopStart = c.mode == 1 ? 0.0 : 300.0;
  const double loopEnd = c.mode == 1 ? frames - 1.0 : 700.0;
  ASSERT_EQ(rig.info()->playStart, static_cast<std::int32_t>(loopStart));
  ASSERT_EQ(rig.info()->playEnd, static_cast<std::int32_t>(loopEnd));
  rig.fixedIncrement(c.inc);
  for (int block = 1; block <= 128; ++block) {
    rig.startNote(0, 60);
    const auto out = rig.renderVoices(total, block, {0})[0];
    for (int lane = 0; lane < c.channels; ++lane) {
      const std::vector<float> want = loopModel(data, c.channels, lane, c.inc, loopStart, loopEnd, total);
      for (int i = 0; i < total; ++i)
        ASSERT_NEAR(out[lane][i], want[i], 1e-6f) << "block " << block << " lane " << lane << " sample " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Loops, OscSampleLoop,
                         ::testing::Values(LoopCase{1, 1, 1.0}, LoopCase{1, 1, 0.75}, LoopCase{1, 2, 1.25},
                                           LoopCase{2, 1, 0.5}, LoopCase{2, 2, 2.75}));

TEST(OscSample, LoopWrapLandsExactlyOnTheLoopStartValue) {
  SampleRig rig;
  rig.setSample(ramp(1000, 0.001), 1, 1);
  rig.fixedIncrement(0.75);
  rig.startNote(0, 60);
  const std::vector<float> out = rig.renderLane(1500);
  // Positions 0, 0.75, ... 997.5 are read; 998.25 + 0.75 reaches the loop end (999), so 998.25 is
  // dropped and the next sample reads frame 0 exactly.
  EXPECT_NEAR(out[1330], 0.9975f, 1e-6f);
  EXPECT_EQ(out[1331], 0.0f);
  EXPECT_NEAR(out[1332], 0.00075f, 1e-7f);
}

TEST(OscSample, WithoutLoopTheSoundStopsAtTheEndAndStaysSilent) {
  SampleRig rig;
  rig.setSample(std::vector<float>(1000, 0.25f), 1, 0);
  rig.fixedIncrement(1.0);
  rig.startNote(0, 60);
  const std::vector<float> out = rig.renderLane(1280);
  for (int i = 0; i < 998; ++i) ASSERT_NEAR(out[i], 0.25f, 1e-6f) << i;
  for (int i = 999; i < 1280; ++i) ASSERT_EQ(out[i], 0.0f) << i;
  const double position = rig.state()->sampleVoice.position;
  rig.renderLane(256);
  EXPECT_EQ(rig.state()->sampleVoice.position, position);
}

// A jump inside a 128-frame block: 64 samples from the old place (the last 32 faded out), then 32 from
// the jump target (the first 16 faded in), then 32 more in a further run.
TEST(OscSample, JumpRequestFadesOutThenFadesInAtTheTarget) {
  SampleRig rig;
  std::vector<float> data(20000, 0.5f);
  for (int f = 10000; f < 20000; ++f) data[f] = -0.5f;
  rig.setSample(data, 1);
  rig.fixedIncrement(1.0);
  rig.startNote(0, 60);
  rig.renderLane(128);
  sampleSetPosition(rig.engine, 0, 0, 0.75, 0.0);
  const std::vector<float> out = rig.renderLane(128);
  for (int i = 0; i < 32; ++i) EXPECT_NEAR(out[i], 0.5f, 1e-6f) << i;
  for (int k = 0; k < 32; ++k) EXPECT_NEAR(out[32 + k], 0.5f * (1.0f - k / 32.0f), 1e-6f) << k;
  for (int k = 0; k < 16; ++k) EXPECT_NEAR(out[64 + k], -0.5f * (k / 16.0f), 1e-6f) << k;
  for (int i = 80; i < 128; ++i) EXPECT_NEAR(out[i], -0.5f, 1e-6f) << i;
  // Playback goes on from the target: 15000 + 64 frames read since the jump.
  EXPECT_DOUBLE_EQ(rig.state()->sampleVoice.position, 15064.0);
  const SampleVoice& v = rig.state()->sampleVoice;
  EXPECT_EQ(v.jumpRequest, 0);
  EXPECT_EQ(v.jumpPending, 0);
  EXPECT_EQ(v.fadeInPending, 0);
}

TEST(OscSample, StartPercentStartsThereAndAChangedOffsetGlides) {
  SampleRig rig;
  rig.setSample(ramp(10000, 1e-4), 1);
  rig.info()->startPosition = 0.5;
  rig.fixedIncrement(1.0);
  rig.startNote(0, 60);
  std::vector<float> out = rig.renderLane(128);
  EXPECT_NEAR(out[0], 0.5f, 1e-6f);
  EXPECT_NEAR(out[127], 0.5127f, 1e-6f);
  // The start modulation moves the offset from 5000 to 6000 frames: the block glides, no step.
  rig.engine->modMultipliers[0][0][17] = 1.2f;
  out = rig.renderLane(128);
  float largest = 0.0f;
  for (int i = 1; i < 128; ++i) largest = std::fmax(largest, out[i] - out[i - 1]);
  EXPECT_LT(largest, 0.02f);
  EXPECT_GT(out[127], 0.55f);
  // The glide lands where the new offset puts the voice (6000 + 256 frames played), and the next
  // block reads on from there at the pitch.
  rig.engine->modMultipliers[0][0][17] = 1.2f;
  out = rig.renderLane(128);
  EXPECT_NEAR(out[0], 0.6256f, 1e-5f);
  EXPECT_NEAR(out[1] - out[0], 1e-4f, 1e-6f);
}

// Two octaves down between blocks, starting near the end of the data at a high pitch: the increment
// ramps from the old value to the new one and reading only ever moves forward.
TEST(OscSample, PitchFallRampsFromOldToNewIncrementAndNeverReadsBackwards) {
  for (double startShare : {0.0, 0.995}) {
    SampleRig rig;
    const int frames = 100000;
    rig.setSample(ramp(frames, 1.0 / 65536.0), 1);
    rig.info()->startPosition = startShare;
    rig.fixedIncrement(8.0);
    rig.startNote(0, 60);
    std::vector<float> out = rig.renderLane(128);
    rig.engine->modMultipliers[0][0][2] = 0.25f;  // increment 8 -> 2
    std::vector<float> fall = rig.renderLane(128);
    out.insert(out.end(), fall.begin(), fall.end());
    std::vector<float> more = rig.renderLane(512);
    out.insert(out.end(), more.begin(), more.end());
    EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
    for (std::size_t i = 1; i < out.size(); ++i) {
      if (out[i] == 0.0f) continue;  // the end of the data
      ASSERT_GE(out[i], out[i - 1]) << "start " << startShare << " sample " << i;
    }
    if (startShare == 0.0) {
      // Steps of the falling block: from 8 frames down to 2 in even steps of 6/128.
      const double unit = 1.0 / 65536.0;
      EXPECT_NEAR((fall[1] - fall[0]) / unit, 8.0, 0.1);
      EXPECT_NEAR((fall[127] - fall[126]) / unit, 2.0 + 6.0 / 128.0, 0.1);
      EXPECT_NEAR((fall[65] - fall[64]) / unit, 8.0 - 6.0 * 64 / 128, 0.1);
      EXPECT_NEAR((more[1] - more[0]) / unit, 2.0, 0.1);
      EXPECT_LT(rig.state()->sampleVoice.position, frames);
    }
  }
}

TEST(OscSample, ExtremeIncrementsNearTheEndStayInsideTheData) {
  // Root 1 at a high rate makes the rate factor large; positions near the end, pitch at its limit.
  for (int channels : {1, 2}) {
    SampleRig rig;
    rig.setSample(std::vector<float>(std::size_t(4000 * channels), 0.3f), channels, 0, 1.0, 96000.0);
    rig.info()->startPosition = 0.9;
    rig.startNote(0, 127);
    std::vector<float> out = rig.renderVoices(1024, 128, {0})[0][0];
    EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
    rig.info()->loopMode = 1;
    sampleUpdateLoop(rig.info());
    rig.startNote(0, 127);
    rig.engine->modMultipliers[0][0][2] = 0.01f;
    out = rig.renderVoices(1024, 128, {0})[0][0];
    EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
  }
}

TEST(OscSample, StereoFillsTwoLanesAndOneLaneChannelsOnlyTheFirst) {
  std::vector<float> data;
  for (int f = 0; f < 1000; ++f) {
    data.push_back(0.25f);
    data.push_back(-0.75f);
  }
  SampleRig rig;
  rig.setSample(data, 2);
  rig.fixedIncrement(1.0);
  rig.startNote(0, 60);
  auto out = rig.renderVoices(256, 128, {0})[0];
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NEAR(out[0][200], 0.25f, 1e-6f);
  EXPECT_NEAR(out[1][200], -0.75f, 1e-6f);

  // A channel still set up with one lane: the left side, and nothing written past the lane.
  engineSetVoiceBufferCount(rig.engine, 0, 1);
  out = rig.renderVoices(256, 128, {0})[0];
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NEAR(out[0][100], 0.25f, 1e-6f);

  // Mono switch on: one value per frame is read... only once the data is read that way again; the
  // interleaved data itself is then read as one long mono sample, never past its end.
  rig.info()->readAsMono = 1;
  out = rig.renderVoices(256, 128, {0})[0];
  EXPECT_TRUE(signalAllNormal(out[0].data(), out[0].size()));
}

TEST(OscSample, SamplesAreLimitedToPlusMinusEightBeforeTheGain) {
  SampleRig rig;
  std::vector<float> data(1000, 20.0f);
  for (int f = 500; f < 1000; ++f) data[f] = -30.0f;
  rig.setSample(data, 1);
  rig.fixedIncrement(1.0);
  rig.startNote(0, 60);
  const std::vector<float> out = rig.renderLane(640);
  EXPECT_FLOAT_EQ(out[100], 8.0f);
  EXPECT_FLOAT_EQ(out[600], -8.0f);
}

TEST(OscSample, EndedEnvelopeSilencesTheRestOfTheBlock) {
  SampleRig rig;
  rig.setSample(std::vector<float>(5000, 0.5f), 1);
  rig.fixedIncrement(1.0);
  rig.startNote(0, 60);
  rig.renderLane(128);
  EnvelopeInstance* env = rig.envelope();
  env->state = 0;
  env->rampLength = 40.0f;  // the gain holds for 40 samples, then the envelope is over
  const std::vector<float> out = rig.renderLane(128);
  EXPECT_NEAR(out[39], 0.5f, 1e-6f);
  for (int i = 40; i < 128; ++i) ASSERT_EQ(out[i], 0.0f) << i;
  EXPECT_EQ(rig.state()->gain, 0.0f);
}

}  // namespace
