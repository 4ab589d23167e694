// The two-wave oscillators "Double" (type 1), "FM" (type 2), "Ringmod" (type 3) and the layered
// "Fractalize" (type 6), and the pieces they share: per unison voice a detune, an increment ramp
// from the value the previous block ended with, and 16.16 fixed-point table reading.
// Units: phases in table samples of a 1024-sample wave (0 <= x < 1024); increments in table samples
// per rendered sample; balances and levels linear.
#pragma once
#include <cstdint>

#include "oscillators/oscTableRead.h"

struct Engine;
struct ChannelOscRecord;
struct OscVoiceState;

void oscRenderDouble(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);
void oscRenderFm(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);
void oscRenderRingmod(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);
void oscRenderFractalize(Engine* engine, ChannelOscRecord* record, std::int16_t channel, std::int16_t frames);

// Detune factor of unison voice k: spread u_k (ratio t) times 2^((2 r_k - 1) x depth / 12), where
// depth is "Rand trans" x its modulation (semitones). Non-finite results give 1.0.
double oscDoubleDetune(const OscVoiceState* state, int k, double t, double depth);

// One wave's ramp over a block in 16.16 fixed point (integer part modulo 1024).
struct OscWaveRamp {
  std::uint32_t phase;  // phase x 65536, below 2^26
  std::int32_t inc;     // increment at the first sample x 65536
  std::int32_t step;    // change of the increment per sample x 65536
  float start;          // increment at the first sample (table samples; after halving)
  float stepValue;      // change of the increment per sample (table samples)
};

// Sets up the ramp of one wave: *stored holds the increment the previous block ended with and
// receives target. count samples are rendered (2 x frames when oversampled, with half increments:
// half 1). Both ends are limited to 512; a ramp that would carry the phase past 65,536 runs at its
// start increment.
OscWaveRamp oscDoubleRamp(float* stored, double target, int count, double phase, int half);

// Balance of a "Double" or "Ringmod" voice: base x velocity x modulation 7 x the LFO index factors
// x the channel's FM controller factor, limited by oscDoubleLimitBalance.
double oscDoubleBalance(Engine* engine, const OscVoiceState* state, int unit, double base);
// A balance held within -64..64 (0 for non-finite values): far beyond any real setting, it keeps
// the levels of hostile modulation finite.
double oscDoubleLimitBalance(double b);

// The ramp as a phase ramp for the table readers (oscTableRead.h).
inline OscPhaseRamp oscWaveRampPhase(const OscWaveRamp& r) {
  return OscPhaseRamp{r.phase, static_cast<std::uint32_t>(r.inc), static_cast<std::uint32_t>(r.step)};
}

inline float oscDoubleRead(const float* table, std::uint32_t p, const float* weights) {
  const std::uint32_t i = (p >> 16) & 1023u;
  const float a = table[i];
  return a + (table[(i + 1) & 1023u] - a) * weights[(p & 0xFFFFu) >> 8];
}
