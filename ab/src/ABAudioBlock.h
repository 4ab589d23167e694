// The record a device hands to the host's block callback: float buffers per channel (non-interleaved,
// values in [-1, 1]) with the device channel ids, for input and output, and the MIDI input ring.
#pragma once

#include <cstdint>

class MidiInputRing;

struct AudioBlockPart {
  int32_t frames;
  int32_t channelCount;
  float** buffers;      // one per channel
  int32_t* channelIds;  // the device channel id of each buffer (what the routes name)
  int32_t reserved;     // 0
};

struct AudioBlock {
  int32_t frames;      // frames in this block
  int32_t sampleRate;  // Hz
  AudioBlockPart input;
  AudioBlockPart output;  // the host fills these buffers
  MidiInputRing* ring;    // null when the device has none
};

// The host's block callback: called on the device's audio thread with the block, 0 and the two user
// words given with abDevSetCallback (in that order: user2, then user1).
typedef void (*AbBlockCallback)(AudioBlock* block, int reserved, void* user2, void* user1);
