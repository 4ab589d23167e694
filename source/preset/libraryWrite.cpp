// Writing library files: the kind's header chunk, the module chunk(s) through their serialisers, the
// envelopes that drive the module, the tempo, the preset waves the module plays, and "tail" - the
// layout the library readers take.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "preset/chunkIo.h"
#include "preset/effectChunk.h"
#include "preset/envelope.h"
#include "preset/envelopeChunk.h"
#include "preset/library.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/sampleSettings.h"
#include "preset/wave.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"

namespace {

bool isLocalWave(std::int32_t id) { return id >= waveLocalIdBase && id < waveLocalIdBase + waveLocalCount; }

struct Writer {
  FileSpec* file;
  Engine* engine;
  std::vector<std::uint8_t> buffer;
  std::vector<std::int32_t> wavesWritten;
  bool ok = true;

  std::uint8_t* buf() { return buffer.data(); }

  void wave(std::int32_t id) {
    if (!isLocalWave(id)) return;
    for (std::int32_t w : wavesWritten)
      if (w == id) return;
    wavesWritten.push_back(id);
    WaveRecord copy = *waveGet(engine, static_cast<std::int16_t>(id));
    copy.id = static_cast<std::uint16_t>(id);
    ok = waveChunkSingle(file, &copy, buf(), chunkWrite) && ok;
  }

  void envelope(std::int16_t slot) {
    EnvelopeSlot* s = engineGetEnvelopeSlot(engine, slot);
    if (s) ok = envChunkSingle(file, s, buf(), chunkWrite) && ok;
  }

  // The envelopes of the module: its own slot first (envDestOscAmp of a channel), then the others.
  template <typename Pick>
  void envelopes(Pick pick) {
    for (std::int16_t slot = 0; slot < envSlotCount; ++slot) {
      EnvelopeSlot* s = engineGetEnvelopeSlot(engine, slot);
      if (s && s->allocated && s->destination == envDestOscAmp && pick(*s)) envelope(slot);
    }
    for (std::int16_t slot = 0; slot < envSlotCount; ++slot) {
      EnvelopeSlot* s = engineGetEnvelopeSlot(engine, slot);
      if (s && s->allocated && s->destination != envDestOscAmp && pick(*s)) envelope(slot);
    }
  }

  void tempo() {
    double bpm = tempoGetBpm(engine);
    double second = 4.0;
    if (!std::isfinite(bpm) || bpm <= 0.0) bpm = 120.0;
    ok = tempoChunk(file, &bpm, &second, buf(), chunkWrite) && ok;
  }
};

void fetchTuningFromEngine(Engine* engine, LibTuningMap* map) {
  std::memset(map, 0, sizeof *map);
  const std::uint8_t* raw = engine->tuningMap;
  std::memcpy(map->keys, raw, sizeof map->keys);
  std::memcpy(&map->keysPerOctave, raw + 1024, 4);
  std::memcpy(&map->octaveInterval, raw + 1028, 8);
  std::memcpy(map->name, raw + 1036, sizeof map->name);
}

bool writeEffect(Writer& w) {
  const std::uint16_t type = effectGetType(w.engine);
  void* live = effectActiveRecord(w.engine);
  if (!live) return true;  // no effect: the file holds no module chunk
  void* record = effectAlloc(type);
  if (!record) return false;
  effectCopy(w.engine, live, record, 0);
  bool ok = false;
  switch (type) {
    case 1: ok = effectPipeReadWriteChunk(w.file, static_cast<EffectPipeRecord*>(record), w.buf(), chunkWrite); break;
    case 2: ok = effectCombReadWriteChunk(w.file, static_cast<EffectCombRecord*>(record), w.buf(), chunkWrite); break;
    case 3: ok = effectTapReadWriteChunk(w.file, static_cast<EffectTapRecord*>(record), w.buf(), chunkWrite); break;
    case 4: ok = effectEchoReadWriteChunk(w.file, static_cast<EffectEchoRecord*>(record), w.buf(), chunkWrite); break;
    case 5: ok = effectRevReadWriteChunk(w.file, static_cast<EffectRevRecord*>(record), w.buf(), chunkWrite); break;
    default: break;
  }
  std::free(record);
  return ok;
}

bool endsWithGly(const char* path) {
  const std::size_t n = std::strlen(path);
  return n >= 3 && std::strcmp(path + n - 3, "gly") == 0;
}

}  // namespace

