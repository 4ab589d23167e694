// Settings the sample finder and the module libraries read: "SamplesPath" and "LibrariesPath".
// Windows reads them from the program's settings in the registry (user key, then machine key);
// the native build from the environment variables MORVANE_SAMPLES_PATH and MORVANE_LIBRARIES_PATH.
#pragma once
#include <cstdint>

// Copies the value (empty when missing) into out, at most capacity - 1 characters, terminated.
void sampleSettingsGet(const char* valueName, char* out, std::uint32_t capacity);
// The path separator of this build ('\\' on Windows, '/' natively).
char samplePathSeparator();
