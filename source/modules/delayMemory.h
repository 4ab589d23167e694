// The master effect's delay memory: one block of floats shared by the effect kinds.
#pragma once
#include <cstdint>

const std::int32_t effectDelayMemoryFloats = 481024;

struct EffectMemory {
  std::int32_t length;          // floats
  std::int32_t position;        // write position
  float* data;                  // null when not allocated
};

// Allocates `count` zeroed floats; false when memory is already allocated or allocation fails.
bool effectAllocMemory(EffectMemory* memory, std::int32_t count);
void effectFreeMemory(EffectMemory* memory);
// Zeroes the memory and the position (the running state of the effect).
void effectClearMemory(EffectMemory* memory);
