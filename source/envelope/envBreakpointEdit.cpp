// The mouse side of a graph row: the breakpoint selection, the press dispatcher that decides from
// the last drawing's hit areas what a press edits, the slope drag, the XY drag of a surround-pan
// pair, adding a breakpoint (at most 68) and deleting one or a run (at least 3 stay), and the refusal
// to edit a linked envelope. Structural changes are made on the live slot between the slot's
// handshake with the audio thread (wait, then mark pending), so they sound at once.
#include <cmath>
#include <cstring>

#include "controls/ctrlItems.h"
#include "controls/display.h"
#include "controls/inputState.h"
#include "controls/numbox.h"
#include "controls/winSlots.h"
#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/voice.h"
#include "envelope/envDragItem.h"
#include "envelope/envFields.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envUndo.h"
#include "envelope/envView.h"
#include "pages/clipKinds.h"
#include "preset/envelope.h"
#include "uiSeams/msgBox.h"

const char* const kEnvMsgFull = "Envelopes can have a maximum of 68 breakpoints, can't add any more.";
const char* const kEnvMsgTooFew = "Can't delete any more breakpoints from this envelope.";
const char* const kEnvMsgLinked =
    "A linked envelope cannot be edited directly. Please edit the master envelope instead.";

namespace {

enum { pressNone = 0, pressEdit = 1, pressMarker = 2, pressBand = 3 };
enum { editNone = 0, editPoints = 2, editSlope = 3, editXy = 4 };

struct DragState {
  int pressMode = pressNone;
  int editMode = editNone;
  std::int16_t pressedBp = -2;
  // slope drag
  CtrlPoint slopePress = {0, 0};
  bool rising = false;
  bool slopeActive = false;  // a slope press is under way (the kit drops its capture at the release)
  float startSlope = 1.0f, currentSlope = 1.0f;
  EnvelopeSlot slopeSnapshot;
  // XY drag
  bool xyActive = false;
  CtrlPoint xyPress = {0, 0};
  std::int16_t xySlotA = -1, xySlotB = -1, xyBp = -1;
  float xyStartA = 0.0f, xyStartB = 0.0f;
};
DragState g_drag;
int g_handshakeMisses = 0;

std::int16_t slotIndexOf(Engine* e, const EnvelopeSlot* slot) {
  for (std::int16_t s = 0; s < envSlotCount; ++s)
    if (engineGetEnvelopeSlot(e, s) == slot) return s;
  return -1;
}

void refuse(const char* text) {
  inputReset();
  msgBox(0, text, 0);
}

// The audio thread keeps off the slot until markPending.
// A miss is a request the audio side left unanswered although it ran a whole block after it (three
// block ends since just before the request): a thread the machine did not run in time is slow, not
// wrong.
void beginStructural(Engine* e, std::int16_t index) {
  const std::uint32_t blocks = e->audioBlocks.load();
  envSlotWaitAudio(e, static_cast<std::uint16_t>(index));
  const std::uint32_t ran = e->audioBlocks.load() - blocks;  // read before the answer
  EnvelopeSlot* s = engineGetEnvelopeSlot(e, index);
  if (e->audioRunning.load() && s && envHandshakeLoad(s) != envHandshakeAcked && ran >= 3) ++g_handshakeMisses;
}

void endStructural(Engine* e, std::int16_t index) {
  envCompileIfControl(e, index);
  envSlotMarkPending(e, index);
}

// A button press not yet taken by any item: the start of a gesture. The release comes uncaptured
// too, so a missing capture alone does not tell a press from its release.
bool freshPress() { return inputButtonState() == inputPressed && !inputIsCaptured(); }

void clampIndexHiWins(std::int16_t& v, int lo, int hi) {
  v = static_cast<std::int16_t>(numClampHiWins<int>(v, lo, hi));
}

// Inserts a breakpoint at T samples; answers its index (-1 when the slot is full).
int insertInto(Engine* e, std::int16_t index, double T, double level) {
  EnvelopeSlot* s = engineGetEnvelopeSlot(e, index);
  if (!s || s->lastIndex >= envBreakpointCount - 1) return -1;
  beginStructural(e, index);
  int last = s->lastIndex < 0 ? 0 : s->lastIndex;
  Breakpoint* bp = s->breakpoints;
  int j = -1;
  double acc = 0.0;
  for (int i = 0; i <= last; ++i) {
    if (acc + bp[i].time < T) {
      acc += bp[i].time;
      j = i;
    } else {
      break;
    }
  }
  const double remembered = j >= 0 ? bp[j].level : s->startLevel;
  std::memmove(&bp[j + 2], &bp[j + 1], sizeof(Breakpoint) * static_cast<std::size_t>(last - j));
  ++last;
  s->lastIndex = static_cast<std::int16_t>(last);
  if (s->loopStart > j) ++s->loopStart;
  if (s->sustainIndex > j) ++s->sustainIndex;
  if (s->sustainIndex >= last) s->sustainIndex = static_cast<std::int16_t>(last - 1);
  if (s->mode == envModeLoop && s->sustainIndex <= s->loopStart) {
    if (s->sustainIndex < 1) {
      s->sustainIndex = 1;
      s->loopStart = 0;
    } else {
      s->loopStart = static_cast<std::int16_t>(s->sustainIndex - 1);
    }
  }
  s->releaseIndex = s->sustainIndex;
  Breakpoint& nb = bp[j + 1];
  if (j >= 0) nb = bp[j];
  nb.time = T - acc;
  nb.level = static_cast<float>(s->destination == envDestSampleJump ? remembered : level);
  if (j + 2 <= last) {
    const double rest = bp[j + 2].time - nb.time;
    bp[j + 2].time = rest > 10.0 ? rest : 10.0;
  }
  // Playing voices stay on their breakpoints: indices after the insertion point move up by one.
  for (int voice = 0; voice < engineMaxVoices; ++voice) {
    EnvelopeInstance& in = e->envInstances[index][voice];
    if (in.state == envStateEnded) continue;
    if (in.segmentStart > j) ++in.segmentStart;
    if (in.segmentTarget > j) ++in.segmentTarget;
    if (in.lastReached > j) ++in.lastReached;
    clampIndexHiWins(in.segmentStart, 0, last);
    clampIndexHiWins(in.segmentTarget, 0, last);
    clampIndexHiWins(in.lastReached, -1, last);
  }
  endStructural(e, index);
  return j + 1;
}

// Deletes n breakpoints from b on (n already bounded); the survivor at b takes the removed durations.
void removeFrom(Engine* e, std::int16_t index, int b, int n) {
  EnvelopeSlot* s = engineGetEnvelopeSlot(e, index);
  if (!s || n < 1) return;
  beginStructural(e, index);
  const int last = s->lastIndex;
  Breakpoint* bp = s->breakpoints;
  double removed = 0.0;
  for (int i = b; i < b + n; ++i) removed += bp[i].time;
  std::memmove(&bp[b], &bp[b + n], sizeof(Breakpoint) * static_cast<std::size_t>(last - b - n + 1));
  const int newLast = last - n;
  if (b <= newLast) bp[b].time += removed;
  s->lastIndex = static_cast<std::int16_t>(newLast);
  auto shift = [&](int v, int floor) {
    if (v >= b + n) return v - n;
    if (v >= b) return b - 1 >= floor ? b - 1 : floor;
    return v;
  };
  if (s->loopStart > 0) s->loopStart = static_cast<std::int16_t>(shift(s->loopStart, 0));
  if (s->sustainIndex >= 0) s->sustainIndex = static_cast<std::int16_t>(shift(s->sustainIndex, 0));
  if (s->releaseIndex >= 0) s->releaseIndex = static_cast<std::int16_t>(shift(s->releaseIndex, 0));
  if (newLast >= 2) {
    if (s->sustainIndex > newLast - 1) s->sustainIndex = static_cast<std::int16_t>(newLast - 1);
    if (s->releaseIndex > newLast - 1) s->releaseIndex = static_cast<std::int16_t>(newLast - 1);
    if (s->sustainIndex <= s->loopStart) {
      if (s->sustainIndex < 1) {
        s->sustainIndex = 1;
        s->loopStart = 0;
      } else {
        s->loopStart = static_cast<std::int16_t>(s->sustainIndex - 1);
      }
    }
    envClampLoopPointsRec(s);
  } else {
    // A Control driven envelope may keep fewer than 3 breakpoints: indices stay inside them.
    clampIndexHiWins(s->sustainIndex, 0, newLast);
    clampIndexHiWins(s->releaseIndex, 0, newLast);
    clampIndexHiWins(s->loopStart, 0, s->sustainIndex);
  }
  for (int voice = 0; voice < engineMaxVoices; ++voice) {
    EnvelopeInstance& in = e->envInstances[index][voice];
    if (in.state == envStateEnded) continue;
    auto move = [&](std::int16_t& v) {
      if (v >= b + n)
        v = static_cast<std::int16_t>(v - n);
      else if (v >= b)
        v = static_cast<std::int16_t>(b);
    };
    move(in.segmentStart);
    move(in.segmentTarget);
    if (in.lastReached >= b)
      in.lastReached = static_cast<std::int16_t>(in.lastReached >= b + n ? in.lastReached - n : b - 1);
    clampIndexHiWins(in.segmentStart, 0, newLast);
    clampIndexHiWins(in.segmentTarget, 0, newLast);
    clampIndexHiWins(in.lastReached, -1, newLast);
  }
  endStructural(e, index);
}

// How many breakpoints a delete of count from b may remove: a run leaves at least 4 (a single
// delete at least 3; 1 in Control driven mode), a run that reaches the last breakpoint keeps it.
int boundedCount(const EnvelopeSlot* s, int b, int count) {
  const int last = s->lastIndex;
  const int keep = s->mode == envModeControl ? 1 : 3;
  int n = count;
  if (s->mode == envModeControl || count == 1) {
    if (last + 1 - n < keep) n = last + 1 - keep;
  } else if (last - n < keep) {
    n = last - keep;
  }
  if (count > 1 && b + n >= last && b != last) n = last - b;
  if (n > last + 1 - b) n = last + 1 - b;
  return n;
}

void redrawAfterEdit(WinId win) {
  envGraphRedrawLinked(win);
  envPageUpdateScrollSpan(win);
}

void slopeBoxShow(WinId win, float slope) {
  if (numboxFind(win, envItemBpSlope)) numboxSetValue(win, envItemBpSlope, slope);
}

}  // namespace

