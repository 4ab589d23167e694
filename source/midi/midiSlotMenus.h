// The controller slots' context menus on the Main page, opened by Alt-click or a double click: a
// slider's menu ("Make XY Controller..." and the controller's destinations) and a pad's menu ("Make
// into Sliders" and the destinations of both controllers). A destination row shows the page that
// edits it. The destination table holds at most 32 rows, filled for one controller at a time.
// User-interface thread.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

struct ControlItem;
struct Engine;

enum { midiDestRowCount = 32, midiDestNameBytes = 48 };
// Menu entries: the first command, the separator, then row r as entry midiMenuFirstRow + r.
enum { midiMenuFirstCommand = 1, midiMenuSeparator = 2, midiMenuFirstRow = 3 };

struct MidiDestRow {
  char name[midiDestNameBytes];  // menu text of the destination
  std::uint16_t page;            // page that edits it: 6 Envelope, 7 LFO, 8 Midi; 0 ends the list
};

// The table (32 rows) and its clearing; the fill appends the rows of controller c from row `startRow`
// on, in the fixed order (volume, pans, the three depths, LFO by LFO, envelope by envelope), and
// returns the new row count (rows past the 32nd are dropped).
MidiDestRow* midiDestRows();
void midiDestListClear();
int midiDestListFill(Engine* engine, std::int16_t c, int startRow);
int midiDestListFillEntry(Engine* engine, std::int16_t c, int startRow);

// The menus of the slot whose slider or pad is `item`; tracked at the mouse, then destroyed. Without
// a free popup slot: the message "Error, Morvane could not build the contextual menu".
void midiSlotMenuOpen(ControlItem* item);
void midiSlotMenuOpenEntry(ControlItem* item);
void midiXyMenuOpen(ControlItem* item);
// The choices (entry numbers as above); nothing once the menu's context is gone.
void midiSlotMenuChoose(std::int16_t menu, std::int16_t itemNumber);
void midiXyMenuChoose(std::int16_t menu, std::int16_t itemNumber);

// Invalidates the sliders, pads and labels (items b+4..b+8) of every slot whose item is visible.
void midiSlotsInvalidate(WinId win);
