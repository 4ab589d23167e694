// Breakpoint, marker and band drags of a graph row.
#include "envelope/envDragItem.h"

#include <windows.h>

#include <cmath>

#include "controls/ctrlItems.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/offscreen.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "envelope/envDrag.h"
#include "envelope/envFields.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envUndo.h"
#include "envelope/envView.h"
#include "preset/envDestKinds.h"
#include "preset/envelope.h"
#include "uiSeams/msgBox.h"

const char* const kEnvMsgLinkedMarker =
    "A linked envelope cannot be edited directly. Please edit its master envelope instead.";

namespace {

const double samplesPerSecond = 44100.0;

// The kit clears its captured flag when the button comes up, so each drag keeps its own word of
// whether a press of it is under way and ends that press on the first event with the button up.
struct PointDrag {
  bool active = false;
  EnvPointDrag d;
  std::int16_t slot = -1;
  CtrlPoint press = {0, 0};
};
PointDrag g_point;
double g_levelStep = 0.0;  // set once, at the first breakpoint drag of the run

struct MarkerDrag {
  bool active = false;
  bool sustain = true;
  std::int16_t candidate = -2;
  CtrlPoint last = {0, 0};
};
MarkerDrag g_marker;

struct Band {
  OffscreenHighlight buffer{};
  bool made = false;
  std::int16_t item = 0;
  std::int32_t pressX = 0;
  bool moved = false;            // the band grew past its press column
  CtrlRect area = {0, 0, 0, 0};  // the pressed row's rectangle inside the graph area
};
Band g_band;

void boxShow(WinId win, std::uint16_t id, double value) {
  NumboxData* d = numboxFind(win, id);
  if (!d) return;
  if (!std::isfinite(value)) value = d->minimum;
  numboxSetValue(win, id, static_cast<float>(value));
}

void redrawWithLinked(ControlItem* item) {
  const WinId win = ctrlItemWin(item);
  Engine* e = envEngineOf(win);
  envGraphDraw(item);
  const std::int16_t sel = envGraphSelectedSlotIndex(win);
  if (!e || sel < 0) return;
  for (std::int16_t s = 0; s < envSlotCount; ++s) {
    if (!envIsLinked(e, s) || envGetLinkMasterSlot(e, s) != sel) continue;
    for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id) {
      ControlItem* it = envGraphItem(win, id);
      if (it && it != item && envGraphSlotOfItem(it) == s) envGraphDraw(it);
    }
  }
}

void redrawRows(WinId win) {
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id)
    if (ControlItem* it = envGraphItem(win, id)) envGraphDraw(it);
}

}  // namespace

void envGraphSetPressX(WinId win, std::int16_t x) {
  if (EnvelopeView* v = envViewOf(win)) v->pressX = x;
}

void envGraphSetBpTimeSnapped(WinId win, Engine* engine, std::int16_t envIndex, std::int16_t bp, double samples,
                              std::uint8_t noSnap) {
  EnvelopeView* v = envViewOf(win);
  const bool snap = v && v->gridOn && !inputIsAlt() && !noSnap;
  envSetBpTimeSnap(engine, envIndex, bp, samples, snap, v ? v->gridBeats : 0.5);
}

void envGraphSetSelectedLevels(WinId win, Engine* engine, std::int16_t envIndex, const EnvelopeSlot* ref, double level,
                               double old) {
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  envSetSelectedLevelsCore(engine, envIndex, v->bpSelFirst, v->bpSelLast, ref, level, old);
}

void envGraphSyncLinkPartner(WinId win, Engine* engine, std::int16_t envIndex) {
  const std::int16_t p = envSyncPartnerCore(engine, envIndex);
  if (p < 0) return;
  for (std::uint16_t id = envItemGraphFirst; id <= envItemGraphEnd; ++id) {
    ControlItem* it = envGraphItem(win, id);
    if (it && envGraphSlotOfItem(it) == p) envGraphDraw(it);
  }
}

