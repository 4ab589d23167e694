// The last check of the fuzz targets that load into an engine: a held note for a few sub-blocks, run
// the way the audio client runs them (MIDI dispatch, edit commit, render, MIDI processing), with all
// three channels on; the buses must stay finite whatever the loaded file held.
#pragma once
#include <cmath>

#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "fuzzChecks.h"
#include "preset/editBlock.h"

namespace fuzzcheck {

inline void renderHeldNote(Engine* engine, int blocks = 6) {
  for (int c = 0; c < 3; ++c) engine->channels[c]->on = 1;
  midiQueuePushShort(&engine->midi, 0x90, 60, 100);
  for (int b = 0; b < blocks; ++b) {
    engine->blockLength = 128;
    const bool dispatched = !engine->paused.load() && midiDispatchDue(engine, 128);
    for (auto& input : engine->inputs) input.filled = 0;
    editCommitPending(engine);
    engineRender(engine, 128);
    if (dispatched) midiProcessBlock(engine);
    for (const auto& bus : engine->buses)
      for (float v : bus) require(std::isfinite(v));
  }
}

}  // namespace fuzzcheck
