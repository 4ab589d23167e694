// Slider list edits: names, pad partners, the merge copy and the ascending order table.
#include <cstring>

#include "engine/numeric.h"
#include "preset/sliderList.h"

static std::int32_t usedCount(const SliderList* list) { return numClamp<std::int32_t>(list->count, 0, sliderListMax); }

void sliderListSetName(SliderList* list, std::int32_t controller, const char* label) {
  SliderEntry* e = sliderListFind(list, controller);
  if (!e) return;
  std::memset(e->label, 0, sizeof e->label);
  for (std::size_t i = 0; label && i < sizeof e->label && label[i]; ++i) e->label[i] = label[i];
}

void sliderListSetFlag(SliderList* list, std::int32_t controller, std::uint8_t second) {
  if (SliderEntry* e = sliderListFind(list, controller)) e->second = second;
}

SliderEntry* sliderListNextAbove(SliderList* list, std::int32_t controller) {
  if (!list) return nullptr;
  SliderEntry* best = nullptr;
  for (std::int32_t i = 0; i < usedCount(list); ++i) {
    SliderEntry& e = list->entries[i];
    if (e.controller > controller && e.controller < 128 && (!best || e.controller < best->controller)) best = &e;
  }
  return best;
}

void sliderListSetPartner(SliderList* list, std::int32_t controller, std::int32_t partner) {
  SliderEntry* e = sliderListFind(list, controller);
  if (!e) return;
  SliderEntry* old = sliderListFind(list, e->partner);
  e->partner = partner;
  if (old) old->partner = partner >= -1 ? controller : sliderFree;
}

void sliderListCopy(const SliderList* source, SliderList* destination) {
  if (!source || !destination) return;
  sliderListDefaults(destination);
  for (std::int32_t i = 0; i < usedCount(source); ++i) {
    const SliderEntry& s = source->entries[i];
    if (s.controller < -1) continue;
    SliderEntry* d = sliderListFind(destination, s.controller);
    if (!d) d = sliderListFindFree(destination);
    if (d) *d = s;
  }
}

void sliderListBuildOrderOf(SliderList* list) {
  if (!list) return;
  for (std::int16_t& o : list->order) o = static_cast<std::int16_t>(sliderFree);
  int n = 0;
  std::int32_t last = -1;
  while (n < sliderListMax) {
    SliderEntry* e = sliderListNextAbove(list, last);
    if (!e) break;
    last = e->controller;
    list->order[n++] = static_cast<std::int16_t>(last);
  }
  if (n < sliderListMax && sliderListFind(list, sliderChannelPressure))
    list->order[n] = static_cast<std::int16_t>(sliderChannelPressure);
}
