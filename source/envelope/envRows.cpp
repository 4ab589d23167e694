// The column of graph rows: laying them out for a row height around an anchor row, scrolling them,
// the row scrollbar's thumb, the record initialiser, the partner drawing and the view accessors that
// the rest of the page, the tools and the add pane use.
#include <cmath>
#include <cstring>

#include <windows.h>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/offscreen.h"
#include "controls/picture.h"
#include "controls/scrollbar.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/numeric.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"
#include "preset/envelope.h"
#include "preset/presetHeader.h"

namespace {

// envItemGraphBack covers the graph column below the last shown row (nothing on a page too small for it).
void placeGraphBackground(WinId win, EnvelopeView* v) {
  const std::int32_t oy = winGetOriginY(win);
  std::int32_t top = oy + envGraphAreaOffset;
  const std::int32_t bottom = v->pageHeight - 22 + oy;
  const std::int32_t right = v->pageWidth - 22;
  if (top > bottom || right < 300) return;
  std::int32_t lastBottom = top;
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphLast; ++id) {
    ControlItem* it = envGraphItem(win, id);
    if (it && it->visible) lastBottom = it->rect.bottom;
  }
  top = lastBottom;
  top = numClampHiWins<std::int32_t>(top, oy + envGraphAreaOffset, bottom);
  CtrlRect r = {envGraphLeft, top, right, bottom};
  pictureSetRect(win, envItemGraphBack, &r);
}

}  // namespace

void envGraphLayoutRows(ControlItem* item, std::int32_t h, std::uint16_t anchor) {
  if (!item || h < envRowMinHeight || h > envRowMaxHeight) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  const std::int32_t top0 = winGetOriginY(win) + envGraphAreaOffset;
  ControlItem* a = envGraphItem(win, anchor);
  if (!a) return;
  std::int32_t y = a->rect.top - (anchor - envItemGraphFirst) * h;
  if (y > top0) y = top0;
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id) {
    ControlItem* it = envGraphItem(win, id);
    if (!it) continue;
    ctrlSetVerticalSpan(win, id, y, h);
    envGraphShowIfBelow(win, id - envItemGraphFirst, top0);
    it->needsRedraw = 1;
    y += h;
  }
  placeGraphBackground(win, v);
  if (ControlItem* last = envGraphItem(win, envItemGraphEnd)) {
    CtrlRect below = {last->rect.left, last->rect.bottom, last->rect.right, 1024};
    winInvalidateRect(win, &below);
  }
  envGraphSetupRowScroll(win);
}

void envGraphSetupRowScroll(WinId win) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  const int k = envListSelectedCount(win);
  ControlItem* first = envGraphItem(win, envItemGraphFirst);
  if (first) v->graphHeight = first->rect.bottom - first->rect.top;
  if (k < 2)
    scrollbarSetThumb(win, envItemRowScroll, 1.0, 1.0);
  else
    scrollbarSetThumb(win, envItemRowScroll, 1.0 / (k * 8.0), 8.0);
  if (first && first->rect.top >= winGetOriginY(win) + envGraphAreaOffset - 1)
    scrollbarSetPosition(win, envItemRowScroll, 0.0);
}

void envGraphScrollRows(WinId win, float position) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  ControlItem* first = envGraphItem(win, envItemGraphFirst);
  if (!v || !first) return;
  const int n = envListSelectedCount(win);
  const std::int32_t h = first->rect.bottom - first->rect.top;
  const double total = static_cast<double>(n) * h;
  double offset = position * total;
  if (offset > total - h) offset = total - h;
  if (!(offset >= 0.0)) offset = 0.0;
  const std::int32_t paneY = first->port ? first->port->offsetY : 0;
  const std::int32_t left = first->rect.left - (first->port ? first->port->offsetX : 0);
  const std::int32_t oy = winGetOriginY(win);
  for (int k = 0; k <= envItemGraphEnd - envItemGraphFirst; ++k) {
    const std::uint16_t id = static_cast<std::uint16_t>(envItemGraphFirst + k);
    if (!envGraphItem(win, id)) continue;
    ctrlMoveTo(win, id, left, static_cast<std::int32_t>(envRowTop0 - offset + k * h));
    envGraphShowIfBelow(win, k, oy + envGraphAreaOffset);
  }
  placeGraphBackground(win, v);
  if (HWND hwnd = winGetFrameworkWindow(win)) {
    RECT above = {envGraphLeft, 0, 4000, paneY + envRowTop0};
    ValidateRect(hwnd, &above);
  }
  envGraphRedrawAll(win);
}

