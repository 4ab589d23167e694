// ScrollView: offset clamping, bar layout and drawing, thumb grabbing, paging and the wheel.
#include <gtest/gtest.h>

#include "NGLScrollView.h"
#include "UIAKeys.h"
#include "UIAPicture.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace nglscrollviewtest {

namespace {

class TestScroll : public ScrollView {
 public:
  TestScroll(RegionRect r, int32_t w, int32_t h) : contentW(w), contentH(h) {
    setRect(r);
    layoutScrollBars();
  }
  void contentSize(int32_t& w, int32_t& h) override {
    w = contentW;
    h = contentH;
  }
  int32_t contentW, contentH;
};

bool press(ScrollView& v, int32_t x, int32_t y, uint32_t mods = 0) {
  UiaMouseButtonEvent e = {x, y, mods, UIA_BUTTON_LEFT, UIA_ACTION_PRESS};
  return v.handleEvent(UIA_EVENT_MOUSE_BUTTON, &e);
}

bool release(ScrollView& v, int32_t x, int32_t y) {
  UiaMouseButtonEvent e = {x, y, 0, UIA_BUTTON_LEFT, UIA_ACTION_RELEASE};
  return v.handleEvent(UIA_EVENT_MOUSE_BUTTON, &e);
}

bool move(ScrollView& v, int32_t x, int32_t y, uint32_t mods = 0) {
  UiaMouseMoveEvent e = {x, y, mods};
  return v.handleEvent(UIA_EVENT_MOUSE_MOVE, &e);
}

void wheel(ScrollView& v, int32_t delta, uint32_t mods = 0) {
  UiaMouseWheelEvent e = {10, 10, mods, delta};
  EXPECT_TRUE(v.handleEvent(UIA_EVENT_MOUSE_WHEEL, &e));
}

}  // namespace

// 100 x 100 widget, margin 3, bar 12: a tall content gives the view 3..82 x 3..97 and a vertical
// track 87..95 x 5..95 inside its frame 85..97 x 3..97.
TEST(ScrollView, LayoutAndOffsetInvariant) {
  struct Case {
    int32_t cw, ch;
    bool hBar, vBar;
    int32_t askX, askY, wantX, wantY;
  };
  const Case cases[] = {
      {50, 50, false, false, -40, -40, 0, 0},              // content smaller than the view stays at 0
      {50, 1000, false, true, -40, -5000, 0, 94 - 1000},   // view 82 x 94
      {1000, 50, true, false, -5000, 0, 94 - 1000, 0},     // view 94 wide, 79 high
      {90, 90, false, false, -1, -1, 0, 0},                // fits in 94 x 94
      {90, 95, true, true, -100, -100, 79 - 90, 79 - 95},  // the vertical bar squeezes out the horizontal
      {50, 1000, false, true, 10, 10, 0, 0},               // positive offsets are clamped to 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cw << "x" << c.ch);
    TestScroll v({0, 0, 100, 100}, c.cw, c.ch);
    EXPECT_EQ(v.horizontalBarShown(), c.hBar);
    EXPECT_EQ(v.verticalBarShown(), c.vBar);
    v.setScrollOffset(c.askX, c.askY);
    EXPECT_EQ(v.offsetX(), c.wantX);
    EXPECT_EQ(v.offsetY(), c.wantY);
  }
}

TEST(ScrollView, NoBarsBelowFivePixels) {
  for (int32_t side : {0, 1, 25, 26}) {  // both bars: views of -21, -20, 4 and 5 pixels
    SCOPED_TRACE(side);
    TestScroll v({0, 0, side, side}, 1000, 1000);
    v.setAlwaysBars(true, true);
    Picture picture;
    ASSERT_TRUE(picture.setSize(40, 40, true));
    picture.fillAreaUC(0, 0, 40, 40, 0xFF000000);
    v.paint(picture);
    int changed = 0;
    for (uint32_t y = 0; y < 40; ++y)
      for (uint32_t x = 0; x < 40; ++x) changed += picture.pixel(x, y) != 0xFF000000;
    if (side < 26)
      EXPECT_EQ(changed, 0);
    else
      EXPECT_GT(changed, 0);
  }
}

