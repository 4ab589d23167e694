// The value step rules of the number boxes.
#include "controls/stepRules.h"

#include <cmath>

namespace {

// start + steps x k for modes 1..3; the start for any other mode.
inline double additive(double start, int16_t steps, uint16_t mode, double k1, double k2, double k3) {
  switch (mode) {
    case 1: return start + steps * k1;
    case 2: return start + steps * k2;
    case 3: return start + steps * k3;
    default: return start;
  }
}

}  // namespace

double numboxStepDefault(ControlItem*, double s, int16_t n, uint16_t m) { return additive(s, n, m, 1, 0.01, 0.001); }
double stepUnit(ControlItem*, double s, int16_t n, uint16_t m) { return additive(s, n, m, 1, 0.01, 0.0001); }
double stepQuarter(ControlItem*, double s, int16_t n, uint16_t m) { return additive(s, n, m, 0.25, 0.125, 0.001); }
double stepTenth(ControlItem*, double s, int16_t n, uint16_t m) { return additive(s, n, m, 0.1, 0.01, 0.0001); }
double stepHundredth(ControlItem*, double s, int16_t n, uint16_t m) { return additive(s, n, m, 0.01, 0.001, 0.0001); }
double stepHundredthFine(ControlItem*, double s, int16_t n, uint16_t m) {
  return additive(s, n, m, 0.01, 0.001, 0.00001);
}
double stepThousand(ControlItem*, double s, int16_t n, uint16_t m) { return additive(s, n, m, 1000, 10, 1); }
double stepHalf(ControlItem*, double s, int16_t n, uint16_t m) { return additive(s, n, m, 0.5, 0.125, 0.0001); }
double stepEighth(ControlItem*, double s, int16_t n, uint16_t m) { return additive(s, n, m, 0.125, 0.001, 0.0001); }

double stepCount(ControlItem*, double s, int16_t n, uint16_t m) {
  // One unit per two pixels, the division on integers (toward zero).
  if (m == 1) return s + n / 2;
  return additive(s, n, m, 0, 0.1, 0.001);
}

double stepAccelerated(ControlItem*, double s, int16_t n, uint16_t m) {
  switch (m) {
    case 1: {
      if (n >= -10 && n <= 10) return s + n;
      const double d = 0.1 * n * n;
      return n > 0 ? s + d : s - d;
    }
    case 2: return s + n;
    case 3: return s + 0.01 * n;
    default: return s;
  }
}

double stepExpTime(ControlItem*, double s, int16_t n, uint16_t m) {
  switch (m) {
    case 1: return s * std::exp2(0.025 * n);
    case 2: return s * std::exp2(0.0005 * n);
    case 3: return s + 0.0001 * n;
    default: return s;
  }
}

double stepSemitoneRatio(ControlItem*, double s, int16_t n, uint16_t m) {
  switch (m) {
    case 1: return (s < 0.0001 ? 0.0001 : s) * std::exp2(n * (1.0 / 12.0));
    case 2: return s * std::exp2(n * (1.0 / 1200.0));
    case 3: return s * std::exp2(n * (1.0 / 12000.0));
    default: return s;
  }
}

double stepExpEighth(ControlItem*, double s, int16_t n, uint16_t m) {
  switch (m) {
    case 1: return s * std::exp2(0.125 * n);
    case 2: return s + 0.011 * n;
    case 3: return s + 0.0001 * n;
    default: return s;
  }
}
