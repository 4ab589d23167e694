// Tuning maps kept with the bank, the engine's current and shadow maps, selection and the "tune" chunk.
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "preset/bank.h"
#include "preset/chunkIo.h"
#include "preset/library.h"
#include "preset/tuning.h"

namespace {

bool validIndex(int index) { return index >= 0 && index < tuningBankSlots; }

TuningMap* bankMap(Bank* bank, int index) {
  if (!bank || !validIndex(index) || !bank->tunings[index].inUse) return nullptr;
  return bank->tunings[index].map;
}

// The bank map the engine's current id names, or null.
TuningMap* currentBankMap(Engine* engine, Bank* bank) {
  if (!engine) return nullptr;
  const std::int16_t id = static_cast<std::int16_t>(engine->header.tuning);
  if (tuningIdBank(id) != tuningBankByteBank) return nullptr;
  return bankMap(bank, tuningIdIndex(id));
}

void copyName(char* out, const char* text) {
  std::memset(out, 0, tuningNameSize);
  if (text) std::strncpy(out, text, tuningNameSize);
}

// The engine's raw tuning storage mirrors the current map (128 keys, keys per octave, octave
// interval, name) for the readers that look there.
void mirrorRaw(Engine* engine, const TuningMap* map) {
  std::uint8_t* raw = engine->tuningMap;
  std::memcpy(raw, map->keys, sizeof map->keys);
  std::memcpy(raw + 1024, &map->keysPerOctave, 4);
  std::memcpy(raw + 1028, &map->octaveInterval, 8);
  std::memcpy(raw + 1036, map->name, tuningNameSize);
}

}  // namespace

// ---- bank slots

int tuningAllocBankMap(Bank* bank, TuningMap* out, int index) {
  if (!bank || !validIndex(index) || bank->tunings[index].inUse) return 0;
  if (out) std::memset(out, 0, sizeof *out);
  TuningMap* map = static_cast<TuningMap*>(std::malloc(sizeof(TuningMap)));
  if (!map) return 0;
  tuningMakeDefault(map);
  map->id = static_cast<std::int16_t>(index | 0x200);
  if (out) *out = *map;
  bank->tunings[index].map = map;
  bank->tunings[index].inUse = 1;
  bank->tunings[index].id = static_cast<std::uint16_t>(map->id);
  return 1;
}

void tuningFreeBankMap(Bank* bank, int index) {
  if (!bank || !validIndex(index)) return;
  TuningSlot& s = bank->tunings[index];
  std::free(s.map);
  s.map = nullptr;
  s.inUse = 0;
  s.id = 0;
}

int tuningBankMapExists(Bank* bank, int index) { return bankMap(bank, index) ? 1 : 0; }

int tuningCopyBankMap(Bank* bank, int index, TuningMap* out) {
  TuningMap* map = bankMap(bank, index);
  if (!map || !out) return 0;
  *out = *map;
  return 1;
}

void tuningStoreBankMap(Bank* bank, const TuningMap* map) {
  if (!map) return;
  if (TuningMap* target = bankMap(bank, tuningIdIndex(map->id))) *target = *map;
}

void tuningGetBankMapName(Bank* bank, int index, char* out) {
  if (!out) return;
  std::memset(out, 0, tuningNameSize);
  if (TuningMap* map = bankMap(bank, index)) std::memcpy(out, map->name, tuningNameSize);
}

int tuningFindBankMatch(Bank* bank, const TuningMap* map) {
  if (!bank || !map) return -1;
  for (int i = 0; i < tuningBankSlots; ++i) {
    TuningMap* m = bankMap(bank, i);
    if (!m || m->id != map->id) continue;
    if (std::strncmp(m->name, map->name, tuningNameSize) != 0) return -1;
    if (std::memcmp(m->keys, map->keys, sizeof m->keys) == 0) return i;
  }
  return -1;
}

// ---- "tune" chunk

