// Popup selectors: frame and texts, the native menu behind them and the choice.
#include "controls/selector.h"
#include <cstdlib>
#include <cstring>
#include "UIAWindow.h"
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/picture.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "uiSeams/popupMenu.h"

namespace {

int32_t defaultFace = 1;
int32_t defaultSize = 9;
int32_t defaultBitmap = 1000;
uint32_t defaultColors[4];

uint32_t pack(const CtrlRgb& c) { return RGB(c.r, c.g, c.b); }

void chosenDefault(ControlItem* item, int16_t menu, int16_t entry) {
  // Entries of a hung table menu are not the selector's own: only its own entries are selected.
  if (menu == 0) selectorSelect(item->windowId, item->id, entry);
}

void copyText(char* dst, const char* src) {
  std::memset(dst, 0, selectorTextSize);
  if (!src) return;
  const size_t len = strnlen(src, selectorTextSize - 1);
  std::memcpy(dst, src, len);
}

// Destroys a selector's menu without the table menus hung under its entries: those belong to the table.
void destroyMenu(HMENU menu) {
  if (!menu) return;
  for (int pos = GetMenuItemCount(menu) - 1; pos >= 0; --pos)
    if (GetSubMenu(menu, pos)) RemoveMenu(menu, static_cast<UINT>(pos), MF_BYPOSITION);
  DestroyMenu(menu);
}

int findPosition(HMENU menu, int32_t commandId) {
  const int n = menu ? GetMenuItemCount(menu) : 0;
  for (int pos = 0; pos < n; ++pos) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID;
    if (GetMenuItemInfoA(menu, static_cast<UINT>(pos), TRUE, &info) && info.wID == static_cast<UINT>(commandId))
      return pos;
  }
  return -1;
}

void create(ControlItem* item) {
  SelectorData* d = static_cast<SelectorData*>(std::calloc(1, sizeof(SelectorData)));
  if (!d) return;
  d->item = item;
  item->k.kindData = d;
}

void destroy(ControlItem* item) {
  SelectorData* d = selectorData(item);
  if (d) {
    destroyMenu(d->menu);
    if (d->flags & selectorOneBitmap) {
      bitmapRelease(d->bitmap);
    } else {
      for (int k = 0; k < 6; ++k) bitmapRelease(d->bitmap + k);
    }
    for (int k = 0; k < 16; ++k)
      if (d->entryPictures[k]) bitmapRelease(d->entryPictures[k]);
  }
  std::free(item->k.kindData);
  item->k.kindData = nullptr;
}

void draw(ControlItem* item) {
  SelectorData* d = selectorData(item);
  if (!d || !item->visible) return;
  const WinId win = item->windowId;
  const CtrlRect& r = item->rect;
  if (!(d->flags & selectorOneBitmap)) {
    CtrlRect left, mid, right;
    bitmapGetSize(d->bitmap, &left);
    bitmapGetSize(d->bitmap + 1, &mid);
    bitmapGetSize(d->bitmap + 2, &right);
    bitmapDraw(win, d->bitmap, r.left, r.top);
    bitmapDrawStretched(win, d->bitmap + 1, r.left + left.right, r.top, r.right - right.right, r.top + mid.bottom);
    bitmapDraw(win, d->bitmap + 2, r.right - right.right, r.top);
  } else {
    bitmapDraw(win, d->bitmap, r.left, r.top);
  }
  HDC dc = winGetDC(win);
  if (!dc) return;
  fontSelect(d->fontIndex, dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, d->colors[0]);
  RECT t = {d->textRect.left, d->textRect.top, d->textRect.right, d->textRect.bottom};
  // One line, centred on the box's height (a tall field does not leave its text at the top).
  const UINT line = DT_SINGLELINE | DT_VCENTER;
  DrawTextA(dc, d->label, -1, &t, ((d->flags & selectorLabelInside) ? DT_LEFT : DT_RIGHT) | line);
  if (!(d->flags & selectorLabelInside)) {
    SetTextColor(dc, d->colors[3]);
    RECT c = {r.left + 3, r.top, r.right - 3, r.bottom};
    DrawTextA(dc, d->choiceText, -1, &c, DT_LEFT | line);
  }
}

void drawNow(ControlItem* item) {
  WinSlot* slot = winSlot(item->windowId);
  if (!slot || !item->visible || !item->port->drawEnabled) return;
  if (slot->window ? !slot->window->isVisible() : !slot->visible) return;
  WinSavedDC saved;
  winAcquireDrawContext(slot->id, &saved);
  draw(item);
  winReleaseDrawContext(slot->id, &saved);
}

void refreshRegion(ControlItem* item) {
  if (item->visible && item->drawable) regionSetFromRect(item->windowId, &item->region, 3, &item->rect, 0);
}

