// Velocity settings: per target (family 1 oscillator amplitude, 2 oscillator FM index/balance, 3 filter
// frequency) how strongly key velocity acts and in which direction, the velocity tables built from
// them and the value each target takes at a note start. Record: velocitySettings.h.
//
// An entry's base is the table value at the quiet end (0..1; 1.0 = velocity has no effect, shown as
// the sensitivity (1 - base) x 100 %). Its direction is 1 for a factor rising with velocity; any other
// value mirrors the table. The Midi page shows the direction as an on switch (velocityIsOn).
#pragma once
#include <cstdint>

#include "engine/noteCurves.h"
#include "engine/velocitySettings.h"

struct Engine;

// The rising velocity response, 0.0 at velocity 0 to 1.0 at 127 (128 entries, a constant table).
const float* velocityCurveTable();

void velocityDefaults(VelocitySettings* record);
void velocityInitEntry(VelocityEntry* entry, std::uint32_t family, std::uint32_t slot, float base,
                       std::uint32_t direction);
// Entry index 0..9 of (family, slot), -1 when the pair names no entry.
int velocityEntryIndex(std::int32_t family, std::int32_t slot);
// One table from one entry (families 1 and 2 linear in the curve, family 3 exponential).
void velocityBuildTable(const VelocityEntry* entry, std::uint32_t family, VelocityTable* table);
void velocityBuildTables(Engine* engine);
void velocityCopy(Engine* engine, const VelocitySettings* source, VelocitySettings* target, bool rebuild);

// Audio thread, at a note start before the unit voice starts: every entry's value := its table at
// the velocity (clamped to 0..127).
void velocityNoteStart(Engine* engine, std::int32_t velocity);

// Getters (1.0 / 0 % / off for a pair that names no entry).
double velocityGetAmount(Engine* engine, std::int32_t family, std::int32_t slot);   // value, 0..1
double velocityGetAmountB(Engine* engine, std::int32_t family, std::int32_t slot);  // sensitivity %
bool velocityIsRising(Engine* engine, std::int32_t family, std::int32_t slot);
std::uint8_t velocityIsOn(Engine* engine, std::int32_t family, std::int32_t slot);
// Setters through the edit block (editKindVelocity); the entry's table is rebuilt with it.
void velocitySetOn(Engine* engine, std::int32_t family, std::int32_t slot, std::uint8_t on);
void velocitySetAmountB(Engine* engine, std::int32_t family, std::int32_t slot, float percent);  // 0..99.999
