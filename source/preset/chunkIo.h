// Small helpers the record serialisers share: one transfer context and range clamps for values read
// from files (a non-finite value takes the field's default).
#pragma once
#include <cmath>
#include <cstdint>

#include "engine/numeric.h"
#include "preset/chunk.h"

struct ChunkIo {
  std::uint8_t* buffer;
  std::uint32_t cursor;
  std::uint32_t limit;
  int direction;
};

inline ChunkIo chunkIoBegin(std::uint8_t* buffer, int direction) {
  return ChunkIo{buffer, 0, chunkLimit(direction), direction};
}
inline bool ioByte(ChunkIo& io, void* field) {
  return bufTransferInt8(io.buffer, field, &io.cursor, io.limit, io.direction);
}
inline bool ioI16(ChunkIo& io, void* field) {
  return bufTransferInt16(io.buffer, field, &io.cursor, io.limit, io.direction);
}
inline bool ioI32(ChunkIo& io, void* field) {
  return bufTransferInt32(io.buffer, field, &io.cursor, io.limit, io.direction);
}
inline bool ioF32(ChunkIo& io, float* field) {
  return bufTransferFloat32(io.buffer, field, &io.cursor, io.limit, io.direction);
}
inline bool ioF64(ChunkIo& io, double* field) {
  return bufTransferDouble(io.buffer, field, &io.cursor, io.limit, io.direction);
}
inline bool ioBlock(ChunkIo& io, void* field, std::uint32_t bytes) {
  return bufTransferBytes(io.buffer, field, bytes, bytes, &io.cursor, io.limit, io.direction);
}
inline bool ioReading(const ChunkIo& io) { return io.direction == chunkRead; }
// Writing: the chunk of `cursor` bytes with the given id and version.
inline bool ioFinishWrite(FileSpec* file, const ChunkIo& io, std::uint32_t id, std::uint32_t version) {
  return chunkWriteRecord(file, id, version, io.buffer, io.cursor);
}

// A value from a file that is not finite takes the fallback (an infinity there is as suspect as NaN).
inline void clampF(float& x, float lo, float hi, float fallback) { x = numClamp(numFiniteOr(x, fallback), lo, hi); }
inline void clampD(double& x, double lo, double hi, double fallback) { x = numClamp(numFiniteOr(x, fallback), lo, hi); }
