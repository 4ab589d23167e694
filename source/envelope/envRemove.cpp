// The envelope menu's structural commands: delete the selected envelope (audio stopped and
// restarted around it) and initialise it to its destination's defaults.
#include "engine/engine.h"
#include "envelope/envAdd.h"
#include "envelope/envFields.h"
#include "envelope/envGraph.h"
#include "envelope/envPage.h"
#include "envelope/envUndo.h"
#include "envelope/envView.h"
#include "pages/pages.h"
#include "preset/envelope.h"
#include "uiSeams/msgBox.h"

const char* const kEnvMsgDeleteAsk = "Are you sure you want to delete the selected envelope?";
const char* const kEnvMsgDeleteNone = "Morvane error 58813, envelope delete failed.";
const char* const kEnvMsgDeleteRefused = "Morvane error 58814, envelope delete failed.";

void envDeleteSelected(WinId win) {
  Engine* e = envEngineOf(win);
  if (!envViewOf(win) || !e || !envPageBegin(win)) return;
  const EnvelopeSlot* slot = envGraphSelectedSlot(win);
  if (!slot) {
    msgBox(msgBoxOk, kEnvMsgDeleteNone, 0);
    return;
  }
  const std::int16_t index = envGraphSelectedSlotIndex(win);
  if (index < 0 || slot->destination == envDestOscAmp) {
    msgBox(msgBoxOk, kEnvMsgDeleteRefused, 0);
    return;
  }
  envUndoSnapshotAll(win);
  // Faded out here, faded in again by the restart of the rebuild.
  engineStopAudio(e, 1);
  envSlotClear(e, index);
  // The deleted envelope is no longer selected (its row may now show another envelope).
  envGraphClearBpSelection(win);
  envGraphSelectItem(win, 0);
  envPageRefresh(win);
  engineApplyPatchChange(e, 1);
}

void envDeleteAfterAsking(WinId win) {
  if (!envViewOf(win) || !envEngineOf(win)) return;
  if (msgBox(msgBoxIconExclamation, kEnvMsgDeleteAsk, msgBoxYesNo) == msgAnswerYes) envDeleteSelected(win);
}

void envInitSelected(WinId win) {
  EnvelopeView* v = envViewOf(win);
  Engine* e = envEngineOf(win);
  if (!v || !e || !envPageBegin(win)) return;
  const std::int16_t index = envGraphSelectedSlotIndex(win);
  const EnvelopeSlot* slot = envGraphSelectedSlot(win);
  if (!slot || index < 0) return;
  envUndoSnapshot(win);
  // The page's selection names the owner (there is a selected row here, so it is never "none").
  const std::uint16_t owner = v->selectedOwner;
  const EnvDestKind destination = slot->destination;
  envSlotWaitAudio(e, static_cast<std::uint16_t>(index));
  envSetDefaultsByDest(e, index, owner, destination);
  envSlotMarkPending(e, index);
  envPageSelect(win);
  envGraphRedrawLinked(win);
  envPageRefreshFields(win);
}
