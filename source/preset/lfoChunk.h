// Stored layouts of the LFO record: "lfo2" (200 bytes, version 10) and the older "lfo " (176 bytes,
// the same slots up to the display value; the sync fields keep their defaults when it is read).
// Reading sets the record to its defaults (keeping its index) first and limits hostile values.
#pragma once
#include <cstdint>

#include "engine/lfo.h"
#include "preset/chunk.h"

bool lfoReadWriteChunk(FileSpec* file, Lfo* record, std::uint8_t* buffer, int direction);
bool lfoReadWriteChunkV1(FileSpec* file, Lfo* record, std::uint8_t* buffer, int direction);
// Byte-reverse every multi-byte stored field of a record. The chunk layer already reverses fields as
// it reads a file of the other byte order, so the readers above do not call these.
void lfoSwap(Lfo* record);
void lfoSwapV1(Lfo* record);
