// The LFO page on a real window under Xvfb: every value box typed into and read back through the
// engine, the switches clicked with posted input (which ones rebuild the patch), the two period units
// keeping their own values, the sample-and-hold and retrigger parts, the controller choice through the
// real "Select MIDI Source" window, the wave choice when the preset waves run out, a capture of the
// page and the time a refresh takes.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/mainWindowData.h"
#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "entryTestSupport.h"
#include "kitTestSupport.h"
#include "midi/midiNames.h"
#include "midi/midiSourceWindow.h"
#include "pageRig.h"
#include "pages/lfoPage.h"
#include "pages/patchHandshake.h"
#include "preset/undo.h"
#include "preset/wave.h"
#include "preset/waveMenu.h"
#include "support/threadTime.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiSeams/msgBox.h"
#include "uiSeams/popupMenu.h"
#include "uiaTestSupport.h"

namespace {

const int16_t kWin = kPageWin;

// The controller names the page's source buttons show, filled once per program.
void nameControllersOnce() {
  static const bool named = [] {
    midiNamesInitControllers();
    return true;
  }();
  (void)named;
}

uint16_t cid(int16_t c, int k) { return static_cast<uint16_t>(lfoColumnBase(c) + k); }

int g_applied = 0;
void countApply(void*, const char* step, Engine*) {
  if (std::string(step) == "apply") ++g_applied;
}

// One LFO page on a window of its own (slot 1, pane 7), the engine reset to a fresh preset.
struct LfoHarness : PageWindowRig {
  LfoHarness()
      : PageWindowRig(32, 650, 563, 40, 20, [](Engine*) {
          nameControllersOnce();
          waveMenusInit();
          waveSelectorInstall();
        }) {
    selectPane = lfoPageSelect;
    paneCreate(kWin, lfoPaneId, 0, 0, 0, 200, 0);
    winShow(kWin, 1);
    drainMessages();
    lfoPageShow(kWin, 1);
    g_applied = 0;
    patchSetHandshakeSpy(countApply, nullptr);
    drainMessages();
  }
  ~LfoHarness() {
    patchSetHandshakeSpy(nullptr, nullptr);
    msgBoxCaptureEnd();
  }
  void refresh() {
    lfoPageRefresh(kWin);
    drainMessages();
  }
  void type(uint16_t id, const char* text) { numboxEntryDone(item(id), text); }
  std::string text(uint16_t id) {
    ControlItem* it = item(id);
    return it && it->kind == kindButton ? static_cast<ButtonData*>(it->k.kindData)->text : "";
  }
  // A click posted to the window at a page point (two clicks are never one double click).
  void clickAt(int x, int y) {
    g_testTick += 1000;
    postClick(hwnd(), x + winGetOriginX(kWin), y + winGetOriginY(kWin));
  }
  void click(uint16_t id) {
    ControlItem* it = item(id);
    ASSERT_NE(it, nullptr) << id;
    clickAt((it->rect.left + it->rect.right) / 2, (it->rect.top + it->rect.bottom) / 2);
  }
};

}  // namespace

TEST(LfoPage, ColumnIdsAndTheirReverse) {
  EXPECT_EQ(lfoColumnBase(0), 0);
  EXPECT_EQ(lfoColumnBase(1), 54);
  EXPECT_EQ(lfoColumnBase(2), 108);
  EXPECT_EQ(lfoColumnBase(3), 0);
  EXPECT_EQ(lfoColumnBase(-1), 0);
  const struct {
    int id;
    int16_t lfo;
  } cases[] = {{0, 0}, {53, 0}, {54, 1}, {107, 1}, {108, 2}, {161, 2}, {162, 0}, {-5, 0}, {40000, 0}};
  for (const auto& c : cases) EXPECT_EQ(lfoFromControlId(c.id), c.lfo) << c.id;
}

