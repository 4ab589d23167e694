// ScrollView: the scrolling base of the text field, tree and list widgets. It keeps a view rectangle
// inside the widget, a content offset, and draws and drives its own scroll bars (optional plus/minus
// buttons, thumb dragging, paging with auto-repeat and the wheel). Subclasses report their content
// size and draw the content inside the view.
#pragma once

#include <cstdint>
#include "NGLWidget.h"

class ScrollView : public Widget {
 public:
  ScrollView() = default;
  ~ScrollView() override = default;

  bool handleEvent(int32_t code, void* data) override;
  void attach(Form* form) override;
  // Draws the scroll bars (after laying them out again).
  void paint(Picture& picture) override;

  virtual void contentSize(int32_t& width, int32_t& height) = 0;
  virtual int32_t wheelStep() { return 1; }
  virtual bool fineDragHorizontal(float fraction) {
    (void)fraction;
    return false;
  }
  virtual bool fineDragVertical(float fraction) {
    (void)fraction;
    return false;
  }
  virtual bool horizontalPlus() { return false; }
  virtual bool horizontalMinus() { return false; }
  virtual bool verticalPlus() { return false; }
  virtual bool verticalMinus() { return false; }
  virtual void fineDragEnd() {}

  void layoutScrollBars();
  // Stores the offset clamped to [view extent - content extent, 0] on each axis.
  void setScrollOffset(int32_t x, int32_t y);
  int32_t scrollBarSpace() const { return barThickness_ + margin_; }

  int32_t offsetX() const { return offsetX_; }
  int32_t offsetY() const { return offsetY_; }
  const RegionRect& view() const { return view_; }
  bool horizontalBarShown() const { return horizontalBarShown_; }
  bool verticalBarShown() const { return verticalBarShown_; }
  const RegionRect& horizontalThumb() const { return horizontalThumb_; }
  const RegionRect& verticalThumb() const { return verticalThumb_; }
  const RegionRect& horizontalTrack() const { return horizontalTrack_; }
  const RegionRect& verticalTrack() const { return verticalTrack_; }
  bool isRepeating() const { return repeating_; }
  void setAlwaysBars(bool horizontal, bool vertical) {
    alwaysHorizontalBar_ = horizontal;
    alwaysVerticalBar_ = vertical;
  }
  void setButtons(bool horizontal, bool vertical) {
    horizontalButtons_ = horizontal;
    verticalButtons_ = vertical;
  }
  void setWheelMode(uint32_t mode) { wheelMode_ = mode; }
  uint32_t barColour() const { return barColour_; }
  void setBarColour(uint32_t colour) { barColour_ = colour; }
  uint32_t highlightColour() const { return highlightColour_; }

 protected:
  // The part of the view inside the picture's clip; empty when the view is empty or outside it.
  RegionRect visibleView(const Picture& picture) const;
  bool handleMouseEvent(int32_t code, void* data);
  void drawBar(Picture& picture, bool horizontal);
  void drawButton(Picture& picture, const RegionRect& r, bool pressed, bool plus);
  // Tracks, thumbs and button rectangles for the current layout and offset.
  void computeBars();
  // Moves the offset by (dx, dy), clamped.
  void moveOffset(int64_t dx, int64_t dy);
  void startRepeat(int32_t dx, int32_t dy, int32_t x, int32_t y);
  // Removes the page timer (widget timer 0) when paging.
  void stopRepeat();
  // Ends a drag, a button press or paging without acting (the mouse capture was taken away).
  void endPress();

  bool alwaysHorizontalBar_ = false;
  bool alwaysVerticalBar_ = false;
  bool horizontalBarShown_ = false;
  bool verticalBarShown_ = false;
  bool horizontalButtons_ = false;
  bool verticalButtons_ = false;
  RegionRect horizontalPlusRect_ = {0, 0, 0, 0};
  RegionRect horizontalMinusRect_ = {0, 0, 0, 0};
  RegionRect verticalPlusRect_ = {0, 0, 0, 0};
  RegionRect verticalMinusRect_ = {0, 0, 0, 0};
  bool buttonPressed_[4] = {false, false, false, false};  // h plus, h minus, v plus, v minus
  bool fineDrag_ = false;
  bool lastShift_ = false;
  float horizontalFineFactor_ = 0.1f;
  float verticalFineFactor_ = 0.1f;
  uint32_t wheelMode_ = 1;
  int32_t barThickness_ = 12;
  int32_t margin_ = 3;
  RegionRect horizontalFrame_ = {0, 0, 0, 0};  // the tracks before their 2-pixel inset
  RegionRect verticalFrame_ = {0, 0, 0, 0};
  RegionRect horizontalTrack_ = {0, 0, 0, 0};
  RegionRect verticalTrack_ = {0, 0, 0, 0};
  RegionRect horizontalThumb_ = {0, 0, 0, 0};
  RegionRect verticalThumb_ = {0, 0, 0, 0};
  bool draggingHorizontal_ = false;
  bool draggingVertical_ = false;
  int32_t dragStartX_ = 0, dragStartY_ = 0;
  int32_t dragStartOffsetX_ = 0, dragStartOffsetY_ = 0;
  uint32_t highlightColour_ = 0xFFD0D0E0;
  uint32_t barColour_ = 0xFF516861;
  bool repeating_ = false;
  int32_t repeatDX_ = 0, repeatDY_ = 0;
  int32_t pressX_ = 0, pressY_ = 0;
  bool repeatTowardsStart_ = false;
  int32_t repeatCountdown_ = 5;
  RegionRect view_ = {0, 0, 0, 0};
  int32_t offsetX_ = 0, offsetY_ = 0;
};
