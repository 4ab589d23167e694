// Sound-field positions of the mix sources and the speaker layout settings of the output decode.
#pragma once
#include <cstdint>

struct PanPosition {
  std::int32_t flag;            // 1; not read by the decode
  float x;                      // -1 left .. +1 right
  float y;                      // -1 rear .. +1 front
};

struct PanState {
  double baseX, baseY;          // position as last read
  double currentX, currentY;    // smoothed position the gains were last computed for
  double smoothing;             // 0.25
  double modX, modY;            // -1..1, written by the field panner
  PanPosition* position;
};

struct SurroundSettings {
  std::uint16_t fieldMode;      // 1: three-bus field everywhere
  std::uint16_t layout;         // 0..13
  std::uint16_t outputsUsed;    // speakers of the layout, plus 1 with the LFE on
  std::uint8_t lfeOn;
  std::uint16_t lfeSlot;        // channel-map slot of the LFE, 0..8
  float lfeFrequency;           // Hz, for the set-up page only
  float lfeGain;                // linear (0.25 = -12 dB in 6-per-doubling units)
  std::uint16_t channelMap[9];  // slot -> device output index
};
