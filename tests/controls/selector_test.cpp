// Popup selectors and the popup table: choices through the menu seam (a hook that answers for the
// modal menu loop), menus built when the selector opens, check marks, a library menu hung under a
// selector, context menus at the mouse, the table's limits, and one real menu closed by a posted cancel.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "GPRegistryKey.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/picture.h"
#include "controls/popupAtMouse.h"
#include "controls/selector.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "kitTestSupport.h"
#include "preset/library.h"
#include "preset/wave.h"
#include "preset/waveMenu.h"
#include "support/tempDir.h"
#include "support/windowCapture.h"
#include "uiSeams/popupMenu.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace selectortest {

namespace {

std::vector<std::string> g_log;
int g_answer;   // what the seam answers
HMENU g_shown;  // the menu it was asked to show
int g_shownCount;
POINT g_shownAt;

int answer(void* menu, int x, int y, void*) {
  g_shown = static_cast<HMENU>(menu);
  g_shownCount = GetMenuItemCount(g_shown);
  g_shownAt = {x, y};
  return g_answer;
}

// Answers with the first entry of the submenu under the selector's first entry.
int answerFromSubmenu(void* menu, int, int, void*) {
  HMENU sub = GetSubMenu(static_cast<HMENU>(menu), 0);
  return sub ? static_cast<int>(GetMenuItemID(sub, 0)) : 0;
}

void chosen(ControlItem* item, int16_t menu, int16_t entry) {
  g_log.push_back("chosen " + std::to_string(item->id) + " " + std::to_string(menu) + " " + std::to_string(entry));
}

void opening(ControlItem* item, int32_t flag) {
  g_log.push_back("opening " + std::to_string(flag));
  if (flag) {
    const WinId win = static_cast<int16_t>(item->windowId);
    menuAppendItem(win, static_cast<uint16_t>(item->id), 1, 1, "Built", 0);
    menuAppendItem(win, static_cast<uint16_t>(item->id), 2, 1, "On open", 0);
  }
}

void atMouse(int16_t index, int16_t menu, int16_t entry) {
  g_log.push_back("at mouse " + std::to_string(index) + " " + std::to_string(menu) + " " + std::to_string(entry));
}

struct SeamScope {
  SeamScope() {
    popupSetTrackHook(answer);
    g_log.clear();
    g_answer = 0;
    g_shown = nullptr;
  }
  ~SeamScope() { popupSetTrackHook(nullptr); }
};

void CALLBACK endMenuBackstop(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }

// The kit started fresh, the menu seam in place and kit window `slot` of the given size open (not
// yet shown).
struct SeamWindow {
  SeamWindow(int16_t slot, int width, int height) : window(slot) { openKitWindow(window, slot, 8, width, height); }
  KitFixtureScope kit;
  SeamScope seam;
  KitWindow window;
};

bool isChecked(HMENU menu, int position) {
  return (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_CHECKED) != 0;
}

}  // namespace

TEST(ControlSelector, AChoiceReachesTheCallbackAsMenuAndEntry) {
  runInApplication([&](RecordingApplication&) {
    SeamWindow fixture(25, 200, 60);
    KitWindow& window = fixture.window;
    selectorSetDefaultBitmap(1100);
    ControlItem* s = selectorCreate(25, 1, 60, 10, 100, 0, 0, 0, "Wave", 1, chosen);
    ASSERT_NE(s, nullptr);
    winShow(25, 1);
    HWND hwnd = window.nativeHandle();
    g_answer = 17 * 256 + 3;
    postClick(hwnd, 80, 15);
    ASSERT_EQ(g_log, (std::vector<std::string>{"chosen 1 17 3"}));
    POINT corner = {60, 10};
    ClientToScreen(hwnd, &corner);
    EXPECT_EQ(g_shownAt.x, corner.x);
    EXPECT_EQ(g_shownAt.y, corner.y) << "the menu opens at the top edge";
    EXPECT_EQ(g_shown, selectorData(s)->menu) << "the selector's own menu";
    // Dismissed: no choice.
    g_log.clear();
    g_answer = 0;
    postClick(hwnd, 80, 15);
    EXPECT_TRUE(g_log.empty());
    winCloseAll();
  });
}

