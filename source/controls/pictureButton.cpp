// Picture button: looks, hit masks, mouse tracking and the programmatic click of a default button.
#include "controls/pictureButton.h"
#include <cstdlib>
#include <cstring>
#include "UIAWindow.h"
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/picture.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"

#include "engine/numeric.h"

namespace {

int16_t defaultFace = 1, defaultSize = 9;
CtrlRgb defaultColour;

// Tracking of the press under way.
ItemRegion pressRegion;
uint8_t pressedAtPress;
bool insideNow;

// The programmatic click under way.
bool clickPending;
uint32_t clickStartTick;

void actionNop(ControlItem*, uint8_t, int16_t) {}

ButtonData* dataOf(ControlItem* item) {
  return item && item->kind == kindButton ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
}

ButtonData* find(WinId win, uint16_t id) { return dataOf(ctrlFindKind(win, id, kindButton)); }

int32_t lookIndex(const ControlItem* item, const ButtonData* d) {
  return d->state * 8 + (d->pressed ? 1 : 0) + (item->drawable ? 0 : 2);
}

uint16_t lookMask(const ControlItem* item, const ButtonData* d) {
  if (!d->hasMasks) return 0;
  uint16_t m = d->pictures[lookIndex(item, d) + 4];
  return m ? m : d->pictures[4];
}

void refreshLook(ControlItem* item, ButtonData* d) {
  if (!d->pictures) return;
  int32_t look = lookIndex(item, d);
  d->picture = static_cast<int16_t>(d->pictures[look]);
  int32_t base = d->state * 8;
  bool shapeMayChange = false;
  if (d->hasMasks) {
    shapeMayChange = d->pictures[base + 5] || d->pictures[base + 6] || d->pictures[base + 7];
    if (d->stateCount >= 2) {
      int32_t next = ((d->state + 1) % d->stateCount) * 8 + 4;
      shapeMayChange = shapeMayChange || d->pictures[next];
    }
  }
  if (shapeMayChange) itemInvalidate(item);
  if (item->visible && item->drawable)
    regionSetFromRect(item->windowId, &item->region, 0, &item->rect, lookMask(item, d));
}

void draw(ControlItem* item) {
  ButtonData* d = dataOf(item);
  if (!d) return;
  WinId win = item->windowId;
  if (d->hasMasks && !d->partMode)
    bitmapDrawMasked(win, d->picture, lookMask(item, d), item->rect.left, item->rect.top);
  else if (d->partMode)
    bitmapDrawPart(win, d->picture, &item->rect, -d->srcOffsetX, -d->srcOffsetY);
  else
    bitmapDraw(win, d->picture, item->rect.left, item->rect.top);
  HDC dc = winGetDC(win);
  if (d->textLength > 0 && dc) {
    fontSelect(d->fontIndex, dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(d->textColour.r, d->textColour.g, d->textColour.b));
    int32_t centre = (item->rect.top + item->rect.bottom) / 2;
    RECT r = {item->rect.left, centre - 6, item->rect.right, centre + 6};
    // A caption wider than the button ends in an ellipsis instead of being cut at both sides.
    SIZE extent = {};
    GetTextExtentPoint32A(dc, d->text, d->textLength, &extent);
    const UINT fit = extent.cx > r.right - r.left ? DT_SINGLELINE | DT_END_ELLIPSIS : 0;
    DrawTextA(dc, d->text, d->textLength, &r, DT_CENTER | fit);
  }
}

void drawNow(ControlItem* item) { ctrlRedraw(item->windowId, item->id); }

bool insideAtMouse(const ItemRegion* region) {
  CtrlPoint p;
  inputGetMousePos(&p);
  return regionContains(region, p) != 0;
}

void track(ControlItem* item, ButtonData* d) {
  bool inside = insideAtMouse(&pressRegion);
  if (inside == insideNow) return;
  insideNow = inside;
  d->pressed = inside ? !pressedAtPress : pressedAtPress;
  refreshLook(item, d);
  drawNow(item);
}

void mouse(ControlItem* item) {
  ButtonData* d = dataOf(item);
  if (!d) return;
  int16_t st = inputButtonState();
  if (st == inputPressed && !inputIsCaptured()) {
    pressRegion = item->region;
    pressedAtPress = d->pressed;
    insideNow = false;
    if ((d->flags & buttonRadio) && d->pressed) {
      inputReset();
      return;
    }
    if (d->flags & buttonImmediate) {
      inputReset();
      d->action(item, d->pressed, d->state);
      return;
    }
    if (d->flags & buttonActOnPress) {
      d->pressed = (d->flags & buttonRadio) ? 1 : (d->flags & buttonToggle) ? !d->pressed : 0;
      refreshLook(item, d);
      drawNow(item);
      d->action(item, d->pressed, d->state);
      inputReset();
      return;
    }
    inputSetCaptured();
  }
  if (st == inputPressed || st == inputDragging) {
    track(item, d);
    return;
  }
  if (st == inputReleased) {
    // The release point counts as the last move, so a release outside without a move before it
    // still restores the look the button had at the press.
    track(item, d);
    inputReset();
    bool inside = insideAtMouse(&pressRegion);
    if ((d->flags & buttonCycle) && d->pressed && inside)
      d->state = static_cast<int16_t>((d->state + 1) % d->stateCount);
    if (!(d->flags & (buttonToggle | buttonRadio))) d->pressed = 0;
    refreshLook(item, d);
    drawNow(item);
    refreshLook(item, d);
    if (inside) d->action(item, d->pressed, d->state);
  }
}

void create(ControlItem* item) {
  ButtonData* d = static_cast<ButtonData*>(std::calloc(1, sizeof(ButtonData)));
  if (!d) return;
  d->stateCount = 1;
  d->action = actionNop;
  d->face = defaultFace;
  d->size = defaultSize;
  d->word21 = 1;
  d->item = item;
  item->k.kindData = d;
}

void destroy(ControlItem* item) {
  ButtonData* d = dataOf(item);
  if (!d) return;
  if (d->pictures) {
    for (int32_t k = 0; k < d->stateCount * 8; ++k)
      if (d->pictures[k]) bitmapRelease(d->pictures[k]);
    std::free(d->pictures);
  }
  std::free(d);
  item->k.kindData = nullptr;
}

void moveTo(ControlItem* item, int32_t, int32_t) {
  if (ButtonData* d = dataOf(item)) refreshLook(item, d);
}

void moveBy(ControlItem* item, int32_t, int32_t) {
  if (ButtonData* d = dataOf(item)) refreshLook(item, d);
}

void show(ControlItem* item, int32_t) {
  if (ButtonData* d = dataOf(item)) refreshLook(item, d);
}

void setCaption(ButtonData* d, const char* text) {
  size_t n = text ? std::strlen(text) : 0;
  if (n > 31) n = 31;
  if (n) std::memcpy(d->text, text, n);
  d->text[n] = 0;
  d->textLength = static_cast<int16_t>(n);
}

void finishClick(ControlItem* item, bool runAction) {
  ButtonData* d = dataOf(item);
  clickPending = false;
  if (!d) return;
  d->pressed = 0;
  refreshLook(item, d);
  if (!runAction) return;
  WinId win = item->windowId;
  if (ctrlIsOnScreen(win, item->id) || (item->visible && item->port->drawEnabled)) drawNow(item);
  d->action(item, 1, d->state);
}

void clickEnded(ControlItem* item, int finish) { finishClick(item, finish != 0); }

void clickTick(ControlItem* item) {
  if (ctrlTickCount() - clickStartTick < 150u) return;
  UiTimer::setCaptureCallback(nullptr, nullptr);  // let go without the end notice
  UiTimer::clearCaptureCallback();
  finishClick(item, true);
}

}  // namespace