bool tuningReadWriteChunk(FileSpec* file, TuningMap* map, std::uint8_t* buffer, int direction) {
  if (!file || !map || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  std::int32_t id = map->id;
  std::int32_t flag = map->flag;
  ioI32(io, &id);
  ioI32(io, &flag);
  ioI32(io, &map->keysPerOctave);
  ioF64(io, &map->octaveInterval);
  ioBlock(io, map->name, tuningNameSize);
  for (double& k : map->keys) ioF64(io, &k);
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("tune"), 10);
  if (io.cursor != tuningChunkBytes) return false;  // a short chunk is no map
  map->id = static_cast<std::int16_t>(id);
  map->flag = static_cast<std::uint8_t>(flag);
  map->name[tuningNameSize - 1] = 0;
  if (map->keysPerOctave < 1 || map->keysPerOctave > 127) map->keysPerOctave = 12;
  clampD(map->octaveInterval, 0.0, 1200.0, 12.0);
  // Keys are increments the voices play: finite, not negative, below the table length.
  for (double& k : map->keys) clampD(k, 0.0, 1024.0, 0.0);
  return true;
}

bool tuningReadChunk(Bank* bank, FileSpec* file, std::uint8_t* buffer) {
  if (!bank) return false;
  TuningMap map;
  tuningMakeDefault(&map);
  if (!tuningReadWriteChunk(file, &map, buffer, chunkRead)) return false;
  const int index = tuningIdIndex(map.id);
  if (!validIndex(index)) return false;  // names no slot of the bank
  map.id = static_cast<std::int16_t>(index | 0x200);
  if (!tuningAllocBankMap(bank, nullptr, index)) return false;
  tuningStoreBankMap(bank, &map);
  return true;
}

// ---- the engine's maps

TuningMap* tuningCurrentMap(Engine* engine) { return engine ? &engine->tuningCurrent : nullptr; }

TuningMap* tuningShadowMap(Engine* engine) { return engine ? &engine->tuningShadow : nullptr; }

void tuningApplyToEngine(Engine* engine) {
  TuningMap* map = tuningCurrentMap(engine);
  if (!map) return;
  for (int k = 0; k < tuningKeyCount; ++k) engine->noteFreq[k] = map->keys[k];
  mirrorRaw(engine, map);
  engineRetuneVoices(engine);
}

double tuningGetKey(Engine* engine, int key) {
  TuningMap* map = tuningCurrentMap(engine);
  if (!map || key < 0 || key >= tuningKeyCount) return 0.0;
  return map->keys[key];
}

void tuningSetKey(Engine* engine, Bank* bank, int key, double value) {
  TuningMap* map = tuningCurrentMap(engine);
  if (!map) return;
  if (key >= 0 && key < tuningKeyCount) {
    clampD(value, 0.0, 1024.0, map->keys[key]);
    map->keys[key] = value;
    tuningShadowMap(engine)->keys[key] = value;
    if (TuningMap* b = currentBankMap(engine, bank)) b->keys[key] = value;
  }
  tuningApplyToEngine(engine);
}

void tuningSetName(Engine* engine, Bank* bank, const char* text) {
  TuningMap* map = tuningCurrentMap(engine);
  if (!map) return;
  copyName(map->name, text);
  map->name[tuningNameSize - 1] = 0;
  if (TuningMap* b = currentBankMap(engine, bank)) std::memcpy(b->name, map->name, tuningNameSize);
  mirrorRaw(engine, map);
}

void tuningSetFlag(Engine* engine, Bank* bank, std::uint8_t flag) {
  TuningMap* map = tuningCurrentMap(engine);
  if (!map) return;
  map->flag = flag;
  if (TuningMap* b = currentBankMap(engine, bank)) b->flag = flag;
}

void tuningSetOctaveInterval(Engine* engine, Bank* bank, double semitones) {
  TuningMap* map = tuningCurrentMap(engine);
  if (!map) return;
  map->octaveInterval = semitones;
  if (TuningMap* b = currentBankMap(engine, bank)) b->octaveInterval = semitones;
  mirrorRaw(engine, map);
}

void tuningSetKeysPerOctave(Engine* engine, Bank* bank, std::uint32_t keys) {
  TuningMap* map = tuningCurrentMap(engine);
  if (!map) return;
  map->keysPerOctave = keys;
  if (TuningMap* b = currentBankMap(engine, bank)) b->keysPerOctave = keys;
  mirrorRaw(engine, map);
}

