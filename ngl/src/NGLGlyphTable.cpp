#include "NGLBitmapFont.h"

#include "UIAPicture.h"

#include <algorithm>
#include <cstdlib>

GlyphTable::GlyphTable(const Picture* picture) : picture_(picture) { measure(picture); }

void GlyphTable::measure(const Picture* picture) {
  std::fill(x_, x_ + 256, 0);
  std::fill(width_, width_ + 256, 0);
  markerRow_ = 0;
  if (!picture || picture->width() == 0 || picture->height() == 0) return;
  const int32_t w = int32_t(picture->width());
  int32_t marks = 0;
  for (int32_t x = 0; x < w; ++x)
    if (picture->pixel(uint32_t(x), 0) != 0) ++marks;
  if (marks == 256) {
    // Each glyph runs from its start up to the next marker after it; the last to the right edge.
    markerRow_ = 1;
    int32_t start = 0;
    for (int i = 0; i < 256; ++i) {
      int32_t end = start + 1;
      if (i == 255) {
        end = w;
      } else {
        while (end < w && picture->pixel(uint32_t(end), 0) == 0) ++end;
      }
      x_[i] = start;
      width_[i] = std::max(end - start, 0);
      start = end;
    }
    return;
  }
  const int32_t each = w / 256;
  for (int i = 0; i < 256; ++i) {
    x_[i] = i * each;
    width_[i] = each;
  }
}

int32_t GlyphTable::height() const {
  if (!picture_) return 0;
  const int32_t h = int32_t(picture_->height());
  return markerRow_ ? std::max(h - 1, 0) : h;
}

int32_t GlyphTable::textWidth(const char* text, uint32_t maxChars) const {
  if (!text) return 0;
  int64_t sum = 0;
  for (uint32_t n = 0; n < maxChars && text[n]; ++n) sum += width_[uint8_t(text[n])];
  return int32_t(std::min<int64_t>(sum, INT32_MAX));
}

int32_t GlyphTable::charIndexAt(const char* text, int32_t x) const {
  if (x < 1 || !text) return 0;
  int64_t left = 0;
  int32_t i = 0;
  for (; text[i]; ++i) {
    const int64_t right = left + width_[uint8_t(text[i])];
    if (right > x) return (x - left <= right - x) ? i : i + 1;
    left = right;
  }
  return i;
}

void GlyphTable::draw(Picture& target, int32_t x, int32_t y, int32_t offsetX, int32_t offsetY, int32_t width,
                      int32_t height, const char* text, bool repeat) const {
  if (!picture_ || !text || !*text) return;
  const int32_t glyphHeight = this->height();
  // Vertical: how far the glyphs are shifted and which of their rows fall into the box.
  const int64_t t = int64_t(offsetY) + std::min(y, 0);
  const int64_t absT = t < 0 ? -t : t;
  const int64_t rows = std::min<int64_t>(height, glyphHeight - absT);
  if (rows < 1) return;
  const int32_t top = int32_t(int64_t(y) + std::max<int64_t>(t, 0));
  const int32_t sourceRow = int32_t((markerRow_ ? 1 : 0) + std::max<int64_t>(-t, 0));

  int64_t pen = int64_t(offsetX) + std::min(x, 0);
  const char* c = text;
  for (;;) {
    if (!*c) {
      // Repeating a text that moved the pen nowhere would never fill the box: stop.
      if (!repeat || textWidth(text, uint32_t(-1)) == 0) break;
      c = text;
    }
    if (pen >= width) break;
    const uint8_t glyph = uint8_t(*c);
    const int64_t gw = width_[glyph];
    if (pen < 0) {
      if (pen + gw > 0)
        target.copyArea(x, top, int32_t(std::min<int64_t>(pen + gw, width)), int32_t(rows), *picture_,
                        int32_t(x_[glyph] - pen), sourceRow);
    } else {
      target.copyArea(int32_t(x + pen), top, int32_t(std::min<int64_t>(width - pen, gw)), int32_t(rows), *picture_,
                      x_[glyph], sourceRow);
    }
    pen += gw;
    ++c;
  }
}
