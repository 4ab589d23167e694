// The MIDI ring: the lock-free push shared by the device MIDI of the audio thread and the events of
// the user interface, the dispatch by status byte, the receive channel and the resets.
#include "engine/midiQueue.h"

#include "engine/engine.h"
#include "engine/numeric.h"
#include "engine/voice.h"

namespace {

void copyEvent(MidiEvent* to, const MidiEvent* from) {
  to->time = from->time;
  to->status = from->status;
  to->data1 = from->data1;
  to->data2 = from->data2;
  to->spare = from->spare;
}

void setHandlers(MidiState& m, int channel, bool real) {
  const MidiHandler table[6] = {midiOnNoteOff,       midiOnNoteOn,          midiOnController,
                                midiOnProgramChange, midiOnChannelPressure, midiOnPitchBend};
  const int status[6] = {0x80, 0x90, 0xB0, 0xC0, 0xD0, 0xE0};
  for (int k = 0; k < 6; ++k)
    m.handlers[status[k] + channel].store(real ? table[k] : midiOnIgnore, std::memory_order_relaxed);
}

void clearNoteBookkeeping(MidiState& m) {
  for (auto& s : m.monoStack) s = -1;
  for (auto& c : m.noteOnCount) c = 0;
}

}  // namespace

// ---- queue ----

