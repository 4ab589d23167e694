// The Midi page's controller and velocity tabs on a real window under Xvfb: the default source labels,
// a controller chosen in the real "Select MIDI Source" window, one table of every box and switch typed
// into or clicked and read back from the engine's live records and from the box after a refresh
// (bad inputs among them), stored values no box could hold, a drag that plays at once and marks the
// patch changed only on release, and a full bend rendered through the engine at 880 Hz.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/numbox.h"
#include "controls/winSlots.h"
#include "engine/controllerMap.h"
#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "engine/midiQueue.h"
#include "engine/testAudioThread.h"
#include "engine/velocityRuntime.h"
#include "midi/midiPage.h"
#include "midi/midiSourceWindow.h"
#include "midiPageRig.h"
#include "pages/mainPage.h"
#include "preset/editBlock.h"
#include "support/signal.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace miditabstest {

namespace {

const int16_t kWin = kPageWin;

bool mainPageMarked() { return mainPageFields()->refreshPending != 0; }
void clearMainPageMark() { mainPageFields()->refreshPending = 0; }

// Entry i of the velocity settings belongs to (family, slot) in row order.
const VelocityEntry& slotOf(const VelocitySettings& v, int32_t family, int32_t slot) {
  return v.entries[velocityEntryIndex(family, slot)];
}
const VelocityEntry& velocityEntry(Engine* e, int32_t family, int32_t slot) {
  return slotOf(e->velocity, family, slot);
}

// A field of the controller settings, the base of velocity slot (family, slot), read from a record pair.
#define CC(field) [](const ControllerSettings& c, const VelocitySettings&) -> double { return c.field; }
#define VELOCITY_BASE(family, slot) \
  [](const ControllerSettings&, const VelocitySettings& v) -> double { return slotOf(v, family, slot).base; }

// The edit block's copies of the two records made unreadable (not a number everywhere): a value found
// there afterwards came through the edit block.
void poisonEditCopies(Engine* e) {
  std::memset(&e->edit.controllers, 0xFF, sizeof e->edit.controllers);
  std::memset(&e->edit.velocity, 0xFF, sizeof e->edit.velocity);
}

// The list row of `source` in the open source window, double-clicked after scrolling it into view.
bool doubleClickSource(int16_t source) {
  const int16_t id = midiSourcePopupBuildId();
  if (!id) return false;
  winSetCurrent(id);
  winSelectPort(id, nullptr);
  listScrollTo(id, midiSourceItemList, 0.5f);
  ControlItem* list = ctrlFindKind(id, midiSourceItemList, kindList);
  if (!list) return false;
  const int row = midiSourceRowOf(source, 0) - static_cast<ListData*>(list->k.kindData)->firstRow;
  const int y = 16 + 14 * row + 7;
  HWND h = winGetFrameworkWindow(id);
  for (int k = 0; k < 2; ++k) {
    PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at(60, y));
    PostMessageA(h, WM_LBUTTONUP, 0, at(60, y));
  }
  return true;
}

}  // namespace

