// One level of undo per editor kind, toggling between undo and redo, and the Edit menu's "Undo" item.
// Kinds: 0 none, 2 envelope, 3 waveform, 4 notescale, 5 patch. Each editor performs its own undo and
// redo: it installs a handler for its kind, which undoRedo calls with the window and the redo state
// (0 undo, 1 redo). User-interface thread only.
#pragma once
#include <cstdint>

#include "uiSeams/winId.h"

enum { undoKindNone = 0, undoKindEnvelope = 2, undoKindWaveform = 3, undoKindNotescale = 4, undoKindPatch = 5 };

typedef void (*UndoHandler)(WinId window, std::uint8_t redoState);
void undoSetHandler(std::uint16_t kind, UndoHandler handler);  // kinds 2..5

void undoSetKind(std::uint16_t kind);  // 0..5; resets the redo state and makes undo available
std::uint16_t undoGetKind();
std::uint8_t undoGetRedoState();
void undoSetEnabled(std::uint8_t flag);
void undoUpdateMenu();
// The item's text for the kind and redo state; "Undo" and false when nothing can be undone.
bool undoGetMenuText(char* out, int capacity);
void undoRedo(WinId window);

// Patch undo: a two-slot bank holding the patch before the edit (slot 0) and after it (slot 1).
struct Engine;
void undoCreateBank();  // at start-up
void undoDestroyBank();
bool undoStorePatchBefore(Engine* engine);  // false without the undo bank
void undoPatch(Engine* engine);             // keeps the preset's place in the bank
void redoPatch(Engine* engine);
