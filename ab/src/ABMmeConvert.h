// Sample conversions of the MME driver between its interleaved 16-bit PCM and the host's float buffers.
#pragma once

#include <cstdint>

// pcm[f * channels + c] = buffers[c][f] × 32767 truncated toward zero, saturated to the 16-bit range
// (NaN gives 0). A null buffer gives silence for its channel.
void mmeFloatToPcm16(const float* const* buffers, int channels, int frames, int16_t* pcm);

// buffers[c][f] = pcm[f * channels + c] / 32768 for f < pcmFrames, and 0 for pcmFrames <= f < frames.
// Null buffers are skipped.
void mmePcm16ToFloat(const int16_t* pcm, int channels, int pcmFrames, float* const* buffers, int frames);
