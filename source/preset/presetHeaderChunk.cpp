// The four stored layouts of the preset header: "ptch" and "ptc2" (tempo as a bar length and beats),
// "ptc3" (tempo in BPM), "ptc4" (with the channels' output pairs; the one written today).
#include <cmath>

#include "engine/numeric.h"
#include "preset/chunkIo.h"
#include "preset/presetHeader.h"

namespace {

enum Layout { layoutPtch, layoutPtc2, layoutPtc3, layoutPtc4 };

void transferHead(ChunkIo& io, PatchHeader* h) {
  ioI16(io, &h->slot);
  ioI16(io, &h->polyphony);
  ioF32(io, &h->gain);
  ioF32(io, &h->transpose);
  ioF32(io, &h->pan);
  ioF64(io, &h->length);
  ioF32(io, &h->beats);
  ioI16(io, &h->tuning);
}

void transferStagesAndPans(ChunkIo& io, PatchHeader* h) {
  for (std::uint16_t& c : h->stageCounts) ioI16(io, &c);
  for (float& p : h->channelPan) ioF32(io, &p);
}

bool headerChunk(FileSpec* file, PatchHeader* h, std::uint8_t* buffer, int direction, Layout layout) {
  if (!file || !h || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  transferHead(io, h);
  if (layout == layoutPtc3 || layout == layoutPtc4) ioF64(io, &h->tempo.presetTempo);
  ioBlock(io, h->name, patchNameLength);
  if (layout != layoutPtch) transferStagesAndPans(io, h);
  if (layout == layoutPtc4) {
    for (int c = 0; c < 3; ++c) {
      ioF32(io, &h->pairFirst[c]);
      ioF32(io, &h->pairSecond[c]);
    }
  }
  if (!ioReading(io)) {
    static const std::uint32_t ids[] = {chunkId("ptch"), chunkId("ptc2"), chunkId("ptc3"), chunkId("ptc4")};
    return ioFinishWrite(file, io, ids[layout], layout == layoutPtc4 ? 1 : 10);
  }
  patchHeaderSanitize(h);
  if (layout == layoutPtch || layout == layoutPtc2) {
    double bpm = 60.0 / (h->length * (1.0 / 44100.0)) * h->beats;
    h->tempo.presetTempo = std::isfinite(bpm) ? numClamp(bpm, 0.01, 1000.0) : 120.0;
  }
  if (layout == layoutPtc2 || layout == layoutPtc3) {
    for (int c = 0; c < 3; ++c) {
      h->pairFirst[c] = h->channelPan[c] * 2.0f - 1.0f;
      h->pairSecond[c] = 0.0f;
    }
  }
  return true;
}

}  // namespace

bool patchHeaderReadWriteChunkV1(FileSpec* file, PatchHeader* h, std::uint8_t* buffer, int direction) {
  return headerChunk(file, h, buffer, direction, layoutPtch);
}
bool patchHeaderReadWriteChunkV2(FileSpec* file, PatchHeader* h, std::uint8_t* buffer, int direction) {
  return headerChunk(file, h, buffer, direction, layoutPtc2);
}
bool patchHeaderReadWriteChunkV3(FileSpec* file, PatchHeader* h, std::uint8_t* buffer, int direction) {
  return headerChunk(file, h, buffer, direction, layoutPtc3);
}
bool patchHeaderReadWriteChunk(FileSpec* file, PatchHeader* h, std::uint8_t* buffer, int direction) {
  return headerChunk(file, h, buffer, direction, layoutPtc4);
}
