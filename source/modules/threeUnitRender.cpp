// One block of the three-unit effect: early taps and pre-delay, then for each unit that is on its
// three lanes (feedback matrix, mode filter, high-pass, modulated delay), each lane panned into the
// master buses at the wet level.
#include <cmath>
#include <cstring>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "modules/allpassTable.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/onePoleTables.h"
#include "modules/threeUnitEffect.h"
#include "oscillators/dspRandom.h"

namespace {

// Integer part of pitch index x factor, kept within 0..last (NaN and negatives give 0).
int revTableIndex(float pitchIndex, float factor, int last) {
  const double x = static_cast<double>(pitchIndex) * factor;
  if (!(x > 0.0)) return 0;
  return x >= last ? last : static_cast<int>(x);
}

// A modulation multiplier kept finite and within a range where the lengths and tables stay sane.
float revSaneFactor(double m) {
  if (!(m == m)) return 1.0f;
  if (m < 0.0) return 0.0f;
  return m > 1.0e3 ? 1.0e3f : static_cast<float>(m);
}

// Controller source x row entry x every running LFO x the rate ratio (depth d, invert flag).
float revMultiplier(Engine* engine, double depth, std::uint8_t invert, int entry) {
  if (!(depth == depth)) depth = 0.0;
  const ControllerSettings& cc = engine->controllers;
  auto factor = [invert](double amount, double d, double v) {
    const double m = amount * d;
    return invert ? 1.0 - m * v : 1.0 - m + m * v;
  };
  double m = factor(cc.effectDepth, depth, cc.effectLevel);
  m *= effectModRow(engine)[entry];
  for (const Lfo& lfo : engine->lfos)
    if (lfo.on) m *= factor(lfo.percentSetting, depth, lfo.displayValue);
  m *= engineRateRatio();
  return revSaneFactor(m);
}

typedef void (*RevModeFilter)(EffectRevUnit* unit, int lane, float filterFactor, float* x, int n);

void modeRaw(EffectRevUnit* unit, int k, float f, float* x, int n) {
  DspState2& s = unit->laneLowPass[k];
  const int i = revTableIndex(s.pitchIndex, f, onePoleLastIndex);
  const double a = onePoleLowTable[i], b = onePoleFeedbackTable[i];
  double y = s.state;
  for (int t = 0; t < n; ++t) {
    y = b * y + 1e-24 + a * x[t];
    x[t] = static_cast<float>(y);
  }
  s.state = static_cast<float>(y);
}

void modeNatural(EffectRevUnit* unit, int k, float f, float* x, int n) {
  onePoleProcess(&unit->laneStatesA[k], f, x, static_cast<std::int16_t>(n));
}

// Chain of `stages` first-order allpass sections; y[] the stage outputs, p[] their previous inputs.
// The output is the average of the input and the chain.
void allpassChain(float pitchIndex, float f, float fb, float* y32, float* p32, int stages, float* x, int n) {
  for (int t = 0; t < n; t += 20) x[t] += 1e-10f;
  const double c = allpassTable[revTableIndex(pitchIndex, f, allpassTableSize - 1)];
  const double g = std::isfinite(fb) ? fb : 0.0;
  double y[4], p[4];
  for (int s = 0; s < stages; ++s) {
    y[s] = y32[s];
    p[s] = p32[s];
  }
  for (int t = 0; t < n; ++t) {
    double in = x[t] + g * y[stages - 1];
    for (int s = 0; s < stages; ++s) {
      const double out = c * (in - y[s]) + p[s];
      p[s] = in;
      y[s] = out;
      in = out;
    }
    x[t] = static_cast<float>(0.5 * (x[t] + y[stages - 1]));
  }
  for (int s = 0; s < stages; ++s) {
    y32[s] = static_cast<float>(y[s]);
    p32[s] = static_cast<float>(p[s]);
  }
}

void modeResonant(EffectRevUnit* unit, int k, float f, float* x, int n) {
  DspState6& s = unit->laneStatesB[k];
  allpassChain(s.pitchIndex, f, s.amount, s.states, s.states + 2, 2, x, n);
}

void modeSynthetic(EffectRevUnit* unit, int k, float f, float* x, int n) {
  DspState10& s = unit->laneStatesC[k];
  allpassChain(s.pitchIndex, f, s.feedback, s.states, s.states + 4, 4, x, n);
}

// allpassChain on L lanes side by side: each lane's chain with its feedback is one long run of
// dependent operations, so lanes interleaved overlap. Per lane the operations and their order are
// allpassChain's, so each lane's results are the same bit for bit.
struct ChainLane {
  float pitchIndex, feedback;
  float* y32;
  float* p32;
  float* x;
};

template <int L, int Stages>
void allpassChains(const ChainLane* lanes, float f, int n) {
  double c[L], g[L], y[L][Stages], p[L][Stages];
  for (int l = 0; l < L; ++l) {
    const ChainLane& a = lanes[l];
    for (int t = 0; t < n; t += 20) a.x[t] += 1e-10f;
    c[l] = allpassTable[revTableIndex(a.pitchIndex, f, allpassTableSize - 1)];
    g[l] = std::isfinite(a.feedback) ? a.feedback : 0.0;
    for (int s = 0; s < Stages; ++s) {
      y[l][s] = a.y32[s];
      p[l][s] = a.p32[s];
    }
  }
  for (int t = 0; t < n; ++t) {
    for (int l = 0; l < L; ++l) {
      float* x = lanes[l].x;
      double in = x[t] + g[l] * y[l][Stages - 1];
      for (int s = 0; s < Stages; ++s) {
        const double out = c[l] * (in - y[l][s]) + p[l][s];
        p[l][s] = in;
        y[l][s] = out;
        in = out;
      }
      x[t] = static_cast<float>(0.5 * (x[t] + y[l][Stages - 1]));
    }
  }
  for (int l = 0; l < L; ++l)
    for (int s = 0; s < Stages; ++s) {
      lanes[l].y32[s] = static_cast<float>(y[l][s]);
      lanes[l].p32[s] = static_cast<float>(p[l][s]);
    }
}

template <int Stages>
void allpassChainsAny(const ChainLane* lanes, int count, float f, int n) {
  if (count == 3)
    allpassChains<3, Stages>(lanes, f, n);
  else if (count == 2)
    allpassChains<2, Stages>(lanes, f, n);
  else if (count == 1)
    allpassChains<1, Stages>(lanes, f, n);
}

// The mode filters of the Resonant and Synthetic units over the unit's lanes at once (a null lane is
// left out).
typedef void (*RevModeFilterLanes)(EffectRevUnit* unit, float filterFactor, float** x, int n);

void modeResonantLanes(EffectRevUnit* unit, float f, float** x, int n) {
  ChainLane lanes[3];
  int count = 0;
  for (int k = 0; k < 3; ++k) {
    if (!x[k]) continue;
    DspState6& s = unit->laneStatesB[k];
    lanes[count++] = ChainLane{s.pitchIndex, s.amount, s.states, s.states + 2, x[k]};
  }
  allpassChainsAny<2>(lanes, count, f, n);
}

void modeSyntheticLanes(EffectRevUnit* unit, float f, float** x, int n) {
  ChainLane lanes[3];
  int count = 0;
  for (int k = 0; k < 3; ++k) {
    if (!x[k]) continue;
    DspState10& s = unit->laneStatesC[k];
    lanes[count++] = ChainLane{s.pitchIndex, s.feedback, s.states, s.states + 4, x[k]};
  }
  allpassChainsAny<4>(lanes, count, f, n);
}

// The frame the four unit routines share; they differ in the mode filter only (given per lane, or for
// the unit's lanes at once). Each lane reads only the previous block's lane outputs, so the lanes are
// independent within the block: all three take their feedback first, then go through the mode filter,
// then through their high-pass and delay.
void revUnitFrame(RevModeFilter filter, RevModeFilterLanes filterLanes, EffectRevUnit* unit, float feedback,
                  float timeFactor, float jitter, float filterFactor, float** lanes, std::int16_t frames) {
  if (!unit || !lanes || frames < 1 || frames > effectBlockFrames) return;
  const int n = frames;
  double J = 0.05 / (unit->delayTime * 100.0);
  J = numClampStrictLo(J, 0.0, 1.0);
  const float* M = unit->laneMix.matrix;
  float* source = unit->laneMix.work[0];   // lane outputs of the previous block
  float* current = unit->laneMix.work[1];  // lane outputs of this block
  double q[3] = {1.0, 1.0, 1.0};
  for (int k = 0; k < 3; ++k) {
    float* x = lanes[k];
    if (!x) continue;
    dspRandomState = dspRandomState * 196314165u + 907633515u;
    const double r = static_cast<double>(dspRandomState & 0xFFFFu);
    const double ldf = unit->laneDelayFactor[k];
    q[k] = ldf > 0.0 ? 1.0 - r * 1.52590218967e-05 * jitter * (1.0 / ldf) * J : 1.0;
    q[k] = numClampStrictLo(q[k], 0.0, 1.0);

    const float m0 = M[3 * k] * feedback, m1 = M[3 * k + 1] * feedback, m2 = M[3 * k + 2] * feedback;
    for (int t = 0; t < n; ++t) x[t] += m0 * source[t] + m1 * source[128 + t] + m2 * source[256 + t];
  }

  if (filterLanes) {
    filterLanes(unit, filterFactor, lanes, n);
  } else {
    for (int k = 0; k < 3; ++k)
      if (lanes[k]) filter(unit, k, filterFactor, lanes[k], n);
  }

  for (int k = 0; k < 3; ++k) {
    float* x = lanes[k];
    if (!x) continue;
    const double ldf = unit->laneDelayFactor[k];
    DspState3& hp = unit->lanes[k].highPass;
    const int i = revTableIndex(hp.pitchIndex, 1.0f, onePoleLastIndex);
    const double a = onePoleHighTable[i], b = onePoleFeedbackTable[i];
    double y = hp.state1, sPrev = hp.state2;
    for (int t = 0; t < n; ++t) {
      const double s = x[t] * a;
      y = b * y + 1e-24 - sPrev + s;
      sPrev = s;
      x[t] = static_cast<float>(y);
    }
    hp.state1 = static_cast<float>(y);
    hp.state2 = static_cast<float>(sPrev);

    DelayLine& line = unit->lanes[k].delay;
    if (line.buffer) delayLineProcess(&line, x, frames, static_cast<float>(ldf * timeFactor * q[k]));
    for (int t = 0; t < n; t += 33) x[t] += 1e-10f;
    std::memcpy(current + 128 * k, x, sizeof(float) * n);
  }
  std::memcpy(source, current, sizeof(float) * mix3WorkSize);
}

// Output slots 2..8: unit 0 lane 2 and units 1 and 2, by pan-table index and field position.
const int laneSlotIndex[9] = {0, 0, 629, 1023, 512, 0, 0, 512, 1023};
const float laneSlotX[9] = {0.0f, 0.0f, 0.23f, 1.0f, 0.0f, -1.0f, -1.0f, 0.0f, 1.0f};

void revMixLane(Engine* engine, int slot, float w, float* x, int n) {
  const float c = effectModRow(engine)[effectModWet];
  if (effectFieldLayout(engine)) {
    const float g = w * c;
    for (int t = 0; t < n; ++t) x[t] *= g;
    effectPlaceField(engine, static_cast<std::uint16_t>(slot), laneSlotX[slot], x, n);
    return;
  }
  float l, r;
  effectPanGains(engine, (laneSlotIndex[slot] + 0.5f) / 1024.0f, &l, &r);
  l *= w;
  r *= w;
  const float p = effectRuntime(engine)->prevWet;
  float gl = l * p, gr = r * p;
  const float dl = (l * c - l * p) / n, dr = (r * c - r * p) / n;
  for (int t = 0; t < n; ++t) {
    engine->buses[0][t] += x[t] * gl;
    engine->buses[1][t] += x[t] * gr;
    gl += dl;
    gr += dr;
  }
}

}  // namespace

