// Envelope chunk serialisers.
#include "preset/envelopeChunk.h"

#include <cstdlib>
#include <cstring>

#include "preset/preset.h"

namespace {

// 32-bit fields that only their low 16 bits count when read (MIDI sources, wave ids).
void transferLow16(std::uint8_t* buffer, std::int32_t* field, std::uint32_t* cursor, std::uint32_t limit,
                   int direction) {
  if (bufTransferInt32(buffer, field, cursor, limit, direction) && direction == chunkRead)
    *field = static_cast<std::int16_t>(static_cast<std::uint32_t>(*field) & 0xFFFFu);
}

void transferHeader(std::uint8_t* b, EnvelopeSlot* s, std::uint32_t* c, std::uint32_t lim, int dir, int layout) {
  bufTransferInt16(b, &s->tag, c, lim, dir);
  bufTransferInt8(b, &s->inUse, c, lim, dir);
  bufTransferInt8(b, &s->allocated, c, lim, dir);
  bufTransferInt8(b, &s->tempoSync, c, lim, dir);
  bufTransferInt8(b, &s->global, c, lim, dir);
  bufTransferInt16(b, &s->mode, c, lim, dir);
  bufTransferInt16(b, &s->destination, c, lim, dir);
  bufTransferInt16(b, &s->owner, c, lim, dir);
  bufTransferInt16(b, &s->sustainIndex, c, lim, dir);
  bufTransferInt16(b, &s->releaseIndex, c, lim, dir);
  bufTransferInt16(b, &s->lastIndex, c, lim, dir);
  bufTransferInt16(b, &s->loopStart, c, lim, dir);
  bufTransferFloat32(b, &s->auxValue1, c, lim, dir);
  bufTransferInt32(b, &s->auxValue2, c, lim, dir);
  bufTransferFloat32(b, &s->auxValue3, c, lim, dir);
  bufTransferFloat32(b, &s->auxValue4, c, lim, dir);
  if (layout != envLayoutC) {
    double dummy = 0.0;  // written as 0.0, ignored on reading
    bufTransferDouble(b, &dummy, c, lim, dir);
  }
  bufTransferFloat32(b, &s->startLevel, c, lim, dir);
  if (layout == envLayoutA) return;
  bufTransferInt32(b, &s->id, c, lim, dir);
  bufTransferInt32(b, &s->bypass, c, lim, dir);
  bufTransferFloat32(b, &s->auxLevel, c, lim, dir);
  transferLow16(b, &s->controlSource, c, lim, dir);
  bufTransferInt32(b, &s->ccScaleOn, c, lim, dir);
  bufTransferInt32(b, &s->lfoOn, c, lim, dir);
  transferLow16(b, &s->lfoWave, c, lim, dir);
  bufTransferFloat32(b, &s->lfoPhase, c, lim, dir);
  bufTransferInt32(b, &s->sampleHoldOn, c, lim, dir);
  bufTransferInt32(b, &s->linked, c, lim, dir);
  bufTransferInt32(b, &s->linkMaster, c, lim, dir);
  bufTransferFloat32(b, &s->ampPercent, c, lim, dir);
  bufTransferFloat32(b, &s->ampOffset, c, lim, dir);
  bufTransferFloat32(b, &s->timePercent, c, lim, dir);
  bufTransferFloat32(b, &s->slopePercent, c, lim, dir);
  if (layout == envLayoutC) bufTransferInt32(b, &s->partnerId, c, lim, dir);
}

void transferBreakpoint(std::uint8_t* b, Breakpoint* p, std::uint32_t* c, std::uint32_t lim, int dir, int layout) {
  bufTransferDouble(b, &p->time, c, lim, dir);
  bufTransferFloat32(b, &p->level, c, lim, dir);
  bufTransferFloat32(b, &p->slope, c, lim, dir);
  if (layout == envLayoutA) return;
  bufTransferInt32(b, &p->step, c, lim, dir);
  bufTransferFloat32(b, &p->ampScale, c, lim, dir);
  bufTransferFloat32(b, &p->timeScale, c, lim, dir);
  transferLow16(b, &p->ampCc, c, lim, dir);
  transferLow16(b, &p->timeCc, c, lim, dir);
  bufTransferDouble(b, &p->lfoSeconds, c, lim, dir);
  bufTransferDouble(b, &p->shSeconds, c, lim, dir);
  bufTransferFloat32(b, &p->lfoDepth, c, lim, dir);
}

int layoutBytes(int layout) { return layout == envLayoutA ? envBytesA : layout == envLayoutB ? envBytesB : envBytesC; }

// After reading: the fix-ups of the old layout, then ranges the engine can trust.
void finishRead(EnvelopeSlot* slot, int index, int layout) {
  if (layout == envLayoutA) {
    slot->id = index;
    slot->tempoSync = (slot->mode == envModeLoop || slot->mode == envModeRetrigger) ? 1 : 0;
  }
  envHandshakeStore(slot, envHandshakeRunning);
  envSanitizeSlot(slot);
}

// Makes room for `want` envelopes (at most the preset maximum), new slots at their defaults.
bool growEnvelopes(Preset* preset, int want) {
  if (want > presetMaxEnvelopes) want = presetMaxEnvelopes;
  if (want <= preset->envelopeCount) return true;
  void* grown = std::realloc(preset->envelopes, static_cast<std::size_t>(want) * sizeof(EnvelopeSlot));
  if (!grown) return false;
  preset->envelopes = static_cast<EnvelopeSlot*>(grown);
  for (int i = preset->envelopeCount; i < want; ++i) {
    std::memset(&preset->envelopes[i], 0, sizeof(EnvelopeSlot));
    envInitSlot(&preset->envelopes[i], static_cast<std::int16_t>(i), envDestNone);
  }
  preset->envelopeCount = static_cast<std::uint16_t>(want);
  return true;
}

bool presetChunk(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction, int layout, std::uint32_t id,
                 std::uint32_t version) {
  if (!file || !preset || !buffer) return false;
  const int bytes = layoutBytes(layout);
  if (direction == chunkRead) {
    const std::uint32_t limit = chunkLimit(chunkRead);
    std::uint32_t cursor = 0;
    std::int16_t count = 0;
    if (!bufTransferInt16(buffer, &count, &cursor, limit, chunkRead)) return false;
    int start = 0, available;
    if (count > 0) {
      // A second array chunk for the same preset replaces the first (the allocator keeps none).
      std::free(preset->envelopes);
      preset->envelopes = nullptr;
      preset->envelopeCount = 0;
      if (!presetAllocEnvelopes(preset, count)) return false;
      available = preset->envelopeCount;
    }
    // Only envelopes the chunk holds whole: a cut record would mix file and default fields.
    const int held = limit > 5 ? static_cast<int>((limit - 1 - 4) / bytes) : 0;
    if (count <= 0) {
      // Continuation of the preset's array: its first envelope's index, negated. A first chunk
      // counts only the envelopes it holds, so the continuation adds the ones it carries; files
      // whose first chunk counted them all already have their slots.
      start = -count;
      if (start <= 0 || !preset->envelopes || start > preset->envelopeCount) return false;
      if (!growEnvelopes(preset, start + held)) return false;
      available = preset->envelopeCount - start;
    }
    const int n = held < available ? held : available;
    for (int i = 0; i < n; ++i)
      envTransferSlot(buffer, &preset->envelopes[start + i], &cursor, limit, chunkRead, layout);
    for (int i = 0; i < n; ++i) finishRead(&preset->envelopes[start + i], start + i, layout);
    return true;
  }
  int total = preset->envelopeCount;
  if (total > envSlotCount) total = envSlotCount;
  if (total > 0 && !preset->envelopes) total = 0;
  // The old layout has room for all 28 (4 + 28 x 1,164 bytes); B and C for 16 per chunk.
  const int perChunk = layout == envLayoutA ? int(envSlotCount) : int(envPerChunk);
  int start = 0;
  do {
    std::uint32_t cursor = 0;
    int n = total - start;
    if (n > perChunk) n = perChunk;
    // The first chunk counts the envelopes it holds (a reader that knows no continuation then
    // sees whole envelopes only); a continuation stores its first index, negated.
    std::int16_t count = static_cast<std::int16_t>(start == 0 ? n : -start);
    bufTransferInt16(buffer, &count, &cursor, chunkTransferLimit, chunkWrite);
    for (int i = 0; i < n; ++i)
      envTransferSlot(buffer, &preset->envelopes[start + i], &cursor, chunkTransferLimit, chunkWrite, layout);
    if (!chunkWriteRecord(file, id, version, buffer, cursor)) return false;
    start += n;
  } while (start < total);
  return true;
}

}  // namespace