TEST(ControlSelector, AMenuBuiltOnOpeningIsShownAndDestroyedAfterwards) {
  runInApplication([&](RecordingApplication&) {
    SeamWindow fixture(26, 200, 60);
    KitWindow& window = fixture.window;
    selectorSetDefaultBitmap(1100);
    selectorCreate(26, 1, 60, 10, 100, 0, selectorLabelInside, 0, "Mode", 1, chosen);
    selectorSetOpeningCallback(26, 1, opening);
    winShow(26, 1);
    HWND hwnd = window.nativeHandle();
    g_answer = 2;
    postClick(hwnd, 80, 15);
    EXPECT_EQ(g_log, (std::vector<std::string>{"opening 1", "chosen 1 0 2", "opening 0"}));
    EXPECT_EQ(g_shownCount, 2) << "the menu the callback built";
    EXPECT_FALSE(IsMenu(g_shown)) << "destroyed after the choice";
    EXPECT_EQ(selectorFind(26, 1)->menu, nullptr);
    POINT below = {60, ctrlFind(26, 1)->rect.bottom};
    ClientToScreen(hwnd, &below);
    EXPECT_EQ(g_shownAt.y, below.y) << "with the label inside, the menu opens at the bottom edge";
    g_log.clear();
    g_answer = 0;
    postClick(hwnd, 80, 15);
    EXPECT_EQ(g_log, (std::vector<std::string>{"opening 1", "opening 0"})) << "dismissed: no choice";
    EXPECT_FALSE(IsMenu(g_shown));
    winCloseAll();
  });
}

TEST(ControlSelector, SelectingMovesTheCheckMarkAndTheChoiceText) {
  runInApplication([&](RecordingApplication&) {
    SeamWindow fixture(27, 200, 40);
    KitWindow& window = fixture.window;
    pictureCreate(27, 1, 0, 0, 200, 40, pictureFill | pictureOwnRect, 0, nullptr);
    pictureSetFillColor(27, 1, 176, 176, 176);
    selectorSetDefaultBitmap(1100);
    selectorCreate(27, 3, 60, 12, 110, 0, 0, 0, "Wave", 1, nullptr);
    for (const char* t : {"Saw", "Square", "Sine"}) {
      static int n = 0;
      menuAppendItem(27, 3, ++n, 1, t, 0);
    }
    SelectorData* d = selectorFind(27, 3);
    // A picture entry: the bitmap when it exists (greyed when not enabled), else the text.
    menuAppendItem(27, 3, 4, 0, "Meter", 1744);
    menuAppendItem(27, 3, 5, 1, "Missing", 2999);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_BITMAP;
    ASSERT_TRUE(GetMenuItemInfoA(d->menu, 3, TRUE, &info));
    EXPECT_TRUE((info.fType & MFT_BITMAP) || info.hbmpItem) << "a bitmap entry";
    EXPECT_TRUE(info.fState & MFS_GRAYED);
    EXPECT_EQ(bitmapHoldCount(1744), 1);
    char missing[32];
    GetMenuStringA(d->menu, 4, missing, sizeof missing, MF_BYPOSITION);
    EXPECT_STREQ(missing, "Missing");
    EXPECT_EQ(d->entryPictures[4], 1744);
    selectorSelect(27, 3, 2);
    EXPECT_TRUE(isChecked(d->menu, 1));
    EXPECT_STREQ(d->choiceText, "Square");
    selectorSelect(27, 3, 3);
    EXPECT_FALSE(isChecked(d->menu, 1));
    EXPECT_TRUE(isChecked(d->menu, 2));
    EXPECT_STREQ(d->choiceText, "Sine");
    // The default choice callback selects the chosen entry of the selector's own menu.
    winShow(27, 1);
    HWND hwnd = window.nativeHandle();
    g_answer = 1;
    postClick(hwnd, 100, 16);
    EXPECT_STREQ(d->choiceText, "Saw");
    EXPECT_TRUE(isChecked(d->menu, 0));
    EXPECT_FALSE(isChecked(d->menu, 2));
    UpdateWindow(hwnd);
    windowCapturePng(hwnd, "controls_selector.png");
    // A 100-character label and choice keep 31 characters and their terminator.
    std::string longText(100, 'L');
    ControlItem* s2 = selectorCreate(27, 4, 60, 30, 60, 0, selectorNoChecks, 0, longText.c_str(), 1, nullptr);
    ASSERT_NE(s2, nullptr);
    EXPECT_EQ(std::strlen(selectorData(s2)->label), 31u);
    selectorSetLabel(27, 4, longText.c_str());
    EXPECT_EQ(std::strlen(selectorData(s2)->choiceText), 31u);
    EXPECT_EQ(selectorData(s2)->textRect.right, s2->rect.left - 3);
    EXPECT_EQ(selectorData(s2)->textRect.left, s2->rect.left - 6 * 31 - 6);
    // One bitmap instead of the frame: the item is that bitmap's width; the label inside keeps
    // 10 pixels free on the right unless the full width is asked for.
    ControlItem* one =
        selectorCreate(27, 5, 10, 2, 100, 0, selectorOneBitmap | selectorLabelInside, 1102, "x", 1, nullptr);
    EXPECT_EQ(one->rect.right - one->rect.left, 13);
    EXPECT_EQ(selectorData(one)->textRect.right, one->rect.right - 10);
    EXPECT_EQ(bitmapHoldCount(1102), 3);
    EXPECT_EQ(bitmapHoldCount(1103), 2);
    winCloseAll();
    for (int id = 1100; id <= 1105; ++id) EXPECT_EQ(bitmapHoldCount(id), 0) << id;
    EXPECT_EQ(bitmapHoldCount(1744), 0) << "the entry's picture is given back";
  });
}

