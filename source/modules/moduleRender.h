// Entry points of the channel modulators and the waveshaper called by the engine's block render.
// (The filters' are in modules/filterModule.h, the master effect's in modules/effectFrame.h.)
#pragma once
#include "modules/modulator.h"
#include "modules/waveshaper.h"
