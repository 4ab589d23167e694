// The Envelope page's settings controls: their creation and the callbacks of mode, sync, bypass,
// link, controller source, LFO, controller scaling, grid, beats and the envelope menu.
#include "envelope/envSettings.h"

#include <cmath>
#include <initializer_list>

#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/selector.h"
#include "controls/stepRules.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "envelope/envAdd.h"
#include "envelope/envDragItem.h"
#include "envelope/envFieldEdits.h"
#include "envelope/envFields.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envRowStrip.h"
#include "envelope/envRuler.h"
#include "envelope/envTools.h"
#include "envelope/envUndo.h"
#include "envelope/envView.h"
#include "midi/midiNames.h"
#include "midi/midiSourceWindow.h"
#include "pages/mainPage.h"
#include "pages/waveChoice.h"
#include "preset/envDestKinds.h"
#include "preset/envelope.h"
#include "preset/library.h"
#include "preset/presetHeader.h"
#include "preset/waveMenu.h"
#include "uiSeams/msgBox.h"

const char* const kEnvMsgLinkRefused = "This envelope cannot be set to link mode, other envelopes are linked to it.";
const char* const kEnvMsgRetriggerSync = "An envelope in retrigger mode is always synced to the master tempo.";

namespace {

enum ModeEntry { modeEntryLink = 6 };
enum { lastChannelSlot = 2 };           // slots 0..2: the channel amplitude envelopes
enum { msgBoxIconInformation = 0x40 };  // the system's information icon
enum GridEntry { gridEighth = 1, gridSixteenth = 2, gridThirtySecond = 3 };
enum MenuEntry {
  menuScale = 1,
  menuDuration = 2,
  menuPulse = 3,
  menuRule1 = 4,
  menuLoad = 5,
  menuSave = 6,
  menuRule2 = 7,
  menuInit = 8,
  menuDelete = 9
};
enum {
  envPicSettingPopup = 1604,
  envPicGridPopup = 1605,
  envPicLinkPopup = 1606,
  envPicFormButton2 = 1588,
  envPicCcButton = 1532
};

const double timeBoxMin = 0.0001, timeBoxMax = 9999.0;

ControlItem* toggle(WinId win, std::uint16_t id, int x, int y, int bitmap, const char* text, ButtonAction a) {
  return buttonPlace(win, id, x, y, buttonToggle, bitmap, text, 1, 0, 1, a);
}
ControlItem* push(WinId win, std::uint16_t id, int x, int y, int bitmap, const char* text, ButtonAction a) {
  return buttonPlace(win, id, x, y, 0, bitmap, text, 1, 0, 1, a);
}
ControlItem* box(WinId win, std::uint16_t id, int x, int y, int w, std::uint16_t decimals, double value, double lo,
                 double hi, ValueStepRule rule, NumboxChanged changed, const char* label) {
  return numboxCreate(win, id, static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), static_cast<std::int16_t>(w),
                      3, decimals, value, lo, hi, rule, changed, label);
}
// A section picture; hidden by the builder once its children have joined it.
void holder(WinId win, std::uint16_t id, int x, int y, int bitmap) {
  pictureCreate(win, id, x, y, 0, 0, bitmap ? 0 : pictureOwnRect, bitmap, nullptr);
}
void children(WinId win, std::uint16_t picture, std::initializer_list<std::uint16_t> ids) {
  for (std::uint16_t id : ids) pictureAddChild(win, picture, id);
}

}  // namespace

void envPageSyncAndRedraw(WinId win) {
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  envGraphSyncLinkPartner(win, c.e, c.slot);
  envGraphRedrawLinked(win);
}

