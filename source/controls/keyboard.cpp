// The piano keyboard: key layout, hit testing with black keys over white ones, drawing (one key at a
// time through a memory bitmap so a lit white key keeps its black keys), play and latch gestures.
#include "controls/keyboard.h"
#include <cstdlib>
#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/itemScreen.h"
#include "controls/picture.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"

#include "engine/numeric.h"

namespace {

// The previous note of a glide, between the old key's release and its note-off (one per mode).
int32_t playPreviousNote = -1;

void keyNop(ControlItem*, int32_t, uint8_t) {}

KeyboardData* dataOf(const ControlItem* item) {
  return item && item->kind == kindKeyboard ? static_cast<KeyboardData*>(item->k.kindData) : nullptr;
}

const int whiteSteps[7] = {0, 2, 4, 5, 7, 9, 11};
const int blackSteps[5] = {1, 3, 6, 8, 10};
const int blackOffsets[5] = {8, 22, 44, 57, 70};

bool keyValid(const KeyboardData* d, int32_t k) { return k >= 0 && k < d->keyCount; }

void layout(ControlItem* item, KeyboardData* d) {
  int32_t L = item->rect.left, T = item->rect.top;
  CtrlRect white = {0, 0, 0, 0}, black = {0, 0, 0, 0};
  if (d->bitmapBase > 0) {
    bitmapGetSize(d->bitmapBase, &white);
    bitmapGetSize(d->bitmapBase + 14, &black);
  }
  int32_t ww = d->whiteWidth;
  int32_t k = 0;
  for (int32_t o = 0; o < d->octaves; ++o)
    for (int32_t n = 0; n < 7; ++n, ++k) {
      KeyEntry& e = d->keys[k];
      int32_t x = L + (7 * o + n) * ww;
      e.rect = {x, T, x + white.right, T + white.bottom};
      e.note = static_cast<int16_t>(d->lowestNote + 12 * o + whiteSteps[n]);
      e.bitmapId = static_cast<int16_t>(d->bitmapBase + 2 * n);
    }
  KeyEntry& top = d->keys[k++];
  int32_t x = L + 7 * d->octaves * ww;
  top.rect = {x, T, x + white.right, T + white.bottom};
  top.note = static_cast<int16_t>(d->lowestNote + 12 * d->octaves);
  top.bitmapId = static_cast<int16_t>(d->bitmapBase + 16);
  for (int32_t o = 0; o < d->octaves; ++o)
    for (int32_t n = 0; n < 5; ++n, ++k) {
      KeyEntry& e = d->keys[k];
      int32_t bx = L + 84 * o + blackOffsets[n];
      e.rect = {bx, T, bx + black.right, T + black.bottom};
      e.note = static_cast<int16_t>(d->lowestNote + 12 * o + blackSteps[n]);
      e.bitmapId = static_cast<int16_t>(d->bitmapBase + 14);
    }
  for (int32_t i = 0; i < d->keyCount; ++i) {
    d->keys[i].upperNeighbour = d->keys[i].lowerNeighbour = -1;
  }
  for (int32_t i = 0; i < d->whiteCount; ++i) {
    d->keys[i].upperNeighbour = keyboardFindKey(d, static_cast<uint16_t>(d->keys[i].note + 1));
    d->keys[i].lowerNeighbour =
        d->keys[i].note > 0 ? keyboardFindKey(d, static_cast<uint16_t>(d->keys[i].note - 1)) : -1;
  }
}

bool inRect(const CtrlRect& r, CtrlPoint p) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

// One memory bitmap serves every key drawing (the largest key so far): a lit chord of many keys
// would otherwise make and free a bitmap per key.
HDC keyMemDC = nullptr;
HBITMAP keyMemBitmap = nullptr;
HGDIOBJ keyMemOld = nullptr;
int32_t keyMemW = 0, keyMemH = 0;

HDC keyScratch(HDC dc, int32_t w, int32_t h) {
  if (keyMemDC && w <= keyMemW && h <= keyMemH) return keyMemDC;
  if (!keyMemDC) keyMemDC = CreateCompatibleDC(dc);
  if (!keyMemDC) return nullptr;
  int32_t nw = w > keyMemW ? w : keyMemW, nh = h > keyMemH ? h : keyMemH;
  HBITMAP bmp = CreateCompatibleBitmap(dc, nw, nh);
  if (!bmp) return nullptr;
  HGDIOBJ old = SelectObject(keyMemDC, bmp);
  if (keyMemBitmap)
    DeleteObject(keyMemBitmap);
  else
    keyMemOld = old;
  keyMemBitmap = bmp;
  keyMemW = nw;
  keyMemH = nh;
  return keyMemDC;
}

void drawKeyNow(ControlItem* item, KeyboardData* d, int32_t k) {
  WinId win = item->windowId;
  HDC dc = winGetDC(win);
  if (!dc || d->bitmapBase <= 0) return;
  const KeyEntry& e = d->keys[k];
  int32_t w = e.rect.right - e.rect.left, h = e.rect.bottom - e.rect.top;
  if (w <= 0 || h <= 0) return;
  HDC mem = keyScratch(dc, w, h);
  if (!mem) return;
  bitmapDrawToDC(e.bitmapId + (e.pressed ? 1 : 0), 0, 0, mem);
  if (k < d->whiteCount) {
    const int16_t around[2] = {e.upperNeighbour, e.lowerNeighbour};
    for (int16_t n : around)
      if (n > 0) {
        const KeyEntry& b = d->keys[n];
        bitmapDrawToDC(b.bitmapId + (b.pressed ? 1 : 0), b.rect.left - e.rect.left, b.rect.top - e.rect.top, mem);
      }
  }
  BitBlt(dc, e.rect.left, e.rect.top, w, h, mem, 0, 0, SRCCOPY);
}

void drawKey(ControlItem* item, KeyboardData* d, int32_t k) {
  if (!itemOnScreen(item)) return;
  WinSavedDC saved;
  WinId win = item->windowId;
  winAcquireDrawContext(win, &saved);
  drawKeyNow(item, d, k);
  winReleaseDrawContext(win, &saved);
}

void setPressed(ControlItem* item, KeyboardData* d, int32_t k, uint8_t pressed, uint8_t remember) {
  if (!keyValid(d, k)) return;
  if (remember) d->currentKey = static_cast<int16_t>(pressed ? k : -1);
  d->keys[k].pressed = pressed ? 1 : 0;
  drawKey(item, d, k);
}

void draw(ControlItem* item) {
  KeyboardData* d = dataOf(item);
  if (!d || !item->visible || d->bitmapBase <= 0) return;
  WinId win = item->windowId;
  for (int32_t k = 0; k < d->keyCount; ++k) {
    const KeyEntry& e = d->keys[k];
    bitmapDraw(win, e.bitmapId + (e.pressed ? 1 : 0), e.rect.left, e.rect.top);
  }
}

void releaseCurrent(ControlItem* item, KeyboardData* d) {
  int32_t k = d->currentKey;
  d->onKey(item, keyValid(d, k) ? d->keys[k].note : -1, 0);
  if (keyValid(d, k)) d->keys[k].pressed = 0;
  d->currentKey = -1;
  if (itemOnScreen(item)) itemDrawWithContext(item);
}

void mousePlay(ControlItem* item, KeyboardData* d) {
  if (!inputIsCaptured() && inputIsButtonDown()) inputSetCaptured();
  if (inputIsButtonDown()) {
    CtrlPoint p;
    inputGetMousePos(&p);
    int32_t k = keyboardKeyAt(item, p);
    if (k < 0) return;  // off every key: the note keeps sounding
    playPreviousNote = -1;
    if (d->currentKey >= 0 && d->currentKey != k) {
      playPreviousNote = d->keys[d->currentKey].note;
      setPressed(item, d, d->currentKey, 0, 1);
    }
    if (d->currentKey != k) {
      setPressed(item, d, k, 1, 1);
      d->onKey(item, d->keys[k].note, 1);
      if (playPreviousNote >= 0) d->onKey(item, playPreviousNote, 0);
    }
    playPreviousNote = -1;
    return;
  }
  UiTimer::clearCaptureCallback();
  inputReset();
  if (keyValid(d, d->currentKey)) {
    int32_t k = d->currentKey;
    d->onKey(item, d->keys[k].note, 0);
    setPressed(item, d, k, 0, 1);
  }
}

void mouseLatch(ControlItem* item, KeyboardData* d) {
  if (inputIsCaptured()) {
    if (!inputIsButtonDown()) inputReset();  // the release sends nothing: the note stays on
    return;
  }
  CtrlPoint p;
  inputGetMousePos(&p);
  int32_t k = keyboardKeyAt(item, p);
  if (k < 0) return;
  if (keyValid(d, d->currentKey) && d->currentKey != k) {
    d->onKey(item, d->keys[d->currentKey].note, 0);
    setPressed(item, d, d->currentKey, 0, 1);
  }
  if (d->keys[k].pressed) {
    d->onKey(item, d->keys[k].note, 0);
    setPressed(item, d, k, 0, 1);
    inputReset();
    return;
  }
  setPressed(item, d, k, 1, 1);
  d->onKey(item, d->keys[k].note, 1);
  inputSetCaptured();
}

void mouse(ControlItem* item) {
  KeyboardData* d = dataOf(item);
  if (!d) return;
  if (d->mouseMode == 0)
    mousePlay(item, d);
  else if (inputButtonState() == inputPressed || inputIsCaptured())
    mouseLatch(item, d);
}

void relayout(ControlItem* item) {
  KeyboardData* d = dataOf(item);
  if (!d) return;
  bool wasVisible = item->visible != 0;
  if (wasVisible) {
    item->visible = 0;
    itemInvalidate(item);
    portMarkDirty(item->port);
  }
  layout(item, d);
  if (wasVisible) item->visible = 1;
  itemRegionFromRect(item);
}

void movedTo(ControlItem* item, int32_t, int32_t) { relayout(item); }
void movedBy(ControlItem* item, int32_t, int32_t) { relayout(item); }

int32_t keyboardCount = 0;

void destroy(ControlItem* item) {
  KeyboardData* d = dataOf(item);
  if (!d) return;
  if (--keyboardCount <= 0 && keyMemDC) {
    keyboardCount = 0;
    SelectObject(keyMemDC, keyMemOld);
    DeleteObject(keyMemBitmap);
    DeleteDC(keyMemDC);
    keyMemDC = nullptr;
    keyMemBitmap = nullptr;
    keyMemW = keyMemH = 0;
  }
  if (d->bitmapBase > 0)
    for (int32_t k = 0; k < 18; ++k) bitmapRelease(d->bitmapBase + k);
  std::free(d->keys);
  std::free(d);
  item->k.kindData = nullptr;
}

void createNop(ControlItem*) {}

}  // namespace

