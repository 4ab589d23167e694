// The engine's pool of "Comb" delay buffers: 128 buffers of 2,048 floats and a usage map. Each lane of
// a Comb filter holds one buffer by index in its voice state (-1 for none).
#pragma once
#include <cstdint>

struct Engine;

void combBufferPoolClear(Engine* engine);             // every buffer free
float* combBufferAt(Engine* engine, std::int16_t i);  // buffer i (0..127), null otherwise
// Hands a zeroed free buffer to every lane of every voice whose filter is a Comb on an enabled channel
// (after a patch change, audio stopped); a lane that finds none holds -1.
void combBufferAssign(Engine* engine);
