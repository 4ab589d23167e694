// The "Single" oscillator (type 0): wave A with up to eight detuned unison voices per played voice,
// read plain or, band-limited, at twice the rate from the level that suits the pitch and decimated.
#pragma once
#include <cstdint>

struct Engine;
struct ChannelOscRecord;
struct OscVoiceState;

// One unison voice over count samples. Phases in table samples (0..1024); increments in table
// samples per rendered sample, inc at the first sample, changing by step per sample.
struct SingleRenderBlock {
  float phase;  // start phase including offset; on return the end phase without it
  float step;
  float inc;
  float* out;
  const float* table;  // 1024 samples
  float offset;        // phase offset included in phase
  std::int16_t count;
  std::int16_t unison;
};

void singleRender(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);
// first 1: store into out; 0: add into out.
void singleRenderUnison(SingleRenderBlock* block, int first, const float* weights);
// 2:1 half-band decimation of 2 x frames input samples into frames output samples (state: 12 floats).
void oscHalfbandDownsample(float* state, const float* input, float* output, std::int16_t frames);
void oscDownsampleVoice(Engine* engine, const ChannelOscRecord* record, OscVoiceState* state, float* buffer,
                        std::int16_t frames);
