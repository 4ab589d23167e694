// Popup menus addressed by small handles (1..255; 0 = none): the library menus and the wave chooser.
// Windows keeps real Win32 popup menus; the native build records the entries so they can be read back.
// The entry queries work on both builds. User-interface thread only.
#pragma once
#include <cstdint>

std::int16_t popupCreate();                   // a new empty popup; 0 when none can be made
void popupDestroy(std::int16_t popup);        // nothing for an unknown handle
void popupClear(std::int16_t popup);          // removes every entry
// Appends an entry with that id; text "-" makes a separator.
void popupAppend(std::int16_t popup, std::int16_t itemId, bool enabled, const char* text);
void popupEnableItem(std::int16_t popup, std::int16_t itemId, bool enabled);

bool popupExists(std::int16_t popup);
int popupItemCount(std::int16_t popup);       // 0 for an unknown handle
// Entry by position 0..count-1: its id, text (copied, at most capacity - 1 characters) and state.
std::int16_t popupItemId(std::int16_t popup, int position);   // 0 out of range
void popupItemText(std::int16_t popup, int position, char* out, int capacity);
bool popupItemEnabled(std::int16_t popup, int position);
// The native menu handle (Windows HMENU) behind a popup, for attaching it to another menu; null natively.
void* popupNativeHandle(std::int16_t popup);
