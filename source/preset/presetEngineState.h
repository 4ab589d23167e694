// The engine's working slider list and its two tuning maps. The engine record has no room for them
// yet, so they live beside it, one record per engine, made on first use and cleared with
// presetEngineStateReset when a preset is loaded. User-interface thread only.
#pragma once
#include "preset/sliderList.h"
#include "preset/tuning.h"

struct Engine;

struct PresetEngineState {
  SliderList sliders;
  TuningMap current;
  TuningMap shadow;
};

// Null without an engine or without memory.
PresetEngineState* presetEngineState(Engine* engine);
// Forgets an engine's record (to be called before the engine is destroyed).
void presetEngineStateRelease(Engine* engine);
