// Text displays: creation, drawing over the parent picture's background and in-place editing.
#include "controls/display.h"
#include <cstdlib>
#include <cstring>
#include "UIAWindow.h"
#include "controls/ctrlItems.h"
#include "controls/editBox.h"
#include "controls/inputState.h"
#include "controls/picture.h"
#include "controls/winSlots.h"
#include "uiSeams/msgBox.h"

namespace {

int32_t defaultFace = 1;
int32_t defaultSize = 9;
uint16_t defaultStyle = 0;
CtrlRgb defaultText = {0, 0, 0};
CtrlRgb defaultSecond = {255, 255, 255};

void nopChanged(ControlItem*) {}
void nopDone(ControlItem*, const char*) {}

// Copies at most displayTextSize - 1 characters, so the text always keeps its terminator.
void storeText(DisplayData* d, const char* text) {
  std::memset(d->text, 0, sizeof d->text);
  if (text) std::strncpy(d->text, text, displayTextSize - 1);
  d->length = static_cast<int32_t>(std::strlen(d->text));
}

void create(ControlItem* item) {
  DisplayData* d = static_cast<DisplayData*>(std::calloc(1, sizeof(DisplayData)));
  if (!d) return;
  d->face = static_cast<int16_t>(defaultFace);
  d->size = static_cast<int16_t>(defaultSize);
  d->styleWord = defaultStyle;
  d->textColour = defaultText;
  d->backColour = *colorWhite();
  d->changed = nopChanged;
  d->entryDone = nopDone;
  d->item = item;
  item->k.kindData = d;
}

void destroy(ControlItem* item) {
  std::free(item->k.kindData);
  item->k.kindData = nullptr;
}

void draw(ControlItem* item) {
  DisplayData* d = displayData(item);
  HDC dc = winGetDC(item->windowId);
  if (!d || !dc) return;
  fontSelect(d->fontIndex, dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(d->textColour.r, d->textColour.g, d->textColour.b));
  RECT r = {item->rect.left, item->rect.top, item->rect.right, item->rect.bottom};
  DrawTextA(dc, d->text, d->length, &r, d->format);
}

void mouse(ControlItem* item) {
  DisplayData* d = displayData(item);
  if (!d || !item->visible) return;
  if ((d->flags & displayDoubleClickEdits) && !winIsDoubleClick()) return;
  if (inputIsButtonDown()) editBoxBeginText(item, d->entryDone);
  inputReset();
}

void refreshRegion(ControlItem* item) {
  if (item->visible && item->drawable) regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
}

void moveTo(ControlItem* item, int32_t, int32_t) { refreshRegion(item); }
void moveBy(ControlItem* item, int32_t, int32_t) { refreshRegion(item); }
void show(ControlItem* item, int32_t) { refreshRegion(item); }

bool windowOnScreen(WinId win) {
  WinSlot* slot = winSlot(win);
  if (!slot) return false;
  return slot->window ? slot->window->isVisible() : slot->visible != 0;
}

// Whether the display reaches past its parent picture (a label set a little above its frame): the
// parent's bitmap then gives only part of its background.
bool reachesPastParent(WinId win, const ControlItem* item) {
  const ControlItem* parent = ctrlFind(win, item->parentPicture);
  if (!parent) return false;
  const CtrlRect& r = item->rect;
  const CtrlRect& p = parent->rect;
  return r.left < p.left || r.top < p.top || r.right > p.right || r.bottom > p.bottom;
}

// Puts back the background under the display, then draws the text.
void repaint(ControlItem* item, DisplayData* d) {
  const WinId win = item->windowId;
  if (!item->visible || !item->port->drawEnabled || !windowOnScreen(win)) return;
  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  int32_t bitmap = 0, x = item->rect.left, y = item->rect.top;
  if (d->backBitmap) {
    bitmapDrawPart(win, d->backBitmap, &item->rect, d->backX - item->rect.left, d->backY - item->rect.top);
  } else if (item->parentPicture && pictureMapPoint(win, item->parentPicture, &bitmap, &x, &y) && bitmap) {
    bitmapDrawPart(win, bitmap, &item->rect, x, y);
    // The rest is put back by the window's next paint, which draws whatever lies under it.
    if (reachesPastParent(win, item)) itemInvalidate(item);
  } else {
    itemInvalidate(item);
  }
  draw(item);
  winReleaseDrawContext(win, &saved);
}

}  // namespace

