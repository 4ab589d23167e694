// Text styles: background and text records, resolving through the maps, and drawing into a Picture
// (kept as PNG for a person to look at).
#include "NGLBitmapFont.h"
#include "NGLFontMap.h"
#include "NGLPictureMap.h"
#include "NGLTextStyle.h"
#include "resourceTestSupport.h"
#include "support/pngWrite.h"
#include "support/tempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> backgroundRecord(uint32_t kind, uint32_t colour, uint32_t picture) {
  std::vector<uint8_t> b;
  for (uint32_t w : {1u, kind, colour, 1u, picture}) putU32(b, w);
  return b;
}

std::vector<uint8_t> textRecord(uint32_t font, uint32_t h, uint32_t v, const std::string& text) {
  std::vector<uint8_t> b;
  for (uint32_t w : {1u, 1u, font, h, v, uint32_t(text.size())}) putU32(b, w);
  b.insert(b.end(), text.begin(), text.end());
  return b;
}

struct Maps {
  Maps() : fonts(&pictures) {
    EXPECT_TRUE(pictures.load(1000));
    EXPECT_TRUE(fonts.load(1000));
  }
  PictureMap pictures;
  FontMap fonts;
};

TEST(TextStyle, RecordsOfEachVersion) {
  const std::vector<uint8_t> bg = backgroundRecord(3, 0xFF112233, 1003);
  const std::vector<uint8_t> text = textRecord(1001, 1, 2, "Cancel");
  std::vector<uint8_t> v2;
  putU32(v2, 2);
  v2.insert(v2.end(), bg.begin(), bg.end());
  v2.insert(v2.end(), text.begin(), text.end());
  for (int32_t m : {3, 4, 5, 6}) putU32(v2, uint32_t(m));

  TextStyle style;
  BytesReader in(v2);
  ASSERT_TRUE(style.read(in.stream()));
  EXPECT_EQ(in.state(), kStreamAtEnd);  // the record ends with its data: still a success
  EXPECT_EQ(style.kind(), 3u);
  EXPECT_EQ(style.colour(), 0xFF112233u);
  EXPECT_EQ(style.pictureId(), 1003u);
  EXPECT_EQ(style.fontId(), 1001u);
  EXPECT_EQ(style.text(), "Cancel");
  EXPECT_TRUE(style.hasText());
  EXPECT_EQ(style.verticalAlignment(), 2u);
  EXPECT_EQ(style.leftMargin(), 3);
  EXPECT_EQ(style.bottomMargin(), 6);
  BytesWriter out;
  ASSERT_TRUE(style.write(out.stream()));
  EXPECT_EQ(out.bytes(), v2);

  // Version 1: background and text, the margins stay 1.
  std::vector<uint8_t> v1;
  putU32(v1, 1);
  v1.insert(v1.end(), bg.begin(), bg.end());
  v1.insert(v1.end(), text.begin(), text.end());
  TextStyle old;
  BytesReader oldIn(v1);
  ASSERT_TRUE(old.read(oldIn.stream()));
  EXPECT_EQ(old.text(), "Cancel");
  EXPECT_EQ(old.leftMargin(), 1);
  EXPECT_EQ(old.bottomMargin(), 1);

  // Version 3: nothing after the version word is read.
  std::vector<uint8_t> v3 = v2;
  v3[0] = 3;
  TextStyle other;
  BytesReader otherIn(v3);
  EXPECT_TRUE(other.read(otherIn.stream()));
  EXPECT_EQ(otherIn.position(), 4);
  EXPECT_EQ(other.kind(), 0u);
  EXPECT_FALSE(other.hasText());

  // Every prefix fails and leaves the text as it was; a length past the end allocates nothing.
  for (size_t n = 0; n < v2.size(); ++n) {
    TextStyle cut;
    BytesReader cutIn(std::vector<uint8_t>(v2.begin(), v2.begin() + n));
    EXPECT_FALSE(cut.read(cutIn.stream())) << n;
    if (n < v2.size() - 16) {
      EXPECT_FALSE(cut.hasText()) << n;  // the text record itself was cut
    }
  }
  std::vector<uint8_t> huge = textRecord(1001, 0, 0, "x");
  huge[20] = 0xFF, huge[21] = 0xFF, huge[22] = 0xFF, huge[23] = 0x7F;  // length 2^31 - 1
  Text t;
  BytesReader hugeIn(huge);
  EXPECT_FALSE(t.read(hugeIn.stream()));
  EXPECT_FALSE(t.hasText());
}

