// Envelope graph items: records, binding to slots and surround-pan partners, the item handler, the
// coordinate mapping and the small accessors the rest of the page uses.
//
// The kit keeps a 32-bit data word per custom item, too small for a pointer on 64-bit builds, so an
// item's word is a handle (index + 1) into this file's table of records; the record itself still
// begins with the tag and is checked on every lookup.
#include "envelope/envGraph.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/valueFormat.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"
#include "preset/envelope.h"

namespace {

const int kRecordTable = 256;
EnvelopeGraphRecord* g_records[kRecordTable];

std::uint32_t recordStore(EnvelopeGraphRecord* r) {
  for (int i = 0; i < kRecordTable; ++i)
    if (!g_records[i]) {
      g_records[i] = r;
      return static_cast<std::uint32_t>(i + 1);
    }
  return 0;
}

void recordForget(std::uint32_t handle) {
  if (handle >= 1 && handle <= static_cast<std::uint32_t>(kRecordTable)) g_records[handle - 1] = nullptr;
}

std::uint32_t itemWord(ControlItem* item) {
  if (!item || item->kind != kindCustom || !item->k.kindData) return 0;
  return static_cast<CustomItemData*>(item->k.kindData)->userData;
}

EnvelopeGraphRecord* newRecord(std::uint16_t itemId) {
  EnvelopeGraphRecord* r = static_cast<EnvelopeGraphRecord*>(std::calloc(1, sizeof(EnvelopeGraphRecord)));
  if (r) envGraphRecordInit(r, itemId, 0);
  return r;
}

bool visibleInShownWindow(WinId win, ControlItem* item) {
  WinSlot* s = winSlot(win);
  return item && s && s->visible && item->visible && item->drawable;
}

}  // namespace

bool envGraphHitContains(const GraphHit& h, std::int32_t x, std::int32_t y) {
  return h.valid && h.left <= x && x <= h.right && h.top <= y && y <= h.bottom;
}

int envGraphHitFind(const GraphHit* table, int count, std::int32_t x, std::int32_t y) {
  if (!table) return -1;
  if (count > envGraphHitCount) count = envGraphHitCount;
  for (int i = 0; i < count; ++i)
    if (envGraphHitContains(table[i], x, y)) return i;
  return -1;
}

ControlItem* envGraphItem(WinId win, std::uint16_t id) {
  envSelectPane(win);
  return ctrlFindKind(win, id, kindCustom);
}

EnvelopeGraphRecord* envGraphRecordOfItem(ControlItem* item) {
  const std::uint32_t w = itemWord(item);
  if (w < 1 || w > static_cast<std::uint32_t>(kRecordTable)) return nullptr;
  EnvelopeGraphRecord* r = g_records[w - 1];
  return r && r->tag == envGraphTag ? r : nullptr;
}

EnvelopeGraphRecord* envGraphRecordOf(WinId win, std::uint16_t id) {
  return envGraphRecordOfItem(envGraphItem(win, id));
}

std::int16_t envGraphSlotOfItem(ControlItem* item) {
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  return r ? r->slotIndex : -1;
}

ControlItem* envGraphAddItem(WinId win, std::uint16_t id, std::int32_t left, std::int32_t top) {
  EnvelopeView* v = envViewOf(win);
  if (!v) return nullptr;
  EnvelopeGraphRecord* r = newRecord(id);
  if (!r) return nullptr;
  const std::uint32_t handle = recordStore(r);
  if (!handle) {
    std::free(r);
    return nullptr;
  }
  ControlItem* item = winAddRectItem(win, id, left, top, v->itemWidth, v->itemHeight, envGraphItemHandler);
  if (!item) {
    recordForget(handle);
    std::free(r);
    return nullptr;
  }
  v->graphX0 = static_cast<std::int16_t>(item->rect.left + 2);
  winSetItemData(win, id, handle);
  return item;
}

void envGraphSetPartner(EnvelopeGraphRecord* record, Engine* engine, bool paired) {
  if (!record) return;
  if (paired) {
    if (!record->partner) record->partner = newRecord(0);
    if (record->partner) record->partner->slotIndex = envFindPartner(engine, record->slotIndex);
    if (!record->xyHits) record->xyHits = static_cast<GraphHit*>(std::calloc(envGraphHitCount, sizeof(GraphHit)));
    return;
  }
  if (record->partner) {
    offscreenDeleteObjects(&record->partner->offscreen);
    std::free(record->partner);
  }
  std::free(record->xyHits);
  record->partner = nullptr;
  record->xyHits = nullptr;
}

