// The main window, its menus and commands inside the real program: the module and the application
// start as Morvane does (with the "Audio Setup" dialog of the empty store noted instead of shown), and
// the tests run inside the program's message loop on window 1, with keys posted to the real window,
// popups answered through the popup seam, files through the file-chooser seam, captures kept as PNG.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../preset/bankTestIo.h"
#include "NGLFormHost.h"
#include "about/aboutBoxTestSupport.h"
#include "about/aboutDialog.h"
#include "app/aboutBox.h"
#include "app/appCommands.h"
#include "app/appRegistry.h"
#include "app/appSettings.h"
#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/mainWindowPopups.h"
#include "app/synthApp.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/levelMeter.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "midi/midiPage.h"
#include "midi/noteCurveClip.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/presetCopy.h"
#include "preset/presetHeader.h"
#include "preset/wave.h"
#include "support/tempDir.h"
#include "support/windowCapture.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"
#include "wave/wavePage.h"

namespace {

SynthAppModule g_module;
int g_setupOpened = 0;

void noteAudioSetup(SynthApp*) { ++g_setupOpened; }

// A key as the window gets it from the keyboard (with Ctrl held when asked).
void pressKey(UINT vk, bool ctrl = false, bool repeat = false) {
  BYTE state[256];
  GetKeyboardState(state);
  const BYTE kept = state[VK_CONTROL];
  if (ctrl) state[VK_CONTROL] |= 0x80;
  SetKeyboardState(state);
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16;
  PostMessageA(mainHandle(), WM_KEYDOWN, vk, 1 | scan | (repeat ? (1L << 30) : 0));
  pump();
  PostMessageA(mainHandle(), WM_KEYUP, vk, 1 | scan | (1L << 30) | (1L << 31));
  pump();
  state[VK_CONTROL] = kept;
  SetKeyboardState(state);
}

bool command(std::int32_t id) {
  UiaCommandEvent e = {id};
  return app()->handleEvent(UIA_EVENT_COMMAND, &e);
}

void selectOwn() {
  winSetCurrent(1);
  winSelectPort(1, nullptr);
}

ButtonData* tab(int page) {
  selectOwn();
  ControlItem* item = ctrlFindKind(1, static_cast<std::uint16_t>(page + 7), kindButton);
  return item ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
}

std::vector<int> pressedTabs() {
  std::vector<int> on;
  for (int p = pageFirst; p <= pageLast; ++p)
    if (tab(p) && tab(p)->pressed) on.push_back(p);
  return on;
}

std::vector<int> shownPanes() {
  std::vector<int> shown;
  selectOwn();
  for (int p = pageFirst; p <= pageLast; ++p)
    if (ctrlIsVisible(1, static_cast<std::uint16_t>(p))) shown.push_back(p);
  return shown;
}

std::string readUserText(const char* name) {
  std::string text;
  return storedText(name, &text) ? text : std::string();
}

void deleteUserValue(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name);
  RegCloseKey(key);
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// ---- recording stand-ins for the seven pages

std::vector<std::string> g_pageCalls;

template <int P>
void recBuild(WinId) {}
template <int P>
void recShow(WinId win, std::uint8_t on) {
  g_pageCalls.push_back(std::to_string(P) + (on ? "+" : "-"));
  pageShowPane(win, P, on);
}
template <int P>
std::uint8_t recShown(WinId win) {
  return pagePaneShown(win, P);
}
template <int P>
void recRefresh(WinId) {
  g_pageCalls.push_back("refresh " + std::to_string(P));
}
template <int P>
PageEntry recEntry() {
  return PageEntry{recBuild<P>, recShow<P>, recShown<P>, recRefresh<P>};
}

struct RecordingPages {
  RecordingPages() {
    pageSetEntry(2, recEntry<2>());
    pageSetEntry(3, recEntry<3>());
    pageSetEntry(4, recEntry<4>());
    pageSetEntry(5, recEntry<5>());
    pageSetEntry(6, recEntry<6>());
    pageSetEntry(7, recEntry<7>());
    pageSetEntry(8, recEntry<8>());
    g_pageCalls.clear();
  }
  ~RecordingPages() {
    pageResetEntries();
    mainWindowShowPage(1, pageMain);
  }
};

// ---- the popup seam: the menu that opens is read, and an entry chosen by text

struct PopupSeen {
  std::vector<std::string> texts;  // "-" for separators
  std::vector<bool> enabled;
  std::vector<bool> checked;
  std::vector<std::string> submenu;  // texts of the submenu at position 3, when one hangs there
  std::vector<bool> submenuChecked;
};
PopupSeen g_seen;
std::string g_choose;  // the text of the entry to choose ("" none)
bool g_chooseInSub = false;

int answerPopup(void* menu, int, int, void*) {
  HMENU h = static_cast<HMENU>(menu);
  g_seen = PopupSeen();
  int chosen = 0;
  const int n = GetMenuItemCount(h);
  for (int k = 0; k < n; ++k) {
    char text[128] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    GetMenuItemInfoA(h, static_cast<UINT>(k), TRUE, &info);
    const bool separator = (info.fType & MFT_SEPARATOR) != 0;
    g_seen.texts.push_back(separator ? "-" : text);
    g_seen.enabled.push_back(!(info.fState & MFS_GRAYED));
    g_seen.checked.push_back((info.fState & MFS_CHECKED) != 0);
    if (!g_chooseInSub && !separator && g_choose == text && !(info.fState & MFS_GRAYED))
      chosen = static_cast<int>(info.wID);
    if (info.hSubMenu) {
      const int m = GetMenuItemCount(info.hSubMenu);
      for (int j = 0; j < m; ++j) {
        char sub[32] = {};
        GetMenuStringA(info.hSubMenu, static_cast<UINT>(j), sub, sizeof sub, MF_BYPOSITION);
        g_seen.submenu.push_back(sub);
        g_seen.submenuChecked.push_back(
            (GetMenuState(info.hSubMenu, static_cast<UINT>(j), MF_BYPOSITION) & MF_CHECKED) != 0);
        if (g_chooseInSub && g_choose == sub) chosen = static_cast<int>(GetMenuItemID(info.hSubMenu, j));
      }
    }
  }
  return chosen;
}

// Opens a top-strip popup with a real click on it and chooses the entry with that text.
void openPopup(std::uint16_t item, const std::string& choose, bool inSubmenu = false) {
  g_choose = choose;
  g_chooseInSub = inSubmenu;
  popupSetTrackHook(answerPopup);
  selectOwn();
  CtrlRect r;
  ctrlGetRect(1, item, &r);
  const LPARAM at = MAKELPARAM(r.left + 5, r.top + 5);
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, at);
  pump();
  popupSetTrackHook(nullptr);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(app(), nullptr);
    ASSERT_NE(mainHandle(), nullptr);
    appChooseFileSetRoutine(nullptr);  // the script answers
    appChooseFileClearQueue();
    msgBoxCaptureBegin(msgAnswerOk);
    mainWindowShowPage(1, pageMain);
    pump();
    // What earlier tests did to the playing sound is not asked about as an unstored edit.
    bankNoteSound(bank(), engine());
  }
  void TearDown() override {
    msgBoxCaptureEnd();
    appChooseFileClearQueue();
    ctrlSetTickSource(nullptr);
  }
};

