// The picture map: pictures shared by id, loaded once, deleted with their last user, laid out by the
// "PM" index or, when not listed, by default with the alpha flag taken from the pixels.
#include "NGLPictureMap.h"
#include "resourceTestSupport.h"

#include <gtest/gtest.h>

namespace {

// Counts how often a picture is really loaded from its resource.
class CountingPictureMap : public PictureMap {
 public:
  Picture* loadItem(PictureMapEntry* entry, uint32_t id, bool flag) override {
    ++loads;
    return PictureMap::loadItem(entry, id, flag);
  }
  int loads = 0;
};

TEST(PictureMap, TwoUsersShareOneLoadAndTheLastReleaseDeletesIt) {
  CountingPictureMap map;
  ASSERT_TRUE(map.load(1000));
  ASSERT_TRUE(map.isLoaded());
  Picture* first = map.get(1003, false);
  Picture* second = map.get(1003, false);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(map.loads, 1);
  // The index's layout is on the picture: two frames stacked, nine-part insets of 4.
  EXPECT_TRUE(first->hasAlpha());
  EXPECT_EQ(first->frameHeight() * 2, first->height());
  EXPECT_EQ(first->flags(), 3u);
  EXPECT_EQ(first->leftInset(), 4);

  EXPECT_FALSE(map.release(1003));
  EXPECT_NE(map.findEntry(1003)->item(), nullptr);
  EXPECT_TRUE(map.release(1003));
  EXPECT_EQ(map.findEntry(1003)->item(), nullptr);
  EXPECT_TRUE(map.release(1003));  // never below 0
  EXPECT_EQ(map.findEntry(1003)->useCount(), 0u);

  Picture* third = map.get(1003, false);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(map.loads, 2);
  EXPECT_EQ(third->frameCount(), 2u);
  EXPECT_TRUE(map.release(1003));
}

TEST(PictureMap, AMissingPictureStillCountsItsUser) {
  PictureMap map;
  ASSERT_TRUE(map.load(1000));
  EXPECT_EQ(map.get(4242, false), nullptr);
  ASSERT_NE(map.findEntry(4242), nullptr);
  EXPECT_EQ(map.findEntry(4242)->useCount(), 1u);
  EXPECT_EQ(map.get(4242, false), nullptr);
  EXPECT_FALSE(map.release(4242));
  EXPECT_TRUE(map.release(4242));
  EXPECT_TRUE(map.release(777));  // an id the map never saw
}

TEST(PictureMap, LoadZeroAndMissingIndexes) {
  PictureMap empty;
  EXPECT_TRUE(empty.load(0));
  EXPECT_TRUE(empty.isLoaded());
  EXPECT_EQ(empty.entryCount(), 0u);
  // Not listed: the default layout, and the alpha flag comes from the pixels.
  Picture* glyphs = empty.get(1009, false);
  ASSERT_NE(glyphs, nullptr);
  EXPECT_TRUE(glyphs->hasAlpha());
  EXPECT_EQ(glyphs->frameHeight(), glyphs->height());
  EXPECT_FALSE(empty.findEntry(1009)->detectAlpha());
  Picture* panel = empty.get(1010, false);  // opaque pixels: no alpha
  ASSERT_NE(panel, nullptr);
  EXPECT_FALSE(panel->hasAlpha());
  EXPECT_EQ(panel->flags(), 0u);

  PictureMap missing;
  EXPECT_FALSE(missing.load(999));
  EXPECT_FALSE(missing.isLoaded());
  EXPECT_FALSE(missing.loadMore("NOSUCHINDEX"));  // not loaded: nothing added
  // An entry made on a map whose index failed is still freed with the map (no leak, no crash).
  EXPECT_NE(missing.get(1003, false), nullptr);
}

TEST(PictureMap, AHorizontalStripOfThreeFramesAndWritingInIdOrder) {
  // Records out of order: 1010 as three frames side by side, then 1005.
  std::vector<uint8_t> pm;
  putU32(pm, 3);
  putU32(pm, 2);
  const uint32_t ids[2] = {1010, 1005};
  for (uint32_t id : ids) {
    putU32(pm, id);
    putU32(pm, 1);
    pm.push_back(0);
    putU32(pm, 2);  // mode: frames side by side
    putU32(pm, id == 1010 ? 3 : 1);
    putU32(pm, 0);
    for (int i = 0; i < 4; ++i) putU32(pm, 0);
  }
  PictureMap map;
  BytesReader in(pm);
  ASSERT_TRUE(map.read(in.stream()));
  Picture* strip = map.get(1010, false);
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->frameWidth(), strip->width() / 3);
  EXPECT_EQ(strip->frameHeight(), strip->height());

  BytesWriter out;
  ASSERT_TRUE(map.write(out.stream()));
  std::vector<uint8_t> expected(pm.begin(), pm.begin() + 8);
  expected.insert(expected.end(), pm.begin() + 8 + 37, pm.end());        // 1005 first
  expected.insert(expected.end(), pm.begin() + 8, pm.begin() + 8 + 37);  // then 1010
  EXPECT_EQ(out.bytes(), expected);

  // A changed layout in the entry shows on the loaded picture at once.
  map.findEntry(1010)->format().setFrameCount(4);
  EXPECT_EQ(strip->frameWidth(), strip->width() / 4);
  map.release(1010);
}

TEST(PictureMap, ReadingAddsToTheMapAndClearDeletesEverything) {
  PictureMap map;
  ASSERT_TRUE(map.load(1000));
  Picture* held = map.get(1003, false);
  ASSERT_NE(held, nullptr);
  // Reading the index again reads over the same entries: a held picture takes the layout again.
  BytesReader again(embeddedBytes("PM", 1000));
  EXPECT_TRUE(map.read(again.stream()));
  EXPECT_EQ(map.entryCount(), 13u);  // the pictures PM 1000 lists
  EXPECT_EQ(map.findEntry(1003)->item(), held);
  map.clear();
  EXPECT_FALSE(map.isLoaded());
  EXPECT_EQ(map.entryCount(), 0u);
}

}  // namespace
