// What a user meets on the main window's pages inside the real program: keys and clicks posted to
// window 1, and what the screen shows read back from the window itself (not repainted for the
// capture), compared with a full repaint of the same window. A page switch paints the whole new page
// (also in the middle of a drag), the Patch page's faders follow the mouse, the title displays name
// the preset the grid shows and the bank without a file, the add-envelope pane leaves nothing after
// OK, typed values come back as typed, captions read against their ground, dialogs open over window 1
// and file dialogs in the bank's folder. A contact sheet of every page and the Record window is kept
// with the captures.
#include <windows.h>
#include <commdlg.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/appCommands.h"
#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/synthApp.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/knob.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/pictureButton.h"
#include "controls/textView.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "envelope/envAdd.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "kitTestSupport.h"
#include "midi/midiPage.h"
#include "midi/midiSourceWindow.h"
#include "modules/filterParams.h"
#include "pages/midiSlots.h"
#include "pages/pages.h"
#include "pages/patchPage.h"
#include "preset/bank.h"
#include "preset/chunk.h"
#include "preset/envelope.h"
#include "preset/oscParams.h"
#include "preset/presetCopy.h"
#include "preset/presetHeader.h"
#include "preset/undo.h"
#include "support/pngWrite.h"
#include "support/tempDir.h"
#include "support/threadTime.h"
#include "support/windowCapture.h"
#include "uiSeams/appChooseFile.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"
#include "wave/wavePage.h"

namespace {

SynthAppModule g_module;

// The entry a press opens over a box or a title, waited for up to 200 ms of pumped messages (the kit
// may take the press at its next tick rather than at the message); null when none opened.
HWND waitForEntry() {
  HWND edit = nullptr;
  for (int i = 0; i < 200 && !edit; ++i) {
    pump(1);
    edit = FindWindowExA(mainHandle(), nullptr, "edit", nullptr);
  }
  return edit;
}

void pressKey(UINT vk) {
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(vk, 0)) << 16;
  PostMessageA(mainHandle(), WM_KEYDOWN, vk, 1 | scan);
  pump();
  PostMessageA(mainHandle(), WM_KEYUP, vk, 1 | scan | (1L << 30) | (1L << 31));
  pump();
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string displayText(std::uint16_t id) {
  winSetCurrent(1);
  winSelectPort(1, nullptr);
  char text[80] = {};
  displayGetText(1, id, text, sizeof text);
  return text;
}

// Share of the pixels below the top strip (or below `top`) that the screen shows as a full repaint
// draws them.
double screenMatchesRepaint(const std::string& name, int top = mainStripHeight) {
  pump(5);
  CapturedWindow shown, painted;
  if (!captureShown(mainHandle(), shown, name + "_screen.png")) return 0.0;
  if (windowCapturePng(mainHandle(), name + "_repaint.png", &painted).empty()) return 0.0;
  if (shown.width != painted.width || shown.height != painted.height) return 0.0;
  long same = 0, all = 0;
  for (int y = top; y < shown.height; ++y)
    for (int x = 0; x < shown.width; ++x, ++all) same += shown.at(x, y) == painted.at(x, y) ? 1 : 0;
  return all ? static_cast<double>(same) / all : 0.0;
}

class PagesOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(app(), nullptr);
    ASSERT_NE(mainHandle(), nullptr);
    msgBoxCaptureBegin(msgAnswerOk);
    mainWindowShowPage(1, pageMain);
    pump();
  }
  void TearDown() override { msgBoxCaptureEnd(); }
};

}  // namespace

// First of the file's tests, so that it sees the Patch page as it is built: the channels that are off
// keep the fader and the level text they were made with, and the two agree.
TEST_F(PagesOnScreen, EveryLevelFaderStartsWhereItsTextSays) {
  pressKey(VK_F6);
  ASSERT_EQ(mainWindowShownPage(1), pagePatch);
  pump(3);
  CapturedWindow shot;
  captureShown(mainHandle(), shot, "patch_levels_at_start.png");
  for (std::int16_t c = 0; c < 3; ++c) {
    SCOPED_TRACE("channel " + std::to_string(c + 1) + (oscIsOn(engine(), c) ? " (on)" : " (off)"));
    patchPageSelectPane(1);
    const double x = knobGetX(1, static_cast<std::uint16_t>(patchChannelIdBase(c) + 32));
    char shown[80] = {}, expected[32] = {};
    displayGetText(1, static_cast<std::uint16_t>(patchChannelIdBase(c) + 31), shown, sizeof shown);
    patchLevelText(x * x, expected, sizeof expected);
    EXPECT_STREQ(shown, expected) << "the thumb at " << x;
    EXPECT_NE(std::strstr(shown, " dB"), nullptr) << "a space before the unit, as every level text has";
  }
}

