// Envelope slots of the engine: allocation and release, links and surround-pan pairs, names, the
// per-slot handshake with the audio thread and the accessors with their range checks.
// Every operation takes the engine first and a slot index 0..27 second; a setter outside the range
// does nothing, a getter answers a neutral value. User-interface thread unless noted.
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"

struct Engine;

// The slot of index 0..27, null outside.
EnvelopeSlot* envSlot(Engine* engine, std::int16_t slot);

// ---- Slot management
void envSetDefaultsByDest(Engine* engine, std::int16_t slot, std::uint16_t owner, EnvDestKind destination);
// A new envelope: envDestOscAmp takes slot `owner` (0..2), others the lowest free slot 3..27;
// envDestSurroundPan makes an envDestPanLr / envDestPanFb pair. -1 when no slot is free.
std::int16_t envCreate(Engine* engine, std::int16_t owner, EnvDestKind destination);
void envSlotClear(Engine* engine, std::int16_t slot);
void envPairSlots(Engine* engine, std::uint16_t a, std::uint16_t b);
std::int16_t envFindPartner(Engine* engine, std::int16_t slot);
int envCountAllocated(Engine* engine);
void envSyncChannelOn(Engine* engine);
void envBindChannelSlots(Engine* engine);
void envRefreshSlot(Engine* engine, std::int16_t slot);
void envRefreshUsedSlots(Engine* engine);
void envInstanceInit(Engine* engine, std::int16_t slot, std::int16_t voice);
void envScaleTimes(Engine* engine, double oldTempo, double newTempo);
// Clears envNameSize bytes of buffer and writes the display name (see envFormatName). A negative
// slot names the envelope that would be created for (destination, owner).
void envGetName(Engine* engine, std::int16_t slot, char* buffer, EnvDestKind destination, std::int16_t owner);
// Seconds of breakpoints 0..lastIndex; 0.0 for a slot out of range.
double envTotalSeconds(Engine* engine, std::int16_t slot);

// ---- Handshake (see envHandshake* in envelopeSlot.h)
int envSlotWaitAudio(Engine* engine, std::uint16_t slot);
void envSlotMarkPending(Engine* engine, std::int16_t slot);
void envSlotSyncStates(Engine* engine);
void envSlotMarkAllPending(Engine* engine);

// ---- Runtime compile of Control driven envelopes: the envelope runtime installs its compile
// routine here; the mode and breakpoint setters call it for slots in mode 5.
typedef void (*EnvCompileFn)(Engine* engine, std::int16_t slot);
void envSetCompileRoutine(EnvCompileFn routine);
void envCompileIfControl(Engine* engine, std::int16_t slot);

