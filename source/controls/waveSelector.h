// The wave chooser on popup selectors: the routines the wave menus fill a selector through, and the
// wave's name written as a selector's label.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

struct ControlItem;

void waveSelectorInstall();  // hands the routines to the wave menus
void waveMenuSetLabel(WinId win, uint16_t item, int32_t waveId);
// The open callback of a wave selector: its menus are refilled right before it opens, so entry 1
// reads the name the selector shows now and the "User" branch lists the preset's waves of now.
void waveSelectorOpening(ControlItem* item, int32_t opening);
