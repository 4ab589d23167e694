// The Effect page's three-unit panel (effect type 5): building, refresh and the control callbacks.
#include "pages/fxUnits.h"

#include <cmath>

#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/stepRules.h"
#include "controls/winSlots.h"
#include "modules/effectFrame.h"
#include "modules/threeUnitEffect.h"
#include "pages/fxPage.h"
#include "skinBitmaps.h"

namespace {

const int kPanelBitmap = bmpEffectPageThreeUnitPanel;
const int kEarlyTapsBitmap = bmpThreeUnitPanelEarlyTapsSwitch;
const int kUnitSwitchBitmap = bmpEffectPageThreeUnitRowSwitches;
const int kModeBitmap = bmpThreeUnitPanelUnitModeSelector;
const int kInvertBitmap = bmpPolarityAndInvertSwitchOfTheLFOAndEffectPagesNormalRisingRamp;
const std::uint32_t kSwitchStyle = buttonToggle | buttonNoMasks;  // 80
const std::uint32_t kModeStyle = selectorOneBitmap;               // 64

const char* const kModeNames[4] = {"Raw", "Natural", "Resonant", "Synthetic"};

Engine* engineOf(WinId win) {
  if (!winSlot(win)) return nullptr;
  void* data = winGetUserData(win);
  return data ? *static_cast<Engine**>(data) : nullptr;
}

// The window of a control, with the control's container made current for the calls that follow.
WinId selectItemWindow(ControlItem* item) {
  if (!item) return 0;
  const WinId win = item->windowId;
  if (!winSlot(win)) return 0;
  winSetCurrent(win);
  winSelectPort(win, item->port);
  return win;
}

// ---- the number boxes, by id (globals) and by k (units)

struct GlobalBox {
  std::uint16_t id;
  int x, width;
  std::uint16_t sections, decimals;
  double lo, hi;
  double (*get)(Engine*);
  void (*set)(Engine*, double);
};

void setJitterAsFloat(Engine* e, double v) { effectRevSetJitter(e, static_cast<float>(v)); }

// In building order.
const GlobalBox kGlobals[] = {
    {fxUnitsSize, 153, 56, 3, 4, 0.01, 100.0, effectRevGetSize, effectRevSetSize},
    {fxUnitsFeedback, 244, 48, 2, 3, 0.0, 100.0, effectRevGetFeedback, effectRevSetFeedback},
    {fxUnitsBrightness, 318, 48, 2, 3, 1.0, 100.0, effectRevGetBrightness, effectRevSetBrightness},
    {fxUnitsPreDelay, 391, 48, 2, 2, 0.0, 350.0, effectRevGetPreDelay, effectRevSetPreDelay},
    {fxUnitsJitter, 465, 48, 2, 2, 0.0, 100.0, effectRevGetJitter, setJitterAsFloat},
};
const int kGlobalY = 104;

struct UnitBox {
  int k;
  int x, width;
  std::uint16_t decimals;
  double lo, hi;
  double shown;  // the box shows stored x shown; the setter gets the box's value / shown
  double (*get)(Engine*, int);
  void (*set)(Engine*, int, double);
};

const UnitBox kUnitBoxes[] = {
    {fxUnitsKScale, 144, 56, 3, 0.01, 100.0, 1.0, effectRevGetUnitScale, effectRevSetUnitScale},
    {fxUnitsKLaneSpread, 224, 56, 3, 0.0, 100.0, 1.0, effectRevGetLaneSpread, effectRevSetLaneSpread},
    {fxUnitsKTimeModDepth, 318, 46, 2, 0.0, 100.0, 100.0, effectRevGetTimeModDepth, effectRevSetTimeModDepth},
    {fxUnitsKBrightness, 389, 56, 3, 1.0, 100.0, 1.0, effectRevGetUnitBrightness, effectRevSetUnitBrightness},
    {fxUnitsKLaneBrightSpread, 468, 56, 3, 0.0, 100.0, 1.0, effectRevGetLaneBrightSpread, effectRevSetLaneBrightSpread},
    {fxUnitsKBrightModDepth, 562, 46, 2, 0.0, 100.0, 100.0, effectRevGetBrightModDepth, effectRevSetBrightModDepth},
};

const GlobalBox* globalBox(std::int32_t id) {
  for (const GlobalBox& b : kGlobals)
    if (b.id == id) return &b;
  return nullptr;
}

const UnitBox* unitBox(int k) {
  for (const UnitBox& b : kUnitBoxes)
    if (b.k == k) return &b;
  return nullptr;
}

int rowY(int unit) { return 168 + 26 * unit; }

// A value written into a box from the engine: limited to the box's range (NaN shows the minimum)
// and drawn at once while the box is on screen.
void boxShow(WinId win, std::uint16_t id, double value) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  if (std::isnan(value)) value = d->minimum;
  if (value > d->maximum) value = d->maximum;
  if (value < d->minimum) value = d->minimum;
  d->value = value;
  if (numboxOnScreen(d)) numboxRedraw(d);
}

