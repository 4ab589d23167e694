// Note-curve edits without a window: painting lines, the one-note value, copy, paste and undo.
#include "midi/noteCurveClip.h"

#include <cmath>
#include <cstring>

#include "engine/noteCurveRuntime.h"
#include "engine/numeric.h"
#include "preset/editBlock.h"
#include "preset/undo.h"

namespace {

struct ClipContext {
  Engine* engine = nullptr;
  WinId window = 0;
  NoteCurveView* view = nullptr;
  NoteCurveRedraw redraw = nullptr;
  bool hasCopy = false;
};

ClipContext ctx;
NoteCurveView ownView;

void fill(float* values, float v) {
  for (int n = 0; n < noteCurveNotes; ++n) values[n] = v;
}

// Writes 128 values into curve (family, slot) through the edit block (editKindNoteCurve).
void writeCurve(std::int16_t family, std::int16_t slot, const float* values) {
  float* copy = editBeginNoteCurve(ctx.engine, family, slot);
  if (!copy) return;
  for (int n = 0; n < noteCurveNotes; ++n) copy[n] = noteCurveClampValue(values[n]);
  editCommit(ctx.engine, editKindNoteCurve, slot);
}

void redraw(WinId window) {
  if (ctx.redraw) ctx.redraw(window);
}

}  // namespace

void noteCurveViewInit(NoteCurveView* view) {
  if (!view) return;
  view->selectedNote = 60;
  view->follow = 0;
  fill(view->beforeCurve, 1.0f);
  fill(view->afterCurve, 1.0f);
  fill(view->clipboardCurve, 1.0f);
  view->undoFamily = view->undoSlot = -1;
  view->slot = 0;
  view->family = 1;
}

void noteCurveClipAttach(Engine* engine, WinId window, NoteCurveView* view, NoteCurveRedraw redrawFn) {
  if (!engine) return;
  if (!view) {
    if (ctx.view != &ownView) noteCurveViewInit(&ownView);
    view = &ownView;
  }
  ctx.engine = engine;
  ctx.window = window;
  ctx.view = view;
  ctx.redraw = redrawFn;
  undoSetHandler(undoKindNotescale, noteCurveEditUndoRedo);
}

void noteCurveClipShow(Engine* engine, WinId window, std::uint32_t family, std::uint32_t slot,
                       NoteCurveRedraw redrawFn) {
  if (!engine || !noteCurveIsValid(family, slot)) return;
  noteCurveClipAttach(engine, window, ctx.view, redrawFn);
  ctx.view->family = static_cast<std::int16_t>(family);
  ctx.view->slot = static_cast<std::int16_t>(slot);
}

void noteCurveClipForget() {
  ctx = ClipContext{};
  noteCurveViewInit(&ownView);
}

NoteCurveView* noteCurveClipView() { return ctx.view; }
Engine* noteCurveClipEngine() { return ctx.engine; }

float* noteCurveShownTable() {
  if (!ctx.engine || !ctx.view) return nullptr;
  return noteCurveGetTable(ctx.engine, static_cast<std::uint32_t>(ctx.view->family),
                           static_cast<std::uint32_t>(ctx.view->slot));
}

bool noteCurveClipCopy(WinId) {
  const float* table = noteCurveShownTable();
  if (!table) return false;
  std::memcpy(ctx.view->clipboardCurve, table, sizeof ctx.view->clipboardCurve);
  ctx.hasCopy = true;
  return true;
}

bool noteCurveClipHasCopy() { return ctx.hasCopy; }

void noteCurveUndoSnapshot(WinId) {
  const float* table = noteCurveShownTable();
  if (!table) return;
  std::memcpy(ctx.view->beforeCurve, table, sizeof ctx.view->beforeCurve);
  ctx.view->undoFamily = ctx.view->family;
  ctx.view->undoSlot = ctx.view->slot;
  undoSetKind(undoKindNotescale);
}

void noteCurveRedoSnapshot(WinId) {
  const float* table = noteCurveShownTable();
  if (!table) return;
  std::memcpy(ctx.view->afterCurve, table, sizeof ctx.view->afterCurve);
}

void noteCurveClipPaste(WinId window) {
  if (!noteCurveShownTable()) return;
  noteCurveUndoSnapshot(window);
  writeCurve(ctx.view->family, ctx.view->slot, ctx.view->clipboardCurve);
  redraw(window);
  noteCurveRedoSnapshot(window);
}

void noteCurveEditUndoRedo(WinId window, std::uint8_t redo) {
  if (!ctx.engine || !ctx.view) return;
  const NoteCurveView& v = *ctx.view;
  if (!noteCurveIsValid(static_cast<std::uint32_t>(v.undoFamily), static_cast<std::uint32_t>(v.undoSlot))) return;
  writeCurve(v.undoFamily, v.undoSlot, redo ? v.afterCurve : v.beforeCurve);
  redraw(window);
}

int noteCurvePaintLine(float* curve, int p, int n, float v, int* first, int* last) {
  if (!curve || n < 0 || n >= noteCurveNotes) return 0;
  if (std::isnan(v)) v = curve[n];
  v = numClamp<float>(v, 0.0f, 1.0f);
  p = numClamp<int>(p, 0, noteCurveNotes - 1);
  int lo = n, hi = n;
  if (std::abs(p - n) < 2) {
    curve[n] = v;
  } else if (p > n) {
    // A jump to the left: from the new value at n up to p's old value.
    const float step = (curve[p] - v) / static_cast<float>(p - n);
    float x = v;
    for (int c = n; c <= p; ++c, x = numClamp<float>(x + step, 0.0f, 1.0f)) curve[c] = x;
    hi = p;
  } else {
    // A jump to the right: from p's old value up to the new value at n.
    const float step = (v - curve[p]) / static_cast<float>(n - p);
    float x = curve[p];
    for (int c = p; c <= n; ++c, x = numClamp<float>(x + step, 0.0f, 1.0f)) curve[c] = x;
    lo = p;
  }
  if (first) *first = lo;
  if (last) *last = hi;
  return hi - lo + 1;
}

float noteCurveValueAtY(int bottom, int y) {
  return numClamp<float>(static_cast<float>(bottom - y) * 0.005f, 0.0f, 1.0f);
}

bool noteCurveSetSelectedValue(double percent) {
  if (!ctx.view || std::isnan(percent)) return false;
  const int note = ctx.view->selectedNote;
  if (note < 0 || note >= noteCurveNotes) return false;
  float* copy = editBeginNoteCurve(ctx.engine, ctx.view->family, ctx.view->slot);
  if (!copy) return false;
  copy[note] = numClamp<float>(static_cast<float>(percent * 0.01), 0.0f, 1.0f);
  noteCurveCommitShown();
  return true;
}

void noteCurveCommitShown() {
  if (!ctx.engine || !ctx.view) return;
  editCommit(ctx.engine, editKindNoteCurve, ctx.view->slot);
}
