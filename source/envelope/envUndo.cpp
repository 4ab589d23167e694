// The envelope undo of the Edit menu (kind 2): one level, toggling between undo and redo, of either
// the selected slot or all 28 slots.
#include "envelope/envUndo.h"

#include "engine/engine.h"
#include "envelope/envFields.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envView.h"
#include "preset/envDestKinds.h"
#include "preset/envelope.h"
#include "preset/undo.h"

namespace {

// Envelope undo becomes the pending one; its handler is this page's.
void armUndo() {
  undoSetHandler(undoKindEnvelope, envEditUndoRedo);
  undoSetKind(undoKindEnvelope);
}

// The copy about to go into slot S keeps S's destination and owner.
void keepPlace(EnvelopeSlot* copy, const EnvelopeSlot* live) {
  copy->destination = live->destination;
  copy->owner = live->owner;
}

// The one-slot snapshot of slot index.
void snapshotSlot(WinId win, std::int16_t index) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !envPageBegin(win)) return;
  const EnvelopeSlot* slot = envSlot(e, index);
  if (!slot) return;
  v->undoAll = 0;
  envGraphUpdateCopyKind(win);
  v->undoSlot = *slot;
  v->undoSlotIndex = index;
  armUndo();
}

}  // namespace

void envUndoSnapshot(WinId win) {
  if (!envViewOf(win) || !envPageBegin(win)) return;
  const std::int16_t index = envGraphSelectedSlotIndex(win);
  if (index >= 0) snapshotSlot(win, index);
}

void envUndoSnapshotBefore(WinId win, std::int16_t index) {
  Engine* e = envEngineOf(win);
  const EnvelopeSlot* s = e ? envSlot(e, index) : nullptr;
  if (!s) return;
  const std::int16_t partner = s->partnerId != 0 && envDestIsPanHalf(s->destination) ? envFindPartner(e, index) : -1;
  if (partner > 0 && partner != index)
    envUndoSnapshotAll(win);
  else
    snapshotSlot(win, index);
}

void envUndoSnapshotAll(WinId win) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !envPageBegin(win)) return;
  for (std::int16_t i = 0; i < envSlotCount; ++i) envInitSlot(&v->undoAllSlots[i], i, envDestNone);
  v->undoAll = 1;
  for (std::int16_t i = 0; i < envSlotCount; ++i) v->undoAllSlots[i] = *envSlot(e, i);
  v->undoSlotIndex = -1;
  armUndo();
}

void envRedoSnapshot(WinId win) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !envPageBegin(win)) return;
  if (const EnvelopeSlot* s = envSlot(e, v->undoSlotIndex)) v->redoSlot = *s;
}

void envEditUndoRedo(WinId window, std::uint8_t redo) {
  const WinId win = window;
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !envPageBegin(win)) return;
  if (v->undoAll) {
    envUndoRedoAll(win, redo);
    return;
  }
  EnvelopeSlot* live = envSlot(e, v->undoSlotIndex);
  if (!live) return;
  // The exchange runs under the slot handshake: the live slot takes the copy, the copy the live
  // slot. Undo exchanges with a fresh copy of the snapshot, so redoSlot ends up holding the slot as
  // it was before the undo; redo exchanges with redoSlot.
  if (!redo) v->redoSlot = v->undoSlot;
  keepPlace(&v->redoSlot, live);
  envSwapWithSaved(e, v->undoSlotIndex, &v->redoSlot);
  envPageBegin(win);
  envGraphRedrawAll(win);
  envPageRefreshFields(win);
}

void envUndoRedoAll(WinId win, std::uint8_t redo) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !envPageBegin(win)) return;
  engineStopAudio(e, 1);  // faded out; the rebuild's restart fades in
  if (!redo) {
    for (std::int16_t i = 0; i < envSlotCount; ++i) envInitSlot(&v->redoAllSlots[i], i, envDestNone);
    for (int i = 0; i < envSlotCount; ++i) v->redoAllSlots[i] = v->undoAllSlots[i];
  }
  // Undo: the engine takes the snapshot and redoAllSlots the slots as they were; redo: back again.
  envSwapAllWithSaved(e, v->redoAllSlots);
  engineApplyPatchChange(e, 1);
  envPageRefresh(win);
}