void placeText(ControlItem* item, SelectorData* d) {
  const CtrlRect& r = item->rect;
  if (d->flags & selectorLabelInside) {
    d->textRect = r;
    if (!(d->flags & selectorFullWidth)) d->textRect.right -= 10;
  } else {
    const int32_t len = static_cast<int32_t>(std::strlen(d->label));
    d->textRect = {r.left - 6 * len - 6, r.top, r.left - 3, r.bottom};
  }
}

void moveTo(ControlItem* item, int32_t, int32_t) {
  if (SelectorData* d = selectorData(item)) placeText(item, d);
  refreshRegion(item);
}

void moveBy(ControlItem* item, int32_t, int32_t) { moveTo(item, 0, 0); }

void show(ControlItem* item, int32_t) {
  SelectorData* d = selectorData(item);
  refreshRegion(item);
  if (d) winInvalidateRect(item->windowId, &d->textRect);
}

void mouse(ControlItem* item) {
  SelectorData* d = selectorData(item);
  if (!d) return;
  const WinId win = item->windowId;
  const uint16_t id = item->id;
  WinSlot* slot = winSlot(win);
  ItemPort* port = slot ? slot->currentPort : nullptr;
  if (d->opening) {
    destroyMenu(d->menu);
    d->menu = CreatePopupMenu();
    d->opening(item, 1);
  }
  int32_t c = 0;
  if (d->menu) {
    POINT p = {item->rect.left, (d->flags & selectorLabelInside) ? item->rect.bottom : item->rect.top};
    if (d->window) ClientToScreen(d->window, &p);
    c = popupTrack(d->menu, p.x, p.y, d->window);
    winSetCurrent(win);
    if (winSlot(win) == slot && port) winSelectPort(win, port);
    inputReset();
  }
  // The page may have rebuilt its controls inside the menu: find the selector again.
  if (c > 0) d->chosen(item, static_cast<int16_t>(c / 256), static_cast<int16_t>(c % 256));
  ItemList* items = item->port ? item->port->items : nullptr;
  if (!items || id >= items->capacity || items->entries[id] != item || item->k.kindData != d) return;
  if (d && d->opening) {
    d->opening(item, 0);
    destroyMenu(d->menu);
    d->menu = nullptr;
  }
}

}  // namespace

SelectorData* selectorData(ControlItem* item) {
  return item && item->kind == kindSelector ? static_cast<SelectorData*>(item->k.kindData) : nullptr;
}

SelectorData* selectorFind(WinId win, uint16_t id) { return selectorData(ctrlFindKind(win, id, kindSelector)); }

ControlItem* selectorCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t width, int16_t, uint32_t flags,
                            int32_t frameBitmap, const char* label, int32_t drawable, SelectorChosen chosen) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;  // a taken id keeps its item untouched
  ControlItem* item = winAddItem(win, id, kindSelector);
  SelectorData* d = selectorData(item);
  if (!d) return item;
  x += item->port->offsetX;
  y += item->port->offsetY;
  copyText(d->label, label);
  d->bitmap = static_cast<int16_t>(frameBitmap ? frameBitmap : defaultBitmap);
  d->face = static_cast<int16_t>(defaultFace);
  d->size = static_cast<int16_t>(defaultSize);
  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  d->fontIndex = static_cast<int16_t>(fontFind(win, d->face, d->size));
  int32_t textHeight = 0;
  if (HDC dc = winGetDC(win)) {
    if (d->fontIndex >= 0) {
      fontSelect(d->fontIndex, dc);
      TEXTMETRICA tm;
      if (GetTextMetricsA(dc, &tm)) textHeight = tm.tmHeight;
    }
  }
  winReleaseDrawContext(win, &saved);
  d->menu = CreatePopupMenu();
  d->window = winGetFrameworkWindow(win);
  d->flags = flags;
  d->chosen = chosen ? chosen : chosenDefault;
  if (flags & selectorOneBitmap) {
    bitmapAcquire(d->bitmap);
  } else {
    for (int k = 0; k < 6; ++k) bitmapAcquire(d->bitmap + k);
  }
  CtrlRect first;
  bitmapGetSize(d->bitmap, &first);
  int32_t height = textHeight > first.bottom ? textHeight : first.bottom;
  if (height == 0) height = 12;
  if (flags & selectorOneBitmap) width = first.right;
  item->rect = {x, y, x + width, y + height};
  placeText(item, d);
  for (int k = 0; k < 4; ++k) d->colors[k] = defaultColors[k];
  item->drawable = drawable ? 1 : 0;
  portMarkDirty(item->port);
  itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

void selectorSetOpeningCallback(WinId win, uint16_t id, SelectorOpening opening) {
  if (SelectorData* d = selectorFind(win, id)) d->opening = opening;
}

