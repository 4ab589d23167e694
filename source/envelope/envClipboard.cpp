// Edit > Copy and Edit > Paste of the Envelope page: the whole-envelope clipboard (clipSlot of the
// view) and the dispatch to the breakpoint clipboard.
#include "envelope/envClipboard.h"

#include "engine/engine.h"
#include "engine/numeric.h"
#include "envelope/envFields.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envUndo.h"
#include "envelope/envView.h"
#include "pages/clipKinds.h"
#include "pages/pages.h"
#include "preset/envelope.h"
#include "preset/undo.h"

namespace {

enum { firstFreeSlot = 3 };  // slots 0..2 are the channels' amplitude envelopes, never linked

// The slot holding the envelope of identity `id`, -1 when none.
std::int16_t slotOfId(Engine* engine, std::int32_t id) {
  for (std::int16_t i = 0; i < envSlotCount; ++i)
    if (engine->envSlots[i].id == id) return i;
  return -1;
}

}  // namespace

void envPasteSlotRecord(Engine* engine, std::int16_t index, EnvelopeSlot* target, const EnvelopeSlot* clip) {
  if (!engine || !target || !clip || index < 0 || index >= envSlotCount) return;
  // What ties the target to its place: kept across the paste.
  const EnvelopeSlot place = *target;
  *target = *clip;
  target->tag = place.tag;
  target->inUse = place.inUse;
  target->allocated = place.allocated;
  target->destination = place.destination;
  target->owner = place.owner;
  target->id = place.id;
  target->homeIndex = place.homeIndex;
  target->effectTarget = place.effectTarget;
  target->pitchScale = place.pitchScale;
  target->global = place.global;
  target->partnerId = place.partnerId;
  target->handshake = place.handshake;
  target->displayPosition = place.displayPosition;
  target->displayIndex = place.displayIndex;

  // A copied link is kept only when it still names another envelope that exists.
  bool keep = target->linked != 0 && index >= firstFreeSlot;
  std::int16_t master = -1;
  if (keep) {
    master = slotOfId(engine, target->linkMaster);
    keep = master >= 0 && master != index && engine->envSlots[master].destination > envDestNone &&
           !envIsLinkedTo(engine, index);
  }
  if (keep) {
    target->linkMasterSlot = master;
  } else {
    target->linked = 0;
    target->linkMaster = place.linkMaster;
    target->linkMasterSlot = index;
  }
  // Indices inside the breakpoint array whatever the copy held.
  target->lastIndex = numClamp<std::int16_t>(target->lastIndex, 0, envBreakpointCount - 1);
  envClampLoopPointsRec(target);
  if (target->loopStart < 0) target->loopStart = 0;
  target->releaseIndex = target->sustainIndex;
}

void envClipCopy(WinId window) {
  const WinId win = window;
  EnvelopeView* v = envViewOf(win);
  if (!v || !envPageBegin(win)) return;
  const EnvelopeSlot* slot = envGraphSelectedSlot(win);
  if (!slot) return;
  if (envBpSelIsRange(win)) {
    envBpClipStore(win, slot);
    clipSetPasteKind(clipKindBreakpoints);
  } else {
    envBpClipClear();
    v->clipSlot = *slot;
    clipSetPasteKind(clipKindEnvelope);
  }
}

void envClipPaste(WinId window) {
  const WinId win = window;
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !envPageBegin(win)) return;
  const std::int16_t index = envGraphSelectedSlotIndex(win);
  EnvelopeSlot* target = envSlot(e, index);
  if (!target) return;
  // Nothing to paste: no snapshot either, so Undo keeps what it had.
  if (!envBpClipHasContent() && v->clipSlot.destination <= envDestNone) return;
  envUndoSnapshot(win);
  envPageBegin(win);
  if (!envBpClipHasContent()) {
    envSlotWaitAudio(e, static_cast<std::uint16_t>(index));
    envPasteSlotRecord(e, index, target, &v->clipSlot);
    envRefreshSlot(e, index);
    // The mode again through its setter (its own handshake; the slot is still held, then released).
    envSetMode(e, index, target->mode);
    envSlotMarkPending(e, index);
  } else {
    envBpClipPaste(win, target);
  }
  envPageBegin(win);
  envGraphRedrawAll(win);
  envPageRefreshFields(win);
  undoSetKind(undoKindEnvelope);
}
