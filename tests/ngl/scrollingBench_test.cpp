// Timing of the scrolling widgets against the 50 ms tick: one keystroke in a 10,000-character
// multi-line field (its lines are broken again per edit), and painting and hit-testing a tree of
// 10,000 nodes.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "NGLTextEdit.h"
#include "NGLTreeView.h"
#include "UIAKeys.h"
#include "UIAPicture.h"

namespace {

double millisecondsOf(const std::function<void()>& body, int repeats) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < repeats; ++i) body();
  QueryPerformanceCounter(&end);
  return double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart) / repeats;
}

}  // namespace

TEST(ScrollingBench, KeystrokeInALongMultiLineField) {
  TextEdit edit;
  edit.setRect({0, 0, 400, 300});
  edit.setMultiLine(true);
  std::string text;
  while (text.size() < 10000) text += "lorem ipsum dolor sit amet ";
  text.resize(10000);
  edit.setText(text.c_str());
  ASSERT_TRUE(edit.beginEditAt(5, 5));
  UiaKeyEvent end = {23 | kModCtrl, 23, 1};  // Ctrl+End: the caret to the text's end, nothing selected
  edit.handleEvent(UIA_EVENT_KEY_DOWN, &end);
  const double ms = millisecondsOf(
      [&] {
        UiaCharEvent c = {'x'};
        edit.handleEvent(UIA_EVENT_CHAR, &c);
      },
      20);
  std::printf("keystroke in a 10,000-character field: %.3f ms\n", ms);
  EXPECT_EQ(edit.text().size(), 10020u);
  EXPECT_LT(ms, 50.0);
}

TEST(ScrollingBench, TreeOfTenThousandNodes) {
  TreeView tree;
  tree.setRect({0, 0, 400, 600});
  for (int i = 0; i < 100; ++i) {
    TreeNode* group = new TreeNode;
    group->name = "group " + std::to_string(i);
    group->expanded = true;
    tree.root().children.push_back(group);
    for (int j = 0; j < 99; ++j) {
      TreeNode* leaf = new TreeNode;
      leaf->name = "leaf " + std::to_string(j);
      leaf->depth = 1;
      group->children.push_back(leaf);
    }
  }
  tree.layoutScrollBars();
  tree.setScrollOffset(0, -50000);
  Picture picture;
  ASSERT_TRUE(picture.setSize(400, 600, true));
  const double paint = millisecondsOf([&] { tree.paint(picture); }, 10);
  TreeNode* hit = nullptr;
  const double hitTest = millisecondsOf([&] { hit = tree.nodeAt(30, 590, nullptr); }, 10);
  std::printf("tree of 10,000 nodes: paint %.3f ms, hit test %.3f ms\n", paint, hitTest);
  EXPECT_NE(hit, nullptr);
  EXPECT_LT(paint, 50.0);
  EXPECT_LT(hitTest, 50.0);
}
