// The wave transforms of the transform panel as plain functions over 1024-float cycles, and the
// panel's settings record. Each function reads its source(s) and writes a whole result; a source is
// never changed. Every result is finite and within -1..1: a sample that is not a number (from a file
// or a library wave) is read as 0, and results are limited to -1..1 as they are written.
#pragma once
#include <cmath>
#include <cstdint>

#include "engine/numeric.h"
// The transform settings: one set for the whole run, shared by all waves, never stored.
struct WaveXformSettings {
  std::int16_t filterMode = 2;  // 1 low-pass 1st order, 2 low-pass 2nd order, 3 high-pass 1st order
  float carrierRatio = 1.0f;    // FM: carrier cycles per result cycle, 1..32
  float modRatio = 1.0f;        // FM: modulator cycles per result cycle, 1..32
  float fmIndex = 1.0f;         // FM: peak phase deviation in radians per unit of modulator, 0..32
  float filterFreq = 0.5f;      // filter: 0.001..0.99 of the pitch scale (clamped when it runs)
  std::int16_t iterations = 8;  // fractalize: levels + 1, 2..8
  double ampSlope = 0.5;        // fractalize: linear weight factor per level, 0..1 (shown in dB6)
  float displacement = 0.382f;  // fractalize: split point of every segment, 0.001..1
  float ratioB = 1.0f;          // mix: samples of wave B per output sample, 1..32
  float gainB = 0.5f;           // mix: linear gain of wave B, 0..1
  float gainA = 0.5f;           // mix: linear gain of the edited wave, 0..1
  std::int16_t xformWave = 0;   // wave id of wave B, of the FM modulator and of the Load page
  float modPhase = 0.0f;        // FM: modulator start, fraction of its cycle, -1..1
  std::uint16_t page = 0;       // panel page 1..8 once opened
  float phaseB = 0.0f;          // mix: start of wave B, fraction of its cycle, -1..1
  std::uint8_t invertB = 0;     // mix: wave B negated
  float phaseOffset = 0.0f;     // phase offset: fraction of the cycle, -1..1
};

WaveXformSettings& waveXformSettings();

// A sample as the transforms read it (0 for NaN and infinities) and as they write it (also limited
// to -1..1).
inline float waveReadSample(float x) { return numFiniteOr(x, 0.0f); }
inline float waveBoundSample(double x) { return static_cast<float>(numClamp(numFiniteOr(x, 0.0), -1.0, 1.0)); }

// Rotation: the result starts at sample trunc(1024 p) of the source (p < 0 taken as p + 1).
void waveXformPhaseOffset(const float* source, float phaseOffset, float* out);
// Mix: out = gainB x (+/-) B read from phaseB at ratioB samples per sample (linear interpolation,
// wrapping) + gainA x A. Gains limited to 0..1, ratio to 1..32.
void waveXformMix(const float* a, const float* b, const WaveXformSettings& s, float* out);
// Self-similar sum: `iterations` - 1 levels, each squeezing the previous level into two segments of
// displacement d and 1 - d of every segment, weighted ampSlope^k; peak normalised to 0.98 (silence
// stays silence).
void waveFractalizeWith(const float* source, float* out, int iterations, double displacement, double ampSlope);
void waveFractalize(const float* source, float* out);  // with the shared settings
// Periodic filter of one cycle (mode 1..3, frequency 0.001..0.99 of the pitch scale): settling passes,
// one written pass, mean removed, peak 0.995. Another mode copies the source. Returns the clamped
// frequency it used.
float waveXformFilter(const float* source, int mode, float frequency, float* out);
// Phase modulation: the carrier read (interpolated) at carrierRatio x n + modulator x fmIndex, in
// samples, the modulator read at modRatio x n from modPhase (not interpolated).
void waveXformFm(const float* carrier, const float* modulator, const WaveXformSettings& s, float* out);
