// The time ruler: drawing of the seconds and beat scales and the zoom drag.
#include "envelope/envRuler.h"

#include <windows.h>

#include <cmath>
#include <cstring>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/offscreen.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/valueFormat.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envRulerMath.h"
#include "envelope/envView.h"
#include "preset/presetHeader.h"

namespace {

EnvZoomDrag g_zoom;

// One beat in seconds from the preset header; 0 when the header gives none.
double beatSeconds(WinId win) {
  Engine* e = envEngineOf(win);
  const PatchHeader* h = e ? engineGetPatchHeader(e) : nullptr;
  if (!h || !(h->length > 0.0) || !(h->beats > 0.0f)) return 0.0;
  const double b = h->length / 44100.0 / h->beats;
  return std::isfinite(b) ? b : 0.0;
}

void redrawRows(WinId win) {
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id)
    if (ControlItem* item = envGraphItem(win, id)) envGraphDraw(item);
}

// Draws the scale with major ticks every `spacing` pixels (base: pixels per unit), labels the unit
// count at each from `unitSeconds`, and minor ticks from `minorFirst` every spacing.
void drawScale(ControlItem* item, double spacing, double unitSeconds, bool beats) {
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  const CtrlRect rc = item->rect;
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  if (width <= 0 || height <= 0) return;
  WinSavedDC saved = {};
  const bool acquired = !winGetDC(win);
  if (acquired) winAcquireDrawContext(win, &saved);
  OffscreenBuffer buf = {};
  HDC dc = offscreenCreate(win, &buf, &rc);
  if (!dc) {
    offscreenFree(&buf);
    if (acquired) winReleaseDrawContext(win, &saved);
    return;
  }
  const int saveId = SaveDC(dc);
  // The offscreen context has its origin at the ruler's top-left; without one (no memory) the
  // window's own context is drawn at the ruler's place.
  const int ox = dc == buf.memDC ? 0 : rc.left, oy = dc == buf.memDC ? 0 : rc.top;
  SetViewportOrgEx(dc, ox, oy, nullptr);
  bitmapDrawStretched(win, envPicRuler, 0, 0, width, height);
  SelectObject(dc, GetStockObject(WHITE_PEN));
  fontSelect(0, dc);
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  const int decimals = envRulerDecimals(v->pixelsPerSecond);
  const double r = std::fmod(v->timeOffset * v->pixelsPerSecond, spacing);
  const int bottom = height;
  char text[48];
  for (double x = spacing - r; x - spacing < width; x += spacing) {
    const int xi = static_cast<int>(x);
    MoveToEx(dc, xi, bottom - 1, nullptr);
    LineTo(dc, xi, bottom - (beats ? 4 : 5));
    double value = x / v->pixelsPerSecond + v->timeOffset;
    if (beats) value /= unitSeconds;
    formatValue(text, static_cast<float>(value + 0.000001), static_cast<std::uint16_t>(decimals));
    // A label that would be cut at either end of the ruler is left out; its tick stays.
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
    if (xi - extent.cx / 2 < 0 || xi + (extent.cx + 1) / 2 > width) continue;
    RECT tr = {xi - 24, 0, xi + 24, bottom - 1};
    DrawTextA(dc, text, -1, &tr, DT_CENTER | DT_NOPREFIX | DT_SINGLELINE);
  }
  if (beats) {
    for (double x = -spacing / 2.0 - r; x < width; x += spacing) {
      if (x < 0) continue;
      MoveToEx(dc, static_cast<int>(x), bottom - 1, nullptr);
      LineTo(dc, static_cast<int>(x), bottom - 4);
    }
  } else {
    const int top = static_cast<int>(envRulerMinorTop(spacing, height));
    if (top < bottom - 1) {
      for (double x = v->gridBeats * spacing - r; x < width; x += spacing) {
        MoveToEx(dc, static_cast<int>(x), bottom - 1, nullptr);
        LineTo(dc, static_cast<int>(x), top);
      }
    }
  }
  RestoreDC(dc, saveId);
  offscreenBlit(&buf);
  offscreenFree(&buf);
  if (acquired) winReleaseDrawContext(win, &saved);
}

