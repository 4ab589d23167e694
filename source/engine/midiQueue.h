// The engine's MIDI input: a ring of events written by the audio client and the user interface and
// read by the audio thread, the handler table by status byte and the state the handlers keep.
#pragma once
#include <atomic>
#include <cstdint>

struct Engine;

struct MidiEvent {
  std::int32_t time;            // due time in frames; every producer writes 0
  std::uint16_t status;         // status byte 0x80..0xFF; outside 1..255 never dispatched
  std::uint16_t data1;
  std::uint16_t data2;
  std::uint16_t spare;
  std::atomic<std::uint8_t> pending;   // 1 written and not yet taken, 0 free (polled by both threads)
};

typedef void (*MidiHandler)(Engine* engine, MidiEvent* event);

const int midiRingSize = 1024;

struct MidiState {
  std::int16_t writeIndex;      // next ring entry to write, 0..1023
  std::int16_t readIndex;       // next ring entry to read; equal indices mean empty
  MidiEvent ring[midiRingSize];
  MidiHandler handlers[256];    // by status byte
  std::int16_t controllers[128];    // last value 0..127 per controller number
  std::int16_t noteVoice[128];      // voice last started per note, -1 none
  std::int16_t monoStack[11];       // held notes of mono mode, most recent first
  std::uint16_t noteOnCount[128];   // note-ons not yet matched by a note-off
  std::uint8_t keyDisplayChanged[2];
  std::uint8_t keyDown[128];
  std::uint8_t keyChanged[2][128];
  std::int16_t receiveChannel;      // -1 omni, 0..15 one channel, -2 off
  std::uint16_t channelPressure;    // 0..127
  std::uint16_t pitchBend;          // coarse 0..126, or 128 for 127
  std::int16_t sustain;             // 1..127 pedal down, 0 just released, -1 nothing to do
  std::int16_t lastNote;
  std::int16_t glideSourceNote;
  std::uint8_t controllerChanged;
};
