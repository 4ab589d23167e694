// The Main page's upper strip by posted clicks on a real window: the grid and its groups, the
// Store and Store to with its question and blink, the edit history, the header's
// number boxes with their bad values, the two heights and the Tuning menu. Captures kept as PNG.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/pictureButton.h"
#include "controls/textView.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "entryTestSupport.h"
#include "mainPageTestSupport.h"
#include "pages/midiSlots.h"
#include "preset/bank.h"
#include "preset/preset.h"
#include "preset/presetCopy.h"
#include "preset/presetHeader.h"
#include "preset/tuning.h"
#include "support/windowCapture.h"
#include "uiSeams/popupMenu.h"
#include "uiaTestSupport.h"

namespace {

const int groupX[8] = {13, 58, 102, 146, 190, 233, 277, 323};

void clickRow(MainPageRig& rig, int r) { rig.click(7 + 159 * (r / 4) + 40, 33 + 14 * (r % 4) + 7); }
void clickGroup(MainPageRig& rig, int k) { rig.click(groupX[k] + 10, 19); }
void clickStore(MainPageRig& rig) { rig.click(377 + 20, 19); }
void clickStoreTo(MainPageRig& rig) { rig.click(436 + 20, 21); }

void nameSlot(Bank* bank, int16_t n, const char* name) {
  Preset* p = presetAlloc(n);
  patchHeaderSetName(&p->header, name);
  bankPutPreset(bank, p);
}

std::string slotName(Bank* bank, int16_t n) {
  char out[40];
  bankGetPresetName(bank, n, out);
  return out;
}

std::string engineName(Engine* engine) {
  char out[40];
  patchGetName(engine, out);
  return out;
}

int clientHeight(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return r.bottom - r.top;
}

// Types a value into number box id of the page, as a user would.
void typeIntoBox(MainPageRig& rig, uint16_t id, const std::string& text) {
  mainPageSelect(1);
  NumboxData* d = numboxFind(1, id);
  ASSERT_NE(d, nullptr);
  int x = (d->valueRect.left + d->valueRect.right) / 2, y = (d->valueRect.top + d->valueRect.bottom) / 2;
  postPress(rig.hwnd, x, y);
  HWND edit = findEditChild(rig.hwnd);
  ASSERT_NE(edit, nullptr);
  postRelease(rig.hwnd, x, y);
  SetWindowTextA(edit, "");
  typeIntoEntry(edit, text);
}

double boxValue(uint16_t id) {
  mainPageSelect(1);
  NumboxData* d = numboxFind(1, id);
  return d ? d->value : -1e300;
}

bool pressed(uint16_t id) {
  mainPageSelect(1);
  return buttonIsPressed(1, id) != 0;
}

}  // namespace

TEST(MainPage, StartUpGridGroupsAndHeights) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    // Fresh slots, named "default" in the bank, read as the title names a fresh sound.
    for (int r = 0; r < 16; ++r) EXPECT_EQ(rig.gridLine(r), std::to_string(r) + " untitled");
    mainPageSelect(1);
    EXPECT_EQ(textViewSelected(1, 11), 0);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(pressed(static_cast<uint16_t>(19 + k)), k == 0) << k;
    EXPECT_EQ(engineName(rig.engine), "untitled") << "a sound named default is renamed";
    // The default slider list uses two slots: the short lower panel.
    EXPECT_EQ(mainPageFields()->mode, 4);
    EXPECT_EQ(clientHeight(rig.hwnd), winGetOriginY(1) + 356);
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(rig.hwnd, shot, "mainpage_startup.png"));
    rig.click(15 + 7, 96 + 7);  // the expand switch
    EXPECT_EQ(clientHeight(rig.hwnd), winGetOriginY(1) + 199);
    EXPECT_EQ(mainPageGetExpanded(1), 0);
    ASSERT_TRUE(captureShown(rig.hwnd, shot, "mainpage_collapsed.png"));
    rig.click(15 + 7, 96 + 7);
    EXPECT_EQ(clientHeight(rig.hwnd), winGetOriginY(1) + 356);
    mainPageSelectMode(1, 5);
    EXPECT_EQ(clientHeight(rig.hwnd), winGetOriginY(1) + 413);
    drainMessages();
    ASSERT_TRUE(captureShown(rig.hwnd, shot, "mainpage_tall.png"));
  });
}

