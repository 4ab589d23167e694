// Module library files: single modules (with the envelopes and waves they use) kept apart from
// presets, one folder per kind below "LibrariesPath", each folder listed into a popup menu of its
// kind. Choosing an entry loads the file into the engine at the place the menu was opened for, under
// the engine's stop and restart handshake, with one level of patch undo. User-interface thread only.
//
// A library file is a run of sibling chunks in either byte order: the kind's header chunk
// ("lib0".."lib9"), the module chunk(s), "1env" chunks, optionally "tmpo", "1Wav" chunks, "tail".
#pragma once
#include <cstdint>

#include "preset/chunk.h"

struct Engine;

enum LibraryKindCode {
  libKindOscillator = 1,
  libKindFilter = 2,
  libKindModulator = 3,
  libKindWaveshaper = 4,
  libKindEffect = 5,
  libKindEnvelope = 6,
  libKindWave = 7,
  libKindTuning = 8,
  libKindChannel = 9,
  libKindNotescale = 10
};
const int libKindCount = 10;
const std::int32_t libEntrySlots = 256;
const int libMaxChunks = 16000;

struct LibraryKind {
  std::int16_t menu;   // popup menu handle, 0 = none
  std::int32_t count;  // entry slots (256 after set-up)
  FileSpec* entries;   // entry i is the file behind menu item i + 1
};

void libSetupAll();  // once per run
void libScanFolder(int kind);
void libEnsureMenu(int kind);
std::int16_t libGetKindHandle(int kind);
void libSetKindHandle(int kind, std::int16_t handle);
void libRelease(int kind);
LibraryKind* libGetKindRecord(int kind);
void libFolderName(int kind, char* out, std::uint32_t capacity);  // "Oscil" + separator ...
std::uint32_t libKindId(int kind);                                // chunkId("lib0") + kind - 1; 0 outside 1..10
bool libGetEntry(int kind, std::int32_t index, FileSpec* out);
void libSetEntry(int kind, std::int32_t index, const FileSpec* file);
bool libFileIsKind(FileSpec* file, std::uint32_t headerId);
int libChunkCheck(std::uint32_t* words);
// Loads the entry behind menu item `item` (1-based) into the engine at `target`: 0, or 4 without entry.
int libDispatch(int kind, int item, std::int16_t target, Engine* engine);
void libFreeKindBuffer(int kind);
// The two request globals of the last dispatch.
int libRequestKind();
std::int16_t libRequestTarget();

// Writes the record of that kind at `index` (for kind 8 the engine's current tuning) to the file named
// by file->path, with its envelopes and preset waves, in this machine's byte order.
bool libWriteFile(FileSpec* file, int kind, std::int16_t index, Engine* engine);
// The pages' "save to library": asks for a file (save dialog, suggested "<folder><name>.gly" of the
// kind's library folder), writes it and rebuilds the kind's menu. True when the file was written.
bool libSaveItem(void* window, const char* suggestedName, int kind, std::int16_t index, Engine* engine);

// Patch undo before a module is loaded: stores the patch and sets undoKindPatch. The sound pages
// install the routine that stores the patch; without one only the undo kind is set.
typedef void (*LibPatchUndoFn)(Engine* engine);
void libSetPatchUndoRoutine(LibPatchUndoFn routine);

// The 1,076-byte tuning map of a "tune" chunk.
struct LibTuningMap {
  std::int32_t id;
  std::int32_t flag;
  std::int32_t keysPerOctave;
  double octaveInterval;
  char name[32];
  double keys[128];
};
// The tuning maps install how a read map reaches the bank and engine and where the current map comes
// from. Without them the engine's own tuning storage is used.
typedef void (*LibTuningStoreFn)(Engine* engine, const LibTuningMap* map);
typedef bool (*LibTuningFetchFn)(Engine* engine, LibTuningMap* out);
void libSetTuningRoutines(LibTuningStoreFn store, LibTuningFetchFn fetch);
LibTuningFetchFn libTuningFetchRoutine();
bool libTuneChunk(FileSpec* file, LibTuningMap* map, std::uint8_t* buffer, int direction);

// Tests: forgets the set-up (menus destroyed, entry buffers freed) so libSetupAll runs again.
void libResetForTest();