// Default labels after the refresh; choosing controller 74 for the Filter row in the real source window
// stores it as controller 3 and relabels its button; the pan buttons keep their prefixes.
TEST(MidiControllerTab, DefaultLabelsAndASourceChosenInTheSourceWindow) {
  runInApplication([&](RecordingApplication&) {
    MidiPageRig page;
    Engine* e = page.engine();
    page.show();
    const struct {
      uint16_t button;
      const char* label;
    } defaults[] = {{midiItemFmSource, "CC 1"},         {midiItemFilterSource, "CC 1"},
                    {midiItemEffectSource, "CC 1"},     {midiItemVolumeSource, "CC 7"},
                    {midiItemPanLrSource, "LR: CC 10"}, {midiItemPanFbSource, "FB: CC 11"}};
    for (const auto& d : defaults) EXPECT_EQ(page.text(d.button), d.label) << d.button;

    int preselected = -2;
    g_steps = {
        [&] {
          if (!midiSourcePopupBuildId()) {
            --g_step;  // not open yet: try again on the next beat
            return true;
          }
          preselected = listFirstSelected(midiSourcePopupBuildId(), midiSourceItemList);
          return doubleClickSource(74);
        },
        [&] {
          if (midiSourcePopupIsOpen()) midiSourcePopupCancel();
          return false;
        },
    };
    g_step = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    clearMainPageMark();
    page.click(midiItemFilterSource);  // returns once the modal window has closed
    KillTimer(nullptr, timer);
    EXPECT_FALSE(midiSourcePopupIsOpen());
    EXPECT_EQ(preselected, midiSourceRowOf(1, 0)) << "the row's controller preselected";
    EXPECT_EQ(ccSourceButtonActive(), midiItemFilterSource);
    EXPECT_EQ(ccMapGetControllerNumber(e, 3), 74);
    EXPECT_EQ(e->controllers.filterSource, 74) << "the live record";
    EXPECT_EQ(page.text(midiItemFilterSource), "CC 74");
    EXPECT_TRUE(mainPageMarked());
    page.refresh();
    EXPECT_EQ(page.text(midiItemFilterSource), "CC 74");

    // The callback as the window calls it: the front-back pan row takes aftertouch and pitch bend
    // (the controller map's range, -1..128) and ignores velocity and anything outside.
    const struct {
      int16_t source;
      int16_t stored;
      const char* label;
    } choices[] = {{-1, -1, "FB: Aftertouch"}, {128, 128, "FB: Pitchbend"}, {129, 128, "FB: Pitchbend"},
                   {5, 5, "FB: CC 5"},         {-2, 5, "FB: CC 5"},         {200, 5, "FB: CC 5"},
                   {-128, 5, "FB: CC 5"}};
    // The front-back button opens the window (cancelled: nothing changes), then the answers arrive.
    g_steps = {[] {
      if (!midiSourcePopupIsOpen()) {
        --g_step;
        return true;
      }
      midiSourcePopupCancel();
      return false;
    }};
    g_step = 0;
    const UINT_PTR t = SetTimer(nullptr, 0, 15, stepProc);
    page.click(midiItemPanFbSource);
    KillTimer(nullptr, t);
    EXPECT_EQ(ccSourceButtonActive(), midiItemPanFbSource);
    EXPECT_EQ(ccMapGetControllerNumber(e, 7), 11) << "cancelled";
    for (const auto& c : choices) {
      SCOPED_TRACE(c.source);
      ccSourceChosen(kWin, c.source);
      EXPECT_EQ(ccMapGetControllerNumber(e, 7), c.stored);
      EXPECT_EQ(page.text(midiItemPanFbSource), c.label);
      page.refresh();
      EXPECT_EQ(page.text(midiItemPanFbSource), c.label);
    }
    EXPECT_EQ(page.text(midiItemPanLrSource), "LR: CC 10");
    EXPECT_EQ(ccMapGetControllerNumber(e, 3), 74) << "the other rows keep theirs";

    // The longest labels the rows can show, kept as PNG.
    ccMapSetControllerNumber(e, 5, 127);
    ccMapSetControllerNumber(e, 7, -1);
    ccMapSetControllerNumber(e, 2, 128);
    page.refresh();
    InvalidateRect(page.hwnd(), nullptr, FALSE);
    UpdateWindow(page.hwnd());
    EXPECT_FALSE(windowCapturePng(page.hwnd(), "midi-page-long-source-labels.png").empty());
  });
}

