// The scrollbar: layout of track, thumb and arrows, drawing, the part under a point, the auto-repeat
// of arrows and page steps through the UI timer's capture callback, thumb dragging and the steps that
// an attached list sets.
#include "controls/scrollbar.h"
#include <cmath>
#include <cstdlib>
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/list.h"
#include "controls/picture.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"

namespace {

// The press under way: one scrollbar holds the mouse at a time.
struct ScrollPress {
  ControlItem* item;
  int16_t part;
  double position;
  CtrlPoint point;
  CtrlPoint lastDrag;
  // Repeat timing, in milliseconds of the kit's clock.
  uint32_t lastStep;
  uint32_t interval;
  uint8_t first;
};
ScrollPress press;

enum : uint32_t { firstDelayMs = 200, repeatMs = 50 };

void changeNop(ControlItem*, int16_t, double) {}

ScrollbarData* dataOf(ControlItem* item) {
  return item && item->kind == kindScrollbar ? static_cast<ScrollbarData*>(item->k.kindData) : nullptr;
}

bool vertical(const ScrollbarData* d) { return !(d->flags & scrollHorizontal); }

int32_t trackLength(const ScrollbarData* d) { return vertical(d) ? d->trackSize.bottom : d->trackSize.right; }

int32_t thumbLength(const ScrollbarData* d) { return vertical(d) ? d->thumbSize.bottom : d->thumbSize.right; }

int32_t thumbOffset(const ScrollbarData* d) {
  int32_t span = trackLength(d) - thumbLength(d);
  if (span <= 0) return 0;
  int32_t off = static_cast<int32_t>(span * d->position);
  if (off > trackLength(d)) off = trackLength(d);
  return off < 0 ? 0 : off;
}

void layout(ControlItem* item, ScrollbarData* d) {
  int32_t w = item->rect.right - item->rect.left, h = item->rect.bottom - item->rect.top;
  d->trackSize = {0, 0, w - (d->backArrowSize.right + d->forwardArrowSize.right),
                  h - (d->backArrowSize.bottom + d->forwardArrowSize.bottom)};
  if (item->drawable && item->visible) regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
  if (item->visible) itemInvalidate(item);
}

void draw(ControlItem* item) {
  ScrollbarData* d = dataOf(item);
  if (!d || !item->visible) return;
  WinId win = item->windowId;
  const CtrlRect& r = item->rect;
  int32_t base = d->bitmapBase;
  if (!item->drawable) {
    bitmapDrawStretched(win, base, r.left, r.top, r.right, r.bottom);
    return;
  }
  // Drawn straight into the window: track first, then thumb and arrows over it.
  int32_t off = thumbOffset(d);
  int32_t back = d->pressedPart == partBackArrow ? base + 3 : base + 2;
  int32_t forward = d->pressedPart == partForwardArrow ? base + 5 : base + 4;
  if (vertical(d)) {
    int32_t fh = d->forwardArrowSize.bottom, bh = d->backArrowSize.bottom;
    bitmapDrawStretched(win, base + 1, r.left, r.top, r.right, r.bottom - fh - bh);
    bitmapDraw(win, base + 6, r.left, r.top + off);
    bitmapDraw(win, forward, r.left, r.bottom - fh);
    bitmapDraw(win, back, r.left, r.bottom - fh - bh);
  } else {
    int32_t fw = d->forwardArrowSize.right, bw = d->backArrowSize.right;
    bitmapDrawStretched(win, base + 1, r.left, r.top, r.right - fw - bw, r.bottom);
    bitmapDraw(win, base + 6, r.left + off, r.top);
    bitmapDraw(win, forward, r.right - fw, r.top);
    bitmapDraw(win, back, r.right - fw - bw, r.top);
  }
}

int16_t partAt(const ControlItem* item, const ScrollbarData* d, CtrlPoint p) {
  const CtrlRect& r = item->rect;
  if (p.x < r.left || p.x > r.right || p.y < r.top || p.y > r.bottom) return partNone;
  bool v = vertical(d);
  int32_t along = v ? p.y - r.top : p.x - r.left;
  int32_t cross = v ? p.x - r.left : p.y - r.top;
  int32_t length = v ? r.bottom - r.top : r.right - r.left;
  int32_t forward = v ? d->forwardArrowSize.bottom : d->forwardArrowSize.right;
  int32_t back = v ? d->backArrowSize.bottom : d->backArrowSize.right;
  if (along >= length - forward) return partForwardArrow;
  if (along >= length - forward - back) return partBackArrow;
  int32_t off = thumbOffset(d), t = thumbLength(d);
  if (along >= off && along < off + t && cross >= 0 && cross < t) return partThumb;
  if (along < off) return partPageBack;
  return partPageForward;
}

void drawNowIfShown(ControlItem* item) {
  if (itemOnScreen(item)) itemDrawWithContext(item);
}

void setPosition(ControlItem* item, ScrollbarData* d, double position) {
  if (std::isnan(position) || position < 0.0) position = 0.0;
  if (position > 1.0) position = 1.0;
  d->position = position;
  if (inputIsButtonDown()) drawNowIfShown(item);
  if (d->list) listScrollToItem(d->list, static_cast<float>(position));
}

void armRepeat() {
  press.lastStep = ctrlTickCount();
  press.interval = firstDelayMs;
  press.first = 1;
}

bool repeatDue() {
  uint32_t now = ctrlTickCount();
  if (press.first) {
    press.first = 0;
    press.lastStep = now;
    return true;
  }
  if (now - press.lastStep < press.interval) return false;
  press.lastStep = now;
  press.interval = repeatMs;
  return true;
}

void resetPress() {
  press.item = nullptr;
  press.part = partNone;
  press.position = 0.0;
}

void mouse(ControlItem* item);

void captureTick(ControlItem* item) { mouse(item); }

// The capture was taken away (another press, a release elsewhere, the window closing or losing
// activation): the bar lets go, and redraws unpressed unless its window is going away.
void captureEnded(ControlItem* object, int finish) {
  if (!press.item || press.item != object) return;
  ScrollbarData* d = dataOf(object);
  resetPress();
  if (!d) return;
  d->pressedPart = partNone;
  if (finish) drawNowIfShown(object);
}

void stepBy(ControlItem* item, ScrollbarData* d) {
  if (!repeatDue()) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  int16_t part = press.part;
  if (partAt(item, d, p) == part) {
    d->pressedPart = part;
    double step = part == partPageBack      ? -d->pageStep
                  : part == partPageForward ? d->pageStep
                  : part == partBackArrow   ? -d->lineStep
                                            : d->lineStep;
    setPosition(item, d, d->position + step);
  } else if (d->pressedPart != partNone) {
    d->pressedPart = partNone;
    drawNowIfShown(item);
  }
  d->onChange(item, part, d->position);
}

void dragThumb(ControlItem* item, ScrollbarData* d) {
  // A thumb as long as the track has nowhere to go (and the drag would divide by zero).
  int32_t span = trackLength(d) - thumbLength(d);
  if (span <= 0) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  double position;
  if (d->flags & scrollHorizontal) {
    if (p.x == press.lastDrag.x) return;
    position = press.position + static_cast<double>(p.x - press.point.x) / span;
  } else if (d->flags & scrollVerticalDrag) {
    if (p.y == press.lastDrag.y) return;
    position = press.position + static_cast<double>(p.y - press.point.y) / span;
  } else {
    return;
  }
  press.lastDrag = p;
  setPosition(item, d, position);
  d->onChange(item, partThumb, d->position);
}

void mouse(ControlItem* item) {
  ScrollbarData* d = dataOf(item);
  if (!d) return;
  if (!inputIsButtonDown()) {
    bool held = press.item == item;
    resetPress();
    d->pressedPart = partNone;
    inputReset();
    if (held || UiTimer::captureObject() == item) UiTimer::clearCaptureCallback();
    drawNowIfShown(item);
    return;
  }
  if (!inputIsCaptured()) {
    CtrlPoint p;
    inputGetMousePos(&p);
    press.item = item;
    press.part = partAt(item, d, p);
    press.position = d->position;
    press.point = p;
    press.lastDrag = {0, 0};
    d->pressedPart = press.part;
    inputSetCaptured();
    armRepeat();
    if (press.part != partThumb) UiTimer::setCaptureCallback(captureTick, item, captureEnded);
  }
  if (press.item != item) return;
  switch (press.part) {
    case partPageBack:
    case partPageForward:
    case partBackArrow:
    case partForwardArrow: stepBy(item, d); break;
    case partThumb: dragThumb(item, d); break;
    default: break;
  }
}

void create(ControlItem* item) {
  ScrollbarData* d = static_cast<ScrollbarData*>(std::calloc(1, sizeof(ScrollbarData)));
  if (!d) return;
  d->lineStep = 0.01;
  d->pageStep = 0.0;
  d->position = 0.0;
  d->bitmapBase = 1000;
  d->flags = scrollHorizontal;
  d->item = item;
  d->onChange = changeNop;
  item->k.kindData = d;
}

void destroy(ControlItem* item) {
  ScrollbarData* d = dataOf(item);
  if (!d) return;
  if (press.item == item) resetPress();
  if (UiTimer::captureObject() == item) UiTimer::setCaptureCallback(nullptr, nullptr);
  if (d->list) listForgetScrollbar(d->list, item);
  for (int32_t k = 0; k < 7; ++k) bitmapRelease(d->bitmapBase + k);
  std::free(d);
  item->k.kindData = nullptr;
}

void moveTo(ControlItem* item, int32_t, int32_t) {
  ScrollbarData* d = dataOf(item);
  if (!d) return;
  // The hit region follows the bar.
  if (item->drawable && item->visible) regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
  WinSlot* slot = winSlot(item->windowId);
  if (item->visible && item->port->open && slot && slot->visible) itemDrawWithContext(item);
}

void moveBy(ControlItem* item, int32_t, int32_t) {
  if (item->k.kindData && item->drawable && item->visible)
    regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
}

void show(ControlItem* item, int32_t) {
  if (ScrollbarData* d = dataOf(item)) layout(item, d);
}

}  // namespace