// A click on a page's tab lights that tab, whichever page was shown before: every page to the Main
// page's tab, and the Envelope page to every other tab. The tab strip on screen is then the one a
// switch by key shows.
TEST_F(PagesOnScreen, ATabClickLightsTheTabOfThePageItShows) {
  struct Case {
    int from, to;
  };
  std::vector<Case> cases;
  for (int from = pageFirst; from <= pageLast; ++from)
    if (from != pageMain) cases.push_back({from, pageMain});
  for (int to = pageFirst; to <= pageLast; ++to)
    if (to != pageEnvelope && to != pageMain) cases.push_back({pageEnvelope, to});
  const UINT keys[7] = {VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11};
  auto stripOf = [](const std::string& name) {
    CapturedWindow cap;
    captureShown(mainHandle(), cap, name);
    std::vector<std::uint32_t> strip;
    for (int y = 0; y < mainStripHeight && y < cap.height; ++y)
      for (int x = 0; x < cap.width && x < 520; ++x) strip.push_back(cap.at(x, y));
    return strip;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("page " + std::to_string(c.from) + " then the tab of page " + std::to_string(c.to));
    // The look to match: the target page reached by its key.
    pressKey(keys[c.to - pageFirst]);
    pump(3);
    const std::vector<std::uint32_t> byKey = stripOf("");
    pressKey(keys[c.from - pageFirst]);
    pump(3);
    ASSERT_EQ(mainWindowShownPage(1), c.from);
    winSetCurrent(1);
    winSelectPort(1, nullptr);
    const std::uint16_t tab = static_cast<std::uint16_t>(mainItemFirstTab + c.to - pageFirst);
    CtrlRect r = {};
    ASSERT_TRUE(ctrlGetRect(1, tab, &r));
    // A click as the mouse makes it: moved there, pressed and released, through the system's input.
    RECT client;
    GetClientRect(mainHandle(), &client);
    POINT at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, over = {client.right / 2, client.bottom / 2};
    ClientToScreen(mainHandle(), &at);
    ClientToScreen(mainHandle(), &over);
    // From the middle of the page shown, as a hand comes, to the tab.
    for (int step = 0; step <= 8; ++step) {
      SetCursorPos(over.x + (at.x - over.x) * step / 8, over.y + (at.y - over.y) * step / 8);
      pump(5);
    }
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
    for (int k = 0; k < 3000 && mainWindowShownPage(1) != c.to; ++k) pump(1);
    pump(5);
    ASSERT_EQ(mainWindowShownPage(1), c.to) << "the click switched the page";
    winSetCurrent(1);
    winSelectPort(1, nullptr);
    for (int page = pageFirst; page <= pageLast; ++page)
      EXPECT_EQ(buttonIsPressed(1, static_cast<std::uint16_t>(mainItemFirstTab + page - pageFirst)),
                page == c.to ? 1 : 0)
          << "tab of page " << page;
    const std::string png = "tab_click_" + std::to_string(c.from) + "_" + std::to_string(c.to) + ".png";
    EXPECT_TRUE(stripOf(png) == byKey) << "the strip differs from the one a key shows";
  }
}

TEST_F(PagesOnScreen, EveryPageSwitchPaintsTheWholeNewPage) {
  // Every page after every other, by its function key, as a user goes through them: the screen then
  // shows what a full repaint of the window draws, whatever the new page holds (the pages still
  // without content included) and whatever size it gives the window.
  const UINT keys[7] = {VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11};
  double worst = 0;
  for (int from = 0; from < 7; ++from) {
    for (int to = 0; to < 7; ++to) {
      if (from == to) continue;
      SCOPED_TRACE("F" + std::to_string(5 + from) + " then F" + std::to_string(5 + to));
      pressKey(keys[from]);
      pump(3);
      const auto t0 = std::chrono::steady_clock::now();
      pressKey(keys[to]);
      const double ms = msSince(t0);
      worst = ms > worst ? ms : worst;
      ASSERT_EQ(mainWindowShownPage(1), pageMain + to);
      const std::string name = "switch_F" + std::to_string(5 + from) + "_F" + std::to_string(5 + to);
      EXPECT_GT(screenMatchesRepaint(name), 0.995) << "the screen keeps part of the previous page";
    }
  }
  std::printf("page switch by key, worst of 42: %.2f ms\n", worst);
  // A full switch, painted: the Patch page after the Main page.
  mainWindowShowPage(1, pageMain);
  pump(3);
  double total = 0;
  const double cpu0 = threadCpuMs();
  for (int k = 0; k < 10; ++k) {
    const auto t0 = std::chrono::steady_clock::now();
    mainWindowShowPage(1, k % 2 ? pageMain : pagePatch);
    UpdateWindow(mainHandle());
    total += msSince(t0);
  }
  const double cpuMs = (threadCpuMs() - cpu0) / 10;
  std::printf("full page switch (Main <-> Patch, shown and painted): %.2f ms on average, %.2f ms of processor\n",
              total / 10, cpuMs);
  EXPECT_LT(cpuMs, 100.0);
}

