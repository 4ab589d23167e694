// The harmonics display (waveItemHarmDisplay of the Wave page): the edited wave as 64 amplitude bars (log scale,
// 12 rows per halving) above and 64 phase bars below the zero line, redrawn with the mouse. Mode 13
// draws across harmonics (a fast stroke fills the harmonics it skipped on a straight line), mode 12
// edits the harmonic pressed. Each step rebuilds the wave from the table plus the residual of the
// last analysis and writes it into the preset's wave at once; one press-drag-release is one undo step.
#include <windows.h>

#include <cmath>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/offscreen.h"
#include "controls/winSlots.h"
#include "engine/numeric.h"
#include "wave/waveHarmonics.h"
#include "wave/waveHarmonicsMath.h"
#include "wave/waveHarmonicsView.h"
#include "wave/wavePage.h"

namespace {

const COLORREF kZeroLine = RGB(49, 49, 0);
const COLORREF kAmpPen = RGB(204, 254, 49);
const COLORREF kPhasePen = RGB(107, 174, 215);
const COLORREF kHighlightPen = RGB(68, 255, 211);

HarmonicsView makeView() {
  HarmonicsView v{};
  v.currentHarmonic = -1;
  v.highlighted = -1;
  return v;
}
HarmonicsView g_view = makeView();

// One mouse edit, from press to release.
struct HarmonicsEdit {
  bool active;
  CtrlRect rect;      // the display at the press
  std::int32_t zero;  // the edit's zero row
  bool phaseRegion;   // fixed at the press: below the zero row
  float* target;      // the edited wave's samples
  double previous, value, step;
  std::int32_t first, last;
  CtrlPoint lastPoint;  // last handled point (y after the phase region's 5-row lift)
};
HarmonicsEdit g_edit{};

bool drawableNow(const ControlItem* item) { return item && item->visible && item->drawable; }

void line(HDC dc, COLORREF colour, int x0, int y0, int x1, int y1) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// Both bars of harmonic k, with (ox, oy) the display's top-left in the drawing context.
void paintBar(HDC dc, int k, bool highlight, int ox, int oy) {
  const int x = ox + k * harmonicsColumnWidth + 4;
  const int ampTop = oy + numClamp<std::int32_t>(g_view.ampBar[k], 0, harmonicsAmpBase);
  const int phaseEnd =
      oy + numClamp<std::int32_t>(harmonicsZeroRow + g_view.phaseBar[k], harmonicsZeroRow, harmonicsRowsMax);
  const COLORREF amp = highlight ? kHighlightPen : kAmpPen;
  const COLORREF phase = highlight ? kHighlightPen : kPhasePen;
  line(dc, amp, x, oy + harmonicsAmpBase, x, ampTop);
  line(dc, amp, x - 2, ampTop, x + 3, ampTop);
  line(dc, phase, x, oy + harmonicsZeroRow, x, phaseEnd);
  line(dc, phase, x - 2, phaseEnd, x + 3, phaseEnd);
}

// Paints the window area `area` (inside the display) into the current drawing context, whose (0, 0)
// is the window point (dx, dy): the page background under it, the zero line, then the bars of
// harmonics first..last.
void paintInto(WinId win, const ControlItem* item, const CtrlRect& area, int dx, int dy, int first, int last,
               bool highlight) {
  const CtrlRect local = {area.left - dx, area.top - dy, area.right - dx, area.bottom - dy};
  bitmapDrawPart(win, waveBmpBackground, &local, waveDisplayX + (area.left - item->rect.left),
                 waveDisplayY - 68 + (area.top - item->rect.top));
  HDC dc = winGetDC(win);
  if (!dc) return;
  const int ox = item->rect.left - dx, oy = item->rect.top - dy;
  line(dc, kZeroLine, local.left, oy + harmonicsZeroRow, local.right, oy + harmonicsZeroRow);
  for (int k = first; k <= last; ++k) paintBar(dc, k, highlight, ox, oy);
}

// The same through an offscreen buffer of the area, copied to the window in one piece.
void paintArea(WinId win, const ControlItem* item, const CtrlRect& area, int first, int last, bool highlight) {
  WinSlot* slot = winSlot(win);
  if (!slot) return;
  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  HDC outer = slot->offscreenDC;
  winSetOffscreenDC(win, nullptr);
  OffscreenBuffer buffer{};
  offscreenCreate(win, &buffer, &area);
  if (buffer.memDC) {
    paintInto(win, item, area, area.left, area.top, first, last, highlight);
    offscreenBlit(&buffer);
  }
  offscreenFree(&buffer);
  winSetOffscreenDC(win, outer);
  winReleaseDrawContext(win, &saved);
}

ControlItem* displayItem(WinId win) {
  wavePageSelectPane(win);
  return ctrlFind(win, waveItemHarmDisplay);
}

bool editing(WinId win) { return waveEngineOf(win) && waveEditBuffers()->currentWave >= 0; }

// Sets harmonic h from a mouse value and repaints its bar.
void setFromMouse(WinId win, int h, double value, bool highlight) {
  WaveHarmonic& entry = waveEditBuffers()->harmonics[h];
  if (!g_edit.phaseRegion) {
    entry.amp = harmonicsMouseAmp(value);
    g_view.ampBar[h] = harmonicsAmpBar(entry.amp);
  } else {
    entry.phase = harmonicsMousePhase(value);
    g_view.phaseBar[h] = harmonicsPhaseBarMouse(entry.phase);
  }
  harmonicsDrawBars(win, h, highlight);
}

void displayMouse(ControlItem* item) {
  const WinId win = item->windowId;
  WaveEditBuffers* b = waveEditBuffers();
  CtrlPoint p;
  inputGetMousePos(&p);
  if (inputIsButtonDown() && !inputIsCaptured()) {
    if (!editing(win) || !waveEditSamples(win)) return;
    waveUndoCapture(win);
    g_edit.active = true;
    g_edit.rect = item->rect;
    g_edit.zero = static_cast<std::int32_t>(std::trunc(item->rect.top + 129.5));
    g_edit.target = waveEditSamples(win);
    g_edit.phaseRegion = p.y > g_edit.zero;
    const std::int32_t y = g_edit.phaseRegion ? p.y - 5 : p.y;
    const std::int32_t pressed =
        numClamp<std::int32_t>((p.x - g_edit.rect.left) / harmonicsColumnWidth, 0, waveHarmonicCount - 1);
    g_view.currentHarmonic = static_cast<std::int16_t>(pressed);
    if (b->harmonicMode == waveItemHarmSingle)
      g_view.readoutHarmonic = static_cast<std::int16_t>(g_view.currentHarmonic + 1);
    g_edit.previous = g_edit.value = g_edit.rect.top - y;
    g_edit.step = 0.0;
    g_edit.first = g_edit.last = g_view.currentHarmonic;
    g_edit.lastPoint = {-32768, -32768};  // the press itself sets its harmonic
    inputSetCaptured();
  }
  if (!g_edit.active) return;
  if (!inputIsButtonDown()) {
    inputReset();
    g_edit.active = false;
    g_view.readoutHarmonic = 0;
    waveUndoFinish(win);
    return;
  }
  // The wave may have gone from under the edit (another wave chosen): the edit stops writing.
  if (!editing(win) || g_edit.target != waveEditSamples(win)) return;
  const std::int32_t x = numClamp<std::int32_t>(p.x, g_edit.rect.left, g_edit.rect.right);
  const std::int32_t y = g_edit.phaseRegion ? p.y - 5 : p.y;
  const double height = g_edit.rect.top - y;
  const bool single = b->harmonicMode == waveItemHarmSingle;
  std::int32_t reached = g_view.currentHarmonic;
  if (!single) {
    const std::int32_t i =
        numClamp<std::int32_t>((x - g_edit.rect.left) / harmonicsColumnWidth, 0, waveHarmonicCount - 1);
    const std::int32_t c = g_view.currentHarmonic;
    const std::int32_t d = i - c;
    reached = i;
    if (d > -2 && d < 2) {
      g_edit.first = g_edit.last = i;
      g_edit.value = g_edit.previous = height;
      g_edit.step = 0.0;
    } else if (i > c) {
      g_edit.first = c + 1;
      g_edit.last = i;
      g_edit.step = (height - g_edit.previous) / d;
      g_edit.value = g_edit.previous + g_edit.step;
      g_edit.previous = height;
    } else {
      g_edit.first = i;
      g_edit.last = c - 1;
      g_edit.value = height;
      g_edit.step = (g_edit.previous - g_edit.value) / (c - i);
      g_edit.previous = g_edit.value;
    }
  } else {
    g_edit.value = height;
    g_edit.step = 0.0;
    g_edit.first = g_edit.last = g_view.currentHarmonic;
  }
  if (reached == g_view.currentHarmonic && y == g_edit.lastPoint.y) return;  // nothing moved
  g_view.currentHarmonic = static_cast<std::int16_t>(reached);
  double value = g_edit.value;
  for (std::int32_t h = g_edit.first; h <= g_edit.last; ++h) {
    setFromMouse(win, h, value, single);
    value += g_edit.step;
  }
  harmonicsRebuild(win);
  waveEditReadout(win, waveReadoutHarmonics);
  g_edit.lastPoint.x = static_cast<std::int16_t>(x);
  g_edit.lastPoint.y = static_cast<std::int16_t>(y);
}

std::int32_t displayHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t) {
  if (!item) return 0;
  switch (event) {
    case harmonicsEventPaint:
      // The kit's paint: into the context it holds, at the item's place.
      if (drawableNow(item) && waveEditBuffers()->currentWave >= 0)
        paintInto(ctrlItemWin(item), item, item->rect, 0, 0, 0, waveHarmonicCount - 1, false);
      break;
    case harmonicsEventMouse: displayMouse(item); break;
    case harmonicsEventClear: {
      // Also the kit's placement event: the page background is held from here on.
      WaveEditBuffers* b = waveEditBuffers();
      for (auto& h : b->harmonics) h = WaveHarmonic{0.0, 0.0};
      for (int k = 0; k < waveHarmonicCount; ++k) g_view.ampBar[k] = g_view.phaseBar[k] = 0;
      if (!g_view.zeroRow) bitmapAcquire(waveBmpBackground);
      g_view.zeroRow = static_cast<std::int16_t>(item->rect.top + harmonicsZeroRow);
      break;
    }
    case harmonicsEventRelease:
      if (g_view.zeroRow) bitmapRelease(waveBmpBackground);
      g_view.zeroRow = 0;
      break;
    case harmonicsEventShow:
      if (!a) itemInvalidate(item);
      break;
    default: break;
  }
  return 0;
}

}  // namespace

