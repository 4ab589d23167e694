// Layout of one envelope graph row before it is drawn: where every breakpoint marker, slope handle,
// the start point and the sustain and loop marks lie (the hit tables the mouse code reads) and the
// height of the curve and of its LFO-modulated copy in every column (what the painter strokes).
// Also the row's two overlays: the destination label and the XY square of a surround-pan pair.
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

namespace {

double clamp01(double v) { return v > 1.0 ? 1.0 : (v >= 0.0 ? v : 0.0); }

struct Factors {
  double amp = 1.0, offset = 0.0, time = 1.0, slope = 1.0;
};

struct LayoutPass {
  const EnvelopeView* view;
  const EnvelopeSlot* slot;     // the slot shown (indices, mode, destination)
  const EnvelopeSlot* source;   // whose breakpoints are drawn (the master of a linked slot)
  const WaveRecord* wave;       // the LFO's wave, null when the LFO is off
  Factors f;
  EnvelopeGraphRecord* record;
  CtrlRect rect;
  int columns;
  int height;
};

void clearHit(GraphHit& h) { std::memset(&h, 0, sizeof h); }

// Registers a marker whose left edge is x (centre x + 3) at row y, with its sustain or loop mark.
void addPointHit(const LayoutPass& p, int bp, std::int32_t x, std::int32_t y) {
  EnvelopeGraphRecord* r = p.record;
  const std::int32_t xc = x + 3;
  if (xc >= p.rect.right || y < p.rect.top) return;
  GraphHit hit = {1, bp, xc - 3, y - 3, xc + 3, y + 3};
  if (bp < 0) {
    r->startMark = hit;
  } else {
    if (r->pointCount >= envGraphHitCount) return;
    r->pointHits[r->pointCount++] = hit;
  }
  const GraphHit mark = {1, bp, xc + 4, y - 3, xc + 9, y + 3};
  if (bp == p.slot->sustainIndex)
    r->sustainMark = mark;
  else if (p.slot->mode == envModeLoop && bp == p.slot->loopStart)
    r->loopMark = mark;
}

// Fills the columns of segment i and answers the column where it ends (0 when it ends left of the view).
int sampleSegment(const LayoutPass& p, int i, double* phase) {
  if (i < 0 || i >= envBreakpointCount) return 0;
  const double zoom = p.view->pixelsPerSecond;
  const double offset = p.view->timeOffset;
  const Breakpoint* bps = p.source->breakpoints;
  double s = 0.0;
  for (int k = 0; k < i; ++k) s += p.f.time * bps[k].time / 44100.0;
  double d = p.f.time * bps[i].time / 44100.0;
  if (s + d <= offset) return 0;
  int col;
  double t0;
  if (s < offset) {
    col = 0;
    t0 = offset - s;
  } else {
    col = static_cast<int>((s - offset) * zoom);
    t0 = 0.0;
  }
  if ((d - t0) * zoom < 1.0) d = 1.0 / zoom;
  if (col < 0) col = 0;
  if (col > p.columns) col = p.columns;
  const int startCol = col;

  const double prevLevel = i == 0 ? p.source->startLevel : bps[i - 1].level;
  const double pl = p.f.amp * prevLevel + p.f.offset;
  const double ql = p.f.amp * bps[i].level + p.f.offset;
  const bool step = bps[i].step != 0;
  const double span = p.height - 8;
  const double expo = bps[i].slope * p.f.slope;
  const double depth0 = i == 0 ? 0.0 : bps[i - 1].lfoDepth;
  const double depth1 = bps[i].lfoDepth;
  const double sec0 = i == 0 ? bps[0].lfoSeconds : bps[i - 1].lfoSeconds;
  const double sec1 = bps[i].lfoSeconds;
  const double dt = 1.0 / zoom;
  const double phaseStep = 1024.0 / zoom;
  std::int16_t* curve = p.record->curveY;
  std::int16_t* lfo = p.record->lfoCurveY;
  for (double t = t0; t <= d && col < p.columns; t += dt, ++col) {
    double shape, value;
    if (step) {
      shape = 0.0;
      value = pl;
    } else {
      shape = std::pow(t / d, expo);
      value = pl + (ql - pl) * shape;
    }
    curve[col] = static_cast<std::int16_t>(clamp01(value) * span + 2.0);
    if (p.wave) {
      const double depth = depth0 + (depth1 - depth0) * shape;
      const double w = p.wave->samples[static_cast<int>(*phase) & (waveLength - 1)];
      const double y = (value - 0.5 * depth * value + 0.5 * w * depth * value) * span + 4.0;
      lfo[col] = static_cast<std::int16_t>(y < -32768.0 ? -32768.0 : (y > 32767.0 ? 32767.0 : y));
      double sec = sec0 + (sec1 - sec0) * shape;
      if (!(sec >= 0.001)) sec = 0.001;
      // A far offset with a short period is millions of cycles: wrap once, never loop.
      *phase = std::fmod(*phase + phaseStep / sec, 1024.0);
      if (!(*phase >= 0.0)) *phase = 0.0;
    }
  }
  if (startCol < p.columns) curve[startCol] = static_cast<std::int16_t>(clamp01(pl) * span + 2.0);
  const double end = (s + d - offset) * zoom;
  return end > 1e9 ? 1000000000 : static_cast<int>(end);
}

}  // namespace

