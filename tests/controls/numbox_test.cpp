// Number boxes on a real window: typed entry through the native edit control, dragging each arrow
// section with posted mouse messages, the editors' setters and the value box's look (kept as PNG).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/winSlots.h"
#include "entryTestSupport.h"
#include "support/windowCapture.h"
#include "uiSeams/msgBox.h"
#include "uiaTestSupport.h"

namespace {

std::vector<double> g_changes;
void recordChange(ControlItem*, double v) { g_changes.push_back(v); }

std::string shownText(WinId win, uint16_t id) {
  char text[numboxTextSize];
  numboxFormatValue(numboxFind(win, id), text);
  return text;
}

// A box at (60, 20), 56 wide: value box (60, 20)..(113, 33), arrow strip from x = 114.
ControlItem* makeBox(WinId win, uint16_t id, uint16_t sections, uint16_t decimals, double value, double lo, double hi) {
  return numboxCreate(win, id, 60, 20, 56, sections, decimals, value, lo, hi, nullptr, recordChange, "Depth");
}

}  // namespace

TEST(ControlNumbox, TypedTextIsStoredClampedShownAndReported) {
  struct Case {
    const char* name;
    std::string typed;
    uint16_t decimals;
    double lo, hi, stored;
    std::string shown;
  } cases[] = {
      {"letters ignored", "1e3", 2, -10, 100, 13, "13.00"},
      {"minus first", "-.5", 2, -10, 100, -0.5, "-0.50"},
      {"comma separator", "2,5", 2, -10, 100, 2.5, "2.50"},
      {"leftmost separator", "1.2.3", 2, -10, 100, 0.123, "0.13"},
      {"empty text", "", 2, 1, 100, 1, "1.00"},
      {"above the maximum", "500", 2, -10, 100, 100, "100.00"},
      {"minus twice", "--5", 2, -10, 100, -5, "-5.00"},
      {"minus anywhere", "5-", 2, -10, 100, -5, "-5.00"},
      {"lone separator", ".", 2, -10, 100, 0, "0.00"},
      {"exponent", "1e308", 2, -10, 100000, 1308, "1308.00"},
      {"nan", "nan", 2, -10, 100, 0, "0.00"},
      {"inf", "inf", 2, -10, 100, 0, "0.00"},
      {"300 digits set", "=" + std::string(300, '7'), 2, -10, 100, 100, "100.00"},
      {"300 digits, separator past the 256 read", "=" + std::string(299, '7') + ".", 2, -10, 1e200, 1e200,
       "1.000000e+200"},
      {"bytes above 127",
       "\xe9"
       "4\xb0",
       2, -10, 100, 4, "4.00"},
      {"one decimal rounds up", "0.21", 1, 0, 1, 0.21, "0.3"},
      {"one decimal", "0.2", 1, 0, 1, 0.2, "0.2"},
      {"no decimals", "7.25", 0, 0, 10, 7.25, "7"},
      {"six decimals", "0.12345", 6, 0, 1, 0.12345, "0.123450"},
      {"below the minimum", "-20", 3, -10, 100, -10, "-10.000"},
      {"typed past the field's width", "-23.171234567", 6, -100, 100, -23.171234567, "-23.171234"},
  };
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(15);
    openKitWindow(window, 15, 40, 160, 50);
    winShow(15, 1);
    HWND hwnd = window.nativeHandle();
    uint16_t id = 1;  // each case a new box over the last: the highest id takes the press
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      ASSERT_NE(makeBox(15, id, 2, c.decimals, 0.5, c.lo, c.hi), nullptr);
      g_changes.clear();
      postPress(hwnd, 80, 26);
      HWND edit = findEditChild(hwnd);
      ASSERT_NE(edit, nullptr);
      EXPECT_EQ(numboxFind(15, id)->editing, 1);
      postRelease(hwnd, 80, 26);
      if (!c.typed.empty() && c.typed[0] == '=') {
        // Set whole, as a paste would: more than the control shows.
        SetWindowTextA(edit, c.typed.c_str() + 1);
        typeIntoEntry(edit, "", true);
      } else {
        typeIntoEntry(edit, c.typed);
      }
      EXPECT_FALSE(IsWindow(edit)) << "Enter removes the edit control";
      EXPECT_EQ(editBoxIsActive(), 0);
      NumboxData* d = numboxFind(15, id);
      EXPECT_EQ(d->editing, 0);
      EXPECT_DOUBLE_EQ(d->value, c.stored);
      ASSERT_EQ(g_changes.size(), 1u);
      EXPECT_DOUBLE_EQ(g_changes[0], c.stored) << "the page gets the value the box shows";
      EXPECT_EQ(shownText(15, id), c.shown);
      ++id;
    }
    winCloseAll();
  });
}