TuningMap* tuningStoreMap(Engine* engine, Bank* bank, const TuningMap* map) {
  TuningMap* current = tuningCurrentMap(engine);
  if (!current || !map) return nullptr;
  const std::int16_t id = static_cast<std::int16_t>(engine->header.tuning);
  // Only a bank id with a map in its slot can take the map; otherwise the bank is left alone.
  TuningMap* b = currentBankMap(engine, bank);
  if (b) {
    *b = *map;
    b->id = id;
  }
  *current = *map;
  *tuningShadowMap(engine) = *map;
  current->id = id;
  tuningApplyToEngine(engine);
  return b;
}

std::int16_t tuningNewBankMap(Engine* engine, Bank* bank) {
  if (!engine || !bank) return 0;
  for (int i = 0; i < tuningBankSlots; ++i) {
    if (bank->tunings[i].inUse) continue;
    TuningMap made;
    if (!tuningAllocBankMap(bank, &made, i)) return 0;
    *tuningCurrentMap(engine) = made;
    *tuningShadowMap(engine) = made;
    engine->header.tuning = static_cast<std::uint16_t>(made.id);
    tuningApplyToEngine(engine);
    return made.id;
  }
  return 0;
}

void tuningGetName(Engine* engine, Bank* bank, std::int16_t id, char* out) {
  (void)engine;
  if (!out) return;
  std::memset(out, 0, tuningNameSize);
  const int b = tuningIdBank(id), index = tuningIdIndex(id);
  if (b == tuningBankByteBuiltIn) {
    if (const TuningMap* e = tuningBuiltIn(index)) std::memcpy(out, e->name, tuningNameSize);
  } else if (b == tuningBankByteBank) {
    tuningGetBankMapName(bank, index, out);
  }
}

void tuningSelect(Engine* engine, Bank* bank, std::int16_t id) {
  TuningMap* current = tuningCurrentMap(engine);
  if (!current) return;
  const int b = tuningIdBank(id), index = tuningIdIndex(id);
  if (b == tuningBankByteBuiltIn) {
    const TuningMap* e = tuningBuiltIn(index);
    if (!e) return;
    engine->header.tuning = static_cast<std::uint16_t>(id);
    *current = *e;
  } else if (b == tuningBankByteBank) {
    if (TuningMap* m = bankMap(bank, index)) {
      *current = *m;
      engine->header.tuning = static_cast<std::uint16_t>(id);
    } else {
      *current = *tuningBuiltIn(0);
    }
  }
  tuningApplyToEngine(engine);
}

// ---- the library's tuning kind

namespace {

void fromLibrary(const LibTuningMap* in, TuningMap* out) {
  tuningMakeDefault(out);
  out->id = static_cast<std::int16_t>(in->id);
  out->flag = static_cast<std::uint8_t>(in->flag);
  out->keysPerOctave = static_cast<std::uint32_t>(in->keysPerOctave);
  out->octaveInterval = in->octaveInterval;
  std::memcpy(out->name, in->name, tuningNameSize);
  out->name[tuningNameSize - 1] = 0;
  std::memcpy(out->keys, in->keys, sizeof out->keys);
}

}  // namespace

void tuningLibraryStore(Engine* engine, const LibTuningMap* read) {
  Bank* bank = engineGetBank(engine);
  if (!engine || !read) return;
  TuningMap map;
  fromLibrary(read, &map);
  if (tuningFindBankMatch(bank, &map) >= 0) return;
  if (tuningNewBankMap(engine, bank) == 0) return;
  tuningStoreMap(engine, bank, &map);
}

bool tuningLibraryFetch(Engine* engine, LibTuningMap* out) {
  TuningMap* current = tuningCurrentMap(engine);
  if (!current || !out) return false;
  std::memset(out, 0, sizeof *out);
  out->id = current->id;
  out->flag = current->flag;
  out->keysPerOctave = static_cast<std::int32_t>(current->keysPerOctave);
  out->octaveInterval = current->octaveInterval;
  std::memcpy(out->name, current->name, tuningNameSize);
  std::memcpy(out->keys, current->keys, sizeof out->keys);
  return true;
}

void tuningInstallLibraryRoutines() { libSetTuningRoutines(tuningLibraryStore, tuningLibraryFetch); }