// One table over the boxes and switches of both tabs: each value goes in as the user puts it there (typed
// into the box's entry, or a click), is committed through the edit block (its copy holds the value
// too), the engine's live record holds the stored value, and the box shows it again after a refresh. Bad inputs are
// clamped by the box and the setters.
TEST(MidiControllerTab, EveryControlStoresThroughTheEngineAndShowsWhatIsStored) {
  runInApplication([&](RecordingApplication&) {
    MidiPageRig page;
    Engine* e = page.engine();
    const ControllerSettings& cc = e->controllers;
    page.show();
    struct Case {
      int16_t tab;
      uint16_t id;
      const char* typed;
      double stored;
      std::function<double(const ControllerSettings&, const VelocitySettings&)> field;
      double shown;
    };
    const std::vector<Case> cases = {
        {1, midiItemFmDepth, "30", 0.7, CC(oscLevelDepth), 30},
        {1, midiItemFilterDepth, "40", 0.6, CC(filterDepth), 40},
        {1, midiItemFilterDepth, "100", 1.0 - 0.9999, CC(filterDepth), 99.99},
        {1, midiItemEffectDepth, "25", 0.25, CC(effectDepth), 25},
        {1, midiItemPanDepth, "75", 0.75, CC(positionWidth), 75},
        {1, midiItemBendDepth, "12", 12.0, CC(bendRange), 12},
        {1, midiItemBendLag, "10", 1.0 / 11.0, CC(bendSmoothing), 10},
        {1, midiItemFmLag, "3", 0.25, CC(oscLevelSmoothing), 3},
        {1, midiItemFilterLag, "10", 1.0 / 11.0, CC(filterSmoothing), 10},
        {1, midiItemEffectLag, "4", 0.2, CC(effectSmoothing), 4},
        {1, midiItemPanLag, "1", 0.5, CC(positionSmoothing), 1},
        {1, midiItemVolumeLag, "0", 1.0, CC(volumeSmoothing), 0},
        {1, midiItemGlideLag, "0.5", 1.0, CC(timeCoefficients[0]), 0},
        {1, midiItemGlideLag, "9", 0.1, CC(timeCoefficients[0]), 9},
        {1, midiItemGlideLag, "1", 0.5, CC(timeCoefficients[0]), 1},
        // Bad inputs: a minus sign, digits past every range, a depth of 200, a range of 100.
        {1, midiItemBendLag, "-1", 1.0, CC(bendSmoothing), 0},
        {1, midiItemFilterLag, "1000000000", 1.0 / 1000.0, CC(filterSmoothing), 999},
        {1, midiItemFmDepth, "200", 0.0, CC(oscLevelDepth), 100},
        {1, midiItemEffectDepth, "200", 1.0, CC(effectDepth), 100},
        {1, midiItemPanDepth, "nan", 0.0, CC(positionWidth), 0},
        {1, midiItemBendDepth, "100", 72.0, CC(bendRange), 72},
        {2, midiItemVelocityBoxFirst + 6, "40", 0.6, VELOCITY_BASE(3, 0), 40},
        {2, midiItemVelocityBoxFirst, "12.5", 0.875, VELOCITY_BASE(1, 0), 12.5},
        {2, midiItemVelocityBoxFirst + 9, "100", 1.0 - 0.99999, VELOCITY_BASE(3, 3), 99.999},
        // Box 44 admits 100; the setter stops at 99.999. That is within the rounding (1e-5 relative) a box
        // forgives the engine's form of a value, so the box keeps the 100 typed ("100.00" either way).
        {2, midiItemVelocityBoxFirst + 3, "100", 1.0 - 0.99999, VELOCITY_BASE(2, 0), 100},
    };
    for (const Case& t : cases) {
      SCOPED_TRACE("box " + std::to_string(t.id) + " typed " + t.typed);
      midiPageSelectTab(kWin, t.tab);
      drainMessages();
      poisonEditCopies(e);
      ASSERT_TRUE(page.typeInto(t.id, t.typed));
      EXPECT_NEAR(t.field(e->controllers, e->velocity), t.stored, 1e-6) << "the engine's live record";
      EXPECT_NEAR(t.field(e->edit.controllers, e->edit.velocity), t.stored, 1e-6)
          << "committed from the edit block's copy";
      page.refresh();
      EXPECT_NEAR(page.boxValue(t.id), t.shown, 1e-4) << "the box after a refresh";
    }

    // Switches: a click changes the live record; the refresh keeps what the click showed.
    struct Switch {
      int16_t tab;
      uint16_t id;
      std::function<int()> live;  // the stored state a press gives
      int pressed;
    };
    const std::vector<Switch> switches = {
        {1, midiItemGlideKeyed, [&] { return cc.glideMode; }, 2},
        {1, midiItemFmChannel1, [&] { return cc.oscSwitches[0]; }, 1},
        {1, midiItemFmChannel3, [&] { return cc.oscSwitches[2]; }, 1},
        {1, midiItemFilterChannel2, [&] { return cc.filterSwitches[1]; }, 1},
        {1, midiItemFilterMaster, [&] { return cc.filterSwitches[3]; }, 1},
        // Switch 57 pressed turns velocity off for (family 3, slot 0).
        {2, midiItemVelocitySwitchFirst + 6, [&] { return velocityIsOn(e, 3, 0) ? 0 : 1; }, 1},
        {2, midiItemVelocitySwitchFirst + 1, [&] { return velocityEntry(e, 1, 1).direction == 1 ? 0 : 1; }, 1},
    };
    for (const Switch& s : switches) {
      SCOPED_TRACE("switch " + std::to_string(s.id));
      midiPageSelectTab(kWin, s.tab);
      drainMessages();
      const bool before = page.lit(s.id);
      page.click(s.id);
      EXPECT_NE(page.lit(s.id), before);
      EXPECT_EQ(s.live(), page.lit(s.id) ? s.pressed : (s.id == midiItemGlideKeyed ? 1 : 0));
      const bool litNow = page.lit(s.id);
      page.refresh();
      EXPECT_EQ(page.lit(s.id), litNow);
      page.click(s.id);
      EXPECT_EQ(page.lit(s.id), before);
    }
    EXPECT_EQ(cc.glideMode, 2) << "Keyed pressed again: glide only while a key is held";
  });
}

