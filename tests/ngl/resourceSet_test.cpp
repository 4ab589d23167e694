// The generated resource set: every picture map, font map and "FNT" record embedded in this program
// reads through the library and writes back byte for byte; damaged copies read or fail cleanly.
#include "NGLBitmapFont.h"
#include "NGLFontMap.h"
#include "NGLPictureMap.h"
#include "UIAPicture.h"
#include "resourceTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The reader of one resource kind: reads the bytes into a fresh object and, when asked, writes it.
struct Kind {
  const char* type;
  bool (*read)(BinaryStream& in, std::vector<uint8_t>* written);
};

bool readPictureMap(BinaryStream& in, std::vector<uint8_t>* written) {
  PictureMap map;
  const bool ok = map.read(in);
  if (ok && written) {
    BytesWriter out;
    EXPECT_TRUE(map.write(out.stream()));
    *written = out.bytes();
  }
  return ok;
}

bool readFontMap(BinaryStream& in, std::vector<uint8_t>* written) {
  FontMap map(nullptr);
  const bool ok = map.read(in);
  if (ok && written) {
    BytesWriter out;
    EXPECT_TRUE(map.write(out.stream()));
    *written = out.bytes();
  }
  return ok;
}

bool readFont(BinaryStream& in, std::vector<uint8_t>* written) {
  BitmapFont font;
  const bool ok = font.read(in);
  if (ok && written) {
    // Exactly 40 bytes of room: a write that ends at the end of its buffer is a success too.
    BytesWriter out(BitmapFont::kRecordSize);
    EXPECT_TRUE(font.write(out.stream()));
    *written = out.bytes();
  }
  return ok;
}

const Kind kKinds[] = {{"PM", readPictureMap}, {"FM", readFontMap}, {"FNT", readFont}};

TEST(ResourceSet, TheAudioSetupSetIsEmbedded) {
  // Maps 1000 serve the Audio Setup dialog, maps 10000 the About box (the same set and its title
  // glyphs, 1014, in font 1004).
  EXPECT_EQ(embeddedIds("PM"), std::vector<uint32_t>({1000, 10000}));
  EXPECT_EQ(embeddedIds("FM"), std::vector<uint32_t>({1000, 10000}));
  EXPECT_EQ(embeddedIds("FNT"), std::vector<uint32_t>({1001, 1002, 1003, 1004}));
  const std::vector<uint32_t> frm = embeddedIds("FRM");
  EXPECT_NE(std::find(frm.begin(), frm.end(), 1007u), frm.end());
  EXPECT_NE(std::find(frm.begin(), frm.end(), 1002u), frm.end());
  EXPECT_EQ(embeddedIds("PICTURE").size(), 14u);
}