TEST(MainPage, PresetsByClicksKeysAndHistory) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    nameSlot(rig.bank, 5, "Bright Pad");
    nameSlot(rig.bank, 33, "Low Bass");
    mainPageRefreshEntry(1);
    EXPECT_EQ(rig.gridLine(5), "5 Bright Pad");

    // A modified sound goes into the history when another preset is picked.
    patchSetName(rig.engine, "my sound");
    engineSetModified(rig.engine);
    clickRow(rig, 5);
    EXPECT_EQ(rig.engine->header.slot, 5);
    EXPECT_EQ(engineName(rig.engine), "Bright Pad");
    EXPECT_EQ(editHistoryCount(), 1);
    mainPageSelect(1);
    EXPECT_EQ(textViewSelected(1, 11), 5);

    // The current row does nothing; a group button changes only the rows.
    clickRow(rig, 5);
    EXPECT_EQ(editHistoryCount(), 1);
    clickGroup(rig, 2);
    EXPECT_EQ(rig.gridLine(1), "33 Low Bass");
    mainPageSelect(1);
    EXPECT_EQ(textViewSelected(1, 11), -1);
    EXPECT_TRUE(pressed(21));
    EXPECT_FALSE(pressed(19));
    EXPECT_EQ(rig.engine->header.slot, 5);

    // Recalling the history entry: the sound comes back, the number stays.
    static int wanted;
    wanted = 1;
    popupSetTrackHook([](void*, int, int, void*) { return wanted; });
    rig.click(509 + 30, 13 + 8);
    popupSetTrackHook(nullptr);
    EXPECT_EQ(engineName(rig.engine), "my sound");
    EXPECT_EQ(rig.engine->header.slot, 5);

    // Numbers outside the bank do nothing.
    mainPageSelectPresetEntry(1, 128);
    mainPageSelectPresetEntry(1, 0xffff);
    EXPECT_EQ(rig.engine->header.slot, 5);
  });
}

TEST(MainPage, StoreAndStoreTo) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    nameSlot(rig.bank, 3, "Keep Me");
    nameSlot(rig.bank, 2, "Playing");
    mainPageSelectPresetEntry(1, 2);
    // Store writes the playing sound into its own slot and rewrites its row.
    patchSetName(rig.engine, "Playing 2");
    rig.bank->changed = 0;
    clickStore(rig);
    EXPECT_EQ(slotName(rig.bank, 2), "Playing 2");
    EXPECT_EQ(rig.gridLine(2), "2 Playing 2");
    EXPECT_EQ(rig.bank->changed, 1);

    // Store to over an empty slot stores at once.
    clickStoreTo(rig);
    EXPECT_EQ(mainPageStoreToActive(1), 1);
    EXPECT_TRUE(pressed(30));
    clickRow(rig, 9);
    EXPECT_EQ(slotName(rig.bank, 9), "Playing 2");
    EXPECT_EQ(mainPageStoreToActive(1), 0);
    EXPECT_TRUE(g_asked.empty());

    // Over a used slot it asks; Cancel keeps the bank and the mode.
    clickStoreTo(rig);
    g_answer = IDCANCEL;
    clickRow(rig, 3);
    ASSERT_EQ(g_asked.size(), 1u);
    EXPECT_EQ(g_asked[0], "Are you sure you want to overwrite Keep Me?");
    EXPECT_EQ(slotName(rig.bank, 3), "Keep Me");
    EXPECT_EQ(mainPageStoreToActive(1), 1);
    // OK stores; the engine keeps its number.
    g_answer = IDOK;
    clickRow(rig, 3);
    EXPECT_EQ(slotName(rig.bank, 3), "Playing 2");
    EXPECT_EQ(mainPageStoreToActive(1), 0);
    EXPECT_FALSE(pressed(30));
    EXPECT_EQ(rig.engine->header.slot, 2);

    // The blink, on the injected clock: not before half a second, then every half second.
    clickStoreTo(rig);
    g_testTick += 400;
    mainPageBlinkStoreTo(1);
    EXPECT_TRUE(pressed(30));
    g_testTick += 200;
    mainPageBlinkStoreTo(1);
    EXPECT_FALSE(pressed(30));
    g_testTick += 501;
    mainPageBlinkStoreTo(1);
    EXPECT_TRUE(pressed(30));
    // Hiding the page cancels it.
    mainPageShow(1, 0);
    EXPECT_EQ(mainPageStoreToActive(1), 0);
  });
}

