// Note curves (the Midi page's "Notescale"): one factor 0..1 per MIDI note for ten targets, family 1
// oscillator amplitude (slots 0..2), 2 oscillator FM index/balance (0..2), 3 filter frequency (0..3,
// 3 = master filter). The engine holds all ten; a preset stores only the curves in use. Values are
// clamped to 0..1 whenever a curve enters the engine. Records: noteCurves.h.
#pragma once
#include <cstdint>

#include "engine/noteCurves.h"

struct Engine;

bool noteCurveIsValid(std::uint32_t family, std::uint32_t slot);
NoteCurve* noteCurveGet(Engine* engine, std::uint32_t family, std::uint32_t slot);   // null if not valid
float* noteCurveGetTable(Engine* engine, std::uint32_t family, std::uint32_t slot);  // 128 values or null
void noteCurveInit(NoteCurve* record, std::uint32_t family, std::uint32_t slot);     // flat (all 1.0)
void noteCurvesInitEngine(Engine* engine);
void noteCurveCopy(const NoteCurve* source, NoteCurve* target);
void noteCurvesCopyToEngine(Engine* engine, const NoteCurve* array, std::int16_t count);
void noteCurvesCopyFromEngine(Engine* engine, NoteCurve* array, std::int16_t count);
// Curves with at least one value below 0.9999999 (0..10).
std::int16_t noteCurvesCountUsed(Engine* engine);
// A value as the engine keeps it: clamped to 0..1, NaN as 1.0 (no change).
float noteCurveClampValue(float x);
// Factor of (family, slot) at a note (note outside 0..127 or a bad pair: 1.0).
float noteCurveValue(Engine* engine, std::uint32_t family, std::uint32_t slot, std::int32_t note);
