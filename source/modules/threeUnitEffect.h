// Master effect type 5: three small feedback-delay units side by side on one input, each three
// delay lanes cross-coupled through a 3x3 matrix and filtered by one of four unit modes, after an
// optional early-tap stage and a pre-delay. Parameters are written straight into the engine's
// record by the Effect page (no edit copy, no undo step); they take effect at the next block.
// Lengths are samples at 44,100 Hz; frequencies are pitch indices (40 steps per octave from 5 Hz).
#pragma once
#include <cstdint>

#include "modules/effectRecords.h"

struct Engine;

const std::int32_t revLineFloats = 32767;         // delay memory taken per lane and for the pre-delay
const std::int32_t revEarlyFloats = 8000;         // delay memory taken per early-tap ring
const double revSizeSeconds = 0.7;                // size 100 %
const double revMaxUnitTime = 0.743015873015873;  // 32,767 / 44,100 s

// Fills the whole record with its defaults and takes its delay memory (rewinding the cut first).
// 1, or 0 when a ring cannot be had.
int effectRevInit(Engine* engine, EffectRevRecord* record);
int effectRevUnitInit(Engine* engine, EffectRevUnit* unit, double seconds);
// The stored parameters (head through pre-delay); nothing is recomputed.
void effectRevCopyParams(const EffectRevRecord* source, EffectRevRecord* destination);
// Limits every stored parameter of a record that came from outside to its range.
void effectRevClampParams(EffectRevRecord* record);
// The unit routine of the mode (0 Raw, 1 Natural, 2 Resonant, 3 Synthetic; anything else Raw).
void effectRevSelectRoutine(EffectRevUnit* unit, std::uint16_t mode);
void effectRevSelectRoutineThunk(EffectRevUnit* unit, std::uint16_t mode);
// Stores the size (seconds) and derives the pre-delay and lane lengths and the lane delay factors.
void effectRevRecomputeSize(EffectRevRecord* record, double seconds);
void effectRevSetSizeAt(EffectRevRecord* record, double seconds);
// Lane filter factors and the pitch indices of every unit's filters from the brightness values.
void effectRevRecomputeBrightness(EffectRevRecord* record);
// Clears all running state of the record and derives lengths and filter indices again.
void effectRevReset(EffectRevRecord* record);
void effectRevResetThunk(EffectRevRecord* record);

// ---- audio thread (routine table slot 5)
void effectRevRoutine(Engine* engine, std::int16_t frames);
void effectRevProcess(Engine* engine, EffectRevRecord* record, float* input, std::int16_t frames);
void effectRevPreDelayProcess(DelayLine* line, float* samples, std::int16_t frames);
float effectRevModFactor(Engine* engine, float depth, std::uint8_t invert);
void effectRevUnitRaw(Engine*, EffectRevUnit*, float, float, float, float, float**, std::uint16_t, std::int16_t);
void effectRevUnitNatural(Engine*, EffectRevUnit*, float, float, float, float, float**, std::uint16_t, std::int16_t);
void effectRevUnitResonant(Engine*, EffectRevUnit*, float, float, float, float, float**, std::uint16_t, std::int16_t);
void effectRevUnitSynthetic(Engine*, EffectRevUnit*, float, float, float, float, float**, std::uint16_t, std::int16_t);

// ---- parameters of the engine's record, as the Effect page shows them; unit 0..2
double effectRevGetSize(Engine* engine);                      // percent of 0.7 s (100)
void effectRevSetSize(Engine* engine, double percent);        // 0.01..100
double effectRevGetBrightness(Engine* engine);                // percent (100)
void effectRevSetBrightness(Engine* engine, double percent);  // 0.01..100
double effectRevGetFeedback(Engine* engine);                  // percent (100)
void effectRevSetFeedback(Engine* engine, double percent);    // 0..100
double effectRevGetPreDelay(Engine* engine);                  // milliseconds (0)
void effectRevSetPreDelay(Engine* engine, double ms);         // 0..500
double effectRevGetJitter(Engine* engine);                    // percent (0)
void effectRevSetJitter(Engine* engine, double percent);      // 0..100
std::uint8_t effectRevGetEarlyTapsOn(Engine* engine);
void effectRevSetEarlyTapsOn(Engine* engine, std::uint8_t on);
std::uint8_t effectRevGetUnitOn(Engine* engine, int unit);
void effectRevSetUnitOn(Engine* engine, int unit, std::uint8_t on);
std::uint32_t effectRevGetUnitMode(Engine* engine, int unit);
void effectRevSetUnitMode(Engine* engine, int unit, std::uint32_t mode);  // 0..3 only
double effectRevGetUnitScale(Engine* engine, int unit);                   // percent (100)
void effectRevSetUnitScale(Engine* engine, int unit, double percent);     // 0.01..100
double effectRevGetLaneSpread(Engine* engine, int unit);                  // percent (100)
void effectRevSetLaneSpread(Engine* engine, int unit, double percent);    // 0..100
double effectRevGetTimeModDepth(Engine* engine, int unit);                // stored value (0)
void effectRevSetTimeModDepth(Engine* engine, int unit, double depth);
std::uint8_t effectRevGetTimeModInvert(Engine* engine, int unit);
void effectRevSetTimeModInvert(Engine* engine, int unit, std::uint8_t invert);
double effectRevGetUnitBrightness(Engine* engine, int unit);                  // percent (100)
void effectRevSetUnitBrightness(Engine* engine, int unit, double percent);    // 0.01..100
double effectRevGetLaneBrightSpread(Engine* engine, int unit);                // percent (100)
void effectRevSetLaneBrightSpread(Engine* engine, int unit, double percent);  // 0.01..100
double effectRevGetBrightModDepth(Engine* engine, int unit);                  // stored value (0)
void effectRevSetBrightModDepth(Engine* engine, int unit, double depth);
std::uint8_t effectRevGetBrightModInvert(Engine* engine, int unit);
void effectRevSetBrightModInvert(Engine* engine, int unit, std::uint8_t invert);