int envEditHandshakeMisses() { return g_handshakeMisses; }

void envClampLoopPointsRec(EnvelopeSlot* s) {
  if (!s) return;
  if (s->sustainIndex >= s->lastIndex) s->sustainIndex = static_cast<std::int16_t>(s->lastIndex - 1);
  if (s->loopStart >= s->sustainIndex) {
    if (s->loopStart < 1)
      s->sustainIndex = static_cast<std::int16_t>(s->loopStart + 1);
    else
      s->loopStart = static_cast<std::int16_t>(s->sustainIndex - 1);
  }
}

// ---- Selection

void envGraphExtendBpSelection(WinId win, std::int16_t bp) {
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  if (v->bpSelAnchor <= -2) {
    v->bpSelFirst = v->bpSelLast = v->bpSelAnchor = bp;
  } else if (bp < v->bpSelAnchor) {
    v->bpSelFirst = bp;
  } else if (bp > v->bpSelAnchor) {
    v->bpSelLast = bp;
  }
}

void envGraphClearBpSelection(WinId win) {
  if (EnvelopeView* v = envViewOf(win)) v->bpSelFirst = v->bpSelLast = v->bpSelAnchor = -2;
}

bool envGraphIsBpSelected(WinId win, std::int16_t bp) {
  EnvelopeView* v = envViewOf(win);
  return v && v->bpSelAnchor > -2 && v->bpSelFirst <= bp && bp <= v->bpSelLast;
}

