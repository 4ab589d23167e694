// The add-envelope pane: the module list (only modules that are on), the parameter list of the
// chosen module, and Add, which makes the envelope and selects it on the Envelope page.
#include "envelope/envAdd.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "app/pageShell.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/list.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/scrollbar.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"
#include "modules/effectFrame.h"
#include "modules/filterParams.h"
#include "modules/modulator.h"
#include "modules/waveshaper.h"
#include "pages/pages.h"
#include "preset/envelope.h"
#include "preset/oscParams.h"
#include "preset/undo.h"
#include "uiSeams/msgBox.h"

const char* const kEnvMsgNoSlot = "Can't allocate any more envelopes, max limit reached.";

namespace {

EnvAddState g_add{};

const CtrlRgb kBlack = {0, 0, 0};
const int kRowHeight = 14;
enum { masterIndex = 3 };
enum {
  oscSingle = 0,
  oscDouble = 1,
  oscRingmod = 3,
  oscSample = 4,
  oscGranular = 5,
  oscFractalize = 6,
  oscAudioIn = 7
};

void selectPane(WinId win) {
  winSetCurrent(win);
  winSelectPane(win, paneEnvAdd);
}

int add(EnvDestKind* codes, int n, std::initializer_list<EnvDestKind> list) {
  for (EnvDestKind c : list)
    if (n < envAddParamRows) codes[n++] = c;
  return n;
}

// Filter types with a resonance, and the one with a bandwidth as well.
enum { filterTypeWithBandwidth = 9, filterTypeResonantLast = 18 };
bool filterHasResonance(std::int16_t type) {
  static const std::int16_t resonant[] = {2, 3, 5, 6};
  for (std::int16_t t : resonant)
    if (type == t) return true;
  return type >= filterTypeWithBandwidth && type <= filterTypeResonantLast;
}

int freeSlots(Engine* e) {
  int n = 0;
  for (std::int16_t i = 3; i < envSlotCount; ++i)
    if (!envSlot(e, i)->allocated) ++n;
  return n;
}

void updateAddButton(WinId win) {
  selectPane(win);
  const bool on = listFirstSelected(win, envAddTargets) >= 0 && listFirstSelected(win, envAddParams) >= 0;
  // Disabled is the button's undrawable look (the kit's setter looks in the window's own items).
  ControlItem* ok = ctrlFind(win, envAddOk);
  if (!ok || (ok->drawable != 0) == on) return;
  ok->drawable = on ? 1 : 0;
  buttonSetState(win, envAddOk, buttonGetState(win, envAddOk));  // takes the look of the new flag
  itemInvalidate(ok);
  ctrlRedraw(win, envAddOk);
}

// What lay under the pane is drawn again once it is gone: its background and whatever of its items
// (the scrollbars) reaches past it.
void repaintUnder(WinId win) {
  CtrlRect under = {};
  selectPane(win);
  bool known = ctrlGetRect(win, envAddBackground, &under) != 0;
  winSelectPort(win, nullptr);
  if (const ItemPort* port = panePort(ctrlFind(win, paneEnvAdd))) {
    const CtrlRect& b = port->bounds;
    if (!known) under = {b.left, b.top, b.right + 1, b.bottom + 1};
    if (b.left < under.left) under.left = b.left;
    if (b.top < under.top) under.top = b.top;
    if (b.right + 1 > under.right) under.right = b.right + 1;
    if (b.bottom + 1 > under.bottom) under.bottom = b.bottom + 1;
    known = true;
  }
  if (known) winInvalidateRect(win, &under);
}

// `kept` (Add) marks the sound edited; Cancel leaves its edited state as it was.
void close(WinId win, bool kept) {
  repaintUnder(win);
  mainWindowReleaseSound(win, kept);
  ctrlShow(win, paneEnvAdd, 0);
  winSetOverlayPort(win, nullptr);
  envPageSelect(win);
}

void cancelHeld(std::int16_t win) {
  winSelectPort(win, nullptr);
  if (ctrlIsShown(win, paneEnvAdd)) close(win, false);
}

}  // namespace