void envPageBuildSettings(WinId win) {
  if (!envViewOf(win) || !envPageBegin(win)) return;
  // The popups draw their choice dark on their light faces.
  const CtrlRgb choiceDark = {20, 20, 20}, choiceLight = {250, 250, 215};
  selectorSetDefaultColors(nullptr, nullptr, nullptr, &choiceDark);
  // Sections with their children, each hidden until an envelope is selected.
  holder(win, envItemSections, 242, 8, 0);
  holder(win, envItemSectionsInner, 242 + 64, 8, 0);
  pictureAddChild(win, envItemSections, envItemSectionsInner);
  ctrlShow(win, envItemSections, 0);

  push(win, envItemControlSource, 302, 53, envPicControlSource, "mod wheel (cc1)", envPageOnSourceButton);
  ctrlShow(win, envItemControlSource, 0);
  toggle(win, envItemSync, 191, 30, envPicSyncSwitch, "", envPageOnSync);
  selectorCreate(win, envItemMode, 298, 29, 86, 0, selectorOneBitmap, envPicSettingPopup, "Mode", 1, envModeOnChoose);
  selectorSetLabel(win, envItemMode, "Sustain");
  selectorSetOpeningCallback(win, envItemMode, envModeMenuFill);
  toggle(win, envItemEnable, 146, 27, envPicEnableSwitch, "", envPageOnEnable);

  // Link section.
  holder(win, envItemLinkSection, 234, 63, envPicLinkSection);
  selectorCreate(win, envItemLinkSource, 298, 46, 114, 0, selectorOneBitmap, envPicLinkPopup, "Source", 1,
                 envLinkOnChoose);
  box(win, envItemLinkTime, 298, 68, 50, 2, 100, 0.01, 1600, nullptr, envPageOnTimePercent, "Time %");
  box(win, envItemLinkAmp, 298, 84, 50, 2, 100, 0, 1600, nullptr, envPageOnAmpPercent, "Amp %");
  box(win, envItemLinkOffset, 298, 100, 50, 2, 0, -100, 200, nullptr, envPageOnAmpOffset, "Amp Offset");
  box(win, envItemLinkSlope, 298, 116, 50, 2, 100, 0.01, 1600, nullptr, envPageOnSlopePercent, "Slope %");
  children(win, envItemLinkSection,
           {envItemLinkSource, envItemLinkTime, envItemLinkAmp, envItemLinkOffset, envItemLinkSlope});
  ctrlShow(win, envItemLinkSection, 0);

  // LFO section: its switch, then envItemLfoHolder with envItemLfoSection and the wave, phase and S/H controls.
  toggle(win, envItemLfoSwitch, 398, 5, envPicLfoSwitch, "", envPageOnLfoSwitch);
  holder(win, envItemLfoHolder, 422, 0, 0);
  holder(win, envItemLfoSection, 422, 0, 0);
  selectorCreate(win, envItemLfoWave, 473, 21, 86, 0, selectorOneBitmap, envPicSettingPopup, "Wave", 1,
                 envPageOnLfoWave);
  waveMenusSetup(win, envItemLfoWave, true);
  box(win, envItemLfoPhase, 473, 39, 36, 3, 0.0, 0.0, 1.0, stepHundredth, envPageOnLfoPhase, "Phase");
  toggle(win, envItemLfoSampleHold, 520, 38, envPicLfoSampleHold, "S/H", envPageOnLfoFlag);
  children(win, envItemLfoSection, {envItemLfoWave, envItemLfoPhase, envItemLfoSampleHold});
  pictureAddChild(win, envItemLfoHolder, envItemLfoSection);
  ctrlShow(win, envItemLfoHolder, 0);

  // Controller-scaling section: its switch, then envItemCcHolder with envItemCcSection.
  toggle(win, envItemCcSwitch, 569, 5, envPicCcSwitch, "", envPageOnCcSwitch);
  holder(win, envItemCcHolder, 569, 46, 0);
  holder(win, envItemCcSection, 569, 46, envPicCcSection);
  pictureAddChild(win, envItemCcHolder, envItemCcSection);
  ctrlShow(win, envItemCcHolder, 0);

  // Breakpoint fields.
  holder(win, envItemBpSection, 238, 50, envPicBpSection);
  toggle(win, envItemTimeForm, 242, 56, envPicFormButton2, "BP Time", envPageOnTimeDisplay);
  box(win, envItemBpSegTime, 292, 56, 56, 4, 0, timeBoxMin, timeBoxMax, envTimeStep, envBpOnTime, "");
  box(win, envItemBpAbsTime, 292, 56, 56, 4, 0, timeBoxMin, timeBoxMax, envTimeStep, envBpOnTime, "");
  toggle(win, envItemLevelForm, 242, 74, envPicFormButton2, "oscil amp", envPageOnLevelDisplay);
  box(win, envItemBpLevelPercent, 292, 74, 56, 1, 0, 0, 100, stepTenth, envBpOnLevelPercent, "");
  box(win, envItemBpLevelUnits, 292, 74, 56, 3, 0, 0, 1, numboxStepDefault, envBpOnLevelUnits, "");
  toggle(win, envItemStep, 242, 92, envPicFormButton2, "Slope", envBpOnStepButton);
  box(win, envItemBpSlope, 292, 92, 56, 3, 0.5, 0.001, 100, stepHundredth, envBpOnSlope, "");
  children(win, envItemBpSection,
           {envItemTimeForm, envItemBpSegTime, envItemBpAbsTime, envItemLevelForm, envItemBpLevelPercent,
            envItemBpLevelUnits, envItemStep, envItemBpSlope});
  ctrlShow(win, envItemBpSection, 0);
  ctrlShow(win, envItemBpAbsTime, 0);
  ctrlShow(win, envItemBpLevelPercent, 0);

  holder(win, envItemLfoBpFields, 398, 58, envPicLfoBpFields);
  box(win, envItemBpDepth, 460, 62, 50, 1, 0, 0, 100, stepTenth, envBpOnDepth, "Depth");
  box(win, envItemBpLfoSeconds, 460, 78, 50, 3, 1.0, 0.01, 999.999, stepExpTime, envBpOnLfoSec, "");
  numboxSetUnit(win, envItemBpLfoSeconds, "Sec");
  box(win, envItemBpShSeconds, 460, 94, 50, 3, 1.0, 0.01, 999.999, stepExpTime, envBpOnShSec, "S/H Sec");
  children(win, envItemLfoBpFields, {envItemBpDepth, envItemBpLfoSeconds, envItemBpShSeconds});
  ctrlShow(win, envItemLfoBpFields, 0);

  holder(win, envItemCcBpFields, 569, 46, envPicCcBpFields);
  displayCreate(win, envItemTimeCcLabel, 575, 52, 48, "Time CC", 0, 0, 0, nullptr, nullptr);
  push(win, envItemBpTimeCc, 626, 52, envPicCcButton, "mod weasle (cc1)", envBpOnTimeCcButton);
  displayCreate(win, envItemAmpCcLabel, 575, 70, 48, "Amp CC", 0, 0, 0, nullptr, nullptr);
  push(win, envItemBpAmpCc, 626, 70, envPicCcButton, "boot pod (cc4)", envBpOnAmpCcButton);
  box(win, envItemBpAmpScale, 660, 88, 44, 1, 0, -100, 100, stepTenth, envBpOnAmpScale, "Amp Scale");
  box(win, envItemBpTimeScale, 660, 104, 44, 1, 0, -100, 100, stepTenth, envBpOnTimeScale, "Time Scale");
  children(
      win, envItemCcBpFields,
      {envItemTimeCcLabel, envItemBpTimeCc, envItemAmpCcLabel, envItemBpAmpCc, envItemBpAmpScale, envItemBpTimeScale});
  ctrlShow(win, envItemCcBpFields, 0);

  // Menu, free time, grid and beats.
  selectorCreate(win, envItemMenu, 149, 75, 79, 0, selectorOneBitmap, envPicMenu, "", 1, envMenuOnChoose);
  selectorSetLabel(win, envItemMenu, "Envelope");
  selectorSetOpeningCallback(win, envItemMenu, envMenuFill);
  toggle(win, envItemFreeTime, 149, 94, envPicFreeTime, "", envPageOnMoveFollowing);
  // envItemFreeTime starts released: a breakpoint drag keeps the following breakpoint's time.
  envViewSetFreeTime(win, 1);
  toggle(win, envItemGrid, 146, 110, envPicGridSwitch, "", envPageOnGridSwitch);
  selectorCreate(win, envItemGridStep, 191, 113, 37, 0, selectorOneBitmap, envPicGridPopup, "", 1, envGridOnChoose);
  selectorSetLabel(win, envItemGridStep, "1/8");
  selectorSetOpeningCallback(win, envItemGridStep, envGridMenuFill);
  ctrlShow(win, envItemGridStep, 0);
  box(win, envItemBeats, 40, 113, 62, 4, 8.0, 0.0125, 128, stepQuarter, envPageOnBeats, "");
  numboxSetUnit(win, envItemBeats, "Beat");

  selectorSetDefaultColors(nullptr, nullptr, nullptr, &choiceLight);
  envRulerAddItem(win, envItemRuler, 164, 140);
  envRowStripAddItem(win, envItemRowStrip, 149, 157);
}