ControlItem* buttonPlace(WinId win, uint16_t id, int32_t x, int32_t y, uint32_t flags, int32_t baseBitmap,
                         const char* text, int32_t drawable, int32_t pressed, int32_t stateCount, ButtonAction action) {
  // The window must be one of the 32 slots; item ids run to the container's capacity (the Patch
  // page's channel panels use ids up to 280).
  if (win < 1 || win > 32 || id < 1) return nullptr;
  if (ctrlFind(win, id)) return nullptr;  // a taken id keeps its item untouched
  ControlItem* item = winAddItem(win, id, kindButton);
  ButtonData* d = dataOf(item);
  if (!d) return item;
  x += item->port->offsetX;
  y += item->port->offsetY;
  int16_t states = static_cast<int16_t>(numClamp<int>(stateCount, 1, 512));
  d->pictures = static_cast<uint16_t*>(std::calloc(static_cast<size_t>(states) * 8, sizeof(uint16_t)));
  if (!d->pictures) return item;
  for (int32_t k = 0; k < states * 8; ++k) {
    int32_t bid = baseBitmap + k;
    bitmapAcquire(bid);
    if (bitmapGetHandle(bid)) d->pictures[k] = static_cast<uint16_t>(bid);
  }
  CtrlRect size;
  bitmapGetSize(d->pictures[0], &size);
  item->rect = {x, y, x + size.right, y + size.bottom};
  setCaption(d, text);
  d->fontIndex = static_cast<int16_t>(fontFind(win, d->face, d->size));
  d->textColour = defaultColour;
  d->stateCount = states;
  d->state = 0;
  d->flags = flags;
  d->hasMasks = d->pictures[4] && !(flags & buttonNoMasks) ? 1 : 0;
  d->picture = static_cast<int16_t>(d->pictures[0]);
  d->pressed = pressed ? 1 : 0;
  d->action = action ? action : actionNop;
  item->drawable = drawable ? 1 : 0;
  itemInvalidate(item);
  portMarkDirty(item->port);
  refreshLook(item, d);
  itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

ControlItem* buttonCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                          int32_t srcY, uint32_t flags, int32_t baseBitmap, const char* text, int32_t drawable,
                          int32_t pressed, int32_t stateCount, ButtonAction action) {
  ControlItem* item =
      buttonPlace(win, id, x, y, flags | buttonPartMode, baseBitmap, text, drawable, pressed, stateCount, action);
  ButtonData* d = dataOf(item);
  if (!d) return item;
  d->partMode = 1;
  d->srcOffsetX = static_cast<int16_t>(-srcX);
  d->srcOffsetY = static_cast<int16_t>(-srcY);
  int32_t left = item->port->offsetX + x, top = item->port->offsetY + y;
  item->rect = {left, top, left + width, top + height};
  refreshLook(item, d);
  return item;
}

