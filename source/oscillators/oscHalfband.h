// Band-limited copies of a single-cycle wave: a two-branch all-pass half-band filter run over whole
// tables as periodic signals, decimation and re-interpolation to the full 1024-sample length.
#pragma once
#include <cstdint>

const int oscBandLevels = 8;      // levels 0..7 keep about 256 / 2^k harmonics
const int oscTableLength = 1024;  // samples of one wave cycle

// Filter state: two branches of four second-order all-pass stages (in z^-2), six doubles per stage:
// x[n], x[n-1], x[n-2], y[n], y[n-1], y[n-2].
struct OscHalfbandState {
  double s[48];
};

void oscFilterStateInit(OscHalfbandState* state);
// Runs the filter over count samples. mode 0: low-pass (gain 1 at 0 Hz); mode 1: interpolation after
// zero stuffing (gain 2 at 0 Hz, making up for the stuffed zeros). output may equal input.
void oscHalfbandFilter(OscHalfbandState* state, const float* input, float* output, int count, int mode);
// Builds band-limited level k (0..7) of a 1024-sample source into destination (1024 floats), in phase
// with the source.
void oscBuildBandLimitedTable(int level, float* destination, const float* source);
// Rotation (samples) that brings level k back in phase with its source.
int oscBandLimitDelay(int level);
