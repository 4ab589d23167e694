// ScrollView: bar layout, bar drawing and the mouse, wheel and timer handling of the scroll bars.
#include "NGLScrollView.h"

#include <algorithm>
#include "GPClamp.h"
#include "NGLForm.h"
#include "UIAKeys.h"
#include "UIAPicture.h"

namespace {

constexpr int32_t kGrabZone = 16;     // a short thumb is still grabbed within this length
constexpr int32_t kRepeatPeriod = 5;  // timer events between two page steps
constexpr int32_t kRepeatTimer = 0;   // the widget timer id of the page repeat

int32_t rectWidth(const RegionRect& r) { return r.x2 - r.x1; }
int32_t rectHeight(const RegionRect& r) { return r.y2 - r.y1; }

int32_t clampOffset(int64_t requested, int32_t viewExtent, int32_t contentExtent) {
  const int64_t low = int64_t(viewExtent) - int64_t(contentExtent);
  int64_t v = std::max(low, requested);
  v = std::min<int64_t>(0, v);
  return gpClampToI32(v);
}

// Frame of one-pixel lines with the corner pixels left out.
void drawOpenFrame(Picture& picture, const RegionRect& r, uint32_t colour) {
  const int32_t w = rectWidth(r), h = rectHeight(r);
  if (w <= 0 || h <= 0) return;
  picture.drawHorizontalLine(r.x1 + 1, r.y1, w - 2, colour);
  picture.drawHorizontalLine(r.x1 + 1, r.y2 - 1, w - 2, colour);
  picture.drawVerticalLine(r.x1, r.y1 + 1, h - 2, colour);
  picture.drawVerticalLine(r.x2 - 1, r.y1 + 1, h - 2, colour);
}

// Thumb length and position along a track of trackLength for the given extents and offset.
void thumbSpan(int32_t viewExtent, int32_t contentExtent, int32_t offset, int32_t trackLength, int32_t& position,
               int32_t& length) {
  const double ratio = contentExtent > 0 ? double(viewExtent) / double(contentExtent) : 1.0;
  int64_t len = int64_t(ratio * double(trackLength));
  len = std::max<int64_t>(len, 4);
  len = std::min<int64_t>(len, int64_t(viewExtent) - 4);
  // Never longer than the track (with buttons the track is shorter than the view).
  len = std::min<int64_t>(len, trackLength);
  if (len < 0) len = 0;
  length = int32_t(len);
  const int64_t range = int64_t(contentExtent) - int64_t(viewExtent);
  if (range <= 0) {
    position = 0;
    return;
  }
  position = int32_t(double(-int64_t(offset)) / double(range) * double(trackLength - length));
  position = std::max(0, std::min(position, std::max(0, trackLength - length)));
}

// The thumb enlarged to the grab zone along its bar when it is shorter.
RegionRect grabRect(RegionRect r, bool horizontal) {
  if (horizontal && rectWidth(r) < kGrabZone) {
    const int32_t c = r.x1 + rectWidth(r) / 2;
    r.x1 = c - kGrabZone / 2;
    r.x2 = c + kGrabZone / 2;
  } else if (!horizontal && rectHeight(r) < kGrabZone) {
    const int32_t c = r.y1 + rectHeight(r) / 2;
    r.y1 = c - kGrabZone / 2;
    r.y2 = c + kGrabZone / 2;
  }
  return r;
}

}  // namespace

void ScrollView::attach(Form* form) {
  Widget::attach(form);
  layoutScrollBars();
}

