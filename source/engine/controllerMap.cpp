// Controller map runtime: defaults, the preset/engine copy and the per-block smoothing.
#include "engine/controllerMap.h"

#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "modules/pitchIndex.h"
#include "preset/midiSources.h"

namespace {

const std::int16_t sourceZero = 0;  // the value of a source that stores none

struct SourceTables {
  float lin[128];  // v / 127
  float sq[128];   // (v / 127)^2
  SourceTables() {
    for (int v = 0; v < 128; ++v) {
      lin[v] = static_cast<float>(v / 127.0);
      sq[v] = static_cast<float>((v / 127.0) * (v / 127.0));
    }
  }
};
const SourceTables tables;

float smooth(float value, float target, float c) {
  const float next = value + (target - value) * c;
  return std::isfinite(next) ? next : target;
}

float positionTarget(const Engine* engine, std::int16_t source, float width) {
  double i = 64.0 + (ccMapSourceValue(engine, source) - 64) * static_cast<double>(width);
  i = numClamp(i, 0.0, 127.0);
  return engine->levels.panCurve[static_cast<int>(i)];
}

}  // namespace

void ccMapDefaults(ControllerSettings* c) {
  if (!c) return;
  std::memset(c, 0, sizeof *c);
  c->bendRange = 24.0f;
  c->pitchFactor = c->bendFactor = 1.0f;
  c->bendSmoothing = 1.0f / 11.0f;
  c->sustainController = 64;
  c->positionLrSource = 10;
  c->positionWidth = 1.0f;
  // Positions are held in the pan curve's units, so they start at its centre.
  c->positionLr = c->positionLrTarget = ccMapPositionCentre;
  c->positionSmoothing = 1.0f / 11.0f;
  c->positionFbSource = 11;
  c->positionFb = c->positionFbTarget = ccMapPositionCentre;
  c->volumeSource = 7;
  c->volumeSpare = c->volume = c->volumeTarget = 1.0f;
  c->volumeSmoothing = 1.0f / 11.0f;
  for (auto& s : c->filterSwitches) s = 1;
  c->filterSource = 1;
  c->filterGain = 1.0f;
  c->filterOffset = 0.0f;
  c->filterDepth = c->filterGainTarget = c->filterSpare = 1.0f;
  c->filterSmoothing = 1.0f / 11.0f;
  for (auto& s : c->oscSwitches) s = 1;
  c->oscLevelSource = 1;
  c->oscLevelSmoothing = 1.0f / 11.0f;
  c->oscLevelDepth = c->oscLevel = c->oscLevelTarget = 1.0f;
  c->effectSource = 1;
  c->effectSmoothing = 1.0f / 26.0f;
  c->effectDepth = 0.0f;
  c->effectLevel = c->effectLevelTarget = 1.0f;
  for (auto& t : c->timeCoefficients) t = 1.0f;
  c->glideMode = 2;
  c->spareA = 65;
  c->spareB = 5;
}

void ccMapCopy(Engine*, const ControllerSettings* s, ControllerSettings* t) {
  if (!s || !t || s == t) return;
  t->bendRange = s->bendRange;
  t->bendSmoothing = s->bendSmoothing;
  t->positionLrSource = s->positionLrSource;
  t->positionWidth = s->positionWidth;
  t->positionSmoothing = s->positionSmoothing;
  t->positionFbSource = s->positionFbSource;
  t->volumeSource = s->volumeSource;
  t->volumeSpare = s->volumeSpare;
  t->volumeSmoothing = s->volumeSmoothing;
  std::memcpy(t->filterSwitches, s->filterSwitches, sizeof t->filterSwitches);
  t->filterSource = s->filterSource;
  t->filterDepth = s->filterDepth;
  t->filterSmoothing = s->filterSmoothing;
  std::memcpy(t->oscSwitches, s->oscSwitches, sizeof t->oscSwitches);
  t->oscLevelSource = s->oscLevelSource;
  t->oscLevelSmoothing = s->oscLevelSmoothing;
  t->oscLevelDepth = s->oscLevelDepth;
  t->effectSource = s->effectSource;
  t->effectSmoothing = s->effectSmoothing;
  t->effectDepth = s->effectDepth;
  std::memcpy(t->timeCoefficients, s->timeCoefficients, sizeof t->timeCoefficients);
  t->glideMode = s->glideMode;
  t->spareA = s->spareA;
  t->spareB = s->spareB;
  t->pitchFactor = t->bendFactor;
  t->positionLr = t->positionLrTarget;
  t->volume = t->volumeTarget;
  t->oscLevel = t->oscLevelTarget;
  t->effectLevel = t->effectLevelTarget;
  t->filterSpare = t->filterGainTarget;
  t->positionFb = s->positionFbTarget;
}

