// Phase offset and mix: rotate one cycle, or add a second cycle read from any start at any speed.
#include <cmath>

#include "engine/numeric.h"
#include "preset/wave.h"
#include "wave/waveTransforms.h"

namespace {
// A fraction of the cycle -1..1 as a start sample 0..1023 (negative fractions count from the end).
int startSample(double fraction) {
  if (!std::isfinite(fraction)) return 0;
  if (fraction < 0.0) fraction += 1.0;
  double k = std::trunc(std::fmod(1024.0 * fraction, 1024.0));
  k = numClampStrictLo(k, 0.0, 1023.0);
  return static_cast<int>(k);
}

}  // namespace

WaveXformSettings& waveXformSettings() {
  static WaveXformSettings settings;
  return settings;
}

void waveXformPhaseOffset(const float* source, float phaseOffset, float* out) {
  if (!source || !out) return;
  const int k = startSample(phaseOffset);
  float copy[waveLength];
  for (int n = 0; n < waveLength; ++n) copy[n] = source[n];  // out may be the source
  for (int n = 0; n < waveLength; ++n) out[n] = waveBoundSample(waveReadSample(copy[(k + n) & (waveLength - 1)]));
}

void waveXformMix(const float* a, const float* b, const WaveXformSettings& s, float* out) {
  if (!a || !b || !out) return;
  float wa[waveLength], wb[waveLength];
  for (int n = 0; n < waveLength; ++n) {
    wa[n] = waveReadSample(a[n]);
    wb[n] = waveReadSample(b[n]);
  }
  const double gA = numClamp(numFiniteOr<double>(s.gainA, 0.0), 0.0, 1.0);
  const double gB = numClamp(numFiniteOr<double>(s.gainB, 0.0), 0.0, 1.0);
  const double ratio = numClamp(numFiniteOr<double>(s.ratioB, 1.0), 1.0, 32.0);
  double q = numClamp(numFiniteOr<double>(s.phaseB, 0.0), -1.0, 1.0);
  if (q < 0.0) q += 1.0;
  double pos = std::trunc(1024.0 * q);  // 1 starts at 1023, not wrapped
  if (pos > 1023.0) pos = 1023.0;
  for (int n = 0; n < waveLength; ++n) {
    const int i = static_cast<int>(std::floor(pos));
    const double f = pos - i;
    const double b0 = wb[i & (waveLength - 1)];
    double v = b0 + f * (wb[(i + 1) & (waveLength - 1)] - b0);
    if (s.invertB) v = -v;
    out[n] = waveBoundSample(gB * v + gA * wa[n]);
    pos += ratio;
    if (pos >= 1024.0) pos -= 1024.0;
  }
}

void waveXformFm(const float* carrier, const float* modulator, const WaveXformSettings& s, float* out) {
  if (!carrier || !modulator || !out) return;
  float c[waveLength], m[waveLength];
  for (int n = 0; n < waveLength; ++n) {
    c[n] = waveReadSample(carrier[n]);
    m[n] = waveReadSample(modulator[n]);
  }
  const double index = std::isfinite(s.fmIndex) ? s.fmIndex : 0.0;
  const double modRatio = std::isfinite(s.modRatio) ? s.modRatio : 1.0;
  const double carrierRatio = std::isfinite(s.carrierRatio) ? s.carrierRatio : 1.0;
  const double d = index * 162.974661726;  // radians to samples: 1024 / 2 pi
  double h = std::trunc(numClamp(numFiniteOr<double>(s.modPhase, 0.0), -1.0, 1.0) * 1024.0);
  if (h < 0.0) h = std::trunc(h + 1024.0);
  for (int n = 0; n < waveLength; ++n) {
    double j = std::trunc(std::fmod(modRatio * n + h, 1024.0));
    if (!(j >= 0.0 && j < 1024.0)) j = 0.0;
    double p = std::fmod(m[static_cast<int>(j)] * d + carrierRatio * n, 1024.0);
    if (p < 0.0) p += 1024.0;
    if (!std::isfinite(p)) p = 0.0;
    const double i = std::floor(p);
    const double f = p - i;
    const int k = static_cast<int>(i) & (waveLength - 1);
    out[n] = waveBoundSample(c[k] + f * (c[(k + 1) & (waveLength - 1)] - c[k]));
  }
}
