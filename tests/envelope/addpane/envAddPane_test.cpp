// The add-envelope pane on the page window: the module list holds only modules that are on (empty
// with Add disabled when all are off), the parameter lists per module type, a surround pan made as a
// linked pan LR / pan FB pair, the refusal when no slot is free (also for a surround pan with one
// free slot), the new envelope selected on the page, the last module row kept for the next opening,
// and the step pattern of a new pitch envelope at 44.1 and 48 kHz.
#include "../envToolsRig.h"

#include <string>
#include <vector>

#include "engine/engineConfig.h"
#include "modules/effectFrame.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "preset/oscParams.h"
#include "preset/undo.h"

namespace {

void allOff(Engine* e) {
  for (int16_t c = 0; c < 3; ++c) {
    oscSetOn(e, c, 0);
    filterSetOn(e, c, 0);
    modulatorSetOn(e, c, 0);
  }
  filterSetOn(e, 3, 0);
  waveshaperSetOn(e, 0);
  effectSetOn(e, 0);
}

std::vector<std::string> texts(EnvPanesPage& page, uint16_t list) {
  std::vector<std::string> out;
  for (int r = 0; r < page.filled(paneEnvAdd, list); ++r) out.push_back(page.rowText(paneEnvAdd, list, r));
  return out;
}

bool addEnabled() {
  ControlItem* ok = envPaneItem(paneEnvAdd, envAddOk);
  return ok && ok->drawable != 0;
}

TEST(EnvAddPane, TargetsAreTheModulesThatAreOn) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page(allOff);
    Engine* e = page.engine();
    envAddPaneShow(kPageWin);
    drainMessages();
    EXPECT_TRUE(texts(page, envAddTargets).empty());
    EXPECT_TRUE(texts(page, envAddParams).empty());
    EXPECT_FALSE(addEnabled()) << "nothing to add to";
    page.capture("envelope_add_empty.png");
    page.press(paneEnvAdd, envAddCancelButton);

    // Oscillator 1 with its filter, the master filter and the effect; channel rows with a master
    // voice buffer count above 1.
    oscSetOn(e, 0, 1);
    filterSetOn(e, 0, 1);
    filterSetOn(e, 3, 1);
    effectSetOn(e, 1);
    oscSetOn(e, 2, 1);
    modulatorSetOn(e, 2, 1);
    e->header.stageCounts[3] = 3;
    envAddPaneShow(kPageWin);
    drainMessages();
    EXPECT_EQ(texts(page, envAddTargets), (std::vector<std::string>{"oscil 1", "filter 1", "channel 1", "oscil 3",
                                                                    "mod 3", "channel 3", "master filter", "effect"}));
    EXPECT_TRUE(addEnabled());
    winSelectPort(kPageWin, nullptr);
    EXPECT_EQ(ctrlFind(kPageWin, envPaneId)->drawable, 0) << "the pages are locked while the pane is open";
    EXPECT_EQ(page.firstSelected(paneEnvAdd, envAddTargets), 0);
    EXPECT_EQ(page.firstSelected(paneEnvAdd, envAddParams), 0);
    page.capture("envelope_add_targets.png");
    page.press(paneEnvAdd, envAddCancelButton);
    winSelectPort(kPageWin, nullptr);
    EXPECT_EQ(ctrlFind(kPageWin, envPaneId)->drawable, 1);
    EXPECT_EQ(ctrlIsShown(kPageWin, paneEnvAdd), 0);
    e->header.stageCounts[3] = 1;
  });
}

