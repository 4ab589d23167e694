// The rising velocity response: a smooth, monotone curve through a few fixed points, generated at
// compile time (monotone cubic Hermite interpolation with Fritsch-Carlson tangents) into a constant
// table.
#include "engine/velocityRuntime.h"

#include "engine/numeric.h"

namespace {

struct CurveTable {
  float v[128];
  constexpr CurveTable() : v{} {
    const double x[5] = {0.0, 1.0, 66.0, 126.0, 127.0};
    const double y[5] = {0.0, 0.00033, 0.502, 0.99, 1.0};
    const int n = 5;
    double d[4] = {}, m[5] = {};
    for (int i = 0; i < n - 1; ++i) d[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
    m[0] = d[0];
    m[n - 1] = d[n - 2];
    for (int i = 1; i < n - 1; ++i) {
      // Weighted harmonic mean of the neighbouring slopes keeps every segment monotone.
      const double h0 = x[i] - x[i - 1], h1 = x[i + 1] - x[i];
      const double w0 = 2.0 * h1 + h0, w1 = h1 + 2.0 * h0;
      m[i] = (d[i - 1] > 0.0 && d[i] > 0.0) ? (w0 + w1) / (w0 / d[i - 1] + w1 / d[i]) : 0.0;
    }
    int seg = 0;
    for (int k = 0; k < 128; ++k) {
      while (seg < n - 2 && k > x[seg + 1]) ++seg;
      const double h = x[seg + 1] - x[seg];
      const double t = (k - x[seg]) / h;
      const double t2 = t * t, t3 = t2 * t;
      const double value = (2 * t3 - 3 * t2 + 1) * y[seg] + (t3 - 2 * t2 + t) * h * m[seg] +
                           (-2 * t3 + 3 * t2) * y[seg + 1] + (t3 - t2) * h * m[seg + 1];
      v[k] = static_cast<float>(numClampPassNaN(value, 0.0, 1.0));
    }
  }
};

constexpr CurveTable curve;

}  // namespace

const float* velocityCurveTable() { return curve.v; }
