// TreeView: rows of expanded nodes only (painting, hit tests, content height), expandAll, the "+"
// of a node without icon frames, selection and expansion by the mouse with their notifications,
// and the record.
#include <gtest/gtest.h>

#include <vector>

#include "NGLTreeView.h"
#include "UIAKeys.h"
#include "UIAPicture.h"
#include "nglTestSupport.h"

namespace {

struct Recorder : WidgetListener {
  bool onWidgetEvent(int32_t, int32_t code, void* data) override {
    codes.push_back(code);
    nodes.push_back(static_cast<TreeViewNote*>(data)->node);
    return false;
  }
  std::vector<int32_t> codes;
  std::vector<TreeNode*> nodes;
};

TreeNode* child(TreeNode& parent, const char* name) {
  TreeNode* node = new TreeNode;
  node->name = name;
  node->depth = parent.name == "<root>" ? 0 : parent.depth + 1;
  parent.children.push_back(node);
  return node;
}

// root > A > (A1, A2 > A2x), B. Without font or icons a row is 11 pixels, an icon 10 wide, and
// the view starts at (3, 3).
struct Tree {
  Tree() {
    view.setRect({0, 0, 200, 200});
    a = child(view.root(), "A");
    a1 = child(*a, "A1");
    a2 = child(*a, "A2");
    a2x = child(*a2, "A2x");
    b = child(view.root(), "B");
    view.addListener(&recorder);
    view.layoutScrollBars();
  }
  int32_t rows() {
    int32_t w = 0, h = 0;
    view.contentSize(w, h);
    return h / view.rowHeight();
  }
  void click(int32_t x, int32_t y, uint32_t mods = 0, uint32_t action = UIA_ACTION_PRESS) {
    UiaMouseButtonEvent e = {x, y, mods, UIA_BUTTON_LEFT, action};
    view.handleEvent(UIA_EVENT_MOUSE_BUTTON, &e);
  }
  TreeView view;
  TreeNode *a, *a1, *a2, *a2x, *b;
  Recorder recorder;
};

int32_t rowY(int32_t row) { return 3 + row * 11 + 5; }
int32_t textX(int32_t depth) { return 3 + 4 * depth + 10 + 3 + 2; }

}  // namespace

TEST(TreeView, CollapsedSubtreesLeaveRowsHitsAndHeight) {
  Tree t;
  EXPECT_EQ(t.view.rowHeight(), 11);
  EXPECT_EQ(t.rows(), 3);  // root, A, B
  EXPECT_EQ(t.view.nodeAt(textX(0), rowY(2), nullptr), t.b);
  EXPECT_EQ(t.view.nodeAt(textX(0), rowY(3), nullptr), nullptr);
  t.a->expanded = true;
  EXPECT_EQ(t.rows(), 5);  // A2 still collapsed
  EXPECT_EQ(t.view.nodeAt(textX(1), rowY(2), nullptr), t.a1);
  EXPECT_EQ(t.view.nodeAt(textX(0), rowY(4), nullptr), t.b);
  t.a->expanded = false;
  t.view.setExpandAll(true);
  EXPECT_EQ(t.rows(), 6);
  EXPECT_EQ(t.view.nodeAt(textX(2), rowY(4), nullptr), t.a2x);
  // Beyond a row's text nothing is hit; the icon zone is told apart.
  EXPECT_EQ(t.view.nodeAt(textX(0) + 40, rowY(1), nullptr), nullptr);
  bool onIcon = false;
  EXPECT_EQ(t.view.nodeAt(5, rowY(1), &onIcon), t.a);
  EXPECT_TRUE(onIcon);
}

// A node without frames shows a "+" in its icon box: its vertical stroke is at x + 5.
TEST(TreeView, PaintsOnlyShownRowsWithPlusIcons) {
  Tree t;
  Picture picture;
  ASSERT_TRUE(picture.setSize(200, 200, true));
  const uint32_t bar = t.view.barColour(), bg = t.view.background();
  auto strokeAt = [&](int32_t depth, int32_t row) {
    return picture.pixel(uint32_t(3 + 4 * depth + 5), uint32_t(3 + row * 11 + 3)) == bar;
  };
  t.view.paint(picture);
  EXPECT_TRUE(strokeAt(0, 0));                       // root
  EXPECT_TRUE(strokeAt(0, 2));                       // B in row 2
  EXPECT_FALSE(strokeAt(1, 2));                      // not A1: its parent is collapsed
  EXPECT_EQ(picture.pixel(50, 3 + 3 * 11 + 3), bg);  // nothing below B
  t.view.setExpandAll(true);
  t.view.paint(picture);
  EXPECT_TRUE(strokeAt(1, 2));
  EXPECT_TRUE(strokeAt(2, 4));  // A2x
  EXPECT_TRUE(strokeAt(0, 5));  // B moved down
}

