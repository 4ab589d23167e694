#include "modules/onePole.h"

#include <cmath>

#include "engine/numeric.h"
#include "modules/filterModule.h"
#include "modules/onePoleTables.h"

namespace {

// One lane's work for a block, worked out once per block: the input gain g (low-pass: a, high-pass:
// the high table) and the pole b, each with its step per sample, and the lane's memory.
struct OnePoleJob {
  FilterVoiceState* state;
  float* lane;
  double g, dg, b, db;
  double y, p;  // output memory; previous scaled input (high-pass)
};

OnePoleJob lowPassPrepare(FilterVoiceState* state, float* lane, int frames, double target) {
  OnePoleJob job;
  job.state = state;
  job.lane = lane;
  job.y = static_cast<double>(state->memA[onePoleMemY]) + 1e-24;
  job.p = 0.0;
  const double t = numClamp<double>(target, 40.0, 479.5);
  const double c = numClamp<double>(state->currentIndex, 40.0, 479.5);
  job.g = onePoleLerp(onePoleLowTable, c);
  job.b = onePoleLerp(onePoleFeedbackTable, c);
  job.dg = 0.75 * (onePoleLerp(onePoleLowTable, t) - job.g) / frames;
  job.db = 0.75 * (onePoleLerp(onePoleFeedbackTable, t) - job.b) / frames;
  state->currentIndex = static_cast<float>(c + 0.75 * (t - c));
  for (int i = 0; i < frames; i += 20) lane[i] += 1e-10f;
  return job;
}

OnePoleJob highPassPrepare(FilterVoiceState* state, float* lane, int frames, double target) {
  OnePoleJob job;
  job.state = state;
  job.lane = lane;
  job.y = static_cast<double>(state->memA[onePoleMemY]) + 1e-24;
  job.p = static_cast<double>(state->memA[onePoleMemP]) + 1e-24;
  const double t = numClamp<double>(target, 10.0, 479.5);
  // The start index has only an upper limit by design; 0 keeps a negative index off the tables.
  const double c = numClamp<double>(state->currentIndex, 0.0, 479.5);
  job.g = onePoleLerp(onePoleHighTable, c);
  job.b = onePoleLerp(onePoleFeedbackTable, c);
  job.dg = 0.75 * (onePoleLerp(onePoleHighTable, t) - job.g) / frames;
  job.db = 0.75 * (onePoleLerp(onePoleFeedbackTable, t) - job.b) / frames;
  state->currentIndex = static_cast<float>(c + 0.75 * (t - c));
  return job;
}

void store(FilterVoiceState* state, double y, double p, bool high) {
  const bool finite = std::isfinite(y) && std::isfinite(p);
  state->memA[onePoleMemY] = finite ? static_cast<float>(y) : 0.0f;
  if (high) state->memA[onePoleMemP] = finite ? static_cast<float>(p) : 0.0f;
}

// One lane: low-pass y = y b + x a + 2e-24; high-pass y = (1e-24 - p) + y b + q with q = x g + 1e-24.
template <bool High>
void onePoleRun(const OnePoleJob& job, int frames) {
  double y = job.y, p = job.p, g = job.g, b = job.b;
  float* lane = job.lane;
  for (int i = 0; i < frames; ++i) {
    if (High) {
      const double q = lane[i] * g + 1e-24;
      y = (1e-24 - p) + y * b + q;
      p = q;
    } else {
      y = y * b + lane[i] * g + 2e-24;
    }
    lane[i] = static_cast<float>(y);
    g += job.dg;
    b += job.db;
  }
  store(job.state, y, p, High);
}

// Two lanes side by side in one 128-bit vector of doubles; the same operations in the same order as
// onePoleRun, so each lane's results are identical to the lane run alone.
typedef double Pair __attribute__((vector_size(16)));

template <bool High>
void onePoleRunPair(const OnePoleJob* jobs, int frames) {
  Pair y = {jobs[0].y, jobs[1].y}, p = {jobs[0].p, jobs[1].p};
  Pair g = {jobs[0].g, jobs[1].g}, b = {jobs[0].b, jobs[1].b};
  const Pair dg = {jobs[0].dg, jobs[1].dg}, db = {jobs[0].db, jobs[1].db};
  const Pair tiny = {1e-24, 1e-24}, tiny2 = {2e-24, 2e-24};
  float* lane0 = jobs[0].lane;
  float* lane1 = jobs[1].lane;
  for (int i = 0; i < frames; ++i) {
    const Pair x = {lane0[i], lane1[i]};
    if (High) {
      const Pair q = x * g + tiny;
      y = (tiny - p) + y * b + q;
      p = q;
    } else {
      y = y * b + x * g + tiny2;
    }
    lane0[i] = static_cast<float>(y[0]);
    lane1[i] = static_cast<float>(y[1]);
    g += dg;
    b += db;
  }
  store(jobs[0].state, y[0], p[0], High);
  store(jobs[1].state, y[1], p[1], High);
}

template <bool High>
void onePoleRender(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  FilterLaneRef lanes[filterMaxLanes];
  const int count = filterGatherLanes(engine, record, filter, frames, lanes);
  if (count <= 0) return;
  OnePoleJob jobs[filterMaxLanes];
  for (int i = 0; i < count; ++i) {
    const double target = filterTargetIndex(engine, record, lanes[i].state);
    jobs[i] = High ? highPassPrepare(lanes[i].state, lanes[i].buffer, frames, target)
                   : lowPassPrepare(lanes[i].state, lanes[i].buffer, frames, target);
  }
  int i = 0;
  for (; i + 2 <= count; i += 2) onePoleRunPair<High>(jobs + i, frames);
  for (; i < count; ++i) onePoleRun<High>(jobs[i], frames);
}

}  // namespace

void filterRenderLpf6dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  onePoleRender<false>(engine, record, filter, frames);
}

void filterRenderHpf6dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  onePoleRender<true>(engine, record, filter, frames);
}

void onePoleLowPassLane(FilterVoiceState* state, float* lane, int frames, double target) {
  if (!state || !lane || frames < 1) return;
  onePoleRun<false>(lowPassPrepare(state, lane, frames, target), frames);
}

void onePoleHighPassLane(FilterVoiceState* state, float* lane, int frames, double target) {
  if (!state || !lane || frames < 1) return;
  onePoleRun<true>(highPassPrepare(state, lane, frames, target), frames);
}