void envGraphDragPoint(ControlItem* item, std::int16_t envIndex, std::int16_t bp) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  if (!inputIsButtonDown() && !g_point.active) return;
  if (inputIsButtonDown() && (!g_point.active || !inputIsCaptured())) {
    std::int16_t slot = envIndex;
    EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
    if (r && r->partnerActive && r->partner) {
      const std::int16_t partner = envFindPartner(e, r->slotIndex);
      if (partner > 0) slot = partner;
    }
    v->redrawPending = 0;
    if (g_levelStep == 0.0) g_levelStep = 1.0 / (v->itemHeight > 0 ? v->itemHeight : envRowDefaultHeight);
    g_point.slot = slot;
    g_point.press = p;
    envPointDragBegin(e, slot, bp < 0 ? -1 : v->bpSelFirst, bp < 0 ? -1 : v->bpSelLast, bp, v->timeRangeLock != 0,
                      v->secondsPerPixel, &g_point.d);
    g_point.active = true;
    inputSetCaptured();
    return;
  }
  const std::int16_t slot = g_point.slot;
  EnvelopeSlot* s = envSlot(e, slot);
  if (!s) return;
  if (!inputIsButtonDown()) {
    g_point.active = false;
    v->redrawPending = 1;
    envPageUpdateScrollSpan(win);
    redrawWithLinked(item);
    inputReset();
    return;
  }
  const std::int16_t first = bp < 0 ? -1 : v->bpSelFirst, last = bp < 0 ? -1 : v->bpSelLast;
  const bool snap = v->gridOn && !inputIsAlt();
  double level = 0.0;
  if (s->destination != envDestSampleJump)
    level = envGraphDragLevel(s->destination, g_point.press.y, p.y, g_point.d.startLevel, g_levelStep);
  envPointDragMove(e, slot, first, last, g_point.d, p.x - g_point.press.x, level, snap, v->gridBeats);
  if (bp >= 0) {
    boxShow(win, envItemBpSegTime, envGetBpTime(e, slot, bp) / samplesPerSecond);
    double abs = 0.0;
    for (std::int16_t k = 0; k <= bp; ++k) abs += envGetBpTime(e, slot, k);
    boxShow(win, envItemBpAbsTime, abs / samplesPerSecond);
  }
  boxShow(win, envItemBpLevelPercent, level * 100.0);
  envPageRefreshLevelUnits(win);
  envCompileIfControl(e, slot);
  if (s->partnerId != 0 && envDestIsPanHalf(s->destination)) envGraphSyncLinkPartner(win, e, slot);
  redrawWithLinked(item);
}

int envGraphDragMarker(ControlItem* item, CtrlPoint point) {
  if (!item) return 0;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  if (!v || !e || !r || r->slotIndex < 0) return 0;
  const std::int16_t slotIndex = r->slotIndex;
  EnvelopeSlot* s = envSlot(e, slotIndex);
  if (!g_marker.active) {
    if (!inputIsButtonDown()) return 0;
    if (envGraphHitContains(r->sustainMark, point.x, point.y))
      g_marker.sustain = true;
    else if (envGraphHitContains(r->loopMark, point.x, point.y))
      g_marker.sustain = false;
    else
      return 0;
    if (envIsLinked(e, slotIndex)) {
      inputReset();
      msgBox(0, kEnvMsgLinkedMarker, 0);
      return 1;
    }
    envUndoSnapshotBefore(win, slotIndex);
    g_marker.candidate = g_marker.sustain ? s->sustainIndex : s->loopStart;
    g_marker.last = point;
    g_marker.active = true;
    inputSetCaptured();
    return 1;
  }
  if (inputIsButtonDown()) {
    if (point.x == g_marker.last.x && point.y == g_marker.last.y) return 1;
    g_marker.last = point;
    const int k = envGraphHitFind(r->pointHits, r->pointCount, point.x, point.y);
    if (k >= 0) {
      const std::int16_t b = static_cast<std::int16_t>(r->pointHits[k].breakpoint);
      const bool selected = envGraphIsBpSelected(win, b);
      const bool ok = g_marker.sustain ? envSustainCandidateOk(s, b, selected) : envLoopCandidateOk(s, b, selected);
      if (ok) {
        g_marker.candidate = b;
        envGraphClearBpSelection(win);
        envGraphSelectBp(item, b);
      }
    } else if (envGraphHasBpSelection(win)) {
      envGraphClearBpSelection(win);
      g_marker.candidate = -2;
      envGraphDraw(item);
    }
    return 1;
  }
  g_marker.active = false;
  envSlotWaitAudio(e, static_cast<std::uint16_t>(slotIndex));
  if (g_marker.sustain)
    envDropSustain(s, g_marker.candidate);
  else
    envDropLoopStart(s, g_marker.candidate);
  envSlotMarkPending(e, slotIndex);
  envGraphSyncLinkPartner(win, e, slotIndex);
  envGraphSelectItem(win, item->id);
  envPageRefreshFields(win);
  inputReset();
  return 1;
}

