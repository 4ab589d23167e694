// Lists: selection gestures by posted mouse messages on real windows, row texts, scrolling with an
// attached scrollbar (captures kept as PNG) and bad row input.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/scrollbar.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

namespace {

int g_selects;
void countSelect(ControlItem*) { ++g_selects; }

ListData* listData(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  return item ? static_cast<ListData*>(item->k.kindData) : nullptr;
}

ScrollbarData* barData(WinId win, uint16_t id) {
  ControlItem* item = ctrlFind(win, id);
  return item ? static_cast<ScrollbarData*>(item->k.kindData) : nullptr;
}

void fill(WinId win, uint16_t id, int from, int to) {
  char text[32];
  for (int r = from; r <= to; ++r) {
    std::snprintf(text, sizeof(text), "row %d", r);
    listSetRowText(win, id, r, text);
  }
}

std::string rowText(WinId win, uint16_t id, int row) {
  char out[64];
  listGetRowText(win, id, row, out);
  return std::string(out);
}

// A list of 12-pixel rows at (10, 10): the middle of row r (counted from the first shown row).
int rowY(int r) { return 10 + 12 * r + 6; }

}  // namespace

TEST(ControlLists, SelectionGestures) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(22);
    openKitWindow(window, 22, 8, 300, 150);
    winShow(22, 1);
    HWND hwnd = window.nativeHandle();
    // Single selection, 10 rows shown of 20, rows 0..9 filled.
    ASSERT_NE(listCreate(22, 1, 10, 10, 0, 120, 0, 20, 0, 2720, countSelect), nullptr);
    fill(22, 1, 0, 9);
    g_selects = 0;

    // A drag from row 2 to row 7 in one event selects row 3 only; later events walk on to 7.
    postPress(hwnd, 30, rowY(2));
    EXPECT_EQ(listFirstSelected(22, 1), 2);
    postMove(hwnd, 30, rowY(7), true);
    EXPECT_EQ(listFirstSelected(22, 1), 3);
    EXPECT_EQ(listIsRowSelected(22, 1, 2), 0);
    for (int expect = 4; expect <= 7; ++expect) {
      postMove(hwnd, 30, rowY(7), true);
      EXPECT_EQ(listFirstSelected(22, 1), expect);
    }
    postMove(hwnd, 30, rowY(7), true);
    EXPECT_EQ(listFirstSelected(22, 1), 7);
    EXPECT_EQ(g_selects, 0) << "reported on release only";
    postRelease(hwnd, 30, rowY(7));
    EXPECT_EQ(g_selects, 1);

    // An empty row: the old selection goes, nothing is selected.
    postClick(hwnd, 30, rowY(2));
    EXPECT_EQ(listFirstSelected(22, 1), 2);
    listSetRowText(22, 1, 5, "");
    postClick(hwnd, 30, rowY(5));
    EXPECT_EQ(listFirstSelected(22, 1), -1);

    // Several rows: the press toggles, the drag carries the press's choice.
    ASSERT_NE(listCreate(22, 2, 150, 10, 0, 120, 0, 10, listMultiple, 2720, countSelect), nullptr);
    fill(22, 2, 0, 9);
    listSetRowSelected(22, 2, 2, 1);
    postPress(hwnd, 170, rowY(1));
    postMove(hwnd, 170, rowY(3), true);
    postMove(hwnd, 170, rowY(3), true);
    postRelease(hwnd, 170, rowY(3));
    EXPECT_EQ(listIsRowSelected(22, 2, 1), 1);
    EXPECT_EQ(listIsRowSelected(22, 2, 2), 1);
    EXPECT_EQ(listIsRowSelected(22, 2, 3), 1);
    postPress(hwnd, 170, rowY(2));  // a selected row: this press deselects
    postMove(hwnd, 170, rowY(1), true);
    postRelease(hwnd, 170, rowY(1));
    EXPECT_EQ(listIsRowSelected(22, 2, 1), 0);
    EXPECT_EQ(listIsRowSelected(22, 2, 2), 0);
    EXPECT_EQ(listIsRowSelected(22, 2, 3), 1);
    winCloseAll();

    // Flag 4: the press selects and reports at once, the release adds nothing.
    KitWindow second(23);
    openKitWindow(second, 23, 8, 200, 150);
    winShow(23, 1);
    listCreate(23, 1, 10, 10, 0, 120, 0, 10, listSelectOnPress, 2720, countSelect);
    fill(23, 1, 0, 9);
    g_selects = 0;
    postPress(second.nativeHandle(), 30, rowY(4));
    EXPECT_EQ(listFirstSelected(23, 1), 4);
    EXPECT_EQ(g_selects, 1);
    postRelease(second.nativeHandle(), 30, rowY(4));
    EXPECT_EQ(g_selects, 1);
    winCloseAll();
  });
}

