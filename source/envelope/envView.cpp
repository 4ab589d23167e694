// The Envelope page's view record: its start values.
#include "envelope/envView.h"

#include <cstring>

void envViewInit(EnvelopeView* v) {
  if (!v) return;
  std::memset(v, 0, sizeof(*v));
  v->timeOffset = 0.0;
  v->pixelsPerSecond = 128.0;
  v->secondsPerPixel = 1.0 / 128.0;
  v->scrollSpan = 1.0;
  v->graphHeight = 384.0;
  v->graphX0 = 0;
  v->itemWidth = 512;
  v->itemHeight = envRowDefaultHeight;
  v->selectedItem = 0;
  v->bpSelFirst = v->bpSelLast = v->bpSelAnchor = -2;
  v->gridBeats = 0.5;
  v->redrawPending = 1;
  for (std::int16_t& r : v->rowSlots) r = -1;
  v->pageWidth = 827;
  v->pageHeight = 645;
  v->refreshRequested = 1;
  v->selectedSlot = -1;
  v->addedSlot = -1;
}
