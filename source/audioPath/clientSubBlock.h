// One 128-frame sub-block of the audio client, shared by the client and the stand-in audio thread of
// the tests: the due MIDI events are dispatched, the audio inputs handed to the engine, the engine
// rendered, its buses decoded to the device outputs and the stop/restart ramp applied.
#pragma once
#include <cstdint>

struct Engine;

// inputs: inputCount pointers (at most 6) to 128 frames each; a null pointer is an input that no
// device channel feeds (its present flag stays clear). outputs: outputCount pointers to 128 frames
// each, none null. dueFrame: the frame after the sub-block, counted from the device block's start.
// MIDI of the sub-block is pushed into the engine's ring before the call; pending edits are committed
// by the caller once per device block.
void clientRenderSubBlock(Engine* engine, const float* const* inputs, int inputCount, float* const* outputs,
                          int outputCount, std::int32_t dueFrame);
