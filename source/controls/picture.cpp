// Pictures with their child lists (group mode), and frame pictures.
#include "controls/picture.h"
#include <cstdlib>
#include <cstring>
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/winSlots.h"

#include "engine/numeric.h"

namespace {

bool collecting;
int16_t collectWin;
uint16_t collectId;

void callbackNop(ControlItem*) {}

PictureData* dataOf(ControlItem* item) {
  return item && item->kind == kindPicture ? static_cast<PictureData*>(item->k.kindData) : nullptr;
}

FramePictureData* frameOf(ControlItem* item) {
  return item && item->kind == kindFramePicture ? static_cast<FramePictureData*>(item->k.kindData) : nullptr;
}

bool slotVisible(WinId win) {
  WinSlot* slot = winSlot(win);
  return slot && slot->visible;
}

ControlItem* childItem(ControlItem* picture, uint16_t child) {
  ItemPort* port = picture->port;
  if (!port->items || child >= port->items->capacity) return nullptr;
  return port->items->entries[child];
}

void drawIfOnScreen(ControlItem* item) {
  if (item->visible && item->port->drawEnabled && slotVisible(item->windowId)) ctrlRedraw(item->windowId, item->id);
}

void pictureDraw(ControlItem* item) {
  PictureData* d = dataOf(item);
  if (!d) return;
  WinId win = item->windowId;
  const CtrlRect& r = item->rect;
  if (d->flags & pictureStretch) {
    bitmapDrawStretched(win, d->bitmap, r.left, r.top, r.right, r.bottom);
  } else if (d->flags & pictureFill) {
    HDC dc = winGetDC(win);
    if (!dc) return;
    HBRUSH brush = CreateSolidBrush(RGB(d->red, d->green, d->blue));
    RECT fr = {r.left, r.top, r.right, r.bottom};
    FillRect(dc, &fr, brush);
    DeleteObject(brush);
  } else if (d->bitmap) {
    if (d->flags & (picturePart | picturePart16))
      bitmapDrawPart(win, d->bitmap, &r, -d->srcOffsetX, -d->srcOffsetY);
    else
      bitmapDraw(win, d->bitmap, r.left, r.top);
  }
}

void pictureMouse(ControlItem* item) {
  PictureData* d = dataOf(item);
  inputReset();
  if (d) d->callback(item);
}

void pictureShow(ControlItem* item, int32_t flag) {
  PictureData* d = dataOf(item);
  if (!d) return;
  WinId win = item->windowId;
  if (item->visible) regionSetFromRect(win, &item->region, 0, &item->rect, 0);
  if (!flag) {
    for (int i = 0; i < pictureMaxChildren; ++i) {
      if (!d->children[i].inUse) continue;
      ControlItem* c = childItem(item, d->children[i].id);
      if (c) d->children[i].shown = c->visible;
    }
  }
  pictureReload(item);
  if (flag && slotVisible(win)) drawIfOnScreen(item);
  for (int i = 0; i < pictureMaxChildren; ++i) {
    if (!d->children[i].inUse) continue;
    ControlItem* c = childItem(item, d->children[i].id);
    if (c) itemShowAsCtrlShow(c, flag && d->children[i].shown);
  }
}

void pictureMoveTo(ControlItem* item, int32_t left, int32_t top) {
  PictureData* d = dataOf(item);
  if (!d) return;
  int32_t dx = left - d->x, dy = top - d->y;
  for (int i = 0; i < pictureMaxChildren; ++i) {
    if (!d->children[i].inUse) continue;
    ControlItem* c = childItem(item, d->children[i].id);
    if (!c) continue;
    int32_t nl = c->rect.left + dx, nt = c->rect.top + dy;
    c->rect.right += dx;
    c->rect.bottom += dy;
    c->rect.left = nl;
    c->rect.top = nt;
    c->k.moveTo(c, nl, nt);
    c->needsRedraw = 1;
    portMarkDirty(c->port);
  }
  d->x = static_cast<int16_t>(left);
  d->y = static_cast<int16_t>(top);
  if (item->visible) regionSetFromRect(item->windowId, &item->region, 0, &item->rect, 0);
}

void pictureMoveBy(ControlItem* item, int32_t dx, int32_t dy) {
  PictureData* d = dataOf(item);
  if (!d) return;
  for (int i = 0; i < pictureMaxChildren; ++i) {
    if (!d->children[i].inUse) continue;
    ControlItem* c = childItem(item, d->children[i].id);
    if (!c) continue;
    itemInvalidate(c);
    c->rect.left += dx;
    c->rect.right += dx;
    c->rect.top += dy;
    c->rect.bottom += dy;
    c->k.moveBy(c, dx, dy);
  }
  // The picture's own place and mouse region follow as for a move-to: a picture left behind would
  // take the clicks meant for the controls now under its old place.
  d->x = static_cast<int16_t>(d->x + dx);
  d->y = static_cast<int16_t>(d->y + dy);
  if (item->visible) regionSetFromRect(item->windowId, &item->region, 0, &item->rect, 0);
}

void pictureCreateData(ControlItem* item) {
  PictureData* d = static_cast<PictureData*>(std::calloc(1, sizeof(PictureData)));
  if (!d) return;
  d->children = static_cast<PictureChild*>(std::calloc(pictureMaxChildren, sizeof(PictureChild)));
  if (!d->children) {
    std::free(d);
    return;
  }
  d->callback = callbackNop;
  d->item = item;
  item->k.kindData = d;
}

void pictureDestroy(ControlItem* item) {
  PictureData* d = dataOf(item);
  if (!d) return;
  // The children are hidden with their state saved; those already destroyed are simply gone.
  for (int i = 0; i < pictureMaxChildren; ++i) {
    if (!d->children[i].inUse) continue;
    ControlItem* c = childItem(item, d->children[i].id);
    if (c) {
      d->children[i].shown = c->visible;
      itemShowAsCtrlShow(c, 0);
    }
  }
  if (d->loaded) bitmapRelease(d->bitmap);
  std::free(d->children);
  std::free(d);
  item->k.kindData = nullptr;
}

void frameDraw(ControlItem* item) {
  FramePictureData* d = frameOf(item);
  if (!d) return;
  WinId win = item->windowId;
  if (d->flags & 16)
    bitmapDrawStretched(win, d->bitmap, item->rect.left, item->rect.top, item->rect.right, item->rect.bottom);
  else
    bitmapDraw(win, d->bitmap, item->rect.left, item->rect.top);
}

void frameCreateData(ControlItem* item) {
  FramePictureData* d = static_cast<FramePictureData*>(std::calloc(1, sizeof(FramePictureData)));
  if (!d) return;
  d->item = item;
  d->callback = callbackNop;
  item->k.kindData = d;
}

void frameDestroy(ControlItem* item) {
  FramePictureData* d = frameOf(item);
  if (!d) return;
  if (d->frames) {
    // Every frame holds its bitmap, the base stand-ins included.
    for (int i = 0; i < d->frameCount; ++i) bitmapRelease(d->frames[i]);
    std::free(d->frames);
  }
  std::free(d);
  item->k.kindData = nullptr;
}

}  // namespace

