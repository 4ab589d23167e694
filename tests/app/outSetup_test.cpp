// The output set-up inside the real program: the module and the application start as Morvane does
// (without an audio device, so the tests set the engine's output count themselves), the settings are
// loaded at start-up from values stored before it, and the dialog is driven by clicks posted to its
// real window, its popup menus answered through the popup seam. Captures are kept as PNG.
#include <windows.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/appRegistry.h"
#include "app/inProgram.h"
#include "app/mainWindow.h"
#include "app/outSetup.h"
#include "app/synthApp.h"
#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/surround.h"
#include "support/windowCapture.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"

namespace {

SynthAppModule g_module;

SurroundSettings* surround() { return &engine()->surround; }
// ---- the registry

const char* const kSurroundValues[] = {"surroundMode",   "surroundChan0", "surroundChan1",   "surroundChan2",
                                       "surroundChan3",  "surroundChan4", "surroundChan5",   "surroundChan6",
                                       "surroundChan7",  "surroundLfeOn", "surroundLfeChan", "surroundLfeFreq",
                                       "surroundLfeGain"};

void storeWord(const char* name, DWORD value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kUserKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void storeFloat(const char* name, float value) {
  DWORD word = 0;
  std::memcpy(&word, &value, 4);
  storeWord(name, word);
}

void storeMachineWord(const char* name, DWORD value) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMachineKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  RegCloseKey(key);
}

void clearMachineValues() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMachineKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  for (const char* name : {"surroundMode", "surroundChan1"}) RegDeleteValueA(key, name);
  RegCloseKey(key);
}

void clearSurroundValues() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUserKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  for (const char* name : kSurroundValues) RegDeleteValueA(key, name);
  RegCloseKey(key);
}

int storedCount() {
  int n = 0;
  DWORD word = 0;
  for (const char* name : kSurroundValues) n += storedInt(name, &word) ? 1 : 0;
  return n;
}

float storedFloat(const char* name) {
  DWORD word = 0;
  float value = NAN;
  if (storedInt(name, &word)) std::memcpy(&value, &word, 4);
  return value;
}

// ---- the dialog

int16_t inner() { return outSetupInnerId(); }
HWND innerHandle() { return winGetFrameworkWindow(outSetupInnerId()); }
HWND outerHandle() { return winGetFrameworkWindow(outSetupWindowId()); }

BOOL CALLBACK countDialog(HWND hwnd, LPARAM count) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char title[64] = {};
  GetWindowTextA(hwnd, title, sizeof title);
  if (pid == GetCurrentProcessId() && std::strcmp(title, "Morvane Output Setup") == 0 && IsWindowVisible(hwnd))
    ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// Visible top-level windows of this process with the dialog's title.
int dialogWindows() {
  int n = 0;
  EnumWindows(countDialog, reinterpret_cast<LPARAM>(&n));
  return n;
}

CtrlRect itemRect(uint16_t id) {
  CtrlRect r = {0, 0, 0, 0};
  winSelectPort(inner(), nullptr);
  ctrlGetRect(inner(), id, &r);
  return r;
}

bool visible(uint16_t id) {
  winSelectPort(inner(), nullptr);
  return ctrlIsVisible(inner(), id) != 0;
}

std::string choiceText(uint16_t id) {
  winSelectPort(inner(), nullptr);
  SelectorData* d = selectorFind(inner(), id);
  return d ? d->choiceText : "?";
}