double envGraphSecondsToX(std::int16_t win, double x0, double seconds) {
  EnvelopeView* v = envViewOf(win);
  return v ? x0 + (seconds - v->timeOffset) * v->pixelsPerSecond : 0.0;
}

void envGraphComputeLayout(ControlItem* item, const EnvelopeSlot* slot, EnvelopeGraphRecord* record) {
  if (!item || !record) return;
  if (envGraphSlotOfItem(item) < 0) return;
  envGraphComputeLayoutRect(static_cast<std::int16_t>(item->windowId), item->rect, slot, record);
}

void envGraphComputeLayoutRect(std::int16_t win, const CtrlRect& rect, const EnvelopeSlot* slot,
                               EnvelopeGraphRecord* record) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !record) return;
  if (rect.bottom <= winGetOriginY(win) + envGraphAreaOffset) return;

  record->pointCount = record->handleCount = 0;
  clearHit(record->startMark);
  clearHit(record->loopMark);
  clearHit(record->sustainMark);
  std::memset(record->pointHits, 0, sizeof record->pointHits);
  std::memset(record->handleHits, 0, sizeof record->handleHits);
  record->loopStartX = 0;
  record->sustainX = 9999;
  for (int i = 0; i < envGraphMaxColumns; ++i) record->curveY[i] = record->lfoCurveY[i] = -1;
  if (!slot) return;

  LayoutPass p;
  p.view = v;
  p.slot = slot;
  p.source = slot;
  p.record = record;
  p.rect = rect;
  if (envGraphIsLinkedSlot(e, slot)) {
    p.source = engineGetEnvelopeSlot(e, static_cast<std::int16_t>(slot->linkMasterSlot));
    p.f.amp = slot->ampPercent;
    p.f.offset = slot->ampOffset;
    p.f.time = slot->timePercent;
    p.f.slope = slot->slopePercent;
  }
  p.wave = slot->lfoOn ? waveGet(e, static_cast<std::int16_t>(slot->lfoWave & 0xFFFF)) : nullptr;
  if (!(v->pixelsPerSecond > 0.0)) return;
  const Breakpoint* bps = p.source->breakpoints;

  int first = 0;
  if (v->timeOffset != 0.0) {
    double end = 0.0;
    first = -1;
    for (int i = 0; i < envBreakpointCount; ++i) {
      end += p.f.time * bps[i].time / 44100.0;
      if (end > v->timeOffset) {
        first = i;
        break;
      }
    }
    if (first < 0) return;
  }
  int last = p.source->lastIndex;
  if (last < 0) last = 0;
  if (last > envBreakpointCount - 1) last = envBreakpointCount - 1;
  p.columns = rect.right - rect.left;
  if (p.columns < 0) p.columns = 0;
  if (p.columns > envGraphMaxColumns) p.columns = envGraphMaxColumns;
  p.height = rect.bottom - rect.top;
  const double span = p.height - 8;
  const bool samplePos = slot->destination == 18;

  if (v->timeOffset == 0.0) {
    const double l = clamp01(p.f.amp * p.source->startLevel + p.f.offset);
    const std::int32_t y = samplePos ? rect.top + 3 : static_cast<std::int32_t>(rect.bottom - 5 - l * span);
    addPointHit(p, -1, rect.left, y);
  }

  record->sustainX = -1;
  record->loopStartX = slot->sustainIndex < first ? -1 : 0;
  double phase = 0.0;
  std::int32_t prevX = rect.left;
  bool pastSustain = false;
  for (int i = first; i <= last && prevX - rect.left < p.columns; ++i) {
    const std::int32_t x = rect.left + sampleSegment(p, i, &phase);
    const double level = clamp01(p.f.amp * bps[i].level + p.f.offset);
    std::int32_t y = static_cast<std::int32_t>(rect.bottom - 5 - level * span);
    if (rect.left <= x && x + 3 < rect.right) {
      if (samplePos) y = rect.top + 3;
      addPointHit(p, i, x, y);
    }
    if (slot->mode == envModeLoop && i < slot->loopStart) record->loopStartX = static_cast<std::int16_t>(x - 1 - rect.left);
    if (!pastSustain && i > slot->sustainIndex) {
      pastSustain = true;
      record->sustainX = static_cast<std::int16_t>(prevX - 1 - rect.left);
    }
    // Slope handle half way along the segment.
    const double hx = x - v->pixelsPerSecond * p.f.time * bps[i].time * 0.5 / 44100.0;
    const double prev = i == 0 ? p.source->startLevel : bps[i - 1].level;
    const double hv = clamp01((prev + std::pow(0.5, p.f.slope * bps[i].slope) * (bps[i].level - prev)) * p.f.amp +
                              p.f.offset);
    const double hy = rect.bottom - (hv * span + 2.0);
    if (!bps[i].step && rect.left < hx && hx < rect.right && !samplePos && hy >= rect.top &&
        record->handleCount < envGraphHitCount) {
      const std::int32_t ix = static_cast<std::int32_t>(hx), iy = static_cast<std::int32_t>(hy);
      record->handleHits[record->handleCount++] = {1, i, ix + 1, iy - 6, ix + 6, iy - 1};
    }
    prevX = x;
  }
  if (v->timeOffset == 0.0)
    record->curveY[0] = static_cast<std::int16_t>(clamp01(p.f.amp * p.source->startLevel + p.f.offset) * span + 2.0);
  else if (p.columns > 1)
    record->curveY[0] = record->curveY[1];
  if (record->loopStartX == record->sustainX) --record->loopStartX;
}

void envGraphDrawDestLabel(std::int16_t win, HDC dc, const EnvelopeSlot* slot, const CtrlRect& r) {
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
  RECT tr = {r.left + 8, r.bottom - 20, r.left + 112, r.bottom - 8};
  DrawTextA(dc, name, -1, &tr, DT_NOPREFIX | DT_SINGLELINE);
  if (oldFont) SelectObject(dc, oldFont);
}

void envGraphDrawXySquare(ControlItem* item) {
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  if (!r || !r->partner || !r->xyHits) return;
  const std::int16_t win = static_cast<std::int16_t>(item->windowId);
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
    const int dx = -clip.left, dy = -clip.top;   // window to buffer
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
