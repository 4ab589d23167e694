// "Audio In" oscillator: the device inputs copied into every playing voice, each voice shaped by its
// own amplitude envelope; missing inputs give silent lanes; silent voices and a paused engine.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "oscillators/oscSampleRig.h"
#include "support/signal.h"

namespace {

struct AudioInRig : SampleRig {
  AudioInRig() : SampleRig(oscTypeAudioIn) {
    record->inputGain = 0.5f;
    record->inputs[0] = 0;
    record->inputs[1] = 1;
  }
  // Input i carries a ramp (i + 1) x 0.001 x frame of the block, or nothing.
  void feed(int input, bool present) {
    AudioInput& in = engine->inputs[input];
    in.filled = present ? 1 : 0;
    for (int f = 0; f < engineBlockMax; ++f) in.samples[f] = present ? (input + 1) * 0.001f * f : 0.0f;
  }
};

TEST(OscAudioIn, InputRampReachesTwoVoicesEachShapedByItsOwnEnvelope) {
  AudioInRig rig;
  rig.feed(0, true);
  rig.startNote(0, 60);
  rig.startNote(1, 64);
  rig.engine->modMultipliers[0][1][1] = 0.25f;  // voice 1's amplitude envelope stands at a quarter
  auto first = rig.renderVoices(128, 128, {0, 1});
  // Both voices start at full gain and ramp across the first block to their targets: the input
  // gain (0.5) times the envelope (voice 1: a quarter).
  EXPECT_NEAR(first[0][0][100], 0.1f * (1.0f - 0.5f * 100 / 128), 1e-5f);
  EXPECT_NEAR(first[1][0][100], 0.1f * (1.0f - 0.875f * 100 / 128), 1e-5f);
  auto out = rig.renderVoices(128, 128, {0, 1});
  for (int f = 0; f < 128; ++f) {
    ASSERT_NEAR(out[0][0][f], 0.5f * 0.001f * f, 1e-6f) << f;
    ASSERT_NEAR(out[1][0][f], 0.25f * 0.5f * 0.001f * f, 1e-6f) << f;
  }
}

struct LaneCase {
  std::int16_t in1, in2;
  bool present1, present2;
  int lanes;
  float want1, want2;  // slope of lane 0 and lane 1 (times the gain 0.5)
};

class OscAudioInLanes : public ::testing::TestWithParam<LaneCase> {};

TEST_P(OscAudioInLanes, AbsentInputsGiveSilentLanes) {
  const LaneCase c = GetParam();
  AudioInRig rig;
  engineSetVoiceBufferCount(rig.engine, 0, static_cast<std::int16_t>(c.lanes));
  rig.record->inputs[0] = c.in1;
  rig.record->inputs[1] = c.in2;
  for (int i = 0; i < engineAudioInputs; ++i) rig.feed(i, false);
  if (c.in1 >= 0 && c.in1 < engineAudioInputs) rig.feed(c.in1, c.present1);
  if (c.in2 >= 0 && c.in2 < engineAudioInputs) rig.feed(c.in2, c.present2);
  rig.startNote(0, 60);
  // The second block, once the gain has settled at the input gain.
  auto out = rig.renderVoices(256, 128, {0})[0];
  ASSERT_EQ(static_cast<int>(out.size()), c.lanes);
  for (int f = 0; f < 128; ++f) {
    ASSERT_NEAR(out[0][128 + f], 0.5f * c.want1 * f, 1e-6f) << f;
    if (c.lanes == 2) {
      ASSERT_NEAR(out[1][128 + f], 0.5f * c.want2 * f, 1e-6f) << f;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Lanes, OscAudioInLanes,
                         ::testing::Values(LaneCase{0, 1, true, true, 1, 0.001f, 0.0f},    // mono: "In 1" only
                                           LaneCase{2, 1, true, true, 2, 0.003f, 0.002f},  // stereo, both present
                                           LaneCase{0, -1, true, false, 2, 0.001f, 0.0f},  // "In 2" set to no input
                                           LaneCase{0, 6, true, false, 2, 0.001f, 0.0f},   // a selector past the inputs
                                           LaneCase{0, 3, true, false, 2, 0.001f, 0.0f},   // not delivered this block
                                           LaneCase{-1, 4, false, true, 2, 0.0f,
                                                    0.005f},  // "In 1" missing, "In 2" there
                                           LaneCase{5, 5, false, false, 1, 0.0f, 0.0f}));

TEST(OscAudioIn, EndedVoicesAndAPausedEngineAreSilentInEveryLane) {
  AudioInRig rig;
  engineSetVoiceBufferCount(rig.engine, 0, 2);
  rig.feed(0, true);
  rig.feed(1, true);
  rig.startNote(0, 60);
  const float gain = rig.state()->gain;
  for (int round = 0; round < 2; ++round) {
    if (round == 0)
      rig.engine->voices[0].state = 6;
    else {
      rig.engine->voices[0].state = 3;
      rig.engine->paused.store(1);
    }
    // Buffers start out full of garbage; the routine must clear both lanes.
    std::vector<float> buffer(256, 7.0f);
    rig.engine->voiceBuffers[0][0] = buffer.data();
    oscRenderAll(rig.engine, 128);
    rig.engine->voiceBuffers[0][0] = nullptr;
    for (float x : buffer) ASSERT_EQ(x, 0.0f);
    EXPECT_EQ(rig.state()->gain, gain);
  }
}

TEST(OscAudioIn, HostileInputValuesBecomeSilence) {
  AudioInRig rig;
  rig.feed(0, true);
  rig.engine->inputs[0].samples[3] = std::numeric_limits<float>::quiet_NaN();
  rig.engine->inputs[0].samples[4] = std::numeric_limits<float>::infinity();
  rig.engine->inputs[0].samples[5] = 1e-40f;
  rig.startNote(0, 60);
  const std::vector<float> out = rig.renderLane(256);
  EXPECT_TRUE(signalAllNormal(out.data(), out.size()));
  for (int block : {0, 128}) {
    EXPECT_EQ(out[block + 3], 0.0f);
    EXPECT_EQ(out[block + 4], 0.0f);
    EXPECT_EQ(out[block + 5], 0.0f);
  }
  EXPECT_NEAR(out[128 + 6], 0.5f * 0.006f, 1e-6f);
}

}  // namespace