// ---- the window and its pages

TEST_F(MainWindowTest, StripIsItsBitmapWithTheMainTabPressedAndFKeysSwitchPages) {
  EXPECT_EQ(g_setupOpened, 1) << "an empty store opens the Audio Setup dialog once at start-up";
  CapturedWindow cap;
  ASSERT_FALSE(windowCapturePng(mainHandle(), "main_window_main_page.png", &cap).empty());
  ASSERT_GE(cap.width, 650);
  // Left of the popups the strip is bitmap 1700 as it stands; the Main tab shows the pressed tab
  // look, every other tab the plain one.
  EXPECT_GT(matchShare(cap, 1700, 0, 0, 135, 72, 0, 0), 0.99);
  EXPECT_GT(matchShare(cap, 1709, 190, 11, 44, 39, 0, 0), 0.99);
  for (int k = 1; k < 7; ++k) {
    const int x[7] = {190, 235, 278, 321, 364, 407, 450}, sx[7] = {0, 45, 88, 131, 174, 217, 260};
    EXPECT_GT(matchShare(cap, 1708, x[k], 11, 43, 39, sx[k], 0), 0.99) << "tab " << k + 9;
  }
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageMain});
  EXPECT_EQ(shownPanes(), std::vector<int>{pageMain});

  const UINT keys[7] = {VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11};
  for (int k = 0; k < 7; ++k) {
    const auto start = std::chrono::steady_clock::now();
    pressKey(keys[k]);
    const double ms = msSince(start);
    const int page = pageMain + k;
    SCOPED_TRACE(page);
    EXPECT_EQ(pressedTabs(), std::vector<int>{page});
    EXPECT_EQ(shownPanes(), std::vector<int>{page});
    std::printf("page switch F%d: %.2f ms (key posted to page shown)\n", 5 + k, ms);
    windowCapturePng(mainHandle(), "main_window_page_" + std::to_string(page) + ".png");
  }
  for (int page = pageFirst; page <= pageLast; ++page) {
    const auto start = std::chrono::steady_clock::now();
    mainWindowShowPage(1, page);
    pump(1);
    std::printf("page %d shown and painted: %.2f ms\n", page, msSince(start));
  }
  // A held key repeats without switching again; F3 asks for window 2 (the Record window).
  pressKey(VK_F5);
  // The Main page's heights count the strip: the client ends where its lower panel ends.
  EXPECT_EQ(winGetClientHeight(1), static_cast<MainWindowData*>(winGetUserData(1))->mainPageHeight);
  const int redraws = mainWindowTabRedraws();
  pressKey(VK_F6, false, true);
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageMain});
  EXPECT_EQ(mainWindowTabRedraws(), redraws);
  ASSERT_NE(winSlot(2), nullptr) << "the Record window is made at start-up";
  winShow(2, false);
  pressKey(VK_F3);
  EXPECT_TRUE(winSlot(2)->visible);
  winShow(2, false);
}

TEST_F(MainWindowTest, PageProtocolShowsTheChosenPageFirstThenHidesTheOthersInOrder) {
  RecordingPages pages;
  mainWindowShowPage(1, pageEnvelope);
  EXPECT_EQ(g_pageCalls, (std::vector<std::string>{"6+", "8-", "2-", "3-", "4-", "5-", "7-"}));
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageEnvelope});

  g_pageCalls.clear();
  mainWindowShowPage(1, pagePatch);
  EXPECT_EQ(g_pageCalls, (std::vector<std::string>{"3+", "2-", "4-", "5-", "6-", "7-", "8-"}));

  // The shown page again: its show runs, no tab is redrawn.
  g_pageCalls.clear();
  const int redraws = mainWindowTabRedraws();
  mainWindowShowPage(1, pagePatch);
  EXPECT_EQ(g_pageCalls.front(), "3+");
  EXPECT_EQ(mainWindowTabRedraws(), redraws);
  // Another page: the two tabs whose state changed.
  mainWindowShowPage(1, pageLfo);
  EXPECT_EQ(mainWindowTabRedraws(), redraws + 2);

  // Refresh-all refreshes the first shown page in its own order only.
  g_pageCalls.clear();
  mainWindowRefreshAll(1);
  EXPECT_EQ(g_pageCalls, std::vector<std::string>{"refresh 7"});
  // Page numbers outside 2..8 change nothing.
  g_pageCalls.clear();
  mainWindowShowPage(1, 9);
  mainWindowShowPage(1, 1);
  EXPECT_TRUE(g_pageCalls.empty());
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageLfo});
}

TEST_F(MainWindowTest, LockedTabsDrawDisabledAndThePanesCannotDraw) {
  mainWindowShowPage(1, pageWave);
  mainWindowEnablePageTabs(1, false);
  pump();
  selectOwn();
  for (int p = pageFirst; p <= pageLast; ++p) {
    SCOPED_TRACE(p);
    EXPECT_EQ(ctrlFind(1, static_cast<std::uint16_t>(p))->drawable, 0);
    EXPECT_EQ(tab(p)->item->drawable, 0);
    EXPECT_EQ(tab(p)->picture, p == pageWave ? 1711 : 1710);
  }
  CapturedWindow cap;
  windowCapturePng(mainHandle(), "main_window_tabs_locked.png", &cap);
  EXPECT_GT(matchShare(cap, 1711, 278, 11, 43, 39, 88, 0), 0.99);
  EXPECT_GT(matchShare(cap, 1710, 190, 11, 44, 39, 0, 0), 0.99);
  // A click on a locked tab switches nothing.
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 30));
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, MAKELPARAM(200, 30));
  pump();
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageWave});
  mainWindowEnablePageTabs(1, true);
  pump();
  for (int p = pageFirst; p <= pageLast; ++p) EXPECT_EQ(tab(p)->picture, p == pageWave ? 1709 : 1708);
  // Unlocked, a click on the Main tab switches.
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 30));
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, MAKELPARAM(200, 30));
  pump();
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageMain});
}