// Values handed to every box's callback that no box produces, and stored values no box can hold (a
// coefficient of 0 or a denormal from a file, a depth that is not a number): the engine stays finite,
// every box shows a finite value inside its range.
TEST(MidiControllerTab, HostileAndStoredOddValuesStayFiniteInsideEveryBox) {
  runInApplication([&](RecordingApplication&) {
    MidiPageRig page;
    Engine* e = page.engine();
    page.show();
    std::vector<uint16_t> boxes = {midiItemBendDepth, midiItemFmDepth, midiItemFilterDepth, midiItemEffectDepth,
                                   midiItemPanDepth,  midiItemBendLag, midiItemFmLag,       midiItemFilterLag,
                                   midiItemEffectLag, midiItemPanLag,  midiItemVolumeLag,   midiItemGlideLag};
    for (uint16_t id = midiItemVelocityBoxFirst; id <= midiItemVelocityBoxLast; ++id) boxes.push_back(id);
    auto checkBoxes = [&] {
      for (uint16_t id : boxes) {
        NumboxData* d = page.box(id);
        ASSERT_NE(d, nullptr) << id;
        EXPECT_TRUE(std::isfinite(d->value)) << id;
        EXPECT_GE(d->value, d->minimum) << id;
        EXPECT_LE(d->value, d->maximum) << id;
      }
    };
    const double hostile[] = {NAN, INFINITY, -INFINITY, 1e300, -1e300, -1.0, 1e9};
    for (uint16_t id : boxes) {
      for (double v : hostile) {
        SCOPED_TRACE("box " + std::to_string(id) + " value " + std::to_string(v));
        ControlItem* item = page.item(id);
        ASSERT_NE(item, nullptr);
        if (id >= midiItemVelocityBoxFirst)
          velocityBoxChanged(item, v);
        else if (id == midiItemBendDepth || (id >= midiItemFmDepth && id <= midiItemPanDepth))
          ccDepthBoxChanged(item, v);
        else
          ccLagBoxChanged(item, v);
        const ControllerSettings& cc = e->controllers;
        const float fields[] = {cc.bendRange,       cc.oscLevelDepth,     cc.filterDepth,       cc.effectDepth,
                                cc.positionWidth,   cc.bendSmoothing,     cc.oscLevelSmoothing, cc.filterSmoothing,
                                cc.effectSmoothing, cc.positionSmoothing, cc.volumeSmoothing,   cc.timeCoefficients[0]};
        for (float f : fields) EXPECT_TRUE(std::isfinite(f));
        for (const VelocityEntry& v2 : e->velocity.entries) EXPECT_TRUE(std::isfinite(v2.base));
      }
    }
    page.refresh();
    checkBoxes();
    EXPECT_DOUBLE_EQ(ccMapGetPitchBendRangeF(e), 72.0) << "1e9 is the last: clamped to 72";
    EXPECT_NEAR(page.boxValue(midiItemFilterLag), 999, 1e-9) << "a lag of 1e9 shows the box's maximum";
    ccLagBoxChanged(page.item(midiItemFilterLag), -1.0);
    page.refresh();
    EXPECT_FLOAT_EQ(e->controllers.filterSmoothing, 1.0f) << "a lag of -1 acts as 0";
    EXPECT_DOUBLE_EQ(page.boxValue(midiItemFilterLag), 0.0);

    // As read from a file: coefficients of 0 and a denormal, depths that are not numbers.
    ControllerSettings& live = e->controllers;
    live.bendSmoothing = 0.0f;
    live.filterSmoothing = 1e-45f;
    live.timeCoefficients[0] = 0.0f;
    live.oscLevelDepth = NAN;
    live.positionWidth = INFINITY;
    e->velocity.entries[0].base = NAN;
    page.refresh();
    checkBoxes();
    EXPECT_DOUBLE_EQ(page.boxValue(midiItemBendLag), 0.0) << "a coefficient of 0 is no infinite lag";
    EXPECT_DOUBLE_EQ(page.boxValue(midiItemGlideLag), 0.0);
    EXPECT_DOUBLE_EQ(page.boxValue(midiItemFilterLag), 999.0);
    EXPECT_DOUBLE_EQ(page.boxValue(midiItemFmDepth), 0.0);
    EXPECT_DOUBLE_EQ(page.boxValue(midiItemPanDepth), 100.0);
    EXPECT_DOUBLE_EQ(page.boxValue(midiItemVelocityBoxFirst), 0.0);

    // Without an engine every handler does nothing.
    engineInitPreset(e);
    winSetUserData(kWin, nullptr);
    ccDepthBoxChanged(page.item(midiItemFmDepth), 50.0);
    ccLagBoxChanged(page.item(midiItemFmLag), 50.0);
    velocityBoxChanged(page.item(midiItemVelocityBoxFirst), 50.0);
    velocitySwitchToggled(page.item(midiItemVelocitySwitchFirst), 1, 0);
    glideKeyedToggled(page.item(midiItemGlideKeyed), 0, 0);
    ccChannelSwitchToggled(page.item(midiItemFmChannel1), 0, 0);
    ccSourceChosen(kWin, 20);
    winSetUserData(kWin, &page.data);
    EXPECT_DOUBLE_EQ(ccMapGetOscLevelDepth(e), 0.0);
    EXPECT_NEAR(ccMapGetOscLevelSmoothing(e), 10.0, 1e-5);
    EXPECT_DOUBLE_EQ(velocityGetAmountB(e, 1, 0), 0.0);
    EXPECT_EQ(velocityIsOn(e, 1, 0), 1);
    EXPECT_EQ(ccMapGetGlideMode(e), 2);
    EXPECT_EQ(ccMapGetChannelFlag(e, 0), 1);
    EXPECT_EQ(ccMapGetControllerNumber(e, 7), 11);
  });
}

