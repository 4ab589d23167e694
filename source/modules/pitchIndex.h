// The filter pitch index of filter and effect frequencies: 40 steps per octave, index 0 = 5 Hz,
// 0..480 (5 Hz to 20,480 Hz). (The Allpass types use the allpass index scale instead: 48 steps per
// octave above 20 Hz, engine/freqTable.h.) The factor 57.707802 is the stored constant, not 40 / ln 2.
#pragma once

double dspFreqToIndex(double hz);     // 57.707802 x ln(0.2 x hz), clamped to 0..480
double dspIndexToFreq(double index);  // 5 x 2^(0.025 x index), index clamped to 0..480
double dspRatioToIndex(float ratio);  // 57.707802 x ln(ratio), clamped to 0..480

// "Comb" delay in samples at 44,100 Hz for a frequency: 44100 / Hz with Hz at least 5, clamped to 1..2046.
double filterCombFreqToDelay(double hz);
