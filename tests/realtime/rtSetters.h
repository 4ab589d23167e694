// Every value setter the sound core offers the pages, as a table: each entry applies one value to one
// index (channel, filter, LFO, envelope slot and breakpoint, effect line...). Values are doubles and
// reach the setter in its own type: floats as they convert (beyond the float range: infinity),
// integers saturated to their type's range (not a number: 0), so a test can hand every setter the
// same hostile list.
#pragma once
#include <string>
#include <vector>

struct Engine;

struct RtSetter {
  std::string name;
  int indexCount;  // indices 0..indexCount-1 are meaningful
  void (*apply)(Engine* engine, int index, double value);
  bool takesNonFinite;  // a floating-point parameter (NaN/inf reach it)
};

const std::vector<RtSetter>& rtSetters();

// The values every setter is tried with: not-a-number, infinities, huge, negative, subnormal, zero,
// small and ordinary values.
const std::vector<double>& rtHostileValues();
