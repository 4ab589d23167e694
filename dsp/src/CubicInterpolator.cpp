// Cubic interpolator: a 5-sample history, the curve runs between its second and third samples.
#include "CubicInterpolator.h"

namespace {

inline void shiftIn(float* h, float value) {
  h[0] = h[1];
  h[1] = h[2];
  h[2] = h[3];
  h[3] = h[4];
  h[4] = value;
}

}  // namespace

void dspInterpolate(const float* in, float* out, int outFrames, int inFrames, double step, float* state) {
  if (outFrames < 1 || inFrames < 1) return;
  float* h = state;
  shiftIn(h, in[0]);
  double p = 0.0;
  double t = 0.0;
  long long taken = 0;  // the last input index taken into the history
  for (int k = 0; k < outFrames; ++k) {
    const double s0 = h[0], s1 = h[1], s2 = h[2], s3 = h[3];
    const double cc = (s2 - s0) / 2.0;
    const double a = (3.0 * (s1 - s2) + s3 - s0) / 2.0;
    out[k] = static_cast<float>(s1 + t * (cc + (s0 - 2.5 * s1 + 2.0 * s2 - 0.5 * s3 + a * t) * t));
    p += step;
    const long long i = static_cast<long long>(p);
    t = p - static_cast<double>(i);
    const long long index = i < inFrames - 1 ? i : inFrames - 1;
    // Every input passed is taken in turn (a step above 1 can pass two in one output).
    while (taken < index) shiftIn(h, in[++taken]);
  }
}
