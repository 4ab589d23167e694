// The one clamp rule of the libraries (the sound core's numClamp follows the same rule; the libraries
// sit below the program and cannot include it): a value below lo, or not a number, gives lo; a value
// above hi gives hi.
#pragma once

#include <cstdint>
#include <limits>

template <typename T>
inline T gpClamp(T x, T lo, T hi) {
  if (!(x >= lo)) return lo;  // also NaN
  return x > hi ? hi : x;
}

// A 64-bit intermediate (a coordinate sum or product) held to the int32_t range.
inline int32_t gpClampToI32(int64_t v) {
  return int32_t(gpClamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