void updateScrollSpan(WinId win) { envPageUpdateScrollSpan(win); }

}  // namespace

ControlItem* envRulerAddItem(WinId win, std::uint16_t id, std::int32_t x, std::int32_t y) {
  EnvelopeView* v = envViewOf(win);
  const std::int32_t width = v ? v->itemWidth : 512;
  return winAddRectItem(win, id, x, y, width, envRulerHeight, envRulerHandler);
}

std::int32_t envRulerHandler(ControlItem* item, std::uint32_t event, std::int32_t, std::int32_t) {
  switch (event) {
    case customDraw: envRulerDraw(item); break;
    case customMouse: envRulerZoomDrag(item); break;
    case customPlaced: bitmapAcquire(envPicRuler); break;
    case customDestroy: bitmapRelease(envPicRuler); break;
    default: break;
  }
  return 0;
}

void envRulerDraw(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  if (v->gridOn) {
    envRulerDrawBeats(item);
    return;
  }
  drawScale(item, envRulerTickSpacing(v->pixelsPerSecond), 1.0, false);
}

void envRulerDrawBeats(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  const double beat = beatSeconds(win);
  if (!(beat > 0.0)) {
    // A tempo of no beats has no beat scale: the seconds stand in.
    drawScale(item, envRulerTickSpacing(v->pixelsPerSecond), 1.0, false);
    return;
  }
  drawScale(item, envRulerTickSpacing(v->pixelsPerSecond * beat), beat, true);
}

void envRulerSetRight(WinId win, std::int32_t right) {
  ControlItem* ruler = ctrlFindKind(win, envItemRuler, kindCustom);
  if (!ruler || right <= ruler->rect.left) return;
  ruler->rect.right = right;
  itemRegionFromRect(ruler);
  WinSlot* w = winSlot(win);
  if (w && w->visible && ruler->visible) envRulerDraw(ruler);
}

void envRulerRedraw(WinId win) {
  if (ControlItem* ruler = ctrlFindKind(win, envItemRuler, kindCustom)) envRulerDraw(ruler);
}

void envViewSetZoom(WinId win, double zoom) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !(zoom >= envZoomMin && zoom <= envZoomMax)) return;
  v->pixelsPerSecond = zoom;
  v->secondsPerPixel = 1.0 / zoom;
  v->redrawPending = 1;
  redrawRows(win);
}

std::uint8_t envRulerIsDragging(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->dragging : 0;
}

void envRulerIdleDrag(WinId win) {
  if (ControlItem* ruler = ctrlFindKind(win, envItemRuler, kindCustom)) envRulerZoomDrag(ruler);
}

void envRulerZoomDrag(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  if (!v->dragging && inputButtonState() == inputPressed && inputGetQuickPress()) {
    envViewSetTimeOffset(win, 0.0);
    envViewSetZoom(win, envZoomDefault);
    envRulerDraw(item);
    v->redrawPending = 1;
    redrawRows(win);
    updateScrollSpan(win);
    inputReset();
    return;
  }
  // The view's dragging byte tells a press under way (the kit clears its captured flag on release).
  if (!v->dragging) {
    if (!inputIsButtonDown()) return;
    inputSetCaptured();
    envZoomDragBegin(&g_zoom, p.x, v->pixelsPerSecond);
    v->dragging = 1;
  }
  g_zoom.anchorTime = envGraphXToSeconds(win, v->graphX0, g_zoom.pressX);
  if (!inputIsButtonDown()) {
    updateScrollSpan(win);
    v->dragging = 0;
    inputReset();
    return;
  }
  if (envZoomDragStep(&g_zoom, p.x)) {
    double offset = 0.0;
    if (envZoomDragOffset(g_zoom, v->graphX0, &offset)) envViewSetTimeOffset(win, offset);
    envViewSetZoom(win, g_zoom.working);
    envRulerDraw(item);
    g_zoom.lastApplied = g_zoom.working;
  }
}