void envGraphFreePartner(EnvelopeGraphRecord* record) { envGraphSetPartner(record, nullptr, false); }

void envGraphBindSlot(WinId win, std::uint16_t id, std::int16_t slot) {
  Engine* e = envEngineOf(win);
  EnvelopeGraphRecord* r = envGraphRecordOf(win, id);
  if (!e || !r) return;
  r->slotIndex = slot >= 0 && slot < envSlotCount ? slot : -1;
  EnvelopeSlot* s = r->slotIndex >= 0 ? engineGetEnvelopeSlot(e, r->slotIndex) : nullptr;
  const bool paired = s && envSlotIsPanPair(s) && envFindPartner(e, r->slotIndex) >= 0;
  envGraphSetPartner(r, e, paired);
}

EnvelopeSlot* envGraphSelectedSlot(WinId win) {
  const std::int16_t s = envGraphSelectedSlotIndex(win);
  Engine* e = envEngineOf(win);
  return s >= 0 && e ? engineGetEnvelopeSlot(e, s) : nullptr;
}

std::int16_t envGraphSelectedSlotIndex(WinId win) {
  EnvelopeView* v = envViewOf(win);
  if (!v || v->selectedItem < envItemGraphFirst) return -1;
  return envGraphSlotOfItem(envGraphItem(win, static_cast<std::uint16_t>(v->selectedItem)));
}

void envGraphSetCurrentItem(WinId win, ControlItem* item) {
  if (EnvelopeView* v = envViewOf(win)) v->hoverItem = item;
}

void envGraphLayoutItems(WinId win) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  const std::int32_t oy = winGetOriginY(win);
  const std::int32_t graphTop = oy + envGraphAreaOffset;
  const std::int32_t graphBottom = oy + v->pageHeight - 22;
  const std::int32_t right = v->pageWidth - 22;
  if (graphBottom < graphTop || right < 300) return;
  ControlItem* last = nullptr;
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphLast; ++id) {
    ControlItem* it = envGraphItem(win, id);
    if (it && it->visible) last = it;
  }
  const std::int32_t left = last ? last->rect.left : envGraphLeft;
  std::int32_t top = last ? last->rect.bottom : graphTop;
  top = numClampHiWins<std::int32_t>(top, graphTop, graphBottom);
  CtrlRect r = {left, top, right, graphBottom};
  pictureSetRect(win, envItemGraphBack, &r);
}

void envGraphResizeItem(WinId win, std::uint16_t id, std::int32_t right, std::int32_t bottom) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  ControlItem* it = envGraphItem(win, id);
  if (!v || !it || !envGraphRecordOfItem(it)) return;
  if (right > it->rect.left + envGraphMaxColumns) right = it->rect.left + envGraphMaxColumns;
  if (bottom > it->rect.top + envRowMaxHeight) bottom = it->rect.top + envRowMaxHeight;
  if (right > 0) it->rect.right = right;
  if (bottom > 0) {
    it->rect.bottom = bottom;
    v->graphBottom = static_cast<std::uint16_t>(bottom);
  }
  itemRegionFromRect(it);
  it->needsRedraw = 1;
  if (visibleInShownWindow(win, it)) envGraphDraw(it);
}

void envGraphInvalidateItem(WinId win, std::uint16_t id) {
  envSelectPane(win);
  if (!envGraphItem(win, id) || !ctrlIsShown(win, id)) return;
  CtrlRect r;
  if (ctrlGetRect(win, id, &r)) winInvalidateRect(win, &r);
}

void envGraphRedrawAll(WinId win) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  if (!v || !envEngineOf(win)) return;
  v->redrawPending = 1;
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id)
    if (ControlItem* it = envGraphItem(win, id)) envGraphDraw(it);
}

