// Nested panes: filling, the overlay, and presses reaching a pane's children through a real window.
#include <gtest/gtest.h>

#include <vector>

#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/pane.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "uiaTestSupport.h"

namespace {
std::vector<std::pair<int, uint32_t>> g_paneEvents;
int32_t paneHandler(ControlItem* item, uint32_t event, int32_t, int32_t) {
  if (event == customMouse) g_paneEvents.push_back({item->id, static_cast<uint32_t>(inputButtonState())});
  return 0;
}
}  // namespace

TEST(ControlPanes, ItemsAddedBeforeSelectingTheWindowAgainBelongToThePane) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(2, 16, 0, nullptr), 1);
  ControlItem* pane = paneCreate(2, 3, 40, 20, 0, 8, 99);
  ASSERT_NE(pane, nullptr);
  ControlItem* inPane = winAddRectItem(2, 1, 5, 5, 10, 10, nullptr);
  ASSERT_NE(inPane, nullptr);
  EXPECT_EQ(inPane->port, panePort(pane));
  EXPECT_EQ(inPane->rect.left, 45) << "placed relative to the pane";
  paneActivate(2, 3);
  winSelectPane(2, 0);
  ControlItem* inWindow = winAddRectItem(2, 1, 5, 5, 10, 10, nullptr);
  ASSERT_NE(inWindow, nullptr);
  EXPECT_NE(inWindow, inPane);
  EXPECT_EQ(ctrlFind(2, 1), inWindow);
  paneSetOption(2, 3, 7);
  EXPECT_EQ(paneGetOption(2, 3), 7);
  EXPECT_EQ(paneGetOption(2, 4), 0);
  // After ctrlSetDrawable the window's own port is current even with the pane selected.
  winSelectPane(2, 3);
  ctrlSetDrawable(2, 1, 0);
  EXPECT_EQ(ctrlFind(2, 1), inWindow);
  EXPECT_EQ(inWindow->drawable, 0);
}

TEST(ControlPanes, HidingTheOverlayPaneClearsTheOverlay) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(2, 16, 0, nullptr), 1);
  paneCreate(2, 3, 0, 0, 0, 4, 0);
  paneActivate(2, 3);
  paneCreate(2, 4, 0, 0, 0, 4, 0);
  paneActivate(2, 4);
  winSelectPane(2, 0);
  paneSetSecondPort(2, 3);
  WinSlot* slot = winSlot(2);
  EXPECT_EQ(slot->overlayPort, panePort(ctrlFind(2, 3)));
  ctrlShow(2, 4, 0);  // another pane: the overlay stays
  EXPECT_NE(slot->overlayPort, nullptr);
  ctrlShow(2, 3, 0);
  EXPECT_EQ(slot->overlayPort, nullptr);
}

TEST(ControlPanes, PressesReachPaneChildrenAndEmptyAreaCapturesNothing) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(10);
    openKitWindow(window, 10, 8, 160, 100);
    ControlItem* pane = paneCreate(10, 2, 40, 20, 0, 8, 0);
    winAddRectItem(10, 1, 0, 0, 20, 20, paneHandler);    // window (40..60, 20..40)
    winAddRectItem(10, 2, 60, 40, 20, 20, paneHandler);  // window (100..120, 60..80)
    paneActivate(10, 2);
    winSelectPane(10, 0);
    winShow(10, 1);
    HWND hwnd = window.nativeHandle();
    g_paneEvents.clear();
    postPress(hwnd, 50, 30);
    postMove(hwnd, 55, 35, true);
    postRelease(hwnd, 55, 35);
    // A pointer moved by a test running beside this one may add drags while the window holds
    // the mouse; the press, at least one drag and the release must all reach child 1.
    ASSERT_GE(g_paneEvents.size(), 3u);
    EXPECT_EQ(g_paneEvents.front(), (std::pair<int, uint32_t>{1, inputPressed}));
    EXPECT_EQ(g_paneEvents.back(), (std::pair<int, uint32_t>{1, inputReleased}));
    for (size_t i = 1; i + 1 < g_paneEvents.size(); ++i)
      EXPECT_EQ(g_paneEvents[i], (std::pair<int, uint32_t>{1, inputDragging}));
    g_paneEvents.clear();
    postPress(hwnd, 80, 50);  // inside the pane, between its children
    EXPECT_EQ(panePort(pane)->capturedItem, 0);
    postRelease(hwnd, 80, 50);
    EXPECT_TRUE(g_paneEvents.empty());
    postClick(hwnd, 110, 70);
    ASSERT_GE(g_paneEvents.size(), 2u);
    EXPECT_EQ(g_paneEvents.front(), (std::pair<int, uint32_t>{2, inputPressed}));
    EXPECT_EQ(g_paneEvents.back(), (std::pair<int, uint32_t>{2, inputReleased}));
    winCloseAll();
  });
}
