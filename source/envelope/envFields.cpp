// The Envelope page's field refresh and the breakpoint field callbacks.
#include "envelope/envFields.h"

#include <cmath>
#include <cstring>

#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "envelope/envDragItem.h"
#include "envelope/envFieldEdits.h"
#include "envelope/envGraph.h"
#include "envelope/envLevelUnits.h"
#include "envelope/envPage.h"
#include "envelope/envSettings.h"
#include "envelope/envView.h"
#include "midi/midiNames.h"
#include "midi/midiSourceWindow.h"
#include "pages/mainPage.h"
#include "preset/envDestKinds.h"
#include "preset/envelope.h"
#include "preset/presetHeader.h"
#include "preset/wave.h"

namespace {

const double samplesPerSecond = 44100.0;
enum StepMode { stepCoarse = 1, stepFine = 2, stepFinest = 3 };  // the arrow sections of a number box
enum { modeEntryLink = 6, lastChannelSlot = 2 };
const double timeBoxMin = 0.0001, timeBoxMax = 9999.0;
const double timeEdge = 0.001;  // absolute boxes stop this far from a neighbour

char g_unitLabel[envUnitLabelSize] = "oscil amp";

// The refresh runs on every selection change: controls already in the wanted state are left alone,
// so that only what changes is drawn.
void show(WinId win, std::uint16_t id, bool on) {
  ControlItem* item = ctrlFind(win, id);
  if (item && (item->visible != 0) != on) ctrlShow(win, id, on ? 1 : 0);
}
void setBox(WinId win, std::uint16_t id, double value) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  const float v = static_cast<float>(std::isfinite(value) ? value : d->minimum);
  const double stored = numClamp<double>(v, d->minimum, d->maximum);
  if (stored == d->value) return;
  numboxSetValue(win, id, v);
}
bool pressed(WinId win, std::uint16_t id) { return ctrlFind(win, id) && buttonIsPressed(win, id); }
void setPressed(WinId win, std::uint16_t id, bool on) { recButtonSetPressed(win, id, on ? 1 : 0); }
void sourceText(WinId win, std::uint16_t id, std::int16_t source) {
  char name[midiSourceNameBytes];
  midiSourceName(source, name);
  buttonSetText(win, id, name);
}

void compileIfControl(const EnvPageContext& c) { envCompileIfControl(c.e, c.slot); }

EnvSnap snapOf(const EnvelopeView* v) { return EnvSnap{v->gridOn != 0 && !inputIsAlt(), v->gridBeats}; }

void walkEach(WinId win, EnvBpField field, double value, bool markMain) {
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  envFieldSetEach(c.e, c.slot, c.v->bpSelFirst, c.v->bpSelLast, field, value);
  envPageSyncAndRedraw(win);
  if (markMain && !inputIsButtonDown()) mainPageMarkChanged(win);
}

}  // namespace

const char* envPageUnitLabel() { return g_unitLabel; }

void envModeName(std::int16_t mode, char* out) {
  static const char* const names[] = {"", "Release", "Sustain", "Loop", "Retrigger", "Control driven", "Link"};
  if (!out) return;
  std::strcpy(out, mode >= 1 && mode <= 6 ? names[mode] : "");
}

void envPageSetUnitLabel(WinId win, const char* text) {
  // The label holds 24 characters: a longer text is cut, never copied past its end.
  std::strncpy(g_unitLabel, text ? text : "", envUnitLabelSize - 1);
  g_unitLabel[envUnitLabelSize - 1] = '\0';
  if (envPageBegin(win) && ctrlFind(win, envItemLevelForm) && !buttonIsPressed(win, envItemLevelForm))
    buttonSetText(win, envItemLevelForm, g_unitLabel);
}

void envPageSetTimeDisplay(WinId win, bool absolute) {
  if (!envPageBegin(win)) return;
  if (ctrlFind(win, envItemTimeForm)) buttonSetText(win, envItemTimeForm, absolute ? "Abs Time" : "BP Time");
  show(win, envItemBpSegTime, !absolute);
  show(win, envItemBpAbsTime, absolute);
}

