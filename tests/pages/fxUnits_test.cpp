// The Effect page's three-unit panel on a real window under Xvfb: values typed into every box through
// the in-place entry and read back from the engine and the box after a refresh, the percentage
// boxes, hostile values, the unit switches hiding and showing their rows at once, the mode selector
// through its real popup, the panel's capture (PNG) and the time of a refresh.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "app/mainWindow.h"
#include "app/mainWindowData.h"
#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "entryTestSupport.h"
#include "kitTestSupport.h"
#include "modules/effectFrame.h"
#include "modules/effectShared.h"
#include "modules/threeUnitEffect.h"
#include "pageRig.h"
#include "pages/fxPage.h"
#include "pages/fxUnits.h"
#include "pages/pages.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "support/threadTime.h"
#include "uiSeams/popupMenu.h"
#include "uiaTestSupport.h"

namespace {

const int16_t kWin = kPageWin;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// The panel on a window of its own: pane 5 current and group mode on, as the Effect page builds it,
// the engine on a fresh preset with effect type `type` and all three units on (a new preset has
// only the first).
struct UnitsPanel : PageWindowRig {
  explicit UnitsPanel(std::uint16_t type = effectRev)
      : PageWindowRig(8, 650, 427, 60, 30, [type](Engine* e) {
          effectSetType(e, type);
          for (int u = 0; u < 3; ++u) effectRevSetUnitOn(e, u, 1);
        }) {
    selectPane = [](WinId win) { winSelectPane(win, fxUnitsPaneId); };
    paneCreate(kWin, fxUnitsPaneId, 0, 0, 0, 213, 0);
    winShow(kWin, 1);
    drainMessages();
    winSelectPane(kWin, fxUnitsPaneId);
    pageSetDrawDefaults();
    ctrlSetGroupMode(0, 1);
    fxUnitsBuild(kWin);
    WinSlot* slot = winSlot(kWin);
    winSelectPort(kWin, &slot->ownPort);
    portReloadPictures(panePort(ctrlFind(kWin, fxUnitsPaneId)));
    paneActivate(kWin, fxUnitsPaneId);  // the page's refresh ends so: the pane takes the mouse
    refresh();
  }
  ~UnitsPanel() {
    popupSetTrackHook(nullptr);
    ctrlSetGroupMode(0, 0);
  }
  void select() { selectPane(kWin); }
  void refresh() {
    fxUnitsRefresh(kWin);
    drainMessages();
  }
  std::string boxText(std::uint16_t id) {
    char text[numboxTextSize];
    numboxFormatValue(box(id), text);
    return text;
  }
  std::string modeText(int unit) {
    select();
    SelectorData* d = selectorFind(kWin, fxUnitsRowId(unit, 2));
    return d ? d->choiceText : "?";
  }
  // Clicks on a box's value, types the text and Enter.
  void type(std::uint16_t id, const std::string& text) {
    NumboxData* d = box(id);
    ASSERT_NE(d, nullptr) << id;
    const int x = (d->valueRect.left + d->valueRect.right) / 2, y = (d->valueRect.top + d->valueRect.bottom) / 2;
    g_testTick += 1000;
    postClick(hwnd(), x, y);
    HWND edit = findEditChild(hwnd());
    ASSERT_NE(edit, nullptr) << "entry over box " << id;
    typeIntoEntry(edit, text);
  }
  // Clicks at a point of a control, a second after the last click.
  void clickAt(std::uint16_t id, int dx, int dy) {
    CtrlRect r;
    select();
    ASSERT_TRUE(ctrlGetRect(kWin, id, &r)) << id;
    g_testTick += 1000;
    postClick(hwnd(), r.left + dx, r.top + dy);
  }
  void capture(const std::string& name) {
    UpdateWindow(hwnd());
    drainMessages();
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(hwnd(), shot, name));
  }
};

// Every value box: its id, the value it shows as read from the engine, and its range.
struct BoxCase {
  std::uint16_t id;
  double lo, hi;
  double floor;  // the lowest value the setter keeps (the box's minimum unless the setter's is higher)
  double (*shows)(Engine*, int);
  int unit;
};