std::int16_t envGraphFirstSelectedBp(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v ? v->bpSelFirst : -2;
}

bool envGraphHasBpSelection(WinId win) {
  EnvelopeView* v = envViewOf(win);
  return v && v->bpSelAnchor > -2;
}

void envGraphUpdateCopyKind(WinId win) {
  EnvelopeView* v = envViewOf(win);
  if (!v) return;
  if (v->selectedItem < envItemGraphFirst)
    clipSetCopyKind(clipKindNone);
  else if (v->bpSelAnchor > -2 && v->bpSelFirst != v->bpSelLast)
    clipSetCopyKind(clipKindBreakpoints);
  else
    clipSetCopyKind(clipKindEnvelope);
}

void envGraphUpdatePasteEnable(WinId win) {
  const std::int16_t kind = clipGetPasteKind();
  clipEnablePaste(
      (kind == clipKindEnvelope || kind == clipKindBreakpoints) && envGraphSelectedSlotIndex(win) != -1 ? 1 : 0);
}

void envGraphSelectItem(WinId win, std::uint16_t id) {
  envSelectPane(win);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e) return;
  if (id == 0) {
    envPageSetSelectedSlot(win, -1);
    v->selectedDestKind = 0;
    v->selectedOwner = 0;
    v->selectedItem = -2;
    if (ctrlFind(win, envItemDestName)) displaySetText(win, envItemDestName, "");
  } else {
    const std::int16_t s = envGraphSlotOfItem(envGraphItem(win, id));
    if (s >= 0) {
      EnvelopeSlot* slot = engineGetEnvelopeSlot(e, s);
      v->selectedItem = static_cast<std::int16_t>(id);
      envPageSetSelectedSlot(win, s);
      v->selectedDestKind = static_cast<std::uint16_t>(slot->destination);
      v->selectedOwner = static_cast<std::uint16_t>(slot->owner);
      char name[envNameSize];
      envGetName(e, s, name, slot->destination, slot->owner);
      if (ctrlFind(win, envItemDestName)) displaySetText(win, envItemDestName, name);
    }
  }
  envGraphUpdateCopyKind(win);
  envGraphUpdatePasteEnable(win);
  envGraphRedrawAll(win);
  envPageRefreshFields(win);
}

