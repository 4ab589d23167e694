// Bank files: a flat run of chunks in either byte order. Reading: a container ("ClaM", or "Clam" for
// the old format, which is brought up to date afterwards), then per preset a header chunk ("ptc4" or
// an older one), its module chunks and "pEnd"; "tune" and "pLug" between presets; "tail" last.
// Writing mirrors it with the newest id of every kind, little-endian. User-interface thread only.
#pragma once
#include <cstdint>

#include "engine/lfo.h"
#include "preset/bank.h"
#include "preset/chunk.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "uiSeams/winId.h"

// The bank reader's state and its record scratch (each chunk clears only the record it uses).
struct BankReadScratch {
  Preset* pending;           // made by the last header chunk, not yet filed
  Preset* current;           // the preset module chunks fill, or null
  std::uint8_t oldFormat;    // a "Clam" container was met
  std::uint32_t envelopeId;  // id of the current preset's first envelope chunk, 0 none
  std::uint8_t effectRead;   // the current preset took an effect chunk
  ChannelOscRecord osc;
  FilterRecord filter;
  ModulatorRecord modulator;
  Lfo lfo;
};

const int bankFileMaxChunks = 16000;

// Reads the file into a new bank and, only when the read succeeds, puts its presets, tunings and plug
// data in place of the bank's (whose current index stays); on failure the bank is left as it was.
bool bankFileOpen(Bank* bank, const FileSpec* file);
// Asks for a file (open dialog); false with the bank untouched unless one was chosen and read.
bool bankFileOpenWithDialog(WinId window, Bank* bank);
// One chunk by its id; false aborts the read (no memory for a preset, a header chunk not readable).
bool bankFileHandleChunk(FileSpec* file, Bank* bank, const ChunkHeader* header, BankReadScratch* scratch);

// Writes every preset of its own, the bank's tunings and plug data to the file, in this machine's byte
// order: into a new temporary file beside it, which then replaces the file. False when the file cannot
// be written (the file, and every other file, left as it was; no temporary left behind).
bool bankFileWrite(Bank* bank, FileSpec* file);
// Why the last bankFileOpen or bankFileWrite failed at the file level, in words with the system's
// reason ("" when it did not fail so, e.g. the content was refused with the reader's own message).
const char* bankFileLastReason();
// Sets that text from a format with one %s, which takes the system's words for the last file error.
void bankFileSetReason(const char* format);
// "&Save": the bank's own file; "Save As...": asks for a file first. The bank's file becomes the one
// written; false when nothing was written.
bool bankFileSave(WinId window, Bank* bank);
bool bankFileSaveAs(WinId window, Bank* bank);

// What the bank holds against what its file holds, compared as digests of what bankFileWrite would
// write. bankMarkSaved: the bank now holds what its file holds (just read or written, or a new bank
// without a file). bankDiffersFromFile: a bank marked changed whose content is not what was saved.
std::uint64_t bankContentDigest(Bank* bank);
void bankMarkSaved(Bank* bank);
bool bankDiffersFromFile(Bank* bank);
// The playing sound against its preset in the bank: bankNoteSound remembers the engine's sound as its
// slot gave it (a preset selected, or the sound stored into its own slot); bankSoundDiffersFromSlot
// tells whether the engine's sound was edited since (the engine marked modified, and the sound as Store
// would write it changed; false for a sound of no slot, or before any selection).
void bankNoteSound(Bank* bank, Engine* engine);
bool bankSoundDiffersFromSlot(Bank* bank, Engine* engine);