void clickItem(uint16_t id, int dx = 5, int dy = 5) {
  const CtrlRect r = itemRect(id);
  const LPARAM at = MAKELPARAM(r.left + dx, r.top + dy);
  PostMessageA(innerHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(innerHandle(), WM_LBUTTONUP, 0, at);
  pump();
}

// What the last popup offered, and the entry to choose in it.
struct Seen {
  std::vector<std::string> texts;
  std::vector<bool> enabled, checked;
};
Seen g_seen;
std::string g_choose;

int answerPopup(void* menu, int, int, void*) {
  HMENU h = static_cast<HMENU>(menu);
  g_seen = Seen();
  int chosen = 0;
  const int n = GetMenuItemCount(h);
  for (int k = 0; k < n; ++k) {
    char text[64] = {};
    GetMenuStringA(h, static_cast<UINT>(k), text, sizeof text, MF_BYPOSITION);
    const UINT state = GetMenuState(h, static_cast<UINT>(k), MF_BYPOSITION);
    g_seen.texts.push_back(text);
    g_seen.enabled.push_back(!(state & (MF_GRAYED | MF_DISABLED)));
    g_seen.checked.push_back((state & MF_CHECKED) != 0);
    if (g_choose == text && !(state & (MF_GRAYED | MF_DISABLED))) chosen = static_cast<int>(GetMenuItemID(h, k));
  }
  return chosen;
}

// Opens a selector of the dialog with a real click and chooses the entry with that text ("" none).
void choose(uint16_t selector, const std::string& entry) {
  g_choose = entry;
  popupSetTrackHook(answerPopup);
  clickItem(selector);
  popupSetTrackHook(nullptr);
}

// The Setup popup of window 1's top strip, "Output Setup..." chosen with a real click.
void openFromSetupMenu() {
  g_choose = "Output Setup...";
  popupSetTrackHook(answerPopup);
  winSetCurrent(1);
  winSelectPort(1, nullptr);
  CtrlRect r = {0, 0, 0, 0};
  ctrlGetRect(1, 21, &r);
  const LPARAM at = MAKELPARAM(r.left + 5, r.top + 5);
  PostMessageA(appGetMainWindowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(appGetMainWindowHandle(), WM_LBUTTONUP, 0, at);
  pump();
  popupSetTrackHook(nullptr);
}

void closeWithCloseBox() {
  if (HWND h = outerHandle()) PostMessageA(h, WM_CLOSE, 0, 0);
  pump();
}

void expectMap(const std::vector<int>& outputs) {
  for (size_t i = 0; i < outputs.size(); ++i)
    EXPECT_EQ(surroundGetChannelMap(surround(), static_cast<int16_t>(i)), outputs[i]) << "entry " << i;
}

class OutSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(app(), nullptr);
    closeWithCloseBox();
    clearSurroundValues();
    outSetupLoad(engine());
    engineSetOutputCount(engine(), 8);
  }
  void TearDown() override {
    closeWithCloseBox();
    popupSetTrackHook(nullptr);
  }
};

// Values stored before the program started (see main), as the engine held them before any test ran.
bool g_startLoaded = false;

TEST(OutSetupStart, TheProgramLoadedTheStoredValuesAtStartUp) { EXPECT_TRUE(g_startLoaded); }

// What a read makes of stored values, from an empty store to values no layout could use.
TEST_F(OutSetup, StoredValuesAreReadAndUnusableOnesReplaced) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char*, DWORD>> words;
    std::vector<std::pair<const char*, float>> floats;
    int layout;
    std::vector<int> map;  // entries 0..8
    int lfeOn;
    float freq, gain;
  };
  const Case cases[] = {
      {"fresh", {}, {}, 1, {0, 1, 2, 3, 4, 5, 6, 7}, 0, 80.0f, -12.0f},
      {"a whole set",
       {{"surroundMode", 4}, {"surroundChan0", 7}, {"surroundChan3", 5}, {"surroundLfeOn", 1}, {"surroundLfeChan", 6}},
       {{"surroundLfeFreq", 150.0f}, {"surroundLfeGain", -3.5f}},
       4,
       {7, 1, 2, 5, 6, 5, 6, 7},
       1,
       150.0f,
       -3.5f},
      {"hostile",
       {{"surroundMode", 99}, {"surroundChan3", static_cast<DWORD>(-4)}, {"surroundChan5", 9}, {"surroundLfeChan", 8}},
       {{"surroundLfeFreq", 5000.0f}, {"surroundLfeGain", -500.0f}},
       1,
       {0, 1, 2, 3, 4, 5, 6, 7},
       0,
       300.0f,
       -96.0f},
      {"below the boxes",
       {{"surroundMode", static_cast<DWORD>(-1)}},
       {{"surroundLfeFreq", 1.0f}, {"surroundLfeGain", 50.0f}},
       1,
       {0, 1, 2},
       0,
       20.0f,
       12.0f},
      {"not a number", {}, {{"surroundLfeFreq", NAN}, {"surroundLfeGain", INFINITY}}, 1, {0, 1, 2}, 0, 80.0f, -12.0f},
      // Eight speakers leave no entry for the LFE: the stored LFE output must not move speaker 2.
      {"eight speakers",
       {{"surroundMode", 13}, {"surroundChan2", 5}, {"surroundLfeChan", 0}},
       {},
       13,
       {0, 1, 5, 3, 4, 5, 6, 7},
       0,
       80.0f,
       -12.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clearSurroundValues();
    for (const auto& w : c.words) storeWord(w.first, w.second);
    for (const auto& f : c.floats) storeFloat(f.first, f.second);
    outSetupLoad(engine());
    EXPECT_EQ(surroundGetModeWord(surround()), c.layout);
    expectMap(c.map);
    EXPECT_EQ(surroundGetLfeOn(surround()), c.lfeOn);
    EXPECT_FLOAT_EQ(surroundGetLfeFreq(surround()), c.freq);
    EXPECT_NEAR(surroundGetLfeGainDb(surround()), c.gain, 1e-4);
  }
}

