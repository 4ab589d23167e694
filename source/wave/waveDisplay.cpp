// The waveform display (waveItemDisplay): the edited wave drawn as 512 columns over the page background, a
// stroke with one of the three tools on every mouse event of a press, the position slider of the line and
// cosine tools (waveItemToolLine, waveItemToolCosine) and the range bar of the half-sine tool.
#include <windows.h>

#include <cmath>
#include <cstring>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/knob.h"
#include "controls/offscreen.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "wave/waveEditState.h"
#include "wave/wavePage.h"

namespace {

WaveDisplayState makeState() {
  WaveDisplayState s{};
  s.position = 0;
  s.rangeStart = 256;
  s.rangeEnd = 768;
  s.tool = waveItemToolCosine;
  return s;
}

WaveDisplayState g_state = makeState();

const double kPi = 3.14159265358979323846;
const COLORREF kPolyline = RGB(204, 254, 49);
const COLORREF kMarkLine = RGB(49, 100, 100);
const COLORREF kOutsideLine = RGB(49, 49, 0);

WaveToolFn toolRoutine(std::int32_t tool) {
  switch (tool) {
    case waveItemToolLine: return waveToolLine;
    case waveItemToolHalfSine: return waveToolHalfSine;
    default: return waveToolCosine;
  }
}

// A stroke value as written: within -1..1, and nothing below 1e-24 in magnitude.
float strokeValue(double x) {
  if (!(x >= -1.0)) x = -1.0;  // NaN too
  if (x > 1.0) x = 1.0;
  if (x > -1e-24 && x < 1e-24) x = 0.0;
  return static_cast<float>(x);
}

std::int16_t clampPosition(std::int32_t p) {
  return static_cast<std::int16_t>(numClamp<std::int32_t>(p, 0, waveLength - 1));
}

// The line and cosine tools share their shape: from the anchor p towards index n, with the curve between
// source[p] and v given by shape(k, steps) in 0..1.
template <typename Shape>
void anchoredStroke(const float* source, float* target, std::int32_t n, float v, Shape shape) {
  std::memcpy(target, source, sizeof(float) * waveLength);
  const std::int32_t p = g_state.position;
  v = numClamp<float>(v, -1.0f, 1.0f);
  if (n == p) {
    target[n] = strokeValue(v);
    return;
  }
  const std::int32_t steps = n > p ? n - p : p - n;
  const std::int32_t dir = n > p ? 1 : -1;
  const double from = source[p], span = double(v) - from;
  for (std::int32_t k = 0; k <= steps; ++k) target[p + dir * k] = strokeValue(from + span * shape(k, steps));
}

// The polyline: per column the one of its two samples farther from the previous column's value.
void reduceColumns(const float* samples, std::int32_t top) {
  float previous = 0.0f;
  for (int c = 0; c < waveDisplayWidth; ++c) {
    const float a = samples[2 * c], b = samples[2 * c + 1];
    const float pick = std::fabs(a - previous) > std::fabs(b - previous) ? a : b;
    previous = pick;
    g_state.columns[c].x = static_cast<std::int16_t>(c);
    g_state.columns[c].y = static_cast<std::int16_t>(top + waveDisplayRowOf(pick));
  }
  g_state.lastY = static_cast<std::int16_t>(top + waveDisplayRowOf(samples[waveLength - 1]));
}

void line(HDC dc, COLORREF colour, int x0, int y0, int x1, int y1) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// Draws the display with its top-left at (ox, oy) of the current drawing context.
void paintDisplay(WinId win, const ControlItem* item, int ox, int oy) {
  const float* samples = waveEditSamples(win);
  HDC dc = winGetDC(win);
  if (!samples || !dc) return;
  const CtrlRect area = {ox, oy, ox + waveDisplayWidth, oy + waveDisplayHeight};
  bitmapDrawPart(win, waveBmpBackground, &area, waveDisplayX, waveDisplayY - 68);
  reduceColumns(samples, oy);
  if (g_state.drawing) {
    CtrlPoint p;
    inputGetMousePos(&p);
    if (p.x < item->rect.left)
      line(dc, kOutsideLine, ox, g_state.columns[0].y, ox + waveDisplayWidth, g_state.columns[0].y);
    else if (p.x > item->rect.right)
      line(dc, kOutsideLine, ox, g_state.lastY, ox + waveDisplayWidth, g_state.lastY);
  }
  if (g_state.tool == waveItemToolHalfSine) {
    line(dc, kMarkLine, ox + g_state.rangeStart / 2, oy, ox + g_state.rangeStart / 2, oy + waveDisplayHeight);
    line(dc, kMarkLine, ox + g_state.rangeEnd / 2, oy, ox + g_state.rangeEnd / 2, oy + waveDisplayHeight);
  } else {
    line(dc, kMarkLine, ox + g_state.position / 2, oy, ox + g_state.position / 2, oy + waveDisplayHeight);
  }
  POINT points[waveDisplayWidth];
  for (int c = 0; c < waveDisplayWidth; ++c) points[c] = {ox + g_state.columns[c].x, g_state.columns[c].y};
  HPEN pen = CreatePen(PS_SOLID, 1, kPolyline);
  HGDIOBJ old = SelectObject(dc, pen);
  Polyline(dc, points, waveDisplayWidth);
  SelectObject(dc, old);
  DeleteObject(pen);
}

bool drawableNow(const ControlItem* item) { return item && item->visible && item->drawable; }

// Draws an item now through an offscreen buffer copied to the window in one piece.
template <typename Paint>
void redrawNow(WinId win, std::uint16_t id, Paint paint) {
  WinSlot* slot = winSlot(win);
  if (!slot) return;
  ItemPort* port = slot->currentPort;
  wavePageSelectPane(win);
  ControlItem* item = ctrlFind(win, id);
  if (drawableNow(item) && itemOnScreen(item)) {
    WinSavedDC saved;
    winAcquireDrawContext(win, &saved);
    HDC outer = slot->offscreenDC;
    winSetOffscreenDC(win, nullptr);
    OffscreenBuffer buffer{};
    offscreenCreate(win, &buffer, &item->rect);
    if (buffer.memDC) {
      paint(win, item, 0, 0);
      offscreenBlit(&buffer);
    }
    offscreenFree(&buffer);
    winSetOffscreenDC(win, outer);
    winReleaseDrawContext(win, &saved);
  }
  winSelectPort(win, port);
}

void strokeMouse(ControlItem* item) {
  const WinId win = item->windowId;
  Engine* e = waveEngineOf(win);
  WaveEditBuffers* b = waveEditBuffers();
  CtrlPoint p;
  inputGetMousePos(&p);
  if (inputIsButtonDown() && !inputIsCaptured()) {
    if (!e || b->currentWave < 0 || !drawableNow(item)) return;
    waveUndoCapture(win);  // the engine's undo copy now holds the wave as it was at the press
    g_state.strokeLeft = item->rect.left;
    g_state.strokeTop = item->rect.top;
    g_state.strokeRight = item->rect.right;
    g_state.strokeBottom = item->rect.bottom;
    g_state.strokeZero = static_cast<std::int16_t>(item->rect.top + waveDisplayZeroRow);
    g_state.strokeSource = waveUndoRecord(e)->samples;
    g_state.strokeTarget = waveEditSamples(win);
    g_state.strokeBase = waveDisplayValueAt(p.y, item->rect.top);
    g_state.drawing = 1;
    inputSetCaptured();
  }
  if (!g_state.drawing) return;
  if (inputIsButtonDown()) {
    // The wave may have gone under the stroke (another preset): then it ends here.
    if (!e || b->currentWave < 0 || g_state.strokeTarget != waveEditSamples(win)) return;
    const std::int32_t n = waveDisplayIndexAt(p.x, g_state.strokeLeft, g_state.strokeRight);
    const float v = waveDisplayValueAt(p.y, g_state.strokeTop);
    g_state.strokeIndex = static_cast<std::int16_t>(n);
    toolRoutine(g_state.tool)(g_state.strokeSource, g_state.strokeTarget, n, v);
    waveEditNotify(win);
    waveDisplayRedraw(win);
    waveEditReadout(win, waveReadoutWaveform);
    waveEditShowLevel(win);
    return;
  }
  if (g_state.tool != waveItemToolHalfSine) g_state.position = g_state.strokeIndex;
  waveEditNotify(win);
  inputReset();
  g_state.drawing = 0;
  waveDisplayRedraw(win);
  knobSetValueAndRedraw(win, waveItemSlider, g_state.position / 1024.0);
  waveEditShowLevel(win);
  waveUndoFinish(win);
}

std::int32_t displayHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t) {
  if (!item) return 0;
  switch (event) {
    case customPlaced: bitmapAcquire(waveBmpBackground); break;
    case customDestroy: bitmapRelease(waveBmpBackground); break;
    case customDraw:
      if (drawableNow(item)) paintDisplay(ctrlItemWin(item), item, item->rect.left, item->rect.top);
      break;
    case customMouse: strokeMouse(item); break;
    case customShown:
      if (!a) itemInvalidate(item);
      break;
    default: break;
  }
  return 0;
}