// One table over every value box of the three columns: a typed text goes through the box (its range
// clamps it) into the setter, the engine holds the value in its own unit, and a refresh shows it again.
TEST(LfoPage, EveryBoxStoresWhatItShowsInTheEnginesUnit) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    struct Case {
      int k;
      const char* typed;
      double shown;   // what the box shows after the refresh
      double stored;  // what the engine holds
      std::function<double(int16_t)> read;
    };
    const std::vector<Case> cases = {
        {lfoKPitchDepth, "12", 12, 1.0, [&](int16_t c) { return lfoGetPitchDepth(e, c); }},
        {lfoKPitchDepth, "500", 72, 6.0, [&](int16_t c) { return lfoGetPitchDepth(e, c); }},
        {lfoKAmpDepth, "50", 50, 0.5, [&](int16_t c) { return lfoGetAmpDepth(e, c); }},
        {lfoKAmpDepth, "500", 100, 1.0, [&](int16_t c) { return lfoGetAmpDepth(e, c); }},
        {lfoKFmDepth, "25", 25, 0.25, [&](int16_t c) { return lfoGetChannelDepth(e, c); }},
        {lfoKFilterDepth, "100", 99.99, 1.0 - 0.9999, [&](int16_t c) { return lfoGetFilterRange(e, c); }},
        {lfoKFilterDepth, "40", 40, 0.6, [&](int16_t c) { return lfoGetFilterRange(e, c); }},
        {lfoKEffectDepth, "30", 30, 0.3, [&](int16_t c) { return lfoGetPercentSetting(e, c); }},
        {lfoKPanDepth, "75", 75, 0.75, [&](int16_t c) { return lfoGetFieldDepth(e, c); }},
        {lfoKDepthAmount, "40", 40, 0.4, [&](int16_t c) { return lfoGetDepthAmount(e, c); }},
        {lfoKRateAmount, "100", 100, 0.0, [&](int16_t c) { return lfoGetRateRange(e, c); }},
        {lfoKHoldRateAmount, "20", 20, 0.8, [&](int16_t c) { return lfoGetHoldRateRange(e, c); }},
        {lfoKSeconds, "2.5", 2.5, 2.5, [&](int16_t c) { return lfoGetPeriodSeconds(e, c); }},
        {lfoKSeconds, "0", 0.01, 0.01, [&](int16_t c) { return lfoGetPeriodSeconds(e, c); }},
        {lfoKBeats, "3", 3, 3.0, [&](int16_t c) { return lfoGetPeriodBeats(e, c); }},
        {lfoKHoldSeconds, "0.5", 0.5, 0.5, [&](int16_t c) { return lfoGetHoldSeconds(e, c); }},
        {lfoKHoldBeats, "0.25", 0.25, 0.25, [&](int16_t c) { return lfoGetHoldBeats(e, c); }},
        {lfoKPhase, "0.5", 0.5, 512.0, [&](int16_t c) { return lfoGetStartPhase(e, c); }},
        {lfoKPhase, "7", 1.0, 1024.0, [&](int16_t c) { return lfoGetStartPhase(e, c); }},
        // Hostile texts: letters are no number, a minus sign and long digit runs stay in range.
        {lfoKAmpDepth, "nan", 0, 0.0, [&](int16_t c) { return lfoGetAmpDepth(e, c); }},
        {lfoKPanDepth, "-20", 0, 0.0, [&](int16_t c) { return lfoGetFieldDepth(e, c); }},
        {lfoKHoldSeconds, "99999999999", 999.999, 999.999, [&](int16_t c) { return lfoGetHoldSeconds(e, c); }},
    };
    for (int16_t c = 0; c < lfoColumnCount; ++c) {
      for (const Case& t : cases) {
        SCOPED_TRACE("LFO " + std::to_string(c) + " box " + std::to_string(t.k) + " typed " + t.typed);
        page.type(cid(c, t.k), t.typed);
        EXPECT_NEAR(t.read(c), t.stored, 1e-4);
        page.refresh();
        EXPECT_NEAR(page.boxValue(cid(c, t.k)), t.shown, 1e-3);
      }
    }
    EXPECT_EQ(g_applied, 0) << "no value box rebuilds the patch";

    // Stored values, whatever put them there, show in the box's unit and inside its range.
    const struct {
      int k;
      std::function<void()> store;
      double shown;
    } stored[] = {
        {lfoKAmpDepth, [&] { lfoSetAmpDepth(e, 1, 0.25); }, 25},
        {lfoKPitchDepth, [&] { lfoSetPitchDepth(e, 1, 10.0); }, 72},
        {lfoKFilterDepth, [&] { lfoSetFilterRange(e, 1, -3.0); }, 99.99},
        {lfoKRateAmount, [&] { lfoSetRateRange(e, 1, 0.75); }, 25},
        {lfoKPhase, [&] { lfoSetStartPhase(e, 1, 256.0); }, 0.25},
        {lfoKSeconds, [&] { lfoSetPeriodSeconds(e, 1, 5000.0); }, 999.999},
    };
    for (const auto& s : stored) {
      s.store();
      page.refresh();
      EXPECT_NEAR(page.boxValue(cid(1, s.k)), s.shown, 1e-3) << "box " << s.k;
    }
  });
}

