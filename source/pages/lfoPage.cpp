// The LFO page: building the three columns once, showing and hiding the page and its column parts,
// and the refresh that reads every control's value from the engine again.
#include "pages/lfoPage.h"

#include <cmath>

#include "app/pageShell.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/waveSelector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/lfoRuntime.h"
#include "midi/midiNames.h"
#include "pages/clipKinds.h"
#include "preset/undo.h"
#include "preset/waveMenu.h"
#include "skinBitmaps.h"

namespace {

const CtrlRgb kWhite = {255, 255, 255}, kBlack = {0, 0, 0};

uint16_t cid(int16_t c, int k) { return static_cast<uint16_t>(lfoColumnBase(c) + k); }
bool validColumn(int16_t c) { return c >= 0 && c < lfoColumnCount; }

ControlItem* place(WinId win, uint16_t id, int x, int y, uint32_t flags, int bitmap, const char* text = "",
                   int pressed = 0) {
  return buttonPlace(win, id, x, y, flags, bitmap, text, 1, pressed, 1, lfoButtonAction);
}

// A switch cut from a strip bitmap at (srcX, srcY); its lit look is the strip's next bitmap.
ControlItem* cut(WinId win, uint16_t id, int x, int y, int w, int h, int srcX, int srcY, uint32_t flags, int bitmap,
                 int pressed) {
  return buttonCreate(win, id, x, y, w, h, srcX, srcY, flags, bitmap, "", 1, pressed, 1, lfoButtonAction);
}

ControlItem* box(WinId win, uint16_t id, int x, int y, int w, uint16_t arrows, uint16_t decimals, double value,
                 double lo, double hi, ValueStepRule rule, const char* label = "") {
  return numboxCreate(win, id, static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(w), arrows,
                      decimals, value, lo, hi, rule, lfoNumboxChanged, label);
}

void emptyPicture(WinId win, uint16_t id) { pictureCreate(win, id, 0, 0, 0, 0, pictureOwnRect, 0, nullptr); }

// A box shows a stored value clamped into its range; a value that is not a number shows the minimum.
void boxSet(WinId win, uint16_t id, double value) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  if (!std::isfinite(value)) value = d->minimum;
  numboxSetValue(win, id, static_cast<float>(value));
}

void lit(WinId win, uint16_t id, bool on) { recButtonSetPressed(win, id, on ? 1 : 0); }

void sourceText(WinId win, uint16_t id, int16_t source) {
  char name[midiSourceNameBytes];
  midiSourceNameEntry(source, name);
  buttonSetText(win, id, name);
}

void refreshColumn(WinId win, Engine* e, int16_t c) {
  lfoColumnShow(win, c, lfoGetOn(e, c));
  lfoShowSampleHold(win, c, lfoGetSampleHold(e, c));
  lit(win, cid(c, lfoKVoiceMode), lfoGetPerVoice(e, c) == 0);
  waveMenuSetLabel(win, cid(c, lfoKWave), lfoGetWaveId(e, c));

  lit(win, cid(c, lfoKPitchPolarity), lfoGetPitchPolarity(e, c) == 0);
  lit(win, cid(c, lfoKAmpPolarity), lfoGetAmpPolarity(e, c) == 0);
  lit(win, cid(c, lfoKFmPolarity), lfoGetChannelPolarity(e, c) == 0);
  lit(win, cid(c, lfoKFilterPolarity), lfoGetFilterPolarity(e, c) == 0);
  for (int16_t j = 0; j < 3; ++j) {
    lit(win, cid(c, lfoKPitchChannel + j), lfoGetPitchTarget(e, c, j) != 0);
    lit(win, cid(c, lfoKAmpChannel + j), lfoGetAmpTarget(e, c, j) != 0);
    lit(win, cid(c, lfoKFmChannel + j), lfoGetChannelTarget(e, c, j) != 0);
    lit(win, cid(c, lfoKFilterChannel + j), lfoGetFilterTarget(e, c, j) != 0);
  }
  lit(win, cid(c, lfoKFilterMaster), lfoGetFilterTarget(e, c, 3) != 0);

  boxSet(win, cid(c, lfoKPitchDepth), 12.0 * lfoGetPitchDepth(e, c));
  boxSet(win, cid(c, lfoKAmpDepth), 100.0 * lfoGetAmpDepth(e, c));
  boxSet(win, cid(c, lfoKFmDepth), 100.0 * lfoGetChannelDepth(e, c));
  boxSet(win, cid(c, lfoKFilterDepth), (1.0 - lfoGetFilterRange(e, c)) * 100.0);
  boxSet(win, cid(c, lfoKEffectDepth), 100.0 * lfoGetPercentSetting(e, c));
  boxSet(win, cid(c, lfoKPanDepth), 100.0 * lfoGetFieldDepth(e, c));

  lfoShowTimeUnit(win, c, 0, lfoGetPeriodSync(e, c) != 0);
  lfoShowTimeUnit(win, c, 1, lfoGetHoldSync(e, c) != 0);

  boxSet(win, cid(c, lfoKSeconds), lfoGetPeriodSeconds(e, c));
  boxSet(win, cid(c, lfoKPhase), lfoGetStartPhase(e, c) / 1024.0);
  boxSet(win, cid(c, lfoKHoldSeconds), lfoGetHoldSeconds(e, c));
  boxSet(win, cid(c, lfoKBeats), lfoGetPeriodBeats(e, c));
  boxSet(win, cid(c, lfoKHoldBeats), lfoGetHoldBeats(e, c));
  boxSet(win, cid(c, lfoKDepthAmount), 100.0 * lfoGetDepthAmount(e, c));
  boxSet(win, cid(c, lfoKRateAmount), (1.0 - lfoGetRateRange(e, c)) * 100.0);
  boxSet(win, cid(c, lfoKHoldRateAmount), (1.0 - lfoGetHoldRateRange(e, c)) * 100.0);

  sourceText(win, cid(c, lfoKDepthSource), lfoGetControllerSource(e, c, 0));
  sourceText(win, cid(c, lfoKRateSource), lfoGetControllerSource(e, c, 1));
  sourceText(win, cid(c, lfoKHoldRateSource), lfoGetControllerSource(e, c, 2));
  sourceText(win, cid(c, lfoKRetriggerSource), lfoGetControllerSource(e, c, 3));
  lfoShowRetrigger(win, c, lfoGetRetrigger(e, c));
}

}  // namespace

