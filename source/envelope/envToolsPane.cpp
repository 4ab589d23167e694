// The envelope tools pane (pane paneEnvTools of the main window): building it, opening and closing it, its
// boxes, list and buttons, and the recompute-and-commit that writes the tool's result into the
// engine's envelope slots.
#include "envelope/envTools.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "app/pageShell.h"
#include "controls/ctrlDraw.h"
#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/list.h"
#include "controls/numbox.h"
#include "controls/pane.h"
#include "controls/picture.h"
#include "controls/pictureButton.h"
#include "controls/scrollbar.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envToolsMath.h"
#include "envelope/envUndo.h"
#include "envelope/envView.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"
#include "preset/envelope.h"
#include "preset/undo.h"

namespace {

EnvToolsState g_state = [] {
  EnvToolsState s{};
  s.timeScale = s.ampScale = s.slopeScale = 1.0;
  s.durSeconds = 2.0;
  s.durBpm = 120.0;
  s.durBeats = 4.0;
  s.arBpm = 120.0;
  s.arBeatDuration = 0.5;
  s.arBeats = 8;
  s.arAttack = 0.01;
  s.arSlope = 0.5;
  for (auto& r : s.toolRowSlots) r = -1;
  return s;
}();

const CtrlRgb kWhite = {255, 255, 255}, kBlack = {0, 0, 0};
const int kBoxX = 218, kBoxWidth = 60;
const int kListRowHeight = 14;
enum { listedOwners = 4, listedKinds = 39 };

void selectPane(WinId win) {
  winSetCurrent(win);
  winSelectPane(win, paneEnvTools);
}

void box(WinId win, std::uint16_t id, int y, std::uint16_t decimals, double lo, double hi, ValueStepRule rule,
         NumboxChanged changed, const char* label) {
  numboxCreate(win, id, static_cast<std::int16_t>(kBoxX), static_cast<std::int16_t>(y),
               static_cast<std::int16_t>(kBoxWidth), 3, decimals, 0.0, lo, hi, rule, changed, label);
}

// A box shows a value clamped to its own range (a non-number shows the minimum); it is redrawn only
// while its window is on screen.
void show(WinId win, std::uint16_t id, double value) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  if (!std::isfinite(value) || value < d->minimum) value = d->minimum;
  if (value > d->maximum) value = d->maximum;
  d->value = value;
  if (numboxOnScreen(d)) numboxRedraw(d);
}

bool takesPart(WinId win, int slot) {
  if (g_state.snapshot[slot].destination <= envDestNone) return false;
  if (listCountFilled(win, envToolsList) < 1) return false;
  for (int r = 0; r < envSlotCount; ++r)
    if (g_state.toolRowSlots[r] == slot && listIsRowSelected(win, envToolsList, r)) return true;
  return false;
}

void fillList(WinId win, Engine* e, std::int16_t pageSlot) {
  for (auto& r : g_state.toolRowSlots) r = -1;
  int row = 0;
  for (int owner = 0; owner < listedOwners; ++owner)
    for (int kind = 1; kind <= listedKinds; ++kind)
      for (int s = 0; s < envSlotCount && row < envSlotCount; ++s) {
        const EnvelopeSlot* slot = envSlot(e, static_cast<std::int16_t>(s));
        if (slot->owner == owner && slot->destination == kind)
          g_state.toolRowSlots[row++] = static_cast<std::int16_t>(s);
      }
  listClear(win, envToolsList);
  for (int r = 0; r < row; ++r) {
    char name[envNameSize];
    envGetName(e, g_state.toolRowSlots[r], name, envDestNone, 0);
    listSetRowText(win, envToolsList, r, name);
  }
  for (int r = 0; r < row; ++r)
    if (g_state.toolRowSlots[r] == pageSlot) listSetRowSelected(win, envToolsList, r, 1);
}

// The live slot takes `from` whole except what the audio side owns (handshake word, play position).
void writeSlot(EnvelopeSlot* live, const EnvelopeSlot* from) {
  const std::int32_t word = envHandshakeLoad(live);
  const double position = live->displayPosition;
  const std::int16_t shown = live->displayIndex;
  *live = *from;
  live->handshake = word;
  live->displayPosition = position;
  live->displayIndex = shown;
}

