// Scroll views, a tree, switches and text fields in one form dialog on a real window, driven with
// mouse messages posted to the window (the pointer is put on the same spot first, so whatever move
// the system adds of its own lands there too). The screen is captured as PNG and checked in pixels.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "NGLForm.h"
#include "NGLFormDialogHost.h"
#include "NGLFormHost.h"
#include "NGLScrollView.h"
#include "NGLSwitch.h"
#include "NGLTextEdit.h"
#include "NGLTreeView.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

namespace {

constexpr uint32_t kFormColour = 0xFFE8E4D8;

// Content of 60 x 600 pixels in bands of 20 with a colour each, scrolled by the bars alone; it
// records its offset after every timer event it gets.
class Sheet : public ScrollView {
 public:
  static constexpr int32_t kBand = 20;
  static uint32_t bandColour(int32_t band) {
    return 0xFF000000u | uint32_t((band * 37) & 0xFF) << 16 | uint32_t((band * 91 + 40) & 0xFF) << 8 | 0x60u;
  }
  void contentSize(int32_t& width, int32_t& height) override {
    width = 60;
    height = 600;
  }
  int32_t wheelStep() override { return 10; }
  bool handleEvent(int32_t code, void* data) override {
    const bool result = ScrollView::handleEvent(code, data);
    if (code == UIA_EVENT_TIMER) timerOffsets.push_back(offsetY());
    return result;
  }
  void paint(Picture& picture) override {
    picture.fillArea(rect_.x1, rect_.y1, rect_.x2 - rect_.x1, rect_.y2 - rect_.y1, 0xFFF4F4F4);
    ScrollView::paint(picture);
    for (int32_t band = 0; band * kBand < 600; ++band) {
      const int32_t top = std::max(view_.y1, view_.y1 + offsetY_ + band * kBand);
      const int32_t bottom = std::min(view_.y2, view_.y1 + offsetY_ + (band + 1) * kBand);
      if (bottom > top) picture.fillArea(view_.x1, top, view_.x2 - view_.x1, bottom - top, bandColour(band));
    }
  }
  std::vector<int32_t> timerOffsets;
};

struct TreeNotes : WidgetListener {
  bool onWidgetEvent(int32_t, int32_t code, void* data) override {
    const TreeNode* node = static_cast<TreeViewNote*>(data)->node;
    heard.push_back(std::to_string(code) + " " + (node ? node->name : "-"));
    return false;
  }
  std::vector<std::string> heard;
};

struct SwitchNotes : WidgetListener {
  bool onWidgetEvent(int32_t id, int32_t, void* data) override {
    heard.push_back(std::to_string(id) + ":" + std::to_string(static_cast<SwitchNotification*>(data)->state));
    return false;
  }
  std::vector<std::string> heard;
};

TreeNode* addNode(TreeNode& parent, const char* name) {
  TreeNode* node = new TreeNode;
  node->name = name;
  node->depth = parent.name == "<root>" ? 0 : parent.depth + 1;
  parent.children.push_back(node);
  return node;
}

// A tree view as a form record gives it: font 1001, rows 1 apart, indent 12.
TreeView* makeTree() {
  Bytes b = Bytes().record6(150, 10, 330, 130, 0, 0, 3);
  b.u32(4).u8(0).u32(1).u32(3).u32(12).u32(0).u32(0xFFD0D0E0).u32(0xFF516861).u32(0x80FFFFFF).u32(0x80800000);
  b.u8(0).u32(1).u32(1001).u8(0);  // the record is followed by more data
  VectorStream in(b.data);
  TreeView* tree = new TreeView;
  EXPECT_TRUE(tree->read(in));
  return tree;
}

// How many pixels of the rectangle are of the colour (0xRRGGBB).
int countColour(const CapturedWindow& shot, const RegionRect& r, uint32_t colour) {
  int n = 0;
  for (int y = r.y1; y < r.y2; ++y)
    for (int x = r.x1; x < r.x2; ++x) n += shot.at(x, y) == (colour & 0xFFFFFF);
  return n;
}

// How many pixels differ between rectangle a of one capture and the same-sized rectangle at b of
// another.
int differing(const CapturedWindow& one, const RegionRect& a, const CapturedWindow& other, int32_t bx, int32_t by) {
  int n = 0;
  for (int y = a.y1; y < a.y2; ++y)
    for (int x = a.x1; x < a.x2; ++x) n += one.at(x, y) != other.at(x - a.x1 + bx, y - a.y1 + by);
  return n;
}

// The steps run on a thread timer of this thread (it keeps beating inside the dialog's loop). A step
// answers true when it is done; false asks for it again on the next beat, at most 400 beats.
std::vector<std::function<bool()>> g_steps;
size_t g_step = 0;
int g_tries = 0;
std::string g_stuck;
std::function<void()> g_end;

void CALLBACK stepProc(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_step >= g_steps.size()) {
    KillTimer(nullptr, id);
    g_end();
    return;
  }
  if (g_steps[g_step]()) {
    ++g_step;
    g_tries = 0;
  } else if (++g_tries > 400) {
    g_stuck = "step " + std::to_string(g_step);
    KillTimer(nullptr, id);
    g_end();
  }
}