// Values no box can produce (not a number, infinite, huge, negative) handed to every box's callback:
// the engine keeps finite values, and the refresh shows each box inside its range.
TEST(LfoPage, HostileValuesStayInsideEveryBox) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    lfoSetOn(e, 0, 1);
    lfoSetSampleHold(e, 0, 1);
    page.refresh();
    const int boxes[] = {lfoKPitchDepth, lfoKAmpDepth,    lfoKFmDepth,    lfoKFilterDepth,    lfoKEffectDepth,
                         lfoKPanDepth,   lfoKDepthAmount, lfoKRateAmount, lfoKHoldRateAmount, lfoKSeconds,
                         lfoKBeats,      lfoKHoldSeconds, lfoKHoldBeats,  lfoKPhase};
    const double hostile[] = {NAN, INFINITY, -INFINITY, 1e300, -1e300, -5.0};
    for (int k : boxes) {
      for (double v : hostile) {
        SCOPED_TRACE("box " + std::to_string(k) + " value " + std::to_string(v));
        lfoNumboxChanged(page.item(cid(0, k)), v);
        const double fields[] = {lfoGetPitchDepth(e, 0),    lfoGetAmpDepth(e, 0),       lfoGetChannelDepth(e, 0),
                                 lfoGetFilterRange(e, 0),   lfoGetPercentSetting(e, 0), lfoGetFieldDepth(e, 0),
                                 lfoGetDepthAmount(e, 0),   lfoGetRateRange(e, 0),      lfoGetHoldRateRange(e, 0),
                                 lfoGetPeriodSeconds(e, 0), lfoGetPeriodBeats(e, 0),    lfoGetHoldSeconds(e, 0),
                                 lfoGetHoldBeats(e, 0),     lfoGetStartPhase(e, 0)};
        for (double f : fields) EXPECT_TRUE(std::isfinite(f));
        page.refresh();
        NumboxData* d = page.item(cid(0, k)) ? numboxFind(kWin, cid(0, k)) : nullptr;
        ASSERT_NE(d, nullptr);
        EXPECT_GE(d->value, d->minimum);
        EXPECT_LE(d->value, d->maximum);
      }
    }
    EXPECT_NEAR(lfoGetStartPhase(e, 0), 0.0, 1e-9) << "-5 is phase 0";
    EXPECT_NEAR(lfoGetPitchDepth(e, 0), 0.0, 1e-9);

    // Without an engine in the window's data every handler and the refresh do nothing.
    lfoSetAmpDepth(e, 0, 0.5);
    lfoSetOn(e, 2, 0);
    winSetUserData(kWin, nullptr);
    EXPECT_FALSE(lfoPageRefresh(kWin));
    lfoNumboxChanged(page.item(cid(0, lfoKAmpDepth)), 10.0);
    lfoButtonAction(page.item(cid(2, lfoKOn)), 1, 0);
    lfoSourceChosen(kWin, 5);
    lfoPageShow(kWin, 1);
    winSetUserData(kWin, &page.data);
    EXPECT_NEAR(lfoGetAmpDepth(e, 0), 0.5, 1e-9);
    EXPECT_EQ(lfoGetOn(e, 2), 0);
    EXPECT_TRUE(lfoPageRefresh(kWin));
  });
}

