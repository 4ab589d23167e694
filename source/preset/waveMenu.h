// The two-level wave chooser that editors attach to a popup selector: "User" lists the preset's own
// waves (with "New..."), "Factory" the global built-in waves; a chosen item maps back to a wave id.
// The popups are refilled each time the selector is about to be shown. User-interface thread only.
#pragma once
#include <cstdint>

#include "uiSeams/winId.h"

struct Engine;

const int waveMenuFactoryMax = 64;

void waveMenusInit();       // once per run: zeroes the item tables
void waveMenusClearFlag();  // at exit
// create: makes the "factory" and "preset" popups and fills the selector; otherwise destroys them.
void waveMenusSetup(WinId window, std::uint16_t item, bool create);
// Rebuilds both popups for the engine of the window and attaches them to the selector's menu.
void waveMenusFill(WinId window, std::uint16_t item);
// The popups' part of the fill, for an engine (nothing without popups or engine).
void waveMenusFillPopups(Engine* engine);
// Item of the "preset" popup: item + 32509 (item 3 = 0x7F00); item 1..64 of the "factory" popup: its
// global wave; anything else 0.
std::int16_t waveMenuItemToWave(int item, std::int16_t popup);
std::int16_t waveMenuPresetHandle();
std::int16_t waveMenuFactoryHandle();
std::int16_t waveMenuFactoryItemCount();
std::int16_t waveMenuFactoryItemOf(int waveIndex);  // menu item of a global wave, 0 when not listed

// The selector side of the fill belongs to the control kit, which installs these routines; without
// them waveMenusFill leaves every menu unchanged.
struct WaveSelectorRoutines {
  Engine* (*engineOf)(WinId window);                          // winGetUserData's first word
  bool (*isPopupSelector)(WinId window, std::uint16_t item);  // kindSelector with kind data
  void (*currentText)(WinId window, std::uint16_t item, char* out, int capacity);
  void (*menuClear)(WinId window, std::uint16_t item);
  void (*menuAppendItem)(WinId window, std::uint16_t item, int id, bool enabled, const char* text, int flag);
  void (*menuRenameItem)(WinId window, std::uint16_t item, int id, const char* text, std::int16_t popup);
};
void waveMenusSetSelectorRoutines(const WaveSelectorRoutines* routines);  // null: none
