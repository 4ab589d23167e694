// Helpers for the two-wave oscillator tests: a rig set to one type with plain settings, fixed
// frequencies in Hz, and comparisons of rendered blocks.
#pragma once
#include <algorithm>
#include <cmath>
#include <vector>

#include "oscTestRig.h"
#include "support/signal.h"

inline float hzIncrement(double hz) { return static_cast<float>(hz * 1024.0 / 44100.0); }

// No unison detune, no random transposition, a full-gain start.
inline void plainTwoWave(OscRig& rig, int type) {
  rig.record->type = type;
  rig.record->trans = 0.0f;
  rig.record->randTrans = 0.0f;
  rig.record->numVoices = 1;
}

inline void fixedPitches(OscRig& rig, double hzA, double hzB) {
  rig.record->freqMode = oscFreqHz;
  rig.record->pitchInc = hzIncrement(hzA);
  rig.record->freqModeB = oscFreqHz;
  rig.record->pitchIncB = hzIncrement(hzB);
}

inline double maxDifference(const std::vector<float>& a, const std::vector<float>& b) {
  double worst = 0.0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    worst = std::max(worst, std::fabs(static_cast<double>(a[i]) - b[i]));
  return worst;
}

inline double tone(const std::vector<float>& x, double hz) {
  return signalToneAmplitude(x.data(), x.size(), 44100.0, hz);
}
