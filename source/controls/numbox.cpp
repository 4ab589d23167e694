// Number boxes: layout, drawing, dragging through the step rules and typed entry.
#include "controls/numbox.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include "UIAWindow.h"
#include "controls/ctrlCompose.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/editBox.h"
#include "controls/inputState.h"
#include "controls/picture.h"
#include "controls/winSlots.h"
#include "engine/numeric.h"
#include "uiSeams/msgBox.h"

namespace {

int16_t kitBitmapBase = 900;
CtrlRgb kitValueColor = {251, 251, 251};

// One drag at a time in the whole kit: only one control holds the mouse.
struct DragState {
  int16_t startY;
  uint16_t mode;
  double start, minimum, maximum;
} drag;

void changedNop(ControlItem*, double) {}

bool inRect(const CtrlRect& r, CtrlPoint p) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

void create(ControlItem* item) {
  NumboxData* d = static_cast<NumboxData*>(std::calloc(1, sizeof(NumboxData)));
  if (!d) return;
  d->decimals = 2;
  d->arrowSections = 1;
  d->bitmapBase = kitBitmapBase;
  d->fontFace = 1;
  d->labelColor = *displayGetDefaultTextColor();
  d->valueColor = kitValueColor;
  d->maximum = 1.0;
  d->item = item;
  d->step = numboxStepDefault;
  d->onChange = changedNop;
  item->k.kindData = d;
}

void destroy(ControlItem* item) {
  NumboxData* d = numboxData(item);
  if (d)
    for (int k = 0; k <= 6; ++k) bitmapRelease(d->bitmapBase + k);
  std::free(item->k.kindData);
  item->k.kindData = nullptr;
}

void drawSections(NumboxData* d, int32_t pressedMode) {
  const WinId win = ctrlItemWin(d->item);
  for (int i = 0; i < d->arrowSections; ++i) {
    const int32_t look = i + 1 == pressedMode ? d->bitmapBase + 2 : d->bitmapBase;
    bitmapDrawMasked(win, look, d->bitmapBase + 1, d->arrowRect.left + 8 * i, d->arrowRect.top);
  }
}

void draw(ControlItem* item) {
  NumboxData* d = numboxData(item);
  if (!d) return;
  if (!d->editing) numboxRedraw(d);
  drawSections(d, d->pressed ? drag.mode : 0);
  numboxDrawText(d);
}

void refreshRegion(ControlItem* item, NumboxData* d) {
  if (!item->visible || !item->drawable) return;
  const WinId win = item->windowId;
  regionSet(win, &item->region, 0, d->valueRect.left, d->arrowRect.top, d->arrowRect.right, d->arrowRect.bottom, 0);
  CtrlRect all = {d->labelRect.left, d->arrowRect.top, d->arrowRect.right, d->arrowRect.bottom};
  winInvalidateRect(win, &all);
}

void moveTo(ControlItem* item, int32_t x, int32_t y) {
  NumboxData* d = numboxData(item);
  if (!d) return;
  const int32_t valueW = d->valueRect.right - d->valueRect.left;
  const int32_t arrowW = d->arrowRect.right - d->arrowRect.left;
  const int32_t labelW = d->labelRect.right - d->labelRect.left;
  d->valueRect = {x + 3, y - 1, x + 3 + valueW, y + 12};
  d->arrowRect = {d->valueRect.right + 1, y - 1, d->valueRect.right + 1 + arrowW, y + 12};
  d->labelRect = {x - labelW, y - 1, x, y + 12};
  refreshRegion(item, d);
}

void moveBy(ControlItem* item, int32_t dx, int32_t dy) {
  NumboxData* d = numboxData(item);
  if (!d) return;
  for (CtrlRect* r : {&d->valueRect, &d->arrowRect, &d->labelRect}) {
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
  }
  refreshRegion(item, d);
}

void show(ControlItem* item, int32_t) {
  NumboxData* d = numboxData(item);
  if (!d) return;
  refreshRegion(item, d);
  CtrlRect wide = {item->rect.left - 48, item->rect.top, item->rect.right + 24, item->rect.bottom};
  winInvalidateRect(item->windowId, &wide);
}

void mouse(ControlItem* item) {
  NumboxData* d = numboxData(item);
  if (!d) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  if (!inputIsCaptured() && inputIsButtonDown()) {
    if (inRect(d->valueRect, p)) {
      if (d->editing) return;
      d->editing = 1;
      editBoxBeginNumber(item, numboxEntryDone);
      inputReset();
      return;
    }
    if (inputButtonState() != inputPressed) return;
    inputSetCaptured();
    const int32_t dx = p.x - d->arrowRect.left;
    uint16_t mode = dx < 9 ? 1 : (dx < 17 ? 2 : 3);
    // The strip's last pixel column belongs to the last section the box has.
    if (mode > d->arrowSections) mode = static_cast<uint16_t>(d->arrowSections);
    drag.startY = p.y;
    drag.mode = mode;
    drag.minimum = d->minimum;
    drag.maximum = d->maximum;
    drag.start = d->value;
    if (d->decimals > 0) {
      // Cut in floating point: no integer overflow for large values with many decimals.
      const double scale = std::pow(10.0, d->decimals);
      drag.start = std::trunc(d->value * scale) / scale;
    }
    d->pressed = 1;
    numboxRedraw(d);
    WinSavedDC saved;
    winAcquireDrawContext(ctrlItemWin(d->item), &saved);
    bitmapDrawMasked(ctrlItemWin(d->item), d->bitmapBase + 2, d->bitmapBase + 1, d->arrowRect.left + 8 * (mode - 1),
                     d->arrowRect.top);
    winReleaseDrawContext(ctrlItemWin(d->item), &saved);
  }
  if (!inputIsButtonDown()) {
    d->pressed = 0;
    numboxRedraw(d);
    WinSavedDC saved;
    winAcquireDrawContext(ctrlItemWin(d->item), &saved);
    drawSections(d, 0);
    winReleaseDrawContext(ctrlItemWin(d->item), &saved);
    inputReset();
    d->onChange(item, d->value);
    return;
  }
  int32_t moved = static_cast<int32_t>(drag.startY) - p.y;
  moved = numClamp<int32_t>(moved, -32768, 32767);
  double v = d->step(item, drag.start, static_cast<int16_t>(moved), drag.mode);
  if (std::isnan(v)) v = drag.start;
  v = numClamp(v, drag.minimum, drag.maximum);
  d->value = v;
  numboxRedraw(d);
  d->onChange(item, v);
}

}  // namespace

