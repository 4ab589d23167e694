#include "modules/ladder.h"

#include <cmath>

#include "engine/engineConfig.h"
#include "engine/freqTable.h"
#include "modules/filterModule.h"
#include "modules/onePoleTables.h"
#include "modules/pitchIndex.h"

namespace {

// A double rounded to float with values too small for a normal float (the deep stages of a closed
// filter can reach 1e-50 while the coefficients ramp up from 0) flushed to 0.
inline float toFloat(double x) { return static_cast<float>(std::fabs(x) < 1e-30 ? 0.0 : x); }

inline double limit(double x, double lo, double hi) {
  if (!(x >= lo)) return lo;   // also NaN
  return x > hi ? hi : x;
}

// The per-sample loop. Extra = stages after the core; TwoAdvances: the coefficient ramps advance after
// each of the two sub-steps (types 14, 15, 17) or only after the second (type 16).
template <int Extra, bool TwoAdvances>
void ladderRun(float* m, float* lane, int frames, double targetA, double targetB, double targetC, double k,
               double outScale) {
  double u = m[ladderMemU], r = m[ladderMemR], w = m[ladderMemW], y = m[ladderMemY];
  double e[Extra + 1];
  for (int j = 0; j < Extra; ++j) e[j] = m[ladderMemE + j];
  double A = m[ladderMemA], B = m[ladderMemB], C = m[ladderMemC];
  const double steps = 2.0 * frames;
  const double dA = (targetA - A) / steps + 1e-24;
  const double dB = (targetB - B) / steps + 1e-24;
  const double dC = (targetC - C) / steps;
  B += 1e-24;

  for (int i = 0; i < frames; ++i) {
    const double x = lane[i];
    // Sub-step 1.
    const double u1 = x - k * y;
    const double r1 = C * (u1 - r) + u;
    const double w1 = A * r1 + B * w;
    if (w1 > 64.0) k *= 64.0 / w1;
    else if (w1 < -64.0) k *= -64.0 / w1;
    const double y1 = A * w1 + B * y;
    double s1[Extra + 1];
    double prev = y1;
    for (int j = 0; j < Extra; ++j) {
      s1[j] = A * prev + B * e[j];
      prev = s1[j];
    }
    const double last1 = prev;
    if (TwoAdvances) {
      A += dA;
      B += dB;
      C += dC;
    }
    // Sub-step 2: the same input, feedback from y1, the first stage fed the mean of both allpass outputs.
    const double u2 = x - k * y1;
    const double r2 = C * (u2 - r1) + u1;
    const double w2 = A * 0.5 * (r1 + r2) + B * w1;
    if (w2 > 64.0) k *= 64.0 / w2;
    else if (w2 < -64.0) k *= -64.0 / w2;
    const double y2 = A * w2 + B * y1;
    prev = y2;
    for (int j = 0; j < Extra; ++j) {
      e[j] = A * prev + B * s1[j];
      prev = e[j];
    }
    A += dA;
    B += dB;
    C += dC;
    lane[i] = toFloat(outScale * (last1 + prev));
    u = u2;
    r = r2;
    w = w2;
    y = y2;
  }

  bool finite = std::isfinite(u) && std::isfinite(r) && std::isfinite(w) && std::isfinite(y) &&
                std::isfinite(A) && std::isfinite(B) && std::isfinite(C);
  for (int j = 0; j < Extra; ++j) finite = finite && std::isfinite(e[j]);
  if (!finite) {   // a non-finite input poisoned the lane: start again from silence
    for (int j = 0; j < ladderMemCount; ++j) m[j] = 0.0f;
    return;
  }
  m[ladderMemU] = toFloat(u);
  m[ladderMemR] = toFloat(r);
  m[ladderMemW] = toFloat(w);
  m[ladderMemY] = toFloat(y);
  for (int j = 0; j < Extra; ++j) m[ladderMemE + j] = toFloat(e[j]);
  m[ladderMemA] = toFloat(A);
  m[ladderMemB] = toFloat(B);
  m[ladderMemC] = toFloat(C);
}

void ladderKernel(int type, Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                  std::int16_t frames) {
  if (!engine || !record || !state || !lane || frames < 1) return;
  const double resonance =
      static_cast<double>(record->resonance) * filterModMultiplier(engine, record, state, 15);
  ladderLane(type, state->memB, lane, frames, filterTargetIndex(engine, record, state), resonance,
             record->gain, rateIndexOffset());
}

}  // namespace

