// The list: rows of text with their selection, drawing from the row pictures, the press-and-drag
// selection gesture and the coupling with an attached scrollbar.
#include "controls/list.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/picture.h"
#include "controls/scrollbar.h"
#include "controls/winSlots.h"

#include "engine/numeric.h"

namespace {

// The selection gesture under way (one control holds the mouse at a time).
int32_t anchorRow;
uint8_t gestureValue;

void selectNop(ControlItem*) {}

// Narrower cuts of the list font (same height, smaller character width), made when a row's text is
// too wide for its row and kept for the next draws.
struct NarrowFont {
  HFONT base;
  LONG width;
  HFONT handle;
};
NarrowFont narrowFonts[8];
int narrowNext;

HFONT narrowFont(HDC dc, HFONT base, LONG width) {
  for (const NarrowFont& f : narrowFonts)
    if (f.handle && f.base == base && f.width == width) return f.handle;
  LOGFONTA lf = {};
  if (!base || !GetObjectA(base, sizeof lf, &lf) || !dc) return nullptr;
  lf.lfWidth = width;
  HFONT h = CreateFontIndirectA(&lf);
  if (!h) return nullptr;
  NarrowFont& slot = narrowFonts[narrowNext];
  narrowNext = (narrowNext + 1) % 8;
  if (slot.handle) DeleteObject(slot.handle);
  slot = {base, width, h};
  return h;
}

// Draws a row's text in `r`, condensed (down to three quarters of its width) when it is too wide to
// show whole; the dc has the list font selected.
void drawRowText(HDC dc, HFONT base, const char* text, int length, RECT r) {
  SIZE size = {};
  const LONG room = r.right - r.left;
  if (base && GetTextExtentPoint32A(dc, text, length, &size) && size.cx > room) {
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    const LONG floor = tm.tmAveCharWidth * 3 / 4;
    for (LONG w = tm.tmAveCharWidth * room / size.cx; w >= floor && w >= 1; --w) {
      HFONT narrow = narrowFont(dc, base, w);
      if (!narrow) break;
      HGDIOBJ old = SelectObject(dc, narrow);
      SIZE n = {};
      GetTextExtentPoint32A(dc, text, length, &n);
      if (n.cx <= room) {
        DrawTextA(dc, text, length, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        return;
      }
      SelectObject(dc, old);
    }
  }
  DrawTextA(dc, text, length, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

ListData* dataOf(ControlItem* item) {
  return item && item->kind == kindList ? static_cast<ListData*>(item->k.kindData) : nullptr;
}

ListData* find(WinId win, uint16_t id) { return dataOf(ctrlFindKind(win, id, kindList)); }

bool rowValid(const ListData* d, int32_t row) { return row >= 0 && row < d->rowCount; }

int32_t listHeight(const ControlItem* item) { return item->rect.bottom - item->rect.top; }

int32_t visibleRows(const ControlItem* item, const ListData* d) { return listHeight(item) / d->rowHeight; }

void recountUsed(ListData* d) {
  int32_t last = -1;
  for (int32_t r = d->rowCount - 1; r >= 0; --r)
    if (d->rows[r].textLength > 0) {
      last = r;
      break;
    }
  d->usedRows = static_cast<int16_t>(last >= 0 ? last + 1 : 1);
}

void drawNowIfShown(ControlItem* item) {
  if (itemOnScreen(item)) itemDrawWithContext(item);
}

void updateScrollbar(ControlItem* item, ListData* d) {
  if (!d->scrollbar) return;
  int32_t h = listHeight(item);
  if (h <= 0 || d->usedRows == 0) {
    scrollbarSetSteps(d->scrollbar, 1.0, 1.0);
    return;
  }
  int32_t visible = visibleRows(item, d);
  int32_t extra = d->usedRows - visible;
  if (extra <= 0 || extra == 1)
    scrollbarSetSteps(d->scrollbar, 1.0, 1.0);
  else
    scrollbarSetSteps(d->scrollbar, 1.0 / extra, visible - 1);
}

void setSelected(ControlItem* item, ListData* d, int32_t row, uint8_t flag) {
  if (!rowValid(d, row)) return;
  flag = flag ? 1 : 0;
  if (d->rows[row].selected == flag) return;
  if (!(d->flags & listMultiple))
    for (int32_t r = 0; r < d->rowCount; ++r)
      if (d->rows[r].selected) {
        d->rows[r].selected = 0;
        break;
      }
  // An empty row is never selected; the old selection is gone all the same.
  if (d->rows[row].textLength > 0) d->rows[row].selected = flag;
  drawNowIfShown(item);
}

void draw(ControlItem* item) {
  ListData* d = dataOf(item);
  if (!d || d->holdDrawing) return;
  WinId win = item->windowId;
  HDC dc = winGetDC(win);
  if (!dc) return;
  if (d->fontSlot < 0) d->fontSlot = static_cast<int16_t>(fontFind(win, d->fontFace, d->fontSize));
  fontSelect(d->fontSlot, dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(d->textColor.r, d->textColor.g, d->textColor.b));
  const CtrlRect& r = item->rect;
  bool whole = (d->flags & listWholePicture) != 0;
  if (whole && d->bitmapId > 0) bitmapDraw(win, d->bitmapId, r.left, r.top);
  for (int32_t k = 0; k < d->usedRows; ++k) {
    int32_t row = d->firstRow + k;
    int32_t top = r.top + k * d->rowHeight;
    if (row >= d->rowCount || top + d->rowHeight > r.bottom) break;
    const ListRow& lr = d->rows[row];
    if (lr.textLength <= 0) continue;
    CtrlRect box = {r.left, top, r.left + d->width, top + d->rowHeight};
    if (d->bitmapId > 0) {
      if (!whole)
        bitmapDraw(win, lr.selected ? d->bitmapId + 1 : d->bitmapId, box.left, box.top);
      else if (lr.selected)
        bitmapDrawPart(win, d->bitmapId + 1, &box, 0, top - r.top);
    }
    const RECT text = {box.left + 1, box.top, box.right, box.bottom};
    drawRowText(dc, fontGet(d->fontSlot), lr.text, lr.textLength, text);
  }
}

int32_t rowUnderPointer(const ControlItem* item, const ListData* d) {
  CtrlPoint p;
  inputGetMousePos(&p);
  return (p.y - item->rect.top - 1) / d->rowHeight + d->firstRow;
}

void mouse(ControlItem* item) {
  ListData* d = dataOf(item);
  if (!d) return;
  if (d->flags & listSelectOnPress) {
    setSelected(item, d, rowUnderPointer(item, d), 1);
    inputReset();
    d->onSelect(item);
    return;
  }
  if (inputIsButtonDown() && !inputIsCaptured()) {
    anchorRow = 0;
    int32_t row = rowUnderPointer(item, d);
    if (!rowValid(d, row)) {
      inputReset();
      return;
    }
    anchorRow = row - 1;
    gestureValue = (d->flags & listMultiple) ? (d->rows[row].selected ? 0 : 1) : 1;
    inputSetCaptured();
  }
  if (!inputIsButtonDown()) {
    inputReset();
    d->onSelect(item);
    return;
  }
  int32_t row = rowUnderPointer(item, d);
  row = numClamp<int32_t>(row, anchorRow - 1, anchorRow + 1);
  if (row != anchorRow && rowValid(d, row)) {
    setSelected(item, d, row, gestureValue);
    anchorRow = row;
  }
}

void destroy(ControlItem* item) {
  ListData* d = dataOf(item);
  if (!d) return;
  if (d->scrollbar) scrollbarAttachList(d->scrollbar, nullptr);
  if (d->bitmapId > 0)
    for (int32_t k = 0; k < 3; ++k) bitmapRelease(d->bitmapId + k);
  std::free(d->rows);
  std::free(d);
  item->k.kindData = nullptr;
}

void createNop(ControlItem*) {}

void scrollTo(ControlItem* item, ListData* d, double p) {
  int32_t h = listHeight(item);
  if (h <= 0 || d->usedRows == 0) return;
  if (std::isnan(p) || p < 0.0) p = 0.0;
  if (p > 1.0) p = 1.0;
  int32_t extra = d->usedRows - visibleRows(item, d);
  int16_t first = static_cast<int16_t>(extra <= 0 ? 0 : static_cast<int32_t>(extra * p + 0.5));
  if (first == d->firstRow) return;
  d->firstRow = first;
  drawNowIfShown(item);
}

}  // namespace

void listKindRegister() {
  ctrlKindRegister(kindList, createNop, destroy, draw, mouse, itemMovedRegionFromRect, itemMovedRegionFromRect,
                   itemShownRegionFromRect);
}

ControlItem* listCreate(WinId win, uint16_t id, int32_t x, int32_t y, uint16_t width, int32_t height, int32_t rowHeight,
                        int32_t rowCount, int32_t flags, int32_t bitmapId, ListCallback onSelect) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;
  ControlItem* item = winAddItem(win, id, kindList);
  if (!item) return nullptr;
  x += item->port->offsetX;
  y += item->port->offsetY;
  ListData* d = static_cast<ListData*>(std::calloc(1, sizeof(ListData)));
  rowCount = numClamp<int>(rowCount, 0, 0x7fff);
  ListRow* rows = d ? static_cast<ListRow*>(std::calloc(rowCount > 0 ? rowCount : 1, sizeof(ListRow))) : nullptr;
  if (!rows) {
    std::free(d);
    return item;  // no data: every operation on it does nothing
  }
  for (int32_t r = 0; r < rowCount; ++r) rows[r].index = static_cast<int16_t>(r);
  d->rows = rows;
  d->rowCount = static_cast<int16_t>(rowCount);
  d->flags = static_cast<uint32_t>(flags);
  d->width = static_cast<int16_t>(width);
  d->rowHeight = static_cast<int16_t>(rowHeight);
  if (bitmapId >= 1) {
    d->bitmapId = static_cast<int16_t>(bitmapId);
    for (int32_t k = 0; k < 3; ++k) bitmapAcquire(bitmapId + k);
    CtrlRect size;
    bitmapGetSize(bitmapId, &size);
    d->width = static_cast<int16_t>(size.right);
    if (!(d->flags & listWholePicture)) d->rowHeight = static_cast<int16_t>(size.bottom);
  }
  if (d->rowHeight < 1) d->rowHeight = 1;  // the row under the pointer divides by it
  if (height < 0) height = 0;
  item->rect = {x, y, x + d->width, y + height};
  d->fontFace = 1;
  d->fontSize = 9;
  d->fontSlot = static_cast<int16_t>(fontFind(win, 1, 9));
  d->textColor = {247, 247, 247};
  d->item = item;
  d->onSelect = onSelect ? onSelect : selectNop;
  item->k.kindData = d;
  item->drawable = 1;
  itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

void listSetRowText(WinId win, uint16_t id, int32_t row, const char* text) {
  ControlItem* item = ctrlFindKind(win, id, kindList);
  ListData* d = dataOf(item);
  if (!d || !rowValid(d, row)) return;
  ListRow& lr = d->rows[row];
  std::memset(lr.text, 0, sizeof(lr.text));
  int32_t n = 0;
  while (text && n < listTextMax && text[n]) ++n;
  if (n) std::memcpy(lr.text, text, static_cast<size_t>(n));
  lr.textLength = static_cast<int16_t>(n);
  recountUsed(d);
  updateScrollbar(item, d);
  const CtrlRect& r = item->rect;
  CtrlRect band = {r.left, r.top + row * d->rowHeight, r.left + d->width, r.top + (row + 1) * d->rowHeight};
  if (band.bottom > r.bottom) band.bottom = r.bottom;
  if (band.top <= r.bottom) winInvalidateRect(win, &band);
}

void listGetRowText(WinId win, uint16_t id, int32_t row, char* out) {
  ListData* d = find(win, id);
  if (!d || !out) return;
  std::memset(out, 0, listTextCapacity);
  if (!rowValid(d, row)) return;
  int32_t n = d->rows[row].textLength;
  if (n > listTextMax) n = listTextMax;
  if (n > 0) std::memcpy(out, d->rows[row].text, static_cast<size_t>(n));
}

void listClear(WinId win, uint16_t id) {
  ControlItem* item = ctrlFindKind(win, id, kindList);
  ListData* d = dataOf(item);
  if (!d) return;
  for (int32_t r = 0; r < d->rowCount; ++r) std::memset(&d->rows[r], 0, sizeof(ListRow));
  d->usedRows = 0;
  itemInvalidate(item);
  recountUsed(d);
  updateScrollbar(item, d);
}

int32_t listCountFilled(WinId win, uint16_t id) {
  ListData* d = find(win, id);
  if (!d) return 0;
  int32_t n = 0;
  while (n < d->rowCount && d->rows[n].textLength > 0) ++n;
  return n;
}

int32_t listFirstSelected(WinId win, uint16_t id) {
  ListData* d = find(win, id);
  if (!d) return 0;
  for (int32_t r = 0; r < d->rowCount; ++r)
    if (d->rows[r].selected) return r;
  return -1;
}

int32_t listIsRowSelected(WinId win, uint16_t id, int32_t row) {
  ListData* d = find(win, id);
  return d && rowValid(d, row) ? d->rows[row].selected : 0;
}

void listSetRowSelected(WinId win, uint16_t id, int32_t row, uint8_t flag) {
  ControlItem* item = ctrlFindKind(win, id, kindList);
  if (ListData* d = dataOf(item)) setSelected(item, d, row, flag);
}

void listShow(WinId win, uint16_t id, uint8_t flag) {
  ControlItem* item = ctrlFindKind(win, id, kindList);
  if (dataOf(item)) itemShowAsCtrlShow(item, flag);
}

void listHoldDrawing(WinId win, uint16_t id, uint8_t flag) {
  ControlItem* item = ctrlFindKind(win, id, kindList);
  ListData* d = dataOf(item);
  if (!d) return;
  d->holdDrawing = flag ? 1 : 0;
  if (!flag) drawNowIfShown(item);
}

void listAttachScrollbar(WinId win, uint16_t listId, uint16_t scrollbarId) {
  ControlItem* item = ctrlFindKind(win, listId, kindList);
  ControlItem* bar = ctrlFindKind(win, scrollbarId, kindScrollbar);
  ListData* d = dataOf(item);
  if (!d || !bar || !bar->k.kindData) return;
  if (d->scrollbar && d->scrollbar != bar) scrollbarAttachList(d->scrollbar, nullptr);
  d->scrollbar = bar;
  scrollbarAttachList(bar, item);
  // Against the list's right edge, its top at the list's top (both rectangles are in window
  // coordinates, each container's origin already applied).
  itemInvalidate(bar);
  int32_t dx = item->rect.right - bar->rect.left, dy = item->rect.top - bar->rect.top;
  bar->rect.left += dx;
  bar->rect.right += dx;
  bar->rect.top += dy;
  bar->rect.bottom += dy;
  bar->k.moveTo(bar, bar->rect.left, bar->rect.top);
  bar->needsRedraw = 1;
  portMarkDirty(bar->port);
  scrollbarSetLength(win, scrollbarId, listHeight(item));
  updateScrollbar(item, d);
}

void listScrollTo(WinId win, uint16_t id, float position) {
  ControlItem* item = ctrlFindKind(win, id, kindList);
  if (ListData* d = dataOf(item)) scrollTo(item, d, position);
}

void listScrollToItem(ControlItem* list, float position) {
  if (ListData* d = dataOf(list)) scrollTo(list, d, position);
}

void listForgetScrollbar(ControlItem* list, ControlItem* scrollbar) {
  ListData* d = dataOf(list);
  if (d && d->scrollbar == scrollbar) d->scrollbar = nullptr;
}

void listScrollToSelection(WinId win, uint16_t id) {
  ControlItem* item = ctrlFindKind(win, id, kindList);
  ListData* d = dataOf(item);
  if (!d) return;
  // -1 means no selection, so a selected row 0 is brought back like any other.
  int32_t s = -1;
  for (int32_t r = 0; r < d->usedRows && r < d->rowCount; ++r)
    if (d->rows[r].selected) {
      s = r;
      break;
    }
  if (s < 0 || listHeight(item) <= 0 || d->usedRows == 0) return;
  int32_t visible = visibleRows(item, d);
  if (s >= d->firstRow && s < d->firstRow + visible) return;
  d->firstRow = static_cast<int16_t>(s > 0 ? s - 1 : 0);
  drawNowIfShown(item);
  int32_t extra = d->usedRows - visible;
  if (d->scrollbar) scrollbarSetPositionItem(d->scrollbar, extra > 0 ? static_cast<double>(d->firstRow) / extra : 0.0);
}
