// Peak normalisation of one cycle.
#include "wave/waveNormalize.h"

#include <cmath>

#include "preset/wave.h"

void waveNormalize(float* samples) {
  if (!samples) return;
  float peak = 0.0f;
  for (int n = 0; n < waveLength; ++n) {
    const float a = std::fabs(samples[n]);
    if (a > peak) peak = a;
  }
  if (peak == 0.0f || !std::isfinite(peak)) return;
  const float scale = 0.995f / peak;
  for (int n = 0; n < waveLength; ++n) samples[n] *= scale;
  denormalGuardAdd(samples, waveLength);
}
