// The edit history: a ring of the last ten versions of the sound, kept in a bank of its own.
#include "engine/engine.h"
#include "preset/bank.h"
#include "preset/presetCopy.h"

namespace {
Bank* g_history = nullptr;
int g_count = 0;
int g_write = 0;
EditHistoryAppendFn g_append = nullptr;
}  // namespace

void editHistoryCreate() {
  if (!g_history) g_history = bankCreate();
  g_count = 0;
  g_write = 0;
}

void editHistoryDestroy() {
  bankDestroy(g_history);
  g_history = nullptr;
  g_count = 0;
  g_write = 0;
}

Bank* editHistoryBank() { return g_history; }
int editHistoryCount() { return g_count; }
int editHistoryWritePosition() { return g_write; }

void editHistoryPush(WinId window, Engine* engine) {
  (void)window;
  if (!g_history || !engineIsModified(engine)) return;
  g_count = g_count + 1 > editHistorySize ? editHistorySize : g_count + 1;
  bankStorePreset(g_history, engine, static_cast<std::int16_t>(g_write));
  g_write = g_write + 1 >= editHistorySize ? 0 : g_write + 1;
}

void editHistorySetAppendRoutine(EditHistoryAppendFn routine) { g_append = routine; }

void editHistoryFillMenu(int menuItem, bool build) {
  if (!build || !g_history) return;
  int i = g_write - 1 < 0 ? editHistorySize - 1 : g_write - 1;
  for (int k = 1; k <= g_count; ++k) {
    char name[patchNameLength + 1];
    bankGetPresetName(g_history, static_cast<std::int16_t>(i), name);
    if (g_append) g_append(menuItem, k, name);
    i = i == 0 ? editHistorySize - 1 : i - 1;
  }
}

void editHistoryRecall(Engine* engine, int k) {
  if (!g_history || !engine) return;
  int i = g_write - k;
  if (i < 0) i += editHistorySize;
  if (i < 0 || i >= editHistorySize) return;
  const std::int16_t kept = engine->header.slot;
  bankSelectPreset(g_history, engine, static_cast<std::int16_t>(i));
  engine->header.slot = kept;
}