HarmonicsView* harmonicsView() { return &g_view; }

void harmonicsDisplayCreate(WinId win, std::uint16_t item, std::int32_t x, std::int32_t y) {
  ControlItem* it = winAddRectItem(win, item, x, y, waveDisplayWidth, waveDisplayHeight, displayHandler);
  if (it) g_view.zeroRow = static_cast<std::int16_t>(it->rect.top + harmonicsZeroRow);
}

void harmonicsDisplayRefresh(WinId win, std::uint16_t item) {
  wavePageSelectPane(win);
  ControlItem* it = ctrlFind(win, item);
  if (!it || !it->visible) return;
  harmonicsAnalyze(win);
  wavePageSelectPane(win);
  itemInvalidate(it);
}

void harmonicsAnalyzeEntry(WinId win, std::uint16_t) { harmonicsAnalyze(win); }

void harmonicsDrawBarsEntry(WinId win, std::uint16_t) { harmonicsDrawBars(win, -1, false); }

void harmonicsAnalyze(WinId win) {
  if (!editing(win)) return;
  const float* w = waveEditSamples(win);
  if (!w) return;
  WaveEditBuffers* b = waveEditBuffers();
  harmonicsAnalyzeSamples(w, b->harmonics);
  harmonicsResynthesize(b->harmonics, g_view.resynth);
  waveEditNotify(win);
  harmonicsResidual(w, g_view.resynth, g_view.residual);
  harmonicsComputeBars();
}

