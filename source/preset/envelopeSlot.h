// Envelope slots: one breakpoint envelope of a preset, its header (what it drives and how it runs)
// and its 68 breakpoints. The engine holds 28 slots; a preset holds a counted array of copies.
// Times are in samples at 44,100 Hz; levels are 0..1 (pitch envelopes may reach 64.0 at run time).
#pragma once
#include <cstddef>
#include <cstdint>

#include "preset/envDestKinds.h"

const int envSlotCount = 28;        // slots 0..2: channel amplitude envelopes; 3..27 on demand
const int envBreakpointCount = 68;  // breakpoints 0..67 per slot
const int envNameSize = 32;         // bytes of an envelope display name buffer

// Stored modes. "Link" is not a mode but the slot's `linked` flag.
enum { envModeRelease = 1, envModeSustain = 2, envModeLoop = 3, envModeRetrigger = 4, envModeControl = 5 };

// Per-slot handshake word between the user-interface thread and the audio thread.
enum {
  envHandshakeRunning = 0,   // the generator plays the slot
  envHandshakeRequest = -1,  // UI asks for the slot
  envHandshakeAcked = -2,    // audio thread keeps off the slot
  envHandshakeResume = -3    // UI finished; the audio thread resumes (back to 0)
};

struct Breakpoint {
  double time;          // length of the segment ending here, samples at 44.1 kHz (>= 0)
  float level;          // level reached here, 0..1
  float slope;          // curvature of the segment ending here (>= 0)
  std::uint32_t step;   // 1 the segment jumps, 0 it ramps
  float ampScale;       // -1..1: how strongly ampCc scales the level
  float timeScale;      // -1..1: how strongly timeCc scales the time
  std::int32_t ampCc;   // MIDI source number scaling the level (low 16 bits count)
  std::int32_t timeCc;  // MIDI source number scaling the time (low 16 bits count)
  double lfoSeconds;    // per-breakpoint LFO period, seconds, 0.001..999
  double shSeconds;     // sample-and-hold period, seconds, 0.001..999
  float lfoDepth;       // LFO depth 0..1
};

struct EnvelopeSlot {
  std::uint16_t tag;            // always 1
  std::uint8_t inUse;           // the envelope plays (slots 0..2: the channel's on flag)
  std::uint8_t allocated;       // the slot holds an envelope
  std::uint8_t tempoSync;       // times follow the master tempo
  std::uint8_t global;          // once per block for all voices (derived)
  std::uint16_t mode;           // envMode*, 1..5
  EnvDestKind destination;      // envDestNone, or envDestOscAmp..envDestLast
  std::int16_t owner;           // owning module index (channel 0..2, filter 0..3, modulator 0..2)
  std::int16_t sustainIndex;    // hold point (Sustain) / jump-back point (Loop)
  std::int16_t releaseIndex;    // release point
  std::int16_t lastIndex;       // last breakpoint in use, 0..67
  std::int16_t loopStart;       // Loop return point, below sustainIndex
  float auxValue1;              // stored, no further use
  std::uint32_t auxValue2;      // stored, no further use
  float auxValue3;              // stored, no further use
  float auxValue4;              // stored, no further use
  std::uint32_t auxValue5;      // not stored
  std::int32_t handshake;       // envHandshake*; access with envHandshakeLoad/Store
  std::int32_t id;              // identity, unique among the 28 slots
  std::int32_t homeIndex;       // slot index at initialisation (not stored)
  std::uint32_t bypass;         // switched off: output neutral 1.0 (the editor's enable switch is its inverse)
  float auxLevel;               // stored, no further use
  std::int32_t controlSource;   // MIDI source of a Control driven envelope (low 16 bits on reading)
  std::uint32_t ccScaleOn;      // breakpoint times/levels follow timeCc/ampCc
  std::uint32_t lfoOn;          // per-breakpoint LFO on
  std::int32_t lfoWave;         // wave id of that LFO (low 16 bits on reading)
  float lfoPhase;               // LFO start phase, 0 <= phase < 1
  std::uint32_t sampleHoldOn;   // sample-and-hold of the LFO
  std::uint32_t linked;         // plays the master's breakpoints scaled by the percentages below
  std::int32_t linkMaster;      // id of the master envelope
  std::int32_t linkMasterSlot;  // slot index of the master (derived; own index when none)
  float ampPercent;             // level scale, -16..16 (only while linked)
  float ampOffset;              // level offset, -1..2
  float timePercent;            // time scale, 0.01..16
  float slopePercent;           // slope scale, 0.01..16
  std::uint32_t effectTarget;   // destination is an effect/waveshaper-phase target (derived)
  double displayPosition;       // play position for the editor, written by the generator
  std::int16_t displayIndex;    // breakpoint shown as playing, -1 none
  std::uint8_t pitchScale;      // pitch destination: values capped at 64.0 instead of 1.0 (derived)
  float startLevel;             // level at time 0 (breakpoint index -1)
  std::int32_t partnerId;       // id of the surround-pan partner, 0 none
  Breakpoint breakpoints[envBreakpointCount];
};

