// Master effect type 1, the pipe: a resonating tube of two 32,768-sample delay lines feeding each
// other in a loop through a low-pass and a signed feedback, an input point part-way along the tube
// and two pickups placed hard left and hard right. The tube length is a time in samples at
// 44,100 Hz or a number of beats; a controller and the LFOs shorten it per block.
#pragma once
#include <cstdint>

struct Engine;
struct EffectPipeRecord;

// Table slots 0 and 1; does nothing unless the live type is 1 and both lines exist.
void effectPipeRoutine(Engine* engine, std::int16_t frames);
// Starting state: write positions, filter and pickups 0, length from the record's delay.
void effectPipeRecompute(Engine* engine);
// Limits a record taken from outside to the setters' ranges.
void effectPipeClampRecord(EffectPipeRecord* record);

// Parameters (getters read the engine's record; setters write the edit copy and commit, with undo).
double effectPipeGetDelay(Engine* engine);                // seconds (samples / 44,100)
void effectPipeSetDelay(Engine* engine, double seconds);  // 1e-5..32,767 samples
double effectPipeGetFeedback(Engine* engine);
void effectPipeSetFeedback(Engine* engine, double value);  // -0.999..0.999
double effectPipeGetInputPos(Engine* engine);
void effectPipeSetInputPos(Engine* engine, double value);                         // 0..1
double effectPipeGetPickupPos(Engine* engine, std::int16_t element);              // 0: pickup 0, else pickup 1
void effectPipeSetPickupPos(Engine* engine, std::int16_t element, double value);  // elements 0, 1
double effectPipeGetFilterFreq(Engine* engine);                                   // Hz
void effectPipeSetFilterFreq(Engine* engine, double hz);                          // 30..22,000 Hz
double effectPipeGetLengthMod(Engine* engine);
void effectPipeSetLengthMod(Engine* engine, double value);  // 0..1
std::uint8_t effectPipeGetLengthModInvert(Engine* engine);
void effectPipeSetLengthModInvert(Engine* engine, std::uint8_t value);
double effectPipeGetPickupMod(Engine* engine, std::int16_t element);
void effectPipeSetPickupMod(Engine* engine, std::int16_t element, double value);  // 0..1
std::uint8_t effectPipeGetPickupModInvert(Engine* engine, std::int16_t element);
void effectPipeSetPickupModInvert(Engine* engine, std::int16_t element, std::uint8_t value);
