// Edit block: how value edits reach the playing engine. A setter asks for a copy of the live record
// (editBegin...), changes the copy and commits it (editCommit); the copy goes back into the live
// record in one step, between two render blocks, so a block never sees a half-changed record.
//
// Threads: the user-interface thread begins and commits edits; the audio client calls
// editCommitPending once per 128-frame sub-block before rendering. While an audio thread runs the
// live records are written only by that thread: a commit on the user-interface thread waits (1 ms
// steps) until the audio thread has applied it. With no audio thread running it is applied at once.
#pragma once
#include <atomic>
#include <cstdint>

#include "engine/controllerSettings.h"
#include "engine/lfo.h"
#include "engine/noteCurves.h"
#include "engine/panLevel.h"
#include "engine/velocitySettings.h"
#include "modules/effectRecords.h"
#include "preset/moduleRecords.h"
#include "preset/oscRecord.h"
#include "preset/presetHeader.h"

struct Engine;

// Edit kinds of editCommit.
enum {
  editKindHeader = 1,
  editKindOsc = 2,
  editKindFilter = 3,
  editKindModulator = 4,
  editKindWaveshaper = 5,
  editKindEffect = 6,
  editKindLfo = 7,
  editKindControllers = 10,
  editKindNoteCurve = 12,
  editKindLevels = 13,
  editKindVelocity = 14
};

// States of `pending`.
enum { editIdle = 0, editPending = 1, editApplying = 2 };

struct EditBlock {
  std::atomic<std::uint8_t> pending;  // editIdle / editPending (copy complete) / editApplying
  std::uint32_t kind;                 // edit kind of the pending copy
  std::int16_t index;                 // channel, filter, modulator, LFO or curve slot
  std::int16_t family;                // family of note-curve and velocity edits (1..3)
  PatchHeader header;
  ChannelOscRecord osc;
  FilterRecord filter;
  ModulatorRecord modulator;
  WaveshaperRecord waveshaper;
  ControllerSettings controllers;
  NoteCurve noteCurve;
  VelocitySettings velocity;
  VelocityTable velocityTables[noteCurveCount];  // same order as the engine's
  ChannelLevelBlock levels;
  Lfo lfo;
  EffectPipeRecord pipe;  // effect type 1
  EffectCombRecord comb;  // effect type 2
  EffectTapRecord tap;    // effect type 3
};

PatchHeader* editBeginPatchHeader(Engine* engine);
ChannelOscRecord* editBeginOsc(Engine* engine, std::int16_t channel);
FilterRecord* editBeginFilter(Engine* engine, std::int16_t filter);
ModulatorRecord* editBeginModulator(Engine* engine, std::int16_t modulator);
WaveshaperRecord* editBeginWaveshaper(Engine* engine);
void* editBeginEffect(Engine* engine, std::int16_t type);  // types 1..3, else null
Lfo* editBeginLfo(Engine* engine, std::int16_t lfo);       // null for an LFO that does not exist
ControllerSettings* editBeginControllers(Engine* engine);
float* editBeginNoteCurve(Engine* engine, std::int16_t family, std::int16_t slot);  // null for a bad pair
VelocitySettings* editBeginVelocity(Engine* engine, VelocityTable** tables);
ChannelLevelBlock* editBeginLargeBlock(Engine* engine);

void editCommit(Engine* engine, std::uint32_t kind, std::int16_t index);
// Applies a pending copy; the audio client calls it once per sub-block (audio thread, never waits).
void editCommitPending(Engine* engine);
// Index of the note curve / velocity table of (family 1..3, slot) in the engine's arrays; -1 if none.
int editCurveIndex(std::int16_t family, std::int16_t slot);
