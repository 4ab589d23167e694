#include "modules/allpassPhaser.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/freqTable.h"
#include "engine/numeric.h"
#include "modules/filterModule.h"

namespace {

// One lane's work for a block, worked out once per block.
struct PhaserJob {
  FilterVoiceState* state;
  float* lane;
  double a, da;  // allpass coefficient and its step per sample
  double g, dg;  // output gain and its step per sample
  double fb;     // feedback
};

PhaserJob phaserPrepare(FilterVoiceState* state, float* lane, int frames, double target, double feedback) {
  for (int i = 0; i < frames; i += 20) lane[i] += 1e-10f;
  PhaserJob job;
  job.state = state;
  job.lane = lane;
  job.fb =
      std::isnan(feedback) ? 0.0 : numClamp<double>(feedback, -allpassPhaserFeedbackLimit, allpassPhaserFeedbackLimit);
  const double c = numClamp<double>(state->currentIndex, 0.0, allpassPhaserTopIndex);
  const double t = numClamp<double>(target, 0.0, allpassPhaserTopIndex);
  job.a = dspTableLookupLerp(static_cast<float>(c));
  job.da = (dspTableLookupLerp(static_cast<float>(t)) - job.a) / frames;
  const double g1 = allpassPhaserGain(job.fb);
  job.g = std::isfinite(state->gainRampStart) ? state->gainRampStart : 0.0;
  job.dg = (g1 - job.g) / frames;
  state->gainRampStart = static_cast<float>(g1);
  state->currentIndex = static_cast<float>(t);
  return job;
}

// Stage memory back into the lane state (cleared when a non-finite input poisoned it).
template <int N>
void phaserStore(FilterVoiceState* state, const double* y, const double* w) {
  bool finite = true;
  for (int k = 0; k < N; ++k) finite = finite && std::isfinite(y[k]) && std::isfinite(w[k]);
  for (int k = 0; k < N; ++k) {
    state->memA[k] = finite ? static_cast<float>(y[k]) : 0.0f;
    state->memA[N + k] = finite ? static_cast<float>(w[k]) : 0.0f;
  }
}

// The per-sample loop of one lane, N stages.
template <int N>
void phaserRun(const PhaserJob& job, int frames) {
  double y[N], w[N];
  for (int k = 0; k < N; ++k) {
    y[k] = job.state->memA[k];
    w[k] = job.state->memA[N + k];
  }
  double a = job.a, g = job.g;
  const double fb = job.fb;
  float* lane = job.lane;
  for (int i = 0; i < frames; ++i) {
    const double x = lane[i];
    double v = x + fb * y[N - 1];
    for (int k = 0; k < N; ++k) {
      const double out = a * (v - y[k]) + w[k];
      w[k] = v;
      y[k] = out;
      v = out;
    }
    lane[i] = static_cast<float>((x + y[N - 1]) * g);
    a += job.da;
    g += job.dg;
  }
  phaserStore<N>(job.state, y, w);
}

// The same loop for two lanes side by side in one 128-bit vector of doubles: the stages of a lane form
// a long chain of dependent operations, two independent chains overlap. Same operations in the same
// order as phaserRun, so each lane's results are identical to the lane run alone.
typedef double Pair __attribute__((vector_size(16)));

template <int N>
void phaserRunPair(const PhaserJob* jobs, int frames) {
  Pair y[N], w[N];
  for (int k = 0; k < N; ++k) {
    y[k] = Pair{jobs[0].state->memA[k], jobs[1].state->memA[k]};
    w[k] = Pair{jobs[0].state->memA[N + k], jobs[1].state->memA[N + k]};
  }
  Pair a = {jobs[0].a, jobs[1].a}, g = {jobs[0].g, jobs[1].g};
  const Pair da = {jobs[0].da, jobs[1].da}, dg = {jobs[0].dg, jobs[1].dg}, fb = {jobs[0].fb, jobs[1].fb};
  float* lane0 = jobs[0].lane;
  float* lane1 = jobs[1].lane;
  for (int i = 0; i < frames; ++i) {
    const Pair x = {lane0[i], lane1[i]};
    Pair v = x + fb * y[N - 1];
    for (int k = 0; k < N; ++k) {
      const Pair out = a * (v - y[k]) + w[k];
      w[k] = v;
      y[k] = out;
      v = out;
    }
    const Pair result = (x + y[N - 1]) * g;
    lane0[i] = static_cast<float>(result[0]);
    lane1[i] = static_cast<float>(result[1]);
    a += da;
    g += dg;
  }
  for (int h = 0; h < 2; ++h) {
    double ys[N], ws[N];
    for (int k = 0; k < N; ++k) {
      ys[k] = y[k][h];
      ws[k] = w[k][h];
    }
    phaserStore<N>(jobs[h].state, ys, ws);
  }
}

template <int N>
void phaserRunAll(const PhaserJob* jobs, int count, int frames) {
  int i = 0;
  for (; i + 2 <= count; i += 2) phaserRunPair<N>(jobs + i, frames);
  for (; i < count; ++i) phaserRun<N>(jobs[i], frames);
}

void phaserRunJobs(int stages, const PhaserJob* jobs, int count, int frames) {
  switch (stages) {
    case 2: phaserRunAll<2>(jobs, count, frames); break;
    case 4: phaserRunAll<4>(jobs, count, frames); break;
    case 8: phaserRunAll<8>(jobs, count, frames); break;
    default: break;
  }
}

double laneFeedback(Engine* engine, const FilterRecord* record, const FilterVoiceState* state) {
  return static_cast<double>(record->feedback) * filterModMultiplier(engine, record, state, modRowFilterRes);
}

void phaserKernel(int stages, Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                  std::int16_t frames) {
  if (!engine || !record || !state || !lane || frames < 1) return;
  allpassPhaserLane(stages, state, lane, frames, filterTargetIndexAtRate(engine, record, state),
                    laneFeedback(engine, record, state));
}

// The per-block routine: the common walk, each lane prepared, then the lanes run in pairs.
void phaserRender(int stages, Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  FilterLaneRef lanes[filterMaxLanes];
  const int count = filterGatherLanes(engine, record, filter, frames, lanes);
  if (count <= 0) return;
  PhaserJob jobs[filterMaxLanes];
  for (int i = 0; i < count; ++i)
    jobs[i] =
        phaserPrepare(lanes[i].state, lanes[i].buffer, frames, filterTargetIndexAtRate(engine, record, lanes[i].state),
                      laneFeedback(engine, record, lanes[i].state));
  phaserRunJobs(stages, jobs, count, frames);
}

}  // namespace

