// The 37 built-in single-cycle tables behind the named global waves. Each is made by a fixed recipe
// that fits its name (partial series, formant weighting, seeded noise, steps, chords) and scaled to
// a peak of 1.0, so every build makes the same values; files refer to these waves by table slot.
#include <cmath>
#include <cstdint>

#include "engine/numeric.h"
#include "preset/wave.h"

namespace {

const double kPi = 3.141592653589793;
const double kTwoPi = 2.0 * kPi;

// Sum of sine partials: amp[h - 1] for harmonic h (phase 0 at sample 0).
void additive(double* out, const double* amp, int count, double phaseOffset = 0.0) {
  for (int k = 0; k < waveLength; ++k) out[k] = 0.0;
  for (int h = 1; h <= count; ++h) {
    const double a = amp[h - 1];
    if (a == 0.0) continue;
    for (int k = 0; k < waveLength; ++k) out[k] += a * std::sin(kTwoPi * h * k / waveLength + phaseOffset * h);
  }
}

// Band-limited saw of n harmonics; sigma smooths the top (Lanczos factors).
void sawSeries(double* out, int n, bool sigma, double power = 1.0) {
  double amp[64] = {};
  for (int h = 1; h <= n; ++h) {
    double a = 1.0 / std::pow(h, power);
    if (sigma) {
      const double x = kPi * h / (n + 1);
      a *= std::sin(x) / x;
    }
    amp[h - 1] = a;
  }
  additive(out, amp, n);
}

void squareSeries(double* out, int n, bool sigma) {
  double amp[64] = {};
  for (int h = 1; h <= n; h += 2) {
    double a = 1.0 / h;
    if (sigma) {
      const double x = kPi * h / (n + 2);
      a *= std::sin(x) / x;
    }
    amp[h - 1] = a;
  }
  additive(out, amp, n);
}

void sparse(double* out, const int* harmonics, const double* amps, int count) {
  double amp[64] = {};
  int top = 0;
  for (int i = 0; i < count; ++i) {
    amp[harmonics[i] - 1] += amps[i];
    if (harmonics[i] > top) top = harmonics[i];
  }
  additive(out, amp, top);
}

// Partials of fundamental f0 weighted by three resonances (formants) in Hz.
void formant(double* out, double f0, const double* centres, const double* widths, const double* gains) {
  double amp[64] = {};
  for (int h = 1; h <= 40; ++h) {
    const double f = f0 * h;
    double a = 0.0;
    for (int i = 0; i < 3; ++i) {
      const double d = (f - centres[i]) / widths[i];
      a += gains[i] * std::exp(-0.5 * d * d);
    }
    amp[h - 1] = a / std::sqrt(static_cast<double>(h)) + (h == 1 ? 0.3 : 0.0);
  }
  additive(out, amp, 40);
}

// Deterministic noise (32-bit linear congruential generator), -1..1.
struct Lcg {
  std::uint32_t state;
  double next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }
};

void removeMean(double* out) {
  double mean = 0.0;
  for (int k = 0; k < waveLength; ++k) mean += out[k];
  mean /= waveLength;
  for (int k = 0; k < waveLength; ++k) out[k] -= mean;
}

