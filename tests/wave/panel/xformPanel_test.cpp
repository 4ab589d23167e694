// The transform panel (pane 28) over the Wave page on a real window under Xvfb: every page opens with
// its title and applies its result at once while the page tabs are locked, Cancel restores the wave
// with no undo pending, OK leaves one undo step, changes never accumulate, the wave popups share one
// wave, the complementary gains, and hostile typed values and waves. Captures of every page kept.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "../waveRig.h"
#include "app/mainWindow.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/selector.h"
#include "controls/waveSelector.h"
#include "engine/testAudioThread.h"
#include "engine/valueFormat.h"
#include "preset/oscParams.h"
#include "preset/waveMenu.h"
#include "support/signal.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"
#include "wave/waveHarmonics.h"
#include "wave/waveHarmonicsMath.h"
#include "wave/waveHarmonicsView.h"
#include "wave/waveTransformPanel.h"
#include "wave/waveTransforms.h"
#include "wave/waveXformPanel.h"

using namespace waverig;

namespace {

const int16_t kWin = kPageWin;

// The Wave page with the transform panel built into pane 28 (as the main window's builder does): the
// window has the main window's 31 item places, so pane 28 fits beside pane 4.
struct PanelPage : WaveHarness {
  int16_t index = -1;
  explicit PanelPage(const std::vector<float>& samples)
      : WaveHarness(
            [](Engine*) {
              waveMenusInit();
              waveSelectorInstall();
            },
            mainWindowItems) {
    winSelectPort(kWin, nullptr);
    paneCreate(kWin, waveXformPaneId, xformPanelX, xformPanelY, 0, xformPanelItems, 0);
    winSelectPort(kWin, nullptr);
    ctrlShow(kWin, waveXformPaneId, 0);
    winSelectPane(kWin, waveXformPaneId);
    waveXformPanelBuild(kWin);
    waveXformSettings() = WaveXformSettings();
    index = edit(samples);
  }
  ~PanelPage() {
    if (open()) waveXformPanelShow(kWin, 0, 0);
  }
  ControlItem* panelItem(uint16_t id) {
    waveXformSelectPane(kWin);
    return ctrlFind(kWin, id);
  }
  void clickPanel(uint16_t id) {
    ControlItem* it = panelItem(id);
    ASSERT_NE(it, nullptr) << id;
    const CtrlRect r = it->rect;
    press((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    release((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void type(uint16_t id, const char* text) {
    numboxEntryDone(panelItem(id), text);
    drainMessages();
  }
  double boxValue(uint16_t id) {
    waveXformSelectPane(kWin);
    NumboxData* d = numboxFind(kWin, id);
    return d ? d->value : NAN;
  }
  std::string title() {
    waveXformSelectPane(kWin);
    char text[64] = {};
    displayGetText(kWin, xformItemTitle, text, sizeof text);
    return text;
  }
  bool open() { return waveXformPanelIsOpen(kWin); }
  bool pageLocked() {
    WinSlot* slot = winSlot(kWin);
    winSelectPort(kWin, &slot->ownPort);
    ControlItem* pane = ctrlFind(kWin, wavePaneId);
    return pane && !pane->drawable;
  }
  std::string popupLabel(uint16_t id) {
    waveXformSelectPane(kWin);
    SelectorData* d = selectorFind(kWin, id);
    return d ? d->choiceText : "";
  }
};

std::vector<float> rich() {
  return shape([](int i) {
    return 0.5 * std::sin(2 * kPi * i / 1024) + 0.3 * std::sin(2 * kPi * 5 * i / 1024 + 1) +
           0.1 * std::cos(2 * kPi * 23 * i / 1024);
  });
}

bool boundedWave(const std::vector<float>& s) {
  for (float v : s)
    if (!std::isfinite(v) || std::fabs(v) > 1.0f) return false;
  return true;
}

CapturedWindow capture(PageWindowRig& page, const std::string& name) {
  InvalidateRect(page.hwnd(), nullptr, FALSE);
  UpdateWindow(page.hwnd());
  drainMessages();
  CapturedWindow shot;
  EXPECT_FALSE(windowCapturePng(page.hwnd(), name.c_str(), &shot).empty());
  return shot;
}

}  // namespace

// Every page: its title, its result applied at once (computed from the wave as the panel found it),
// the page tabs locked; Cancel gives the wave back with no undo pending and unlocks the page.
TEST(XformPanel, EveryPageOpensAppliesAndCancels) {
  runInApplication([&](RecordingApplication&) {
    PanelPage page(rich());
    const std::vector<float> start = page.current();
    WaveXformSettings& s = waveXformSettings();
    s.phaseOffset = 0.25f;
    s.xformWave = 1;  // a global wave for wave B, the modulator and Load
    const std::vector<float> global(waveGet(page.engine(), 1)->samples,
                                    waveGet(page.engine(), 1)->samples + waveLength);
    struct Case {
      uint16_t page;
      const char* title;
      std::function<std::vector<float>()> expected;
    };
    const std::vector<Case> cases = {{waveXformPageOffsetPhase, "Phase Offset Waveform",
                                      [&] {
                                        std::vector<float> o(waveLength);
                                        waveXformPhaseOffset(start.data(), 0.25f, o.data());
                                        return o;
                                      }},
                                     {waveXformPageMix, "Mix Waveforms",
                                      [&] {
                                        std::vector<float> o(waveLength);
                                        waveXformMix(start.data(), global.data(), s, o.data());
                                        return o;
                                      }},
                                     {waveXformPageFractalize, "Fractalize Waveform",
                                      [&] {
                                        std::vector<float> o(waveLength);
                                        waveFractalizeWith(start.data(), o.data(), 8, 0.382f, 0.5);
                                        return o;
                                      }},
                                     {waveXformPageFilter, "Filter Waveform",
                                      [&] {
                                        std::vector<float> o(waveLength);
                                        waveXformFilter(start.data(), 2, 0.5f, o.data());
                                        return o;
                                      }},
                                     {waveXformPageFm, "Frequency Modulate Waveform",
                                      [&] {
                                        std::vector<float> o(waveLength);
                                        waveXformFm(start.data(), global.data(), s, o.data());
                                        return o;
                                      }},
                                     {waveXformPageLoad, "Load Waveform", [&] { return global; }},
                                     {waveXformPageShift, "Shift Harmonics", nullptr},
                                     {waveXformPageLoadHarmonics, "Load Waveform", [&] { return global; }}};
    for (const Case& c : cases) {
      if (c.page == waveXformPageShift) harmonicsTakeSnapshot();
      waveXformPanelShow(kWin, 1, c.page);
      drainMessages();
      EXPECT_TRUE(page.open()) << c.page;
      EXPECT_EQ(page.title(), c.title);
      EXPECT_TRUE(page.pageLocked()) << c.page;
      if (c.expected) {
        EXPECT_LT(maxDiff(page.current(), c.expected()), 1e-6) << c.page;
      }
      EXPECT_TRUE(boundedWave(page.current()));
      capture(page, "xform_page" + std::to_string(c.page) + ".png");
      page.clickPanel(xformItemCancel);
      EXPECT_FALSE(page.open()) << c.page;
      EXPECT_FALSE(page.pageLocked()) << c.page;
      EXPECT_EQ(page.current(), start) << c.page;
      EXPECT_EQ(undoGetKind(), undoKindNone) << c.page;
    }
    capture(page, "xform_closed.png");
  });
}

// OK keeps the result as one undo step back to the wave before the panel; two FM index values in a
// row give the second's result on the original wave.
TEST(XformPanel, OkIsOneUndoStepAndChangesNeverAccumulate) {
  runInApplication([&](RecordingApplication&) {
    PanelPage page(rich());
    const std::vector<float> start = page.current();
    waveXformSettings().xformWave = 0;  // the global sine as the modulator
    waveFormMenuCommand(page.item(waveItemWaveMenu), 0, waveCmdFm);
    drainMessages();
    ASSERT_TRUE(page.open());
    page.type(xformItemFmIndex, "2");
    page.type(xformItemFmIndex, "3");
    EXPECT_FLOAT_EQ(waveXformSettings().fmIndex, 3.0f);
    std::vector<float> three(waveLength);
    waveXformFm(start.data(), waveGet(page.engine(), 0)->samples, waveXformSettings(), three.data());
    EXPECT_LT(maxDiff(page.current(), three), 1e-6);
    page.clickPanel(xformItemOk);
    EXPECT_FALSE(page.open());
    EXPECT_LT(maxDiff(page.current(), three), 1e-6);
    EXPECT_EQ(undoGetKind(), undoKindWaveform);
    waveEditUndoRedo(kWin, 0);
    EXPECT_EQ(page.current(), start);
    waveEditUndoRedo(kWin, 1);
    EXPECT_LT(maxDiff(page.current(), three), 1e-6);
    // The settings stay for the next opening.
    waveXformPanelShow(kWin, 1, waveXformPageFm);
    EXPECT_DOUBLE_EQ(page.boxValue(xformItemFmIndex), 3.0);
    page.clickPanel(xformItemCancel);
  });
}

// The wave chosen as "Wave B" is the one "Mod Wave" shows at the next opening; the edited wave mixed
// with itself, inverted, at half gains is silence; "dB Wave A" sets the complementary "dB Wave B".
TEST(XformPanel, MixSharesItsWaveAndKeepsTheGainsComplementary) {
  runInApplication([&](RecordingApplication&) {
    PanelPage page(rich());
    waveXformPanelShow(kWin, 1, waveXformPageMix);
    const int16_t factory = waveMenuFactoryHandle();
    ASSERT_NE(factory, 0);
    const int item = waveMenuFactoryItemOf(3);
    ASSERT_GT(item, 0);
    waveXformMixWaveChanged(page.panelItem(xformItemWaveB), factory, static_cast<int16_t>(item));
    EXPECT_EQ(waveXformSettings().xformWave, 3);
    char name[waveNameSize] = {};
    waveGetName(page.engine(), 3, name);
    EXPECT_EQ(page.popupLabel(xformItemWaveB), name);
    // "New..." of the User menu changes nothing.
    waveXformMixWaveChanged(page.panelItem(xformItemWaveB), waveMenuPresetHandle(), 1);
    EXPECT_EQ(waveXformSettings().xformWave, 3);
    page.type(xformItemGainA, "-6");
    EXPECT_NEAR(waveXformSettings().gainA, 0.5, 1e-6);
    EXPECT_NEAR(page.boxValue(xformItemGainB), -6.0, 1e-4);
    page.type(xformItemGainA, "0");
    EXPECT_NEAR(page.boxValue(xformItemGainB), -103.0, 1e-4);
    EXPECT_EQ(waveXformSettings().gainB, 0.0f);
    page.type(xformItemGainB, "-12");
    EXPECT_NEAR(waveXformSettings().gainA, 0.75, 1e-6);
    EXPECT_NEAR(page.boxValue(xformItemGainA), gainToDb6(0.75), 1e-4);
    page.type(xformItemGainA, "-1e9");
    EXPECT_TRUE(std::isfinite(waveXformSettings().gainA) && std::isfinite(waveXformSettings().gainB));
    EXPECT_TRUE(boundedWave(page.current()));
    // The invert switch, clicked: wave B is subtracted.
    page.type(xformItemGainA, "-6");
    const std::vector<float> source(waveEditSourceBuffer(), waveEditSourceBuffer() + waveLength);
    page.clickPanel(xformItemInvertB);
    EXPECT_EQ(waveXformSettings().invertB, 1);
    std::vector<float> inverted(waveLength);
    waveXformMix(source.data(), waveGet(page.engine(), 3)->samples, waveXformSettings(), inverted.data());
    EXPECT_LT(maxDiff(page.current(), inverted), 1e-6);
    capture(page, "xform_mix_inverted.png");
    page.clickPanel(xformItemInvertB);
    EXPECT_EQ(waveXformSettings().invertB, 0);
    page.clickPanel(xformItemOk);
    waveXformPanelShow(kWin, 1, waveXformPageFm);
    EXPECT_EQ(page.popupLabel(xformItemModWave), name);
    page.clickPanel(xformItemCancel);
    waveXformPanelShow(kWin, 1, waveXformPageLoad);
    EXPECT_EQ(page.popupLabel(xformItemLoadWave), name);
    EXPECT_EQ(page.current(),
              std::vector<float>(waveGet(page.engine(), 3)->samples, waveGet(page.engine(), 3)->samples + waveLength));
    page.clickPanel(xformItemCancel);
    // The wave mixed with itself at the first run: ratio 1, phase 0, invert on, gains 0.5: silence.
    WaveXformSettings& s = waveXformSettings();
    s.xformWave = static_cast<int16_t>(waveLocalIdBase + page.index);
    s.gainA = s.gainB = 0.5f;
    s.invertB = 1;
    waveXformPanelShow(kWin, 1, waveXformPageMix);
    EXPECT_EQ(peakOf(page.current()), 0.0f);
    capture(page, "xform_mix_self.png");
    page.clickPanel(xformItemCancel);
  });
}

// The shift page from the harmonics menu: a shift of 0 rebuilds the snapshot, moving back and forth
// loses nothing, Cancel gives the wave and its bars back.
TEST(XformPanel, ShiftHarmonicsStartsFromTheSnapshot) {
  runInApplication([&](RecordingApplication&) {
    PanelPage page(rich());
    page.click(waveItemHarmTab);
    const std::vector<float> start = page.current();
    waveHarmonicMenuCommand(page.item(waveItemHarmMenu), 0, harmCmdShift);
    drainMessages();
    ASSERT_TRUE(page.open());
    EXPECT_EQ(page.title(), "Shift Harmonics");
    const std::vector<float> atZero = page.current();
    const float scale = 0.995f / peakOf(start);
    EXPECT_LT(maxDiff(atZero, shape([&](int i) { return start[i] * scale; })), 1e-5);
    page.type(xformItemShift, "10");
    EXPECT_NEAR(waveEditBuffers()->harmonics[10].amp, waveEditBuffers()->harmonicsSnapshot[0].amp, 0);
    EXPECT_GT(maxDiff(page.current(), atZero), 0.1);
    capture(page, "xform_shift.png");
    for (const char* v : {"-64", "64", "-3", "63", "0"}) page.type(xformItemShift, v);
    EXPECT_EQ(page.current(), atZero);
    page.type(xformItemShift, "5");
    page.clickPanel(xformItemCancel);
    EXPECT_EQ(page.current(), start);
    EXPECT_EQ(undoGetKind(), undoKindNone);
    EXPECT_NEAR(waveEditBuffers()->harmonics[0].amp, 1.0, 1e-9);
  });
}

// Hostile typed values and waves: every result is finite and within -1..1.
TEST(XformPanel, HostileValuesAndWaves) {
  runInApplication([&](RecordingApplication&) {
    PanelPage page(rich());
    struct Typed {
      uint16_t page, box;
      std::vector<const char*> texts;
    };
    const std::vector<Typed> cases = {{waveXformPageFm, xformItemFmIndex, {"1e6", "-5", "nan", "32"}},
                                      {waveXformPageFm, xformItemModRatio, {"1e9", "0"}},
                                      {waveXformPageFm, xformItemModPhase, {"-1", "1", "7"}},
                                      {waveXformPageFractalize, xformItemIterations, {"0", "100", "2"}},
                                      {waveXformPageFractalize, xformItemDisplacement, {"0", "1", "-3"}},
                                      {waveXformPageFractalize, xformItemAmpSlope, {"-1e9", "0", "50"}},
                                      {waveXformPageFilter, xformItemFilterFreq, {"0", "2", "nan", "1"}},
                                      {waveXformPageMix, xformItemGainA, {"-1e9", "1e9"}},
                                      {waveXformPageMix, xformItemRatioB, {"1e9", "0.5"}},
                                      {waveXformPageOffsetPhase, xformItemPhaseOffset, {"1", "-1", "99"}},
                                      {waveXformPageLoad, xformItemShift, {}},
                                      {waveXformPageLoadHarmonics, xformItemShift, {}}};
    const std::vector<std::vector<float>> waves = {rich(), std::vector<float>(waveLength, NAN),
                                                   std::vector<float>(waveLength, 0.0f),
                                                   shape([](int i) { return i % 2 ? INFINITY : -1e30; })};
    waveXformSettings().xformWave = static_cast<int16_t>(waveLocalIdBase + page.index);  // the hostile wave too
    for (const auto& w : waves) {
      page.setCurrent(w);
      for (const Typed& c : cases) {
        waveXformPanelShow(kWin, 1, c.page);
        EXPECT_TRUE(boundedWave(page.current())) << c.page;
        for (const char* t : c.texts) {
          page.type(c.box, t);
          EXPECT_TRUE(boundedWave(page.current())) << c.page << " " << c.box << " " << t;
        }
        page.clickPanel(xformItemOk);
        EXPECT_FALSE(page.open());
        page.setCurrent(w);
      }
    }
    const WaveXformSettings& s = waveXformSettings();
    EXPECT_GE(s.iterations, 2);
    EXPECT_LE(s.iterations, 8);
    EXPECT_GE(s.filterFreq, 0.001f);
    EXPECT_LE(s.filterFreq, 0.99f);
    EXPECT_LE(s.fmIndex, 32.0f);
  });
}

// The sound follows the panel: a result is heard while the panel is open, Cancel brings back the
// sound of the wave as it was.
TEST(XformPanel, CancelRestoresTheSound) {
  runInApplication([&](RecordingApplication&) {
    PanelPage page(sine(0.9));
    Engine* e = page.engine();
    oscSetOn(e, 0, 1);
    oscSetType(e, 0, 0);
    oscSetBandLimited(e, 0, 1);
    oscSetWaveA(e, 0, static_cast<int16_t>(waveLocalIdBase + page.index));
    engineApplyPatchChange(e, 1);
    const std::vector<float> before = renderHeldNote(e, 40, true);
    const double f = signalPeakFrequency(before, 44100.0);
    auto level = [&](const std::vector<float>& s, int h) {
      return signalToneAmplitude(s.data(), s.size(), 44100.0, h * f);
    };
    const double a1 = level(before, 1);
    ASSERT_GT(a1, 0.01);
    waveXformSettings().xformWave = 0;
    waveXformPanelShow(kWin, 1, waveXformPageFm);
    page.type(xformItemFmIndex, "4");
    const std::vector<float> during = renderHeldNote(e, 40, false);
    EXPECT_GT((level(during, 2) + level(during, 3)) / level(during, 1), 0.2) << "the modulated wave is heard";
    for (int h = 2; h <= 4; ++h) EXPECT_LT(level(before, h) / a1, 0.01) << h;
    page.clickPanel(xformItemCancel);
    const std::vector<float> after = renderHeldNote(e, 40, false);
    // The note's envelope moves on; the spectrum's shape is the sine's again.
    EXPECT_GT(level(after, 1), 0.5 * a1);
    for (int h = 2; h <= 4; ++h) EXPECT_LT(level(after, h) / level(after, 1), 0.01) << h;
    EXPECT_EQ(undoGetKind(), undoKindNone);
  });
}
