// Control items, the kind registry and the item containers.
#include "controls/ctrlItems.h"
#include <cstdlib>
#include <cstring>
#include "UIAWindow.h"
#include "controls/ctrlDraw.h"
#include "controls/editBox.h"
#include "controls/inputState.h"
#include "controls/winSlots.h"

void ctrlNop() {}

namespace {

void nopItem(ControlItem*) {}
void nopMove(ControlItem*, int32_t, int32_t) {}
void nopShow(ControlItem*, int32_t) {}

ControlKind registry[ctrlKindCount];

void kindResetRecord(ControlKind* k) {
  k->registered = 0;
  k->reference = 0;
  k->kindData = nullptr;
  k->create = nopItem;
  k->destroy = nopItem;
  k->draw = nopItem;
  k->mouse = nopItem;
  k->moveTo = nopMove;
  k->moveBy = nopMove;
  k->show = nopShow;
}

ItemList* listCreate(uint16_t capacity) {
  if (capacity < 1) capacity = 1;
  ItemList* list = static_cast<ItemList*>(std::calloc(1, sizeof(ItemList)));
  if (!list) return nullptr;
  list->entries = static_cast<ControlItem**>(std::calloc(capacity, sizeof(ControlItem*)));
  if (!list->entries) {
    std::free(list);
    return nullptr;
  }
  list->capacity = capacity;
  return list;
}

void listFree(ItemList* list) {
  if (!list) return;
  std::free(list->entries);
  std::free(list);
}

ItemPort* currentPort(WinId win) {
  WinSlot* slot = winSlot(win);
  return slot ? slot->currentPort : nullptr;
}

ControlItem* portItem(ItemPort* port, uint16_t id) {
  if (!port || !port->items || id >= port->items->capacity) return nullptr;
  return port->items->entries[id];
}

bool windowShown(const WinSlot* slot) {
  if (!slot) return false;
  if (slot->window) return slot->window->isVisible();
  return slot->visible != 0;
}

void drawItemNow(ControlItem* item) {
  WinSlot* slot = winSlot(item->windowId);
  if (!slot || !item->visible || !item->port->drawEnabled || !slot->visible) return;
  WinSavedDC saved;
  winAcquireDrawContext(slot->id, &saved);
  item->k.draw(item);
  winReleaseDrawContext(slot->id, &saved);
}

}  // namespace

void ctrlTypesReset() {
  for (ControlKind& k : registry) kindResetRecord(&k);
}

int ctrlKindRegister(uint32_t kind, CtrlCreateFn create, CtrlDestroyFn destroy, CtrlDrawFn draw, CtrlMouseFn mouse,
                     CtrlMoveToFn moveTo, CtrlMoveByFn moveBy, CtrlShowFn show) {
  if (kind >= ctrlKindCount) return 0;
  ControlKind& k = registry[kind];
  if (!k.create) kindResetRecord(&k);  // the registry was never reset
  k.registered = 1;
  if (create) k.create = create;
  if (destroy) k.destroy = destroy;
  if (draw) k.draw = draw;
  if (mouse) k.mouse = mouse;
  if (moveTo) k.moveTo = moveTo;
  if (moveBy) k.moveBy = moveBy;
  if (show) k.show = show;
  return 1;
}

int ctrlAssignKind(ControlItem* item, uint32_t kind) {
  if (!item) return 0;
  kindResetRecord(&item->k);
  if (kind >= ctrlKindCount) return 0;
  if (registry[kind].create) item->k = registry[kind];
  item->k.kindData = nullptr;
  item->kind = static_cast<uint16_t>(kind);
  item->k.create(item);
  return 1;
}

ControlItem* winAddItem(WinId win, uint16_t id, uint32_t kind) {
  ItemPort* port = currentPort(win);
  if (!port || !port->items || id >= port->items->capacity) return nullptr;
  // A taken id keeps its item: no second item is made (and no create callback runs for it).
  if (port->items->entries[id]) return port->items->entries[id];
  ControlItem* item = static_cast<ControlItem*>(std::calloc(1, sizeof(ControlItem)));
  if (!item) return nullptr;
  item->port = port;
  item->windowId = port->windowId;
  item->id = id;
  item->needsRedraw = 1;
  regionInit(&item->region, id);
  kindResetRecord(&item->k);
  port->items->entries[id] = item;
  if (id > port->items->highestId) port->items->highestId = id;
  ctrlAssignKind(item, kind);
  return item;
}