TEST(EnvAddPane, ParameterListsPerModuleType) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page;
    Engine* e = page.engine();
    struct Case {
      const char* what;
      int kind, index, type;  // oscillator or filter type set first (-1 none)
      std::vector<int32_t> codes;
    } cases[] = {
        {"Single", envAddOscil, 0, 0, {2, 3, 31, 35, 36}},
        {"FM", envAddOscil, 1, 2, {2, 3, 31, 5, 7, 35, 36}},
        {"Sample", envAddOscil, 0, 4, {2, 18, 35, 36}},
        {"Granular", envAddOscil, 0, 5, {2, 17, 19, 20, 21, 22, 23, 35, 36}},
        {"Fractalize", envAddOscil, 2, 6, {32, 33, 34, 35, 36}},
        {"Audio In", envAddOscil, 0, 7, {35, 36}},
        {"filter type 1", envAddFilter, 0, 1, {9}},
        {"filter type 4", envAddFilter, 1, 4, {9}},
        {"filter type 2", envAddFilter, 1, 2, {9, 15}},
        {"filter type 9", envAddFilter, 2, 9, {9, 15, 16}},
        {"master filter type 12", envAddMasterFilter, 3, 12, {9, 15}},
        {"modulator", envAddMod, 1, -1, {13, 14}},
        {"waveshaper", envAddWaveshape, 3, -1, {12, 10, 11}},
        {"effect", envAddEffect, 3, -1, {29, 30, 25, 26, 27}},
        {"channel", envAddChannel, 0, -1, {28, 37, 38}},
    };
    for (const Case& c : cases) {
      if (c.kind == envAddOscil) oscSetType(e, static_cast<uint16_t>(c.index), static_cast<uint16_t>(c.type));
      if (c.kind == envAddFilter || c.kind == envAddMasterFilter)
        filterSetType(e, static_cast<int16_t>(c.index), static_cast<int16_t>(c.type));
      int32_t codes[envAddParamRows] = {};
      const int n = envAddListParams(e, c.kind, c.index, codes);
      EXPECT_EQ(std::vector<int32_t>(codes, codes + n), c.codes) << c.what;
    }
    // On the pane: a filter of type 1 offers only "freq", named as the new envelope would be.
    allOff(e);
    oscSetOn(e, 0, 1);
    filterSetOn(e, 0, 1);
    filterSetType(e, 0, 1);
    envAddPaneShow(kPageWin);
    page.selectRow(paneEnvAdd, envAddTargets, 1);
    envAddTargetChanged(envPaneItem(paneEnvAdd, envAddTargets));
    EXPECT_EQ(texts(page, envAddParams), (std::vector<std::string>{"filter 1 freq (1)"}));
    page.press(paneEnvAdd, envAddCancelButton);
    // Hostile kinds and indices offer nothing.
    int32_t codes[envAddParamRows] = {};
    EXPECT_EQ(envAddListParams(e, 0, 0, codes), 0);
    EXPECT_EQ(envAddListParams(e, envAddOscil, 7, codes), 0);
    EXPECT_EQ(envAddListParams(e, envAddFilter, -1, codes), 0);
    EXPECT_EQ(envAddListParams(nullptr, envAddFilter, 0, codes), 0);
  });
}

TEST(EnvAddPane, AddSelectsTheNewEnvelopeAndKeepsTheModuleRow) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) {
      allOff(e);
      oscSetOn(e, 0, 1);
      oscSetType(e, 0, 0);
      filterSetOn(e, 0, 1);
      filterSetType(e, 0, 9);
    });
    Engine* e = page.engine();
    envAddPaneShow(kPageWin);
    page.selectRow(paneEnvAdd, envAddTargets, 1);  // filter 1
    envAddTargetChanged(envPaneItem(paneEnvAdd, envAddTargets));
    page.selectRow(paneEnvAdd, envAddParams, 1);  // res
    envAddParamChanged(envPaneItem(paneEnvAdd, envAddParams));
    undoSetKind(undoKindEnvelope);
    page.press(paneEnvAdd, envAddOk);
    ASSERT_EQ(page.slot(3)->destination, 15);
    EXPECT_EQ(page.slot(3)->owner, 0);
    EXPECT_EQ(undoGetKind(), undoKindNone) << "an add clears the pending undo";
    winSelectPort(kPageWin, nullptr);
    EXPECT_EQ(ctrlIsShown(kPageWin, paneEnvAdd), 0);
    int row = -1;
    for (int r = 0; r < 28; ++r)
      if (page.view()->rowSlots[r] == 3) row = r;
    ASSERT_GE(row, 0);
    EXPECT_TRUE(page.listSelected(row)) << "the new envelope's row is selected";
    page.capture("envelope_added_res.png");
    // The next opening selects the module row chosen last.
    envAddPaneShow(kPageWin);
    EXPECT_EQ(page.firstSelected(paneEnvAdd, envAddTargets), 1);
    EXPECT_EQ(texts(page, envAddParams)[1], "filter 1 res (2)") << "the number the next one would get";
    page.capture("envelope_add_again.png");
    page.press(paneEnvAdd, envAddCancelButton);
    EXPECT_EQ(envCountAllocated(e), 4);
  });
}

