// Wave lookup by id and the engine's preset-local waves with the wave editor's undo copies.
#include <cstdio>
#include <cstring>

#include "engine/engine.h"
#include "preset/wave.h"

namespace {

WaveChangedFn g_changed = nullptr;
std::uint16_t g_editedIndex = 0;  // one engine per process

// Claims the lowest free local wave: state 2, named "preset %d". -1 when all are in use.
std::int16_t claimLocal(Engine* engine) {
  for (int i = 0; i < waveLocalCount; ++i) {
    WaveRecord* w = &engine->presetWaves[i];
    if (w->state == waveStateFree) {
      w->state = waveStateLocal;
      std::memset(w->name, 0, sizeof w->name);
      std::snprintf(w->name, sizeof w->name, "preset %d", i + 1);
      return static_cast<std::int16_t>(waveLocalIdBase + i);
    }
  }
  return -1;
}

}  // namespace

WaveRecord* engineLocalWave(Engine* engine, int index) {
  if (!engine || index < 0 || index >= waveLocalCount) return nullptr;
  return &engine->presetWaves[index];
}

WaveRecord* waveGet(Engine* engine, std::int16_t id) {
  // Bank and index with the sign of the id: negative ids resolve to nothing.
  const int bank = id / 256;
  const int index = id % 256;
  if (id >= 0 && bank == waveBankGlobal && index < waveGlobalCount) return waveGlobal(index);
  if (id >= 0 && bank == waveBankLocal && index < waveLocalCount && engine) return &engine->presetWaves[index];
  return waveGlobal(0);
}

WaveRecord* waveLookup(Engine* engine, std::uint16_t id) { return waveGet(engine, static_cast<std::int16_t>(id)); }

std::int16_t waveGetState(Engine* engine, std::int16_t id) {
  return static_cast<std::int16_t>(waveGet(engine, id)->state);
}

void waveGetName(Engine* engine, std::int16_t id, char* buffer) {
  if (!buffer) return;
  std::memset(buffer, 0, waveNameSize);
  const WaveRecord* w = waveGet(engine, id);
  std::size_t n = 0;
  while (n < waveNameSize - 1 && w->name[n]) ++n;
  std::memcpy(buffer, w->name, n);
}

void waveCopySamplesOut(Engine* engine, std::uint16_t localIndex, float* target) {
  WaveRecord* w = engineLocalWave(engine, localIndex);
  if (w && target) std::memcpy(target, w->samples, sizeof w->samples);
}

void waveCopySamplesIn(Engine* engine, std::uint16_t localIndex, const float* source) {
  WaveRecord* w = engineLocalWave(engine, localIndex);
  if (!w || !source) return;
  std::memcpy(w->samples, source, sizeof w->samples);
  waveNotifyChanged(engine, static_cast<std::int16_t>(waveLocalIdBase + localIndex));
}

WaveRecord* waveUndoRecord(Engine* engine) { return engine ? &engine->spareWaves[0] : nullptr; }
WaveRecord* waveRedoRecord(Engine* engine) { return engine ? &engine->spareWaves[1] : nullptr; }
std::uint16_t waveEditedIndex(Engine*) { return g_editedIndex; }

void waveSaveUndoCopy(Engine* engine, std::int16_t localIndex) {
  WaveRecord* w = engineLocalWave(engine, localIndex);
  if (!w) return;
  g_editedIndex = static_cast<std::uint16_t>(localIndex);
  waveCopyRecord(engine, w, waveUndoRecord(engine));
}

void waveSaveRedoCopy(Engine* engine, std::int16_t localIndex) {
  WaveRecord* w = engineLocalWave(engine, localIndex);
  if (!w) return;
  g_editedIndex = static_cast<std::uint16_t>(localIndex);
  waveCopyRecord(engine, w, waveRedoRecord(engine));
}

void waveRestoreUndoCopy(Engine* engine, std::uint16_t localIndex) {
  WaveRecord* w = engineLocalWave(engine, localIndex);
  if (!w) return;
  waveCopyRecord(engine, waveUndoRecord(engine), w);
  waveNotifyChanged(engine, static_cast<std::int16_t>(waveLocalIdBase + localIndex));
}

void waveRestoreRedoCopy(Engine* engine, std::uint16_t localIndex) {
  WaveRecord* w = engineLocalWave(engine, localIndex);
  if (!w) return;
  waveCopyRecord(engine, waveRedoRecord(engine), w);
  waveNotifyChanged(engine, static_cast<std::int16_t>(waveLocalIdBase + localIndex));
}

void waveSetChangeRoutine(WaveChangedFn routine) { g_changed = routine; }

void waveNotifyChanged(Engine* engine, std::int16_t id) {
  if (engine && g_changed) g_changed(engine, id);
}

int waveCountUsed(Engine* engine) {
  if (!engine) return 0;
  int n = 0;
  for (int i = 0; i < waveLocalCount; ++i)
    if (engine->presetWaves[i].state == waveStateLocal) ++n;
  return n;
}

bool waveFindOrClaimLocal(Engine* engine, std::uint16_t* id, const float* samples) {
  if (!engine) return true;
  if (!id || !samples) return true;
  const int n = waveCountUsed(engine);
  for (int k = 0; k < n; ++k) {
    if (std::memcmp(engine->presetWaves[k].samples, samples, sizeof engine->presetWaves[k].samples) == 0) {
      *id = static_cast<std::uint16_t>(waveLocalIdBase + k);
      return true;
    }
  }
  const std::int16_t claimed = claimLocal(engine);
  *id = static_cast<std::uint16_t>(claimed);
  return claimed == -1;
}