// The track's frame in the bar colour without its corner pixels, the thumb filled, the buttons with
// their glyphs; a pressed button turns the glyph to the highlight colour on a bar-coloured fill.
TEST(ScrollView, BarPixels) {
  TestScroll v({0, 0, 100, 100}, 50, 1000);
  v.setButtons(false, true);
  Picture picture;
  ASSERT_TRUE(picture.setSize(100, 100, true));
  picture.fillAreaUC(0, 0, 100, 100, 0xFF000000);
  v.paint(picture);
  const uint32_t bar = v.barColour(), black = 0xFF000000;
  // Track frame 85..97 x 3..(3 + 94 - 24 + 2) = 3..75.
  EXPECT_EQ(picture.pixel(85, 3), black);  // corners left out
  EXPECT_EQ(picture.pixel(96, 3), black);
  EXPECT_EQ(picture.pixel(85, 74), black);
  EXPECT_EQ(picture.pixel(86, 3), bar);
  EXPECT_EQ(picture.pixel(85, 4), bar);
  EXPECT_EQ(picture.pixel(96, 73), bar);
  EXPECT_EQ(picture.pixel(86, 4), black);  // between frame and track
  // Thumb: track 87..95 x 5..73 (68 long), length trunc(94 / 1000 * 68) = 6.
  EXPECT_EQ(v.verticalThumb().y1, 5);
  EXPECT_EQ(v.verticalThumb().y2, 11);
  EXPECT_EQ(picture.pixel(87, 5), bar);
  EXPECT_EQ(picture.pixel(94, 10), bar);
  EXPECT_EQ(picture.pixel(91, 11), black);
  // Buttons: plus at top 97 - 24 + 1 = 74, minus at 85; glyph lines at the centre row - 1 and row.
  EXPECT_EQ(picture.pixel(88, 79), bar);    // plus: horizontal stroke 3 pixels in
  EXPECT_EQ(picture.pixel(91, 77), bar);    // plus: vertical stroke
  EXPECT_EQ(picture.pixel(91, 88), black);  // minus has no vertical stroke
  EXPECT_EQ(picture.pixel(88, 91), bar);    // minus stroke at 85 + 6
  // Pressing the plus button highlights it; the release clears it.
  EXPECT_TRUE(press(v, 91, 80));
  v.paint(picture);
  EXPECT_EQ(picture.pixel(86, 75), bar);                  // filled interior
  EXPECT_EQ(picture.pixel(88, 79), v.highlightColour());  // glyph
  EXPECT_FALSE(release(v, 91, 80));                       // nothing acted
  v.paint(picture);
  EXPECT_EQ(picture.pixel(88, 79), bar);
}

// Thumb 4 pixels long (content 100000): grabbed within 16 pixels about its centre.
TEST(ScrollView, ShortThumbGrabZone) {
  struct Case {
    int32_t dy;  // from the thumb's centre
    bool drags;
  };
  const Case cases[] = {{0, true}, {-8, true}, {7, true}, {8, false}, {12, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dy);
    TestScroll v({0, 0, 100, 100}, 50, 100000);
    v.setScrollOffset(0, -50000);
    v.layoutScrollBars();
    const RegionRect t = v.verticalThumb();
    ASSERT_EQ(t.y2 - t.y1, 4);
    const int32_t cy = t.y1 + 2;
    EXPECT_TRUE(press(v, 94, cy + c.dy));
    if (c.drags) {
      // A drag, not a page: the offset is unchanged by the press, then follows the mouse.
      EXPECT_EQ(v.offsetY(), -50000);
      EXPECT_FALSE(v.isRepeating());
      EXPECT_TRUE(move(v, 94, cy + c.dy + 1));
      // One pixel down moves the content by 1 / (94 / 100000) = 1063 pixels.
      EXPECT_EQ(v.offsetY(), -50000 - 1063);
    } else {
      EXPECT_TRUE(v.isRepeating());
      EXPECT_EQ(v.offsetY(), -50000 - 79);  // trunc(0.85 * 94)
    }
    release(v, 94, cy + c.dy);
    EXPECT_FALSE(v.isRepeating());
  }
}