// One form dialog holding a sheet, a tree, two switches (the first left button only) and two text
// fields (a password field over a plain one), on the resource set 1000/1000.
class WidgetWindow : public ::testing::Test {
 protected:
  void build() {
    ASSERT_TRUE(resources.attach(1000, 1000));
    host.setOwnerData(&resources);
    FormWindow& window = *host.formWindow();
    window.setOwnsChildren(true);
    form = new Form;
    form->setProvider(&resources);
    form->setSize({340, 230});
    form->background().setKind(kBackgroundColour);
    form->background().setColour(kFormColour);
    window.appendChild(form, true);
    if (!form->isLaidOut()) form->layout();

    sheet = new Sheet;
    sheet->setId(1);
    sheet->setRect({10, 10, 130, 130});
    form->addWidget(sheet);

    tree = makeTree();
    tree->setId(2);
    TreeNode* oscillators = addNode(tree->root(), "Oscillators");
    addNode(*oscillators, "Sine");
    addNode(*oscillators, "Saw");
    addNode(tree->root(), "Filters");
    addNode(tree->root(), "Effects");
    tree->addListener(&treeNotes);
    form->addWidget(tree);

    for (int i = 0; i < 2; ++i) {
      Switch* s = new Switch;
      s->setId(3 + i);
      s->setRect({150 + 30 * i, 150, 170 + 30 * i, 170});
      s->setAction(kSwitchPressRelease);
      s->leftButtonOnly = i == 0 ? 1 : 0;
      form->addWidget(s);
      s->setBackgroundKind(kBackgroundFrame);
      s->setBackgroundPictureId(1001);  // the check box: two frames of 14 x 14
      s->addListener(&switchNotes);
      switches[i] = s;
    }

    const char* texts[2] = {"abcde", "*****"};
    for (int i = 0; i < 2; ++i) {
      TextEdit* edit = new TextEdit;
      edit->setId(5 + i);
      edit->setRect({10, 150 + 30 * i, 110, 170 + 30 * i});
      edit->style().setKind(kBackgroundColour);
      edit->style().setColour(0xFFFFFFFF);
      edit->style().setFontId(1001, nullptr, false);
      edit->setInsetLeft(3);
      edit->setInsetTop(4);
      edit->setText(texts[i]);
      edit->setPassword(i == 0);
      form->addWidget(edit);
      fields[i] = edit;
    }
  }

  void TearDown() override {
    host.formWindow()->clearChildren();
    resources.detach();
  }

  HWND inner() { return host.inner().nativeHandle(); }

  // The pointer to (x, y) of the window, then the message there.
  void post(UINT message, WPARAM wParam, int32_t x, int32_t y) {
    POINT p = {x, y};
    ClientToScreen(inner(), &p);
    SetCursorPos(p.x, p.y);
    PostMessageA(inner(), message, wParam, MAKELPARAM(short(x), short(y)));
  }
  void click(int32_t x, int32_t y, bool right = false) {
    post(right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, x, y);
    post(right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, x, y);
  }
  // A wheel notch of delta at (x, y), with Ctrl held in this thread's key state while it is handled.
  void wheel(int32_t delta, int32_t x, int32_t y, bool ctrl) {
    POINT p = {x, y};
    ClientToScreen(inner(), &p);
    SetCursorPos(p.x, p.y);
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE was = keys[VK_CONTROL];
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageA(inner(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(short(delta))), MAKELPARAM(short(p.x), short(p.y)));
    keys[VK_CONTROL] = was;
    SetKeyboardState(keys);
  }
  // Done once a repaint pass has run after the last mark: what was posted has been handled (the
  // timers beat only when no message waits) and the window shows it.
  void mark() { passes = host.formWindow()->passCount(); }
  bool painted() { return host.formWindow()->passCount() > passes; }
  bool shoot(const char* name, CapturedWindow& shot) {
    UpdateWindow(inner());
    return !windowCapturePng(inner(), name, &shot).empty();
  }

