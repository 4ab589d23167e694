// Levels of the selected envelope in the unit of the parameter it drives. An envelope level L (0..1)
// scales the destination module's current value m; the level box of the Envelope page shows the value
// the parameter reaches at L and turns a typed value back into L. Both directions read m from the
// engine (oscillator, filter, modulator, waveshaper and effect getters) for the envelope's owner.
#pragma once
#include <cstdint>

#include "controls/stepRules.h"

struct Engine;

// What the level box shows for one level: its value, range, step rule and the unit word of the
// page's level-display button. `keep` set: the box keeps its previous value and range.
struct EnvUnitShown {
  bool keep;
  double value;
  double minimum;
  double maximum;
  ValueStepRule step;
  const char* word;
};

// The ratio of a typed pitch value v to the module's value m in frequency mode `mode` (0 semitones,
// 1 and 3 a plain ratio or Hz, 2 a note number; other modes 1.0). False when m gives no ratio (a
// module value of 0 in modes 1 and 3): the caller leaves the level as it is.
bool envUnitRatio(std::int16_t mode, double v, double m, double* ratio);

// The module's current value for destination `kind` of owner `owner`: false when the kind has none.
bool envUnitModuleValue(Engine* engine, std::int16_t kind, std::int16_t owner, double* m);

// The level L shown in the destination's unit (the level box's set-up).
EnvUnitShown envLevelToUnits(Engine* engine, std::int16_t kind, std::int16_t owner, double level);

// The level (0..1) for a typed value v. False, leaving *level as it was, when v is not a number or
// the module's value gives no inverse (a ratio of a zero value, a filter index of 0, a comb delay of
// 0): the page then changes nothing.
bool envUnitsToLevel(Engine* engine, std::int16_t kind, std::int16_t owner, double v, double* level);
