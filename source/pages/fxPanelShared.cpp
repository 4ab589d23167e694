// What the Effect page's panels share: setting boxes and switches from the engine without running
// their actions, the row pictures, and the time group of types 1..3 (a time in seconds or in beats,
// one box of the two shown, chosen by the record's time unit).
#include <cmath>

#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/stepRules.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "modules/effectFrame.h"
#include "modules/multiCombEffect.h"
#include "modules/multiTapEffect.h"
#include "modules/pipeEffect.h"
#include "pages/fxPage.h"

namespace {

const int kUnitSwitchBitmap = 1140;

const FxTimeGroup kGroups[3] = {
    {effectPipe, 2, 19, 17, 18, 20, 21},
    {effectComb, 3, 36, 34, 35, 38, 40},
    {effectTap, 4, 100, 98, 99, 101, 102},
};

const FxTimeGroup* groupOfId(int id) {
  for (const FxTimeGroup& g : kGroups)
    if (id == g.unitSwitch || id == g.secondsBox || id == g.beatsBox) return &g;
  return nullptr;
}

}  // namespace

void fxBoxSet(WinId win, std::uint16_t id, double value) {
  // The box clamps to its range; a NaN shows as the box's lower end.
  numboxSetValue(win, id, static_cast<float>(value));
}

void fxButtonSetOn(WinId win, std::uint16_t id, bool on) {
  ControlItem* item = ctrlFindKind(win, id, kindButton);
  ButtonData* d = item ? static_cast<ButtonData*>(item->k.kindData) : nullptr;
  if (!d || !d->pictures || (d->pressed != 0) == on) return;
  d->pressed = on ? 1 : 0;
  const std::int32_t look = d->state * 8 + d->pressed + (item->drawable ? 0 : 2);
  if (d->pictures[look]) d->picture = static_cast<std::int16_t>(d->pictures[look]);
  ctrlRedraw(win, id);
}

void fxGroupPicture(WinId win, std::uint16_t id, int x, int y, void (*callback)(ControlItem*)) {
  pictureCreate(win, id, x, y, x, y, pictureOwnRect, 0, callback);
}

void fxSetDelaySeconds(WinId win, std::uint16_t type, double seconds) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  if (type == effectPipe)
    effectPipeSetDelay(e, seconds);
  else if (type == effectComb)
    effectCombSetDelay(e, seconds);
  else if (type == effectTap)
    effectTapSetTime(e, seconds);
}

const FxTimeGroup* fxTimeGroup(std::uint16_t type) {
  return type >= effectPipe && type <= effectTap ? &kGroups[type - 1] : nullptr;
}

void fxTimeGroupBuildSwitch(WinId win, const FxTimeGroup& g, int x, int y) {
  buttonPlace(win, g.unitSwitch, x, y, buttonActOnPress | buttonToggle, kUnitSwitchBitmap, "Sec", 1, 0, 1,
              fxUnitClicked);
}

void fxTimeGroupBuildBoxes(WinId win, const FxTimeGroup& g, int x, int y, int width, double secondsMax, double beatsMax,
                           void (*changed)(ControlItem*, double)) {
  fxGroupPicture(win, g.subSeconds, 0, 0, nullptr);
  numboxCreate(win, g.secondsBox, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
               static_cast<std::int16_t>(width), 3, 5, 0.1, 0.00001, secondsMax, stepHundredthFine, changed, "");
  fxGroupPicture(win, g.subBeats, 0, 0, nullptr);
  numboxCreate(win, g.beatsBox, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
               static_cast<std::int16_t>(width), 3, 5, 0.5, 0.001, beatsMax, stepEighth, fxBeatsChanged, "");
  pictureAddChild(win, g.panel, g.subSeconds);
  pictureAddChild(win, g.panel, g.subBeats);
}

void fxSetUnitView(WinId win, std::uint16_t type, std::int16_t unit, std::uint8_t store) {
  const FxTimeGroup* g = fxTimeGroup(type);
  Engine* e = fxEngineOf(win);
  if (!g || !e || (unit != effectUnitSeconds && unit != effectUnitBeats)) return;
  fxPageSelectPane(win);
  const bool beats = unit == effectUnitBeats;
  buttonSetText(win, g->unitSwitch, beats ? "Beat" : "Sec");
  if (effectGetType(e) == type) {
    ctrlShow(win, beats ? g->subSeconds : g->subBeats, 0);
    ctrlShow(win, beats ? g->subBeats : g->subSeconds, 1);
  } else {
    pictureShowChild(win, g->panel, beats ? g->subSeconds : g->subBeats, 0);
    pictureShowChild(win, g->panel, beats ? g->subBeats : g->subSeconds, 1);
  }
  if (store) effectSetTimeUnit(e, type, static_cast<std::uint16_t>(unit));
}

void fxTimeGroupRefresh(WinId win, const FxTimeGroup& g, double seconds) {
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::int16_t unit = effectGetTimeUnit(e, g.type);
  fxSetUnitView(win, g.type, unit, 0);
  fxButtonSetOn(win, g.unitSwitch, unit == effectUnitBeats);
  fxBoxSet(win, g.secondsBox, seconds);
  fxBoxSet(win, g.beatsBox, effectGetTime(e, g.type));
}

void fxUnitClicked(ControlItem* item, std::uint8_t pressed, std::int16_t) {
  const FxTimeGroup* g = item ? groupOfId(item->id) : nullptr;
  if (!g) return;
  const WinId win = item->windowId;
  Engine* e = fxEngineOf(win);
  if (!e) return;
  const std::int16_t unit = pressed ? effectUnitBeats : effectUnitSeconds;
  fxSetUnitView(win, g->type, unit, 1);
  effectSetTimeUnit(e, g->type, static_cast<std::uint16_t>(unit));
}

void fxBeatsChanged(ControlItem* item, double value) {
  const FxTimeGroup* g = item ? groupOfId(item->id) : nullptr;
  if (!g) return;
  Engine* e = fxEngineOf(item->windowId);
  if (!e || !std::isfinite(value)) return;
  effectSetTime(e, g->type, value);
}