// A drag on a depth box's arrows: each step reaches the engine at once while the button is held, and
// the Main page is marked changed only when the button comes up.
TEST(MidiControllerTab, ADepthDragPlaysAtOnceAndMarksTheChangeOnRelease) {
  runInApplication([&](RecordingApplication&) {
    MidiPageRig page;
    Engine* e = page.engine();
    page.show();
    NumboxData* d = page.box(midiItemFmDepth);
    ASSERT_NE(d, nullptr);
    const int x = d->arrowRect.left + 3 + winGetOriginX(kWin);
    const int y = (d->arrowRect.top + d->arrowRect.bottom) / 2 + winGetOriginY(kWin);
    clearMainPageMark();
    g_testTick += 1000;
    postPress(page.hwnd(), x, y);
    postMove(page.hwnd(), x, y - 5, true);
    EXPECT_NEAR(e->controllers.oscLevelDepth, 0.95, 1e-6) << "5 % after five pixels, at once";
    EXPECT_FALSE(mainPageMarked()) << "not while the button is held";
    postMove(page.hwnd(), x, y - 20, true);
    EXPECT_NEAR(e->controllers.oscLevelDepth, 0.80, 1e-6);
    EXPECT_FALSE(mainPageMarked());
    postRelease(page.hwnd(), x, y - 20);
    EXPECT_TRUE(mainPageMarked()) << "marked on release";
    EXPECT_NEAR(ccMapGetOscLevelDepth(e), 20.0, 1e-4);
    // A typed depth marks at once.
    clearMainPageMark();
    ASSERT_TRUE(page.typeInto(midiItemPanDepth, "50"));
    EXPECT_TRUE(mainPageMarked());
    clearMainPageMark();
    ASSERT_TRUE(page.typeInto(midiItemPanLag, "5"));
    EXPECT_FALSE(mainPageMarked()) << "only the depth boxes mark the Main page";
  });
}