// While the pane is open every commit rewrites the envelopes from the opening snapshot, so the page's
// own edits are held off: its controls are out of reach (the page tabs' lock) and Edit > Undo and
// Paste are greyed. Closing gives them back.
void holdPageEdits(WinId win, bool hold) {
  if (hold) {
    undoSetEnabled(0);
    clipEnablePaste(0);
    return;
  }
  const std::uint16_t kind = undoGetKind();
  undoSetEnabled(kind == undoKindEnvelope || kind == undoKindPatch ? 1 : 0);
  envGraphUpdatePasteEnable(win);
}

void redrawPage(WinId win) {
  envPageSelect(win);
  envGraphRedrawAll(win);
  selectPane(win);
}

// The engine when it still plays the sound the snapshot came from; null otherwise (nothing of the
// snapshot or of a result made from it may go into another sound).
Engine* snapshotSound(WinId win) {
  Engine* e = envEngineOf(win);
  return e && e->soundSerial == g_state.sound ? e : nullptr;
}

// Closing: the page tabs free again, the page drawn and scrolled as the pane left it; `kept` (OK)
// marks the sound edited, Cancel leaves its edited state as it was.
void close(WinId win, bool kept) {
  // What lay under the pane is drawn again once it is gone.
  CtrlRect under = {};
  selectPane(win);
  const bool known = ctrlGetRect(win, envToolsBackground, &under) != 0;
  winSelectPort(win, nullptr);
  mainWindowReleaseSound(win, kept);
  ctrlShow(win, paneEnvTools, 0);
  if (known) winInvalidateRect(win, &under);
  winSetOverlayPort(win, nullptr);
  g_state.open = 0;
  g_state.tool = 0;
  holdPageEdits(win, false);
  envPageSelect(win);
  envPageUpdateScrollSpan(win);
}

void cancelHeld(std::int16_t win) { envToolsCancelPane(win); }

}  // namespace

EnvToolsState* envToolsState() { return &g_state; }

const char* envToolsDescription(std::int32_t tool) {
  switch (tool) {
    case envToolScale: return "Scale time, amp and slope of selected envelopes.";
    case envToolDuration: return "Set duration of selected envelopes up to release point.";
    case envToolPulses: return "Generate a series of attack/release pulses.";
    default: return "";
  }
}