// ---- Mode

void envModeMenuFill(ControlItem* item, std::int32_t opening) {
  if (!item || !opening) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  menuClear(win, envItemMode);
  char name[16];
  for (std::int16_t m = 1; m <= modeEntryLink; ++m) {
    envModeName(m, name);
    menuAppendItem(win, envItemMode, m, 1, name, 0);
  }
  // A text item takes its state after it is in the menu.
  menuEnableItem(win, envItemMode, modeEntryLink, c.slot > lastChannelSlot ? 1 : 0);
}

void envPageApplyMode(WinId win, std::int16_t mode, bool linked) {
  envPageShowMode(win, mode, linked);
  if (!linked) return;
  envGraphClearBpSelection(win);
  ctrlShow(win, envItemLinkSection, 1);
  ctrlShow(win, envItemBpSection, 0);
  ctrlShow(win, envItemControlSource, 0);
  ctrlShow(win, envItemMode, 1);
}

void envModeOnChoose(ControlItem* item, std::int16_t, std::int16_t entry) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok || c.v->selectedItem < envItemGraphFirst) return;
  selectorSelect(win, envItemMode, entry);
  switch (envFieldChooseMode(c.e, c.slot, entry)) {
    case envModeRefusedLinkedTo:
      msgBox(0, kEnvMsgLinkRefused, 0);
      envPageShowMode(win, static_cast<std::int16_t>(envGetMode(c.e, c.slot)), envIsLinked(c.e, c.slot));
      return;
    case envModeDone: break;
    default: return;
  }
  if (entry == modeEntryLink) {
    envPageApplyMode(win, -1, true);
    envGraphRedrawAll(win);
    return;
  }
  envPageApplyMode(win, entry, false);
  envPageRefreshFields(win);
  envPageSetSyncButton(win, envGetSyncFlag(c.e, c.slot) || entry == envModeRetrigger);
  envPageSyncAndRedraw(win);
  envGraphRedrawAll(win);
}