const std::int16_t* midiSourceValuePtr(Engine* engine, std::int16_t source) {
  if (!engine) return &sourceZero;
  if (source == midiSourcePressure) return reinterpret_cast<const std::int16_t*>(&engine->midi.channelPressure);
  if (source >= 0 && source <= 127) return &engine->midi.controllers[source];
  return &sourceZero;
}

int ccMapSourceValue(const Engine* engine, std::int16_t source) {
  if (!engine) return 0;
  int v = 0;
  if (source >= 0 && source <= 127)
    v = engine->midi.controllers[source];
  else if (source == midiSourcePressure)
    v = engine->midi.channelPressure;
  else if (source == midiSourcePitchBend)
    v = engine->midi.pitchBend;
  return numClamp<int>(v, 0, 127);
}

float ccMapBendFactor(const ControllerSettings* c, int coarse) {
  if (!c) return 1.0f;
  int b = numClamp<int>(coarse, 0, 127);
  if (b == 127) b = 128;
  const double semitones = static_cast<double>(c->bendRange) * (b - 64) / 64.0;
  const double f = std::exp2(semitones / 12.0);
  return std::isfinite(f) ? static_cast<float>(f) : 1.0f;
}

float ccMapFmFactor(const Engine* engine, std::int16_t channel) {
  if (!engine || channel < 0 || channel > 2 || !engine->controllers.oscSwitches[channel]) return 1.0f;
  return engine->controllers.oscLevel;
}

void ccMapProcessBlock(Engine* engine) {
  if (!engine) return;
  ControllerSettings& c = engine->controllers;
  // 1 Pitch bend.
  c.pitchFactor = smooth(c.pitchFactor, c.bendFactor, c.bendSmoothing);
  // 2 Volume.
  c.volumeTarget = tables.sq[ccMapSourceValue(engine, c.volumeSource)];
  c.volume = numGate(smooth(c.volume, c.volumeTarget, c.volumeSmoothing), 1e-24f, 1.0f);
  // 3 Filter.
  {
    const int v = ccMapSourceValue(engine, c.filterSource);
    double depth = c.filterDepth;
    depth = numClamp(depth, 0.0, 1.0);
    c.filterGainTarget = static_cast<float>(std::pow(depth, 1.0 - tables.lin[v]));
    c.filterGain = numGate(smooth(c.filterGain, c.filterGainTarget, c.filterSmoothing), 1e-24f, 1.0f);
    c.filterOffset = c.filterGain > 0.0f ? static_cast<float>(dspRatioToIndex(1.0f / c.filterGain)) : 480.0f;
  }
  // 4 Oscillator level (the FM index / balance control).
  {
    const float depth = c.oscLevelDepth;
    c.oscLevelTarget = (1.0f - depth) * tables.sq[ccMapSourceValue(engine, c.oscLevelSource)] + depth;
    c.oscLevel = numGate(smooth(c.oscLevel, c.oscLevelTarget, c.oscLevelSmoothing), 1e-24f, 1.0f);
  }
  // 5 Effect level (the master effect's time control).
  c.effectLevelTarget = tables.sq[ccMapSourceValue(engine, c.effectSource)];
  c.effectLevel = numGate(smooth(c.effectLevel, c.effectLevelTarget, c.effectSmoothing), 1e-24f, 1.0f);
  // 6, 7 Positions.
  c.positionLrTarget = positionTarget(engine, c.positionLrSource, c.positionWidth);
  c.positionLr = smooth(c.positionLr, c.positionLrTarget, c.positionSmoothing);
  c.positionFbTarget = positionTarget(engine, c.positionFbSource, c.positionWidth);
  c.positionFb = smooth(c.positionFb, c.positionFbTarget, c.positionSmoothing);
}