void ScrollView::layoutScrollBars() {
  int32_t cw = 0, ch = 0;
  contentSize(cw, ch);
  view_ = {rect_.x1 + margin_, rect_.y1 + margin_, rect_.x2 - margin_, rect_.y2 - margin_};
  const int32_t space = scrollBarSpace();
  bool vertical, horizontal;
  if (alwaysHorizontalBar_ && alwaysVerticalBar_) {
    vertical = horizontal = true;
  } else {
    const int32_t h = rectHeight(rect_) - 2 * margin_;
    int32_t w = rectWidth(rect_) - 2 * margin_;
    vertical = ch > h || alwaysVerticalBar_;
    if (vertical) w -= space;
    horizontal = w < cw || alwaysHorizontalBar_;
    if (horizontal && !vertical) vertical = ch > h - space;
  }
  horizontalBarShown_ = horizontal;
  verticalBarShown_ = vertical;
  if (horizontal) view_.y2 -= space;
  if (vertical) view_.x2 -= space;
  setScrollOffset(offsetX_, offsetY_);
  computeBars();
}

void ScrollView::setScrollOffset(int32_t x, int32_t y) {
  int32_t cw = 0, ch = 0;
  contentSize(cw, ch);
  offsetX_ = clampOffset(x, rectWidth(view_), cw);
  offsetY_ = clampOffset(y, rectHeight(view_), ch);
}

void ScrollView::moveOffset(int64_t dx, int64_t dy) {
  int32_t cw = 0, ch = 0;
  contentSize(cw, ch);
  offsetX_ = clampOffset(int64_t(offsetX_) + dx, rectWidth(view_), cw);
  offsetY_ = clampOffset(int64_t(offsetY_) + dy, rectHeight(view_), ch);
  computeBars();
}

void ScrollView::computeBars() {
  const RegionRect none = {0, 0, 0, 0};
  horizontalTrack_ = verticalTrack_ = horizontalThumb_ = verticalThumb_ = none;
  horizontalPlusRect_ = horizontalMinusRect_ = verticalPlusRect_ = verticalMinusRect_ = none;
  const int32_t vw = rectWidth(view_), vh = rectHeight(view_);
  if (vw < 5 || vh < 5) return;
  int32_t cw = 0, ch = 0;
  contentSize(cw, ch);
  const int32_t bt = barThickness_;
  if (verticalBarShown_) {
    RegionRect t = {view_.x2 + margin_, view_.y1, view_.x2 + margin_ + bt,
                    verticalButtons_ ? view_.y1 + vh - 2 * bt + 2 : view_.y2};
    verticalFrame_ = t;
    t = {t.x1 + 2, t.y1 + 2, t.x2 - 2, t.y2 - 2};
    verticalTrack_ = t;
    int32_t pos = 0, len = 0;
    thumbSpan(vh, ch, offsetY_, rectHeight(t), pos, len);
    verticalThumb_ = {t.x1, t.y1 + pos, t.x2, t.y1 + pos + len};
    if (verticalButtons_) {
      const int32_t top = view_.y2 - 2 * bt + 1;
      verticalPlusRect_ = {view_.x2 + margin_, top, view_.x2 + margin_ + bt, top + bt};
      verticalMinusRect_ = {view_.x2 + margin_, top + bt - 1, view_.x2 + margin_ + bt, top + 2 * bt - 1};
    }
  }
  if (horizontalBarShown_) {
    RegionRect t = {view_.x1, view_.y2 + margin_, horizontalButtons_ ? view_.x1 + vw - 2 * bt + 2 : view_.x2,
                    view_.y2 + margin_ + bt};
    horizontalFrame_ = t;
    t = {t.x1 + 2, t.y1 + 2, t.x2 - 2, t.y2 - 2};
    horizontalTrack_ = t;
    int32_t pos = 0, len = 0;
    thumbSpan(vw, cw, offsetX_, rectWidth(t), pos, len);
    horizontalThumb_ = {t.x1 + pos, t.y1, t.x1 + pos + len, t.y2};
    if (horizontalButtons_) {
      const int32_t left = view_.x2 - 2 * bt + 1;
      horizontalMinusRect_ = {left, view_.y2 + margin_, left + bt, view_.y2 + margin_ + bt};
      horizontalPlusRect_ = {left + bt - 1, view_.y2 + margin_, left + 2 * bt - 1, view_.y2 + margin_ + bt};
    }
  }
}

