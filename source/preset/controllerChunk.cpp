// Serialiser of the controller map chunks "cc  " and "cc2 ".
#include "preset/controllerChunk.h"

#include <initializer_list>

#include "preset/chunkIo.h"

namespace {

void limitSource(std::int16_t& s, std::int16_t fallback) {
  if (s < -1 || s > 128) s = fallback;
}

void limitRecord(ControllerSettings* c) {
  clampF(c->bendRange, 0.0f, 72.0f, 24.0f);
  // Smoothing coefficients above 1 would overshoot and, above 2, diverge.
  for (float* s :
       {&c->bendSmoothing, &c->positionSmoothing, &c->volumeSmoothing, &c->filterSmoothing, &c->oscLevelSmoothing})
    clampF(*s, 0.0f, 1.0f, 1.0f / 11.0f);
  clampF(c->effectSmoothing, 0.0f, 1.0f, 1.0f / 26.0f);
  clampF(c->positionWidth, 0.0f, 1.0f, 1.0f);
  clampF(c->volumeSpare, -1.0e6f, 1.0e6f, 1.0f);
  clampF(c->filterDepth, 0.0f, 1.0f, 1.0f);
  clampF(c->oscLevelDepth, 0.0f, 1.0f, 1.0f);
  clampF(c->effectDepth, 0.0f, 1.0f, 0.0f);
  for (auto& t : c->timeCoefficients) clampF(t, 0.0f, 1.0f, 1.0f);
  for (auto& s : c->filterSwitches) numClampFlag(s);
  for (auto& s : c->oscSwitches) numClampFlag(s);
  limitSource(c->positionLrSource, 10);
  limitSource(c->volumeSource, 7);
  limitSource(c->filterSource, 1);
  limitSource(c->oscLevelSource, 1);
  limitSource(c->effectSource, 1);
  if (c->glideMode < 0 || c->glideMode > 2) c->glideMode = 2;
}

bool ccChunk(FileSpec* file, ControllerSettings* c, std::uint8_t* buffer, int direction, bool v2) {
  if (!file || !c || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  ioF32(io, &c->bendRange);
  ioF32(io, &c->bendSmoothing);
  ioI16(io, &c->positionLrSource);
  ioF32(io, &c->positionWidth);
  ioF32(io, &c->positionSmoothing);
  ioI16(io, &c->volumeSource);
  ioF32(io, &c->volumeSpare);
  ioF32(io, &c->volumeSmoothing);
  for (auto& s : c->filterSwitches) ioByte(io, &s);
  ioI16(io, &c->filterSource);
  ioF32(io, &c->filterDepth);
  ioF32(io, &c->filterSmoothing);
  for (auto& s : c->oscSwitches) ioByte(io, &s);
  ioI16(io, &c->oscLevelSource);
  ioF32(io, &c->oscLevelSmoothing);
  ioF32(io, &c->oscLevelDepth);
  ioI16(io, &c->effectSource);
  ioF32(io, &c->effectSmoothing);
  ioF32(io, &c->effectDepth);
  if (v2) {
    for (auto& t : c->timeCoefficients) ioF32(io, &t);
    ioI16(io, &c->glideMode);
    ioI16(io, &c->spareA);
    ioI16(io, &c->spareB);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, v2 ? chunkId("cc2 ") : chunkId("cc  "), 10);
  limitRecord(c);
  return true;
}

}  // namespace

bool ccMapReadWriteChunk(FileSpec* file, ControllerSettings* c, std::uint8_t* buffer, std::uint8_t read) {
  return ccChunk(file, c, buffer, read ? chunkRead : chunkWrite, true);
}
bool ccMapReadWriteChunkV1(FileSpec* file, ControllerSettings* c, std::uint8_t* buffer, std::uint8_t read) {
  return ccChunk(file, c, buffer, read ? chunkRead : chunkWrite, false);
}
