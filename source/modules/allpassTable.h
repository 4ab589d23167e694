// The shared table of first-order allpass coefficients by frequency: entry i for 20 x 2^(i/48) Hz
// (48 steps per octave from 20 Hz, 0..479), rebuilt whenever the sample rate is set.
#pragma once

const int allpassTableSize = 480;
extern float allpassTable[allpassTableSize];

// Fills the table for `rate` Hz: entry i = tan(f_i x 0.5 x pi / rate) - 1.
void allpassTableInit(double rate);
