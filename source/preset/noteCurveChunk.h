// Stored layout of a preset's note curves: "Ntmp" (version 10): the count (16 bits in a 4-byte slot)
// and then, for at most 10 curves, family, slot and the 128 values (520 bytes each). Only curves in
// use are stored; a preset without curves writes no chunk.
#pragma once
#include <cstdint>

#include "preset/chunk.h"
#include "preset/preset.h"

// Reading replaces the preset's curves (at most 10 are kept, whatever count the file claims; values
// limited to 0..1). A count of 0 fails and leaves the preset without curves.
bool noteCurvesReadWriteChunk(FileSpec* file, Preset* preset, std::uint8_t* buffer, std::uint8_t read);
