// Per-module velocity settings: ten entries (family 1 oscillator amplitude slots 0..2, family 2
// oscillator FM index or balance slots 0..2, family 3 filter frequency slots 0..3). editKindVelocity.
#pragma once
#include <cstdint>

struct VelocityEntry {
  std::uint32_t family;     // 1, 2 or 3
  std::uint32_t slot;       // channel or filter index
  float base;               // 0..1: curve value at velocity 0 (1.0 = no velocity effect)
  std::uint32_t direction;  // 1 rising with velocity, else falling
  float value;              // running: value for the last note started, 0..1
};

const int velocityEntryCount = 10;

struct VelocitySettings {
  VelocityEntry entries[velocityEntryCount];
};