TEST_F(PagesOnScreen, TheAddEnvelopePaneLeavesNothingAfterOk) {
  // Envelope page, Add, OK on the first module and parameter (oscil 1 main pitch): the whole window,
  // top strip included, then shows what a full repaint draws.
  oscSetOn(engine(), 0, 1);
  pressKey(VK_F9);
  ASSERT_EQ(mainWindowShownPage(1), pageEnvelope);
  pump(3);
  const int before = envCountAllocated(engine());
  auto clickItem = [](std::uint16_t pane, std::uint16_t id) {
    winSetCurrent(1);
    winSelectPane(1, pane);
    CtrlRect r = {};
    const bool found = ctrlGetRect(1, id, &r) != 0;
    winSelectPort(1, nullptr);
    if (found) postClick(mainHandle(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    pump(3);
    return found;
  };
  ASSERT_TRUE(clickItem(pageEnvelope, envItemAddEnvelope));
  winSelectPort(1, nullptr);
  ASSERT_NE(ctrlIsShown(1, paneEnvAdd), 0) << "Add opens the pane";
  ASSERT_TRUE(clickItem(paneEnvAdd, envAddOk));
  winSelectPort(1, nullptr);
  EXPECT_EQ(ctrlIsShown(1, paneEnvAdd), 0);
  EXPECT_EQ(envCountAllocated(engine()), before + 1) << "OK adds the envelope";
  EXPECT_GT(screenMatchesRepaint("envelope_add_ok", 0), 0.999) << "the add pane stays on screen";
  // The new envelope (the only one of main pitch) goes again, for the tests after this one.
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphLast; ++id) {
    ControlItem* row = envGraphItem(1, id);
    const std::int16_t slot = row ? envGraphSlotOfItem(row) : -1;
    if (slot >= 3 && envSlot(engine(), slot)->destination == envDestOscPitch) {
      envGraphSelectItem(1, id);
      envDeleteSelected(1);
      break;
    }
  }
  pump(3);
  EXPECT_EQ(envCountAllocated(engine()), before);
}

TEST_F(PagesOnScreen, EveryPatchFaderFollowsTheMouse) {
  pressKey(VK_F6);
  ASSERT_EQ(mainWindowShownPage(1), pagePatch);
  for (std::uint8_t autoBalance : {0, 1}) {
    mainWinSetAutoBalance(1, autoBalance);
    for (int c = 0; c < 3; ++c) oscSetOn(engine(), static_cast<std::int16_t>(c), 1);
    for (int c = 0; c < 3; ++c) oscSetLevel(engine(), static_cast<std::int16_t>(c), 0.25f);
    mainWindowRefreshAll(1);
    pump(3);
    for (std::int16_t c = 0; c < 3; ++c) {
      SCOPED_TRACE("channel " + std::to_string(c + 1) + (autoBalance ? ", auto balance" : ""));
      const std::uint16_t fader = static_cast<std::uint16_t>(patchChannelIdBase(c) + 32);
      patchPageSelectPane(1);
      CtrlRect r = {};
      ASSERT_TRUE(ctrlGetRect(1, fader, &r));
      const float before = oscGetLevel(engine(), c);
      // Drag the fader: pressed in its middle, moved with the button held, released.
      const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
      const bool vertical = r.bottom - r.top > r.right - r.left;
      const auto t0 = std::chrono::steady_clock::now();
      postPress(mainHandle(), x, y);
      pump(2);
      for (int step = 1; step <= 8; ++step) {
        postMove(mainHandle(), vertical ? x : x + 3 * step, vertical ? y - 3 * step : y, true);
        pump(1);
      }
      postRelease(mainHandle(), vertical ? x : x + 24, vertical ? y - 24 : y);
      pump(2);
      std::printf("channel %d fader drag of 8 steps: %.2f ms per step\n", c + 1, msSince(t0) / 8);
      EXPECT_GT(oscGetLevel(engine(), c), before + 0.01f) << "the drag moved the level up";
      EXPECT_GT(screenMatchesRepaint("patch_fader_" + std::to_string(c + 1) + (autoBalance ? "_auto" : "")), 0.995)
          << "an old thumb or mark stays drawn";
    }
  }
  // Edit, Undo on the Patch page: nothing stray stays on screen.
  UiaCommandEvent undo = {cmdIdUndo};
  app()->handleEvent(UIA_EVENT_COMMAND, &undo);
  pump(3);
  EXPECT_GT(screenMatchesRepaint("patch_after_undo"), 0.995) << "a stray mark stays after Undo";
  mainWinSetAutoBalance(1, 1);
}

namespace {
// A right click at a point of window 1, answered in the menu it opens by entry `entry`.
int g_menusOpened = 0;
void rightClickChoosing(int x, int y, int entry) {
  static int answer;
  answer = entry;
  popupSetTrackHook([](void*, int, int, void*) {
    ++g_menusOpened;
    return answer;
  });
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageA(mainHandle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
  pump(3);
  PostMessageA(mainHandle(), WM_RBUTTONUP, 0, at);
  pump(3);
  popupSetTrackHook(nullptr);
}
}  // namespace

// A channel copied and pasted through the channels' menus, then Edit > Undo: the page shows what a
// full repaint draws, with channels on and off and the sound field pads shown or not.
TEST_F(PagesOnScreen, UndoOfAPastedChannelLeavesNothingStray) {
  pressKey(VK_F6);
  struct Case {
    const char* name;
    std::uint8_t on[3];
    std::int16_t from, to;
  } cases[] = {{"1 to 2, only 1 on", {1, 0, 0}, 0, 1},
               {"1 to 2, both on", {1, 1, 0}, 0, 1},
               {"2 to 1, all on", {1, 1, 1}, 1, 0},
               {"1 to 3, 3 off", {1, 1, 0}, 0, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (std::int16_t k = 0; k < 3; ++k) oscSetOn(engine(), k, c.on[k]);
    mainWindowRefreshAll(1);
    pump(3);
    patchPageSelectPane(1);
    CtrlRect from = {}, to = {};
    ASSERT_TRUE(ctrlGetRect(1, static_cast<std::uint16_t>(patchChannelIdBase(c.from) + 13), &from));
    ASSERT_TRUE(ctrlGetRect(1, static_cast<std::uint16_t>(patchChannelIdBase(c.to) + 13), &to));
    // On the channel's header, as a user opens its menu.
    const int opened = g_menusOpened;
    rightClickChoosing(from.left + 20, from.top + 4, 2);  // Copy Channel
    undoSetKind(0);
    rightClickChoosing(to.left + 20, to.top + 4, 5);  // Paste Channel
    ASSERT_EQ(g_menusOpened, opened + 2) << "each right click opened the channel's menu";
    ASSERT_EQ(undoGetKind(), undoKindPatch) << "the paste took an undo step";
    UiaCommandEvent undo = {cmdIdUndo};
    app()->handleEvent(UIA_EVENT_COMMAND, &undo);
    pump(3);
    const std::string name = std::string("patch_undo_paste_") + std::to_string(&c - cases);
    EXPECT_GT(screenMatchesRepaint(name), 0.995) << "a stray mark stays after Undo";
    // The level strips and the lights along their top edge, pixel for pixel: a mark there is small.
    patchPageSelectPane(1);
    CtrlRect strip = {};
    ASSERT_TRUE(ctrlGetRect(1, static_cast<std::uint16_t>(patchChannelIdBase(0) + 30), &strip));
    CapturedWindow shown, painted;
    ASSERT_TRUE(captureShown(mainHandle(), shown));
    ASSERT_FALSE(windowCapturePng(mainHandle(), name + "_strips_repaint.png", &painted).empty());
    int differing = 0;
    for (int y = strip.top - 4; y < strip.bottom; ++y)
      for (int x = 0; x < shown.width; ++x) differing += shown.at(x, y) != painted.at(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0) << "pixels over the level strips that a repaint does not draw";
  }
}

TEST_F(PagesOnScreen, APageSwitchDuringAFaderDragLeavesNothingHeld) {
  pressKey(VK_F6);
  oscSetOn(engine(), 0, 1);
  mainWindowRefreshAll(1);
  pump(3);
  patchPageSelectPane(1);
  CtrlRect r = {};
  ASSERT_TRUE(ctrlGetRect(1, static_cast<std::uint16_t>(patchChannelIdBase(0) + 32), &r));
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  postPress(mainHandle(), x, y);
  pump(2);
  postMove(mainHandle(), x + 10, y, true);
  pump(2);
  pressKey(VK_F5);  // the Main page while the button is still down
  postMove(mainHandle(), x + 40, y, true);
  pump(2);
  postRelease(mainHandle(), x + 40, y);
  pump(3);
  EXPECT_EQ(mainWindowShownPage(1), pageMain);
  const float level = oscGetLevel(engine(), 0);
  EXPECT_TRUE(level >= 0.0f && level <= 1.0f) << level;
  EXPECT_GT(screenMatchesRepaint("main_after_drag_switch"), 0.995);
  // The next drag on the Patch page works as before.
  pressKey(VK_F6);
  const float before = oscGetLevel(engine(), 0);
  postPress(mainHandle(), x, y);
  pump(2);
  postMove(mainHandle(), x + 30, y, true);
  pump(2);
  postRelease(mainHandle(), x + 30, y);
  pump(2);
  EXPECT_NE(oscGetLevel(engine(), 0), before);
}

TEST_F(PagesOnScreen, TheTitleNamesThePresetTheGridShows) {
  // Slot 5 named, slot 6 named: picked with a click on the grid, then with the arrow keys, then from
  // the edit history; each time displays 23 and 24 name the engine's preset.
  Bank* bank = app()->bank;
  for (int n : {5, 6}) {
    bankSelectPreset(bank, engine(), static_cast<std::int16_t>(n));
    patchSetName(engine(), n == 5 ? "Five Pad" : "Six Lead");
    bankStorePreset(bank, engine(), static_cast<std::int16_t>(n));
  }
  bankSelectPreset(bank, engine(), 0);
  mainWindowRefreshAll(1);
  pump();
  auto titleMatches = [](const char* how) {
    SCOPED_TRACE(how);
    char name[35] = {};
    patchGetName(engine(), name);
    EXPECT_EQ(displayText(mainItemPresetNumber), std::to_string(engine()->header.slot));
    EXPECT_EQ(displayText(mainItemPresetName), name);
    // The grid's lit line names the preset as the title does.
    winSetCurrent(1);
    winSelectPane(1, pageMain);
    const int line = textViewSelected(1, 11);
    ASSERT_GE(line, 0) << "the grid lights the preset";
    char shown[textViewLineCapacity] = {};
    textViewGetLine(1, 11, line, shown);
    EXPECT_EQ(std::string(shown), displayText(mainItemPresetNumber) + " " + displayText(mainItemPresetName));
  };
  // Line 5 of the grid (four columns of four lines): a click in it.
  winSetCurrent(1);
  winSelectPane(1, pageMain);
  CtrlRect grid = {};
  ASSERT_TRUE(ctrlGetRect(1, 11, &grid));
  const int columnWidth = (grid.right - grid.left) / 4, lineHeight = (grid.bottom - grid.top) / 4;
  postClick(mainHandle(), grid.left + columnWidth * 1 + columnWidth / 2, grid.top + lineHeight * 1 + lineHeight / 2);
  pump(3);
  EXPECT_NE(engine()->header.slot, 0) << "the click picked another preset";
  titleMatches("grid click");
  // Slots 9 and 10 were never named: fresh presets, as in a new bank.
  for (UINT key : {VK_DOWN, VK_UP, VK_RIGHT, VK_DOWN}) {
    pressKey(key);
    titleMatches("arrow key");
  }
  CapturedWindow shot;
  captureShown(mainHandle(), shot, "title_after_keys.png");
}

TEST_F(PagesOnScreen, APresetNameTypedIntoTheTitleIsStoredOnce) {
  winSetCurrent(1);
  winSelectPort(1, nullptr);
  CtrlRect r = {};
  ASSERT_TRUE(ctrlGetRect(1, mainItemPresetName, &r));
  const std::uint32_t before = displayEntryStores();
  // Pressed and released as a hand does, not both at once: the title opens its entry while the button
  // is down, and the kit may take the press at its next tick rather than at the message.
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  postPress(mainHandle(), x, y);
  HWND edit = waitForEntry();
  postRelease(mainHandle(), x, y);
  ASSERT_NE(edit, nullptr) << "the name opens for typing";
  SetWindowTextA(edit, "Typed Name");
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  pump(3);
  EXPECT_EQ(displayEntryStores() - before, 1u) << "one store, one change callback";
  char name[35] = {};
  patchGetName(engine(), name);
  EXPECT_STREQ(name, "Typed Name");
  EXPECT_EQ(displayText(mainItemPresetName), "Typed Name");
}

TEST_F(PagesOnScreen, ABankWithoutAFileIsTheUntitledBank) {
  appChooseFileClearQueue();
  UiaCommandEvent e = {cmdIdNew};
  app()->handleEvent(UIA_EVENT_COMMAND, &e);
  pump();
  EXPECT_EQ(app()->bank->file.path[0], 0);
  EXPECT_EQ(displayText(mainItemBankName), "Untitled Bank");
  // A bank with a file shows the file's title.
  std::strcpy(app()->bank->file.path, "C:\\banks\\My Sounds.glo");
  mainWindowUpdateBankName(1);
  char title[65] = {};
  bankGetTitle(app()->bank, title);
  EXPECT_EQ(displayText(mainItemBankName), title);
  app()->bank->file.path[0] = 0;
  mainWindowUpdateBankName(1);
  EXPECT_EQ(displayText(mainItemBankName), "Untitled Bank");
}

TEST_F(PagesOnScreen, AValueTypedIntoABoxShowsAsTypedAfterTheRefresh) {
  pressKey(VK_F6);
  oscSetOn(engine(), 0, 1);
  filterSetOn(engine(), 0, 1);
  filterSetType(engine(), 0, 1);
  mainWindowRefreshAll(1);
  pump(3);
  const std::uint16_t freq = 73;                                // channel 1's filter frequency
  popupSetTrackHook([](void*, int, int, void*) { return 0; });  // a menu opened by mistake closes
  struct Case {
    const char* typed;
    const char* shown;
  } cases[] = {{"800", "800.000"},       {"1234.5", "1234.500"}, {"20", "20.000"},
               {"19999.5", "19999.500"}, {"99999", "20480.000"},  // the filter's own ceiling: 20480 Hz
               {"-5", "20.000"},         {"abc", "20.000"}};      // no digits read as 0: the box's minimum
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    patchPageSelectPane(1);
    NumboxData* d = numboxFind(1, freq);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->item->visible && d->item->drawable) << "the frequency box is on screen";
    const int x = (d->valueRect.left + d->valueRect.right) / 2, y = (d->valueRect.top + d->valueRect.bottom) / 2;
    postPress(mainHandle(), x, y);
    HWND edit = waitForEntry();
    ASSERT_NE(edit, nullptr) << "no entry over the box";
    postRelease(mainHandle(), x, y);
    for (const char* ch = c.typed; *ch; ++ch) PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(*ch), 1);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    pump(3);
    mainWindowRefreshAll(1);
    pump(2);
    patchPageSelectPane(1);
    d = numboxFind(1, freq);
    char shown[numboxTextSize] = {};
    numboxFormatValue(d, shown);
    EXPECT_STREQ(shown, c.shown);
  }
  popupSetTrackHook(nullptr);
  CapturedWindow shot;
  captureShown(mainHandle(), shot, "patch_typed_frequency.png");
}