void envGraphSelectBp(ControlItem* item, std::int16_t bp) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e) return;
  if (bp < -1) {
    envGraphClearBpSelection(win);
  } else {
    const std::int16_t s = envGraphSlotOfItem(item);
    EnvelopeSlot* slot = s >= 0 ? engineGetEnvelopeSlot(e, s) : nullptr;
    if (slot && !envGraphIsLinkedSlot(e, slot)) envGraphExtendBpSelection(win, bp);
  }
  envGraphRedrawAll(win);
  envGraphUpdateCopyKind(win);
  envPageRefreshFields(win);
}

// ---- Press and drags

void envGraphMouseDown(ControlItem* item) {
  if (!item) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  if (!v || !envEngineOf(win)) return;
  v->hoverItem = item;
  CtrlPoint p;
  inputGetMousePos(&p);

  if (inputButtonState() == inputPressed && !inputIsCaptured()) {
    g_drag.pressMode = pressNone;
    if (p.y < winGetOriginY(win) + envGraphAreaOffset) {
      inputReset();
      return;
    }
    if (envGraphEdit(item, p, 0)) {
      g_drag.pressMode = pressEdit;
    } else if (envGraphDragMarker(item, p)) {
      g_drag.pressMode = pressMarker;
    } else {
      // An empty place: the row becomes the selected one, the press column is kept and a band
      // selection starts there.
      envGraphClearBpSelection(win);
      envGraphSelectItem(win, item->id);
      envGraphSetPressX(win, p.x);
      envGraphBandSelect(item);
      g_drag.pressMode = pressBand;
    }
    if (inputIsButtonDown() && inputButtonState() != inputNone) inputSetCaptured();
  } else if (g_drag.pressMode == pressEdit) {
    envGraphEdit(item, p, 0);
  } else if (g_drag.pressMode == pressMarker) {
    envGraphDragMarker(item, p);
  } else if (g_drag.pressMode == pressBand) {
    envGraphBandSelect(item);
  }
  if (!inputIsButtonDown()) {
    g_drag.pressMode = pressNone;
    inputReset();
  }
}

