// Wave chunks: "Wave" (a preset's local waves) and "1Wav" (one wave of a library file).
#include <cmath>
#include <cstdlib>

#include "engine/numeric.h"
#include "preset/chunk.h"
#include "preset/preset.h"
#include "preset/wave.h"

namespace {

// A wave read from a file: samples finite and within -4..4 (the oscillators and the waveshaper index
// tables by them), state one of the three. The name is kept whole: a name of 32 characters has no
// terminator, and every reader of it stops at 32 bytes.
void sanitize(WaveRecord* w) {
  for (int k = 0; k < waveLength; ++k) {
    float v = w->samples[k];
    if (!std::isfinite(v)) v = 0.0f;
    w->samples[k] = numClamp(v, -4.0f, 4.0f);
  }
  if (w->state > waveStateLocal) w->state = waveStateLocal;
}

}  // namespace

void waveTransferRecord(std::uint8_t* b, WaveRecord* w, std::uint32_t* c, std::uint32_t lim, int dir) {
  bufTransferInt16(b, &w->id, c, lim, dir);
  bufTransferInt16(b, &w->state, c, lim, dir);
  bufTransferInt16(b, &w->waveAux1, c, lim, dir);
  bufTransferInt16(b, &w->waveAux2, c, lim, dir);
  bufTransferBytes(b, w->name, waveNameSize, waveNameSize, c, lim, dir);
  bufTransferInt32(b, &w->waveAux3, c, lim, dir);
  for (int k = 0; k < waveLength; ++k) bufTransferFloat32(b, &w->samples[k], c, lim, dir);
}

bool waveChunkPreset(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction) {
  if (!file || !preset || !buffer) return false;
  const std::uint32_t limit = chunkLimit(direction);
  std::uint32_t cursor = 0;
  if (direction == chunkRead) {
    std::int16_t count = 0;
    if (!bufTransferInt16(buffer, &count, &cursor, limit, chunkRead)) return false;
    if (count < 1) return false;
    std::free(preset->waves);  // a repeated chunk replaces the earlier array
    preset->waves = nullptr;
    preset->waveCount = 0;
    if (!presetAllocWaves(preset, count)) return false;
    const int n = count < int(waveChunkMaxRecords) ? int(count) : int(waveChunkMaxRecords);
    // Entries the chunk holds no record for start as silent, free waves.
    for (int i = 0; i < preset->waveCount; ++i)
      waveFill(&preset->waves[i], static_cast<std::uint16_t>(i), waveBankLocal, waveStateFree, nullptr, "");
    for (int i = 0; i < n; ++i) {
      waveTransferRecord(buffer, &preset->waves[i], &cursor, limit, chunkRead);
      sanitize(&preset->waves[i]);
    }
    return true;
  }
  std::int16_t count = static_cast<std::int16_t>(preset->waves ? preset->waveCount : 0);
  bufTransferInt16(buffer, &count, &cursor, limit, chunkWrite);
  const int n = count < int(waveChunkMaxRecords) ? int(count) : int(waveChunkMaxRecords);
  for (int i = 0; i < n; ++i) waveTransferRecord(buffer, &preset->waves[i], &cursor, limit, chunkWrite);
  return chunkWriteRecord(file, chunkId("Wave"), 10, buffer, cursor);
}

bool waveChunkSingle(FileSpec* file, WaveRecord* record, std::uint8_t* buffer, int direction) {
  if (!file || !record || !buffer) return false;
  const std::uint32_t limit = chunkLimit(direction);
  std::uint32_t cursor = 0;
  waveTransferRecord(buffer, record, &cursor, limit, direction);
  if (direction == chunkRead) {
    sanitize(record);
    return true;
  }
  return chunkWriteRecord(file, chunkId("1Wav"), 10, buffer, cursor);
}
