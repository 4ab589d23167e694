// The multi-comb's panel (effect type 2, picture 3): the shared feedback and filter, the time group,
// and six comb rows. Each comb has an on switch as wide as its row; the row's controls form a group
// that is shown only while the comb is on, so a comb that is off shows just its switch.
#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/stepRules.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "modules/multiCombEffect.h"
#include "pages/fxPage.h"
#include "skinBitmaps.h"

namespace {

const int kPanelBitmap = bmpEffectPageMultiCombPanel;
const int kRowSwitchBitmap = bmpEffectPageMultiCombRowSwitches;
const int kFlagBitmap = bmpPolarityAndInvertSwitchOfTheLFOAndEffectPagesNormalRisingRamp;

std::uint16_t rowId(int c, int k) { return static_cast<std::uint16_t>(fxCombRowBase + fxCombRowStride * c + k); }

// One column of a comb row: its offset from the row's base id and its box.
struct CombColumn {
  int k, x, arrows, decimals;
  double value, lo, hi;
  ValueStepRule step;
  int width;
};
const CombColumn kColumns[] = {
    {fxCombKDelay, 79, 3, 3, 1.0, 0.0001, 100.0, stepUnit, 52},
    {fxCombKModAmount, 168, 2, 1, 1.0, 0.0001, 100.0, stepUnit, 46},
    {fxCombKFeedback, 251, 2, 1, 1.0, -100.0, 100.0, stepUnit, 46},
    {fxCombKFilter, 321, 2, 1, 1.0, 0.0001, 100.0, stepUnit, 46},
    {fxCombKLevel, 388, 2, 2, -6.0, -96.0, 0.0, stepTenth, 46},
    {fxCombKPan, 457, 2, 1, 1.0, 0.0001, 100.0, stepUnit, 46},
};

void box(WinId win, std::uint16_t id, int x, int y, int width, int arrows, int decimals, double value, double lo,
         double hi, ValueStepRule step) {
  numboxCreate(win, id, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), static_cast<std::int16_t>(width),
               static_cast<std::uint16_t>(arrows), static_cast<std::uint16_t>(decimals), value, lo, hi, step,
               fxCombBoxChanged, "");
}

void secondsChanged(ControlItem* item, double value) {
  if (item) fxSetDelaySeconds(item->windowId, effectComb, value);
}

void invertClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  Engine* e = fxEngineOf(item->windowId);
  if (e) effectCombSetModInvert(e, fxCombIndexFromId(item->id), pressed ? 1 : 0);
}

// A comb's switch changes what runs: the audio stops around it and the effect starts afresh.
void combSwitched(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::int16_t c = fxCombIndexFromId(item->id);
  const std::uint8_t on = pressed ? 1 : 0;
  fxStopAudio(e);
  fxSpyNote("comb", c * 2 + on);
  effectCombSetOnDirect(e, c, on);
  effectReset(e);
  fxRestartAudio(e);
  fxPageSelectPane(win);
  ctrlShow(win, rowId(c, fxCombKRow), on);
}

}  // namespace

std::int16_t fxCombIndexFromId(int id) {
  if (id < rowId(1, 0) || id >= rowId(effectCombCount, 0)) return 0;
  return static_cast<std::int16_t>((id - fxCombRowBase) / fxCombRowStride);
}

