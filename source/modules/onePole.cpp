#include "modules/onePole.h"

#include <cmath>

#include "modules/filterModule.h"
#include "modules/onePoleTables.h"

namespace {

inline double limit(double x, double lo, double hi) {
  if (!(x >= lo)) return lo;   // also NaN
  return x > hi ? hi : x;
}

void lowPassKernel(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                   std::int16_t filter, std::int16_t frames) {
  onePoleLowPassLane(state, lane, frames, filterTargetIndex(engine, record, state));
}

void highPassKernel(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane,
                    std::int16_t filter, std::int16_t frames) {
  onePoleHighPassLane(state, lane, frames, filterTargetIndex(engine, record, state));
}

}  // namespace

void filterRenderLpf6dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, lowPassKernel);
}

void filterRenderHpf6dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, highPassKernel);
}

void onePoleLowPassLane(FilterVoiceState* state, float* lane, int frames, double target) {
  if (!state || !lane || frames < 1) return;
  double y = static_cast<double>(state->memA[onePoleMemY]) + 1e-24;
  const double t = limit(target, 40.0, 479.5);
  const double c = limit(state->currentIndex, 40.0, 479.5);
  double a = onePoleLerp(onePoleLowTable, c);
  double b = onePoleLerp(onePoleFeedbackTable, c);
  const double da = 0.75 * (onePoleLerp(onePoleLowTable, t) - a) / frames;
  const double db = 0.75 * (onePoleLerp(onePoleFeedbackTable, t) - b) / frames;
  state->currentIndex = static_cast<float>(c + 0.75 * (t - c));
  for (int i = 0; i < frames; i += 20) lane[i] += 1e-10f;
  for (int i = 0; i < frames; ++i) {
    y = y * b + lane[i] * a + 2e-24;
    lane[i] = static_cast<float>(y);
    a += da;
    b += db;
  }
  state->memA[onePoleMemY] = std::isfinite(y) ? static_cast<float>(y) : 0.0f;
}

void onePoleHighPassLane(FilterVoiceState* state, float* lane, int frames, double target) {
  if (!state || !lane || frames < 1) return;
  double y = static_cast<double>(state->memA[onePoleMemY]) + 1e-24;
  double p = static_cast<double>(state->memA[onePoleMemP]) + 1e-24;
  const double t = limit(target, 10.0, 479.5);
  // The start index has only an upper limit by design; 0 keeps a negative index off the tables.
  const double c = limit(state->currentIndex, 0.0, 479.5);
  double g = onePoleLerp(onePoleHighTable, c);
  double b = onePoleLerp(onePoleFeedbackTable, c);
  const double dg = 0.75 * (onePoleLerp(onePoleHighTable, t) - g) / frames;
  const double db = 0.75 * (onePoleLerp(onePoleFeedbackTable, t) - b) / frames;
  for (int i = 0; i < frames; ++i) {
    const double q = lane[i] * g + 1e-24;
    y = (1e-24 - p) + y * b + q;
    lane[i] = static_cast<float>(y);
    p = q;
    g += dg;
    b += db;
  }
  const bool finite = std::isfinite(y) && std::isfinite(p);
  state->memA[onePoleMemY] = finite ? static_cast<float>(y) : 0.0f;
  state->memA[onePoleMemP] = finite ? static_cast<float>(p) : 0.0f;
  state->currentIndex = static_cast<float>(c + 0.75 * (t - c));
}
