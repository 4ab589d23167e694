#include "preset/samplePool.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "preset/sample.h"

namespace {

SamplePoolEntry g_entries[samplePoolSize];
bool g_setUp = false;

}  // namespace

SamplePoolEntry* samplePoolEntry(std::int32_t index) {
  return index >= 0 && index < samplePoolSize ? &g_entries[index] : nullptr;
}

void samplePoolClearEntry(SamplePoolEntry* entry) {
  if (!entry) return;
  entry->refCount = 0;
  entry->readAsMono = 0;
  fileSpecClear(&entry->file);
  std::memset(&entry->info, 0, sizeof entry->info);
  sampleInfoInit(&entry->info);
  entry->info.data = nullptr;
  entry->data = nullptr;
}

void samplePoolClearAll() {
  if (g_setUp) return;
  g_setUp = true;
  for (SamplePoolEntry& e : g_entries) samplePoolClearEntry(&e);
}

void samplePoolCopyOut(SampleInfo* slot, const SamplePoolEntry* entry, std::int32_t index) {
  if (!slot || !entry) return;
  *slot = entry->info;
  slot->poolIndex = index;
  slot->loadFailed = 0;
}

bool samplePoolAcquire(SampleInfo* slot, const FileSpec* file, std::int32_t readAsMono) {
  if (!slot || !file) return false;
  const std::uint8_t mono = readAsMono ? 1 : 0;
  for (std::int32_t i = 0; i < samplePoolSize; ++i) {
    SamplePoolEntry& e = g_entries[i];
    if (e.refCount <= 0 || e.readAsMono != mono) continue;
    if (std::strncmp(e.file.path, file->path, sizeof e.file.path) != 0) continue;
    samplePoolCopyOut(slot, &e, i);
    e.refCount += 1;
    return true;
  }
  return false;
}

void samplePoolAdd(SampleInfo* slot, const FileSpec* file, std::int32_t readAsMono) {
  if (!slot || !file) return;
  for (std::int32_t i = 0; i < samplePoolSize; ++i) {
    SamplePoolEntry& e = g_entries[i];
    if (e.refCount != 0) continue;
    e.info = *slot;
    // The display section belongs to the slot that made it, never to a record handed out later.
    e.info.displayMapped = 0;
    e.info.displayMapping = nullptr;
    e.file = *file;
    e.file.handle = osFileInvalid;
    e.data = slot->data;
    e.readAsMono = readAsMono ? 1 : 0;
    e.refCount = 1;
    slot->poolIndex = i;
    g_setUp = true;
    return;
  }
}

bool samplePoolRelease(SampleInfo* slot) {
  if (!slot || slot->poolIndex < 0 || slot->poolIndex >= samplePoolSize) return false;
  SamplePoolEntry& e = g_entries[slot->poolIndex];
  if (e.refCount <= 0) return false;
  e.refCount -= 1;
  if (e.refCount > 0) return false;
  samplePoolClearEntry(&e);
  return true;
}

void samplePoolFreeAll() {
  if (!g_setUp) return;
  for (SamplePoolEntry& e : g_entries) {
    if (e.refCount > 0) std::free(e.data);
    samplePoolClearEntry(&e);
  }
}

void samplePoolInitNames(Engine* engine) {
  sampleClearDisplays();
  for (std::int16_t ch = 0; ch < 3; ++ch) {
    SampleInfo* slot = sampleGetInfo(engine, ch);
    if (!slot) continue;
    std::memset(slot->displayName, 0, sizeof slot->displayName);
    std::snprintf(slot->displayName, sizeof slot->displayName, "%s%d", sampleDisplayPrefix, ch);
  }
}

void samplePoolClearNames() { sampleClearDisplays(); }