TEST(ControlSelector, AChoiceInALibrarySubmenuReportsThatSubmenusSlot) {
  // A library folder of this test with one oscillator file.
  const std::string root = testTempDir() + "selector_lib" + testTempDir().back();
  char folderName[32];
  libFolderName(libKindOscillator, folderName, sizeof folderName);
  const std::string folder = root + folderName;
  CreateDirectoryA(root.c_str(), nullptr);
  CreateDirectoryA(folder.c_str(), nullptr);
  {
    FILE* f = std::fopen((folder + "Warm.gly").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    uint32_t head[3] = {libKindId(libKindOscillator), 0, 0};
    std::fwrite(head, sizeof head, 1, f);
    std::fclose(f);
  }
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    SeamScope seam;
    if (!gpSettings()) gpOpenAppRegistry("MorvaneControlTests");
    gpSettings()->setString("LibrariesPath", root.c_str(), 0);
    libScanFolder(libKindOscillator);
    const int16_t slot = libGetKindHandle(libKindOscillator);
    ASSERT_GE(slot, popupFirstFreeSlot);
    ASSERT_EQ(popupItemCount(slot), 1);
    char text[32];
    popupItemText(slot, 0, text, sizeof text);
    EXPECT_STREQ(text, "Warm");
    EXPECT_EQ(popupItemId(slot, 0), 1) << "the entry number, whatever the slot";
    KitWindow window(28);
    openKitWindow(window, 28, 8, 200, 60);
    selectorSetDefaultBitmap(1100);
    selectorCreate(28, 1, 60, 10, 100, 0, 0, 0, "Osc", 1, chosen);
    menuAppendItem(28, 1, 1, 1, "Load from library", 0);
    menuAttachSubmenu(28, 1, 1, slot);
    winShow(28, 1);
    popupSetTrackHook(answerFromSubmenu);
    postClick(window.nativeHandle(), 80, 15);
    EXPECT_EQ(g_log, (std::vector<std::string>{"chosen 1 " + std::to_string(slot) + " 1"}));
    winCloseAll();
    EXPECT_TRUE(popupExists(slot));
    EXPECT_TRUE(IsMenu(static_cast<HMENU>(popupNativeHandle(slot)))) << "the selector's end keeps the table menu";
    libResetForTest();
    gpSettings()->deleteValue("LibrariesPath", 0);
  });
}

TEST(ControlSelector, ContextMenusAtTheMouseCallBackWithSlotAndEntry) {
  runInApplication([&](RecordingApplication&) {
    SeamWindow fixture(29, 100, 40);
    const int16_t slot = popupFindFreeSlot();
    ASSERT_EQ(popupCreate(slot, 0, "module"), 1);
    popupAppend(slot, 4, true, "Copy");
    popupAppend(slot, 5, false, "-");
    EXPECT_EQ(popupItemId(slot, 0), 4);
    g_answer = popupCommand(slot, 4);
    popupMenuAtMouse(29, slot, atMouse);
    EXPECT_EQ(g_log,
              (std::vector<std::string>{"at mouse " + std::to_string(slot) + " " + std::to_string(slot) + " 4"}));
    EXPECT_EQ(g_shown, popupNativeHandle(slot));
    g_log.clear();
    g_answer = 0;
    popupMenuAtMouse(29, slot, atMouse);
    popupMenuAtMouse(29, 3, atMouse);  // a free slot: no menu, nothing shown
    popupMenuAtMouse(29, -1, atMouse);
    EXPECT_TRUE(g_log.empty());
    popupDestroy(slot);
    winCloseAll();
  });
}

