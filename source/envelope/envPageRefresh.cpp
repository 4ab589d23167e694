// The Envelope page's full refresh (after a show, another preset or a structural edit): rows sized to
// the page, the list refilled and the rows rebound, the time scrollbar's span and the row scrollbar.
#include <cmath>

#include "controls/ctrlItems.h"
#include "controls/pane.h"
#include "controls/scrollbar.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "envelope/envFields.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envRowStrip.h"
#include "envelope/envRuler.h"
#include "envelope/envView.h"
#include "preset/envelope.h"
#include "preset/sample.h"

void envPageRefresh(WinId win) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !envPageBegin(win)) return;
  v->refreshRequested = 0;
  const int X = v->pageWidth + winGetOriginX(win);
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphLast; ++id) envGraphResizeItem(win, id, X - 22, 0);
  envGraphLayoutItems(win);
  envRulerSetRight(win, X - 17);
  envRowStripSetBottom(win, 999);
  envPageFillList(win);
  envPageRefreshSettings(win);
  envPageUpdateScrollSpan(win);
  envGraphSetupRowScroll(win);
  Engine* e = envEngineOf(win);
  for (std::int16_t c = 0; c < 3; ++c) sampleRefreshDisplay(e, c);
  paneActivate(win, envPaneId);
}

void envPageUpdateScrollSpan(WinId win) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e) return;
  double span = 0.0;
  for (std::int16_t s = 0; s < envSlotCount; ++s) {
    const EnvelopeSlot* slot = engineGetEnvelopeSlot(e, s);
    if (!slot || !slot->inUse || slot->destination == envDestNone) continue;
    const double t = envTotalSeconds(e, s);
    if (std::isfinite(t) && t > span) span = t;
  }
  if (span < 30.0) span = 30.0;
  v->scrollSpan = 1.0;
  v->scrollSpan = span;
  const int pps = static_cast<int>(v->pixelsPerSecond);
  const double thumb = pps > 0 ? 4.0 / (pps * span) : 1.0;
  if (ctrlFind(win, envItemTimeScroll)) {
    scrollbarSetThumb(win, envItemTimeScroll, thumb, 1.0);
    scrollbarSetPosition(win, envItemTimeScroll, v->timeOffset / span);
  }
}