void pictureReload(ControlItem* item) {
  PictureData* d = dataOf(item);
  if (!d || d->loaded || !d->bitmap) return;
  if (!item->visible || !item->port->drawEnabled) return;
  bitmapAcquire(d->bitmap);
  if (bitmapGetHandle(d->bitmap)) d->loaded = 1;
}

void pictureCollect(ControlItem* item) {
  if (!collecting || !item || !collectId) return;
  if (item->windowId != collectWin) return;
  pictureAddChild(collectWin, collectId, item->id);
}

ControlItem* pictureCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t right, int32_t bottom, uint32_t flags,
                           int32_t bitmap, PictureCallback callback) {
  if (ctrlFind(win, id)) return nullptr;  // a taken id keeps its item untouched
  ControlItem* item = winAddItem(win, id, kindPicture);
  PictureData* d = dataOf(item);
  if (!d) return item;
  x += item->port->offsetX;
  y += item->port->offsetY;
  CtrlRect size = {0, 0, 0, 0};
  if (bitmap) {
    bitmapAcquire(bitmap);
    if (bitmapGetHandle(bitmap)) {
      bitmapGetSize(bitmap, &size);
      d->bitmap = static_cast<uint16_t>(bitmap);
      bitmapRelease(bitmap);
    }
  }
  item->rect = {x, y, x + size.right, y + size.bottom};
  if ((flags & (pictureOwnRect | pictureStretch | pictureFill)) || !d->bitmap) item->rect = {x, y, right, bottom};
  d->x = static_cast<int16_t>(x);
  d->y = static_cast<int16_t>(y);
  d->childCount = 0;
  d->red = d->green = d->blue = 255;
  d->flags = flags;
  d->callback = callback ? callback : callbackNop;
  item->drawable = 1;
  portMarkDirty(item->port);
  itemShowAsCtrlShow(item, 1);
  if (collecting) {
    collectWin = win;
    collectId = id;
  }
  return item;
}

