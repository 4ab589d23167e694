// Coefficient tables of the first-order filter stages by pitch index (40 steps per octave, index i =
// 5 x 2^(i/40) Hz, 0..480), built for 44,100 Hz; other rates shift the index by rateIndexOffset.
// Each row is 481 values followed by 7 zeros, so entry 481 reads 0.0.
#pragma once

const int onePoleTableSize = 488;  // 481 entries + 7 zero slots
const int onePoleLastIndex = 480;

extern const float* const onePoleLowTable;       // 1 - exp(-2 pi f_i / 44100): input gain of a low-pass
extern const float* const onePoleFeedbackTable;  // exp(-2 pi f_i / 44100): pole
extern const float* const onePoleHighTable;      // (1 + exp(-2 pi f_i / 44100)) / 2: high-pass gain

// Linear interpolation in one of the tables: x is limited to 0..480 before the read.
double onePoleLerp(const float* table, double x);