namespace {

// Keys as the keyboard makes them, to the window that has the focus.
void sendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
  std::vector<INPUT> in;
  for (const auto& k : keys) {
    INPUT i = {};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = k.first;
    i.ki.dwFlags = k.second ? 0 : KEYEVENTF_KEYUP;
    in.push_back(i);
  }
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// The entry's selection, as (start, end).
std::pair<int, int> entrySelection(HWND edit) {
  DWORD start = 0, end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

}  // namespace

// The Midi page's bend depth box (24.00 of 0..72) as a user types into it: a double click selects the
// whole number, so the digit typed next replaces it; after a click that put the caret in the number,
// Ctrl+A selects all of it again. In the preset's name a double click selects a word. Presses come
// 100 ms apart on the kit's clock for a double click and a second apart for two single clicks.
TEST_F(PagesOnScreen, ADoubleClickOrCtrlASelectsTheWholeNumberOfABox) {
  pressKey(VK_F11);
  ASSERT_EQ(mainWindowShownPage(1), pageMidi);
  midiPageSelectTab(1, 1);
  pump(3);
  g_testTick = 500000;
  ctrlSetTickSource(testTick);
  popupSetTrackHook([](void*, int, int, void*) { return 0; });  // a menu opened by mistake closes
  struct Case {
    const char* name;
    bool doubleClick;  // else a single click, then a click into the number, then Ctrl+A
  } cases[] = {{"double click", true}, {"Ctrl+A", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    midiPageSelectPane(1);
    NumboxData* d = numboxFind(1, midiItemBendDepth);
    ASSERT_NE(d, nullptr);
    numboxEntryDone(d->item, "24");
    pump(2);
    midiPageSelectPane(1);
    d = numboxFind(1, midiItemBendDepth);
    ASSERT_EQ(d->value, 24.0);
    const int x = (d->valueRect.left + d->valueRect.right) / 2, y = (d->valueRect.top + d->valueRect.bottom) / 2;
    postPress(mainHandle(), x, y);
    HWND edit = waitForEntry();
    postRelease(mainHandle(), x, y);
    ASSERT_NE(edit, nullptr) << "no entry over the box";
    EXPECT_EQ(entrySelection(edit), std::make_pair(0, 5)) << "a click selects all of \"24.00\"";
    // The second press lands on the entry itself, in the middle of the number.
    g_testTick += c.doubleClick ? 100 : 1000;
    RECT box;
    GetClientRect(edit, &box);
    PostMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.right / 2, box.bottom / 2));
    PostMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(box.right / 2, box.bottom / 2));
    pump(3);
    if (!c.doubleClick) {
      EXPECT_EQ(entrySelection(edit).first, entrySelection(edit).second) << "a single click puts the caret";
      SetFocus(edit);
      sendKeys({{VK_CONTROL, true}, {'A', true}, {'A', false}, {VK_CONTROL, false}});
      for (int k = 0; k < 10000 && entrySelection(edit) != std::make_pair(0, 5); ++k) pump(1);
    }
    EXPECT_EQ(entrySelection(edit), std::make_pair(0, 5)) << "the whole number is selected";
    CapturedWindow shot;
    captureShown(mainHandle(), shot,
                 std::string("bend_depth_selected_") + (c.doubleClick ? "double" : "ctrl_a") + ".png");
    PostMessageA(edit, WM_CHAR, '2', 1);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    pump(3);
    midiPageSelectPane(1);
    d = numboxFind(1, midiItemBendDepth);
    EXPECT_EQ(d->value, 2.0) << "the digit replaced the number";
    g_testTick += 1000;
  }
  numboxEntryDone(numboxFind(1, midiItemBendDepth)->item, "24");
  // A text, the preset's name in the title: a double click selects the word under the mouse.
  patchSetName(engine(), "Typed Name");
  mainWindowUpdateTitle(1);
  winSetCurrent(1);
  winSelectPort(1, nullptr);
  CtrlRect title = {};
  ASSERT_TRUE(ctrlGetRect(1, mainItemPresetName, &title));
  const int y = (title.top + title.bottom) / 2;
  postPress(mainHandle(), title.left + 8, y);
  HWND edit = waitForEntry();
  postRelease(mainHandle(), title.left + 8, y);
  ASSERT_NE(edit, nullptr) << "the name opens for typing";
  g_testTick += 100;
  RECT box;
  GetClientRect(edit, &box);
  PostMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, box.bottom / 2));
  PostMessageA(edit, WM_LBUTTONUP, 0, MAKELPARAM(8, box.bottom / 2));
  pump(3);
  const std::pair<int, int> word = entrySelection(edit);
  EXPECT_EQ(word.first, 0);
  EXPECT_TRUE(word.second == 5 || word.second == 6) << "\"Typed\" is selected, not " << word.second;
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  pump(3);
  EXPECT_EQ(displayText(mainItemPresetName), "Typed Name");
  popupSetTrackHook(nullptr);
  ctrlSetTickSource(nullptr);
}

