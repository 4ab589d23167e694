#include "preset/waveMenu.h"

#include <cstring>

#include "preset/wave.h"
#include "uiSeams/popupMenu.h"

namespace {

std::int16_t gFactoryMenu = 0;
std::int16_t gPresetMenu = 0;
std::int16_t gFactoryItemWave[waveMenuFactoryMax + 1];  // item 1..64 -> global wave index
std::int16_t gFactoryWaveItem[waveGlobalCount];         // global wave index -> item
std::int16_t gFactoryItemCount = 0;
bool gInitDone = false;
WaveSelectorRoutines gSelector;
bool gHaveSelector = false;

}  // namespace

void waveMenusInit() {
  if (gInitDone) return;
  gInitDone = true;
  std::memset(gFactoryItemWave, 0, sizeof gFactoryItemWave);
  std::memset(gFactoryWaveItem, 0, sizeof gFactoryWaveItem);
  gFactoryItemCount = 0;
}

void waveMenusClearFlag() { gInitDone = false; }

void waveMenusSetSelectorRoutines(const WaveSelectorRoutines* routines) {
  gHaveSelector = routines != nullptr;
  if (routines) gSelector = *routines;
}

void waveMenusSetup(int window, int item, bool create) {
  if (create) {
    if (!gFactoryMenu) gFactoryMenu = popupCreate();
    if (!gPresetMenu) gPresetMenu = popupCreate();
    waveMenusFill(window, item);
  } else {
    popupDestroy(gFactoryMenu);
    popupDestroy(gPresetMenu);
    gFactoryMenu = 0;
    gPresetMenu = 0;
  }
}

void waveMenusFillPopups(Engine* engine) {
  if (!engine) return;
  char name[waveNameSize];
  if (gPresetMenu) {
    popupClear(gPresetMenu);
    popupAppend(gPresetMenu, 1, true, "New...");
    popupAppend(gPresetMenu, 2, false, "-");
    int used = 0;
    for (int k = 0; k < waveLocalCount; ++k) {
      const std::int16_t id = static_cast<std::int16_t>(waveLocalIdBase + k);
      if (waveGetState(engine, id) == 0) continue;
      ++used;
      waveGetName(engine, id, name);
      popupAppend(gPresetMenu, static_cast<std::int16_t>(k + 3), true, name);
    }
    if (used == waveLocalCount) popupEnableItem(gPresetMenu, 1, false);
  }
  if (gFactoryMenu) {
    popupClear(gFactoryMenu);
    std::memset(gFactoryItemWave, 0, sizeof gFactoryItemWave);
    std::memset(gFactoryWaveItem, 0, sizeof gFactoryWaveItem);
    std::int16_t n = 0;
    for (int i = 0; i < waveGlobalCount && n < waveMenuFactoryMax; ++i) {
      if (waveGetState(engine, static_cast<std::int16_t>(i)) != waveStateBuiltIn) continue;
      ++n;
      waveGetName(engine, static_cast<std::int16_t>(i), name);
      popupAppend(gFactoryMenu, n, true, name);
      gFactoryItemWave[n] = static_cast<std::int16_t>(i);
      gFactoryWaveItem[i] = n;
    }
    gFactoryItemCount = n;
  }
}

void waveMenusFill(int window, int item) {
  if (!gHaveSelector || !gSelector.engineOf || !gSelector.isPopupSelector) return;
  if (!gSelector.isPopupSelector(window, item)) return;
  Engine* engine = gSelector.engineOf(window);
  if (!engine) return;
  waveMenusFillPopups(engine);
  if (!gSelector.menuClear || !gSelector.menuAppendItem || !gSelector.menuRenameItem) return;
  char current[256] = {0};
  if (gSelector.currentText) gSelector.currentText(window, item, current, sizeof current);
  gSelector.menuClear(window, item);
  gSelector.menuAppendItem(window, item, 1, true, current, 0);
  gSelector.menuAppendItem(window, item, 2, true, "User", 0);
  gSelector.menuAppendItem(window, item, 3, true, "Factory", 0);
  gSelector.menuRenameItem(window, item, 2, nullptr, gPresetMenu);
  gSelector.menuRenameItem(window, item, 3, nullptr, gFactoryMenu);
}

std::int16_t waveMenuItemToWave(int item, std::int16_t popup) {
  if (popup != 0 && popup == gPresetMenu) return static_cast<std::int16_t>(item + 32509);
  if (popup != 0 && popup == gFactoryMenu && item >= 1 && item <= waveMenuFactoryMax) return gFactoryItemWave[item];
  return 0;
}

std::int16_t waveMenuPresetHandle() { return gPresetMenu; }
std::int16_t waveMenuFactoryHandle() { return gFactoryMenu; }
std::int16_t waveMenuFactoryItemCount() { return gFactoryItemCount; }
std::int16_t waveMenuFactoryItemOf(int waveIndex) {
  return waveIndex >= 0 && waveIndex < waveGlobalCount ? gFactoryWaveItem[waveIndex] : 0;
}
