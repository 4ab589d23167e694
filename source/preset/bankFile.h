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
bool bankFileOpenWithDialog(int window, Bank* bank);
// One chunk by its id; false aborts the read (no memory for a preset, a header chunk not readable).
bool bankFileHandleChunk(FileSpec* file, Bank* bank, const ChunkHeader* header, BankReadScratch* scratch);

// Writes every preset of its own, the bank's tunings and plug data to the file (created or
// truncated), in this machine's byte order. False when the file cannot be written.
bool bankFileWrite(Bank* bank, FileSpec* file);
// "&Save": the bank's own file; "Save As...": asks for a file first. The bank's file becomes the one
// written; false when nothing was written.
bool bankFileSave(int window, Bank* bank);
bool bankFileSaveAs(int window, Bank* bank);
