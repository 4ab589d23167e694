// Per-voice running state of a channel oscillator and the band-limited tables of a channel.
// The oscillator frame fills in the voice state's fields; the engine only holds the records.
#pragma once
#include <cstdint>

struct OscVoiceState {
  std::int16_t voice;           // the voice this state belongs to
  std::int16_t channel;
  std::uint32_t reservedForOscillatorFrame;
};

// Per channel: eight band-limited tables of wave A and eight of wave B, 1024 samples each.
struct ChannelWavetables {
  float waveA[8][1024];
  float waveB[8][1024];
};
