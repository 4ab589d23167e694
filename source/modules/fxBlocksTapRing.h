// A ring of up to 30,000 samples read by up to six taps at fixed offsets spaced by the golden
// ratio; the block output is the tap sum scaled so that the taps together stay below unity.
// The ring is always supplied by the caller (a cut of the effect delay memory).
#pragma once
#include <cstdint>

const int multiTapMaxTaps = 6;
const std::uint32_t multiTapMaxLength = 30000;  // samples

struct MultiTap {
  std::uint16_t position;                  // write position, 0..length - 1
  std::uint16_t offsets[multiTapMaxTaps];  // tap distances behind the write position, samples
  std::int16_t count;                      // taps in use, 1..6
  std::int16_t length;                     // ring size, samples, 1..30,000
  float gain;                              // 0.9 / (1 + sum over i = 1..count of 0.9 / i)
  float lastSum;                           // unscaled tap sum of the last sample processed
  std::uint8_t owned;                      // always 0: the caller owns the ring
  float* ring;
};

// Sets the taps for `count` (limited to 1..6) over a ring of `length` samples (at most 30,000) and
// clears the ring. Returns 0, with a null ring pointer, when `ring` is null or `length` is 0.
int multiTapInit(MultiTap* tap, std::int16_t count, float* ring, std::uint32_t length);
// Position 0 and last sum 0; the ring is not cleared.
void multiTapReset(MultiTap* tap);
// One block in place: each sample is written into the ring and replaced by the scaled tap sum.
void multiTapProcess(MultiTap* tap, float* samples, std::int16_t frames);
