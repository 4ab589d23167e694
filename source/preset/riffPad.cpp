#include "preset/riffPad.h"

namespace {

bool holdsChunkId(std::int64_t at, std::int64_t fileSize, RiffPeekFn peek, void* source) {
  std::uint8_t id[4];
  return at >= 0 && at + 4 <= fileSize && peek && peek(source, at, id) && riffIsChunkId(id);
}

}  // namespace

bool riffIsChunkId(const std::uint8_t* bytes) {
  for (int k = 0; k < 4; ++k)
    if (bytes[k] < 0x20 || bytes[k] > 0x7E) return false;
  return true;
}

std::int64_t riffNextChunkAt(std::int64_t end, bool odd, std::int64_t fileSize, RiffPeekFn peek, void* source) {
  if (!odd || end >= fileSize) return end;
  if (!holdsChunkId(end + 1, fileSize, peek, source) && holdsChunkId(end, fileSize, peek, source)) return end;
  return end + 1;
}
