#include "preset/sliderList.h"

#include <cstring>

#include "engine/numeric.h"

static std::int32_t usedCount(const SliderList* list) { return numClamp<std::int32_t>(list->count, 0, sliderListMax); }

void sliderEntryClear(SliderEntry* entry) {
  if (!entry) return;
  std::memset(entry, 0, sizeof *entry);
  entry->controller = sliderFree;
  entry->partner = sliderFree;
  entry->second = 0;
}

SliderEntry* sliderListFind(SliderList* list, std::int32_t controller) {
  if (!list) return nullptr;
  for (std::int32_t i = 0; i < usedCount(list); ++i)
    if (list->entries[i].controller == controller) return &list->entries[i];
  return nullptr;
}

SliderEntry* sliderListFindFree(SliderList* list) { return sliderListFind(list, sliderFree); }

bool sliderListSet(SliderList* list, std::int32_t controller, std::int32_t value, const char* label) {
  SliderEntry* e = sliderListFind(list, controller);
  if (!e) e = sliderListFindFree(list);
  if (!e) return false;
  e->controller = controller;
  e->value = value;
  std::memset(e->label, 0, sizeof e->label);
  for (std::size_t i = 0; label && i < sizeof e->label && label[i]; ++i) e->label[i] = label[i];
  return true;
}

void sliderListDefaults(SliderList* list) {
  if (!list) return;
  list->count = sliderListMax;
  for (SliderEntry& e : list->entries) sliderEntryClear(&e);
  for (std::int16_t& o : list->order) o = static_cast<std::int16_t>(sliderFree);
  sliderListSet(list, 7, 127, "vol");
  sliderListSet(list, 10, 64, "LR pan");
  sliderListSet(list, 11, 64, "FB pan");
  SliderEntry* lr = sliderListFind(list, 10);
  SliderEntry* fb = sliderListFind(list, 11);
  if (lr && fb) {
    lr->partner = 11;
    fb->partner = 10;
    fb->second = 1;
  }
}