DisplayData* displayData(ControlItem* item) {
  return item && item->kind == kindDisplay ? static_cast<DisplayData*>(item->k.kindData) : nullptr;
}

ControlItem* displayCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, const char* text, int32_t,
                           uint32_t flags, uint32_t format, DisplayChanged changed, EditDoneFn entryDone) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;  // a taken id keeps its item untouched
  ControlItem* item = winAddItem(win, id, kindDisplay);
  DisplayData* d = displayData(item);
  if (!d) return item;
  x += item->port->offsetX;
  y += item->port->offsetY;
  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  HDC dc = winGetDC(win);
  if (!dc) {
    winReleaseDrawContext(win, &saved);
    return item;
  }
  d->fontIndex = static_cast<int16_t>(fontFind(win, defaultFace, defaultSize));
  if (d->fontIndex == -1) {
    diagMessage("brontavel display: couln't load font");
  } else {
    fontSelect(d->fontIndex, dc);
    TEXTMETRICA tm;
    int32_t h = GetTextMetricsA(dc, &tm) ? tm.tmHeight : 0;
    item->rect = {x, y, x + width, y + h};
  }
  winReleaseDrawContext(win, &saved);
  d->flags = flags;
  if (changed) {
    d->changed = changed;
    ctrlSetHoverCursor(item, 1);
  }
  if (entryDone) d->entryDone = entryDone;
  storeText(d, text);
  d->format = format;
  d->face = static_cast<int16_t>(defaultFace);
  d->size = static_cast<int16_t>(defaultSize);
  d->styleWord = defaultStyle;
  d->textColour = defaultText;
  d->backColour = *colorWhite();
  d->backBitmap = d->backX = d->backY = 0;
  item->drawable = (flags & displayTakesMouse) ? 1 : 0;
  portMarkDirty(item->port);
  if (!(flags & displayHidden)) itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

void displaySetText(WinId win, uint16_t id, const char* text) {
  ControlItem* item = ctrlFindKind(win, id, kindDisplay);
  DisplayData* d = displayData(item);
  if (!d) return;
  storeText(d, text);
  repaint(item, d);
}

namespace {
uint32_t g_entryStores = 0;
}  // namespace

uint32_t displayEntryStores() { return g_entryStores; }

void displayEntryStore(ControlItem* item, const char* text) {
  DisplayData* d = displayData(item);
  if (!d) return;
  ++g_entryStores;
  storeText(d, text);
  repaint(item, d);
  d->changed(item);
}

void displayGetText(WinId win, uint16_t id, char* buffer, int32_t size) {
  DisplayData* d = displayData(ctrlFindKind(win, id, kindDisplay));
  if (!d || !buffer || size <= 0) return;
  // At most 254 characters, and always a terminator inside the buffer.
  const int32_t n = size > 255 ? 255 : size;
  std::memset(buffer, 0, static_cast<size_t>(n));
  const size_t len = std::strlen(d->text);
  std::memcpy(buffer, d->text, len < static_cast<size_t>(n - 1) ? len : static_cast<size_t>(n - 1));
}

void displayRedraw(WinId win, uint16_t id, int32_t flag) {
  if (ControlItem* item = ctrlFindKind(win, id, kindDisplay)) itemShowAsCtrlShow(item, flag);
}

void displaySetDefaultFont(int32_t face) { defaultFace = face; }
void displaySetDefaultFontSize(int32_t size) { defaultSize = size; }

void displaySetDefaultColors(const CtrlRgb* text, const CtrlRgb* second) {
  if (text) defaultText = *text;
  if (second) defaultSecond = *second;
}

const CtrlRgb* displayGetDefaultTextColor() { return &defaultText; }

void displayKindRegister() {
  defaultFace = 1;
  defaultStyle = 0;
  defaultSize = 9;
  ctrlKindRegister(kindDisplay, create, destroy, draw, mouse, moveTo, moveBy, show);
}
