// Window slots, items, the kind registry and closing, with and without a real window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/customItem.h"
#include "controls/inputState.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace slotstest {

namespace {

// Handler events seen, as (item id, event).
std::vector<std::pair<int, uint32_t>> g_events;

// Mouse events are kept with the button state they saw (presses and releases; drags are left out,
// since another test's pointer may move over a window while it holds the mouse).
int32_t recordingHandler(ControlItem* item, uint32_t event, int32_t, int32_t) {
  if (event == customMouse) {
    int16_t state = inputButtonState();
    if (state == inputDragging) return 0;
    event = state == inputPressed ? 100 : 101;
  }
  g_events.push_back({item->id, event});
  return 0;
}

constexpr uint32_t kPress = 100, kRelease = 101;

int countEvents(int id, uint32_t event) {
  int n = 0;
  for (auto& e : g_events)
    if (e.first == id && e.second == event) ++n;
  return n;
}

int g_creates;
void countingCreate(ControlItem*) { ++g_creates; }

}  // namespace

TEST(ControlSlots, FreeSlotsAreTakenFromTheTopDown) {
  KitFixtureScope kit;
  EXPECT_EQ(winFindFreeSlot(), 32);
  ASSERT_EQ(winOpen(32, 4, 0, nullptr), 1);
  ASSERT_EQ(winOpen(31, 4, 0, nullptr), 1);
  EXPECT_EQ(winFindFreeSlot(), 30);
  for (int16_t id = 1; id <= 30; ++id) ASSERT_EQ(winOpen(id, 1, 0, nullptr), 1);
  EXPECT_EQ(winFindFreeSlot(), 0);
  EXPECT_EQ(winOpen(7, 4, 0, nullptr), 0) << "a slot in use cannot be opened again";
}

TEST(ControlSlots, BadWindowIdsDoNothing) {
  KitFixtureScope kit;
  for (int16_t bad : {int16_t(0), int16_t(33), int16_t(-1)}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(winOpen(bad, 4, 0, nullptr), 0);
    EXPECT_EQ(winAddItem(bad, 1, kindCustom), nullptr);
    EXPECT_EQ(winAddRectItem(bad, 1, 0, 0, 10, 10, nullptr), nullptr);
    winSetUserData(bad, &kit);
    EXPECT_EQ(winGetUserData(bad), nullptr);
    EXPECT_FALSE(winHandleEvent(bad, winEvPaint, nullptr));
    EXPECT_EQ(ctrlShow(bad, 1, 1), 0);
    winCloseById(bad);
  }
  EXPECT_EQ(winFindFreeSlot(), 32);
}

TEST(ControlSlots, AnEventForASlotWithoutAWindowIsIgnored) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(3, 4, 0, nullptr), 1);
  int32_t key = 13;
  EXPECT_FALSE(winHandleEvent(3, winEvKeyDown, &key));
  EXPECT_FALSE(winHandleEvent(3, winEvCreated, nullptr));
}

TEST(ControlItems, ATakenIdKeepsItsItemAndRunsNoSecondCreate) {
  KitFixtureScope kit;
  ctrlKindRegister(kindKnob, countingCreate, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(winOpen(5, 8, 0, nullptr), 1);
  g_creates = 0;
  ControlItem* first = winAddItem(5, 3, kindKnob);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(winAddItem(5, 3, kindKnob), first);
  EXPECT_EQ(g_creates, 1);
  // Item ids index the port: the capacity itself is already beyond it.
  EXPECT_EQ(winAddItem(5, 8, kindKnob), nullptr);
  EXPECT_EQ(winAddItem(5, 9000, kindKnob), nullptr);
  EXPECT_EQ(g_creates, 1);
  // A kind beyond the registry leaves a lifeless item.
  ControlItem* odd = winAddItem(5, 4, 14);
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->kind, 0);
}

TEST(ControlItems, ShowingWithTheCurrentValueDoesNotCallTheKindAgain) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(5, 8, 0, nullptr), 1);
  g_events.clear();
  ASSERT_NE(winAddRectItem(5, 2, 0, 0, 10, 10, recordingHandler), nullptr);
  EXPECT_EQ(countEvents(2, customShown), 1);
  ctrlShow(5, 2, 1);
  EXPECT_EQ(countEvents(2, customShown), 1);
  ctrlShow(5, 2, 0);
  EXPECT_EQ(countEvents(2, customShown), 2);
  EXPECT_EQ(ctrlIsVisible(5, 2), 0);
  EXPECT_EQ(customGetUserWord(5, 2), 0u);
  winSetItemData(5, 2, 77);
  EXPECT_EQ(customGetUserWord(5, 2), 77u);
}