void envGraphRedrawLinked(WinId win) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || v->selectedItem < envItemGraphFirst) return;
  ControlItem* sel = envGraphItem(win, static_cast<std::uint16_t>(v->selectedItem));
  if (sel) envGraphDraw(sel);
  const std::int16_t selSlot = envGraphSlotOfItem(sel);
  if (selSlot < 0) return;
  for (std::int16_t s = 0; s < envSlotCount; ++s) {
    if (s == selSlot || !envIsLinked(e, s) || envGetLinkMasterSlot(e, s) != selSlot) continue;
    for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id) {
      ControlItem* it = envGraphItem(win, id);
      if (it && envGraphSlotOfItem(it) == s) envGraphDraw(it);
    }
  }
}

void envGraphShowIfBelow(WinId win, int k, std::int32_t y) {
  envSelectPane(win);
  const std::uint16_t id = static_cast<std::uint16_t>(envItemGraphFirst + k);
  ControlItem* it = envGraphItem(win, id);
  if (!it) return;
  const bool show = envGraphSlotOfItem(it) >= 0 && it->rect.bottom > y;
  if ((it->visible != 0) != show) ctrlShow(win, id, show ? 1 : 0);
}

double envBpAbsSeconds(const EnvelopeSlot* slot, int bp) {
  if (!slot || bp < 0) return 0.0;
  if (bp >= envBreakpointCount) bp = envBreakpointCount - 1;
  double sum = 0.0;
  for (int i = 0; i <= bp; ++i) sum += slot->breakpoints[i].time;
  return sum / 44100.0;
}

double envGraphXToSeconds(WinId win, std::int32_t x0, std::int32_t x) {
  EnvelopeView* v = envViewOf(win);
  return v ? (x - x0) * v->secondsPerPixel + v->timeOffset : 0.0;
}

double envGraphDragLevel(std::int16_t destKind, std::int32_t pressCoord, std::int32_t coord, double startLevel,
                         double stepPerPixel) {
  double level;
  if (destKind == envDestOscPitch || destKind == envDestOscModPitch || destKind == envDestModPitch)
    level = startLevel * pitchSemisToRatio(static_cast<double>((pressCoord - coord) / 3));
  else
    level = startLevel + (pressCoord - coord) * stepPerPixel;
  level = numClamp(level, 0.0, 1.0);
  return level;
}

void envGraphItemDestroy(ControlItem* item) {
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  if (!r) return;
  envGraphFreePartner(r);
  offscreenDeleteObjects(&r->offscreen);
  const std::uint32_t handle = itemWord(item);
  recordForget(handle);
  r->tag = 0;
  std::free(r);
  static_cast<CustomItemData*>(item->k.kindData)->userData = 0;
}

void envGraphItemShow(ControlItem* item, std::int32_t flag) {
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  if (r && !flag) offscreenDeleteObjects(&r->offscreen);
}

// A double-click press is handled as an event of its own, on a code the kit does not use.
enum { envGraphDoubleClickEvent = 3 };

std::int32_t envGraphItemHandler(ControlItem* item, std::uint32_t event, std::int32_t a, std::int32_t b) {
  if (!item) return 0;
  if (event == customMouse && inputButtonState() == inputPressed && !inputIsCaptured() && inputIsDoubleClick())
    event = envGraphDoubleClickEvent;
  const WinId win = item->windowId;
  switch (event) {
    case customDraw: envGraphDraw(item); break;
    case customMouse: envGraphMouseDown(item); break;
    case envGraphDoubleClickEvent: {
      CtrlPoint p;
      inputGetMousePos(&p);
      if (envViewOf(win) && envEngineOf(win)) envGraphDoubleClick(item, p.x, p.y);
      inputReset();
      break;
    }
    case customDestroy: envGraphItemDestroy(item); break;
    case customShown: envGraphItemShow(item, a); break;
    case customHover: {
      EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
      if (!r) break;
      if (envGraphHitContains(r->startMark, a, b) || envGraphHitFind(r->pointHits, r->pointCount, a, b) >= 0 ||
          envGraphHitFind(r->handleHits, r->handleCount, a, b) >= 0)
        break;
      std::uint32_t cursor = 0;
      if (envGraphHitContains(r->sustainMark, a, b))
        cursor = envCursorSustain;
      else if (envGraphHitContains(r->loopMark, a, b))
        cursor = envCursorLoop;
      ctrlSetHoverCursor(item, cursor);
      break;
    }
    default: break;
  }
  return 0;
}
