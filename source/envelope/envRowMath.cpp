// Row height and row scroll arithmetic.
#include "envelope/envRowMath.h"

#include <cmath>

int envRowHeightForDrag(int start, int dy) {
  const long h = static_cast<long>(start) + dy;
  return h < envRowHeightMin ? envRowHeightMin : h > envRowHeightMax ? envRowHeightMax : static_cast<int>(h);
}

double envRowScrollOffset(double position, int rows, int height) {
  const double total = static_cast<double>(rows) * height;
  double offset = std::isfinite(position) ? position * total : 0.0;
  if (offset > total - height) offset = total - height;
  if (offset < 0.0) offset = 0.0;
  return offset;
}

void envRowScrollThumb(int rows, double* proportion, double* step) {
  if (rows < 2) {
    *proportion = 1.0;
    *step = 1.0;
    return;
  }
  *proportion = 1.0 / (rows * 8.0);
  *step = 8.0;
}