EnvAddState* envAddState() { return &g_add; }

int envAddListTargets(Engine* e, EnvAddTarget* rows, char (*texts)[32]) {
  if (!e || !rows) return 0;
  int n = 0;
  auto put = [&](std::int32_t kind, std::int32_t index, const char* text) {
    if (n >= envAddTargetRows) return;
    rows[n] = {kind, index};
    if (texts) std::snprintf(texts[n], sizeof texts[n], "%s", text);
    ++n;
  };
  char text[32];
  const bool channels = engineGetVoiceBufferCount(e, masterIndex) > 1;
  for (std::int16_t c = 0; c < 3; ++c) {
    if (!oscIsOn(e, c)) continue;
    std::snprintf(text, sizeof text, "oscil %d", c + 1);
    put(envAddOscil, c, text);
    if (filterIsOn(e, c)) {
      std::snprintf(text, sizeof text, "filter %d", c + 1);
      put(envAddFilter, c, text);
    }
    if (modulatorIsOn(e, c)) {
      std::snprintf(text, sizeof text, "mod %d", c + 1);
      put(envAddMod, c, text);
    }
    if (channels) {
      std::snprintf(text, sizeof text, "channel %d", c + 1);
      put(envAddChannel, c, text);
    }
  }
  if (waveshaperIsOn(e)) put(envAddWaveshape, masterIndex, "waveshape");
  if (filterIsOn(e, masterIndex)) put(envAddFilter, masterIndex, "master filter");
  if (effectIsOn(e)) put(envAddEffect, masterIndex, "effect");
  return n;
}

int envAddListParams(Engine* e, std::int32_t kind, std::int32_t index, EnvDestKind* codes) {
  if (!e || !codes) return 0;
  int n = 0;
  const std::int16_t i = static_cast<std::int16_t>(index);
  switch (kind) {
    case envAddOscil:
      if (index < 0 || index > 2) return 0;
      switch (oscGetType(e, i)) {
        case oscSingle:
          n = add(codes, n, {envDestOscPitch, envDestOscPhase, envDestOscVol, envDestUniTrans, envDestUniRandTrans});
          break;
        case oscSample:
          n = add(codes, n, {envDestOscPitch, envDestSampleJump, envDestUniTrans, envDestUniRandTrans});
          break;
        case oscGranular:
          n = add(codes, n,
                  {envDestOscPitch, envDestSampleStart, envDestGrainTime, envDestGrainRandFreq, envDestGrainRandTime,
                   envDestGrainRandAmp, envDestGrainSize, envDestUniTrans, envDestUniRandTrans});
          break;
        case oscFractalize:
          n = add(
              codes, n,
              {envDestFractDisplacement, envDestFractDetune, envDestFractAmount, envDestUniTrans, envDestUniRandTrans});
          break;
        case oscAudioIn: n = add(codes, n, {envDestUniTrans, envDestUniRandTrans}); break;
        default:  // Double, FM, Ringmod
          n = add(codes, n,
                  {envDestOscPitch, envDestOscPhase, envDestOscVol, envDestOscModPitch, envDestOscIndexBal,
                   envDestUniTrans, envDestUniRandTrans});
          break;
      }
      break;
    case envAddFilter:
    case envAddMasterFilter: {
      const std::int16_t f = kind == envAddMasterFilter ? static_cast<std::int16_t>(masterIndex) : i;
      if (f < 0 || f > masterIndex) return 0;
      const std::int16_t type = filterGetType(e, f);
      n = add(codes, n, {envDestFilterFreq});
      if (filterHasResonance(type)) n = add(codes, n, {envDestFilterRes});
      if (type == filterTypeWithBandwidth) n = add(codes, n, {envDestFilterBw});
      break;
    }
    case envAddMod: n = add(codes, n, {envDestModPitch, envDestModBalance}); break;
    case envAddWaveshape: n = add(codes, n, {envDestShapePhase, envDestShapeInGain, envDestShapeOutGain}); break;
    case envAddEffect:
      n = add(codes, n,
              {envDestEffectWet, envDestEffectDry, envDestEffectTime, envDestEffectFeedback, envDestEffectFilter});
      break;
    case envAddChannel: n = add(codes, n, {envDestPanLr, envDestPanFb, envDestSurroundPan}); break;
    default: break;
  }
  return n;
}

