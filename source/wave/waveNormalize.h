// Whole-wave scaling shared by the wave editor's commands and transforms. Waves are 1024 f32 samples.
#pragma once

// Scales the samples to a peak of 0.995 and adds the denormal guard (1e-24) to each; a silent wave
// (peak 0) is left as it is, without the guard.
void waveNormalize(float* samples);
