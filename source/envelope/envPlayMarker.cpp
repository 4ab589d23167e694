// Play position markers over the graph rows.
#include "envelope/envPlayMarker.h"

#include <windows.h>

#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/voice.h"
#include "envelope/envGraph.h"
#include "envelope/envMarkerMath.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"

namespace {

// The column each row's marker covers on screen (x -1: none).
struct Shown {
  std::int32_t x, top, bottom;
};
Shown g_shown[envItemGraphEnd + 1];

Shown* shownOf(ControlItem* item) { return item && item->id <= envItemGraphEnd ? &g_shown[item->id] : nullptr; }

struct Dc {
  WinId win;
  WinSavedDC saved = {};
  bool acquired;
  HDC dc;
  explicit Dc(std::int16_t w) : win(w), acquired(!winGetDC(w)) {
    if (acquired) winAcquireDrawContext(win, &saved);
    dc = winGetDC(win);
  }
  ~Dc() {
    if (acquired) winReleaseDrawContext(win, &saved);
  }
};

// Copies the marker's column back from the row's copy of its last drawing.
void restore(ControlItem* item) {
  Shown* s = shownOf(item);
  if (!s || s->x < 0) return;
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  const OffscreenHighlight& h = r ? r->offscreen : OffscreenHighlight{};
  const WinId win = item->windowId;
  if (r && h.memDC && s->x >= h.x && s->x < h.x + h.width) {
    std::int32_t top = s->top < h.y ? h.y : s->top;
    std::int32_t bottom = s->bottom > h.y + h.height ? h.y + h.height : s->bottom;
    Dc dc(win);
    if (dc.dc && bottom > top) BitBlt(dc.dc, s->x, top, 1, bottom - top, h.memDC, s->x - h.x, top - h.y, SRCCOPY);
  }
  s->x = -1;
}

// The row's rectangle inside the graph area; false when none of it is there.
bool markerRect(ControlItem* item, const EnvelopeView* v, CtrlRect* out) {
  const WinId win = item->windowId;
  const std::int32_t graphTop = winGetOriginY(win) + envGraphAreaOffset;
  CtrlRect r = item->rect;
  if (r.bottom <= graphTop) return false;
  if (r.top <= graphTop) r.top = graphTop + 1;
  const std::int32_t pageBottom = v->pageHeight - 22 + winGetOriginY(win);
  if (r.bottom > pageBottom) r.bottom = pageBottom;
  if (r.bottom <= r.top) return false;
  *out = r;
  return true;
}

void drawLine(ControlItem* item, std::int32_t x, std::int32_t top, std::int32_t bottom, COLORREF colour) {
  Shown* s = shownOf(item);
  if (!s) return;
  const WinId win = item->windowId;
  Dc dc(win);
  if (!dc.dc) return;
  HBRUSH brush = CreateSolidBrush(colour);
  RECT line = {x, top, x + 1, bottom};
  FillRect(dc.dc, &line, brush);
  DeleteObject(brush);
  *s = Shown{x, top, bottom};
}

bool rowVisible(ControlItem* item) {
  WinSlot* w = winSlot(item->windowId);
  return item->visible && item->port && item->port->open && w && w->visible;
}

}  // namespace

std::int32_t envGraphMarkerX(ControlItem* item) {
  Shown* s = shownOf(item);
  return s ? s->x : -1;
}

void envGraphUpdateMarkers(WinId win, std::uint8_t active) {
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id)
    if (ControlItem* item = envGraphItem(win, id)) envGraphDrawMarkerLine(item, active);
}

void envGraphDrawMarkerLine(ControlItem* item, std::uint8_t active) {
  if (!item) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  const std::int16_t slotIndex = envGraphSlotOfItem(item);
  if (!v || !e || slotIndex < 0 || !rowVisible(item)) return;
  EnvelopeSlot* slot = engineGetEnvelopeSlot(e, slotIndex);
  if (!slot) return;
  if (slot->mode == envModeControl && active) {
    envGraphDrawControlMarker(item, e, slot);
    return;
  }
  const Voice* voice = engineGetVoice(e, static_cast<std::int16_t>(e->displayVoice));
  CtrlRect r;
  double t = 0.0;
  if (!active || !voice || !voice->active || inputIsButtonDown() || !markerRect(item, v, &r) ||
      !envMarkerSeconds(slot, &t)) {
    restore(item);
    return;
  }
  const std::int32_t x = static_cast<std::int32_t>(envGraphSecondsToX(win, 0.0, t)) + item->rect.left + 3;
  if (!(x > item->rect.left && x < item->rect.right)) {
    restore(item);
    return;
  }
  const EnvMarkerLook look = envMarkerLookFor(e, slot);
  std::int32_t top = r.bottom - static_cast<std::int32_t>(look.fraction * (r.bottom - r.top));
  const std::int32_t graphTop = winGetOriginY(win) + envGraphAreaOffset;
  if (top <= graphTop) top = graphTop - 1;
  Shown* s = shownOf(item);
  if (s && s->x == x && s->top == top && s->bottom == r.bottom) return;  // already there
  restore(item);
  drawLine(item, x, top, r.bottom, RGB(look.red, look.green, look.blue));
}

void envGraphDrawControlMarker(ControlItem* item, Engine* engine, EnvelopeSlot* slot) {
  if (!item || !engine || !slot) return;
  const WinId win = item->windowId;
  EnvelopeView* v = envViewOf(win);
  CtrlRect r;
  if (!v || inputIsButtonDown() || !markerRect(item, v, &r)) {
    restore(item);
    return;
  }
  double p = slot->displayPosition;
  p = p < 0.0 || !(p == p) ? 0.0 : p > 1.0 ? 1.0 : p;
  const std::int32_t X = static_cast<std::int32_t>(envGraphSecondsToX(win, 0.0, envSlotTotalSeconds(slot)));
  const std::int32_t x = item->rect.left + 3 + static_cast<std::int32_t>(X * p);
  if (!(x > item->rect.left && x < item->rect.right)) {
    restore(item);
    return;
  }
  Shown* s = shownOf(item);
  if (s && s->x == x && s->top == r.top && s->bottom == r.bottom) return;
  restore(item);
  drawLine(item, x, r.top, r.bottom, RGB(envMarkerRed, envMarkerGreen, envMarkerBlue));
}
