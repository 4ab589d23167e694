// Changes that reset running filter or modulator state from the interface thread (a filter type
// change, a modulator switch) are made with the audio stopped: while an audio thread plays, the output
// fades out and the engine pauses around them, then plays on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/testAudioThread.h"
#include "engine/voiceRig.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"

namespace {

// The smallest output level among the captured blocks (the test thread adds 1.0 while unpaused).
float quietest(const TestAudioThread& audio) {
  const std::vector<float>& c = audio.captured();
  return *std::min_element(c.begin() + 128, c.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); });
}

}  // namespace

TEST_F(VoiceRig, FilterTypeChangeAndModulatorSwitchStopTheAudioAroundTheReset) {
  engine->filters[0].on = 1;
  engine->filters[0].type = filterLpf12dB;
  engineApplyPatchChange(engine, 1);
  noteOn(60, 100);
  block();

  TestAudioThread audio(engine, 1.0f, 24);
  audio.start();
  while (audio.blocksRun() < 4) std::this_thread::yield();

  struct Step {
    const char* name;
    void (*change)(Engine*);
  };
  const Step steps[] = {
      {"filter type", [](Engine* e) { filterSetType(e, 0, filterNotch); }},
      {"modulator on", [](Engine* e) { modulatorSetOn(e, 0, 1); }},
      {"modulator off", [](Engine* e) { modulatorSetOn(e, 0, 0); }},
  };
  for (const Step& step : steps) {
    audio.armCapture();
    step.change(engine);
    ASSERT_TRUE(audio.waitCapture()) << step.name;
    EXPECT_LT(std::fabs(quietest(audio)), 1e-3f) << step.name;  // the engine was paused in between
    EXPECT_EQ(engine->paused.load(), 0) << step.name;
  }
  audio.stop();
  EXPECT_EQ(engine->filters[0].type, filterNotch);
  EXPECT_EQ(engine->modulators[0].on, 0);
}
