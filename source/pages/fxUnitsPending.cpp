// Placeholder for the three-unit effect's panel until its own files join the tree: builds nothing.
#include "pages/fxUnits.h"

void fxUnitsBuild(std::uint16_t) {}
void fxUnitsRefresh(std::uint16_t) {}
