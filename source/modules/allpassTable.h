// The shared table of first-order allpass coefficients by frequency, on the allpass index scale:
// entry i for 20 x 2^(i/48) Hz (48 steps per octave from 20 Hz, 0..479), rebuilt whenever the sample
// rate is set. The Allpass filter types, the ladder cores, the granular oscillator and the master
// effects read it (through dspTableLookup / dspTableLookupLerp of engine/freqTable.h).
#pragma once

const int allpassTableSize = 480;
extern float allpassTable[allpassTableSize];

// Largest coefficient magnitude kept in the table: a first-order allpass section is stable only for
// |coefficient| < 1, which the formula passes for frequencies above about 0.7 x the rate (rates
// below 44.1 kHz reach them in the top entries).
const float allpassCoefLimit = 0.99999f;

// Fills the table for `rate` Hz: entry i = tan(f_i x 0.5 x pi / rate) - 1 with pi = 3.14159265359,
// f_0 = 20 Hz and each next frequency 2^(0.25/12) times the last, limited to +-allpassCoefLimit.
// A rate that is not above 0 leaves the table at 0.
void allpassTableInit(double rate);
