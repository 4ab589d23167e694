// The engine's slider list: sending the stored positions after a load, and refreshing the list from
// the controllers the playing patch uses before a store.
#include <cmath>

#include "engine/engine.h"
#include "engine/midiQueue.h"
#include "engine/numeric.h"
#include "preset/sliderList.h"

SliderList* engineGetSliderList(Engine* engine) { return engine ? &engine->sliders : nullptr; }

void sliderListBuildOrder(Engine* engine) { sliderListBuildOrderOf(engineGetSliderList(engine)); }

void sliderListSyncEngine(Engine* engine) {
  SliderList* list = engineGetSliderList(engine);
  if (!list) return;
  const std::int32_t n = numClamp<std::int32_t>(list->count, 0, sliderListMax);
  const std::int16_t channel = midiGetQueueChannel(engine);
  for (std::int32_t i = 0; i < n; ++i) {
    const SliderEntry& e = list->entries[i];
    if (e.controller < -1 || e.controller > 127) continue;
    midiQueueEvent(engine, static_cast<std::int16_t>(e.controller), static_cast<std::int16_t>(e.value), channel);
  }
}

namespace {

const float breakpointScaleThreshold = 1.0f / 128.0f;

// Calls `use` with every controller source of the playing patch (see sliderControllerInUse).
template <typename Use>
void forEachUsedSource(Engine* engine, Use use) {
  const ControllerSettings& cc = engine->controllers;
  use(cc.positionLrSource);
  use(cc.positionFbSource);
  use(cc.volumeSource);
  if (1.0f - cc.filterDepth > 0.0f) use(cc.filterSource);
  if (1.0f - cc.oscLevelDepth > 0.0f) use(cc.oscLevelSource);
  if (cc.effectDepth > 0.0f) use(cc.effectSource);
  for (const Lfo& lfo : engine->lfos) {
    if (!lfo.on) continue;
    if (lfo.depthAmount > 0.0f) use(lfo.depthController);
    if (lfo.rateRange < 1.0f) use(lfo.rateController);
    if (lfo.holdRateRange < 1.0f) use(lfo.holdRateController);
  }
  for (const EnvelopeSlot& slot : engine->envSlots) {
    if (!slot.inUse || !slot.ccScaleOn) continue;
    const int last = slot.lastIndex < 0                     ? 0
                     : slot.lastIndex >= envBreakpointCount ? envBreakpointCount - 1
                                                            : slot.lastIndex;
    for (int b = 0; b <= last; ++b) {
      const Breakpoint& p = slot.breakpoints[b];
      if (std::fabs(p.ampScale) > breakpointScaleThreshold) use(static_cast<std::int16_t>(p.ampCc));
      if (std::fabs(p.timeScale) > breakpointScaleThreshold) use(static_cast<std::int16_t>(p.timeCc));
    }
  }
}

}  // namespace

bool sliderControllerInUse(Engine* engine, std::int32_t controller) {
  if (!engine) return false;
  bool found = false;
  forEachUsedSource(engine, [&](std::int16_t source) {
    if (source == controller) found = true;
  });
  return found;
}

void sliderListApplyAll(Engine* engine) {
  SliderList* list = engineGetSliderList(engine);
  if (!list) return;
  std::int32_t last = -2;
  for (;;) {
    SliderEntry* e = sliderListNextAbove(list, last);
    if (!e) break;
    last = e->controller;
    if (!sliderControllerInUse(engine, e->controller)) sliderEntryClear(e);
  }
  if (SliderEntry* pressure = sliderListFind(list, sliderChannelPressure))
    if (!sliderControllerInUse(engine, sliderChannelPressure)) sliderEntryClear(pressure);
  forEachUsedSource(engine, [&](std::int16_t source) {
    if (source < -1 || source > 127) return;  // pitch bend and voice sources have no slider
    SliderEntry* e = sliderListFind(list, source);
    if (e)
      e->value = midiGetSourceValue(engine, source);
    else
      sliderListSet(list, source, midiGetSourceValue(engine, source), "");
  });
}