void ladderLane(int type, float* memory, float* lane, int frames, double target, double resonance,
                double gain, double rateOffset) {
  if (!memory || !lane || frames < 1 || type < filterLpf2Pole || type > filterLpf8Pole) return;
  for (int n = 0; n < frames; n += 20) lane[n] += 1e-10f;   // denormal guard
  const double c = limit(target, -1.0e6, 1.0e6);

  // One-pole targets: gain between entries i-1 and i, pole between i and i+1 (one entry higher).
  const double p = c - 20.0;
  int i = static_cast<int>(p);   // truncation toward zero
  const double f = p - i;
  i = i < 20 ? 20 : (i > onePoleLastIndex ? onePoleLastIndex : i);
  const double a0 = onePoleLowTable[i - 1];
  const double targetA = a0 + (onePoleLowTable[i] - a0) * f;
  const double b0 = onePoleFeedbackTable[i];
  const double targetB = b0 + (onePoleFeedbackTable[i + 1] - b0) * f;

  // Allpass target: half an octave above the cutoff, looked up on the allpass index scale.
  const double q = limit(c + 20.0, 20.0, 480.0);
  const double j = limit(dspPowHelper(dspIndexToFreq(q)), 0.0, 479.0);
  const double targetC = 1e-24 + dspTableLookupLerp(static_cast<float>(j));

  // Feedback amount. Above a resonance of 1 (where the filter already oscillates on its own) the loop
  // turns chaotic and, with a large modulated value, overflows: the modulated resonance stops at 1.
  double k = resonance > 1.0 ? 1.0 : resonance;
  if (!(k >= 0.001)) k = 0.001;   // also NaN
  const double m = targetB > memory[ladderMemB] ? targetB : memory[ladderMemB];
  if (m < 0.3155) {
    const double scale = m * 3.1746031746031744;
    k *= scale > 0.8 ? scale : 0.8;
  }
  const bool lowRate = rateOffset < 0.001;
  if (type == filterLpf6Pole) k *= lowRate ? 1.48 : 1.44;
  else k *= 1.048 * (lowRate ? 1.48 : 1.435);

  const double outScale = 0.5 * gain;
  switch (type) {
    case filterLpf2Pole: ladderRun<0, true>(memory, lane, frames, targetA, targetB, targetC, k, outScale); break;
    case filterLpf4Pole: ladderRun<2, true>(memory, lane, frames, targetA, targetB, targetC, k, outScale); break;
    case filterLpf6Pole: ladderRun<4, false>(memory, lane, frames, targetA, targetB, targetC, k, outScale); break;
    case filterLpf8Pole: ladderRun<6, true>(memory, lane, frames, targetA, targetB, targetC, k, outScale); break;
    default: break;
  }
}

void ladderProcess2Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                        std::int16_t filter, std::int16_t frames) {
  ladderKernel(filterLpf2Pole, engine, record, state, lane, frames);
}

void ladderProcess4Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                        std::int16_t filter, std::int16_t frames) {
  ladderKernel(filterLpf4Pole, engine, record, state, lane, frames);
}

void ladderProcess6Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                        std::int16_t filter, std::int16_t frames) {
  ladderKernel(filterLpf6Pole, engine, record, state, lane, frames);
}

void ladderProcess8Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                        std::int16_t filter, std::int16_t frames) {
  ladderKernel(filterLpf8Pole, engine, record, state, lane, frames);
}

void filterRenderLpf2Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, ladderProcess2Pole);
}

void filterRenderLpf4Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, ladderProcess4Pole);
}

void filterRenderLpf6Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, ladderProcess6Pole);
}

void filterRenderLpf8Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, ladderProcess8Pole);
}