double envViewGetTimeOffset(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->timeOffset : 0.0;
}

void envViewSetTimeOffset(WinId win, double seconds) {
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  v->timeOffset = seconds > 0.0 && std::isfinite(seconds) ? seconds : 0.0;
}

std::int32_t envViewGetPixelsPerSecond(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? static_cast<std::int32_t>(std::lround(v->pixelsPerSecond)) : 0;
}

double envViewGetScrollSpan(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->scrollSpan : 0.0;
}

void envViewSetScrollSpan(WinId win, double span) {
  EnvelopeView* v = envViewOf(win);
  if (v && span >= 1.0) v->scrollSpan = span;
}

std::uint8_t envViewGetGridOn(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->gridOn : 0;
}

void envViewSetGridOn(WinId win, std::uint8_t on) {
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  v->gridOn = on;
  envGraphRedrawAll(win);
  if (ctrlFind(win, envItemRuler)) ctrlRedraw(win, envItemRuler);
}

void envViewSetFreeTime(WinId win, std::uint8_t on) {
  if (EnvelopeView* v = envViewOf(win)) v->timeRangeLock = on;
}

std::int32_t envViewGetSelectedOwner(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return !v || v->selectedItem <= 0 ? -1 : v->selectedOwner;
}

std::int32_t envViewGetSelectedDestKind(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return !v || v->selectedItem <= 0 ? -1 : v->selectedDestKind;
}

double envViewGetGridBeats(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->gridBeats : 0.0;
}

void envViewSetGridBeats(WinId win, double beats) {
  if (EnvelopeView* v = envViewOf(win)) v->gridBeats = beats;
}

double envGridStepSamples(Engine* engine, WinId win) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !engine) return 0.0;
  const PatchHeader* h = engineGetPatchHeader(engine);
  // Breakpoint times are samples at 44,100 per second whatever the device rate (the generator
  // scales them), so the grid is too.
  return h ? h->length * 0.25 * v->gridBeats : 0.0;
}

std::int32_t envBpSelFirst(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->bpSelFirst : -2;
}

std::int32_t envBpSelLast(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->bpSelLast : -2;
}

std::int32_t envBpSelNext(WinId win, std::int16_t* index) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !index) return -2;
  std::int16_t next = -2;
  if (v->bpSelAnchor > -2 && *index < v->bpSelLast) next = *index < v->bpSelFirst ? v->bpSelFirst : *index + 1;
  *index = next;
  return next;
}

ControlItem* envViewGetHoverItem(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->hoverItem : nullptr;
}

void envGraphRecordInit(EnvelopeGraphRecord* r, std::uint16_t itemId, std::uint16_t variant) {
  if (!r) return;
  std::memset(r, 0, sizeof(*r));
  r->tag = envGraphTag;
  r->itemId = itemId;
  r->variant = variant;
  r->slotIndex = -1;
  offscreenInit(&r->offscreen);
}

void envGraphDrawPartner(ControlItem* item, Engine* engine, EnvelopeSlot* slot) {
  if (!item || !engine || !slot || !envSlotIsPanPair(slot)) return;
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  if (!r || !r->partner) return;
  std::int16_t index = -1;
  for (std::int16_t s = 0; s < envSlotCount; ++s)
    if (engineGetEnvelopeSlot(engine, s) == slot) index = s;
  const std::int16_t p = index >= 0 ? envFindPartner(engine, index) : -1;
  if (p < 0) return;
  envGraphDraw(item, r->partner, engineGetEnvelopeSlot(engine, p));
}

// Plain-call entries of the row operations for the tools pane, the row-height strip and the ruler.
void envGraphLayoutRowsEntry(ControlItem* item, std::int32_t h, std::uint16_t anchor) {
  envGraphLayoutRows(item, h, anchor);
}
void envGraphScrollRowsEntry(WinId win, float position) { envGraphScrollRows(win, position); }
ControlItem* envViewGetHoverItemEntry(WinId win) { return envViewGetHoverItem(win); }
void envGraphDrawPartnerEntry(ControlItem* item, Engine* engine, EnvelopeSlot* slot) {
  envGraphDrawPartner(item, engine, slot);
}
void envTimeScrollSetupEntry(WinId win) { envPageUpdateScrollSpan(win); }
