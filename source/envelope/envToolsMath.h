// The arithmetic of the envelope tools pane on plain slot records (no window, no engine): scale,
// set duration up to the sustain point and attack/release pulses. Times are segment lengths in
// samples at 44,100 per second whatever the device rate (the generator scales them when it plays),
// so nothing here looks at the running rate. Every input is bounded first (non-numbers take the
// lower bound), and every time written stays inside the model's range.
#pragma once
#include <cstdint>

#include "preset/envelopeSlot.h"

struct EnvToolScale {
  double timeScale;   // 0..100
  double ampScale;    // 0..8
  double ampOffset;   // -1..1
  double slopeScale;  // 0..100
};

struct EnvToolPulses {
  double bpm;           // 1..1000
  double beatDuration;  // beats per pulse, 0.01..10000
  std::int32_t count;   // pulses, 1..32
  double attack;        // attack share of a pulse, 0.0001..0.999
  double minAmp;        // level between pulses, 0.000001..0.999
  double slope;         // 0.0001..100
};

// Floors and ceilings of the tools.
const double envToolLevelFloor = 0.0001;
const double envToolScaleTimeFloor = 10.0;  // samples
const double envToolTimeFloor = 1.0;        // samples (envToolDuration, envToolPulses)

// envToolScale: levels (and the start level) x amp + offset, slopes x slope scale, times x time scale.
void envToolScaleSlot(const EnvelopeSlot* from, EnvelopeSlot* to, const EnvToolScale& p);

// envToolDuration: the target duration in seconds from the boxes' values.
double envToolDurationTarget(bool useBeats, double seconds, double bpm, double beats);
// The duration (seconds) the tool measures: from the loop start (Loop mode) or breakpoint 0 to the
// sustain point inclusive; 0 when that range is empty.
double envToolMeasuredSeconds(const EnvelopeSlot* slot);
// Every time x target / measured (at least 1 sample). False, and `to` left alone, when the measured
// duration is 0 (no ratio exists).
bool envToolSetDuration(const EnvelopeSlot* from, EnvelopeSlot* to, double targetSeconds);

// envToolPulses: breakpoints 0..2n of `to` become n attack/release pulses and a closing release; the
// sustain point goes to 2n - 1, the start level to the minimum level. Other fields stay.
void envToolPulsesSlot(EnvelopeSlot* to, const EnvToolPulses& p);
// The bounded pulse length in samples at 44,100 per second.
double envToolPulseLength(const EnvToolPulses& p);
