// The recorder trigger of the sound core: runs the routine the application installed, if any.
#include "engine/recorderHook.h"

#include <atomic>

namespace {
std::atomic<RecNoteHook> g_noteHook{nullptr};
}  // namespace

void recSetNoteHook(RecNoteHook hook) { g_noteHook.store(hook); }

void recStartOnNote() {
  const RecNoteHook hook = g_noteHook.load(std::memory_order_acquire);
  if (hook) hook();
}
