#include "modules/filterCombPool.h"

#include "engine/engine.h"
#include "engine/numeric.h"
#include "modules/filterModule.h"

void combBufferPoolClear(Engine* engine) {
  if (!engine) return;
  for (std::uint8_t& u : engine->combUsage) u = 0;
}

float* combBufferAt(Engine* engine, std::int16_t i) {
  if (!engine || i < 0 || i >= engineCombBuffers) return nullptr;
  return engine->combBuffers[i];
}

void combBufferAssign(Engine* engine) {
  if (!engine) return;
  combBufferPoolClear(engine);
  int next = 0;  // buffers are taken lowest first and never given back during one assignment
  const int polyphony = engine->polyphony > engineMaxVoices ? engineMaxVoices : engine->polyphony;
  for (std::int16_t f = 0; f < 4; ++f) {
    const FilterRecord& record = engine->filters[f];
    const bool enabled = f < 3 ? engineIsChannelEnabled(engine, f) : engineAnyChannelOn(engine);
    if (record.type != filterComb || !enabled) continue;
    const int voices = (f == 3 && record.postMix) ? 1 : polyphony;
    int lanes = engineGetVoiceBufferCount(engine, f);
    lanes = numClamp(lanes, 1, engineLanesMax);
    for (int v = 0; v < voices; ++v) {
      for (int s = 0; s < lanes; ++s) {
        FilterVoiceState& state = engine->filterStates[f][v][s];
        if (next >= engineCombBuffers) {
          state.combBuffer = -1;
          continue;
        }
        engine->combUsage[next] = 1;
        if (!engineIsShuttingDown())
          for (float& x : engine->combBuffers[next]) x = 0.0f;
        state.combBuffer = static_cast<std::int16_t>(next++);
      }
    }
  }
}
