// Form records: writing, reading back, older versions, alternative class names.
#include <gtest/gtest.h>

#include <memory>

#include "NGLForm.h"
#include "nglTestSupport.h"

namespace {

ProbeWidget* probe(const char* className, int32_t id, RegionRect r, uint32_t layer = 3) {
  ProbeWidget* w = static_cast<ProbeWidget*>(WidgetRegistry::create(className));
  w->setId(id);
  w->setRect(r);
  w->setLayer(layer);
  return w;
}

std::vector<uint8_t> writeForm(Form& form) {
  VectorStream out(64 * 1024);
  EXPECT_TRUE(form.write(out));
  return out.written();
}

// A form of three kinds of widget, one of them with a negative id.
void buildSample(Form& form) {
  form.setSize({320, 240});
  form.background().setKind(1);
  form.background().setColour(0xFF203040);
  form.addWidget(probe(kProbeClass, 7, {10, 20, 110, 40}, 2));
  ProbeWidget* alt = probe(kAltClass, 8, {10, 50, 110, 70}, 4);
  alt->setEntryClassName(kProbeClass);
  alt->setAlternativeClassName(kAltClass);
  alt->setAnchor(0x21);
  alt->setTransparent(false);
  form.addWidget(alt);
  form.addWidget(probe(kProbeClass, -3, {0, 0, 5, 5}));
  form.addWidget(probe(kProbeClass, 0, {200, 10, 260, 30}, 6));
}

}  // namespace

TEST(FormRecord, WritesTheLayoutExactly) {
  Form form;
  buildSample(form);
  // Widgets in layer order: 7 (layer 2), -3 (layer 3, not written), 8 (layer 4), 0 (layer 6).
  Bytes expected;
  expected.u32(4).fill(1, 0xFF203040, 0).u32(320).u32(240).u32(3);
  expected.u32(1).u32(7).str("Probe").str("").record6(10, 20, 110, 40, 1, 0, 2);
  expected.u32(1).u32(8).str("Probe").str("ProbeAlt").record6(10, 50, 110, 70, 0, 0x21, 4);
  expected.u32(1).u32(0).str("Probe").str("").record6(200, 10, 260, 30, 1, 0, 6);
  EXPECT_EQ(writeForm(form), expected.data);
}

TEST(FormRecord, SurvivesWriteReadWrite) {
  Form form;
  buildSample(form);
  const std::vector<uint8_t> first = writeForm(form);
  Form again;
  VectorStream in(first);
  // The last widget ends exactly at the end of the data: still a success.
  ASSERT_TRUE(again.read(in));
  ASSERT_EQ(again.widgets().size(), 3u);
  EXPECT_EQ(again.findWidget(-3), nullptr);
  Widget* alt = again.findWidget(8);
  ASSERT_NE(alt, nullptr);
  EXPECT_EQ(alt->className(), kAltClass);
  EXPECT_EQ(alt->alternativeClassName(), kAltClass);
  EXPECT_EQ(alt->anchor(), 0x21u);
  EXPECT_FALSE(alt->isTransparent());
  EXPECT_EQ(again.findWidget(0)->layer(), 6u);
  EXPECT_EQ(writeForm(again), first);
}

// Which class an entry creates, and that both names go back as they were read.
TEST(FormRecord, AlternativeClassNames) {
  struct Case {
    const char* className;
    const char* alternative;
    const char* created;  // null: the entry fails
  };
  const Case cases[] = {
      {"Probe", "ProbeAlt", "ProbeAlt"},    // registered alternative wins
      {"Probe", "NotRegistered", "Probe"},  // unknown alternative: the class name
      {"Missing", "ProbeAlt", "ProbeAlt"}, {"Probe", "", "Probe"}, {"Missing", "NotRegistered", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.className) + "/" + c.alternative);
    Bytes data;
    data.u32(4).fill(1, 0xFFFFFFFF, 0).u32(100).u32(50).u32(1);
    data.u32(1).u32(5).str(c.className).str(c.alternative).record6(1, 2, 30, 40, 1, 0, 3);
    Form form;
    VectorStream in(data.data);
    const bool ok = form.read(in);
    if (!c.created) {
      EXPECT_FALSE(ok);
      EXPECT_TRUE(form.widgets().empty());
      continue;
    }
    ASSERT_TRUE(ok);
    ASSERT_EQ(form.widgets().size(), 1u);
    EXPECT_EQ(form.widgets()[0]->className(), c.created);
    EXPECT_EQ(writeForm(form), data.data);
  }
  EXPECT_EQ(ProbeWidget::live, 0);
}

