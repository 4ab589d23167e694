#include "preset/preset.h"

#include <cstdlib>

#include "engine/controllerMap.h"
#include "engine/velocityRuntime.h"

Preset* presetAlloc(std::int16_t program) {
  Preset* preset = static_cast<Preset*>(std::calloc(1, sizeof(Preset)));
  if (preset) presetInitNew(preset, program);
  return preset;
}

Preset* presetAllocDefault(std::int16_t program) {
  Preset* preset = presetAlloc(program);
  presetAllocDefaultEnvelopes(preset);
  return preset;
}

void presetInitNew(Preset* preset, std::int16_t program) {
  if (!preset) return;
  patchHeaderDefaults(&preset->header, program);
  preset->channelCount = presetChannelCount;
  for (int c = 0; c < presetChannelCount; ++c) oscInitRecord(nullptr, &preset->channels[c], c);
  preset->channels[0].on = 1;
  preset->filterCount = presetFilterCount;
  for (int f = 0; f < presetFilterCount; ++f) filterInitRecord(&preset->filters[f], static_cast<std::int16_t>(f));
  preset->filters[3].postMix = 1;
  preset->modulatorCount = presetModulatorCount;
  for (int m = 0; m < presetModulatorCount; ++m)
    modulatorInitRecord(&preset->modulators[m], static_cast<std::int16_t>(m));
  waveshaperInitRecord(&preset->waveshaper);
  preset->effectPresent = 0;
  preset->effect = nullptr;
  ccMapDefaults(&preset->controllers);
  velocityDefaults(&preset->velocity);
  sliderListDefaults(&preset->sliders);
  preset->curveCount = 0;
  preset->curves = nullptr;
  preset->lfoCount = presetLfoCount;
  for (int i = 0; i < presetLfoCount; ++i) {
    lfoDefaults(&preset->lfos[i], static_cast<std::int16_t>(i));
    preset->lfos[i].on = i == 0 ? 1 : 0;
    preset->lfos[i].perVoice = 0;
  }
  preset->envelopeCount = 0;
  preset->envelopes = nullptr;
  preset->waveCount = 0;
  preset->waves = nullptr;
}

void presetAllocDefaultEnvelopes(Preset* preset) {
  if (!preset || !presetAllocEnvelopes(preset, 3)) return;
  for (int i = 0; i < 3; ++i) {
    EnvelopeSlot* slot = &preset->envelopes[i];
    envInitSlot(slot, static_cast<std::int16_t>(i), envDestOscAmp);
    slot->owner = static_cast<std::int16_t>(i);
    slot->allocated = 1;
  }
  preset->envelopes[0].inUse = 1;
  preset->envelopeCount = 3;
}

bool presetAllocCurves(Preset* preset, std::int32_t count) {
  if (!preset) return false;
  if (count < 1 || count > 0xFFFF) {
    preset->curveCount = 0;
    return false;
  }
  preset->curves = static_cast<NoteCurve*>(std::calloc(static_cast<std::size_t>(count), sizeof(NoteCurve)));
  preset->curveCount = preset->curves ? static_cast<std::uint16_t>(count) : 0;
  return preset->curves != nullptr;
}

bool presetAllocWaves(Preset* preset, std::int32_t count) {
  if (!preset || count < 1 || count > 0xFFFF) {
    if (preset) preset->waveCount = 0;
    return false;
  }
  preset->waves = static_cast<WaveRecord*>(std::malloc(static_cast<std::size_t>(count) * sizeof(WaveRecord)));
  preset->waveCount = preset->waves ? static_cast<std::uint16_t>(count) : 0;
  return preset->waves != nullptr;
}

bool presetAllocEnvelopes(Preset* preset, std::int32_t count) {
  if (!preset || count < 1) return false;
  if (count > presetMaxEnvelopes) count = presetMaxEnvelopes;
  preset->envelopes = static_cast<EnvelopeSlot*>(std::calloc(static_cast<std::size_t>(count), sizeof(EnvelopeSlot)));
  if (!preset->envelopes) {
    preset->envelopeCount = 0;
    return false;
  }
  preset->envelopeCount = static_cast<std::uint16_t>(count);
  for (std::int32_t i = 0; i < count; ++i)
    envInitSlot(&preset->envelopes[i], static_cast<std::int16_t>(i), envDestNone);
  return true;
}

void presetFree(Preset* preset) {
  if (!preset) return;
  std::free(preset->curves);
  std::free(preset->envelopes);
  std::free(preset->waves);
  std::free(preset->effect);
  std::free(preset);
}
