// The preset's MIDI controller map and glide settings (editKindControllers). "Stored" fields are copied
// between preset and engine; "running" fields are the engine's smoothed values. A MIDI source is a
// controller 0..127, -1 channel pressure, 128 pitch bend. Smoothing c moves a value toward its
// target by (target - value) x c once per block.
#pragma once
#include <cstdint>

struct ControllerSettings {
  float bendRange;                 // semitones 0..72 (24)
  float pitchFactor;               // running: smoothed bend factor (frequency ratio)
  float bendFactor;                // running: target, 2^(semitones / 12)
  float bendSmoothing;             // 1/11
  std::int16_t sustainController;  // 64
  std::int16_t positionLrSource;   // 10
  float positionWidth;             // 0..1
  float positionLr;                // running, 0..127 scale (64 centre)
  float positionLrTarget;          // running
  float positionSmoothing;         // 1/11
  std::int16_t positionFbSource;   // 11
  float positionFb;                // running
  float positionFbTarget;          // running
  std::int16_t volumeSource;       // 7
  float volumeSpare;               // 1.0
  float volume;                    // running 0..1
  float volumeTarget;              // running
  float volumeSmoothing;           // 1/11
  std::uint8_t filterSwitches[4];  // filters 0..3 moved by the filter control
  std::int16_t filterSource;       // 1
  float filterGain;                // running 0..1
  float filterOffset;              // running: pitch-index steps (40 per octave) the filters are lowered
  float filterDepth;               // 1 - depth percent / 100
  float filterGainTarget;          // running
  float filterSpare;
  float filterSmoothing;        // 1/11
  std::uint8_t oscSwitches[3];  // channels 0..2 moved by the oscillator level control
  std::int16_t oscLevelSource;  // 1
  float oscLevelSmoothing;      // 1/11
  float oscLevelDepth;          // 1 - depth percent / 100
  float oscLevel;               // running 0..1
  float oscLevelTarget;         // running
  std::int16_t effectSource;    // 1
  float effectSmoothing;        // 1/26
  float effectDepth;            // depth percent / 100
  float effectLevel;            // running 0..1
  float effectLevelTarget;      // running
  float timeCoefficients[3];    // [0] glide speed per 128-frame block (1.0 = no glide)
  std::int16_t glideMode;       // 0 off, 1 always, 2 legato only
  std::int16_t spareA;          // 65
  std::int16_t spareB;          // 5
};