  // Opens the dialog with the steps; the framework beats every 10 ms meanwhile.
  void run(RecordingApplication& application, std::vector<std::function<bool()>> steps) {
    application.setTick(10);
    g_steps = std::move(steps);
    g_step = 0;
    g_tries = 0;
    g_stuck.clear();
    g_end = [this] {
      if (host.nativeHandle()) host.end();
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    WindowSpec spec;
    spec.options = UIA_DIALOG_SYSTEM_MENU;
    spec.setTitle("Widgets");
    host.run(spec, 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_stuck, "");
  }

  FormHostListener resources;
  FormDialogHost host{nullptr, nullptr, true};
  Form* form = nullptr;
  Sheet* sheet = nullptr;
  TreeView* tree = nullptr;
  Switch* switches[2] = {nullptr, nullptr};
  TextEdit* fields[2] = {nullptr, nullptr};
  TreeNotes treeNotes;
  SwitchNotes switchNotes;
  uint32_t passes = 0;
};

}  // namespace

// The sheet's view (99 x 114 of 600) and bar: a thumb dragged 40 pixels down scrolls by 40 / ratio;
// a press on the track below the thumb pages by 85% of the view at once and again every 5 timer
// events until the thumb passes the press point; the wheel moves one step (10) a notch, with Ctrl
// the view's width. The captures show the bands and the thumb where the offset puts them.
TEST_F(WidgetWindow, ScrollBarsFollowTheMouse) {
  runInApplication([&](RecordingApplication& application) {
    build();
    ASSERT_TRUE(sheet->verticalBarShown());
    ASSERT_FALSE(sheet->horizontalBarShown());
    const RegionRect view = sheet->view();
    ASSERT_EQ(view.y2 - view.y1, 114);
    const RegionRect track = sheet->verticalTrack();
    const int32_t barX = (track.x1 + track.x2) / 2;
    const int32_t page = int32_t(0.85 * 114);
    const int32_t dragged = int32_t(-40 / (114.0 / 600.0));
    int32_t afterDrag = 1, afterWheel = 1, afterCtrlWheel = 1, afterPaging = 1;
    std::vector<int32_t> paging;
    CapturedWindow draggedShot, pagedShot;
    auto waitPainted = [&] { return painted(); };
    run(application, {
                         [&] {
                           const RegionRect thumb = sheet->verticalThumb();
                           const int32_t y = (thumb.y1 + thumb.y2) / 2;
                           mark();
                           post(WM_LBUTTONDOWN, MK_LBUTTON, barX, y);
                           post(WM_MOUSEMOVE, MK_LBUTTON, barX, y + 20);
                           post(WM_MOUSEMOVE, MK_LBUTTON, barX, y + 40);
                           return true;
                         },
                         waitPainted,
                         [&] {
                           afterDrag = sheet->offsetY();
                           EXPECT_TRUE(shoot("ngl-sheet-dragged.png", draggedShot));
                           const RegionRect thumb = sheet->verticalThumb();
                           post(WM_LBUTTONUP, 0, barX, (thumb.y1 + thumb.y2) / 2);
                           // Back to the top, then page from there.
                           sheet->setScrollOffset(0, 0);
                           sheet->layoutScrollBars();
                           sheet->invalidate(0);
                           sheet->timerOffsets.clear();
                           post(WM_LBUTTONDOWN, MK_LBUTTON, barX, 70);
                           return true;
                         },
                         // The press is handled before any timer event (posted messages come first), so every
                         // event recorded from here on falls within it.
                         [&] { return sheet->timerOffsets.size() >= 16; },
                         [&] {
                           paging = sheet->timerOffsets;
                           EXPECT_TRUE(sheet->isRepeating());
                           afterPaging = sheet->offsetY();
                           mark();
                           return true;
                         },
                         waitPainted,
                         [&] {
                           EXPECT_TRUE(shoot("ngl-sheet-paged.png", pagedShot));
                           post(WM_LBUTTONUP, 0, barX, 70);
                           return true;
                         },
                         [&] {
                           if (sheet->isRepeating()) return false;
                           wheel(-120, 50, 50, false);
                           afterWheel = sheet->offsetY();
                           wheel(-120, 50, 50, true);
                           afterCtrlWheel = sheet->offsetY();
                           return true;
                         },
                     });

    EXPECT_EQ(afterDrag, dragged);
    EXPECT_EQ(afterPaging, -3 * page);
    // Every timer event of the held press, from the press on: a page step at the 5th and the
    // 10th, then none (the thumb has passed y 70).
    ASSERT_GE(paging.size(), 16u);
    for (size_t i = 0; i < 16; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(paging[i], i + 1 < 5 ? -page : i + 1 < 10 ? -2 * page : -3 * page);
    }
    EXPECT_EQ(afterWheel, -3 * page - 10);
    EXPECT_EQ(afterCtrlWheel, -3 * page - 10 - 99);
    EXPECT_FALSE(sheet->hasMouseCapture());

    // The view column shows the band each content row falls in; the thumb is drawn where the
    // offset puts it.
    const int32_t thumbLength = int32_t(114.0 / 600.0 * 110);
    for (const auto& shotAndOffset : {std::make_pair(&draggedShot, dragged), std::make_pair(&pagedShot, -3 * page)}) {
      const CapturedWindow& shot = *shotAndOffset.first;
      const int32_t offset = shotAndOffset.second;
      SCOPED_TRACE(offset);
      ASSERT_GE(shot.height, view.y2);
      int wrong = 0;
      for (int32_t y = view.y1; y < view.y2; ++y)
        wrong += shot.at(50, y) != (Sheet::bandColour((y - view.y1 - offset) / Sheet::kBand) & 0xFFFFFF);
      EXPECT_EQ(wrong, 0);
      const int32_t top = track.y1 + int32_t(double(-offset) / (600 - 114) * (110 - thumbLength));
      const RegionRect thumb = {track.x1, top, track.x2, top + thumbLength};
      const int32_t area = (thumb.x2 - thumb.x1) * thumbLength;
      EXPECT_EQ(countColour(shot, thumb, 0x516861), area);
      EXPECT_EQ(countColour(shot, {track.x1, track.y1, track.x2, track.y2}, 0x516861), area);
    }
  });
}