// Recipes without a partial list of their own.
void sawReal(double* w) {  // the ideal ramp, rising through zero at the cycle's start
  for (int k = 0; k < waveLength; ++k) w[k] = k < 512 ? k / 512.0 : k / 512.0 - 2.0;
}
void sawish(double* w) {  // saw with softened even partials
  double amp[64] = {};
  for (int h = 1; h <= 24; ++h) amp[h - 1] = (h % 2 ? 1.0 : 0.6) / std::pow(h, 1.15);
  additive(w, amp, 24);
}
void hibuzz(double* w) {  // strong upper partials
  double amp[64] = {};
  for (int h = 1; h <= 40; ++h) amp[h - 1] = h < 8 ? 0.2 : 1.0 / std::sqrt(h - 6.0);
  additive(w, amp, 40);
}
void midbuzz1(double* w) {  // a band of equal middle partials
  double amp[64] = {};
  for (int h = 1; h <= 16; ++h) amp[h - 1] = h < 3 ? 0.5 : 1.0 / std::pow(h, 0.3);
  additive(w, amp, 16);
}
void midbuzz2(double* w) {  // narrow pulse, 24 partials
  double amp[64] = {};
  for (int h = 1; h <= 24; ++h) amp[h - 1] = std::sin(kPi * h * 0.125) / h;
  additive(w, amp, 24, kPi / 2);
}
void woodwind1(double* w) {  // reedy odd partials
  double amp[64] = {};
  for (int h = 1; h <= 15; ++h) amp[h - 1] = h % 2 ? 1.0 / (h * h * 0.5 + 0.5) : 0.05 / h;
  additive(w, amp, 15);
}
void squareFractal(double* w) {  // squares at 1, 2, 4, 8 cycles
  for (int k = 0; k < waveLength; ++k) {
    double v = 0.0, a = 1.0;
    for (int o = 1; o <= 8; o *= 2, a *= 0.5) v += a * (((k * o) % waveLength) < 512 ? 1.0 : -1.0);
    w[k] = v;
  }
}
void squareReal(double* w) {
  for (int k = 0; k < waveLength; ++k) w[k] = k < 512 ? 1.0 : -1.0;
}
void softTrump(double* w) {  // brass-like hump at the 3rd partial
  double amp[64] = {};
  for (int h = 1; h <= 14; ++h) amp[h - 1] = std::exp(-0.5 * std::pow((h - 3.0) / 2.5, 2.0)) + 0.1 / h;
  additive(w, amp, 14);
}
void fracNoise(double* w) {  // midpoint displacement, seeded
  Lcg rng{26u};
  w[0] = 0.0;
  double rough = 1.0;
  for (int step = waveLength; step > 1; step /= 2, rough *= 0.6) {
    for (int k = 0; k < waveLength; k += step) {
      const double a = w[k], b = w[(k + step) % waveLength];
      w[k + step / 2] = 0.5 * (a + b) + rough * rng.next();
    }
  }
  removeMean(w);
}
void stairstep(double* w) {  // an 8-step ramp
  for (int k = 0; k < waveLength; ++k) w[k] = -1.0 + 2.0 * (k / 128) / 7.0;
  removeMean(w);
}
void brokenSpeaker(double* w) {  // clipped, rattling sine
  for (int k = 0; k < waveLength; ++k) {
    double s = std::sin(kTwoPi * k / waveLength);
    double v = numClamp(s, -0.8, 0.55);
    if (std::fabs(s) < 0.12) v = 0.0;  // crossover gap
    v += 0.15 * std::sin(kTwoPi * 23.0 * k / waveLength) * std::fabs(s);
    w[k] = v;
  }
  removeMean(w);
}
void noiseWhite(double* w) {
  Lcg rng{29u};
  for (int k = 0; k < waveLength; ++k) w[k] = rng.next();
  removeMean(w);
}
void noiseSmooth(double* w) {  // circular one-pole, twice
  Lcg rng{30u};
  for (int k = 0; k < waveLength; ++k) w[k] = rng.next();
  for (int pass = 0; pass < 2; ++pass) {
    double y = 0.0;
    for (int round = 0; round < 2; ++round)
      for (int k = 0; k < waveLength; ++k) {
        y += 0.15 * (w[k] - y);
        if (round) w[k] = y;
      }
  }
  removeMean(w);
}
void noiseSteps(double* w) {  // sample-and-hold steps of 16
  Lcg rng{31u};
  double v = 0.0;
  for (int k = 0; k < waveLength; ++k) {
    if (k % 16 == 0) v = rng.next();
    w[k] = v;
  }
  removeMean(w);
}
void triPointy(double* w) {  // triangle bent toward its peaks
  for (int k = 0; k < waveLength; ++k) {
    const double t = k < 256 ? k / 256.0 : k < 768 ? 2.0 - k / 256.0 : k / 256.0 - 4.0;
    w[k] = (t < 0 ? -1.0 : 1.0) * t * t * t;
  }
}

