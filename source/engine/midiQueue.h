// The engine's MIDI input: a ring of events written by the audio client (device MIDI, audio thread)
// and by the user interface (on-screen keyboard, sliders, tests), read by the audio thread only; the
// handler table by status byte and the state the handlers keep.
//
// Two writers share the ring without a lock: a writer claims an entry by a compare-and-swap on the
// write index and publishes it with the entry's pending byte; the reader takes an entry only once its
// pending byte is set, clears it and then advances the read index. A full ring (1023 unread events)
// drops the new event and counts it in `dropped`; queued events are never overwritten.
#pragma once
#include <atomic>
#include <cstdint>

struct Engine;

struct MidiEvent {
  std::int32_t time;     // due time in frames; every producer writes 0
  std::uint16_t status;  // status byte 0x80..0xFF; outside 1..255 never dispatched
  std::uint16_t data1;
  std::uint16_t data2;
  std::uint16_t spare;
  std::atomic<std::uint8_t> pending;  // 1 written and not yet taken, 0 free (polled by both threads)
};

typedef void (*MidiHandler)(Engine* engine, MidiEvent* event);

const int midiRingSize = 1024;
const int midiMonoSlots = 11;  // 0..9 held notes, 10 a note pushed out of slot 9

struct MidiState {
  std::atomic<std::int16_t> writeIndex;  // next ring entry to write, 0..1023
  std::atomic<std::int16_t> readIndex;   // next ring entry to read; equal indices mean empty
  MidiEvent ring[midiRingSize];
  std::atomic<MidiHandler> handlers[256];  // by status byte; rewritten by the receive channel
  std::int16_t controllers[128];           // last value 0..127 per controller number
  std::int16_t noteVoice[128];             // voice last started per note, -1 none
  std::int16_t monoStack[midiMonoSlots];   // held notes of mono mode, most recent first, -1 empty
  std::uint16_t noteOnCount[128];          // note-ons not yet matched by a note-off
  std::uint8_t keyDisplayChanged[2];
  std::uint8_t keyDown[128];
  std::uint8_t keyChanged[2][128];
  std::int16_t receiveChannel;    // -1 omni, 0..15 one channel, -2 off
  std::uint16_t channelPressure;  // 0..127
  std::uint16_t pitchBend;        // coarse 0..126, or 128 for 127
  std::int16_t sustain;           // 1..127 pedal down, 0 just released, -1 nothing to do
  std::int16_t lastNote;
  std::int16_t glideSourceNote;
  std::uint8_t controllerChanged;
  std::atomic<std::uint32_t> dropped;  // events refused because the ring was full
  // Set by a receive-channel change on the user-interface thread; the audio thread's next dispatch
  // ends every note (the voice lists belong to the audio thread).
  std::atomic<std::uint8_t> allNotesOffRequest;
};

// ---- queue (any thread) ----
void midiInit(Engine* engine);
// Appends a copy of the event (time, status, data1, data2, spare); false (and counted) when full.
bool midiQueuePushEntry(MidiState* queue, const MidiEvent* event);
// Builds and queues a short message the way the audio client does (status = first byte + 256 when
// read as signed, i.e. 0x80..0xFF; time 0).
bool midiQueuePushShort(MidiState* queue, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
void midiQueueNoteOn(Engine* engine, std::int16_t note, std::int16_t velocity, std::int16_t channel);
void midiQueueEvent(Engine* engine, std::int16_t controller, std::int16_t value, std::int16_t channel);
std::uint32_t midiDroppedCount(Engine* engine);
// Unread events in the ring.
int midiQueueCount(const MidiState* queue);

// ---- audio thread ----
bool midiDispatchDue(Engine* engine, std::int32_t now);
void midiProcessBlock(Engine* engine);
void midiOnNoteOff(Engine* engine, MidiEvent* event);
void midiOnNoteOn(Engine* engine, MidiEvent* event);
void midiOnController(Engine* engine, MidiEvent* event);
void midiOnProgramChange(Engine* engine, MidiEvent* event);
void midiOnChannelPressure(Engine* engine, MidiEvent* event);
void midiOnPitchBend(Engine* engine, MidiEvent* event);
void midiOnIgnore(Engine* engine, MidiEvent* event);

// ---- receive channel, resets, key display ----
void midiSetChannel(Engine* engine, std::int16_t channel, std::uint8_t enable);
std::int16_t midiGetReceiveChannel(Engine* engine);
std::int16_t midiGetQueueChannel(Engine* engine);
void midiReset(Engine* engine);
void midiAllNotesOff(Engine* engine);
void midiClearKeyDisplay(Engine* engine);
bool midiTakeNextChangedKey(Engine* engine, std::int16_t* key, std::uint16_t* value, std::uint8_t set);
std::uint8_t midiReadNoteFlag(Engine* engine, std::uint8_t set);
void midiClearChangeFlag(Engine* engine, std::uint8_t set);

// ---- values ----
std::int16_t midiGetSourceValue(Engine* engine, std::int16_t source);
std::int16_t midiVoiceSourceValue(Engine* engine, std::int16_t voice, std::int16_t source);
bool midiTakeChanged(Engine* engine);
std::int16_t midiGetLastNote(Engine* engine);
std::int16_t midiGetGlideFromNote(Engine* engine);
void midiSetGlideFromNote(Engine* engine, std::uint16_t note);
void midiSetNoteVoice(MidiState* queue, std::int16_t note, std::int16_t voice);
