// Copy of the waveshaper record between a preset and the engine.
#include <cmath>

#include "modules/waveshaper.h"

void waveshaperSanitizeRecord(WaveshaperRecord* r) {
  if (!r) return;
  r->on = r->on ? 1 : 0;
  r->postMix = r->postMix ? 1 : 0;
  if (r->word > 3) r->word = 3;
  if (!std::isfinite(r->inGain)) r->inGain = 1.0f;
  if (!std::isfinite(r->outGain)) r->outGain = 1.0f;
  if (!std::isfinite(r->phase)) r->phase = 0.0f;
}

void waveshaperCopyRecord(Engine* engine, WaveshaperRecord* source, WaveshaperRecord* destination,
                          std::uint8_t withDefaults) {
  if (!source || !destination) return;
  if (engine && withDefaults && destination != source) waveshaperInitRecord(destination);
  *destination = *source;
  waveshaperSanitizeRecord(destination);
}