void harmonicsComputeBars() {
  const WaveEditBuffers* b = waveEditBuffers();
  for (int k = 0; k < waveHarmonicCount; ++k) {
    g_view.ampBar[k] = harmonicsAmpBar(b->harmonics[k].amp);
    g_view.phaseBar[k] = harmonicsPhaseBarAnalysis(b->harmonics[k].phase);
  }
}

void harmonicsDrawBars(WinId win, std::int32_t k, bool highlight) {
  if (waveEditBuffers()->currentWave < 0) return;
  WinSlot* slot = winSlot(win);
  if (!slot) return;
  ItemPort* port = slot->currentPort;
  ControlItem* item = displayItem(win);
  if (drawableNow(item) && itemOnScreen(item)) {
    if (k < 0 || k >= waveHarmonicCount) {
      paintArea(win, item, item->rect, 0, waveHarmonicCount - 1, false);
    } else {
      const CtrlRect columns = {item->rect.left + k * harmonicsColumnWidth + 1, item->rect.top,
                                item->rect.left + k * harmonicsColumnWidth + 8, item->rect.bottom};
      paintArea(win, item, columns, k, k, highlight);
    }
  }
  winSelectPort(win, port);
}

void harmonicsSetMode(WinId win, std::int32_t button) {
  if (button == waveItemHarmSweep) {
    harmonicsDrawBars(win, -1, false);
    waveEditBuffers()->harmonicMode = button;
  } else if (button == waveItemHarmSingle) {
    waveEditBuffers()->harmonicMode = button;
  }
}

void harmonicsHighlight(WinId win, std::int16_t n) {
  if (waveEditBuffers()->harmonicMode != waveItemHarmSingle) return;
  if (g_view.highlighted >= 0 && g_view.highlighted != n) {
    if (g_view.highlighted >= 1) harmonicsDrawBars(win, g_view.highlighted - 1, false);
  } else if (n >= 1 && n <= waveHarmonicCount) {
    harmonicsDrawBars(win, n - 1, true);
  }
  g_view.highlighted = n;
}

double harmonicsGetAmp(WinId, std::int16_t n) {
  n = static_cast<std::int16_t>(numClamp<std::int32_t>(n, 1, waveHarmonicCount));
  return waveEditBuffers()->harmonics[n - 1].amp;
}

double harmonicsGetPhase(WinId, std::int16_t n) {
  n = static_cast<std::int16_t>(numClamp<std::int32_t>(n, 1, waveHarmonicCount));
  return harmonicsPhaseRemainder(waveEditBuffers()->harmonics[n - 1].phase);
}

std::int16_t harmonicsGetReadoutHarmonic() { return g_view.readoutHarmonic; }
