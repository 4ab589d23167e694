// Custom items: the kind callbacks turned into handler events.
#include "controls/customItem.h"
#include <cstdlib>
#include "controls/ctrlItems.h"
#include "controls/picture.h"

namespace {

int32_t handlerNop(ControlItem*, uint32_t, int32_t, int32_t) { return 0; }

CustomItemData* dataOf(ControlItem* item) {
  return item && item->kind == kindCustom ? static_cast<CustomItemData*>(item->k.kindData) : nullptr;
}

void send(ControlItem* item, uint32_t event, int32_t a, int32_t b) {
  if (CustomItemData* d = dataOf(item)) d->handler(item, event, a, b);
}

void create(ControlItem* item) {
  CustomItemData* d = static_cast<CustomItemData*>(std::calloc(1, sizeof(CustomItemData)));
  if (!d) return;
  d->handler = handlerNop;
  item->k.kindData = d;
}

void destroy(ControlItem* item) {
  send(item, customDestroy, 0, 0);
  std::free(item->k.kindData);
  item->k.kindData = nullptr;
}

void draw(ControlItem* item) { send(item, customDraw, 0, 0); }
void mouse(ControlItem* item) { send(item, customMouse, 0, 0); }

void resetRegion(ControlItem* item) {
  if (item->visible && item->drawable) regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
}

void moveTo(ControlItem* item, int32_t x, int32_t y) {
  resetRegion(item);
  send(item, customMovedTo, x, y);
}

void moveBy(ControlItem* item, int32_t dx, int32_t dy) {
  resetRegion(item);
  send(item, customMovedBy, dx, dy);
}

void show(ControlItem* item, int32_t flag) {
  if (flag && item->drawable) regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
  if (!flag) itemInvalidate(item);
  send(item, customShown, flag, 0);
}

}  // namespace

void customSendHover(ControlItem* item, int32_t x, int32_t y) { send(item, customHover, x, y); }

ControlItem* winAddRectItem(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                            CustomHandler handler) {
  if (ctrlFind(win, id)) return nullptr;  // a taken id keeps its item untouched
  ControlItem* item = winAddItem(win, id, kindCustom);
  CustomItemData* d = dataOf(item);
  if (!d) return nullptr;
  x += item->port->offsetX;
  y += item->port->offsetY;
  d->handler = handler ? handler : handlerNop;
  item->rect = {x, y, x + width, y + height};
  send(item, customPlaced, 0, 0);
  item->drawable = 1;
  portMarkDirty(item->port);
  if (!item->visible) {
    item->visible = 1;
    show(item, 1);
    item->needsRedraw = 1;
    portMarkDirty(item->port);
    item->port->changed = 1;
    itemInvalidate(item);
  }
  pictureCollect(item);
  return item;
}

void winSetItemData(WinId win, uint16_t id, uint32_t word) {
  if (CustomItemData* d = dataOf(ctrlFind(win, id))) d->userData = word;
}

uint32_t customGetUserWord(WinId win, uint16_t id) {
  CustomItemData* d = dataOf(ctrlFind(win, id));
  return d ? d->userData : 0;
}

void customSetDrawable(WinId win, uint16_t id, int32_t flag) {
  ControlItem* item = ctrlFind(win, id);
  if (!dataOf(item)) return;
  item->drawable = flag ? 1 : 0;
  send(item, customDrawable, flag, 0);
}

void customKindRegister() { ctrlKindRegister(kindCustom, create, destroy, draw, mouse, moveTo, moveBy, show); }
