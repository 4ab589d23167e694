// Values typed into the Envelope page's boxes (the number box's own entry path) and the settings
// chosen through its controls: breakpoint times with and without button 83, the 10-sample floor and
// hostile numbers, "Depth" over a selection, "Amp %", the level in the destination's unit read back
// over the kinds, "Beat" at 120 BPM, the link and sync refusals.
#include "../envHarness.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "controls/numbox.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"
#include "envelope/envFieldEdits.h"
#include "envelope/envFields.h"
#include "envelope/envSettings.h"
#include "modules/filterModule.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "preset/oscParams.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"

int envSlotWaitsRunOut();

namespace {

const double kSr = 44100.0;

void laterClock() {
  static uint32_t runs = 0;
  g_testTick += 1000000u * ++runs;
}

// Row `id` shows slot `slot` and is the selected row, with breakpoints first..last selected.
void selectRun(EnvHarness& page, int id, int slot, int first, int last) {
  envGraphBindSlot(kPageWin, static_cast<uint16_t>(id), static_cast<int16_t>(slot));
  envGraphSelectItem(kPageWin, static_cast<uint16_t>(id));
  envGraphClearBpSelection(kPageWin);
  for (int b = first; b <= last; ++b) envGraphExtendBpSelection(kPageWin, static_cast<int16_t>(b));
  envPageRefreshFields(kPageWin);
  page.selectPane(kPageWin);
}

void type(EnvHarness& page, uint16_t id, const char* text) {
  page.selectPane(kPageWin);
  ControlItem* box = page.item(id);
  ASSERT_NE(box, nullptr) << id;
  numboxEntryDone(box, text);
  drainMessages();
}

void press(EnvHarness& page, uint16_t id) {
  page.selectPane(kPageWin);
  ControlItem* b = page.item(id);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(b->visible) << id;
  page.click((b->rect.left + b->rect.right) / 2, (b->rect.top + b->rect.bottom) / 2);
}

// Slot 0 with five breakpoints 0.5 s apart.
void fiveBreakpoints(Engine* e) {
  shapeSlot(envSlot(e, 0), 0.0f, {{0.5, 1.0f}, {0.5, 0.8f}, {0.5, 0.6f}, {0.5, 0.4f}, {0.5, 0.0f}}, 3);
}

TEST(EnvTyping, TimesAndFollower) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page(fiveBreakpoints);
    laterClock();
    selectRun(page, 16, 0, 2, 2);
    ASSERT_TRUE(page.shown(envItemBpSegTime));
    // The absolute box stays between the neighbours while button 83 is released.
    NumboxData* abs = numboxFind(kPageWin, envItemBpAbsTime);
    ASSERT_NE(abs, nullptr);
    EXPECT_NEAR(abs->minimum, 1.001, 1e-9);
    EXPECT_NEAR(abs->maximum, 1.999, 1e-9);
    type(page, envItemBpSegTime, "0.75");  // button 83 released
    EXPECT_NEAR(envGetBpTime(page.engine(), 0, 2), 0.75 * kSr, 1e-3);
    EXPECT_NEAR(envFieldAbsSeconds(page.engine(), 0, 3), 2.0, 1e-6);
    EXPECT_NEAR(page.boxValue(envItemBpAbsTime), 1.75, 1e-4);
    press(page, envItemFreeTime);  // pressed: later breakpoints move
    page.selectPane(kPageWin);
    ASSERT_TRUE(buttonIsPressed(kPageWin, envItemFreeTime));
    type(page, envItemBpSegTime, "1.0");
    EXPECT_NEAR(envFieldAbsSeconds(page.engine(), 0, 3), 2.25, 1e-6);
    EXPECT_NEAR(envFieldAbsSeconds(page.engine(), 0, 4), 2.75, 1e-6);
    // 0 s, negative, no number and 1e12 through the box.
    type(page, envItemBpSegTime, "0");
    EXPECT_EQ(envGetBpTime(page.engine(), 0, 2), 10.0);
    type(page, envItemBpSegTime, "-5");
    EXPECT_EQ(envGetBpTime(page.engine(), 0, 2), 10.0);
    type(page, envItemBpSegTime, "1000000000000");  // 1e12 s
    EXPECT_NEAR(envGetBpTime(page.engine(), 0, 2), 9999.0 * kSr, 1.0);
    type(page, envItemBpSegTime, "nan");
    EXPECT_TRUE(std::isfinite(envGetBpTime(page.engine(), 0, 2)));
    page.capture("envelope_typing_times.png");
  });
}

