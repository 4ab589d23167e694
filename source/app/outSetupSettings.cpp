// The surround values in the registry: read (user key, then machine key) into the engine's output
// settings at start-up, written to the user key when the output set-up dialog is confirmed.
#include <cmath>
#include <cstdio>

#include "GPRegistryKey.h"
#include "app/outSetup.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/surround.h"

namespace {

// The LFE boxes' ranges: what a stored value is brought into.
const float lfeFreqMin = 20.0f, lfeFreqMax = 300.0f;
const float lfeGainMin = -96.0f, lfeGainMax = 12.0f;

std::int32_t readInt(RegistryKey* settings, const char* name, std::int32_t fallback) {
  std::int32_t value = fallback;
  if (settings) settings->getInt(name, fallback, value, kScopeUserThenMachine);
  return value;
}

float readFloat(RegistryKey* settings, const char* name, float fallback, float lo, float hi) {
  float value = fallback;
  if (settings) settings->getFloat(name, fallback, value, kScopeUserThenMachine);
  if (!std::isfinite(value)) return fallback;
  return numClamp(value, lo, hi);
}

// A device output 0..7, or the fallback.
std::int16_t outputOr(std::int32_t stored, std::int16_t fallback) {
  return stored >= 0 && stored < surroundMaxOutputs ? static_cast<std::int16_t>(stored) : fallback;
}

}  // namespace

void outSetupLoad(Engine* engine) {
  if (!engine) return;
  RegistryKey* settings = gpSettings();
  SurroundSettings* s = &engine->surround;
  std::int32_t mode = readInt(settings, "surroundMode", 1);
  if (mode < 0 || mode >= surroundLayoutCount) mode = 1;
  surroundSetModeAndClamp(s, static_cast<std::int16_t>(mode));
  for (int i = 0; i < surroundMaxOutputs; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "surroundChan%d", i);
    surroundSetChannelMap(s, static_cast<std::int16_t>(i),
                          outputOr(readInt(settings, name, i), static_cast<std::int16_t>(i)));
  }
  bool lfeOn = false;
  if (settings) settings->getBool("surroundLfeOn", false, lfeOn, kScopeUserThenMachine);
  surroundSetLfeOn(s, lfeOn ? 1 : 0);
  // With eight speakers no entry is left for the LFE: its index still names a speaker's entry, which the
  // stored LFE output must not overwrite.
  const SpeakerLayout* layout = surroundGetLayout(surroundGetModeWord(s));
  if (layout && layout->speakers < surroundMaxOutputs)
    surroundSetChannelMap(s, static_cast<std::int16_t>(surroundGetLfeChannel(s)),
                          outputOr(readInt(settings, "surroundLfeChan", 2), 2));
  surroundSetLfeFreq(s, readFloat(settings, "surroundLfeFreq", 80.0f, lfeFreqMin, lfeFreqMax));
  surroundSetLfeGainDb(s, readFloat(settings, "surroundLfeGain", -12.0f, lfeGainMin, lfeGainMax));
}

void outSetupSave(Engine* engine) {
  RegistryKey* settings = gpSettings();
  if (!engine || !settings) return;
  const SurroundSettings* s = &engine->surround;
  settings->setInt("surroundMode", surroundGetModeWord(s), kScopeUser);
  for (int i = 0; i < surroundMaxOutputs; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "surroundChan%d", i);
    settings->setInt(name, surroundGetChannelMap(s, static_cast<std::int16_t>(i)), kScopeUser);
  }
  settings->setBool("surroundLfeOn", surroundGetLfeOn(s) != 0, kScopeUser);
  settings->setInt("surroundLfeChan", surroundGetChannelMap(s, static_cast<std::int16_t>(surroundGetLfeChannel(s))),
                   kScopeUser);
  settings->setFloat("surroundLfeFreq", surroundGetLfeFreq(s), kScopeUser);
  settings->setFloat("surroundLfeGain", surroundGetLfeGainDb(s), kScopeUser);
}
