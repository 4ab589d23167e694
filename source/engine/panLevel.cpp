// Pan law and level tables: defaults, the pan curve and the pan gains chosen at note-on.
#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/panLevelRuntime.h"
#include "preset/editBlock.h"

namespace {

float globalFadeOut[1024];
float globalFadeIn[1024];
const float levelSourceHalf = 0.5f;  // what the level entries' sources point at until bound

float limit(double x) { return static_cast<float>(numGate(x, 1e-24, 0.999)); }

void buildFades(float* fadeOut, float* fadeIn) {
  const double pi = 3.14159265358979323846;
  for (int i = 0; i < 1024; ++i) fadeOut[i] = limit(std::sqrt(0.5 + 0.5 * std::cos(pi * i / 1024.0)));
  for (int k = 0; k < 1024; ++k) fadeIn[k] = fadeOut[1023 - k];
  fadeOut[1023] = 0.0001f;
}

// The global tables are written once, before any note can read them.
struct FadeInit {
  FadeInit() { buildFades(globalFadeOut, globalFadeIn); }
};
const FadeInit fadeInit;

}  // namespace

const float* panFadeOutTable() { return globalFadeOut; }
const float* panFadeInTable() { return globalFadeIn; }

void panCurveBuild(float* curve, std::int16_t knee) {
  if (!curve) return;
  knee = numClamp<int>(knee, 0, 1023);
  const double h = knee / 1024.0;
  for (int i = 0; i < 64; ++i) curve[i] = limit(i * h / 64.0);
  for (int i = 64; i < 128; ++i) curve[i] = limit(h + (i - 64) * (1.0 - h) / 64.0);
}

void engineLevelDefaults(Engine* engine) {
  if (!engine) return;
  ChannelLevelBlock& b = engine->levels;
  buildFades(b.fadeOut, b.fadeIn);
  b.knee = 512;
  b.centreOut = b.fadeOut[512];
  b.centreIn = b.fadeIn[512];
  for (int i = 0; i < 64; ++i) b.panCurve[i] = limit(i / 128.0);
  for (int i = 64; i < 128; ++i) b.panCurve[i] = limit(0.5 + (i - 64) / 128.0);
  std::memcpy(globalFadeOut, b.fadeOut, sizeof globalFadeOut);
  std::memcpy(globalFadeIn, b.fadeIn, sizeof globalFadeIn);
}

void engineBuildPanCurve(Engine* engine, float value) {
  ChannelLevelBlock* b = editBeginLargeBlock(engine);
  if (!b) return;
  const double x = std::isnan(value) ? 512.0 : value * 1024.0;
  std::int16_t knee;
  if (x >= 1024.0)
    knee = 1023;
  else if (x < 0.0)
    knee = 0;
  else
    knee = static_cast<std::int16_t>(x);
  b->knee = knee;
  panCurveBuild(b->panCurve, knee);
  editCommit(engine, editKindLevels, 0);
}

double engineGetChannelPan(Engine* engine, std::int16_t channel) {
  if (!engine || channel < 0 || channel > 2) return 0.0;
  return engine->header.channelPan[channel];
}

void engineSetVoicePan(Engine* engine, std::int16_t c, std::int16_t v) {
  if (!engine || c < 0 || c >= engineChannels || v < 0 || v >= engineMaxVoices) return;
  PanEntry& e = engine->panEntries[c][v];
  double p = engine->header.channelPan[c];
  if (std::isnan(p)) p = 0.5;
  p = numClamp(p, 0.0, 1.0);
  if (e.b > 0.0f) {
    const double r = e.a / e.b * 2.0;
    if (r >= 1.0)
      p = p + (1.0 - p) * (r - 1.0);
    else
      p = p * r;
    if (std::isnan(p)) p = 0.5;
    p = numClamp(p, 0.0, 1.0);
  }
  const int k = static_cast<int>(p * 1023.0) & 1023;
  e.gainOut = globalFadeOut[k];
  e.gainIn = globalFadeIn[k];
  // The voice's sound-field state of this channel starts at its position, without a glide.
  panStateReset(&engine->panStates[c][v]);
}

void engineResetPanGains(PanEntry* entry) {
  if (!entry) return;
  entry->gainOut = entry->gainIn = globalFadeOut[511];
}

void engineInitVoiceLevels(Engine* engine) {
  if (!engine) return;
  for (VoiceLevelEntry& e : engine->voiceLevels) {
    e.centreOut = engine->levels.centreOut;
    e.centreIn = engine->levels.centreIn;
    for (auto& s : e.sources) s = &levelSourceHalf;
  }
}
