// Per-voice, per-lane running states of the channel modulators and the waveshaper (3 lanes per voice),
// held by the engine.
#pragma once
#include <cstdint>

#include "modules/filterVoiceState.h"

// Layout of the Freq Shift memory: per chain 6 sections of (last input, last output), then chain A's
// output of the previous sample.
enum {
  modulatorHilbertAIn = 0,
  modulatorHilbertAOut = 6,
  modulatorHilbertBIn = 12,
  modulatorHilbertBOut = 18,
  modulatorHilbertADelayed = 24,
  modulatorHilbertFloats = 26
};

struct ModulatorVoiceState {
  std::int16_t voice;                     // voice number: selects the voice and its modulation row
  float phase;                            // oscillator phase in table samples, 0 <= phase < 1024
  float balance;                          // Ringmod balance reached at the end of the last block
  float prevIncrement;                    // oscillator increment of the last block (table samples per sample)
  float prevOutput;                       // Freq Shift: last output sample (the feedback source)
  const float* lfoPitchLinks[3];          // per LFO: its pitch factor when routed here, else a constant 1.0
                                          // (null counts as 1.0)
  float hilbert[modulatorHilbertFloats];  // Freq Shift allpass memory
};

struct WaveshaperVoiceState {
  float outGain;        // output gain reached at the end of the last block
  float inGain;         // input gain reached at the end of the last block
  float offset;         // curve centre (table position) at the end of the last block;
                        // below -5000: none yet
  float compensation;   // curve value at the centre at the end of the last block;
                        // below -5000: none yet
  std::uint16_t voice;  // voice number: selects the modulation row
};