TEST(ControlNumbox, TheEntryStartsWithTheValueTextAndTheBoxShowsTheTypedValue) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(16);
    openKitWindow(window, 16, 8, 160, 50);
    pictureCreate(16, 1, 0, 0, 160, 50, pictureFill | pictureOwnRect, 0, nullptr);
    pictureSetFillColor(16, 1, 176, 176, 176);
    makeBox(16, 2, 3, 3, 0.25, 0, 10);
    winShow(16, 1);
    HWND hwnd = window.nativeHandle();
    postClick(hwnd, 80, 26);
    HWND edit = findEditChild(hwnd);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(windowText(edit), "0.250");
    RECT r;
    GetWindowRect(edit, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 57 + 4);
    EXPECT_EQ(r.top, 21 - 1);
    typeIntoEntry(edit, "7.5");
    UpdateWindow(hwnd);
    CapturedWindow cap;
    ASSERT_FALSE(windowCapturePng(hwnd, "controls_numbox_typed.png", &cap).empty());
    EXPECT_EQ(shownText(16, 2), "7.500");
    winCloseAll();
  });
}

TEST(ControlNumbox, DraggingRunsTheStepRuleOfTheHeldSection) {
  struct Case {
    const char* name;
    uint16_t sections, decimals;
    double value, lo, hi;
    int pressX, moveUp;
    std::vector<double> changes;
    int16_t mode;
  } cases[] = {
      {"section 1, start cut to two decimals", 3, 2, 0.237, -10, 100, 118, 5, {0.23, 5.23, 5.23}, 1},
      {"section 2", 3, 3, 1.0, -10, 100, 126, 2, {1.0, 1.02, 1.02}, 2},
      {"section 3", 3, 3, 1.0, -10, 100, 134, 2, {1.0, 1.002, 1.002}, 3},
      {"moving down", 3, 3, 1.0, -10, 100, 126, -4, {1.0, 0.96, 0.96}, 2},
      {"clamped to the maximum", 1, 2, 95.0, -10, 100, 118, 10, {95.0, 100.0, 100.0}, 1},
      {"clamped to the minimum", 1, 2, -5.0, -10, 100, 118, -20, {-5.0, -10.0, -10.0}, 1},
      {"large value, six decimals", 1, 6, 5000000.0, -1e7, 1e7, 118, 3, {5000000.0, 5000003.0, 5000003.0}, 1},
      {"large negative value", 1, 6, -4000.123456789, -1e7, 1e7, 118, 0, {-4000.123456, -4000.123456, -4000.123456}, 1},
      {"last pixel of one section", 1, 2, 1.0, -10, 100, 123, 1, {1.0, 2.0, 2.0}, 1},
  };
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      KitWindow window(17);
      openKitWindow(window, 17, 8, 160, 60);
      makeBox(17, 1, c.sections, c.decimals, c.value, c.lo, c.hi);
      winShow(17, 1);
      HWND hwnd = window.nativeHandle();
      g_changes.clear();
      postPress(hwnd, c.pressX, 30);
      NumboxData* d = numboxFind(17, 1);
      EXPECT_EQ(d->pressed, 1);
      postMove(hwnd, c.pressX, 30 - c.moveUp, true);
      EXPECT_EQ(d->pressed, 1);
      postRelease(hwnd, c.pressX, 30 - c.moveUp);
      EXPECT_EQ(d->pressed, 0);
      ASSERT_EQ(g_changes.size(), c.changes.size()) << "press, move, release";
      for (size_t i = 0; i < c.changes.size(); ++i) EXPECT_NEAR(g_changes[i], c.changes[i], 1e-9) << i;
      EXPECT_NEAR(d->value, c.changes.back(), 1e-9);
      EXPECT_EQ(findEditChild(hwnd), nullptr) << "the strip opens no entry";
      winCloseAll();
      window.destroy();
    }
  });
}

