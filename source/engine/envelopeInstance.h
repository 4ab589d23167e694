// One running envelope per (slot, voice); global slots use the instance of voice 0.
#pragma once
#include <cstdint>

// Envelope instance states (EnvelopeInstance::state).
enum : std::int16_t {
  envStateEnded = 0,
  envStateReleased = 1,
  envStateHolding = 2,  // holding at the sustain point
  envStateRunning = 3
};

struct EnvelopeInstance {
  std::int16_t voice;          // 0..63
  std::int16_t slot;           // 0..27
  std::int16_t segmentStart;   // breakpoint where the current segment started
  std::int16_t state;          // envState...
  std::int16_t segmentTarget;  // breakpoint the segment moves towards
  std::int32_t elapsed;        // samples in the current segment
  float startLevel;
  const std::uint32_t* reserved;  // points at a fixed global word; unused by the generator
  float releaseFactor;            // time factor of the segment beginning at the release index
  float reserved2;                // 1.0
  float rampLength;               // samples over which the consumer ramps to the new value
  std::int16_t lastReached;       // last breakpoint reached
  float output;                   // value before the LFO and the clamp
  float lfoFactor;
  double lfoPhase;     // 0 <= phase < 1024
  double holdCounter;  // samples towards the next sample-and-hold step
};
