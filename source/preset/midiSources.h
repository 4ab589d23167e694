// Modulation sources: the numbers that envelopes, LFOs, controller maps and breakpoint scales store
// for what they read. 0..127 are the MIDI controllers; the others are named here.
#pragma once
#include <cstdint>

enum MidiSource : std::int16_t {
  midiSourcePressure = -1,  // channel pressure (aftertouch)
  midiSourcePitchBend = 128,
  midiSourceVelocity = 129,  // the voice's note-on velocity
  midiSourceNote = 130,      // the voice's note number
  midiSourceRandom = 131
};