// The value a box hands to its setter: limited to the box's own range, so a value that did not come
// through the box's entry is held as a typed one would be. NaN is no value: false.
bool boxValue(ControlItem* box, double* value) {
  if (std::isnan(*value)) return false;
  if (const NumboxData* d = numboxData(box)) {
    if (*value > d->maximum) *value = d->maximum;
    if (*value < d->minimum) *value = d->minimum;
  }
  return true;
}

// A unit's on switch lit or dark, and its row group shown exactly while it is on. The switch spans
// the row and is drawn under the group's controls: when it is lit, the row is painted again so the
// controls come out on top of it.
void showUnitRow(WinId win, int unit, bool on) {
  const std::uint16_t r = fxUnitsRowId(unit, 0);
  recButtonSetPressed(win, r, on ? 1 : 0);
  pictureShowChild(win, fxUnitsPanelId, static_cast<std::uint16_t>(r + 1), on ? 1 : 0);
  if (on)
    if (ControlItem* button = ctrlFind(win, r)) itemInvalidate(button);
}

void switchShow(WinId win, std::uint16_t id, std::uint8_t on) { recButtonSetPressed(win, id, on ? 1 : 0); }

void buildUnitRow(WinId win, Engine* e, int u) {
  const std::uint16_t r = fxUnitsRowId(u, fxUnitsKOn);
  const int y = rowY(u);
  auto id = [r](int k) { return static_cast<std::uint16_t>(r + k); };
  pictureCreate(win, id(fxUnitsKGroup), 0, 0, 0, 0, pictureOwnRect, 0, fxPanelMouse);
  selectorCreate(win, id(fxUnitsKMode), 58, y, 64, 0, kModeStyle, kModeBitmap, "", 1, fxUnitsUnitTypeChosen);
  selectorSetOpeningCallback(win, id(fxUnitsKMode), fxUnitsUnitTypeMenu);
  auto box = [&](int k) {
    const UnitBox* b = unitBox(k);
    numboxCreate(win, id(k), static_cast<std::int16_t>(b->x), static_cast<std::int16_t>(y),
                 static_cast<std::int16_t>(b->width), 2, b->decimals, b->get(e, u) * b->shown, b->lo, b->hi, stepUnit,
                 fxUnitsUnitValueChanged, "");
  };
  box(fxUnitsKScale);
  box(fxUnitsKLaneSpread);
  buttonPlace(win, id(fxUnitsKTimeModInvert), 303, y, kSwitchStyle, kInvertBitmap, "", 1, 0, 1, fxUnitsSwitchChanged);
  box(fxUnitsKTimeModDepth);
  box(fxUnitsKBrightness);
  box(fxUnitsKLaneBrightSpread);
  buttonPlace(win, id(fxUnitsKBrightModInvert), 547, y, kSwitchStyle, kInvertBitmap, "", 1, 0, 1, fxUnitsSwitchChanged);
  box(fxUnitsKBrightModDepth);
  pictureAddChild(win, fxUnitsPanelId, id(fxUnitsKGroup));
}

}  // namespace

int fxUnitsUnitOfId(std::int32_t id) {
  if (id < fxUnitsRowId(1, 0)) return 0;
  if (id < fxUnitsRowId(2, 0)) return 1;
  if (id < fxUnitsRowId(3, 0)) return 2;
  return 0;
}

std::uint16_t fxUnitsRowId(int unit, int k) {
  return static_cast<std::uint16_t>(fxUnitsRowBase + fxUnitsRowStride * unit + k);
}

std::uint32_t fxUnitsModeOfItem(std::int16_t item) {
  switch (item) {
    case fxUnitsModeEntry(revModeNatural): return revModeNatural;
    case fxUnitsModeEntry(revModeResonant): return revModeResonant;
    case fxUnitsModeEntry(revModeSynthetic): return revModeSynthetic;
    default: return revModeRaw;
  }
}

const char* fxUnitsModeName(std::uint32_t mode) { return mode <= revModeSynthetic ? kModeNames[mode] : kModeNames[0]; }