double globalSize(Engine* e, int) { return effectRevGetSize(e); }
double globalFeedback(Engine* e, int) { return effectRevGetFeedback(e); }
double globalBrightness(Engine* e, int) { return effectRevGetBrightness(e); }
double globalPreDelay(Engine* e, int) { return effectRevGetPreDelay(e); }
double globalJitter(Engine* e, int) { return effectRevGetJitter(e); }
double timeModPercent(Engine* e, int u) { return effectRevGetTimeModDepth(e, u) * 100.0; }
double brightModPercent(Engine* e, int u) { return effectRevGetBrightModDepth(e, u) * 100.0; }

std::vector<BoxCase> allBoxes() {
  std::vector<BoxCase> out = {
      {170, 0.01, 100, 0.01, globalSize, 0}, {172, 0, 100, 0, globalFeedback, 0}, {171, 1, 100, 1, globalBrightness, 0},
      {173, 0, 350, 0, globalPreDelay, 0},   {174, 0, 100, 0, globalJitter, 0},
  };
  for (int u = 0; u < 3; ++u) {
    out.push_back({fxUnitsRowId(u, 3), 0.01, 100, 0.01, effectRevGetUnitScale, u});
    out.push_back({fxUnitsRowId(u, 4), 0, 100, 0, effectRevGetLaneSpread, u});
    out.push_back({fxUnitsRowId(u, 5), 0, 100, 0, timeModPercent, u});
    out.push_back({fxUnitsRowId(u, 7), 1, 100, 1, effectRevGetUnitBrightness, u});
    // The lane brightness spread setter keeps 0.01 % at least.
    out.push_back({fxUnitsRowId(u, 8), 0, 100, 0.01, effectRevGetLaneBrightSpread, u});
    out.push_back({fxUnitsRowId(u, 9), 0, 100, 0, brightModPercent, u});
  }
  return out;
}

void changeBox(ControlItem* item, double v) {
  if (item->id < fxUnitsRowBase)
    fxUnitsValueChanged(item, v);
  else
    fxUnitsUnitValueChanged(item, v);
}

}  // namespace

// A distinct value typed into each of the 23 boxes, then a refresh: each box shows its own value
// back and the engine holds it, so a box that shows one field and writes another cannot pass. Then
// values above and below every range: the box and the engine hold the box's ends (or the setter's).
TEST(FxUnitsPanel, EveryBoxShowsBackWhatWasTypedWithinItsRangeAndTheSetterLimits) {
  runInApplication([&](RecordingApplication&) {
    UnitsPanel panel;
    Engine* e = panel.engine();
    const std::vector<BoxCase> boxes = allBoxes();
    ASSERT_EQ(boxes.size(), 23u);
    for (std::size_t i = 0; i < boxes.size(); ++i) panel.type(boxes[i].id, std::to_string(11 + 3 * i) + ".5");
    panel.refresh();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const BoxCase& b = boxes[i];
      const double want = 11.5 + 3.0 * i;
      SCOPED_TRACE("box " + std::to_string(b.id));
      EXPECT_NEAR(b.shows(e, b.unit), want, 1e-4) << "the engine holds the typed value";
      EXPECT_NEAR(panel.box(b.id)->value, want, 1e-4) << "the box shows it back";
    }

    struct Typed {
      const char* text;
      bool high;
    } const ends[] = {{"500", true}, {"99999999999999", true}, {"-5", false}, {"0", false}};
    for (const Typed& t : ends) {
      for (const BoxCase& b : boxes) panel.type(b.id, t.text);
      panel.refresh();
      for (const BoxCase& b : boxes) {
        SCOPED_TRACE(std::string("typed ") + t.text + " into box " + std::to_string(b.id));
        const double want = t.high ? b.hi : b.floor;
        EXPECT_NEAR(b.shows(e, b.unit), want, 1e-6);
        EXPECT_NEAR(panel.box(b.id)->value, want, 1e-6);
      }
    }
  });
}

// The two percentage boxes of each unit store fractions: 50 typed stores 0.5, a stored 0.25 shows
// 25; the stored field is the record's own.
TEST(FxUnitsPanel, PercentageBoxesStoreFractionsAndShowPercent) {
  runInApplication([&](RecordingApplication&) {
    UnitsPanel panel;
    Engine* e = panel.engine();
    for (int u = 0; u < 3; ++u) {
      SCOPED_TRACE("unit " + std::to_string(u));
      panel.type(fxUnitsRowId(u, 5), "50");
      panel.type(fxUnitsRowId(u, 9), "12.5");
      EXPECT_DOUBLE_EQ(e->effectRev.timeModDepth[u], 0.5);
      EXPECT_DOUBLE_EQ(e->effectRev.brightModDepth[u], 0.125);
      effectRevSetTimeModDepth(e, u, 0.25);
      effectRevSetBrightModDepth(e, u, 0.0625);
      panel.refresh();
      EXPECT_EQ(panel.boxText(fxUnitsRowId(u, 5)), "25.00");
      EXPECT_EQ(panel.boxText(fxUnitsRowId(u, 9)), "6.25");
    }
  });
}

