// Glyph tables and bitmap fonts: cutting a glyph picture by markers or equal widths, measuring,
// hit-testing and drawing text, highlighted text and the caret.
#include "NGLBitmapFont.h"
#include "NGLPictureMap.h"
#include "UIAPicture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// A glyph picture of the given glyph widths: glyph i is filled with colour 0xFF000000 | (i + 1) so a
// drawn pixel tells which glyph it came from. With markers, row 0 marks each glyph's start.
std::unique_ptr<Picture> glyphPicture(const std::vector<int>& widths, int height, bool markers) {
  int total = 0;
  for (int w : widths) total += w;
  auto picture = std::make_unique<Picture>();
  picture->setSize(uint32_t(total), uint32_t(height), false);
  uint32_t* px = picture->pixels();
  std::fill(px, px + size_t(total) * size_t(height), 0u);
  int x = 0;
  for (size_t i = 0; i < widths.size(); ++i) {
    for (int y = markers ? 1 : 0; y < height; ++y)
      for (int c = x; c < x + widths[i]; ++c) px[size_t(y) * size_t(total) + size_t(c)] = 0xFF000000u | uint32_t(i + 1);
    if (markers) px[size_t(x)] = 0xFFFFFFFF;
    x += widths[i];
  }
  // Without markers, one clear pixel in the top row keeps it from counting 256 marks.
  if (!markers && total > 0) px[0] = 0;
  return picture;
}

std::vector<int> widthsOf(int (*width)(int)) {
  std::vector<int> out;
  for (int i = 0; i < 256; ++i) out.push_back(width(i));
  return out;
}

TEST(GlyphTable, CuttingTheGlyphPicture) {
  struct Case {
    const char* name;
    std::vector<int> widths;  // as drawn into the picture
    int height;
    bool markers;
    bool expectMarkers;
    int expectHeight;
    int glyphA;  // the expected width of 'a'
  };
  const Case cases[] = {
      {"256 x 10, no markers", std::vector<int>(256, 1), 10, false, false, 10, 1},
      {"512 wide, no markers", std::vector<int>(256, 2), 10, false, false, 10, 2},
      {"markers, widths 1..3", widthsOf([](int i) { return 1 + i % 3; }), 12, true, true, 11, 1 + 'a' % 3},
      {"narrower than 256", std::vector<int>(100, 1), 8, false, false, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto picture = glyphPicture(c.widths, c.height, c.markers);
    GlyphTable table(picture.get());
    EXPECT_EQ(table.hasMarkerRow(), c.expectMarkers);
    EXPECT_EQ(table.height(), c.expectHeight);
    EXPECT_EQ(table.glyphWidth('a'), c.glyphA);
    if (c.expectMarkers) {
      int x = 0;
      for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(table.glyphX(uint8_t(i)), x);
        x += c.widths[size_t(i)];
      }
    }
  }
  // 255 marks are no marker row: equal widths, all rows.
  std::vector<int> widths(255, 2);
  auto picture = glyphPicture(widths, 9, true);
  GlyphTable table(picture.get());
  EXPECT_FALSE(table.hasMarkerRow());
  EXPECT_EQ(table.height(), 9);
  EXPECT_EQ(table.glyphWidth(0), 1);  // 510 / 256
  GlyphTable none(nullptr);
  EXPECT_EQ(none.height(), 0);
  EXPECT_EQ(none.textWidth("abc", uint32_t(-1)), 0);
}

TEST(GlyphTable, MeasuringAndHitTesting) {
  // Every glyph 4 wide except 'b' (6) and 'c' (2).
  std::vector<int> widths(256, 4);
  widths['b'] = 6;
  widths['c'] = 2;
  auto picture = glyphPicture(widths, 7, true);
  GlyphTable table(picture.get());
  struct Width {
    const char* text;
    uint32_t maxChars;
    int32_t expected;
  } const widthCases[] = {
      {"abc", 2, 10}, {"abc", uint32_t(-1), 12}, {"abc", 0, 0}, {"", uint32_t(-1), 0}, {"abc", 99, 12},
  };
  for (const Width& w : widthCases) EXPECT_EQ(table.textWidth(w.text, w.maxChars), w.expected) << w.text << w.maxChars;
  struct Hit {
    int32_t x;
    int32_t expected;
  } const hits[] = {
      {-5, 0}, {0, 0},  {1, 0},  {2, 0},  // 'a' spans 0..4: half-way (2) stays left
      {3, 1},  {4, 1},  {7, 1},           // 'b' spans 4..10: half-way is 7
      {8, 2},  {11, 2}, {12, 3}, {500, 3},
  };
  for (const Hit& h : hits) EXPECT_EQ(table.charIndexAt("abc", h.x), h.expected) << "x " << h.x;
}

