// Patch undo through the two-slot undo bank.
#include "engine/engine.h"
#include "preset/bank.h"
#include "preset/undo.h"

namespace {
Bank* gUndoBank = nullptr;
}

void undoCreateBank() {
  if (!gUndoBank) gUndoBank = bankCreate();
}

void undoDestroyBank() {
  bankDestroy(gUndoBank);
  gUndoBank = nullptr;
}

bool undoStorePatchBefore(Engine* engine) {
  if (!gUndoBank || !engine) return false;
  bankStorePreset(gUndoBank, engine, 0);
  return true;
}

void undoPatch(Engine* engine) {
  if (!gUndoBank || !engine) return;
  const std::int16_t kept = engine->header.slot;
  bankStorePreset(gUndoBank, engine, 1);
  bankSelectPreset(gUndoBank, engine, 0);
  engine->header.slot = kept;
}

void redoPatch(Engine* engine) {
  if (!gUndoBank || !engine) return;
  const std::int16_t kept = engine->header.slot;
  bankSelectPreset(gUndoBank, engine, 1);
  engine->header.slot = kept;
}