// A click on a node's "+" expands it (its children push the rows below down by two); a click on a
// child's text selects it, filling behind its text. The listener hears each button event and
// what it did.
TEST_F(WidgetWindow, TreeExpandsAndSelectsByClicks) {
  runInApplication([&](RecordingApplication& application) {
    build();
    const int32_t rh = tree->rowHeight();
    const RegionRect view = tree->view();
    auto rowTop = [&](int32_t row) { return view.y1 + row * rh; };
    CapturedWindow before, after;
    run(application, {
                         [&] {
                           mark();
                           return true;
                         },
                         [&] { return painted(); },
                         [&] {
                           EXPECT_TRUE(shoot("ngl-tree-closed.png", before));
                           mark();
                           click(view.x1 + 5, rowTop(1) + rh / 2);  // the "+" of Oscillators (row 1 under the root)
                           return true;
                         },
                         [&] { return painted(); },
                         [&] {
                           mark();
                           click(view.x1 + 12 + 10 + 3 + 4, rowTop(3) + rh / 2);  // the text of Saw
                           return true;
                         },
                         [&] { return painted(); },
                         [&] { return shoot("ngl-tree-open.png", after); },
                     });

    EXPECT_EQ(treeNotes.heard,
              (std::vector<std::string>{"100101 Oscillators", "100107 Oscillators", "100101 Oscillators", "100101 Saw",
                                        "100105 Saw", "100101 Saw"}));
    ASSERT_NE(tree->selectedNode(), nullptr);
    EXPECT_EQ(tree->selectedNode()->name, "Saw");
    ASSERT_GE(after.height, view.y2);
    // Filters and Effects moved from rows 2 and 3 to rows 4 and 5, pixel for pixel.
    const RegionRect moved = {view.x1, rowTop(2), view.x2, rowTop(4)};
    EXPECT_EQ(differing(before, moved, after, view.x1, rowTop(4)), 0);
    EXPECT_GT(differing(before, moved, after, view.x1, rowTop(2)), 0);
    // Behind Saw's text the selection fill; Sine's row (the same depth) keeps the background.
    const int32_t textLeft = view.x1 + 12 + 10 + 3;
    const RegionRect saw = {textLeft, rowTop(3), textLeft + 8, rowTop(4)};
    const RegionRect sine = {textLeft, rowTop(2), textLeft + 8, rowTop(3)};
    EXPECT_EQ(countColour(after, saw, 0xD0D0E0), 0);
    EXPECT_GT(countColour(after, sine, 0xD0D0E0), (8 * rh) / 2);
  });
}