void fxCombPanelBuild(WinId win) {
  if (!fxEngineOf(win)) return;
  const FxTimeGroup& g = *fxTimeGroup(effectComb);
  pictureCreate(win, g.panel, 0, fxPanelTop, 0, 0, 0, kPanelBitmap, fxPanelMouse);
  fxTimeGroupBuildSwitch(win, g, 187, 103);
  box(win, fxCombFeedback, 332, 103, 42, 2, 2, 1.0, 0.0001, 99.999, stepUnit);
  box(win, fxCombFilterFreq, 397, 103, 46, 2, 0, 22000.0, 30.0, 22000.0, stepSemitoneRatio);
  for (int c = 0; c < effectCombCount; ++c)
    buttonCreate(win, rowId(c, fxCombKOn), 90, 149 + 26 * c, 478, 26, 0, 26 * c, buttonToggle, kRowSwitchBitmap, "", 1,
                 1, 1, combSwitched);
  for (int c = 0; c < effectCombCount; ++c) {
    fxGroupPicture(win, rowId(c, fxCombKRow), 14, 0, fxPanelMouse);
    for (const CombColumn& col : kColumns) {
      box(win, rowId(c, col.k), col.x, 9, col.width, col.arrows, col.decimals, col.value, col.lo, col.hi, col.step);
      if (col.k == fxCombKModAmount)
        buttonPlace(win, rowId(c, fxCombKModInvert), 230, 9, buttonToggle, kFlagBitmap, "", 1, 0, 1, invertClicked);
    }
    ctrlMoveTo(win, rowId(c, fxCombKRow), 55, 147 + 26 * c);
    pictureAddChild(win, g.panel, rowId(c, fxCombKRow));
  }
  fxTimeGroupBuildBoxes(win, g, 238, 103, 56, 32767.0 / 44100.0, 4.0, secondsChanged);
  ctrlShow(win, g.panel, 0);
}

void fxCombSetUnitView(WinId win, std::int16_t unit, std::uint8_t store) {
  fxSetUnitView(win, effectComb, unit, store);
}

void fxCombPanelRefresh(WinId win) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  fxPageSelectPane(win);
  fxTimeGroupRefresh(win, *fxTimeGroup(effectComb), effectCombGetDelay(e));
  fxBoxSet(win, fxCombFeedback, effectCombGetFeedback(e) * 100.0);
  fxBoxSet(win, fxCombFilterFreq, effectCombGetFilterFreq(e));
  const bool current = effectGetType(e) == effectComb;
  for (std::int16_t c = 0; c < effectCombCount; ++c) {
    const bool on = effectCombGetOn(e, c) != 0;
    fxButtonSetOn(win, rowId(c, fxCombKOn), on);
    ctrlShow(win, rowId(c, fxCombKRow), on && current);
    fxBoxSet(win, rowId(c, fxCombKDelay), effectCombGetDelayFactor(e, c) * 100.0);
    fxBoxSet(win, rowId(c, fxCombKModAmount), effectCombGetModAmount(e, c) * 100.0);
    fxButtonSetOn(win, rowId(c, fxCombKModInvert), effectCombGetModInvert(e, c) != 0);
    fxBoxSet(win, rowId(c, fxCombKFeedback), effectCombGetFeedbackFactor(e, c) * 100.0);
    fxBoxSet(win, rowId(c, fxCombKFilter), effectCombGetFilterFactor(e, c) * 100.0);
    fxBoxSet(win, rowId(c, fxCombKLevel), effectCombGetLevel(e, c));
    fxBoxSet(win, rowId(c, fxCombKPan), effectCombGetPan(e, c) * 100.0);
  }
}

void fxCombBoxChanged(ControlItem* item, double v) {
  if (!item) return;
  Engine* e = fxEngineOf(item->windowId);
  if (!e) return;
  const int id = item->id;
  if (id == fxCombFeedback) return effectCombSetFeedback(e, 0.01 * v);
  if (id == fxCombFilterFreq) return effectCombSetFilterFreq(e, v);
  if (id < rowId(0, 0) || id >= rowId(effectCombCount, 0)) return;
  const std::int16_t c = fxCombIndexFromId(id);
  switch (id - rowId(c, fxCombKRow)) {
    case fxCombKDelay: effectCombSetDelayFactor(e, c, 0.01 * v); break;
    case fxCombKModAmount: effectCombSetModAmount(e, c, 0.01 * v); break;
    case fxCombKFeedback: effectCombSetFeedbackFactor(e, c, 0.01 * v); break;
    case fxCombKFilter: effectCombSetFilterFactor(e, c, 0.01 * v); break;
    case fxCombKLevel: effectCombSetLevel(e, c, v); break;
    case fxCombKPan: effectCombSetPan(e, c, 0.01 * v); break;
    default: break;
  }
}
