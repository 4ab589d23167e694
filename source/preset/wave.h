// Single-cycle waves: the record, the wave id scheme and the global table of built-in waves.
// A wave id is index + 256 x bank: bank 0 is the global table (64 waves), bank 127 the engine's
// 8 preset-local waves (ids 0x7F00..0x7F07).
#pragma once
#include <cstddef>
#include <cstdint>

enum {
  waveLength = 1024,     // samples of one cycle
  waveNameSize = 32,     // bytes of a wave name (terminated unless 32 characters long)
  waveGlobalCount = 64,  // waves of the global table (bank 0)
  waveLocalCount = 8,    // preset-local waves of the engine (bank 127)
  waveBankGlobal = 0,
  waveBankLocal = 127,
  waveLocalIdBase = 0x7F00,   // id of local wave 0
  waveFactoryTableCount = 37  // built-in tables behind the named waves
};

enum { waveStateFree = 0, waveStateBuiltIn = 1, waveStateLocal = 2 };

struct WaveRecord {
  float samples[waveLength];  // one cycle, nominally -1..1
  std::uint16_t id;           // low byte index in its bank, high byte bank
  std::uint16_t state;        // waveState*
  std::uint16_t waveAux1;     // stored, 0 when filled
  std::uint16_t waveAux2;     // stored, 0 when filled
  std::uint32_t waveAux3;     // stored, 0 when filled
  char name[waveNameSize];    // zero-terminated unless 32 characters long
};

static_assert(sizeof(WaveRecord) == 4096 + 12 + 32, "WaveRecord layout");

struct Engine;
struct Preset;
struct FileSpec;

// One cycle of sin(k x 2 pi / 1024), shared by the whole program (filled by presetWavesInit).
extern float sineTable[waveLength];

// Fills sineTable and the global table: the named built-in waves in slots 0..40, "Sine" copies
// (state 0) in 41..63. Called once at start-up, before any engine plays.
void presetWavesInit();
// The global table's wave `index` (0..63); null outside.
WaveRecord* waveGlobal(int index);
// Built-in table `table` (0..36) into out (1024 samples, peak 1.0); false for another number.
bool waveFactoryTable(int table, float* out);

// Fills a record: id = index + 256 x bank, state, name (at most 32 characters), aux words 0,
// the samples, each plus 1e-24 against denormals.
void waveFill(WaveRecord* record, std::uint16_t index, std::uint16_t bank, std::uint16_t state, const float* samples,
              const char* name);
// Whole-record copy with the denormal guard on the target's samples; nothing for a null argument.
void waveCopyRecord(Engine* engine, const WaveRecord* source, WaveRecord* target);
// Adds 1e-24 to each of the count floats; nothing for count < 1.
void denormalGuardAdd(float* buffer, std::int16_t count);

// Id lookup: bank 0 index 0..63 the global wave, bank 127 index 0..7 the engine's local wave;
// anything else (or no engine for a local id) global wave 0. Never null.
WaveRecord* waveGet(Engine* engine, std::int16_t id);
WaveRecord* waveLookup(Engine* engine, std::uint16_t id);
std::int16_t waveGetState(Engine* engine, std::int16_t id);
// Clears 32 bytes of buffer and copies at most 31 characters of the name: always terminated.
void waveGetName(Engine* engine, std::int16_t id, char* buffer);

// Preset-local waves of the engine.
WaveRecord* engineLocalWave(Engine* engine, int index);  // 0..7, null outside or without engine
void waveCopySamplesOut(Engine* engine, std::uint16_t localIndex, float* target);
void waveCopySamplesIn(Engine* engine, std::uint16_t localIndex, const float* source);
void waveSaveUndoCopy(Engine* engine, std::int16_t localIndex);
void waveSaveRedoCopy(Engine* engine, std::int16_t localIndex);
void waveRestoreUndoCopy(Engine* engine, std::uint16_t localIndex);
void waveRestoreRedoCopy(Engine* engine, std::uint16_t localIndex);
void waveNotifyChanged(Engine* engine, std::int16_t id);
int waveCountUsed(Engine* engine);
// 1: an equal local wave exists (id out) or none could be claimed (id -1); 0: a new local wave was
// claimed (id out) and the caller fills it.
bool waveFindOrClaimLocal(Engine* engine, std::uint16_t* id, const float* samples);

// Chunks: "Wave" (a preset's waves, at most 10 records) and "1Wav" (one record).
enum { waveRecordBytes = 4148, waveChunkMaxRecords = 10 };
bool waveChunkPreset(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction);
bool waveChunkSingle(FileSpec* file, WaveRecord* record, std::uint8_t* buffer, int direction);
void waveTransferRecord(std::uint8_t* buffer, WaveRecord* record, std::uint32_t* cursor, std::uint32_t limit,
                        int direction);

// The wave editor's undo and redo records and the index of the local wave being edited.
WaveRecord* waveUndoRecord(Engine* engine);
WaveRecord* waveRedoRecord(Engine* engine);
std::uint16_t waveEditedIndex(Engine* engine);

// Rebuild of everything that plays a wave whose samples changed (the oscillators install theirs).
typedef void (*WaveChangedFn)(Engine* engine, std::int16_t id);
void waveSetChangeRoutine(WaveChangedFn routine);
