// The row-height strip: drawing and the height drag.
#include "envelope/envRowStrip.h"

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/winSlots.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envRowMath.h"
#include "envelope/envView.h"

namespace {

struct StripDrag {
  bool active;
  CtrlPoint press;
  std::int32_t lastY;
  std::int16_t startHeight;
  std::uint16_t anchor;
};
StripDrag g_strip;

void redrawRows(WinId win, EnvelopeView* v) {
  v->redrawPending = 1;
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id)
    if (ControlItem* item = envGraphItem(win, id)) envGraphDraw(item);
}

std::uint16_t rowUnder(WinId win, std::int32_t y) {
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id) {
    ControlItem* it = envGraphItem(win, id);
    if (it && it->visible && it->rect.top <= y && y < it->rect.bottom) return id;
  }
  return envItemGraphFirst;
}

}  // namespace

ControlItem* envRowStripAddItem(WinId win, std::uint16_t id, std::int32_t x, std::int32_t y) {
  return winAddRectItem(win, id, x, y, envRowStripWidth, envRowStripHeight, envRowStripHandler);
}

std::int32_t envRowStripHandler(ControlItem* item, std::uint32_t event, std::int32_t, std::int32_t) {
  switch (event) {
    case customDraw: envRowStripDraw(item); break;
    case customMouse: envRowStripDrag(item); break;
    case customPlaced: bitmapAcquire(envPicRowStripBar); break;
    case customDestroy: bitmapRelease(envPicRowStripBar); break;
    default: break;
  }
  return 0;
}

void envRowStripDraw(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  item->rect.bottom = v->pageHeight - 17 + winGetOriginY(win);
  if (item->rect.bottom <= item->rect.top) return;
  WinSavedDC saved = {};
  const bool acquired = !winGetDC(win);
  if (acquired) winAcquireDrawContext(win, &saved);
  bitmapDrawStretched(win, envPicRowStripBar, item->rect.left, item->rect.top, item->rect.right, item->rect.bottom);
  if (acquired) winReleaseDrawContext(win, &saved);
}

void envRowStripSetBottom(WinId win, std::int32_t bottom) {
  ControlItem* strip = ctrlFindKind(win, envItemRowStrip, kindCustom);
  if (!strip || bottom <= strip->rect.top) return;
  strip->rect.bottom = bottom;
  itemRegionFromRect(strip);
}

void envRowStripDrag(ControlItem* item) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  if (!g_strip.active && inputButtonState() == inputPressed && inputGetQuickPress()) {
    envGraphScrollRows(win, 0.0f);
    if (ControlItem* first = envGraphItem(win, envItemGraphFirst))
      envGraphLayoutRows(first, envRowHeightDefault, envItemGraphFirst);
    v->itemHeight = envRowHeightDefault;
    redrawRows(win, v);
    inputReset();
    return;
  }
  if (!g_strip.active) {
    if (!inputIsButtonDown()) return;
    inputSetCaptured();
    g_strip.active = true;
    g_strip.press = p;
    g_strip.lastY = p.y;
    g_strip.startHeight = static_cast<std::int16_t>(v->itemHeight);
    g_strip.anchor = rowUnder(win, p.y);
    return;
  }
  if (inputIsButtonDown()) {
    if (p.y != g_strip.lastY) {
      const int h = envRowHeightForDrag(g_strip.startHeight, p.y - g_strip.press.y);
      if (ControlItem* anchor = envGraphItem(win, g_strip.anchor)) envGraphLayoutRows(anchor, h, g_strip.anchor);
      redrawRows(win, v);
      g_strip.lastY = p.y;
      v->itemHeight = h;
    }
    return;
  }
  g_strip.active = false;
  envGraphSetupRowScroll(win);
  inputReset();
}