NumboxData* numboxData(ControlItem* item) {
  return item && item->kind == kindNumberBox ? static_cast<NumboxData*>(item->k.kindData) : nullptr;
}

NumboxData* numboxFind(WinId win, uint16_t id) { return numboxData(ctrlFindKind(win, id, kindNumberBox)); }

bool numboxOnScreen(const NumboxData* d) {
  if (!d || !d->item) return false;
  const ControlItem* item = d->item;
  WinSlot* slot = winSlot(item->windowId);
  if (!slot || !item->visible || !item->port->open || !item->port->drawEnabled) return false;
  return slot->window ? slot->window->isVisible() : slot->visible != 0;
}

ControlItem* numboxCreate(WinId win, uint16_t id, int16_t x, int16_t y, int16_t width, uint16_t arrowSections,
                          uint16_t decimals, double value, double minimum, double maximum, ValueStepRule step,
                          NumboxChanged onChange, const char* label) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;  // a taken id keeps its item untouched
  ControlItem* item = winAddItem(win, id, kindNumberBox);
  NumboxData* d = numboxData(item);
  if (!d) return item;
  const int32_t x0 = x - 3 + item->port->offsetX;
  const int32_t y0 = y + 1 + item->port->offsetY;
  if (arrowSections < 1 || arrowSections > 3) arrowSections = 1;
  d->valueRect = {x0 + 3, y0 - 1, x0 + width, y0 + 12};
  const int32_t aw = 8 * arrowSections + 1;
  d->arrowRect = {x0 + width + 1, y0 - 1, x0 + width + 1 + aw, y0 + 12};
  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  int32_t slotFound = fontFind(win, 1, 9);
  winReleaseDrawContext(win, &saved);
  char text[numboxLabelSize];
  std::memset(text, 0, sizeof text);
  if (label) std::strncpy(text, label, numboxLabelSize - 1);
  int32_t labelWidth;
  if (slotFound == -1) {
    diagMessage("brontavel numbox: couln't load font");
    labelWidth = aw;
  } else {
    labelWidth = 6 * static_cast<int32_t>(std::strlen(text));
  }
  d->labelRect = {x0 - labelWidth - 4, y0 - 1, x0, y0 + 12};
  for (int k = 0; k <= 6; ++k) bitmapAcquire(kitBitmapBase + k);
  d->pressed = 0;
  d->editing = 0;
  d->item = item;
  d->decimals = static_cast<int16_t>(decimals);
  d->arrowSections = static_cast<int16_t>(arrowSections);
  d->bitmapBase = kitBitmapBase;
  d->value = value;
  d->minimum = minimum;
  d->maximum = maximum;
  d->fontFace = 1;
  d->fontSlot = static_cast<int16_t>(slotFound);
  d->labelColor = *displayGetDefaultTextColor();
  d->valueColor = kitValueColor;
  if (step) d->step = step;
  if (onChange) d->onChange = onChange;
  std::memcpy(d->label, text, sizeof d->label);
  item->rect = {x0, y0, x0 + width, y0 + 12};
  item->drawable = 1;
  portMarkDirty(item->port);
  itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

