// The bank: 128 preset slots (empty ones share one default preset), the current slot, one tuning slot
// per preset slot, the file the bank came from and the 8,192 bytes of a "pLug" chunk kept verbatim.
// A second bank serves as the edit history (the last ten versions of the sound) and a third as the
// two-slot patch undo. User-interface thread only.
#pragma once
#include <cstdint>

#include "preset/chunk.h"
#include "preset/preset.h"
#include "preset/tuning.h"
#include "uiSeams/winId.h"

struct Engine;

const int bankSlotCount = 128;
const std::uint32_t bankPlugBytes = 8192;
const int editHistorySize = 10;

struct Bank {
  std::uint8_t changed;          // 1 once a slot was replaced or the bank cleared
  std::int16_t current;          // current slot, -1 before any selection
  Preset* slots[bankSlotCount];  // defaultPreset where a slot holds no preset of its own
  Preset* defaultPreset;         // shared, never freed by the bank's operations
  TuningSlot tunings[bankSlotCount];
  FileSpec file;
  std::uint8_t plugData[bankPlugBytes];
  std::uint64_t savedDigest;  // digest of the content its file holds (bankMarkSaved)
  std::uint64_t soundDigest;  // digest of the playing sound as its slot gave it (bankNoteSound), 0 none
};

Bank* bankCreate();            // null when memory is short
void bankDestroy(Bank* bank);  // frees the presets, the default preset and the tunings
void bankInit(Bank* bank);
void bankClear(Bank* bank);
void bankPutPreset(Bank* bank, Preset* preset);  // files it under its header's slot (0..127 only)
void bankSelectPreset(Bank* bank, Engine* engine, std::int16_t n);
std::int16_t bankCurrentIndex(const Bank* bank);
void bankStorePreset(Bank* bank, Engine* engine, std::int16_t n);
void bankGetPresetName(const Bank* bank, std::int16_t n, char* out);  // out holds 35 bytes
void bankGetTitle(const Bank* bank, char* out);                       // out holds 65 bytes
bool bankSlotIsEmpty(const Bank* bank, std::int16_t n);
bool bankPlugInChunk(FileSpec* file, Bank* bank, std::uint8_t* buffer, int direction);
// After reading a bank of the old format: tempo from the bar length, LFO and effect times in beats.
void bankFixupOldFormat(Bank* bank);
// The tempo an old-format header stands for (above 80 and below 190 BPM, else 120) and its beats.
double bankOldFormatTempo(double lengthSamples, float* beats);

// ---- edit history
void editHistoryCreate();
void editHistoryDestroy();
Bank* editHistoryBank();
int editHistoryCount();
int editHistoryWritePosition();
void editHistoryPush(WinId window, Engine* engine);
// Appends entries 1..count (newest first) to the menu of the item when `build` is set.
typedef void (*EditHistoryAppendFn)(int menuItem, int entry, const char* name);
void editHistorySetAppendRoutine(EditHistoryAppendFn routine);
void editHistoryFillMenu(int menuItem, bool build);
void editHistoryRecall(Engine* engine, int k);
