// The wave chooser on popup selectors: the routines the wave menus fill a selector through, and the
// wave's name written as a selector's label.
#pragma once
#include <cstdint>

void waveSelectorInstall();  // hands the routines to the wave menus
void waveMenuSetLabel(int16_t win, uint16_t item, int32_t waveId);