// A click on the Wave tab opens the Wave page: its selector, without preset waves the two messages,
// and with a wave made by another page's "preset->new" the display drawing it; Ctrl+C then copies
// the wave.
TEST_F(MainWindowTest, TheWaveTabOpensTheWavePage) {
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(278 + 21, 30));
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, MAKELPARAM(278 + 21, 30));
  pump();
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageWave});
  ASSERT_TRUE(wavePageIsShown(1));
  wavePageSelectPane(1);
  EXPECT_NE(ctrlFind(1, waveItemSelector), nullptr);
  EXPECT_NE(ctrlFind(1, waveItemDisplay), nullptr);
  EXPECT_EQ(ctrlIsShown(1, waveItemNoWaves) != 0, waveEditGetCurrentWave() < 0);
  CapturedWindow cap;
  windowCapturePng(mainHandle(), "main_window_wave_page.png", &cap);
  const std::int16_t id = engineClaimPresetWave(engine());
  ASSERT_GE(id, 0);
  float samples[waveLength];
  for (int i = 0; i < waveLength; ++i)
    samples[i] = static_cast<float>(0.8 * std::sin(2 * 3.14159265358979 * i / waveLength));
  waveCopySamplesIn(engine(), static_cast<std::uint16_t>(id & 0xFF), samples);
  mainWindowShowPage(1, pageMain);
  waveEditRefreshAll(1, static_cast<std::int16_t>(id & 0xFF));
  pump();
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageWave});
  EXPECT_EQ(waveEditGetCurrentWave(), id & 0xFF);
  wavePageSelectPane(1);
  EXPECT_FALSE(ctrlIsShown(1, waveItemNoWaves));
  EXPECT_EQ(clipGetCopyKind(), clipKindWave);
  windowCapturePng(mainHandle(), "main_window_wave_page_sine.png", &cap);
  // The sine's polyline crosses the display's middle row at its left end.
  CtrlRect r;
  ctrlGetRect(1, waveItemDisplay, &r);
  const int ox = winGetOriginX(1), oy = winGetOriginY(1);
  int lit = 0;
  for (int y = 126; y <= 131; ++y) lit += cap.at(r.left + ox, r.top + y + oy) == 0xCCFE31u;
  EXPECT_GT(lit, 0);
  engine()->presetWaves[id & 0xFF].state = waveStateFree;
  mainWindowShowPage(1, pageMain);
}

TEST_F(MainWindowTest, ItemEighteenIsMadeOnceAndHoldsItsBitmapOnce) {
  selectOwn();
  ControlItem* end = ctrlFind(1, mainItemStripEnd);
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->kind, kindFramePicture);
  // 1701 is held by item 18 and by the About button (its pressed look, the id after 1700): twice,
  // and a third request for item 18 at the same place changes nothing.
  EXPECT_EQ(bitmapHoldCount(1701), 2);
  EXPECT_EQ(framePictureCreate(1, mainItemStripEnd, 648, 0, 8, 1701, 1, nullptr), nullptr);
  EXPECT_EQ(bitmapHoldCount(1701), 2);
  EXPECT_EQ(ctrlFind(1, mainItemStripEnd), end);
  CtrlRect r;
  ctrlGetRect(1, mainItemStripEnd, &r);
  EXPECT_EQ(r.right - r.left, 1200);
}

TEST_F(MainWindowTest, WindowDataStartsWithItsInitialValuesAndClearedSlots) {
  MainWindowData* d = static_cast<MainWindowData*>(winGetUserData(1));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->engine, engine());
  EXPECT_EQ(d->bank, bank());
  // The record starts in layout 5; the Main page's first refresh lays out the default preset's
  // controller slots (a pad and a slider: layout 4), at the page height of layout 4.
  EXPECT_EQ(d->mainPageMode, 4);
  EXPECT_EQ(d->mainPageHeight, 356);
  EXPECT_EQ(d->shownBend, 64);
  EXPECT_EQ(d->tuningKeysPerOctave, 12);
  EXPECT_EQ(d->tuningOctaveRatio, 2.0);
  EXPECT_EQ(d->envView.pageWidth, 827);
  EXPECT_EQ(d->envView.pageHeight, 645);
  for (float w : d->balanceWeights) EXPECT_EQ(w, 1.0f);
  for (const MidiSlot& slot : d->midiSlots) {
    EXPECT_EQ(slot.used, 0);
    EXPECT_EQ(slot.controller, -10);
    EXPECT_EQ(slot.xController, -10);
    EXPECT_EQ(slot.yController, -10);
    EXPECT_EQ(slot.partner, -10);
    EXPECT_EQ(slot.entry, nullptr);
  }
  // Clearing keeps the notify ids; slot numbers outside 0..11 change nothing.
  MidiSlot slots[12];
  std::memset(slots, 0x5A, sizeof slots);
  midiSlotClear(slots, 11);
  EXPECT_EQ(slots[11].controller, -10);
  EXPECT_EQ(slots[11].notifyIds[0], 0x5A5A5A5Au);
  const MidiSlot before = slots[0];
  midiSlotClear(slots, 12);
  midiSlotClear(slots, -1);
  EXPECT_EQ(slots[0].controller, before.controller);
  EXPECT_EQ(slots[0].used, before.used);
}

TEST_F(MainWindowTest, AnEditedPresetNameIsCutTo33CharactersAndMarksTheSoundModified) {
  selectOwn();
  ControlItem* display = ctrlFindKind(1, mainItemPresetName, kindDisplay);
  ASSERT_NE(display, nullptr);
  engineClearModified(engine());
  displayEntryStore(display, "A preset name far longer than thirty-three characters");
  char name[35] = {};
  patchGetName(engine(), name);
  EXPECT_STREQ(name, "A preset name far longer than thi");
  char shown[64] = {};
  displayGetText(1, mainItemPresetName, shown, sizeof shown);
  EXPECT_STREQ(shown, name);
  EXPECT_TRUE(engineIsModified(engine()));
}