void ScrollView::drawButton(Picture& picture, const RegionRect& r, bool pressed, bool plus) {
  drawOpenFrame(picture, r, barColour_);
  const int32_t side = rectWidth(r);
  if (pressed) picture.fillArea(r.x1 + 1, r.y1 + 1, side - 2, rectHeight(r) - 2, barColour_);
  const uint32_t glyph = pressed ? highlightColour_ : barColour_;
  const int32_t cx = r.x1 + side / 2, cy = r.y1 + side / 2;
  picture.drawHorizontalLine(r.x1 + 3, cy - 1, side - 6, glyph);
  picture.drawHorizontalLine(r.x1 + 3, cy, side - 6, glyph);
  if (plus) {
    picture.drawVerticalLine(cx - 1, r.y1 + 3, side - 6, glyph);
    picture.drawVerticalLine(cx, r.y1 + 3, side - 6, glyph);
  }
}

RegionRect ScrollView::visibleView(const Picture& picture) const {
  return picture.hasClip() ? view_.intersection(picture.clip()) : view_;
}

void ScrollView::paint(Picture& picture) {
  layoutScrollBars();
  if (rectWidth(view_) < 5 || rectHeight(view_) < 5) return;
  if (verticalBarShown_) {
    drawOpenFrame(picture, verticalFrame_, barColour_);
    picture.fillArea(verticalThumb_.x1, verticalThumb_.y1, rectWidth(verticalThumb_), rectHeight(verticalThumb_),
                     barColour_);
    if (verticalButtons_) {
      drawButton(picture, verticalPlusRect_, buttonPressed_[2], true);
      drawButton(picture, verticalMinusRect_, buttonPressed_[3], false);
    }
  }
  if (horizontalBarShown_) {
    drawOpenFrame(picture, horizontalFrame_, barColour_);
    picture.fillArea(horizontalThumb_.x1, horizontalThumb_.y1, rectWidth(horizontalThumb_),
                     rectHeight(horizontalThumb_), barColour_);
    if (horizontalButtons_) {
      drawButton(picture, horizontalMinusRect_, buttonPressed_[1], false);
      drawButton(picture, horizontalPlusRect_, buttonPressed_[0], true);
    }
  }
}

bool ScrollView::handleEvent(int32_t code, void* data) {
  const bool base = Widget::handleEvent(code, data);
  if (code >= UIA_EVENT_MOUSE_BUTTON && code <= UIA_EVENT_MOUSE_WHEEL) return handleMouseEvent(code, data);
  if (code == NGL_NOTIFY_CAPTURE_LOST) {
    // The press is over without a release: paging and dragging stop here, or the page timer
    // would keep scrolling for a button nobody holds.
    endPress();
    return base;
  }
  // Paging acts only while a track press is live, so a subclass's own timers (the caret blink)
  // never scroll by themselves; during a press every timer event the widget gets counts.
  if (code == UIA_EVENT_TIMER && repeating_) {
    if (--repeatCountdown_ <= 0) {
      repeatCountdown_ = kRepeatPeriod;
      computeBars();
      bool reached;
      if (repeatDX_ != 0)
        reached = repeatTowardsStart_ ? !(pressX_ < horizontalThumb_.x1) : !(pressX_ >= horizontalThumb_.x2);
      else
        reached = repeatTowardsStart_ ? !(pressY_ < verticalThumb_.y1) : !(pressY_ >= verticalThumb_.y2);
      if (!reached) {
        moveOffset(repeatDX_, repeatDY_);
        invalidate(0);
      }
    }
  }
  return base;
}

