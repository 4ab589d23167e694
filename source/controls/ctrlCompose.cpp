// Off-screen composition of a small area of a window. One memory surface serves every compose and is
// kept between them: creating and deleting a surface per redraw makes the display wait for each copy.
#include "controls/ctrlCompose.h"

namespace {

HDC surfaceDC;
HBITMAP surfaceBitmap;
HGDIOBJ surfacePrevious;
int32_t surfaceW, surfaceH;

// A surface of at least w x h compatible with the window's context; false when none can be made.
bool surfaceFor(HDC target, int32_t w, int32_t h) {
  if (surfaceDC && w <= surfaceW && h <= surfaceH) return true;
  composeFree();
  const int32_t nw = w < 256 ? 256 : w, nh = h < 64 ? 64 : h;
  surfaceDC = CreateCompatibleDC(target);
  surfaceBitmap = surfaceDC ? CreateCompatibleBitmap(target, nw, nh) : nullptr;
  if (!surfaceBitmap) {
    composeFree();
    return false;
  }
  surfacePrevious = SelectObject(surfaceDC, surfaceBitmap);
  surfaceW = nw;
  surfaceH = nh;
  return true;
}

}  // namespace

void composeFree() {
  if (surfaceDC && surfacePrevious) SelectObject(surfaceDC, surfacePrevious);
  if (surfaceBitmap) DeleteObject(surfaceBitmap);
  if (surfaceDC) DeleteDC(surfaceDC);
  surfaceDC = nullptr;
  surfaceBitmap = nullptr;
  surfacePrevious = nullptr;
  surfaceW = surfaceH = 0;
}

bool composeBegin(WinId win, const CtrlRect& rect, ComposeArea* a, bool keepBehind) {
  a->win = win;
  a->rect = rect;
  a->memory = nullptr;
  winAcquireDrawContext(win, &a->saved);
  a->target = winGetDC(win);
  WinSlot* slot = winSlot(win);
  a->previousOffscreen = slot ? slot->offscreenDC : nullptr;
  if (!a->target) return false;
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  // Inside another compose, or for an empty area, drawing goes straight through.
  if (a->previousOffscreen || w <= 0 || h <= 0 || !surfaceFor(a->target, w, h)) return true;
  a->memory = surfaceDC;
  SetViewportOrgEx(a->memory, 0, 0, nullptr);
  if (keepBehind) BitBlt(a->memory, 0, 0, w, h, a->target, rect.left, rect.top, SRCCOPY);
  SetViewportOrgEx(a->memory, -rect.left, -rect.top, nullptr);
  winSetOffscreenDC(win, a->memory);
  return true;
}

void composeEnd(ComposeArea* a) {
  if (a->memory) {
    const int32_t w = a->rect.right - a->rect.left, h = a->rect.bottom - a->rect.top;
    BitBlt(a->target, a->rect.left, a->rect.top, w, h, a->memory, a->rect.left, a->rect.top, SRCCOPY);
    winSetOffscreenDC(a->win, a->previousOffscreen);
    a->memory = nullptr;
  }
  if (winSlot(a->win)) winReleaseDrawContext(a->win, &a->saved);
}