void envToolsPanelCreate(WinId window) {
  const WinId win = window;
  if (!winSlot(win)) return;
  pageSetDrawDefaults();
  displaySetDefaultColors(&kWhite, &kBlack);
  ctrlSetGroupMode(0, 1);
  pictureCreate(win, envToolsBackground, 0, 0, 0, 0, 0, envToolsPicBackground, nullptr);
  buttonPlace(win, envToolsOk, 222, 180, 0, envToolsPicOk, "", 1, 0, 1, envToolsButton);
  buttonPlace(win, envToolsCancel, 133, 182, 0, envToolsPicCancel, "", 1, 0, 1, envToolsButton);
  buttonPlace(win, envToolsFromPage, 33, 182, 0, envToolsPicFromPage, "", 1, 0, 1, envToolsTakePageSelection);
  displayCreate(win, envToolsText, 18, 7, 283, "put text here", 0, 0, 0, nullptr, nullptr);
  listCreate(win, envToolsList, 16, 25, 118, 143, kListRowHeight, envSlotCount, listMultiple, envToolsPicList,
             envToolsListChanged);
  scrollbarCreate(win, envToolsScroll, 16 + 118, 25, 143, 0, envToolsPicScroll, 0, nullptr, 0.0);
  listAttachScrollbar(win, envToolsList, envToolsScroll);

  pictureCreate(win, envToolsGroupScale, 0, 0, 0, 0, pictureOwnRect, 0, nullptr);
  box(win, envToolsTimeScale, 28, 4, 0.0, 100.0, stepTenth, envToolsScaleChanged, "Time scale");
  box(win, envToolsAmpScale, 48, 4, 0.0, 8.0, stepHundredth, envToolsScaleChanged, "Amp scale");
  box(win, envToolsAmpOffset, 68, 4, -1.0, 1.0, stepHundredth, envToolsScaleChanged, "Amp offset");
  box(win, envToolsSlopeScale, 88, 2, 0.0, 100.0, stepTenth, envToolsScaleChanged, "Slope scale");

  pictureCreate(win, envToolsGroupDuration, 0, 0, 0, 0, pictureOwnRect, 0, nullptr);
  box(win, envToolsSeconds, 28, 4, 0.001, 1000.0, stepTenth, envToolsDurationChanged, "Seconds");
  box(win, envToolsDurBpm, 48, 4, 20.0, 1000.0, nullptr, envToolsDurationChanged, "BPM");
  box(win, envToolsDurBeats, 68, 4, 0.03125, 16.0, stepHalf, envToolsDurationChanged, "Beats");

  pictureCreate(win, envToolsGroupPulses, 0, 0, 0, 0, pictureOwnRect, 0, nullptr);
  box(win, envToolsArBpm, 28, 4, 20.0, 1000.0, nullptr, envToolsPulsesChanged, "BPM");
  box(win, envToolsArBeatDuration, 48, 4, 0.03125, 16.0, stepHalf, envToolsPulsesChanged, "Beat duration");
  box(win, envToolsArBeats, 68, 0, 1.0, 32.0, nullptr, envToolsPulsesChanged, "# of beats");
  box(win, envToolsArAttack, 88, 4, 0.0, 1.0, stepTenth, envToolsPulsesChanged, "Attack time");
  box(win, envToolsArMinAmp, 108, 4, 0.0, 1.0, stepTenth, envToolsPulsesChanged, "Min amp");
  box(win, envToolsArSlope, 128, 4, 0.001, 100.0, stepTenth, envToolsPulsesChanged, "Slope");
  ctrlSetGroupMode(0, 0);
  pageSetDrawDefaults();
}

void envToolsShowEntry(WinId win, std::uint8_t show, std::int32_t tool) { envToolsShow(win, show, tool); }

void envToolsShow(WinId win, std::uint8_t showIt, std::int32_t tool) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !winSlot(win)) return;
  winSetCurrent(win);
  winSelectPort(win, nullptr);
  if (!ctrlFind(win, paneEnvTools)) return;
  if (!showIt) {
    close(win, true);
    return;
  }
  if (tool < envToolScale || tool > envToolPulses) return;
  const bool reopen = g_state.open != 0;
  winSelectPort(win, nullptr);
  mainWindowHoldSound(win, cancelHeld);
  ctrlShow(win, paneEnvTools, 1);
  paneSetSecondPort(win, paneEnvTools);
  if (!reopen) {
    envPageSelect(win);
    envUndoSnapshotAll(win);
    holdPageEdits(win, true);
  }
  paneActivate(win, paneEnvTools);
  selectPane(win);
  if (!reopen) {
    fillList(win, e, v->selectedSlot);
    for (std::int16_t i = 0; i < envSlotCount; ++i) g_state.snapshot[i] = g_state.result[i] = *envSlot(e, i);
    g_state.sound = e->soundSerial;
  }
  g_state.open = 1;
  g_state.tool = tool;
  displaySetText(win, envToolsText, envToolsDescription(tool));
  switch (tool) {
    case envToolScale: envToolsInitScale(win); break;
    case envToolDuration: envToolsInitDuration(win); break;
    default:
      g_state.arRebuild = 1;
      envToolsInitPulses(win);
      break;
  }
  selectPane(win);
  for (std::uint16_t g : {envToolsGroupScale, envToolsGroupDuration, envToolsGroupPulses}) ctrlShow(win, g, 0);
  ctrlShow(win, static_cast<std::uint16_t>(envToolsGroupScale + tool - 1), 1);
  listShow(win, envToolsList, 1);
  // The groups share one place: the whole pane is painted again, so nothing of a hidden group stays.
  CtrlRect area = {};
  if (ctrlGetRect(win, envToolsBackground, &area)) winInvalidateRect(win, &area);
}