void effectRevUnitRaw(Engine*, EffectRevUnit* u, float fb, float tf, float j, float ff, float** l, std::uint16_t,
                      std::int16_t n) {
  revUnitFrame(modeRaw, nullptr, u, fb, tf, j, ff, l, n);
}
void effectRevUnitNatural(Engine*, EffectRevUnit* u, float fb, float tf, float j, float ff, float** l, std::uint16_t,
                          std::int16_t n) {
  revUnitFrame(modeNatural, nullptr, u, fb, tf, j, ff, l, n);
}
void effectRevUnitResonant(Engine*, EffectRevUnit* u, float fb, float tf, float j, float ff, float** l, std::uint16_t,
                           std::int16_t n) {
  revUnitFrame(modeResonant, modeResonantLanes, u, fb, tf, j, ff, l, n);
}
void effectRevUnitSynthetic(Engine*, EffectRevUnit* u, float fb, float tf, float j, float ff, float** l, std::uint16_t,
                            std::int16_t n) {
  revUnitFrame(modeSynthetic, modeSyntheticLanes, u, fb, tf, j, ff, l, n);
}

float effectRevModFactor(Engine* engine, float depth, std::uint8_t invert) {
  return engine ? revMultiplier(engine, depth, invert, effectModTime) : 1.0f;
}