void numboxFormatValue(const NumboxData* d, char* out) {
  if (!out) return;
  out[0] = 0;
  if (d) numboxFormatText(d->value, d->decimals, out);
}

// Draws one cached bitmap through the shared source context, stretched to w x h (its own size when
// w or h is 0).
void drawPiece(HDC dc, HDC src, int32_t id, int32_t x, int32_t y, int32_t w, int32_t h) {
  HBITMAP bmp = bitmapGetHandle(id);
  if (!bmp) return;
  CtrlRect size;
  bitmapGetSize(id, &size);
  HGDIOBJ previous = SelectObject(src, bmp);
  if (w <= 0 || h <= 0) {
    BitBlt(dc, x, y, size.right, size.bottom, src, 0, 0, SRCCOPY);
  } else {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, x, y, w, h, src, 0, 0, size.right, size.bottom, SRCCOPY);
  }
  SelectObject(src, previous);
}

void numboxRedraw(NumboxData* d) {
  if (!d || !d->item) return;
  const WinId win = ctrlItemWin(d->item);
  const CtrlRect& v = d->valueRect;
  CtrlRect cap;
  bitmapGetSize(d->bitmapBase + 6, &cap);
  // The three pieces cover the whole area when they all exist: nothing needs reading back.
  bool covered = true;
  for (int k = 3; k <= 6; ++k) covered = covered && bitmapGetHandle(d->bitmapBase + k);
  ComposeArea area;
  if (composeBegin(win, CtrlRect{v.left, v.top, v.right + cap.right, v.bottom}, &area, !covered)) {
    HDC dc = winGetDC(win);
    if (HDC src = CreateCompatibleDC(dc)) {
      drawPiece(dc, src, d->bitmapBase + (d->pressed ? 4 : 3), v.left, v.top, 0, 0);
      drawPiece(dc, src, d->bitmapBase + 5, v.left + 3, v.top, v.right - v.left - 3, v.bottom - v.top);
      drawPiece(dc, src, d->bitmapBase + 6, v.right, v.top, 0, 0);
      DeleteDC(src);
    }
    char text[numboxTextSize];
    numboxFormatValue(d, text);
    fontSelect(d->fontSlot, dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(d->valueColor.r, d->valueColor.g, d->valueColor.b));
    RECT r = {v.left + 3, v.top, v.right - 1, v.bottom};
    DrawTextA(dc, text, -1, &r, DT_RIGHT);
  }
  composeEnd(&area);
}

