// Label: records, sizing by its background picture when attached, repaint requests and drawing.
#include <gtest/gtest.h>

#include "GPBinaryStream.h"
#include "NGLForm.h"
#include "NGLFormHost.h"
#include "NGLLabel.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"
#include "support/pngWrite.h"
#include "support/tempDir.h"

namespace {

// The bytes a text style writes.
std::vector<uint8_t> styleBytes(uint32_t kind, uint32_t picture, const char* text) {
  TextStyle style;
  style.setKind(kind);
  style.setPictureId(picture, nullptr, false);
  style.setText(text);
  style.setFontId(1001, nullptr, false);
  style.setHorizontalAlignment(kAlignCentre);
  style.setVerticalAlignment(kAlignCentre);
  VectorStream out(4096);
  EXPECT_TRUE(style.write(out));
  return out.written();
}

std::vector<uint8_t> labelRecord(uint32_t version, uint32_t kind, uint32_t picture, const char* text, bool withFrame,
                                 uint32_t frame) {
  Bytes b;
  b.record6(10, 20, 110, 40, 0, 0, 0).u32(version);
  const std::vector<uint8_t> style = styleBytes(kind, picture, text);
  b.data.insert(b.data.end(), style.begin(), style.end());
  if (withFrame) b.u32(frame);
  return b.data;
}

}  // namespace

TEST(Label, Defaults) {
  Label label;
  EXPECT_EQ(label.className(), "Label");
  EXPECT_EQ(label.layer(), 0u);
  EXPECT_EQ(label.textStyle().kind(), uint32_t(kBackgroundColour));
  EXPECT_EQ(label.textStyle().colour(), 0xFFB0B0B0u);
  EXPECT_FALSE(label.isTransparent());
  registerLabel();
  Widget* made = WidgetRegistry::create("Label");
  ASSERT_NE(made, nullptr);
  EXPECT_NE(dynamic_cast<Label*>(made), nullptr);
  delete made;
}

TEST(Label, RecordsOfEachVersion) {
  struct Case {
    uint32_t version;
    bool withFrame;
    bool reads;
    uint32_t frame;
  } const cases[] = {
      {1, false, true, 0},  // version 1 has no frame: frame 0
      {2, true, true, 1},
      {0, true, false, 0},
      {3, true, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Label label;
    VectorStream in(labelRecord(c.version, kBackgroundFrame, 1003, "Hi", c.withFrame, 1));
    EXPECT_EQ(label.read(in), c.reads);
    if (!c.reads) continue;
    EXPECT_EQ(label.frame(), c.frame);
    EXPECT_EQ(label.textStyle().text(), "Hi");
    EXPECT_EQ(label.textStyle().pictureId(), 1003u);
    // Written back as version 2 with its frame.
    VectorStream out(4096);
    ASSERT_TRUE(label.write(out));
    EXPECT_EQ(out.written(), labelRecord(2, kBackgroundFrame, 1003, "Hi", true, c.frame));
  }
  // A record cut short inside the frame fails.
  std::vector<uint8_t> cut = labelRecord(2, 1, 0, "x", true, 0);
  cut.resize(cut.size() - 2);
  Label label;
  VectorStream in(cut);
  EXPECT_FALSE(label.read(in));
}

TEST(Label, PictureBackgroundTakesOneFrameWhenAttached) {
  FormHostListener host;
  ASSERT_TRUE(host.attach(1000, 1000));
  {
    Form form;
    form.setProvider(&host);
    form.layout();
    struct Case {
      uint32_t kind;
      RegionRect expected;  // placed at {10, 20, 110, 40}
    } const cases[] = {
        {kBackgroundFrame, {10, 20, 34, 44}},    // push button picture: 24 x 24 frames
        {kBackgroundColour, {10, 20, 110, 40}},  // keeps its rectangle
        {kBackgroundNone, {10, 20, 110, 40}},
    };
    int32_t id = 1;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.kind);
      Label* label = new Label;
      VectorStream in(labelRecord(2, c.kind, 1003, "", true, 0));
      ASSERT_TRUE(label->read(in));
      label->setId(id++);
      form.addWidget(label);
      const RegionRect r = label->rect();
      EXPECT_EQ(r.x1, c.expected.x1);
      EXPECT_EQ(r.y1, c.expected.y1);
      EXPECT_EQ(r.x2, c.expected.x2);
      EXPECT_EQ(r.y2, c.expected.y2);
    }
    // Switching the second to a picture background sizes it too.
    Label* second = static_cast<Label*>(form.findWidget(2));
    second->setBackgroundKind(kBackgroundFrame);
    EXPECT_EQ(second->rect().x2, 34);
    EXPECT_EQ(second->rect().y2, 44);
  }
  host.detach();
}

TEST(Label, OnlyChangesAskForARepaint) {
  Label label;
  label.setText("same");
  label.clearDirty();
  label.setText("same");
  EXPECT_EQ(label.dirtyMask(), 0u);
  label.setBackgroundColour(0xFFB0B0B0);
  label.setBackgroundKind(kBackgroundColour);
  EXPECT_EQ(label.dirtyMask(), 0u);
  label.setText("other");
  EXPECT_NE(label.dirtyMask(), 0u);
  label.clearDirty();
  label.setBackgroundColour(0xFF102030);
  EXPECT_NE(label.dirtyMask(), 0u);
}

TEST(Label, DrawsItsStyleWithTheFrame) {
  FormHostListener host;
  ASSERT_TRUE(host.attach(1000, 1000));
  Picture target;
  target.setSize(120, 40, false);
  target.fillArea(0, 0, 120, 40, 0xFFFFFFFF);
  {
    Form form;
    form.setProvider(&host);
    form.layout();
    Label* colour = new Label;
    VectorStream record(labelRecord(2, kBackgroundColour, 0, "Label", true, 0));
    ASSERT_TRUE(colour->read(record));
    colour->setRect({0, 0, 80, 20});
    form.addWidget(colour);
    ASSERT_NE(colour->textStyle().font(), nullptr);
    Label* framed = new Label;
    VectorStream in(labelRecord(2, kBackgroundFrame, 1003, "", true, 1));
    ASSERT_TRUE(framed->read(in));
    framed->setRect({90, 10, 90, 10});
    form.addWidget(framed);
    colour->paint(target);
    framed->paint(target);
    // The colour background fills the label's rectangle and no further.
    EXPECT_EQ(target.pixel(79, 19), 0xFFB0B0B0u);
    EXPECT_EQ(target.pixel(80, 19), 0xFFFFFFFFu);
    // Its text is inked inside it.
    int ink = 0;
    for (uint32_t y = 0; y < 20; ++y)
      for (uint32_t x = 0; x < 80; ++x)
        if ((target.pixel(x, y) & 0xFF) < 0x50) ++ink;
    EXPECT_GT(ink, 20);
    // The framed label shows frame 1 of the push button: not the white page.
    EXPECT_NE(target.pixel(102, 22), 0xFFFFFFFFu);
    EXPECT_EQ(target.pixel(89, 22), 0xFFFFFFFFu);
    EXPECT_TRUE(pngWrite(testArtifactPath("ngl_labels.png"), target.pixels(), 120, 40));
  }
  host.detach();
}