TEST(ControlLists, RowTextsAndBadRows) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(24, 8, 0, nullptr), 1);
  ASSERT_NE(listCreate(24, 1, 0, 0, 100, 50, 10, 8, 0, 0, nullptr), nullptr);
  ListData* d = listData(24, 1);
  EXPECT_EQ(d->usedRows, 0) << "right after creation";
  listSetRowText(24, 1, 3, std::string(300, 'x').c_str());
  EXPECT_EQ(d->rows[3].textLength, 62);
  EXPECT_EQ(rowText(24, 1, 3), std::string(62, 'x'));
  EXPECT_EQ(d->usedRows, 4);
  EXPECT_EQ(listCountFilled(24, 1), 0) << "row 0 is empty";
  for (int bad : {-1, 8, 1000}) {
    listSetRowText(24, 1, bad, "bad");
    listSetRowSelected(24, 1, bad, 1);
    EXPECT_EQ(listIsRowSelected(24, 1, bad), 0) << bad;
    EXPECT_EQ(rowText(24, 1, bad), "") << bad;
  }
  listSetRowText(24, 1, 0, nullptr);
  EXPECT_EQ(d->rows[0].textLength, 0);
  fill(24, 1, 0, 2);
  EXPECT_EQ(listCountFilled(24, 1), 4);
  listSetRowSelected(24, 1, 1, 1);
  EXPECT_EQ(listFirstSelected(24, 1), 1);
  listClear(24, 1);
  EXPECT_EQ(d->usedRows, 1);
  EXPECT_EQ(listFirstSelected(24, 1), -1);
  EXPECT_EQ(listCountFilled(24, 1), 0);
  // Missing lists and other kinds.
  EXPECT_EQ(listFirstSelected(24, 2), 0);
  EXPECT_EQ(listCountFilled(0, 1), 0);
  scrollbarCreate(24, 2, 0, 0, 50, 0, 2730, 1, nullptr, 0.0);
  listSetRowText(24, 2, 0, "not a list");
  EXPECT_EQ(listFirstSelected(24, 2), 0);
  listAttachScrollbar(24, 2, 1);  // the kinds swapped: nothing happens
  EXPECT_EQ(d->scrollbar, nullptr);
}

TEST(ControlLists, AnAttachedBarFollowsTheRowsAndScrollsThem) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(25);
    openKitWindow(window, 25, 8, 160, 150);
    // 10 rows of 12 pixels shown; the bar starts elsewhere with another length.
    listCreate(25, 1, 10, 10, 0, 120, 0, 40, 0, 2720, nullptr);
    scrollbarCreate(25, 2, 130, 100, 30, scrollVerticalDrag, 2730, 1, nullptr, 0.0);
    listAttachScrollbar(25, 1, 2);
    ControlItem* bar = ctrlFind(25, 2);
    EXPECT_EQ(bar->rect.left, 90);
    EXPECT_EQ(bar->rect.top, 10);
    EXPECT_EQ(bar->rect.bottom, 130);
    EXPECT_EQ(bar->drawable, 0) << "nothing to scroll yet";

    // Steps by visible and used rows: 11 used of 10 shown leaves the bar inactive; 12 gives
    // (0.5, 9 lines a page); 30 gives 1/20 a line.
    ScrollbarData* b = barData(25, 2);
    fill(25, 1, 0, 10);
    EXPECT_EQ(b->lineStep, 1.0);
    fill(25, 1, 11, 11);
    EXPECT_EQ(b->lineStep, 0.5);
    EXPECT_EQ(b->pageStep, 4.5);
    fill(25, 1, 12, 29);
    EXPECT_DOUBLE_EQ(b->lineStep, 1.0 / 20);
    EXPECT_EQ(bar->drawable, 1);
    winShow(25, 1);

    // Dragging the thumb scrolls the rows: L = 120 - 24 = 96, T = 16, so 80 pixels span it all.
    HWND hwnd = window.nativeHandle();
    postPress(hwnd, 95, 15);
    postMove(hwnd, 95, 55, true);
    ListData* d = listData(25, 1);
    EXPECT_EQ(d->firstRow, 10);
    EXPECT_EQ(rowText(25, 1, d->firstRow), "row 10");
    postMove(hwnd, 95, 400, true);
    EXPECT_EQ(d->firstRow, 20);
    EXPECT_EQ(b->position, 1.0);
    postRelease(hwnd, 95, 400);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_list_attached_bar.png", &cap).empty());
    EXPECT_EQ(cap.at(95, 10 + 80), 0xFFFFFFu) << "the thumb at the end of the track";
    EXPECT_EQ(cap.at(95, 15), 0x3C3C3Cu) << "track where the thumb was";
    EXPECT_EQ(cap.at(85, 11), 0x282828u) << "row picture";

    // A selected row 0 scrolled out of view comes back.
    listSetRowSelected(25, 1, 0, 1);
    listScrollToSelection(25, 1);
    EXPECT_EQ(d->firstRow, 0);
    EXPECT_EQ(b->position, 0.0);
    // A row just below the last shown one is brought in, with one row above it.
    listSetRowSelected(25, 1, 10, 1);
    listScrollToSelection(25, 1);
    EXPECT_EQ(d->firstRow, 9);
    EXPECT_DOUBLE_EQ(b->position, 9.0 / 20);

    // Clearing leaves one used row and an inactive bar (the full thumb) at 0.
    listClear(25, 1);
    EXPECT_EQ(d->usedRows, 1);
    EXPECT_EQ(d->firstRow, 0);
    EXPECT_EQ(bar->drawable, 0);
    EXPECT_EQ(b->position, 0.0);
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_list_cleared.png", &cap).empty());
    EXPECT_EQ(cap.at(95, 60), 0x808080u) << "inactive bar";
    winCloseAll();
  });
}

