// The text lines view: lines fill a column top to bottom, then the next column to the right.
#include "controls/textView.h"
#include <cstdlib>
#include <cstring>
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/picture.h"
#include "controls/winSlots.h"

#include "engine/numeric.h"

namespace {

const CtrlRgb defaultColours[5] = {{236, 240, 243}, {0, 0, 0}, {20, 21, 15}, {112, 224, 213}, {2, 64, 58}};

void selectNop(ControlItem*, int32_t) {}

TextViewData* dataOf(ControlItem* item) {
  return item && item->kind == kindTextView ? static_cast<TextViewData*>(item->k.kindData) : nullptr;
}

CtrlRect cellRect(const ControlItem* item, const TextViewData* d, int32_t line) {
  int32_t column = line / d->down, row = line % d->down;
  int32_t left = item->rect.left + d->cellWidth * column, top = item->rect.top + d->cellHeight * row;
  return {left, top, left + d->cellWidth, top + d->cellHeight};
}

void draw(ControlItem* item) {
  TextViewData* d = dataOf(item);
  if (!d || !item->visible) return;
  WinId win = item->windowId;
  HDC dc = winGetDC(win);
  if (!dc || d->bitmap <= 0) return;
  fontSelect(d->fontIndex, dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(d->colours[0].r, d->colours[0].g, d->colours[0].b));
  for (int32_t line = 0; line < d->lineCount; ++line) {
    CtrlRect cell = cellRect(item, d, line);
    int32_t bitmap = line == d->selected ? d->bitmap + 1 : d->bitmap;
    if (d->flags & textViewCellsFromBitmap)
      bitmapDrawPart(win, bitmap, &cell, cell.left - item->port->offsetX, cell.top - item->port->offsetY);
    else
      bitmapDraw(win, bitmap, cell.left, cell.top);
    const TextViewLine& l = d->lines[line];
    RECT text = {cell.left + 2, cell.top + 1, cell.right, cell.bottom + 1};
    DrawTextA(dc, l.text, l.length, &text, 0);
  }
}

void invalidateLine(ControlItem* item, TextViewData* d, int32_t line) {
  CtrlRect cell = cellRect(item, d, line);
  winInvalidateRect(item->windowId, &cell);
}

void select(ControlItem* item, TextViewData* d, int32_t line) {
  if (line < -1 || line >= d->lineCount) return;
  d->selected = static_cast<int16_t>(line);
  if (itemOnScreen(item)) itemDrawWithContext(item);
}

void mouse(ControlItem* item) {
  TextViewData* d = dataOf(item);
  if (!d || inputButtonState() != inputPressed) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  int32_t row = (p.y - item->rect.top - 1) / d->cellHeight;
  int32_t column = (p.x - item->rect.left) / d->cellWidth;
  int32_t line = row + d->down * column;
  inputReset();
  if (line < 0 || line >= d->lineCount) return;
  int32_t before = d->selected;
  select(item, d, line);
  if (line != before) d->callback(item, line);
}

void destroy(ControlItem* item) {
  TextViewData* d = dataOf(item);
  if (!d) return;
  if (d->bitmap > 0) {
    bitmapRelease(d->bitmap);
    bitmapRelease(d->bitmap + 1);
  }
  std::free(d->lines);
  std::free(d);
  item->k.kindData = nullptr;
}

void createNop(ControlItem*) {}

}  // namespace

void textViewKindRegister() {
  ctrlKindRegister(kindTextView, createNop, destroy, draw, mouse, itemMovedRegionFromRect, itemMovedRegionFromRect,
                   itemShownRegionFromRect);
}

ControlItem* textViewCreate(WinId win, uint16_t id, int32_t x, int32_t y, int32_t cellWidth, int32_t cellHeight,
                            int32_t across, int32_t down, int32_t lineCount, uint32_t flags, int32_t bitmap,
                            TextViewCallback callback) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;
  ControlItem* item = winAddItem(win, id, kindTextView);
  if (!item) return nullptr;
  x += item->port->offsetX;
  y += item->port->offsetY;
  // A view of no lines, or of more lines than its cells hold, would draw outside itself.
  if (across < 1) across = 1;
  if (down < 1) down = 1;
  lineCount = numClamp<int>(lineCount, 0, across * down);
  TextViewData* d = static_cast<TextViewData*>(std::calloc(1, sizeof(TextViewData)));
  TextViewLine* lines =
      d ? static_cast<TextViewLine*>(std::calloc(lineCount > 0 ? lineCount : 1, sizeof(TextViewLine))) : nullptr;
  if (!lines) {
    std::free(d);
    return item;
  }
  for (int32_t k = 0; k < lineCount; ++k) lines[k].index = static_cast<int16_t>(k);
  d->lines = lines;
  if (bitmap > 0) {
    bitmapAcquire(bitmap);
    bitmapAcquire(bitmap + 1);
    if (!(flags & textViewCellsFromBitmap)) {
      CtrlRect size;
      bitmapGetSize(bitmap, &size);
      cellWidth = size.right;
      cellHeight = size.bottom;
    }
  }
  if (cellWidth < 1) cellWidth = 1;  // the press divides by the cell size
  if (cellHeight < 1) cellHeight = 1;
  d->across = static_cast<int16_t>(across);
  d->down = static_cast<int16_t>(down);
  d->cellWidth = static_cast<int16_t>(cellWidth);
  d->cellHeight = static_cast<int16_t>(cellHeight);
  d->bitmap = static_cast<int16_t>(bitmap > 0 ? bitmap : 0);
  d->lineCount = static_cast<int16_t>(lineCount);
  item->rect = {x, y, x + cellWidth * across, y + cellHeight * down};
  d->srcOffsetX = static_cast<int16_t>(-x);
  d->srcOffsetY = static_cast<int16_t>(-y);
  d->flags = flags;
  d->item = item;
  d->callback = callback ? callback : selectNop;
  d->face = 1;
  d->size = 9;
  d->fontIndex = static_cast<int16_t>(fontFind(win, 1, 9));
  d->selected = -1;
  std::memcpy(d->colours, defaultColours, sizeof(defaultColours));
  item->k.kindData = d;
  item->drawable = 1;
  itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

void textViewSetLine(WinId win, uint16_t id, int32_t line, const char* text) {
  ControlItem* item = ctrlFindKind(win, id, kindTextView);
  TextViewData* d = dataOf(item);
  if (!d || line < 0 || line >= d->lineCount) return;
  TextViewLine& l = d->lines[line];
  std::memset(l.text, 0, sizeof(l.text));
  int32_t n = 0;
  while (text && n < textViewLineMax && text[n]) ++n;
  if (n) std::memcpy(l.text, text, static_cast<size_t>(n));
  l.length = static_cast<int16_t>(n);
  invalidateLine(item, d, line);
}

void textViewSelectLine(WinId win, uint16_t id, int32_t line) {
  ControlItem* item = ctrlFindKind(win, id, kindTextView);
  TextViewData* d = dataOf(item);
  if (d) select(item, d, line);
}

int32_t textViewSelected(WinId win, uint16_t id) {
  TextViewData* d = dataOf(ctrlFindKind(win, id, kindTextView));
  return d ? d->selected : -1;
}

void textViewGetLine(WinId win, uint16_t id, int32_t line, char* out) {
  TextViewData* d = dataOf(ctrlFindKind(win, id, kindTextView));
  if (!out) return;
  std::memset(out, 0, textViewLineCapacity);
  if (!d || line < 0 || line >= d->lineCount) return;
  std::memcpy(out, d->lines[line].text, static_cast<size_t>(d->lines[line].length));
}
