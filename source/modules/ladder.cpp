#include "modules/ladder.h"

#include <cmath>
#include <cstring>

#include "engine/engineConfig.h"
#include "engine/freqTable.h"
#include "engine/lanes.h"
#include "engine/numeric.h"
#include "modules/filterModule.h"
#include "modules/onePoleTables.h"
#include "modules/pitchIndex.h"

namespace {

// A double rounded to float with values too small for a normal float (the deep stages of a closed
// filter can reach 1e-50 while the coefficients ramp up from 0) flushed to 0.
inline float toFloat(double x) { return static_cast<float>(std::fabs(x) < 1e-30 ? 0.0 : x); }

// The allpass target for position q (20..480). Its table position costs a pow and a log per lane
// and block and depends on q alone, so the lane keeps the last q and position: a steady cutoff looks
// the position up instead (the same value either way; the table itself is read every time, as it
// changes with the sample rate).
double allpassTarget(float* memory, double q) {
  double last;
  std::memcpy(&last, memory + ladderMemCacheQ, sizeof last);
  if (last != q) {
    memory[ladderMemCacheJ] = static_cast<float>(numClamp<double>(dspPowHelper(dspIndexToFreq(q)), 0.0, 479.0));
    std::memcpy(memory + ladderMemCacheQ, &q, sizeof q);
  }
  return 1e-24 + dspTableLookupLerp(memory[ladderMemCacheJ]);
}

// One lane's work for a block, worked out once per block.
struct LadderJob {
  float* memory;
  float* lane;
  double targetA, targetB, targetC;  // coefficient targets: one-pole gain, one-pole pole, allpass
  double k;                          // feedback amount
  double outScale;                   // 0.5 x gain
};

LadderJob ladderPrepare(int type, float* memory, float* lane, int frames, double target, double resonance, double gain,
                        double rateOffset) {
  for (int n = 0; n < frames; n += 20) lane[n] += 1e-10f;  // denormal guard
  const double c = numClamp<double>(target, -1.0e6, 1.0e6);
  LadderJob job;
  job.memory = memory;
  job.lane = lane;

  // One-pole targets: gain between entries i-1 and i, pole between i and i+1 (one entry higher).
  const double p = c - 20.0;
  int i = static_cast<int>(p);  // truncation toward zero
  const double f = p - i;
  i = numClamp(i, 20, onePoleLastIndex);
  const double a0 = onePoleLowTable[i - 1];
  job.targetA = a0 + (onePoleLowTable[i] - a0) * f;
  const double b0 = onePoleFeedbackTable[i];
  job.targetB = b0 + (onePoleFeedbackTable[i + 1] - b0) * f;

  // Allpass target: half an octave above the cutoff, looked up on the allpass index scale.
  job.targetC = allpassTarget(memory, numClamp<double>(c + 20.0, 20.0, 480.0));

  // Feedback amount. Above a resonance of 1 (where the filter already oscillates on its own) the loop
  // turns chaotic and, with a large modulated value, overflows: the modulated resonance stops at 1.
  double k = resonance > 1.0 ? 1.0 : resonance;
  if (!(k >= 0.001)) k = 0.001;  // also NaN
  const double m = job.targetB > memory[ladderMemB] ? job.targetB : memory[ladderMemB];
  if (m < 0.3155) {
    const double scale = m * 3.1746031746031744;
    k *= scale > 0.8 ? scale : 0.8;
  }
  const bool lowRate = rateOffset < 0.001;
  if (type == filterLpf6Pole)
    k *= lowRate ? 1.48 : 1.44;
  else
    k *= 1.048 * (lowRate ? 1.48 : 1.435);
  job.k = k;
  job.outScale = 0.5 * gain;
  return job;
}

// The per-sample loop, written once over a lane type L (Lanes<double, W>) for P x W lanes side by
// side: P vectors of W lanes each, W = 1 the plain scalar form. The recursion of one lane is a long
// chain of dependent operations, so running several lanes at once lets the processor overlap them.
// Each step is written for a run of Q vectors before the next step: with Q = P the processor finds
// the vectors' independent work side by side, without having to look a whole sample ahead (the
// typical voice a tenth faster with AVX in the 64-bit builds); with Q = 1 each vector's sample is
// done before the next vector's, which the 32-bit build's eight vector registers prefer (there the
// side-by-side form spills more and runs 6 % slower).
// Every lane gets exactly the operations, in the same order, that it gets alone, so its results are
// the same whatever the width. Extra = stages after the core; TwoAdvances: the coefficient ramps
// advance after each of the two sub-steps (types 14, 15, 17) or only after the second (type 16).
template <int Extra, bool TwoAdvances, int P, class L>
LANES_INLINE void ladderRunLanes(const LadderJob* jobs, int frames) {
  typedef typename L::Value Vec;
  const int W = L::width;
  Vec u[P]{}, r[P]{}, w[P]{}, y[P]{}, e[P][Extra + 1]{}, A[P]{}, B[P]{}, C[P]{}, dA[P]{}, dB[P]{}, dC[P]{}, k[P]{},
      G[P]{};
  float* lane[W * P];
  const double steps = 2.0 * frames;
  for (int p = 0; p < P; ++p) {
    for (int h = 0; h < W; ++h) {
      const LadderJob& job = jobs[W * p + h];
      const float* m = job.memory;
      lane[W * p + h] = job.lane;
      const double a = m[ladderMemA], b = m[ladderMemB], c = m[ladderMemC];
      L::set(u[p], h, m[ladderMemU]);
      L::set(r[p], h, m[ladderMemR]);
      L::set(w[p], h, m[ladderMemW]);
      L::set(y[p], h, m[ladderMemY]);
      for (int s = 0; s < Extra; ++s) L::set(e[p][s], h, m[ladderMemE + s]);
      L::set(A[p], h, a);
      L::set(B[p], h, b + 1e-24);
      L::set(C[p], h, c);
      L::set(dA[p], h, (job.targetA - a) / steps + 1e-24);
      L::set(dB[p], h, (job.targetB - b) / steps + 1e-24);
      L::set(dC[p], h, (job.targetC - c) / steps);
      L::set(k[p], h, job.k);
      L::set(G[p], h, job.outScale);
    }
  }
  const double half = 0.5;

#if defined(__i386__)
  const int Q = 1;
#else
  const int Q = P;
#endif
// One step for every vector of the run q .. q + Q - 1.
#define LADDER_EACH _Pragma("GCC unroll 4") for (int p = q; p < q + Q; ++p)
  for (int i = 0; i < frames; ++i) {
#pragma GCC unroll 4
    for (int q = 0; q < P; q += Q) {
      Vec x[P], u1[P], r1[P], w1[P], y1[P], s1[P][Extra + 1], last1[P], u2[P], r2[P], w2[P], y2[P], prev[P];
      LADDER_EACH L::gather(x[p], lane + W * p, i);
      // Sub-step 1.
      LADDER_EACH u1[p] = x[p] - k[p] * y[p];
      LADDER_EACH r1[p] = C[p] * (u1[p] - r[p]) + u[p];
      LADDER_EACH w1[p] = A[p] * r1[p] + B[p] * w[p];
      // Stage guard: a lane's feedback is lowered for the rest of the block.
      LADDER_EACH if (L::anyAbsAbove(w1[p], 64.0)) for (int h = 0; h < W; ++h) {
        const double v = L::get(w1[p], h);
        if (v > 64.0)
          L::set(k[p], h, L::get(k[p], h) * (64.0 / v));
        else if (v < -64.0)
          L::set(k[p], h, L::get(k[p], h) * (-64.0 / v));
      }
      LADDER_EACH y1[p] = A[p] * w1[p] + B[p] * y[p];
      LADDER_EACH prev[p] = y1[p];
      for (int st = 0; st < Extra; ++st) {
        LADDER_EACH {
          s1[p][st] = A[p] * prev[p] + B[p] * e[p][st];
          prev[p] = s1[p][st];
        }
      }
      LADDER_EACH last1[p] = prev[p];
      if (TwoAdvances) {
        LADDER_EACH {
          A[p] += dA[p];
          B[p] += dB[p];
          C[p] += dC[p];
        }
      }
      // Sub-step 2: the same input, feedback from y1, the first stage fed the mean of both allpass outputs.
      LADDER_EACH u2[p] = x[p] - k[p] * y1[p];
      LADDER_EACH r2[p] = C[p] * (u2[p] - r1[p]) + u1[p];
      LADDER_EACH w2[p] = A[p] * half * (r1[p] + r2[p]) + B[p] * w1[p];
      LADDER_EACH if (L::anyAbsAbove(w2[p], 64.0)) for (int h = 0; h < W; ++h) {
        const double v = L::get(w2[p], h);
        if (v > 64.0)
          L::set(k[p], h, L::get(k[p], h) * (64.0 / v));
        else if (v < -64.0)
          L::set(k[p], h, L::get(k[p], h) * (-64.0 / v));
      }
      LADDER_EACH y2[p] = A[p] * w2[p] + B[p] * y1[p];
      LADDER_EACH prev[p] = y2[p];
      for (int st = 0; st < Extra; ++st) {
        LADDER_EACH {
          e[p][st] = A[p] * prev[p] + B[p] * s1[p][st];
          prev[p] = e[p][st];
        }
      }
      LADDER_EACH {
        A[p] += dA[p];
        B[p] += dB[p];
        C[p] += dC[p];
      }
      // The output as toFloat gives it: a value too small for a normal float is 0.
      LADDER_EACH {
        Vec out = G[p] * (last1[p] + prev[p]);
        L::zeroAbsBelow(out, 1e-30);
        L::scatter(out, lane + W * p, i);
        u[p] = u2[p];
        r[p] = r2[p];
        w[p] = w2[p];
        y[p] = y2[p];
      }
    }
  }
#undef LADDER_EACH

  for (int p = 0; p < P; ++p) {
    for (int h = 0; h < W; ++h) {
      float* m = jobs[W * p + h].memory;
      const double uh = L::get(u[p], h), rh = L::get(r[p], h), wh = L::get(w[p], h), yh = L::get(y[p], h);
      const double ah = L::get(A[p], h), bh = L::get(B[p], h), ch = L::get(C[p], h);
      bool finite = std::isfinite(uh) && std::isfinite(rh) && std::isfinite(wh) && std::isfinite(yh) &&
                    std::isfinite(ah) && std::isfinite(bh) && std::isfinite(ch);
      for (int s = 0; s < Extra; ++s) finite = finite && std::isfinite(L::get(e[p][s], h));
      if (!finite) {  // a non-finite input poisoned the lane: start again from silence
        for (int s = 0; s < ladderMemCount; ++s) m[s] = 0.0f;
        continue;
      }
      m[ladderMemU] = toFloat(uh);
      m[ladderMemR] = toFloat(rh);
      m[ladderMemW] = toFloat(wh);
      m[ladderMemY] = toFloat(yh);
      for (int s = 0; s < Extra; ++s) m[ladderMemE + s] = toFloat(L::get(e[p][s], h));
      m[ladderMemA] = toFloat(ah);
      m[ladderMemB] = toFloat(bh);
      m[ladderMemC] = toFloat(ch);
    }
  }
}

// One instance of the loop per lane set: the lanes of `count` prepared jobs run P vectors at a time
// while that many are left, then one vector, then the rest one lane at a time.
template <int Extra, bool TwoAdvances, int Set>
LANES_INLINE void ladderRunSet(const LadderJob* jobs, int count, int frames) {
  typedef typename LaneSetTypes<Set>::Doubles L;
  typedef Lanes<double, 1> One;
  const int W = L::width;
  int i = 0;
  if (W > 1) {
    for (; i + 2 * W <= count; i += 2 * W) ladderRunLanes<Extra, TwoAdvances, 2, L>(jobs + i, frames);
    for (; i + W <= count; i += W) ladderRunLanes<Extra, TwoAdvances, 1, L>(jobs + i, frames);
  }
  for (; i < count; ++i) ladderRunLanes<Extra, TwoAdvances, 1, One>(jobs + i, frames);
}

template <int Extra, bool TwoAdvances>
void ladderRunScalar(const LadderJob* jobs, int count, int frames) {
  ladderRunSet<Extra, TwoAdvances, laneSetScalar>(jobs, count, frames);
}

template <int Extra, bool TwoAdvances>
void ladderRunSse2(const LadderJob* jobs, int count, int frames) {
  ladderRunSet<Extra, TwoAdvances, laneSetSse2>(jobs, count, frames);
}

#if LANES_AVX
template <int Extra, bool TwoAdvances>
LANES_TARGET_AVX void ladderRunAvx(const LadderJob* jobs, int count, int frames) {
  ladderRunSet<Extra, TwoAdvances, laneSetAvx>(jobs, count, frames);
}
#endif

// Runs `count` prepared lanes of one type on the lane set chosen at engine set-up.
template <int Extra, bool TwoAdvances>
void ladderRunAll(const LadderJob* jobs, int count, int frames) {
  switch (lanesActive) {
    case laneSetScalar: ladderRunScalar<Extra, TwoAdvances>(jobs, count, frames); break;
#if LANES_AVX
    case laneSetAvx: ladderRunAvx<Extra, TwoAdvances>(jobs, count, frames); break;
#endif
    default: ladderRunSse2<Extra, TwoAdvances>(jobs, count, frames); break;
  }
}

void ladderRunJobs(int type, const LadderJob* jobs, int count, int frames) {
  switch (type) {
    case filterLpf2Pole: ladderRunAll<0, true>(jobs, count, frames); break;
    case filterLpf4Pole: ladderRunAll<2, true>(jobs, count, frames); break;
    case filterLpf6Pole: ladderRunAll<4, false>(jobs, count, frames); break;
    case filterLpf8Pole: ladderRunAll<6, true>(jobs, count, frames); break;
    default: break;
  }
}

double laneResonance(Engine* engine, const FilterRecord* record, const FilterVoiceState* state) {
  return static_cast<double>(record->resonance) * filterModMultiplier(engine, record, state, 15);
}

void ladderKernel(int type, Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                  std::int16_t frames) {
  if (!engine || !record || !state || !lane || frames < 1) return;
  ladderLane(type, state->memB, lane, frames, filterTargetIndex(engine, record, state),
             laneResonance(engine, record, state), record->gain, rateIndexOffset());
}

// The per-block routine: the common walk, each lane prepared, then the lanes run side by side.
void ladderRender(int type, Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  FilterLaneRef lanes[filterMaxLanes];
  const int count = filterGatherLanes(engine, record, filter, frames, lanes);
  if (count <= 0) return;
  LadderJob jobs[filterMaxLanes];
  const double rateOffset = rateIndexOffset();
  for (int i = 0; i < count; ++i)
    jobs[i] = ladderPrepare(type, lanes[i].state->memB, lanes[i].buffer, frames,
                            filterTargetIndex(engine, record, lanes[i].state),
                            laneResonance(engine, record, lanes[i].state), record->gain, rateOffset);
  ladderRunJobs(type, jobs, count, frames);
}

}  // namespace