TEST(ResourceSet, EveryMapAndFontWritesBackByteForByte) {
  int checked = 0;
  for (const Kind& kind : kKinds) {
    for (uint32_t id : embeddedIds(kind.type)) {
      SCOPED_TRACE(std::string(kind.type) + " " + std::to_string(id));
      const std::vector<uint8_t> bytes = embeddedBytes(kind.type, id);
      BytesReader in(bytes);
      std::vector<uint8_t> written;
      ASSERT_TRUE(kind.read(in.stream(), &written));
      // Each record ends exactly at the end of its resource, and that still reads as success.
      EXPECT_EQ(in.state(), kStreamAtEnd);
      EXPECT_EQ(written, bytes);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 8);
}

TEST(ResourceSet, TheExampleRecordsHoldWhatTheyShould) {
  PictureMap pictures;
  BytesReader pm(embeddedBytes("PM", 1000));
  ASSERT_TRUE(pictures.read(pm.stream()));
  ASSERT_EQ(pictures.entryCount(), 13u);
  for (uint32_t id = 1001; id <= 1013; ++id) EXPECT_NE(pictures.findEntry(id), nullptr) << id;
  const PictureFormat& button = pictures.findEntry(1003)->format();
  EXPECT_TRUE(button.hasAlpha());
  EXPECT_EQ(button.mode(), 1u);
  EXPECT_EQ(button.frameCount(), 2u);
  EXPECT_EQ(button.flags(), 3u);
  EXPECT_EQ(button.topInset(), 4);
  EXPECT_EQ(button.bottomInset(), 4);
  EXPECT_EQ(button.leftInset(), 4);
  EXPECT_EQ(button.rightInset(), 4);
  const PictureFormat& strip = pictures.findEntry(1007)->format();
  EXPECT_EQ(strip.mode(), 2u);
  EXPECT_EQ(strip.frameCount(), 0u);
  EXPECT_EQ(strip.flags(), 0u);
  EXPECT_EQ(strip.topInset() | strip.bottomInset() | strip.leftInset() | strip.rightInset(), 0);

  FontMap fonts(nullptr);
  BytesReader fm(embeddedBytes("FM", 1000));
  ASSERT_TRUE(fonts.read(fm.stream()));
  EXPECT_EQ(fonts.entryCount(), 3u);
  EXPECT_NE(fonts.findEntry(1001), nullptr);
  EXPECT_NE(fonts.findEntry(1002), nullptr);

  BitmapFont font;
  BytesReader fnt(embeddedBytes("FNT", 1001));
  ASSERT_TRUE(font.read(fnt.stream()));
  EXPECT_EQ(font.kind(), 0u);
  EXPECT_EQ(font.glyphPictureId(), 1009u);
  EXPECT_EQ(font.highlightPictureId(), 0u);
  EXPECT_EQ(font.caretPictureId(), 0u);
  EXPECT_EQ(font.highlightColour(), 0xFFFFFFFFu);
  EXPECT_EQ(font.caretColour(), 0xFF000000u);
}

// Every embedded picture loads with the layout its index gives; both glyph strips carry a marker
// row of 256 glyphs, and the generated text reads at a desktop size.
TEST(ResourceSet, EveryPictureLoadsAndTheGlyphStripsAreCutByMarkers) {
  PictureMap pictures;
  ASSERT_TRUE(pictures.load(10000));  // the map that holds every picture
  for (uint32_t id : embeddedIds("PICTURE")) {
    SCOPED_TRACE(id);
    Picture* picture = pictures.get(id, false);
    ASSERT_NE(picture, nullptr);
    EXPECT_GT(picture->width(), 0u);
    EXPECT_EQ(picture->frameCount(), pictures.findEntry(id)->format().frameCount());
    EXPECT_EQ(picture->hasAlpha(), pictures.findEntry(id)->format().hasAlpha());
  }
  for (uint32_t id : {1009u, 1011u, 1013u}) {
    GlyphTable table(pictures.findEntry(id)->item());
    EXPECT_TRUE(table.hasMarkerRow()) << id;
    EXPECT_GE(table.height(), 13) << id;                  // 12-pixel DejaVu Sans: ascent and descent
    EXPECT_EQ(table.glyphWidth(uint8_t(0x81)), 1) << id;  // unused codes: one blank column
    EXPECT_GT(table.textWidth("W", uint32_t(-1)), table.textWidth("i", uint32_t(-1))) << id;
  }
  for (uint32_t id : embeddedIds("PICTURE")) pictures.release(id);
}

// Every prefix of a resource fails (nothing is complete before its last byte); every single-byte
// change reads or fails without a crash, and what reads writes out again.
TEST(ResourceSet, EveryPrefixFailsAndEveryByteChangeReadsOrFailsCleanly) {
  for (const Kind& kind : kKinds) {
    for (uint32_t id : embeddedIds(kind.type)) {
      SCOPED_TRACE(std::string(kind.type) + " " + std::to_string(id));
      const std::vector<uint8_t> bytes = embeddedBytes(kind.type, id);
      for (size_t n = 0; n < bytes.size(); ++n) {
        BytesReader in(std::vector<uint8_t>(bytes.begin(), bytes.begin() + n));
        EXPECT_FALSE(kind.read(in.stream(), nullptr)) << "prefix of " << n << " bytes";
      }
      for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t value : {uint8_t(bytes[at] ^ 0x01), uint8_t(bytes[at] ^ 0x80), uint8_t(0xFF), uint8_t(0)}) {
          std::vector<uint8_t> changed = bytes;
          changed[at] = value;
          BytesReader in(changed);
          std::vector<uint8_t> written;
          if (kind.read(in.stream(), &written)) {
            EXPECT_FALSE(written.empty()) << "byte " << at;
          }
        }
      }
    }
  }
}

// A count of 2^31 - 1 over a few bytes stops at the end of the data without allocating for the count;
// the entries read before the damage stay.
TEST(ResourceSet, HugeCountsStopAtTheEndOfTheData) {
  std::vector<uint8_t> pm;
  putU32(pm, 3);
  putU32(pm, 0x7FFFFFFF);
  std::vector<uint8_t> one = embeddedBytes("PM", 1000);
  pm.insert(pm.end(), one.begin() + 8, one.begin() + 8 + 37);  // the first record, then nothing
  PictureMap pictures;
  BytesReader in(pm);
  EXPECT_FALSE(pictures.read(in.stream()));
  EXPECT_EQ(pictures.entryCount(), 1u);
  EXPECT_NE(pictures.findEntry(1001), nullptr);

  std::vector<uint8_t> fm;
  putU32(fm, 3);
  putU32(fm, 0x7FFFFFFF);
  putU32(fm, 1001);  // an id without its record word
  FontMap fonts(nullptr);
  BytesReader fin(fm);
  EXPECT_FALSE(fonts.read(fin.stream()));
  EXPECT_EQ(fonts.entryCount(), 0u);  // the entry made for the broken record is not kept
}

TEST(ResourceSet, OlderAndNegativeIndexes) {
  struct Case {
    std::vector<uint32_t> words;
    bool result;
    size_t entries;
  };
  const Case cases[] = {
      {{2}, true, 0},                // version 2: nothing more is read, an empty map
      {{0, 99, 99}, true, 0},        // any version below 3 likewise
      {{3, 0}, true, 0},             // no records
      {{3, uint32_t(-5)}, true, 0},  // a negative count holds no records
      {{3}, false, 0},               // the count is missing
      {{}, false, 0},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes;
    for (uint32_t w : c.words) putU32(bytes, w);
    PictureMap pictures;
    BytesReader in(bytes);
    EXPECT_EQ(pictures.read(in.stream()), c.result) << c.words.size();
    EXPECT_EQ(pictures.entryCount(), c.entries);
    FontMap fonts(nullptr);
    BytesReader fin(bytes);
    EXPECT_EQ(fonts.read(fin.stream()), c.result) << c.words.size();
  }
}

}  // namespace