// ---- range bar

int barOrigin(const ControlItem* item) { return item->rect.left + 4; }

void paintRangeBar(WinId win, const ControlItem* item, int ox, int oy) {
  const int x0 = ox + 4, right = ox + waveRangeBarWidth, bottom = oy + waveRangeBarHeight;
  const int ax = x0 - 6 + g_state.rangeStart / 2, bx = x0 + g_state.rangeEnd / 2;
  const CtrlRect before = {ox, oy, ax, bottom}, between = {ax + 8, oy, bx, bottom}, after = {bx + 8, oy, right, bottom};
  (void)item;
  if (before.right > before.left) bitmapDrawPart(win, waveBmpTrack, &before, 0, 0);
  if (between.right > between.left) bitmapDrawPart(win, waveBmpTrack, &between, between.left - ox, 0);
  if (after.right > after.left) bitmapDrawPart(win, waveBmpTrack, &after, after.left - ox, 0);
  bitmapDraw(win, waveBmpMarkerA, ax, oy);
  bitmapDraw(win, waveBmpMarkerB, bx, oy);
}

void redrawRangeBar(WinId win) { redrawNow(win, waveItemRangeBar, paintRangeBar); }

void rangeBarMouse(ControlItem* item) {
  const WinId win = item->windowId;
  CtrlPoint p;
  inputGetMousePos(&p);
  const int x0 = barOrigin(item);
  if (inputIsButtonDown() && !inputIsCaptured()) {
    g_state.grabbed = 0;
    g_state.grabPressX = p.x;
    // Between the two grab zones nothing is grabbed.
    if (p.x <= x0 + 4 + g_state.rangeStart / 2) {
      g_state.grabbed = 1;
      g_state.grabRefX = x0 + 4 + g_state.rangeStart / 2;
    } else if (p.x >= x0 - 2 + g_state.rangeEnd / 2) {
      g_state.grabbed = 2;
      g_state.grabRefX = x0 - 2 + g_state.rangeEnd / 2;
    }
    inputSetCaptured();
    if (g_state.grabbed) cursorShow(0);
    return;
  }
  if (inputIsButtonDown()) {
    if (!g_state.grabbed) return;
    const int r = g_state.grabRefX + (p.x - g_state.grabPressX);
    if (g_state.grabbed == 1) {
      int a = (r - x0 - 4) * 2;
      const int hi = g_state.rangeEnd - 11;
      a = numClamp(a, 0, hi);
      g_state.rangeStart = static_cast<std::int16_t>(a);
    } else {
      int b = (r - x0 + 2) * 2;
      const int lo = g_state.rangeStart + 12;
      b = numClamp(b, lo, waveLength - 1);
      g_state.rangeEnd = static_cast<std::int16_t>(b);
    }
    redrawRangeBar(win);
    waveDisplayRedraw(win);
    return;
  }
  redrawRangeBar(win);
  if (g_state.grabbed) cursorShow(1);
  g_state.grabbed = 0;
  inputReset();
}