int16_t lfoColumnBase(int16_t c) { return c == 1 || c == 2 ? static_cast<int16_t>(lfoColumnIdStride * c) : 0; }

int16_t lfoFromControlId(int32_t id) {
  if (id < lfoColumnIdStride) return 0;
  if (id < 2 * lfoColumnIdStride) return 1;
  if (id < 3 * lfoColumnIdStride) return 2;
  return 0;
}

Engine* lfoEngineOf(WinId win) {
  void* data = winGetUserData(win);
  return data ? *static_cast<Engine**>(data) : nullptr;
}

void lfoPageSelect(WinId win) {
  winSetCurrent(win);
  winSelectPane(win, lfoPaneId);
}

void lfoPageBuild(WinId win) {
  WinSlot* slot = winSlot(win);
  if (!lfoEngineOf(win) || !slot) return;
  pageSetDrawDefaults();
  winSelectPort(win, &slot->ownPort);
  paneSetOption(win, lfoPaneId, 1);
  lfoPageSelect(win);
  ctrlSetGroupMode(0, 1);
  selectorSetDefaultColors(&kWhite, &kWhite, &kWhite, &kWhite);
  selectorSetDefaultFontSize(9);
  pictureCreate(win, lfoIdPage, 0, 0, 0, 0, 0, bmpLFOPageThreeColumnsEachLFOSTitleTheColumnsOnSwitchesOff, nullptr);
  for (int16_t c = 0; c < lfoColumnCount; ++c) lfoColumnBuild(win, c);
  lfoColumnShow(win, 0, 1);
  lfoColumnShow(win, 1, 0);
  lfoColumnShow(win, 2, 0);
  pageSetDrawDefaults();
}

