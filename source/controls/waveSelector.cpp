// The selector side of the wave chooser.
#include "controls/waveSelector.h"
#include <cstring>
#include "controls/ctrlItems.h"
#include "controls/selector.h"
#include "controls/winSlots.h"
#include "preset/wave.h"
#include "preset/waveMenu.h"

namespace {

Engine* engineOf(WinId window) {
  void* data = winGetUserData(window);
  return data ? *static_cast<Engine**>(data) : nullptr;
}

bool isPopupSelector(WinId window, uint16_t item) { return selectorFind(window, item) != nullptr; }

void currentText(WinId window, uint16_t item, char* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = 0;
  SelectorData* d = selectorFind(window, item);
  if (!d) return;
  std::strncpy(out, d->choiceText, static_cast<size_t>(capacity - 1));
  out[capacity - 1] = 0;
}

void clear(WinId window, uint16_t item) { menuClear(window, item); }

void append(WinId window, uint16_t item, int id, bool enabled, const char* text, int) {
  menuAppendItem(window, item, id, enabled ? 1 : 0, text, 0);
}

void attach(WinId window, uint16_t item, int id, const char*, std::int16_t popup) {
  menuAttachSubmenu(window, item, id, popup);
}

}  // namespace

void waveSelectorInstall() {
  static const WaveSelectorRoutines routines = {engineOf, isPopupSelector, currentText, clear, append, attach};
  waveMenusSetSelectorRoutines(&routines);
}

void waveMenuSetLabel(WinId win, uint16_t item, int32_t waveId) {
  Engine* engine = engineOf(win);
  if (!engine) return;
  char name[waveNameSize + 1];
  std::memset(name, 0, sizeof name);
  waveGetName(engine, static_cast<int16_t>(waveId), name);
  selectorSetLabel(win, item, name);
}

void waveSelectorOpening(ControlItem* item, int32_t opening) {
  if (item && opening) waveMenusFill(item->windowId, item->id);
}
