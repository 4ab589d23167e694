// Bitmap cache, blits, fonts, colours and invalidation of the control kit.
#include "controls/ctrlDraw.h"
#include "controls/winSlots.h"
#include "controls/msgBox.h"
#include "UIAWindow.h"
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

struct BitmapEntry {
    int32_t refs;
    HBITMAP handle;
};

struct BitmapCache {
    int32_t count;
    BitmapEntry* entries;
    HINSTANCE instance;
};

BitmapCache* cache;

BitmapEntry* entryFor(int32_t id) {
    if (!cache || id < 0 || id >= cache->count) return nullptr;
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

void blit(HDC dc, HBITMAP bmp, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy) {
    HDC mem = CreateCompatibleDC(dc);
    if (!mem) return;
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(dc, x, y, w, h, mem, sx, sy, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

}  // namespace

void bitmapCacheInit(int32_t count, HINSTANCE instance) {
    if (cache || count <= 0) return;
    cache = static_cast<BitmapCache*>(std::calloc(1, sizeof(BitmapCache)));
    if (!cache) return;
    cache->entries = static_cast<BitmapEntry*>(std::calloc(static_cast<size_t>(count), sizeof(BitmapEntry)));
    if (!cache->entries) {
        std::free(cache);
        cache = nullptr;
        return;
    }
    cache->count = count;
    cache->instance = instance;
}

void bitmapCacheFree() {
    if (!cache) return;
    for (int32_t i = 0; i < cache->count; ++i)
        if (cache->entries[i].handle) DeleteObject(cache->entries[i].handle);
    std::free(cache->entries);
    std::free(cache);
    cache = nullptr;
}

void bitmapAcquire(int32_t id) {
    BitmapEntry* e = entryFor(id);
    if (!e) return;
    if (e->refs > 0) {
        ++e->refs;
        return;
    }
    // A DIB section: copies from it are made in memory. A device-dependent bitmap lives with the
    // display, and every copy from it waits for the display to hand its pixels back.
    e->handle = static_cast<HBITMAP>(
        LoadImageA(cache->instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
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

void bitmapDraw(int16_t win, int32_t id, int32_t x, int32_t y) {
    bitmapDrawToDC(id, x, y, winGetDC(win));
}

void bitmapDrawPart(int16_t win, int32_t id, const CtrlRect* rect, int32_t srcX, int32_t srcY) {
    HBITMAP h = bitmapGetHandle(id);
    HDC dc = winGetDC(win);
    if (!h || !dc || !rect) return;
    blit(dc, h, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, srcX, srcY);
}

void bitmapDrawStretched(int16_t win, int32_t id, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    HBITMAP h = bitmapGetHandle(id);
    HDC dc = winGetDC(win);
    int32_t w = right - left, hgt = bottom - top;
    if (!h || !dc || w <= 0 || hgt <= 0) return;
    CtrlRect src;
    bitmapGetSize(id, &src);
    HDC mem = CreateCompatibleDC(dc);
    HDC tmp = CreateCompatibleDC(dc);
    HBITMAP tmpBmp = CreateCompatibleBitmap(dc, w, hgt);
    if (mem && tmp && tmpBmp) {
        HGDIOBJ o1 = SelectObject(mem, h);
        HGDIOBJ o2 = SelectObject(tmp, tmpBmp);
        SetStretchBltMode(tmp, COLORONCOLOR);
        StretchBlt(tmp, 0, 0, w, hgt, mem, 0, 0, src.right, src.bottom, SRCCOPY);
        BitBlt(dc, left, top, w, hgt, tmp, 0, 0, SRCCOPY);
        SelectObject(mem, o1);
        SelectObject(tmp, o2);
    }
    if (tmpBmp) DeleteObject(tmpBmp);
    if (tmp) DeleteDC(tmp);
    if (mem) DeleteDC(mem);
}

void bitmapDrawMasked(int16_t win, int32_t id, int32_t maskId, int32_t x, int32_t y) {
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
    HDC dcs[4] = {};
    bool ok = true;
    for (HDC& d : dcs) ok = ok && (d = CreateCompatibleDC(dc)) != nullptr;
    HBITMAP pc = ok ? CreateCompatibleBitmap(dc, w, h) : nullptr;
    HBITMAP mono = ok ? CreateBitmap(w, h, 1, 1, nullptr) : nullptr;
    if (!ok || !pc || !mono) {
        for (HDC d : dcs)
            if (d) DeleteDC(d);
        if (pc) DeleteObject(pc);
        if (mono) DeleteObject(mono);
        bitmapDraw(win, id, x, y);
        return;
    }
    HDC pcDC = dcs[0], monoDC = dcs[1], picSrc = dcs[2], maskSrc = dcs[3];
    HGDIOBJ old[4] = {SelectObject(pcDC, pc), SelectObject(monoDC, mono), SelectObject(picSrc, pic),
                      SelectObject(maskSrc, mask)};
    BitBlt(pcDC, 0, 0, w, h, picSrc, 0, 0, SRCCOPY);
    BitBlt(monoDC, 0, 0, w, h, maskSrc, 0, 0, NOTSRCCOPY);
    BitBlt(pcDC, 0, 0, w, h, monoDC, 0, 0, SRCAND);
    BitBlt(dc, x, y, w, h, maskSrc, 0, 0, SRCAND);
    BitBlt(dc, x, y, w, h, pcDC, 0, 0, SRCPAINT);
    for (int i = 0; i < 4; ++i) {
        SelectObject(dcs[i], old[i]);
        DeleteDC(dcs[i]);
    }
    DeleteObject(pc);
    DeleteObject(mono);
}

int bitmapMaskHit(int16_t, int32_t maskId, CtrlPoint point) {
    HBITMAP mask = bitmapGetHandle(maskId);
    if (!mask) return 0;
    CtrlRect r;
    bitmapGetSize(maskId, &r);
    if (point.x < 0 || point.y < 0 || point.x > r.right || point.y > r.bottom) return 0;
    HDC mem = CreateCompatibleDC(nullptr);
    if (!mem) return 0;
    HGDIOBJ old = SelectObject(mem, mask);
    COLORREF c = GetPixel(mem, point.x, point.y);
    SelectObject(mem, old);
    DeleteDC(mem);
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

int32_t fontFind(int16_t win, int32_t face, int32_t size) {
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
    if (!dc) return -1;   // no font can be made: -1, never another font's index
    static const char* const names[] = {"Arial", "Times New Roman", "Courier New"};
    HFONT h = nullptr;
    for (const char* n : names)
        if ((h = fontCreate(dc, n, size, 0, 0, 1)) != nullptr) break;
    if (!h) return -1;
    fonts[freeIdx] = {static_cast<uint16_t>(face), static_cast<int16_t>(freeIdx), size, h};
    return freeIdx;
}

HFONT fontGet(int32_t index) {
    return index >= 0 && index < 16 ? fonts[index].handle : nullptr;
}

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
        lf.lfWidth = static_cast<LONG>(tm.tmAveCharWidth * std::fabs(static_cast<double>(pt.x)) /
                                       std::fabs(static_cast<double>(pt.y)) + 0.5);
        font = CreateFontIndirectA(&lf);
    }
    RestoreDC(dc, saved);
    return font;
}

void winInvalidateRect(int16_t win, const CtrlRect* rect) {
    HWND hwnd = winGetFrameworkWindow(win);
    if (!hwnd || !rect) return;
    RECT r = {rect->left, rect->top, rect->right, rect->bottom};
    InvalidateRect(hwnd, &r, FALSE);
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
