#include "modules/onePoleTables.h"

#include <cmath>

#include "engine/numeric.h"

namespace {

struct OnePoleTables {
  float low[onePoleTableSize];
  float feedback[onePoleTableSize];
  float high[onePoleTableSize];
  OnePoleTables() {
    for (int i = 0; i < onePoleTableSize; ++i) {
      if (i > onePoleLastIndex) {
        low[i] = feedback[i] = high[i] = 0.0f;
        continue;
      }
      const double f = 5.0 * std::pow(2.0, i / 40.0);
      const double b = std::exp(-2.0 * 3.14159265358979323846 * f / 44100.0);
      low[i] = static_cast<float>(1.0 - b);
      feedback[i] = static_cast<float>(b);
      high[i] = static_cast<float>((1.0 + b) * 0.5);
    }
  }
};

// Built during static initialisation, before any engine exists.
const OnePoleTables tables;

}  // namespace

const float* const onePoleLowTable = tables.low;
const float* const onePoleFeedbackTable = tables.feedback;
const float* const onePoleHighTable = tables.high;

double onePoleLerp(const float* table, double x) {
  x = numClampStrictLo(x, 0.0, 480.0);  // also NaN
  const int i = static_cast<int>(x);    // 0..480; entry 481 is a zero slot
  const double a = table[i];
  return a + (table[i + 1] - a) * (x - i);
}