void envAddWindowCreate(WinId window) {
  const WinId win = window;
  if (!winSlot(win)) return;
  pageSetDrawDefaults();
  pictureCreate(win, envAddBackground, 0, 0, 300, 250, 0, envAddPicBackground, nullptr);
  ctrlSetGlobalState(&kBlack);
  buttonPlace(win, envAddOk, 168, 180, 0, envAddPicOk, "", 1, 0, 1, envAddButton);
  buttonPlace(win, envAddCancelButton, 79, 182, 0, envAddPicCancel, "", 1, 0, 1, envAddCancel);
  pageSetDrawDefaults();
  listCreate(win, envAddTargets, 14, 23, 118, 153, kRowHeight, envAddTargetRows, 0, envAddPicList, envAddTargetChanged);
  listCreate(win, envAddParams, 171, 23, 118, 153, kRowHeight, envAddTargetRows, 0, envAddPicList, envAddParamChanged);
  scrollbarCreate(win, envAddTargetScroll, 14 + 118, 23, 153, 0, envAddPicScroll, 0, nullptr, 0.0);
  listAttachScrollbar(win, envAddTargets, envAddTargetScroll);
  ctrlMoveBy(win, envAddTargetScroll, 1, 1);
  scrollbarCreate(win, envAddParamScroll, 171 + 118, 23, 153, 0, envAddPicScroll, 0, nullptr, 0.0);
  listAttachScrollbar(win, envAddParams, envAddParamScroll);
  ctrlMoveBy(win, envAddParamScroll, 1, 1);
}

void envAddPaneShow(WinId win) {
  Engine* e = envEngineOf(win);
  if (!envViewOf(win) || !e || !winSlot(win)) return;
  winSetCurrent(win);
  winSelectPort(win, nullptr);
  if (!ctrlFind(win, paneEnvAdd)) return;
  mainWindowHoldSound(win, cancelHeld);
  g_add.sound = e->soundSerial;
  paneSetSecondPort(win, paneEnvAdd);
  ctrlShow(win, paneEnvAdd, 1);
  paneSetSecondPort(win, paneEnvAdd);
  paneActivate(win, paneEnvAdd);
  envAddFillTargets(win, e);
  envAddFillParams(win, e);
  updateAddButton(win);
}

void envAddFillTargets(WinId win, Engine* e) {
  selectPane(win);
  listClear(win, envAddTargets);
  char texts[envAddTargetRows][32];
  const int n = envAddListTargets(e, g_add.targetRows, texts);
  for (int r = 0; r < n; ++r) listSetRowText(win, envAddTargets, r, texts[r]);
  if (g_add.lastTargetRow >= 0 && g_add.lastTargetRow < n)
    listSetRowSelected(win, envAddTargets, g_add.lastTargetRow, 1);
  if (n > 0 && listFirstSelected(win, envAddTargets) < 0) listSetRowSelected(win, envAddTargets, 0, 1);
}

void envAddFillParams(WinId win, Engine* e) {
  selectPane(win);
  const std::int32_t row = listFirstSelected(win, envAddTargets);
  if (row >= 0) g_add.lastTargetRow = static_cast<std::int16_t>(row);
  listClear(win, envAddParams);
  std::memset(g_add.paramDests, 0, sizeof g_add.paramDests);
  if (row < 0 || row >= envAddTargetRows) return;
  const EnvAddTarget t = g_add.targetRows[row];
  const int n = envAddListParams(e, t.kind, t.index, g_add.paramDests);
  const std::int16_t owner = static_cast<std::int16_t>(t.kind == envAddMasterFilter ? masterIndex : t.index);
  for (int r = 0; r < n; ++r) {
    char name[envNameSize];
    envGetName(e, -1, name, g_add.paramDests[r], owner);
    listSetRowText(win, envAddParams, r, name);
  }
  if (n > 0) listSetRowSelected(win, envAddParams, 0, 1);
}

