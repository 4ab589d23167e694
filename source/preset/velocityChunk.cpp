// Serialiser of the velocity settings chunk "vel ".
#include "preset/velocityChunk.h"

#include "preset/chunkIo.h"

bool velocityReadWriteChunk(FileSpec* file, VelocitySettings* r, std::uint8_t* buffer, std::uint8_t read) {
  if (!file || !r || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, read ? chunkRead : chunkWrite);
  for (VelocityEntry& e : r->entries) {
    ioI32(io, &e.family);
    ioI32(io, &e.slot);
    ioF32(io, &e.base);
    ioI32(io, &e.direction);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("vel "), 10);
  return true;
}
