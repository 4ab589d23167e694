#include "modules/pitchIndex.h"
#include "engine/numeric.h"

#include <cmath>

// NaN (from ln of 0 or less) gives index 0.
static double clampPitchIndex(double x) { return numClamp(x, 0.0, 480.0); }

double dspFreqToIndex(double hz) { return clampPitchIndex(57.707802 * std::log(0.2 * hz)); }

double dspIndexToFreq(double index) { return 5.0 * std::pow(2.0, 0.025 * clampPitchIndex(index)); }

double dspRatioToIndex(float ratio) { return clampPitchIndex(57.707802 * std::log(static_cast<double>(ratio))); }

double filterCombFreqToDelay(double hz) {
  if (!(hz >= 5.0)) hz = 5.0;  // also NaN
  const double delay = 44100.0 / hz;
  return numClampPassNaN(delay, 1.0, 2046.0);
}
