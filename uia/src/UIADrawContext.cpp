// DrawContext: the device context of a window with its tracked selections, the picture blit, the
// default font and the shared memory device context.
#include "UIADrawContext.h"

#include "UIAPicture.h"

#include <algorithm>
#include <cstring>
#include <new>

void DrawSelection::reset(HDC device) {
  dc = device;
  pen = nullptr;
  penColour = kNoColour;
  rasterOp = R2_COPYPEN;
  brush = nullptr;
  brushColour = kNoColour;
  font = nullptr;
  textState = kTextStateDefault;
  colours[0] = colours[1] = kNoColour;
}

DrawContext::DrawContext() : selection_(std::make_unique<DrawSelection>()) {}

DrawContext::~DrawContext() {
  // A context deleted with something selected must not stay on that object's user list.
  leaveUserLists();
}

void DrawContext::leaveUserLists() {
  if (selection_->pen) selection_->pen->users.remove(selection_->penLink);
  if (selection_->brush) selection_->brush->users.remove(selection_->brushLink);
  if (selection_->font) selection_->font->users().remove(selection_->fontLink);
}

void DrawContext::releasePen() {
  DrawSelection& s = *selection_;
  if (s.dc) SelectObject(s.dc, GetStockObject(BLACK_PEN));
  if (s.pen) s.pen->users.remove(s.penLink);
  s.pen = nullptr;
  s.penColour = kNoColour;
}

void DrawContext::releaseBrush() {
  DrawSelection& s = *selection_;
  if (s.dc) SelectObject(s.dc, GetStockObject(WHITE_BRUSH));
  if (s.brush) s.brush->users.remove(s.brushLink);
  s.brush = nullptr;
  s.brushColour = kNoColour;
}

void DrawContext::releaseFont() {
  DrawSelection& s = *selection_;
  if (s.dc) SelectObject(s.dc, GetStockObject(ANSI_VAR_FONT));
  if (s.font) s.font->users().remove(s.fontLink);
  s.font = nullptr;
}

void DrawContext::setDC(HDC dc) {
  // Whatever an earlier device context still had selected is let go of first.
  leaveUserLists();
  dc_ = dc;
  spare_[0] = spare_[1] = 0;
  selection_->reset(dc);
}

HDC DrawContext::takeDC() {
  DrawSelection& s = *selection_;
  if (s.dc) {
    if (s.rasterOp != R2_COPYPEN) SetROP2(s.dc, R2_COPYPEN);
    if (s.textState != kTextStateDefault) {
      if ((s.textState & 0xF) != 5) SetTextAlign(s.dc, 0);
      if ((s.textState & 0x30) != 16) SetBkMode(s.dc, OPAQUE);
    }
  }
  s.rasterOp = R2_COPYPEN;
  s.textState = kTextStateDefault;
  if (s.pen) releasePen();
  if (s.brush) releaseBrush();
  if (s.font) releaseFont();
  s.penColour = kNoColour;
  s.brushColour = kNoColour;
  HDC dc = dc_;
  dc_ = nullptr;
  s.dc = nullptr;
  return dc;
}

void DrawContext::blit(Picture& picture) {
  if (!paint_ || !dc_ || !picture.pixels()) return;
  const int32_t width = int32_t(picture.width());
  const int32_t height = int32_t(picture.height());
  RECT r = paint_->rcPaint;
  if (r.right == 0 || r.bottom == 0) r = RECT{0, 0, width, height};  // no rectangle: the whole picture
  // Only what the picture covers is transferred.
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, width);
  r.bottom = std::min<LONG>(r.bottom, height);
  if (r.left >= r.right || r.top >= r.bottom) return;

  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = -height;  // rows from the top
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  header.biSizeImage = DWORD(uint64_t(width) * uint64_t(height) * 4u);
  header.biXPelsPerMeter = 1000;
  header.biYPelsPerMeter = 1000;
  static_assert(sizeof(BITMAPINFOHEADER) == Picture::kHeaderReserve, "the header fills the reserve");
  std::memcpy(picture.headerReserve(), &header, sizeof header);

  const LONG w = r.right - r.left;
  const LONG h = r.bottom - r.top;
  SetDIBitsToDevice(dc_, r.left, r.top, DWORD(w), DWORD(h), r.left, height - r.top - h, 0, UINT(height),
                    picture.pixels(), static_cast<const BITMAPINFO*>(picture.headerReserve()), DIB_RGB_COLORS);
}

