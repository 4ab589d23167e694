// The master effect frame: one effect of five kinds runs on the finished mix (the master buses).
// The frame owns the effect type and on switch, the delay memory the kinds cut their lines from,
// the routine table by type, the two levels and the time unit and time of types 1..3, reset, the
// running-state set-up, and the copy of an effect record between a preset and the engine.
//
// Threads: effectRender runs on the audio thread. Type changes, the on switch, reset, recompute
// and the copy into the engine run on the user-interface thread between engineStopAudio and
// engineRestartAudio; level and time setters write single fields while audio runs.
#pragma once
#include <cstdint>

#include "modules/effectRecords.h"
#include "modules/effectRuntime.h"

struct Engine;

typedef void (*EffectRoutine)(Engine* engine, std::int16_t frames);

// ---- delay memory
// Installs the routine table, then allocates `count` zeroed floats. 0 when memory is already
// allocated, the count is not positive or the allocation fails.
int effectAllocMemory(EffectRuntime* memory, std::int32_t count);
void effectFreeMemory(EffectRuntime* memory);  // base := null; capacity keeps its value
void effectMemoryRewind(Engine* engine);       // used := 0
// The next n floats of the memory, or null (nothing changes) when n is not positive or
// used + n would reach the capacity (the last float is never handed out).
float* effectMemoryTake(Engine* engine, std::int32_t n);
void effectInstallRoutines(EffectRuntime* memory);  // capacity := 0, base := null

// ---- type and switch
std::uint16_t effectGetType(Engine* engine);
// Stores the type (anything but 1..5 becomes 0), cuts the lines of types 1..3 and resets.
void effectSetType(Engine* engine, std::uint16_t type);
void effectSetOn(Engine* engine, std::uint8_t on);
std::uint8_t effectIsOn(Engine* engine);
// The engine's record of the live type 1..5, null for type 0.
void* effectActiveRecord(Engine* engine);

// ---- levels (linear gains), time unit and time of types 1..3
float effectGetLevelA(Engine* engine);              // wet; 1.0 for type 0
float effectGetLevelB(Engine* engine);              // dry; 1.0 for type 0
void effectSetLevelA(Engine* engine, float level);  // types 1..3 with an undo step, 4..5 directly
void effectSetLevelB(Engine* engine, float level);
std::int16_t effectGetTimeUnit(Engine* engine, std::uint16_t type);  // 0 for other types
void effectSetTimeUnit(Engine* engine, std::uint16_t type, std::uint16_t unit);
double effectGetTime(Engine* engine, std::uint16_t type);  // beats; 1.0 for other types
void effectSetTime(Engine* engine, std::uint16_t type, double beats);

// ---- running state
void effectReset(Engine* engine);      // clears the live kind's running state and memory
void effectRecompute(Engine* engine);  // starting state: multi-comb selected and off
// Copies an effect record (its type read from its head). toEngine non-zero: `source` (a preset's
// record) into the engine's record of that type, values limited to their ranges, then the type is
// made live. toEngine 0: the engine's record `source` into the preset's `destination`.
void effectCopy(Engine* engine, const void* source, void* destination, std::uint8_t toEngine);
// A new record of the type with its defaults (types 4 and 5: zero bytes), or null; free with std::free.
void* effectAlloc(std::uint16_t type);

// ---- audio thread
// Runs the routine of the live type when the engine's effect flag is set; frames 1..128.
void effectRender(Engine* engine, std::int16_t frames);
// Adds one mono block at pan 0..1 with `gain` into the master buses (see effectFrame.cpp).
void effectMixToOutput(Engine* engine, std::uint16_t slot, float pan, float gain, float* buffer, std::uint16_t frames);

double effectMaxDelaySeconds();  // the time 32,767 samples last at the running rate
