// Clipboard and one level of undo of the Midi page's note-scale tab: copy and paste the 128 values
// of the curve the tab shows, and swap the values saved before the last note-scale edit with the
// curve (undo kind 4, "Undo Notescale Edit"). Edits reach the engine through the edit block (edit
// kind 12). User-interface thread only.
//
// The page tells this module which engine, window and curve it shows (noteCurveClipShow) and how to
// redraw it; the other calls act on that curve and do nothing before it.
#pragma once
#include <cstdint>

struct Engine;

typedef void (*NoteCurveRedraw)(int window);

// Registers the shown curve (family 1..3, slot) of the tab in `window`, and the undo handler.
void noteCurveClipShow(Engine* engine, int window, std::uint32_t family, std::uint32_t slot, NoteCurveRedraw redraw);
void noteCurveClipForget();  // the page goes away
// Edit > Copy: copies the shown curve's values; true when there was one (the Edit menu then offers
// paste kind 4, "Paste Notescale Map").
bool noteCurveClipCopy(int window);
bool noteCurveClipHasCopy();
// Edit > Paste: saves the shown curve for undo, writes the copied values (limited to 0..1) into it
// through the edit block and redraws it.
void noteCurveClipPaste(int window);
// Before a note-scale edit of the shown curve: saves its values for undo and arms undo kind 4.
void noteCurveUndoSave(int window);
// Undo (redo 0) or redo (1) of the last note-scale edit: swaps the saved values with the curve the
// tab shows and redraws it.
void noteCurveEditUndoRedo(int window, std::uint8_t redo);
