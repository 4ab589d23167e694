// Stored layouts of the slider list: "stCC" (oldest), "stC3" and "stD3" (newest), all version 10.
#include "engine/numeric.h"
#include "preset/chunkIo.h"
#include "preset/sliderList.h"

namespace {

const int oldEntries = 9;  // "stCC" and "stC3" carry at most nine entries

std::int32_t clampCount(std::int32_t n) { return numClamp<std::int32_t>(n, 0, sliderListMax); }

// A value read from a file: controllers outside -1..127 make the entry free, values stay 0..127.
void sanitizeEntry(SliderEntry* e) {
  if (e->controller < -1 || e->controller > 127) {
    e->controller = sliderFree;
    e->partner = sliderFree;
  }
  if (e->partner < -1 || e->partner > 127) e->partner = sliderFree;
  e->value = numClamp<std::int32_t>(e->value, 0, 127);
  numClampFlag(e->second);
}

void transferEntry32(ChunkIo& io, SliderEntry* e) {
  ioI32(io, &e->controller);
  ioI32(io, &e->value);
  ioBlock(io, e->label, sizeof e->label);
  ioByte(io, &e->second);
  ioI32(io, &e->partner);
}

}  // namespace

bool sliderListReadWriteChunkV1(FileSpec* file, SliderList* list, std::uint8_t* buffer, int direction) {
  if (!file || !list || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  std::int32_t count = list->count;
  if (!ioI32(io, &count) && ioReading(io)) return true;
  if (ioReading(io)) list->count = clampCount(count);
  const int n = clampCount(count) < oldEntries ? clampCount(count) : oldEntries;
  for (int i = 0; i < n; ++i) {
    SliderEntry* e = &list->entries[i];
    ioI32(io, &e->controller);
    ioI32(io, &e->value);
    ioBlock(io, e->label, sizeof e->label);
    if (ioReading(io)) {
      e->second = 0;
      e->partner = e->controller == 10 ? 11 : sliderFree;
      sanitizeEntry(e);
    }
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("stCC"), 10);
  return true;
}

bool sliderListReadWriteChunkV2(FileSpec* file, SliderList* list, std::uint8_t* buffer, int direction) {
  if (!file || !list || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  std::int32_t count = list->count;
  if (!ioI32(io, &count) && ioReading(io)) return true;
  if (ioReading(io)) list->count = clampCount(count);
  const int n = clampCount(count) < oldEntries ? clampCount(count) : oldEntries;
  for (int i = 0; i < n; ++i) {
    transferEntry32(io, &list->entries[i]);
    if (ioReading(io)) sanitizeEntry(&list->entries[i]);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("stC3"), 10);
  return true;
}

bool sliderListReadWriteChunk(FileSpec* file, SliderList* list, std::uint8_t* buffer, int direction) {
  if (!file || !list || !buffer) return false;
  ChunkIo io = chunkIoBegin(buffer, direction);
  std::int32_t count = list->count;
  std::int32_t entries = clampCount(list->count);
  if (!ioI32(io, &count) && ioReading(io)) return true;
  ioI32(io, &entries);
  if (ioReading(io)) list->count = clampCount(count);
  const int n = clampCount(entries);
  for (int i = 0; i < n; ++i) {
    transferEntry32(io, &list->entries[i]);
    if (ioReading(io)) sanitizeEntry(&list->entries[i]);
  }
  if (!ioReading(io)) return ioFinishWrite(file, io, chunkId("stD3"), 10);
  return true;
}