ControlItem* ctrlFind(WinId win, uint16_t id) { return portItem(currentPort(win), id); }

ControlItem* ctrlFindKind(WinId win, uint16_t id, uint16_t kind) {
  ControlItem* item = ctrlFind(win, id);
  return item && item->kind == kind ? item : nullptr;
}

void portMarkDirty(ItemPort* port) {
  for (ItemPort* p = port; p; p = p->parent) p->layoutDirty = 1;
}

void itemInvalidate(const ControlItem* item) { winInvalidateRect(item->windowId, &item->rect); }

void itemRegionFromRect(ControlItem* item) {
  if (item->visible && item->drawable) regionSetFromRect(item->windowId, &item->region, 0, &item->rect, 0);
}

void itemMovedRegionFromRect(ControlItem* item, int32_t, int32_t) { itemRegionFromRect(item); }
void itemShownRegionFromRect(ControlItem* item, int32_t) { itemRegionFromRect(item); }

void itemShowAsCtrlShow(ControlItem* item, int32_t flag) {
  uint8_t v = flag ? 1 : 0;
  if (item->visible == v) return;
  item->visible = v;
  item->k.show(item, flag);
  if (v) item->needsRedraw = 1;
  portMarkDirty(item->port);
  item->port->changed = 1;
  itemInvalidate(item);
}

int ctrlShow(WinId win, uint16_t id, int32_t flag) {
  ControlItem* item = ctrlFind(win, id);
  if (!item) return 0;
  itemShowAsCtrlShow(item, flag);
  return 1;
}

int ctrlShowInWindow(WinId win, uint16_t id, int32_t flag) {
  if (!winSlot(win)) return 0;
  winSelectPort(win, nullptr);
  return ctrlShow(win, id, flag);
}

int ctrlMoveBy(WinId win, uint16_t id, int32_t dx, int32_t dy) {
  ControlItem* item = ctrlFind(win, id);
  if (!item) return 0;
  itemInvalidate(item);
  item->rect.left += dx;
  item->rect.right += dx;
  item->rect.top += dy;
  item->rect.bottom += dy;
  item->k.moveBy(item, dx, dy);
  item->needsRedraw = 1;
  portMarkDirty(item->port);
  item->port->changed = 1;
  return 1;
}

int ctrlMoveTo(WinId win, uint16_t id, int32_t x, int32_t y) {
  ControlItem* item = ctrlFind(win, id);
  if (!item) return 0;
  int32_t left = item->port->offsetX + x, top = item->port->offsetY + y;
  item->rect.right += left - item->rect.left;
  item->rect.bottom += top - item->rect.top;
  item->rect.left = left;
  item->rect.top = top;
  item->k.moveTo(item, left, top);
  item->needsRedraw = 1;
  portMarkDirty(item->port);
  item->port->changed = 1;
  return 1;
}

int ctrlGetRect(WinId win, uint16_t id, CtrlRect* out) {
  ControlItem* item = ctrlFind(win, id);
  if (!item || !out) return 0;
  *out = item->rect;
  return 1;
}

int ctrlSetVerticalSpan(WinId win, uint16_t id, int32_t top, int32_t height) {
  ControlItem* item = ctrlFind(win, id);
  if (!item) return 0;
  item->rect.top = top;
  item->rect.bottom = top + height;
  if (item->visible && item->drawable) regionSetFromRect(win, &item->region, 3, &item->rect, 0);
  if (item->visible) itemInvalidate(item);
  return 1;
}

int ctrlSetDrawable(WinId win, uint16_t id, int32_t flag) {
  if (!winSlot(win)) return 0;
  winSelectPort(win, nullptr);
  ControlItem* item = ctrlFind(win, id);
  if (!item) return 0;
  item->drawable = flag ? 1 : 0;
  return 1;
}

int ctrlIsShown(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  return item && item->visible && item->port->drawEnabled ? 1 : 0;
}

