// The three LFOs of a preset: record (also stored in presets, editKindLfo, index 0..2) and the
// per-voice running state. A global LFO uses the state of voice 0 only.
#pragma once
#include <cstdint>

struct Lfo {
  std::uint8_t on;                // 1: the LFO runs
  std::uint8_t perVoice;          // 1: one phase per voice, restarted at note-on; 0: one global phase
  std::uint8_t sampleHold;        // outputs are updated only once per hold period
  std::uint8_t pitchTarget[3];    // channel c's pitch follows the pitch factor
  std::uint8_t ampTarget[3];      // channel c's amplitude follows the amplitude multiplier
  std::uint8_t filterTarget[4];   // filter f (3 = master) follows the filter factor
  std::uint8_t channelTarget[3];  // channel c's oscillator follows the third multiplier
  std::uint8_t pitchPolarity;     // 1: pitch follows the wave; 0: inverted
  std::uint8_t ampPolarity;       // 1: upright unipolar value; 0: inverted
  std::uint8_t spareSwitch;       // stored and copied only
  std::uint8_t filterPolarity;
  std::uint8_t channelPolarity;
  std::int16_t index;            // 0..2
  std::int16_t depthController;  // MIDI source scaling the depth: -1 channel pressure, 0..127 controller
  std::int16_t rateController;
  std::int16_t holdRateController;
  std::int16_t retrigger;            // switch: a retrigger request restarts the phase
  std::int16_t retriggerController;  // controller number whose value above 0 requests a retrigger
  std::int16_t retriggerRequest;     // runtime, cleared at the end of every block
  float depth;                       // runtime: effective depth of this block
  float depthAmount;                 // 0..1: how far the depth controller scales the depth
  float holdRateRange;               // base of the hold-rate factor
  float holdRateFactor;              // runtime
  float rateFactor;                  // runtime
  float rateRange;                   // base of the rate factor
  float ampDepth;                    // 0..1
  float pitchDepth;                  // octaves
  float fieldDepth;                  // depth of the sound-field position
  float filterRange;                 // base of the filter factor (1.0 = no filter modulation)
  float channelDepth;                // 0..1
  float percentSetting;              // stored fraction (page percent x 0.01)
  std::int16_t waveId;               // wave read (0 = global sine)
  float periodSeconds;               // period when not synchronised, seconds
  float startPhase;                  // phase after a restart, wave samples 0..1024
  float holdSeconds;                 // hold period when not synchronised, seconds
  float displayValue;                // runtime: last upright unipolar value of voice 0
  std::uint32_t periodSync;          // 1: the period is periodBeats beats of the tempo clock
  std::uint32_t holdSync;            // 1: the hold period is holdBeats beats
  double periodBeats;                // beats
  double holdBeats;                  // beats
  double period;                     // runtime: period in force, seconds
  double holdPeriod;                 // runtime: hold period in force, seconds
};

struct LfoVoiceState {
  std::uint8_t active;
  std::uint16_t voice;
  std::uint16_t lfo;
  double phase;  // wave samples, growing without bound
  std::uint32_t spare;
  float ampMultiplier;
  float pitchFactor;
  float filterFactor;
  float filterIndexOffset;  // pitch-index steps (40 per octave), 0..480
  float channelMultiplier;
  float fieldX;
  float fieldY;
  double holdTimer;  // seconds since the last hold step
};

void lfoDefaults(Lfo* lfo, std::int16_t index);
void lfoVoiceStateDefaults(LfoVoiceState* state, std::uint16_t lfo, std::uint16_t voice);