TEST(GlyphTable, DrawingClipsToTheBoxAndANegativeOffsetShowsTheRightParts) {
  std::vector<int> widths(256, 4);
  auto picture = glyphPicture(widths, 5, true);
  GlyphTable table(picture.get());
  Picture target;
  target.setSize(20, 6, false);
  const auto run = [&](int32_t offsetX, int32_t width, bool repeat) {
    target.fillAreaUC(0, 0, 20, 6, 0xFF808080);
    table.draw(target, 2, 1, offsetX, 0, width, 4, "AB", repeat);
    std::vector<uint32_t> row;
    for (uint32_t x = 0; x < 20; ++x) row.push_back(target.pixel(x, 1) & 0xFF);
    return row;
  };
  const uint32_t A = 'A' + 1, B = 'B' + 1, g = 0x80;
  // Plain: A at 2..5, B at 6..9.
  EXPECT_EQ(run(0, 16, false), std::vector<uint32_t>({g, g, A, A, A, A, B, B, B, B, g, g, g, g, g, g, g, g, g, g}));
  // Offset -2: the right half of A at the box's left edge, then B.
  EXPECT_EQ(run(-2, 16, false), std::vector<uint32_t>({g, g, A, A, B, B, B, B, g, g, g, g, g, g, g, g, g, g, g, g}));
  // Offset -5: A is gone, the right three columns of B.
  EXPECT_EQ(run(-5, 16, false), std::vector<uint32_t>({g, g, B, B, B, g, g, g, g, g, g, g, g, g, g, g, g, g, g, g}));
  // A box of 5: B is cut after one column.
  EXPECT_EQ(run(0, 5, false), std::vector<uint32_t>({g, g, A, A, A, A, B, g, g, g, g, g, g, g, g, g, g, g, g, g}));
  // Repeat fills the box: A B A B until 14.
  EXPECT_EQ(run(0, 14, true), std::vector<uint32_t>({g, g, A, A, A, A, B, B, B, B, A, A, A, A, B, B, g, g, g, g}));
  // Row 1 of the target is glyph row 1 (below the marker row), the rows below the box stay.
  EXPECT_EQ(target.pixel(3, 0), 0xFF808080u);
  EXPECT_EQ(target.pixel(3, 5), 0xFF808080u);
}

TEST(GlyphTable, ARepeatedTextOfZeroWidthGlyphsEnds) {
  auto picture = glyphPicture(std::vector<int>(100, 1), 6, false);  // 100 / 256 = 0 wide
  GlyphTable table(picture.get());
  Picture target;
  target.setSize(30, 6, false);
  target.fillAreaUC(0, 0, 30, 6, 0xFF123456);
  table.draw(target, 0, 0, 0, 0, 30, 6, "abc", true);  // must return
  table.draw(target, 0, 0, -3, 0, 30, 6, "abc", true);
  for (uint32_t x = 0; x < 30; ++x) EXPECT_EQ(target.pixel(x, 2), 0xFF123456u);
}

TEST(BitmapFont, HighlightedTextWithoutAHighlightPictureFillsThenDraws) {
  PictureMap pictures;
  ASSERT_TRUE(pictures.load(1000));
  BitmapFont font;
  font.setGlyphPictureId(1009);
  font.setHighlightColour(0xFFFFFFFF);
  ASSERT_TRUE(font.build(&pictures));
  ASSERT_EQ(font.highlightTable(), nullptr);
  Picture target;
  target.setSize(60, 20, false);
  target.fillAreaUC(0, 0, 60, 20, 0xFF0000C0);
  const int32_t w = font.textWidth("Hi", uint32_t(-1));
  font.drawHighlighted(target, 5, 2, 0, 0, w, font.height(), "Hi", false);
  int white = 0, dark = 0;
  for (int y = 2; y < 2 + font.height(); ++y)
    for (int x = 5; x < 5 + w; ++x) {
      const uint32_t p = target.pixel(uint32_t(x), uint32_t(y)) & 0xFFFFFF;
      if (p == 0xFFFFFF) ++white;
      if ((p & 0xFF) < 0x60) ++dark;  // the glyph ink is dark
    }
  EXPECT_GT(white, w * font.height() / 2);
  EXPECT_GT(dark, 10);
  EXPECT_EQ(target.pixel(4, 5), 0xFF0000C0u);      // left of the box: untouched
  EXPECT_EQ(target.pixel(5 + w, 5), 0xFF0000C0u);  // right of it too

  // The caret without a caret picture: a line of the font's height in the caret colour.
  font.setCaretColour(0xFFFF0000);
  font.drawCaret(target, 50, 1);
  EXPECT_EQ(target.pixel(50, 1), 0xFFFF0000u);
  EXPECT_EQ(target.pixel(50, uint32_t(font.height())), 0xFFFF0000u);
  EXPECT_EQ(target.pixel(50, uint32_t(font.height() + 1)), 0xFF0000C0u);
  font.clear();
  EXPECT_EQ(pictures.findEntry(1009)->useCount(), 0u);
}

TEST(BitmapFont, AMissingGlyphPictureMakesAFontThatDrawsNothing) {
  PictureMap pictures;
  ASSERT_TRUE(pictures.load(1000));
  BitmapFont font;
  font.setGlyphPictureId(4000);
  EXPECT_FALSE(font.build(&pictures));
  EXPECT_EQ(font.height(), 0);
  EXPECT_EQ(font.textWidth("abc", uint32_t(-1)), 0);
  EXPECT_EQ(font.charIndexAt("abc", 10), 0);
  EXPECT_EQ(pictures.findEntry(4000)->useCount(), 0u);  // released again
  // Naming a picture that exists rebuilds the font.
  font.setGlyphPictureId(1011);
  EXPECT_GT(font.height(), 0);
  EXPECT_EQ(pictures.findEntry(1011)->useCount(), 1u);
  font.setKind(1);  // a kind that does not draw: the pictures go back
  EXPECT_EQ(font.height(), 0);
  EXPECT_EQ(pictures.findEntry(1011)->useCount(), 0u);
}

}  // namespace
