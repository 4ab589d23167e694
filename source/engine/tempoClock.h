// The preset's tempo clock: the tempo in BPM and the beat length derived from it, advanced once per
// rendered block. One lives in every preset header; the engine's copy is the one that runs.
#pragma once
#include <cstdint>

struct Engine;

struct TempoClock {
  double position;        // frames rendered since the clock was set up
  double secondPosition;  // kept with the record; not advanced
  double samplesPerBeat;  // 60 / running tempo x sample rate (samples at the running rate)
  double secondsPerBeat;  // 60 / running tempo
  double tempoRatio;      // preset tempo / running tempo
  double presetTempo;     // BPM, kept within 0.01..1000
  float runningTempo;     // BPM the clock runs at
};

// Defaults: position 0, samples per beat 0.5 x the sample rate, 0.5 s per beat, ratio 1, 120 BPM.
void tempoInitRecord(TempoClock* clock);
// Advances the engine's clock by one block of `frames` frames and recomputes the beat lengths.
void tempoAdvanceClock(TempoClock* clock, std::int16_t frames);