// Values that never come through typing (the callbacks called as a control could): NaN changes
// nothing, infinities and huge or negative values land on the box's ends, the engine stays finite.
TEST(FxUnitsPanel, HostileValuesReachTheSettersLimitedAndNaNChangesNothing) {
  runInApplication([&](RecordingApplication&) {
    UnitsPanel panel;
    Engine* e = panel.engine();
    for (const BoxCase& b : allBoxes()) {
      SCOPED_TRACE("box " + std::to_string(b.id));
      ControlItem* item = panel.item(b.id);
      ASSERT_NE(item, nullptr);
      changeBox(item, 20.0);
      const struct {
        double value, want;
      } cases[] = {{kNaN, 20.0},    {-1e300, b.floor}, {1e300, b.hi},    {-kInf, b.floor}, {kInf, b.hi},
                   {-0.0, b.floor}, {-5, b.floor},     {1e-30, b.floor}, {350.5, b.hi}};
      for (const auto& c : cases) {
        changeBox(item, c.value);
        const double now = b.shows(e, b.unit);
        EXPECT_TRUE(std::isfinite(now)) << c.value;
        EXPECT_NEAR(now, c.want, 1e-6) << c.value;
      }
    }
    // A callback given a control of the other kind of row, or no control, does nothing.
    const double before = effectRevGetSize(e), scaleBefore = effectRevGetUnitScale(e, 1);
    fxUnitsUnitValueChanged(panel.item(170), 5.0);
    fxUnitsValueChanged(panel.item(fxUnitsRowId(1, 3)), 5.0);
    fxUnitsValueChanged(nullptr, 5.0);
    fxUnitsUnitValueChanged(nullptr, 5.0);
    fxUnitsSwitchChanged(nullptr, 1, 0);
    EXPECT_DOUBLE_EQ(effectRevGetSize(e), before);
    EXPECT_DOUBLE_EQ(effectRevGetUnitScale(e, 1), scaleBefore);
  });
}

namespace {

std::vector<std::uint16_t> rowControls(int u) {
  std::vector<std::uint16_t> ids;
  for (int k = 2; k <= 10; ++k) ids.push_back(fxUnitsRowId(u, k));
  return ids;
}

}  // namespace

// A unit's on switch, clicked where no row control lies, switches the unit in the engine and hides
// its row at once, without a refresh; clicked again, the row comes back with the values it had. The
// other rows and the switch itself stay.
TEST(FxUnitsPanel, AUnitSwitchedOffHidesItsRowAtOnceAndOnShowsItAgain) {
  runInApplication([&](RecordingApplication&) {
    UnitsPanel panel;
    Engine* e = panel.engine();
    for (int u = 0; u < 3; ++u) effectRevSetUnitOn(e, u, 1);
    effectRevSetUnitScale(e, 2, 42.0);
    panel.refresh();
    for (int u = 0; u < 3; ++u) {
      SCOPED_TRACE("unit " + std::to_string(u));
      const std::uint16_t r = fxUnitsRowId(u, 0);
      ASSERT_TRUE(panel.lit(r));
      panel.clickAt(r, 8, 13);  // on the switch's lamp, left of the mode selector
      EXPECT_EQ(effectRevGetUnitOn(e, u), 0);
      EXPECT_FALSE(panel.lit(r));
      EXPECT_TRUE(panel.shown(r)) << "the switch stays";
      for (std::uint16_t id : rowControls(u)) EXPECT_FALSE(panel.shown(id)) << id;
      for (int o = 0; o < 3; ++o) EXPECT_EQ(panel.shown(fxUnitsRowId(o, 3)), o != u) << "row " << o;
      if (u == 2) panel.capture("fxunits_unit3_off.png");
      panel.clickAt(r, 8, 13);
      EXPECT_EQ(effectRevGetUnitOn(e, u), 1);
      for (std::uint16_t id : rowControls(u)) EXPECT_TRUE(panel.shown(id)) << id;
    }
    EXPECT_EQ(panel.boxText(fxUnitsRowId(2, 3)), "42.000");

    // The refresh follows the engine: off hides the row, on shows it; switched off while the panel
    // is hidden, the row stays hidden when the panel is shown again.
    effectRevSetUnitOn(e, 1, 0);
    panel.refresh();
    EXPECT_FALSE(panel.lit(fxUnitsRowId(1, 0)));
    for (std::uint16_t id : rowControls(1)) EXPECT_FALSE(panel.shown(id)) << id;
    panel.select();
    ctrlShow(kWin, fxUnitsPanelId, 0);
    for (std::uint16_t id = fxUnitsFirstId; id <= fxUnitsLastId; ++id) EXPECT_FALSE(panel.shown(id)) << id;
    effectRevSetUnitOn(e, 0, 0);
    panel.refresh();
    for (std::uint16_t id = fxUnitsFirstId; id <= fxUnitsLastId; ++id)
      EXPECT_FALSE(panel.shown(id)) << id << ": nothing of a hidden panel shows";
    panel.select();
    ctrlShow(kWin, fxUnitsPanelId, 1);
    for (int u = 0; u < 3; ++u)
      for (std::uint16_t id : rowControls(u)) EXPECT_EQ(panel.shown(id), u == 2) << id;
  });
}

