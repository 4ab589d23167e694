// Silence rule of the render routines and the amplitude stage: envelope end inside a block,
// polarity, ramps from the stored gain.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "oscTestRig.h"
#include "oscillators/oscSingle.h"
#include "support/signal.h"

namespace {

bool sameBytes(const OscVoiceState& a, const OscVoiceState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(OscSilence, FreeEndedOffOrPausedLeavesZerosAndStateUnchanged) {
  enum Case { voiceFree, voiceEnded, oscillatorOff, enginePaused };
  for (Case c : {voiceFree, voiceEnded, oscillatorOff, enginePaused}) {
    OscRig rig;
    rig.startNote(0, 69);
    rig.render(256);  // a running voice with a history
    if (c == voiceFree) rig.engine->voices[0].state = 0;
    if (c == voiceEnded) rig.engine->voices[0].state = 6;
    if (c == oscillatorOff) rig.record->on = 0;
    if (c == enginePaused) rig.engine->paused.store(1);
    const OscVoiceState before = *rig.state();
    for (int frames : {128, 13, 1}) {
      std::vector<float> buffer(frames, 7.0f);
      rig.engine->voiceBuffers[0][0] = buffer.data();
      if (c == oscillatorOff)
        singleRender(rig.engine, rig.record, 0, static_cast<std::int16_t>(frames));
      else
        oscRenderAll(rig.engine, static_cast<std::int16_t>(frames));
      for (float x : buffer) ASSERT_EQ(x, 0.0f) << "case " << c << " frames " << frames;
      EXPECT_TRUE(sameBytes(before, *rig.state())) << "case " << c;
    }
    rig.engine->voiceBuffers[0][0] = nullptr;
  }
}

TEST(OscAmplitude, PolarityGivesExactlyTheNegatedOutput) {
  std::vector<float> out[2];
  float gain[2];
  for (int p = 0; p < 2; ++p) {
    OscRig rig;
    rig.record->auxSwitch = static_cast<std::uint32_t>(p);
    rig.record->numVoices = 3;
    dspRandomState = 99u;
    rig.startNote(0, 60, false);  // ramps up from 0 in the first block
    rig.envelope()->rampLength = 40.0f;
    out[p] = rig.render(1000, 100);
    gain[p] = rig.state()->gain;
  }
  ASSERT_GT(signalRms(out[0]), 0.1);
  for (std::size_t i = 0; i < out[0].size(); ++i) ASSERT_EQ(out[1][i], -out[0][i]) << i;
  EXPECT_EQ(gain[0], gain[1]);
  EXPECT_GT(gain[0], 0.0f);
}

TEST(OscAmplitude, RampsFromTheStoredGainToTheTarget) {
  OscRig rig;
  rig.startNote(0, 69, false);
  rig.engine->modMultipliers[0][0][1] = 0.5f;  // the envelope's level for this block
  std::vector<float> ones(128, 1.0f);
  oscApplyAmplitude(rig.engine, rig.record, rig.state(), 1.0f, ones.data(), 128);
  // From the stored 0 toward 0.5 over the 128 samples of the ramp.
  EXPECT_NEAR(ones[0], 0.0f, 1e-6f);
  EXPECT_NEAR(ones[64], 0.25f, 1e-3f);
  EXPECT_NEAR(ones[127], 0.5f * 127 / 128, 1e-3f);
  EXPECT_NEAR(rig.state()->gain, 0.5f, 1e-6f);
  // Sustaining with a ramp length shorter than the block: the ramp reaches the target and holds.
  rig.engine->modMultipliers[0][0][1] = 1.0f;
  rig.envelope()->rampLength = 32.0f;
  std::fill(ones.begin(), ones.end(), 1.0f);
  oscApplyAmplitude(rig.engine, rig.record, rig.state(), 1.0f, ones.data(), 128);
  EXPECT_NEAR(ones[16], 0.75f, 1e-3f);
  for (int i = 33; i < 128; ++i) EXPECT_NEAR(ones[i], 1.0f, 1e-6f) << i;
}

// A release segment that ends 50 samples into the block: from there the voice is silent and stays so.
TEST(OscAmplitude, EnvelopeEndingInsideTheBlockGivesZerosFromThere) {
  for (int frames : {128, 77}) {
    OscRig rig;
    rig.startNote(0, 69);
    EnvelopeSlot* slot = engineGetEnvelopeSlot(rig.engine, 0);
    slot->breakpoints[slot->lastIndex].level = 0.0f;
    EnvelopeInstance* env = rig.envelope();
    env->state = 1;
    env->segmentStart = static_cast<std::int16_t>(slot->lastIndex - 1);
    env->segmentTarget = slot->lastIndex;
    env->rampLength = 50.0f;
    rig.engine->modMultipliers[0][0][1] = 0.0f;  // the level at the segment's end
    std::vector<float> buffer(frames, 0.0f);
    rig.engine->voiceBuffers[0][0] = buffer.data();
    oscRenderAll(rig.engine, static_cast<std::int16_t>(frames));
    rig.engine->voiceBuffers[0][0] = nullptr;
    EXPECT_GT(signalRms(buffer.data(), 50), 0.1);
    for (int i = 50; i < frames; ++i) ASSERT_EQ(buffer[i], 0.0f) << i;
    EXPECT_EQ(env->state, 0);
    EXPECT_EQ(rig.state()->gain, 0.0f);
  }
}

TEST(OscAmplitude, ZeroRampLengthConsultsTheEnvelopeFirst) {
  OscRig rig;
  rig.startNote(0, 69);
  EnvelopeInstance* env = rig.envelope();
  env->state = 0;  // done before the block starts
  env->rampLength = 0.0f;
  std::vector<float> ones(64, 1.0f);
  oscApplyAmplitude(rig.engine, rig.record, rig.state(), 1.0f, ones.data(), 64);
  for (float x : ones) ASSERT_EQ(x, 0.0f);
  EXPECT_EQ(rig.state()->gain, 0.0f);
}

TEST(OscAmplitude, StereoScalesBothLanesAlike) {
  OscRig rig;
  rig.startNote(0, 69, false);
  std::vector<float> lanes(2 * 32, 1.0f);
  oscApplyAmplitudeStereo(rig.engine, rig.record, rig.state(), 0.5f, lanes.data(), 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(lanes[i], lanes[32 + i]);
  EXPECT_NEAR(lanes[31], 0.5f * 31 / 32, 1e-3f);
}
