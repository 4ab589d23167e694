#include "preset/moduleRecords.h"

#include "engine/valueFormat.h"

void filterInitRecord(FilterRecord* r, std::int16_t index) {
  if (!r) return;
  r->on = 0;
  r->postMix = index == 3 ? 1 : 0;
  r->index = index;
  r->type = 15;
  r->cutoff = 346.0f;
  r->combDelay = 200.4545f;
  r->feedback = 0.5f;
  r->bandwidth = 1.0f;
  r->gain = 1.0f;
  r->width = 1.0f;
  r->combGain = 1.0f;
  r->resonance = 0.0f;
}

void modulatorInitRecord(ModulatorRecord* r, std::int16_t channel) {
  if (!r) return;
  r->on = 0;
  r->type = modulatorFreqShift;
  r->channel = channel;
  r->freqMode = 3;
  r->ratio = 1.0f;
  r->increment = static_cast<float>(pitchHzToInc(220.0));
  r->wave = 0;
  r->balance = 1.0f;
  r->feedback = 0.35f;
  r->shiftSwitch = 1;
}

void waveshaperInitRecord(WaveshaperRecord* r) {
  if (!r) return;
  r->postMix = 0;
  r->on = 0;
  r->word = 3;
  r->wave = 0;
  r->inGain = 1.0f;
  r->outGain = 1.0f;
  r->phase = 0.0f;
}

bool filterTypeIsUsed(std::int32_t type) { return type >= 1 && type <= 17 && type != 7 && type != 8; }
