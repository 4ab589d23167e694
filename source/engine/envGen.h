// The envelope generator: every envelope slot runs one instance per voice (global slots use voice
// 0's); once per block each instance moves through its breakpoint segments by the block's frames and
// multiplies its value into the modulation table entry [owner][voice][destination].
// Times are samples at 44,100 Hz, scaled by rateRatio (rate / 44,100) when played.
#pragma once
#include <cstdint>

#include "engine/envelopeInstance.h"
#include "preset/envelopeSlot.h"

struct Engine;

// Once per block before the voices: acknowledges the slots' handshake words, runs the engine's
// retrigger clock and the global slots (voice 0's instances).
void envRunGlobal(Engine* engine, std::int16_t frames);
// For every active voice after its bookkeeping: the voice's retrigger clock and its instances of the
// slots that are not global.
void envRunVoice(Engine* engine, std::int16_t voice, std::int16_t frames);
// The kernel: one instance by one block. `own` is the instance's slot (a linked slot plays its
// master's shape with its own percentages and destination).
void envStepInstance(Engine* engine, EnvelopeSlot* own, EnvelopeInstance* instance, std::int16_t voice,
                     std::int16_t frames);
// The envelope units of one block in render order: the Control driven envelopes, the global pass and
// the per-voice pass of every active voice. For callers that run the envelopes on their own (tests,
// benchmarks); the block render calls the three at their places in the unit order.
void envRenderAll(Engine* engine, std::int16_t frames);

// The beat cycle of the preset in samples at 44,100 Hz: the bar of `beats` beats at the preset tempo.
double envBeatCycleSamples(Engine* engine);
