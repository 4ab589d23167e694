#include "modules/effectShared.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/panLevelRuntime.h"
#include "engine/surround.h"
#include "modules/effectRuntime.h"

EffectRuntime* effectRuntime(Engine* engine) { return &engine->effectMemory; }

const float* effectModRow(Engine* engine) {
  // The entries the effects read, limited so a stray multiplier cannot push a NaN or an
  // overflow into a feedback loop, where it would stay.
  const float* row = engine->modMultipliers[3][0];
  float* mod = engine->effectMemory.mod;
  for (int k = effectModTime; k <= effectModDry; ++k) {
    const float v = row[k];
    mod[k] = v >= 0.0f ? (v <= 1.0e6f ? v : 1.0e6f) : 0.0f;
  }
  return mod;
}

bool effectFieldLayout(Engine* engine) { return engine->surround.fieldMode == 1; }

double effectTimeModFactor(Engine* engine, float amount, std::uint8_t invert, bool tempoScaled) {
  const ControllerSettings& cc = engine->controllers;
  double a = static_cast<double>(amount) * cc.effectDepth;
  if (tempoScaled) a *= tempoGetRatio(engine);
  const double c = cc.effectLevel;
  if (!std::isfinite(a) || !std::isfinite(c)) a = 0.0;
  double m = invert ? 1.0 - c * a : (1.0 - a) + c * a;
  m *= effectModRow(engine)[effectModTime];
  for (const Lfo& lfo : engine->lfos) {
    if (!lfo.on) continue;
    // The LFO's effect-time depth and its current upright value 0..1.
    const double ak = static_cast<double>(lfo.percentSetting) * amount;
    const double v = lfo.displayValue;
    m *= invert ? 1.0 - ak * v : (1.0 + v * ak) - ak;
  }
  return m;
}

void effectTakeInputSum(Engine* engine, float* input, int frames) {
  if (effectFieldLayout(engine)) {
    for (int i = 0; i < frames; ++i) input[i] = engine->buses[2][i];
  } else {
    for (int i = 0; i < frames; ++i) input[i] = engine->buses[0][i] + engine->buses[1][i];
  }
}

void effectScaleDry(Engine* engine, float gain, int frames) {
  if (!(gain >= 1e-24f)) gain = 0.0f;  // also catches NaN
  const int buses = effectFieldLayout(engine) ? 3 : 2;
  for (int b = 0; b < buses; ++b)
    for (int i = 0; i < frames; ++i) engine->buses[b][i] *= gain;
}

void effectPanGains(Engine* engine, float pan, float* left, float* right) {
  int i = 0;
  const double x = static_cast<double>(pan) * 1024.0;
  if (x > 0.0) i = x >= 1023.0 ? 1023 : static_cast<int>(x);
  *left = panFadeOutTable()[i];
  *right = panFadeInTable()[i];
}

void effectPlaceField(Engine* engine, std::uint16_t slot, float x, const float* buffer, int frames) {
  if (slot >= 12 || frames <= 0) return;
  PanPosition& position = engine->effectPanPositions[slot];
  position.x = x;
  position.y = 0.0f;
  PanState& state = engine->effectPanStates[slot];
  state.position = &position;
  fieldPanMono(&state, buffer, engine->buses[0], engine->buses[1], engine->buses[2], static_cast<std::int16_t>(frames),
               engine->surround.layout < 2);
}

void effectPlaceConstant(Engine* engine, std::uint16_t slot, float pan, float gain, float* buffer, int frames) {
  if (effectFieldLayout(engine)) {
    for (int i = 0; i < frames; ++i) buffer[i] *= gain;
    effectPlaceField(engine, slot, 2.0f * pan - 1.0f, buffer, frames);
    return;
  }
  float l, r;
  effectPanGains(engine, pan, &l, &r);
  const float gl = l * gain, gr = r * gain;
  for (int i = 0; i < frames; ++i) {
    engine->buses[0][i] += buffer[i] * gl;
    engine->buses[1][i] += buffer[i] * gr;
  }
}

void effectFlushBuses(Engine* engine, int frames) {
  for (int b = 0; b < 3; ++b) {
    float* bus = engine->buses[b];
    for (int i = 0; i < frames; ++i) bus[i] = std::fabs(bus[i]) < 1e-30f ? 0.0f : bus[i];
  }
}

int effectFilterTableIndex(float pitchIndex, float mod) {
  const double base = std::trunc(static_cast<double>(pitchIndex));
  const double k = std::trunc(base * mod);
  if (!(k > 0.0)) return 0;
  return k >= 480.0 ? 480 : static_cast<int>(k);
}
