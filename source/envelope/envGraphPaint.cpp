// Painting of one envelope graph row: into an offscreen buffer of its visible part, copied to the
// window in one transfer. Frame of the highlighted row, grid, LFO curve, baseline, the envelope curve
// with its loop and release colours, markers with their sustain and loop marks and controller labels,
// the destination label; a surround-pan pair also draws its partner and XY square.
#include <windows.h>

#include <cmath>
#include <cstdio>
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
#include "preset/presetHeader.h"
#include "preset/sample.h"
#include "preset/sampleInfo.h"

namespace {

// Indices of the editors' pens and brushes (appGdi).
enum { penLinked = 0, penRelease = 1, penRed = 7, penLoop = 8, penFrame = 10, penLfo = 12, brushMarkerFrame = 2 };

// Grid lines closer than this are not drawn: a zero or tiny spacing would mean millions of lines.
const double kMinGridSpacing = 3.0;

void line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// Strokes the columns [from, to) of a height array as one polyline from the point `start` on: a
// column with a negative height adds no point (the line joins its neighbours). Answers the last point.
POINT strokeColumns(HDC dc, const std::int16_t* heights, int from, int to, int base, POINT start) {
  static POINT points[envGraphMaxColumns + 1];
  int n = 0;
  points[n++] = start;
  for (int i = from; i < to; ++i)
    if (heights[i] >= 0) points[n++] = {4 + i, base - heights[i]};
  if (n > 1) Polyline(dc, points, n);
  return points[n - 1];
}

void sourceName(std::int32_t source, char* out, int size) {
  const int s = static_cast<std::int16_t>(source & 0xFFFF);
  if (s == -1)
    std::snprintf(out, size, "AT");
  else if (s == 128)
    std::snprintf(out, size, "PB");
  else if (s == 129)
    std::snprintf(out, size, "Vel");
  else if (s == 130)
    std::snprintf(out, size, "note");
  else
    std::snprintf(out, size, "%d", s);
}

}  // namespace

double envGraphGridSpacing(const EnvelopeView* v, double lengthSamples, double beats) {
  if (!v || !(beats != 0.0) || !std::isfinite(beats)) return 0.0;
  const double spacing = lengthSamples / 44100.0 / beats * v->pixelsPerSecond * v->gridBeats;
  return std::isfinite(spacing) && spacing >= kMinGridSpacing ? spacing : 0.0;
}

void envGraphSourceLabelText(const Breakpoint& bp, char* out, int size) {
  out[0] = 0;
  char amp[16], time[16];
  sourceName(bp.ampCc, amp, sizeof amp);
  sourceName(bp.timeCc, time, sizeof time);
  const bool a = bp.ampScale != 0.0f, t = bp.timeScale != 0.0f;
  if (a && t)
    std::snprintf(out, size, "midi: %s, %s", time, amp);
  else if (a)
    std::snprintf(out, size, "midi: %s", amp);
  else if (t)
    std::snprintf(out, size, "midi: %s", time);
}

void envGraphDrawSourceLabel(WinId win, HDC dc, const EnvelopeSlot* slot, int bp, const CtrlRect& r) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !dc || !slot || !v->redrawPending || bp < 0 || bp >= envBreakpointCount) return;
  char text[48];
  envGraphSourceLabelText(slot->breakpoints[bp], text, sizeof text);
  if (!text[0]) return;
  HGDIOBJ oldFont = nullptr;
  if (HFONT f = fontGet(fontFind(win, 1, 9))) oldFont = SelectObject(dc, f);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(128, 128, 128));
  RECT tr = {r.right + 2, r.top - 2, r.right + 64, r.top + 12};
  DrawTextA(dc, text, -1, &tr, 0);
  if (oldFont) SelectObject(dc, oldFont);
}

