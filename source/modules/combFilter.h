// "Comb" (filter type 10): a feedback comb whose delay line is a 2,048-sample buffer of the engine's
// comb pool, lent to each voice lane by combBufferAssign. The delay (the record's comb delay in samples,
// divided by the lane's frequency ratio) glides 65 % of the way to its target each block and is read
// with linear interpolation (8-bit fraction) at a 16.16 fixed-point position. The output is the delayed
// signal only. A lane without a pool buffer passes its audio through.
// Modulation rows read: 9 frequency multiplier, 15 feedback multiplier.
#pragma once
#include <cstdint>

#include "modules/filterModule.h"

const float combDelayMin = 1.0f;     // samples
const float combDelayMax = 2046.0f;  // samples: the read never reaches the sample being written
const float combFeedbackLimit = 0.999f;

void filterRenderComb(Engine* engine, FilterRecord* record, std::int16_t filter, std::int16_t frames);
void combProcess(Engine* engine, FilterRecord* record, FilterVoiceState* state, float* lane, std::int16_t filter,
                 std::int16_t frames);