void ladderSelectKernels() { lanesChoose(); }

void ladderLane(int type, float* memory, float* lane, int frames, double target, double resonance, double gain,
                double rateOffset) {
  if (!memory || !lane || frames < 1 || type < filterLpf2Pole || type > filterLpf8Pole) return;
  const LadderJob job = ladderPrepare(type, memory, lane, frames, target, resonance, gain, rateOffset);
  ladderRunJobs(type, &job, 1, frames);
}

void ladderProcess2Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                        std::int16_t frames) {
  ladderKernel(filterLpf2Pole, engine, record, state, lane, frames);
}

void ladderProcess4Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                        std::int16_t frames) {
  ladderKernel(filterLpf4Pole, engine, record, state, lane, frames);
}

void ladderProcess6Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                        std::int16_t frames) {
  ladderKernel(filterLpf6Pole, engine, record, state, lane, frames);
}

void ladderProcess8Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                        std::int16_t frames) {
  ladderKernel(filterLpf8Pole, engine, record, state, lane, frames);
}

void filterRenderLpf2Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  ladderRender(filterLpf2Pole, engine, record, filter, frames);
}

void filterRenderLpf4Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  ladderRender(filterLpf4Pole, engine, record, filter, frames);
}

void filterRenderLpf6Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  ladderRender(filterLpf6Pole, engine, record, filter, frames);
}

void filterRenderLpf8Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  ladderRender(filterLpf8Pole, engine, record, filter, frames);
}