// The mode selectors: the stored mode's name after a refresh ("Raw" for anything outside 0..3), and
// a choice in the real popup (read back for its four entries) stores the mode and shows its name.
int g_menuEntries = 0;
std::vector<std::string> g_menuTexts;
int g_menuAnswer = 0;
int answerMenu(void* menu, int, int, void*) {
  HMENU m = static_cast<HMENU>(menu);
  g_menuEntries = GetMenuItemCount(m);
  g_menuTexts.clear();
  for (int pos = 0; pos < g_menuEntries; ++pos) {
    char text[64] = {0};
    GetMenuStringA(m, static_cast<UINT>(pos), text, sizeof text, MF_BYPOSITION);
    g_menuTexts.push_back(text);
  }
  return g_menuAnswer;
}

TEST(FxUnitsPanel, ModeSelectorsShowTheStoredModeAndSetTheChosenOne) {
  runInApplication([&](RecordingApplication&) {
    UnitsPanel panel;
    Engine* e = panel.engine();
    const struct {
      std::uint32_t stored;
      const char* shown;
    } stored[] = {{0, "Raw"}, {1, "Natural"}, {2, "Resonant"}, {3, "Synthetic"}, {7, "Raw"}, {0xFFFFFFFFu, "Raw"}};
    for (const auto& c : stored) {
      for (int u = 0; u < 3; ++u) e->effectRev.mode[u] = c.stored;
      panel.refresh();
      for (int u = 0; u < 3; ++u) EXPECT_EQ(panel.modeText(u), c.shown) << c.stored << " unit " << u;
    }

    popupSetTrackHook(answerMenu);
    const struct {
      int entry;
      std::uint32_t mode;
      const char* shown;
    } chosen[] = {{3, 2, "Resonant"}, {4, 3, "Synthetic"}, {2, 1, "Natural"}, {1, 0, "Raw"}};
    for (int u = 0; u < 3; ++u) {
      for (const auto& c : chosen) {
        SCOPED_TRACE("unit " + std::to_string(u) + " entry " + std::to_string(c.entry));
        g_menuAnswer = c.entry;
        panel.clickAt(fxUnitsRowId(u, 2), 10, 5);
        ASSERT_EQ(g_menuEntries, 4);
        EXPECT_EQ(g_menuTexts, (std::vector<std::string>{"Raw", "Natural", "Resonant", "Synthetic"}));
        EXPECT_EQ(effectRevGetUnitMode(e, u), c.mode);
        EXPECT_EQ(panel.modeText(u), c.shown);
      }
    }
    // Closing the popup without a choice changes nothing.
    g_menuAnswer = 0;
    panel.clickAt(fxUnitsRowId(1, 2), 10, 5);
    EXPECT_EQ(effectRevGetUnitMode(e, 1), 0u);
    EXPECT_EQ(fxUnitsModeOfItem(0), 0u);
    EXPECT_EQ(fxUnitsModeOfItem(5), 0u);
    EXPECT_EQ(fxUnitsModeOfItem(-1), 0u);
  });
}

