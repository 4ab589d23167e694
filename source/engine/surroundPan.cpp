// The sound-field panners: a source placed at (x, y) feeds the front/back lane (B0) with y / r2, the
// left/right lane (B1) with x / r2 and the omni lane (B2) with 0.707 / sqrt(r2). The position glides a
// quarter of the remaining way each block and the gains ramp linearly over the block.
#include <cmath>

#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "engine/numeric.h"
#include "engine/surround.h"

namespace {

struct Gains {
  float front, side, omni;  // lanes 0, 1, 2
};

Gains gainsAt(double x, double y, double r2) {
  return Gains{static_cast<float>(y / r2), static_cast<float>(x / r2), static_cast<float>(0.707 / std::sqrt(r2))};
}

// Moves a value toward +1 (m > 0) or -1 (m < 0) by the fraction |m| of the remaining way.
double bend(double base, double m) {
  if (m == 0.0) return base;
  return m >= 0.0 ? base + m * (1.0 - base) : base + m * (1.0 + base);
}

// Position update shared by both panners: reads the position and returns the new smoothed point.
void nextPosition(PanState* s, double* nx, double* ny) {
  if (s->position) {
    s->baseX = s->position->x;
    s->baseY = s->position->y;
  }
  const double bx = bend(s->baseX, s->modX);
  const double by = bend(s->baseY, s->modY);
  *nx = numFiniteOr<double>(s->currentX + (bx - s->currentX) * s->smoothing, 0.0);
  *ny = numFiniteOr<double>(s->currentY + (by - s->currentY) * s->smoothing, 0.0);
}

// Adds src into three lanes with gains ramping linearly from a to b (lane 0 skipped when told). The
// three ramps run in one loop: each is a chain of dependent additions, and side by side they overlap.
void addRamped3(const float* src, float* lane0, float* lane1, float* lane2, const Gains& a, const Gains& b, int n,
                bool skipLane0) {
  const float fn = static_cast<float>(n);
  const float step0 = (b.front - a.front) / fn, step1 = (b.side - a.side) / fn, step2 = (b.omni - a.omni) / fn;
  float g0 = a.front, g1 = a.side, g2 = a.omni;
  if (skipLane0) {
    for (int i = 0; i < n; ++i) {
      const float x = src[i];
      lane1[i] += x * g1;
      lane2[i] += x * g2;
      g1 += step1;
      g2 += step2;
    }
    return;
  }
  for (int i = 0; i < n; ++i) {
    const float x = src[i];
    lane0[i] += x * g0;
    lane1[i] += x * g1;
    lane2[i] += x * g2;
    g0 += step0;
    g1 += step1;
    g2 += step2;
  }
}

// Adds src into three lanes at fixed gains (lane 0 skipped when told).
void addFixed3(const float* src, float* lane0, float* lane1, float* lane2, const Gains& a, int n, bool skipLane0) {
  if (!skipLane0)
    for (int i = 0; i < n; ++i) lane0[i] += src[i] * a.front;
  for (int i = 0; i < n; ++i) lane1[i] += src[i] * a.side;
  for (int i = 0; i < n; ++i) lane2[i] += src[i] * a.omni;
}

float clampUnit(float v) { return numClampOr(v, -1.0f, 1.0f, 0.0f); }

const int panDestinationX = envDestPanLr;  // envelope destinations of the two pan axes
const int panDestinationY = envDestPanFb;

// Whether a channel owns an envelope slot with that destination.
bool ownsEnvelope(Engine* engine, std::int16_t source, int destination) {
  if (source > 2) return false;
  for (int i = 0; i < envSlotCount; ++i) {
    const EnvelopeSlot& slot = engine->envSlots[i];
    if (slot.allocated && slot.destination == destination && slot.owner == source) return true;
  }
  return false;
}

// The pan modulation of one axis: controller position c (0..1, 0.5 centre), the voice's LFO sum and,
// for a channel that owns an envelope with that destination, the envelope's multiplier.
double axisModulation(Engine* engine, std::int16_t source, std::int16_t voice, float c, double lfo, int destination,
                      bool envelope) {
  double p = bend(2.0 * c - 1.0, lfo);
  if (envelope) {
    const double e = engine->modMultipliers[source][voice][destination];
    p = bend(p, 2.0 * e - 1.0);
  }
  p = numFiniteOr<double>(p, 0.0);
  return numClamp(p, -1.0, 1.0);
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
  const int m = n & ~7;  // groups of eight frames
  if (!moved)
    addFixed3(src, lane0, lane1, lane2, a, m, twoSpeakerLayout);
  else
    addRamped3(src, lane0, lane1, lane2, a, b, m, twoSpeakerLayout);
}

void fieldPanStereo(PanState* s, const float* srcLeft, const float* srcRight, float* lane0, float* lane1, float* lane2,
                    std::int16_t n) {
  if (!s || !srcLeft || !srcRight || !lane0 || !lane1 || !lane2 || n < 1) return;
  double nx, ny;
  nextPosition(s, &nx, &ny);
  const double cx = s->currentX, cy = s->currentY;
  for (int side = 0; side < 2; ++side) {
    const double x0 = side == 0 ? cx - (1.0 + cx) / 2.0 : cx + (1.0 - cx) / 2.0;
    const double x1 = side == 0 ? nx - (1.0 + nx) / 2.0 : nx + (1.0 - nx) / 2.0;
    const Gains a = gainsAt(x0, cy, 0.3 + x0 * x0 + cy * cy);
    const Gains b = gainsAt(x1, ny, 0.3 + x1 * x1 + ny * ny);
    addRamped3(side == 0 ? srcLeft : srcRight, lane0, lane1, lane2, a, b, n, false);
  }
  s->currentX = nx;
  s->currentY = ny;
}

PanEnvelopes panFindEnvelopes(Engine* engine, std::int16_t source) {
  PanEnvelopes found{false, false};
  if (!engine || source < 0 || source >= engineUnits) return found;
  found.x = ownsEnvelope(engine, source, panDestinationX);
  found.y = ownsEnvelope(engine, source, panDestinationY);
  return found;
}

void panToFieldLanes(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                     float* lane0, float* lane1, float* lane2, std::int16_t n) {
  if (!engine || source < 0 || source >= engineUnits) return;
  panToFieldLanesWith(engine, source, voice, inputLanes, src, lane0, lane1, lane2, n, panFindEnvelopes(engine, source));
}

void panToFieldLanesWith(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                         float* lane0, float* lane1, float* lane2, std::int16_t n, PanEnvelopes envelopes) {
  if (!engine || source < 0 || source >= engineUnits || voice < 0 || voice >= engineMaxVoices || !src) return;
  PanState* s = &engine->panStates[source][voice];
  const ControllerSettings& c = engine->controllers;
  s->modX =
      axisModulation(engine, source, voice, c.positionLr, lfoSumFieldX(engine, voice), panDestinationX, envelopes.x);
  s->modY =
      axisModulation(engine, source, voice, c.positionFb, lfoSumFieldY(engine, voice), panDestinationY, envelopes.y);
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
  panToFieldWith(engine, source, voice, inputLanes, src, outputForm, dst, n, panFindEnvelopes(engine, source));
}

void panToFieldWith(Engine* engine, std::int16_t source, std::int16_t voice, int inputLanes, const float* src,
                    int outputForm, float* dst, std::int16_t n, PanEnvelopes envelopes) {
  if (!engine || source < 0 || source >= engineUnits || !src || !dst || n < 1) return;
  if (outputForm == 1 && inputLanes == 1) {
    for (int i = 0; i < n; ++i) dst[i] += src[i];
    return;
  }
  panToFieldLanesWith(engine, source, voice, inputLanes, src, dst, dst + n, dst + 2 * n, n, envelopes);
}
