// Edits of the Midi page's per-note curves ("Notescale Map") that need no window: the view record of
// the curve item, painting a run of columns, setting one note, the Edit menu's copy and paste (kind
// 4) and one level of undo (undoKindNotescale, "Undo Notescale Edit"). Undo acts on the curve of the last
// undoable edit, which need not be the curve shown: a painting drag or a paste keeps the curve as it
// was before (undo snapshot) and after (redo snapshot). Every change reaches the engine through the
// edit block (editKindNoteCurve, the curve's family as the block's second index). User-interface thread.
//
// The page attaches the view record of its curve item and a redraw routine (the 128 columns and the
// value box); without an attached record the module keeps one of its own, so the Edit menu works
// before the page exists.
#pragma once
#include <cstdint>

#include "uiSeams/winId.h"

struct Engine;

const int noteCurveNotes = 128;

// The data record of the curve view item.
struct NoteCurveView {
  std::int16_t selectedNote;             // note shown in the note and value boxes (60)
  std::uint8_t follow;                   // 1: the selected note follows the last note-on
  float beforeCurve[noteCurveNotes];     // the curve before the last undoable edit (1.0 each)
  float afterCurve[noteCurveNotes];      // the curve after it (1.0 each)
  float clipboardCurve[noteCurveNotes];  // the Edit menu's copied curve (1.0 each)
  std::int16_t undoFamily, undoSlot;     // curve that undo and redo act on (-1, -1: none)
  std::int16_t slot, family;             // the curve shown (0, 1)
};

void noteCurveViewInit(NoteCurveView* view);

// Redraws the shown curve's 128 columns and the value box of the page in `window`.
typedef void (*NoteCurveRedraw)(WinId window);

// The page's view record (null: the module's own) and redraw routine; installs the undo handler.
void noteCurveClipAttach(Engine* engine, WinId window, NoteCurveView* view, NoteCurveRedraw redraw);
// The tab shows curve (family 1..3, slot); a pair that does not exist is ignored. Attaches the
// module's own record when none is attached yet.
void noteCurveClipShow(Engine* engine, WinId window, std::uint32_t family, std::uint32_t slot, NoteCurveRedraw redraw);
void noteCurveClipForget();          // the page goes away: nothing attached, the own record reset
NoteCurveView* noteCurveClipView();  // the attached record, null before any
Engine* noteCurveClipEngine();
// The 128 values of the shown curve in the engine, null without one.
float* noteCurveShownTable();

// Edit > Copy: the shown curve into the clipboard; true when there was one (the Edit menu then offers
// "Paste Notescale Map").
bool noteCurveClipCopy(WinId window);
bool noteCurveClipHasCopy();
// Edit > Paste: undo snapshot, the clipboard into the shown curve, redraw, redo snapshot.
void noteCurveClipPaste(WinId window);
// The undo snapshot before an edit (the shown curve, its family and slot; undoKindNotescale) and the redo
// snapshot after it.
void noteCurveUndoSnapshot(WinId window);
void noteCurveRedoSnapshot(WinId window);
// Undo (redo 0) or redo (1): the before or after snapshot into the curve of the last edit, then the
// shown curve redrawn. Nothing while no edit was snapshotted.
void noteCurveEditUndoRedo(WinId window, std::uint8_t redo);

// One painting step on `curve` from the previous column p to column n (0..127) with the new value v:
// a step of less than two columns sets n alone; a longer one draws a straight line between the old
// value at p and v at n (each value limited to 0..1). Writes the painted range to *first, *last and
// returns how many columns it set (0 for a column outside 0..127).
int noteCurvePaintLine(float* curve, int p, int n, float v, int* first, int* last);
// Value of a painting point: (bottom - y) x 0.005 limited to 0..1 (the view is 200 pixels high).
float noteCurveValueAtY(int bottom, int y);
// The value box: percent x 0.01 (limited to 0..1; NaN leaves the value) at the selected note of the
// shown curve, committed; no undo snapshot. True when a value was stored.
bool noteCurveSetSelectedValue(double percent);
// Commits the edit copy of the shown curve that `values` points into (editBeginNoteCurve's copy).
void noteCurveCommitShown();
