// The recorder's buffer in the native build (tests and benchmarks): zeroed process memory.
#include <cstdlib>

#include "audioPath/recorder.h"

void* recMapPlatform(std::uint32_t bytes, void** handle) {
  if (handle) *handle = nullptr;
  if (bytes == 0) return nullptr;
  return std::calloc(bytes, 1);
}

void recUnmapPlatform(void* view, void*) { std::free(view); }
