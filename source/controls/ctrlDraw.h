// Drawing functions of the control kit: the reference-counted cache of the executable's bitmaps and
// the blits that draw them, the table of sixteen shared fonts, the two standard colours and
// invalidation. Drawing goes to the device context the window slot provides (winGetDC).
#pragma once
#include "controls/ctrlTypes.h"

struct CtrlRgb {
  uint8_t r, g, b;
};

// Bitmaps by resource id.
void bitmapCacheInit(int32_t count, HINSTANCE instance);
void bitmapCacheFree();
void bitmapAcquire(int32_t id);
void bitmapRelease(int32_t id);
void bitmapReleaseEx(int32_t id, int32_t force);
HBITMAP bitmapGetHandle(int32_t id);
int32_t bitmapHoldCount(int32_t id);  // the entry's reference count (0 when empty)
void bitmapGetSize(int32_t id, CtrlRect* out);
int32_t bitmapGetRectById(int32_t id, CtrlRect* out);
void bitmapDraw(WinId win, int32_t id, int32_t x, int32_t y);
void bitmapDrawPart(WinId win, int32_t id, const CtrlRect* rect, int32_t srcX, int32_t srcY);
void bitmapDrawStretched(WinId win, int32_t id, int32_t left, int32_t top, int32_t right, int32_t bottom);
void bitmapDrawToDC(int32_t id, int32_t x, int32_t y, HDC dc);
void bitmapDrawMasked(WinId win, int32_t id, int32_t maskId, int32_t x, int32_t y);
int bitmapMaskHit(WinId win, int32_t maskId, CtrlPoint point);

// Fonts.
void fontTableInit();
void fontTableFree();
int32_t fontFind(WinId win, int32_t face, int32_t size);
HFONT fontGet(int32_t index);
void fontSelect(int32_t index, HDC dc);
HFONT fontCreate(HDC dc, const char* faceName, int32_t height, int32_t width, uint32_t attributes,
                 int32_t logicalResolution);

// Other.
void winInvalidateRect(WinId win, const CtrlRect* rect);
// Invalidates the rectangle with its background erased first (the window's background colour), so
// whatever no item covers there is painted too.
void winInvalidateRectErased(WinId win, const CtrlRect* rect);
void cursorShow(int32_t flag);
void rectToOrigin(CtrlRect* rect);
void colorsInit();
const CtrlRgb* colorBlack();
const CtrlRgb* colorWhite();