namespace {
double luminanceOf(std::uint32_t rgb) {
  return (0.2126 * ((rgb >> 16) & 255) + 0.7152 * ((rgb >> 8) & 255) + 0.0722 * (rgb & 255)) / 255.0;
}
}  // namespace

namespace {
// The rectangle of item `id` of a page's pane, in window 1's client coordinates.
CtrlRect paneItemRect(std::uint16_t pane, std::uint16_t id) {
  winSetCurrent(1);
  winSelectPane(1, pane);
  CtrlRect r = {};
  ctrlGetRect(1, id, &r);
  winSelectPort(1, nullptr);
  return r;
}
}  // namespace

// Captions sit clear of what is around them: the Patch page's level texts ("0.0 dB", "-6.0 dB") are
// crossed by no line of their strip, the Envelope page's "Size" keeps two rows of panel above its
// buttons, and the Wave page's two messages stand off the display's left border.
TEST_F(PagesOnScreen, CaptionsStandClearOfLinesButtonsAndBorders) {
  // Patch page: in each level text's box, no row is light across the text's whole width.
  pressKey(VK_F6);
  for (std::int16_t c = 0; c < 3; ++c) oscSetOn(engine(), c, c == 1 ? 0 : 1);
  mainWindowRefreshAll(1);
  pump(3);
  CapturedWindow patch;
  ASSERT_TRUE(captureShown(mainHandle(), patch, "caption_patch_levels.png"));
  for (std::int16_t c = 0; c < 3; ++c) {
    SCOPED_TRACE("channel " + std::to_string(c + 1));
    const CtrlRect r = paneItemRect(pagePatch, static_cast<std::uint16_t>(patchChannelIdBase(c) + patchKLevelText));
    auto light = [&](int x, int y) { return luminanceOf(patch.at(x, y)) > 0.6; };
    // The text's columns, from the upper half of its box where only glyphs are.
    int left = r.right, right = r.left - 1;
    for (int y = r.top; y < (r.top + r.bottom) / 2; ++y)
      for (int x = r.left; x < r.right; ++x)
        if (light(x, y)) left = std::min(left, x), right = std::max(right, x);
    ASSERT_LT(left, right) << "the level text is drawn";
    for (int y = r.top; y < r.bottom; ++y) {
      int lit = 0;
      for (int x = left; x <= right; ++x) lit += light(x, y) ? 1 : 0;
      EXPECT_LT(lit, right - left + 1) << "a line crosses the text's box at row " << y - r.top;
    }
  }
  // Envelope page: between the caption's lowest row and the size buttons, two rows of bare panel.
  pressKey(VK_F9);
  pump(3);
  CapturedWindow envelope;
  ASSERT_TRUE(captureShown(mainHandle(), envelope, "caption_envelope_size.png"));
  CtrlRect buttons = paneItemRect(pageEnvelope, envItemSizeWider);
  for (std::uint16_t id = envItemSizeWider; id <= envItemSizeSmaller; ++id) {
    const CtrlRect b = paneItemRect(pageEnvelope, id);
    buttons.left = std::min(buttons.left, b.left), buttons.right = std::max(buttons.right, b.right);
  }
  int captionBottom = -1;
  for (int y = buttons.top - 1; y > buttons.top - 20 && captionBottom < 0; --y)
    for (int x = buttons.left; x < buttons.right; ++x)
      if (luminanceOf(envelope.at(x, y)) < 0.35) captionBottom = y;
  ASSERT_GE(captionBottom, 0) << "\"Size\" stands above its buttons";
  EXPECT_GE(buttons.top - captionBottom - 1, 2) << "rows of panel between \"Size\" and its buttons";
  // Wave page without waves: each message starts at least 4 pixels inside the display and ends in it.
  pressKey(VK_F7);
  pump(3);
  CapturedWindow wave;
  ASSERT_TRUE(captureShown(mainHandle(), wave, "caption_wave_messages.png"));
  const CtrlRect view = paneItemRect(pageWave, waveItemDisplay);
  for (std::uint16_t id :
       {static_cast<std::uint16_t>(waveItemNoWaves), static_cast<std::uint16_t>(waveItemNoWavesHint)}) {
    SCOPED_TRACE("message " + std::to_string(id));
    const CtrlRect r = paneItemRect(pageWave, id);
    int left = wave.width, right = -1;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = view.left; x < view.right; ++x)
        if (luminanceOf(wave.at(x, y)) > 0.5) left = std::min(left, x), right = std::max(right, x);
    ASSERT_LT(left, right) << "the message is shown";
    EXPECT_GE(left - view.left, 4) << "pixels between the display's left edge and the text";
    EXPECT_LE(right, view.right - 4) << "the text ends inside the display";
  }
}

