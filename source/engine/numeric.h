// Numeric helpers of the sound core: the clamp family (GPClamp.h, shared with the libraries: numClamp
// sends NaN to its low end, numClampOr to its fallback; infinities are held at the nearer end like any
// other value out of range), finite checks and the denormal guard. numFiniteOr alone replaces
// infinities as well (for values that have no range of their own).
#pragma once
#include "GPClamp.h"

#include <cmath>
#include <cstdint>

// The constant added against denormal numbers; magnitudes below it count as zero.
const double numDenormalGuard = 1e-24;

template <typename T>
inline T numFiniteOr(T x, T fallback) {
  return std::isfinite(x) ? x : fallback;
}

// Magnitudes below the guard become exactly 0 (where a gain counts as silent and denormals live).
template <typename T>
inline T numFlushTiny(T x) {
  return x > T(-numDenormalGuard) && x < T(numDenormalGuard) ? T(0) : x;
}
