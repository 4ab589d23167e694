// The "Select MIDI Source" window: a small modal dialog listing aftertouch, pitch bend, optionally
// velocity, then the 128 controllers by name, with OK and Cancel. The page that opens it gets the
// chosen source through its callback after OK or a double click on a row; only one can be open.
// User-interface thread only; the window runs its own modal loop.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

// Sources: -1 aftertouch, 0..127 controllers, 128 pitch bend, 129 velocity; -128 for no row.
typedef void (*MidiSourceChosen)(WinId win, std::int16_t source);

enum {
  midiSourceNoRow = -128,
  midiSourceItemBackground = 1,
  midiSourceItemOk = 2,
  midiSourceItemCancel = 3,
  midiSourceItemList = 4,
  midiSourceItemScrollbar = 5
};

// Opens the window over window `win` with `current` preselected and returns once it has closed (the
// callback has then run when the user chose a source). Nothing when the callback is null or a source
// window is open already.
void midiSourcePopupOpen(WinId win, MidiSourceChosen callback, std::int16_t current, std::uint8_t withVelocity);
std::int16_t midiSourceFromRow(std::int32_t row, std::uint8_t withVelocity);
// The list row of a source, -1 when the list has no row for it.
std::int32_t midiSourceRowOf(std::int16_t source, std::uint8_t withVelocity);

// State of the window while it is open (0 when closed): its dialog's and its controls' window ids.
std::uint8_t midiSourcePopupIsOpen();
std::int16_t midiSourcePopupDialogId();
std::int16_t midiSourcePopupBuildId();

// The window's steps, reachable for tests that drive them the way the controls do.
void midiSourcePopupOkEntry();
void midiSourcePopupCancel();
