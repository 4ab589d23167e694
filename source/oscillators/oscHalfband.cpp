// Band-limited wave levels. Each level is the source decimated by 2^k through the half-band low-pass
// and brought back to 1024 samples by zero stuffing and the same filter in interpolation mode; every
// pass treats its table as one period of a periodic signal (a priming pass warms the state first).
#include "oscillators/oscHalfband.h"

#include <cmath>
#include <cstring>

namespace {

const double branchA[4] = {0.03583278843106211, 0.2720401433964576, 0.5720571972357003, 0.827124761997324};
const double branchB[4] = {0.1340901419430669, 0.4243248712718685, 0.7062921421386394, 0.9415030941737551};

// Samples the filter chain of each level delays the fundamental by, taken off by rotating the result.
const int levelDelay[oscBandLevels] = {9, 14, 32, 61, 120, 237, 483, 1014};
// Priming passes before each interpolation pass.
const int levelPriming[oscBandLevels] = {1, 1, 1, 1, 1, 1, 2, 4};

inline double runBranch(double* stages, const double* coefs, double u) {
  for (int k = 0; k < 4; ++k) {
    double* h = stages + 6 * k;
    h[2] = h[1];
    h[1] = h[0];
    h[0] = u;
    h[5] = h[4];
    h[4] = h[3];
    h[3] = coefs[k] * (u - h[5]) + h[2];
    u = h[3];
  }
  return u;
}

}  // namespace

void oscFilterStateInit(OscHalfbandState* state) {
  for (double& v : state->s) v = 0.0;
}

void oscHalfbandFilter(OscHalfbandState* state, const float* input, float* output, int count, int mode) {
  if (count <= 0) return;
  double carried = input[count - 1];  // the table is periodic: the sample before 0 is the last one
  for (int n = 0; n < count; ++n) {
    const double x = input[n];
    const double a = runBranch(state->s, branchA, x);
    carried = mode == 0 ? 0.5 * (carried + a) : carried + a;
    const double value = carried;
    carried = runBranch(state->s + 24, branchB, x);
    output[n] = static_cast<float>(value);
  }
}

int oscBandLimitDelay(int level) {
  if (level < 0 || level >= oscBandLevels) return 0;
  return levelDelay[level] % oscTableLength;
}

void oscBuildBandLimitedTable(int level, float* destination, const float* source) {
  if (level < 0 || level >= oscBandLevels || !destination || !source) return;
  float a[oscTableLength];
  float b[oscTableLength];
  OscHalfbandState state;
  const int m = 1 << level;
  int length = oscTableLength / m;

  // Low-pass the full-length source (the first pass only primes the state), then decimate.
  oscFilterStateInit(&state);
  oscHalfbandFilter(&state, source, a, oscTableLength, 0);
  oscHalfbandFilter(&state, source, b, oscTableLength, 0);
  for (int i = 0; i < length; ++i) b[i] = b[i * m];

  oscFilterStateInit(&state);
  oscHalfbandFilter(&state, b, a, length, 0);
  oscHalfbandFilter(&state, b, b, length, 0);

  // Back up to full length one doubling at a time.
  while (length <= oscTableLength / 2) {
    for (int i = length - 1; i >= 0; --i) {
      b[2 * i + 1] = 0.0f;
      b[2 * i] = b[i];
    }
    oscFilterStateInit(&state);
    for (int p = 0; p < levelPriming[level]; ++p) oscHalfbandFilter(&state, b, a, 2 * length, 1);
    oscHalfbandFilter(&state, b, b, 2 * length, 1);
    length *= 2;
  }

  const int d = oscBandLimitDelay(level);
  std::memcpy(a, b, sizeof a);
  for (int i = 0; i < oscTableLength; ++i) {
    const float x = a[(i + d) % oscTableLength];
    destination[i] = std::fabs(x) < 1e-30f ? 0.0f : x;  // filter tails never leave denormals behind
  }
}
