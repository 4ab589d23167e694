// The table of 128 popup menus (slots 0..127; a free slot holds no menu): submenus hung under popup
// selectors, the library menus, the wave chooser and free-standing context menus. Entry n of the menu
// in slot m carries the command m x 256 + n, so a choice anywhere in a menu tree tells which table
// menu it came from. Slots 16..127 are handed out by popupFindFreeSlot, highest first.
// Windows keeps real Win32 popup menus; the native build records the entries so they can be read back.
// The entry queries work on both builds. User-interface thread only.
#pragma once
#include <cstdint>

enum { popupTableSize = 128, popupFirstFreeSlot = 16 };

inline std::int32_t popupCommand(std::int16_t slot, std::int32_t entry) { return slot * 256 + entry; }

std::int16_t popupFindFreeSlot();  // the highest free slot 127..16; 0 when none is free
std::int16_t popupCreate();        // a new empty popup in popupFindFreeSlot(); 0 when none
// Creates an empty popup in slot `slot` (1..127) when it is free; the label is not shown. 1 when made.
int popupCreate(std::int16_t slot, int flag, const char* label);
void popupDestroy(std::int16_t popup);  // frees the slot; nothing for an unknown slot
void popupClear(std::int16_t popup);    // removes every entry
// Appends entry `entry` (command popup x 256 + entry); text "-" makes a separator.
void popupAppend(std::int16_t popup, std::int16_t entry, bool enabled, const char* text);
void popupEnableItem(std::int16_t popup, std::int16_t entry, bool enabled);  // by entry number
void popupCheckItem(std::int16_t popup, int position, bool checked);         // position >= 1
// Makes the entry at position - 1 of `parent` open menu `child`, keeping its text.
void popupAttachSubmenu(std::int16_t parent, int position, std::int16_t child);
bool popupExists(std::int16_t popup);
int popupItemCount(std::int16_t popup);  // 0 for an unknown slot
// Entry by position 0..count-1: its entry number, text (copied, at most capacity - 1 characters),
// state and check mark.
std::int16_t popupItemId(std::int16_t popup, int position);  // 0 out of range
void popupItemText(std::int16_t popup, int position, char* out, int capacity);
bool popupItemEnabled(std::int16_t popup, int position);
bool popupItemChecked(std::int16_t popup, int position);
// The native menu handle (Windows HMENU) behind a slot, for attaching it to another menu; null natively
// and for a free slot or an index outside 0..127.
void* popupNativeHandle(std::int16_t popup);
inline void* tableLookup128(int index) {
  return index >= 0 && index < popupTableSize ? popupNativeHandle(static_cast<std::int16_t>(index)) : nullptr;
}

// Shows a native menu at a screen point, owned by `owner`, and returns the chosen command (0 for none).
// Tests install a hook that answers instead of the modal menu loop.
typedef int (*PopupTrackFn)(void* menu, int screenX, int screenY, void* owner);
void popupSetTrackHook(PopupTrackFn hook);  // null: the real menu again
int popupTrack(void* menu, int screenX, int screenY, void* owner);
