// Lookups in the shared allpass coefficient table (modules/allpassTable.h), indexed by frequency on a
// scale of 48 steps per octave above 20 Hz (index 0 = 20 Hz, 479 = about 20 kHz).
#pragma once

// 48 x log2(hz / 20), limited to 0..479.
double dspFreqToTableIndex(double hz);
// Same scale; the filters and the granular oscillator call it by this name.
inline double dspPowHelper(double hz) { return dspFreqToTableIndex(hz); }
// The entry at the integer part of x (x limited to 0..479).
float dspTableLookup(float x);
// The entry at x with linear interpolation between neighbours (x limited to 0..479).
double dspTableLookupLerp(float x);
