// Copy of the waveshaper record between a preset and the engine.
#include <cmath>

#include "modules/waveshaper.h"
#include "preset/fieldTables.h"

void waveshaperSanitizeRecord(WaveshaperRecord* r) {
  if (!r) return;
  r->on = r->on ? 1 : 0;
  r->postMix = r->postMix ? 1 : 0;
  if (r->word > 3) r->word = 3;
  for (int f = 0; f < waveshaperFieldCount; ++f) fieldLoad(waveshaperFields[f], *waveshaperFieldOf(r, f));
}

void waveshaperCopyRecord(Engine* engine, WaveshaperRecord* source, WaveshaperRecord* destination,
                          std::uint8_t withDefaults) {
  if (!source || !destination) return;
  if (engine && withDefaults && destination != source) waveshaperInitRecord(destination);
  *destination = *source;
  waveshaperSanitizeRecord(destination);
}
