// Harmonic analysis and rebuild. The sums of sines and cosines read exact sine and cosine tables
// (2 pi k / 1024 in double): the angle h x n x 2 pi / 1024 is the table entry (h x n) mod 1024, so a
// sum of 65,536 terms costs no trigonometry and stays within rounding of the direct sums.
#include "wave/waveHarmonicsMath.h"

#include <cmath>

#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "preset/wave.h"
#include "wave/wavePage.h"

namespace {
const double kTwoPiFloat = 6.2831854820251465;  // 2 pi as an f32, the read-outs' modulus
const double kTwoPi = 6.28318530718;
const double kPi = 3.14159265359;

struct Trig {
  double sine[waveLength];
  double cosine[waveLength];
  Trig() {
    for (int k = 0; k < waveLength; ++k) {
      const double a = 6.283185307179586 * k / waveLength;
      sine[k] = std::sin(a);
      cosine[k] = std::cos(a);
    }
  }
};

const Trig& trig() {
  static const Trig t;
  return t;
}

inline float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }
}  // namespace

void harmonicsAnalyzeSamples(const float* wave, WaveHarmonic* table) {
  if (!table) return;
  const Trig& t = trig();
  double w[waveLength];
  for (int n = 0; n < waveLength; ++n) w[n] = wave ? finiteOrZero(wave[n]) : 0.0;
  double largest = 0.0;
  for (int k = 0; k < waveHarmonicCount; ++k) {
    const unsigned h = static_cast<unsigned>(k + 1);
    double re = 0.0, im = 0.0;
    unsigned index = 0;
    for (int n = 0; n < waveLength; ++n) {
      re += w[n] * t.cosine[index];
      im += w[n] * t.sine[index];
      index = (index + h) & (waveLength - 1);
    }
    table[k].amp = std::sqrt(re * re + im * im);
    table[k].phase = std::atan2(re, im);
    if (table[k].amp > largest) largest = table[k].amp;
  }
  const double scale = 1.0 / largest;  // infinite for silence: every amp becomes 0 below
  for (int k = 0; k < waveHarmonicCount; ++k) {
    double a = table[k].amp * scale;
    if (!(a <= -1e-24 || a >= 1e-24)) a = 0.0;  // also not a number (0 x infinity)
    table[k].amp = a;
    if (a < 1e-05) table[k].phase = 0.0;
  }
}

void harmonicsResynthesize(const WaveHarmonic* table, float* resynth) {
  if (!table || !resynth) return;
  const Trig& t = trig();
  double sum[waveLength] = {};
  for (int k = 0; k < waveHarmonicCount; ++k) {
    const double amp = table[k].amp;
    if (amp == 0.0 || !std::isfinite(amp) || !std::isfinite(table[k].phase)) continue;
    // amp sin(phase + h a) = amp sin(phase) cos(h a) + amp cos(phase) sin(h a)
    const double s = amp * std::sin(table[k].phase);
    const double c = amp * std::cos(table[k].phase);
    const unsigned h = static_cast<unsigned>(k + 1);
    unsigned index = 0;
    for (int n = 0; n < waveLength; ++n) {
      sum[n] += s * t.cosine[index] + c * t.sine[index];
      index = (index + h) & (waveLength - 1);
    }
  }
  // Normalised next: a sum beyond the float range (from a hostile table) is scaled down first.
  double peak = 0.0;
  for (int n = 0; n < waveLength; ++n) {
    if (!std::isfinite(sum[n])) sum[n] = 0.0;
    peak = std::fmax(peak, std::fabs(sum[n]));
  }
  const double scale = peak > 1.0 ? 1.0 / peak : 1.0;
  for (int n = 0; n < waveLength; ++n) resynth[n] = static_cast<float>(sum[n] * scale);
  waveNormalize(resynth);
}

void harmonicsResidual(const float* wave, const float* resynth, float* residual) {
  if (!residual) return;
  for (int n = 0; n < waveLength; ++n) {
    const double w = wave ? finiteOrZero(wave[n]) : 0.0;
    const double r = resynth ? finiteOrZero(resynth[n]) : 0.0;
    double d = w - r;
    d = numClampPassNaN(d, -3.0e38, 3.0e38);
    residual[n] = static_cast<float>(d);
  }
}

void harmonicsRebuildSamples(const WaveHarmonic* table, const float* residual, float* resynth, float* out) {
  if (!table || !resynth || !out) return;
  harmonicsResynthesize(table, resynth);
  // The residual may be as large as a hostile wave was: summed in double and scaled to the peak.
  double sum[waveLength];
  double peak = 0.0;
  for (int n = 0; n < waveLength; ++n) {
    sum[n] = static_cast<double>(resynth[n]) + (residual ? finiteOrZero(residual[n]) : 0.0);
    peak = std::fmax(peak, std::fabs(sum[n]));
  }
  if (peak > 1.0)
    for (int n = 0; n < waveLength; ++n) sum[n] /= peak;
  for (int n = 0; n < waveLength; ++n) out[n] = static_cast<float>(sum[n]);
  waveNormalize(out);
}

std::int16_t harmonicsAmpBar(double amp) {
  const double v = std::trunc(-2.0 * gainToDb6(amp));
  if (!(v > 0.0)) return 0;
  if (v > 128.0) return 128;
  return static_cast<std::int16_t>(v);
}

double harmonicsPhaseRemainder(double phase) {
  if (!std::isfinite(phase)) return 0.0;
  return std::fmod(phase, kTwoPiFloat);
}

namespace {
std::int16_t phaseBar(double phase, double rowsPerRadian, int rows) {
  double p = harmonicsPhaseRemainder(phase);
  if (p < 0.0) p += kTwoPi;
  const long long bar = static_cast<long long>(p * rowsPerRadian + 0.5);
  return static_cast<std::int16_t>(bar % rows);
}
}  // namespace

std::int16_t harmonicsPhaseBarAnalysis(double phase) { return phaseBar(phase, 20.0535228296, 126); }
std::int16_t harmonicsPhaseBarMouse(double phase) { return phaseBar(phase, 20.3718327158, 128); }

double harmonicsMouseAmp(double value) {
  if (!(value < 0.0)) value = 0.0;
  if (value < -128.0) value = -128.0;
  return db6ToGain(value * 0.5);
}

double harmonicsMousePhase(double value) {
  if (!(value <= -128.0)) value = -128.0;
  if (value < -255.0) value = -255.0;
  double phase = -value * 0.04908738521225041;
  if (phase < 0.0) phase = 0.0;
  while (phase > kTwoPi) phase -= kTwoPi;
  return phase;
}

void harmonicsInvertTable(WaveHarmonic* table) {
  if (!table) return;
  for (int k = 0; k < waveHarmonicCount; ++k) {
    double p = table[k].phase - kPi;
    if (p < 0.0) p += kTwoPi;
    table[k].phase = p;
  }
}

void harmonicsClearTable(WaveHarmonic* table, bool clearAmps, bool clearPhases) {
  if (!table) return;
  for (int k = 0; k < waveHarmonicCount; ++k) {
    if (clearAmps) table[k].amp = 0.0;
    if (clearPhases) table[k].phase = 0.0;
  }
  if (clearAmps) table[0].amp = 1.0;
}

void harmonicsShiftTable(const WaveHarmonic* snapshot, WaveHarmonic* table, int s) {
  if (!snapshot || !table) return;
  for (int k = 0; k < waveHarmonicCount; ++k) {
    const int from = k - s;
    if (from >= 0 && from < waveHarmonicCount)
      table[k] = snapshot[from];
    else
      table[k] = WaveHarmonic{0.0, 0.0};
  }
}
