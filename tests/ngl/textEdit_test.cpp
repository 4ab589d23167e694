// TextEdit driven by framework events: editing keys, selection, the clipboard (the real one),
// commit and revert, multi-line wrapping and the record.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "NGLClipboard.h"
#include "NGLForm.h"
#include "NGLTextEdit.h"
#include "UIAKeys.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace ngltextedittest {

namespace {

struct Recorder : WidgetListener {
  bool onWidgetEvent(int32_t, int32_t code, void* data) override {
    codes.push_back(code);
    if (code == NGL_NOTIFY_TEXT_COMMIT) texts.push_back(static_cast<TextEditCommit*>(data)->text);
    return false;
  }
  std::vector<int32_t> codes;
  std::vector<std::string> texts;
};

bool key(TextEdit& t, uint32_t code, uint32_t mods = 0, uint32_t first = 1) {
  UiaKeyEvent e = {code | mods, code, first};
  return t.handleEvent(UIA_EVENT_KEY_DOWN, &e);
}

void type(TextEdit& t, const std::string& s) {
  for (char c : s) {
    UiaCharEvent e = {uint8_t(c)};
    t.handleEvent(UIA_EVENT_CHAR, &e);
  }
}

void setClipboard(const std::string& s) { ASSERT_TRUE(nglSetClipboardData(CF_TEXT, s.c_str(), s.size() + 1)); }

std::string clipboard() {
  std::string s;
  return nglPasteText(s) ? s : "<none>";
}

// A single-line field at (0, 0, 200, 20) holding text, in keyboard editing with the caret at `at`.
struct Field {
  explicit Field(const char* text, int32_t at = -1) {
    edit.setRect({0, 0, 200, 20});
    edit.setText(text);
    edit.addListener(&recorder);
    EXPECT_TRUE(edit.beginEditAt(5, 5));
    recorder.codes.clear();
    if (at >= 0) {
      key(edit, 22);  // Home clears the select-all
      for (int i = 0; i < at; ++i) key(edit, 132);
    }
  }
  TextEdit edit;
  Recorder recorder;
};

constexpr uint32_t kLeft = 131, kRight = 132, kBack = 5, kDel = 21, kHome = 22, kEnd = 23, kUp = 129, kDown = 130;

}  // namespace