// The early-taps switch and the two invert switches of each unit: a click flips the engine's flag,
// and a refresh shows what the engine holds.
TEST(FxUnitsPanel, SwitchesFlipTheirFlagsAndFollowTheEngine) {
  runInApplication([&](RecordingApplication&) {
    UnitsPanel panel;
    Engine* e = panel.engine();
    struct Switch {
      std::uint16_t id;
      std::uint8_t (*get)(Engine*, int);
      void (*set)(Engine*, int, std::uint8_t);
      int unit;
    };
    auto early = [](Engine* en, int) { return effectRevGetEarlyTapsOn(en); };
    auto setEarly = [](Engine* en, int, std::uint8_t on) { effectRevSetEarlyTapsOn(en, on); };
    std::vector<Switch> switches = {{175, early, setEarly, 0}};
    for (int u = 0; u < 3; ++u) {
      switches.push_back({fxUnitsRowId(u, 6), effectRevGetTimeModInvert, effectRevSetTimeModInvert, u});
      switches.push_back({fxUnitsRowId(u, 10), effectRevGetBrightModInvert, effectRevSetBrightModInvert, u});
    }
    for (const Switch& s : switches) {
      SCOPED_TRACE("switch " + std::to_string(s.id));
      s.set(e, s.unit, 0);
      panel.refresh();
      ASSERT_FALSE(panel.lit(s.id));
      panel.clickAt(s.id, 5, 5);
      EXPECT_EQ(s.get(e, s.unit), 1);
      EXPECT_TRUE(panel.lit(s.id));
      panel.clickAt(s.id, 5, 5);
      EXPECT_EQ(s.get(e, s.unit), 0);
      s.set(e, s.unit, 1);
      panel.refresh();
      EXPECT_TRUE(panel.lit(s.id));
    }
    // Each switch writes only its own flag: all on now.
    for (const Switch& s : switches) EXPECT_EQ(s.get(e, s.unit), 1) << s.id;
  });
}

// Built while another effect type is current, the panel and everything on it are hidden; built on
// type 5 it shows, with the units as the engine has them.
TEST(FxUnitsPanel, ThePanelIsShownExactlyWhenTheTypeIsFive) {
  runInApplication([&](RecordingApplication&) {
    for (std::uint16_t type : {0, 1, 2, 3, 4, 5}) {
      SCOPED_TRACE("type " + std::to_string(type));
      UnitsPanel panel(type);
      for (std::uint16_t id = fxUnitsFirstId; id <= fxUnitsLastId; ++id) {
        // The row groups have no area of their own; 187, 199 and 211 are not used.
        if (id == 177 || id == 189 || id == 201 || !panel.item(id)) continue;
        EXPECT_EQ(panel.shown(id), type == 5) << id;
      }
      EXPECT_EQ(panel.shown(fxUnitsPanelId), type == 5);
    }
  });
}

// The panel as a user sees it, with unit 2 off and values of every width; and the time of one
// refresh (every control written and drawn).
TEST(FxUnitsPanel, CaptureAndRefreshTime) {
  runInApplication([&](RecordingApplication&) {
    UnitsPanel panel;
    Engine* e = panel.engine();
    effectRevSetSize(e, 100.0);
    effectRevSetFeedback(e, 87.5);
    effectRevSetPreDelay(e, 350.0);
    effectRevSetJitter(e, 2.5);
    effectRevSetEarlyTapsOn(e, 1);
    for (int u = 0; u < 3; ++u) {
      effectRevSetUnitOn(e, u, u != 1);
      effectRevSetUnitMode(e, u, static_cast<std::uint32_t>(u + 1));
      effectRevSetUnitScale(e, u, 100.0 - 33.3 * u);
      effectRevSetTimeModDepth(e, u, 1.0);
      effectRevSetTimeModInvert(e, u, 1);
      effectRevSetBrightModDepth(e, u, 0.05);
    }
    panel.refresh();
    panel.capture("fxunits_panel.png");
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(panel.hwnd(), shot));
    // The row of unit 2 shows only its switch: its area is the switch's flat face, one colour.
    const std::uint32_t face = shot.at(300, 200);
    for (int x = 150; x < 600; x += 37) EXPECT_EQ(shot.at(x, 200), face) << x;

    const int runs = 200;
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = threadCpuMs();
    for (int i = 0; i < runs; ++i) fxUnitsRefresh(kWin);
    const double cpuMs = (threadCpuMs() - cpu0) / runs;
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count() / runs;
    std::printf("three-unit panel refresh: %.3f ms (%.3f ms of processor)\n", ms, cpuMs);
    EXPECT_LT(cpuMs, 20.0);
  });
}

