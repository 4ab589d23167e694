// Sample conversions of the MME driver.
#include "ABMmeConvert.h"

#include <cstring>

void mmeFloatToPcm16(const float* const* buffers, int channels, int frames, int16_t* pcm)
{
    for (int c = 0; c < channels; ++c) {
        const float* in = buffers[c];
        int16_t* out = pcm + c;
        if (!in) {
            for (int f = 0; f < frames; ++f) out[f * channels] = 0;
            continue;
        }
        for (int f = 0; f < frames; ++f) {
            float v = in[f] * 32767.0f;
            // Saturate instead of wrapping; the comparisons are false for NaN, which becomes 0.
            int32_t s = 0;
            if (v >= 32767.0f)
                s = 32767;
            else if (v <= -32768.0f)
                s = -32768;
            else if (v == v)
                s = static_cast<int32_t>(v);
            out[f * channels] = static_cast<int16_t>(s);
        }
    }
}

void mmePcm16ToFloat(const int16_t* pcm, int channels, int pcmFrames, float* const* buffers, int frames)
{
    if (pcmFrames > frames) pcmFrames = frames;
    if (pcmFrames < 0) pcmFrames = 0;
    for (int c = 0; c < channels; ++c) {
        float* out = buffers[c];
        if (!out) continue;
        const int16_t* in = pcm + c;
        for (int f = 0; f < pcmFrames; ++f) out[f] = static_cast<float>(in[f * channels]) * 3.0517578125e-05f;
        if (frames > pcmFrames) std::memset(out + pcmFrames, 0, sizeof(float) * static_cast<size_t>(frames - pcmFrames));
    }
}
