// The engine's working slider list and its two tuning maps (fields of the engine record): their
// start values. User-interface thread only.
#pragma once

struct Engine;

// The default slider list, "Untitled" as the current and the shadow tuning map. Called when the engine
// is created.
void presetEngineStateInit(Engine* engine);
