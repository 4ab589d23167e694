// The sound-field panners: a source placed at (x, y) feeds the front/back lane (B0) with y / r2, the
// left/right lane (B1) with x / r2 and the omni lane (B2) with 0.707 / sqrt(r2). The position glides a
// quarter of the remaining way each block and the gains ramp linearly over the block.
#include <cmath>

#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "engine/surround.h"

namespace {

struct Gains {
  float front, side, omni;   // lanes 0, 1, 2
};

Gains gainsAt(double x, double y, double r2) {
  return Gains{static_cast<float>(y / r2), static_cast<float>(x / r2), static_cast<float>(0.707 / std::sqrt(r2))};
}

// Moves a value toward +1 (m > 0) or -1 (m < 0) by the fraction |m| of the remaining way.
double bend(double base, double m) {
  if (m == 0.0) return base;
  return m >= 0.0 ? base + m * (1.0 - base) : base + m * (1.0 + base);
}

double finiteOr(double x, double fallback) { return std::isfinite(x) ? x : fallback; }

// Position update shared by both panners: reads the position and returns the new smoothed point.
void nextPosition(PanState* s, double* nx, double* ny) {
  if (s->position) {
    s->baseX = s->position->x;
    s->baseY = s->position->y;
  }
  const double bx = bend(s->baseX, s->modX);
  const double by = bend(s->baseY, s->modY);
  *nx = finiteOr(s->currentX + (bx - s->currentX) * s->smoothing, 0.0);
  *ny = finiteOr(s->currentY + (by - s->currentY) * s->smoothing, 0.0);
}

void addRamped(const float* src, float* lane, float start, float end, int n) {
  const float step = (end - start) / static_cast<float>(n);
  float g = start;
  for (int i = 0; i < n; ++i) {
    lane[i] += src[i] * g;
    g += step;
  }
}

float clampUnit(float v) {
  if (!(v == v)) return 0.0f;
  return v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v);
}

// The pan modulation of one axis: controller position c (0..1, 0.5 centre), the voice's LFO sum and,
// for a channel, the first envelope slot with that destination owned by the channel.
double axisModulation(Engine* engine, std::int16_t source, std::int16_t voice, float c, double lfo,
                      int destination) {
  double p = bend(2.0 * c - 1.0, lfo);
  if (source <= 2) {
    for (int i = 0; i < envSlotCount; ++i) {
      const EnvelopeSlot& slot = engine->envSlots[i];
      if (!slot.allocated || slot.destination != destination || slot.owner != source) continue;
      const double e = engine->modMultipliers[source][voice][destination];
      p = bend(p, 2.0 * e - 1.0);
      break;
    }
  }
  p = finiteOr(p, 0.0);
  return p < -1.0 ? -1.0 : (p > 1.0 ? 1.0 : p);
}

}  // namespace

void panPositionInit(PanPosition* position) {
  if (!position) return;
  position->flag = 1;
  position->x = 0.0f;
  position->y = 0.0f;
}

void panStateInit(PanState* state, PanPosition* position) {
  if (!state) return;
  *state = PanState{0.5, 0.5, 0.5, 0.5, 0.25, 0.0, 0.0, position};
}

void panStateReset(PanState* state) {
  if (!state || !state->position) return;
  state->baseX = state->currentX = state->position->x;
  state->baseY = state->currentY = state->position->y;
}

void panSetPosition(Engine* engine, std::int16_t source, float x, float y) {
  if (!engine || source < 0 || source >= engineUnits) return;
  engine->panPositions[source].x = clampUnit(x);
  engine->panPositions[source].y = clampUnit(y);
}

float panGetPosition(Engine* engine, std::int16_t source, std::int16_t which) {
  if (!engine || source < 0 || source >= engineUnits) return 0.5f;
  return which == 0 ? engine->panPositions[source].x : engine->panPositions[source].y;
}

void surroundSetChannelPair(Engine* engine, std::int16_t channel, float a, float b) {
  panSetPosition(engine, channel, a, b);
}

