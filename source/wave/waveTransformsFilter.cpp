// Periodic filter of one cycle: the recurrence runs over the cycle until its state has settled (the
// cycle treated as repeating forever), the next pass is the result; then the mean is removed and the
// peak normalised. Coefficients are the filter kernels' own pitch-indexed tables.
#include <cmath>

#include "engine/numeric.h"
#include "modules/onePoleTables.h"
#include "modules/twoPoleTables.h"
#include "preset/wave.h"
#include "wave/wavePage.h"
#include "wave/waveTransforms.h"

namespace {
enum { modeLowFirst = 1, modeLowSecond = 2, modeHighFirst = 3 };
const int kSettle[4] = {0, 6, 11, 4};  // settling passes per mode
}  // namespace

float waveXformFilter(const float* source, int mode, float frequency, float* out) {
  if (!std::isfinite(frequency)) frequency = 0.5f;
  frequency = numClamp(frequency, 0.001f, 0.99f);
  if (!source || !out) return frequency;
  float x[waveLength];
  double peakIn = 0.0;
  for (int n = 0; n < waveLength; ++n) {
    x[n] = waveReadSample(source[n]);
    peakIn = std::fmax(peakIn, std::fabs(x[n]));
  }
  if (mode < modeLowFirst || mode > modeHighFirst) {
    for (int n = 0; n < waveLength; ++n) out[n] = waveBoundSample(x[n]);
    return frequency;
  }
  // Linear and normalised at the end: a source beyond -1..1 is scaled down first (same result).
  if (peakIn > 1.0)
    for (int n = 0; n < waveLength; ++n) x[n] = static_cast<float>(x[n] / peakIn);

  int k = static_cast<int>(481.0 * frequency);
  k = numClamp(k, 20, onePoleLastIndex);
  const double pole = onePoleFeedbackTable[k];
  const double lowGain = onePoleLowTable[k];
  const double highGain = onePoleHighTable[k];
  const double g0 = twoPoleTables.g0[k], a1 = twoPoleTables.a1[k], a2 = twoPoleTables.a2[k];

  double y1 = 0.0, y2 = 0.0, xPrev = 0.0;
  for (int pass = 0; pass <= kSettle[mode]; ++pass) {
    const bool write = pass == kSettle[mode];
    for (int n = 0; n < waveLength; ++n) {
      double y;
      if (mode == modeLowFirst) {
        y = pole * y1 + lowGain * x[n];
      } else if (mode == modeLowSecond) {
        y = g0 * x[n] + a1 * y1 + a2 * y2;
      } else {
        y = highGain * (x[n] - xPrev) + pole * y1;
        xPrev = x[n];
      }
      y2 = y1;
      y1 = y;
      if (write) out[n] = static_cast<float>(y);
    }
  }
  float sum = 0.0f, peakBefore = 0.0f, peakAfter = 0.0f;
  for (int n = 0; n < waveLength; ++n) {
    sum += out[n];
    peakBefore = std::fmax(peakBefore, std::fabs(out[n]));
  }
  const float shift = sum * -0.0009765625f;
  for (int n = 0; n < waveLength; ++n) {
    out[n] += shift;
    peakAfter = std::fmax(peakAfter, std::fabs(out[n]));
  }
  // What is left of a wave that was only a constant is the rounding of its mean (the f32 sum of 1024
  // samples is good to about 1e-4 of the peak): silence, not a residue normalised to full scale.
  if (peakAfter <= peakBefore * 1e-4f)
    for (int n = 0; n < waveLength; ++n) out[n] = 0.0f;
  waveNormalize(out);
  for (int n = 0; n < waveLength; ++n) out[n] = waveBoundSample(out[n]);
  return frequency;
}
