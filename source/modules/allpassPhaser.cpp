#include "modules/allpassPhaser.h"

#include <cmath>

#include "engine/freqTable.h"
#include "modules/filterModule.h"

namespace {

inline double limit(double x, double lo, double hi) {
  if (!(x >= lo)) return lo;   // also NaN
  return x > hi ? hi : x;
}

template <int N>
void phaserRun(FilterVoiceState* state, float* lane, int frames, double target, double feedback) {
  for (int i = 0; i < frames; i += 20) lane[i] += 1e-10f;
  const double fb = std::isnan(feedback) ? 0.0 : limit(feedback, -allpassPhaserFeedbackLimit, allpassPhaserFeedbackLimit);
  const double c = limit(state->currentIndex, 0.0, allpassPhaserTopIndex);
  const double t = limit(target, 0.0, allpassPhaserTopIndex);
  double a = dspTableLookupLerp(static_cast<float>(c));
  const double da = (dspTableLookupLerp(static_cast<float>(t)) - a) / frames;
  const double g1 = allpassPhaserGain(fb);
  double g = state->gainRampStart;
  if (!std::isfinite(g)) g = 0.0;
  const double dg = (g1 - g) / frames;
  state->gainRampStart = static_cast<float>(g1);
  state->currentIndex = static_cast<float>(t);

  double y[N], w[N];
  for (int k = 0; k < N; ++k) {
    y[k] = state->memA[k];
    w[k] = state->memA[N + k];
  }
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
    a += da;
    g += dg;
  }
  bool finite = true;
  for (int k = 0; k < N; ++k) finite = finite && std::isfinite(y[k]) && std::isfinite(w[k]);
  for (int k = 0; k < N; ++k) {
    state->memA[k] = finite ? static_cast<float>(y[k]) : 0.0f;
    state->memA[N + k] = finite ? static_cast<float>(w[k]) : 0.0f;
  }
}

void phaserKernel(int stages, Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                  std::int16_t frames) {
  if (!engine || !record || !state || !lane || frames < 1) return;
  const double fb = static_cast<double>(record->feedback) * filterModMultiplier(engine, record, state, 15);
  allpassPhaserLane(stages, state, lane, frames, filterTargetIndexAtRate(engine, record, state), fb);
}

}  // namespace

double allpassPhaserGain(double feedback) {
  double f = feedback * feedback;   // |fb|^2
  f *= f;                           // ^4
  f *= f;                           // ^8
  f *= f;                           // ^16
  const double inv = 1.0 / (1.0 + f);
  return 0.5 * inv * inv;
}

void allpassPhaserLane(int stages, FilterVoiceState* state, float* lane, int frames, double target,
                       double feedback) {
  if (!state || !lane || frames < 1) return;
  switch (stages) {
    case 2: phaserRun<2>(state, lane, frames, target, feedback); break;
    case 4: phaserRun<4>(state, lane, frames, target, feedback); break;
    case 8: phaserRun<8>(state, lane, frames, target, feedback); break;
    default: break;
  }
}

void allpassProcess2(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                     std::int16_t filter, std::int16_t frames) {
  phaserKernel(2, engine, record, state, lane, frames);
}

void allpassProcess4(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                     std::int16_t filter, std::int16_t frames) {
  phaserKernel(4, engine, record, state, lane, frames);
}

void allpassProcess8(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                     std::int16_t filter, std::int16_t frames) {
  phaserKernel(8, engine, record, state, lane, frames);
}

void filterRenderAllpass2(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, allpassProcess2);
}

void filterRenderAllpass4(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, allpassProcess4);
}

void filterRenderAllpass8(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, allpassProcess8);
}