void envToolsInitScale(WinId win) {
  g_state.timeScale = g_state.ampScale = g_state.slopeScale = 1.0;
  g_state.ampOffset = 0.0;
  selectPane(win);
  show(win, envToolsTimeScale, g_state.timeScale);
  show(win, envToolsAmpScale, g_state.ampScale);
  show(win, envToolsAmpOffset, g_state.ampOffset);
  show(win, envToolsSlopeScale, g_state.slopeScale);
  envToolsRecompute(win);
}

void envToolsInitDuration(WinId win) {
  selectPane(win);
  show(win, envToolsSeconds, g_state.durSeconds);
  show(win, envToolsDurBpm, g_state.durBpm);
  show(win, envToolsDurBeats, g_state.durBeats);
  envToolsRecompute(win);
}

void envToolsInitPulses(WinId win) {
  Engine* e = envEngineOf(win);
  if (!e) return;
  // The preset's tempo: 60 x beats / bar seconds.
  const double bar = e->header.length / 44100.0;
  const double bpm = 60.0 * e->header.beats / bar;
  if (std::isfinite(bpm) && bpm > 0.0) g_state.arBpm = bpm;
  selectPane(win);
  show(win, envToolsArBpm, g_state.arBpm);
  show(win, envToolsArBeatDuration, g_state.arBeatDuration);
  show(win, envToolsArBeats, g_state.arBeats);
  show(win, envToolsArAttack, g_state.arAttack);
  show(win, envToolsArMinAmp, g_state.arMinAmp);
  show(win, envToolsArSlope, g_state.arSlope);
  envToolsRecompute(win);
}

void envToolsRecompute(WinId win) {
  if (!envEngineOf(win) || !g_state.open) return;
  selectPane(win);
  const EnvToolScale scale = {g_state.timeScale, g_state.ampScale, g_state.ampOffset, g_state.slopeScale};
  const double target =
      envToolDurationTarget(g_state.durUseBeats != 0, g_state.durSeconds, g_state.durBpm, g_state.durBeats);
  const EnvToolPulses pulses = {g_state.arBpm,    g_state.arBeatDuration, g_state.arBeats,
                                g_state.arAttack, g_state.arMinAmp,       g_state.arSlope};
  for (int i = 0; i < envSlotCount; ++i) {
    EnvelopeSlot* out = &g_state.result[i];
    *out = g_state.snapshot[i];
    if (!takesPart(win, i)) continue;
    switch (g_state.tool) {
      case envToolScale: envToolScaleSlot(&g_state.snapshot[i], out, scale); break;
      case envToolDuration: envToolSetDuration(&g_state.snapshot[i], out, target); break;
      case envToolPulses: envToolPulsesSlot(out, pulses); break;
      default: break;
    }
  }
  envToolsCommit(win);
}

void envToolsCommit(WinId win) {
  Engine* e = snapshotSound(win);
  if (!e) return;
  // Only slots whose shape differs are written: the audio side keeps reading the others.
  bool differs[envSlotCount] = {};
  bool any = false;
  for (std::int16_t i = 0; i < envSlotCount; ++i) {
    const EnvelopeSlot* live = envSlot(e, i);
    const EnvelopeSlot& r = g_state.result[i];
    differs[i] = std::memcmp(live->breakpoints, r.breakpoints, sizeof live->breakpoints) != 0 ||
                 live->startLevel != r.startLevel || live->lastIndex != r.lastIndex ||
                 live->sustainIndex != r.sustainIndex || live->loopStart != r.loopStart;
    any = any || differs[i];
  }
  // The audio thread keeps off the slots while they are rewritten: all are taken in one handshake.
  const bool take = any || g_state.arRebuild != 0;
  if (take) envSlotSyncStates(e);
  for (std::int16_t i = 0; i < envSlotCount; ++i) {
    if (!differs[i]) continue;
    writeSlot(envSlot(e, i), &g_state.result[i]);
    envClampLoopPoints(e, i);
    envCompileIfControl(e, i);
  }
  if (take) envSlotMarkAllPending(e);
  g_state.arRebuild = 0;
  redrawPage(win);
}