// ---- menu bar

TEST_F(MainWindowTest, MenuBarHasEveryItemIdSeparatorAndKey) {
  struct Row {
    const char* text;  // null: separator
    int id;
    const char* key;
  };
  const std::vector<std::vector<Row>> expected = {{{"&New", 30201, "Ctrl+N"},
                                                   {"&Open...", 30202, "Ctrl+O"},
                                                   {nullptr, 0, ""},
                                                   {"&Save", 30204, "Ctrl+S"},
                                                   {"Save As...", 30205, ""},
                                                   {nullptr, 0, ""},
                                                   {"Consolidate bank...", 20026, ""},
                                                   {nullptr, 0, ""},
                                                   {"Import Preset...", 20000, ""},
                                                   {nullptr, 0, ""},
                                                   {"E&xit", 30002, ""}},
                                                  {{"Undo", 30101, "Ctrl+Z"},
                                                   {nullptr, 0, ""},
                                                   {"Cut", 30103, "Ctrl+X"},
                                                   {"Copy", 30104, "Ctrl+C"},
                                                   {"Paste", 30105, "Ctrl+V"},
                                                   {"Clear", 30106, ""},
                                                   {"Select All", 30107, ""},
                                                   {nullptr, 0, ""},
                                                   {"Balance levels", 20002, "Ctrl+B"}},
                                                  {{"Audio and Midi settings...", 20003, ""},
                                                   {nullptr, 0, ""},
                                                   {"Enable program change", 20004, ""},
                                                   {"Auto balance channels", 20005, ""}},
                                                  {{"Main", 20006, "F5"},
                                                   {nullptr, 0, ""},
                                                   {"Patch", 20007, "F6"},
                                                   {"Wave", 20008, "F7"},
                                                   {"Effect", 20009, "F8"},
                                                   {"Envelope", 20010, "F9"},
                                                   {"Lfo", 20011, "F10"},
                                                   {"Midi", 20012, "F11"},
                                                   {nullptr, 0, ""},
                                                   {"Record", 20013, "F3"}},
                                                  {{"&About Morvane...", 30003, ""}}};
  const char* titles[5] = {"&File", "&Edit", "Setup", "Window", "?"};
  HMENU bar = GetMenu(mainHandle());
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 5);
  // The Edit menu's labels follow the page; on the Main page they are the plain ones.
  clipSetCopyKind(0);
  for (int m = 0; m < 5; ++m) {
    char title[64] = {};
    GetMenuStringA(bar, static_cast<UINT>(m), title, sizeof title, MF_BYPOSITION);
    EXPECT_STREQ(title, titles[m]);
    HMENU menu = GetSubMenu(bar, m);
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(expected[m].size())) << titles[m];
    for (std::size_t k = 0; k < expected[m].size(); ++k) {
      SCOPED_TRACE(std::string(titles[m]) + " " + std::to_string(k));
      const Row& row = expected[m][k];
      MENUITEMINFOA info = {};
      char text[128] = {};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = sizeof text - 1;
      GetMenuItemInfoA(menu, static_cast<UINT>(k), TRUE, &info);
      if (!row.text) {
        EXPECT_TRUE(info.fType & MFT_SEPARATOR);
        continue;
      }
      const std::string want = std::string(row.text) + (row.key[0] ? std::string("\t") + row.key : "");
      EXPECT_EQ(std::string(text), want);
      EXPECT_EQ(static_cast<int>(info.wID), row.id);
    }
  }
  EXPECT_EQ(app()->acceleratorCommand(0x20000000u | 'O'), 30202);
  EXPECT_EQ(app()->acceleratorCommand(166), 20007);

  // Ctrl+O on the window sends 30202: the open dialog is asked for (and cancelled).
  const int calls = appChooseFileCalls();
  pressKey('O', true);
  EXPECT_EQ(appChooseFileCalls(), calls + 1);
  EXPECT_EQ(appChooseFileLastKind(), appDialogOpen);

  // Cut, Clear and Select All are taken and do nothing.
  const std::int16_t current = bankCurrentIndex(bank());
  for (int id : {30103, 30106, 30107}) EXPECT_TRUE(command(id));
  EXPECT_EQ(bankCurrentIndex(bank()), current);
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
  EXPECT_FALSE(command(12345));

  // Setup positions 2 and 3 carry the switches' check marks.
  HMENU setupMenu = GetSubMenu(bar, 2);
  for (int round = 0; round < 2; ++round) {
    const bool pgm = appSwitches()->enableProgramChange != 0;
    EXPECT_EQ((GetMenuState(setupMenu, 2, MF_BYPOSITION) & MF_CHECKED) != 0, pgm);
    EXPECT_EQ((GetMenuState(setupMenu, 3, MF_BYPOSITION) & MF_CHECKED) != 0, mainWinGetAutoBalance(1) != 0);
    command(20004);
    command(20005);
    EXPECT_EQ(appSwitches()->enableProgramChange != 0, !pgm);
  }
}

// ---- quitting

std::uint32_t g_clockMs = 0;
std::uint32_t fakeClock() { return g_clockMs; }

TEST_F(MainWindowTest, QuitQueriesWithinHalfASecondAnswerNoAndABackwardClockSavesAgain) {
  ctrlSetTickSource(fakeClock);
  appQuitQueryReset();
  struct Step {
    std::uint32_t ms;
    bool allowed;
  };
  const Step steps[] = {{100000, true}, {100300, false}, {100900, true}, {50000, true}, {50100, false}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.ms);
    g_clockMs = s.ms;
    deleteUserValue("enablePgm");
    deleteUserValue("brontavel 05");
    UiaAllowEvent query = {1};
    app()->handleEvent(UIA_EVENT_MAY_QUIT, &query);
    EXPECT_EQ(query.allow != 0, s.allowed);
    DWORD value = 0;
    EXPECT_EQ(storedInt("enablePgm", &value), s.allowed);
    EXPECT_EQ(storedInt("brontavel 05", &value), s.allowed);
  }
  appQuitQueryReset();
}

