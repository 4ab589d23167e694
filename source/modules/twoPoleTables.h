// Coefficient and tuning tables of the two-pole filter family ("LPF -12dB", "LPF -24dB", "HPF -12dB",
// "Notch"), by filter pitch index j = 0..480 (40 steps per octave, index 0 = 5 Hz) at 44,100 Hz. Each
// table is followed by zero entries.
//
// With f = 5 x 2^(j/40) Hz, w = 2 pi f / 44100, r = exp(-w / sqrt 2), theta = w / sqrt 2 (the poles of
// the analog second-order Butterworth low-pass mapped by z = exp(sT)):
//   a1 = 2 r cos theta, a2 = -r^2, g0 = 1 - a1 - a2 (unity gain at 0 Hz),
//   h0 = 0.53 x (1 + a1 - a2) / 4 (high-pass input gain, 0.53 at the Nyquist frequency).
// R12, L12, R24 are tuned curves (resonance scales and the level boost of "LPF -12dB").
#pragma once

#include "engine/numeric.h"

const int twoPoleLastIndex = 480;
const int twoPoleTableSize = 488;

struct TwoPoleTables {
  float a1[twoPoleTableSize];
  float a2[twoPoleTableSize];
  float g0[twoPoleTableSize];
  float h0[twoPoleTableSize];
  float r12[twoPoleTableSize];  // resonance scale of "LPF -12dB" (and the Notch's low-pass section)
  float l12[twoPoleTableSize];  // level boost of "LPF -12dB" per unit of resonance
  float r24[twoPoleTableSize];  // resonance scale of "LPF -24dB"
};

extern const TwoPoleTables twoPoleTables;

// t[i] + (t[i+1] - t[i]) x (x - i), i = x rounded down; x is first limited to 0..480.
inline float twoPoleLerp(const float* t, double x) {
  x = numClampStrictLo<double>(x, 0.0, twoPoleLastIndex);  // also NaN
  const int i = static_cast<int>(x);
  return static_cast<float>(t[i] + (t[i + 1] - t[i]) * (x - i));
}
// t[i] with i = x rounded down, x limited to 0..480.
inline float twoPoleAt(const float* t, double x) {
  x = numClampStrictLo<double>(x, 0.0, twoPoleLastIndex);
  return t[static_cast<int>(x)];
}
