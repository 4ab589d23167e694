#include "engine/freqTable.h"

#include <cmath>

#include "modules/allpassTable.h"

double dspFreqToTableIndex(double hz) {
  double y = std::log(hz * 0.05) * 48.0 / std::log(2.0);
  if (!(y > 0.0)) return 0.0;  // also 0 Hz and below, and NaN
  return y > 479.0 ? 479.0 : y;
}

// The callers keep x within 0..479; the limits below keep a stray value from reading outside the table.
float dspTableLookup(float x) {
  if (!(x > 0.0f)) return allpassTable[0];
  if (x >= 479.0f) return allpassTable[479];
  return allpassTable[static_cast<int>(x)];
}

double dspTableLookupLerp(float x) {
  if (!(x > 0.0f)) return allpassTable[0];
  if (x >= 479.0f) return allpassTable[479];
  const int k = static_cast<int>(x);
  const double a = allpassTable[k];
  return a + (static_cast<double>(x) - k) * (static_cast<double>(allpassTable[k + 1]) - a);
}