// ---- bank files

struct TempBank {
  Bank* b = bankCreate();
  ~TempBank() { bankDestroy(b); }
};

TEST_F(MainWindowTest, BankFilesOpenInEitherByteOrderAndSaveFieldIdentical) {
  TempBank source;
  banktest::fillRandomBank(source.b, 33);
  const std::string little = testTempPath("main_bank_le.glo");
  const std::string big = testTempPath("main_bank_be.glo");
  const banktest::Bytes bytes = banktest::saveBank(source.b, little);
  banktest::writeFile(big, banktest::bankToBigEndian(bytes));

  for (const std::string& path : {little, big}) {
    SCOPED_TRACE(path);
    cmdNew(1, engine(), bank());
    bank()->current = 5;
    appChooseFileQueue(1, path.c_str());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(command(30202));
    std::printf("Open of a bank of 128 full presets: %.1f ms\n", msSince(start));
    EXPECT_EQ(bankCurrentIndex(bank()), 5);
    EXPECT_EQ(engine()->header.slot, 5);
    char name[35] = {};
    patchGetName(engine(), name);
    selectOwn();
    char shown[64] = {};
    displayGetText(1, mainItemPresetName, shown, sizeof shown);
    EXPECT_STREQ(shown, name);
    displayGetText(1, mainItemPresetNumber, shown, sizeof shown);
    EXPECT_STREQ(shown, "5");
    char title[65] = {};
    bankGetTitle(bank(), title);
    displayGetText(1, mainItemBankName, shown, sizeof shown);
    EXPECT_STREQ(shown, title[0] ? title : "Untitled Bank");
    EXPECT_EQ(msgBoxCaptureCount(), 0u);
  }
  windowCapturePng(mainHandle(), "main_window_bank_open.png");

  // Save As writes the bank (a file that reads back as the same bytes); Save writes to it again.
  const std::string saved = testTempPath("main_bank_saved.glo");
  DeleteFileA(saved.c_str());
  appChooseFileQueue(1, saved.c_str());
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(command(30205));
  std::printf("Save As of a bank of 128 full presets: %.1f ms\n", msSince(start));
  EXPECT_EQ(banktest::readFile(saved), bytes);
  DeleteFileA(saved.c_str());
  start = std::chrono::steady_clock::now();
  ASSERT_TRUE(command(30204));
  std::printf("Save of a bank of 128 full presets: %.1f ms\n", msSince(start));
  EXPECT_EQ(banktest::readFile(saved), bytes);
  // Both files head the recent list, newest first, in the popup and in the store.
  EXPECT_EQ(readUserText("bankPath 0"), saved);
  char recent[261] = {};
  ASSERT_TRUE(recentFileName(0, recent, sizeof recent));
  EXPECT_STREQ(recent, "main_bank_saved.glo");
  EXPECT_EQ(msgBoxCaptureCount(), 0u);
}

TEST_F(MainWindowTest, AFailedOrCancelledOpenKeepsBankAndUnstoredEdit) {
  cmdNew(1, engine(), bank());
  patchSetName(engine(), "Unstored edit");
  engineSetModified(engine());  // as the name box marks it
  const std::string truncated = testTempPath("main_bank_cut.glo");
  const std::string unknown = testTempPath("main_bank_unknown.glo");
  {
    TempBank source;
    banktest::fillRandomBank(source.b, 7);
    banktest::Bytes bytes = banktest::saveBank(source.b, truncated);
    banktest::Bytes head(bytes.begin(), bytes.begin() + 40);
    banktest::writeFile(truncated, head);
    bytes[0] = 'X';  // the container id
    banktest::writeFile(unknown, bytes);
  }
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  struct Case {
    int result;
    std::string path;
    bool message;
  };
  const Case cases[] = {{0, "", false},
                        {1, truncated, true},
                        {1, unknown, true},
                        {1, folder, true},
                        {1, testTempPath("no_such_bank.glo"), true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    // The unstored edit is asked about first; No leaves it unstored and the open goes on.
    msgBoxCaptureEnd();
    msgBoxCaptureBegin(msgAnswerNo);
    appChooseFileQueue(c.result, c.path.c_str());
    command(30202);
    char name[35] = {};
    patchGetName(engine(), name);
    EXPECT_STREQ(name, "Unstored edit");
    ASSERT_GE(msgBoxCaptureCount(), 1u);
    EXPECT_EQ(std::string(msgBoxCaptureText(0)).find("The sound \"Unstored edit\" has edits"), 0u);
    EXPECT_EQ(msgBoxCaptureCount() > 1, c.message);
  }
}

TEST_F(MainWindowTest, ARecentFileThatIsGoneShowsItsMessageAndTheBankStays) {
  TempBank source;
  banktest::fillRandomBank(source.b, 9);
  const std::string path = testTempPath("main_bank_recent.glo");
  banktest::saveBank(source.b, path);
  recentFileNote(path.c_str());
  DeleteFileA(path.c_str());
  patchSetName(engine(), "Playing");
  engineSetModified(engine());  // as the name box marks it
  Preset* before = bank()->slots[0];
  // The unstored edit is asked about first; No leaves it unstored and the recent file is tried.
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerNo);
  EXPECT_TRUE(command(20016));  // the first recent entry (File popup position 11)
  ASSERT_EQ(msgBoxCaptureCount(), 2u);
  EXPECT_EQ(std::string(msgBoxCaptureText(0)).find("The sound \"Playing\" has edits"), 0u);
  EXPECT_STREQ(msgBoxCaptureText(1), "Open file failed, error 77315");
  EXPECT_EQ(msgBoxCaptureStyle(1), 48);
  EXPECT_EQ(bank()->slots[0], before);
  char name[35] = {};
  patchGetName(engine(), name);
  EXPECT_STREQ(name, "Playing");
}

TEST_F(MainWindowTest, AFailedSaveShowsAMessageAndAnswersFalse) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  appChooseFileQueue(1, folder);  // a folder cannot take the bank
  EXPECT_FALSE(cmdSave(1, bank(), 1));
  EXPECT_EQ(msgBoxCaptureCount(), 1u);
  appChooseFileQueue(0, "");  // cancelled: no message
  EXPECT_FALSE(cmdSave(1, bank(), 2));
  EXPECT_EQ(msgBoxCaptureCount(), 1u);
}

