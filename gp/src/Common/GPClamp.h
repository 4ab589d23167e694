// The clamp family, one routine per rule, shared by the sound core (through engine/numeric.h) and the
// libraries. Platform-free (the standard library alone), so the native build of the sound core includes
// it as the Windows builds do; README's layer map names it as the one library header the core may
// include from any file. The routines carry the core's `num` prefix; `gpClamp` is the libraries' name of
// numClamp.
#pragma once

#include <cstdint>
#include <limits>

// The clamp: a value below lo, or not a number, gives lo; a value above hi gives hi (infinities too).
template <typename T>
constexpr T numClamp(T x, T lo, T hi) {
  if (!(x >= lo)) return lo;  // also NaN
  return x > hi ? hi : x;
}

// The clamp that keeps a value only strictly above lo: lo itself (so -0 for a lo of +0), a value below
// it, or not a number, gives lo; a value above hi gives hi.
template <typename T>
constexpr T numClampStrictLo(T x, T lo, T hi) {
  if (!(x > lo)) return lo;
  return x > hi ? hi : x;
}

// The clamp that lets a value that is not a number through (for a caller that tests it later, or a
// sample stream whose NaN the next stage catches).
template <typename T>
constexpr T numClampPassNaN(T x, T lo, T hi) {
  return x < lo ? lo : (x > hi ? hi : x);
}

// The clamp with a fallback for a value that is not a number.
template <typename T>
constexpr T numClampOr(T x, T lo, T hi, T nanValue) {
  return x != x ? nanValue : numClampPassNaN(x, lo, hi);
}

// The clamp whose upper end wins: an empty range (hi below lo) gives hi; NaN passes.
template <typename T>
constexpr T numClampHiWins(T x, T lo, T hi) {
  if (x < lo) x = lo;
  return x > hi ? hi : x;
}

// The gate: a value below floor (a tiny one where denormals live, a negative one), or not a number,
// gives exactly 0 (-0 too); a value above hi gives hi.
template <typename T>
constexpr T numGate(T x, T floor, T hi) {
  if (!(x >= floor)) return T(0);
  return x > hi ? hi : x;
}

// The index check: an index outside [0, count) gives 0 (a record's first entry), not the nearer end.
template <typename T>
constexpr T numIndexOrZero(T i, T count) {
  return i >= 0 && i < count ? i : T(0);
}

// A stored switch: any value but 0 gives 1.
constexpr void numClampFlag(std::uint8_t& b) { b = b ? 1 : 0; }

// An integer (a coordinate difference, a count) held to the int16_t range.
constexpr std::int16_t numClampToI16(std::int32_t v) {
  return static_cast<std::int16_t>(numClamp<std::int32_t>(v, INT16_MIN, INT16_MAX));
}

// The libraries' name of numClamp.
template <typename T>
constexpr T gpClamp(T x, T lo, T hi) {
  return numClamp(x, lo, hi);
}

// A 64-bit intermediate (a coordinate sum or product) held to the int32_t range.
constexpr int32_t gpClampToI32(int64_t v) {
  return int32_t(numClamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
