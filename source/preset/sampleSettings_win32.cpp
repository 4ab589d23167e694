#include "preset/sampleSettings.h"

#include <cstring>
#include <string>

#include "GPRegistryKey.h"

void sampleSettingsGet(const char* valueName, char* out, std::uint32_t capacity) {
  if (!out || capacity == 0) return;
  out[0] = 0;
  RegistryKey* key = gpSettings();
  if (!key || !valueName) return;
  std::string text;
  if (!key->getString(valueName, "", text, 0)) text.clear();
  std::strncpy(out, text.c_str(), capacity - 1);
  out[capacity - 1] = 0;
}

char samplePathSeparator() { return '\\'; }