ControlItem* pictureCreateOffset(WinId win, uint16_t id, int32_t x, int32_t y, int32_t right, int32_t bottom,
                                 int32_t srcX, int32_t srcY, uint32_t flags, int32_t bitmap, PictureCallback callback) {
  ControlItem* item = pictureCreate(win, id, x, y, right, bottom, flags | pictureOwnRect, bitmap, callback);
  PictureData* d = dataOf(item);
  if (!d) return item;
  d->flags |= 18;
  d->srcOffsetX = static_cast<int16_t>(-srcX);
  d->srcOffsetY = static_cast<int16_t>(-srcY);
  return item;
}

void pictureSetFillColor(WinId win, uint16_t id, int32_t red, int32_t green, int32_t blue) {
  PictureData* d = dataOf(ctrlFind(win, id));
  if (!d) return;
  d->red = static_cast<uint16_t>(red & 0xff);
  d->green = static_cast<uint16_t>(green & 0xff);
  d->blue = static_cast<uint16_t>(blue & 0xff);
}

void pictureSetRect(WinId win, uint16_t id, const CtrlRect* rect) {
  ControlItem* item = ctrlFind(win, id);
  if (!dataOf(item) || !rect) return;
  item->rect = *rect;
  drawIfOnScreen(item);
}

int32_t pictureMapPoint(WinId win, uint16_t id, int32_t* bitmapId, int32_t* x, int32_t* y) {
  ControlItem* item = ctrlFind(win, id);
  PictureData* d = dataOf(item);
  if (!d) return 0;
  if (bitmapId) *bitmapId = d->bitmap;
  if (x) *x = *x - item->rect.left - d->srcOffsetX;
  if (y) *y = *y - item->rect.top - d->srcOffsetY;
  return d->bitmap;
}

void ctrlSetGroupMode(int32_t, int32_t flag) {
  collecting = flag != 0;
  if (!collecting) {
    collectWin = 0;
    collectId = 0;
  }
}

void pictureAddChild(WinId win, uint16_t picture, uint16_t child) {
  ControlItem* pic = ctrlFind(win, picture);
  PictureData* d = dataOf(pic);
  ControlItem* c = ctrlFind(win, child);
  if (!d || !c || d->childCount >= pictureMaxChildren) return;
  for (int i = 0; i < pictureMaxChildren; ++i) {
    if (d->children[i].inUse) continue;
    d->children[i] = {child, 1, c->drawable};
    d->childCount += 1;
    c->parentPicture = picture;
    return;
  }
}

void pictureShowChild(WinId win, uint16_t picture, uint16_t child, int32_t flag) {
  ControlItem* pic = ctrlFind(win, picture);
  PictureData* d = dataOf(pic);
  if (!d) return;
  for (int i = 0; i < pictureMaxChildren; ++i) {
    if (!d->children[i].inUse || d->children[i].id != child) continue;
    d->children[i].shown = flag ? 1 : 0;
    if (pic->visible) {
      ControlItem* c = childItem(pic, child);
      if (c) itemShowAsCtrlShow(c, flag);
    }
  }
}

