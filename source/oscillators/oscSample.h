// The "Sample" oscillator (type 4): plays the channel's sample from a per-voice position, transposed
// by the voice's pitch against the sample's root, with linear interpolation, the loop window, the
// "Start %" offset and its modulation, and envelope-driven jumps; a stereo sample fills two lanes.
// Units: positions in frames of the sample (f64); inside a run positions and increments are 16.16
// fixed point relative to the run's first whole frame; increments are frames per output sample.
#pragma once
#include <cstdint>

struct Engine;
struct ChannelOscRecord;
struct OscVoiceState;
struct SampleInfo;
struct SampleVoice;

// Increments above this many frames per output sample are held (a run's frame index is 16 bits).
const double sampleIncrementMax = 16384.0;

// One stretch of a block read from one place of the sample.
struct SampleRun {
  const float* data;       // the run's first whole frame (one or two floats per frame)
  std::uint32_t fraction;  // 16.16 start position relative to data, below 1.0
  std::int32_t increment;  // 16.16 increment of the first sample
  std::int32_t step;       // 16.16 change of the increment per sample
  std::uint8_t fadeOut;    // fade the run's end out (a jump follows)
};

void oscRenderSample(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);

// Render count samples of a run into one lane (mono) or two (stereo); the voice's fade-in request is
// applied to the start of the run, else a fade-out to its end (which then requests a fade-in).
void sampleReadMono(const SampleRun* run, SampleVoice* voice, float* out, std::int16_t count);
void sampleReadMonoArgs(const float* data, std::uint32_t fraction, std::int32_t increment, std::int32_t step,
                        std::uint8_t fadeOut, SampleVoice* voice, float* out, std::int16_t count);
void sampleReadStereo(const SampleRun* run, SampleVoice* voice, float* left, float* right, std::int16_t count);
void sampleReadStereoArgs(const float* data, std::uint32_t fraction, std::int32_t increment, std::int32_t step,
                          std::uint8_t fadeOut, SampleVoice* voice, float* left, float* right, std::int16_t count);

// Amplitude stage of "Sample" and "Granular": ramps the voice's gain toward the amplitude envelope
// (re-evaluated where an envelope segment ends inside the block) over `lanes` lanes of frames
// samples each; `limitSamples` holds samples within -8..8 first ("Sample" does, "Granular" not).
void sampleApplyAmplitudeLanes(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float* buffer,
                               std::int16_t frames, int lanes, bool limitSamples);
// The same for both lanes of "Sample" (the right lane follows the left, frames samples on).
void sampleApplyAmplitudeStereo(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float* left,
                                std::int16_t frames);

// True when the slot's data holds two interleaved values per frame (stereo file read as stereo).
bool sampleDataIsStereo(const SampleInfo* info);