void envToolsRestore(WinId win) {
  Engine* e = snapshotSound(win);
  if (!e) return;
  envSlotSyncStates(e);
  for (std::int16_t i = 0; i < envSlotCount; ++i) {
    writeSlot(envSlot(e, i), &g_state.snapshot[i]);
    envCompileIfControl(e, i);
  }
  envSlotMarkAllPending(e);
  redrawPage(win);
}

void envToolsScaleChanged(ControlItem* item, double value) {
  if (!item) return;
  switch (item->id) {
    case envToolsTimeScale: g_state.timeScale = value; break;
    case envToolsAmpScale: g_state.ampScale = value; break;
    case envToolsAmpOffset: g_state.ampOffset = value; break;
    case envToolsSlopeScale: g_state.slopeScale = value; break;
    default: return;
  }
  envToolsRecompute(ctrlItemWin(item));
}

void envToolsDurationChanged(ControlItem* item, double value) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  const std::uint16_t id = item->id;
  switch (id) {
    case envToolsSeconds:
      g_state.durUseBeats = 0;
      g_state.durSeconds = value;
      break;
    case envToolsDurBpm:
      g_state.durUseBeats = 1;
      g_state.durBpm = value;
      break;
    case envToolsDurBeats:
      g_state.durUseBeats = 1;
      g_state.durBeats = value;
      break;
    default: return;
  }
  envToolsRecompute(win);
  // The other representation follows; the fields keep what was typed.
  selectPane(win);
  if (id == envToolsSeconds) {
    g_state.durBpm = g_state.durBeats / g_state.durSeconds * 60.0;
    show(win, envToolsDurBpm, g_state.durBpm);
  } else {
    g_state.durSeconds = 60.0 / g_state.durBpm * g_state.durBeats;
    show(win, envToolsSeconds, g_state.durSeconds);
  }
}

void envToolsPulsesChanged(ControlItem* item, double value) {
  if (!item) return;
  switch (item->id) {
    case envToolsArBpm: g_state.arBpm = value; break;
    case envToolsArBeatDuration: g_state.arBeatDuration = value; break;
    case envToolsArBeats:
      g_state.arBeats = std::isfinite(value) ? static_cast<std::int32_t>(numClamp<double>(value, 1.0, 32.0)) : 1;
      g_state.arRebuild = 1;
      break;
    case envToolsArAttack: g_state.arAttack = value; break;
    case envToolsArMinAmp: g_state.arMinAmp = value; break;
    case envToolsArSlope: g_state.arSlope = value; break;
    default: return;
  }
  envToolsRecompute(ctrlItemWin(item));
}

void envToolsCancelPane(WinId win) {
  if (!g_state.open) return;
  envToolsRestore(win);
  close(win, false);
}

void envToolsButton(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  if (item->id == envToolsCancel)
    envToolsCancelPane(win);
  else
    envToolsShow(win, 0, 0);
}

void envToolsTakePageSelection(ControlItem* item, std::uint8_t, std::int16_t) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  bool picked[envSlotCount] = {};
  envPageSelect(win);
  for (int r = 0; r < envSlotCount; ++r)
    picked[r] = g_state.toolRowSlots[r] != -1 && envListIsSlotSelected(win, g_state.toolRowSlots[r]);
  selectPane(win);
  for (int r = 0; r < envSlotCount; ++r) listSetRowSelected(win, envToolsList, r, picked[r] ? 1 : 0);
  // Pulses change breakpoint counts of the envelopes that join or leave.
  if (g_state.tool == envToolPulses) g_state.arRebuild = 1;
  envToolsRecompute(win);
}

void envToolsListChanged(ControlItem* item) {
  if (!item) return;
  if (g_state.tool == envToolPulses) g_state.arRebuild = 1;
  envToolsRecompute(ctrlItemWin(item));
}
