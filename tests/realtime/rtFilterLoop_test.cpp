// Every filter type under the resonance/feedback multiplier (entry 15 of a voice's row) above one, as
// envelopes and LFOs can make it, with a quiet input refilled each block: the filters' own feedback
// must stay bounded. The two-pole types (LPF 12/24 dB, HPF 12 dB, Notch) used to take resonance x
// multiplier unlimited into their feedback and ran away (to 1e14 within 300 blocks at only 1.5).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "engine/testAudioThread.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "rtWorkload.h"

namespace {

TEST(RtFilterLoop, ResonanceMultiplierFarAboveOneKeepsEveryFilterBounded) {
  const std::int16_t types[] = {filterLpf6dB,   filterLpf12dB,  filterLpf24dB,  filterHpf6dB,   filterHpf12dB,
                                filterBpf,      filterNotch,    filterComb,     filterAllpass2, filterAllpass4,
                                filterAllpass8, filterLpf2Pole, filterLpf4Pole, filterLpf6Pole, filterLpf8Pole};
  Engine* engine = rtStressEngine(0, 4);
  ASSERT_NE(engine, nullptr);
  float out[2][engineBlockMax];
  float* outputs[2] = {out[0], out[1]};
  const std::uint8_t notes[6] = {0x90, 48, 120, 0x90, 60, 120};
  for (float multiplier : {1.5f, 50.0f})
    for (std::int16_t type : types) {
      filterSetType(engine, 0, type);
      filterSetResonance(engine, 0, 1.0);
      filterSetGainDb(engine, 0, 6.0);
      engineApplyPatchChange(engine, 0);
      TestAudioThread::runClientSubBlock(engine, outputs, 2, 0, notes, 2);
      double peak = 0.0;
      for (int b = 0; b < 300; ++b) {
        for (int v = 0; v < engineMaxVoices; ++v) {
          for (int p = 0; p < engineModRow; ++p) engine->modMultipliers[0][v][p] = 1.0f;
          engine->modMultipliers[0][v][15] = multiplier;
          if (engine->voiceBuffers[0][v])
            for (int i = 0; i < engineBlockMax; ++i) engine->voiceBuffers[0][v][i] = (i % 32 < 16) ? 0.01f : -0.01f;
        }
        filterRenderAll(engine, engineBlockMax);
        for (int v = 0; v < engineMaxVoices; ++v)
          if (engine->voiceBuffers[0][v] && engine->voices[v].active)
            for (int i = 0; i < engineBlockMax; ++i) {
              const float x = engine->voiceBuffers[0][v][i];
              peak = std::max(peak, std::isfinite(x) ? std::fabs(static_cast<double>(x)) : 1e30);
            }
      }
      EXPECT_LT(peak, 1000.0) << "filter type " << type << ", multiplier " << multiplier;
    }
  engineDestroy(engine);
}

}  // namespace
