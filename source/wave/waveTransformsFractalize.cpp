// Fractalize: each level squeezes the whole previous level into the segments of a binary split of the
// cycle and adds it, weighted, on top of it; the last level is normalised to a peak of 0.98.
#include <cmath>
#include <cstring>

#include "engine/numeric.h"
#include "preset/wave.h"
#include "wave/waveTransforms.h"

namespace {
const int kMaxLevels = 7;  // iterations 8

// Reads a level at position x (0..1024) with linear interpolation, wrapping at the cycle's end.
inline double readAt(const float* level, double x) {
  double t = std::trunc(x);
  t = numClampStrictLo(t, 0.0, 1023.0);
  const int i = static_cast<int>(t);
  return level[i] + (x - i) * (level[(i + 1) & (waveLength - 1)] - level[i]);
}
}  // namespace

void waveFractalizeWith(const float* source, float* out, int iterations, double displacement, double ampSlope) {
  if (!source || !out) return;
  float b0[waveLength];
  double peakIn = 0.0;
  for (int n = 0; n < waveLength; ++n) {
    b0[n] = waveReadSample(source[n]);
    peakIn = std::fmax(peakIn, std::fabs(b0[n]));
  }
  if (iterations < 2) {
    for (int n = 0; n < waveLength; ++n) out[n] = waveBoundSample(b0[n]);
    return;
  }
  if (iterations > kMaxLevels + 1) iterations = kMaxLevels + 1;
  // The sum is linear and normalised at the end: a source beyond -1..1 is scaled down first, so no
  // level can overflow.
  if (peakIn > 1.0)
    for (int n = 0; n < waveLength; ++n) b0[n] = static_cast<float>(b0[n] / peakIn);
  const float d = static_cast<float>(std::isfinite(displacement) ? displacement : 0.382);
  const double s = std::isfinite(ampSlope) ? ampSlope : 0.5;

  // Segment lengths of levels 1..7 (2^k entries each), in order of the binary digits of the index.
  float lengths[kMaxLevels][1 << kMaxLevels];
  lengths[0][0] = d;
  lengths[0][1] = 1.0f - d;
  for (int k = 1; k < kMaxLevels; ++k)
    for (int j = 0; j < (1 << k); ++j) {
      lengths[k][2 * j] = lengths[k - 1][j] * lengths[0][0];
      lengths[k][2 * j + 1] = lengths[k - 1][j] * lengths[0][1];
    }
  double weights[kMaxLevels];
  double w = s;
  for (int k = 0; k < kMaxLevels; ++k) {
    if (!(w >= 1e-24)) w = 0.0;
    weights[k] = w;
    w *= s;
  }

  float work[2][waveLength];
  std::memset(work, 0, sizeof work);
  const float* previous = b0;
  for (int k = 1; k < iterations; ++k) {
    float* level = work[(k - 1) & 1];
    const double wk = weights[k - 1];
    int n = 0;
    for (int j = 0; j < (1 << k); ++j) {
      const double step = 1024.0 / (1024.0 * lengths[k - 1][j]);
      double x = 0.0;
      do {
        if (n >= 0 && n < waveLength) level[n] = static_cast<float>(previous[n] + wk * readAt(previous, x));
        ++n;
        x += step;
      } while (x < 1024.0 && n < waveLength);
    }
    previous = level;
  }
  double m = 0.0;
  for (int n = 0; n < waveLength; ++n) m = std::fmax(m, std::fabs(previous[n]));
  if (m == 0.0 || !std::isfinite(m)) {
    for (int n = 0; n < waveLength; ++n) out[n] = 0.0f;
    return;
  }
  const double scale = 0.98 / m;
  for (int n = 0; n < waveLength; ++n) out[n] = waveBoundSample(previous[n] * scale);
}

void waveFractalize(const float* source, float* out) {
  const WaveXformSettings& s = waveXformSettings();
  waveFractalizeWith(source, out, s.iterations, s.displacement, s.ampSlope);
}
