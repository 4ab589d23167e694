// Entry points of the channel modulators and the waveshaper called by the engine's block render.
// (The filters' are in modules/filterModule.h, the master effect's in modules/effectFrame.h.)
#pragma once
#include <cstdint>

struct Engine;

void modulatorInstallRoutines();
// Channel modulators over every active voice's channel buffer.
void modulatorRenderAll(Engine* engine, std::int16_t frames);
// The waveshaper: post 0 every active voice's master buffer, post 1 only voice 0's (the voice sum).
void waveshaperRender(Engine* engine, std::int16_t frames, int post);
