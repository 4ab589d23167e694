// Coefficients of the frequency shifter's two chains of first-order allpass sections (h0..h5 chain A,
// h6..h11 chain B), recomputed for the sample rate.
#pragma once

extern float hilbertCoefs[12];

void hilbertCoefsForRate(double rate);