int envGraphEdit(ControlItem* item, CtrlPoint point, std::uint8_t usePartner) {
  if (!item) return 0;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  EnvelopeGraphRecord* own = envGraphRecordOfItem(item);
  if (!v || !e || !own) return 0;
  EnvelopeGraphRecord* r = usePartner && own->partner ? own->partner : own;
  const std::int16_t slotIndex = r->slotIndex;
  EnvelopeSlot* slot = slotIndex >= 0 ? engineGetEnvelopeSlot(e, slotIndex) : nullptr;
  if (!slot) return 0;
  const bool linked = envGraphIsLinkedSlot(e, slot);

  const bool fresh = freshPress();
  if (fresh) {
    if (!usePartner) {
      envGraphSelectItem(win, item->id);
      g_drag.editMode = editNone;
      g_drag.slopeActive = false;
    }
    const bool shift = inputIsShift() != 0;
    int k = envGraphHitFind(r->pointHits, r->pointCount, point.x, point.y);
    bool hit = false;
    if (k >= 0) {
      const std::int16_t bp = static_cast<std::int16_t>(r->pointHits[k].breakpoint);
      g_drag.pressedBp = bp;
      if (!shift && !envGraphIsBpSelected(win, bp)) envGraphClearBpSelection(win);
      if (!envGraphIsBpSelected(win, bp)) envGraphSelectBp(item, bp);
      g_drag.editMode = editPoints;
      hit = true;
    } else if (envGraphHitContains(r->startMark, point.x, point.y)) {
      g_drag.pressedBp = -1;
      if (!shift) envGraphClearBpSelection(win);
      envGraphSelectBp(item, -1);
      g_drag.editMode = editPoints;
      hit = true;
    } else if ((k = envGraphHitFind(r->handleHits, r->handleCount, point.x, point.y)) >= 0) {
      if (linked) {
        envGraphClearBpSelection(win);
        refuse(kEnvMsgLinked);
        return 1;
      }
      const std::int16_t bp = static_cast<std::int16_t>(r->handleHits[k].breakpoint);
      g_drag.pressedBp = bp;
      if (!shift && !envGraphIsBpSelected(win, bp)) envGraphClearBpSelection(win);
      if (!envGraphIsBpSelected(win, bp)) envGraphSelectBp(item, bp);
      g_drag.editMode = editSlope;
      hit = true;
    }
    if (hit) own->partnerActive = usePartner ? 1 : 0;
    if (!hit && !usePartner && own->partner) {
      if (envGraphEdit(item, point, 1)) return 1;
      if (point.x >= item->rect.right - (item->rect.bottom - item->rect.top)) g_drag.editMode = editXy;
    }
    if (usePartner && !hit) return 0;
    if (g_drag.editMode == editNone) {
      envGraphClearBpSelection(win);
      envGraphDraw(item);
      return 0;
    }
    if (linked) {
      envGraphClearBpSelection(win);
      envGraphRedrawAll(win);
      refuse(kEnvMsgLinked);
      return 1;
    }
    g_drag.xyActive = false;
    // Every mouse edit is an undo step of its own, taken before it changes anything.
    envUndoSnapshotBefore(win, r->slotIndex);
  }
  switch (g_drag.editMode) {
    case editSlope: envGraphDragSlope(item, g_drag.pressedBp); break;
    case editXy: {
      CtrlPoint p;
      inputGetMousePos(&p);
      if (fresh) {
        const int k = own->xyHits ? envGraphHitFind(own->xyHits, envGraphHitCount, p.x, p.y) : -1;
        if (k < 0 || !own->partner) break;
        g_drag.xyActive = true;
        g_drag.xyPress = p;
        g_drag.xySlotA = own->slotIndex;
        g_drag.xySlotB = envFindPartner(e, own->slotIndex);
        g_drag.xyBp = static_cast<std::int16_t>(own->xyHits[k].breakpoint);
        if (g_drag.xySlotB < 0 || g_drag.xyBp < 0) {
          g_drag.xyActive = false;
          break;
        }
        g_drag.xyStartA = static_cast<float>(1.0 - envGetBpLevel(e, g_drag.xySlotA, g_drag.xyBp));
        g_drag.xyStartB = static_cast<float>(envGetBpLevel(e, g_drag.xySlotB, g_drag.xyBp));
        inputSetCaptured();
        envGraphSelectBp(item, g_drag.xyBp);
      } else if (g_drag.xyActive && inputIsButtonDown()) {
        const double step = 1.0 / (v->itemHeight > 0 ? v->itemHeight : envRowDefaultHeight);
        const double a = envGraphDragLevel(28, g_drag.xyPress.x, p.x, g_drag.xyStartA, step);
        const double b = envGraphDragLevel(37, g_drag.xyPress.y, p.y, g_drag.xyStartB, step);
        envSetBpLevel(e, g_drag.xySlotA, g_drag.xyBp, 1.0 - a);
        envSetBpLevel(e, g_drag.xySlotB, g_drag.xyBp, b);
        envGraphDraw(item);
      }
      if (!inputIsButtonDown()) {
        g_drag.xyActive = false;
        inputReset();
      }
      break;
    }
    case editPoints: envGraphDragPoint(item, slotIndex, g_drag.pressedBp); break;
    default: break;
  }
  return 1;
}

