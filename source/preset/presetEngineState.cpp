#include "preset/presetEngineState.h"

#include "engine/engine.h"
#include "preset/sliderList.h"
#include "preset/tuning.h"

void presetEngineStateInit(Engine* engine) {
  if (!engine) return;
  sliderListDefaults(&engine->sliders);
  tuningMakeDefault(&engine->tuningCurrent);
  tuningMakeDefault(&engine->tuningShadow);
}