// The same path with real input: a click on a box's value opens the in-place entry over it, the text
// is typed into that edit field and Enter ends it.
TEST(LfoPage, TypedIntoTheEntryOverABoxReachesTheEngine) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    for (int16_t c = 0; c < 3; ++c) lfoSetOn(e, c, 1);
    page.refresh();
    const struct {
      int16_t lfo;
      int k;
      const char* typed;
      double shown, stored;
      std::function<double(int16_t)> read;
    } cases[] = {
        {0, lfoKPitchDepth, "500", 72, 6.0, [&](int16_t c) { return lfoGetPitchDepth(e, c); }},
        {1, lfoKAmpDepth, "50", 50, 0.5, [&](int16_t c) { return lfoGetAmpDepth(e, c); }},
        {2, lfoKFilterDepth, "100", 99.99, 1.0 - 0.9999, [&](int16_t c) { return lfoGetFilterRange(e, c); }},
        {0, lfoKPhase, "0.5", 0.5, 512.0, [&](int16_t c) { return lfoGetStartPhase(e, c); }},
        {1, lfoKRateAmount, "100", 100, 0.0, [&](int16_t c) { return lfoGetRateRange(e, c); }},
        {2, lfoKSeconds, "2.5", 2.5, 2.5, [&](int16_t c) { return lfoGetPeriodSeconds(e, c); }},
    };
    for (const auto& t : cases) {
      SCOPED_TRACE("LFO " + std::to_string(t.lfo) + " box " + std::to_string(t.k) + " typed " + t.typed);
      lfoPageSelect(kWin);
      NumboxData* d = numboxFind(kWin, cid(t.lfo, t.k));
      ASSERT_NE(d, nullptr);
      page.clickAt((d->valueRect.left + d->valueRect.right) / 2, (d->valueRect.top + d->valueRect.bottom) / 2);
      HWND edit = findEditChild(page.hwnd());
      ASSERT_NE(edit, nullptr) << "the entry opened";
      SendMessageA(edit, EM_SETSEL, 0, -1);
      typeIntoEntry(edit, t.typed);
      EXPECT_EQ(findEditChild(page.hwnd()), nullptr) << "Enter ended the entry";
      EXPECT_NEAR(t.read(t.lfo), t.stored, 1e-4);
      page.refresh();
      EXPECT_NEAR(page.boxValue(cid(t.lfo, t.k)), t.shown, 1e-3);
    }
  });
}

// Every switch clicked on the real window: the engine's field follows, and only the on, voice-mode
// and target switches rebuild the patch.
TEST(LfoPage, SwitchesChangeTheirFieldAndOnlyRoutingSwitchesRebuild) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    const int16_t c = 1;
    lfoSetOn(e, c, 1);
    page.refresh();
    ASSERT_TRUE(page.shown(cid(c, lfoKPanel)));
    struct Case {
      int k;
      bool rebuilds;
      std::function<int()> read;
    };
    const std::vector<Case> cases = {
        {lfoKVoiceMode, true, [&] { return lfoGetPerVoice(e, c); }},
        {lfoKPitchChannel + 0, true, [&] { return lfoGetPitchTarget(e, c, 0); }},
        {lfoKAmpChannel + 1, true, [&] { return lfoGetAmpTarget(e, c, 1); }},
        {lfoKFmChannel + 2, true, [&] { return lfoGetChannelTarget(e, c, 2); }},
        {lfoKFilterChannel + 1, true, [&] { return lfoGetFilterTarget(e, c, 1); }},
        {lfoKFilterMaster, true, [&] { return lfoGetFilterTarget(e, c, 3); }},
        {lfoKPitchPolarity, false, [&] { return lfoGetPitchPolarity(e, c); }},
        {lfoKAmpPolarity, false, [&] { return lfoGetAmpPolarity(e, c); }},
        {lfoKFmPolarity, false, [&] { return lfoGetChannelPolarity(e, c); }},
        {lfoKFilterPolarity, false, [&] { return lfoGetFilterPolarity(e, c); }},
        {lfoKRateUnit, false, [&] { return lfoGetPeriodSync(e, c); }},
        {lfoKHoldUnit, false, [&] { return lfoGetHoldSync(e, c); }},
        {lfoKHold, false, [&] { return lfoGetSampleHold(e, c); }},
        {lfoKRetrigger, false, [&] { return lfoGetRetrigger(e, c); }},
    };
    // The S/H unit switch is only there while sample and hold is on (it goes off last).
    lfoSetSampleHold(e, c, 1);
    page.refresh();
    for (const Case& t : cases) {
      SCOPED_TRACE("switch " + std::to_string(t.k));
      const int before = t.read();
      const int applied = g_applied;
      page.click(cid(c, t.k));
      EXPECT_NE(t.read(), before);
      EXPECT_EQ(g_applied - applied, t.rebuilds ? 1 : 0);
      // A refresh keeps what the click showed.
      const bool litNow = page.lit(cid(c, t.k));
      page.refresh();
      EXPECT_EQ(page.lit(cid(c, t.k)), litNow);
    }
    // The column's on switch is its stretch of the background: a click where no control sits.
    const int applied = g_applied;
    page.clickAt(214 * c + 100, 548);
    EXPECT_EQ(lfoGetOn(e, c), 0);
    EXPECT_FALSE(page.shown(cid(c, lfoKPanel)));
    EXPECT_EQ(g_applied - applied, 1);
    page.clickAt(214 * c + 100, 300);
    EXPECT_EQ(lfoGetOn(e, c), 1);
    EXPECT_TRUE(page.shown(cid(c, lfoKPanel)));
    EXPECT_EQ(g_applied - applied, 2);
  });
}

