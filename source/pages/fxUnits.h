// The Effect page's panel of the three-unit effect (type 5): picture 6 at (0, 68) of the page's pane
// with ids 170..211, built with pane 5 current in group mode and refreshed when type 5 is shown.
#pragma once
#include <cstdint>

void fxUnitsBuild(std::uint16_t win);
void fxUnitsRefresh(std::uint16_t win);
