// Voices of the engine (64) and the lists that track them.
#pragma once
#include <cstdint>

const int engineMaxVoices = 64;

// Voice states: 0 free, 1 released, 2 sustained (key up, pedal down), 3 sounding, 4 mono steal held,
// 5 mono steal released, 6 envelopes ended, -1 waiting to start its new note, -2 stolen (fading out).
struct Voice {
  std::int32_t state;
  std::int16_t note;            // MIDI note 0..127; -1 after its envelopes ended
  std::uint16_t keyVelocity;    // note-on velocity while the key is held, 0 once released
  std::uint16_t velocity;       // note-on velocity, kept for the velocity modulation source
  std::int16_t pendingEntry;    // pending-start entry 0..15 holding the voice, -1 none
  float pitch;                  // increment of a 1024-sample table at 44,100 Hz for the note
  std::uint32_t age;            // frames since the voice started
  double retriggerClock;        // samples (envelope retrigger clock)
  std::uint16_t fadeCounter;    // mixer fade counter
  float fadeGain;               // mixer fade gain
  float glideRatio;             // factor on the pitch moving toward 1.0; 1.0 = no glide
  std::uint8_t active;          // 1 while the block render processes the voice
};

struct VoiceList {
  std::int16_t count;
  std::int16_t entries[65];     // voice numbers, oldest first (the 65th is read by the shift)
};

struct VoicePool {
  VoiceList freeList;
  VoiceList released;
  VoiceList sustained;
  VoiceList sounding;
  std::int16_t position[65];    // per voice: its index in the list that holds it
  std::int16_t pendingStart[16];   // voice numbers waiting to start at the next block, -1 empty
};