// One row per table: a partial series (saw or square of n partials), a sparse list of partials, a
// formant weighting of a fundamental's partials, or a recipe of its own.
enum RecipeKind { recipeSaw, recipeSquare, recipeSparse, recipeFormant, recipeCustom };
struct Recipe {
  RecipeKind kind;
  const char* name;
  int n;                                   // saw and square: partials; sparse: entries of the lists
  bool sigma;                              // saw and square: Lanczos smoothing
  double power;                            // saw: amplitude 1 / h^power
  int harmonics[9];                        // sparse
  double amps[9];                          // sparse; formant: the fundamental in amps[0]
  double centres[3], widths[3], gains[3];  // formant
  void (*make)(double*);                   // custom
};

const Recipe kRecipes[waveFactoryTableCount] = {
    {recipeCustom, "Saw_real", 0, false, 0, {}, {}, {}, {}, {}, sawReal},
    {recipeSaw, "Saw_filt 1", 48, true, 1.0, {}, {}, {}, {}, {}, nullptr},
    {recipeSaw, "Saw_filt 2", 20, true, 1.0, {}, {}, {}, {}, {}, nullptr},
    {recipeSaw, "Saw_filt 3", 8, true, 1.0, {}, {}, {}, {}, {}, nullptr},
    {recipeSaw, "Saw_smooth", 6, false, 2.0, {}, {}, {}, {}, {}, nullptr},
    {recipeCustom, "Sawish", 0, false, 0, {}, {}, {}, {}, {}, sawish},
    {recipeSparse, "Inharmonic 1", 5, false, 0, {1, 3, 7, 13, 19}, {1, 0.6, 0.5, 0.35, 0.25}, {}, {}, {}, nullptr},
    {recipeSparse,
     "Inharmonic 2",
     6,
     false,
     0,
     {1, 9, 14, 23, 31, 37},
     {1, 0.5, 0.45, 0.3, 0.25, 0.2},
     {},
     {},
     {},
     nullptr},
    {recipeSparse,
     "Inharmonic 3",
     6,
     false,
     0,
     {2, 3, 11, 17, 29, 41},
     {1, 0.8, 0.5, 0.4, 0.3, 0.2},
     {},
     {},
     {},
     nullptr},
    {recipeCustom, "Hibuzz 1", 0, false, 0, {}, {}, {}, {}, {}, hibuzz},
    {recipeSparse, "Bass 1", 6, false, 0, {1, 2, 3, 4, 5, 6}, {1, 0.8, 0.5, 0.3, 0.15, 0.08}, {}, {}, {}, nullptr},
    {recipeSparse, "Organ 1", 6, false, 0, {1, 2, 3, 4, 6, 8}, {1, 0.8, 0.6, 0.5, 0.35, 0.3}, {}, {}, {}, nullptr},
    {recipeSparse, "Organ 2", 3, false, 0, {1, 3, 5}, {1, 0.7, 0.5}, {}, {}, {}, nullptr},
    {recipeSparse, "Organ 3", 5, false, 0, {1, 2, 4, 8, 16}, {1, 0.6, 0.5, 0.4, 0.3}, {}, {}, {}, nullptr},
    {recipeSparse,
     "Organ 4",
     7,
     false,
     0,
     {1, 3, 4, 5, 6, 8, 10},
     {0.8, 1, 0.4, 0.6, 0.3, 0.4, 0.25},
     {},
     {},
     {},
     nullptr},
    {recipeCustom, "Midbuzz 1", 0, false, 0, {}, {}, {}, {}, {}, midbuzz1},
    {recipeCustom, "Midbuzz 2", 0, false, 0, {}, {}, {}, {}, {}, midbuzz2},
    {recipeCustom, "Woodwind 1", 0, false, 0, {}, {}, {}, {}, {}, woodwind1},
    {recipeSparse, "Woodwind 2", 4, false, 0, {1, 2, 3, 4}, {1, 0.3, 0.12, 0.04}, {}, {}, {}, nullptr},
    {recipeFormant, "Vox_fem 1", 0, false, 0, {}, {220.0}, {800, 1150, 2900}, {120, 150, 250}, {1, 0.6, 0.3}, nullptr},
    {recipeFormant, "Vox_fem 2", 0, false, 0, {}, {250.0}, {350, 2000, 2800}, {90, 180, 250}, {1, 0.5, 0.35}, nullptr},
    {recipeCustom, "Square_fractal", 0, false, 0, {}, {}, {}, {}, {}, squareFractal},
    {recipeCustom, "Square_real", 0, false, 0, {}, {}, {}, {}, {}, squareReal},
    {recipeSquare, "Square_filt 1", 47, true, 0, {}, {}, {}, {}, {}, nullptr},
    {recipeSquare, "Square_filt 2", 11, true, 0, {}, {}, {}, {}, {}, nullptr},
    {recipeCustom, "Soft trump", 0, false, 0, {}, {}, {}, {}, {}, softTrump},
    {recipeCustom, "Frac_noise", 0, false, 0, {}, {}, {}, {}, {}, fracNoise},
    {recipeCustom, "Stairstep", 0, false, 0, {}, {}, {}, {}, {}, stairstep},
    {recipeCustom, "Broken_speaker", 0, false, 0, {}, {}, {}, {}, {}, brokenSpeaker},
    {recipeCustom, "Noise 1", 0, false, 0, {}, {}, {}, {}, {}, noiseWhite},
    {recipeCustom, "Noise 2", 0, false, 0, {}, {}, {}, {}, {}, noiseSmooth},
    {recipeCustom, "Noise 3", 0, false, 0, {}, {}, {}, {}, {}, noiseSteps},
    {recipeCustom, "Tri_pointy", 0, false, 0, {}, {}, {}, {}, {}, triPointy},
    {recipeSparse,
     "Big chord",
     9,
     false,
     0,
     {2, 3, 4, 5, 6, 8, 10, 12, 15},
     {1, .8, .8, .7, .7, .5, .5, .4, .3},
     {},
     {},
     {},
     nullptr},
    {recipeSparse, "Fifth", 4, false, 0, {2, 3, 4, 6}, {1, 1, 0.3, 0.3}, {}, {}, {}, nullptr},
    {recipeSparse, "Maj triad 1", 3, false, 0, {4, 5, 6}, {1, 1, 1}, {}, {}, {}, nullptr},
    {recipeSparse,
     "Maj triad 2",
     7,
     false,
     0,
     {4, 5, 6, 8, 10, 12, 15},
     {1, 1, 1, 0.45, 0.45, 0.45, 0.2},
     {},
     {},
     {},
     nullptr},
};

void make(int table, double* w) {
  const Recipe& r = kRecipes[table];
  switch (r.kind) {
    case recipeSaw: sawSeries(w, r.n, r.sigma, r.power); break;
    case recipeSquare: squareSeries(w, r.n, r.sigma); break;
    case recipeSparse: sparse(w, r.harmonics, r.amps, r.n); break;
    case recipeFormant: formant(w, r.amps[0], r.centres, r.widths, r.gains); break;
    case recipeCustom: r.make(w); break;
  }
}

}  // namespace

bool waveFactoryTable(int table, float* out) {
  if (!out || table < 0 || table >= waveFactoryTableCount) return false;
  double w[waveLength];
  make(table, w);
  double peak = 0.0;
  for (int k = 0; k < waveLength; ++k)
    if (std::fabs(w[k]) > peak) peak = std::fabs(w[k]);
  const double scale = peak > 0.0 ? 1.0 / peak : 0.0;
  for (int k = 0; k < waveLength; ++k) out[k] = static_cast<float>(w[k] * scale);
  return true;
}
