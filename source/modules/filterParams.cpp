#include "modules/filterParams.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/freqTable.h"
#include "engine/valueFormat.h"
#include "modules/filterModule.h"
#include "modules/pitchIndex.h"
#include "preset/fieldTables.h"

namespace {

// Which field a type's accessors use.
bool usesFilterIndex(int t) { return (t >= 1 && t <= 6) || t == 9 || (t >= 14 && t <= 18); }
bool isComb(int t) { return t == filterComb; }
bool isAllpass(int t) { return t >= filterAllpass2 && t <= filterAllpass8; }
bool usesResonance(int t) { return t == 2 || t == 3 || t == 5 || t == 9 || (t >= 14 && t <= 18); }
bool usesGain(int t) { return t == 2 || t == 3 || t == 5 || t == 6 || t == 9 || (t >= 14 && t <= 18); }
bool usesWidth(int t) { return t == 2 || t == 3 || t == 5 || t == 6 || t == 9 || t == 10 || t == 18; }
bool isStorableType(int t) { return (t >= 1 && t <= 6) || (t >= 9 && t <= 17); }

FilterRecord* liveRecord(Engine* engine, std::int16_t index) {
  return engine ? engineGetFilter(engine, index) : nullptr;
}

// A setter's value for one field of the record, by the field's row.
void setField(FilterRecord* r, int field, double v) {
  float* f = filterFieldOf(r, field);
  *f = fieldSetFloat(filterFields[field], v, *f);
}

}  // namespace

std::uint8_t filterIsOn(Engine* engine, std::int16_t index) {
  if (!engine || index < 0 || index > 3) return 0;
  return engine->filters[index].on;
}

void filterSetOn(Engine* engine, std::int16_t index, std::uint8_t on) {
  if (!engine || index < 0 || index > 3) return;
  engine->filters[index].on = on ? 1 : 0;
}

std::int16_t filterGetType(Engine* engine, std::int16_t index) {
  const FilterRecord* r = liveRecord(engine, index);
  return r ? r->type : 0;
}

void filterSetType(Engine* engine, std::int16_t index, std::int16_t type) {
  if (!engine) return;
  // The reset rewrites filter memory that the audio thread is using: it is made with the audio
  // stopped (unless the caller has stopped it already, in which case it stays stopped).
  const bool running = !engine->paused.load();
  if (running) engineStopAudio(engine, 1);
  filterVoicesInit(engine);  // lane 0 of every filter and voice
  FilterRecord* copy = editBeginFilter(engine, index);
  if (copy) {
    if (isStorableType(type)) copy->type = type;
    editCommit(engine, editKindFilter, index);
  }
  if (running) engineRestartAudio(engine);
}

std::uint8_t filterIsPostMix(Engine* engine, std::int16_t index) {
  if (!engine || index != 3) return 0;
  return engine->filters[3].postMix;
}

void filterSetPostMix(Engine* engine, std::int16_t index, std::uint8_t postMix) {
  if (!engine) return;
  FilterRecord* copy = editBeginFilter(engine, index);
  if (!copy) return;
  copy->postMix = postMix ? 1 : 0;
  if (index == 3) editCommit(engine, editKindFilter, index);
}

double filterGetFrequency(Engine* engine, std::int16_t index) {
  const FilterRecord* r = liveRecord(engine, index);
  if (!r) return 440.0;
  if (usesFilterIndex(r->type)) return dspIndexToFreq(r->cutoff);
  if (isComb(r->type)) return 44100.0 / (1e-24 + r->combDelay);
  if (isAllpass(r->type)) return 20.0 * std::pow(2.0, r->cutoff / 48.0);
  return 440.0;
}

void filterSetFrequency(Engine* engine, std::int16_t index, double hz) {
  if (!engine) return;
  FilterRecord* copy = editBeginFilter(engine, index);
  if (!copy) return;
  if (usesFilterIndex(copy->type))
    setField(copy, filterFieldCutoff, dspFreqToIndex(hz));
  else if (isComb(copy->type))
    setField(copy, filterFieldCombDelay, filterCombFreqToDelay(hz));
  else if (isAllpass(copy->type))
    setField(copy, filterFieldCutoff, dspPowHelper(hz));
  editCommit(engine, editKindFilter, index);
}

double filterGetResonance(Engine* engine, std::int16_t index) {
  const FilterRecord* r = liveRecord(engine, index);
  if (!r) return 0.0;
  if (usesResonance(r->type)) return r->resonance;
  if (r->type == filterBpf) return r->bandwidth;
  if (r->type >= filterComb && r->type <= filterAllpass8) return r->feedback;
  return 0.0;
}

void filterSetResonance(Engine* engine, std::int16_t index, double value) {
  if (!engine) return;
  FilterRecord* copy = editBeginFilter(engine, index);
  if (!copy) return;
  if (usesResonance(copy->type))
    setField(copy, filterFieldResonance, value);
  else if (copy->type == filterBpf)
    setField(copy, filterFieldBandwidth, value);
  else if (copy->type >= filterComb && copy->type <= filterAllpass8)
    setField(copy, filterFieldFeedback, value);
  editCommit(engine, editKindFilter, index);
}

double filterGetGainDb(Engine* engine, std::int16_t index) {
  const FilterRecord* r = liveRecord(engine, index);
  if (r && usesGain(r->type)) return gainToDb6(r->gain);
  if (r && isComb(r->type)) return gainToDb6(r->combGain);
  return gainToDb6(0.0);
}

void filterSetGainDb(Engine* engine, std::int16_t index, double level) {
  if (!engine) return;
  FilterRecord* copy = editBeginFilter(engine, index);
  if (!copy) return;
  const int field = usesGain(copy->type) ? filterFieldGain : isComb(copy->type) ? filterFieldCombGain : -1;
  if (field >= 0) {
    setField(copy, field, db6ToGain(level));
    float* gain = filterFieldOf(copy, field);
    if (*gain < filterGainFloor) *gain = 0.0f;  // inaudible; smaller gains make denormal outputs
  }
  editCommit(engine, editKindFilter, index);
}

double filterGetWidth(Engine* engine, std::int16_t index) {
  const FilterRecord* r = liveRecord(engine, index);
  if (r && usesWidth(r->type)) return r->width;
  return 1.0;
}

void filterSetWidth(Engine* engine, std::int16_t index, double value) {
  if (!engine) return;
  FilterRecord* copy = editBeginFilter(engine, index);
  if (!copy) return;
  if (usesWidth(copy->type)) setField(copy, filterFieldWidth, value);
  editCommit(engine, editKindFilter, index);
}