void numboxDrawText(NumboxData* d) {
  if (!d || !d->item) return;
  const WinId win = ctrlItemWin(d->item);
  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  if (HDC dc = winGetDC(win)) {
    fontSelect(d->fontSlot, dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(d->labelColor.r, d->labelColor.g, d->labelColor.b));
    RECT r = {d->labelRect.left, d->labelRect.top, d->labelRect.right, d->labelRect.bottom};
    DrawTextA(dc, d->label, -1, &r, DT_RIGHT);
  }
  winReleaseDrawContext(win, &saved);
}

void numboxEntryDone(ControlItem* item, const char* text) {
  NumboxData* d = numboxData(item);
  if (!d) return;
  const WinId win = item->windowId;
  const uint16_t id = item->id;
  winSetCurrent(win);
  winSelectPort(win, item->port);
  d->editing = 0;
  const double typed = numboxParseText(text);
  NumboxData* again = numboxFind(win, id);
  if (!again) return;
  const double stored = numClamp(typed, again->minimum, again->maximum);
  again->value = stored;
  if (numboxOnScreen(again)) numboxRedraw(again);
  // The page gets the value the box stores and shows, not the typed one.
  again->onChange(again->item, stored);
}

void numboxNotify(WinId win, uint16_t id, uint8_t flag) { winNotifyItemsOfType2(win, id, flag); }

void numboxSetTextColor(int16_t red, int16_t green, int16_t blue) {
  kitValueColor = {static_cast<uint8_t>(red / 256), static_cast<uint8_t>(green / 256),
                   static_cast<uint8_t>(blue / 256)};
}

void numboxKindRegister() {
  numboxSetTextColor(-1286, -1286, -1286);
  kitBitmapBase = 900;
  ctrlKindRegister(kindNumberBox, create, destroy, draw, mouse, moveTo, moveBy, show);
}

void numboxSetValue(WinId win, uint16_t id, float value) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  double v = value;
  if (std::isnan(v)) v = d->minimum;
  v = numClamp(v, d->minimum, d->maximum);
  // A value that came back from the engine's own form of it (a filter index, a float) differs from
  // the one typed or dragged by rounding only: the box keeps showing the value as the user gave it.
  const double held = d->value, scale = std::fabs(held) > std::fabs(v) ? std::fabs(held) : std::fabs(v);
  if (v != held && std::fabs(v - held) <= 1e-5 * scale) return;
  d->value = v;
  if (numboxOnScreen(d)) numboxRedraw(d);
}

void numboxSetUnit(WinId win, uint16_t id, const char* text) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  ControlItem* item = d->item;
  CtrlRect old = {d->labelRect.left, d->arrowRect.top, d->arrowRect.right, d->arrowRect.bottom};
  if (item->visible) winInvalidateRect(win, &old);
  std::memset(d->label, 0, sizeof d->label);
  if (text) std::strncpy(d->label, text, numboxLabelSize - 1);
  d->labelRect.left = d->labelRect.right - 6 * static_cast<int32_t>(std::strlen(d->label)) - 4;
  if (item->visible) winInvalidateRect(win, &d->labelRect);
}

void numboxConfigure(WinId win, uint16_t id, const char* unit, ValueStepRule step, float minimum, float maximum,
                     float value) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  d->step = step ? step : numboxStepDefault;
  d->minimum = minimum;
  d->maximum = maximum;
  numboxSetValue(win, id, value);
  const char* now = unit ? unit : "";
  if (std::strncmp(d->label, now, numboxLabelSize - 1) != 0) numboxSetUnit(win, id, now);
}
