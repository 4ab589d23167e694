// Pan law and level tables of the voice and channel mix (editKindLevels for the channel-level block).
#pragma once
#include <cstdint>

struct ChannelLevelBlock {
  float fadeOut[1024];  // equal-power fade, 0.999 down to 0.0001
  float fadeIn[1024];   // mirror of fadeOut
  float panCurve[128];  // 0..0.999
  std::int16_t knee;    // 0..1023: pan curve value at entry 64, in 1/1024
  float centreOut;      // fadeOut[512]
  float centreIn;       // fadeIn[512]
};

struct VoiceLevelEntry {
  float centreOut;
  float centreIn;
  const float* sources[3];  // start pointing at a constant 0.5
};

struct PanEntry {
  float a;  // accumulators, cleared every block
  float b;
  float gainOut;  // pan gains chosen at note-on
  float gainIn;
};