void envGraphDrawMarker(WinId win, HDC dc, const EnvelopeSlot* slot, int bp, const CtrlRect& r, bool itemSelected,
                        bool linked) {
  if (!dc || !slot) return;
  const bool white = itemSelected && envGraphIsBpSelected(win, static_cast<std::int16_t>(bp));
  HBRUSH fill = static_cast<HBRUSH>(GetStockObject(white ? WHITE_BRUSH : BLACK_BRUSH));
  if (r.right - r.left < 6 && slot->destination != envDestSampleJump) {
    HGDIOBJ op = SelectObject(dc, appPen(penLoop));
    HGDIOBJ ob = SelectObject(dc, fill);
    Ellipse(dc, r.left, r.top, r.right + 1, r.bottom + 1);
    SelectObject(dc, op);
    SelectObject(dc, ob);
    return;
  }
  RECT rr = {r.left, r.top, r.right, r.bottom};
  FillRect(dc, &rr, fill);
  if (!linked) {
    FrameRect(dc, &rr, appBrush(brushMarkerFrame));
  } else {
    HGDIOBJ op = SelectObject(dc, appPen(penLoop));
    HGDIOBJ ob = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, rr.left, rr.top, rr.right, rr.bottom);
    SelectObject(dc, op);
    SelectObject(dc, ob);
  }
  if (slot->destination == envDestSampleJump) line(dc, r.left + 3, r.bottom, r.left + 3, r.bottom + 512);
  if (bp >= 0 && bp == slot->sustainIndex) {
    SelectObject(dc, appPen(penRed));
    const int x = r.right + 2, y = r.top - 1;
    line(dc, x, y + 6, x, y);
    line(dc, x, y + 3, x + 5, y + 3);
  }
  if (slot->mode == envModeLoop && bp >= 0 && bp == slot->loopStart) {
    SelectObject(dc, appPen(penRed));
    const int x = r.right + 2;
    MoveToEx(dc, x + 5, r.bottom, nullptr);
    LineTo(dc, x, r.bottom);
    LineTo(dc, x, r.top);
    LineTo(dc, x + 6, r.top);
  }
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(BLACK_BRUSH));
}

void envGraphDrawSampleSegment(WinId win, HDC dc, Engine* e, std::int16_t channel, const EnvelopeGraphRecord* r,
                               const CtrlRect& R, std::int32_t L, int k, bool whole) {
  EnvelopeView* v = envViewOf(win);
  const float* display = sampleDisplayBuffer(channel);
  const SampleInfo* info = sampleGetInfo(e, channel);
  if (!v || !dc || !r || !display || !info || r->slotIndex < 0 || !(v->pixelsPerSecond > 0.0)) return;
  const EnvelopeSlot* slot = engineGetEnvelopeSlot(e, r->slotIndex);
  if (!slot) return;
  auto markerAt = [&](int m) -> const GraphHit* {
    if (m < 0) return r->startMark.valid ? &r->startMark : nullptr;
    return m < r->pointCount && r->pointHits[m].valid ? &r->pointHits[m] : nullptr;
  };
  const GraphHit* own = markerAt(k);
  int b = own ? own->breakpoint : -1;
  if (!whole) b = (own ? own->breakpoint : 0) - 1;
  if (b >= envBreakpointCount) return;
  const double level = b < 0 ? slot->startLevel : slot->breakpoints[b].level;
  double index = level * info->length / sampleDisplayBlock;
  const double step = 1050.0 / v->pixelsPerSecond;
  const int a = (R.bottom - R.top) / 2;
  int first, last;
  if (whole) {
    if (!own) return;
    first = own->left + 3 - L;
    const GraphHit* next = markerAt(k + 1);
    last = next ? next->left + 3 - L : R.right;
  } else {
    const double t = envBpAbsSeconds(slot, b);
    const double col = R.left + 3 + (t - v->timeOffset) * v->pixelsPerSecond;
    first = col < -1e6 ? -1000000 : static_cast<int>(col);
    last = own ? own->left + 3 - L : R.right;
  }
  if (last > R.right) last = R.right;
  MoveToEx(dc, whole ? first : R.left + 3, R.bottom - a, nullptr);
  int prev = static_cast<int>(index);
  for (int x = first; x < last; ++x) {
    const int cur = static_cast<int>(index);
    if (cur >= sampleDisplayPoints || cur < 0) break;
    if (x >= R.left + 3) {
      float hi = display[prev], lo = display[prev];
      for (int i = prev; i <= cur; ++i) {
        hi = display[i] > hi ? display[i] : hi;
        lo = display[i] < lo ? display[i] : lo;
      }
      const double p = std::fabs(lo) < hi ? hi : lo;
      LineTo(dc, x, static_cast<int>(R.bottom - (a + p * a)));
    }
    prev = cur;
    index += step;
  }
}

