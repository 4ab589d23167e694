// "BPF" (filter type 6): a two-pole band-pass with zeros at 0 Hz and at the Nyquist frequency. The
// bandwidth narrows as the Q rises and the input gain makes up for it. The coefficients come from four
// tables by filter pitch index (40 steps per octave, index 0 = 5 Hz, at 44,100 Hz) and glide sample by
// sample from the lane's previous centre to the new one over each block.
// Modulation rows read: 15 Q multiplier; the target index of filterTargetIndex (row 9 among others).
#pragma once
#include <cstdint>

#include "modules/filterModule.h"

// With f = 5 x 2^(j/40) Hz, w = 2 pi f / 44100, rho = exp(-2 pi f / (30 x 44100)) (the squared pole
// radius of a resonance of bandwidth f / 30): A = -2 cos w, B = (1 + rho) cos w, C = -rho,
// D = 2 / (1 - rho). Each table is followed by zero entries.
const int bandPassTableSize = 488;
struct BandPassTables {
  float a[bandPassTableSize];
  float b[bandPassTableSize];
  float c[bandPassTableSize];
  float d[bandPassTableSize];
};
extern const BandPassTables bandPassTables;

// Stored values are kept within plus or minus this at every block end.
const float bandPassStateLimit = 512.0f;

void filterRenderBpf(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void bandPassProcess(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                     std::int16_t frames);