bool keyboardIsWhiteNote(int32_t note) {
  switch (((note % 12) + 12) % 12) {
    case 0:
    case 2:
    case 4:
    case 5:
    case 7:
    case 9:
    case 11: return true;
    default: return false;
  }
}

void keyboardKindRegister() {
  ctrlKindRegister(kindKeyboard, createNop, destroy, draw, mouse, movedTo, movedBy, itemShownRegionFromRect);
}

ControlItem* keyboardCreate(WinId win, uint16_t id, int32_t x, int32_t y, uint16_t lowestNote, int16_t octaves,
                            uint32_t ownerValue, int16_t bitmapBase, KeyboardCallback onKey) {
  if (!winSlot(win) || ctrlFind(win, id)) return nullptr;
  // A keyboard wider than eleven octaves would hold notes beyond MIDI's range and overflow its widths.
  octaves = numClamp<int>(octaves, 0, 10);
  ControlItem* item = winAddItem(win, id, kindKeyboard);
  if (!item) return nullptr;
  x += item->port->offsetX;
  y += item->port->offsetY;
  KeyboardData* d = static_cast<KeyboardData*>(std::calloc(1, sizeof(KeyboardData)));
  int32_t count = octaves * 12 + 1;
  KeyEntry* keys = d ? static_cast<KeyEntry*>(std::calloc(static_cast<size_t>(count), sizeof(KeyEntry))) : nullptr;
  if (!keys) {
    std::free(d);
    return item;
  }
  CtrlRect white = {0, 0, 0, 0};
  if (bitmapBase > 0) {
    for (int32_t k = 0; k < 18; ++k) bitmapAcquire(bitmapBase + k);
    bitmapGetSize(bitmapBase, &white);
    d->whiteWidth = static_cast<int16_t>(white.right);
  }
  item->rect = {x, y, x + (octaves * 7 + 1) * d->whiteWidth, y + white.bottom};
  d->keys = keys;
  d->currentKey = -1;
  d->keyCount = static_cast<int16_t>(count);
  d->tableSize = d->keyCount;
  d->whiteCount = static_cast<int16_t>(octaves * 7);
  d->lowestNote = static_cast<int16_t>(lowestNote);
  d->octaves = octaves;
  d->bitmapBase = static_cast<int16_t>(bitmapBase > 0 ? bitmapBase : 0);
  d->ownerValue = ownerValue;
  d->onKey = onKey ? onKey : keyNop;
  d->item = item;
  item->k.kindData = d;
  ++keyboardCount;
  layout(item, d);
  item->drawable = 1;
  itemShowAsCtrlShow(item, 1);
  pictureCollect(item);
  return item;
}

