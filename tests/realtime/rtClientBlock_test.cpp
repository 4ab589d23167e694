// The audio client's sub-block under the guard: device blocks of 128, 512 and 1024 frames (the edit
// commit once, then one sub-block per 128 frames into eight outputs) allocate nothing after the first
// block, and what one costs with a silent preset.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "audioPath/clientSubBlock.h"
#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "preset/editBlock.h"
#include "preset/wave.h"
#include "rtGuard.h"

namespace {

TEST(RtClientBlock, DeviceBlocksAllocateNothingAfterTheFirst) {
  rtGuardInit();
  presetWavesInit();
  engineCfgInitDefaults();
  Engine* engine = engineCreate();
  ASSERT_NE(engine, nullptr);
  for (int c = 0; c < engineChannels; ++c) engine->channels[c]->on = 0;  // a silent preset
  engineApplyPatchChange(engine, 1);
  float out[8][engineBlockMax] = {};
  float* outputs[8];
  for (int o = 0; o < 8; ++o) outputs[o] = out[o];
  float in[2][engineBlockMax] = {};
  const float* inputs[2] = {in[0], in[1]};
  auto deviceBlock = [&](int frames) {
    editCommitPending(engine);
    for (int s = 0; s < frames; s += engineBlockMax) clientRenderSubBlock(engine, inputs, 2, outputs, 2, s + 128);
  };
  deviceBlock(128);
  for (int frames : {128, 512, 1024}) {
    rtReset();
    const int runs = 400;
    const auto start = std::chrono::steady_clock::now();
    rtArm();
    for (int r = 0; r < runs; ++r) deviceBlock(frames);
    rtDisarm();
    const auto end = std::chrono::steady_clock::now();
    EXPECT_EQ(rtViolations(), 0) << rtReport();
    std::printf("device block of %d frames, silent preset: %.1f us\n", frames,
                std::chrono::duration<double, std::micro>(end - start).count() / runs);
  }
  engineDestroy(engine);
}

}  // namespace
