// The generated forms of the Audio Setup dialog: the tab bar (1007) and the button bar (1002) hold
// the switches of the dialog's tables, and each record reads through the library's widget base and
// text style readers and writes back byte for byte.
#include "NGLTextStyle.h"
#include "NGLWidget.h"
#include "resourceTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct RecordWidget : Widget {};

// The class part of a switch record (version 10) as the form stores it.
struct SwitchPart {
  uint32_t version = 0;
  TextStyle style;
  uint32_t state = 0;
  uint8_t toggle = 0, hoverFrames = 0, pressedFrames = 0, disabledFrame = 0, leftOnly = 0;
  uint32_t action = 0, repeatPeriod = 0, repeatDelay = 0;
  uint8_t doubleClick = 0;
  std::string link;

  bool read(BinaryStream& in) {
    version = in.readU32();
    if (version != 10 || !style.read(in)) return false;
    state = in.readU32();
    toggle = in.readU8(), hoverFrames = in.readU8(), pressedFrames = in.readU8();
    disabledFrame = in.readU8(), leftOnly = in.readU8();
    action = in.readU32(), repeatPeriod = in.readU32(), repeatDelay = in.readU32();
    doubleClick = in.readU8();
    link = in.readString();
    const int s = in.stream()->state();
    return s == kStreamOpen || s == kStreamAtEnd;
  }
  void write(BinaryStream& out) {
    out.writeU32(version);
    style.write(out);
    out.writeU32(state);
    for (uint8_t b : {toggle, hoverFrames, pressedFrames, disabledFrame, leftOnly}) out.writeU8(b);
    for (uint32_t w : {action, repeatPeriod, repeatDelay}) out.writeU32(w);
    out.writeU8(doubleClick);
    out.writeString(link);
  }
};

struct Entry {
  int32_t id;
  const char* text;
  RegionRect rect;
};

struct FormTable {
  uint32_t id;
  int32_t width, height;
  std::vector<Entry> widgets;
};

const FormTable kForms[] = {
    {1007,
     400,
     32,
     {{100, "SoundCard", {6, 7, 84, 30}}, {103, "Routing", {84, 7, 162, 30}}, {104, "MIDI", {162, 7, 240, 30}}}},
    {1002, 400, 40, {{1, "OK", {231, 7, 307, 30}}, {2, "Cancel", {311, 7, 387, 30}}}},
};

TEST(ResourceForms, TheTabAndButtonBarsAreAsTabledAndWriteBackByteForByte) {
  for (const FormTable& table : kForms) {
    SCOPED_TRACE("FRM " + std::to_string(table.id));
    const std::vector<uint8_t> bytes = embeddedBytes("FRM", table.id);
    ASSERT_FALSE(bytes.empty());
    BytesReader in(bytes);
    BytesWriter out;
    BinaryStream& r = in.stream();
    BinaryStream& w = out.stream();

    EXPECT_EQ(r.readU32(), 4u);
    Background background;
    ASSERT_TRUE(background.read(r));
    EXPECT_EQ(background.kind(), 3u);
    EXPECT_EQ(background.colour(), 0xFFB0B0B0u);
    EXPECT_EQ(background.pictureId(), 1010u);
    const int32_t width = r.readInt32(), height = r.readInt32();
    EXPECT_EQ(width, table.width);
    EXPECT_EQ(height, table.height);
    const int32_t count = r.readInt32();
    ASSERT_EQ(count, int32_t(table.widgets.size()));
    w.writeU32(4);
    background.write(w);
    w.writeU32(uint32_t(width));
    w.writeU32(uint32_t(height));
    w.writeU32(uint32_t(count));

    for (const Entry& expected : table.widgets) {
      SCOPED_TRACE(expected.text);
      EXPECT_EQ(r.readU32(), 1u);
      EXPECT_EQ(int32_t(r.readU32()), expected.id);
      EXPECT_EQ(r.readString(), "Switch");
      EXPECT_EQ(r.readString(), "");
      RecordWidget base;
      ASSERT_TRUE(base.read(r));
      EXPECT_EQ(base.rect().x1, expected.rect.x1);
      EXPECT_EQ(base.rect().y1, expected.rect.y1);
      EXPECT_EQ(base.rect().x2, expected.rect.x2);
      EXPECT_EQ(base.rect().y2, expected.rect.y2);
      SwitchPart part;
      ASSERT_TRUE(part.read(r));
      EXPECT_EQ(part.style.text(), expected.text);
      EXPECT_EQ(part.style.fontId(), 1001u);
      EXPECT_EQ(part.style.horizontalAlignment(), uint32_t(kAlignCentre));

      w.writeU32(1);
      w.writeU32(uint32_t(expected.id));
      w.writeString("Switch");
      w.writeString("");
      base.write(w);
      part.write(w);
    }
    EXPECT_EQ(in.state(), kStreamAtEnd);  // the last widget ends the data exactly
    EXPECT_EQ(out.bytes(), bytes);
  }
}

}  // namespace