TEST(EnvAddPane, SurroundPanPairAndFullSlots) {
  runInApplication([&](RecordingApplication&) {
    EnvPanesPage page([](Engine* e) {
      allOff(e);
      oscSetOn(e, 0, 1);
      e->header.stageCounts[3] = 3;
    });
    Engine* e = page.engine();
    auto addSurround = [&] {
      envAddPaneShow(kPageWin);
      page.selectRow(paneEnvAdd, envAddTargets, 1);  // channel 1
      envAddTargetChanged(envPaneItem(paneEnvAdd, envAddTargets));
      page.selectRow(paneEnvAdd, envAddParams, 2);  // surround pan
      envAddParamChanged(envPaneItem(paneEnvAdd, envAddParams));
      EXPECT_EQ(page.rowText(paneEnvAdd, envAddParams, 2).rfind("chan 1 surround pan", 0), 0u);
      page.press(paneEnvAdd, envAddOk);
    };
    addSurround();
    ASSERT_EQ(page.slot(3)->destination, 28);
    ASSERT_EQ(page.slot(4)->destination, 37);
    EXPECT_EQ(envFindPartner(e, 3), 4) << "linked pan LR and pan FB";
    EXPECT_EQ(envFindPartner(e, 4), 3);
    EXPECT_EQ(msgBoxCaptureCount(), 0u);

    // Only one slot free: the pair is refused whole.
    for (int s = 5; s < 27; ++s) envCreate(e, 0, 31);
    ASSERT_EQ(envCountAllocated(e), 27);
    std::vector<EnvelopeSlot> before;
    for (int s = 0; s < envSlotCount; ++s) before.push_back(*page.slot(s));
    addSurround();
    ASSERT_EQ(msgBoxCaptureCount(), 1u);
    EXPECT_STREQ(msgBoxCaptureText(0), "Can't allocate any more envelopes, max limit reached.");
    for (int s = 0; s < envSlotCount; ++s) EXPECT_TRUE(envSameSlot(*page.slot(s), before[s])) << s;

    // Slots 3..27 full: any add is refused and nothing changes.
    envCreate(e, 0, 31);
    ASSERT_EQ(envCountAllocated(e), 28);
    before.clear();
    for (int s = 0; s < envSlotCount; ++s) before.push_back(*page.slot(s));
    envAddPaneShow(kPageWin);
    page.press(paneEnvAdd, envAddOk);
    ASSERT_EQ(msgBoxCaptureCount(), 2u);
    EXPECT_STREQ(msgBoxCaptureText(1), "Can't allocate any more envelopes, max limit reached.");
    for (int s = 0; s < envSlotCount; ++s) EXPECT_TRUE(envSameSlot(*page.slot(s), before[s])) << s;
    winSelectPort(kPageWin, nullptr);
    EXPECT_EQ(ctrlIsShown(kPageWin, paneEnvAdd), 0);
    e->header.stageCounts[3] = 1;
  });
}

// A new main pitch envelope with the grid on: 4 / grid + 1 steps of a quarter of the bar x grid, at
// 44,100 per second whatever the device rate (the generator scales them).
TEST(EnvAddPane, StepPatternKeepsItsTimesAt48kHz) {
  for (float rate : {44100.0f, 48000.0f}) {
    runInApplication([&](RecordingApplication&) {
      ASSERT_TRUE(engineCfgSetRate(rate));
      EnvPanesPage page([](Engine* e) {
        allOff(e);
        oscSetOn(e, 0, 1);
        oscSetType(e, 0, 0);
      });
      page.view()->gridOn = 1;
      page.view()->gridBeats = 0.25;
      EXPECT_DOUBLE_EQ(envGridStepSamples(page.engine(), kPageWin), 5512.5) << "the page's grid at " << rate;
      envAddPaneShow(kPageWin);
      page.press(paneEnvAdd, envAddOk);  // oscil 1, main pitch
      const EnvelopeSlot* s = page.slot(3);
      ASSERT_EQ(s->destination, 2);
      EXPECT_EQ(s->lastIndex, 16) << "17 breakpoints";
      EXPECT_EQ(s->sustainIndex, 15);
      EXPECT_EQ(s->mode, envModeRetrigger);
      for (int k = 0; k <= 16; ++k) {
        EXPECT_EQ(s->breakpoints[k].time, 88200.0 * 0.25 * 0.25) << k << " at " << rate;
        EXPECT_FLOAT_EQ(s->breakpoints[k].level, 0.5f);
        EXPECT_EQ(s->breakpoints[k].step, 1u);
      }
      // With the grid off the destination's defaults.
      page.view()->gridOn = 0;
      envAddPaneShow(kPageWin);
      page.press(paneEnvAdd, envAddOk);
      EnvelopeSlot fresh{};
      envInitSlot(&fresh, 4, 2);
      envApplyDestDefaults(&fresh, 2);
      EXPECT_EQ(page.slot(4)->lastIndex, fresh.lastIndex);
      EXPECT_EQ(page.slot(4)->breakpoints[0].step, fresh.breakpoints[0].step);
    });
  }
  engineCfgSetRate(44100.0f);
}

}  // namespace