TEST(ControlSlots, ClosingCallsEveryDestroyOnceAndTheSlotReopens) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(9, 16, 0, nullptr), 1);
  g_events.clear();
  ASSERT_NE(pictureCreate(9, 1, 0, 0, 50, 50, pictureFill, 0, nullptr), nullptr);
  ASSERT_NE(paneCreate(9, 2, 10, 10, 0, 8, 0), nullptr);
  for (uint16_t id = 1; id <= 3; ++id) ASSERT_NE(winAddRectItem(9, id, 0, 0, 5, 5, recordingHandler), nullptr);
  paneActivate(9, 2);
  winSelectPane(9, 0);
  ASSERT_NE(winAddRectItem(9, 4, 0, 0, 5, 5, recordingHandler), nullptr);
  winCloseById(9);
  // Pane children 1..3 and window item 4: one destroy each.
  for (int id = 1; id <= 4; ++id) EXPECT_EQ(countEvents(id, customDestroy), 1) << "item " << id;
  EXPECT_EQ(winFindFreeSlot(), 32);
  ASSERT_EQ(winOpen(9, 4, 0, nullptr), 1);
  EXPECT_NE(winAddRectItem(9, 1, 0, 0, 5, 5, recordingHandler), nullptr);
}

// Hit testing through the real window: posted presses reach the topmost item under the point.
TEST(ControlHitTest, PostedPressesReachTheTopmostItemOnly) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(4);
    openKitWindow(window, 4, 16, 160, 80);
    g_events.clear();
    winAddRectItem(4, 0, 0, 0, 160, 80, recordingHandler);   // item 0 under everything
    winAddRectItem(4, 3, 10, 10, 40, 40, recordingHandler);  // 10..50
    winAddRectItem(4, 5, 30, 30, 40, 40, recordingHandler);  // 30..70
    winShow(4, 1);
    HWND hwnd = window.nativeHandle();
    postClick(hwnd, 40, 40);  // overlap
    EXPECT_EQ(countEvents(5, kPress), 1);
    EXPECT_EQ(countEvents(5, kRelease), 1);
    EXPECT_EQ(countEvents(3, kPress), 0);
    postClick(hwnd, 15, 15);  // item 3 alone
    EXPECT_EQ(countEvents(3, kPress), 1);
    postClick(hwnd, 120, 70);  // item 0 alone
    EXPECT_EQ(countEvents(0, kPress) + countEvents(0, kRelease), 0);
    // Edges count as inside: item 5's far corner.
    postClick(hwnd, 70, 70);
    EXPECT_EQ(countEvents(5, kPress), 2);
    winCloseAll();
  });
}

TEST(ControlHitTest, AMoveWithoutAButtonHoversButDoesNotReachTheWindowCallback) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(6);
    openKitWindow(window, 6, 8, 100, 60);
    static int callbackMoves;
    callbackMoves = 0;
    winSetCallback(6, [](int16_t, uint32_t code, void*) {
      if (code == winEvMouseMove) ++callbackMoves;
    });
    g_events.clear();
    winAddRectItem(6, 2, 10, 10, 30, 30, recordingHandler);
    winShow(6, 1);
    postMove(window.nativeHandle(), 20, 20, false);
    EXPECT_EQ(countEvents(2, customHover), 1);
    EXPECT_EQ(callbackMoves, 0);
    winCloseAll();
  });
}

TEST(ControlSlots, APressTwoHundredFortyNineMsAfterTheLastIsADoubleClick) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(8);
    openKitWindow(window, 8, 4, 60, 40);
    winShow(8, 1);
    HWND hwnd = window.nativeHandle();
    struct Case {
      uint32_t start, gap;
      bool doubleClick;
    } cases[] = {
        {100000, 249, true},
        {100000, 250, false},
        {0xFFFFFF00u, 249, true},  // across the wrap
        {0xFFFFFF00u, 250, false},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.start);
      SCOPED_TRACE(c.gap);
      g_testTick = c.start - 5000;
      postClick(hwnd, 5, 5);  // an old press, far back
      g_testTick = c.start;
      postClick(hwnd, 5, 5);
      g_testTick = c.start + c.gap;
      postPress(hwnd, 5, 5);
      EXPECT_EQ(winIsDoubleClick(), c.doubleClick);
      postRelease(hwnd, 5, 5);
    }
    winCloseAll();
  });
}

TEST(ControlSlots, NoResizeKeepsTheWindowAndTheRecordedSize) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(11);
    openKitWindow(window, 11, 4, 120, 80);
    winSetSize(11, 150, 90);
    EXPECT_EQ(winGetClientWidth(11), 150);
    EXPECT_EQ(winSlot(11)->width, 150);
    winSetNoMove(11, 1);
    winSetSize(11, 60, 40);
    EXPECT_EQ(winGetClientWidth(11), 150);
    EXPECT_EQ(winGetClientHeight(11), 90);
    EXPECT_EQ(winSlot(11)->height, 90);
    winCloseAll();
  });
}

TEST(ControlSlots, AnActivationChangeDropsTheCapturedItem) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(13);
    window.passActivation = true;
    openKitWindow(window, 13, 4, 80, 60);
    g_events.clear();
    winAddRectItem(13, 1, 0, 0, 40, 40, recordingHandler);
    winShow(13, 1);
    HWND hwnd = window.nativeHandle();
    postPress(hwnd, 10, 10);
    EXPECT_EQ(winSlot(13)->ownPort.capturedItem, 1);
    EXPECT_FALSE(winHandleEvent(13, winEvDeactivated, nullptr));
    EXPECT_EQ(winSlot(13)->ownPort.capturedItem, 0);
    postRelease(hwnd, 10, 10);
    EXPECT_EQ(countEvents(1, kRelease), 0) << "the release has no item to go to";
    winCloseAll();
  });
}

}  // namespace slotstest