void envTransferSlot(std::uint8_t* buffer, EnvelopeSlot* slot, std::uint32_t* cursor, std::uint32_t limit,
                     int direction, int layout) {
  transferHeader(buffer, slot, cursor, limit, direction, layout);
  for (int i = 0; i < envBreakpointCount; ++i)
    transferBreakpoint(buffer, &slot->breakpoints[i], cursor, limit, direction, layout);
}

bool envChunkV1(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction) {
  return presetChunk(file, preset, buffer, direction, envLayoutA, chunkId("env "), 10);
}

bool envChunkV2(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction) {
  return presetChunk(file, preset, buffer, direction, envLayoutB, chunkId("env2"), 10);
}

bool envChunkV3(FileSpec* file, Preset* preset, std::uint8_t* buffer, int direction) {
  return presetChunk(file, preset, buffer, direction, envLayoutC, chunkId("env3"), 1);
}

bool envChunkSingle(FileSpec* file, EnvelopeSlot* record, std::uint8_t* buffer, int direction) {
  if (!file || !record || !buffer) return false;
  std::uint32_t cursor = 0;
  const std::uint32_t limit = chunkLimit(direction);
  envTransferSlot(buffer, record, &cursor, limit, direction, envLayoutB);
  if (direction == chunkRead) {
    envSanitizeSlot(record);
    return true;
  }
  return chunkWriteRecord(file, chunkId("1env"), 10, buffer, cursor);
}

bool tempoChunk(FileSpec* file, double* tempo, double* second, std::uint8_t* buffer, int direction) {
  if (!file || !tempo || !second || !buffer) return false;
  std::uint32_t cursor = 0;
  const std::uint32_t limit = chunkLimit(direction);
  bufTransferDouble(buffer, tempo, &cursor, limit, direction);
  bufTransferDouble(buffer, second, &cursor, limit, direction);
  if (direction == chunkRead) return true;
  return chunkWriteRecord(file, chunkId("tmpo"), 10, buffer, cursor);
}