void scrollbarKindRegister() { ctrlKindRegister(kindScrollbar, create, destroy, draw, mouse, moveTo, moveBy, show); }

ControlItem* scrollbarCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t length, int32_t flags,
                             int32_t bitmapBase, uint32_t, ScrollbarCallback onChange, double position) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;
  ControlItem* item = winAddItem(win, id, kindScrollbar);
  ScrollbarData* d = dataOf(item);
  if (!d) return item;
  x += item->port->offsetX;
  y += item->port->offsetY;
  for (int32_t k = 0; k < 7; ++k) bitmapAcquire(bitmapBase + k);
  CtrlRect bar;
  bitmapGetSize(bitmapBase, &bar);
  bitmapGetSize(bitmapBase + 2, &d->backArrowSize);
  bitmapGetSize(bitmapBase + 4, &d->forwardArrowSize);
  bitmapGetSize(bitmapBase + 6, &d->thumbSize);
  d->bitmapBase = static_cast<int16_t>(bitmapBase);
  d->flags = static_cast<uint32_t>(flags);
  d->thickness = static_cast<int16_t>(vertical(d) ? bar.right : bar.bottom);
  d->crossSize = static_cast<int16_t>(vertical(d) ? bar.bottom : bar.right);
  d->item = item;
  d->onChange = onChange ? onChange : changeNop;
  if (std::isnan(position) || position < 0.0) position = 0.0;
  d->position = position > 1.0 ? 1.0 : position;
  if (length < 0) length = 0;
  if (vertical(d))
    item->rect = {x, y, x + d->thickness, y + length};
  else
    item->rect = {x, y, x + length, y + d->thickness};
  item->drawable = 1;
  itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