void envGraphDraw(ControlItem* item, EnvelopeGraphRecord* given, EnvelopeSlot* givenSlot) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e) return;
  const bool own = given == nullptr;
  EnvelopeGraphRecord* r = own ? envGraphRecordOfItem(item) : given;
  if (!r) return;
  EnvelopeSlot* slot = givenSlot;
  if (own) {
    if (r->slotIndex < 0) return;
    slot = engineGetEnvelopeSlot(e, r->slotIndex);
  }
  if (!slot) return;
  const bool linked = envGraphIsLinkedSlot(e, slot);

  if (own) offscreenFlush(&r->offscreen, 0);
  envGraphComputeLayoutRect(win, item->rect, slot, r);

  const std::int32_t oy = winGetOriginY(win);
  const std::int32_t graphTop = oy + envGraphAreaOffset;
  const std::int32_t pageBottom = oy + v->pageHeight - 22;
  if (item->rect.bottom <= graphTop || item->rect.top >= pageBottom) return;
  CtrlRect clip = item->rect;
  if (clip.top < graphTop) clip.top = graphTop;
  if (clip.bottom > pageBottom) clip.bottom = pageBottom;
  const bool paired = own && r->partner && envSlotIsPanPair(slot);
  if (paired) clip.right -= item->rect.bottom - item->rect.top;
  const int w = clip.right - clip.left, h = clip.bottom - clip.top;
  if (w <= 0 || h <= 0) return;

  WinSavedDC saved = {};
  const bool acquired = own && !winGetDC(win);
  if (acquired) winAcquireDrawContext(win, &saved);
  OffscreenBuffer buf = {};
  HDC dc = own ? offscreenCreate(win, &buf, &clip) : winGetDC(win);
  if (!dc) {
    if (own) offscreenFree(&buf);
    if (acquired) winReleaseDrawContext(win, &saved);
    return;
  }
  const int saveId = SaveDC(dc);
  if (own) {
    RECT all = {0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  // Curve rows are heights above the item's bottom, whatever part of the item is visible.
  const int base = item->rect.bottom - clip.top;

  if (own && static_cast<std::int32_t>(slot->destination) == static_cast<std::int32_t>(v->selectedDestKind) &&
      static_cast<std::int32_t>(slot->owner) == static_cast<std::int32_t>(v->selectedOwner) && v->selectedItem > 0) {
    SelectObject(dc, appPen(penFrame));
    line(dc, 1, 0, w, 0);
    line(dc, 1, h - 2, w, h - 2);
    line(dc, 1, 0, 1, h);
    SelectObject(dc, appPen(penRelease));
    line(dc, 2, 1, w, 1);
    line(dc, 2, h - 3, w, h - 3);
    line(dc, 2, 1, 2, h - 1);
  }

  if (own && v->gridOn) {
    const PatchHeader* ph = engineGetPatchHeader(e);
    const double spacing = ph ? envGraphGridSpacing(v, ph->length, ph->beats) : 0.0;
    if (spacing > 0.0) {
      double x = spacing;
      if (v->timeOffset > 0.0) x = spacing - std::fmod(std::fabs(v->timeOffset * v->pixelsPerSecond), spacing);
      SelectObject(dc, appPen(penFrame));
      for (; x < w; x += spacing) line(dc, static_cast<int>(x), 0, static_cast<int>(x), h);
    }
  }

  if (own && slot->destination == envDestSampleJump && slot->owner >= 0 && slot->owner < 3) {
    SelectObject(dc, appPen(penLfo));
    const CtrlRect R = {0, 0, w, h};
    if (r->startMark.valid) envGraphDrawSampleSegment(win, dc, e, slot->owner, r, R, item->rect.left, -1, true);
    for (int k = 0; k < r->pointCount && k < envGraphHitCount; ++k)
      if (r->pointHits[k].valid) envGraphDrawSampleSegment(win, dc, e, slot->owner, r, R, item->rect.left, k, true);
    envGraphDrawSampleSegment(win, dc, e, slot->owner, r, R, item->rect.left, 0, false);
  }

  const int columns = w < envGraphMaxColumns ? w : envGraphMaxColumns;
  if (slot->lfoOn) {
    SelectObject(dc, appPen(penLfo));
    int i = 0;
    while (i < columns && r->lfoCurveY[i] < 0) ++i;
    if (i < columns) strokeColumns(dc, r->lfoCurveY, i + 1, columns, base, {4 + i, base - r->lfoCurveY[i]});
  }

  if (own) {
    SelectObject(dc, appPen(penLoop));
    line(dc, 0, h - 1, w, h - 1);
  }

  if (slot->destination != envDestSampleJump) {
    const bool colour = !linked;
    // One polyline per pen: the pen changes at the loop start and after the sustain point.
    int cuts[3] = {columns, columns, columns};
    HPEN pens[3] = {appPen(penLoop), appPen(penRelease), nullptr};
    int nCuts = 0;
    if (colour && r->loopStartX >= 0 && r->loopStartX < columns) cuts[nCuts++] = r->loopStartX;
    if (colour && slot->mode != envModeControl && r->sustainX >= 0 && r->sustainX < columns &&
        (nCuts == 0 || r->sustainX > cuts[0]))
      cuts[nCuts++] = r->sustainX;
    if (nCuts == 1 && cuts[0] == r->sustainX) pens[0] = appPen(penRelease);
    SelectObject(dc, appPen(linked ? penLinked : penRelease));
    POINT at = {4, base - 3 - r->curveY[0]};
    int from = 0;
    for (int c = 0; c <= nCuts; ++c) {
      const int to = c < nCuts ? cuts[c] : columns;
      at = strokeColumns(dc, r->curveY, from, to, base - 3, at);
      if (c < nCuts) SelectObject(dc, pens[c]);
      from = to;
    }
  }

  const bool itemSelected = v->selectedItem == item->id && own;
  const bool partnerSelected = !own && v->selectedItem == item->id;
  auto shifted = [&](const GraphHit& g) {
    CtrlRect m = {g.left - clip.left, g.top - clip.top, g.right - clip.left, g.bottom - clip.top};
    return m;
  };
  const EnvelopeSlot* source = envGraphSourceSlot(e, slot);
  if (r->startMark.valid)
    envGraphDrawMarker(win, dc, slot, -1, shifted(r->startMark), itemSelected || partnerSelected, linked);
  for (int k = 0; k < r->pointCount && k < envGraphHitCount; ++k) {
    const GraphHit& g = r->pointHits[k];
    if (!g.valid) continue;
    envGraphDrawMarker(win, dc, slot, g.breakpoint, shifted(g), itemSelected || partnerSelected, linked);
    if (slot->ccScaleOn) envGraphDrawSourceLabel(win, dc, source, g.breakpoint, shifted(g));
  }
  for (int k = 0; k < r->handleCount && k < envGraphHitCount; ++k) {
    const GraphHit& g = r->handleHits[k];
    if (g.valid) envGraphDrawMarker(win, dc, slot, g.breakpoint, shifted(g), itemSelected, linked);
  }

  if (own) {
    CtrlRect label = {0, 0, w, base};
    envGraphDrawDestLabel(win, dc, slot, label);
  }
  RestoreDC(dc, saveId);

  if (own) {
    if (paired) {
      const std::int16_t ps = r->partner->slotIndex;
      if (EnvelopeSlot* partnerSlot = ps >= 0 ? engineGetEnvelopeSlot(e, ps) : nullptr)
        envGraphDraw(item, r->partner, partnerSlot);
    }
    offscreenBlit(&buf);
    offscreenFree(&buf);
    if (paired) envGraphDrawXySquare(item);
    offscreenSetup(win, &r->offscreen, 0, &item->rect);
  }
  if (acquired) winReleaseDrawContext(win, &saved);
}