TEST(EnvTyping, DepthAmpPercentAndBeats) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page(fiveBreakpoints);
    laterClock();
    selectRun(page, 16, 0, 1, 3);
    type(page, envItemBpDepth, "100");
    for (int b = 1; b <= 3; ++b) EXPECT_EQ(envGetBpDepth(page.engine(), 0, static_cast<int16_t>(b)), 1.0f) << b;
    type(page, envItemBpDepth, "250");  // the box holds 100 at most
    EXPECT_EQ(envGetBpDepth(page.engine(), 0, 1), 1.0f);
    type(page, envItemLinkAmp, "150");
    EXPECT_FLOAT_EQ(envGetAmpPercent(page.engine(), 0), 1.5f);
    type(page, envItemLinkOffset, "-100");
    EXPECT_FLOAT_EQ(envGetAmpOffset(page.engine(), 0), -1.0f);
    tempoSetBpm(page.engine(), 120.0);
    type(page, envItemBeats, "4");
    EXPECT_NEAR(engineGetPatchHeader(page.engine())->length, 88200.0, 1e-6);
    EXPECT_EQ(engineGetPatchHeader(page.engine())->beats, 4.0f);
    // "Beat" 0 and 1e6 are held by the box: the tempo length stays finite and positive.
    type(page, envItemBeats, "0");
    EXPECT_NEAR(engineGetPatchHeader(page.engine())->beats, 0.0125f, 1e-6);
    type(page, envItemBeats, "1000000");
    EXPECT_EQ(engineGetPatchHeader(page.engine())->beats, 128.0f);
    EXPECT_TRUE(std::isfinite(engineGetPatchHeader(page.engine())->length));
    EXPECT_GT(engineGetPatchHeader(page.engine())->length, 0.0);
  });
}

TEST(EnvTyping, LevelUnitsRoundTripThroughBox90) {
  struct Case {
    std::string name;
    EnvDestKind kind;
    int16_t owner;
    std::function<void(Engine*)> setup;
    double typed;
  };
  const std::vector<Case> cases = {
      {"amp", envDestOscAmp, 0, nullptr, -12.0},
      {"pitch Trans", envDestOscPitch, 0,
       [](Engine* e) {
         oscSetFreqMode(e, 0, oscFreqTrans);
         oscSetPitch(e, 0, 12.0f);
       },
       0.0},
      {"pitch Ratio", envDestOscPitch, 0,
       [](Engine* e) {
         oscSetFreqMode(e, 0, oscFreqRatio);
         oscSetPitch(e, 0, 2.0f);
       },
       0.5},
      {"pitch Note", envDestOscPitch, 0,
       [](Engine* e) {
         oscSetFreqMode(e, 0, oscFreqNote);
         oscSetPitch(e, 0, 69.0f);
       },
       57.0},
      {"pitch Hz", envDestOscPitch, 0,
       [](Engine* e) {
         oscSetFreqMode(e, 0, oscFreqHz);
         oscSetPitch(e, 0, 880.0f);
       },
       440.0},
      {"phase", envDestOscPhase, 0, [](Engine* e) { oscSetPhaseA(e, 0, 0.25f); }, 0.5},
      {"filter", envDestFilterFreq, 0,
       [](Engine* e) {
         filterSetType(e, 0, filterLpf12dB);
         filterSetFrequency(e, 0, 2000.0);
       },
       500.0},
      {"filter Comb", envDestFilterFreq, 1,
       [](Engine* e) {
         filterSetType(e, 1, filterComb);
         filterSetFrequency(e, 1, 1000.0);
       },
       500.0},
      {"mod balance", envDestModBalance, 0, [](Engine* e) { modulatorSetBalance(e, 0, 0.8); }, 0.4},
      {"sample jump", envDestSampleJump, 0, nullptr, 30.0},
      {"pan", envDestPanLr, 0, nullptr, 0.5},
  };
  runInApplication([&](RecordingApplication&) {
    EnvHarness page;
    laterClock();
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      Engine* e = page.engine();
      if (c.setup) c.setup(e);
      int16_t slot = c.kind == envDestOscAmp ? 0 : envCreate(e, c.owner, c.kind);
      ASSERT_GE(slot, 0);
      selectRun(page, 17, slot, 1, 1);
      ASSERT_TRUE(page.shown(envItemBpLevelUnits));
      type(page, envItemBpLevelUnits, std::to_string(c.typed).c_str());
      envPageRefreshFields(kPageWin);
      page.selectPane(kPageWin);
      EXPECT_NEAR(page.boxValue(envItemBpLevelUnits), c.typed, 2e-3 * (1.0 + std::fabs(c.typed)));
      EXPECT_NEAR(page.boxValue(envItemBpLevelPercent), envGetBpLevel(e, slot, 1) * 100.0, 1e-3);
      if (slot > 2) envSlotClear(e, slot);
    }
    page.capture("envelope_typing_units.png");
  });
}

