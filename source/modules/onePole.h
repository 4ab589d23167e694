// First-order filters: type 1 "LPF -6dB" and type 4 "HPF -6dB". Coefficients from the one-pole tables
// by filter pitch index (40 steps per octave above 5 Hz); each block moves the index and the
// coefficients three quarters of the way to the target.
#pragma once
#include <cstdint>

struct Engine;
struct FilterRecord;
struct FilterVoiceState;

void filterRenderLpf6dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderHpf6dB(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);

// Lane memory (kernel memory A): the output memory and the high-pass's previous scaled input.
enum { onePoleMemY = 0, onePoleMemP = 12 };

// One block of one lane for the given target index, without the engine.
void onePoleLowPassLane(FilterVoiceState* state, float* lane, int frames, double target);
void onePoleHighPassLane(FilterVoiceState* state, float* lane, int frames, double target);
