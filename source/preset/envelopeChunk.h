// Envelope chunks: a preset's envelope array ("env ", "env2", "env3"), one library envelope ("1env")
// and the library tempo ("tmpo"). Each serialiser both writes (direction chunkWrite) and reads
// (chunkRead, from the data of the chunk just read) through the chunk buffer.
//
// A preset may hold 28 envelopes but one "env2"/"env3" chunk has room for 16 within the 65,535-byte
// limit. The writer therefore stores envelopes 0..15 in the first chunk (whose count is the preset's
// whole count) and the rest in continuation chunks of the same id whose count slot holds -(index of
// their first envelope); the reader fills those envelopes into the array the first chunk made.
#pragma once
#include <cstdint>

#include "preset/chunk.h"
#include "preset/envelopeSlot.h"

struct Preset;

enum {
  envLayoutA = 0,  // "env ": times, levels and slopes only
  envLayoutB = 1,  // "env2", "1env": every stored field
  envLayoutC = 2   // "env3": as B without the dummy double, plus partnerId
};

// Bytes of one envelope in each layout (header + 68 breakpoints).
enum { envBytesA = 76 + 68 * 16, envBytesB = 136 + 68 * 56, envBytesC = 132 + 68 * 56 };
enum { envPerChunk = 16 };  // envelopes that fit one chunk in layouts B and C

bool envChunkV1(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction);            // "env "
bool envChunkV2(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction);            // "env2"
bool envChunkV3(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction);            // "env3"
bool envChunkSingle(FileSpec* file, EnvelopeSlot* record, std::uint8_t* buffer, int direction);  // "1env"
bool tempoChunk(FileSpec* file, double* tempo, double* second, std::uint8_t* buffer, int direction);

// Moves one envelope in the given layout through the buffer (the field order of the layout).
void envTransferSlot(std::uint8_t* buffer, EnvelopeSlot* slot, std::uint32_t* cursor, std::uint32_t limit,
                     int direction, int layout);
