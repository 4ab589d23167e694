#include "modules/combFilter.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"
#include "modules/filterCombPool.h"

// Lane state: the comb buffer index, the write position 0..2047 in the kernel word, the current delay
// in samples in memA[0] (0: not yet set, the first block starts on its target).

namespace {}  // namespace

void combProcess(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* x, std::int16_t filter,
                 std::int16_t frames) {
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  float* buf = combBufferAt(engine, state->combBuffer);
  if (!buf) return;
  const std::int16_t f = numIndexOrZero<std::int16_t>(filter, 4);

  // Frequency ratio: the controller's filter ratio (filterGain, the smoothed ratio of the filter control) (brought back
  // to 44.1 kHz samples) when this filter follows it, times the LFO factors; capped to 1e-6..1, so these can only
  // lengthen the delay.
  double m = 1.0;
  if (engine->controllers.filterSwitches[f]) m = engine->controllers.filterGain * engineRateFactor();
  for (const float* link : state->lfoFactorLinks)
    if (link) m *= *link;
  m = numClamp(m, 1e-6, 1.0);
  const double F = m * filterModMultiplier(engine, record, state, modRowFilterFreq) * state->keyRatio;
  const double inverse = F > 0.0 ? 1.0 / F : 2048.0;
  const double d = numClamp<double>((inverse + 1e-24) * record->combDelay, combDelayMin, combDelayMax);

  double current = state->memA[0];
  if (current == 0.0 || !std::isfinite(current)) current = d;
  current = numClamp<double>(current, combDelayMin, combDelayMax);
  const double s = 0.65 * (d - current) / N + 1e-24;
  state->memA[0] = static_cast<float>(current + N * s);

  double fb =
      record->feedback * static_cast<double>(filterModMultiplier(engine, record, state, modRowFilterRes)) + 1e-24;
  fb = numClamp<double>(fb, -combFeedbackLimit, combFeedbackLimit);
  float G = static_cast<float>((1.0 - 0.5 * std::fabs(fb)) * record->combGain);
  if (!(G >= 0.0001f) && !(G <= -0.0001f)) G = 0.0f;  // a gain below 0.0001 counts as 0 (NaN too)
  if (G < 0.0f) G = 0.0f;
  const float feedback = static_cast<float>(fb);

  for (int i = 0; i < N; i += 20) x[i] += 1e-10f;

  // 16.16 positions; the read offset stays within 1..2046 samples behind the write position.
  const std::int32_t S = static_cast<std::int32_t>(s * 65536.0);
  std::int32_t D = static_cast<std::int32_t>(current * 65536.0);
  std::uint32_t W = state->kernelWord & 2047u;
  std::uint32_t W16 = W << 16;
  for (int n = 0; n < N; ++n) {
    D += S;
    const std::uint32_t R = W16 - static_cast<std::uint32_t>(D) + (2048u << 16);
    const std::uint32_t i = (R >> 16) & 2047u;
    const float q = static_cast<float>((R & 65535u) >> 8) * (1.0f / 256.0f);
    const float y = buf[i] + (buf[(i + 1) & 2047u] - buf[i]) * q + 1e-24f;
    float in = y * feedback + 1e-24f + x[n];
    if (!std::isfinite(in)) in = 0.0f;  // a non-number from upstream must not stay in the loop
    buf[W] = in;
    W = (W + 1) & 2047u;
    W16 = W << 16;
    x[n] = y * G;
  }
  state->kernelWord = W;
}

void filterRenderComb(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, combProcess);
}