// The polarity and voice-mode switches light for the inverted / shared sense; the refresh reads the
// columns' on, hold and retrigger states into what shows.
TEST(LfoPage, RefreshShowsEachColumnsStateAndHidesItsParts) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    const struct {
      uint8_t on, hold, retrigger, perVoice, pitchPolarity;
    } states[] = {{1, 0, 0, 1, 1}, {0, 1, 1, 0, 0}, {1, 1, 0, 0, 1}};
    for (int16_t c = 0; c < 3; ++c) {
      lfoSetOn(e, c, states[c].on);
      lfoSetSampleHold(e, c, states[c].hold);
      lfoSetRetrigger(e, c, states[c].retrigger);
      lfoSetPerVoice(e, c, states[c].perVoice);
      lfoSetPitchPolarity(e, c, states[c].pitchPolarity);
      lfoSetControllerSource(e, c, 0, static_cast<int16_t>(c == 1 ? -1 : 7 + c));
    }
    page.refresh();
    for (int16_t c = 0; c < 3; ++c) {
      SCOPED_TRACE("LFO " + std::to_string(c));
      EXPECT_EQ(page.lit(cid(c, lfoKOn)), states[c].on == 1);
      EXPECT_EQ(page.shown(cid(c, lfoKPanel)), states[c].on == 1);
      EXPECT_EQ(page.lit(cid(c, lfoKHold)), states[c].hold == 1);
      EXPECT_EQ(page.lit(cid(c, lfoKRetrigger)), states[c].retrigger == 1);
      EXPECT_EQ(page.lit(cid(c, lfoKVoiceMode)), states[c].perVoice == 0);
      EXPECT_EQ(page.lit(cid(c, lfoKPitchPolarity)), states[c].pitchPolarity == 0);
      EXPECT_EQ(page.text(cid(c, lfoKDepthSource)), c == 1 ? "Aftertouch" : "CC " + std::to_string(7 + c));
      if (states[c].on != 1) continue;
      // Sample and hold off hides its unit switch and both of its period boxes.
      EXPECT_EQ(page.shown(cid(c, lfoKHoldUnit)), states[c].hold == 1);
      EXPECT_EQ(page.shown(cid(c, lfoKHoldSeconds)), states[c].hold == 1);
      EXPECT_FALSE(page.shown(cid(c, lfoKHoldBeats)));
      EXPECT_EQ(page.shown(cid(c, lfoKRetriggerSource)), states[c].retrigger == 1);
    }
  });
}

