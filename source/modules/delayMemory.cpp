#include "modules/delayMemory.h"

#include <cstring>
#include <new>

bool effectAllocMemory(EffectMemory* memory, std::int32_t count) {
  if (!memory || memory->data || count <= 0) return false;
  memory->data = new (std::nothrow) float[count];
  if (!memory->data) return false;
  memory->length = count;
  effectClearMemory(memory);
  return true;
}

void effectFreeMemory(EffectMemory* memory) {
  if (!memory) return;
  delete[] memory->data;
  memory->data = nullptr;
  memory->length = 0;
  memory->position = 0;
}

void effectClearMemory(EffectMemory* memory) {
  if (!memory) return;
  if (memory->data) std::memset(memory->data, 0, sizeof(float) * static_cast<std::size_t>(memory->length));
  memory->position = 0;
}