void selectorSelect(WinId win, uint16_t id, int32_t entry) {
  SelectorData* d = selectorFind(win, id);
  if (!d || entry < 0) return;
  if (!(d->flags & selectorNoChecks) && d->menu && d->selected > 0)
    CheckMenuItem(d->menu, static_cast<UINT>(d->selected - 1), MF_BYPOSITION | MF_UNCHECKED);
  d->selected = static_cast<int16_t>(entry);
  char text[selectorTextSize];
  std::memset(text, 0, sizeof text);
  const int pos = findPosition(d->menu, entry);
  if (pos >= 0) GetMenuStringA(d->menu, static_cast<UINT>(pos), text, selectorTextSize, MF_BYPOSITION);
  copyText(d->choiceText, text);
  if (!(d->flags & selectorNoChecks) && d->menu && entry >= 1)
    CheckMenuItem(d->menu, static_cast<UINT>(entry - 1), MF_BYPOSITION | MF_CHECKED);
  drawNow(d->item);
}

void selectorSetLabel(WinId win, uint16_t id, const char* text) {
  SelectorData* d = selectorFind(win, id);
  if (!d) return;
  copyText(d->choiceText, text);
  drawNow(d->item);
}

void menuClear(WinId win, uint16_t id) {
  SelectorData* d = selectorFind(win, id);
  if (!d || !d->menu) return;
  const int n = GetMenuItemCount(d->menu);
  for (int c = 1; c <= n; ++c) {
    const int pos = findPosition(d->menu, c);
    if (pos >= 0) RemoveMenu(d->menu, static_cast<UINT>(pos), MF_BYPOSITION);
  }
}

void menuAppendItem(WinId win, uint16_t id, int32_t commandId, int32_t enabled, const char* text,
                    int32_t pictureBitmap) {
  SelectorData* d = selectorFind(win, id);
  if (!d || !d->menu) return;
  const UINT cmd = static_cast<UINT>(commandId);
  if (!pictureBitmap) {
    if (text && std::strcmp(text, "-") == 0)
      AppendMenuA(d->menu, MF_SEPARATOR, cmd, nullptr);
    else
      AppendMenuA(d->menu, MF_STRING | MF_ENABLED, cmd, text ? text : "");
    return;
  }
  const UINT grey = enabled ? MF_ENABLED : MF_GRAYED;
  bitmapAcquire(pictureBitmap);
  HBITMAP bmp = bitmapGetHandle(pictureBitmap);
  if (bmp)
    AppendMenuA(d->menu, MF_BITMAP | grey, cmd, reinterpret_cast<LPCSTR>(bmp));
  else
    AppendMenuA(d->menu, MF_STRING | grey, cmd, text ? text : "");
  // The menu shows the bitmap for as long as it lives: the reference is kept. Entries below 16 give
  // theirs back when the selector goes; others keep it until the cache is freed.
  if (commandId >= 0 && commandId < 16) {
    if (d->entryPictures[commandId]) bitmapRelease(d->entryPictures[commandId]);
    d->entryPictures[commandId] = static_cast<int16_t>(pictureBitmap);
  }
}

void menuAttachSubmenu(WinId win, uint16_t id, int32_t commandId, int32_t tableIndex) {
  SelectorData* d = selectorFind(win, id);
  HMENU sub = static_cast<HMENU>(tableLookup128(tableIndex));
  if (!d || !sub) return;
  const int pos = findPosition(d->menu, commandId);
  if (pos < 0) return;
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_SUBMENU;
  info.hSubMenu = sub;
  SetMenuItemInfoA(d->menu, static_cast<UINT>(pos), TRUE, &info);
}

void menuEnableItem(WinId win, uint16_t id, int32_t commandId, int32_t flag) {
  SelectorData* d = selectorFind(win, id);
  if (!d) return;
  if (commandId == 0) {
    d->item->drawable = flag ? 1 : 0;
    return;
  }
  if (d->menu) EnableMenuItem(d->menu, static_cast<UINT>(commandId), MF_BYCOMMAND | (flag ? MF_ENABLED : MF_GRAYED));
}

void menuCheckItem(WinId win, uint16_t id, int32_t entry, int32_t flag) {
  SelectorData* d = selectorFind(win, id);
  if (!d || !d->menu || entry < 1) return;
  CheckMenuItem(d->menu, static_cast<UINT>(entry - 1), MF_BYPOSITION | (flag ? MF_CHECKED : MF_UNCHECKED));
}

void selectorSetDefaultFontSize(int32_t size) { defaultSize = size; }

void selectorSetDefaultColors(const CtrlRgb* a, const CtrlRgb* b, const CtrlRgb* c, const CtrlRgb* d) {
  const CtrlRgb* in[4] = {a, b, c, d};
  for (int k = 0; k < 4; ++k)
    if (in[k]) defaultColors[k] = pack(*in[k]);
}

void selectorSetDefaultBitmap(int32_t id) { defaultBitmap = id; }

void selectorKindRegister() {
  defaultFace = 1;
  defaultSize = 9;
  defaultBitmap = 1000;
  const CtrlRgb a = {0, 0, 0}, b = {62, 62, 62}, c = {250, 250, 215}, d = {250, 250, 215};
  selectorSetDefaultColors(&a, &b, &c, &d);
  ctrlKindRegister(kindSelector, create, destroy, draw, mouse, moveTo, moveBy, show);
  waveSelectorInstall();
}
