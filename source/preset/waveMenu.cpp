#include "preset/waveMenu.h"

#include <cstring>

#include "preset/wave.h"
#include "uiSeams/popupMenu.h"

namespace {

std::int16_t g_factoryMenu = 0;
std::int16_t g_presetMenu = 0;
std::int16_t g_factoryItemWave[waveMenuFactoryMax + 1];  // item 1..64 -> global wave index
std::int16_t g_factoryWaveItem[waveGlobalCount];         // global wave index -> item
std::int16_t g_factoryItemCount = 0;
bool g_initDone = false;
WaveSelectorRoutines g_selector;
bool g_haveSelector = false;

}  // namespace

void waveMenusInit() {
  if (g_initDone) return;
  g_initDone = true;
  std::memset(g_factoryItemWave, 0, sizeof g_factoryItemWave);
  std::memset(g_factoryWaveItem, 0, sizeof g_factoryWaveItem);
  g_factoryItemCount = 0;
}

void waveMenusClearFlag() { g_initDone = false; }

void waveMenusSetSelectorRoutines(const WaveSelectorRoutines* routines) {
  g_haveSelector = routines != nullptr;
  if (routines) g_selector = *routines;
}

void waveMenusSetup(WinId window, std::uint16_t item, bool create) {
  if (create) {
    if (!g_factoryMenu) g_factoryMenu = popupCreate();
    if (!g_presetMenu) g_presetMenu = popupCreate();
    waveMenusFill(window, item);
  } else {
    popupDestroy(g_factoryMenu);
    popupDestroy(g_presetMenu);
    g_factoryMenu = 0;
    g_presetMenu = 0;
  }
}

void waveMenusFillPopups(Engine* engine) {
  if (!engine) return;
  char name[waveNameSize];
  if (g_presetMenu) {
    popupClear(g_presetMenu);
    popupAppend(g_presetMenu, 1, true, "New...");
    popupAppend(g_presetMenu, 2, false, "-");
    int used = 0;
    for (int k = 0; k < waveLocalCount; ++k) {
      const std::int16_t id = static_cast<std::int16_t>(waveLocalIdBase + k);
      if (waveGetState(engine, id) == 0) continue;
      ++used;
      waveGetName(engine, id, name);
      popupAppend(g_presetMenu, static_cast<std::int16_t>(k + 3), true, name);
    }
    if (used == waveLocalCount) popupEnableItem(g_presetMenu, 1, false);
  }
  if (g_factoryMenu) {
    popupClear(g_factoryMenu);
    std::memset(g_factoryItemWave, 0, sizeof g_factoryItemWave);
    std::memset(g_factoryWaveItem, 0, sizeof g_factoryWaveItem);
    std::int16_t n = 0;
    for (int i = 0; i < waveGlobalCount && n < waveMenuFactoryMax; ++i) {
      if (waveGetState(engine, static_cast<std::int16_t>(i)) != waveStateBuiltIn) continue;
      ++n;
      waveGetName(engine, static_cast<std::int16_t>(i), name);
      popupAppend(g_factoryMenu, n, true, name);
      g_factoryItemWave[n] = static_cast<std::int16_t>(i);
      g_factoryWaveItem[i] = n;
    }
    g_factoryItemCount = n;
  }
}

void waveMenusFill(WinId window, std::uint16_t item) {
  if (!g_haveSelector || !g_selector.engineOf || !g_selector.isPopupSelector) return;
  if (!g_selector.isPopupSelector(window, item)) return;
  Engine* engine = g_selector.engineOf(window);
  if (!engine) return;
  waveMenusFillPopups(engine);
  if (!g_selector.menuClear || !g_selector.menuAppendItem || !g_selector.menuRenameItem) return;
  char current[256] = {0};
  if (g_selector.currentText) g_selector.currentText(window, item, current, sizeof current);
  g_selector.menuClear(window, item);
  g_selector.menuAppendItem(window, item, 1, true, current, 0);
  g_selector.menuAppendItem(window, item, 2, true, "User", 0);
  g_selector.menuAppendItem(window, item, 3, true, "Factory", 0);
  g_selector.menuRenameItem(window, item, 2, nullptr, g_presetMenu);
  g_selector.menuRenameItem(window, item, 3, nullptr, g_factoryMenu);
}

std::int16_t waveMenuItemToWave(int item, std::int16_t popup) {
  if (popup != 0 && popup == g_presetMenu) return static_cast<std::int16_t>(item + 32509);
  if (popup != 0 && popup == g_factoryMenu && item >= 1 && item <= waveMenuFactoryMax) return g_factoryItemWave[item];
  return 0;
}

std::int16_t waveMenuPresetHandle() { return g_presetMenu; }
std::int16_t waveMenuFactoryHandle() { return g_factoryMenu; }
std::int16_t waveMenuFactoryItemCount() { return g_factoryItemCount; }
std::int16_t waveMenuFactoryItemOf(int waveIndex) {
  return waveIndex >= 0 && waveIndex < waveGlobalCount ? g_factoryWaveItem[waveIndex] : 0;
}
