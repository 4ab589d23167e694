// Bitmap cache, blits, fonts, colours and invalidation of the control kit.
#include "controls/ctrlDraw.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include "UIAWindow.h"
#include "controls/winSlots.h"
#include "uiSeams/msgBox.h"

namespace {

struct BitmapEntry {
  int32_t refs;
  HBITMAP handle;
};

struct BitmapCache {
  std::vector<BitmapEntry> entries;  // by bitmap id
  HINSTANCE instance = nullptr;
};

std::unique_ptr<BitmapCache> cache;

BitmapEntry* entryFor(int32_t id) {
  if (!cache || id < 0 || size_t(id) >= cache->entries.size()) return nullptr;
  return &cache->entries[id];
}

struct FontEntry {
  uint16_t face;
  int16_t index;
  int32_t size;
  HFONT handle;
};

FontEntry fonts[16];
bool fontsReady;
CtrlRgb black, white = {255, 255, 255};

// Drawing scratch shared by every draw: two source contexts that a cached bitmap is selected into
// for one blit, and a colour and a monochrome work bitmap that grow to the largest picture drawn.
// Making and deleting contexts and bitmaps for every draw cost far more than the blits themselves.
struct DrawScratch {
  HDC src[2];
  HDC colour, mono;
  HBITMAP colourBmp, monoBmp;
  int32_t colourW, colourH, monoW, monoH;
};

DrawScratch scratch;

HDC sourceDC(int i) {
  if (!scratch.src[i]) scratch.src[i] = CreateCompatibleDC(nullptr);
  return scratch.src[i];
}

// Grows a work bitmap (kept selected in its context) to at least w x h.
HDC workDC(bool mono, int32_t w, int32_t h) {
  HDC& dc = mono ? scratch.mono : scratch.colour;
  HBITMAP& bmp = mono ? scratch.monoBmp : scratch.colourBmp;
  int32_t& cw = mono ? scratch.monoW : scratch.colourW;
  int32_t& ch = mono ? scratch.monoH : scratch.colourH;
  if (!dc) dc = CreateCompatibleDC(nullptr);
  if (!dc) return nullptr;
  if (bmp && cw >= w && ch >= h) return dc;
  int32_t nw = w > cw ? w : cw, nh = h > ch ? h : ch;
  HBITMAP made;
  if (mono) {
    made = CreateBitmap(nw, nh, 1, 1, nullptr);
  } else {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = nw;
    bi.bmiHeader.biHeight = -nh;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    made = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  }
  if (!made) return nullptr;
  SelectObject(dc, made);
  if (bmp) DeleteObject(bmp);
  bmp = made;
  cw = nw;
  ch = nh;
  return dc;
}

void scratchFree() {
  for (HDC& d : scratch.src)
    if (d) DeleteDC(d);
  if (scratch.colour) DeleteDC(scratch.colour);
  if (scratch.mono) DeleteDC(scratch.mono);
  if (scratch.colourBmp) DeleteObject(scratch.colourBmp);
  if (scratch.monoBmp) DeleteObject(scratch.monoBmp);
  scratch = DrawScratch{};
}

void blit(HDC dc, HBITMAP bmp, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy) {
  HDC mem = sourceDC(0);
  if (!mem) return;
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(dc, x, y, w, h, mem, sx, sy, SRCCOPY);
  SelectObject(mem, old);
}

}  // namespace

void bitmapCacheInit(int32_t count, HINSTANCE instance) {
  if (cache || count <= 0) return;
  cache = std::make_unique<BitmapCache>();
  cache->entries.assign(static_cast<size_t>(count), BitmapEntry{0, nullptr});
  cache->instance = instance;
}

void bitmapCacheFree() {
  scratchFree();
  if (!cache) return;
  for (const BitmapEntry& e : cache->entries)
    if (e.handle) DeleteObject(e.handle);
  cache.reset();
}

