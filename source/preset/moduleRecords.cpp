#include "preset/moduleRecords.h"

#include "engine/valueFormat.h"
#include "preset/fieldTables.h"

namespace {
inline float def(const FieldRange& f) { return static_cast<float>(f.def); }
}  // namespace

void filterInitRecord(FilterRecord* r, std::int16_t index) {
  if (!r) return;
  r->on = 0;
  r->postMix = index == 3 ? 1 : 0;
  r->index = index;
  r->type = 15;
  r->cutoff = def(filterFields[filterFieldCutoff]);
  r->combDelay = def(filterFields[filterFieldCombDelay]);
  r->feedback = def(filterFields[filterFieldFeedback]);
  r->bandwidth = def(filterFields[filterFieldBandwidth]);
  r->gain = def(filterFields[filterFieldGain]);
  r->width = def(filterFields[filterFieldWidth]);
  r->combGain = def(filterFields[filterFieldCombGain]);
  r->resonance = def(filterFields[filterFieldResonance]);
}

void modulatorInitRecord(ModulatorRecord* r, std::int16_t channel) {
  if (!r) return;
  r->on = 0;
  r->type = modulatorFreqShift;
  r->channel = channel;
  r->freqMode = 3;
  r->ratio = def(modulatorFields[modulatorFieldRatio]);
  r->increment = def(modulatorFields[modulatorFieldIncrement]);
  r->wave = 0;
  r->balance = def(modulatorFields[modulatorFieldBalance]);
  r->feedback = def(modulatorFields[modulatorFieldFeedback]);
  r->shiftSwitch = 1;
}

void waveshaperInitRecord(WaveshaperRecord* r) {
  if (!r) return;
  r->postMix = 0;
  r->on = 0;
  r->word = 3;
  r->wave = 0;
  r->inGain = def(waveshaperFields[waveshaperFieldInGain]);
  r->outGain = def(waveshaperFields[waveshaperFieldOutGain]);
  r->phase = def(waveshaperFields[waveshaperFieldPhase]);
}

bool filterTypeIsUsed(std::int32_t type) { return type >= 1 && type <= 17 && type != 7 && type != 8; }