std::int32_t rangeBarHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t) {
  if (!item) return 0;
  switch (event) {
    case customPlaced:
      bitmapAcquire(waveBmpMarkerA);
      bitmapAcquire(waveBmpMarkerB);
      bitmapAcquire(waveBmpTrack);
      break;
    case customDestroy:
      bitmapRelease(waveBmpMarkerA);
      bitmapRelease(waveBmpMarkerB);
      bitmapRelease(waveBmpTrack);
      break;
    case customDraw:
      if (drawableNow(item)) paintRangeBar(ctrlItemWin(item), item, item->rect.left, item->rect.top);
      break;
    case customMouse: rangeBarMouse(item); break;
    case customShown:
      if (!a) itemInvalidate(item);
      break;
    default: break;
  }
  return 0;
}

}  // namespace

WaveDisplayState* waveDisplayState() { return &g_state; }

void waveDisplayCreate(WinId win, std::uint16_t id, std::int32_t x, std::int32_t y) {
  winAddRectItem(win, id, x, y, waveDisplayWidth, waveDisplayHeight, displayHandler);
}

void waveDisplayInvalidate(WinId win) {
  ControlItem* item = ctrlFind(win, waveItemDisplay);
  if (drawableNow(item)) itemInvalidate(item);
}

void waveDisplayRedraw(WinId win) {
  if (waveEditBuffers()->currentWave < 0) return;
  redrawNow(win, waveItemDisplay, paintDisplay);
}

