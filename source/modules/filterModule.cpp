#include "modules/filterModule.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/velocityRuntime.h"
#include "modules/allpassPhaser.h"
#include "modules/bandPass.h"
#include "modules/combFilter.h"
#include "modules/ladder.h"
#include "modules/onePole.h"
#include "modules/pitchIndex.h"
#include "modules/twoPole.h"
#include "preset/fieldTables.h"

namespace {

static_assert(filterMaxLanes == engineMaxVoices * engineLanesMax, "one lane list holds every lane of a filter");

FilterRoutine filterRenderTable[filterTableSlots];

inline std::int16_t clampFilterIndex(std::int32_t f) { return static_cast<std::int16_t>(numIndexOrZero(f, 4)); }

inline std::int16_t clampVoice(std::int32_t v) {
  return static_cast<std::int16_t>(numIndexOrZero<std::int32_t>(v, engineMaxVoices));
}

inline int laneCount(Engine* engine, std::int16_t filter) {
  const int n = engineGetVoiceBufferCount(engine, filter);
  return numClamp(n, 1, engineLanesMax);
}

// Sum of the terms that every target shares: cutoff x frequency multiplier - key index - LFO offsets
// - the controller offset when this filter follows it.
double targetWithoutRate(Engine* engine, const FilterRecord* record, const FilterVoiceState* state) {
  const std::int16_t f = clampFilterIndex(record->index);
  double t = static_cast<double>(record->cutoff) * filterModMultiplier(engine, record, state, modRowFilterFreq) -
             state->keyIndex;
  for (const float* link : state->lfoOffsetLinks)
    if (link) t -= *link;
  if (engine->controllers.filterSwitches[f]) t -= engine->controllers.filterOffset;
  return t;
}

// The lane's start index at a note: the target clamped to 20 below and to 480 from 481 up.
float voiceStartTarget(Engine* engine, const FilterRecord* record, const FilterVoiceState* state) {
  double t = targetWithoutRate(engine, record, state) - rateIndexOffset() + 1e-24;
  if (!(t >= 20.0))
    t = 20.0;  // also NaN
  else if (t >= 481.0)
    t = 480.0;
  return static_cast<float>(t);
}

}  // namespace

void filterInstallRoutines() {
  ladderSelectKernels();
  for (FilterRoutine& r : filterRenderTable) r = nullptr;
  filterRenderTable[filterLpf6dB] = filterRenderLpf6dB;
  filterRenderTable[filterLpf12dB] = filterRenderLpf12dB;
  filterRenderTable[filterLpf24dB] = filterRenderLpf24dB;
  filterRenderTable[filterHpf6dB] = filterRenderHpf6dB;
  filterRenderTable[filterHpf12dB] = filterRenderHpf12dB;
  filterRenderTable[filterBpf] = filterRenderBpf;
  filterRenderTable[filterNotch] = filterRenderNotch;
  filterRenderTable[filterComb] = filterRenderComb;
  filterRenderTable[filterAllpass2] = filterRenderAllpass2;
  filterRenderTable[filterAllpass4] = filterRenderAllpass4;
  filterRenderTable[filterAllpass8] = filterRenderAllpass8;
  filterRenderTable[filterLpf2Pole] = filterRenderLpf2Pole;
  filterRenderTable[filterLpf4Pole] = filterRenderLpf4Pole;
  filterRenderTable[filterLpf6Pole] = filterRenderLpf6Pole;
  filterRenderTable[filterLpf8Pole] = filterRenderLpf8Pole;
}

FilterRoutine filterRoutineFor(std::int32_t type) {
  if (type < 0 || type >= filterTableSlots) return nullptr;
  return filterRenderTable[type];
}

void filterRenderAll(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > engineBlockMax) return;
  engine->channelCursor = -1;
  for (std::int16_t c = engineNextActiveChannel(engine); c >= 0; c = engineNextActiveChannel(engine)) {
    if (c >= engineChannels || !engine->filterActive[c]) continue;
    FilterRecord* record = &engine->filters[c];
    if (FilterRoutine routine = filterRoutineFor(record->type)) routine(engine, record, c, frames);
  }
}

void filterRenderMaster(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > engineBlockMax) return;
  FilterRecord* record = &engine->filters[3];
  if (FilterRoutine routine = filterRoutineFor(record->type)) routine(engine, record, 3, frames);
}