void envGraphDragSlope(ControlItem* item, std::int16_t b) {
  if (!item || b < 0 || b >= envBreakpointCount) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  EnvelopeGraphRecord* own = envGraphRecordOfItem(item);
  if (!v || !e || !own) return;
  const std::int16_t index = own->partnerActive && own->partner ? own->partner->slotIndex : own->slotIndex;
  EnvelopeSlot* slot = index >= 0 ? engineGetEnvelopeSlot(e, index) : nullptr;
  if (!slot) return;
  CtrlPoint p;
  inputGetMousePos(&p);
  if (!g_drag.slopeActive) {
    if (!inputIsButtonDown()) return;
    g_drag.slopeActive = true;
    const double prev = b == 0 ? slot->startLevel : slot->breakpoints[b - 1].level;
    g_drag.rising = prev < slot->breakpoints[b].level;
    g_drag.slopePress = p;
    v->redrawPending = 0;
    g_drag.startSlope = g_drag.currentSlope = slot->breakpoints[b].slope;
    g_drag.slopeSnapshot = *slot;
    inputSetCaptured();
    return;
  }
  if (inputIsButtonDown()) {
    const double d = (g_drag.rising ? p.y - g_drag.slopePress.y : g_drag.slopePress.y - p.y) * 0.06;
    double s = g_drag.startSlope * std::pow(2.0, d);
    s = numClamp(s, 0.01, 100.0);
    g_drag.currentSlope = static_cast<float>(s);
    if (v->bpSelFirst == v->bpSelLast || v->bpSelAnchor <= -2) {
      envSetBpSlope(e, index, b, s);
    } else {
      for (int i = v->bpSelFirst < 0 ? 0 : v->bpSelFirst; i <= v->bpSelLast && i < envBreakpointCount; ++i) {
        const double old = g_drag.slopeSnapshot.breakpoints[i].slope;
        double n = g_drag.startSlope > 0.0f ? old * s / g_drag.startSlope : s;
        n = numClamp(n, 0.01, 100.0);
        envSetBpSlope(e, index, static_cast<std::int16_t>(i), n);
      }
    }
    envGraphDraw(item);
    envGraphRedrawLinked(win);
    slopeBoxShow(win, g_drag.currentSlope);
    return;
  }
  g_drag.slopeActive = false;
  v->redrawPending = 1;
  envPageRefreshFields(win);
  envGraphDraw(item);
  envGraphRedrawLinked(win);
  inputReset();
}

void envGraphScaleSlopes(WinId win, Engine* e, std::int16_t index, EnvelopeSlot* slot, std::int16_t first,
                         double newSlope, double oldSlope) {
  EnvelopeView* v = envViewOf(win);
  if (!v || !e || !slot || first < 0) return;
  if (v->bpSelAnchor > -2 && v->bpSelFirst != v->bpSelLast) {
    for (int i = v->bpSelFirst < 0 ? 0 : v->bpSelFirst; i <= v->bpSelLast && i < envBreakpointCount; ++i) {
      double n = oldSlope > 0.0 ? slot->breakpoints[i].slope * newSlope / oldSlope : newSlope;
      n = numClamp(n, 0.01, 100.0);
      envSetBpSlope(e, index, static_cast<std::int16_t>(i), n);
    }
  } else {
    envSetBpSlope(e, index, first, newSlope);
  }
}