int ctrlIsOnScreen(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  return item && item->visible && item->port->drawEnabled && windowShown(winSlot(win)) ? 1 : 0;
}

int ctrlIsVisible(WinId win, uint16_t id) {
  WinSlot* slot = winSlot(win);
  if (!slot) return 0;
  ControlItem* item = portItem(&slot->ownPort, id);
  return item && item->visible ? 1 : 0;
}

int ctrlRedraw(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  if (!item) return 0;
  drawItemNow(item);
  return 1;
}

int ctrlDrawNow(WinId win, uint16_t id) { return ctrlRedraw(win, id); }

int ctrlResetRegion(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  if (!item) return 0;
  if (item->visible && item->drawable) regionSetFromRect(win, &item->region, 3, &item->rect, 0);
  return 1;
}

void ctrlSetHoverCursor(ControlItem* item, uint32_t cursorId) {
  if (item) item->cursorId = cursorId;
}

void pictureShowChild(WinId win, uint16_t picture, uint16_t child, int32_t flag);

void winNotifyItemsOfType2(WinId win, uint16_t childId, int32_t flag) {
  ItemPort* port = currentPort(win);
  if (!port || !port->items) return;
  for (uint16_t i = 0; i <= port->items->highestId && i < port->items->capacity; ++i) {
    ControlItem* item = port->items->entries[i];
    if (item && item->kind == kindPicture) pictureShowChild(win, i, childId, flag);
  }
}

int portOpen(ItemPort* port, WinId windowId, ItemPort* parent, uint16_t capacity) {
  std::memset(port, 0, sizeof(*port));
  port->open = 1;
  port->drawEnabled = 1;
  port->windowId = windowId;
  port->parent = parent;
  port->items = listCreate(capacity);
  if (!port->items) return 0;
  port->visibleItems = listCreate(capacity);
  if (!port->visibleItems) {
    listFree(port->items);
    port->items = nullptr;
    return 0;
  }
  return 1;
}

void portClose(ItemPort* port) {
  if (!port->items || !port->visibleItems) return;
  for (uint16_t i = 0; i < port->items->capacity; ++i) {
    ControlItem* item = port->items->entries[i];
    if (!item) continue;
    // An entry typed over this item ends before the item goes; the window keeps its container.
    if (editBoxItem() == item) {
      WinSlot* slot = winSlot(item->windowId);
      ItemPort* keep = slot ? slot->currentPort : nullptr;
      editBoxEnd();
      if (slot && winSlot(item->windowId) == slot) slot->currentPort = keep;
    }
    port->items->entries[i] = nullptr;
    port->visibleItems->entries[i] = nullptr;
    item->k.destroy(item);
    std::free(item);
  }
  listFree(port->visibleItems);
  listFree(port->items);
  port->visibleItems = nullptr;
  port->items = nullptr;
  port->capturedItem = 0;
}

void portRebuildVisible(ItemPort* port) {
  if (!port->items || !port->visibleItems) return;
  ItemList* vis = port->visibleItems;
  std::memset(vis->entries, 0, vis->capacity * sizeof(ControlItem*));
  vis->highestId = 0;
  WinSlot* slot = winSlotAny(port->windowId);
  int32_t ox = slot ? slot->originX : 0, oy = slot ? slot->originY : 0;
  port->bounds = {ox + port->offsetX, oy + port->offsetY, 0, 0};
  for (uint16_t i = 0; i < port->items->capacity; ++i) {
    ControlItem* item = port->items->entries[i];
    if (!item || !item->visible) continue;
    vis->entries[i] = item;
    vis->highestId = i;
    if (item->rect.left < port->bounds.left) port->bounds.left = item->rect.left;
    if (item->rect.top < port->bounds.top) port->bounds.top = item->rect.top;
    if (item->rect.right > port->bounds.right) port->bounds.right = item->rect.right;
    if (item->rect.bottom > port->bounds.bottom) port->bounds.bottom = item->rect.bottom;
    // A hit region may reach past its item's rectangle (a number box's arrow strip).
    if (item->drawable && item->region.windowId) {
      const CtrlRect& g = item->region.rect;
      if (g.left < port->bounds.left) port->bounds.left = g.left;
      if (g.top < port->bounds.top) port->bounds.top = g.top;
      if (g.right > port->bounds.right) port->bounds.right = g.right;
      if (g.bottom > port->bounds.bottom) port->bounds.bottom = g.bottom;
    }
  }
  port->layoutDirty = 0;
}

