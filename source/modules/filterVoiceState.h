// Running state of one filter lane: one per filter (0..3), voice (0..63) and lane (0..2), held by the
// engine as an array [filter][voice][lane]. Pitch indices: 40 steps per octave, index 0 = 5 Hz
// (Allpass types: 48 steps per octave, index 0 = 20 Hz).
#pragma once
#include <cstdint>

struct FilterVoiceState {
  std::uint8_t resetMark;          // 1 after every reset; informational only
  std::int16_t voice;              // row of the modulation multipliers this lane reads
  std::int16_t combBuffer;         // comb pool buffer held by this lane (0..127), -1 none
  std::uint32_t kernelWord;        // kernel scratch word (the Comb write position)
  float currentIndex;              // pitch index reached at the end of the previous block
  float secondIndex;               // second running index (kept, unused by the kernels)
  float memA[16];                  // kernel memory A
  float gainRampStart;             // output gain reached at the end of the previous block
  const float* lfoFactorLinks[3];  // per LFO: its filter factor when routed here, else filterLinkOne
  const float* lfoOffsetLinks[3];  // per LFO: its pitch-index offset when routed here, else filterLinkZero
  float keyIndex;                  // key-tracking offset in pitch-index steps (set at voice start)
  float keyRatio;                  // key-tracking ratio: velocity amount x note curve (set at voice start)
  float memB[32];                  // kernel memory B
};

// The program-wide constants that unrouted LFO links point at; never written.
extern const float filterLinkOne;   // 1.0
extern const float filterLinkZero;  // 0.0

// Defaults of a lane: comb buffer -1, indices 346, key values 1, links to the constants, memory cleared.
void filterVoiceInit(FilterVoiceState* state, std::int16_t voice);
// Clears the lane's memory (A, B, kernel word, gain-ramp start) and sets the reset mark; the indices,
// key values, links and comb buffer stay.
void filterResetVoiceState(FilterVoiceState* state);