// Each unit shows its own box; switching to beats and back shows each stored value again.
TEST(LfoPage, SecondsAndBeatsBoxesKeepTheirOwnValues) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    const int16_t c = 0;
    lfoSetSampleHold(e, c, 1);
    page.refresh();
    const struct {
      int unit, seconds, beats;
      const char* secText;
      const char* beatText;
      std::function<double()> storedSeconds;
    } units[] = {
        {lfoKRateUnit, lfoKSeconds, lfoKBeats, "Sec", "Beat", [&] { return lfoGetPeriodSeconds(e, c); }},
        {lfoKHoldUnit, lfoKHoldSeconds, lfoKHoldBeats, "SH sec", "SH beat", [&] { return lfoGetHoldSeconds(e, c); }},
    };
    for (const auto& u : units) {
      page.type(cid(c, u.seconds), "2.5");
      page.click(cid(c, u.unit));
      EXPECT_TRUE(page.shown(cid(c, u.beats)));
      EXPECT_FALSE(page.shown(cid(c, u.seconds)));
      EXPECT_EQ(page.text(cid(c, u.unit)), u.beatText);
      page.type(cid(c, u.beats), "3");
      page.refresh();
      EXPECT_NEAR(page.boxValue(cid(c, u.beats)), 3.0, 1e-6);
      EXPECT_NEAR(u.storedSeconds(), 2.5, 1e-6) << "the seconds stay stored";
      page.click(cid(c, u.unit));
      EXPECT_TRUE(page.shown(cid(c, u.seconds)));
      EXPECT_FALSE(page.shown(cid(c, u.beats)));
      EXPECT_EQ(page.text(cid(c, u.unit)), u.secText);
      EXPECT_NEAR(page.boxValue(cid(c, u.seconds)), 2.5, 1e-6);
    }
    EXPECT_NEAR(lfoGetPeriodBeats(e, c), 3.0, 1e-9);
    EXPECT_NEAR(lfoGetHoldBeats(e, c), 3.0, 1e-9);
  });
}

// The controller button opens the real source window; a double click on a controller's row chooses
// it. A source the LFO cannot use (pitch bend, velocity, note, random) changes nothing.
TEST(LfoPage, ControllerChosenInTheSourceWindowAndSourcesItIgnores) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    const int16_t c = 2;
    lfoSetOn(e, c, 1);
    lfoSetControllerSource(e, c, 1, 4);
    page.refresh();
    const uint16_t button = cid(c, lfoKRateSource);
    ASSERT_EQ(page.text(button), "CC 4");
    int preselected = -2;
    g_steps = {
        [&] {
          const int16_t id = midiSourcePopupBuildId();
          if (!id) {
            --g_step;  // not open yet (a busy machine): try again on the next beat
            return true;
          }
          preselected = listFirstSelected(id, midiSourceItemList);
          // Row 9 is controller 7: two presses on it make a double click.
          HWND list = winGetFrameworkWindow(id);
          const int y = 16 + 14 * (9 - 0) + 7;
          listScrollTo(id, midiSourceItemList, 0.0f);
          PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(60, y));
          PostMessageA(list, WM_LBUTTONUP, 0, at(60, y));
          PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(60, y));
          PostMessageA(list, WM_LBUTTONUP, 0, at(60, y));
          return true;
        },
        [&] {
          if (midiSourcePopupIsOpen()) midiSourcePopupCancel();
          return false;
        },
    };
    g_step = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    g_testTick += 1000;
    page.click(button);  // returns once the modal window has closed
    KillTimer(nullptr, timer);
    EXPECT_EQ(preselected, 6) << "controller 4 preselected";
    EXPECT_FALSE(midiSourcePopupIsOpen());
    EXPECT_EQ(lfoGetControllerSource(e, c, 1), 7);
    EXPECT_EQ(page.text(button), "CC 7");

    // The callback as the window would call it, for every source past the controllers.
    for (int16_t source : {128, 129, 130, 131, -2, -128}) {
      lfoSourceChosen(kWin, source);
      EXPECT_EQ(lfoGetControllerSource(e, c, 1), 7) << source;
      EXPECT_EQ(page.text(button), "CC 7") << source;
    }
    lfoSourceChosen(kWin, -1);
    EXPECT_EQ(lfoGetControllerSource(e, c, 1), -1);
    EXPECT_EQ(page.text(button), "Aftertouch");
  });
}