TEST(ScrollView, Wheel) {
  struct Case {
    int32_t delta;
    uint32_t mods;
    uint32_t mode;
    int32_t x, y;  // offset after the event, starting from (-500, -500)
  };
  const Case cases[] = {
      {-120, 0, 1, -500, -501},  // one notch down: one pixel
      {120, 0, 1, -500, -499},
      {-120, kModCtrl, 1, -500, -579},   // Ctrl: the view's width (79)
      {-120, kModShift, 1, -499, -500},  // Shift: sideways, subtracted from x
      {-120, 0, 0, -499, -500},          // mode 0 swaps the axes
      {-120, kModShift, 0, -500, -501},
      {-32767, 0, 1, -500, -773},              // trunc(-32767 / 120)
      {-32767, kModCtrl, 1, -500, 79 - 1000},  // clamped at the end
      {32767, kModCtrl, 1, -500, 0},
      {-1000000, 0, 1, -500, -773},  // beyond 16 bits: held at -32768 (trunc -273.07)
      {60, 0, 1, -500, -500},        // half a notch of one pixel is nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.delta << " " << c.mods << " " << c.mode);
    TestScroll v({0, 0, 100, 100}, 1000, 1000);
    v.setWheelMode(c.mode);
    v.setScrollOffset(-500, -500);
    wheel(v, c.delta, c.mods);
    EXPECT_EQ(v.offsetX(), c.x);
    EXPECT_EQ(v.offsetY(), c.y);
  }
  TestScroll small({0, 0, 100, 100}, 10, 10);  // content smaller than the view: always 0
  wheel(small, -32767, kModCtrl);
  wheel(small, -32767, kModShift | kModCtrl);
  EXPECT_EQ(small.offsetX(), 0);
  EXPECT_EQ(small.offsetY(), 0);
}

// A press on the track below the thumb pages by 85% of the view height at once, then again every 5
// timer events until the thumb passes the press point.
TEST(ScrollView, TrackPagingRepeats) {
  TestScroll v({0, 0, 100, 100}, 50, 1000);
  const int32_t page = 79;  // trunc(0.85 * 94)
  EXPECT_TRUE(press(v, 94, 60));
  EXPECT_EQ(v.offsetY(), -page);
  std::vector<int32_t> offsets;
  UiaTimerEvent tick = {nullptr, 0};
  for (int i = 0; i < 60; ++i) {
    v.handleEvent(UIA_EVENT_TIMER, &tick);
    offsets.push_back(v.offsetY());
  }
  // Steps after the 5th, 10th, ... event until the thumb's bottom is below y 60.
  EXPECT_EQ(offsets[3], -page);
  EXPECT_EQ(offsets[4], -2 * page);
  EXPECT_EQ(offsets[8], -2 * page);
  EXPECT_EQ(offsets[9], -3 * page);
  const RegionRect t = v.verticalThumb();
  EXPECT_GE(t.y2, 60);
  EXPECT_LT(t.y1 - 1, 60);
  const int32_t settled = v.offsetY();
  EXPECT_EQ(offsets.back(), settled);
  // The thumb stopped within one page of the press point: one step less would leave it above.
  EXPECT_LT(settled, 0);
  release(v, 94, 60);
  for (int i = 0; i < 10; ++i) v.handleEvent(UIA_EVENT_TIMER, &tick);
  EXPECT_EQ(v.offsetY(), settled);

  // Above the thumb pages back towards the start.
  EXPECT_TRUE(press(v, 94, 6));
  EXPECT_EQ(v.offsetY(), std::min(0, settled + page));
  release(v, 94, 6);
}

TEST(ScrollView, ThumbDragClampsAndShiftSlows) {
  TestScroll v({0, 0, 100, 100}, 50, 1000);
  const RegionRect t = v.verticalThumb();
  EXPECT_TRUE(press(v, 94, t.y1 + 2));
  EXPECT_TRUE(move(v, 94, t.y1 + 2 + 10));  // 10 px * 1000 / 94 = 106.38
  EXPECT_EQ(v.offsetY(), -106);
  EXPECT_TRUE(move(v, 94, t.y1 + 2 + 10, kModShift));  // re-anchored: no jump
  EXPECT_EQ(v.offsetY(), -106);
  EXPECT_TRUE(move(v, 94, t.y1 + 2 + 20, kModShift));  // 10 px * 0.1 * 1000 / 94 = 10.6
  EXPECT_EQ(v.offsetY(), -116);
  EXPECT_TRUE(move(v, 94, t.y1 + 2 + 20));  // Shift let go: re-anchored again
  EXPECT_EQ(v.offsetY(), -116);
  EXPECT_TRUE(move(v, 94, 100000));  // far past the end: clamped
  EXPECT_EQ(v.offsetY(), 94 - 1000);
  EXPECT_TRUE(release(v, 94, 100000));
  EXPECT_FALSE(move(v, 10, 10));  // over the view, no drag: unhandled
}

}  // namespace nglscrollviewtest
