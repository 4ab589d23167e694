// Master effect type 2, the multi-comb: up to six feedback combs that all hear the same input, each
// with its own delay (a factor of one shared time), feedback, low-pass damping, level and stereo
// position. This is the type the engine starts with. Delays are samples at 44,100 Hz or beats.
#pragma once
#include <cstdint>

struct Engine;
struct EffectCombRecord;

// Table slot 2; does nothing unless the live type is 2 (or while the engine is being destroyed).
void effectCombRoutine(Engine* engine, std::int16_t frames);
// One comb over one block: reads `input`, writes or adds its output into `sum`, places the sum.
void effectCombProcess(Engine* engine, std::int16_t comb, const float* input, float* sum, std::int16_t frames);
// Starting state: each comb's read offset at its delay factor, write position and filter 0.
void effectCombRecompute(Engine* engine);
void effectCombClampRecord(EffectCombRecord* record);

// Parameters. Setters write the edit copy and commit with undo, except the comb switch, which
// writes the engine's record directly (callers stop the audio around it and reset the effect).
// Per-comb operations ignore an index outside 0..5 (getters then answer the value noted).
double effectCombGetDelay(Engine* engine);                // seconds
void effectCombSetDelay(Engine* engine, double seconds);  // 1e-5..32,767 samples
double effectCombGetFeedback(Engine* engine);
void effectCombSetFeedback(Engine* engine, double value);         // 0..0.999
double effectCombGetFilterFreq(Engine* engine);                   // Hz
void effectCombSetFilterFreq(Engine* engine, double hz);          // 30..22,000 Hz
std::uint8_t effectCombGetOn(Engine* engine, std::int16_t comb);  // bad index: 0
void effectCombSetOnDirect(Engine* engine, std::int16_t comb, std::uint8_t on);
std::uint8_t effectCombGetModInvert(Engine* engine, std::int16_t comb);  // bad index: 0
void effectCombSetModInvert(Engine* engine, std::int16_t comb, std::uint8_t value);
double effectCombGetDelayFactor(Engine* engine, std::int16_t comb);                 // bad index: 1.0
void effectCombSetDelayFactor(Engine* engine, std::int16_t comb, double value);     // 0..1
double effectCombGetFeedbackFactor(Engine* engine, std::int16_t comb);              // bad index: 1.0
void effectCombSetFeedbackFactor(Engine* engine, std::int16_t comb, double value);  // -1..1
double effectCombGetLevel(Engine* engine, std::int16_t comb);                       // dB; bad index: 0.0
void effectCombSetLevel(Engine* engine, std::int16_t comb, double db);              // gain 0..1
double effectCombGetModAmount(Engine* engine, std::int16_t comb);                   // bad index: 1.0
void effectCombSetModAmount(Engine* engine, std::int16_t comb, double value);       // 0..1
double effectCombGetPan(Engine* engine, std::int16_t comb);                         // bad index: 1.0
void effectCombSetPan(Engine* engine, std::int16_t comb, double value);             // 0..0.9999
double effectCombGetFilterFactor(Engine* engine, std::int16_t comb);                // bad index: 1.0
void effectCombSetFilterFactor(Engine* engine, std::int16_t comb, double value);    // 0..1
