#include "modules/pipeEffect.h"

#include <cmath>

#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/onePoleTables.h"
#include "modules/pitchIndex.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"

static const double tiny = 1e-24;

// Line read at a position with linear interpolation; indexes wrap on the 32,768-sample line.
// Positions stay within a few turns of the line; the offset keeps the truncation a floor for any
// position down to -2^36.
static inline double pipeInterp(const float* line, double x) {
  const std::int64_t i = static_cast<std::int64_t>(x + 68719476736.0) - 68719476736LL;
  const double t = x - static_cast<double>(i);
  const double a = line[i & effectLineMask];
  const double b = line[(i + 1) & effectLineMask];
  return a + (b - a) * t;
}

static inline bool isFiniteValue(double v) { return std::isfinite(v); }

void effectPipeRecompute(Engine* engine) {
  if (!engine) return;
  EffectPipeState& s = effectRuntime(engine)->pipe;
  s.w0 = s.w1 = 0;
  s.y = 0.0f;
  s.q0 = s.q1 = 0.0f;
  s.length = static_cast<float>(32768.0 - engine->effectPipe.delay);
}

void effectPipeClampRecord(EffectPipeRecord* r) {
  if (!r) return;
  const FieldRange* F = pipeFields;
  r->delay = effectFieldClamp(F[pipeFieldDelay], r->delay);
  r->time = effectFieldClamp(effectFields[effectFieldTime], r->time);
  r->feedback = effectFieldClamp(F[pipeFieldFeedback], r->feedback);
  r->inputPos = effectFieldClamp(F[pipeFieldInputPos], r->inputPos);
  r->pickupPos[0] = effectFieldClamp(F[pipeFieldPickupPos0], r->pickupPos[0]);
  r->pickupPos[1] = effectFieldClamp(F[pipeFieldPickupPos1], r->pickupPos[1]);
  r->filterIndex = effectFieldClamp(F[pipeFieldFilterIndex], r->filterIndex);
  r->lengthMod = effectFieldClamp(F[pipeFieldLengthMod], r->lengthMod);
  r->pickupMod[0] = effectFieldClamp(F[pipeFieldPickupMod], r->pickupMod[0]);
  r->pickupMod[1] = effectFieldClamp(F[pipeFieldPickupMod], r->pickupMod[1]);
}

// Controller and LFO factor of one length, limited to 0.0001..1 (a pipe only ever shortens).
static double pipeModFactor(Engine* engine, float amount, std::uint8_t invert, bool seconds) {
  return effectClampd(effectTimeModFactor(engine, amount, invert, seconds), 0.0001, 1.0, 1.0);
}

