// The time ruler's arithmetic: tick spacing, label decimals, tick positions and the zoom drag's
// working values. The ruler's drawing and mouse handling use these; they touch no window.
#pragma once
#include <cstdint>

const double envZoomMin = 10.0;
const double envZoomMax = 22050.0;
const double envZoomDefault = 128.0;

// Major tick spacing in pixels for a base of `base` pixels per unit (one second, or one beat): halved
// down to at most 128 pixels (up to 8192 parts), or grown by up to four units to at least 64 pixels.
double envRulerTickSpacing(double base);
// Label decimals for a zoom: 5 from 2048, 4 from 1024, 3 from 512, else 2.
int envRulerDecimals(double zoom);
// x of the first major tick right of the left edge: s - fmod(offset x zoom, s).
double envRulerFirstTick(double zoom, double offset, double spacing);
// The top y of a minor tick (drawn up from the ruler's bottom - 1) for a spacing: 3 pixels tall at
// 128, vanishing toward 64.
double envRulerMinorTop(double spacing, int height);

// The zoom drag's working values (statics of the ruler's drag between events).
struct EnvZoomDrag {
  int pressX;
  double anchorX;      // x the factor is measured from
  double working;      // working zoom
  double lastApplied;  // zoom last given to the view
  double factor;
  double anchorTime;  // seconds under the press point
};

void envZoomDragBegin(EnvZoomDrag* drag, int pressX, double zoom);
// One event or idle tick with the mouse at x: the working zoom grows by a factor 1 + (x - anchor) x
// 0.00038 (0.8..1.2), held within 10..22050 (the anchor then moves to x). True when it has moved by
// at least 1.0 from the zoom last applied: the caller applies it (and records it with
// envZoomDragApplied).
bool envZoomDragStep(EnvZoomDrag* drag, int x);
// The time offset that keeps anchorTime under the press point at the working zoom; false within 8
// pixels of the graph's left edge (graphX0), where the offset stays.
bool envZoomDragOffset(const EnvZoomDrag& drag, int graphX0, double* offset);
