// Master effect type 3, the multi-tap delay: the mix is written into one ring (the whole effect
// delay memory, 481,024 samples) and read by three gliding taps; tap 0 feeds back into the ring
// through a one-pole low-pass; each tap has a level and a pan position. Tap times are shares of one
// time in samples at 44,100 Hz or of a number of beats of the tempo clock.
#pragma once
#include <cstdint>

struct Engine;
struct EffectTapRecord;

// Table slot 3; returns at once unless the live type is 3 and its ring exists.
void effectTapRender(Engine* engine, std::int16_t frames);
// Starting state: tap positions at the time factors, write index and filter 0.
void effectTapRecompute(Engine* engine);
// Limits a record taken from outside: a ring longer than the delay memory is cut to it; a ring
// length below 1 is refused (the default length is kept).
void effectTapClampRecord(EffectTapRecord* record);

// Parameters: setters write the edit copy and commit with undo. Tap indexes 0..2; others are
// ignored by setters and answered with 0 by getters.
double effectTapGetFeedback(Engine* engine);
void effectTapSetFeedback(Engine* engine, double value);  // -0.999..0.999
double effectTapGetFilterFreq(Engine* engine);            // Hz
void effectTapSetFilterFreq(Engine* engine, double hz);   // 30..22,000 Hz
double effectTapGetTime(Engine* engine);                  // seconds
void effectTapSetTime(Engine* engine, double seconds);    // at least 0.00001 s
std::uint8_t effectTapGetModInvert(Engine* engine, std::int16_t tap);
void effectTapSetModInvert(Engine* engine, std::int16_t tap, std::uint8_t value);
double effectTapGetModAmount(Engine* engine, std::int16_t tap);
void effectTapSetModAmount(Engine* engine, std::int16_t tap, double value);  // 0..1
double effectTapGetTimeFactor(Engine* engine, std::int16_t tap);
void effectTapSetTimeFactor(Engine* engine, std::int16_t tap, double value);  // 0..1
double effectTapGetLevel(Engine* engine, std::int16_t tap);                   // dB
void effectTapSetLevel(Engine* engine, std::int16_t tap, double db);          // gain 0..1
double effectTapGetPan(Engine* engine, std::int16_t tap);
void effectTapSetPan(Engine* engine, std::int16_t tap, double value);  // 0..0.9999
