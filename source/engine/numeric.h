// Numeric helpers of the sound core: clamps, finite checks and the denormal guard, with one rule for
// values that are not numbers. A clamp given no fallback sends NaN to its low end; a clamp given a
// fallback sends NaN there; infinities are held at the nearer end like any other value out of range.
// numFiniteOr alone replaces infinities as well (for values that have no range of their own).
#pragma once
#include <cmath>
#include <cstdint>

// The constant added against denormal numbers; magnitudes below it count as zero.
const double numDenormalGuard = 1e-24;

template <typename T>
inline T numClamp(T x, T lo, T hi) {
  if (!(x >= lo)) return lo;  // also NaN
  return x > hi ? hi : x;
}

// An integer (a coordinate difference, a count) held to the int16_t range.
inline std::int16_t numClampToI16(std::int32_t v) {
  return static_cast<std::int16_t>(numClamp<std::int32_t>(v, INT16_MIN, INT16_MAX));
}

template <typename T>
inline T numClampOr(T x, T lo, T hi, T nanValue) {
  if (x != x) return nanValue;
  return x < lo ? lo : (x > hi ? hi : x);
}

template <typename T>
inline T numFiniteOr(T x, T fallback) {
  return std::isfinite(x) ? x : fallback;
}

// Magnitudes below the guard become exactly 0 (where a gain counts as silent and denormals live).
template <typename T>
inline T numFlushTiny(T x) {
  return x > T(-numDenormalGuard) && x < T(numDenormalGuard) ? T(0) : x;
}
