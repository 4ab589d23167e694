// A graph row's layout on the window (its rectangle, the page's view) through the platform-free
// layout, and the row's two overlays: the destination label and the XY square of a surround-pan pair.
#include <windows.h>

#include <cmath>
#include <cstring>

#include "app/appGdi.h"
#include "controls/ctrlDraw.h"
#include "controls/offscreen.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"
#include "preset/envelope.h"
#include "preset/wave.h"

double envGraphSecondsToX(WinId win, double x0, double seconds) {
  EnvelopeView* v = envViewOf(win);
  return v ? x0 + (seconds - v->timeOffset) * v->pixelsPerSecond : 0.0;
}

void envGraphComputeLayout(ControlItem* item, const EnvelopeSlot* slot, EnvelopeGraphRecord* record) {
  if (!item || !record) return;
  if (envGraphSlotOfItem(item) < 0) return;
  envGraphComputeLayoutRect(item->windowId, item->rect, slot, record);
}

void envGraphComputeLayoutRect(WinId win, const CtrlRect& rect, const EnvelopeSlot* slot, EnvelopeGraphRecord* r) {
  if (!r) return;
  const EnvGraphLayoutOut out = {&r->loopStartX, &r->sustainX,   &r->loopMark,    &r->sustainMark,
                                 &r->startMark,  &r->pointCount, &r->handleCount, r->pointHits,
                                 r->handleHits,  r->curveY,      r->lfoCurveY};
  const EnvLayoutRect box = {rect.left, rect.top, rect.right, rect.bottom};
  envGraphLayoutCompute(envViewOf(win), envEngineOf(win), winGetOriginY(win) + envGraphAreaOffset, box, slot, out);
}

void envGraphDrawDestLabel(WinId win, HDC dc, const EnvelopeSlot* slot, const CtrlRect& r) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !dc || !slot || !v->redrawPending) return;
  std::int16_t index = -1;
  for (std::int16_t s = 0; s < envSlotCount; ++s)
    if (engineGetEnvelopeSlot(e, s) == slot) index = s;
  if (index < 0) return;
  char name[envNameSize];
  envGetName(e, index, name, slot->destination, slot->owner);
  const int font = fontFind(win, 1, 11);
  HGDIOBJ oldFont = nullptr;
  if (HFONT f = fontGet(font)) oldFont = SelectObject(dc, f);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, index == v->selectedSlot ? RGB(255, 255, 255) : RGB(114, 165, 36));
  // Wide enough for the longest destination name (the surround pan's), so no name is cut.
  RECT tr = {r.left + 8, r.bottom - 20, r.left + 208, r.bottom - 6};
  DrawTextA(dc, name, -1, &tr, DT_NOPREFIX | DT_SINGLELINE);
  if (oldFont) SelectObject(dc, oldFont);
}

void envGraphDrawXySquare(ControlItem* item) {
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  if (!r || !r->partner || !r->xyHits) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  const std::int32_t oy = winGetOriginY(win);
  const std::int32_t side = item->rect.bottom - item->rect.top;
  CtrlRect sq = {item->rect.right - side, item->rect.top, item->rect.right, item->rect.bottom};
  std::memset(r->xyHits, 0, sizeof(GraphHit) * envGraphHitCount);
  CtrlRect clip = sq;
  if (clip.top < oy + envGraphAreaOffset) clip.top = oy + envGraphAreaOffset;
  if (clip.bottom > oy + v->pageHeight - 22) clip.bottom = oy + v->pageHeight - 22;
  if (clip.bottom <= clip.top || side <= 0) return;
  WinSavedDC saved = {};
  const bool acquired = !winGetDC(win);
  if (acquired) winAcquireDrawContext(win, &saved);
  OffscreenBuffer buf = {};
  HDC dc = offscreenCreate(win, &buf, &clip);
  if (dc) {
    const int dx = -clip.left, dy = -clip.top;  // window to buffer
    RECT all = {0, 0, clip.right - clip.left, clip.bottom - clip.top};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const int l = sq.left + dx, t = sq.top + dy, rr = sq.right + dx, b = sq.bottom + dy;
    Rectangle(dc, l, t, rr, b);
    MoveToEx(dc, (l + rr) / 2, t, nullptr);
    LineTo(dc, (l + rr) / 2, b);
    MoveToEx(dc, l, (t + b) / 2, nullptr);
    LineTo(dc, rr, (t + b) / 2);
    Ellipse(dc, l + side / 5, t + side / 5, rr - side / 5, b - side / 5);
    const int columns = (item->rect.right - item->rect.left) - side;
    bool started = false;
    for (int c = 0; c < columns && c < envGraphMaxColumns; ++c) {
      if (c == r->loopStartX) SelectObject(dc, appPen(8));
      if (c == r->sustainX) SelectObject(dc, appPen(1));
      if (r->curveY[c] <= 0 || r->partner->curveY[c] < 0) continue;
      const int px = l + r->curveY[c], py = b - r->partner->curveY[c];
      if (!started) {
        MoveToEx(dc, px, py, nullptr);
        started = true;
      } else {
        LineTo(dc, px, py);
      }
    }
    SelectObject(dc, GetStockObject(WHITE_PEN));
    const int n = r->pointCount < r->partner->pointCount ? r->pointCount : r->partner->pointCount;
    for (int k = 0; k < n; ++k) {
      const GraphHit& own = r->pointHits[k];
      const GraphHit& other = r->partner->pointHits[k];
      if (!(own.left < sq.left - 5)) break;
      const int mx = sq.right - ((own.top + own.bottom) / 2 - item->rect.top);
      const int my = sq.top + ((other.top + other.bottom) / 2 - item->rect.top);
      RECT m = {mx - 3 + dx, my - 3 + dy, mx + 4 + dx, my + 4 + dy};
      const bool sel = envGraphIsBpSelected(win, static_cast<std::int16_t>(other.breakpoint));
      FillRect(dc, &m, static_cast<HBRUSH>(GetStockObject(sel ? WHITE_BRUSH : BLACK_BRUSH)));
      FrameRect(dc, &m, appBrush(2));
      r->xyHits[k] = {1, other.breakpoint, mx - 3, my - 3, mx + 3, my + 3};
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    offscreenBlit(&buf);
  }
  offscreenFree(&buf);
  if (acquired) winReleaseDrawContext(win, &saved);
}
