// Value step rules: how a drag on a number box's arrow strip turns into a new value. A rule gets the
// value at the start of the drag, the pixels moved since the press (positive upward) and the section
// held (mode 1 coarse, 2 fine, 3 finest) and returns the new value measured from the start; any other
// mode returns the start. The rules keep no state and never clamp: the number box clamps.
#pragma once
#include <cstdint>

struct ControlItem;

typedef double (*ValueStepRule)(ControlItem* item, double start, int16_t steps, uint16_t mode);

// start + steps x k(mode).
double numboxStepDefault(ControlItem* item, double start, int16_t steps, uint16_t mode);  // 1, 0.01, 0.001
double stepUnit(ControlItem* item, double start, int16_t steps, uint16_t mode);           // 1, 0.01, 0.0001
double stepCount(ControlItem* item, double start, int16_t steps, uint16_t mode);          // steps/2, 0.1, 0.001
double stepQuarter(ControlItem* item, double start, int16_t steps, uint16_t mode);        // 0.25, 0.125, 0.001
double stepTenth(ControlItem* item, double start, int16_t steps, uint16_t mode);          // 0.1, 0.01, 0.0001
double stepHundredth(ControlItem* item, double start, int16_t steps, uint16_t mode);      // 0.01, 0.001, 0.0001
double stepHundredthFine(ControlItem* item, double start, int16_t steps, uint16_t mode);  // 0.01, 0.001, 0.00001
double stepThousand(ControlItem* item, double start, int16_t steps, uint16_t mode);       // 1000, 10, 1
double stepHalf(ControlItem* item, double start, int16_t steps, uint16_t mode);           // 0.5, 0.125, 0.0001
double stepEighth(ControlItem* item, double start, int16_t steps, uint16_t mode);         // 0.125, 0.001, 0.0001
// Other shapes.
double stepAccelerated(ControlItem* item, double start, int16_t steps, uint16_t mode);
double stepExpTime(ControlItem* item, double start, int16_t steps, uint16_t mode);
double stepSemitoneRatio(ControlItem* item, double start, int16_t steps, uint16_t mode);
double stepExpEighth(ControlItem* item, double start, int16_t steps, uint16_t mode);

// The names the envelope, wave and MIDI editors use for the same rules.
inline double valueStepUnits(ControlItem* i, double s, int16_t n, uint16_t m) { return stepCount(i, s, n, m); }
inline double valueStepTenths(ControlItem* i, double s, int16_t n, uint16_t m) { return stepTenth(i, s, n, m); }
inline double valueStepHundredths(ControlItem* i, double s, int16_t n, uint16_t m) { return stepHundredth(i, s, n, m); }
inline double valueStepLinear(ControlItem* i, double s, int16_t n, uint16_t m) { return stepTenth(i, s, n, m); }
inline double valueStepAccel(ControlItem* i, double s, int16_t n, uint16_t m) { return stepAccelerated(i, s, n, m); }
inline double valueStepHz(ControlItem* i, double s, int16_t n, uint16_t m) { return stepHalf(i, s, n, m); }
