#include "modules/hilbertCoefs.h"

float hilbertCoefs[12];

void hilbertCoefsForRate(double rate) {
  static const double corner[12] = {0.3609, 2.7412, 11.1573, 44.7581, 179.6242, 798.4578,
                                    1.2524, 5.5671, 22.3423, 89.6271, 364.7914, 2770.1114};
  if (!(rate > 0.0)) return;
  for (int k = 0; k < 12; ++k) {
    const double w = corner[k] * 15.0 * 6.28318530718;
    const double x = w / (2.0 * rate);
    hilbertCoefs[k] = static_cast<float>((x - 1.0) / (x + 1.0));
  }
}