void scrollbarSetPosition(WinId win, uint16_t id, double position) {
  ControlItem* item = ctrlFindKind(win, id, kindScrollbar);
  if (ScrollbarData* d = dataOf(item)) setPosition(item, d, position);
}

void scrollbarSetPositionItem(ControlItem* item, double position) {
  if (ScrollbarData* d = dataOf(item)) setPosition(item, d, position);
}

void scrollbarSetSteps(ControlItem* item, double lineStep, double pages) {
  ScrollbarData* d = dataOf(item);
  if (!d) return;
  double old = d->lineStep;
  if (std::isnan(lineStep) || lineStep > 1.0) lineStep = 1.0;
  if (lineStep < 0.0001) lineStep = 0.0001;
  d->lineStep = lineStep;
  double page = pages * lineStep;
  d->pageStep = std::isnan(page) || page < 0.0 ? 0.0 : page;
  setPosition(item, d, lineStep >= 1.0 ? 0.0 : d->position * lineStep / old);
  item->drawable = lineStep <= 0.999 ? 1 : 0;
  layout(item, d);
}

void scrollbarSetSteps(WinId win, uint16_t id, double lineStep, double pages) {
  scrollbarSetSteps(ctrlFindKind(win, id, kindScrollbar), lineStep, pages);
}

void scrollbarSetLength(WinId win, uint16_t id, int32_t length) {
  ControlItem* item = ctrlFindKind(win, id, kindScrollbar);
  ScrollbarData* d = dataOf(item);
  if (!d) return;
  if (length < 0) length = 0;
  itemInvalidate(item);
  if (vertical(d))
    item->rect.bottom = item->rect.top + length;
  else
    item->rect.right = item->rect.left + length;
  layout(item, d);
}

void scrollbarAttachList(ControlItem* item, ControlItem* list) {
  if (ScrollbarData* d = dataOf(item)) d->list = list;
}
