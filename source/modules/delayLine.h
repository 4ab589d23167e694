// A delay line with a gliding, interpolated read: the echo lines and the three-unit effect's
// delays. The ring wraps at length - 1 (the buffer's last slot is never addressed), lengths are at
// most 30,000 samples, and the read delay glides 65 % of the way to its target every block.
#pragma once
#include <cstdint>

const std::uint32_t delayLineMaxLength = 30000;  // samples; longer requests are cut to this

struct DelayLine {
  std::uint8_t initialised;  // 0 until delayLineInit has run once
  double writePosition;      // whole sample index, 0..lastIndex - 1
  double targetDelay;        // samples at the running rate
  double currentDelay;       // samples; glides towards targetDelay x the block's factor
  float lastOutput;          // last sample read in the previous block
  std::uint8_t owned;        // 1 when delayLineInit allocated the buffer itself
  std::int32_t lastIndex;    // length - 1: the ring modulus
  float* buffer;             // the ring, `lastIndex + 1` floats
};

// Sets the line up once (a second call on an initialised line returns 1 and changes nothing).
// `buffer` null: the line allocates `length` floats itself (returns 0 when that fails). A length
// below 2 is refused (returns 0, the line stays uninitialised).
int delayLineInit(DelayLine* line, float initialDelay, float* buffer, std::uint32_t length);
// Write position 0, last output 0, current delay := target delay; the ring is not cleared.
void delayLineReset(DelayLine* line);
// One block through the line in place; `factor` scales the target delay (1.0 = unmodulated).
void delayLineProcess(DelayLine* line, float* samples, std::int16_t frames, float factor);
// Frees a buffer the line allocated itself and leaves the line uninitialised.
void delayLineRelease(DelayLine* line);
