// Picture: buffer, clip and origin, the clipped drawing operations, frames and nine-part frames,
// and the PictureFormat record.
#include "UIAPicture.h"

#include "GPBinaryStream.h"
#include "GPClamp.h"
#include "GPError.h"
#include "GPSystemInfo.h"
#include "GPTimer.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

namespace {

RegionRect rectOf(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return RegionRect{gpClampToI32(x1), gpClampToI32(y1), gpClampToI32(x2), gpClampToI32(y2)};
}

// Timing diagnostic of the two unclipped operations.
struct KernelTiming {
  const char* name;
  bool on;
  uint32_t calls;
  double smoothed;  // counter ticks
};
KernelTiming g_fillTiming = {"Picture::fillAreaUC", false, 0, 0.0};
KernelTiming g_copyTiming = {"Picture::copyAreaUC", false, 0, 0.0};

bool timingDue(KernelTiming& t) { return t.on && (++t.calls % 25) == 0; }

void timingReport(KernelTiming& t, int64_t start) {
  const double ticks = double(gpReadCounter() - start);
  t.smoothed = t.smoothed * 4.0 / 5.0 + ticks / 5.0;
  gpDebugPrint("%s %d \n", t.name, int(t.smoothed));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// PictureFormat

bool PictureFormat::read(BinaryStream& stream) {
  stream.readU32();  // version: any is accepted
  const uint8_t hasAlpha = stream.readU8();
  const uint32_t mode = stream.readU32();
  const uint32_t count = stream.readU32();
  const uint32_t flags = stream.readU32();
  int32_t insets[4];
  for (int32_t& inset : insets) inset = stream.readInt32();
  // A record cut short leaves the format as it was.
  if (!stream.stream() || stream.stream()->state() == kStreamFailed || stream.stream()->state() == kStreamClosed)
    return false;
  hasAlpha_ = hasAlpha;
  mode_ = mode;
  frameCount_ = count;
  flags_ = flags;
  std::copy(insets, insets + 4, insets_);
  return true;
}

bool PictureFormat::write(BinaryStream& stream) {
  int32_t written = stream.writeU32(1);
  written += stream.writeU8(hasAlpha_);
  written += stream.writeU32(mode_);
  written += stream.writeU32(frameCount_);
  written += stream.writeU32(flags_);
  for (int32_t inset : insets_) written += stream.writeU32(uint32_t(inset));
  return written == kRecordSize;
}

// ---------------------------------------------------------------------------------------------------
// Picture: buffer

Picture::Picture() {
  const int variant = uiaPictureVariantFor(gpSystemInfo().features);
  fill_ = uiaPictureFillRoutine(variant);
  copy_ = uiaPictureCopyRoutine(variant);
}

Picture::~Picture() { freeBuffer(); }

void Picture::freeBuffer() {
  raw_.reset();
  pixels_ = nullptr;
  allocated_ = 0;
  width_ = 0;
  height_ = 0;
}

bool Picture::resize(uint32_t width, uint32_t height, bool force) {
  // Coordinates are i32 (so the count below cannot overflow 64 bits), and the byte count must fit the
  // address space: anything larger is refused before the old buffer is touched.
  const uint64_t maxCoordinate = uint64_t(std::numeric_limits<int32_t>::max());
  if (width > maxCoordinate || height > maxCoordinate) return false;
  const uint64_t needed = uint64_t(width) * 4u * uint64_t(height) + kHeaderReserve;
  if (needed > uint64_t(std::numeric_limits<ptrdiff_t>::max())) return false;

  if ((needed != allocated_ && needed > allocated_) || force) {
    freeBuffer();
    raw_.reset(new (std::nothrow) uint8_t[size_t(needed)]);
    if (raw_) {
      allocated_ = size_t(needed);
      pixels_ = reinterpret_cast<uint32_t*>(raw_.get() + kHeaderReserve);
    }
  }
  return raw_ != nullptr;
}

bool Picture::setSize(uint32_t width, uint32_t height, bool force) {
  if (!resize(width, height, force)) return false;
  width_ = width;
  height_ = height;
  originX_ = 0;
  originY_ = 0;
  resetClip();
  return true;
}

uint32_t Picture::frameWidth() const {
  if (mode_ == kFramesVertical) return width_;
  return width_ / std::max<uint32_t>(frameCount_, 1);
}

uint32_t Picture::frameHeight() const {
  if (mode_ == kFramesVertical) return height_ / std::max<uint32_t>(frameCount_, 1);
  return height_;
}

// ---------------------------------------------------------------------------------------------------
// Clip and origin

void Picture::resetClip() {
  clipOn_ = 0;
  clip_ = RegionRect{0, 0, int32_t(width_), int32_t(height_)};
}

void Picture::setClipRect(const RegionRect& rect) {
  const RegionRect bounds =
      rectOf(-int64_t(originX_), -int64_t(originY_), int64_t(width_) - originX_, int64_t(height_) - originY_);
  clip_ = bounds.intersection(rect);
  clipOn_ = 1;
}

void Picture::setOrigin(int32_t x, int32_t y) {
  if (clipOn_) {
    const int64_t dx = int64_t(originX_) - x;
    const int64_t dy = int64_t(originY_) - y;
    const RegionRect moved = rectOf(clip_.x1 + dx, clip_.y1 + dy, clip_.x2 + dx, clip_.y2 + dy);
    originX_ = x;
    originY_ = y;
    setClipRect(moved);
  } else {
    originX_ = x;
    originY_ = y;
  }
}

bool Picture::clipRect(RegionRect& rect, int32_t* dx, int32_t* dy) const {
  const bool flipX = rect.x1 > rect.x2;
  const bool flipY = rect.y1 > rect.y2;
  RegionRect r = rect;
  if (flipX) std::swap(r.x1, r.x2);
  if (flipY) std::swap(r.y1, r.y2);
  const RegionRect c = r.intersection(clip_);
  if (c.isEmpty()) {
    rect = RegionRect{0, 0, 0, 0};
    return false;
  }
  if (dx) *dx = r.x1 - c.x1;
  if (dy) *dy = r.y1 - c.y1;
  rect = c;
  if (flipX) std::swap(rect.x1, rect.x2);
  if (flipY) std::swap(rect.y1, rect.y2);
  return true;
}

PictureState::PictureState(const Picture& picture)
    : originX_(picture.originX()), originY_(picture.originY()), clipOn_(picture.hasClip()), clip_(picture.clip()) {}

void PictureState::restore(Picture& picture) const {
  picture.setOrigin(originX_, originY_);
  if (clipOn_)
    picture.setClipRect(clip_);
  else
    picture.resetClip();
}

void Picture::setFillTiming(bool on) { g_fillTiming.on = on; }

void Picture::setCopyTiming(bool on) { g_copyTiming.on = on; }

// ---------------------------------------------------------------------------------------------------
// Unclipped operations: the area is cut to the picture (and the source) so that no call reaches
// outside a buffer, then handed to the kernel.

void Picture::fillAreaUC(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  if (!pixels_ || w <= 0 || h <= 0) return;
  int64_t x1 = int64_t(originX_) + x, y1 = int64_t(originY_) + y;
  int64_t x2 = x1 + w, y2 = y1 + h;
  x1 = std::max<int64_t>(x1, 0);
  y1 = std::max<int64_t>(y1, 0);
  x2 = std::min<int64_t>(x2, width_);
  y2 = std::min<int64_t>(y2, height_);
  if (x1 >= x2 || y1 >= y2) return;
  const bool timed = timingDue(g_fillTiming);
  const int64_t start = timed ? gpReadCounter() : 0;
  fill_(pixels_, width_, int32_t(x1), int32_t(y1), int32_t(x2 - x1), int32_t(y2 - y1), colour);
  if (timed) timingReport(g_fillTiming, start);
}

void Picture::copyAreaUC(int32_t x, int32_t y, int32_t w, int32_t h, const Picture& source, int32_t sx, int32_t sy) {
  if (!pixels_ || !source.pixels_ || w <= 0 || h <= 0) return;
  int64_t dx = int64_t(originX_) + x, dy = int64_t(originY_) + y;
  int64_t srcX = sx, srcY = sy, cw = w, ch = h;
  // Left and top: whichever of the two areas starts outside its picture moves both starts.
  const int64_t cutX = std::max<int64_t>({0, -dx, -srcX});
  const int64_t cutY = std::max<int64_t>({0, -dy, -srcY});
  dx += cutX;
  srcX += cutX;
  cw -= cutX;
  dy += cutY;
  srcY += cutY;
  ch -= cutY;
  cw = std::min<int64_t>({cw, int64_t(width_) - dx, int64_t(source.width_) - srcX});
  ch = std::min<int64_t>({ch, int64_t(height_) - dy, int64_t(source.height_) - srcY});
  if (cw <= 0 || ch <= 0) return;
  const bool timed = timingDue(g_copyTiming);
  const int64_t start = timed ? gpReadCounter() : 0;
  copy_(pixels_, width_, int32_t(dx), int32_t(dy), int32_t(cw), int32_t(ch), source, int32_t(srcX), int32_t(srcY));
  if (timed) timingReport(g_copyTiming, start);
}

// ---------------------------------------------------------------------------------------------------
// Clipped operations

void Picture::fillArea(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  if (!clipOn_) {
    fillAreaUC(x, y, w, h, colour);
    return;
  }
  RegionRect r = rectOf(x, y, int64_t(x) + w, int64_t(y) + h);
  if (clipRect(r, nullptr, nullptr)) fillAreaUC(r.x1, r.y1, r.x2 - r.x1, r.y2 - r.y1, colour);
}

void Picture::copyArea(int32_t x, int32_t y, int32_t w, int32_t h, const Picture& source, int32_t sx, int32_t sy) {
  if (!clipOn_) {
    copyAreaUC(x, y, w, h, source, sx, sy);
    return;
  }
  RegionRect r = rectOf(x, y, int64_t(x) + w, int64_t(y) + h);
  int32_t dx = 0, dy = 0;
  if (!clipRect(r, &dx, &dy)) return;
  copyAreaUC(r.x1, r.y1, r.x2 - r.x1, r.y2 - r.y1, source, gpClampToI32(int64_t(sx) - dx),
             gpClampToI32(int64_t(sy) - dy));
}

void Picture::drawVerticalLine(int32_t x, int32_t y, int32_t h, uint32_t colour) { fillArea(x, y, 1, h, colour); }

void Picture::drawHorizontalLine(int32_t x, int32_t y, int32_t w, uint32_t colour) { fillArea(x, y, w, 1, colour); }

// ---------------------------------------------------------------------------------------------------
// Frames

namespace {

// The top-left of frame n of a picture (n clamped to the last frame when there are several).
void frameOffset(const Picture& source, uint32_t n, int64_t& fx, int64_t& fy) {
  fx = 0;
  fy = 0;
  if (source.frameCount() > 1) {
    n = std::min(n, source.frameCount() - 1);
    if (source.mode() == kFramesVertical)
      fy = int64_t(n) * source.frameHeight();
    else
      fx = int64_t(n) * source.frameWidth();
  }
}

}  // namespace

void Picture::drawFrame(int32_t x, int32_t y, const Picture& source, uint32_t n, const RegionRect* sourceRect) {
  int64_t sx = 0, sy = 0, w = source.width_, h = source.height_;
  if (sourceRect) {
    sx = sourceRect->x1;
    sy = sourceRect->y1;
    w = int64_t(sourceRect->x2) - sourceRect->x1;
    h = int64_t(sourceRect->y2) - sourceRect->y1;
  }
  if (source.frameCount_ > 1) {
    int64_t fx, fy;
    frameOffset(source, n, fx, fy);
    sx += fx;
    sy += fy;
    if (!sourceRect) {
      w = source.frameWidth();
      h = source.frameHeight();
    }
  }
  if (sx >= int64_t(source.width_) || sy >= int64_t(source.height_)) return;
  copyArea(x, y, gpClampToI32(w), gpClampToI32(h), source, gpClampToI32(sx), gpClampToI32(sy));
}

void Picture::drawTiledFrame(const RegionRect& destRect, const Picture& source, uint32_t n,
                             const RegionRect* clipRect) {
  if (source.flags_ == 0) {
    if (!clipRect) {
      drawFrame(destRect.x1, destRect.y1, source, n, nullptr);
      return;
    }
    const PictureState state(*this);
    narrowClip(*clipRect);
    drawFrame(destRect.x1, destRect.y1, source, n, nullptr);
    state.restore(*this);
    return;
  }

  int64_t fx, fy;
  frameOffset(source, n, fx, fy);
  const int64_t L = (source.flags_ & kInsetsLeftRight) ? source.insets_[2] : 0;
  const int64_t R = (source.flags_ & kInsetsLeftRight) ? source.insets_[3] : 0;
  const int64_t T = (source.flags_ & kInsetsTopBottom) ? source.insets_[0] : 0;
  const int64_t B = (source.flags_ & kInsetsTopBottom) ? source.insets_[1] : 0;
  const int64_t IW = int64_t(source.frameWidth()) - (L + R);
  const int64_t IH = int64_t(source.frameHeight()) - (T + B);
  if (IW < 1 || IH < 1) return;

  const PictureState state(*this);
  narrowClip(clipRect ? *clipRect : destRect);
  const RegionRect c = clip_;
  if (!c.isEmpty()) {
    const int64_t left = destRect.x1, right = destRect.x2, top = destRect.y1, bottom = destRect.y2;
    // Pieces wholly outside the clip draw nothing; the middle runs start at the first piece that
    // reaches into it and stop past it, which draws the same pixels without walking a huge rectangle.
    auto firstTile = [](int64_t start, int64_t step, int64_t clipStart) {
      if (clipStart <= start) return start;
      return start + (clipStart - start) / step * step;
    };
    auto drawBand = [&](int64_t y, int64_t h, int64_t srcRow) {
      if (y + h <= c.y1 || y >= c.y2) return;
      auto piece = [&](int64_t x, int64_t w, int64_t srcCol) {
        if (x + w <= c.x1 || x >= c.x2) return;
        copyArea(gpClampToI32(x), gpClampToI32(y), gpClampToI32(w), gpClampToI32(h), source, gpClampToI32(srcCol),
                 gpClampToI32(srcRow));
      };
      if (L > 0) piece(left, L, fx);
      const int64_t x = left + L;
      const int64_t midEnd = right - R;
      int64_t xs = firstTile(x, IW, c.x1);
      for (; xs < midEnd && xs < c.x2; xs += IW) piece(xs, std::min(IW, midEnd - xs), fx + L);
      // The right piece sits where the middle ended.
      const int64_t endX = midEnd > x ? midEnd : x;
      if (R > 0) piece(endX, R, fx + L + IW);
    };
    if (T > 0) drawBand(top, T, fy);
    const int64_t y0 = top + T;
    const int64_t midEnd = bottom - B;
    for (int64_t y = firstTile(y0, IH, c.y1); y < midEnd && y < c.y2; y += IH)
      drawBand(y, std::min(IH, midEnd - y), fy + T);
    const int64_t endY = midEnd > y0 ? midEnd : y0;
    if (B > 0) drawBand(endY, B, fy + T + IH);
  }
  state.restore(*this);
}

// Sets the clip to rect, within the current clip when one is set.
void Picture::narrowClip(const RegionRect& rect) { setClipRect(clipOn_ ? rect.intersection(clip_) : rect); }
