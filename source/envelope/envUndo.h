// The Envelope page's one-level envelope undo (Edit menu undoKindEnvelope): a snapshot of the selected
// envelope before a single-envelope edit (paste, library load, initialise) or of all 28 slots before
// an edit of several (tools, delete). Undo and redo toggle: each call of envEditUndoRedo exchanges
// the live slot(s) with the kept copy. A one-slot undo never changes which module the slot drives
// (its destination and owner stay); the all-slots undo swaps while the engine is stopped and then
// rebuilds and restarts it. Every operation takes the main window's id, makes it current and selects
// the page's pane first; without the window's view or engine it does nothing.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

void envUndoSnapshot(WinId win);
void envUndoSnapshotAll(WinId win);
// Before a mouse edit of slot index: a snapshot of that slot, or of all slots when the slot is one half
// of a surround-pan pair (the edit writes both halves, so Undo must give back both).
void envUndoSnapshotBefore(WinId win, std::int16_t index);
// The undo manager's handler for kind 2 (installed by the snapshots): redo 0 undoes, 1 redoes.
void envEditUndoRedo(WinId win, std::uint8_t redo);
void envUndoRedoAll(WinId win, std::uint8_t redo);
// redoSlot := the live slot of undoSlotIndex (nothing for an all-slots undo).
void envRedoSnapshot(WinId win);