void waveDisplaySetTool(WinId, std::int32_t button) {
  if (button >= waveItemToolLine && button <= waveItemToolHalfSine) g_state.tool = button;
}

std::int16_t waveDisplayGetPosition() { return g_state.position; }

void waveDisplaySetPosition(WinId, std::int32_t p) {
  if (p >= 1 && p < waveLength) g_state.position = static_cast<std::int16_t>(p);
}

void waveRangeBarCreate(WinId win, std::uint16_t id, std::int32_t x, std::int32_t y) {
  winAddRectItem(win, id, x, y, waveRangeBarWidth, waveRangeBarHeight, rangeBarHandler);
}

void waveRangeBarShow(WinId win, std::uint16_t id, std::uint8_t on) {
  const std::int16_t w = win;
  ctrlShow(w, id, on);
  if (ControlItem* item = ctrlFind(w, id)) itemInvalidate(item);
}

void waveSliderChanged(ControlItem* item, double value, double) {
  if (!item) return;
  const WinId win = item->windowId;
  if (!std::isfinite(value)) return;
  waveDisplaySetPosition(win, static_cast<std::int32_t>(value * 1024.0));
  waveDisplayRedraw(win);
  waveEditBuffers()->sliderDragging = inputIsButtonDown() ? 1 : 0;
  waveEditReadout(win, waveReadoutPosition);
}

std::int32_t waveDisplayIndexAt(std::int32_t x, std::int32_t left, std::int32_t right) {
  x = numClampHiWins<std::int32_t>(x, left - 4, right + 4);
  std::int32_t i = (x - left) * 2;
  i = numClamp<std::int32_t>(i, 0, waveLength - 1);
  return i == waveLength - 2 ? waveLength - 1 : i;
}

float waveDisplayValueAt(std::int32_t y, std::int32_t top) {
  return static_cast<float>(-(y - (top + waveDisplayZeroRow)) / 128.5);
}

std::int32_t waveDisplayRowOf(float v) {
  const double row = double(v) * -128.5 + 129.0;
  if (!(row >= 0.0)) return 0;
  if (row > waveDisplayHeight - 1) return waveDisplayHeight - 1;
  return static_cast<std::int32_t>(row);
}

void waveToolLine(const float* source, float* target, std::int32_t n, float v) {
  n = clampPosition(n);
  anchoredStroke(source, target, n, v, [](std::int32_t k, std::int32_t steps) { return double(k) / steps; });
}

void waveToolCosine(const float* source, float* target, std::int32_t n, float v) {
  n = clampPosition(n);
  anchoredStroke(source, target, n, v,
                 [](std::int32_t k, std::int32_t steps) { return (std::cos(kPi + kPi * k / steps) + 1.0) * 0.5; });
}

void waveToolHalfSine(const float* source, float* target, std::int32_t n, float v) {
  std::memcpy(target, source, sizeof(float) * waveLength);
  const std::int32_t a = g_state.rangeStart, b = g_state.rangeEnd;
  if (a < 0 || b >= waveLength || b - a < 2) return;
  const std::int32_t c = numClamp<std::int32_t>(n, a + 1, b - 1);
  // v is not limited here, only the written samples are: a stroke far above the display lifts the
  // bump past +1, where it is cut flat.
  const double h = (double(v) - g_state.strokeBase) * 0.5;
  // The bump rises over a..c (phase pi/2 to 3 pi/2) and falls over c..b (3 pi/2 to 5 pi/2).
  for (std::int32_t i = a; i <= b; ++i) {
    const double phi = i <= c ? kPi / 2 + kPi * (i - a) / (c - a) : 1.5 * kPi + kPi * (i - c) / (b - c);
    target[i] = strokeValue(source[i] + h * (1.0 - std::sin(phi)));
  }
}

void waveNormalize(float* samples) {
  if (!samples) return;
  float peak = 0.0f;
  for (int i = 0; i < waveLength; ++i) {
    const float m = std::fabs(samples[i]);
    if (m > peak) peak = m;
  }
  if (!(peak > 0.0f)) return;
  const float scale = 0.995f / peak;
  for (int i = 0; i < waveLength; ++i) samples[i] *= scale;
  denormalGuardAdd(samples, waveLength);
}

void waveRemoveDc(float* samples) {
  if (!samples) return;
  double sum = 0.0;
  for (int i = 0; i < waveLength; ++i) sum += samples[i];
  const float m = static_cast<float>(sum * (-1.0 / 1024.0));
  for (int i = 0; i < waveLength; ++i) samples[i] += m;
  waveNormalize(samples);
}
