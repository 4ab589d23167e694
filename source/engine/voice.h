// Voices of the engine (64) and the lists that track them.
#pragma once
#include <cstdint>

const int engineMaxVoices = 64;

// Voice states (Voice::state); the values are those the voice lists and the mixer have always used.
enum : std::int32_t {
  voiceStateStolen = -2,   // fading out before its new note starts
  voiceStatePending = -1,  // waiting to start its new note
  voiceStateFree = 0,
  voiceStateReleased = 1,
  voiceStateSustained = 2,  // key up, sustain pedal down
  voiceStateSounding = 3,
  voiceStateMonoHeld = 4,      // mono steal, key held
  voiceStateMonoReleased = 5,  // mono steal, released
  voiceStateEnded = 6          // envelopes ended, still faded out by the mixer
};

struct Voice {
  std::int32_t state;
  std::int16_t note;          // MIDI note 0..127; -1 after its envelopes ended
  std::uint16_t keyVelocity;  // note-on velocity while the key is held, 0 once released
  std::uint16_t velocity;     // note-on velocity, kept for the velocity modulation source
  std::int16_t pendingEntry;  // pending-start entry 0..15 holding the voice, -1 none
  float pitch;                // increment of a 1024-sample table at 44,100 Hz for the note
  std::uint32_t age;          // frames since the voice started
  double retriggerClock;      // samples (envelope retrigger clock)
  std::uint16_t fadeCounter;  // mixer fade counter
  float fadeGain;             // mixer fade gain
  float glideRatio;           // factor on the pitch moving toward 1.0; 1.0 = no glide
  std::uint8_t active;        // 1 while the block render processes the voice
};

struct VoiceList {
  std::int16_t count;
  std::int16_t entries[65];  // voice numbers, oldest first (the 65th is read by the shift)
};

struct VoicePool {
  VoiceList freeList;
  VoiceList released;
  VoiceList sustained;
  VoiceList sounding;
  std::int16_t position[65];      // per voice: its index in the list that holds it
  std::int16_t pendingStart[16];  // voice numbers waiting to start at the next block, -1 empty
};

struct Engine;

const int voicePendingEntries = 16;

// ---- pool set-up (user-interface thread, engine paused) ----
void voicePoolInit(Engine* engine);   // voiceInit for all 64, then voiceListsInit
void voiceListsInit(Engine* engine);  // voices 0..polyphony-1 on the free list in order
void voiceInit(Engine* engine, Voice* voice);

// ---- audio thread ----
// Takes a voice for a note-on: the free list's head, else the oldest released, sustained or sounding
// voice (state 5/4 in mono mode, -2 in poly mode), else a parked voice; -1 when none.
std::int16_t voiceAllocate(Engine* engine);
void voicePark(Engine* engine, std::int16_t voice, std::uint16_t note, std::uint16_t velocity);
void voiceStartPending(Engine* engine);
void voiceNoteOn(Engine* engine, std::int16_t voice, std::uint16_t note, std::int16_t velocity, std::uint8_t legato);
void voiceRelease(Engine* engine, std::int16_t voice);
void voiceSustain(Engine* engine, std::int16_t voice);
void voiceAllNotesOff(Engine* engine);
std::int16_t voiceHeldCount(Engine* engine);
void voiceUpdateFrequencies(Engine* engine);
// Tuning value of the note (44,100 Hz increment) times the header's tuning factor.
double voiceNotePitch(Engine* engine, std::int16_t note);
void voiceSetSounding(Engine* engine, std::int16_t voice);
void voiceClearPending(Engine* engine, std::int16_t voice);

// ---- list primitives (also for the envelope generator's state changes) ----
// The list that holds a voice of that state (0 and 6 free, 1 released, 2 sustained, 3 sounding),
// null for a state that is on no list (pending, stolen, mono hand-over).
VoiceList* voiceListForState(VoicePool* pool, std::int32_t state);
// Removes the voice from the list (checked against its recorded position; nothing when absent).
void voiceListRemove(Engine* engine, VoiceList* list, std::int16_t voice);
// Appends the voice. A list already counting `polyphony` voices cannot take it: the voice then goes
// to the free list instead (state 6 while it still sounds, so the mixer fades it out) rather than
// falling off every list.
void voiceListAppend(Engine* engine, VoiceList* list, std::int16_t voice);
// Takes the head of a list (-1 when empty); a count above the polyphony is first cut to it.
std::int16_t voiceListTakeHead(Engine* engine, VoiceList* list);