void effectPipeRoutine(Engine* engine, std::int16_t frames) {
  if (!engine || engine->effectType != effectPipe || frames < 1 || frames > effectBlockFrames) return;
  EffectRuntime* rt = effectRuntime(engine);
  float* line0 = rt->lines[0];
  float* line1 = rt->lines[1];
  if (!line0 || !line1) return;
  const EffectPipeRecord& r = engine->effectPipe;
  EffectPipeState& st = rt->pipe;
  const float* mod = effectModRow(engine);
  const int n = frames;

  // Input: the omni bus of the sound field, else the first bus alone.
  const float* source = effectFieldLayout(engine) ? engine->buses[2] : engine->buses[0];
  float* input = rt->block3;
  for (int j = 0; j < n; ++j) input[j] = source[j];

  for (int j = 0; j < n; j += 31) line0[j] += 1e-10f;
  for (int j = 0; j < n; j += 21) line1[j] += 1e-10f;

  // Tube length in samples at the running rate.
  const bool seconds = r.header.timeUnit != effectUnitBeats;
  double length = seconds ? r.delay : tempoGetSamplesPerBeat(engine) * r.time;
  length *= engineRateRatio();
  length = effectClampd(length, 0.0, 32768.0, 0.0);

  // Input point: a samples into line 0, b into line 1.
  const int a = static_cast<int>(length * r.inputPos);
  const int b = static_cast<int>(length - a);

  // The glide of the last block ends where this one starts; a lost value restarts the glide.
  if (!isFiniteValue(st.q0)) st.q0 = 0.0f;
  if (!isFiniteValue(st.q1)) st.q1 = 0.0f;
  if (!isFiniteValue(st.length)) st.length = static_cast<float>(length);

  const double m1 = pipeModFactor(engine, r.pickupMod[0], r.pickupModInvert[0], seconds);
  const double m2 = pipeModFactor(engine, r.pickupMod[1], r.pickupModInvert[1], seconds);
  st.display[0] = static_cast<float>(r.pickupPos[0] * m1);
  st.display[1] = static_cast<float>(r.pickupPos[1] * m2);
  const double p0 = length * r.pickupPos[0] * m1;
  const double p1 = length * r.pickupPos[1] * m2;
  const double q0 = st.q0, q1 = st.q1;
  double r0 = 32768.0 - q0, r0b = 32768.0 - (length - q0);
  double r1 = 32768.0 - q1, r1b = 32768.0 - (length - q1);
  const double d0 = (p0 - q0) / n, d1 = (p1 - q1) / n;

  const double m0 = pipeModFactor(engine, r.lengthMod, r.lengthModInvert, seconds);
  st.display[2] = static_cast<float>(m0);
  double o = 32768.0 - st.length;
  const double e = (length * m0 - st.length) / n;

  double g = static_cast<double>(rt->prevWet) * r.levelA;
  double h = (static_cast<double>(r.levelA) * mod[effectModWet] - g) / n;
  if (std::fabs(h) < tiny) h = 0.0;
  rt->prevWet = mod[effectModWet];

  effectScaleDry(engine, r.levelB * mod[effectModDry], n);

  double fb = r.feedback;
  if (std::fabs(fb) < 0.001) fb = 0.0;
  fb *= mod[effectModFeedback];
  // The loop gain stays below one whatever the feedback modulation asks, so the loop cannot run away.
  fb = effectClampd(fb, -0.999, 0.999, 0.0);
  const bool upright = fb >= 0.0;

  const int k = effectFilterTableIndex(r.filterIndex, mod[effectModFilter]);
  const double c1 = onePoleLowTable[k];
  const double c2 = onePoleFeedbackTable[k];

  std::uint32_t w0 = st.w0 & effectLineMask, w1 = st.w1 & effectLineMask;
  double y = st.y;
  const double reflect = 32768.0 - length;  // line 1 read offset of the reflection
  float* out0 = rt->block1;
  float* out1 = rt->block2;
  for (int j = 0; j < n; ++j) {
    const double x = input[j];
    // Reflection from the end of line 1 into the start of line 0, inverted by negative feedback.
    const double v = line1[static_cast<std::int64_t>(reflect + w1) & effectLineMask] + tiny;
    line0[w0] = static_cast<float>(upright ? v : -v);
    // The end of line 0 through the loop filter into line 1.
    const double s = pipeInterp(line0, w0 + o) + tiny;
    y = (s * -fb) * c1 + y * c2 + tiny;
    line1[w1] = static_cast<float>(y);
    // The input enters both lines at its point along the tube.
    line0[(w0 + 32768 - a) & effectLineMask] += static_cast<float>(x);
    float& into1 = line1[(w1 + 32768 - b) & effectLineMask];
    into1 = static_cast<float>(upright ? into1 + x : into1 - x);
    out0[j] = static_cast<float>((pipeInterp(line0, w0 + r0) + pipeInterp(line1, w1 + r0b) + tiny) * g);
    out1[j] = static_cast<float>((pipeInterp(line0, w0 + r1) + pipeInterp(line1, w1 + r1b) + tiny) * g);
    w0 = (w0 + 1) & effectLineMask;
    w1 = (w1 + 1) & effectLineMask;
    g += h;
    r0 -= d0;
    r0b += d0;
    r1 -= d1;
    r1b += d1;
    o -= e;
  }
  st.q0 = static_cast<float>(32768.0 - r0);
  st.q1 = static_cast<float>(32768.0 - r1);
  st.length = static_cast<float>(32768.0 - o);
  st.w0 = w0;
  st.w1 = w1;
  st.y = static_cast<float>(y);

  // Pickup 0 hard left, pickup 1 hard right, both scaled by the wet multiplier once more.
  const float w = mod[effectModWet];
  effectPlaceConstant(engine, 0, 0.0f, w, out0, n);
  effectPlaceConstant(engine, 1, 1.0f, w, out1, n);
  effectFlushBuses(engine, n);
}

