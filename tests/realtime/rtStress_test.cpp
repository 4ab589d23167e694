// The stress patch under the real-time guard: the audio client's sub-blocks (MIDI bursts over the
// polyphony, pedal, bends, controllers, program changes, pending edits) neither allocate nor lock,
// make no system call, and keep outputs and running state finite and free of denormals.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/testAudioThread.h"
#include "rtGuard.h"
#include "rtSyscall.h"
#include "rtWorkload.h"

namespace {

const int kBlocks = 700;  // about 2 s

struct RtStress : ::testing::TestWithParam<int> {
  void SetUp() override {
    rtGuardInit();
    rtReset();
  }
};

TEST_P(RtStress, SubBlocksNeitherAllocateNorLockAndStayNormal) {
  const int variant = GetParam();
  Engine* engine = rtStressEngine(variant, variant == 0 ? engineMaxVoices : 16);
  ASSERT_NE(engine, nullptr);
  const RtMidiPlan plan = rtMidiPlan(1000u + static_cast<unsigned>(variant), kBlocks);
  std::mt19937 rng(77u + static_cast<unsigned>(variant));
  float out[2][engineBlockMax];
  float* outputs[2] = {out[0], out[1]};
  std::string fault;
  double energy = 0.0;
  int mostSounding = 0;
  for (int b = 0; b < kBlocks && fault.empty(); ++b) {
    if (b % 5 == 2) rtLeavePendingEdit(engine, b / 5, rng);
    const auto& midi = plan.blocks[static_cast<std::size_t>(b)];
    {
      RtArmed armed;
      TestAudioThread::runClientSubBlock(engine, outputs, 2, 0, midi.empty() ? nullptr : midi.data(),
                                         static_cast<int>(midi.size() / 3));
    }
    fault = rtCheckBlock(engine, outputs, 2);
    for (int n = 0; n < engineBlockMax; ++n) energy += static_cast<double>(out[0][n]) * out[0][n];
    mostSounding = std::max(mostSounding, static_cast<int>(engine->voicePool.sounding.count));
    if (fault.empty() && b % 50 == 49) fault = rtCheckEngineState(engine);
    if (!fault.empty()) fault = "block " + std::to_string(b) + ": " + fault;
  }
  EXPECT_EQ(fault, "");
  EXPECT_GT(energy, 1.0);                      // the patch really sounds
  EXPECT_EQ(mostSounding, engine->polyphony);  // and the bursts fill the polyphony
  EXPECT_EQ(rtViolations(), 0) << rtReport();
  EXPECT_EQ(rtCheckEngineState(engine), "");
  engineDestroy(engine);
}

TEST_P(RtStress, SubBlocksMakeNoSystemCall) {
  const int variant = GetParam();
  Engine* engine = rtStressEngine(variant, variant == 0 ? engineMaxVoices : 16);
  ASSERT_NE(engine, nullptr);
  const RtMidiPlan plan = rtMidiPlan(2000u + static_cast<unsigned>(variant), kBlocks / 2);
  struct Payload {
    int blocksDone;
    int firstBad;
  };
  const void* shared = nullptr;
  const RtSyscallResult r = rtRunWithoutSyscalls(
      [&](void* p) {
        auto* payload = static_cast<Payload*>(p);
        payload->firstBad = -1;
        float out[2][engineBlockMax];
        float* outputs[2] = {out[0], out[1]};
        for (std::size_t b = 0; b < plan.blocks.size(); ++b) {
          const auto& midi = plan.blocks[b];
          TestAudioThread::runClientSubBlock(engine, outputs, 2, 0, midi.empty() ? nullptr : midi.data(),
                                             static_cast<int>(midi.size() / 3));
          if (payload->firstBad < 0 && !rtCheckBlock(engine, outputs, 2).empty())
            payload->firstBad = static_cast<int>(b);
          payload->blocksDone = static_cast<int>(b) + 1;
        }
      },
      sizeof(Payload), &shared);
  ASSERT_TRUE(r.childRan) << r.failure;
  EXPECT_TRUE(r.finished) << rtSyscallName(r.syscallNumber) << "\n" << r.where << r.failure;
  const auto* payload = static_cast<const Payload*>(shared);
  EXPECT_EQ(payload->blocksDone, kBlocks / 2);
  EXPECT_EQ(payload->firstBad, -1);
  engineDestroy(engine);
}

// Other engine rates: every length, coefficient and table that depends on the rate.
struct RtStressRate : ::testing::TestWithParam<float> {};

TEST_P(RtStressRate, SubBlocksStayCleanAtTheRate) {
  rtGuardInit();
  rtReset();
  const float rate = GetParam();
  std::string fault;
  for (int variant = 0; variant < rtStressVariants && fault.empty(); ++variant) {
    Engine* engine = rtStressEngine(variant, 8, rate);
    ASSERT_NE(engine, nullptr);
    const RtMidiPlan plan = rtMidiPlan(3000u + static_cast<unsigned>(variant), 160);
    float out[2][engineBlockMax];
    float* outputs[2] = {out[0], out[1]};
    for (std::size_t b = 0; b < plan.blocks.size() && fault.empty(); ++b) {
      const auto& midi = plan.blocks[b];
      {
        RtArmed armed;
        TestAudioThread::runClientSubBlock(engine, outputs, 2, 0, midi.empty() ? nullptr : midi.data(),
                                           static_cast<int>(midi.size() / 3));
      }
      fault = rtCheckBlock(engine, outputs, 2);
      if (!fault.empty()) fault = "variant " + std::to_string(variant) + " block " + std::to_string(b) + ": " + fault;
    }
    if (fault.empty()) fault = rtCheckEngineState(engine);
    engineDestroy(engine);
  }
  engineCfgInitDefaults();
  EXPECT_EQ(fault, "") << rate << " Hz";
  EXPECT_EQ(rtViolations(), 0) << rtReport();
}

INSTANTIATE_TEST_SUITE_P(Rates, RtStressRate, ::testing::Values(8000.0f, 22050.0f, 48000.0f, 96000.0f, 192000.0f));

INSTANTIATE_TEST_SUITE_P(Variants, RtStress, ::testing::Range(0, rtStressVariants));

}  // namespace