TEST(TextStyle, DefaultsAndSetters) {
  TextStyle style;
  EXPECT_TRUE(style.isTransparent());
  EXPECT_EQ(style.preferredHeight(), 10);  // 8 without a font, margins 1 and 1
  EXPECT_TRUE(style.setText("abc"));
  EXPECT_FALSE(style.setText("abc"));
  EXPECT_TRUE(style.setText(""));
  EXPECT_FALSE(style.hasText());
  EXPECT_TRUE(style.setColour(0x80FF0000));
  EXPECT_FALSE(style.setColour(0x80FF0000));
  EXPECT_TRUE(style.setKind(kBackgroundColour));
  EXPECT_TRUE(style.isTransparent());  // alpha below 255
  style.setColour(0xFFFF0000);
  EXPECT_FALSE(style.isTransparent());
  style.setKind(7);  // a kind no form uses: transparent, draws nothing
  EXPECT_TRUE(style.isTransparent());
  // A picture background without its picture lets what lies below show through (a form's own
  // background counts as opaque in that case; that rule lives with the form).
  style.setKind(kBackgroundFrame);
  EXPECT_TRUE(style.isTransparent());
  style.setKind(kBackgroundNinePart);
  EXPECT_TRUE(style.isTransparent());
  style.setKind(7);

  Picture target;
  target.setSize(8, 8, false);
  target.fillAreaUC(0, 0, 8, 8, 0xFF0000FF);
  const RegionRect all = {0, 0, 8, 8};
  style.draw(target, all, 0, all, nullptr, false);
  EXPECT_EQ(target.pixel(3, 3), 0xFF0000FFu);
  TextStyle none;  // kind 0: nothing
  none.draw(target, all, 0, all, "text", false);
  EXPECT_EQ(target.pixel(3, 3), 0xFF0000FFu);
  // Half-transparent red blends over the blue, only inside the clip.
  style.setKind(kBackgroundColour);
  style.setColour(0x80FF0000);
  const RegionRect clip = {0, 0, 4, 8};
  style.draw(target, all, 0, clip, nullptr, false);
  const uint32_t blended = target.pixel(1, 1);
  EXPECT_GT((blended >> 16) & 0xFF, 0x60u);
  EXPECT_GT(blended & 0xFF, 0x60u);
  EXPECT_EQ(target.pixel(5, 1), 0xFF0000FFu);
}

TEST(TextStyle, ResolvingCountsOneUserEachAndReleasesIt) {
  Maps maps;
  TextStyle style;
  ASSERT_TRUE(style.setPictureId(1003, nullptr, false) == false);  // no map: stored, nothing got
  EXPECT_TRUE(style.resolve(&maps.pictures, &maps.fonts, false));  // no font id: true
  EXPECT_TRUE(style.setFontId(1001, &maps.fonts, false));
  EXPECT_TRUE(style.resolve(&maps.pictures, &maps.fonts, false));  // twice: no second count
  EXPECT_EQ(maps.pictures.findEntry(1003)->useCount(), 1u);
  EXPECT_EQ(maps.fonts.findEntry(1001)->useCount(), 1u);
  EXPECT_EQ(style.preferredHeight(), style.font()->height() + 2);
  RegionRect size = {10, 20, 10, 20};
  style.setKind(kBackgroundFrame);
  style.preferredSize(size);
  EXPECT_EQ(size.x2 - size.x1, 24);
  EXPECT_EQ(size.y2 - size.y1, 24);  // one of the two frames
  style.setKind(kBackgroundNinePart);
  size = {10, 20, 10, 20};
  style.preferredSize(size);  // insets in use both ways: unchanged
  EXPECT_EQ(size.x2, 10);
  // Changing the picture id hands the old one back.
  EXPECT_TRUE(style.setPictureId(4444, &maps.pictures, false));  // missing: counted all the same
  EXPECT_EQ(maps.pictures.findEntry(1003)->useCount(), 0u);
  EXPECT_EQ(maps.pictures.findEntry(4444)->useCount(), 1u);
  style.release(&maps.pictures, &maps.fonts);
  EXPECT_EQ(maps.pictures.findEntry(4444)->useCount(), 0u);
  EXPECT_EQ(maps.fonts.findEntry(1001)->useCount(), 0u);
  EXPECT_EQ(maps.pictures.findEntry(1009)->useCount(), 0u);
}