// A unit box typed into while the effect runs changes its output from the next block on, and the
// audio is never stopped for it: the engine stays unpaused. The effect alone is driven block by block
// with noise on the first two buses; the same blocks without the change are the reference, and the
// two runs agree up to the change.
TEST(FxUnitsPanel, AUnitBoxChangedWhilePlayingChangesTheSoundWithoutStopping) {
  runInApplication([&](RecordingApplication&) {
    UnitsPanel panel;
    Engine* e = panel.engine();
    const int blocks = 48, changeAt = 16;
    auto play = [&](bool change, int* pausedBlocks) {
      engineInitPreset(e);
      for (int u = 0; u < 3; ++u) effectRevSetUnitOn(e, u, 1);
      effectSetType(e, effectRev);
      effectRevSetSize(e, 5.0);  // 35 ms lines and no pre-delay: the units answer within the run
      effectRevSetPreDelay(e, 0.0);
      effectRevSetJitter(e, 0.0);  // nothing random or modulated: two runs are alike sample for sample
      for (int u = 0; u < 3; ++u) {
        effectRevSetTimeModDepth(e, u, 0.0);
        effectRevSetBrightModDepth(e, u, 0.0);
      }
      effectSetOn(e, 1);
      effectReset(e);
      effectRuntime(e)->prevWet = 1.0f;  // the wet level without its glide in from silence
      e->effectOn = 1;
      e->surround.fieldMode = 0;  // two buses in, two out
      e->paused.store(0);
      for (int k = 0; k < engineModParams; ++k) e->modMultipliers[3][0][k] = 1.0f;
      panel.refresh();
      std::uint32_t seed = 12345;
      std::vector<float> out;
      for (int k = 0; k < blocks; ++k) {
        if (change && k == changeAt) panel.type(fxUnitsRowId(0, 3), "23");
        std::memset(e->buses, 0, sizeof e->buses);
        for (int b = 0; b < 2; ++b)
          for (int i = 0; i < 128; ++i) {
            seed = seed * 1664525u + 1013904223u;
            e->buses[b][i] = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
          }
        effectRender(e, 128);
        if (e->paused.load()) ++*pausedBlocks;
        out.insert(out.end(), e->buses[0], e->buses[0] + 128);
      }
      return out;
    };
    int paused = 0;
    const std::vector<float> reference = play(false, &paused);
    const std::vector<float> changed = play(true, &paused);
    EXPECT_EQ(paused, 0) << "no block ran paused";
    EXPECT_NEAR(effectRevGetUnitScale(e, 0), 23.0, 1e-9);
    ASSERT_EQ(reference.size(), changed.size());
    double before = 0, after = 0, energy = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
      const double d = std::fabs(reference[i] - changed[i]);
      (i < std::size_t(changeAt) * 128 ? before : after) += d;
      energy += std::fabs(reference[i]);
    }
    ASSERT_GT(energy, 1.0) << "the effect sounds";
    EXPECT_EQ(before, 0.0) << "the runs agree up to the change";
    EXPECT_GT(after, 1e-3 * energy) << "the change is heard";
  });
}