TEST_F(MainWindowTest, ImportPresetPutsTheFilesFirstPresetInTheCurrentSlot) {
  TempBank source;
  banktest::fillRandomBank(source.b, 44);
  const std::string path = testTempPath("main_bank_import.glo");
  banktest::saveBank(source.b, path);
  cmdNew(1, engine(), bank());
  bankSelectPreset(bank(), engine(), 12);
  Preset* other = bank()->slots[13];
  appChooseFileQueue(1, path.c_str());
  EXPECT_TRUE(command(20000));
  EXPECT_EQ(bankCurrentIndex(bank()), 12);
  EXPECT_STREQ(bank()->slots[12]->header.name, source.b->slots[0]->header.name);
  char name[35] = {};
  patchGetName(engine(), name);
  EXPECT_STREQ(name, source.b->slots[0]->header.name);
  EXPECT_EQ(bank()->slots[13], other);
  // A cancelled choice or a file that is no bank changes nothing.
  appChooseFileQueue(0, "");
  EXPECT_TRUE(command(20000));
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  appChooseFileQueue(1, folder);
  EXPECT_TRUE(command(20000));
  EXPECT_EQ(msgBoxCaptureCount(), 1u);
  EXPECT_STREQ(bank()->slots[12]->header.name, source.b->slots[0]->header.name);
}

// ---- top-strip popups

TEST_F(MainWindowTest, FilePopupEndsWithTheSeparatorWithoutRecentFiles) {
  recentFilesClear();
  openPopup(mainItemFilePopup, "");
  const std::vector<std::string> want = {
      "New", "Open...", "-", "Save", "Save As...", "-", "Consolidate Bank...", "-", "Import Preset...", "-"};
  EXPECT_EQ(g_seen.texts, want);
  recentFileNote("C:\\banks\\first.glo");
  recentFileNote("C:\\banks\\second.glo");
  openPopup(mainItemFilePopup, "");
  ASSERT_EQ(g_seen.texts.size(), 12u);
  EXPECT_EQ(g_seen.texts[10], "second.glo");
  EXPECT_EQ(g_seen.texts[11], "first.glo");
  recentFilesClear();
}