void lfoColumnBuild(WinId win, int16_t c) {
  if (!validColumn(c) || !winSlot(win)) return;
  const int x0 = 214 * c;
  // The on switch is the column's own stretch of the page background, outside every panel.
  ctrlSetGroupMode(0, 0);
  cut(win, cid(c, lfoKOn), x0 + 2, 0, 214, 563, x0 + 2, 0, buttonActOnPress | buttonToggle,
      bmpLFOPageThreeColumnsEachLFOSTitleTheColumnsOnSwitchesOff, 0);
  ctrlSetGroupMode(0, 1);
  emptyPicture(win, cid(c, lfoKPanel));
  displaySetDefaultColors(&kWhite, &kBlack);
  place(win, cid(c, lfoKVoiceMode), 190, 7, buttonToggle, bmpLFO1VoiceModeOneLFOPerVoice + 8 * c, "", 1);
  selectorCreate(win, cid(c, lfoKWave), 48, 41, 41, 0, selectorOneBitmap, bmpLFOWaveSelectorWhiteTextFromThePage,
                 "Wave", 1, lfoWaveChosen);
  waveMenusSetup(win, cid(c, lfoKWave), true);
  selectorSetOpeningCallback(win, cid(c, lfoKWave), waveSelectorOpening);
  box(win, cid(c, lfoKPhase), 142, 41, 40, 2, 3, 0, 0, 1, stepHundredth, "Phase");
  place(win, cid(c, lfoKRateUnit), 64, 57, buttonActOnPress | buttonToggle,
        bmpLFOTimeUnitSwitchCaptionSecBeatFromThePage, "Sec");
  box(win, cid(c, lfoKSeconds), 114, 57, 60, 3, 4, 1, 0.01, 999.999, stepExpTime);
  box(win, cid(c, lfoKBeats), 114, 57, 60, 3, 4, 1, 0.01, 999.999, stepQuarter);
  lfoShowTimeUnit(win, c, 0, 0);

  // The controller buttons carry white captions on their dark faces; the page's other captions
  // stay black.
  buttonSetDefaultCaptionColor(&kWhite);
  place(win, cid(c, lfoKDepthSource), 22, 375, 0, bmpLFOControllerButtonWhiteCaptionFromThePage, "(1) mod wheel");
  place(win, cid(c, lfoKRateSource), 22, 422, 0, bmpLFOControllerButtonWhiteCaptionFromThePage, "(4) foot ctl");
  place(win, cid(c, lfoKHoldRateSource), 22, 469, 0, bmpLFOControllerButtonWhiteCaptionFromThePage, "(4) foot ctl");
  place(win, cid(c, lfoKRetrigger), 136, 516, buttonToggle, bmpLFORetriggerSwitch);
  place(win, cid(c, lfoKRetriggerSource), 22, 516, buttonSpare, bmpLFOControllerButtonWhiteCaptionFromThePage,
        "(72) undefined");
  buttonSetDefaultCaptionColor(&kBlack);
  box(win, cid(c, lfoKDepthAmount), 136, 375, 46, 2, 2, 0, 0, 100, numboxStepDefault);
  box(win, cid(c, lfoKRateAmount), 136, 422, 46, 2, 2, 0, 0, 100, numboxStepDefault);
  box(win, cid(c, lfoKHoldRateAmount), 136, 469, 46, 2, 2, 0, 0, 100, numboxStepDefault);

  // Depth targets: a polarity switch, the channel switches and the depth of each row.
  struct Row {
    int polarity, polarityX, y, channels, depth, boxY, arrows, decimals;
    double maximum;
  };
  const Row rows[] = {
      {lfoKPitchPolarity, 146, 130, lfoKPitchChannel, lfoKPitchDepth, 130, 3, 3, 72.0},
      {lfoKAmpPolarity, 146, 177, lfoKAmpChannel, lfoKAmpDepth, 177, 2, 2, 100.0},
      {lfoKFmPolarity, 146, 224, lfoKFmChannel, lfoKFmDepth, 225, 2, 2, 100.0},
  };
  for (const Row& r : rows) {
    place(win, cid(c, r.polarity), r.polarityX, r.y, buttonToggle,
          bmpPolarityAndInvertSwitchOfTheLFOAndEffectPagesNormalRisingRamp);
    for (int j = 0; j < 3; ++j)
      cut(win, cid(c, r.channels + j), 163 + 12 * j, r.y, 12, 13, 44 + 12 * j, 0, buttonToggle,
          bmpLFOTargetSwitchesMasterAndChannels13, 1);
    box(win, cid(c, r.depth), 32, r.boxY, 50, static_cast<uint16_t>(r.arrows), static_cast<uint16_t>(r.decimals), 0, 0,
        r.maximum, numboxStepDefault);
  }
  place(win, cid(c, lfoKFilterPolarity), 101, 271, buttonToggle,
        bmpPolarityAndInvertSwitchOfTheLFOAndEffectPagesNormalRisingRamp);
  cut(win, cid(c, lfoKFilterMaster), 119, 271, 39, 13, 0, 0, buttonToggle, bmpLFOTargetSwitchesMasterAndChannels13, 1);
  for (int j = 0; j < 3; ++j)
    cut(win, cid(c, lfoKFilterChannel + j), 163 + 12 * j, 271, 12, 13, 44 + 12 * j, 0, buttonToggle,
        bmpLFOTargetSwitchesMasterAndChannels13, 1);
  box(win, cid(c, lfoKFilterDepth), 32, 272, 50, 2, 2, 0, 0, 99.99, numboxStepDefault);
  box(win, cid(c, lfoKEffectDepth), 32, 318, 50, 2, 2, 0, 0, 100, numboxStepDefault);
  box(win, cid(c, lfoKPanDepth), 136, 318, 50, 2, 2, 0, 0, 100, numboxStepDefault);

  // Sample and hold: its switch in the panel, its unit and periods in a group of their own.
  place(win, cid(c, lfoKHold), 22, 73, buttonToggle, bmpLFOSampleAndHoldSwitch);
  emptyPicture(win, cid(c, lfoKHoldGroup));
  place(win, cid(c, lfoKHoldUnit), 64, 73, buttonActOnPress | buttonToggle,
        bmpLFOTimeUnitSwitchCaptionSecBeatFromThePage, "SH Sec");
  box(win, cid(c, lfoKHoldSeconds), 114, 73, 60, 3, 4, 0, 0.01, 999.999, stepExpTime);
  box(win, cid(c, lfoKHoldBeats), 114, 73, 60, 3, 4, 1, 0.01, 999.999, stepQuarter);

  pictureAddChild(win, cid(c, lfoKPanel), cid(c, lfoKHoldGroup));
  ctrlMoveBy(win, cid(c, lfoKPanel), x0, 0);
}

