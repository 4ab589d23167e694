#include "preset/presetEngineState.h"

#include <cstdlib>

namespace {

struct Entry {
  Engine* engine;
  PresetEngineState* state;
};
const int maxEngines = 16;
Entry gEntries[maxEngines];

void initState(PresetEngineState* s) {
  sliderListDefaults(&s->sliders);
  tuningMakeDefault(&s->current);
  tuningMakeDefault(&s->shadow);
}

}  // namespace

PresetEngineState* presetEngineState(Engine* engine) {
  if (!engine) return nullptr;
  for (Entry& e : gEntries)
    if (e.engine == engine) return e.state;
  for (Entry& e : gEntries) {
    if (e.engine) continue;
    PresetEngineState* s = static_cast<PresetEngineState*>(std::calloc(1, sizeof(PresetEngineState)));
    if (!s) return nullptr;
    initState(s);
    e.engine = engine;
    e.state = s;
    return s;
  }
  // Full: an engine that was destroyed without release leaves its entry behind; reuse the first.
  initState(gEntries[0].state);
  gEntries[0].engine = engine;
  return gEntries[0].state;
}

void presetEngineStateRelease(Engine* engine) {
  for (Entry& e : gEntries) {
    if (e.engine != engine || !engine) continue;
    std::free(e.state);
    e.engine = nullptr;
    e.state = nullptr;
  }
}