// ---- Header accessors
void envSetMode(Engine* engine, std::int16_t slot, std::uint16_t mode);
std::uint16_t envGetMode(Engine* engine, std::int16_t slot);  // 2 (Sustain) out of range
void envSetSyncFlag(Engine* engine, std::int16_t slot, std::uint8_t on);
std::uint8_t envGetSyncFlag(Engine* engine, std::int16_t slot);
void envSetBypass(Engine* engine, std::int16_t slot, std::uint8_t on);
bool envIsBypassed(Engine* engine, std::int16_t slot);
void envSetControlSource(Engine* engine, std::int16_t slot, std::int16_t source);
std::int16_t envGetControlSource(Engine* engine, std::int16_t slot);
void envSetCcScaleOn(Engine* engine, std::int16_t slot, std::uint8_t on);
bool envGetCcScaleOn(Engine* engine, std::int16_t slot);
void envSetLfoOn(Engine* engine, std::int16_t slot, std::uint8_t on);
bool envGetLfoOn(Engine* engine, std::int16_t slot);
void envSetLfoFlag(Engine* engine, std::int16_t slot, std::uint8_t on);  // sample-and-hold
bool envGetLfoFlag(Engine* engine, std::int16_t slot);
void envSetLfoWave(Engine* engine, std::int16_t slot, std::int16_t waveId);
std::int16_t envGetLfoWave(Engine* engine, std::int16_t slot);
void envSetLfoPhase(Engine* engine, std::int16_t slot, float phase);  // wrapped into [0, 1)
float envGetLfoPhase(Engine* engine, std::int16_t slot);
void envSetAmpPercent(Engine* engine, std::int16_t slot, float value);  // -16..16
float envGetAmpPercent(Engine* engine, std::int16_t slot);
void envSetAmpOffset(Engine* engine, std::int16_t slot, float value);  // -1..2
float envGetAmpOffset(Engine* engine, std::int16_t slot);
void envSetTimePercent(Engine* engine, std::int16_t slot, float value);  // 0.01..16
float envGetTimePercent(Engine* engine, std::int16_t slot);
void envSetSlopePercent(Engine* engine, std::int16_t slot, float value);  // 0.01..16
float envGetSlopePercent(Engine* engine, std::int16_t slot);
void envSetLinked(Engine* engine, std::int16_t slot, std::uint8_t on);
bool envIsLinked(Engine* engine, std::int16_t slot);
void envSetLinkMaster(Engine* engine, std::int16_t slot, std::int16_t masterId);
std::int16_t envGetLinkMaster(Engine* engine, std::int16_t slot);
std::int16_t envGetLinkMasterSlot(Engine* engine, std::int16_t slot);
bool envIsLinkedTo(Engine* engine, std::int16_t slot);
void envClampLoopPoints(Engine* engine, std::int16_t slot);

// ---- Breakpoint accessors (breakpoint 0..67; -1 names the start level where noted)
void envSetBpTime(Engine* engine, std::int16_t slot, std::int16_t bp, double samples);
double envGetBpTime(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpLevel(Engine* engine, std::int16_t slot, std::int16_t bp, double level);  // -1: start level
double envGetBpLevel(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpSlope(Engine* engine, std::int16_t slot, std::int16_t bp, double slope);
double envGetBpSlope(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpStepFlag(Engine* engine, std::int16_t slot, std::int16_t bp, std::uint32_t step);
std::uint32_t envGetBpStepFlag(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpAmpScale(Engine* engine, std::int16_t slot, std::int16_t bp, double value);
double envGetBpAmpScale(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpTimeScale(Engine* engine, std::int16_t slot, std::int16_t bp, double value);
double envGetBpTimeScale(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpAmpCc(Engine* engine, std::int16_t slot, std::int16_t bp, std::int16_t source);
std::int16_t envGetBpAmpCc(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpTimeCc(Engine* engine, std::int16_t slot, std::int16_t bp, std::int16_t source);
std::int16_t envGetBpTimeCc(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpDepth(Engine* engine, std::int16_t slot, std::int16_t bp, float depth);
float envGetBpDepth(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpLfoSec(Engine* engine, std::int16_t slot, std::int16_t bp, float seconds);
double envGetBpLfoSec(Engine* engine, std::int16_t slot, std::int16_t bp);
void envSetBpShSec(Engine* engine, std::int16_t slot, std::int16_t bp, float seconds);
double envGetBpShSec(Engine* engine, std::int16_t slot, std::int16_t bp);

// ---- Services of the Envelope page (user-interface thread)
// The page's mode selector, entry 1..6: 1..5 clear the link and set that mode; 6 ("Link") links the
// envelope to the one of id 0, refused while other envelopes are linked to it. False when refused
// (nothing changed; the page tells the user), or for an entry or slot out of range.
bool envChooseMode(Engine* engine, std::int16_t slot, std::int16_t entry);
// Undo and redo of an envelope edit: exchanges the page's saved copy with engine slot `slot`, or
// with all 28 slots (`saved` then holds 28 records), under the slot handshake; each slot keeps its
// own handshake word and a Control driven slot is recompiled.
void envSwapWithSaved(Engine* engine, std::int16_t slot, EnvelopeSlot* saved);
void envSwapAllWithSaved(Engine* engine, EnvelopeSlot* saved);
