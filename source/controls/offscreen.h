// Offscreen drawing of the control kit. An OffscreenBuffer redirects a window's drawing into a
// memory bitmap (every drawing function that asks the slot for its context draws there) until it is
// copied to the window in one blit, so an item never flickers. An OffscreenHighlight keeps a copy of
// a window area and draws an inverted highlight over part of it, which the copy later wipes away
// again without redrawing the items underneath (drag feedback, moving markers).
#pragma once
#include "controls/ctrlDraw.h"
#include "uiSeams/winId.h"

struct OffscreenBuffer {
  uint32_t head[5];  // only zeroed
  WinId windowId;
  int32_t x, y, width, height;  // the window area the buffer covers
  HBITMAP bitmap;
  HDC memDC;
  HDC windowDC;  // the context the memory context was made compatible with
};

enum { offscreenMagic = 501324 };

struct OffscreenHighlight {
  uint32_t magic;      // offscreenMagic once initialised
  CtrlRect saved;      // window area kept in the bitmap
  CtrlRect highlight;  // area drawn inverted while shown
  uint8_t shown;
  CtrlRgb colour1;
  uint8_t pad1;
  CtrlRgb colour2;
  uint8_t pad2;
  WinId windowId;
  int16_t x, y, width, height;
  HBITMAP bitmap;
  HDC memDC;
};

// Redirected drawing: returns the context to draw into, with (0, 0) at the rectangle's top-left
// (the window's own context when no memory context can be made).
HDC offscreenCreate(WinId win, OffscreenBuffer* buffer, const CtrlRect* rect);
int offscreenBlit(OffscreenBuffer* buffer);  // 1 when copied to the window
void offscreenFree(OffscreenBuffer* buffer);

// Highlight over a saved background. `spare` is not used.
void offscreenInit(OffscreenHighlight* h);
void offscreenSetColors(OffscreenHighlight* h, const CtrlRgb* colour1, const CtrlRgb* colour2);
void offscreenSetup(WinId win, OffscreenHighlight* h, int32_t spare, const CtrlRect* rect);
void offscreenPrepare(WinId win, OffscreenHighlight* h, int32_t spare, const CtrlRect* rect);
void offscreenFlush(OffscreenHighlight* h, int32_t spare);
void offscreenDeleteObjects(OffscreenHighlight* h);