TEST_F(MainWindowTest, MidiChannelSubmenuWritesTheChannelAtOnce) {
  struct Case {
    const char* choice;
    DWORD stored;
    int receive;
  };
  const Case cases[] = {{"Omni", 0xFFFFFFFFu, -1}, {"1", 0, 0}, {"16", 15, 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    deleteUserValue("midiChan_01");
    openPopup(mainItemSetupPopup, c.choice, true);
    ASSERT_EQ(g_seen.submenu.size(), 17u);
    EXPECT_EQ(g_seen.texts[2], "Midi Channel");
    DWORD value = 7;
    ASSERT_TRUE(storedInt("midiChan_01", &value));
    EXPECT_EQ(value, c.stored);
    EXPECT_EQ(midiGetReceiveChannel(engine()), c.receive);
  }
  // The next opening checks the channel in force.
  openPopup(mainItemSetupPopup, "");
  EXPECT_TRUE(g_seen.submenuChecked[15]);
  EXPECT_EQ(g_seen.texts[4], "Enable ProgramChange");
  EXPECT_EQ(g_seen.checked[4], appSwitches()->enableProgramChange != 0);
  EXPECT_EQ(g_seen.checked[5], mainWinGetAutoBalance(1) != 0);
}

TEST_F(MainWindowTest, BalanceLevelsIsOfferedOnlyWhileThePatchPageIsShown) {
  for (int page = pageFirst; page <= pageLast; ++page) {
    SCOPED_TRACE(page);
    mainWindowShowPage(1, page);
    openPopup(mainItemEditPopup, "");
    ASSERT_EQ(g_seen.texts.size(), 6u);
    EXPECT_EQ(g_seen.texts[5], "Balance Levels");
    EXPECT_EQ(g_seen.enabled[5], page == pagePatch);
  }
}

TEST_F(MainWindowTest, F6ShowsThePatchPageWithItsThreeChannelPanels) {
  pressKey(VK_F6);
  EXPECT_EQ(shownPanes(), std::vector<int>{pagePatch});
  EXPECT_EQ(patchPageIsShown(1), 1);
  winSetCurrent(1);
  winSelectPane(1, pagePatch);
  for (int base : {0, 98, 196}) {
    EXPECT_NE(ctrlFindKind(1, static_cast<std::uint16_t>(base + 13), kindButton), nullptr) << base;
    EXPECT_NE(ctrlFindKind(1, static_cast<std::uint16_t>(base + 47), kindSelector), nullptr) << base;
  }
  // Shown again from another page: the show refreshes every control of the page.
  mainWindowShowPage(1, pageMain);
  const auto start = std::chrono::steady_clock::now();
  mainWindowShowPage(1, pagePatch);
  std::printf("Patch page shown with a full refresh: %.2f ms\n", msSince(start));
  pump();
  ASSERT_FALSE(windowCapturePng(mainHandle(), "main_window_patch_page.png").empty());
}

// ---- page update and the Edit menu

TEST_F(MainWindowTest, PageUpdateFollowsProgramChangesAsTheSwitchSays) {
  TempBank source;
  banktest::fillRandomBank(source.b, 21);
  const std::string path = testTempPath("main_bank_pgm.glo");
  banktest::saveBank(source.b, path);
  appChooseFileQueue(1, path.c_str());
  command(30202);
  bankSelectPreset(bank(), engine(), 3);
  AppSwitches* s = appSwitches();
  const std::uint8_t kept = s->enableProgramChange;

  s->enableProgramChange = 0;
  engine()->requestedProgram = 9;
  appPageUpdate(1, 1, nullptr);
  EXPECT_EQ(engine()->requestedProgram, 9);
  EXPECT_EQ(engine()->header.slot, 3);

  s->enableProgramChange = 1;
  patchSetName(engine(), "Edited three");
  engineSetModified(engine());
  const int pushed = editHistoryWritePosition();
  appPageUpdate(1, 1, nullptr);
  EXPECT_EQ(engine()->requestedProgram, -1);
  EXPECT_EQ(engine()->header.slot, 9);
  EXPECT_NE(editHistoryWritePosition(), pushed) << "the edit went into the history first";
  selectOwn();
  char shown[16] = {};
  displayGetText(1, mainItemPresetNumber, shown, sizeof shown);
  EXPECT_STREQ(shown, "9");

  // The preset that plays already: only cleared.
  patchSetName(engine(), "Edited nine");
  engineSetModified(engine());
  engine()->requestedProgram = 9;
  appPageUpdate(1, 1, nullptr);
  EXPECT_EQ(engine()->requestedProgram, -1);
  char name[35] = {};
  patchGetName(engine(), name);
  EXPECT_STREQ(name, "Edited nine");
  EXPECT_EQ(editHistoryWritePosition(), (pushed + 1) % editHistorySize);

  // Program 127 is a preset like any other; -1 and numbers beyond 127 select nothing.
  engine()->requestedProgram = 127;
  appPageUpdate(1, 1, nullptr);
  EXPECT_EQ(engine()->header.slot, 127);
  for (std::int16_t bad :
       {static_cast<std::int16_t>(-1), static_cast<std::int16_t>(128), static_cast<std::int16_t>(-7)}) {
    engine()->requestedProgram = bad;
    appPageUpdate(1, 1, nullptr);
    EXPECT_EQ(engine()->header.slot, 127);
    EXPECT_EQ(engine()->requestedProgram, -1);
  }
  s->enableProgramChange = kept;
}

TEST_F(MainWindowTest, MetersFollowThePeaksAndTheLoadIsReadOnce) {
  Engine* e = engine();
  for (int k = 0; k < 8; ++k) e->speakerPeaks[k] = 0.04f * (k + 1);
  for (int k = 0; k < 6; ++k) e->inputPeaks[k] = 0.09f * (k + 1);
  e->loadDisplay = 0.36f;
  const auto start = std::chrono::steady_clock::now();
  const int rounds = 20;
  double worst = 0.0;
  for (int r = 0; r < rounds; ++r) {
    // Every bar moves each time: the peaks are raised again before each update.
    for (int k = 0; k < 8; ++k) e->speakerPeaks[k] = r % 2 ? 0.9f : 0.05f;
    for (int k = 0; k < 6; ++k) e->inputPeaks[k] = r % 2 ? 0.8f : 0.04f;
    e->loadDisplay = r % 2 ? 0.9f : 0.1f;
    const auto one = std::chrono::steady_clock::now();
    appPageUpdate(1, 1, nullptr);
    worst = std::max(worst, msSince(one));
  }
  std::printf("appPageUpdate with all 15 meter bars moving: %.2f ms average, %.2f ms worst\n", msSince(start) / rounds,
              worst);
  windowCapturePng(mainHandle(), "main_window_meters.png");

  for (int k = 0; k < 8; ++k) e->speakerPeaks[k] = 0.04f * (k + 1);
  for (int k = 0; k < 6; ++k) e->inputPeaks[k] = 0.09f * (k + 1);
  e->loadDisplay = 0.36f;
  mainWindowUpdateMeters(1);
  EXPECT_EQ(e->loadDisplay, 0.0f);
  for (int k = 0; k < 8; ++k) EXPECT_NEAR(e->speakerPeaks[k], 0.04f * (k + 1) * 0.85f, 1e-6f);
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(e->inputPeaks[k], 0.09f * (k + 1) * 0.85f, 1e-6f);
  EXPECT_EQ(e->inputPeaks[6], 0.0f);
  // After the sound stops the peaks fall to exact zero, never through the denormal range.
  for (int r = 0; r < 400; ++r) mainWindowUpdateMeters(1);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(e->speakerPeaks[k], 0.0f);
  e->speakerPeaks[0] = std::nanf("");
  e->inputPeaks[0] = -3.0f;
  mainWindowUpdateMeters(1);
  EXPECT_EQ(e->speakerPeaks[0], 0.0f);
  EXPECT_EQ(e->inputPeaks[0], 0.0f);
}

TEST_F(MainWindowTest, EditMenuCopyAndPasteFollowTheKinds) {
  HMENU edit = GetSubMenu(GetMenu(mainHandle()), 1);
  auto text = [&](int position) {
    char t[64] = {};
    GetMenuStringA(edit, static_cast<UINT>(position), t, sizeof t, MF_BYPOSITION);
    return std::string(t);
  };
  auto enabled = [&](int position) {
    return !(GetMenuState(edit, static_cast<UINT>(position), MF_BYPOSITION) & MF_GRAYED);
  };
  struct Case {
    int copyKind, pasteKind, pasteOn;
    const char* copyText;
    bool copyOn;
    const char* pasteText;
    bool pasteEnabled;
  };
  // Rows run in order: a kind outside 0..4 keeps the one before.
  const Case cases[] = {
      {0, 0, 1, "Copy\tCtrl+C", false, "Paste\tCtrl+V", false},
      {1, 1, 1, "Copy Envelope\tCtrl+C", true, "Paste Envelope\tCtrl+V", true},
      {2, 2, 1, "Copy Breakpoints\tCtrl+C", true, "Paste Breakpoints\tCtrl+V", true},
      {3, 3, 1, "Copy Wave\tCtrl+C", true, "Paste Wave\tCtrl+V", true},
      {4, 4, 1, "Copy Notescale Map\tCtrl+C", true, "Paste Notescale Map\tCtrl+V", true},
      {7, -1, 1, "Copy Notescale Map\tCtrl+C", true, "Paste Notescale Map\tCtrl+V", true},
      {3, 3, 0, "Copy Wave\tCtrl+C", true, "Paste Wave\tCtrl+V", false},
      {1, 0, 1, "Copy Envelope\tCtrl+C", true, "Paste\tCtrl+V", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.copyKind) + " " + std::to_string(c.pasteKind) + " " + std::to_string(c.pasteOn));
    clipSetPasteKind(static_cast<std::int16_t>(c.pasteKind));
    clipEnablePaste(static_cast<std::uint8_t>(c.pasteOn));
    clipSetCopyKind(static_cast<std::int16_t>(c.copyKind));
    EXPECT_EQ(text(3), c.copyText);
    EXPECT_EQ(enabled(3), c.copyOn);
    EXPECT_EQ(text(4), c.pasteText);
    EXPECT_EQ(enabled(4), c.pasteEnabled);
    for (int greyed : {2, 5, 6}) EXPECT_FALSE(enabled(greyed));
  }
  clipReset();
  clipSetCopyKind(0);
}

