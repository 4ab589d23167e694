// Stored layouts of the master effect records. The old layouts ("pipe", "mCmb", "mTap") have a 24-byte
// head without the time unit; the new ones ("pip2", "mCm2", "mTa2", "eco3", "rev3") a 28-byte head.
// Reading takes the record's kind and size from the chunk id, never from the head in the data.
#pragma once
#include <cstdint>

#include "modules/effectRecords.h"

struct FileSpec;

bool effectPipeReadWriteChunkV1(FileSpec* file, EffectPipeRecord* record, std::uint8_t* buffer, int direction);
bool effectPipeReadWriteChunk(FileSpec* file, EffectPipeRecord* record, std::uint8_t* buffer, int direction);
bool effectCombReadWriteChunkV1(FileSpec* file, EffectCombRecord* record, std::uint8_t* buffer, int direction);
bool effectCombReadWriteChunk(FileSpec* file, EffectCombRecord* record, std::uint8_t* buffer, int direction);
bool effectTapReadWriteChunkV1(FileSpec* file, EffectTapRecord* record, std::uint8_t* buffer, int direction);
bool effectTapReadWriteChunk(FileSpec* file, EffectTapRecord* record, std::uint8_t* buffer, int direction);
bool effectEchoReadWriteChunk(FileSpec* file, EffectEchoRecord* record, std::uint8_t* buffer, int direction);
bool effectRevReadWriteChunk(FileSpec* file, EffectRevRecord* record, std::uint8_t* buffer, int direction);

// The effect kind a chunk id stores (1..5), 0 for any other id.
std::uint16_t effectTypeOfChunk(std::uint32_t id);
