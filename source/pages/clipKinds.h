// Edit-menu Copy and Paste by kind: what the page in front can copy (the copy kind), what the last
// copy stored (the paste kind) and whether the page in front accepts a paste. Pages and editors set
// them; the Edit menu's Copy (position 3) and Paste (position 4) items are relabelled and enabled to
// match, and the commands go to the editor that owns the kind. Kinds: 0 none, 1 Envelope,
// 2 Breakpoints, 3 Wave, 4 Notescale Map. The clipboards belong to the editors.
#pragma once
#include <cstdint>

#include "uiSeams/winId.h"

enum { clipKindNone = 0, clipKindEnvelope = 1, clipKindBreakpoints = 2, clipKindWave = 3, clipKindNoteScale = 4 };
// Positions in the Edit menu (menu 2).
enum { editPosUndo = 0, editPosCut = 2, editPosCopy = 3, editPosPaste = 4, editPosClear = 5, editPosSelectAll = 6 };

void clipSetCopyKind(std::int16_t kind);   // 0..4 stored (others keep the kind); menu refreshed
void clipSetPasteKind(std::int16_t kind);  // 0..4 stored; paste enabled in every case
void clipEnablePaste(std::uint8_t on);
std::int16_t clipGetPasteKind();
std::int16_t clipGetCopyKind();
std::uint8_t clipPasteEnabled();
// Edit > Copy and Edit > Paste of window `windowId`. Paste runs only while the Paste item is enabled
// and the stored kind belongs to the editor the page in front copies from.
void clipCopy(WinId windowId);
void clipPaste(WinId windowId);
// The Copy and Paste labels of the current kinds (out: at least 32 bytes); true when enabled.
bool clipCopyLabel(char* out);
bool clipPasteLabel(char* out);
void clipReset();  // all three values back to 0 (tests)
