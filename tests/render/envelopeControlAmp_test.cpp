// A Control driven amplitude envelope heard through the engine: the note sounds at the level the
// controller picks along the shape (the envelope's instance holds while the key is down, so the
// amplitude stage follows the controlled level), and the release ends the note and frees its voice.
// Both amplitude stages: the oscillators' own ("Single") and the sample players' ("Sample").
#include <gtest/gtest.h>

#include "engine/envCompile.h"
#include "engine/voiceRig.h"
#include "preset/envelope.h"
#include "render/suite/renderSuite.h"
#include "support/signal.h"

namespace {

// The channel set-up: empty for the default "Single", else a render suite case built on the engine.
struct ControlAmp : VoiceRig, ::testing::WithParamInterface<const char*> {
  void SetUp() override {
    VoiceRig::SetUp();
    if (*GetParam()) {
      ASSERT_TRUE(renderSuiteBuildDirect(GetParam(), engine)) << GetParam();
    }
    // Shape: start 0.1, then 1.0: controller 0 picks 0.1, controller 127 the full level.
    envSetBpLevel(engine, 0, -1, 0.1);
    envSetBpLevel(engine, 0, 0, 1.0);
    envSetBpTime(engine, 0, 0, 1000.0);
    engine->envSlots[0].lastIndex = 0;
    engine->envSlots[0].sustainIndex = 0;
    engine->envSlots[0].releaseIndex = 0;
    envSetMode(engine, 0, envModeControl);
    envSetControlSource(engine, 0, 1);
    engineApplyPatchChange(engine, 1);
  }
  double rmsOf(int blocks) { return signalRms(record(blocks)[0]); }
};

TEST_P(ControlAmp, TheControllerSetsTheLevelOfAHeldNote) {
  controller(1, 0);
  block();
  noteOn(69, 100);
  record(40);  // the runtime value settles
  const double low = rmsOf(16);
  controller(1, 127);
  record(200);
  const double high = rmsOf(16);
  ASSERT_GT(low, 1e-4) << "a held note under a Control driven amplitude envelope sounds";
  // 20 dB apart, within what the sample's own level changes between the two windows allow.
  EXPECT_NEAR(signalDb(high / low), signalDb(1.0 / 0.1), 1.5);
  EXPECT_EQ(checkLists(), "");
}

TEST_P(ControlAmp, ReleaseEndsTheNoteAndFreesTheVoice) {
  controller(1, 127);
  block();
  noteOn(69, 100);
  record(40);
  const double before = signalPeak(record(4)[0].data(), 4 * 128);
  ASSERT_GT(before, 1e-3);
  noteOff(69);
  record(2);
  // What is left is the output section's own short tail, not the note.
  EXPECT_LT(signalPeak(record(4)[0].data(), 4 * 128), 0.01 * before);
  EXPECT_EQ(engine->voicePool.sounding.count + engine->voicePool.released.count, 0);
  EXPECT_EQ(checkLists(), "");
}

INSTANTIATE_TEST_SUITE_P(Stages, ControlAmp, ::testing::Values("", "osc_sample"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(*info.param ? "Sample" : "Single");
                         });

}  // namespace