// End to end: 12 typed into the Pitch Bend depth box, a full bend up queued the way the Main page's
// wheel sends it (the coarse value in the second data byte), note 69: the rendered audio is at 880 Hz.
TEST(MidiControllerTab, TypedBendRangeBendsNote69ToAnOctaveAbove) {
  runInApplication([&](RecordingApplication&) {
    MidiPageRig page;
    Engine* e = page.engine();
    e->channels[0]->on = 1;
    engineApplyPatchChange(e, 1);
    page.show();
    ASSERT_TRUE(page.typeInto(midiItemBendDepth, "12"));
    page.refresh();
    EXPECT_DOUBLE_EQ(page.boxValue(midiItemBendDepth), 12.0);

    MidiEvent bend{};
    const int16_t channel = midiGetReceiveChannel(e);
    bend.status = static_cast<uint16_t>(0xE0 + (channel >= 0 && channel <= 15 ? channel : 0));
    bend.data1 = 0;
    bend.data2 = 127;
    ASSERT_TRUE(midiQueuePushEntry(&e->midi, &bend));
    ASSERT_TRUE(midiQueuePushShort(&e->midi, static_cast<uint8_t>(0x90 + (channel > 0 ? channel : 0)), 69, 100));

    std::vector<float> left(engineBlockMax), right(engineBlockMax);
    float* outs[2] = {left.data(), right.data()};
    std::vector<float> taken;
    // The bend's lag settles first (1/11 per block), then half a second is measured.
    for (int b = 0; b < 120; ++b) TestAudioThread::runClientSubBlock(e, outs, 2);
    for (int b = 0; b < 172; ++b) {
      TestAudioThread::runClientSubBlock(e, outs, 2);
      taken.insert(taken.end(), left.begin(), left.begin() + 128);
    }
    EXPECT_GT(signalRms(taken), 0.01);
    EXPECT_TRUE(signalAllNormal(taken.data(), taken.size()));
    const double hz = signalPeakFrequency(taken, engineSampleRate());
    std::printf("full bend at a range of 12 on note 69: %.3f Hz\n", hz);
    EXPECT_NEAR(hz, 880.0, 1.0);
    midiAllNotesOff(e);
    for (int b = 0; b < 8; ++b) TestAudioThread::runClientSubBlock(e, outs, 2);
  });
}

#undef CC
#undef VELOCITY_BASE

}  // namespace miditabstest
