// Sets the "SamplesPath" / "LibrariesPath" settings the way each build reads them: the program's
// registry settings on Windows (a test program name of its own), environment variables natively.
// A null value removes the setting.
#pragma once
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include "GPRegistryKey.h"
#endif

inline void testSetSetting(const char* name, const char* value) {
#ifdef _WIN32
  if (!gpSettings()) gpOpenAppRegistry("MorvaneSampleTests");
  if (value)
    gpSettings()->setString(name, value, 0);
  else
    gpSettings()->deleteValue(name, 0);
#else
  const char* env = std::strcmp(name, "SamplesPath") == 0 ? "MORVANE_SAMPLES_PATH" : "MORVANE_LIBRARIES_PATH";
  if (value)
    setenv(env, value, 1);
  else
    unsetenv(env);
#endif
}

inline void testMakeFolder(const std::string& path) { std::filesystem::create_directories(path); }