// A value missing from the user key is read from the machine key; the user key's wins.
TEST_F(OutSetup, TheUserKeyComesBeforeTheMachineKey) {
  storeMachineWord("surroundMode", 3);
  storeMachineWord("surroundChan1", 5);
  outSetupLoad(engine());
  EXPECT_EQ(surroundGetModeWord(surround()), 3);
  expectMap({0, 5, 2});
  storeWord("surroundMode", 4);
  outSetupLoad(engine());
  EXPECT_EQ(surroundGetModeWord(surround()), 4);
  expectMap({0, 5, 2});
  clearMachineValues();
}

// Opened from the Setup popup: one dialog of the given size, the fresh defaults shown, the two
// speakers of "2 Stereo Wide" left and right on the circle; a second open makes no second dialog.
TEST_F(OutSetup, OpensOnceFromTheSetupMenuWithTheDefaults) {
  const DWORD start = GetTickCount();
  openFromSetupMenu();
  std::printf("opened and drawn through the Setup popup in %lu ms\n", GetTickCount() - start);
  ASSERT_NE(inner(), 0);
  EXPECT_EQ(dialogWindows(), 1);
  RECT client;
  GetClientRect(outerHandle(), &client);
  EXPECT_EQ(client.right, 323);
  EXPECT_EQ(client.bottom, 281);
  const int16_t first = outSetupWindowId(), second = inner();
  EXPECT_EQ(first, 32) << "the highest free window id";
  EXPECT_EQ(second, 31);

  EXPECT_EQ(choiceText(outSetupItemConfiguration), "2 Stereo Wide");
  EXPECT_TRUE(visible(outSetupItemLfe));
  EXPECT_FALSE(buttonIsPressed(inner(), outSetupItemLfe));
  for (uint16_t id : {outSetupItemLfeGroup, outSetupItemLfeOutput, outSetupItemLfeFreq, outSetupItemLfeGain})
    EXPECT_FALSE(visible(id)) << "LFE off hides item " << id;
  EXPECT_EQ(choiceText(outSetupItemLfeOutput), "3");
  winSelectPort(inner(), nullptr);
  EXPECT_DOUBLE_EQ(numboxFind(inner(), outSetupItemLfeFreq)->value, 80.0);
  EXPECT_DOUBLE_EQ(numboxFind(inner(), outSetupItemLfeGain)->value, -12.0);
  EXPECT_EQ(itemRect(9).left, 53);
  EXPECT_EQ(itemRect(9).top, 114);
  EXPECT_EQ(itemRect(10).left, 231);
  EXPECT_EQ(itemRect(10).top, 114);
  EXPECT_EQ(choiceText(9), "1");
  EXPECT_EQ(choiceText(10), "2");
  for (uint16_t id = 11; id <= 18; ++id) EXPECT_FALSE(visible(id)) << id;
  UpdateWindow(innerHandle());
  CapturedWindow cap;
  ASSERT_FALSE(windowCapturePng(innerHandle(), "outsetup_stereo_wide.png", &cap).empty());
  ASSERT_EQ(cap.width, 323);
  // The "Configuration" caption reads against the panel.
  winSelectPort(inner(), nullptr);
  const SelectorData* config = selectorFind(inner(), outSetupItemConfiguration);
  ASSERT_NE(config, nullptr);
  EXPECT_GE(
      textContrast(cap, config->textRect.left, config->textRect.top, config->textRect.right, config->textRect.bottom),
      4.5);
  // The background where no control sits, and the LFE switch in its off look.
  EXPECT_GT(matchShare(cap, 2408, 270, 40, 50, 160, 270, 40), 0.99);
  EXPECT_GT(matchShare(cap, 2416, 17, 223, 48, 15, 0, 0), 0.99);

  openFromSetupMenu();
  outSetupOpen(1, engine());
  EXPECT_EQ(dialogWindows(), 1);
  EXPECT_EQ(outSetupWindowId(), first);
  EXPECT_EQ(inner(), second);
  EXPECT_EQ(winFindFreeSlot(), 30);
}