// ---- Switches

void envPageSetSyncButton(WinId win, bool state) {
  if (envPageBegin(win) && ctrlFind(win, envItemSync)) recButtonSetPressed(win, envItemSync, state ? 1 : 0);
}

void envPageOnSync(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  if (!envFieldSyncAllowed(c.e, c.slot, inputIsButtonDown() != 0)) {
    envPageSetSyncButton(win, true);
    msgBox(msgBoxIconInformation, kEnvMsgRetriggerSync, 0);
    return;
  }
  envSetSyncFlag(c.e, c.slot, on);
  envPageSetSyncButton(win, on != 0);
  envPageSyncAndRedraw(win);
}

void envPageOnEnable(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  envSetBypass(c.e, c.slot, on);
  envPageShowSections(win, true);
  envPageRefreshFields(win);
}

void envPageOnLfoSwitch(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  envSetLfoOn(c.e, c.slot, on);
  envPageShowLfoSection(win, on != 0);
  envPageSyncAndRedraw(win);
}

void envPageOnCcSwitch(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  envSetCcScaleOn(c.e, c.slot, on);
  envPageShowCcSection(win, on != 0);
  envPageSyncAndRedraw(win);
}

void envPageOnLfoFlag(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (!item) return;
  EnvPageContext c = envPageContext(ctrlItemWin(item));
  if (!c.ok) return;
  envSetLfoFlag(c.e, c.slot, on);
  envPageSyncAndRedraw(ctrlItemWin(item));
}

void envPageOnLfoPhase(ControlItem* item, double value) {
  if (!item) return;
  EnvPageContext c = envPageContext(ctrlItemWin(item));
  if (!c.ok || !std::isfinite(value)) return;
  envSetLfoPhase(c.e, c.slot, static_cast<float>(value));
  envPageSyncAndRedraw(ctrlItemWin(item));
}

