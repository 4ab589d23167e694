// The MIDI event record the host hands to its audio client.
#pragma once

#include <cstdint>

struct MidiEventRecord {
  int32_t size;    // sizeof(MidiEventRecord): 40 on 32-bit builds
  int32_t length;  // bytes; 4 for short messages
  union {
    uint8_t bytes[4];      // status, data 1, data 2, 0
    const uint8_t* sysEx;  // SysEx: the message bytes (valid only during the sysEx call)
  } data;
  int32_t port;
  uint32_t time;        // milliseconds
  int32_t type;         // MIDI_EVENT_SHORT or MIDI_EVENT_SYSEX
  int32_t offset;       // frame offset in the current block
  int32_t reserved[3];  // 0
};

enum { MIDI_EVENT_SHORT = 1, MIDI_EVENT_SYSEX = 2 };

#if !defined(_WIN64)
static_assert(sizeof(MidiEventRecord) == 40, "the 32-bit event record is 40 bytes");
#endif