bool ScrollView::handleMouseEvent(int32_t code, void* data) {
  if (!data) return false;
  if (code == UIA_EVENT_MOUSE_WHEEL) {
    const UiaMouseWheelEvent* e = static_cast<const UiaMouseWheelEvent*>(data);
    const int32_t delta = std::max(-32768, std::min(32767, e->delta));
    const bool shift = (e->modifiers & kModShift) != 0;
    const int64_t unit = (e->modifiers & kModCtrl) ? rectWidth(view_) : wheelStep();
    const int64_t step = int64_t(delta) * unit / 120;
    if ((wheelMode_ == 1 && !shift) || (wheelMode_ == 0 && shift)) moveOffset(0, step);
    if ((wheelMode_ == 0 && !shift) || (wheelMode_ == 1 && shift)) moveOffset(-step, 0);
    invalidate(0);
    return true;
  }
  if (code == UIA_EVENT_MOUSE_MOVE) {
    const UiaMouseMoveEvent* e = static_cast<const UiaMouseMoveEvent*>(data);
    const bool shift = (e->modifiers & kModShift) != 0;
    if (draggingHorizontal_ || draggingVertical_) {
      if (shift != lastShift_ && !fineDrag_) {
        dragStartX_ = e->x;
        dragStartY_ = e->y;
        dragStartOffsetX_ = offsetX_;
        dragStartOffsetY_ = offsetY_;
      }
      lastShift_ = shift;
      const bool horizontal = draggingHorizontal_;
      const int32_t viewExtent = horizontal ? rectWidth(view_) : rectHeight(view_);
      const int32_t moved = horizontal ? dragStartX_ - e->x : dragStartY_ - e->y;
      if (fineDrag_) {
        const float fraction = viewExtent > 0 ? float(moved) / float(viewExtent) * (shift ? 0.05f : 1.0f) : 0.0f;
        if (horizontal ? fineDragHorizontal(fraction) : fineDragVertical(fraction)) invalidate(0);
        return true;
      }
      int32_t cw = 0, ch = 0;
      contentSize(cw, ch);
      const int32_t contentExtent = horizontal ? cw : ch;
      const double ratio =
          contentExtent > viewExtent && contentExtent > 0 ? double(viewExtent) / double(contentExtent) : 1.0;
      const double factor = shift ? (horizontal ? horizontalFineFactor_ : verticalFineFactor_) : 1.0;
      const int32_t start = horizontal ? dragStartOffsetX_ : dragStartOffsetY_;
      const double wanted = double(start) + double(moved) * factor / ratio;
      const int64_t next = int64_t(std::max(-2147483648.0, std::min(2147483647.0, wanted)));
      const int32_t clamped = clampOffset(next, viewExtent, contentExtent);
      if (horizontal) {
        offsetX_ = clamped;
        offsetY_ = dragStartOffsetY_;
      } else {
        offsetY_ = clamped;
        offsetX_ = dragStartOffsetX_;
      }
      setScrollOffset(offsetX_, offsetY_);
      computeBars();
      invalidate(0);
      return true;
    }
    const int32_t x = e->x, y = e->y;
    return horizontalTrack_.contains(x, y) || verticalTrack_.contains(x, y) || horizontalPlusRect_.contains(x, y) ||
           horizontalMinusRect_.contains(x, y) || verticalPlusRect_.contains(x, y) || verticalMinusRect_.contains(x, y);
  }
  if (code != UIA_EVENT_MOUSE_BUTTON) return false;
  const UiaMouseButtonEvent* e = static_cast<const UiaMouseButtonEvent*>(data);
  if (e->button != UIA_BUTTON_LEFT) return false;
  const int32_t x = e->x, y = e->y;
  if (e->action == UIA_ACTION_PRESS || e->action == UIA_ACTION_DOUBLE_CLICK) {
    bool hit = false;
    if (horizontalButtons_) {
      buttonPressed_[0] = horizontalPlusRect_.contains(x, y);
      buttonPressed_[1] = horizontalMinusRect_.contains(x, y);
      hit = hit || buttonPressed_[0] || buttonPressed_[1];
    }
    if (verticalButtons_) {
      buttonPressed_[2] = verticalPlusRect_.contains(x, y);
      buttonPressed_[3] = verticalMinusRect_.contains(x, y);
      hit = hit || buttonPressed_[2] || buttonPressed_[3];
    }
    const RegionRect vGrab = grabRect(verticalThumb_, false);
    const RegionRect hGrab = grabRect(horizontalThumb_, true);
    const bool onV = verticalBarShown_ && rectHeight(verticalThumb_) > 0 && vGrab.contains(x, y);
    const bool onH = horizontalBarShown_ && rectWidth(horizontalThumb_) > 0 && hGrab.contains(x, y);
    if (onV || onH) {
      if (onV) {
        dragStartY_ = y;
        draggingVertical_ = true;
      }
      if (onH) {
        dragStartX_ = x;
        draggingHorizontal_ = true;
      }
      dragStartOffsetX_ = offsetX_;
      dragStartOffsetY_ = offsetY_;
      fineDrag_ = (e->modifiers & kModCtrl) != 0;
      lastShift_ = (e->modifiers & kModShift) != 0;
      hit = true;
      if (onH) {
        captureMouse();
        invalidate(0);
        return true;
      }
    } else if (verticalTrack_.contains(x, y)) {
      int32_t step = int32_t(0.85 * rectHeight(view_));
      if (y >= vGrab.y2) step = -step;
      startRepeat(0, step, x, y);
      hit = true;
    } else if (horizontalTrack_.contains(x, y)) {
      int32_t step = int32_t(0.85 * rectWidth(view_));
      if (x >= hGrab.x2) step = -step;
      startRepeat(step, 0, x, y);
      hit = true;
    }
    if (!hit) return false;
    captureMouse();
    invalidate(0);
    return true;
  }
  if (e->action != UIA_ACTION_RELEASE) return false;
  bool handled = false;
  const bool dragging = draggingHorizontal_ || draggingVertical_;
  if (!dragging) {
    bool changed = false;
    if (horizontalButtons_ && horizontalPlusRect_.contains(x, y) && horizontalPlus()) changed = handled = true;
    if (horizontalButtons_ && horizontalMinusRect_.contains(x, y) && horizontalMinus()) changed = handled = true;
    if (verticalButtons_ && verticalPlusRect_.contains(x, y) && verticalPlus()) changed = handled = true;
    if (verticalButtons_ && verticalMinusRect_.contains(x, y) && verticalMinus()) changed = handled = true;
    if (changed) {
      setScrollOffset(offsetX_, offsetY_);
      computeBars();
      invalidate(0);
    }
    if (buttonPressed_[0] || buttonPressed_[1] || buttonPressed_[2] || buttonPressed_[3]) {
      std::fill(buttonPressed_, buttonPressed_ + 4, false);
      releaseMouse();
      invalidate(0);
    }
  } else {
    if (fineDrag_) {
      fineDragEnd();
      fineDrag_ = false;
    }
    draggingHorizontal_ = draggingVertical_ = false;
    releaseMouse();
    handled = true;
  }
  if (repeating_) {
    releaseMouse();
    stopRepeat();
  }
  return handled;
}

void ScrollView::stopRepeat() {
  if (!repeating_) return;
  removeTimer(kRepeatTimer);
  repeating_ = false;
}

void ScrollView::endPress() {
  if (fineDrag_) {
    fineDragEnd();
    fineDrag_ = false;
  }
  draggingHorizontal_ = draggingVertical_ = false;
  if (buttonPressed_[0] || buttonPressed_[1] || buttonPressed_[2] || buttonPressed_[3]) {
    std::fill(buttonPressed_, buttonPressed_ + 4, false);
    invalidate(0);
  }
  stopRepeat();
}

void ScrollView::startRepeat(int32_t dx, int32_t dy, int32_t x, int32_t y) {
  moveOffset(dx, dy);
  // One page timer at a time: a press that comes without a release in between must not leave a
  // second one behind.
  stopRepeat();
  repeating_ = true;
  repeatDX_ = dx;
  repeatDY_ = dy;
  repeatTowardsStart_ = (dx != 0 ? dx : dy) > 0;
  pressX_ = x;
  pressY_ = y;
  repeatCountdown_ = kRepeatPeriod;
  addTimer(kRepeatTimer, kRepeatPeriod);
}