namespace {
std::vector<std::string> g_lfoPopup;
int readLfoPopup(void* menu, int, int, void*) {
  HMENU m = static_cast<HMENU>(menu);
  for (int i = 0; i < GetMenuItemCount(m); ++i) {
    char text[64] = {0};
    GetMenuStringA(m, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    g_lfoPopup.push_back(text);
  }
  return 0;
}
}  // namespace

// A factory wave is taken and named; "New..." claims a preset wave until the eight are gone, then
// says so and leaves the LFO's wave as it was.
TEST(LfoPage, WaveChoiceAndNoFreePresetWave) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    ControlItem* selector = page.item(cid(0, lfoKWave));
    ASSERT_NE(selector, nullptr);
    waveMenusFillPopups(e);
    const int16_t factory = waveMenuFactoryHandle();
    lfoWaveChosen(selector, factory, 2);
    const int16_t wave = waveMenuItemToWave(2, factory);
    EXPECT_EQ(lfoGetWaveId(e, 0), wave);
    // Its popup, opened with a click, starts with that wave's name.
    g_lfoPopup.clear();
    popupSetTrackHook(readLfoPopup);
    lfoPageSelect(kWin);
    CtrlRect r;
    ASSERT_TRUE(ctrlGetRect(kWin, cid(0, lfoKWave), &r));
    g_testTick += 1000;
    postClick(page.hwnd(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    popupSetTrackHook(nullptr);
    char name[40] = {0};
    waveGetName(e, wave, name);
    EXPECT_EQ(g_lfoPopup, (std::vector<std::string>{name, "User", "Factory"}));
    // "New..." takes the first free preset wave for LFO 2.
    lfoWaveChosen(page.item(cid(1, lfoKWave)), waveMenuPresetHandle(), 1);
    const int16_t made = lfoGetWaveId(e, 1);
    EXPECT_EQ(made & 0xFF00, 0x7F00);
    lfoPageSelect(kWin);
    SelectorData* label = selectorFind(kWin, cid(1, lfoKWave));
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(label->choiceText, "preset 1");
    while (engineClaimPresetWave(e) >= 0) {
    }
    msgBoxCaptureBegin(0);
    lfoWaveChosen(selector, waveMenuPresetHandle(), 1);
    ASSERT_EQ(msgBoxCaptureCount(), 1u);
    EXPECT_STREQ(msgBoxCaptureText(0), "No more preset waves available.");
    msgBoxCaptureEnd();
    EXPECT_EQ(lfoGetWaveId(e, 0), wave);
  });
}

// The page as it shows (LFO 1 with sample and hold, LFO 2 on with retrigger, LFO 3 off), kept as a
// PNG, and the time one refresh of the three columns takes.
TEST(LfoPage, CaptureAndRefreshTime) {
  runInApplication([&](RecordingApplication&) {
    LfoHarness page;
    Engine* e = page.engine();
    lfoSetOn(e, 0, 1);
    lfoSetSampleHold(e, 0, 1);
    lfoSetPitchDepth(e, 0, 0.5);
    lfoSetOn(e, 1, 1);
    lfoSetRetrigger(e, 1, 1);
    lfoSetPeriodSync(e, 1, 1);
    lfoSetAmpPolarity(e, 1, 0);
    lfoSetOn(e, 2, 0);
    page.refresh();
    const int runs = 20;
    const auto t0 = std::chrono::steady_clock::now();
    const double cpu0 = threadCpuMs();
    for (int i = 0; i < runs; ++i) lfoPageRefresh(kWin);
    const double cpuMs = (threadCpuMs() - cpu0) / runs;
    const double ms = msSince(t0) / runs;
    std::printf("LFO page refresh: %.3f ms (%.3f ms of processor)\n", ms, cpuMs);
    RecordProperty("refreshMs", std::to_string(ms));
    EXPECT_LT(cpuMs, 50.0);
    drainMessages();
    InvalidateRect(page.hwnd(), nullptr, FALSE);
    UpdateWindow(page.hwnd());
    CapturedWindow shot;
    ASSERT_FALSE(windowCapturePng(page.hwnd(), "lfo-page.png", &shot).empty());
    EXPECT_EQ(shot.width, 650);
    EXPECT_GE(shot.height, 563);
  });
}