TEST_F(PagesOnScreen, TheControllerSlotNamesReadAgainstThePanel) {
  mainWindowShowPage(1, pageMain);
  pump(3);
  CapturedWindow cap;
  ASSERT_FALSE(windowCapturePng(mainHandle(), "main_page_slot_names.png", &cap).empty());
  int checked = 0;
  winSetCurrent(1);
  winSelectPane(1, pageMain);
  for (int slot = 0; slot < 6; ++slot)
    for (int k = 6; k <= 8; ++k) {
      const std::uint16_t id = static_cast<std::uint16_t>(midiSlotIdBase + slot * midiSlotIdStep + k);
      ControlItem* item = ctrlFind(1, id);
      char text[64] = {};
      if (!item || !item->visible) continue;
      displayGetText(1, id, text, sizeof text);
      if (!text[0]) continue;
      SCOPED_TRACE(text);
      EXPECT_GE(textContrast(cap, item->rect.left, item->rect.top, item->rect.right, item->rect.bottom), 4.5);
      ++checked;
    }
  EXPECT_GE(checked, 2) << "the preset's slots show their names";
  // The Tuning field's text sits in the middle of its height, not at its top.
  const std::uint16_t tuning = 36;
  ControlItem* field = ctrlFind(1, tuning);
  ASSERT_NE(field, nullptr);
  const CtrlRect& f = field->rect;
  int first = -1, last = -1;
  for (int y = f.top + 2; y < f.bottom - 2; ++y)
    for (int x = f.left + 3; x < f.right - 12; ++x)
      if (luminanceOf(cap.at(x, y)) < 0.2) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  ASSERT_GE(first, 0) << "the field shows its text";
  EXPECT_LE(std::abs((first - f.top) - (f.bottom - 1 - last)), 3) << "rows " << first << ".." << last;
}