// Wherever window 1 stands, the dialog opens centred on it (kept whole on the screen).
TEST_F(OutSetup, OpensCentredOnWindowOne) {
  HWND main = appGetMainWindowHandle();
  RECT before;
  ASSERT_TRUE(GetWindowRect(main, &before));
  const POINT places[] = {{0, 0}, {140, 60}, {before.left, before.top}};
  for (const POINT& p : places) {
    SCOPED_TRACE(std::to_string(p.x) + ", " + std::to_string(p.y));
    SetWindowPos(main, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump();
    openFromSetupMenu();
    ASSERT_NE(outerHandle(), nullptr);
    RECT owner, dialog;
    ASSERT_TRUE(GetWindowRect(main, &owner));
    ASSERT_TRUE(GetWindowRect(outerHandle(), &dialog));
    EXPECT_NEAR((dialog.left + dialog.right) / 2, (owner.left + owner.right) / 2, 1);
    EXPECT_NEAR((dialog.top + dialog.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
    EXPECT_GE(dialog.top, 0) << "its title bar on the screen";
    closeWithCloseBox();
  }
}

// The "Configuration" menu offers a layout only when the device has the outputs it needs.
TEST_F(OutSetup, LayoutsNeedingMoreOutputsThanTheDeviceHasAreGreyed) {
  outSetupOpen(1, engine());
  ASSERT_NE(inner(), 0);
  const struct {
    int outputs;
    int enabled;  // the first `enabled` layouts are offered
  } cases[] = {{0, 0}, {2, 2}, {3, 4}, {4, 4}, {5, 6}, {6, 10}, {7, 10}, {8, 14}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.outputs);
    engineSetOutputCount(engine(), static_cast<uint16_t>(c.outputs));
    choose(outSetupItemConfiguration, "");
    ASSERT_EQ(g_seen.texts.size(), 14u);
    EXPECT_EQ(g_seen.texts[0], "2 Stereo");
    EXPECT_EQ(g_seen.texts[13], "8 Ocotphonic");
    for (int k = 0; k < 14; ++k) EXPECT_EQ(g_seen.enabled[k], k < c.enabled) << g_seen.texts[k];
    EXPECT_TRUE(g_seen.checked[1]) << "the layout in use";
  }
  engineSetOutputCount(engine(), 4);
  choose(outSetupItemConfiguration, "6 Music");
  EXPECT_EQ(surroundGetModeWord(surround()), 1) << "a greyed layout cannot be chosen";
  choose(10, "");
  EXPECT_EQ(g_seen.texts, (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_TRUE(g_seen.checked[1]);
}

// An LFE output changes only the LFE's entry; a new layout puts every speaker back on its own
// output and the LFE on the output after the last speaker; eight speakers leave no room for the LFE.
TEST_F(OutSetup, LfeOutputLayoutResetAndEightSpeakers) {
  outSetupOpen(1, engine());
  ASSERT_NE(inner(), 0);
  choose(9, "2");
  EXPECT_EQ(choiceText(9), "2");
  expectMap({1, 1, 2});
  clickItem(outSetupItemLfe);
  EXPECT_TRUE(buttonIsPressed(inner(), outSetupItemLfe));
  EXPECT_EQ(surroundGetLfeOn(surround()), 1);
  for (uint16_t id : {outSetupItemLfeOutput, outSetupItemLfeFreq, outSetupItemLfeGain}) EXPECT_TRUE(visible(id)) << id;
  choose(outSetupItemLfeOutput, "5");
  EXPECT_EQ(choiceText(outSetupItemLfeOutput), "5");
  expectMap({1, 1, 4, 3, 4, 5, 6, 7});
  UpdateWindow(innerHandle());
  CapturedWindow cap;
  ASSERT_FALSE(windowCapturePng(innerHandle(), "outsetup_lfe_on.png", &cap).empty());
  EXPECT_GT(matchShare(cap, 2417, 17, 223, 48, 15, 0, 0), 0.99) << "the LFE switch in its on look";

  choose(outSetupItemConfiguration, "4 Quadraphonic");
  EXPECT_EQ(surroundGetModeWord(surround()), 5);
  EXPECT_EQ(choiceText(outSetupItemConfiguration), "4 Quadraphonic");
  EXPECT_EQ(surroundGetLfeChannel(surround()), 4);
  expectMap({0, 1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(choiceText(outSetupItemLfeOutput), "5");
  for (uint16_t id = 9; id <= 12; ++id) {
    EXPECT_TRUE(visible(id)) << id;
    EXPECT_EQ(choiceText(id), std::to_string(id - 8));
  }
  for (uint16_t id = 13; id <= 18; ++id) EXPECT_FALSE(visible(id)) << id;
  UpdateWindow(innerHandle());
  EXPECT_FALSE(windowCapturePng(innerHandle(), "outsetup_quadraphonic.png").empty());

  // "8 Ocotphonic": speakers at 270, 90, 180, 225, 135, 315, 0 and 45 degrees.
  choose(outSetupItemConfiguration, "8 Ocotphonic");
  const int places[8][2] = {{53, 114}, {231, 114}, {142, 203}, {79, 176}, {204, 176}, {79, 51}, {142, 25}, {204, 51}};
  for (int i = 0; i < 8; ++i) {
    const uint16_t id = static_cast<uint16_t>(9 + i);
    EXPECT_TRUE(visible(id)) << id;
    EXPECT_EQ(itemRect(id).left, places[i][0]) << id;
    EXPECT_EQ(itemRect(id).top, places[i][1]) << id;
  }
  EXPECT_FALSE(visible(17));
  EXPECT_FALSE(visible(18));
  for (uint16_t id :
       {outSetupItemLfe, outSetupItemLfeGroup, outSetupItemLfeOutput, outSetupItemLfeFreq, outSetupItemLfeGain})
    EXPECT_FALSE(visible(id)) << "no LFE with eight speakers: item " << id;
  UpdateWindow(innerHandle());
  EXPECT_FALSE(windowCapturePng(innerHandle(), "outsetup_eight_speakers.png").empty());

  // Opened again on the eight speakers with the LFE still on: the LFE row stays hidden.
  closeWithCloseBox();
  outSetupOpen(1, engine());
  ASSERT_NE(inner(), 0);
  EXPECT_EQ(surroundGetLfeOn(surround()), 1);
  for (uint16_t id :
       {outSetupItemLfe, outSetupItemLfeGroup, outSetupItemLfeOutput, outSetupItemLfeFreq, outSetupItemLfeGain})
    EXPECT_FALSE(visible(id)) << "reopened on eight speakers: item " << id;

  choose(outSetupItemConfiguration, "2 Stereo");
  EXPECT_TRUE(visible(outSetupItemLfe));
  EXPECT_TRUE(buttonIsPressed(inner(), outSetupItemLfe));
  EXPECT_TRUE(visible(outSetupItemLfeOutput)) << "the LFE is still on";
}

// The close box ends the dialog and writes nothing, though the engine keeps what was chosen; OK
// writes every value.
TEST_F(OutSetup, OkWritesEveryValueAndTheCloseBoxNone) {
  outSetupOpen(1, engine());
  ASSERT_NE(inner(), 0);
  const int16_t outer = outSetupWindowId(), in = inner();
  choose(outSetupItemConfiguration, "3 Surround");
  closeWithCloseBox();
  EXPECT_EQ(outSetupWindowId(), 0);
  EXPECT_EQ(dialogWindows(), 0);
  EXPECT_EQ(winSlot(outer), nullptr);
  EXPECT_EQ(winSlot(in), nullptr);
  EXPECT_EQ(storedCount(), 0);
  EXPECT_EQ(surroundGetModeWord(surround()), 2);

  outSetupOpen(1, engine());
  ASSERT_NE(inner(), 0);
  EXPECT_EQ(choiceText(outSetupItemConfiguration), "3 Surround");
  choose(10, "7");
  clickItem(outSetupItemLfe);
  choose(outSetupItemLfeOutput, "2");
  // A typed frequency: a press on the value opens the entry, Enter ends it.
  winSelectPort(inner(), nullptr);
  const NumboxData* freq = numboxFind(inner(), outSetupItemLfeFreq);
  ASSERT_NE(freq, nullptr);
  const CtrlRect v = freq->valueRect;
  const LPARAM at = MAKELPARAM((v.left + v.right) / 2, (v.top + v.bottom) / 2);
  PostMessageA(innerHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  pump();
  HWND edit = FindWindowExA(innerHandle(), nullptr, "edit", nullptr);
  ASSERT_NE(edit, nullptr);
  PostMessageA(innerHandle(), WM_LBUTTONUP, 0, at);
  SetWindowTextA(edit, "");
  for (char ch : std::string("120")) PostMessageA(edit, WM_CHAR, static_cast<WPARAM>(ch), 1);
  PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
  pump();
  EXPECT_FLOAT_EQ(surroundGetLfeFreq(surround()), 120.0f);
  UpdateWindow(innerHandle());
  EXPECT_FALSE(windowCapturePng(innerHandle(), "outsetup_before_ok.png").empty());

  clickItem(outSetupItemOk, 20, 8);
  EXPECT_EQ(outSetupWindowId(), 0);
  EXPECT_EQ(dialogWindows(), 0);
  EXPECT_EQ(winSlot(outer), nullptr);
  EXPECT_EQ(winSlot(in), nullptr);
  ASSERT_EQ(storedCount(), 13);
  const DWORD words[] = {2, 0, 6, 2, 1, 4, 5, 6, 7, 1, 1};
  for (int k = 0; k < 11; ++k) {
    DWORD w = 99;
    EXPECT_TRUE(storedInt(kSurroundValues[k], &w));
    EXPECT_EQ(w, words[k]) << kSurroundValues[k];
  }
  EXPECT_FLOAT_EQ(storedFloat("surroundLfeFreq"), 120.0f);
  EXPECT_NEAR(storedFloat("surroundLfeGain"), -12.0f, 1e-4);

  // What OK wrote comes back unchanged.
  surroundSetModeAndClamp(surround(), 0);
  outSetupLoad(engine());
  EXPECT_EQ(surroundGetModeWord(surround()), 2);
  expectMap({0, 6, 2, 1});
  EXPECT_EQ(surroundGetLfeOn(surround()), 1);
}

// Enter presses OK: the window with the controls has the keys.
TEST_F(OutSetup, EnterPressesOk) {
  outSetupOpen(1, engine());
  ASSERT_NE(inner(), 0);
  choose(outSetupItemConfiguration, "3 Front");
  HWND focus = GetFocus();
  EXPECT_EQ(focus, innerHandle());
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(VK_RETURN, 0)) << 16;
  PostMessageA(focus, WM_KEYDOWN, VK_RETURN, 1 | scan);
  PostMessageA(focus, WM_KEYUP, VK_RETURN, 1 | scan | (1L << 30) | (1L << 31));
  for (int k = 0; k < 200 && outSetupWindowId() != 0; ++k) pump(1);
  EXPECT_EQ(outSetupWindowId(), 0);
  DWORD mode = 99;
  EXPECT_TRUE(storedInt("surroundMode", &mode));
  EXPECT_EQ(mode, 3u);
  EXPECT_EQ(storedCount(), 13);
}

// Whether the settings stored before start-up were loaded (checked in the loop before the tests).
void noteStartLoaded() {
  const SurroundSettings* s = &engine()->surround;
  g_startLoaded = surroundGetModeWord(s) == 0 && surroundGetChannelMap(s, 0) == 1 && surroundGetChannelMap(s, 1) == 0 &&
                  surroundGetLfeFreq(s) == 120.0f;
}

// The program is quit with the dialog open: it goes with window 1 (checked once the loop ends).
void openDialogForTheQuit() { outSetupOpen(1, engine()); }

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  clearProgramKeys();
  storeWord("surroundMode", 0);
  storeWord("surroundChan0", 1);
  storeWord("surroundChan1", 0);
  storeFloat("surroundLfeFreq", 120.0f);
  InProgramRun how;
  how.beforeTests = noteStartLoaded;
  how.afterTests = openDialogForTheQuit;
  const int result = runTestsInProgram(how);
  if (outSetupWindowId() != 0 || outSetupInnerId() != 0) {
    std::printf("the output set-up dialog outlived the program's window\n");
    return 1;
  }
  return result;
}
