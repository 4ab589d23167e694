// A preset: the header and every module record of one sound, with its owned variable-length blocks
// (note curves, envelope slots, waves) and its effect record.
#pragma once
#include <cstdint>

#include "engine/controllerSettings.h"
#include "engine/lfo.h"
#include "engine/noteCurves.h"
#include "engine/velocitySettings.h"
#include "modules/effectRecords.h"
#include "preset/envelopeSlot.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"
#include "preset/sliderList.h"
#include "preset/wave.h"

const int presetChannelCount = 3;
const int presetFilterCount = 4;  // channel filters 0..2, master filter 3
const int presetModulatorCount = 3;
const int presetLfoCount = 3;
const int presetMaxEnvelopes = 28;

struct Preset {
  PatchHeader header;
  std::uint16_t channelCount;  // always 3
  ChannelOscRecord channels[presetChannelCount];
  std::uint16_t filterCount;  // always 4
  FilterRecord filters[presetFilterCount];
  std::uint16_t modulatorCount;  // always 3
  ModulatorRecord modulators[presetModulatorCount];
  WaveshaperRecord waveshaper;
  std::uint8_t effectPresent;  // 1 once the bank reader took an effect chunk
  EffectHeader* effect;        // owned record of kind 1..5 (its head first), or null
  ControllerSettings controllers;
  VelocitySettings velocity;
  SliderList sliders;
  std::uint16_t curveCount;
  NoteCurve* curves;       // owned, curveCount entries, or null
  std::uint16_t lfoCount;  // always 3
  Lfo lfos[presetLfoCount];
  std::uint16_t envelopeCount;  // 0..28
  EnvelopeSlot* envelopes;      // owned, envelopeCount entries, or null
  std::uint16_t waveCount;
  WaveRecord* waves;  // owned, waveCount entries, or null
};

// A preset with every part at its defaults (presetInitNew); null when memory is short.
Preset* presetAlloc(std::int16_t program);
// presetAlloc, then the three channel envelopes (the bank's shared default preset).
Preset* presetAllocDefault(std::int16_t program);
// Defaults: header, three channel oscillators (channel 0 on), four filters (the master filter after
// the mix), three modulators, the waveshaper, no effect, controller, velocity and slider defaults,
// three LFOs (LFO 0 on), no curves, envelopes or waves. Nothing for null.
void presetInitNew(Preset* preset, std::int16_t program);
// Three envelope slots that are the channel envelopes (slot 0 in use); nothing without memory.
void presetAllocDefaultEnvelopes(Preset* preset);

// Owned blocks (allocated with malloc: the preset frees them with std::free, the effect record too).
// Each allocator sets its count; false for a null preset or a count below 1, and on failure the count
// is 0. They do not free an array already present.
bool presetAllocCurves(Preset* preset, std::int32_t count);     // cleared to zero
bool presetAllocWaves(Preset* preset, std::int32_t count);      // not cleared
bool presetAllocEnvelopes(Preset* preset, std::int32_t count);  // min(count, 28), each envInitSlot(i, envDestNone)
// Frees the blocks that are present, then the record; nothing for null.
void presetFree(Preset* preset);
