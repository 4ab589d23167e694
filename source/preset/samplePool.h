// The shared sample pool: 64 entries through which the channel oscillators share decoded sample
// data. A channel that loads a file another channel holds with the same mono setting takes the
// pooled record instead of decoding the file again; the data is freed with its last reference.
// User-interface thread only (the sample loader).
#pragma once
#include <cstdint>

#include "preset/chunk.h"
#include "preset/sampleInfo.h"

struct Engine;

const int samplePoolSize = 64;

struct SamplePoolEntry {
  std::int32_t refCount;    // slots holding this entry; 0 = free
  std::uint8_t readAsMono;  // the mono setting the data was decoded with (part of the key)
  FileSpec file;            // the file the data came from; its path is the other part of the key
  SampleInfo info;          // the slot record as it stood when the data was added
  float* data;              // the decoded frames (the same pointer as info.data)
};

void samplePoolClearAll();  // first call only: clears all entries
void samplePoolClearEntry(SamplePoolEntry* entry);
bool samplePoolAcquire(SampleInfo* slot, const FileSpec* file, std::int32_t readAsMono);
void samplePoolCopyOut(SampleInfo* slot, const SamplePoolEntry* entry, std::int32_t index);
void samplePoolAdd(SampleInfo* slot, const FileSpec* file, std::int32_t readAsMono);
bool samplePoolRelease(SampleInfo* slot);  // true: the last reference went, free the data
void samplePoolFreeAll();
SamplePoolEntry* samplePoolEntry(std::int32_t index);  // null outside 0..63

// Start-up and exit of the application: the display section names of the engine's three slots
// and the three display buffers.
void samplePoolInitNames(Engine* engine);
void samplePoolClearNames();
