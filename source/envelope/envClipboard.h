// The Envelope page's clipboard: Edit > Copy takes the selected envelope whole (clipKindEnvelope,
// "Paste Envelope") or, when a run of more than one breakpoint is selected, that run (clipKindBreakpoints,
// "Paste Breakpoints"); Edit > Paste writes it into the selected envelope. An envelope paste keeps
// what ties the target to its place (destination, owner, identity, pair) and re-checks a copied
// link. A breakpoint paste replaces the selected breakpoint by the run (keeping its time) and is
// restructured inside the slot handshake. envClipCopy and envClipPaste are declared in pages.h.
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"
#include "uiSeams/winId.h"

struct Engine;

// ---- Breakpoint clipboard (one for the program)
enum { envBpClipEmpty = -6 };
bool envBpClipHasContent();
// True when a breakpoint selection exists and covers more than one breakpoint.
bool envBpSelIsRange(WinId win);
void envBpClipClear();
// Remembers the page's selected run and copies the whole envelope it belongs to.
void envBpClipStore(WinId win, const EnvelopeSlot* slot);
// Pastes the run into the selected envelope (`target` is that live slot); see envBpSplice.
void envBpClipPaste(WinId win, EnvelopeSlot* target);
std::int16_t envBpClipFirst();
std::int16_t envBpClipLast();

// The paste arithmetic on plain records: breakpoint p of `target` is replaced by breakpoints
// first..last of `clip` (the first of them takes p's time, in `clip` too); what lies beyond 68 is
// dropped; sustain (both copies) and loop start at or after p move by last - first; the last index
// follows the count. False (nothing changed) for indices out of range.
bool envBpSplice(EnvelopeSlot* target, EnvelopeSlot* clip, int first, int last, int p);

// ---- Envelope paste on plain records: `clip` over `target` (slot index `index`), keeping the
// target's place fields and handshake word, and dropping a link that is not valid there (onto slot
// 0..2, onto itself, or onto a master that no longer holds an envelope). `engine` resolves the master.
void envPasteSlotRecord(Engine* engine, std::int16_t index, EnvelopeSlot* target, const EnvelopeSlot* clip);
