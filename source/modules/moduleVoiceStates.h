// Per-voice, per-lane running states of the channel modulators and the waveshaper (3 lanes per voice),
// held by the engine. Each module's own code fills in its fields.
#pragma once
#include <cstdint>

#include "modules/filterVoiceState.h"

struct ModulatorVoiceState {
  std::int16_t voice;
  std::int16_t lane;
  std::uint32_t reservedForModulatorModule;
};

struct WaveshaperVoiceState {
  std::int16_t voice;
  std::int16_t lane;
  std::uint32_t reservedForWaveshaper;
};