// ---- Adding and deleting

void envGraphAddBreakpoint(ControlItem* item, EnvelopeSlot* slot, double seconds, double level) {
  if (!item || !slot) return;
  const WinId win = ctrlItemWin(item);
  Engine* e = envEngineOf(win);
  if (!envViewOf(win) || !e) return;
  const std::int16_t index = slotIndexOf(e, slot);
  if (index < 0) return;
  if (envGraphIsLinkedSlot(e, slot)) {
    refuse(kEnvMsgLinked);
    return;
  }
  if (slot->lastIndex >= envBreakpointCount - 1) {
    refuse(kEnvMsgFull);
    return;
  }
  if (!std::isfinite(seconds) || seconds < 0.0) seconds = 0.0;
  level = numClamp(level, 0.0, 1.0);
  const double T = 44100.0 * seconds;
  envUndoSnapshotBefore(win, index);
  const int added = insertInto(e, index, T, level);
  if (added < 0) return;
  envGraphSelectBp(item, static_cast<std::int16_t>(added));
  if (envSlotIsPanPair(slot)) {
    const std::int16_t partner = envFindPartner(e, index);
    if (partner >= 0) insertInto(e, partner, T, std::fmod(level + 0.25, 1.0));
  }
  redrawAfterEdit(win);
}

void envGraphDeleteBreakpoint(ControlItem* item, EnvelopeSlot* slot, std::int16_t b) {
  if (!item || !slot) return;
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e) return;
  const std::int16_t index = slotIndexOf(e, slot);
  if (index < 0) return;
  const std::int16_t given = b;
  const bool inSelection = envGraphIsBpSelected(win, b);
  if (inSelection) b = v->bpSelFirst < 0 ? -1 : v->bpSelFirst;
  if (b < 0 || b >= envBreakpointCount || b > slot->lastIndex) return;
  if (envGraphIsLinkedSlot(e, slot)) {
    refuse(kEnvMsgLinked);
    return;
  }
  const bool run = inSelection && v->bpSelLast > v->bpSelFirst;
  const int count = run ? v->bpSelLast - v->bpSelFirst + 1 : 1;
  const int minLast = slot->mode == envModeControl ? 0 : 2;
  const int n = boundedCount(slot, b, count);
  if (slot->lastIndex <= minLast || n < 1) {
    refuse(kEnvMsgTooFew);
    return;
  }
  envUndoSnapshotBefore(win, index);
  removeFrom(e, index, b, n);
  if (v->bpSelAnchor > -2) envGraphClearBpSelection(win);
  if (envSlotIsPanPair(slot)) {
    const std::int16_t partner = envFindPartner(e, index);
    EnvelopeSlot* ps = partner >= 0 ? engineGetEnvelopeSlot(e, partner) : nullptr;
    if (ps && given >= 0 && given <= ps->lastIndex) {
      const int pn = boundedCount(ps, given, 1);
      if (ps->lastIndex > (ps->mode == envModeControl ? 0 : 2) && pn >= 1) removeFrom(e, partner, given, pn);
    }
  }
  envGraphRedrawAll(win);
  redrawAfterEdit(win);
}

void envGraphDoubleClick(ControlItem* item, std::int32_t x, std::int32_t y) {
  const WinId win = ctrlItemWin(item);
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  EnvelopeGraphRecord* r = envGraphRecordOfItem(item);
  if (!v || !e || !r || r->slotIndex < 0) return;
  EnvelopeSlot* slot = engineGetEnvelopeSlot(e, r->slotIndex);
  const int k = envGraphHitFind(r->pointHits, r->pointCount, x, y);
  if (k >= 0) {
    envGraphDeleteBreakpoint(item, slot, static_cast<std::int16_t>(r->pointHits[k].breakpoint));
    return;
  }
  envGraphClearBpSelection(win);
  envGraphSelectItem(win, item->id);
  double level = static_cast<double>(item->rect.bottom - y) / (v->itemHeight > 0 ? v->itemHeight : 128);
  level = numClamp(level, 0.0, 1.0);
  envGraphAddBreakpoint(item, slot, envGraphXToSeconds(win, v->graphX0, x), level);
}