double allpassPhaserGain(double feedback) {
  double f = feedback * feedback;  // |fb|^2
  f *= f;                          // ^4
  f *= f;                          // ^8
  f *= f;                          // ^16
  const double inv = 1.0 / (1.0 + f);
  return 0.5 * inv * inv;
}

void allpassPhaserLane(int stages, FilterVoiceState* state, float* lane, int frames, double target, double feedback) {
  if (!state || !lane || frames < 1 || (stages != 2 && stages != 4 && stages != 8)) return;
  const PhaserJob job = phaserPrepare(state, lane, frames, target, feedback);
  phaserRunJobs(stages, &job, 1, frames);
}

void allpassProcess2(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                     std::int16_t frames) {
  phaserKernel(2, engine, record, state, lane, frames);
}

void allpassProcess4(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                     std::int16_t frames) {
  phaserKernel(4, engine, record, state, lane, frames);
}

void allpassProcess8(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                     std::int16_t frames) {
  phaserKernel(8, engine, record, state, lane, frames);
}

void filterRenderAllpass2(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  phaserRender(2, engine, record, filter, frames);
}

void filterRenderAllpass4(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  phaserRender(4, engine, record, filter, frames);
}

void filterRenderAllpass8(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  phaserRender(8, engine, record, filter, frames);
}
