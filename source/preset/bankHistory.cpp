// The edit history: a ring of the last ten versions of the sound, kept in a bank of its own.
#include "engine/engine.h"
#include "preset/bank.h"
#include "preset/presetCopy.h"

namespace {
Bank* gHistory = nullptr;
int gCount = 0;
int gWrite = 0;
EditHistoryAppendFn gAppend = nullptr;
}  // namespace

void editHistoryCreate() {
  if (!gHistory) gHistory = bankCreate();
  gCount = 0;
  gWrite = 0;
}

void editHistoryDestroy() {
  bankDestroy(gHistory);
  gHistory = nullptr;
  gCount = 0;
  gWrite = 0;
}

Bank* editHistoryBank() { return gHistory; }
int editHistoryCount() { return gCount; }
int editHistoryWritePosition() { return gWrite; }

void editHistoryPush(int window, Engine* engine) {
  (void)window;
  if (!gHistory || !engineIsModified(engine)) return;
  gCount = gCount + 1 > editHistorySize ? editHistorySize : gCount + 1;
  bankStorePreset(gHistory, engine, static_cast<std::int16_t>(gWrite));
  gWrite = gWrite + 1 >= editHistorySize ? 0 : gWrite + 1;
}

void editHistorySetAppendRoutine(EditHistoryAppendFn routine) { gAppend = routine; }

void editHistoryFillMenu(int menuItem, bool build) {
  if (!build || !gHistory) return;
  int i = gWrite - 1 < 0 ? editHistorySize - 1 : gWrite - 1;
  for (int k = 1; k <= gCount; ++k) {
    char name[patchNameLength + 1];
    bankGetPresetName(gHistory, static_cast<std::int16_t>(i), name);
    if (gAppend) gAppend(menuItem, k, name);
    i = i == 0 ? editHistorySize - 1 : i - 1;
  }
}

void editHistoryRecall(Engine* engine, int k) {
  if (!gHistory || !engine) return;
  int i = gWrite - k;
  if (i < 0) i += editHistorySize;
  if (i < 0 || i >= editHistorySize) return;
  const std::int16_t kept = engine->header.slot;
  bankSelectPreset(gHistory, engine, static_cast<std::int16_t>(i));
  engine->header.slot = kept;
}