namespace {

// A dialog owned by window 1, seen from a thread timer while the dialog runs its own loop: its outer
// rectangle is kept and the dialog is closed.
struct DialogSeen {
  HWND box = nullptr;
  RECT rect = {};
  int beats = 0;
  void (*close)(HWND) = nullptr;
  const char* capture = nullptr;  // the PNG the dialog is kept in, when named
};
DialogSeen g_dialog;

BOOL CALLBACK findOwned(HWND w, LPARAM found) {
  char name[16] = {};
  GetClassNameA(w, name, sizeof name);
  if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == mainHandle() && std::strcmp(name, "#32770") == 0) {
    *reinterpret_cast<HWND*>(found) = w;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK dialogBeat(HWND, UINT, UINT_PTR, DWORD) {
  DialogSeen& d = g_dialog;
  ++d.beats;
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), findOwned, reinterpret_cast<LPARAM>(&found));
  if (found && !d.box && d.beats > 12) {
    d.box = found;
    GetWindowRect(found, &d.rect);
    if (d.capture) {  // what the screen shows of it, its inner windows included, and with window 1 around it
      CapturedWindow shot;
      captureShown(found, shot, d.capture);
      RECT main, both;
      GetWindowRect(mainHandle(), &main);
      UnionRect(&both, &main, &d.rect);
      const std::vector<std::uint32_t> screen = screenPixels(both);
      const std::string name = std::string(d.capture).insert(std::strlen(d.capture) - 4, "_over_window_one");
      if (!screen.empty())
        pngWrite(testArtifactPath(name), screen.data(), both.right - both.left, both.bottom - both.top);
    }
    d.close(found);
  } else if (found && d.beats > 200) {
    PostMessageA(found, WM_CLOSE, 0, 0);
  }
}

void closeByCloseBox(HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }
void closeMidiSource(HWND) { midiSourcePopupCancel(); }
void openAbout() {
  UiaCommandEvent e = {cmdIdAbout};
  app()->handleEvent(UIA_EVENT_COMMAND, &e);
}
void openAudioSetup() {
  void (*kept)(SynthApp*) = appStartHooks()->openAudioSetup;
  appStartHooks()->openAudioSetup = nullptr;
  UiaCommandEvent e = {cmdIdAudioMidiSettings};
  app()->handleEvent(UIA_EVENT_COMMAND, &e);
  appStartHooks()->openAudioSetup = kept;
}
void openMidiSource() {
  midiSourcePopupOpen(
      1, [](WinId, std::int16_t) {}, 0, 0);
}
// File > Open and Save As with the system's file windows (the chooser the program installs), and the
// Wave page's WAV file window.
void openFileCommand(std::int32_t id) {
  UiaCommandEvent e = {id};
  app()->handleEvent(UIA_EVENT_COMMAND, &e);
}
void openBank() { openFileCommand(cmdIdOpen); }
void saveBankAs() { openFileCommand(cmdIdSaveAs); }
void openWav() {
  char path[MAX_PATH] = {}, title[MAX_PATH] = {};  // the buffers the Wave page hands it
  waveOpenFileDialog(winGetFrameworkWindow(1), path, title);
}

}  // namespace

TEST_F(PagesOnScreen, DialogsOpenOverTheMiddleOfTheWindowThatOpensThem) {
  struct Case {
    const char* name;
    void (*open)();
    void (*close)(HWND);
  } cases[] = {{"About", openAbout, closeByCloseBox},
               {"Audio Setup", openAudioSetup, closeByCloseBox},
               {"Select MIDI Source", openMidiSource, closeMidiSource},
               {"Open", openBank, closeByCloseBox},
               {"Save As", saveBankAs, closeByCloseBox},
               {"Open WAV", openWav, closeByCloseBox}};
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerNo);  // a bank with unsaved changes is left as it is
  RECT main;
  GetWindowRect(mainHandle(), &main);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_dialog = DialogSeen();
    g_dialog.close = c.close;
    const std::string png = std::string("dialog_") + c.name + ".png";
    g_dialog.capture = png.c_str();
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, dialogBeat);
    c.open();
    for (int k = 0; k < 300 && FindWindowExA(nullptr, nullptr, "#32770", nullptr) && !g_dialog.box; ++k) pump(2);
    KillTimer(nullptr, timer);
    pump();
    if (!g_dialog.box) {
      if (std::strcmp(c.name, "Audio Setup") == 0 && !app()->audioClient) continue;  // no client: no dialog
      ADD_FAILURE() << "no dialog opened";
      continue;
    }
    const RECT& r = g_dialog.rect;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(mainHandle(), MONITOR_DEFAULTTONEAREST), &monitor);
    // Its place: centred on window 1, then pushed inside the monitor's work area, right and bottom
    // first, then left and top (so its title bar stays within reach), wherever that puts it.
    const RECT& work = monitor.rcWork;
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    LONG x = (main.left + main.right - width) / 2, y = (main.top + main.bottom - height) / 2;
    x = std::max(std::min(x, work.right - width), work.left);
    y = std::max(std::min(y, work.bottom - height), work.top);
    EXPECT_NEAR(r.left, x, 2) << "work area (" << work.left << ", " << work.top << ")-(" << work.right << ", "
                              << work.bottom << ")";
    EXPECT_NEAR(r.top, y, 2);
    std::printf("%s: dialog at (%ld, %ld)-(%ld, %ld), window 1 at (%ld, %ld)-(%ld, %ld)\n", c.name, r.left, r.top,
                r.right, r.bottom, main.left, main.top, main.right, main.bottom);
  }
}

