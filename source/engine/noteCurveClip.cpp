// Note-scale clipboard and undo: 128 saved values each, written back through the edit block.
#include "engine/noteCurveClip.h"

#include <cstring>

#include "engine/engine.h"
#include "engine/noteCurveRuntime.h"
#include "preset/editBlock.h"
#include "preset/undo.h"

namespace {

struct ClipState {
  Engine* engine = nullptr;
  int window = 0;
  std::uint32_t family = 0;
  std::uint32_t slot = 0;
  NoteCurveRedraw redraw = nullptr;
  bool hasCopy = false;
  float copy[128] = {};
  bool hasSaved = false;
  float saved[128] = {};
};

ClipState clip;

float* shownTable() { return clip.engine ? noteCurveGetTable(clip.engine, clip.family, clip.slot) : nullptr; }

// Writes 128 values into the shown curve through the edit block (edit kind 12).
void writeShown(const float* values) {
  float* copy =
      editBeginNoteCurve(clip.engine, static_cast<std::int16_t>(clip.family), static_cast<std::int16_t>(clip.slot));
  if (!copy) return;
  for (int n = 0; n < 128; ++n) copy[n] = noteCurveClampValue(values[n]);
  editCommit(clip.engine, editKindNoteCurve, static_cast<std::int16_t>(clip.slot));
}

void redraw(int window) {
  if (clip.redraw) clip.redraw(window);
}

}  // namespace

void noteCurveClipShow(Engine* engine, int window, std::uint32_t family, std::uint32_t slot, NoteCurveRedraw redrawFn) {
  if (!engine || !noteCurveIsValid(family, slot)) return;
  clip.engine = engine;
  clip.window = window;
  clip.family = family;
  clip.slot = slot;
  clip.redraw = redrawFn;
  undoSetHandler(undoKindNotescale, noteCurveEditUndoRedo);
}

void noteCurveClipForget() { clip = ClipState{}; }

bool noteCurveClipCopy(int window) {
  const float* table = shownTable();
  if (!table) return false;
  std::memcpy(clip.copy, table, sizeof clip.copy);
  clip.hasCopy = true;
  return true;
}

bool noteCurveClipHasCopy() { return clip.hasCopy; }

void noteCurveUndoSave(int window) {
  const float* table = shownTable();
  if (!table) return;
  std::memcpy(clip.saved, table, sizeof clip.saved);
  clip.hasSaved = true;
  undoSetKind(undoKindNotescale);
}

void noteCurveClipPaste(int window) {
  if (!clip.hasCopy || !shownTable()) return;
  noteCurveUndoSave(window);
  writeShown(clip.copy);
  redraw(window);
}

void noteCurveEditUndoRedo(int window, std::uint8_t redo) {
  const float* table = shownTable();
  if (!table || !clip.hasSaved) return;
  // Undo and redo are the same swap: the saved values go in, the current ones are kept for the next.
  float current[128];
  std::memcpy(current, table, sizeof current);
  writeShown(clip.saved);
  std::memcpy(clip.saved, current, sizeof clip.saved);
  redraw(window);
}
