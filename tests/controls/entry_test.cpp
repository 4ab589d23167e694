// In-place text entry under Wine: the native edit control over a display or a number box, typing
// with posted characters, Enter, a second entry, presses inside and outside and hiding the window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/numbox.h"
#include "controls/winSlots.h"
#include "entryTestSupport.h"
#include "uiaTestSupport.h"

namespace {

std::vector<std::string> g_log;
void changedA(ControlItem* item) {
  char text[300];
  displayGetText(static_cast<int16_t>(item->windowId), static_cast<uint16_t>(item->id), text, sizeof text);
  g_log.push_back(std::string("changed ") + std::to_string(item->id) + " " + text);
}
void doneA(ControlItem* item, const char* text) {
  g_log.push_back(std::string("done ") + std::to_string(item->id) + " " + text +
                  (editBoxIsActive() ? " (still active)" : ""));
}

// Displays 1 and 2 at (10, 10) and (10, 40), 100 wide, taking the mouse.
void makeDisplays(WinId win, uint32_t moreFlags = 0) {
  displayCreate(win, 1, 10, 10, 100, "First", 0, displayTakesMouse | moreFlags, 0, changedA, doneA);
  displayCreate(win, 2, 10, 40, 100, "Second", 0, displayTakesMouse | moreFlags, 2, changedA, doneA);
}

// Kit window `slot` (160 x 80) holding the two displays, shown, with the log cleared.
struct DisplaysWindow {
  explicit DisplaysWindow(int16_t slot) : window(slot) {
    openKitWindow(window, slot, 8, 160, 80);
    makeDisplays(slot);
    winShow(slot, 1);
    hwnd = window.nativeHandle();
    g_log.clear();
  }
  KitFixtureScope kit;
  KitWindow window;
  HWND hwnd = nullptr;
};

}  // namespace

TEST(ControlEntry, APressOnADisplayOpensAnEditControlOverIt) {
  runInApplication([&](RecordingApplication&) {
    DisplaysWindow shown(10);
    HWND hwnd = shown.hwnd;
    postPress(hwnd, 30, 14);
    HWND edit = findEditChild(hwnd);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(editBoxWindow(), edit);
    char cls[32];
    GetClassNameA(edit, cls, sizeof cls);
    EXPECT_STRCASEEQ(cls, "edit");
    EXPECT_EQ(windowText(edit), "First");
    EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & WS_CHILD);
    CtrlRect item;
    ctrlGetRect(10, 1, &item);
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, item.left);
    EXPECT_EQ(r.top, item.top);
    EXPECT_EQ(r.right - r.left, item.right - item.left);
    EXPECT_EQ(r.bottom - r.top, item.bottom - item.top - 1);
    postRelease(hwnd, 30, 14);
    EXPECT_TRUE(g_log.empty());
    // The second display is right-aligned: so is its entry.
    postClick(hwnd, 30, 44);
    ASSERT_NE(editBoxWindow(), nullptr);
    EXPECT_TRUE(GetWindowLongA(editBoxWindow(), GWL_STYLE) & ES_RIGHT);
    winCloseAll();
  });
}

TEST(ControlEntry, TypedCharactersAndEnterStoreTheTextOnce) {
  runInApplication([&](RecordingApplication&) {
    DisplaysWindow shown(11);
    HWND hwnd = shown.hwnd;
    postClick(hwnd, 30, 14);
    HWND edit = findEditChild(hwnd);
    ASSERT_NE(edit, nullptr);
    typeIntoEntry(edit, "Pad 2");  // the whole text was selected: typing replaces it
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(findEditChild(hwnd), nullptr);
    EXPECT_EQ(editBoxIsActive(), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"done 1 Pad 2", "changed 1 Pad 2"}));
    EXPECT_EQ(GetFocus(), hwnd) << "keys go to the window again";
    // Typing past the field's width scrolls the field, so nothing typed is refused; 300 typed
    // characters arrive as the 255 the display keeps. A longer text set whole (as a paste) arrives
    // cut to the 256 characters read back and the 255 the display keeps, bytes above 127 unchanged.
    g_log.clear();
    postClick(hwnd, 30, 14);
    edit = findEditChild(hwnd);
    ASSERT_NE(edit, nullptr);
    typeIntoEntry(edit, std::string(300, 'm'));
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[0], "done 1 " + std::string(256, 'm'));
    EXPECT_EQ(displayData(ctrlFind(11, 1))->length, 255);
    g_log.clear();
    postClick(hwnd, 30, 14);
    edit = findEditChild(hwnd);
    std::string longText(300, 'x');
    longText[5] = static_cast<char>(0xE9);
    SetWindowTextA(edit, longText.c_str());
    typeIntoEntry(edit, "");
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[0], "done 1 " + longText.substr(0, 256));
    char back[400];
    displayGetText(11, 1, back, sizeof back);
    EXPECT_EQ(std::string(back), longText.substr(0, 254));
    EXPECT_EQ(displayData(ctrlFind(11, 1))->length, 255);
    EXPECT_EQ(displayData(ctrlFind(11, 1))->text[255], 0);
    winCloseAll();
  });
}

