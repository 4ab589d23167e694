// Preset initialisation leaves every modulator and waveshaper voice state at its start values.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine.h"
#include "engine/engineFixture.h"
#include "modules/modulator.h"

using EngineInitStates = EngineFixture;

TEST_F(EngineInitStates, ModulatorAndWaveshaperStatesStartAtTheirDefaults) {
  // Scribble over the states as a played preset would, then initialise again.
  std::memset(static_cast<void*>(engine->modulatorStates), 0x5A, sizeof engine->modulatorStates);
  std::memset(static_cast<void*>(engine->waveshaperStates), 0x5A, sizeof engine->waveshaperStates);
  engineInitPreset(engine);
  for (int v = 0; v < engineMaxVoices; v += engineMaxVoices - 1) {
    for (int l = 0; l < engineLanesMax; ++l) {
      const WaveshaperVoiceState& w = engine->waveshaperStates[v][l];
      EXPECT_EQ(w.outGain, 1.0f);
      EXPECT_EQ(w.inGain, 1.0f);
      EXPECT_EQ(w.offset, 512.0f);
      EXPECT_EQ(w.voice, v);
      for (int c = 0; c < engineChannels; ++c) {
        const ModulatorVoiceState& m = engine->modulatorStates[c][v][l];
        EXPECT_EQ(m.prevIncrement, 1.0f);
        EXPECT_EQ(m.voice, v);
        for (const float* link : m.lfoPitchLinks) {
          ASSERT_NE(link, nullptr);
          EXPECT_EQ(*link, 1.0f);
        }
      }
    }
  }
}
