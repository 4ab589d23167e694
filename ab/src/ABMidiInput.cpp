// MIDI for the client: events of the device layer's ring turned into frame offsets of the current
// block, the MIDI notification (short messages and SysEx straight to the client) and MIDI output.
#include "ABAudioManager.h"

#include "ABAudioClient.h"

#include <cstring>

bool AudioManager::readMidiEvent(int offset, MidiEventRecord* out, int type, int* nextOffset) {
  if (nextOffset) *nextOffset = -1;
  if (!ring || (type != 0 && type != 1) || deviceRate <= 0 || ring->capacity <= 0 || !ring->slots) return false;
  const uint64_t d = static_cast<uint64_t>(blockFrames) * 1000000u / static_cast<uint64_t>(deviceRate);
  const int32_t write = ring->publishedWriteIndex();
  if (ringRead < 0 || ringRead >= ring->capacity) ringRead = 0;
  while (ringRead != write && ring->slot(ringRead).length > 4) ringRead = (ringRead + 1) % ring->capacity;
  if (ringRead == write) return false;
  const MidiRingSlot& slot = ring->slot(ringRead);
  // Signed: a slot stamped before the block's start lies at a negative distance and is due at once.
  const int64_t blockStart = static_cast<int64_t>(ring->blockTime - d);
  const int64_t ms = (static_cast<int64_t>(slot.time) - blockStart) / 1000;
  int o = static_cast<int>(deviceRate * 0.001 * static_cast<double>(ms));
  if (ms < 0 || o < 0) o = 0;
  if (o >= blockFrames) return false;
  o = deviceToClientFrames(o);
  if (nextOffset) *nextOffset = o;
  if (o != offset) return false;
  if (out) {
    std::memset(out, 0, sizeof *out);
    out->size = static_cast<int32_t>(sizeof(MidiEventRecord));
    out->length = 4;
    out->data.bytes[0] = slot.data.bytes[0];
    out->data.bytes[1] = slot.data.bytes[1];
    out->data.bytes[2] = slot.data.bytes[2];
    out->port = slot.port;
    out->time = static_cast<uint32_t>(slot.time / 1000);
    out->type = MIDI_EVENT_SHORT;
    out->offset = o;
  }
  ringRead = (ringRead + 1) % ring->capacity;
  return true;
}

void AudioManager::rewindRing() { ringRead = blockStartRead; }

void abMidiNotify(const MidiRingSlot* slot, int, void* user2, void*) {
  AudioManager* manager = static_cast<AudioManager*>(user2);
  if (!slot || !manager || !abHostRunning()) return;
  MidiEventRecord e;
  std::memset(&e, 0, sizeof e);
  e.size = static_cast<int32_t>(sizeof e);
  if (slot->length >= 1 && slot->length <= 4) {
    if (slot->data.bytes[0] == 0xFE) return;  // active sensing
    e.data.bytes[0] = slot->data.bytes[0];
    e.data.bytes[1] = slot->data.bytes[1];
    e.data.bytes[2] = slot->data.bytes[2];
    e.port = slot->port;
    e.type = MIDI_EVENT_SHORT;
    manager->forwardShortMidi(&e);
  } else if (slot->length > 4) {
    e.length = slot->length;
    e.data.sysEx = slot->data.pointer;
    e.type = MIDI_EVENT_SYSEX;
    manager->forwardSysEx(&e);
  }
}

namespace {

// Bytes of a short message by its status; 0: not sent.
int shortMessageLength(uint8_t status) {
  switch (status & 0xF0) {
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0: return 3;
    case 0xC0:
    case 0xD0: return 2;
    default: break;
  }
  switch (status) {
    case 0xF2: return 3;
    case 0xF1:
    case 0xF3: return 2;
    case 0xF6:
    case 0xF8:
    case 0xF9:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF: return 1;
    default: return 0;
  }
}

}  // namespace

void AudioManager::sendMidiOut(const MidiEventRecord* event) {
  if (!event || event->length > 4 || event->port < 0 || event->port >= AB_MAX_CHANNELS) return;
  const int length = shortMessageLength(event->data.bytes[0]);
  if (length == 0 || !midiOutPorts[event->port]) return;
  MidiRingSlot slot;
  std::memset(&slot, 0, sizeof slot);
  slot.length = length;
  slot.port = event->port;
  for (int i = 0; i < 3; ++i) slot.data.bytes[i] = i < length ? event->data.bytes[i] : 0;
  slot.type = MIDI_SLOT_RING;
  abSendMidi(&slot);
}
