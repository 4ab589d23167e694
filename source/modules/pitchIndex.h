// The pitch index of filter and effect frequencies: 40 steps per octave, index 0 = 5 Hz, 0..480.
#pragma once

double dspFreqToIndex(double hz);     // 57.707802 x ln(0.2 x hz), clamped to 0..480
double dspIndexToFreq(double index);  // 5 x 2^(0.025 x index), index clamped to 0..480
double dspRatioToIndex(float ratio);  // 57.707802 x ln(ratio), clamped to 0..480