TEST(ControlEntry, ASecondEntryEndsTheFirstWhoseDoneRunsFirst) {
  runInApplication([&](RecordingApplication&) {
    DisplaysWindow shown(12);
    HWND hwnd = shown.hwnd;
    postClick(hwnd, 30, 14);
    HWND first = findEditChild(hwnd);
    ASSERT_NE(first, nullptr);
    typeIntoEntry(first, "One", false);
    postPress(hwnd, 30, 44);
    EXPECT_FALSE(IsWindow(first));
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[0], "done 1 One");
    EXPECT_EQ(g_log[1], "changed 1 One");
    HWND second = editBoxWindow();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(windowText(second), "Second");
    postRelease(hwnd, 30, 44);
    // A number box's entry ends the display's too.
    numboxCreate(12, 3, 60, 60, 60, 1, 2, 0.5, 0, 1, nullptr, nullptr, "N");
    postClick(hwnd, 80, 66);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(g_log.back(), "changed 2 Second");
    EXPECT_EQ(numboxFind(12, 3)->editing, 1);
    EXPECT_EQ(windowText(editBoxWindow()), "0.50");
    winCloseAll();
  });
}

TEST(ControlEntry, APressInsideTheActiveEntryLeavesItOpen) {
  runInApplication([&](RecordingApplication&) {
    DisplaysWindow shown(13);
    HWND hwnd = shown.hwnd;
    postClick(hwnd, 30, 14);
    HWND edit = findEditChild(hwnd);
    ASSERT_NE(edit, nullptr);
    CtrlRect item;
    ctrlGetRect(13, 1, &item);
    // The edit control is one row shorter than the display: its last rows belong to the window.
    postClick(hwnd, item.left + 5, item.bottom - 1);
    postClick(hwnd, item.right, item.bottom);
    EXPECT_TRUE(IsWindow(edit));
    EXPECT_EQ(editBoxIsActive(), 1);
    EXPECT_TRUE(g_log.empty());
    // A press on no item leaves it open too; a press on another item ends it.
    postClick(hwnd, 150, 75);
    EXPECT_TRUE(IsWindow(edit));
    postClick(hwnd, 30, 44);
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(g_log.front(), "done 1 First");
    winCloseAll();
  });
}

TEST(ControlEntry, HidingOrClosingTheWindowEndsTheEntry) {
  runInApplication([&](RecordingApplication&) {
    DisplaysWindow shown(14);
    HWND hwnd = shown.hwnd;
    postClick(hwnd, 30, 14);
    typeIntoEntry(findEditChild(hwnd), "Gone", false);
    winShow(14, 0);
    EXPECT_EQ(editBoxIsActive(), 0);
    EXPECT_EQ(g_log, (std::vector<std::string>{"done 1 Gone", "changed 1 Gone"}));
    winShow(14, 1);
    // The window losing the activation ends it too.
    shown.window.passActivation = true;
    postClick(hwnd, 30, 14);
    ASSERT_EQ(editBoxIsActive(), 1);
    SendMessageA(hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(editBoxIsActive(), 0);
    shown.window.passActivation = false;
    g_log.clear();
    postClick(hwnd, 30, 44);
    ASSERT_EQ(editBoxIsActive(), 1);
    winCloseAll();
    EXPECT_EQ(editBoxIsActive(), 0);
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ(g_log.front(), "done 2 Second");
    editBoxEnd();  // nothing left to end
  });
}

TEST(ControlEntry, DisplaysWithoutFlagEightOrWithDoubleClickFlagOpenNothingOnOnePress) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(9);
    openKitWindow(window, 9, 8, 160, 80);
    displayCreate(9, 1, 10, 10, 100, "Static", 0, 0, 0, changedA, doneA);
    displayCreate(9, 2, 10, 40, 100, "Twice", 0, displayTakesMouse | displayDoubleClickEdits, 0, changedA, doneA);
    winShow(9, 1);
    HWND hwnd = window.nativeHandle();
    postClick(hwnd, 30, 14);
    EXPECT_EQ(editBoxIsActive(), 0);
    g_testTick += 1000;
    postClick(hwnd, 30, 44);
    EXPECT_EQ(editBoxIsActive(), 0);
    g_testTick += 1000;
    postClick(hwnd, 30, 44);
    g_testTick += 100;
    postClick(hwnd, 30, 44);
    EXPECT_EQ(editBoxIsActive(), 1) << "a double click opens it";
    EXPECT_EQ(ctrlFind(9, 2)->cursorId, 1u) << "a display with a change callback shows the I-beam";
    winCloseAll();
  });
}
