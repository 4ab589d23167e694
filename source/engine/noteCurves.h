// Per-note factor curves (the Midi page's "Notescale") and the velocity tables beside them.
#pragma once
#include <cstdint>

struct NoteCurve {
  std::uint32_t family;  // 1 oscillator amplitude, 2 oscillator FM index/balance, 3 filter frequency
  std::uint32_t slot;    // 0..2 (families 1, 2) or 0..3 (family 3, 3 = master filter)
  float values[128];     // factor per MIDI note, 0..1; 1.0 = no change
};

struct VelocityTable {
  float spare[8];
  float values[128];  // factor per velocity 0..127
};

const int noteCurveCount = 10;

// Engine region: ten curves (family 1 slots 0..2, family 2 slots 0..2, family 3 slots 0..3), then
// the ten velocity tables in the same order.
struct NoteCurveSet {
  NoteCurve curves[noteCurveCount];
  VelocityTable velocityTables[noteCurveCount];
};
