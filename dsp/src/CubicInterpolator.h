// Cubic (Catmull-Rom) interpolator for rate pairs without an integer ratio (44,100 / 48,000 Hz).
#pragma once

// Floats of one channel's interpolator state: 5 history samples and one spare.
constexpr int DSP_INTERP_STATE = 6;

// Produces outFrames outputs from inFrames inputs, stepping `step` input frames per output; the
// history carries the last inputs into the next call. Does nothing for counts below 1.
void dspInterpolate(const float* in, float* out, int outFrames, int inFrames, double step, float* state);
