// The platform-free half of a graph row's layout: from an envelope slot and the page's view, where
// every breakpoint marker, slope handle, the start point and the sustain and loop marks lie (hit areas
// in window pixels) and the height of the curve and of its LFO-modulated copy in every column.
// The row's record (envGraph.h) hands its fields in through EnvGraphLayoutOut.
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"

struct Engine;
struct EnvelopeView;

enum { envGraphHitCount = 68, envGraphMaxColumns = 1536 };

// One hit area in window pixels; all four borders belong to it.
struct GraphHit {
  std::int32_t valid;
  std::int32_t breakpoint;  // 0..67, -1 the start point
  std::int32_t left, top, right, bottom;
};

struct EnvLayoutRect {
  std::int32_t left, top, right, bottom;
};

// The fields of a row's record that a layout writes.
struct EnvGraphLayoutOut {
  std::int16_t* loopStartX;
  std::int16_t* sustainX;
  GraphHit* loopMark;
  GraphHit* sustainMark;
  GraphHit* startMark;
  std::int16_t* pointCount;
  std::int16_t* handleCount;
  GraphHit* pointHits;      // envGraphHitCount entries
  GraphHit* handleHits;     // envGraphHitCount entries
  std::int16_t* curveY;     // envGraphMaxColumns entries
  std::int16_t* lfoCurveY;  // envGraphMaxColumns entries
};

// Lays out `slot` in `rect` (window pixels) for the view; graphTop is the graph area's top in the same
// coordinates (a row whose bottom does not reach below it is left as it was). A null slot only clears.
void envGraphLayoutCompute(const EnvelopeView* view, Engine* engine, std::int32_t graphTop, const EnvLayoutRect& rect,
                           const EnvelopeSlot* slot, const EnvGraphLayoutOut& out);

// Whether a slot plays its master's breakpoints (link flag set and a master other than itself), and
// the slot whose breakpoints it shows.
bool envGraphIsLinkedSlot(Engine* engine, const EnvelopeSlot* slot);
EnvelopeSlot* envGraphSourceSlot(Engine* engine, EnvelopeSlot* slot);
