#include "modules/effectShared.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/panLevelRuntime.h"
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
  if (!(gain >= 1e-24f)) gain = 0.0f;   // also catches NaN
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

// Gains of a point of the sound field for the three buses (front/back, left/right, omni).
static void fieldGains(double x, double y, double g[3]) {
  const double r2 = x * x + y * y + static_cast<double>(0.2f);
  g[0] = y / r2;
  g[1] = x / r2;
  g[2] = 0.707 / std::sqrt(r2);
}

// Mono placement in the field: the state's position glides a quarter of the way (its smoothing)
// to the slot's position each block, with the gains ramped from the old to the new position.
static void effectFieldPanMono(PanState* state, const float* src, float* lane0, float* lane1, float* lane2,
                               int n, bool twoSpeakerLayout) {
  state->baseX = state->position->x;
  state->baseY = state->position->y;
  const double cx = state->currentX, cy = state->currentY;
  const double nx = cx + (state->baseX - cx) * state->smoothing;
  const double ny = cy + (state->baseY - cy) * state->smoothing;
  double g[3], e[3], d[3];
  fieldGains(cx, cy, g);
  fieldGains(nx, ny, e);
  const bool moved = nx != cx || ny != cy;
  for (int k = 0; k < 3; ++k) d[k] = moved ? (e[k] - g[k]) / n : 0.0;
  state->currentX = nx;
  state->currentY = ny;
  float* lanes[3] = {lane0, lane1, lane2};
  for (int k = twoSpeakerLayout ? 1 : 0; k < 3; ++k) {
    double gain = g[k];
    float* lane = lanes[k];
    for (int i = 0; i < n; ++i) {
      lane[i] += static_cast<float>(src[i] * gain);
      gain += d[k];
    }
  }
}

void effectPlaceField(Engine* engine, std::uint16_t slot, float x, const float* buffer, int frames) {
  if (slot >= 12 || frames <= 0) return;
  PanPosition& position = engine->effectPanPositions[slot];
  position.x = x;
  position.y = 0.0f;
  PanState& state = engine->effectPanStates[slot];
  state.position = &position;
  effectFieldPanMono(&state, buffer, engine->buses[0], engine->buses[1], engine->buses[2],
                     frames, engine->surround.layout < 2);
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