void bitmapAcquire(int32_t id) {
  BitmapEntry* e = entryFor(id);
  if (!e) return;
  if (e->refs > 0) {
    ++e->refs;
    return;
  }
  // Loaded as a DIB section: selecting it into a context for a blit is many times cheaper under
  // Wine than for a device-dependent bitmap, and the mask test reads its pixels directly.
  e->handle =
      static_cast<HBITMAP>(LoadImageA(cache->instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (e->handle) e->refs = 1;
}

void bitmapReleaseEx(int32_t id, int32_t force) {
  BitmapEntry* e = entryFor(id);
  if (!e || !e->handle) return;
  if (e->refs > 0) --e->refs;
  if (e->refs == 0 || force) {
    DeleteObject(e->handle);
    e->handle = nullptr;
    e->refs = 0;
  }
}

void bitmapRelease(int32_t id) { bitmapReleaseEx(id, 0); }

HBITMAP bitmapGetHandle(int32_t id) {
  BitmapEntry* e = entryFor(id);
  return e ? e->handle : nullptr;
}

int32_t bitmapHoldCount(int32_t id) {
  BitmapEntry* e = entryFor(id);
  return e ? e->refs : 0;
}

void bitmapGetSize(int32_t id, CtrlRect* out) {
  if (!out) return;
  *out = {0, 0, 0, 0};
  HBITMAP h = bitmapGetHandle(id);
  BITMAP b;
  if (h && GetObjectA(h, sizeof(b), &b)) *out = {0, 0, b.bmWidth, b.bmHeight};
}

int32_t bitmapGetRectById(int32_t id, CtrlRect* out) {
  bitmapGetSize(id, out);
  return bitmapGetHandle(id) ? id : 0;
}

void bitmapDrawToDC(int32_t id, int32_t x, int32_t y, HDC dc) {
  HBITMAP h = bitmapGetHandle(id);
  if (!h || !dc) return;
  CtrlRect r;
  bitmapGetSize(id, &r);
  blit(dc, h, x, y, r.right, r.bottom, 0, 0);
}

void bitmapDraw(WinId win, int32_t id, int32_t x, int32_t y) { bitmapDrawToDC(id, x, y, winGetDC(win)); }

void bitmapDrawPart(WinId win, int32_t id, const CtrlRect* rect, int32_t srcX, int32_t srcY) {
  HBITMAP h = bitmapGetHandle(id);
  HDC dc = winGetDC(win);
  if (!h || !dc || !rect) return;
  blit(dc, h, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, srcX, srcY);
}

void bitmapDrawStretched(WinId win, int32_t id, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  HBITMAP h = bitmapGetHandle(id);
  HDC dc = winGetDC(win);
  int32_t w = right - left, hgt = bottom - top;
  if (!h || !dc || w <= 0 || hgt <= 0) return;
  CtrlRect src;
  bitmapGetSize(id, &src);
  HDC mem = sourceDC(0);
  HDC tmp = workDC(false, w, hgt);
  if (!mem || !tmp) return;
  HGDIOBJ old = SelectObject(mem, h);
  SetStretchBltMode(tmp, COLORONCOLOR);
  StretchBlt(tmp, 0, 0, w, hgt, mem, 0, 0, src.right, src.bottom, SRCCOPY);
  BitBlt(dc, left, top, w, hgt, tmp, 0, 0, SRCCOPY);
  SelectObject(mem, old);
}

void bitmapDrawMasked(WinId win, int32_t id, int32_t maskId, int32_t x, int32_t y) {
  HBITMAP pic = bitmapGetHandle(id);
  HBITMAP mask = bitmapGetHandle(maskId);
  HDC dc = winGetDC(win);
  if (!pic || !dc) return;
  if (!mask) {
    bitmapDraw(win, id, x, y);
    return;
  }
  CtrlRect r;
  bitmapGetSize(id, &r);
  int32_t w = r.right, h = r.bottom;
  // The picture keeps only its shown pixels (AND with the inverted mask); the window loses them
  // (AND with the mask) and gets them back (OR). Both window steps run where the window's pixels
  // are, so nothing is read back from the screen: reading the window area into a memory bitmap
  // first made each masked draw several times slower under X.
  HDC picSrc = sourceDC(0), maskSrc = sourceDC(1);
  HDC pcDC = workDC(false, w, h), monoDC = workDC(true, w, h);
  if (!picSrc || !maskSrc || !pcDC || !monoDC) {
    bitmapDraw(win, id, x, y);
    return;
  }
  HGDIOBJ oldPic = SelectObject(picSrc, pic), oldMask = SelectObject(maskSrc, mask);
  BitBlt(pcDC, 0, 0, w, h, picSrc, 0, 0, SRCCOPY);
  BitBlt(monoDC, 0, 0, w, h, maskSrc, 0, 0, NOTSRCCOPY);
  BitBlt(pcDC, 0, 0, w, h, monoDC, 0, 0, SRCAND);
  BitBlt(dc, x, y, w, h, maskSrc, 0, 0, SRCAND);
  BitBlt(dc, x, y, w, h, pcDC, 0, 0, SRCPAINT);
  SelectObject(picSrc, oldPic);
  SelectObject(maskSrc, oldMask);
}

int bitmapMaskHit(WinId, int32_t maskId, CtrlPoint point) {
  HBITMAP mask = bitmapGetHandle(maskId);
  if (!mask) return 0;
  CtrlRect r;
  bitmapGetSize(maskId, &r);
  if (point.x < 0 || point.y < 0 || point.x > r.right || point.y > r.bottom) return 0;
  if (point.x >= r.right || point.y >= r.bottom) return 0;  // the far edges hold no pixel
  // Hit tests run on every mouse move: read the DIB section's pixel where possible.
  DIBSECTION ds;
  if (GetObjectA(mask, sizeof(ds), &ds) == sizeof(ds) && ds.dsBm.bmBits &&
      (ds.dsBm.bmBitsPixel == 24 || ds.dsBm.bmBitsPixel == 32) && ds.dsBmih.biCompression == BI_RGB) {
    int32_t row = ds.dsBmih.biHeight > 0 ? r.bottom - 1 - point.y : point.y;
    size_t stride = (static_cast<size_t>(r.right) * ds.dsBm.bmBitsPixel + 31) / 32 * 4;
    const uint8_t* px = static_cast<const uint8_t*>(ds.dsBm.bmBits) + static_cast<size_t>(row) * stride +
                        static_cast<size_t>(point.x) * (ds.dsBm.bmBitsPixel / 8);
    return px[2] < 127 ? 1 : 0;
  }
  HDC mem = sourceDC(1);
  if (!mem) return 0;
  HGDIOBJ old = SelectObject(mem, mask);
  COLORREF c = GetPixel(mem, point.x, point.y);
  SelectObject(mem, old);
  if (c == CLR_INVALID) return 0;
  return GetRValue(c) < 127 ? 1 : 0;
}

void fontTableInit() {
  for (FontEntry& f : fonts) f = {0, -1, 0, nullptr};
  fontsReady = true;
}

void fontTableFree() {
  for (FontEntry& f : fonts) {
    if (f.handle) DeleteObject(f.handle);
    f = {0, -1, 0, nullptr};
  }
}

int32_t fontFind(WinId win, int32_t face, int32_t size) {
  if (!fontsReady) fontTableInit();
  for (int32_t i = 0; i < 16; ++i)
    if (fonts[i].index >= 0 && fonts[i].face == face && fonts[i].size == size) return i;
  int32_t freeIdx = -1;
  for (int32_t i = 0; i < 16 && freeIdx < 0; ++i)
    if (fonts[i].index < 0) freeIdx = i;
  if (freeIdx < 0) {
    diagMessage("brontavel font error: font list full");
    return -1;
  }
  if (face != 1) return -1;
  HDC dc = winGetDC(win);
  if (!dc) return -1;  // no font can be made: -1, never another font's index
  static const char* const names[] = {"Arial", "Times New Roman", "Courier New"};
  HFONT h = nullptr;
  for (const char* n : names)
    if ((h = fontCreate(dc, n, size, 0, 0, 1)) != nullptr) break;
  if (!h) return -1;
  fonts[freeIdx] = {static_cast<uint16_t>(face), static_cast<int16_t>(freeIdx), size, h};
  return freeIdx;
}

HFONT fontGet(int32_t index) { return index >= 0 && index < 16 ? fonts[index].handle : nullptr; }

void fontSelect(int32_t index, HDC dc) {
  if (index >= 0 && index < 16 && fonts[index].index >= 0 && dc) SelectObject(dc, fonts[index].handle);
}

HFONT fontCreate(HDC dc, const char* faceName, int32_t height, int32_t width, uint32_t attributes,
                 int32_t logicalResolution) {
  if (!dc || !faceName) return nullptr;
  int saved = SaveDC(dc);
  SetGraphicsMode(dc, GM_ADVANCED);
  ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  double xDpi, yDpi;
  if (logicalResolution) {
    xDpi = GetDeviceCaps(dc, LOGPIXELSX);
    yDpi = GetDeviceCaps(dc, LOGPIXELSY);
  } else {
    int hs = GetDeviceCaps(dc, HORZSIZE), vs = GetDeviceCaps(dc, VERTSIZE);
    xDpi = hs ? GetDeviceCaps(dc, HORZRES) * 25.4 / hs : 96.0;
    yDpi = vs ? GetDeviceCaps(dc, VERTRES) * 25.4 / vs : 96.0;
  }
  POINT pt = {static_cast<LONG>(width * xDpi / 72), static_cast<LONG>(height * 8 * yDpi / 72)};
  DPtoLP(dc, &pt, 1);
  LOGFONTA lf = {};
  lf.lfHeight = -static_cast<LONG>(std::fabs(static_cast<double>(pt.y)) / 10 + 0.5);
  lf.lfWeight = (attributes & 1) ? 700 : 0;
  lf.lfItalic = (attributes & 2) ? 1 : 0;
  lf.lfUnderline = (attributes & 4) ? 1 : 0;
  lf.lfStrikeOut = (attributes & 8) ? 1 : 0;
  lf.lfCharSet = 1;
  std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectA(&lf);
  if (font && width != 0 && pt.y != 0) {
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(font);
    lf.lfWidth = static_cast<LONG>(
        tm.tmAveCharWidth * std::fabs(static_cast<double>(pt.x)) / std::fabs(static_cast<double>(pt.y)) + 0.5);
    font = CreateFontIndirectA(&lf);
  }
  RestoreDC(dc, saved);
  return font;
}

void winInvalidateRect(WinId win, const CtrlRect* rect) {
  HWND hwnd = winGetFrameworkWindow(win);
  if (!hwnd || !rect) return;
  RECT r = {rect->left, rect->top, rect->right, rect->bottom};
  InvalidateRect(hwnd, &r, FALSE);
}

void winInvalidateRectErased(WinId win, const CtrlRect* rect) {
  HWND hwnd = winGetFrameworkWindow(win);
  if (!hwnd || !rect) return;
  RECT r = {rect->left, rect->top, rect->right, rect->bottom};
  InvalidateRect(hwnd, &r, TRUE);
}

void cursorShow(int32_t flag) { ShowCursor(flag ? TRUE : FALSE); }

void rectToOrigin(CtrlRect* rect) {
  if (!rect) return;
  rect->right -= rect->left;
  rect->bottom -= rect->top;
  rect->left = rect->top = 0;
}

void colorsInit() {
  black = {0, 0, 0};
  white = {255, 255, 255};
}

const CtrlRgb* colorBlack() { return &black; }
const CtrlRgb* colorWhite() { return &white; }
