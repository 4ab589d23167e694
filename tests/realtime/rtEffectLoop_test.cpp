// The master effects' feedback loops under feedback modulation: the master row's "effect feedback"
// multiplier (entry 26, limited only to 0..1e6: envelope offsets, scales and LFOs can take it past 1)
// multiplies the loop gain of the pipe, multi-comb and multi-tap kinds. Their loop gain is held below
// one, as the echo and three-unit kinds hold theirs, so the effect's output stays bounded instead of
// growing every pass until it overflows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "engine/testAudioThread.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "rtWorkload.h"

namespace {

TEST(RtEffectLoop, FeedbackMultiplierAboveOneCannotRunAnEffectLoopAway) {
  for (int kind : {effectPipe, effectComb, effectTap, effectEcho, effectRev}) {
    Engine* engine = rtStressEngine(kind - 1, 4);  // variant k-1 plays effect kind k
    ASSERT_NE(engine, nullptr);
    ASSERT_EQ(engine->effectType, kind);
    effectPipeSetFeedback(engine, 0.999);
    effectCombSetFeedback(engine, 0.999);
    effectTapSetFeedback(engine, 0.999);
    effectTapSetTime(engine, 0.003);  // short loops: many passes in the run
    float out[2][engineBlockMax];
    float* outputs[2] = {out[0], out[1]};
    const std::uint8_t notes[9] = {0x90, 48, 120, 0x90, 60, 120, 0x90, 67, 120};
    TestAudioThread::runClientSubBlock(engine, outputs, 2, 0, notes, 3);
    for (int b = 0; b < 8; ++b) TestAudioThread::runClientSubBlock(engine, outputs, 2);
    // The effect alone, as the render runs it, with the multiplier at 50 and a quiet input.
    double peak = 0.0;
    for (int b = 0; b < 400; ++b) {
      engine->modMultipliers[3][0][effectModFeedback] = 50.0f;
      for (auto& bus : engine->buses)
        for (float& x : bus) x = 0.01f;
      effectRender(engine, engineBlockMax);
      for (int k = 0; k < 2; ++k)
        for (float x : engine->buses[k]) peak = std::max(peak, std::isfinite(x) ? std::fabs(x) : 1e30);
    }
    EXPECT_LT(peak, 100.0) << "effect kind " << kind;
    engineDestroy(engine);
  }
}

}  // namespace