// One row of styles as the forms use them, drawn into a picture that is kept as PNG.
TEST(TextStyle, DrawnStylesAreKeptAsPng) {
  Maps maps;
  Picture target;
  target.setSize(400, 120, false);
  Background panel;
  panel.setKind(kBackgroundNinePart);
  ASSERT_TRUE(panel.setPictureId(1010, &maps.pictures, false));
  const RegionRect all = {0, 0, 400, 120};
  panel.draw(target, all, 0, all);

  struct Item {
    RegionRect rect;
    uint32_t kind, picture, colour, frame, font, h, v;
    const char* text;
    bool highlighted;
  } const items[] = {
      {{6, 7, 84, 30}, 3, 1004, 0, 1, 1001, 1, 1, "SoundCard", false},
      {{84, 7, 162, 30}, 3, 1004, 0, 0, 1001, 1, 1, "Routing", false},
      {{162, 7, 240, 30}, 3, 1004, 0, 0, 1001, 1, 1, "MIDI", false},
      {{231, 40, 307, 63}, 3, 1003, 0, 0, 1001, 1, 1, "OK", false},
      {{311, 40, 387, 63}, 3, 1003, 0, 1, 1001, 1, 1, "Cancel", false},
      {{6, 40, 220, 63},
       3,
       1006,
       0,
       0,
       1001,
       0,
       1,
       "Left: 44100 Hz, \xB1"
       "0.5 dB, caf\xE9",
       false},
      {{6, 70, 150, 92}, 1, 0, 0xFFC6C6C6, 0, 1001, 2, 1, "Right 128", false},
      {{156, 70, 300, 92}, 1, 0, 0xFFC6C6C6, 0, 1002, 1, 2, "Bold, bottom", false},
      {{306, 70, 394, 92}, 1, 0, 0xFFC6C6C6, 0, 1001, 0, 0, "Selected", true},
      {{6, 96, 394, 116}, 0, 0, 0, 0, 1001, 1, 1, "The quick brown fox jumps over the lazy dog 0123456789", false},
  };
  for (const Item& item : items) {
    TextStyle style;
    style.setKind(item.kind);
    style.setColour(item.colour);
    style.setPictureId(item.picture, &maps.pictures, false);
    style.setFontId(item.font, &maps.fonts, false);
    style.setHorizontalAlignment(item.h);
    style.setVerticalAlignment(item.v);
    style.setText(item.text);
    style.setLeftMargin(4);
    style.setRightMargin(4);
    style.draw(target, item.rect, item.frame, item.rect, nullptr, item.highlighted);

    // The text lies inside its box, and centred text is centred to a pixel.
    const RegionRect& r = item.rect;
    int inkLeft = 1 << 30, inkRight = -1;
    for (int y = r.y1; y < r.y2; ++y)
      for (int x = r.x1; x < r.x2; ++x)
        if ((target.pixel(uint32_t(x), uint32_t(y)) & 0xFF) < 0x50) {
          inkLeft = std::min(inkLeft, x);
          inkRight = std::max(inkRight, x);
        }
    ASSERT_GE(inkRight, 0) << item.text;
    EXPECT_GE(inkLeft, r.x1 + 4) << item.text;
    EXPECT_LT(inkRight, r.x2 - 4) << item.text;
    if (item.h == 1 && item.kind != 0) {
      EXPECT_LE(std::abs((inkLeft + inkRight + 1) - (r.x1 + r.x2)), 3) << item.text;
    }
    style.release(&maps.pictures, &maps.fonts);
  }
  panel.releasePicture(&maps.pictures);
  EXPECT_TRUE(pngWrite(testArtifactPath("ngl_textStyles.png"), target.pixels(), 400, 120));
}

}  // namespace
