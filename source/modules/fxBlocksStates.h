// Small filter-state records of the master effects. Each keeps its frequency as a pitch index of
// the filter/effect scale (40 steps per octave above 5 Hz, 0..480) and its running values; the init
// operations take Hz. `onePoleProcess` is the first-order low-pass built on a DspState3.
#pragma once
#include <cstdint>

struct DspState2 {  // one-pole low-pass of an echo line
  float pitchIndex;
  float state;
};

struct DspState3 {  // first-order low-pass (onePoleProcess) or an echo line's high-pass
  float pitchIndex;
  float state1;  // previous output
  float state2;  // previous input
};

struct DspState6 {  // three-unit effect
  float pitchIndex;
  float amount;
  float states[4];
};

struct DspState10 {  // four-stage allpass chain: four stage outputs, then four previous inputs
  float pitchIndex;
  float feedback;
  float states[8];
};

int dspState2Init(DspState2* s, float hz);
int dspState3Init(DspState3* s, float hz);
int dspState6Init(DspState6* s, float hz, float amount);
int dspState10Init(DspState10* s, float hz, float feedback);
// Clear the running values; keep the pitch index and the amount or feedback.
void dspState2Reset(DspState2* s);
void dspState3Reset(DspState3* s);
void dspState6Reset(DspState6* s);
void dspState10Reset(DspState10* s);

// Stores the pitch index of `hz` and returns `destination`.
float* dspSetFreqIndex(float* destination, double hz);

// The average of the input and a first-order allpass whose coefficient is the allpass table entry at
// pitch index x `indexFactor` (the index is used on that table's own scale and kept within 0..479):
// a first-order low-pass with its zero at the Nyquist frequency. In place, `frames` samples.
void onePoleProcess(DspState3* s, float indexFactor, float* samples, std::int16_t frames);
