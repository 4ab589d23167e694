// Helpers the master effect kinds share: the modulation they read once per block, the input they
// take from the master buses, the dry scaling and the placement of their outputs.
#pragma once
#include <cstdint>

#include "engine/numeric.h"
#include "preset/editBlock.h"
#include "preset/fieldTables.h"

struct Engine;
struct EffectRuntime;

// Entries of the master unit's modulation row that the effects read (1.0 when unmodulated).
enum { effectModTime = 25, effectModFeedback = 26, effectModFilter = 27, effectModWet = 29, effectModDry = 30 };

EffectRuntime* effectRuntime(Engine* engine);
// The master unit's row of this block's modulation multipliers (entries 25..30 valid, each limited
// to 0..1e6; a NaN reads 0).
const float* effectModRow(Engine* engine);
// True when the engine mixes into the three-bus sound field (B2 is the omni bus).
bool effectFieldLayout(Engine* engine);

// Time modulation of one delay: the effect-time controller (depth x amount, scaled by the tempo
// ratio when `tempoScaled`), the time envelope (entry 25) and every running LFO's effect-time depth.
// `invert` turns the direction of the controller and the LFOs. Not limited.
double effectTimeModFactor(Engine* engine, float amount, std::uint8_t invert, bool tempoScaled);

// input := B2 in the field layout, else B0 + B1.
void effectTakeInputSum(Engine* engine, float* input, int frames);
// Multiplies B0, B1 (and B2 in the field layout) by gain in place; a gain below 1e-24 counts as 0.
void effectScaleDry(Engine* engine, float gain, int frames);
// Left and right gains of the two-bus pan law (the engine's fade tables) at pan 0..1 (index = pan x
// 1024, kept within 0..1023).
void effectPanGains(Engine* engine, float pan, float* left, float* right);
// Adds buffer x gain at pan into the buses with constant gains over the block: in the two-bus
// layout through the pan law; in the field layout buffer is scaled in place and placed at output
// slot `slot` at x = 2 pan - 1 by the field panner.
void effectPlaceConstant(Engine* engine, std::uint16_t slot, float pan, float gain, float* buffer, int frames);
// The field placement alone (buffer already scaled): slot position (x, 0), panner into B0..B2.
void effectPlaceField(Engine* engine, std::uint16_t slot, float x, const float* buffer, int frames);

// Limits a value to lo..hi; NaN gives the fallback; a magnitude below 1e-24 (where a gain counts as
// zero, and where denormals live) is taken as 0 first.
// Sets bus samples whose magnitude is below 1e-30 to 0. The guard constants of the recursions,
// scaled by very small gains, would otherwise leave denormal numbers on the buses.
void effectFlushBuses(Engine* engine, int frames);

// The edit copy of the effect record of `type` (a pending edit is committed first); null without an
// engine. A setter changes it and then commits it as one undo step with effectEditCommit.
template <class Record>
Record* effectEditCopy(Engine* engine, std::uint16_t type) {
  return engine ? static_cast<Record*>(editBeginEffect(engine, type)) : nullptr;
}
inline void effectEditCommit(Engine* engine) { editCommit(engine, editKindEffect, 0); }

inline float effectClampf(float v, float lo, float hi, float fallback) {
  return numClampOr(numFlushTiny(v), lo, hi, fallback);
}
inline double effectClampd(double v, double lo, double hi, double fallback) {
  return numClampOr(numFlushTiny(v), lo, hi, fallback);
}
// The effect setters' clamp of a value handed over as a double into a float field.
inline float effectClampValue(double v, double lo, double hi, double fallback) {
  return static_cast<float>(effectClampd(v, lo, hi, fallback));
}
// A record field held within its row of the field tables: NaN gives the fallback (the row's default
// unless the kind has one per element), infinities the nearer end, a magnitude below 1e-24 counts
// as 0.
inline float effectFieldClamp(const FieldRange& row, float v, float fallback) {
  return effectClampf(v, static_cast<float>(row.lo), static_cast<float>(row.hi), fallback);
}
inline float effectFieldClamp(const FieldRange& row, float v) {
  return effectFieldClamp(row, v, static_cast<float>(row.def));
}
inline double effectFieldClamp(const FieldRange& row, double v, double fallback) {
  return effectClampd(v, row.lo, row.hi, fallback);
}
inline double effectFieldClamp(const FieldRange& row, double v) { return effectFieldClamp(row, v, row.def); }
// A setter's value, already in the field's unit, held within its row: NaN leaves the field as it is.
inline double effectFieldSet(const FieldRange& row, double v, double current) {
  return effectClampd(v, row.lo, row.hi, current);
}
inline float effectFieldSet(const FieldRange& row, double v, float current) {
  return static_cast<float>(effectClampd(v, row.lo, row.hi, current));
}
// Index of a one-pole coefficient table: truncate(truncate(pitch index) x mod), within 0..480.
int effectFilterTableIndex(float pitchIndex, float mod);