bool libTuneChunk(FileSpec* file, LibTuningMap* map, std::uint8_t* buffer, int direction) {
  if (!file || !map || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  if (ioReading(io)) std::memset(map, 0, sizeof *map);
  bool ok = ioI32(io, &map->id) && ioI32(io, &map->flag) && ioI32(io, &map->keysPerOctave) &&
            ioF64(io, &map->octaveInterval) && ioBlock(io, map->name, sizeof map->name);
  for (double& k : map->keys) ok = ok && ioF64(io, &k);
  if (ioReading(io)) {
    // Values the engine can trust, the ranges of a bank's tuning: keys are increments the voices play
    // (finite, not negative, at most the table length), 1..127 keys per octave, an octave of 0..1,200
    // semitones, a terminated name.
    map->name[sizeof map->name - 1] = 0;
    for (double& k : map->keys) clampD(k, 0.0, 1024.0, 0.0);
    clampD(map->octaveInterval, 0.0, 1200.0, 12.0);
    if (map->keysPerOctave < 1 || map->keysPerOctave > 127) map->keysPerOctave = 12;
    return ok;
  }
  return ok && ioFinishWrite(file, io, chunkId("tune"), 10);
}

bool libWriteFile(FileSpec* file, int kind, std::int16_t index, Engine* engine) {
  const std::uint32_t headerId = libKindId(kind);
  if (!file || !engine || !headerId) return false;
  file->handle = osFileInvalid;
  if (!fileCreate(file)) return false;
  // The writer checks every header it writes: the library ids pass the library check.
  fileSetChunkTypeCallback(libChunkCheck);
  Writer w{file, engine, std::vector<std::uint8_t>(chunkCapacity + 16, 0), {}};
  std::int32_t kindWord = kind;
  ChunkHeader header;
  chunkHeaderSet(&header, headerId, 4, 10);
  w.ok = fileWriteChunk(file, &header, &kindWord);
  const std::int16_t ch = index;
  switch (kind) {
    case libKindOscillator:
    case libKindChannel: {
      ChannelOscRecord* osc = engineGetChannel(engine, ch);
      if (!osc || ch > 2) {
        w.ok = false;
        break;
      }
      w.ok = oscReadWriteChunk(file, osc, w.buf(), chunkWrite) && w.ok;
      if (kind == libKindChannel) {
        w.ok = filterReadWriteChunk(file, engineGetFilter(engine, ch), w.buf(), chunkWrite) && w.ok;
        w.ok = modulatorReadWriteChunk(file, engineGetModulator(engine, ch), w.buf(), chunkWrite) && w.ok;
      }
      const bool channel = kind == libKindChannel;
      w.envelopes([&](const EnvelopeSlot& s) {
        if (s.owner != ch) return false;
        return envDestIsOscillator(s.destination) ||
               (channel && (envDestIsFilter(s.destination) || envDestIsModulator(s.destination)));
      });
      w.tempo();
      w.wave(osc->waveA);
      w.wave(osc->waveB);
      if (channel) w.wave(engineGetModulator(engine, ch)->wave);
      break;
    }
    case libKindFilter: {
      FilterRecord* f = engineGetFilter(engine, ch);
      if (!f || ch > 3) {
        w.ok = false;
        break;
      }
      w.ok = filterReadWriteChunk(file, f, w.buf(), chunkWrite) && w.ok;
      w.envelopes([&](const EnvelopeSlot& s) { return s.owner == ch && envDestIsFilter(s.destination); });
      w.tempo();
      break;
    }
    case libKindModulator: {
      ModulatorRecord* m = engineGetModulator(engine, ch);
      if (!m || ch > 2) {
        w.ok = false;
        break;
      }
      w.ok = modulatorReadWriteChunk(file, m, w.buf(), chunkWrite) && w.ok;
      w.envelopes([&](const EnvelopeSlot& s) { return s.owner == ch && envDestIsModulator(s.destination); });
      w.tempo();
      w.wave(m->wave);
      break;
    }
    case libKindWaveshaper: {
      WaveshaperRecord* ws = engineGetWaveshaper(engine);
      if (!ws) {
        w.ok = false;
        break;
      }
      w.ok = waveshaperReadWriteChunk(file, ws, w.buf(), chunkWrite) && w.ok;
      w.envelopes([&](const EnvelopeSlot& s) { return envDestIsWaveshaper(s.destination); });
      w.tempo();
      w.wave(ws->wave);
      break;
    }
    case libKindEffect:
      w.ok = writeEffect(w) && w.ok;
      w.envelopes([&](const EnvelopeSlot& s) { return envDestIsEffect(s.destination); });
      w.tempo();
      break;
    case libKindEnvelope:
      if (!engineGetEnvelopeSlot(engine, ch)) {
        w.ok = false;
        break;
      }
      w.tempo();
      w.envelope(ch);
      break;
    case libKindWave: {
      WaveRecord* wave = waveLookup(engine, static_cast<std::uint16_t>(index));
      if (!wave) {
        w.ok = false;
        break;
      }
      w.ok = waveChunkSingle(file, wave, w.buf(), chunkWrite) && w.ok;
      break;
    }
    case libKindTuning: {
      LibTuningMap map;
      LibTuningFetchFn fetch = libTuningFetchRoutine();
      if (!fetch || !fetch(engine, &map)) fetchTuningFromEngine(engine, &map);
      w.ok = libTuneChunk(file, &map, w.buf(), chunkWrite) && w.ok;
      break;
    }
    default:  // the note scale kind is listed only: header and tail
      break;
  }
  chunkHeaderSet(&header, chunkId("tail"), 0, 10);
  w.ok = fileWriteChunk(file, &header, nullptr) && w.ok;
  fileClose(file);
  fileSetChunkTypeCallback(chunkHeaderCheck);
  if (!w.ok) osFileDelete(file->path);  // no half-written library file stays in the folder
  return w.ok;
}

bool libSaveItem(void*, const char* suggestedName, int kind, std::int16_t index, Engine* engine) {
  if (!libKindId(kind) || !engine) return false;
  char root[520];
  sampleSettingsGet("LibrariesPath", root, sizeof root);
  char folder[32];
  libFolderName(kind, folder, sizeof folder);
  char path[900];
  std::snprintf(path, sizeof path, "%s%s%s.gly", root, folder, suggestedName ? suggestedName : "Untitled");
  FileSpec file;
  fileSpecClear(&file);
  fileSpecSetPath(&file, path, suggestedName);
  if (appChooseFile(appDialogSave, &file, 0) != 1) return false;
  if (!endsWithGly(file.path)) {
    char withExtension[sizeof file.path];
    if (std::snprintf(withExtension, sizeof withExtension, "%s.gly", file.path) >= int(sizeof withExtension))
      return false;
    std::strcpy(file.path, withExtension);
  }
  if (!libWriteFile(&file, kind, index, engine)) {
    msgBox(0, "File Error! Can't open file. Error: 32236", 0);
    return false;
  }
  libRelease(kind);
  libScanFolder(kind);
  return true;
}
