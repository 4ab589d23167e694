// Band-limited table sets of the channels: choice per increment and rebuilds on wave or switch changes.
#include <cstring>

#include "engine/engine.h"
#include "oscillators/oscFrame.h"
#include "oscillators/oscHalfband.h"
#include "preset/oscRecord.h"
#include "preset/wave.h"

const float* oscPickTable(Engine* engine, const ChannelOscRecord* record, float increment, std::int16_t waveId,
                          int waveB) {
  const int level = oscPickLevel(increment);
  if (level < 0 || !engine || !record) return waveGet(engine, waveId)->samples;
  ChannelWavetables& tables = engine->wavetables[oscRecordUnit(record, 0)];
  return waveB ? tables.waveB[level] : tables.waveA[level];
}

void oscBuildBandLimitedTable(int level, const WaveRecord* source, float* destination) {
  if (source) oscBuildBandLimitedTable(level, destination, source->samples);
}

void oscRebuildChannelTables(Engine* engine, std::int16_t channel) {
  if (!engine || channel < 0 || channel >= engineChannels) return;
  const ChannelOscRecord* record = engine->channels[channel];
  ChannelWavetables& tables = engine->wavetables[channel];
  const float* a = waveGet(engine, static_cast<std::int16_t>(record->waveA))->samples;
  for (int k = 0; k < oscBandLevels; ++k) oscBuildBandLimitedTable(k, tables.waveA[k], a);
  const float* b = waveGet(engine, static_cast<std::int16_t>(record->waveB))->samples;
  for (int k = 0; k < oscBandLevels; ++k) oscBuildBandLimitedTable(k, tables.waveB[k], b);
}

void oscRebuildForWave(Engine* engine, std::int16_t channel, std::int16_t waveId) {
  if (!engine) return;
  for (std::int16_t c = 0; c < engineChannels; ++c) {
    if (channel >= 0 && c != channel) continue;
    const ChannelOscRecord* record = engine->channels[c];
    if (!record->bandLimited || !record->on) continue;
    if (static_cast<std::int16_t>(record->waveA) == waveId) oscRebuildChannelTables(engine, c);
    if (static_cast<std::int16_t>(record->waveB) == waveId) oscRebuildChannelTables(engine, c);
  }
}
