// The form host's resource set: one picture map and one font map made by attach, taken down by
// detach font map first, and outliving the forms that use them.
#include "NGLFontMap.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLPictureMap.h"
#include "NGLTextStyle.h"
#include "resourceTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_journal;

struct JournalPictureMap : PictureMap {
  ~JournalPictureMap() override { g_journal.push_back("picture map deleted"); }
  Picture* loadItem(PictureMapEntry* entry, uint32_t id, bool flag) override {
    g_journal.push_back("picture " + std::to_string(id) + " loaded");
    return PictureMap::loadItem(entry, id, flag);
  }
};

struct JournalFontMap : FontMap {
  explicit JournalFontMap(PictureMap* pictures) : FontMap(pictures) {}
  ~JournalFontMap() override { g_journal.push_back("font map deleted"); }
};

struct JournalHost : FormHostListener {
  PictureMap* createPictureMap() override {
    g_journal.push_back("picture map made");
    return new JournalPictureMap;
  }
  FontMap* createFontMap(PictureMap* pictures) override {
    g_journal.push_back("font map made");
    return new JournalFontMap(pictures);
  }
};

TEST(ResourceHost, AttachTwiceLoadsOnceAndDetachTakesTheFontMapDownFirst) {
  g_journal.clear();
  JournalHost host;
  ASSERT_TRUE(host.attach(1000, 1000));
  ASSERT_TRUE(host.attach(1000, 1000));
  EXPECT_EQ(g_journal, std::vector<std::string>({"picture map made", "font map made"}));

  // Two users of picture 1003 (two button styles) load its TGA once.
  TextStyle ok, cancel;
  ok.setKind(kBackgroundNinePart);
  cancel.setKind(kBackgroundNinePart);
  ASSERT_TRUE(ok.setPictureId(1003, host.pictureMap(), false));
  ASSERT_TRUE(cancel.setPictureId(1003, host.pictureMap(), false));
  ASSERT_TRUE(ok.setFontId(1001, host.fontMap(), false));
  EXPECT_EQ(ok.picture(), cancel.picture());
  ok.release(host.pictureMap(), host.fontMap());
  EXPECT_NE(host.pictureMap()->findEntry(1003)->item(), nullptr);
  cancel.release(host.pictureMap(), host.fontMap());
  EXPECT_EQ(host.pictureMap()->findEntry(1003)->item(), nullptr);

  // A font still in use when the host detaches gives its glyph picture back before the picture
  // map goes: the font map is taken down first.
  ASSERT_NE(host.fontMap()->get(1002, false), nullptr);
  g_journal.clear();
  host.detach();
  EXPECT_EQ(g_journal, std::vector<std::string>({"font map deleted", "picture map deleted"}));
  EXPECT_EQ(host.pictureMap(), nullptr);
  EXPECT_EQ(host.fontMap(), nullptr);
  EXPECT_FALSE(host.isAttached());
}

TEST(ResourceHost, AMissingIndexLeavesBothMapsDeleted) {
  struct Case {
    uint32_t pictureMapId, fontMapId;
    std::vector<std::string> journal;
  } const cases[] = {
      {1000, 999, {"picture map made", "font map made", "font map deleted", "picture map deleted"}},
      {999, 1000, {"picture map made", "picture map deleted"}},
  };
  for (const Case& c : cases) {
    g_journal.clear();
    JournalHost host;
    EXPECT_FALSE(host.attach(c.pictureMapId, c.fontMapId));
    EXPECT_EQ(g_journal, c.journal);
    EXPECT_EQ(host.pictureMap(), nullptr);
    EXPECT_EQ(host.fontMap(), nullptr);
    EXPECT_FALSE(host.isAttached());
    host.detach();  // nothing to take down
  }
}

TEST(ResourceHost, TheResourceSetOutlivesItsForms) {
  JournalHost host;
  ASSERT_TRUE(host.attach(1000, 1000));
  // A form over the panel picture: version 4, nine-part background 1010, 400 x 32, no widgets.
  std::vector<uint8_t> frm;
  for (uint32_t w : {4u, 1u, 3u, 0xFFB0B0B0u, 1u, 1010u, 400u, 32u, 0u}) putU32(frm, w);
  {
    Form form;
    form.setProvider(&host);
    BytesReader in(frm);
    ASSERT_TRUE(form.read(in.stream()));
    form.layout();
    ASSERT_NE(host.pictureMap()->findEntry(1010), nullptr);
    EXPECT_EQ(host.pictureMap()->findEntry(1010)->useCount(), 1u);
    EXPECT_NE(host.pictureMap()->findEntry(1010)->item(), nullptr);
  }  // the form goes first and hands its picture back to the maps that are still there
  EXPECT_EQ(host.pictureMap()->findEntry(1010)->useCount(), 0u);
  EXPECT_EQ(host.pictureMap()->findEntry(1010)->item(), nullptr);
  host.detach();
}

}  // namespace
