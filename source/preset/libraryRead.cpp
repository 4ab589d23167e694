// Loading a library entry into the engine: the dispatcher and the readers of the module kinds, the
// envelope, wave and tuning kinds.
//
// A file is opened read-only, and the patch undo is taken only once it opened: a file that cannot be
// read leaves the undo state of the last edit alone.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "preset/effectChunk.h"
#include "preset/envelope.h"
#include "preset/envelopeChunk.h"
#include "preset/library.h"
#include "preset/moduleRecords.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/sample.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "uiSeams/msgBox.h"

namespace {

int g_requestKind = 0;
std::int16_t g_requestTarget = 0;
LibPatchUndoFn g_patchUndo = nullptr;
LibTuningStoreFn g_tuningStore = nullptr;

const char* const kOpenError = "File Error! Can't open file. Error: 32236";
const char* const kEnvelopeError =
    "Error, load envelopes failed! The maximum supported number of envelopes has been reached.";

void patchUndoBegin(Engine* engine) {
  if (g_patchUndo) g_patchUndo(engine);
  undoSetKind(undoKindPatch);
}

// The engine's own tuning storage: 128 per-key f64, keys per octave, octave interval, 32-byte name.
void storeTuningInEngine(Engine* engine, const LibTuningMap* map) {
  std::uint8_t* raw = engine->tuningMap;
  std::memcpy(raw, map->keys, sizeof map->keys);
  std::memcpy(raw + 1024, &map->keysPerOctave, 4);
  std::memcpy(raw + 1028, &map->octaveInterval, 8);
  std::memcpy(raw + 1036, map->name, sizeof map->name);
}

bool openForReading(FileSpec* file) {
  file->handle = osFileInvalid;
  if (!fileOpen(file, fileAccessRead)) {
    msgBox(0, kOpenError, 0);
    return false;
  }
  return true;
}

// Reset the byte order, install the library check, stop the audio and read the first chunk.
bool beginReading(FileSpec* file, Engine* engine, ChunkHeader* header) {
  swapReset();
  fileSetChunkTypeCallback(libChunkCheck);
  fileSeek(file, 0);
  engineStopAudio(engine, 1);
  return fileReadChunk(file, header);
}

// Chunk by chunk until "tail", the end of the file or the 16,000th chunk. `handle` returns false to
// end the load early.
template <typename Handle>
void walkChunks(FileSpec* file, bool have, ChunkHeader header, Handle handle) {
  for (int n = 0; n < libMaxChunks; ++n) {
    if (have) {
      if (header.id == chunkId("tail")) break;
      if (!handle(header)) break;
    }
    if (fileAtEnd(file)) break;
    have = fileReadNextChunk(file, &header);
    if (!have) diagMessage("File error: 31884");
  }
}

void endReading(FileSpec* file, Engine* engine, bool reloadSamples) {
  fileClose(file);
  fileSetChunkTypeCallback(chunkHeaderCheck);
  if (reloadSamples) sampleReloadChannels(engine);
  engineApplyPatchChange(engine, 1);
  engine->presetModified = 1;
}

bool isModuleChunk(int kind, std::uint32_t id) {
  switch (kind) {
    case libKindOscillator: return id == chunkId("osc3") || id == chunkId("osc2");
    case libKindFilter: return id == chunkId("filt");
    case libKindModulator: return id == chunkId("mod3") || id == chunkId("mod ");
    case libKindWaveshaper: return id == chunkId("wshp");
    case libKindEffect: return effectTypeOfChunk(id) != 0;
    case libKindChannel:
      // "mod3" too: the older "mod " layout has no room for the feedback and the shift switch.
      return id == chunkId("osc3") || id == chunkId("osc2") || id == chunkId("filt") || id == chunkId("mod ") ||
             id == chunkId("mod3");
    default: return false;
  }
}

// Removes the engine envelopes that belong to the module being replaced.
void clearModuleEnvelopes(Engine* engine, int kind, std::int16_t target) {
  for (std::int16_t s = 3; s < envSlotCount; ++s) {
    EnvelopeSlot* slot = engineGetEnvelopeSlot(engine, s);
    if (!slot) continue;
    const std::int16_t d = slot->destination;
    const bool own = slot->owner == target;
    bool clear = false;
    switch (kind) {
      case libKindOscillator: clear = envDestIsOscillator(d) && own; break;
      case libKindFilter: clear = envDestIsFilter(d) && own; break;
      case libKindModulator: clear = envDestIsModulator(d) && own; break;
      case libKindWaveshaper: clear = envDestIsWaveshaper(d); break;
      case libKindEffect: clear = envDestIsEffect(d); break;
      case libKindChannel:
        clear = own && (envDestIsOscillator(d) || envDestIsFilter(d) || envDestIsModulator(d));
        break;
      default: break;
    }
    if (clear) envSlotClear(engine, s);
  }
}

struct ModuleScratch {
  ChannelOscRecord osc;
  FilterRecord filter;
  ModulatorRecord modulator;
  WaveshaperRecord waveshaper;
  EnvelopeSlot envelope;
  WaveRecord wave;
};

bool readEffectChunk(FileSpec* file, Engine* engine, std::uint32_t id, std::uint8_t* buffer) {
  const std::uint16_t type = effectTypeOfChunk(id);
  void* record = effectAlloc(type);
  if (!record) return false;
  bool ok = false;
  if (id == chunkId("pipe"))
    ok = effectPipeReadWriteChunkV1(file, static_cast<EffectPipeRecord*>(record), buffer, chunkRead);
  else if (id == chunkId("pip2"))
    ok = effectPipeReadWriteChunk(file, static_cast<EffectPipeRecord*>(record), buffer, chunkRead);
  else if (id == chunkId("mCmb"))
    ok = effectCombReadWriteChunkV1(file, static_cast<EffectCombRecord*>(record), buffer, chunkRead);
  else if (id == chunkId("mCm2"))
    ok = effectCombReadWriteChunk(file, static_cast<EffectCombRecord*>(record), buffer, chunkRead);
  else if (id == chunkId("mTap"))
    ok = effectTapReadWriteChunkV1(file, static_cast<EffectTapRecord*>(record), buffer, chunkRead);
  else if (id == chunkId("mTa2"))
    ok = effectTapReadWriteChunk(file, static_cast<EffectTapRecord*>(record), buffer, chunkRead);
  else if (id == chunkId("eco3"))
    ok = effectEchoReadWriteChunk(file, static_cast<EffectEchoRecord*>(record), buffer, chunkRead);
  else if (id == chunkId("rev3"))
    ok = effectRevReadWriteChunk(file, static_cast<EffectRevRecord*>(record), buffer, chunkRead);
  if (ok) effectCopy(engine, record, nullptr, 1);
  std::free(record);
  return ok;
}

void readModuleChunk(FileSpec* file, Engine* engine, int kind, std::int16_t target, std::uint32_t id, ModuleScratch& s,
                     std::uint8_t* buffer) {
  clearModuleEnvelopes(engine, kind, target);
  if (id == chunkId("osc3") || id == chunkId("osc2")) {
    const bool ok = id == chunkId("osc3") ? oscReadWriteChunk(file, &s.osc, buffer, chunkRead)
                                          : oscReadWriteChunkV2(file, &s.osc, buffer, chunkRead);
    if (ok) oscCopyRecord(engine, &s.osc, engineGetChannel(engine, target), target, 1);
  } else if (id == chunkId("filt")) {
    if (filterReadWriteChunk(file, &s.filter, buffer, chunkRead)) {
      filterCopyRecord(engine, &s.filter, engineGetFilter(engine, target), target, 1);
      if (target < 3) filterSetPostMix(engine, target, 0);
    }
  } else if (id == chunkId("mod3") || id == chunkId("mod ")) {
    const bool ok = id == chunkId("mod3") ? modulatorReadWriteChunk(file, &s.modulator, buffer, chunkRead)
                                          : modulatorReadWriteChunkV1(file, &s.modulator, buffer, chunkRead);
    if (ok) {
      if (ModulatorRecord* m = engineGetModulator(engine, target)) {
        *m = s.modulator;
        m->channel = target;
      }
    }
  } else if (id == chunkId("wshp")) {
    if (waveshaperReadWriteChunk(file, &s.waveshaper, buffer, chunkRead))
      if (WaveshaperRecord* w = engineGetWaveshaper(engine)) *w = s.waveshaper;
  } else {
    readEffectChunk(file, engine, id, buffer);
  }
}

// Places a wave of the file among the preset's own waves and points the module's references at it.
void readModuleWave(Engine* engine, int kind, std::int16_t target, WaveRecord& scratch) {
  std::uint16_t placed = 0;
  if (waveFindOrClaimLocal(engine, &placed, scratch.samples)) {
    if (placed == 0xFFFF) return;  // no local wave left
  } else {
    WaveRecord* w = waveGet(engine, static_cast<std::int16_t>(placed));
    std::memcpy(w->samples, scratch.samples, sizeof w->samples);
  }
  const std::int32_t from = scratch.id;
  if (kind == libKindOscillator || kind == libKindChannel) {
    if (ChannelOscRecord* c = engineGetChannel(engine, target)) {
      if (c->waveA == from) oscSetWaveA(engine, target, static_cast<std::int16_t>(placed));
      if (c->waveB == from) oscSetWaveB(engine, target, static_cast<std::int16_t>(placed));
    }
  }
  if (kind == libKindModulator || kind == libKindChannel) {
    if (ModulatorRecord* m = engineGetModulator(engine, target))
      if (m->wave == from) m->wave = static_cast<std::int16_t>(placed);
  }
  if (kind == libKindWaveshaper) {
    if (WaveshaperRecord* w = engineGetWaveshaper(engine))
      if (w->wave == from) w->wave = placed;
  }
}

bool targetInRange(int kind, std::int16_t target) {
  switch (kind) {
    case libKindOscillator:
    case libKindModulator:
    case libKindChannel: return target >= 0 && target <= 2;
    case libKindFilter: return target >= 0 && target <= 3;
    default: return true;
  }
}

void readModule(FileSpec* file, Engine* engine, int kind, std::int16_t target) {
  if (!targetInRange(kind, target)) return;
  std::unique_ptr<ModuleScratch> s(new (std::nothrow) ModuleScratch());
  if (!s) return;
  double tempo = 120.0, second = 4.0;
  oscInitRecord(nullptr, &s->osc, kind == libKindChannel || kind == libKindOscillator ? target : 0);
  filterInitRecord(&s->filter, kind == libKindFilter || kind == libKindChannel ? target : 0);
  modulatorInitRecord(&s->modulator, kind == libKindModulator || kind == libKindChannel ? target : 0);
  waveshaperInitRecord(&s->waveshaper);
  if (!openForReading(file)) return;
  patchUndoBegin(engine);
  ChunkHeader header;
  const bool have = beginReading(file, engine, &header);
  std::uint8_t* buffer = chunkBufferData();
  const bool channelFamily = kind == libKindOscillator || kind == libKindChannel;
  bool firstEnvelope = true;
  walkChunks(file, have, header, [&](const ChunkHeader& h) {
    if (isModuleChunk(kind, h.id)) {
      readModuleChunk(file, engine, kind, target, h.id, *s, buffer);
    } else if (h.id == chunkId("tmpo")) {
      tempoChunk(file, &tempo, &second, buffer, chunkRead);
    } else if (h.id == chunkId("1env")) {
      envInitSlot(&s->envelope, 0, envDestNone);
      if (!envChunkSingle(file, &s->envelope, buffer, chunkRead)) return true;
      s->envelope.owner = target;
      const EnvDestKind destination = s->envelope.destination;
      const std::int16_t slot = envCreate(engine, target, destination);
      bool failed = slot < 0;
      if (!failed && !channelFamily) failed = slot < 3;
      if (!failed && channelFamily) failed = slot == 0 && !(firstEnvelope && destination == envDestOscAmp);
      firstEnvelope = false;
      if (failed) {
        msgBox(0, kEnvelopeError, 0);
        return false;
      }
      engineCopyEnvelopeSlot(engine, &s->envelope, engineGetEnvelopeSlot(engine, slot), slot, 1, 1);
    } else if (h.id == chunkId("1Wav") && (kind == libKindOscillator || kind == libKindModulator ||
                                           kind == libKindWaveshaper || kind == libKindChannel)) {
      if (waveChunkSingle(file, &s->wave, buffer, chunkRead)) readModuleWave(engine, kind, target, s->wave);
    }
    return true;
  });
  endReading(file, engine, kind == libKindOscillator || kind == libKindChannel);
}

void readEnvelope(FileSpec* file, Engine* engine, std::int16_t target) {
  EnvelopeSlot* live = engineGetEnvelopeSlot(engine, target);
  if (!live) return;
  std::unique_ptr<EnvelopeSlot> scratch(new (std::nothrow) EnvelopeSlot());
  if (!scratch) return;
  envInitSlot(scratch.get(), target, envDestNone);
  if (!openForReading(file)) return;
  double tempo = 120.0, second = 4.0;
  ChunkHeader header;
  const bool have = beginReading(file, engine, &header);
  std::uint8_t* buffer = chunkBufferData();
  walkChunks(file, have, header, [&](const ChunkHeader& h) {
    if (h.id == chunkId("tmpo")) {
      tempoChunk(file, &tempo, &second, buffer, chunkRead);
    } else if (h.id == chunkId("1env")) {
      if (envChunkSingle(file, scratch.get(), buffer, chunkRead)) {
        scratch->destination = live->destination;
        scratch->owner = live->owner;
        scratch->id = live->id;
        scratch->homeIndex = live->homeIndex;
        engineCopyEnvelopeSlotEntry(engine, scratch.get(), live, target, 1);
      }
    }
    return true;
  });
  endReading(file, engine, false);
}

void readWave(FileSpec* file, Engine* engine, std::int16_t target) {
  if (waveGetState(engine, target) != waveStateLocal || !waveLookup(engine, static_cast<std::uint16_t>(target))) return;
  std::unique_ptr<WaveRecord> scratch(new (std::nothrow) WaveRecord());
  if (!scratch) return;
  if (!openForReading(file)) return;
  ChunkHeader header;
  const bool have = beginReading(file, engine, &header);
  std::uint8_t* buffer = chunkBufferData();
  walkChunks(file, have, header, [&](const ChunkHeader& h) {
    if (h.id == chunkId("1Wav") && waveChunkSingle(file, scratch.get(), buffer, chunkRead)) {
      WaveRecord* w = waveGet(engine, target);
      std::memcpy(w->samples, scratch->samples, sizeof w->samples);
    }
    return true;
  });
  endReading(file, engine, false);
}

void readTuning(FileSpec* file, Engine* engine) {
  if (!openForReading(file)) return;
  ChunkHeader header;
  const bool have = beginReading(file, engine, &header);
  std::uint8_t* buffer = chunkBufferData();
  walkChunks(file, have, header, [&](const ChunkHeader& h) {
    LibTuningMap map;
    if (h.id == chunkId("tune") && libTuneChunk(file, &map, buffer, chunkRead)) {
      if (g_tuningStore)
        g_tuningStore(engine, &map);
      else
        storeTuningInEngine(engine, &map);
    }
    return true;
  });
  endReading(file, engine, false);
}

}  // namespace

