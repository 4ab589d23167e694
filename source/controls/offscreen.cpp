// Offscreen buffers and highlights of the control kit.
#include "controls/offscreen.h"
#include <cstring>
#include "controls/winSlots.h"
#include "engine/numeric.h"

namespace {

// The window's drawing context for a call made outside painting: the slot's current context when
// it has one, else one acquired for the duration of the call (timer ticks draw highlights too).
// With paintOnly an active offscreen redirection is passed by: the copy must reach the window.
class WindowDC {
 public:
  WindowDC(WinId win, bool paintOnly) : win_(win) {
    if (!winSlot(win)) return;
    dc_ = paintOnly ? winGetPaintDC(win) : winGetDC(win);
    if (dc_) return;
    winAcquireDrawContext(win, &saved_);
    acquired_ = true;
    dc_ = paintOnly ? winGetPaintDC(win) : winGetDC(win);
  }
  ~WindowDC() {
    if (acquired_ && winSlot(win_)) winReleaseDrawContext(win_, &saved_);
  }
  HDC dc() const { return dc_; }

 private:
  int16_t win_;
  HDC dc_ = nullptr;
  bool acquired_ = false;
  WinSavedDC saved_ = {};
};

void highlightReady(OffscreenHighlight* h) {
  if (h->magic != offscreenMagic) offscreenInit(h);
}

// Copies the saved background back over the saved rectangle.
void restoreSaved(HDC dc, const OffscreenHighlight* h) {
  if (dc && h->memDC && h->bitmap) BitBlt(dc, h->x, h->y, h->width, h->height, h->memDC, 0, 0, SRCCOPY);
}

}  // namespace

HDC offscreenCreate(WinId win, OffscreenBuffer* buffer, const CtrlRect* rect) {
  if (!buffer || !rect) return nullptr;
  if (buffer->memDC || buffer->bitmap) offscreenFree(buffer);  // a buffer reused without freeing
  std::memset(buffer, 0, sizeof(*buffer));
  buffer->windowId = win;
  buffer->x = rect->left;
  buffer->y = rect->top;
  buffer->width = rect->right - rect->left;
  buffer->height = rect->bottom - rect->top;
  HDC dc = winGetDC(win);
  buffer->windowDC = dc;
  if (!dc || buffer->width <= 0 || buffer->height <= 0) return dc;
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = mem ? CreateCompatibleBitmap(dc, buffer->width, buffer->height) : nullptr;
  if (!mem || !bmp) {
    if (mem) DeleteDC(mem);
    return dc;
  }
  SelectObject(mem, bmp);
  buffer->memDC = mem;
  buffer->bitmap = bmp;
  winSetOffscreenDC(win, mem);
  return mem;
}

int offscreenBlit(OffscreenBuffer* buffer) {
  if (!buffer || !buffer->memDC || !buffer->bitmap) return 0;
  WindowDC target(buffer->windowId, true);
  if (!target.dc()) return 0;
  return BitBlt(target.dc(), buffer->x, buffer->y, buffer->width, buffer->height, buffer->memDC, 0, 0, SRCCOPY) ? 1 : 0;
}

void offscreenFree(OffscreenBuffer* buffer) {
  if (!buffer) return;
  WinId win = buffer->windowId;
  WinSlot* slot = winSlot(win);
  // Only this buffer's redirection is ended; one made later for the window stays.
  if (slot && buffer->memDC && slot->offscreenDC == buffer->memDC) winSetOffscreenDC(win, nullptr);
  if (buffer->memDC) DeleteDC(buffer->memDC);
  if (buffer->bitmap) DeleteObject(buffer->bitmap);
  std::memset(buffer, 0, sizeof(*buffer));
}

void offscreenInit(OffscreenHighlight* h) {
  if (!h || h->magic == offscreenMagic) return;
  std::memset(h, 0, sizeof(*h));
  h->colour1 = *colorBlack();
  h->colour2 = *colorWhite();
  h->magic = offscreenMagic;
}

void offscreenSetColors(OffscreenHighlight* h, const CtrlRgb* colour1, const CtrlRgb* colour2) {
  if (!h) return;
  highlightReady(h);
  if (colour1) h->colour1 = *colour1;
  if (colour2) h->colour2 = *colour2;
}

void offscreenDeleteObjects(OffscreenHighlight* h) {
  if (!h) return;
  highlightReady(h);
  if (h->memDC) DeleteDC(h->memDC);
  if (h->bitmap) DeleteObject(h->bitmap);
  h->memDC = nullptr;
  h->bitmap = nullptr;
  h->shown = 0;
}

void offscreenSetup(WinId win, OffscreenHighlight* h, int32_t, const CtrlRect* rect) {
  if (!h || !rect) return;
  offscreenDeleteObjects(h);
  CtrlRect r = *rect;  // rect may be h->saved itself
  h->saved = r;
  h->windowId = win;
  h->x = numClampToI16(r.left);
  h->y = numClampToI16(r.top);
  h->width = numClampToI16(r.right - r.left);
  h->height = numClampToI16(r.bottom - r.top);
  if (h->width <= 0 || h->height <= 0) return;
  WindowDC window(win, false);
  if (!window.dc()) return;
  HDC mem = CreateCompatibleDC(window.dc());
  HBITMAP bmp = mem ? CreateCompatibleBitmap(window.dc(), h->width, h->height) : nullptr;
  if (!mem || !bmp) {
    if (mem) DeleteDC(mem);
    return;
  }
  SelectObject(mem, bmp);
  RECT all = {0, 0, h->width, h->height};
  FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  BitBlt(mem, 0, 0, h->width, h->height, window.dc(), h->x, h->y, SRCCOPY);
  h->memDC = mem;
  h->bitmap = bmp;
}

void offscreenPrepare(WinId win, OffscreenHighlight* h, int32_t, const CtrlRect* rect) {
  if (!h || !rect) return;
  highlightReady(h);
  {
    WindowDC window(win, false);
    if (h->shown && h->bitmap && h->memDC) {
      restoreSaved(window.dc(), h);
      h->shown = 0;
    }
  }
  if (!h->bitmap) offscreenSetup(win, h, 0, &h->saved);
  h->highlight = *rect;
  if (!h->bitmap || !h->memDC) return;  // no background to undo it with: nothing is drawn
  // The highlight stays inside the saved area: outside it the background could not be restored.
  RECT r = {rect->left, rect->top, rect->right, rect->bottom};
  if (r.left < h->x) r.left = h->x;
  if (r.top < h->y) r.top = h->y;
  if (r.right > h->x + h->width) r.right = h->x + h->width;
  if (r.bottom > h->y + h->height) r.bottom = h->y + h->height;
  if (r.right <= r.left || r.bottom <= r.top) return;
  WindowDC window(win, false);
  if (!window.dc()) return;
  FillRect(window.dc(), &r, static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
  BitBlt(window.dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, h->memDC, r.left - h->x, r.top - h->y,
         SRCINVERT);
  h->shown = 1;
}

void offscreenFlush(OffscreenHighlight* h, int32_t) {
  if (!h) return;
  highlightReady(h);
  if (h->shown) {
    h->shown = 0;
    WinId win = h->windowId;
    {
      WindowDC window(win, false);
      restoreSaved(window.dc(), h);
    }
    winInvalidateRect(win, &h->highlight);
  }
  offscreenDeleteObjects(h);
}
