// Resonant ladder low-pass filters, types 14 "LPF 2 pole", 15 "LPF 4 pole", 16 (six poles, no menu
// entry) and 17 "LPF 8 pole": a resonant core (feedback, a first-order allpass and two one-pole
// stages, run twice per input sample) followed by 0, 2, 4 or 6 one-pole stages.
#pragma once
#include <cstdint>

struct Engine;
struct FilterRecord;
struct FilterVoiceState;

// Per-block routines of the filter routine table (common walk over voices and lanes).
void filterRenderLpf2Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderLpf4Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderLpf6Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void filterRenderLpf8Pole(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);

// Lane kernels: filter `frames` samples of one lane buffer in place.
void ladderProcess2Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                        std::int16_t frames);
void ladderProcess4Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                        std::int16_t frames);
void ladderProcess6Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                        std::int16_t frames);
void ladderProcess8Pole(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                        std::int16_t frames);

// Picks the widest lane loop the processor runs (once, at set-up; the results do not depend on it).
void ladderSelectKernels();

// Layout of a ladder lane's memory (kernel memory B of the lane state), floats between blocks.
enum {
  ladderMemU = 0,   // last core input (input minus feedback)
  ladderMemR = 1,   // last allpass output
  ladderMemW = 2,   // first one-pole stage
  ladderMemY = 3,   // second one-pole stage: the feedback source
  ladderMemE = 4,   // 4..9: the stages after the core
  ladderMemA = 10,  // current one-pole input gain
  ladderMemB = 11,  // current one-pole pole
  ladderMemC = 12,  // current allpass coefficient
  ladderMemCount = 13,
  // Spare words after the state: the last block's allpass position q (a double's bits in two
  // words; a reset clears them, and q is never 0) and its allpass-table position.
  ladderMemCacheQ = 13,  // 13..14
  ladderMemCacheJ = 15
};

// One block of one lane without the engine: `type` 14..17, `target` the lane's target pitch index
// (40 steps per octave above 5 Hz, at 44,100 Hz), `resonance` already multiplied by its modulation
// (used up to 1.0, where the filter oscillates on its own),
// `gain` the record's linear gain, `rateOffset` the engine's rateIndexOffset.
void ladderLane(int type, float* memory, float* lane, int frames, double target, double resonance, double gain,
                double rateOffset);
