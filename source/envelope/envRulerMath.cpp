// Tick spacing and zoom-drag arithmetic of the time ruler.
#include "envelope/envRulerMath.h"

#include <cmath>

#include "engine/numeric.h"

double envRulerTickSpacing(double base) {
  if (!(base > 0.0) || !std::isfinite(base)) return 128.0;
  double n = 1.0;
  double s = base;
  while (s > 128.0 && n < 8192.0) {
    n *= 2.0;
    s = base / n;
  }
  if (s < 64.0) {
    double m = 1.0;
    s = base;
    while (s < 64.0 && 2.0 * m < 8.0) {
      m *= 2.0;
      s = m * base;
    }
  }
  return s;
}

int envRulerDecimals(double zoom) {
  if (zoom >= 2048.0) return 5;
  if (zoom >= 1024.0) return 4;
  if (zoom >= 512.0) return 3;
  return 2;
}

double envRulerFirstTick(double zoom, double offset, double spacing) {
  if (!(spacing > 0.0)) return 0.0;
  return spacing - std::fmod(offset * zoom, spacing);
}

double envRulerMinorTop(double spacing, int height) { return height + 2 - 0.09375 * (spacing - 64.0); }

void envZoomDragBegin(EnvZoomDrag* drag, int pressX, double zoom) {
  drag->pressX = pressX;
  drag->anchorX = pressX;
  drag->working = zoom;
  drag->lastApplied = zoom;
  drag->factor = 1.0;
  drag->anchorTime = 0.0;
}

bool envZoomDragStep(EnvZoomDrag* drag, int x) {
  double f = 1.0 + (x - drag->anchorX) * 0.00038;
  f = numClampPassNaN(f, 0.8, 1.2);
  drag->factor = f;
  drag->working *= f;
  if (drag->working <= envZoomMin) {
    drag->working = envZoomMin;
    drag->anchorX = x;
  } else if (drag->working > envZoomMax) {
    drag->working = envZoomMax;
    drag->anchorX = x;
  }
  return std::fabs(drag->working - drag->lastApplied) >= 1.0;
}

bool envZoomDragOffset(const EnvZoomDrag& drag, int graphX0, double* offset) {
  const double dx = drag.pressX - graphX0;
  if (!(dx > 8.0)) return false;
  const double t = drag.anchorTime - dx / drag.working;
  *offset = t > 0.0 ? t : 0.0;
  return true;
}
