// Allpass phasers: types 11 "Allpass 2", 12 "Allpass 4", 13 "Allpass 8". A chain of 2, 4 or 8 equal
// first-order allpass stages with feedback from the last stage to the input, mixed with the dry
// input. The cutoff is on the allpass index scale (48 steps per octave above 20 Hz, allpassTable.h).
#pragma once
#include <cstdint>

struct Engine;
struct FilterRecord;
struct FilterVoiceState;

void filterRenderAllpass2(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderAllpass4(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderAllpass8(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);

void allpassProcess2(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                     std::int16_t frames);
void allpassProcess4(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                     std::int16_t frames);
void allpassProcess8(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                     std::int16_t frames);

// Highest allpass index the phasers run at (about 15.1 kHz).
const double allpassPhaserTopIndex = 459.0;
// Largest feedback magnitude the phasers run with: the loop holds a one-sample delay and a chain of
// unit gain, so it stays stable only below 1.
const double allpassPhaserFeedbackLimit = 0.999;

// Output gain for a feedback fb: 0.5 / (1 + |fb|^16)^2.
double allpassPhaserGain(double feedback);

// One block of one lane without the engine: `stages` 2, 4 or 8; `target` on the allpass index scale
// (unclamped); `feedback` already multiplied by its modulation. Memory: stage outputs in memA[0..N-1],
// stage inputs in memA[N..2N-1], the output gain in gainRampStart, the index in currentIndex.
void allpassPhaserLane(int stages, FilterVoiceState* state, float* lane, int frames, double target, double feedback);
