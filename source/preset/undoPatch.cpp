// Patch undo through the two-slot undo bank.
#include "engine/engine.h"
#include "preset/bank.h"
#include "preset/undo.h"

namespace {
Bank* g_undoBank = nullptr;
}

void undoCreateBank() {
  if (!g_undoBank) g_undoBank = bankCreate();
}

void undoDestroyBank() {
  bankDestroy(g_undoBank);
  g_undoBank = nullptr;
}

bool undoStorePatchBefore(Engine* engine) {
  if (!g_undoBank || !engine) return false;
  bankStorePreset(g_undoBank, engine, 0);
  return true;
}

void undoPatch(Engine* engine) {
  if (!g_undoBank || !engine) return;
  const std::int16_t kept = engine->header.slot;
  bankStorePreset(g_undoBank, engine, 1);
  bankSelectPreset(g_undoBank, engine, 0);
  engine->header.slot = kept;
}

void redoPatch(Engine* engine) {
  if (!g_undoBank || !engine) return;
  const std::int16_t kept = engine->header.slot;
  bankSelectPreset(g_undoBank, engine, 1);
  engine->header.slot = kept;
}