TEST(ControlNumbox, APressLeftOfTheStripIsSectionOneAndOddSectionCountsGiveOne) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(18);
    openKitWindow(window, 18, 8, 200, 60);
    makeBox(18, 1, 3, 3, 1.0, -10, 100);
    // Narrow the value box so that the hit area has room left of the strip outside it.
    NumboxData* d = numboxFind(18, 1);
    d->valueRect.right -= 6;
    winShow(18, 1);
    HWND hwnd = window.nativeHandle();
    g_changes.clear();
    postPress(hwnd, 110, 30);
    postMove(hwnd, 110, 28, true);
    postRelease(hwnd, 110, 28);
    ASSERT_EQ(g_changes.size(), 3u);
    EXPECT_NEAR(g_changes[1], 3.0, 1e-9) << "coarse: one per pixel";
    uint16_t id = 2;
    for (uint16_t sections : {0, 4, 65535}) {
      SCOPED_TRACE(sections);
      ControlItem* item = numboxCreate(18, id++, 60, 40, 56, sections, 2, 0, 0, 1, nullptr, nullptr, "");
      ASSERT_NE(item, nullptr);
      NumboxData* b = numboxData(item);
      EXPECT_EQ(b->arrowSections, 1);
      EXPECT_EQ(b->arrowRect.right - b->arrowRect.left, 9);
      EXPECT_EQ(b->step, numboxStepDefault);
      EXPECT_EQ(item->region.rect.right, b->arrowRect.right);
      EXPECT_EQ(item->region.rect.left, b->valueRect.left);
    }
    winCloseAll();
  });
}

TEST(ControlNumbox, TheEditorsSettersClampRelabelAndReconfigure) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(19);
    openKitWindow(window, 19, 8, 200, 60);
    makeBox(19, 1, 2, 2, 0.5, 0, 1);
    winShow(19, 1);
    NumboxData* d = numboxFind(19, 1);
    numboxSetValue(19, 1, 5.0f);
    EXPECT_EQ(d->value, 1.0);
    numboxSetValue(19, 1, -5.0f);
    EXPECT_EQ(d->value, 0.0);
    numboxSetValue(19, 1, std::nanf(""));
    EXPECT_EQ(d->value, 0.0);
    numboxConfigure(19, 1, "Balance", stepHundredth, -1.0f, 1.0f, -0.75f);
    EXPECT_EQ(d->step, stepHundredth);
    EXPECT_EQ(d->minimum, -1.0);
    EXPECT_EQ(d->value, -0.75);
    EXPECT_STREQ(d->label, "Balance");
    EXPECT_EQ(d->labelRect.right - d->labelRect.left, 6 * 7 + 4);
    numboxConfigure(19, 1, nullptr, nullptr, 0.0f, 2.0f, 3.0f);
    EXPECT_EQ(d->step, numboxStepDefault);
    EXPECT_EQ(d->value, 2.0);
    EXPECT_STREQ(d->label, "");
    numboxSetUnit(19, 1, "A unit text far longer than the label can hold");
    EXPECT_EQ(std::strlen(d->label), 23u);
    // Not a number box, or no such item: nothing happens.
    numboxSetValue(19, 7, 1.0f);
    numboxConfigure(33, 1, "x", nullptr, 0, 1, 0);
    numboxSetTextColor(-1286, 0, 32767);
    ControlItem* other = numboxCreate(19, 2, 60, 40, 50, 1, 2, 0, 0, 1, nullptr, nullptr, "x");
    EXPECT_EQ(numboxData(other)->valueColor.r, 251);
    EXPECT_EQ(numboxData(other)->valueColor.g, 0);
    EXPECT_EQ(numboxData(other)->valueColor.b, 127);
    EXPECT_EQ(d->valueColor.g, 251) << "existing boxes keep their colour";
    winCloseAll();
  });
}

TEST(ControlNumbox, WithoutAFontTheBoxIsStillMadeAndSaysSoOnlyWithDiagnostics) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    msgBoxCaptureBegin(0);
    diagSetEnabled(true);
    // No framework window: no device context, so no font.
    winOpen(20, 8, 0, nullptr);
    ControlItem* item = numboxCreate(20, 1, 60, 20, 56, 2, 2, 0.5, 0, 1, nullptr, nullptr, "Label");
    ASSERT_NE(item, nullptr);
    NumboxData* d = numboxData(item);
    EXPECT_EQ(d->fontSlot, -1);
    EXPECT_EQ(d->labelRect.right - d->labelRect.left, 17 + 4);
    ASSERT_EQ(msgBoxCaptureCount(), 1u);
    EXPECT_STREQ(msgBoxCaptureText(0), "brontavel numbox: couln't load font");
    diagSetEnabled(false);
    msgBoxCaptureEnd();
    winCloseAll();
  });
}
