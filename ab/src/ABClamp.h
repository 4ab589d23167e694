// The one clamp of the device layer, with the sound core's rule for values that are not numbers: NaN
// goes to the low end, infinities to the nearer one. The device layer is a library below the program
// and does not include the program's headers, so it keeps this copy of that rule.
#pragma once

template <typename T>
inline T abClamp(T x, T lo, T hi) {
  if (!(x >= lo)) return lo;  // also NaN
  return x > hi ? hi : x;
}