TEST(MainPage, HeaderBoxesAndBadValues) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    // Poly: typed values clamp to the box's range; a drag applies once, on release.
    struct {
      const char* typed;
      int poly;
    } polys[] = {{"0", 1}, {"65", 64}, {"12", 12}};
    for (const auto& p : polys) {
      typeIntoBox(rig, 39, p.typed);
      EXPECT_EQ(patchGetPolyphony(rig.engine), p.poly) << p.typed;
    }
    mainPageSelect(1);
    NumboxData* poly = numboxFind(1, 39);
    int ax = (poly->arrowRect.left + poly->arrowRect.right) / 2, ay = poly->arrowRect.top + 5;
    postPress(rig.hwnd, ax, ay);
    postMove(rig.hwnd, ax, ay - 8, true);
    EXPECT_EQ(patchGetPolyphony(rig.engine), 12) << "nothing while held";
    EXPECT_GT(poly->value, 12.0);
    postRelease(rig.hwnd, ax, ay - 8);
    EXPECT_EQ(patchGetPolyphony(rig.engine), static_cast<int>(poly->value)) << "applied on release";

    // dB: the box shows the gain in 6-per-doubling units and writes it back through db6ToGain.
    patchSetGain(rig.engine, 16.0f);
    mainPageRefreshEntry(1);
    EXPECT_NEAR(boxValue(40), 24.0, 1e-6);
    typeIntoBox(rig, 40, "12");
    EXPECT_NEAR(patchGetGain(rig.engine), 4.0, 1e-5);

    // BPM: one clamped tempo for the clock, the bar length and the envelope times.
    struct {
      const char* typed;
      double bpm;
    } tempos[] = {{"10001", 1000}, {"0", 0.01}, {"1000000000", 1000}, {"90", 90}};
    for (const auto& t : tempos) {
      typeIntoBox(rig, 43, t.typed);
      EXPECT_NEAR(tempoGetBpm(rig.engine), t.bpm, 1e-9) << t.typed;
      EXPECT_NEAR(rig.engine->header.length, 60.0 / t.bpm * rig.engine->header.beats * 44100.0,
                  1e-6 * rig.engine->header.length)
          << t.typed;
      EXPECT_NEAR(boxValue(43), t.bpm, 1e-3) << "the box shows the tempo in use";
    }

    // Names: "default" becomes "untitled" at the next refresh; a long name stays within the line.
    patchSetName(rig.engine, "default");
    mainPageRefreshEntry(1);
    EXPECT_EQ(engineName(rig.engine), "untitled");
    std::string forty(40, 'N');
    patchSetName(rig.engine, forty.c_str());
    clickStore(rig);
    EXPECT_EQ(rig.gridLine(0), "0 " + std::string(34, 'N'));
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(rig.hwnd, shot, "mainpage_values.png"));
  });
}

namespace {

// What the Tuning menu held when it opened, and the command to answer.
struct MenuSeen {
  std::vector<std::string> entries;
  std::vector<std::string> factory, bankNames;
  bool factoryAttached = false;  // entry 3 opens a submenu
  int answer = 0;
  int bankEntry = 0;  // when set, the answer is this entry of the bank submenu
} g_menu;

std::string itemText(HMENU m, int pos) {
  char buf[64] = {0};
  GetMenuStringA(m, static_cast<UINT>(pos), buf, sizeof buf, MF_BYPOSITION);
  return buf;
}

int readTuningMenu(void* menu, int, int, void*) {
  HMENU m = static_cast<HMENU>(menu);
  g_menu.entries.clear();
  g_menu.factory.clear();
  g_menu.bankNames.clear();
  for (int i = 0; i < GetMenuItemCount(m); ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(m, static_cast<UINT>(i), TRUE, &info);
    g_menu.entries.push_back((info.fType & MFT_SEPARATOR) ? std::string("-") : itemText(m, i));
  }
  HMENU f = GetSubMenu(m, 2), b = GetSubMenu(m, 3);
  g_menu.factoryAttached = f != nullptr;
  for (int i = 0; f && i < GetMenuItemCount(f); ++i) g_menu.factory.push_back(itemText(f, i));
  for (int i = 0; b && i < GetMenuItemCount(b); ++i) g_menu.bankNames.push_back(itemText(b, i));
  if (g_menu.bankEntry) return mainPageFields()->tuningBankMenu * 256 + g_menu.bankEntry;
  return g_menu.answer;
}

}  // namespace