TEST(TreeView, SelectionExpansionAndTheRootRow) {
  Tree t;
  t.click(textX(0), rowY(1));  // A
  EXPECT_EQ(t.recorder.codes, (std::vector<int32_t>{100101, 100105}));
  EXPECT_EQ(t.view.selectedNode(), t.a);
  t.recorder.codes.clear();
  t.click(textX(0), rowY(2));  // B alone
  EXPECT_EQ(t.recorder.codes, (std::vector<int32_t>{100101, 100106, 100105}));
  EXPECT_FALSE(t.a->selected);

  t.view.setToggleSelection(true);
  t.click(textX(0), rowY(1), kModShift);  // A too
  EXPECT_TRUE(t.a->selected);
  EXPECT_TRUE(t.b->selected);
  t.recorder.codes.clear();
  t.recorder.nodes.clear();
  t.click(textX(0), rowY(0));  // the root row deselects all, one 100106 per node
  EXPECT_EQ(t.recorder.codes, (std::vector<int32_t>{100101, 100106, 100106}));
  EXPECT_EQ(t.recorder.nodes[1], t.a);
  EXPECT_EQ(t.recorder.nodes[2], t.b);
  EXPECT_EQ(t.view.selectedNode(), nullptr);

  t.recorder.codes.clear();
  t.click(5, rowY(1));  // A's icon
  EXPECT_TRUE(t.a->expanded);
  t.click(5, rowY(1));
  EXPECT_FALSE(t.a->expanded);
  t.click(textX(0), rowY(1), 0, UIA_ACTION_DOUBLE_CLICK);  // double click on the text
  EXPECT_TRUE(t.a->expanded);
  EXPECT_EQ(t.recorder.codes, (std::vector<int32_t>{100101, 100107, 100101, 100108, 100101, 100107}));
  t.recorder.codes.clear();
  t.click(150, 150);  // empty space: the button report only
  EXPECT_EQ(t.recorder.codes, std::vector<int32_t>{100101});
}

TEST(TreeView, RecordAndTinyWidgets) {
  const std::vector<uint8_t> base = Bytes().record6(0, 0, 100, 100, 1, 0, 3).data;
  auto body = [](uint32_t version) {
    Bytes b;
    b.u32(version);
    if (version >= 2)
      b.u8(1).u32(2).u32(5).u32(9).u32(0).u32(0xFF112233).u32(0xFF445566).u32(0x80FFFFFF).u32(0x80800000);
    if (version == 4) b.u8(7);
    if (version >= 3) b.u32(1).u32(0);
    return b.data;
  };
  for (uint32_t version : {1u, 2u, 3u, 4u, 5u, 0u}) {
    SCOPED_TRACE(version);
    std::vector<uint8_t> bytes = base;
    const std::vector<uint8_t> part = body(version);
    bytes.insert(bytes.end(), part.begin(), part.end());
    VectorStream in(bytes);
    TreeView t;
    EXPECT_EQ(t.read(in), version >= 1 && version <= 4);
    if (version >= 2 && version <= 4) {
      EXPECT_EQ(t.background(), 0xFF112233u);
      EXPECT_EQ(t.barColour(), 0xFF445566u);
      EXPECT_EQ(t.rowHeight(), 12);  // row spacing 2
    }
    if (version == 3) {
      bytes.resize(bytes.size() - 2);  // cut into the font id
      VectorStream cut(bytes);
      TreeView u;
      EXPECT_FALSE(u.read(cut));
    }
  }
  TreeView t;
  VectorStream out(1024);
  ASSERT_TRUE(t.write(out));
  const std::vector<uint8_t> written = out.written();
  VectorStream in(written);
  TreeView back;
  EXPECT_TRUE(back.read(in));

  for (int32_t side : {0, 1}) {
    Tree tiny;
    tiny.view.setRect({0, 0, side, side});
    tiny.view.layoutScrollBars();
    Picture picture;
    ASSERT_TRUE(picture.setSize(4, 4, true));
    tiny.view.paint(picture);
    tiny.click(0, 0);
    EXPECT_EQ(tiny.view.selectedNode(), nullptr);
  }
}