void envPageOnLfoWave(ControlItem* item, std::int16_t menu, std::int16_t entry) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  std::int16_t wave = 0;
  bool made = false;
  if (!waveChoiceFromMenu(c.e, menu, entry, &wave, &made)) return;
  envSetLfoWave(c.e, c.slot, wave);
  envPageBegin(win);
  envPageSetWaveLabel(win, envItemLfoWave, wave);
  if (made) waveChoiceShow(win, envItemLfoWave, wave, made);
  envPageSyncAndRedraw(win);
}

// ---- Controller sources

void envPageOnSourceButton(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  c.v->sourceButtonId = envItemControlSource;
  midiSourcePopupOpen(win, envPageOnMidiSource, envGetControlSource(c.e, c.slot), 1);
}

void envPageOnMidiSource(WinId window, std::int16_t source) {
  const WinId win = window;
  EnvPageContext c = envPageContext(win);
  if (!c.ok) return;
  const std::uint16_t button = c.v->sourceButtonId;
  if (button != envItemControlSource && c.v->bpSelFirst < -1) return;
  char name[midiSourceNameBytes];
  midiSourceName(source, name);
  if (ctrlFind(win, button)) buttonSetText(win, button, name);
  const std::int16_t first = c.v->bpSelFirst, last = c.v->bpSelLast;
  switch (button) {
    case envItemBpTimeCc: envFieldSetEach(c.e, c.slot, first, last, envBpTimeCc, source); break;
    case envItemBpAmpCc: envFieldSetEach(c.e, c.slot, first, last, envBpAmpCc, source); break;
    case envItemControlSource:
      envSetControlSource(c.e, c.slot, source);
      envCompileIfControl(c.e, c.slot);
      break;
    default: return;
  }
  mainPageMarkChanged(window);
}

// ---- Link

std::int16_t envRowSlot(WinId win, std::int16_t r) {
  EnvelopeView* v = envViewOf(win);
  return v && r >= 1 && r <= envRowCount ? v->rowSlots[r - 1] : -1;
}

void envLinkOnChoose(ControlItem* item, std::int16_t, std::int16_t r) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.ok || r < 1 || r > envRowCount) return;
  const std::int16_t master = envRowSlot(win, r);
  if (master < 0) return;
  envSlotWaitAudio(c.e, static_cast<std::uint16_t>(c.slot));
  envSetLinkMaster(c.e, c.slot, master);
  envSlotMarkPending(c.e, c.slot);
  selectorSelect(win, envItemLinkSource, r);
  envGraphRedrawLinked(win);
}

namespace {

void setPercent(ControlItem* item, double value, void (*set)(Engine*, std::int16_t, float)) {
  if (!item) return;
  EnvPageContext c = envPageContext(ctrlItemWin(item));
  if (!c.ok || !std::isfinite(value)) return;
  set(c.e, c.slot, static_cast<float>(value * 0.01));
  envPageSyncAndRedraw(ctrlItemWin(item));
}

}  // namespace

void envPageOnTimePercent(ControlItem* item, double value) { setPercent(item, value, envSetTimePercent); }
void envPageOnAmpPercent(ControlItem* item, double value) { setPercent(item, value, envSetAmpPercent); }
void envPageOnAmpOffset(ControlItem* item, double value) { setPercent(item, value, envSetAmpOffset); }
void envPageOnSlopePercent(ControlItem* item, double value) { setPercent(item, value, envSetSlopePercent); }

// ---- Beats, free time, grid

void envPageOnBeats(ControlItem* item, double value) {
  if (!item) return;
  Engine* e = envEngineOf(ctrlItemWin(item));
  if (!e) return;
  envFieldSetBeats(e, value);
  envGraphRedrawAll(ctrlItemWin(item));
  envRulerRedraw(ctrlItemWin(item));
}

void envPageOnMoveFollowing(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (!item) return;
  envViewSetFreeTime(ctrlItemWin(item), on ? 0 : 1);
  envPageUpdateTimeRanges(ctrlItemWin(item));
}