namespace {

int g_contextMenus = 0;
int countMenu(void*, int, int, void*) {
  ++g_contextMenus;
  return 0;
}

// The whole Effect page in pane 5 of a window of its own, built hidden and then shown as the main
// window does, on an engine whose effect is the pipe resonator.
struct EffectPage : PageWindowRig {
  EffectPage() : PageWindowRig(32, fxPageWidth, fxPageHeight, 40, 20, [](Engine* e) { effectSetType(e, effectPipe); }) {
    selectPane = fxPageSelectPane;
    buildThenShow(fxPaneId, 213, fxPageBuildEntry, fxPageShow);
  }
  ~EffectPage() { popupSetTrackHook(nullptr); }
  bool shown(std::uint16_t id) {
    fxPageSelectPane(kWin);
    ControlItem* it = ctrlFind(kWin, id);
    return it && it->visible;
  }
  void click(std::uint16_t id, int dx, int dy, bool second = false) {
    CtrlRect r{};
    fxPageSelectPane(kWin);
    ASSERT_TRUE(ctrlGetRect(kWin, id, &r)) << id;
    if (!second) g_testTick += 1000;
    postClick(hwnd(), r.left + dx, r.top + dy);
  }
  void type(std::uint16_t id, const std::string& text) {
    fxPageSelectPane(kWin);
    NumboxData* d = numboxFind(kWin, id);
    ASSERT_NE(d, nullptr) << id;
    g_testTick += 1000;
    postClick(hwnd(), (d->valueRect.left + d->valueRect.right) / 2, (d->valueRect.top + d->valueRect.bottom) / 2);
    HWND edit = findEditChild(hwnd());
    ASSERT_NE(edit, nullptr) << id;
    typeIntoEntry(edit, text);
  }
};

}  // namespace

// Through the real page: the type-5 tab shows the panel with the engine's values and hides it again
// for another type; a value typed on the page reaches the engine and comes back at the page's
// refresh; a unit switched on shows its row; a double click on the panel opens the effect's module
// menu; the page with the panel is kept as PNG.
TEST(FxUnitsPanel, OnTheEffectPageTheTypeFiveTabShowsThePanel) {
  runInApplication([&](RecordingApplication&) {
    EffectPage page;
    Engine* e = page.data.engine;
    for (std::uint16_t id = fxUnitsFirstId; id <= fxUnitsLastId; ++id) EXPECT_FALSE(page.shown(id)) << id;

    page.click(fxItemFirstTab + 4, 20, 14);
    ASSERT_EQ(effectGetType(e), effectRev);
    EXPECT_TRUE(page.shown(fxUnitsPanelId));
    for (std::uint16_t p = fxItemFirstPanel; p < fxUnitsPanelId; ++p) EXPECT_FALSE(page.shown(p)) << p;
    for (int u = 0; u < 3; ++u) {
      const bool on = effectRevGetUnitOn(e, u) != 0;
      EXPECT_EQ(page.shown(fxUnitsRowId(u, 3)), on) << "unit " << u;
      fxPageSelectPane(kWin);
      EXPECT_NEAR(numboxFind(kWin, fxUnitsRowId(u, 3))->value, effectRevGetUnitScale(e, u), 1e-3) << u;
    }

    page.type(170, "33.5");
    page.type(173, "120");
    EXPECT_NEAR(effectRevGetSize(e), 33.5, 1e-9);
    EXPECT_NEAR(effectRevGetPreDelay(e), 120.0, 1e-9);
    effectRevSetFeedback(e, 12.25);
    fxPageRefresh(kWin);
    fxPageSelectPane(kWin);
    EXPECT_NEAR(numboxFind(kWin, 172)->value, 12.25, 1e-4);
    EXPECT_NEAR(numboxFind(kWin, 173)->value, 120.0, 1e-9);

    effectRevSetUnitOn(e, 2, 0);
    fxPageRefresh(kWin);
    EXPECT_FALSE(page.shown(fxUnitsRowId(2, 5)));
    page.click(fxUnitsRowId(2, 0), 8, 13);
    EXPECT_EQ(effectRevGetUnitOn(e, 2), 1);
    EXPECT_TRUE(page.shown(fxUnitsRowId(2, 5)));

    popupSetTrackHook(countMenu);
    g_contextMenus = 0;
    page.click(fxUnitsPanelId, 300, 250);
    EXPECT_EQ(g_contextMenus, 0) << "a single click on the panel does nothing";
    page.click(fxUnitsPanelId, 300, 250, true);
    EXPECT_EQ(g_contextMenus, 1) << "a double click opens the effect's module menu";
    popupSetTrackHook(nullptr);

    UpdateWindow(page.hwnd());
    drainMessages();
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(page.hwnd(), shot, "fxunits_effect_page.png"));

    page.click(fxItemFirstTab, 20, 14);
    ASSERT_EQ(effectGetType(e), effectPipe);
    for (std::uint16_t id = fxUnitsFirstId; id <= fxUnitsLastId; ++id) EXPECT_FALSE(page.shown(id)) << id;
  });
}
