#include "modules/allpassTable.h"

#include <cmath>

float allpassTable[allpassTableSize];

void allpassTableInit(double rate) {
  for (float& v : allpassTable) v = 0.0f;
  if (!(rate > 0.0) || !std::isfinite(rate)) return;
  const double step = std::pow(2.0, 0.25 / 12.0);  // a quarter semitone per entry
  double f = 20.0;
  for (int i = 0; i < allpassTableSize; ++i) {
    double a = std::tan(f * 0.5 * 3.14159265359 / rate) - 1.0;
    if (!(a > -allpassCoefLimit))
      a = -allpassCoefLimit;  // also NaN
    else if (a > allpassCoefLimit)
      a = allpassCoefLimit;
    allpassTable[i] = static_cast<float>(a);
    f *= step;
  }
}
