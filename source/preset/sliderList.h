// The preset's list of MIDI controller sliders: which controllers the sound uses, the value each had
// when the preset was stored, a 16-character label, and pairs that form one two-dimensional pad.
#pragma once
#include <cstdint>

const int sliderListMax = 12;
const std::int32_t sliderFree = -10;          // controller / partner of a free entry
const std::int32_t sliderChannelPressure = -1;

struct SliderEntry {
  std::int32_t controller;   // 0..127 a controller number, -1 channel pressure, -10 free
  std::int32_t partner;      // the controller forming a pad with this one, -10 none
  std::uint8_t second;       // 1 for the second (vertical) controller of a pad
  std::int32_t value;        // stored controller value 0..127
  char label[16];            // zero-padded, not always terminated
};

struct SliderList {
  std::int32_t count;                  // entries in use of `entries`, 0..12
  std::int16_t order[sliderListMax];   // used controller numbers ascending, then -1, then -10
  SliderEntry entries[sliderListMax];
};