void envPageOnGridSwitch(ControlItem* item, std::uint8_t on, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  if (!v || !envPageBegin(win)) return;
  v->gridOn = on ? 1 : 0;
  v->redrawPending = 1;
  envGraphRedrawAll(win);
  envRulerRedraw(win);
  ctrlShow(win, envItemGridStep, on ? 1 : 0);
}

void envGridMenuFill(ControlItem* item, std::int32_t opening) {
  if (!item || !opening) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  menuClear(win, envItemGridStep);
  menuAppendItem(win, envItemGridStep, gridEighth, 1, "1/8", 0);
  menuAppendItem(win, envItemGridStep, gridSixteenth, 1, "1/16", 0);
  menuAppendItem(win, envItemGridStep, gridThirtySecond, 1, "1/32", 0);
  if (v)
    menuCheckItem(win, envItemGridStep,
                  v->gridBeats == 0.25    ? gridSixteenth
                  : v->gridBeats == 0.125 ? gridThirtySecond
                                          : gridEighth,
                  1);
}

void envGridOnChoose(ControlItem* item, std::int16_t, std::int16_t entry) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  if (!v || entry < gridEighth || entry > gridThirtySecond) return;
  selectorSelect(win, envItemGridStep, entry);
  static const char* const labels[] = {"", "1/8", "1/16", "1/32"};
  selectorSetLabel(win, envItemGridStep, labels[entry]);
  v->gridBeats = entry == gridEighth ? 0.5 : entry == gridSixteenth ? 0.25 : 0.125;
  envGraphRedrawAll(win);
  envRulerRedraw(win);
}

// ---- Envelope menu

void envMenuFill(ControlItem* item, std::int32_t opening) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  if (!opening) {
    libRelease(libKindEnvelope);
    return;
  }
  EnvPageContext c = envPageContext(win);
  libScanFolder(libKindEnvelope);
  menuClear(win, envItemMenu);
  menuAppendItem(win, envItemMenu, menuScale, 1, "Scale...", 0);
  menuAppendItem(win, envItemMenu, menuDuration, 1, "Set Duration...", 0);
  menuAppendItem(win, envItemMenu, menuPulse, 1, "Generate AR Pulse...", 0);
  menuAppendItem(win, envItemMenu, menuRule1, 1, "-", 0);
  menuAppendItem(win, envItemMenu, menuLoad, 1, "Load from library", 0);
  menuAppendItem(win, envItemMenu, menuSave, 1, "Save to library", 0);
  menuAppendItem(win, envItemMenu, menuRule2, 1, "-", 0);
  menuAppendItem(win, envItemMenu, menuInit, c.ok ? 1 : 0, "Initialize Selected Envelope", 0);
  const bool deletable = c.ok && envSlot(c.e, c.slot)->destination != envDestOscAmp;
  menuAppendItem(win, envItemMenu, menuDelete, deletable ? 1 : 0, "Delete Selected Envelope", 0);
  const std::int16_t library = libGetKindHandle(libKindEnvelope);
  if (library > 0) menuAttachSubmenu(win, envItemMenu, menuLoad, library);
  menuEnableItem(win, envItemMenu, menuInit, c.ok ? 1 : 0);
  menuEnableItem(win, envItemMenu, menuDelete, deletable ? 1 : 0);
}

void envMenuOnChoose(ControlItem* item, std::int16_t menu, std::int16_t entry) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvPageContext c = envPageContext(win);
  if (!c.v || !c.e) return;
  if (menu != 0 && menu == libGetKindHandle(libKindEnvelope)) {
    if (!c.ok) return;
    envUndoSnapshot(win);
    envPageBegin(win);
    libDispatch(libKindEnvelope, entry, c.slot, c.e);
    envPageRefresh(win);
    return;
  }
  switch (entry) {
    case menuSave:
      if (c.ok) libSaveItem(winGetFrameworkWindow(win), "untitled", libKindEnvelope, c.slot, c.e);
      break;
    case menuScale:
    case menuDuration:
    case menuPulse: envToolsShowEntry(win, 1, entry); break;
    case menuInit: envInitSelected(win); break;
    case menuDelete: envDeleteAfterAsking(win); break;
    default: break;
  }
}
