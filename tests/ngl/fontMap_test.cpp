// The font map: fonts made from "FNT" records, sharing their glyph pictures through the picture map.
#include "NGLFontMap.h"
#include "NGLPictureMap.h"
#include "UIAPicture.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(FontMap, AFontHoldsItsGlyphPictureUntilItsLastUserGoes) {
  PictureMap pictures;
  ASSERT_TRUE(pictures.load(1000));
  FontMap fonts(&pictures);
  ASSERT_TRUE(fonts.load(1000));
  EXPECT_EQ(fonts.entryCount(), 3u);

  BitmapFont* font = fonts.get(1001, false);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(fonts.get(1001, false), font);
  EXPECT_EQ(pictures.findEntry(1009)->useCount(), 1u);  // one font, one user of its picture
  ASSERT_NE(font->glyphTable(), nullptr);
  EXPECT_TRUE(font->glyphTable()->hasMarkerRow());
  EXPECT_EQ(font->height(), int32_t(pictures.findEntry(1009)->item()->height()) - 1);
  EXPECT_GT(font->textWidth("Audio Setup", uint32_t(-1)), 40);

  EXPECT_FALSE(fonts.release(1001));
  EXPECT_TRUE(fonts.release(1001));
  EXPECT_EQ(fonts.findEntry(1001)->item(), nullptr);
  EXPECT_EQ(pictures.findEntry(1009)->useCount(), 0u);
  EXPECT_EQ(pictures.findEntry(1009)->item(), nullptr);
}

TEST(FontMap, AMissingFntGivesNullUnlessAllowMissingIsSet) {
  PictureMap pictures;
  ASSERT_TRUE(pictures.load(1000));
  FontMap fonts(&pictures);
  ASSERT_TRUE(fonts.load(1000));
  EXPECT_EQ(fonts.get(1009, false), nullptr);
  EXPECT_TRUE(fonts.release(1009));

  fonts.setAllowMissing(true);
  // No "FNT" 1009, but picture 1009 is a glyph strip: the font draws with it.
  BitmapFont* font = fonts.get(1009, false);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->glyphPictureId(), 1009u);
  EXPECT_GT(font->height(), 10);
  // A missing id with no picture either: a font that draws nothing and measures 0.
  BitmapFont* blank = fonts.get(4321, false);
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(blank->height(), 0);
  EXPECT_EQ(blank->textWidth("abc", uint32_t(-1)), 0);
  fonts.release(1009);
  fonts.release(4321);
  EXPECT_EQ(pictures.findEntry(4321)->useCount(), 0u);  // the failed picture look-up was released too
}

TEST(FontMap, WithoutAPictureMapNoFontIsMade) {
  FontMap fonts(nullptr);
  ASSERT_TRUE(fonts.load(1000));
  EXPECT_EQ(fonts.get(1001, false), nullptr);
  FontMap missing(nullptr);
  EXPECT_FALSE(missing.load(998));
}

TEST(FontMap, DeletingTheFontMapFirstReturnsEveryPicture) {
  PictureMap pictures;
  ASSERT_TRUE(pictures.load(1000));
  {
    auto fonts = std::make_unique<FontMap>(&pictures);
    ASSERT_TRUE(fonts->load(1000));
    ASSERT_NE(fonts->get(1001, false), nullptr);
    ASSERT_NE(fonts->get(1002, false), nullptr);
    EXPECT_EQ(pictures.findEntry(1011)->useCount(), 1u);
  }  // still in use, yet deleted with its map: the pictures go back
  EXPECT_EQ(pictures.findEntry(1009)->useCount(), 0u);
  EXPECT_EQ(pictures.findEntry(1011)->useCount(), 0u);
  EXPECT_EQ(pictures.findEntry(1009)->item(), nullptr);
}

}  // namespace