// Older widget records inside a version-4 form.
TEST(FormRecord, OlderWidgetRecords) {
  struct Case {
    uint32_t version;
    std::vector<uint32_t> words;  // after the class name: the words the version has
    bool ok;
    uint8_t transparent;
    uint32_t anchor;
  };
  const Case cases[] = {
      {0, {9}, true, 1, 0},
      {1, {9}, true, 1, 0},
      {2, {9, 9}, true, 1, 0},
      {3, {9, 0, 9}, true, 0, 0},  // transparent word 0: opaque
      {4, {9, 5}, true, 1, 0},     // any non-zero word: transparent
      {5, {9, 0, 0x12}, true, 0, 0x12},
      {7, {}, false, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    Bytes data;
    data.u32(4).fill(0, 0, 0).u32(100).u32(50).u32(1);
    data.u32(1).u32(3).str("Probe").str("").u32(c.version);
    if (c.version != 7) data.shortStr("old name");
    for (uint32_t w : c.words) data.u32(w);
    Form form;
    VectorStream in(data.data);
    EXPECT_EQ(form.read(in), c.ok);
    if (!c.ok) {
      EXPECT_TRUE(form.widgets().empty());
      continue;
    }
    ASSERT_EQ(form.widgets().size(), 1u);
    Widget* w = form.widgets()[0];
    EXPECT_EQ(w->isTransparent(), c.transparent != 0);
    EXPECT_EQ(w->anchor(), c.anchor);
    EXPECT_EQ(w->layer(), 3u);
  }
  EXPECT_EQ(ProbeWidget::live, 0);
}

// Form versions 1 to 3: picture id instead of a fill, no size before 3, entries with their own
// rectangle and the class named by the record (a path in records before version 4).
TEST(FormRecord, OlderFormVersions) {
  {
    Bytes data;
    data.u32(1).u32(1005).u32(0);
    Form form;
    VectorStream in(data.data);
    EXPECT_TRUE(form.read(in));
    EXPECT_EQ(form.background().kind(), 2u);
    EXPECT_EQ(form.background().pictureId(), 1005u);
    EXPECT_EQ(form.size().width, 300);  // no size field: the default stays
  }
  {
    Bytes data;
    data.u32(2).fill(1, 0xFF00FF00, 0).u32(1);
    data.u32(11).u32(5).u32(6).u32(55).u32(26);         // id and rectangle
    data.u32(1).shortStr("widgets\\probe.dll").u32(0);  // record version 1
    Form form;
    VectorStream in(data.data);
    ASSERT_TRUE(form.read(in));
    ASSERT_EQ(form.widgets().size(), 1u);
    Widget* w = form.widgets()[0];
    EXPECT_EQ(w->className(), kOldClass);
    EXPECT_EQ(w->id(), 11);
    EXPECT_EQ(w->rect().x1, 5);
    EXPECT_EQ(w->rect().y2, 26);
    form.layout();
    EXPECT_EQ(form.size().width, 300);  // a colour fill has no extent of its own
  }
  {
    Bytes data;
    data.u32(3).fill(1, 0xFF00FF00, 0).u32(77).u32(66).u32(1);
    data.u32(12).u32(1).u32(2).u32(3).u32(4);
    data.u32(2).shortStr("unknown.dll").u32(0).u32(0);
    Form form;
    VectorStream in(data.data);
    EXPECT_FALSE(form.read(in));  // no such class: reading stops
    EXPECT_EQ(form.size().width, 77);
    EXPECT_TRUE(form.widgets().empty());
  }
  EXPECT_EQ(ProbeWidget::live, 0);
}

TEST(FormRecord, FormVersionsOutsideOneToFourFail) {
  for (uint32_t version : {0u, 5u, 0xFFFFFFFFu}) {
    Bytes data;
    data.u32(version).fill(1, 0xFF000000, 0).u32(10).u32(10).u32(0);
    Form form;
    VectorStream in(data.data);
    EXPECT_FALSE(form.read(in)) << version;
  }
}