void envGraphBandSelect(ControlItem* item) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  if (!v || !e || !r) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  const std::int32_t oy = winGetOriginY(win);
  CtrlRect band = item->rect;
  if (band.top < oy + envGraphAreaOffset) band.top = oy + envGraphAreaOffset;
  if (band.bottom > v->pageHeight - 22 + oy) band.bottom = v->pageHeight - 22 + oy;
  if (!g_band.made) {
    offscreenInit(&g_band.buffer);
    const CtrlRgb a = {62, 62, 97}, b = {255, 255, 255};
    offscreenSetColors(&g_band.buffer, &a, &b);
    g_band.made = true;
  }
  if (!inputIsCaptured() && inputIsButtonDown() && !inputIsShift()) {
    if (r->slotIndex < 0 || envIsLinked(e, r->slotIndex)) return;
    offscreenFlush(&g_band.buffer, 0);
    g_band.item = item->id;
    g_band.pressX = p.x;
    g_band.moved = false;
    g_band.area = band;
    inputSetCaptured();
    // The row's picture is kept (a read back from the screen, slow on some systems) only once the
    // band grows: a plain click on an empty place never needs it.
    return;
  }
  if (inputIsButtonDown() || inputIsShift()) {
    if (g_band.item != item->id) {
      g_band.item = item->id;
      g_band.pressX = p.x;
    }
    if (inputIsShift() && !inputIsCaptured()) inputSetCaptured();
    std::int32_t x = p.x;
    if (x != g_band.pressX && !g_band.moved) {
      g_band.moved = true;
      offscreenSetup(win, &g_band.buffer, 0, &g_band.area);
    }
    x = numClampHiWins<std::int32_t>(x, item->rect.left, item->rect.right);
    const std::int32_t lo = x < g_band.pressX ? x : g_band.pressX;
    std::int32_t hi = x < g_band.pressX ? g_band.pressX : x;
    if (hi <= lo) hi = lo + 1;
    CtrlRect shown = {lo, band.top, hi, band.bottom};
    if (g_band.moved) offscreenPrepare(win, &g_band.buffer, 0, &shown);
    envGraphClearBpSelection(win);
    EnvelopeGraphRecord* sel =
        v->selectedItem >= envItemGraphFirst ? envGraphRecordOf(win, static_cast<std::uint16_t>(v->selectedItem)) : r;
    if (!sel) sel = r;
    int markers[envGraphHitCount];
    std::int16_t bps[envGraphHitCount];
    int n = 0;
    for (int i = 0; i < sel->pointCount && i < envGraphHitCount; ++i) {
      if (!sel->pointHits[i].valid) continue;
      markers[n] = sel->pointHits[i].left;
      bps[n] = static_cast<std::int16_t>(sel->pointHits[i].breakpoint);
      ++n;
    }
    std::int16_t first = -2, last = -2, anchor = -2;
    envBandSelectRun(markers, bps, n, g_band.pressX, x, &first, &last, &anchor);
    v->bpSelFirst = first;
    v->bpSelLast = last;
    v->bpSelAnchor = anchor;
    if (v->bpSelLast >= 0) {
      envPageRefreshFields(win);
      if (!ctrlIsVisible(win, envItemBpSection)) envPageShowBpFields(win, true);
    }
    return;
  }
  if (g_band.moved) offscreenFlush(&g_band.buffer, 0);
  inputReset();
  v->redrawPending = 1;
  // A press that never drew a band (a plain click) leaves the rows as the press drew them.
  if (g_band.moved) redrawRows(win);
  g_band.moved = false;
}
