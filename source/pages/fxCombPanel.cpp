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

namespace {

const int kPanelBitmap = 1001;
const int kRowSwitchBitmap = 1032;
const int kFlagBitmap = 464;

std::uint16_t rowId(int c, int k) { return static_cast<std::uint16_t>(43 + 9 * c + k); }

// One column of a comb row: its offset from the row's base id and its box.
struct CombColumn {
  int k, x, arrows, decimals;
  double value, lo, hi;
  ValueStepRule step;
  int width;
};
const CombColumn kColumns[] = {
    {2, 79, 3, 3, 1.0, 0.0001, 100.0, stepUnit, 52},   {3, 168, 2, 1, 1.0, 0.0001, 100.0, stepUnit, 46},
    {5, 251, 2, 1, 1.0, -100.0, 100.0, stepUnit, 46},  {6, 321, 2, 1, 1.0, 0.0001, 100.0, stepUnit, 46},
    {7, 388, 2, 2, -6.0, -96.0, 0.0, stepTenth, 46},   {8, 457, 2, 1, 1.0, 0.0001, 100.0, stepUnit, 46},
};

void box(std::int16_t win, std::uint16_t id, int x, int y, int width, int arrows, int decimals, double value,
         double lo, double hi, ValueStepRule step) {
  numboxCreate(win, id, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), static_cast<std::int16_t>(width),
               static_cast<std::uint16_t>(arrows), static_cast<std::uint16_t>(decimals), value, lo, hi, step,
               fxCombBoxChanged, "");
}

void secondsChanged(ControlItem* item, double value) {
  if (item) fxSetDelaySeconds(static_cast<std::int16_t>(item->windowId), effectComb, value);
}

void invertClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  Engine* e = fxEngineOf(static_cast<std::int16_t>(item->windowId));
  if (e) effectCombSetModInvert(e, fxCombIndexFromId(item->id), pressed ? 1 : 0);
}

// A comb's switch changes what runs: the audio stops around it and the effect starts afresh.
void combSwitched(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  const std::int16_t win = static_cast<std::int16_t>(item->windowId);
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
  ctrlShow(win, rowId(c, 0), on);
}

}  // namespace

std::int16_t fxCombIndexFromId(int id) {
  if (id < 52 || id >= 97) return 0;
  return static_cast<std::int16_t>((id - 43) / 9);
}

void fxCombPanelBuild(std::int16_t win) {
  if (!fxEngineOf(win)) return;
  const FxTimeGroup& g = *fxTimeGroup(effectComb);
  pictureCreate(win, g.panel, 0, fxPanelTop, 0, 0, 0, kPanelBitmap, fxPanelMouse);
  fxTimeGroupBuildSwitch(win, g, 187, 103);
  box(win, 41, 332, 103, 42, 2, 2, 1.0, 0.0001, 99.999, stepUnit);
  box(win, 42, 397, 103, 46, 2, 0, 22000.0, 30.0, 22000.0, stepSemitoneRatio);
  for (int c = 0; c < effectCombCount; ++c)
    buttonCreate(win, rowId(c, 1), 90, 149 + 26 * c, 478, 26, 0, 26 * c, 0x10, kRowSwitchBitmap, "", 1, 1, 1,
                 combSwitched);
  for (int c = 0; c < effectCombCount; ++c) {
    fxGroupPicture(win, rowId(c, 0), 14, 0, fxPanelMouse);
    for (const CombColumn& col : kColumns) {
      box(win, rowId(c, col.k), col.x, 9, col.width, col.arrows, col.decimals, col.value, col.lo, col.hi, col.step);
      if (col.k == 3) buttonPlace(win, rowId(c, 4), 230, 9, 0x10, kFlagBitmap, "", 1, 0, 1, invertClicked);
    }
    ctrlMoveTo(win, rowId(c, 0), 55, 147 + 26 * c);
    pictureAddChild(win, g.panel, rowId(c, 0));
  }
  fxTimeGroupBuildBoxes(win, g, 238, 103, 56, 32767.0 / 44100.0, 4.0, secondsChanged);
  ctrlShow(win, g.panel, 0);
}

void fxCombSetUnitView(std::int16_t win, std::int16_t unit, std::uint8_t store) {
  fxSetUnitView(win, effectComb, unit, store);
}

void fxCombPanelRefresh(std::int16_t win) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  fxPageSelectPane(win);
  fxTimeGroupRefresh(win, *fxTimeGroup(effectComb), effectCombGetDelay(e));
  fxBoxSet(win, 41, effectCombGetFeedback(e) * 100.0);
  fxBoxSet(win, 42, effectCombGetFilterFreq(e));
  const bool current = effectGetType(e) == effectComb;
  for (std::int16_t c = 0; c < effectCombCount; ++c) {
    const bool on = effectCombGetOn(e, c) != 0;
    fxButtonSetOn(win, rowId(c, 1), on);
    ctrlShow(win, rowId(c, 0), on && current);
    fxBoxSet(win, rowId(c, 2), effectCombGetDelayFactor(e, c) * 100.0);
    fxBoxSet(win, rowId(c, 3), effectCombGetModAmount(e, c) * 100.0);
    fxButtonSetOn(win, rowId(c, 4), effectCombGetModInvert(e, c) != 0);
    fxBoxSet(win, rowId(c, 5), effectCombGetFeedbackFactor(e, c) * 100.0);
    fxBoxSet(win, rowId(c, 6), effectCombGetFilterFactor(e, c) * 100.0);
    fxBoxSet(win, rowId(c, 7), effectCombGetLevel(e, c));
    fxBoxSet(win, rowId(c, 8), effectCombGetPan(e, c) * 100.0);
  }
}

void fxCombBoxChanged(ControlItem* item, double v) {
  if (!item) return;
  Engine* e = fxEngineOf(static_cast<std::int16_t>(item->windowId));
  if (!e) return;
  const int id = item->id;
  if (id == 41) return effectCombSetFeedback(e, 0.01 * v);
  if (id == 42) return effectCombSetFilterFreq(e, v);
  if (id < 43 || id > 96) return;
  const std::int16_t c = fxCombIndexFromId(id);
  switch (id - rowId(c, 0)) {
    case 2: effectCombSetDelayFactor(e, c, 0.01 * v); break;
    case 3: effectCombSetModAmount(e, c, 0.01 * v); break;
    case 5: effectCombSetFeedbackFactor(e, c, 0.01 * v); break;
    case 6: effectCombSetFilterFactor(e, c, 0.01 * v); break;
    case 7: effectCombSetLevel(e, c, v); break;
    case 8: effectCombSetPan(e, c, 0.01 * v); break;
    default: break;
  }
}