// A left click toggles both switches and each shows the check box's second frame; a right click
// leaves the left-button-only switch as it was and presses the other, as any button does there.
TEST_F(WidgetWindow, SwitchTogglesWithTheLeftButton) {
  runInApplication([&](RecordingApplication& application) {
    build();
    ASSERT_EQ(switches[0]->framesPerState(), 2u);
    const RegionRect a = switches[0]->rect(), b = switches[1]->rect();
    ASSERT_EQ(a.x2 - a.x1, 14);
    CapturedWindow start, leftClicked, rightClicked;
    std::vector<std::string> afterLeft;
    run(application, {
                         [&] {
                           mark();
                           return true;
                         },
                         [&] { return painted(); },
                         [&] {
                           EXPECT_TRUE(shoot("ngl-switch-off.png", start));
                           mark();
                           click(a.x1 + 7, a.y1 + 7);
                           return true;
                         },
                         [&] { return painted(); },
                         [&] {
                           EXPECT_TRUE(shoot("ngl-switch-left-clicked.png", leftClicked));
                           afterLeft = switchNotes.heard;
                           mark();
                           click(a.x1 + 7, a.y1 + 7, true);
                           click(b.x1 + 7, b.y1 + 7, true);
                           return true;
                         },
                         [&] { return painted(); },
                         [&] { return shoot("ngl-switch-right-clicked.png", rightClicked); },
                     });

    // Press and release each notify with the state.
    EXPECT_EQ(afterLeft, (std::vector<std::string>{"3:1", "3:1"}));
    EXPECT_EQ(switchNotes.heard, (std::vector<std::string>{"3:1", "3:1", "4:1", "4:1"}));
    EXPECT_EQ(switches[0]->state(), 1u);
    EXPECT_EQ(switches[1]->state(), 1u);
    EXPECT_EQ(switches[0]->currentFrame(), 1u);
    ASSERT_GE(rightClicked.height, a.y2);
    EXPECT_EQ(differing(start, a, start, b.x1, b.y1), 0);                // both off alike
    EXPECT_GT(differing(start, a, leftClicked, a.x1, a.y1), 10);         // the left click shows
    EXPECT_EQ(differing(leftClicked, a, rightClicked, a.x1, a.y1), 0);   // the right click did nothing
    EXPECT_EQ(differing(rightClicked, a, rightClicked, b.x1, b.y1), 0);  // both on alike
  });
}

// The password field draws its five characters exactly as a plain field holding "*****" does,
// while its text stays what it is.
TEST_F(WidgetWindow, PasswordFieldShowsAsterisks) {
  runInApplication([&](RecordingApplication& application) {
    build();
    CapturedWindow shot;
    run(application, {
                         [&] {
                           mark();
                           return true;
                         },
                         [&] { return painted(); },
                         [&] { return shoot("ngl-password-fields.png", shot); },
                     });
    EXPECT_EQ(fields[0]->text(), "abcde");
    const RegionRect password = fields[0]->rect(), plain = fields[1]->rect();
    ASSERT_GE(shot.height, plain.y2);
    EXPECT_EQ(differing(shot, password, shot, plain.x1, plain.y1), 0);
    // Not two empty boxes: the asterisks are there.
    EXPECT_LT(countColour(shot, password, 0xFFFFFF), (password.x2 - password.x1) * (password.y2 - password.y1) - 20);
  });
}
