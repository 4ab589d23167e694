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

// Default list: 12 free entries, then controller 7 "vol" at 127, 10 "LR pan" and 11 "FB pan" at 64,
// 10 and 11 partnered as one pad (11 the second).
void sliderListDefaults(SliderList* list);
void sliderEntryClear(SliderEntry* entry);                      // free: controller and partner -10
SliderEntry* sliderListFind(SliderList* list, std::int32_t controller);   // first of `count`, or null
SliderEntry* sliderListFindFree(SliderList* list);
// The entry of `controller`, else the first free one, takes controller, value and label (16 chars,
// the rest zero); false when neither exists.
bool sliderListSet(SliderList* list, std::int32_t controller, std::int32_t value, const char* label);
