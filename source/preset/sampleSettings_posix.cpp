#include "preset/sampleSettings.h"

#include <cstdlib>
#include <cstring>

void sampleSettingsGet(const char* valueName, char* out, std::uint32_t capacity) {
  if (!out || capacity == 0) return;
  out[0] = 0;
  if (!valueName) return;
  const char* env = nullptr;
  if (std::strcmp(valueName, "SamplesPath") == 0)
    env = std::getenv("MORVANE_SAMPLES_PATH");
  else if (std::strcmp(valueName, "LibrariesPath") == 0)
    env = std::getenv("MORVANE_LIBRARIES_PATH");
  if (!env) return;
  std::strncpy(out, env, capacity - 1);
  out[capacity - 1] = 0;
}

char samplePathSeparator() { return '/'; }