void envAddTargetChanged(ControlItem* item) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  Engine* e = envEngineOf(win);
  if (!e) return;
  envAddFillParams(win, e);
  updateAddButton(win);
}

void envAddParamChanged(ControlItem* item) {
  if (item) updateAddButton(ctrlItemWin(item));
}

void envAddButton(ControlItem* item, std::uint8_t, std::int16_t) {
  if (item) envAddCommit(ctrlItemWin(item));
}

void envAddCancel(ControlItem* item, std::uint8_t, std::int16_t) {
  if (item) close(ctrlItemWin(item), false);
}

void envAddCommit(WinId win) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e) return;
  if (e->soundSerial != g_add.sound) {
    close(win, false);  // the lists describe a sound that no longer plays: nothing is added
    return;
  }
  selectPane(win);
  const std::int32_t targetRow = listFirstSelected(win, envAddTargets);
  const std::int32_t paramRow = listFirstSelected(win, envAddParams);
  if (targetRow < 0 || targetRow >= envAddTargetRows || paramRow < 0 || paramRow >= envAddParamRows) return;
  const EnvAddTarget t = g_add.targetRows[targetRow];
  g_add.lastTargetRow = static_cast<std::int16_t>(targetRow);
  const std::int16_t owner = static_cast<std::int16_t>(t.kind == envAddMasterFilter ? masterIndex : t.index);
  const EnvDestKind dest = g_add.paramDests[paramRow];
  if (dest == envDestNone) return;

  // A surround pan needs two slots; with one free it is refused whole rather than made half.
  std::int16_t slot = -1;
  if (dest != envDestSurroundPan || freeSlots(e) >= 2) slot = envCreate(e, owner, dest);
  if (slot < 0) {
    msgBox(msgBoxOk, kEnvMsgNoSlot, 0);
  } else if (v->gridOn && envDestIsPitch(dest)) {
    envAddFillSteps(win, e, slot);
  }
  envPageSetAddedSlot(win, slot);
  envPageSelect(win);
  envListKeepSelection(win);
  envPageMarkChanged(win);
  undoSetKind(undoKindNone);
  close(win, true);
  envPageUpdateEntry(win);
  // The refresh scrolls the rows, which drops what was waiting to be painted above them.
  repaintUnder(win);
  envPageSelect(win);
}

void envAddFillSteps(WinId win, Engine* e, std::int16_t index) {
  EnvelopeView* v = envViewOf(win);
  EnvelopeSlot* s = envSlot(e, index);
  if (!v || !s) return;
  double grid = v->gridBeats;
  if (!(grid >= 0.0625 && grid <= 4.0)) grid = 0.25;
  // The page's grid step: samples at 44,100 per second whatever the device rate. A header length
  // that gives no usable step falls back to the default bar of 88,200 samples.
  double step = envGridStepSamples(e, win);
  if (!(step >= 1.0 && step <= 44100.0 * 3600.0) || grid != v->gridBeats) step = 88200.0 * 0.25 * grid;
  int n = static_cast<int>(4.0 / grid + 1.0);
  n = numClamp(n, 3, envBreakpointCount);
  envSlotWaitAudio(e, static_cast<std::uint16_t>(index));
  for (int k = 0; k < n; ++k) {
    Breakpoint& b = s->breakpoints[k];
    b.time = step;
    b.level = 0.5f;
    b.step = 1;
  }
  s->startLevel = 0.5f;
  s->sustainIndex = s->releaseIndex = static_cast<std::int16_t>(n - 2);
  s->lastIndex = static_cast<std::int16_t>(n - 1);
  s->loopStart = 0;
  s->mode = envModeRetrigger;
  envSlotMarkPending(e, index);
}

void envAddOnPageButton(ControlItem* item, std::uint8_t, std::int16_t) {
  if (item) envAddPaneShow(ctrlItemWin(item));
}