TEST(ControlSelector, TheTableHandsOutSlots127DownTo16AndThenNone) {
  std::vector<int16_t> made;
  for (int16_t s = popupFindFreeSlot(); s; s = popupFindFreeSlot()) {
    ASSERT_GE(s, popupFirstFreeSlot);
    ASSERT_EQ(popupCreate(s, 0, nullptr), 1);
    made.push_back(s);
  }
  EXPECT_EQ(made.front(), 127);
  EXPECT_EQ(made.back(), 16);
  EXPECT_EQ(popupCreate(), 0) << "no menu when 16..127 are taken";
  popupAppend(0, 1, true, "never");
  popupCheckItem(0, 1, true);
  EXPECT_EQ(popupItemCount(0), 0) << "slot 0 is never filled";
  EXPECT_EQ(tableLookup128(0), nullptr);
  EXPECT_EQ(tableLookup128(128), nullptr);
  EXPECT_EQ(popupCreate(200, 0, nullptr), 0);
  EXPECT_EQ(popupCreate(127, 0, nullptr), 0) << "taken";
  ASSERT_EQ(popupCreate(3, 0, nullptr), 1) << "low slots only on request";
  popupAppend(3, 1, true, "One");
  popupAppend(3, 2, true, "Two");
  popupCheckItem(3, 2, true);
  EXPECT_TRUE(popupItemChecked(3, 1));
  popupAttachSubmenu(3, 1, 127);
  EXPECT_EQ(GetSubMenu(static_cast<HMENU>(popupNativeHandle(3)), 0), popupNativeHandle(127));
  popupAttachSubmenu(3, 1, 0);                                             // no such menu: unchanged
  RemoveMenu(static_cast<HMENU>(popupNativeHandle(3)), 0, MF_BYPOSITION);  // keep 127 alive
  popupDestroy(3);
  for (int16_t s : made) popupDestroy(s);
  EXPECT_EQ(popupFindFreeSlot(), 127);
}

TEST(ControlSelector, ARealMenuIsClosedByAPostedCancel) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    popupSetTrackHook(nullptr);
    KitWindow window(31);
    openKitWindow(window, 31, 8, 200, 60);
    selectorSetDefaultBitmap(1100);
    selectorCreate(31, 1, 60, 10, 100, 0, 0, 0, "Real", 1, chosen);
    selectorSetOpeningCallback(31, 1, opening);
    winShow(31, 1);
    HWND hwnd = window.nativeHandle();
    g_log.clear();
    // A backstop that ends the menu loop should the posted cancel not reach it.
    const UINT_PTR timer = SetTimer(nullptr, 0, 3000, endMenuBackstop);
    PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 15));
    PostMessageA(hwnd, WM_CANCELMODE, 0, 0);
    const auto start = std::chrono::steady_clock::now();
    drainMessages();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    KillTimer(nullptr, timer);
    postRelease(hwnd, 80, 15);
    EXPECT_EQ(g_log, (std::vector<std::string>{"opening 1", "opening 0"}));
    EXPECT_LT(ms, 2000.0) << "closed by the cancel, not the backstop";
    std::printf("real popup menu opened and cancelled in %.1f ms\n", ms);
    winCloseAll();
  });
}

TEST(ControlSelector, TheWaveChooserFillsASelectorAndItsChoiceBecomesTheLabel) {
  presetWavesInit();
  Engine* engine = engineCreate();
  ASSERT_NE(engine, nullptr);
  struct PageData {
    Engine* engine;
  } page = {engine};
  runInApplication([&](RecordingApplication&) {
    SeamWindow fixture(30, 200, 60);
    KitWindow& window = fixture.window;
    winSetUserData(30, &page);
    selectorSetDefaultBitmap(1100);
    selectorCreate(30, 1, 60, 10, 100, 0, 0, 0, "Wave A", 1, chosen);
    waveMenuSetLabel(30, 1, 2);
    char name[40] = {0};
    waveGetName(engine, 2, name);
    EXPECT_STREQ(selectorFind(30, 1)->choiceText, name);
    waveMenusInit();
    waveMenusSetup(30, 1, true);
    HMENU menu = selectorFind(30, 1)->menu;
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    char text[40];
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, name) << "the current wave first";
    const int16_t factory = waveMenuFactoryHandle();
    EXPECT_EQ(GetSubMenu(menu, 2), popupNativeHandle(factory));
    EXPECT_EQ(GetSubMenu(menu, 1), popupNativeHandle(waveMenuPresetHandle()));
    // Entry 3 of the factory list, chosen through the selector's menu.
    g_answer = static_cast<int>(GetMenuItemID(GetSubMenu(menu, 2), 2));
    postClick(window.nativeHandle(), 80, 15);
    ASSERT_EQ(g_log, (std::vector<std::string>{"chosen 1 " + std::to_string(factory) + " 3"}));
    const int16_t wave = waveMenuItemToWave(3, factory);
    waveMenuSetLabel(30, 1, wave);
    waveGetName(engine, wave, name);
    EXPECT_STREQ(selectorFind(30, 1)->choiceText, name);
    winSetUserData(30, nullptr);
    waveMenuSetLabel(30, 1, 5);  // no engine: unchanged
    EXPECT_STREQ(selectorFind(30, 1)->choiceText, name);
    winCloseAll();
    waveMenusSetup(30, 1, false);
    waveMenusClearFlag();
  });
  engineDestroy(engine);
}

}  // namespace selectortest