void envPageSetLevelDisplay(WinId win, bool percent) {
  if (!envPageBegin(win)) return;
  if (ctrlFind(win, envItemLevelForm)) buttonSetText(win, envItemLevelForm, percent ? "%" : g_unitLabel);
  show(win, envItemBpLevelUnits, !percent);
  show(win, envItemBpLevelPercent, percent);
}

void envPageSetStepButton(WinId win, bool step) {
  if (!envPageBegin(win) || !ctrlFind(win, envItemStep)) return;
  setPressed(win, envItemStep, step);
  buttonSetText(win, envItemStep, step ? "Step" : "Slope");
  show(win, envItemBpSlope, !step);
}

void envPageUpdateTimeRanges(WinId win) {
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  const std::int16_t b = c.v->bpSelFirst;
  if (b < 0 || b >= envBreakpointCount) return;
  NumboxData* abs = numboxFind(win, envItemBpAbsTime);
  NumboxData* seg = numboxFind(win, envItemBpSegTime);
  if (!abs || !seg) return;
  abs->minimum = b == 0 ? timeEdge : envFieldAbsSeconds(c.e, c.slot, static_cast<std::int16_t>(b - 1)) + timeEdge;
  seg->minimum = 1.0 / samplesPerSecond;
  if (pressed(win, envItemFreeTime)) {
    abs->maximum = seg->maximum = timeBoxMax;
  } else {
    const std::int16_t last = envSlot(c.e, c.slot)->lastIndex;
    const std::int16_t f = static_cast<std::int16_t>((c.v->bpSelLast > b ? c.v->bpSelLast : b) + 1);
    abs->maximum = f <= last ? envFieldAbsSeconds(c.e, c.slot, f) - timeEdge : timeBoxMax;
    seg->maximum = timeBoxMax;
    if (abs->maximum < abs->minimum) abs->maximum = abs->minimum;
  }
  numboxSetValue(win, envItemBpAbsTime, static_cast<float>(abs->value));
}

void envPageRefreshLevelUnits(WinId win) {
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  const EnvelopeSlot* s = envSlot(c.e, c.slot);
  const std::int16_t b = c.v->bpSelFirst;
  if (s->destination <= envDestNone || b < -1 || !numboxFind(win, envItemBpLevelUnits)) return;
  const double L = envGetBpLevel(c.e, c.slot, b);
  const EnvUnitShown u = envLevelToUnits(c.e, s->destination, s->owner, L);
  if (u.keep) return;
  numboxConfigure(win, envItemBpLevelUnits, "", u.step, static_cast<float>(u.minimum), static_cast<float>(u.maximum),
                  static_cast<float>(u.value));
  envPageSetUnitLabel(win, u.word);
}

void envPageShowLfoSection(WinId win, bool on) {
  EnvPageContext c = envPageContext(win);
  if (!c.v || !c.e) return;
  if (ctrlFind(win, envItemLfoSwitch) && buttonIsPressed(win, envItemLfoSwitch) != (on ? 1 : 0))
    setPressed(win, envItemLfoSwitch, on);
  pictureShowChild(win, envItemLfoHolder, envItemLfoSection, on ? 1 : 0);
  show(win, envItemLfoSection, on);
  show(win, envItemLfoBpFields, on && c.v->bpSelFirst >= -1);
  if (!c.ok) return;
  setPressed(win, envItemLfoSampleHold, envGetLfoFlag(c.e, c.slot));
  envPageSetWaveLabel(win, envItemLfoWave, envGetLfoWave(c.e, c.slot));
  setBox(win, envItemLfoPhase, envGetLfoPhase(c.e, c.slot));
}

void envPageShowCcSection(WinId win, bool on) {
  EnvPageContext c = envPageContext(win);
  if (!c.v) return;
  if (ctrlFind(win, envItemCcSwitch)) setPressed(win, envItemCcSwitch, on);
  pictureShowChild(win, envItemCcHolder, envItemCcSection, on ? 1 : 0);
  show(win, envItemCcSection, on);
  show(win, envItemCcBpFields, on && c.v->bpSelFirst >= -1);
}

void envPageSetWaveLabel(WinId win, std::uint16_t popup, std::int16_t waveId) {
  Engine* e = envEngineOf(win);
  if (!e || !envPageBegin(win) || !ctrlFind(win, popup)) return;
  char name[33] = {};
  waveGetName(e, waveId, name);
  name[32] = '\0';
  selectorSetLabel(win, popup, name);
}

