// Nested panes: a port inside an item, drawn and fed the mouse through the item.
#include "controls/pane.h"
#include <cstdlib>
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/winSlots.h"

namespace {

PaneData* dataOf(ControlItem* item) {
  return item && item->kind == kindPane ? static_cast<PaneData*>(item->k.kindData) : nullptr;
}

ControlItem* ownItem(WinId win, uint16_t id) {
  WinSlot* slot = winSlot(win);
  if (!slot || !slot->ownPort.items || id >= slot->ownPort.items->capacity) return nullptr;
  return slot->ownPort.items->entries[id];
}

void refreshRegion(ControlItem* item) {
  if (item->visible && item->drawable) regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
}

void create(ControlItem* item) { item->k.kindData = std::calloc(1, sizeof(PaneData)); }

void destroy(ControlItem* item) {
  PaneData* d = dataOf(item);
  if (!d) return;
  WinId win = item->windowId;
  WinSlot* slot = winSlot(win);
  winSelectPort(win, &d->port);
  portClose(&d->port);
  winSelectPort(win, nullptr);
  if (slot) {
    // Nothing of the window may keep pointing into the pane's port once it is gone.
    if (slot->overlayPort == &d->port) slot->overlayPort = nullptr;
    if (slot->defaultButtonPort == &d->port) {
      slot->defaultButtonPort = nullptr;
      slot->defaultButton = 0;
    }
  }
  std::free(d);
  item->k.kindData = nullptr;
}

void draw(ControlItem* item) {
  PaneData* d = dataOf(item);
  if (!d) return;
  WinId win = item->windowId;
  // A redraw in the middle of a page's build must leave the page's container current.
  WinSlot* slot = winSlot(win);
  ItemPort* saved = slot ? slot->currentPort : nullptr;
  winSelectPort(win, &d->port);
  portDraw(&d->port);
  winSelectPort(win, saved);
}

void mouse(ControlItem* item) {
  PaneData* d = dataOf(item);
  if (!d) return;
  WinId win = item->windowId;
  winSelectPort(win, &d->port);
  switch (inputButtonState()) {
    case inputPressed: {
      CtrlPoint p;
      inputGetMousePos(&p);
      uint16_t hit = portHitTest(&d->port, p);
      if (hit) portDispatchMouse(&d->port, 0, nullptr, hit);
      break;
    }
    case inputDragging:
      if (d->port.capturedItem) portDispatchMouse(&d->port, 0, nullptr, d->port.capturedItem);
      break;
    case inputReleased:
      if (d->port.capturedItem) portDispatchMouse(&d->port, 0, nullptr, d->port.capturedItem);
      d->port.capturedItem = 0;
      break;
    default: break;
  }
  winSelectPort(win, nullptr);
}

void show(ControlItem* item, int32_t flag) {
  PaneData* d = dataOf(item);
  if (!d) return;
  WinId win = item->windowId;
  WinSlot* slot = winSlot(win);
  if (!flag && slot && slot->overlayPort == &d->port) slot->overlayPort = nullptr;
  winSelectPort(win, &d->port);
  uint8_t v = flag ? 1 : 0;
  if (d->port.drawEnabled != v) {
    d->port.drawEnabled = v;
    if (v) {
      portReloadPictures(&d->port);
      WinSavedDC saved;
      winAcquireDrawContext(win, &saved);
      if (slot && slot->visible) portDraw(&d->port);
      winReleaseDrawContext(win, &saved);
    }
  }
  refreshRegion(item);
  winSelectPort(win, nullptr);
}

}  // namespace

ItemPort* panePort(ControlItem* item) {
  PaneData* d = dataOf(item);
  return d ? &d->port : nullptr;
}

ControlItem* paneCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t, uint16_t capacity, uint32_t userWord) {
  if (id < 1 || id > 32) return nullptr;
  if (ctrlFind(win, id)) return nullptr;  // a taken id keeps its item untouched
  ControlItem* item = winAddItem(win, id, kindPane);
  PaneData* d = dataOf(item);
  if (!d) return nullptr;
  WinSlot* slot = winSlot(win);
  d->item = item;
  d->userWord = userWord;
  portOpen(&d->port, win, nullptr, capacity);
  d->port.offsetX = static_cast<int16_t>(slot->originX + x);
  d->port.offsetY = static_cast<int16_t>(slot->originY + y);
  d->port.bounds.left = x;
  d->port.bounds.top = y;
  item->rect = {x, y, x, y};
  item->drawable = 1;
  portMarkDirty(item->port);
  itemShowAsCtrlShow(item, 1);
  winSelectPort(win, &d->port);
  return item;
}

void paneActivate(WinId win, uint16_t id) {
  if (!winSlot(win)) return;
  winSelectPort(win, nullptr);
  ControlItem* item = ctrlFind(win, id);
  PaneData* d = dataOf(item);
  if (!d) return;
  if (d->port.layoutDirty) portRebuildVisible(&d->port);
  item->rect.right = 9000;
  item->rect.bottom = 9000;
  winSelectPort(win, &d->port);
  item->rect.left = d->port.bounds.left;
  item->rect.top = d->port.bounds.top;
  portMarkDirty(item->port);
  refreshRegion(item);
}

void winSelectPane(WinId win, uint16_t id) {
  if (!winSlot(win)) return;
  if (id == 0) {
    winSelectPort(win, nullptr);
    return;
  }
  PaneData* d = dataOf(ownItem(win, id));
  if (d) winSelectPort(win, &d->port);
}

void paneSetSecondPort(WinId win, uint16_t id) {
  PaneData* d = dataOf(ownItem(win, id));
  if (d) winSetOverlayPort(win, &d->port);
}

uint8_t paneGetOption(WinId win, uint16_t id) {
  PaneData* d = dataOf(ownItem(win, id));
  return d ? d->option : 0;
}

void paneSetOption(WinId win, uint16_t id, uint8_t option) {
  if (PaneData* d = dataOf(ownItem(win, id))) d->option = option;
}

void paneKindRegister() { ctrlKindRegister(kindPane, create, destroy, draw, mouse, nullptr, nullptr, show); }