namespace {
std::string g_dialogFolder;
void readFolderAndCancel(HWND box) {
  char folder[MAX_PATH] = {};
  SendMessageA(box, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
  g_dialogFolder = folder;
  PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
}
}  // namespace

TEST_F(PagesOnScreen, FileDialogsStartInTheBanksFolderElseTheLastOneElseTheDocuments) {
  EXPECT_EQ(appChooserStartFolder("C:\\banks\\My Sounds.glo", "D:\\last\\"), "C:\\banks\\");
  EXPECT_EQ(appChooserStartFolder("", "D:\\last\\"), "D:\\last\\");
  const std::string documents = appChooserStartFolder("", "");
  ASSERT_FALSE(documents.empty());
  EXPECT_EQ(documents.back(), '\\');
  EXPECT_EQ(documents.find(".."), std::string::npos);
  // The real open dialog, over window 1, with a bank from a folder of its own.
  const std::string folder = testTempPath("bankfolder");
  CreateDirectoryA(folder.c_str(), nullptr);
  char kept[sizeof app()->bank->file.path];
  std::memcpy(kept, app()->bank->file.path, sizeof kept);
  std::snprintf(app()->bank->file.path, sizeof app()->bank->file.path, "%s\\sounds.glo", folder.c_str());
  g_dialog = DialogSeen();
  g_dialog.close = readFolderAndCancel;
  g_dialogFolder.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, dialogBeat);
  FileSpec chosen = {};
  EXPECT_EQ(appChooseFileDialog(appDialogOpen, &chosen, 0), 0) << "cancelled";
  KillTimer(nullptr, timer);
  std::memcpy(app()->bank->file.path, kept, sizeof kept);
  ASSERT_NE(g_dialog.box, nullptr) << "the open dialog came up over window 1";
  auto lower = [](std::string t) {
    for (char& ch : t) ch = static_cast<char>(ch == '/' ? '\\' : std::tolower(static_cast<unsigned char>(ch)));
    while (!t.empty() && t.back() == '\\') t.pop_back();
    return t;
  };
  EXPECT_EQ(lower(g_dialogFolder), lower(folder));
}

// File > Open on the Patch page, the real dialog cancelled: once it has gone, the screen shows window 1
// (frame, menu bar, top strip and page) as it was before, where the dialog lay over it as elsewhere.
TEST_F(PagesOnScreen, TheOpenDialogLeavesNothingOnWindowOne) {
  msgBoxCaptureEnd();
  msgBoxCaptureBegin(msgAnswerNo);  // a bank with unsaved changes is left as it is
  pressKey(VK_F6);
  pump(5);
  RECT frame;
  GetWindowRect(mainHandle(), &frame);
  const std::vector<std::uint32_t> before = screenPixels(frame);
  ASSERT_FALSE(before.empty());
  g_dialog = DialogSeen();
  g_dialog.close = closeByCloseBox;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, dialogBeat);
  UiaCommandEvent open = {cmdIdOpen};
  app()->handleEvent(UIA_EVENT_COMMAND, &open);
  KillTimer(nullptr, timer);
  ASSERT_NE(g_dialog.box, nullptr) << "the open dialog came up";
  RECT over;
  ASSERT_TRUE(IntersectRect(&over, &frame, &g_dialog.rect)) << "the dialog lay over window 1";
  std::vector<std::uint32_t> after = screenPixels(frame);
  for (int k = 0; k < 3000 && after != before; ++k) {
    pump(1);
    after = screenPixels(frame);
  }
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  pngWrite(testArtifactPath("open_dialog_closed.png"), after.data(), w, h);
  int differing = 0;
  for (std::size_t i = 0; i < after.size() && i < before.size(); ++i) differing += after[i] != before[i] ? 1 : 0;
  EXPECT_EQ(differing, 0) << "pixels of window 1 left as the dialog drew them";
}

// Every page of window 1 and the Record window side by side in one picture, to look at together.
TEST_F(PagesOnScreen, ContactSheetOfEveryPageAndTheRecordWindow) {
  std::vector<CapturedWindow> shots;
  for (int page = pageFirst; page <= pageLast; ++page) {
    mainWindowShowPage(1, page);
    pump(3);
    CapturedWindow cap;
    ASSERT_TRUE(captureShown(mainHandle(), cap, "sheet_page_" + std::to_string(page) + ".png"));
    shots.push_back(cap);
  }
  mainWindowShowPage(1, pageMain);
  UiaCommandEvent show = {cmdIdShowRecord};
  app()->handleEvent(UIA_EVENT_COMMAND, &show);
  pump(3);
  CapturedWindow record;
  ASSERT_FALSE(windowCapturePng(winGetFrameworkWindow(2), "sheet_record_window.png", &record).empty());
  shots.push_back(record);
  winShow(2, false);
  const int columns = 4, gap = 8;
  int cellW = 0, cellH = 0;
  for (const CapturedWindow& c : shots) cellW = std::max(cellW, c.width), cellH = std::max(cellH, c.height);
  const int rows = (static_cast<int>(shots.size()) + columns - 1) / columns;
  const int w = columns * (cellW + gap), h = rows * (cellH + gap);
  std::vector<std::uint32_t> sheet(static_cast<std::size_t>(w) * h, 0xFFFFFF);
  for (std::size_t i = 0; i < shots.size(); ++i) {
    const int ox = static_cast<int>(i % columns) * (cellW + gap), oy = static_cast<int>(i / columns) * (cellH + gap);
    for (int y = 0; y < shots[i].height; ++y)
      for (int x = 0; x < shots[i].width; ++x) sheet[static_cast<std::size_t>(oy + y) * w + ox + x] = shots[i].at(x, y);
  }
  EXPECT_TRUE(pngWrite(testArtifactPath("contact_sheet.png"), sheet.data(), w, h));
}

int main(int argc, char** argv) { return runTestsOnceWindowOneTakesInput(argc, argv); }