TEST(TextEdit, EditingKeys) {
  struct Step {
    uint32_t key;  // 0: type `chars`
    uint32_t mods;
    const char* chars;
  };
  struct Case {
    const char* name;
    const char* start;
    int32_t caret;
    std::vector<Step> steps;
    const char* text;
    int32_t caretAfter, selFrom, selTo;  // selection -1, -1 for none
  };
  const Case cases[] = {
      {"type at the end", "abc", 3, {{0, 0, "de"}}, "abcde", 5, -1, -1},
      {"backspace", "abc", 2, {{kBack, 0, nullptr}}, "ac", 1, -1, -1},
      {"backspace at 0", "abc", 0, {{kBack, 0, nullptr}}, "abc", 0, -1, -1},
      {"delete", "abc", 1, {{kDel, 0, nullptr}}, "ac", 1, -1, -1},
      {"delete at end", "abc", 3, {{kDel, 0, nullptr}}, "abc", 3, -1, -1},
      {"shift right twice",
       "abcdef",
       1,
       {{kRight, kModShift, nullptr}, {kRight, kModShift, nullptr}},
       "abcdef",
       3,
       1,
       3},
      {"shift left then delete",
       "abcdef",
       4,
       {{kLeft, kModShift, nullptr}, {kLeft, kModShift, nullptr}, {kDel, 0, nullptr}},
       "abef",
       2,
       -1,
       -1},
      {"typing replaces the selection",
       "abcdef",
       1,
       {{kRight, kModShift, nullptr}, {0, 0, "XY"}},
       "aXYcdef",
       3,
       -1,
       -1},
      {"plain arrow clears the selection",
       "abc",
       1,
       {{kRight, kModShift, nullptr}, {kRight, 0, nullptr}},
       "abc",
       3,
       -1,
       -1},
      {"left at the start only clears", "abc", 0, {{kLeft, 0, nullptr}}, "abc", 0, -1, -1},
      {"end and home",
       "abc",
       1,
       {{kEnd, 0, nullptr}, {0, 0, "!"}, {kHome, 0, nullptr}, {0, 0, "?"}},
       "?abc!",
       1,
       -1,
       -1},
      {"control characters are not typed", "abc", 3, {{0, 0, "\x01\x1f"}}, "abc", 3, -1, -1},
      {"bytes above 127 are typed", "", 0, {{0, 0, "\xe9"}}, "\xe9", 1, -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Field f(c.start, c.caret);
    for (const Step& s : c.steps) {
      if (s.key)
        EXPECT_TRUE(key(f.edit, s.key, s.mods));
      else
        type(f.edit, s.chars);
    }
    EXPECT_EQ(f.edit.text(), c.text);
    EXPECT_EQ(f.edit.caret(), c.caretAfter);
    int32_t from = -1, to = -1;
    if (!f.edit.selection(from, to)) from = to = -1;
    EXPECT_EQ(from, c.selFrom);
    EXPECT_EQ(to, c.selTo);
    EXPECT_TRUE(f.recorder.codes.empty());
  }
}

TEST(TextEdit, IdleAndReadOnlyFieldsIgnoreKeys) {
  TextEdit idle;
  idle.setRect({0, 0, 100, 20});
  idle.setText("abc");
  EXPECT_FALSE(key(idle, kBack));
  type(idle, "x");
  EXPECT_EQ(idle.text(), "abc");

  Field f("abc", 3);
  f.edit.setReadOnly(true);  // commits, as Enter does
  EXPECT_EQ(f.recorder.codes, (std::vector<int32_t>{100001, 100005}));
  EXPECT_EQ(f.edit.editState(), 0u);
  EXPECT_FALSE(f.edit.beginEditAt(500, 5));  // outside
}

TEST(TextEdit, EscRevertsAndEnterCommits) {
  {
    Field f("start", 5);
    type(f.edit, "ed");
    key(f.edit, kBack);
    EXPECT_TRUE(key(f.edit, 1));
    EXPECT_EQ(f.edit.text(), "start");
    EXPECT_EQ(f.recorder.codes, std::vector<int32_t>{100005});
    EXPECT_EQ(f.edit.caret(), -1);
    EXPECT_EQ(f.edit.editState(), 0u);
  }
  {
    Field f("start", 5);
    type(f.edit, "ed");
    EXPECT_TRUE(key(f.edit, 13));
    EXPECT_EQ(f.recorder.codes, (std::vector<int32_t>{100001, 100005}));
    EXPECT_EQ(f.recorder.texts, std::vector<std::string>{"started"});
    EXPECT_EQ(f.edit.text(), "started");
    EXPECT_EQ(f.edit.caret(), -1);
    EXPECT_FALSE(key(f.edit, 13));  // idle now: not handled
  }
  for (uint32_t commitKey : {6u, 159u}) {
    Field f("", 0);
    EXPECT_TRUE(key(f.edit, commitKey, 0, 0));  // a repeat does not commit
    EXPECT_TRUE(f.recorder.codes.empty());
    EXPECT_TRUE(key(f.edit, commitKey));
    EXPECT_EQ(f.recorder.texts, std::vector<std::string>{""});
  }
}

TEST(TextEdit, Clipboard) {
  {
    Field f("hello world", 0);
    for (int i = 0; i < 5; ++i) key(f.edit, kRight, kModShift);
    EXPECT_TRUE(key(f.edit, 'C', kModCtrl));
    EXPECT_EQ(clipboard(), "hello");
    EXPECT_EQ(f.edit.text(), "hello world");
    EXPECT_TRUE(key(f.edit, 'X', kModCtrl));
    EXPECT_EQ(f.edit.text(), " world");
    EXPECT_EQ(f.edit.caret(), 0);
    key(f.edit, kEnd);
    EXPECT_TRUE(key(f.edit, 'V', kModCtrl));
    EXPECT_EQ(f.edit.text(), " worldhello");
    EXPECT_EQ(f.edit.caret(), 11);
  }
  {
    // A paste replaces the selection, leaves the caret after it; CR-LF arrives as LF.
    setClipboard("one\r\ntwo");
    Field f("abcdef", 1);
    key(f.edit, kRight, kModShift);
    key(f.edit, kRight, kModShift);
    EXPECT_TRUE(key(f.edit, 'V', kModCtrl));
    EXPECT_EQ(f.edit.text(), "aone\ntwodef");
    EXPECT_EQ(f.edit.caret(), 8);
  }
  {
    // A password field shows asterisks but keeps its clear text off the clipboard.
    setClipboard("before");
    Field f("secret", 0);
    f.edit.setPassword(true);
    key(f.edit, kEnd, kModShift);
    EXPECT_TRUE(key(f.edit, 'C', kModCtrl));
    EXPECT_TRUE(key(f.edit, 'X', kModCtrl));
    EXPECT_EQ(clipboard(), "before");
    EXPECT_EQ(f.edit.text(), "secret");
  }
  {
    // A clipboard without text pastes nothing; a 1 MB paste goes in whole.
    ASSERT_TRUE(nglOpenClipboard());
    EmptyClipboard();
    CloseClipboard();
    Field f("abc", 3);
    EXPECT_TRUE(key(f.edit, 'V', kModCtrl));
    EXPECT_EQ(f.edit.text(), "abc");
    const std::string big(1 << 20, 'q');
    setClipboard(big);
    EXPECT_TRUE(key(f.edit, 'V', kModCtrl));
    EXPECT_EQ(f.edit.text().size(), big.size() + 3);
    EXPECT_EQ(f.edit.caret(), int32_t(big.size() + 3));
  }
}

// Multi-line: 8-pixel characters without a font, widget 100 wide: view 94 (no bar) or 79 with the
// vertical bar, less the insets 1 + 1.
TEST(TextEdit, MultiLineWrapsAndMovesByLines) {
  TextEdit t;
  t.setRect({0, 0, 100, 200});
  t.setMultiLine(true);
  t.setText("aaaa bbbb cccc\nd");  // 92 px available: 11 characters a line
  std::vector<TextEdit::Line> ls = t.lines();
  ASSERT_EQ(ls.size(), 3u);
  EXPECT_EQ(ls[0].start, 0);
  EXPECT_EQ(ls[0].end, 10);  // broken after the last space
  EXPECT_EQ(ls[1].start, 10);
  EXPECT_EQ(ls[1].end, 14);  // the line feed ends the line and is consumed
  EXPECT_EQ(ls[2].start, 15);
  int32_t w = 0, h = 0;
  t.contentSize(w, h);
  EXPECT_EQ(h, 3 * 8);
  EXPECT_FALSE(t.verticalBarShown());

  EXPECT_TRUE(t.beginEditAt(5, 5));
  key(t, kHome, kModCtrl);
  key(t, kRight);
  key(t, kRight);  // caret 2, line 0
  EXPECT_TRUE(key(t, kDown));
  EXPECT_EQ(t.caret(), 12);
  EXPECT_TRUE(key(t, kDown));
  EXPECT_EQ(t.caret(), 16);  // "d" has one character: the end of the line
  EXPECT_TRUE(key(t, kUp));
  EXPECT_EQ(t.caret(), 11);  // x 8 on line 1
  // The wrap point: Right into it first shows the caret at the upper line's end.
  key(t, kHome, kModCtrl);
  for (int i = 0; i < 10; ++i) key(t, kRight);
  EXPECT_EQ(t.caret(), 10);
  EXPECT_TRUE(t.caretAtLineEnd());
  key(t, kRight);
  EXPECT_EQ(t.caret(), 10);
  EXPECT_FALSE(t.caretAtLineEnd());
  key(t, kRight);
  EXPECT_EQ(t.caret(), 11);
  // Enter in a multi-line field types a line feed instead of committing.
  UiaCharEvent cr = {13};
  EXPECT_TRUE(key(t, 13));
  t.handleEvent(UIA_EVENT_CHAR, &cr);
  EXPECT_EQ(t.text(), "aaaa bbbb c\nccc\nd");
  EXPECT_EQ(t.editState(), 1u);

  // A long text brings the vertical bar; a single-line field never has one.
  std::string longText;
  for (int i = 0; i < 100; ++i) longText += "word ";
  t.setText(longText.c_str());
  t.layoutScrollBars();
  EXPECT_TRUE(t.verticalBarShown());
  TextEdit single;
  single.setRect({0, 0, 50, 10});
  single.setText(longText.c_str());
  single.layoutScrollBars();
  EXPECT_FALSE(single.verticalBarShown());
  EXPECT_FALSE(single.horizontalBarShown());
  single.contentSize(w, h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
}

// A multi-line field in a form: the caret blinks every 11 ticks (its timer period 10), a press on
// the scroll track pages while it is held, and neither its release nor a lost capture stops the
// blink or changes its pace; blink ticks alone never scroll.
TEST(TextEdit, CaretBlinkSurvivesTrackPaging) {
  for (bool captureLost : {false, true}) {
    SCOPED_TRACE(captureLost);
    Form form;
    form.setSize({120, 80});
    form.layout();
    TextEdit* t = new TextEdit;
    t->setId(3);
    t->setRect({0, 0, 100, 60});
    t->setMultiLine(true);
    std::string longText;
    for (int i = 0; i < 100; ++i) longText += "word ";
    t->setText(longText.c_str());
    form.addWidget(t);
    ASSERT_TRUE(t->verticalBarShown());
    ASSERT_TRUE(t->beginEditAt(5, 5));
    auto toggles = [&](int ticks) {
      int n = 0;
      for (int i = 0; i < ticks; ++i) {
        const bool was = t->caretShown();
        UiaTimerEvent e = {nullptr, 40};
        form.handleEvent(UIA_EVENT_TIMER, &e);
        n += t->caretShown() != was;
      }
      return n;
    };
    EXPECT_EQ(toggles(44), 4);
    EXPECT_EQ(t->offsetY(), 0);

    // Below the thumb near the track's bottom: one page at once, more while held.
    const RegionRect track = t->verticalTrack();
    const int32_t x = (track.x1 + track.x2) / 2, y = track.y2 - 2;
    UiaMouseButtonEvent press = {x, y, 0, UIA_BUTTON_LEFT, UIA_ACTION_PRESS};
    form.handleEvent(UIA_EVENT_MOUSE_BUTTON, &press);
    EXPECT_TRUE(t->isRepeating());
    const int32_t page = -int32_t(0.85 * (t->view().y2 - t->view().y1));
    EXPECT_EQ(t->offsetY(), page);
    toggles(30);
    EXPECT_LT(t->offsetY(), page);
    if (captureLost) {
      form.handleEvent(NGL_NOTIFY_CAPTURE_LOST, nullptr);
    } else {
      UiaMouseButtonEvent release = {x, y, 0, UIA_BUTTON_LEFT, UIA_ACTION_RELEASE};
      form.handleEvent(UIA_EVENT_MOUSE_BUTTON, &release);
    }
    EXPECT_FALSE(t->isRepeating());
    EXPECT_EQ(form.captureWidget(), nullptr);
    const int32_t held = t->offsetY();
    EXPECT_EQ(toggles(110), 10);
    EXPECT_EQ(t->offsetY(), held);
    EXPECT_EQ(t->editState(), 1u);
  }
}

TEST(TextEdit, TinyWidgetsAndEmptyText) {
  for (int32_t side : {0, 1}) {
    SCOPED_TRACE(side);
    TextEdit t;
    t.setRect({0, 0, side, side});
    t.setMultiLine(true);
    t.setText("abc def");
    EXPECT_EQ(t.lines().size(), 7u);  // nothing fits: one character a line
    EXPECT_EQ(t.beginEditAt(0, 0), side == 1);
    key(t, kDown);
    key(t, kEnd, kModCtrl);
    type(t, "\r");
    Picture picture;
    ASSERT_TRUE(picture.setSize(4, 4, true));
    t.paint(picture);
  }
  TextEdit empty;
  empty.setRect({0, 0, 100, 20});
  empty.setMultiLine(true);
  ASSERT_EQ(empty.lines().size(), 1u);
  empty.setText("a\n");
  EXPECT_EQ(empty.lines().size(), 2u);  // the line after a final line feed
}

TEST(TextEdit, Record) {
  const std::vector<uint8_t> base = Bytes().record6(1, 2, 101, 22, 1, 0, 3).data;
  struct Case {
    const char* name;
    std::vector<uint8_t> part;
    bool ok;
    const char* text;
    uint32_t hAlign;
  };
  const Case cases[] = {
      {"version 1", Bytes().u32(1).u32(0).str("one").u8(1).u8(0).data, true, "one", 1},
      {"version 2", Bytes().u32(2).u32(0).u32(7).u32(0xFF00FF).u32(9).str("two").u8(0).u8(1).data, true, "two", 0},
      {"version 3", Bytes().u32(3).u32(99).u32(0).str("three").u8(0).u8(0).data, true, "three", 0},
      {"version 0", Bytes().u32(0).u32(0).str("x").u8(0).u8(0).data, false, "", 0},
      {"version 6", Bytes().u32(6).u32(0).str("x").u8(0).u8(0).data, false, "", 0},
      {"string past the end", Bytes().u32(1).u32(0).u32(1000).u8('a').data, false, "", 0},
      {"cut short", Bytes().u32(1).u32(0).str("one").data, false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = base;
    bytes.insert(bytes.end(), c.part.begin(), c.part.end());
    VectorStream in(bytes);
    TextEdit t;
    EXPECT_EQ(t.read(in), c.ok);
    if (c.ok) {
      EXPECT_EQ(t.text(), c.text);
      EXPECT_EQ(t.style().horizontalAlignment(), c.hAlign);
    }
  }
  // Version 5 written and read back with its flags.
  TextEdit t;
  t.setRect({1, 2, 101, 22});
  t.setText("round");
  t.setMultiLine(true);
  t.setPassword(true);
  t.setTrimWrappedSpaces(true);
  VectorStream out(4096);
  ASSERT_TRUE(t.write(out));
  const std::vector<uint8_t> written = out.written();
  VectorStream in(written);
  TextEdit back;
  ASSERT_TRUE(back.read(in));  // ends exactly at the end of the data
  EXPECT_EQ(back.text(), "round");
  EXPECT_TRUE(back.multiLine());
  EXPECT_TRUE(back.password());
  EXPECT_TRUE(back.trimWrappedSpaces());
  EXPECT_FALSE(back.readOnly());
}

}  // namespace ngltextedittest
