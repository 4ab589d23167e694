// Entry points of the oscillators called by the engine.
#pragma once
#include <cstdint>

struct Engine;

// Fills the oscillator routine table and the tables the routines share; once at engine creation.
void oscDspInit();
// Renders every active voice of each channel whose oscillator is on into its channel buffer.
void oscRenderAll(Engine* engine, std::int16_t frames);
