// Serialiser of the note curve chunk "Ntmp".
#include "preset/noteCurveChunk.h"

#include <cstdlib>

#include "engine/noteCurveRuntime.h"
#include "preset/chunkIo.h"

namespace {

const int maxStoredCurves = 10;

void transferCurve(ChunkIo& io, NoteCurve* c) {
  ioI32(io, &c->family);
  ioI32(io, &c->slot);
  for (float& x : c->values) ioF32(io, &x);
}

}  // namespace

bool noteCurvesReadWriteChunk(FileSpec* file, Preset* preset, std::uint8_t* buffer, std::uint8_t read) {
  if (!file || !preset || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, read ? chunkRead : chunkWrite);
  if (ioReading(io)) {
    std::int16_t count = 0;
    ioI16(io, &count);
    if (count < 0) count = 0;
    // The file's count is not trusted: no more than the ten curves an engine holds are allocated.
    const int n = count < maxStoredCurves ? count : maxStoredCurves;
    std::free(preset->curves);
    preset->curves = nullptr;
    preset->curveCount = 0;
    if (!presetAllocCurves(preset, n)) return false;
    for (int j = 0; j < n; ++j) {
      NoteCurve* c = &preset->curves[j];
      transferCurve(io, c);
      for (float& x : c->values) x = noteCurveClampValue(x);
    }
    return true;
  }
  std::int16_t count = static_cast<std::int16_t>(preset->curveCount);
  if (count < 0) count = 0;
  preset->curveCount = static_cast<std::uint16_t>(count);
  if (count == 0 || !preset->curves) return true;
  ioI16(io, &count);
  const int n = count < maxStoredCurves ? count : maxStoredCurves;
  for (int j = 0; j < n; ++j) transferCurve(io, &preset->curves[j]);
  return ioFinishWrite(file, io, chunkId("Ntmp"), 10);
}
