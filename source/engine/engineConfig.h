// Process-wide engine configuration: the sample rate of the running device and the factors derived
// from it. Every unit is designed at 44,100 Hz and scales through the two factors below.
//
// The two sample-rate factors (one pair of names, one meaning, used everywhere):
//   rateFactor = 44,100 / sample rate : multiplies increments computed for 44,100 Hz (oscillator and
//                                       modulator phase increments, LFO and envelope steps per sample)
//                                       so a pitch or a rate keeps its speed at any sample rate.
//   rateRatio  = sample rate / 44,100 : multiplies times stored in samples at 44,100 Hz (delays,
//                                       envelope segment lengths) to give samples at the running rate.
// At 48,000 Hz: rateFactor 0.91875, rateRatio 1.08844.
#pragma once
#include <cstdint>

struct EngineConfig {
  std::int16_t maxBlock;    // upper bound of the block length in frames (256; -1 when set above 65,535)
  std::int16_t block;       // block length in frames (128), never above maxBlock
  float blockSeconds;       // block / 44,100
  float sampleRate;         // Hz of the running device (44,100.0)
  float configuredRate;     // Hz set at start-up (44,100.0)
  float rateFactor;         // 44,100 / sampleRate (see above)
  float rateRatio;          // sampleRate / 44,100 (see above)
  float pitchIndexOffset;   // dspFreqToIndex(100) - dspFreqToIndex(100 x rateFactor): 40 x log2(rate /
                            // 44,100) in pitch-index steps (40 per octave); 0 at 44.1 kHz, 4.89 at 48 kHz
  std::uint8_t followFlag;  // 1: the running tempo of the tempo clock follows the preset tempo
};

extern EngineConfig engineConfig;

// Start-up defaults: block 128 of at most 256 frames, 44,100 Hz.
void engineCfgInitDefaults();
// Sets the rate and everything derived from it; returns false (and changes nothing) for a rate that
// is not a finite number above 0.
bool engineCfgSetRate(float rate);
void engineCfgSetMaxBlock(std::int32_t length);
void engineCfgSetBlock(std::int32_t length);
void engineCfgSetFlag(std::uint8_t flag);

// Short readers for the units' inner code.
inline float engineSampleRate() { return engineConfig.sampleRate; }
inline float engineRateFactor() { return engineConfig.rateFactor; }  // 44,100 / rate: increments
inline float engineRateRatio() { return engineConfig.rateRatio; }    // rate / 44,100: stored times
inline float rateIndexOffset() { return engineConfig.pitchIndexOffset; }