int16_t pictureChildCount(WinId win, uint16_t picture) {
  PictureData* d = dataOf(ctrlFind(win, picture));
  return d ? d->childCount : 0;
}

void pictureKindRegister() {
  ctrlKindRegister(kindPicture, pictureCreateData, pictureDestroy, pictureDraw, pictureMouse, pictureMoveTo,
                   pictureMoveBy, pictureShow);
}

ControlItem* framePictureCreate(WinId win, uint16_t id, int32_t x, int32_t y, uint32_t flags, int32_t baseBitmap,
                                int32_t frameCount, PictureCallback callback) {
  if (ctrlFind(win, id)) return nullptr;
  ControlItem* item = winAddItem(win, id, kindFramePicture);
  FramePictureData* d = frameOf(item);
  if (!d) return item;
  x += item->port->offsetX;
  y += item->port->offsetY;
  int16_t count = static_cast<int16_t>(numClamp<int>(frameCount, 1, 4096));
  bitmapAcquire(baseBitmap);
  if (!bitmapGetHandle(baseBitmap)) {
    // No strip: the item stays without data.
    std::free(d);
    item->k.kindData = nullptr;
    return item;
  }
  d->frames = static_cast<int16_t*>(std::calloc(static_cast<size_t>(count), sizeof(int16_t)));
  if (!d->frames) {
    bitmapRelease(baseBitmap);
    std::free(d);
    item->k.kindData = nullptr;
    return item;
  }
  CtrlRect size;
  bitmapGetSize(baseBitmap, &size);
  bitmapRelease(baseBitmap);
  for (int32_t i = 0; i < count; ++i) {
    bitmapAcquire(baseBitmap + i);
    if (bitmapGetHandle(baseBitmap + i)) {
      d->frames[i] = static_cast<int16_t>(baseBitmap + i);
    } else {
      // A missing frame shows the base bitmap, with its own hold so destroy stays balanced.
      bitmapAcquire(baseBitmap);
      d->frames[i] = static_cast<int16_t>(baseBitmap);
    }
  }
  item->rect = {x, y, x + size.right, y + size.bottom};
  d->frameCount = count;
  d->frame = 0;
  d->bitmap = d->frames[0];
  d->flags = flags;
  d->callback = callback ? callback : callbackNop;
  item->drawable = 0;
  portMarkDirty(item->port);
  itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

ControlItem* framePictureCreateEx(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int32_t height,
                                  uint32_t flags, int32_t baseBitmap, int32_t frameCount, PictureCallback callback) {
  ControlItem* item = framePictureCreate(win, id, x, y, flags | 16, baseBitmap, frameCount, callback);
  if (frameOf(item)) framePictureSetSize(win, id, width, height);
  return item;
}

void framePictureSetSize(WinId win, uint16_t id, int32_t width, int32_t height) {
  ControlItem* item = ctrlFind(win, id);
  if (!frameOf(item)) return;
  itemInvalidate(item);
  item->rect.right = item->rect.left + width;
  item->rect.bottom = item->rect.top + height;
  itemInvalidate(item);
  drawIfOnScreen(item);
}

void framePictureSetFrame(WinId win, uint16_t id, int32_t frame) {
  ControlItem* item = ctrlFind(win, id);
  FramePictureData* d = frameOf(item);
  if (!d || frame < 0 || frame >= d->frameCount) return;
  d->frame = static_cast<int16_t>(frame);
  d->bitmap = d->frames[frame];
  drawIfOnScreen(item);
}

void framePictureMove(WinId win, uint16_t id, int32_t x, int32_t y) {
  ControlItem* item = ctrlFind(win, id);
  if (!frameOf(item)) return;
  itemInvalidate(item);
  ctrlMoveTo(win, id, x, y);
  itemInvalidate(item);
}

void framePictureKindRegister() {
  ctrlKindRegister(kindFramePicture, frameCreateData, frameDestroy, frameDraw, nullptr, nullptr, nullptr, nullptr);
}