TEST(ControlLists, ARealListWithItsBarLooksRight) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(26);
    openKitWindow(window, 26, 8, 160, 170);
    WinSavedDC saved;
    winAcquireDrawContext(26, &saved);
    listCreate(26, 1, 8, 8, 0, 153, 0, 24, listMultiple, 1648, nullptr);
    scrollbarCreate(26, 2, 0, 0, 10, scrollVerticalDrag, 2516, 1, nullptr, 0.0);
    winReleaseDrawContext(26, &saved);
    listAttachScrollbar(26, 1, 2);
    const char* names[] = {"Modulation Wheel",
                           "Breath Controller",
                           "Foot Controller",
                           "Portamento Time",
                           "Channel Volume",
                           "Balance",
                           "Pan",
                           "Expression Controller",
                           "Effect Control 1",
                           "Effect Control 2",
                           "General Purpose 1",
                           "General Purpose 2",
                           "Sound Variation",
                           "Timbre",
                           "Release Time"};
    for (int r = 0; r < 15; ++r) listSetRowText(26, 1, r, names[r]);
    listSetRowSelected(26, 1, 2, 1);
    listSetRowSelected(26, 1, 3, 1);
    scrollbarSetPosition(26, 2, 0.25);
    winShow(26, 1);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(window.nativeHandle(), "controls_list_skin.png", &cap).empty());
    EXPECT_EQ(listData(26, 1)->firstRow, 1);
    winCloseAll();
  });
}

TEST(ControlLists, AWholeListPictureShowsSelectedRowsCutFromItsSelectedLook) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(27);
    openKitWindow(window, 27, 8, 100, 80);
    // Picture 2725 is the whole list (80 x 60, five rows of 12); 2726 its selected look, whose
    // pixel row y is (0, 0, 100 + y).
    listCreate(27, 1, 10, 10, 0, 60, 12, 8, listWholePicture | listMultiple, 2725, nullptr);
    fill(27, 1, 0, 7);
    listSetRowSelected(27, 1, 2, 1);
    listSetRowSelected(27, 1, 5, 1);
    listScrollTo(27, 1, 1.0f);  // 8 rows, 5 shown: rows 3..7, row 5 third from the top
    winShow(27, 1);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(window.nativeHandle(), "controls_list_whole_picture.png", &cap).empty());
    EXPECT_EQ(listData(27, 1)->firstRow, 3);
    EXPECT_EQ(cap.at(85, 10 + 24 + 1), static_cast<uint32_t>(100 + 25)) << "row 5, cut at its place";
    EXPECT_EQ(cap.at(85, 10 + 35), static_cast<uint32_t>(100 + 35));
    EXPECT_EQ(cap.at(85, 10 + 13), 0x282828u) << "row 4, not selected";
    EXPECT_EQ(cap.at(85, 10 + 40), 0x282828u) << "row 6, not selected";
    winCloseAll();
  });
}
