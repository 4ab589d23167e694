// Master effect type 4: three echo lines. Each line takes a share of a common delay time (seconds,
// or beats of the tempo clock), has its own feedback, a four-stage allpass chain, a one-pole
// high-pass and low-pass in its loop, a level and a pan. The parameter operations write the
// engine's live record directly (no edit copy, no undo step); they take effect at the next block.
#pragma once
#include <cstdint>

#include "modules/effectRecords.h"

struct Engine;

const std::int32_t echoBufferFloats = 32767;  // delay memory taken per line
const std::uint32_t echoLineLength = 29767;   // samples the line's ring uses of it
const std::int32_t echoWorkFloats = 256;      // work block per line (one block used)

// Fills the engine's echo record with its defaults and takes its delay memory (rewinding the cut of
// the effect delay memory first). 1, or 0 when the memory or a block init fails.
int effectEchoInit(Engine* engine, EffectEchoRecord* record);
// Clears the running state of the lines (the delay rings themselves are cleared by the frame).
void effectEchoReset(EffectEchoRecord* record);
// Copies the parameters (no running state, buffers or pointers), derives the pitch indices again,
// then the destination's line times and delay targets.
void effectEchoCopy(const EffectEchoRecord* source, EffectEchoRecord* destination);
// Limits every parameter of a record that came from outside to its range.
void effectEchoClampParams(EffectEchoRecord* record);
// Line times and delay targets from the base time (seconds mode).
void effectEchoDeriveTimes(EffectEchoRecord* record);

// Audio thread: routine table slot 4, and its block kernel.
void effectEchoRender(Engine* engine, std::int16_t frames);
void effectEchoKernel(Engine* engine, EffectEchoRecord* record, const float* input, std::int16_t frames);

// ---- parameters of the engine's echo record; line 0..2 (others ignored, getters give the fallback)
double effectEchoGetBaseTime(Engine* engine);  // seconds 0.001..0.75 (0.25)
void effectEchoSetBaseTime(Engine* engine, double seconds);
double effectEchoGetBeatTime(Engine* engine);  // beats 0..8 (0.5)
void effectEchoSetBeatTime(Engine* engine, double beats);
std::int16_t effectEchoGetTimeUnit(Engine* engine);            // 1 seconds, 2 "Beat" (2)
void effectEchoSetSync(Engine* engine, std::uint16_t unit);    // 1 or 2; other values ignored
double effectEchoGetLineTimeFactor(Engine* engine, int line);  // 0.01..1 (1.0)
void effectEchoSetLineTimeFactor(Engine* engine, int line, double factor);
double effectEchoGetLineModAmount(Engine* engine, int line);  // 0..1 (0)
void effectEchoSetLineModAmount(Engine* engine, int line, double amount);
std::uint8_t effectEchoGetLineModInvert(Engine* engine, int line);
void effectEchoSetLineModInvert(Engine* engine, int line, std::uint8_t invert);
double effectEchoGetLineLevel(Engine* engine, int line);  // 6-dB-per-doubling level (-6)
void effectEchoSetLineLevel(Engine* engine, int line, double db);
float effectEchoGetLinePan(Engine* engine, int line);  // 0 left..1 right (0.5)
void effectEchoSetLinePan(Engine* engine, int line, float pan);
float effectEchoGetFeedback(Engine* engine);  // -0.9999..0.9999 (0)
void effectEchoSetFeedback(Engine* engine, float feedback);
float effectEchoGetLineFeedback(Engine* engine, int line);  // -0.9999..0.9999 (0)
void effectEchoSetLineFeedback(Engine* engine, int line, float feedback);
double effectEchoGetLowPassFreq(Engine* engine, int line);  // Hz (5000)
void effectEchoSetLowPassFreq(Engine* engine, int line, double hz);
double effectEchoGetHighPassFreq(Engine* engine, int line);  // Hz (200)
void effectEchoSetHighPassFreq(Engine* engine, int line, double hz);
double effectEchoGetAllpassFreq(Engine* engine, int line);  // Hz (2000)
void effectEchoSetAllpassFreq(Engine* engine, int line, double hz);
std::uint8_t effectEchoGetLowPassOn(Engine* engine, int line);
void effectEchoSetLowPassOn(Engine* engine, int line, std::uint8_t on);
std::uint8_t effectEchoGetHighPassOn(Engine* engine, int line);
void effectEchoSetHighPassOn(Engine* engine, int line, std::uint8_t on);
std::uint8_t effectEchoGetAllpassOn(Engine* engine, int line);
void effectEchoSetAllpassOn(Engine* engine, int line, std::uint8_t on);
std::uint8_t effectEchoGetLineOn(Engine* engine, int line);
void effectEchoSetLineOn(Engine* engine, int line, std::uint8_t on);
