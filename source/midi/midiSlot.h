// The twelve controller slots of the Main page's lower panel (a slider or an XY pad each); their
// records live in the main window's data.
#pragma once
#include <cstdint>

struct SliderEntry;

struct MidiSlot {
  std::uint8_t used;           // 1 while the slot shows a controller
  std::uint8_t isXY;           // 1 for an XY pad, 0 for a slider
  std::uint8_t dragging;       // 1 while the mouse holds the slot's slider or pad
  std::int16_t controller;     // slider's controller or the pair's lower one; -1 aftertouch, -10 none
  std::int16_t xController;    // the pad's X controller; -10 for a slider
  std::int16_t yController;    // the pad's Y controller; -10 for a slider
  SliderEntry* entry;          // the slider-list entry shown; null when empty
  std::int16_t partner;        // copy of the entry's partner controller (-10 none)
  std::uint32_t notifyIds[3];  // handed to the page's change hook with every sent value
};

enum { midiSlotCount = 12, midiSlotNone = -10 };

// Makes slot 0..11 of `slots` (the main window's array of twelve) empty: flags 0, controllers and
// partner -10, no entry; the notify ids stay. Sends nothing; any other slot number does nothing.
void midiSlotClear(MidiSlot* slots, int slot);