int filterGatherLanes(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames,
                      FilterLaneRef* lanes) {
  if (!engine || !record || !lanes || frames < 1 || frames > engineBlockMax) return 0;
  const std::int16_t f = clampFilterIndex(filter);
  const int n = laneCount(engine, f);
  int count = 0;
  if (record->postMix) {
    float* buffer = f < 3 ? engine->voiceBuffers[f][0] : engine->mixScratch;
    if (!buffer) return 0;
    for (int s = 0; s < n; ++s) lanes[count++] = {&engine->filterStates[f][0][s], buffer + s * frames};
    return count;
  }
  engine->voiceCursor = -1;
  for (std::int16_t v = engineNextActiveVoice(engine); v >= 0; v = engineNextActiveVoice(engine)) {
    if (v >= engineMaxVoices) break;
    float* buffer = f < 3 ? engine->voiceBuffers[f][v] : engine->masterBuffers[v];
    if (!buffer) continue;
    for (int s = 0; s < n; ++s) lanes[count++] = {&engine->filterStates[f][v][s], buffer + s * frames};
  }
  return count;
}

void filterRunLanes(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames,
                    FilterKernel kernel) {
  if (!kernel) return;
  FilterLaneRef lanes[filterMaxLanes];
  const int n = filterGatherLanes(engine, record, filter, frames, lanes);
  const std::int16_t f = clampFilterIndex(filter);
  for (int i = 0; i < n; ++i) kernel(engine, record, lanes[i].state, lanes[i].buffer, f, frames);
}

float filterModMultiplier(Engine* engine, const FilterRecord* record, const FilterVoiceState* state, int parameter) {
  const std::int16_t f = clampFilterIndex(record->index);
  const std::int16_t v = record->postMix ? 0 : clampVoice(state->voice);
  return engine->modMultipliers[f][v][parameter];
}

double filterTargetIndex(Engine* engine, const FilterRecord* record, const FilterVoiceState* state) {
  return targetWithoutRate(engine, record, state) - rateIndexOffset() + 1e-24;
}

double filterTargetIndexAtRate(Engine* engine, const FilterRecord* record, const FilterVoiceState* state) {
  return targetWithoutRate(engine, record, state) + 1e-24;
}

void filterVoicesInit(Engine* engine) {
  if (!engine) return;
  for (int f = 0; f < 4; ++f)
    for (int v = 0; v < engineMaxVoices; ++v) filterResetVoiceState(&engine->filterStates[f][v][0]);
}

void filterVoiceStart(Engine* engine, std::int16_t filter, std::int16_t voice, std::int16_t note, std::uint8_t legato) {
  if (!engine || filter < 0 || filter > 3 || voice < 0 || voice >= engineMaxVoices) return;
  FilterRecord* record = &engine->filters[filter];
  if (!record->on) return;
  const bool masterPostMix = filter == 3 && record->postMix;
  const std::int16_t v = masterPostMix ? 0 : voice;
  const int key = numClamp<int>(note, 0, 127);
  const bool reset = !record->postMix && engine->polyphony >= 2;

  FilterVoiceState* s0 = &engine->filterStates[filter][v][0];
  const int curve = editCurveIndex(3, filter);
  const double curveValue = curve >= 0 ? engine->noteCurves.curves[curve].values[key] : 1.0;
  s0->keyRatio = static_cast<float>(velocityGetAmount(engine, 3, filter) * curveValue);
  const double k = dspRatioToIndex(static_cast<float>(1.0 / s0->keyRatio));
  s0->keyIndex = k > 0.0 ? static_cast<float>(k) : 0.001f;
  if (!masterPostMix && !legato) {
    s0->currentIndex = voiceStartTarget(engine, record, s0);
    if (reset) filterResetVoiceState(s0);
  }

  const int n = laneCount(engine, filter);
  for (int s = 1; s < n; ++s) {
    FilterVoiceState* st = &engine->filterStates[filter][v][s];
    if (reset) filterResetVoiceState(st);
    st->keyRatio = s0->keyRatio;
    st->keyIndex = s0->keyIndex > 0.0f ? s0->keyIndex : 0.001f;
    if (!legato) st->currentIndex = voiceStartTarget(engine, record, st);
  }
}

void filterCopyRecord(Engine* engine, FilterRecord* source, FilterRecord* destination, std::int16_t index,
                      std::uint8_t withDefaults) {
  if (index < 0 || index > 3 || !source || !destination) return;
  if (source->type >= 19) source->type = filterLpf6dB;
  if (engine && withDefaults && destination != source) filterInitRecord(destination, index);
  *destination = *source;
  destination->index = index;
  filterSanitizeRecord(destination);
}

void filterSanitizeRecord(FilterRecord* r) {
  if (!r) return;
  if (r->index < 0 || r->index > 3) r->index = 0;
  r->on = r->on ? 1 : 0;
  // Only the master filter can run after the voice mix; a channel filter always runs per voice.
  r->postMix = (r->index == 3 && r->postMix) ? 1 : 0;
  for (int f = 0; f < filterFieldCount; ++f) fieldLoad(filterFields[f], *filterFieldOf(r, f));
  if (r->gain < filterGainFloor) r->gain = 0.0f;
  if (r->combGain < filterGainFloor) r->combGain = 0.0f;
}