void envPageShowSections(WinId win, bool on) {
  EnvPageContext c = envPageContext(win);
  if (!c.v || !c.e) return;
  if (!c.ok) {
    show(win, envItemLinkSection, false);
    show(win, envItemLfoHolder, false);
    show(win, envItemCcHolder, false);
    c.v->sectionsShown = 0;
    return;
  }
  const bool linked = envIsLinked(c.e, c.slot);
  const std::uint16_t m = envGetMode(c.e, c.slot);
  if ((c.v->sectionsShown != 0) != on) {
    show(win, envItemSections, on);
    c.v->sectionsShown = on ? 1 : 0;
  }
  // The section switches go with their sections: a linked or Control driven envelope has neither.
  const bool switches = !linked && m != envModeControl;
  show(win, envItemLfoSwitch, switches);
  show(win, envItemCcSwitch, switches);
  if (linked) {
    show(win, envItemLinkSection, on);
    if (on) envListFillLinkSource(win);
    show(win, envItemMode, true);
    show(win, envItemLfoHolder, false);
    show(win, envItemCcHolder, false);
    show(win, envItemSync, false);
    show(win, envItemControlSource, false);
    show(win, envItemBpSection, false);
    show(win, envItemLfoBpFields, false);
    show(win, envItemCcBpFields, false);
  }
  if (envIsBypassed(c.e, c.slot)) {
    show(win, envItemLinkSection, false);
    show(win, envItemLfoHolder, false);
    show(win, envItemCcHolder, false);
    show(win, envItemLfoBpFields, false);
    show(win, envItemCcBpFields, false);
    return;
  }
  if (m >= envModeRelease && m <= envModeRetrigger) {
    show(win, envItemControlSource, false);
    show(win, envItemLinkSection, linked);
    if (linked) show(win, envItemMode, true);
    show(win, envItemLfoHolder, on && !linked);
    show(win, envItemCcHolder, on && !linked);
    if (!linked) {
      envPageShowLfoSection(win, envGetLfoOn(c.e, c.slot));
      envPageShowCcSection(win, envGetCcScaleOn(c.e, c.slot));
    }
    show(win, envItemSync, on && !linked);
  } else if (m == envModeControl) {
    show(win, envItemSync, false);
    show(win, envItemLinkSection, false);
    show(win, envItemLfoHolder, false);
    show(win, envItemCcHolder, false);
    show(win, envItemLfoBpFields, false);
    show(win, envItemCcBpFields, false);
    show(win, envItemControlSource, !linked);
  }
}

void envPageShowBpFields(WinId win, bool on) {
  EnvPageContext c = envPageContext(win);
  envPageShowSections(win, on);
  if (!c.ok) return;
  const bool linked = envIsLinked(c.e, c.slot);
  show(win, envItemBpSection, on && !linked);
  show(win, envItemControlSource, on && !linked && envGetMode(c.e, c.slot) == envModeControl);
}