void buttonSetState(WinId win, uint16_t id, int32_t state) {
  ButtonData* d = find(win, id);
  if (!d || state < 0 || state >= d->stateCount) return;
  d->state = static_cast<int16_t>(state);
  refreshLook(d->item, d);
  drawNow(d->item);
}

void recButtonSetPressed(WinId win, uint16_t id, int32_t pressed) {
  ButtonData* d = find(win, id);
  const uint8_t on = pressed ? 1 : 0;
  if (!d || d->pressed == on) return;
  d->pressed = on;
  refreshLook(d->item, d);
  drawNow(d->item);
}

void buttonSetMask(WinId win, uint16_t id, int32_t maskBitmap) {
  ButtonData* d = find(win, id);
  if (!d || !d->pictures) return;
  for (int k = 4; k < 8; ++k) {
    if (d->pictures[k]) bitmapRelease(d->pictures[k]);
    d->pictures[k] = 0;
  }
  bitmapAcquire(maskBitmap);
  if (bitmapGetHandle(maskBitmap)) d->pictures[4] = static_cast<uint16_t>(maskBitmap);
  d->hasMasks = d->pictures[4] && !(d->flags & buttonNoMasks) ? 1 : 0;
  refreshLook(d->item, d);
}

int buttonIsPressed(WinId win, uint16_t id) {
  ButtonData* d = find(win, id);
  return d ? d->pressed : 0;
}

int16_t buttonGetState(WinId win, uint16_t id) {
  ButtonData* d = find(win, id);
  return d ? d->state : 0;
}

void buttonSetText(WinId win, uint16_t id, const char* text) {
  ButtonData* d = find(win, id);
  if (!d) return;
  if (std::strncmp(d->text, text ? text : "", 31) == 0 &&
      std::strlen(text ? text : "") == static_cast<size_t>(d->textLength))
    return;
  setCaption(d, text);
  drawNow(d->item);
}

void buttonSetField21(WinId win, uint16_t id, uint16_t word) {
  if (ButtonData* d = find(win, id)) d->word21 = word;
}

void buttonClick(WinId win, uint16_t id) {
  ButtonData* d = find(win, id);
  if (!d) return;
  clickPending = true;
  uint8_t was = d->pressed;
  d->pressed = 1;
  refreshLook(d->item, d);
  drawNow(d->item);
  if (!was) drawNow(d->item);
  clickStartTick = ctrlTickCount();
  UiTimer::setCaptureCallback(clickTick, d->item, clickEnded);
}

int buttonClickPending() { return clickPending ? 1 : 0; }

void buttonUseDefaultFace() { defaultFace = 1; }
void buttonSetDefaultFace(int32_t face) { defaultFace = static_cast<int16_t>(face); }
void buttonSetDefaultCaptionSize(int32_t size) { defaultSize = static_cast<int16_t>(size); }
void buttonSetDefaultCaptionColor(const CtrlRgb* colour) {
  if (colour) defaultColour = *colour;
}

void buttonKindRegister() {
  defaultColour = {0, 0, 0};
  ctrlKindRegister(kindButton, create, destroy, draw, mouse, moveTo, moveBy, show);
}