int16_t keyboardFindKey(const KeyboardData* d, uint16_t note) {
  if (!d) return -1;
  for (int32_t k = 0; k < d->keyCount; ++k)
    if (d->keys[k].note == static_cast<int16_t>(note)) return static_cast<int16_t>(k);
  return -1;
}

KeyboardData* keyboardGetData(WinId win, uint16_t id) { return dataOf(ctrlFindKind(win, id, kindKeyboard)); }

int16_t keyboardKeyAt(const ControlItem* item, CtrlPoint p) {
  const KeyboardData* d = dataOf(item);
  if (!d || d->whiteWidth <= 0) return -1;
  const CtrlRect& r = item->rect;
  if (p.y < r.top || p.y > r.bottom) return -1;
  if (p.x < r.left) return 0;
  if (p.x > r.right) return d->whiteCount;
  int32_t w = (p.x - r.left) / d->whiteWidth;
  if (w >= d->whiteCount) return d->whiteCount;
  const KeyEntry& e = d->keys[w];
  if (e.upperNeighbour > 0 && inRect(d->keys[e.upperNeighbour].rect, p)) return e.upperNeighbour;
  if (e.lowerNeighbour > 0 && inRect(d->keys[e.lowerNeighbour].rect, p)) return e.lowerNeighbour;
  return static_cast<int16_t>(w);
}

void keyboardSetKeyPressed(WinId win, uint16_t id, int16_t keyIndex, uint8_t pressed, uint8_t remember) {
  ControlItem* item = ctrlFindKind(win, id, kindKeyboard);
  KeyboardData* d = dataOf(item);
  if (d) setPressed(item, d, keyIndex, pressed, remember);
}

void keyboardSetMouseMode(WinId win, uint16_t id, uint8_t mode) {
  ControlItem* item = ctrlFindKind(win, id, kindKeyboard);
  KeyboardData* d = dataOf(item);
  if (!d) return;
  releaseCurrent(item, d);
  d->mouseMode = mode ? 1 : 0;
}

void keyboardReleaseCurrent(WinId win, uint16_t id) {
  ControlItem* item = ctrlFindKind(win, id, kindKeyboard);
  KeyboardData* d = dataOf(item);
  if (d) releaseCurrent(item, d);
}

void keyboardRefresh(WinId win, uint16_t id) {
  ControlItem* item = ctrlFindKind(win, id, kindKeyboard);
  if (dataOf(item) && itemOnScreen(item)) itemDrawWithContext(item);
}