bool DrawContext::selectPenKey(const GdiCacheKey& key, uint32_t colour) {
  DrawSelection& s = *selection_;
  if (!dc_) return false;
  GdiCacheHolder* holder = uiaPenCache().lookup(key);
  if (!holder || !holder->handle) return false;
  if (s.pen != holder) {
    if (s.pen) s.pen->users.remove(s.penLink);
    SelectObject(dc_, holder->handle);
    holder->users.append(s.penLink, this);
    s.pen = holder;
  }
  s.penColour = colour;
  const int32_t rop = static_cast<PenHolder*>(holder)->rasterOp;
  if (rop != s.rasterOp) {
    SetROP2(dc_, rop);
    s.rasterOp = rop;
  }
  return true;
}

bool DrawContext::selectPen(uint32_t colour) {
  GdiCacheKey key;
  key.colour = colour & 0xFFFFFFu;
  return selectPenKey(key, key.colour);
}

bool DrawContext::selectPen(uint32_t colour, int32_t width, uint32_t style) {
  GdiCacheKey key;
  key.colour = colour & 0xFFFFFFu;
  key.width = width;
  key.style = style;
  return selectPenKey(key, key.colour);
}

bool DrawContext::selectBrush(uint32_t colour) {
  DrawSelection& s = *selection_;
  if (!dc_) return false;
  GdiCacheKey key;
  key.colour = colour & 0xFFFFFFu;
  GdiCacheHolder* holder = uiaBrushCache().lookup(key);
  if (!holder || !holder->handle) return false;
  if (s.brush != holder) {
    if (s.brush) s.brush->users.remove(s.brushLink);
    SelectObject(dc_, holder->handle);
    holder->users.append(s.brushLink, this);
    s.brush = holder;
  }
  s.brushColour = key.colour;
  return true;
}

bool DrawContext::selectFont(UiaFont& font) {
  DrawSelection& s = *selection_;
  if (!dc_ || !font.handle()) return false;
  if (s.font != &font) {
    if (s.font) s.font->users().remove(s.fontLink);
    SelectObject(dc_, font.handle());
    font.users().append(s.fontLink, this);
    s.font = &font;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------------
// Fonts

UiaFont::~UiaFont() { free(); }

bool UiaFont::create(const UiaFontSpec& spec) {
  if (handle_) return false;
  if (!(spec.flags & kFontNeverStock) && spec.face && std::strcmp(spec.face, "ANSI Var") == 0) {
    handle_ = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    stock_ = 1;
    return handle_ != nullptr;
  }
  handle_ = CreateFontA(spec.height, 0, 0, 0, (spec.flags & kFontBold) ? FW_BOLD : FW_NORMAL,
                        (spec.flags & kFontItalic) ? TRUE : FALSE, (spec.flags & kFontUnderline) ? TRUE : FALSE, FALSE,
                        0, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                        spec.face ? spec.face : "");
  stock_ = 0;
  return handle_ != nullptr;
}

void UiaFont::free() {
  while (UiaUserLink* user = users_.first) {
    user->context->releaseFont();
    users_.remove(*user);
  }
  if (handle_ && !stock_) DeleteObject(handle_);
  handle_ = nullptr;
  stock_ = 0;
}

namespace {

UiaFont g_defaultFont;
HDC g_memoryDC = nullptr;

}  // namespace

UiaFont& uiaDefaultFont() { return g_defaultFont; }

bool uiaCreateDefaultFont() {
  static const UiaFontSpec spec = {"ANSI Var", 0, 0};
  return g_defaultFont.create(spec);
}

void uiaFreeDefaultFont() { g_defaultFont.free(); }

// ---------------------------------------------------------------------------------------------------
// The shared memory device context

bool uiaCreateMemoryDC() {
  if (g_memoryDC) return true;
  g_memoryDC = CreateCompatibleDC(nullptr);
  if (!g_memoryDC) return false;
  if (!uiaPenCache().allocate() || !uiaBrushCache().allocate()) {
    uiaPenCache().clear();
    uiaBrushCache().clear();
    DeleteDC(g_memoryDC);
    g_memoryDC = nullptr;
    return false;
  }
  return true;
}

void uiaDeleteMemoryDC() {
  if (g_memoryDC) DeleteDC(g_memoryDC);
  g_memoryDC = nullptr;
  uiaPenCache().clear();
  uiaBrushCache().clear();
}

HDC uiaMemoryDC() { return g_memoryDC; }