// Ctrl+V while Paste is greyed, and a stored kind of another editor than the one in front: nothing is
// pasted. The note-scale clipboard shows whether its paste ran (its copy would be written back).
int g_redraws = 0;
void countRedraw(WinId) { ++g_redraws; }

TEST_F(MainWindowTest, PasteRunsOnlyWhileEnabledAndForTheEditorInFront) {
  noteCurveClipShow(engine(), 1, 1, 0, countRedraw);
  ASSERT_TRUE(noteCurveClipCopy(1));
  g_redraws = 0;
  clipSetPasteKind(clipKindNoteScale);
  clipEnablePaste(0);
  clipSetCopyKind(clipKindNoteScale);
  pressKey('V', true);
  EXPECT_EQ(g_redraws, 0) << "greyed Paste";
  clipEnablePaste(1);
  clipSetCopyKind(clipKindWave);
  pressKey('V', true);
  EXPECT_EQ(g_redraws, 0) << "the Wave editor is in front";
  clipSetCopyKind(clipKindNoteScale);
  pressKey('V', true);
  EXPECT_EQ(g_redraws, 1);
  noteCurveClipForget();
  clipReset();
  clipSetCopyKind(0);
}

// ---- the About box

// What the beats inside the About box's modal loop saw and did.
struct AboutRun {
  HWND box = nullptr, owner = nullptr;
  bool ownerDisabled = false, clicked = false, forced = false;
  int beats = 0;
  RegionRect ok = {0, 0, 0, 0};
};
AboutRun g_about;

// A beat of a thread timer inside the box's modal loop: find it, note its owner, click OK; a box
// still open 2 s later is closed by the test.
void CALLBACK aboutBeat(HWND, UINT, UINT_PTR, DWORD) {
  AboutRun& a = g_about;
  ++a.beats;
  if (!a.box && (a.box = findAboutBox()) != nullptr) {
    a.owner = GetWindow(a.box, GW_OWNER);
    a.ownerDisabled = !IsWindowEnabled(mainHandle());
  } else if (a.box && !a.clicked && a.beats > 8) {
    HWND inner = FindWindowExA(a.box, nullptr, nullptr, nullptr);
    const LPARAM at = MAKELPARAM((a.ok.x1 + a.ok.x2) / 2, (a.ok.y1 + a.ok.y2) / 2);
    PostMessageA(inner, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(inner, WM_LBUTTONUP, 0, at);
    a.clicked = true;
  } else if (a.beats > 140 && findAboutBox()) {
    a.forced = true;
    PostMessageA(findAboutBox(), WM_CLOSE, 0, 0);
  }
}

void openAboutByCommand() { command(cmdIdAbout); }

void openAboutByStripButton() {
  selectOwn();
  CtrlRect r;
  ctrlGetRect(1, 16, &r);
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, at);
  pump();
}

TEST_F(MainWindowTest, TheAboutCommandAndTheStripButtonOpenTheBoxOverWindowOneUntilOk) {
  const RegionRect ok = aboutCloseButtonRect();
  ASSERT_GT(ok.x2, ok.x1);
  struct Case {
    const char* how;
    void (*open)();
  };
  const Case cases[] = {{"? menu, About", openAboutByCommand}, {"the strip's About button", openAboutByStripButton}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    g_about = AboutRun();
    g_about.ok = ok;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, aboutBeat);
    c.open();
    KillTimer(nullptr, timer);
    EXPECT_NE(g_about.box, nullptr);
    EXPECT_EQ(g_about.owner, mainHandle()) << "the box opens over window 1";
    EXPECT_TRUE(g_about.ownerDisabled) << "and takes the input while it is open";
    EXPECT_TRUE(g_about.clicked);
    EXPECT_FALSE(g_about.forced) << "OK closed it";
    EXPECT_EQ(findAboutBox(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(mainHandle()));
  }
}

// The started program's Midi tab shows the Midi page on its first tab with the default source labels;
// the Main page's Tuning menu, "Edit...", brings it up on its Tune tab.
int answerTuningEdit(void*, int, int, void*) { return 7; }  // "Edit...", the menu's seventh entry

TEST_F(MainWindowTest, TheMidiTabAndTheTuningMenusEditShowTheMidiPage) {
  selectOwn();
  CtrlRect r;
  ASSERT_TRUE(ctrlGetRect(1, static_cast<std::uint16_t>(pageMidi + 7), &r));
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, at);
  pump();
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageMidi});
  EXPECT_EQ(shownPanes(), std::vector<int>{pageMidi});
  EXPECT_TRUE(midiPageIsShown(1));
  EXPECT_EQ(midiPageCurrentTab(), 1);
  midiPageSelectPane(1);
  ControlItem* source = ctrlFindKind(1, midiItemFmSource, kindButton);
  ASSERT_NE(source, nullptr);
  EXPECT_STREQ(static_cast<ButtonData*>(source->k.kindData)->text, "CC 1");
  windowCapturePng(mainHandle(), "main_window_midi_page.png");

  mainWindowShowPage(1, pageMain);
  pump();
  winSetCurrent(1);
  winSelectPane(1, pageMain);
  ASSERT_TRUE(ctrlGetRect(1, 36, &r));  // the Tuning selector
  popupSetTrackHook(answerTuningEdit);
  at = MAKELPARAM(r.left + 10, (r.top + r.bottom) / 2);
  PostMessageA(mainHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(mainHandle(), WM_LBUTTONUP, 0, at);
  pump();
  popupSetTrackHook(nullptr);
  EXPECT_EQ(pressedTabs(), std::vector<int>{pageMidi});
  EXPECT_TRUE(midiPageIsShown(1));
  EXPECT_EQ(midiPageCurrentTab(), 4) << "the Tune tab";
  windowCapturePng(mainHandle(), "main_window_midi_tune_tab.png");
  midiPageSelectTab(1, 1);
}
}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  clearProgramKeys();
  // The start-up splash closes on its first message: its 4 seconds count as passed at once.
  aboutSetMillisFunction([](std::int64_t, std::int64_t) -> std::int64_t { return 1 << 30; });
  InProgramRun how;
  how.openAudioSetup = noteAudioSetup;
  how.untilWindowOneTakesInput = true;
  return runTestsInProgram(how);
}
