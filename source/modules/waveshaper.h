// The waveshaper: bends the signal through a transfer curve taken from one of the preset's waves. The
// input, scaled by the input gain (512 table samples per unit), selects a position around a movable
// centre of the 1024-sample wave; the curve's value at the centre is subtracted so that silence stays
// silent; the result is scaled by the output gain. It runs on the voices' master lanes, per voice or
// once on the voice sum (post-mix).
// Modulation rows read (unit = the record's unit word, 3): 10 "waveshape in gain (%d)",
// 11 "waveshape out gain (%d)", 12 "waveshape phase (%d)".
#pragma once
#include <cstdint>

#include "modules/moduleVoiceStates.h"
#include "preset/moduleRecords.h"

struct Engine;

// Post 0: every active voice's master lanes; post 1: the voice sum (lanes of the mix scratch) with
// voice 0's states. Nothing while the engine is paused.
void waveshaperRender(Engine* engine, std::int16_t frames, int post);
// Picks the widest lane loop the processor runs (once, at set-up; the results do not depend on it).
void waveshaperSelectKernels();
// The lane kernel.
void waveshaperProcess(Engine* engine, WaveshaperRecord* record, WaveshaperVoiceState* state, float* lane,
                       std::int16_t frames, std::uint8_t post);

void waveshaperVoiceInit(WaveshaperVoiceState* state, std::uint16_t voice);
// Primes lane 0 of the voice (and copies it into the others): nothing when legato or post-mix.
void waveshaperVoiceStart(Engine* engine, std::int16_t laneIndex, std::int16_t voice, std::int16_t note,
                          std::uint8_t legato);

// Limits a record from a file or a caller: non-finite gains take 1.0, a non-finite phase 0.0, a unit
// outside 0..3 becomes 3. The kernel stays finite without it; the record copy of the preset model may
// call it.
void waveshaperSanitizeRecord(WaveshaperRecord* record);

// Accessors (user-interface thread). Setters other than waveshaperSetOn commit editKindWaveshaper, index 0.
std::uint8_t waveshaperIsOn(Engine* engine);
void waveshaperSetOn(Engine* engine, std::uint8_t on);
std::uint8_t waveshaperIsPostMix(Engine* engine);
void waveshaperSetPostMix(Engine* engine, std::uint8_t postMix);
double waveshaperGetInGainDb(Engine* engine);
void waveshaperSetInGainDb(Engine* engine, double db);
double waveshaperGetOutGainDb(Engine* engine);
void waveshaperSetOutGainDb(Engine* engine, double db);
std::int32_t waveshaperGetWave(Engine* engine);
void waveshaperSetWave(Engine* engine, std::int32_t wave);
double waveshaperGetPhase(Engine* engine);
void waveshaperSetPhase(Engine* engine, double phase);
