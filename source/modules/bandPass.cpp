#include "modules/bandPass.h"

#include <cmath>

#include "engine/engine.h"
#include "engine/numeric.h"

// Memory A of a lane: y[n-1], y[n-2], u[n-1], u[n-2] (u the scaled input) in 0..3.

namespace {

BandPassTables build() {
  BandPassTables t{};
  const double pi = 3.14159265358979323846;
  for (int j = 0; j <= 480; ++j) {
    const double f = 5.0 * std::pow(2.0, j / 40.0);
    const double w = 2.0 * pi * f / 44100.0;
    const double rho = std::exp(-2.0 * pi * f / (30.0 * 44100.0));
    t.a[j] = static_cast<float>(-2.0 * std::cos(w));
    t.b[j] = static_cast<float>((1.0 + rho) * std::cos(w));
    t.c[j] = static_cast<float>(-rho);
    t.d[j] = static_cast<float>(2.0 / (1.0 - rho));
  }
  return t;
}

inline double lerp(const float* t, double x) {
  const int i = static_cast<int>(x);  // callers keep x within 25..476
  return t[i] + (static_cast<double>(t[i + 1]) - t[i]) * (x - i);
}

inline float settle(float v) {
  if (!std::isfinite(v)) return 0.0f;
  if (std::fabs(v) < 1e-24f) return 0.0f;
  return numClampPassNaN(v, -bandPassStateLimit, bandPassStateLimit);
}

struct Coefs {
  double a1, a2, g;
};

Coefs coefsAt(double x, double bw, double inputGain) {
  const BandPassTables& T = bandPassTables;
  const double A = lerp(T.a, x), B = lerp(T.b, x), C = lerp(T.c, x), D = lerp(T.d, x);
  return {-A - bw * std::fabs(A + B), (1.0 + C) * bw - 1.0, inputGain / (1.0 + D / bw)};
}

}  // namespace

const BandPassTables bandPassTables = build();

void bandPassProcess(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* x, std::int16_t,
                     std::int16_t frames) {
  const int N = frames;
  if (N < 1 || N > engineBlockMax) return;
  double Q = record->bandwidth * static_cast<double>(filterModMultiplier(engine, record, state, modRowFilterRes));
  Q = numClamp(Q, 1.0, 1e6);
  const double bw = 30.0 / Q;
  double upper = 435.0 + 35.0 * Q / 30.0;
  if (upper > 476.0) upper = 476.0;
  const double c = filterTargetIndex(engine, record, state);
  const double p = numClamp<double>(std::isfinite(c) ? c : state->currentIndex, 80.0, upper);
  const double p0 = numClamp<double>(state->currentIndex, 25.0, upper);

  const double inputGain = record->gain * std::pow(Q, 0.65);
  const Coefs from = coefsAt(p0, bw, inputGain), to = coefsAt(p, bw, inputGain);
  float a1 = static_cast<float>(from.a1), a2 = static_cast<float>(from.a2), g = static_cast<float>(from.g);
  const float da1 = static_cast<float>((to.a1 - from.a1) / N);
  const float da2 = static_cast<float>((to.a2 - from.a2) / N);
  const float dg = static_cast<float>((to.g - from.g) / N);

  for (int i = 0; i < N; i += 20) x[i] += 1e-10f;
  float* m = state->memA;
  // Memory left by another type's kernel is brought within the guard first.
  float y1 = settle(m[0]) + 1e-24f, y2 = settle(m[1]) + 1e-24f, u1 = settle(m[2]) + 1e-24f, u2 = settle(m[3]) + 1e-24f;
  for (int n = 0; n < N; ++n) {
    const float u = g * x[n] + 1e-24f;
    const float y = a1 * y1 + a2 * y2 + u - u2 + 2e-24f;
    x[n] = y;
    y2 = y1;
    y1 = y;
    u2 = u1;
    u1 = u;
    a1 += da1;
    a2 += da2;
    g += dg;
  }
  m[0] = settle(y1);
  m[1] = settle(y2);
  m[2] = settle(u1);
  m[3] = settle(u2);
  state->currentIndex = static_cast<float>(p);
}

void filterRenderBpf(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames) {
  filterRunLanes(engine, record, filter, frames, bandPassProcess);
}
