// The output set-up: the speaker layout of the surround mixdown, the device output of each speaker
// and of the LFE, and the LFE switch, crossover frequency and gain. The values live in the engine's
// output settings; the registry keeps them between runs (loaded at start-up, saved by the dialog's OK
// button). The dialog ("Morvane Output Setup") is one modeless window at a time over a window of the
// program; every choice in it changes the engine at once.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

struct ControlItem;
struct Engine;

// Registry <-> engine. Both do nothing without an engine. Stored values the engine could not use are
// replaced when read: a layout outside 0..13 by layout 1, an output outside 1..8 (stored 0..7) by the
// value's default, an LFE frequency or gain outside its box's range by the nearest end of the range.
void outSetupLoad(Engine* engine);
void outSetupSave(Engine* engine);

// Whether the device's enabled outputs (`engineGetOutputCount`) are enough for layout 0..13.
bool outSetupLayoutFits(Engine* engine, int layout);
// The outputs layout 0..13 needs before it is offered (0 outside the table).
int outSetupOutputsNeeded(int layout);

// Opens the dialog over window `parent`; nothing without an engine or while the dialog is open.
void outSetupOpen(WinId parent, Engine* engine);
// The window callback of the dialog's outer window (created: builds the inner window and its
// controls; destroyed: ends the dialog without saving).
void outSetupWindowEvent(WinId window, std::uint32_t event, void* data);
// The OK button: saves, then closes the dialog.
void outSetupClose(ControlItem* item, std::uint8_t pressed, std::int16_t state);

// The dialog's window ids (0 while it is closed): the outer window and the inner one with the controls.
std::int16_t outSetupWindowId();
std::int16_t outSetupInnerId();

// Item ids of the inner window.
enum {
  outSetupItemBackground = 1,
  outSetupItemOk = 2,
  outSetupItemConfiguration = 3,
  outSetupItemLfe = 4,
  outSetupItemLfeGroup = 5,
  outSetupItemLfeFreq = 6,
  outSetupItemLfeOutput = 7,
  outSetupItemLfeGain = 8,
  outSetupItemFirstSpeaker = 9,
  outSetupItemLastSpeaker = 18,
  outSetupItemCount = 19
};
