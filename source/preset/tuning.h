// Tuning maps ("Notescale Map"): a pitch per MIDI key. The engine plays from its current map; a
// preset names its tuning by a map id = bank byte x 256 + index: bank byte 0 a built-in map (a list of
// 32 computed once), bank byte 2 the bank's map in slot `index` (0..127, the only editable ones).
// Keys are phase increments of a 1024-sample table per sample at 44,100 Hz.
#pragma once
#include <cstdint>

struct Bank;
struct Engine;
struct FileSpec;

const int tuningKeyCount = 128;
const int tuningBuiltInCount = 32;
const int tuningNameSize = 32;
const int tuningBankSlots = 128;
const std::int16_t tuningBankByteBuiltIn = 0;
const std::int16_t tuningBankByteBank = 2;
const std::uint32_t tuningChunkBytes = 1076;

struct TuningMap {
  std::int16_t id;              // bank byte x 256 + index (a 32-bit slot in files)
  std::uint8_t flag;            // switch of the tuning editor
  std::uint32_t keysPerOctave;  // "Keys per 8ve", 1..127
  double octaveInterval;        // "8ve interval", semitones
  char name[tuningNameSize];    // zero-terminated
  double keys[tuningKeyCount];  // increment per key at 44,100 Hz
};

// One tuning slot of a bank: the map it owns, if any.
struct TuningSlot {
  std::uint16_t inUse;  // 1 when `map` is allocated
  std::uint16_t id;     // the map's id
  TuningMap* map;
};

std::int16_t tuningMakeId(int bank, int index);
int tuningIdBank(std::int16_t id);   // the high byte as a signed 8-bit value
int tuningIdIndex(std::int16_t id);  // the low byte 0..255

// "Untitled": id 0, flag 1, 12 keys per octave, octave 12.0, equal temperament.
void tuningMakeDefault(TuningMap* map);

// ---- built-in list
void tuningBuildLibrary();  // idempotent; every accessor builds it when needed
int tuningLibraryCount();
// Test seam: the list answers only its first `count` entries (clamped to 1..32) until set again.
void tuningSetLibraryCount(int count);
const TuningMap* tuningBuiltIn(int index);  // null outside the list
int tuningFindById(std::int16_t id);        // list index of the first entry with that id word; 0 if none

// Generators (each writes the keys it defines, see tuning.cpp).
void tuningFillEqual(TuningMap* map, double baseNote, int baseKey, int divisions);
void tuningFillPythagorean(TuningMap* map, int shift);
void tuningFillMeanTone(TuningMap* map, int root);
void tuningFillVallotti(TuningMap* map, int root);
void tuningFillWerckmeister(TuningMap* map, int root);
void tuningFillRatios(TuningMap* map, const float ratios[11]);
void tuningFillHarrison16(TuningMap* map);

// ---- bank slots
int tuningAllocBankMap(Bank* bank, TuningMap* out, int index);
void tuningFreeBankMap(Bank* bank, int index);
int tuningBankMapExists(Bank* bank, int index);
int tuningCopyBankMap(Bank* bank, int index, TuningMap* out);
void tuningStoreBankMap(Bank* bank, const TuningMap* map);
void tuningGetBankMapName(Bank* bank, int index, char* out);
int tuningFindBankMatch(Bank* bank, const TuningMap* map);
// One "tune" chunk (1,076 bytes) into the bank slot named by the low byte of its id; a slot that has a
// map keeps it, an index beyond the 128 slots is ignored. Writing stores `map`.
bool tuningReadChunk(Bank* bank, FileSpec* file, std::uint8_t* buffer);
bool tuningReadWriteChunk(FileSpec* file, TuningMap* map, std::uint8_t* buffer, int direction);

// ---- the engine's maps: the current one (voices play it) and the shadow map (edits and stores)
TuningMap* tuningCurrentMap(Engine* engine);
TuningMap* tuningShadowMap(Engine* engine);
double tuningGetKey(Engine* engine, int key);  // 0.0 outside 0..127
void tuningSetKey(Engine* engine, Bank* bank, int key, double value);
void tuningSetName(Engine* engine, Bank* bank, const char* text);
void tuningSetFlag(Engine* engine, Bank* bank, std::uint8_t flag);
void tuningSetOctaveInterval(Engine* engine, Bank* bank, double semitones);
void tuningSetKeysPerOctave(Engine* engine, Bank* bank, std::uint32_t keys);
TuningMap* tuningStoreMap(Engine* engine, Bank* bank, const TuningMap* map);
std::int16_t tuningNewBankMap(Engine* engine, Bank* bank);
void tuningGetName(Engine* engine, Bank* bank, std::int16_t id, char* out);
void tuningSelect(Engine* engine, Bank* bank, std::int16_t id);
// Copies the current map's keys into the engine's note table and retunes the playing voices.
void tuningApplyToEngine(Engine* engine);
// Lets the module library's tuning kind load maps into the bank and the engine and save the current
// map (the application installs it once at start-up).
void tuningInstallLibraryRoutines();
// The two routines: a map read from a library file is added to the bank as a new map and played,
// unless the bank already holds the same map; the fetch gives the engine's current map.
struct LibTuningMap;
void tuningLibraryStore(Engine* engine, const LibTuningMap* read);
bool tuningLibraryFetch(Engine* engine, LibTuningMap* out);