void effectRevPreDelayProcess(DelayLine* line, float* x, std::int16_t frames) {
  if (!line || !x || !line->buffer || line->lastIndex < 1 || frames < 1) return;
  const std::int32_t N = line->lastIndex;
  double dd = line->targetDelay;
  if (!(dd > 0.0)) dd = 0.0;
  const std::int32_t D = dd >= N - 1 ? N - 1 : static_cast<std::int32_t>(dd);
  std::int32_t w = static_cast<std::int32_t>(std::isfinite(line->writePosition) ? line->writePosition : 0.0);
  if (w < 0 || w >= N) w = 0;
  float* ring = line->buffer;
  float out = line->lastOutput;
  for (int t = 0; t < frames; ++t) {
    ring[w] = x[t];
    std::int32_t r = w - D;
    if (r < 0) r += N;
    out = ring[r];
    x[t] = out;
    w = w + 1 == N ? 0 : w + 1;
  }
  line->writePosition = w;
  line->lastOutput = out;
}

void effectRevProcess(Engine* engine, EffectRevRecord* r, float* input, std::int16_t frames) {
  if (!engine || !r || !input || frames < 1 || frames > effectBlockFrames) return;
  const int n = frames;
  const float* mod = effectModRow(engine);
  const float w = r->levelA;
  double fb = static_cast<double>(r->feedback) * mod[effectModFeedback];
  // The matrix is orthogonal: a loop gain above one would grow without bound.
  fb = numClampStrictLo(fb, 0.0, 1.0);

  if (r->earlyTapsOn) {
    multiTapProcess(&r->earlyA, input, frames);
    std::memcpy(r->work[0], input, sizeof(float) * n);
    std::memcpy(r->work[1], input, sizeof(float) * n);
    multiTapProcess(&r->earlyB, r->work[0], frames);
    multiTapProcess(&r->earlyC, r->work[1], frames);
    effectMixToOutput(engine, 9, 0.1f, w, r->work[0], static_cast<std::uint16_t>(n));
    effectMixToOutput(engine, 10, 0.9f, w, r->work[1], static_cast<std::uint16_t>(n));
  }
  effectRevPreDelayProcess(&r->preDelayLine, input, frames);

  float jitter = r->jitter;
  jitter = numClamp(jitter, 0.0f, 1.0f);
  for (int u = 0; u < 3; ++u) {
    for (auto& buffer : r->work) std::memcpy(buffer, input, sizeof(float) * n);
    EffectRevUnit& unit = r->units[u];
    if (!r->unitOn[u] || !unit.routine) continue;
    const float T = revMultiplier(engine, r->timeModDepth[u], r->timeModInvert[u], effectModTime);
    const float F = revMultiplier(engine, r->brightModDepth[u], r->brightModInvert[u], effectModFilter);
    float* lanes[3] = {r->work[0], r->work[1], r->work[2]};
    unit.routine(engine, &unit, static_cast<float>(fb), T, jitter, F, lanes, 3, frames);
    const int slot = 3 * u;
    if (u == 0) {
      effectMixToOutput(engine, 0, 0.357f, w, lanes[0], static_cast<std::uint16_t>(n));
      effectMixToOutput(engine, 1, 0.51f, w, lanes[1], static_cast<std::uint16_t>(n));
    } else {
      revMixLane(engine, slot, w, lanes[0], n);
      revMixLane(engine, slot + 1, w, lanes[1], n);
    }
    revMixLane(engine, slot + 2, w, lanes[2], n);
  }
}

void effectRevRoutine(Engine* engine, std::int16_t frames) {
  if (!engine || frames < 1 || frames > effectBlockFrames) return;
  EffectRuntime* rt = effectRuntime(engine);
  EffectRevRecord* r = &engine->effectRev;
  const float* mod = effectModRow(engine);
  effectTakeInputSum(engine, rt->block3, frames);
  effectScaleDry(engine, r->levelB * mod[effectModDry], frames);
  effectRevProcess(engine, r, rt->block3, frames);
  rt->prevWet = effectModRow(engine)[effectModWet];
  effectFlushBuses(engine, frames);
}