// A pan LR envelope that has its surround-pan partner: the editor draws and edits the two as one pair.
inline bool envSlotIsPanPair(const EnvelopeSlot* slot) {
  return slot->destination == envDestPanLr && slot->partnerId >= 1;
}

// The records keep the 32-bit layout on every build (no pointers inside).
static_assert(sizeof(Breakpoint) == 64, "Breakpoint layout");
static_assert(offsetof(EnvelopeSlot, breakpoints) == 144, "EnvelopeSlot header layout");
static_assert(sizeof(EnvelopeSlot) == 144 + 68 * 64, "EnvelopeSlot layout");

// The handshake word is shared between threads; it is always read and written whole.
inline std::int32_t envHandshakeLoad(const EnvelopeSlot* slot) {
  return __atomic_load_n(&slot->handshake, __ATOMIC_ACQUIRE);
}
inline void envHandshakeStore(EnvelopeSlot* slot, std::int32_t value) {
  __atomic_store_n(&slot->handshake, value, __ATOMIC_RELEASE);
}

// ---- Record-level operations (no engine needed) ----

// Clears the record and writes every default; id = homeIndex = linkMasterSlot = index,
// linkMaster = index + 1, destination as given.
void envInitSlot(EnvelopeSlot* slot, std::int16_t index, EnvDestKind destination);
// The start level and breakpoints 0..3 that a new envelope of that destination starts with
// (envDestOscAmp keeps the envInitSlot values).
void envApplyDestDefaults(EnvelopeSlot* slot, EnvDestKind destination);

bool envDestIsOscillator(std::int16_t kind);
bool envDestIsFilter(std::int16_t kind);
bool envDestIsModulator(std::int16_t kind);
bool envDestIsWaveshaper(std::int16_t kind);
bool envDestIsEffect(std::int16_t kind);
bool envDestIsPitch(std::int16_t kind);

// Formats the display name of an envelope of that destination and owner with an occurrence number
// into buffer (envNameSize bytes, cleared first); kinds outside 1..38 leave it empty.
void envFormatName(char* buffer, EnvDestKind destination, std::int16_t owner, int occurrence, bool hasPartner);

// Brings the values of a record read from a file into the ranges the engine relies on: indexes
// inside the breakpoint array, mode 1..5, finite and bounded times, levels and percentages.
void envSanitizeSlot(EnvelopeSlot* slot);

// Handshake on a record (the engine versions take a slot index).
int envSlotRecWaitAudio(EnvelopeSlot* slot);
// The same; without an audio thread running nobody can acknowledge, so it does not sleep.
int envSlotRecWaitAudioIf(EnvelopeSlot* slot, bool audioRunning);
void envSlotRecMarkPending(EnvelopeSlot* slot);

// Total length of the envelope in seconds: the breakpoint times 0..lastIndex at 44.1 kHz.
double envSlotTotalSeconds(const EnvelopeSlot* slot);