TEST(MainPage, TuningMenu) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    tuningSelect(rig.engine, rig.bank, tuningMakeId(0, 0));
    // Bank tunings in slots 3 and 7: entries 1 and 2.
    TuningMap map;
    for (int slot : {3, 7}) {
      ASSERT_NE(tuningAllocBankMap(rig.bank, &map, slot), 0);
      std::snprintf(rig.bank->tunings[slot].map->name, tuningNameSize, "bank %d", slot);
    }
    popupSetTrackHook(readTuningMenu);
    g_menu.answer = 0;
    rig.click(522 + 30, 98 + 8);
    ASSERT_EQ(g_menu.entries.size(), 8u);
    EXPECT_EQ(g_menu.entries[2], "Factory");
    EXPECT_EQ(g_menu.entries[3], "Bank");
    EXPECT_EQ(g_menu.entries[4], "Library");
    EXPECT_EQ(g_menu.entries[6], "Edit...");
    EXPECT_EQ(g_menu.entries[7], "New...");
    EXPECT_EQ(static_cast<int>(g_menu.factory.size()), tuningLibraryCount() - 1);
    ASSERT_EQ(g_menu.bankNames.size(), 2u);
    EXPECT_EQ(g_menu.bankNames[1], "bank 7");
    EXPECT_EQ(mainPageFields()->bankTuningItem[7], 2);
    EXPECT_EQ(mainPageFields()->tuningFactoryMenu, 0) << "submenus go when the menu closes";

    // The second bank entry selects slot 7; the choice marks the bank and the engine changed.
    rig.bank->changed = 0;
    engineClearModified(rig.engine);
    g_menu.bankEntry = 2;
    rig.click(522 + 30, 98 + 8);
    g_menu.bankEntry = 0;
    EXPECT_EQ(tuningCurrentMap(rig.engine)->id, tuningMakeId(2, 7));
    EXPECT_EQ(rig.bank->changed, 1);
    EXPECT_TRUE(engineIsModified(rig.engine));

    // "New..." with every bank slot taken fails with the message.
    for (int slot = 0; slot < 128; ++slot) tuningAllocBankMap(rig.bank, &map, slot);
    g_asked.clear();
    g_menu.answer = 8;
    rig.click(522 + 30, 98 + 8);
    ASSERT_EQ(g_asked.size(), 1u);
    EXPECT_EQ(g_asked[0], "allocate tune failed!");

    // A library of one tuning: the factory submenu is there, with no entries.
    tuningSetLibraryCount(1);
    g_menu.answer = 0;
    rig.click(522 + 30, 98 + 8);
    tuningSetLibraryCount(tuningBuiltInCount);
    EXPECT_EQ(g_menu.entries.size(), 8u);
    EXPECT_TRUE(g_menu.factoryAttached);
    EXPECT_TRUE(g_menu.factory.empty());
    EXPECT_EQ(tuningLibraryCount(), tuningBuiltInCount);

    // With no free popup slot the menu is still built, without the two submenus.
    std::vector<int16_t> taken;
    for (int16_t s = popupFindFreeSlot(); s > 0; s = popupFindFreeSlot()) {
      popupCreate(s, 0, "filler");
      taken.push_back(s);
    }
    g_menu.answer = 0;
    rig.click(522 + 30, 98 + 8);
    EXPECT_EQ(g_menu.entries.size(), 8u);
    EXPECT_FALSE(g_menu.factoryAttached);
    EXPECT_TRUE(g_menu.factory.empty());
    for (int16_t s : taken) popupDestroy(s);
    popupSetTrackHook(nullptr);
  });
}

namespace {
double msSince(LARGE_INTEGER start) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
}
}  // namespace

// Each piece of the page's work against the 50 ms page-update tick (figures printed for the record).
TEST(MainPage, TimingsStayWellInsideTheTick) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    MainPageRig rig;
    LARGE_INTEGER t;
    const int rounds = 20;
    QueryPerformanceCounter(&t);
    for (int i = 0; i < rounds; ++i) {
      mainPageShow(1, 0);
      mainPageShow(1, 1);
    }
    double show = msSince(t) / rounds;
    QueryPerformanceCounter(&t);
    for (int i = 0; i < rounds; ++i) presetGridShowGroup(1, static_cast<int16_t>(16 * (i % 8)));
    double grid = msSince(t) / rounds;
    double keys = 0;
    for (int i = 0; i < rounds; ++i) {
      for (int n = 23; n < 97; ++n) {
        rig.engine->midi.keyDown[n] = static_cast<uint8_t>((n + i) % 2);
        rig.engine->midi.keyChanged[0][n] = 1;
      }
      rig.engine->midi.keyDisplayChanged[0] = 1;
      QueryPerformanceCounter(&t);
      mainPageUpdateKeyboard(1);
      keys += msSince(t);
    }
    keys /= rounds;
    QueryPerformanceCounter(&t);
    for (int i = 0; i < rounds; ++i) {
      rig.engine->midi.controllers[7] = static_cast<int16_t>(i * 5);
      midiPageUpdateSlotValues(1);
    }
    double slots = msSince(t) / rounds;
    std::printf(
        "page show with refresh %.3f ms, grid rewrite %.3f ms, keyboard update (74 keys) %.3f ms, "
        "slot tick %.3f ms\n",
        show, grid, keys, slots);
    EXPECT_LT(show, 50.0);
    EXPECT_LT(grid, 50.0);
    EXPECT_LT(keys, 50.0);
    EXPECT_LT(slots, 50.0);
  });
}