bool midiQueuePushEntry(MidiState* queue, const MidiEvent* event) {
  if (!queue || !event) return false;
  std::int16_t w = queue->writeIndex.load(std::memory_order_acquire);
  std::int16_t next;
  for (;;) {
    const std::int16_t r = queue->readIndex.load(std::memory_order_acquire);
    next = static_cast<std::int16_t>((w + 1) % midiRingSize);
    if (next == r) {
      // Full: the new event is dropped; what is queued stays.
      queue->dropped.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    if (queue->writeIndex.compare_exchange_weak(w, next, std::memory_order_acq_rel, std::memory_order_acquire)) break;
  }
  MidiEvent& entry = queue->ring[w];
  copyEvent(&entry, event);
  entry.pending.store(1, std::memory_order_release);
  return true;
}

static bool pushFields(MidiState* queue, std::uint16_t status, std::uint16_t data1, std::uint16_t data2) {
  MidiEvent e;
  e.time = 0;
  e.status = status;
  e.data1 = data1;
  e.data2 = data2;
  e.spare = 0;
  e.pending.store(1, std::memory_order_relaxed);
  return midiQueuePushEntry(queue, &e);
}

bool midiQueuePushShort(MidiState* queue, std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  // The status byte read as signed, plus 256: 0x80..0xFF give 128..255.
  const int s = static_cast<int>(static_cast<std::int8_t>(status)) + 256;
  return pushFields(queue, static_cast<std::uint16_t>(s), data1, data2);
}

void midiQueueNoteOn(Engine* engine, std::int16_t note, std::int16_t velocity, std::int16_t channel) {
  if (!engine) return;
  if (channel < 0 || channel > 15) channel = 0;
  pushFields(&engine->midi, static_cast<std::uint16_t>(0x90 + channel),
             static_cast<std::uint16_t>(numClamp<int>(note, 0, 127)),
             static_cast<std::uint16_t>(numClamp<int>(velocity, 0, 127)));
}

void midiQueueEvent(Engine* engine, std::int16_t controller, std::int16_t value, std::int16_t channel) {
  if (!engine) return;
  if (channel == -1) channel = 0;
  if (controller < -1 || controller > 127 || channel < 0 || channel > 15) return;
  const std::uint16_t v = static_cast<std::uint16_t>(numClamp<int>(value, 0, 127));
  if (controller == -1)
    pushFields(&engine->midi, static_cast<std::uint16_t>(0xD0 + channel), v, 0);
  else
    pushFields(&engine->midi, static_cast<std::uint16_t>(0xB0 + channel), static_cast<std::uint16_t>(controller), v);
}

std::uint32_t midiDroppedCount(Engine* engine) { return engine ? engine->midi.dropped.load() : 0; }

int midiQueueCount(const MidiState* queue) {
  if (!queue) return 0;
  const int w = queue->writeIndex.load(std::memory_order_acquire);
  const int r = queue->readIndex.load(std::memory_order_acquire);
  return ((w - r) % midiRingSize + midiRingSize) % midiRingSize;
}

// ---- dispatch (audio thread) ----

bool midiDispatchDue(Engine* engine, std::int32_t now) {
  if (!engine) return false;
  MidiState& m = engine->midi;
  if (m.allNotesOffRequest.exchange(0, std::memory_order_acq_rel)) midiAllNotesOff(engine);
  bool taken = false;
  for (int k = 0; k < midiRingSize; ++k) {
    const std::int16_t r = m.readIndex.load(std::memory_order_relaxed);
    if (r == m.writeIndex.load(std::memory_order_acquire)) break;
    MidiEvent& entry = m.ring[r];
    if (entry.pending.load(std::memory_order_acquire) == 0) break;  // claimed, not yet written
    if (entry.time > now) break;
    MidiEvent event;
    copyEvent(&event, &entry);
    event.pending.store(0, std::memory_order_relaxed);
    entry.pending.store(0, std::memory_order_relaxed);
    m.readIndex.store(static_cast<std::int16_t>((r + 1) % midiRingSize), std::memory_order_release);
    taken = true;
    if (event.status >= 1 && event.status <= 255) {
      MidiHandler handler = m.handlers[event.status].load(std::memory_order_relaxed);
      if (handler) handler(engine, &event);
    }
  }
  return taken;
}

// ---- set-up, receive channel, resets ----

void midiInit(Engine* engine) {
  if (!engine) return;
  MidiState& m = engine->midi;
  for (auto& h : m.handlers) h.store(midiOnIgnore, std::memory_order_relaxed);
  for (auto& c : m.controllers) c = 0;
  m.controllers[7] = 127;
  m.controllers[10] = 64;
  for (auto& v : m.noteVoice) v = -1;
  m.writeIndex.store(0);
  m.readIndex.store(0);
  for (auto& e : m.ring) {
    e.time = 0;
    e.status = e.data1 = e.data2 = e.spare = 0;
    e.pending.store(0);
  }
  m.dropped.store(0);
  m.allNotesOffRequest.store(0);
  clearNoteBookkeeping(m);
  midiClearKeyDisplay(engine);
  midiSetChannel(engine, -1, 0);
  for (auto& c : m.noteOnCount) c = 0;
  m.receiveChannel = -1;
  m.channelPressure = 0;
  m.pitchBend = 64;
  m.sustain = 0;
  m.lastNote = 60;
  m.glideSourceNote = 0;
  m.keyDisplayChanged[0] = m.keyDisplayChanged[1] = 0;
  for (auto& k : m.keyDown) k = 0;
  for (auto& set : m.keyChanged)
    for (auto& k : set) k = 0;
  m.controllerChanged = 1;
}

void midiSetChannel(Engine* engine, std::int16_t channel, std::uint8_t enable) {
  if (!engine || channel < -1 || channel > 15) return;
  MidiState& m = engine->midi;
  if (channel == -1) {
    for (int c = 0; c < 16; ++c) setHandlers(m, c, enable != 0);
  } else {
    for (int c = 0; c < 16; ++c) setHandlers(m, c, false);
    if (enable) setHandlers(m, channel, true);
  }
  m.receiveChannel = enable ? channel : static_cast<std::int16_t>(-2);
  // The notes end on the audio thread at its next dispatch: the voice lists are its own.
  m.allNotesOffRequest.store(1, std::memory_order_release);
}

std::int16_t midiGetReceiveChannel(Engine* engine) { return engine ? engine->midi.receiveChannel : -1; }

std::int16_t midiGetQueueChannel(Engine* engine) {
  if (!engine) return 0;
  const std::int16_t c = engine->midi.receiveChannel;
  return c < 0 ? 0 : c;
}

void midiReset(Engine* engine) {
  if (!engine) return;
  clearNoteBookkeeping(engine->midi);
  midiClearKeyDisplay(engine);
}

void midiAllNotesOff(Engine* engine) {
  if (!engine) return;
  MidiState& m = engine->midi;
  m.sustain = 0;
  clearNoteBookkeeping(m);
  midiClearKeyDisplay(engine);
  for (auto& v : m.noteVoice) v = -1;
  voiceAllNotesOff(engine);
}