void lfoColumnShow(WinId win, int16_t c, uint8_t on) {
  if (!validColumn(c)) return;
  ctrlShow(win, cid(c, lfoKPanel), on == 1 ? 1 : 0);
  lit(win, cid(c, lfoKOn), on == 1);
}

void lfoShowSampleHold(WinId win, int16_t c, uint8_t on) {
  if (!validColumn(c)) return;
  winNotifyItemsOfType2(win, cid(c, lfoKHoldGroup), on == 1 ? 1 : 0);
  lit(win, cid(c, lfoKHold), on == 1);
}

void lfoShowRetrigger(WinId win, int16_t c, uint8_t on) {
  if (!validColumn(c)) return;
  winNotifyItemsOfType2(win, cid(c, lfoKRetriggerSource), on == 1 ? 1 : 0);
  lit(win, cid(c, lfoKRetrigger), on == 1);
}

void lfoShowTimeUnit(WinId win, int16_t c, uint8_t which, uint8_t beat) {
  if (!validColumn(c) || which > 1) return;
  const bool beats = beat == 1;
  const uint16_t unit = cid(c, which == 0 ? lfoKRateUnit : lfoKHoldUnit);
  const uint16_t group = cid(c, which == 0 ? lfoKPanel : lfoKHoldGroup);
  const uint16_t seconds = cid(c, which == 0 ? lfoKSeconds : lfoKHoldSeconds);
  const uint16_t inBeats = cid(c, which == 0 ? lfoKBeats : lfoKHoldBeats);
  lit(win, unit, beats);
  if (which == 0)
    buttonSetText(win, unit, beats ? "Beat" : "Sec");
  else
    buttonSetText(win, unit, beats ? "SH beat" : "SH sec");
  pictureShowChild(win, group, inBeats, beats ? 1 : 0);
  pictureShowChild(win, group, seconds, beats ? 0 : 1);
}

void lfoPageShow(WinId window, std::uint8_t on) {
  const WinId win = window;
  WinSlot* slot = winSlot(win);
  if (!lfoEngineOf(win) || !slot) return;
  if (on) {
    winSelectPort(win, &slot->ownPort);
    if (paneGetOption(win, lfoPaneId) == 0) {
      lfoPageBuild(win);
      // The pictures of a pane built while it is shown take their bitmaps now.
      winSelectPort(win, &slot->ownPort);
      portReloadPictures(panePort(ctrlFind(win, lfoPaneId)));
    }
    lfoPageSelect(win);
    winSetSize(win, 650 + inputGetOriginX(), winGetOriginY(win) + 635);
    undoSetEnabled(0);
    clipEnablePaste(0);
    clipSetCopyKind(clipKindNone);
  }
  winSelectPort(win, &slot->ownPort);
  ctrlShowInWindow(win, lfoPaneId, on);
  if (on) lfoPageRefresh(win);
}

std::uint8_t lfoPageIsShown(WinId window) {
  const WinId win = window;
  WinSlot* slot = win ? winSlot(win) : nullptr;
  if (!slot) return 0;
  winSetCurrent(win);
  ItemPort* saved = slot->currentPort;
  winSelectPort(win, &slot->ownPort);
  const bool shown = ctrlIsShown(win, lfoPaneId) != 0;
  winSelectPort(win, saved);
  return shown ? 1 : 0;
}

void lfoPageBuildEntry(WinId win) { lfoPageBuild(win); }
void lfoPageRefreshEntry(WinId win) { lfoPageRefresh(win); }

bool lfoPageRefresh(WinId win) {
  Engine* e = lfoEngineOf(win);
  WinSlot* slot = winSlot(win);
  if (!e || !slot) return false;
  winSetCurrent(win);
  winSelectPort(win, &slot->ownPort);
  if (!ctrlIsShown(win, lfoPaneId)) return false;
  lfoPageSelect(win);
  for (int16_t c = 0; c < lfoColumnCount; ++c) refreshColumn(win, e, c);
  winSelectPort(win, &slot->ownPort);
  paneActivate(win, lfoPaneId);
  lfoPageSelect(win);
  return true;
}