// ---- parameters

double effectPipeGetDelay(Engine* engine) { return engine ? engine->effectPipe.delay * (1.0 / 44100.0) : 0.0; }
void effectPipeSetDelay(Engine* engine, double seconds) {
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->delay = effectFieldSet(pipeFields[pipeFieldDelay], seconds * 44100.0, r->delay);
  effectEditCommit(engine);
}

double effectPipeGetFeedback(Engine* engine) { return engine ? engine->effectPipe.feedback : 0.0; }
void effectPipeSetFeedback(Engine* engine, double value) {
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->feedback = effectFieldSet(pipeFields[pipeFieldFeedback], value, r->feedback);
  effectEditCommit(engine);
}

double effectPipeGetInputPos(Engine* engine) { return engine ? engine->effectPipe.inputPos : 0.0; }
void effectPipeSetInputPos(Engine* engine, double value) {
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->inputPos = effectFieldSet(pipeFields[pipeFieldInputPos], value, r->inputPos);
  effectEditCommit(engine);
}

double effectPipeGetPickupPos(Engine* engine, std::int16_t element) {
  if (!engine) return 0.0;
  return engine->effectPipe.pickupPos[element == 0 ? 0 : 1];
}
void effectPipeSetPickupPos(Engine* engine, std::int16_t element, double value) {
  if (element != 0 && element != 1) return;
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->pickupPos[element] = effectFieldSet(pipeFields[pipeFieldPickupPos0 + element], value, r->pickupPos[element]);
  effectEditCommit(engine);
}

double effectPipeGetFilterFreq(Engine* engine) { return engine ? dspIndexToFreq(engine->effectPipe.filterIndex) : 0.0; }
void effectPipeSetFilterFreq(Engine* engine, double hz) {
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->filterIndex = static_cast<float>(dspFreqToIndex(effectClampd(hz, 30.0, 22000.0, 8000.0)));
  effectEditCommit(engine);
}

double effectPipeGetLengthMod(Engine* engine) { return engine ? engine->effectPipe.lengthMod : 0.0; }
void effectPipeSetLengthMod(Engine* engine, double value) {
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->lengthMod = effectFieldSet(pipeFields[pipeFieldLengthMod], value, r->lengthMod);
  effectEditCommit(engine);
}

std::uint8_t effectPipeGetLengthModInvert(Engine* engine) { return engine ? engine->effectPipe.lengthModInvert : 0; }
void effectPipeSetLengthModInvert(Engine* engine, std::uint8_t value) {
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->lengthModInvert = value;
  effectEditCommit(engine);
}

double effectPipeGetPickupMod(Engine* engine, std::int16_t element) {
  if (!engine) return 0.0;
  return engine->effectPipe.pickupMod[element == 0 ? 0 : 1];
}
void effectPipeSetPickupMod(Engine* engine, std::int16_t element, double value) {
  if (element != 0 && element != 1) return;
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->pickupMod[element] = effectFieldSet(pipeFields[pipeFieldPickupMod], value, r->pickupMod[element]);
  effectEditCommit(engine);
}

std::uint8_t effectPipeGetPickupModInvert(Engine* engine, std::int16_t element) {
  if (!engine) return 0;
  return engine->effectPipe.pickupModInvert[element == 0 ? 0 : 1];
}
void effectPipeSetPickupModInvert(Engine* engine, std::int16_t element, std::uint8_t value) {
  if (element != 0 && element != 1) return;
  EffectPipeRecord* r = effectEditCopy<EffectPipeRecord>(engine, effectPipe);
  if (!r) return;
  r->pickupModInvert[element] = value;
  effectEditCommit(engine);
}
