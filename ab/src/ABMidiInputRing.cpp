// The MIDI input ring's storage and the writer's publication of a filled slot.
#include "ABMidiInputRing.h"

#include <new>

MidiInputRing::~MidiInputRing() { release(); }

bool MidiInputRing::allocate(int32_t count) {
  release();
  if (count < 1) return false;
  slots.reset(new (std::nothrow) MidiRingSlot[count]());
  if (!slots) return false;
  capacity = count;
  blockTime = 0;
  writeIndex.store(0, std::memory_order_release);
  return true;
}

void MidiInputRing::release() {
  slots.reset();
  capacity = 0;
  writeIndex.store(0, std::memory_order_release);
}

void MidiInputRing::publish() {
  int32_t next = writeIndex.load(std::memory_order_relaxed) + 1;
  if (next >= capacity) next = 0;
  writeIndex.store(next, std::memory_order_release);
}