void libSetPatchUndoRoutine(LibPatchUndoFn routine) { g_patchUndo = routine; }

int libRequestKind() { return g_requestKind; }
std::int16_t libRequestTarget() { return g_requestTarget; }

namespace {
LibTuningFetchFn g_tuningFetch = nullptr;
}

void libSetTuningRoutines(LibTuningStoreFn store, LibTuningFetchFn fetch) {
  g_tuningStore = store;
  g_tuningFetch = fetch;
}

LibTuningFetchFn libTuningFetchRoutine() { return g_tuningFetch; }

int libDispatch(int kind, int item, std::int16_t target, Engine* engine) {
  g_requestKind = kind;
  g_requestTarget = target;
  FileSpec file;
  if (!libGetEntry(kind, item - 1, &file) || !file.path[0]) return 4;
  if (!engine || !chunkBufferData()) return 0;
  switch (kind) {
    case libKindOscillator:
    case libKindFilter:
    case libKindModulator:
    case libKindWaveshaper:
    case libKindEffect:
    case libKindChannel: readModule(&file, engine, kind, target); break;
    case libKindEnvelope: readEnvelope(&file, engine, target); break;
    case libKindWave: readWave(&file, engine, target); break;
    case libKindTuning: readTuning(&file, engine); break;
    default: break;
  }
  return 0;
}