void envPageRefreshFields(WinId win) {
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  const EnvelopeSlot* s = envSlot(c.e, c.slot);
  const std::int16_t b = c.v->bpSelFirst;
  const std::uint16_t mode = envGetMode(c.e, c.slot);
  envPageShowMode(win, static_cast<std::int16_t>(mode), envIsLinked(c.e, c.slot));
  if (ctrlFind(win, envItemEnable)) {
    setPressed(win, envItemEnable, envIsBypassed(c.e, c.slot));
    show(win, envItemEnable, s->destination != envDestOscAmp);
  }
  envPageSetSyncButton(win, envGetSyncFlag(c.e, c.slot) || mode == envModeRetrigger);
  setBox(win, envItemLinkTime, envGetTimePercent(c.e, c.slot) * 100.0);
  setBox(win, envItemLinkAmp, envGetAmpPercent(c.e, c.slot) * 100.0);
  setBox(win, envItemLinkOffset, envGetAmpOffset(c.e, c.slot) * 100.0);
  setBox(win, envItemLinkSlope, envGetSlopePercent(c.e, c.slot) * 100.0);
  envPageUpdateTimeRanges(win);
  // The breakpoint section shows for a selection of a free envelope.
  show(win, envItemBpSection, b >= -1 && !envIsLinked(c.e, c.slot));
  if (b == -1) {
    setBox(win, envItemBpLevelPercent, envGetBpLevel(c.e, c.slot, -1) * 100.0);
    show(win, envItemBpSegTime, false);
    show(win, envItemBpAbsTime, false);
    show(win, envItemBpSlope, false);
    show(win, envItemTimeForm, false);
    show(win, envItemStep, false);
    envPageSetLevelDisplay(win, pressed(win, envItemLevelForm));
    envPageRefreshLevelUnits(win);
  } else if (b >= 0 && b < envBreakpointCount) {
    setBox(win, envItemBpSegTime, envGetBpTime(c.e, c.slot, b) / samplesPerSecond);
    show(win, envItemTimeForm, true);
    envPageSetTimeDisplay(win, pressed(win, envItemTimeForm));
    setBox(win, envItemBpAbsTime, envFieldAbsSeconds(c.e, c.slot, b));
    setBox(win, envItemBpLevelPercent, envGetBpLevel(c.e, c.slot, b) * 100.0);
    envPageSetLevelDisplay(win, pressed(win, envItemLevelForm));
    setBox(win, envItemBpSlope, envGetBpSlope(c.e, c.slot, b));
    show(win, envItemStep, true);
    envPageRefreshLevelUnits(win);
    setBox(win, envItemBpAmpScale, envGetBpAmpScale(c.e, c.slot, b) * 100.0);
    setBox(win, envItemBpTimeScale, envGetBpTimeScale(c.e, c.slot, b) * 100.0);
    if (ctrlFind(win, envItemBpTimeCc)) sourceText(win, envItemBpTimeCc, envGetBpTimeCc(c.e, c.slot, b));
    if (ctrlFind(win, envItemBpAmpCc)) sourceText(win, envItemBpAmpCc, envGetBpAmpCc(c.e, c.slot, b));
    envPageSetStepButton(win, envGetBpStepFlag(c.e, c.slot, b) != 0);
    setBox(win, envItemBpDepth, envGetBpDepth(c.e, c.slot, b) * 100.0);
    setBox(win, envItemBpLfoSeconds, envGetBpLfoSec(c.e, c.slot, b));
    setBox(win, envItemBpShSeconds, envGetBpShSec(c.e, c.slot, b));
  }
  if (mode == envModeControl && ctrlFind(win, envItemControlSource))
    sourceText(win, envItemControlSource, envGetControlSource(c.e, c.slot));
}

void envPageShowMode(WinId win, std::int16_t mode, bool linked) {
  EnvPageContext c = envPageContext(win);
  if (!c.v || !c.e) return;
  if (ctrlFind(win, envItemMode)) {
    char name[16];
    const std::int16_t shown = linked ? static_cast<std::int16_t>(modeEntryLink) : mode;
    if (shown >= envModeRelease && shown <= modeEntryLink) {
      envModeName(shown, name);
      selectorSetLabel(win, envItemMode, name);
    }
    menuEnableItem(win, envItemMode, modeEntryLink, c.slot > lastChannelSlot ? 1 : 0);
  }
  envPageShowSections(win, true);
}

void envPageRefreshSettings(WinId win) {
  EnvPageContext c = envPageContext(win);
  if (!c.v || !c.e) return;
  if (const PatchHeader* h = engineGetPatchHeader(c.e)) setBox(win, envItemBeats, h->beats);
  envPageRefreshFields(win);
  envPageRefreshLevelUnits(win);
  show(win, envItemGridStep, pressed(win, envItemGrid));
}

// ---- Breakpoint field callbacks

void envBpOnTime(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  const bool absolute = item->id == envItemBpAbsTime;
  if (!envFieldSetTime(c.e, c.slot, c.v->bpSelFirst, c.v->bpSelLast, value, absolute, pressed(win, envItemFreeTime),
                       snapOf(c.v)))
    return;
  compileIfControl(c);
  envPageSyncAndRedraw(win);
  if (!absolute) setBox(win, envItemBpAbsTime, envFieldAbsSeconds(c.e, c.slot, c.v->bpSelFirst));
  setBox(win, envItemBpSegTime, envGetBpTime(c.e, c.slot, c.v->bpSelFirst) / samplesPerSecond);
  envPageUpdateTimeRanges(win);
  envPageUpdateScrollSpan(win);
}