TEST(EnvTyping, SettingsRefusals) {
  runInApplication([&](RecordingApplication&) {
    int16_t a = -1, b = -1;
    EnvHarness page([&](Engine* e) {
      a = envCreate(e, 0, envDestOscPitch);
      b = envCreate(e, 0, envDestOscPhase);
    });
    laterClock();
    ASSERT_GE(a, 3);
    // "Link" is disabled for the channel envelopes.
    for (int slot = 0; slot <= 2; ++slot) {
      selectRun(page, 16, slot, -2, -3);
      envModeMenuFill(page.item(envItemMode), 1);
      SelectorData* d = selectorFind(kPageWin, envItemMode);
      ASSERT_NE(d, nullptr);
      EXPECT_TRUE(GetMenuState(d->menu, 6, MF_BYCOMMAND) & MF_GRAYED) << slot;
    }
    // b links to a; a refuses the link with the message and keeps its mode.
    selectRun(page, 17, b, -2, -3);
    envModeOnChoose(page.item(envItemMode), 0, 6);
    EXPECT_TRUE(envIsLinked(page.engine(), b));
    envSetLinkMaster(page.engine(), b, a);
    selectRun(page, 16, a, -2, -3);
    envSetMode(page.engine(), a, envModeLoop);
    const std::size_t before = msgBoxCaptureCount();
    envModeOnChoose(page.item(envItemMode), 0, 6);
    ASSERT_EQ(msgBoxCaptureCount(), before + 1);
    EXPECT_STREQ(msgBoxCaptureText(before),
                 "This envelope cannot be set to link mode, other envelopes are linked to it.");
    EXPECT_EQ(envGetMode(page.engine(), a), envModeLoop);
    EXPECT_FALSE(envIsLinked(page.engine(), a));
    // Retrigger: releasing sync shows the message and the button stays pressed.
    envModeOnChoose(page.item(envItemMode), 0, envModeRetrigger);
    page.selectPane(kPageWin);
    EXPECT_TRUE(buttonIsPressed(kPageWin, envItemSync));
    const std::uint8_t flag = envGetSyncFlag(page.engine(), a);
    press(page, envItemSync);
    page.selectPane(kPageWin);
    ASSERT_EQ(msgBoxCaptureCount(), before + 2);
    EXPECT_STREQ(msgBoxCaptureText(before + 1), "An envelope in retrigger mode is always synced to the master tempo.");
    EXPECT_TRUE(buttonIsPressed(kPageWin, envItemSync));
    EXPECT_EQ(envGetSyncFlag(page.engine(), a), flag);
    page.capture("envelope_typing_retrigger.png");
  });
}

}  // namespace

namespace {

TEST(EnvTyping, ModeChosenInThePopupIsAcknowledgedByTheRunningAudioThread) {
  runInApplication([&](RecordingApplication&) {
    EnvHarness page([](Engine* e) { e->channels[0]->on = 1; });
    laterClock();
    Engine* e = page.engine();
    selectRun(page, 16, 0, -2, -3);
    TestAudioThread audio(e, 0.0f);
    audio.start();
    midiQueuePushShort(&e->midi, 0x90, 60, 100);
    const std::uint32_t b0 = audio.blocksRun();
    const int runOut = envSlotWaitsRunOut();
    const auto t0 = std::chrono::steady_clock::now();
    envModeOnChoose(page.item(envItemMode), 0, envModeRelease);
    const double ms = msSince(t0);
    audio.stop();
    EXPECT_EQ(envGetMode(e, 0), envModeRelease);
    EXPECT_EQ(envSlotWaitsRunOut(), runOut) << "acknowledged, not timed out";
    EXPECT_GT(audio.blocksRun(), b0);
    page.selectPane(kPageWin);
    SelectorData* d = selectorFind(kPageWin, envItemMode);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->choiceText, "Release");
    std::printf("[figure] mode popup to acknowledged change: %.1f ms\n", ms);
  });
}

}  // namespace
