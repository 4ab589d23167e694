// The last check of the fuzz targets that load into an engine: a held note for a few sub-blocks and
// its release, run the way the audio client runs them (MIDI dispatch, edit commit, render, MIDI
// processing), with all three channels on; the buses must stay finite whatever the loaded file held.
#pragma once
#include <cmath>
#include <cstdint>

#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "fuzzChecks.h"
#include "preset/editBlock.h"

namespace fuzzcheck {

inline void renderBlock(Engine* engine) {
  engine->blockLength = 128;
  const bool dispatched = !engine->paused.load() && midiDispatchDue(engine, 128);
  for (auto& input : engine->inputs) input.filled = 0;
  editCommitPending(engine);
  engineRender(engine, 128);
  if (dispatched) midiProcessBlock(engine);
  for (const auto& bus : engine->buses)
    for (float v : bus) require(std::isfinite(v));
}

// `knob` (a byte of the input) picks the key and velocity, so the fuzzer reaches every key.
inline void renderHeldNote(Engine* engine, std::uint8_t knob, int blocks = 6) {
  for (int c = 0; c < 3; ++c) engine->channels[c]->on = 1;
  const std::uint8_t key = static_cast<std::uint8_t>(knob & 0x7F);
  midiQueuePushShort(&engine->midi, 0x90, key, static_cast<std::uint8_t>(1 + (knob * 37) % 127));
  midiQueuePushShort(&engine->midi, 0xB0, 1, static_cast<std::uint8_t>(knob >> 1));  // mod wheel
  for (int b = 0; b < blocks; ++b) renderBlock(engine);
  // And its release.
  midiQueuePushShort(&engine->midi, 0x80, key, 64);
  for (int b = 0; b < 2; ++b) renderBlock(engine);
}

}  // namespace fuzzcheck
