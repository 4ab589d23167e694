// The polyphase kernels of the sample-rate converter: small fixed filters for the ratios
// 1:1, 2:1, 1:2, 3:1, 1:3, 3:2, 2:3, 4:3, 3:4, 1:4 and 4:1 (input frames : output frames).
#pragma once

// kernel (in, out, inFrames, state): converts inFrames input frames of one channel and produces one
// output group for every complete input group (inFrames x den / num outputs over a stream). A group
// left incomplete at the end of a call stays in the state and is finished by the next call, so a
// signal cut into pieces of any length gives the same output as in one piece.
typedef void (*DSPKernel)(const float* in, float* out, int inFrames, float* state);

// Floats of one channel's kernel state: the filter history (up to 6 values), the inputs of an
// incomplete group and their count.
constexpr int DSP_KERNEL_STATE = 8;

// The kernel for num : den; mode 1 writes the output, mode 0 adds to what it holds. Null for a pair
// that has no kernel.
DSPKernel dspKernel(int num, int den, bool mode);

// Input and output frames of one group of the kernel for num : den (1 and 1 for a pair without one).
void dspKernelGroup(int num, int den, int* groupIn, int* groupOut);