void fxUnitsBuild(WinId window) {
  const WinId win = window;
  Engine* e = engineOf(win);
  if (!e) return;
  pictureCreate(win, fxUnitsPanelId, 0, 68, 0, 0, 0, kPanelBitmap, fxPanelMouse);
  for (const GlobalBox& b : kGlobals) {
    const double start = b.id == fxUnitsPreDelay ? 0.1 : b.id == fxUnitsJitter ? 50.0 : b.get(e);
    numboxCreate(win, b.id, static_cast<std::int16_t>(b.x), kGlobalY, static_cast<std::int16_t>(b.width), b.sections,
                 b.decimals, start, b.lo, b.hi, stepUnit, fxUnitsValueChanged, "");
  }
  buttonPlace(win, fxUnitsEarlyTaps, 534, 101, kSwitchStyle, kEarlyTapsBitmap, "", 1, 0, 1, fxUnitsFlagChanged);
  for (int u = 0; u < 3; ++u)
    buttonCreate(win, fxUnitsRowId(u, fxUnitsKOn), 22, 161 + 26 * u, 609, u == 2 ? 28 : 26, 0, 26 * u, kSwitchStyle,
                 kUnitSwitchBitmap, "", 1, 0, 1, fxUnitsSwitchChanged);
  for (int u = 0; u < 3; ++u) buildUnitRow(win, e, u);
  ctrlShow(win, fxUnitsPanelId, effectGetType(e) == effectRev ? 1 : 0);
}

void fxUnitsRefresh(WinId window) {
  const WinId win = window;
  Engine* e = engineOf(win);
  if (!e) return;
  winSetCurrent(win);
  winSelectPane(win, fxUnitsPaneId);
  for (const GlobalBox& b : kGlobals) boxShow(win, b.id, b.get(e));
  switchShow(win, fxUnitsEarlyTaps, effectRevGetEarlyTapsOn(e));
  for (int u = 0; u < 3; ++u) {
    showUnitRow(win, u, effectRevGetUnitOn(e, u) != 0);
    selectorSetLabel(win, fxUnitsRowId(u, fxUnitsKMode), fxUnitsModeName(effectRevGetUnitMode(e, u)));
    for (const UnitBox& b : kUnitBoxes) boxShow(win, fxUnitsRowId(u, b.k), b.get(e, u) * b.shown);
    switchShow(win, fxUnitsRowId(u, fxUnitsKTimeModInvert), effectRevGetTimeModInvert(e, u));
    switchShow(win, fxUnitsRowId(u, fxUnitsKBrightModInvert), effectRevGetBrightModInvert(e, u));
  }
}

void fxUnitsValueChanged(ControlItem* box, double value) {
  const WinId win = selectItemWindow(box);
  Engine* e = engineOf(win);
  const GlobalBox* b = box ? globalBox(box->id) : nullptr;
  if (!e || !b || !boxValue(box, &value)) return;
  b->set(e, value);
}

void fxUnitsUnitValueChanged(ControlItem* box, double value) {
  const WinId win = selectItemWindow(box);
  Engine* e = engineOf(win);
  if (!e) return;
  const int u = fxUnitsUnitOfId(box->id);
  const UnitBox* b = unitBox(box->id - fxUnitsRowId(u, fxUnitsKOn));
  if (!b || !boxValue(box, &value)) return;
  b->set(e, u, value / b->shown);
}

void fxUnitsSwitchChanged(ControlItem* button, std::uint8_t pressed, std::int16_t) {
  const WinId win = selectItemWindow(button);
  Engine* e = engineOf(win);
  if (!e) return;
  const int u = fxUnitsUnitOfId(button->id);
  const int k = button->id - fxUnitsRowId(u, fxUnitsKOn);
  const std::uint8_t on = pressed ? 1 : 0;
  if (k == fxUnitsKOn) {
    effectRevSetUnitOn(e, u, on);
    showUnitRow(win, u, on != 0);
  } else if (k == fxUnitsKTimeModInvert) {
    effectRevSetTimeModInvert(e, u, on);
  } else if (k == fxUnitsKBrightModInvert) {
    effectRevSetBrightModInvert(e, u, on);
  }
}

void fxUnitsFlagChanged(ControlItem* button, std::uint8_t pressed, std::int16_t) {
  const WinId win = selectItemWindow(button);
  Engine* e = engineOf(win);
  if (e) effectRevSetEarlyTapsOn(e, pressed ? 1 : 0);
}

void fxUnitsUnitTypeMenu(ControlItem* selector, std::int32_t build) {
  const WinId win = selectItemWindow(selector);
  if (!win || !build) return;
  for (std::uint32_t mode = revModeRaw; mode <= revModeSynthetic; ++mode)
    menuAppendItem(win, selector->id, fxUnitsModeEntry(mode), 1, kModeNames[mode], 0);
}

void fxUnitsUnitTypeChosen(ControlItem* selector, std::int16_t, std::int16_t item) {
  const WinId win = selectItemWindow(selector);
  Engine* e = engineOf(win);
  if (!e) return;
  const std::uint16_t id = selector->id;
  const std::uint32_t mode = fxUnitsModeOfItem(item);
  selectorSelect(win, id, item);
  selectorSetLabel(win, id, fxUnitsModeName(mode));
  effectRevSetUnitMode(e, fxUnitsUnitOfId(selector->id), mode);
}
