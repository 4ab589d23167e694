// The MIDI input ring: time-stamped input that the MIDI driver writes on the system's MIDI thread and
// the host reads on the audio thread. One writer side, one reader, no lock: the writer fills a slot
// completely, then publishes the advanced write index with a release store; the reader loads it with
// an acquire load and never reads past it. When the writer laps the reader, unread slots are overwritten.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

// One received message. Short messages (length 1..4) carry their bytes inline, status first; longer
// ones (SysEx) carry a pointer to bytes that are valid only while the MIDI notification runs.
struct MidiRingSlot {
  int32_t length;  // bytes
  int32_t port;    // the system index of the port it came from (or goes to)
  union {
    uint8_t bytes[4];
    const uint8_t* pointer;
  } data;
  uint64_t time;     // microseconds, on the clock of MidiInputRing::blockTime
  int32_t spare[2];  // 0 as written
  int32_t type;      // MIDI_SLOT_RING as written by the MIDI driver
};

// The type word of a slot: what a SysEx notification carries, and what a ring slot (or an outgoing
// short message) carries.
enum MidiSlotType : int32_t { MIDI_SLOT_SYSEX = 0, MIDI_SLOT_RING = 2 };

// The host's MIDI notification: called for every message written into the ring (and for every SysEx
// message, which does not enter the ring) with the slot, 0 and the MIDI device's two user words. It runs
// on the system's MIDI callback thread, not on the audio thread: whatever it calls (the audio client's
// shortMidi and sysEx among them) runs there too. A SysEx slot (length above 4) points at bytes that are
// valid only during the call; a SysEx of 4 bytes or fewer carries them inline; its type is
// MIDI_SLOT_SYSEX, a ring slot's MIDI_SLOT_RING.
typedef void (*AbMidiNotify)(const MidiRingSlot* slot, int reserved, void* user2, void* user1);

class MidiInputRing {
 public:
  static const int32_t kCapacity = 4096;

  MidiInputRing() = default;
  virtual ~MidiInputRing();
  MidiInputRing(const MidiInputRing&) = delete;
  MidiInputRing& operator=(const MidiInputRing&) = delete;

  // Allocates the slots (zeroed) and sets the write index to 0. False when memory is short.
  bool allocate(int32_t capacity = kCapacity);
  void release();

  // Reader side: the write index as last published (acquire), and a slot by index.
  int32_t publishedWriteIndex() const { return writeIndex.load(std::memory_order_acquire); }
  const MidiRingSlot& slot(int32_t index) const { return slots[index]; }

  // Writer side: the slot at the write index, to be filled completely before publish().
  MidiRingSlot* writeSlot() { return &slots[writeIndex.load(std::memory_order_relaxed)]; }
  // Advances the write index (wrapping to 0 at the capacity) with a release store.
  void publish();

  int32_t capacity = 0;
  uint64_t blockTime = 0;              // microseconds: the time of the current audio block
  std::atomic<int32_t> writeIndex{0};  // 0..capacity-1
  std::unique_ptr<MidiRingSlot[]> slots;
};