double envTimeStep(ControlItem* item, double start, std::int16_t steps, std::uint16_t mode) {
  EnvelopeView* v = item ? envViewOf(ctrlItemWin(item)) : nullptr;
  const int pps = v ? static_cast<int>(v->pixelsPerSecond) : 128;
  if (pps < 1) return start;
  switch (mode) {
    case stepCoarse: return start + steps * 8.0 / pps;
    case stepFine: return start + static_cast<double>(steps) / pps;
    case stepFinest: return start + steps * 0.0001;
    default: return start;
  }
}

void envBpOnLevelPercent(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok || !envFieldSetLevel(c.e, c.slot, c.v->bpSelFirst, c.v->bpSelLast, value * 0.01)) return;
  envGraphRedrawLinked(win);
  compileIfControl(c);
  envPageRefreshLevelUnits(win);
}

void envBpOnLevelUnits(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  const EnvelopeSlot* s = envSlot(c.e, c.slot);
  double L = 0.0;
  if (s->destination <= envDestNone || !envUnitsToLevel(c.e, s->destination, s->owner, value, &L)) return;
  if (!envFieldSetLevel(c.e, c.slot, c.v->bpSelFirst, c.v->bpSelLast, L)) return;
  compileIfControl(c);
  setBox(win, envItemBpLevelPercent, L * 100.0);
  envGraphRedrawLinked(win);
  envPageRefreshLevelUnits(win);
}

void envBpOnSlope(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  const std::int16_t b = c.ok ? c.v->bpSelFirst : -2;
  if (b < 0 || b >= envBreakpointCount || !std::isfinite(value)) return;
  envGraphScaleSlopes(win, c.e, c.slot, envSlot(c.e, c.slot), b, value, envGetBpSlope(c.e, c.slot, b));
  compileIfControl(c);
  envPageSyncAndRedraw(win);
}

void envPageOnTimeDisplay(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (item) envPageSetTimeDisplay(ctrlItemWin(item), on != 0);
}

void envPageOnLevelDisplay(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (item) envPageSetLevelDisplay(ctrlItemWin(item), on != 0);
}

void envBpOnStepButton(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok || c.v->bpSelFirst < -1) return;
  envPageSetStepButton(win, on != 0);
  walkEach(win, envBpStep, on ? 1.0 : 0.0, false);
  compileIfControl(c);
}

void envBpOnDepth(ControlItem* item, double value) {
  if (item) walkEach(ctrlItemWin(item), envBpDepth, value * 0.01, false);
}
void envBpOnLfoSec(ControlItem* item, double value) {
  if (item) walkEach(ctrlItemWin(item), envBpLfoSec, value, false);
}
void envBpOnShSec(ControlItem* item, double value) {
  if (item) walkEach(ctrlItemWin(item), envBpShSec, value, false);
}
void envBpOnTimeScale(ControlItem* item, double value) {
  if (item) walkEach(ctrlItemWin(item), envBpTimeScale, value * 0.01, true);
}
void envBpOnAmpScale(ControlItem* item, double value) {
  if (item) walkEach(ctrlItemWin(item), envBpAmpScale, value * 0.01, true);
}

namespace {

void openSource(ControlItem* item, std::uint16_t button) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok || c.v->bpSelFirst < -1) return;
  const std::int16_t b = c.v->bpSelFirst < 0 ? 0 : c.v->bpSelFirst;
  c.v->sourceButtonId = button;
  const std::int16_t current =
      button == envItemBpTimeCc ? envGetBpTimeCc(c.e, c.slot, b) : envGetBpAmpCc(c.e, c.slot, b);
  if (button == envItemBpAmpCc) mainPageMarkChanged(win);
  midiSourcePopupOpen(win, envPageOnMidiSource, current, 1);
}

}  // namespace

void envBpOnTimeCcButton(ControlItem* item, std::uint8_t, std::int16_t) { openSource(item, envItemBpTimeCc); }
void envBpOnAmpCcButton(ControlItem* item, std::uint8_t, std::int16_t) { openSource(item, envItemBpAmpCc); }
