// Level meters: a custom item whose handler draws the bars.
#include "controls/levelMeter.h"
#include <cmath>
#include <cstring>
#include "controls/ctrlCompose.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/winSlots.h"
#include "engine/numeric.h"

namespace {

// The custom item's user word is 32 bits wide on every build, so it holds the number of a record in
// this table (plus one), never a pointer.
enum { meterRecords = 64 };
LevelMeterData records[meterRecords];
bool recordUsed[meterRecords];

int32_t handler(ControlItem* item, uint32_t event, int32_t, int32_t);

LevelMeterData* recordOf(ControlItem* item) {
  if (!item || item->kind != kindCustom) return nullptr;
  CustomItemData* c = static_cast<CustomItemData*>(item->k.kindData);
  if (!c || c->handler != handler || c->userData == 0 || c->userData > meterRecords) return nullptr;
  return recordUsed[c->userData - 1] ? &records[c->userData - 1] : nullptr;
}

// Draws the bars from one memory context holding the lit and then the unlit bitmap, so a meter of n
// bars costs two bitmap selections rather than a context per bar part.
void drawBars(ControlItem* item, LevelMeterData* m) {
  const WinId win = item->windowId;
  HDC dc = winGetDC(win);
  HBITMAP unlitBmp = bitmapGetHandle(m->bitmap), litBmp = bitmapGetHandle(m->bitmap + 1);
  if (!dc) return;
  HDC src = CreateCompatibleDC(dc);
  if (!src) return;
  HGDIOBJ previous = nullptr;
  const int32_t bw = m->barRect.right, bh = m->barRect.bottom;
  int32_t edge[levelMeterMaxBars];
  for (int i = 0; i < m->barCount; ++i) {
    const int32_t top = item->rect.top, bottom = top + bh;
    const float level = numClamp(m->levels[i], 0.0f, 1.0f);
    int32_t y = level > 0.98f ? bottom - 34 : static_cast<int32_t>(bottom + 1 - 31 * level);
    y = numClampHiWins<int32_t>(y, top, bottom);
    edge[i] = y;
  }
  if (litBmp) {
    previous = SelectObject(src, litBmp);
    for (int i = 0; i < m->barCount; ++i) {
      const int32_t left = item->rect.left + i * bw, top = item->rect.top, y = edge[i];
      if (y < top + bh) BitBlt(dc, left, y, bw, top + bh - y, src, 0, y - top, SRCCOPY);
    }
  }
  if (unlitBmp) {
    HGDIOBJ p = SelectObject(src, unlitBmp);
    if (!previous) previous = p;
    for (int i = 0; i < m->barCount; ++i) {
      const int32_t left = item->rect.left + i * bw, top = item->rect.top, y = edge[i];
      if (y > top) BitBlt(dc, left, top, bw, y - top, src, 0, 0, SRCCOPY);
    }
  }
  if (previous) SelectObject(src, previous);
  DeleteDC(src);
}

void drawNow(ControlItem* item, LevelMeterData* m) {
  WinSlot* slot = winSlot(item->windowId);
  if (!slot || !slot->visible || !item->visible || !item->port->drawEnabled) return;
  // The bars are put together off screen and reach the window in one copy.
  const CtrlRect all = {item->rect.left, item->rect.top, item->rect.left + m->barCount * m->barRect.right,
                        item->rect.top + m->barRect.bottom};
  ComposeArea area;
  if (composeBegin(slot->id, all, &area, !bitmapGetHandle(m->bitmap) || !bitmapGetHandle(m->bitmap + 1)))
    drawBars(item, m);
  composeEnd(&area);
}

int32_t handler(ControlItem* item, uint32_t event, int32_t, int32_t) {
  LevelMeterData* m = recordOf(item);
  if (!m) return 0;
  switch (event) {
    case customDraw: drawBars(item, m); break;
    case customMouse:
      std::memset(m->levels, 0, sizeof m->levels);
      drawNow(item, m);
      break;
    case customDestroy: {
      bitmapRelease(m->bitmap);
      bitmapRelease(m->bitmap + 1);
      CustomItemData* c = static_cast<CustomItemData*>(item->k.kindData);
      recordUsed[c->userData - 1] = false;
      c->userData = 0;
      break;
    }
    default: break;
  }
  return 0;
}

ControlItem* meterItem(WinId win, uint16_t id) { return ctrlFindKind(win, id, kindCustom); }

}  // namespace

ControlItem* LevelMeter::create(WinId win, uint16_t id, int32_t x, int32_t y, int32_t bitmap) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;
  int r = 0;
  while (r < meterRecords && recordUsed[r]) ++r;
  if (r == meterRecords) return nullptr;
  bitmapAcquire(bitmap);
  bitmapAcquire(bitmap + 1);
  LevelMeterData* m = &records[r];
  std::memset(m, 0, sizeof *m);
  m->bitmap = static_cast<int16_t>(bitmap);
  m->barCount = 1;
  bitmapGetSize(bitmap, &m->barRect);
  ControlItem* item = winAddRectItem(win, id, x, y, m->barRect.right, m->barRect.bottom, handler);
  if (!item) {
    bitmapRelease(bitmap);
    bitmapRelease(bitmap + 1);
    return nullptr;
  }
  recordUsed[r] = true;
  winSetItemData(win, id, static_cast<uint32_t>(r + 1));
  return item;
}

LevelMeterData* LevelMeter::data(WinId win, uint16_t id) { return recordOf(meterItem(win, id)); }

void LevelMeter::setBarCount(WinId win, uint16_t id, int32_t n) {
  ControlItem* item = meterItem(win, id);
  LevelMeterData* m = recordOf(item);
  if (!m || n == m->barCount || n > levelMeterMaxBars || n < 1) return;
  m->barCount = static_cast<uint16_t>(n);
  winSetCurrent(win);
  itemInvalidate(item);
  // The item covers the n bars exactly, drawn one bar width apart from its left edge.
  item->rect.right = item->rect.left + n * m->barRect.right;
  if (item->visible && item->drawable) regionSetFromRect(win, &item->region, 3, &item->rect, 0);
  portMarkDirty(item->port);
  itemInvalidate(item);
}

void LevelMeter::setLevels(WinId win, uint16_t id, const float* levels, int32_t count, int32_t redraw) {
  ControlItem* item = meterItem(win, id);
  LevelMeterData* m = recordOf(item);
  if (!m || !levels) return;
  const int32_t n = count < m->barCount ? count : m->barCount;
  for (int32_t i = 0; i < n; ++i) {
    const float v = numClamp(levels[i], 0.0f, 1.0f);
    float& level = m->levels[i];
    level = v > level ? v : level + (v - level) * 0.2f;
  }
  if (redraw) drawNow(item, m);
}

void LevelMeter::reset(WinId win, uint16_t id, int32_t redraw) {
  ControlItem* item = meterItem(win, id);
  LevelMeterData* m = recordOf(item);
  if (!m) return;
  std::memset(m->levels, 0, sizeof m->levels);
  if (redraw) drawNow(item, m);
}