void portDraw(ItemPort* port) {
  if (!port->drawEnabled || !port->visibleItems) return;
  if (port->layoutDirty) portRebuildVisible(port);
  for (uint32_t i = 0; i <= port->visibleItems->highestId; ++i) {
    ControlItem* item = port->visibleItems->entries[i];
    if (item && item->visible) {
      item->k.draw(item);
      item->needsRedraw = 0;
    }
  }
}

namespace {

bool rectHas(const CtrlRect& r, CtrlPoint p) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

ControlItem* portTopHit(ItemPort* port, CtrlPoint point) {
  if (!rectHas(port->bounds, point)) return nullptr;
  for (uint32_t i = port->visibleItems->highestId; i >= 1; --i) {
    ControlItem* item = port->visibleItems->entries[i];
    if (item && item->visible && item->drawable && regionContains(&item->region, point)) return item;
  }
  return nullptr;
}

}  // namespace

uint16_t portHitTest(ItemPort* port, CtrlPoint point) {
  if (!port || !port->visibleItems) return 0;
  if (port->layoutDirty) portRebuildVisible(port);
  ControlItem* item = portTopHit(port, point);
  return item ? item->id : 0;
}

void customSendHover(ControlItem* item, int32_t x, int32_t y);
ItemPort* panePort(ControlItem* item);

void portHover(ItemPort* port) {
  if (!port || !port->visibleItems) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  ControlItem* item = portTopHit(port, p);
  if (!item) return;
  if (item->kind == kindPane && item->k.kindData) {
    portHover(panePort(item));
    return;
  }
  if (item->kind == kindCustom) customSendHover(item, p.x, p.y);
  winSetCursor(item->windowId, item->cursorId);
}

int portDispatchMouse(ItemPort* port, uint32_t, void*, uint16_t id) {
  if (!port || !port->visibleItems || id >= port->visibleItems->capacity) return 0;
  ControlItem* item = port->visibleItems->entries[id];
  if (!item) return 0;
  if (inputButtonState() != inputNone) {
    port->capturedItem = id;
    item->k.mouse(item);
    if (!inputIsButtonDown()) port->capturedItem = 0;
  }
  return 1;
}

void pictureReload(ControlItem* item);

void portReloadPictures(ItemPort* port) {
  if (!port || !port->items) return;
  for (uint32_t i = 0; i <= port->items->highestId && i < port->items->capacity; ++i) {
    ControlItem* item = port->items->entries[i];
    if (item && item->kind == kindPicture) pictureReload(item);
  }
}

void regionInit(ItemRegion* region, uint16_t itemId) {
  std::memset(region, 0, sizeof(*region));
  region->itemId = itemId;
  region->cursor = cursorLoad(0);
}

void regionSetFromRect(WinId win, ItemRegion* region, uint16_t cursorId, const CtrlRect* rect, uint16_t maskBitmap) {
  regionSet(win, region, cursorId, rect->left, rect->top, rect->right, rect->bottom, maskBitmap);
}

void regionSet(WinId win, ItemRegion* region, uint16_t cursorId, int32_t left, int32_t top, int32_t right,
               int32_t bottom, uint16_t maskBitmap) {
  region->windowId = win;
  region->rect = {left, top, right, bottom};
  region->maskBitmap = maskBitmap;
  region->cursorId = cursorId;
  if (maskBitmap) region->hasMask = 1;
  region->cursor = cursorLoad(cursorId);
}

int regionContains(const ItemRegion* region, CtrlPoint point) {
  if (!rectHas(region->rect, point)) return 0;
  if (!region->hasMask) return 1;
  CtrlPoint rel = {static_cast<int16_t>(point.y - region->rect.top), static_cast<int16_t>(point.x - region->rect.left)};
  return bitmapMaskHit(region->windowId, region->maskBitmap, rel);
}
