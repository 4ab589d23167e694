#include "modules/ladder.h"

#include <cmath>

#include "engine/engineConfig.h"
#include "engine/freqTable.h"
#include "modules/filterModule.h"
#include "modules/onePoleTables.h"
#include "modules/pitchIndex.h"

// The AVX loop is built for native x86 targets. The Windows builds keep to SSE2: there the compiler
// cannot keep 32-byte vectors spilled to the stack aligned.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define LADDER_AVX 1
#else
#define LADDER_AVX 0
#endif

namespace {

// A double rounded to float with values too small for a normal float (the deep stages of a closed
// filter can reach 1e-50 while the coefficients ramp up from 0) flushed to 0.
inline float toFloat(double x) { return static_cast<float>(std::fabs(x) < 1e-30 ? 0.0 : x); }

inline double limit(double x, double lo, double hi) {
  if (!(x >= lo)) return lo;   // also NaN
  return x > hi ? hi : x;
}

// One lane's work for a block, worked out once per block.
struct LadderJob {
  float* memory;
  float* lane;
  double targetA, targetB, targetC;   // coefficient targets: one-pole gain, one-pole pole, allpass
  double k;                           // feedback amount
  double outScale;                    // 0.5 x gain
};

LadderJob ladderPrepare(int type, float* memory, float* lane, int frames, double target, double resonance,
                        double gain, double rateOffset) {
  for (int n = 0; n < frames; n += 20) lane[n] += 1e-10f;   // denormal guard
  const double c = limit(target, -1.0e6, 1.0e6);
  LadderJob job;
  job.memory = memory;
  job.lane = lane;

  // One-pole targets: gain between entries i-1 and i, pole between i and i+1 (one entry higher).
  const double p = c - 20.0;
  int i = static_cast<int>(p);   // truncation toward zero
  const double f = p - i;
  i = i < 20 ? 20 : (i > onePoleLastIndex ? onePoleLastIndex : i);
  const double a0 = onePoleLowTable[i - 1];
  job.targetA = a0 + (onePoleLowTable[i] - a0) * f;
  const double b0 = onePoleFeedbackTable[i];
  job.targetB = b0 + (onePoleFeedbackTable[i + 1] - b0) * f;

  // Allpass target: half an octave above the cutoff, looked up on the allpass index scale.
  const double q = limit(c + 20.0, 20.0, 480.0);
  const double j = limit(dspPowHelper(dspIndexToFreq(q)), 0.0, 479.0);
  job.targetC = 1e-24 + dspTableLookupLerp(static_cast<float>(j));

  // Feedback amount. Above a resonance of 1 (where the filter already oscillates on its own) the loop
  // turns chaotic and, with a large modulated value, overflows: the modulated resonance stops at 1.
  double k = resonance > 1.0 ? 1.0 : resonance;
  if (!(k >= 0.001)) k = 0.001;   // also NaN
  const double m = job.targetB > memory[ladderMemB] ? job.targetB : memory[ladderMemB];
  if (m < 0.3155) {
    const double scale = m * 3.1746031746031744;
    k *= scale > 0.8 ? scale : 0.8;
  }
  const bool lowRate = rateOffset < 0.001;
  if (type == filterLpf6Pole) k *= lowRate ? 1.48 : 1.44;
  else k *= 1.048 * (lowRate ? 1.48 : 1.435);
  job.k = k;
  job.outScale = 0.5 * gain;
  return job;
}

// The per-sample loop of a single lane (L = 1). Extra = stages after the core; TwoAdvances: the
// coefficient ramps advance after each of the two sub-steps (types 14, 15, 17) or only after the
// second (type 16).
template <int Extra, bool TwoAdvances, int L>
void ladderRun(const LadderJob* jobs, int frames) {
  double u[L], r[L], w[L], y[L], e[L][Extra + 1], A[L], B[L], C[L], dA[L], dB[L], dC[L], k[L], G[L];
  float* lane[L];
  const double steps = 2.0 * frames;
  for (int j = 0; j < L; ++j) {
    const float* m = jobs[j].memory;
    lane[j] = jobs[j].lane;
    u[j] = m[ladderMemU];
    r[j] = m[ladderMemR];
    w[j] = m[ladderMemW];
    y[j] = m[ladderMemY];
    for (int s = 0; s < Extra; ++s) e[j][s] = m[ladderMemE + s];
    A[j] = m[ladderMemA];
    B[j] = m[ladderMemB];
    C[j] = m[ladderMemC];
    dA[j] = (jobs[j].targetA - A[j]) / steps + 1e-24;
    dB[j] = (jobs[j].targetB - B[j]) / steps + 1e-24;
    dC[j] = (jobs[j].targetC - C[j]) / steps;
    B[j] += 1e-24;
    k[j] = jobs[j].k;
    G[j] = jobs[j].outScale;
  }

  for (int i = 0; i < frames; ++i) {
    for (int j = 0; j < L; ++j) {
      const double x = lane[j][i];
      // Sub-step 1.
      const double u1 = x - k[j] * y[j];
      const double r1 = C[j] * (u1 - r[j]) + u[j];
      const double w1 = A[j] * r1 + B[j] * w[j];
      if (w1 > 64.0) k[j] *= 64.0 / w1;   // stage guard: lower the feedback for the rest of the block
      else if (w1 < -64.0) k[j] *= -64.0 / w1;
      const double y1 = A[j] * w1 + B[j] * y[j];
      double s1[Extra + 1];
      double prev = y1;
      for (int s = 0; s < Extra; ++s) {
        s1[s] = A[j] * prev + B[j] * e[j][s];
        prev = s1[s];
      }
      const double last1 = prev;
      if (TwoAdvances) {
        A[j] += dA[j];
        B[j] += dB[j];
        C[j] += dC[j];
      }
      // Sub-step 2: the same input, feedback from y1, the first stage fed the mean of both allpass outputs.
      const double u2 = x - k[j] * y1;
      const double r2 = C[j] * (u2 - r1) + u1;
      const double w2 = A[j] * 0.5 * (r1 + r2) + B[j] * w1;
      if (w2 > 64.0) k[j] *= 64.0 / w2;
      else if (w2 < -64.0) k[j] *= -64.0 / w2;
      const double y2 = A[j] * w2 + B[j] * y1;
      prev = y2;
      for (int s = 0; s < Extra; ++s) {
        e[j][s] = A[j] * prev + B[j] * s1[s];
        prev = e[j][s];
      }
      A[j] += dA[j];
      B[j] += dB[j];
      C[j] += dC[j];
      lane[j][i] = toFloat(G[j] * (last1 + prev));
      u[j] = u2;
      r[j] = r2;
      w[j] = w2;
      y[j] = y2;
    }
  }

  for (int j = 0; j < L; ++j) {
    float* m = jobs[j].memory;
    bool finite = std::isfinite(u[j]) && std::isfinite(r[j]) && std::isfinite(w[j]) && std::isfinite(y[j]) &&
                  std::isfinite(A[j]) && std::isfinite(B[j]) && std::isfinite(C[j]);
    for (int s = 0; s < Extra; ++s) finite = finite && std::isfinite(e[j][s]);
    if (!finite) {   // a non-finite input poisoned the lane: start again from silence
      for (int s = 0; s < ladderMemCount; ++s) m[s] = 0.0f;
      continue;
    }
    m[ladderMemU] = toFloat(u[j]);
    m[ladderMemR] = toFloat(r[j]);
    m[ladderMemW] = toFloat(w[j]);
    m[ladderMemY] = toFloat(y[j]);
    for (int s = 0; s < Extra; ++s) m[ladderMemE + s] = toFloat(e[j][s]);
    m[ladderMemA] = toFloat(A[j]);
    m[ladderMemB] = toFloat(B[j]);
    m[ladderMemC] = toFloat(C[j]);
  }
}

// The same loop for W x P lanes side by side, W lanes per vector of doubles (W = 2: 128-bit SSE2
// vectors; W = 4: 256-bit AVX vectors where the processor has them): the recursion of one lane is a
// long chain of dependent operations, so running several lanes at once lets the processor overlap
// them. The operations and their order are those of ladderRun, so every lane's results are identical
// to the lane run alone, whatever the width.
template <int W>
struct LadderVector;
template <>
struct LadderVector<2> {
  typedef double Value __attribute__((vector_size(16)));
  typedef long long Mask __attribute__((vector_size(16)));
};
template <>
struct LadderVector<4> {
  typedef double Value __attribute__((vector_size(32)));
  typedef long long Mask __attribute__((vector_size(32)));
};

template <int Extra, bool TwoAdvances, int P, int W>
inline __attribute__((always_inline)) void ladderRunVectors(const LadderJob* jobs, int frames) {
  typedef typename LadderVector<W>::Value Vec;
  typedef typename LadderVector<W>::Mask Mask;
  Vec u[P], r[P], w[P], y[P], e[P][Extra + 1], A[P], B[P], C[P], dA[P], dB[P], dC[P], k[P], G[P];
  float* lane[W * P];
  const double steps = 2.0 * frames;
  for (int p = 0; p < P; ++p) {
    for (int h = 0; h < W; ++h) {
      const LadderJob& job = jobs[W * p + h];
      const float* m = job.memory;
      lane[W * p + h] = job.lane;
      u[p][h] = m[ladderMemU];
      r[p][h] = m[ladderMemR];
      w[p][h] = m[ladderMemW];
      y[p][h] = m[ladderMemY];
      for (int s = 0; s < Extra; ++s) e[p][s][h] = m[ladderMemE + s];
      A[p][h] = m[ladderMemA];
      B[p][h] = m[ladderMemB];
      C[p][h] = m[ladderMemC];
      dA[p][h] = (job.targetA - A[p][h]) / steps + 1e-24;
      dB[p][h] = (job.targetB - B[p][h]) / steps + 1e-24;
      dC[p][h] = (job.targetC - C[p][h]) / steps;
      B[p][h] += 1e-24;
      k[p][h] = job.k;
      G[p][h] = job.outScale;
    }
  }
  const Vec zero = {};
  const Vec half = zero + 0.5;
  const Vec limitHigh = zero + 64.0, limitLow = zero - 64.0;
  auto any = [](const Mask& m) {
    long long a = 0;
    for (int h = 0; h < W; ++h) a |= m[h];
    return a != 0;
  };

  for (int i = 0; i < frames; ++i) {
    for (int p = 0; p < P; ++p) {
      Vec x;
      for (int h = 0; h < W; ++h) x[h] = lane[W * p + h][i];
      const Vec u1 = x - k[p] * y[p];
      const Vec r1 = C[p] * (u1 - r[p]) + u[p];
      const Vec w1 = A[p] * r1 + B[p] * w[p];
      if (any((w1 > limitHigh) | (w1 < limitLow)))
        for (int h = 0; h < W; ++h) {
          if (w1[h] > 64.0) k[p][h] *= 64.0 / w1[h];
          else if (w1[h] < -64.0) k[p][h] *= -64.0 / w1[h];
        }
      const Vec y1 = A[p] * w1 + B[p] * y[p];
      Vec s1[Extra + 1];
      Vec prev = y1;
      for (int s = 0; s < Extra; ++s) {
        s1[s] = A[p] * prev + B[p] * e[p][s];
        prev = s1[s];
      }
      const Vec last1 = prev;
      if (TwoAdvances) {
        A[p] += dA[p];
        B[p] += dB[p];
        C[p] += dC[p];
      }
      const Vec u2 = x - k[p] * y1;
      const Vec r2 = C[p] * (u2 - r1) + u1;
      const Vec w2 = A[p] * half * (r1 + r2) + B[p] * w1;
      if (any((w2 > limitHigh) | (w2 < limitLow)))
        for (int h = 0; h < W; ++h) {
          if (w2[h] > 64.0) k[p][h] *= 64.0 / w2[h];
          else if (w2[h] < -64.0) k[p][h] *= -64.0 / w2[h];
        }
      const Vec y2 = A[p] * w2 + B[p] * y1;
      prev = y2;
      for (int s = 0; s < Extra; ++s) {
        e[p][s] = A[p] * prev + B[p] * s1[s];
        prev = e[p][s];
      }
      A[p] += dA[p];
      B[p] += dB[p];
      C[p] += dC[p];
      const Vec out = G[p] * (last1 + prev);
      for (int h = 0; h < W; ++h) lane[W * p + h][i] = toFloat(out[h]);
      u[p] = u2;
      r[p] = r2;
      w[p] = w2;
      y[p] = y2;
    }
  }

  for (int p = 0; p < P; ++p) {
    for (int h = 0; h < W; ++h) {
      float* m = jobs[W * p + h].memory;
      bool finite = std::isfinite(u[p][h]) && std::isfinite(r[p][h]) && std::isfinite(w[p][h]) &&
                    std::isfinite(y[p][h]) && std::isfinite(A[p][h]) && std::isfinite(B[p][h]) &&
                    std::isfinite(C[p][h]);
      for (int s = 0; s < Extra; ++s) finite = finite && std::isfinite(e[p][s][h]);
      if (!finite) {
        for (int s = 0; s < ladderMemCount; ++s) m[s] = 0.0f;
        continue;
      }
      m[ladderMemU] = toFloat(u[p][h]);
      m[ladderMemR] = toFloat(r[p][h]);
      m[ladderMemW] = toFloat(w[p][h]);
      m[ladderMemY] = toFloat(y[p][h]);
      for (int s = 0; s < Extra; ++s) m[ladderMemE + s] = toFloat(e[p][s][h]);
      m[ladderMemA] = toFloat(A[p][h]);
      m[ladderMemB] = toFloat(B[p][h]);
      m[ladderMemC] = toFloat(C[p][h]);
    }
  }
}

template <int Extra, bool TwoAdvances, int P>
void ladderRunPairs(const LadderJob* jobs, int frames) {
  ladderRunVectors<Extra, TwoAdvances, P, 2>(jobs, frames);
}

#if LADDER_AVX
// The four-wide loop, compiled for processors with AVX and chosen at run time (ladderSelectKernels).
// AVX alone brings no fused multiply-add, so the arithmetic is exactly that of the other widths.
template <int Extra, bool TwoAdvances, int P>
__attribute__((target("avx"))) void ladderRunQuads(const LadderJob* jobs, int frames) {
  ladderRunVectors<Extra, TwoAdvances, P, 4>(jobs, frames);
}

bool ladderAvx = false;   // set once by ladderSelectKernels, before any audio runs
#endif

// Runs `count` prepared lanes of one type: with AVX eight or four at a time, then four or two at a time
// in SSE2 vectors, then one.
template <int Extra, bool TwoAdvances>
void ladderRunAll(const LadderJob* jobs, int count, int frames) {
  int i = 0;
#if LADDER_AVX
  if (ladderAvx) {
    for (; i + 8 <= count; i += 8) ladderRunQuads<Extra, TwoAdvances, 2>(jobs + i, frames);
    for (; i + 4 <= count; i += 4) ladderRunQuads<Extra, TwoAdvances, 1>(jobs + i, frames);
  }
#endif
  for (; i + 4 <= count; i += 4) ladderRunPairs<Extra, TwoAdvances, 2>(jobs + i, frames);
  for (; i + 2 <= count; i += 2) ladderRunPairs<Extra, TwoAdvances, 1>(jobs + i, frames);
  for (; i < count; ++i) ladderRun<Extra, TwoAdvances, 1>(jobs + i, frames);
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

void ladderSelectKernels() {
#if LADDER_AVX
  __builtin_cpu_init();
  ladderAvx = __builtin_cpu_supports("avx") != 0;
#endif
}

void ladderLane(int type, float* memory, float* lane, int frames, double target, double resonance,
                double gain, double rateOffset) {
  if (!memory || !lane || frames < 1 || type < filterLpf2Pole || type > filterLpf8Pole) return;
  const LadderJob job = ladderPrepare(type, memory, lane, frames, target, resonance, gain, rateOffset);
  ladderRunJobs(type, &job, 1, frames);
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