float surroundGetChannelPair(Engine* engine, std::int16_t channel, std::int16_t which) {
  return panGetPosition(engine, channel, which);
}

void fieldPanMono(PanState* s, const float* src, float* lane0, float* lane1, float* lane2, std::int16_t n,
                  bool twoSpeakerLayout) {
  if (!s || !src || !lane0 || !lane1 || !lane2 || n < 1) return;
  double nx, ny;
  nextPosition(s, &nx, &ny);
  const double cx = s->currentX, cy = s->currentY;
  const Gains a = gainsAt(cx, cy, cx * cx + cy * cy + static_cast<double>(0.2f));
  const bool moved = nx != cx || ny != cy;
  const Gains b = moved ? gainsAt(nx, ny, nx * nx + ny * ny + static_cast<double>(0.2f)) : a;
  s->currentX = nx;
  s->currentY = ny;
  const int m = n & ~7;   // groups of eight frames
  if (!moved) {
    for (int i = 0; i < m; ++i) {
      const float x = src[i];
      if (!twoSpeakerLayout) lane0[i] += x * a.front;
      lane1[i] += x * a.side;
      lane2[i] += x * a.omni;
    }
    return;
  }
  if (!twoSpeakerLayout) addRamped(src, lane0, a.front, b.front, m);
  addRamped(src, lane1, a.side, b.side, m);
  addRamped(src, lane2, a.omni, b.omni, m);
}

void fieldPanStereo(PanState* s, const float* srcLeft, const float* srcRight, float* lane0, float* lane1,
                    float* lane2, std::int16_t n) {
  if (!s || !srcLeft || !srcRight || !lane0 || !lane1 || !lane2 || n < 1) return;
  double nx, ny;
  nextPosition(s, &nx, &ny);
  const double cx = s->currentX, cy = s->currentY;
  for (int side = 0; side < 2; ++side) {
    const double x0 = side == 0 ? cx - (1.0 + cx) / 2.0 : cx + (1.0 - cx) / 2.0;
    const double x1 = side == 0 ? nx - (1.0 + nx) / 2.0 : nx + (1.0 - nx) / 2.0;
    const Gains a = gainsAt(x0, cy, 0.3 + x0 * x0 + cy * cy);
    const Gains b = gainsAt(x1, ny, 0.3 + x1 * x1 + ny * ny);
    const float* src = side == 0 ? srcLeft : srcRight;
    addRamped(src, lane0, a.front, b.front, n);
    addRamped(src, lane1, a.side, b.side, n);
    addRamped(src, lane2, a.omni, b.omni, n);
  }
  s->currentX = nx;
  s->currentY = ny;
}

void panToFieldLanes(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                     float* lane0, float* lane1, float* lane2, std::int16_t n) {
  if (!engine || source < 0 || source >= engineUnits || voice < 0 || voice >= engineMaxVoices || !src) return;
  PanState* s = &engine->panStates[source][voice];
  const ControllerSettings& c = engine->controllers;
  s->modX = axisModulation(engine, source, voice, c.positionLr, lfoSumFieldX(engine, voice), 28);
  s->modY = axisModulation(engine, source, voice, c.positionFb, lfoSumFieldY(engine, voice), 37);
  if (inputLanes == 1) {
    const bool two = engine->surround.layout <= 1;
    fieldPanMono(s, src, lane0, lane1, lane2, n, two);
  } else {
    fieldPanStereo(s, src, src + n, lane0, lane1, lane2, n);
  }
}

void panToField(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                int outputForm, float* dst, std::int16_t n) {
  if (!engine || source < 0 || source >= engineUnits || !src || !dst || n < 1) return;
  if (outputForm == 1 && inputLanes == 1) {
    for (int i = 0; i < n; ++i) dst[i] += src[i];
    return;
  }
  panToFieldLanes(engine, source, voice, inputLanes, src, dst, dst + n, dst + 2 * n, n);
}
