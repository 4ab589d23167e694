#include "preset/preset.h"

#include <cstdlib>

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
  for (std::int32_t i = 0; i < count; ++i) envInitSlot(&preset->envelopes[i], static_cast<std::int16_t>(i), 0);
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
