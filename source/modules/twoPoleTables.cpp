#include "modules/twoPoleTables.h"

#include <cmath>

namespace {

// Tuning curves. Only these rows of the tuning were given; the tables pass smoothly through them with
// a monotone piecewise cubic (Fritsch-Carlson): between two rows the curve never overshoots, so a
// falling row sequence gives a falling curve and equal neighbouring rows give a flat stretch.
struct Knot {
  double x, y;
};

const Knot r12Knots[] = {{0, 48.3},     {40, 40.68},   {80, 33.2},   {120, 25.71}, {160, 13.7},
                         {200, 7.104},  {240, 3.756},  {280, 2.106}, {320, 1.348}, {360, 1.049},
                         {400, 0.9719}, {440, 0.9489}, {480, 0.5818}};
// The boost is 10 up to index 135 and 0 from 312 on; two rows pin those ends.
const Knot l12Knots[] = {{0, 10},      {40, 10},     {80, 10},     {120, 10},     {135, 10},
                         {160, 6.375}, {200, 2.938}, {240, 1.219}, {280, 0.3594}, {312, 0},
                         {320, 0},     {360, 0},     {400, 0},     {440, 0},      {480, 0}};
const Knot r24Knots[] = {{0, 1.899},   {40, 1.899},   {80, 1.899},  {120, 1.899}, {160, 1.881},
                         {200, 1.807}, {240, 1.679},  {280, 1.494}, {320, 1.281}, {360, 1.105},
                         {400, 1.007}, {440, 0.9642}, {480, 0.6246}};

template <int N>
void monotoneCurve(const Knot (&k)[N], float* out) {
  double slope[N];  // tangent at each knot
  double delta[N - 1];
  for (int i = 0; i < N - 1; ++i) delta[i] = (k[i + 1].y - k[i].y) / (k[i + 1].x - k[i].x);
  slope[0] = delta[0];
  slope[N - 1] = delta[N - 2];
  for (int i = 1; i < N - 1; ++i) slope[i] = (delta[i - 1] * delta[i] <= 0.0) ? 0.0 : 0.5 * (delta[i - 1] + delta[i]);
  for (int i = 0; i < N - 1; ++i) {
    if (delta[i] == 0.0) {
      slope[i] = slope[i + 1] = 0.0;
      continue;
    }
    const double a = slope[i] / delta[i], b = slope[i + 1] / delta[i];
    const double s = a * a + b * b;
    if (s > 9.0) {
      const double t = 3.0 / std::sqrt(s);
      slope[i] = t * a * delta[i];
      slope[i + 1] = t * b * delta[i];
    }
  }
  int seg = 0;
  for (int j = 0; j <= twoPoleLastIndex; ++j) {
    while (seg < N - 2 && j > k[seg + 1].x) ++seg;
    const double h = k[seg + 1].x - k[seg].x;
    const double t = (j - k[seg].x) / h;
    const double t2 = t * t, t3 = t2 * t;
    const double y = (2 * t3 - 3 * t2 + 1) * k[seg].y + (t3 - 2 * t2 + t) * h * slope[seg] +
                     (-2 * t3 + 3 * t2) * k[seg + 1].y + (t3 - t2) * h * slope[seg + 1];
    out[j] = static_cast<float>(y);
  }
}

TwoPoleTables build() {
  TwoPoleTables t{};
  const double pi = 3.14159265358979323846;
  for (int j = 0; j <= twoPoleLastIndex; ++j) {
    const double f = 5.0 * std::pow(2.0, j / 40.0);
    const double w = 2.0 * pi * f / 44100.0;
    const double r = std::exp(-w / std::sqrt(2.0));
    const double theta = w / std::sqrt(2.0);
    const double a1 = static_cast<float>(2.0 * r * std::cos(theta));
    const double a2 = static_cast<float>(-r * r);
    t.a1[j] = static_cast<float>(a1);
    t.a2[j] = static_cast<float>(a2);
    t.g0[j] = static_cast<float>(1.0 - a1 - a2);
    t.h0[j] = static_cast<float>(0.53 * (1.0 + a1 - a2) / 4.0);
  }
  monotoneCurve(r12Knots, t.r12);
  monotoneCurve(l12Knots, t.l12);
  monotoneCurve(r24Knots, t.r24);
  return t;
}

}  // namespace

const TwoPoleTables twoPoleTables = build();
