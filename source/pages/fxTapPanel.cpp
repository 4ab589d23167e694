// The multi-tap delay's panel (effect type 3, picture 4): the feedback filter and amount, the time
// group (seconds up to 10, beats up to 16) and three tap rows of time share, modulation, level and pan.
#include <initializer_list>

#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/stepRules.h"
#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "modules/multiTapEffect.h"
#include "pages/fxPage.h"
#include "skinBitmaps.h"

namespace {

const int kPanelBitmap = bmpEffectPageMultiTapDelayPanel;
const int kFlagBitmap = bmpPolarityAndInvertSwitchOfTheLFOAndEffectPagesNormalRisingRamp;
// First ids of the tap columns: time share, modulation, invert switch, level, pan.
enum { colTime = 105, colMod = 108, colInvert = 111, colLevel = 114, colPan = 117 };

void box(WinId win, int id, int x, int y, int width, int arrows, int decimals, double value, double lo, double hi,
         ValueStepRule step) {
  numboxCreate(win, static_cast<std::uint16_t>(id), static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
               static_cast<std::int16_t>(width), static_cast<std::uint16_t>(arrows),
               static_cast<std::uint16_t>(decimals), value, lo, hi, step, fxTapBoxChanged, "");
}

void secondsChanged(ControlItem* item, double value) {
  if (item) fxSetDelaySeconds(item->windowId, effectTap, value);
}

void invertClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  if (!item) return;
  Engine* e = fxEngineOf(item->windowId);
  if (e) effectTapSetModInvert(e, fxTapIndexFromId(item->id), pressed ? 1 : 0);
}

}  // namespace

std::int16_t fxTapIndexFromId(int id) {
  for (int first : {colTime, colMod, colInvert, colLevel, colPan})
    if (id >= first && id < first + 3) return static_cast<std::int16_t>(id - first);
  return 0;
}

void fxTapPanelBuild(WinId win) {
  if (!fxEngineOf(win)) return;
  const FxTimeGroup& g = *fxTimeGroup(effectTap);
  pictureCreate(win, g.panel, 0, fxPanelTop, 0, 0, 0, kPanelBitmap, fxPanelMouse);
  fxTimeGroupBuildSwitch(win, g, 147, 103);
  box(win, fxTapFilterFreq, 291, 103, 45, 1, 0, 22000.0, 30.0, 22000.0, stepSemitoneRatio);
  box(win, fxTapFeedback, 450, 154, 42, 2, 2, 1.0, -99.999, 99.999, stepUnit);
  for (int t = 0; t < effectTapCount; ++t) {
    const int y = 156 + 39 * t;
    box(win, colTime + t, 147, y, 52, 3, 3, 1.0, 0.0, 100.0, stepUnit);
    box(win, colMod + t, 236, y, 36, 2, 1, 1.0, 0.0, 100.0, stepUnit);
    buttonPlace(win, static_cast<std::uint16_t>(colInvert + t), 293, y, buttonToggle, kFlagBitmap, "", 1, 0, 1,
                invertClicked);
    box(win, colLevel + t, 318, y, 36, 2, 1, 0.0, -96.0, 0.0, stepTenth);
    box(win, colPan + t, 384, y, 36, 2, 1, 0.5, 0.0, 100.0, stepUnit);
  }
  fxTimeGroupBuildBoxes(win, g, 197, 103, 66, 10.0, 16.0, secondsChanged);
  ctrlShow(win, g.panel, 0);
}

void fxTapSetUnitView(WinId win, std::int16_t unit, std::uint8_t store) { fxSetUnitView(win, effectTap, unit, store); }

void fxTapPanelRefresh(WinId win) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  fxPageSelectPane(win);
  fxTimeGroupRefresh(win, *fxTimeGroup(effectTap), effectTapGetTime(e));
  fxBoxSet(win, fxTapFilterFreq, effectTapGetFilterFreq(e));
  fxBoxSet(win, fxTapFeedback, effectTapGetFeedback(e) * 100.0);
  for (std::int16_t t = 0; t < effectTapCount; ++t) {
    fxBoxSet(win, static_cast<std::uint16_t>(colTime + t), effectTapGetTimeFactor(e, t) * 100.0);
    fxBoxSet(win, static_cast<std::uint16_t>(colMod + t), effectTapGetModAmount(e, t) * 100.0);
    fxButtonSetOn(win, static_cast<std::uint16_t>(colInvert + t), effectTapGetModInvert(e, t) != 0);
    fxBoxSet(win, static_cast<std::uint16_t>(colLevel + t), effectTapGetLevel(e, t));
    fxBoxSet(win, static_cast<std::uint16_t>(colPan + t), effectTapGetPan(e, t) * 100.0);
  }
}

void fxTapBoxChanged(ControlItem* item, double v) {
  if (!item) return;
  Engine* e = fxEngineOf(item->windowId);
  if (!e) return;
  const int id = item->id;
  const std::int16_t t = fxTapIndexFromId(id);
  if (id == fxTapFilterFreq)
    effectTapSetFilterFreq(e, v);
  else if (id == fxTapFeedback)
    effectTapSetFeedback(e, 0.01 * v);
  else if (id >= colTime && id < colTime + 3)
    effectTapSetTimeFactor(e, t, 0.01 * v);
  else if (id >= colMod && id < colMod + 3)
    effectTapSetModAmount(e, t, 0.01 * v);
  else if (id >= colLevel && id < colLevel + 3)
    effectTapSetLevel(e, t, v);
  else if (id >= colPan && id < colPan + 3)
    effectTapSetPan(e, t, 0.01 * v);
}
