#include "midi/midiSlot.h"

void midiSlotClear(MidiSlot* slots, int slot) {
  if (!slots || slot < 0 || slot >= midiSlotCount) return;
  MidiSlot& s = slots[slot];
  s.used = 0;
  s.isXY = 0;
  s.dragging = 0;
  s.controller = midiSlotNone;
  s.xController = midiSlotNone;
  s.yController = midiSlotNone;
  s.entry = nullptr;
  s.partner = midiSlotNone;
}
