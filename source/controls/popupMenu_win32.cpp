// Windows popups: a table of Win32 popup menus addressed by i16 handles.
#include "controls/popupMenu.h"

#include <windows.h>

#include <cstring>

namespace {

const int kPopups = 256;
HMENU gMenus[kPopups];

HMENU find(std::int16_t h) { return h > 0 && h < kPopups ? gMenus[h] : nullptr; }

}  // namespace

std::int16_t popupCreate() {
  for (int h = 1; h < kPopups; ++h) {
    if (!gMenus[h]) {
      HMENU m = CreatePopupMenu();
      if (!m) return 0;
      gMenus[h] = m;
      return static_cast<std::int16_t>(h);
    }
  }
  return 0;
}

void popupDestroy(std::int16_t popup) {
  if (HMENU m = find(popup)) {
    DestroyMenu(m);
    gMenus[popup] = nullptr;
  }
}

void popupClear(std::int16_t popup) {
  if (HMENU m = find(popup))
    while (GetMenuItemCount(m) > 0)
      if (!RemoveMenu(m, 0, MF_BYPOSITION)) break;
}

void popupAppend(std::int16_t popup, std::int16_t itemId, bool enabled, const char* text) {
  HMENU m = find(popup);
  if (!m) return;
  if (text && std::strcmp(text, "-") == 0) {
    AppendMenuA(m, MF_SEPARATOR | (enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(itemId), nullptr);
    // A separator keeps its text so the entry reads back as it was appended.
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>("-");
    SetMenuItemInfoA(m, static_cast<UINT>(GetMenuItemCount(m) - 1), TRUE, &info);
    return;
  }
  AppendMenuA(m, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(itemId), text ? text : "");
}

void popupEnableItem(std::int16_t popup, std::int16_t itemId, bool enabled) {
  if (HMENU m = find(popup)) EnableMenuItem(m, static_cast<UINT>(itemId), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool popupExists(std::int16_t popup) { return find(popup) != nullptr; }

int popupItemCount(std::int16_t popup) {
  HMENU m = find(popup);
  int n = m ? GetMenuItemCount(m) : 0;
  return n < 0 ? 0 : n;
}

std::int16_t popupItemId(std::int16_t popup, int position) {
  HMENU m = find(popup);
  if (!m || position < 0 || position >= popupItemCount(popup)) return 0;
  return static_cast<std::int16_t>(GetMenuItemID(m, position));
}

void popupItemText(std::int16_t popup, int position, char* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = 0;
  HMENU m = find(popup);
  if (!m || position < 0 || position >= popupItemCount(popup)) return;
  GetMenuStringA(m, static_cast<UINT>(position), out, capacity, MF_BYPOSITION);
  out[capacity - 1] = 0;
}

bool popupItemEnabled(std::int16_t popup, int position) {
  HMENU m = find(popup);
  if (!m || position < 0 || position >= popupItemCount(popup)) return false;
  UINT state = GetMenuState(m, static_cast<UINT>(position), MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void* popupNativeHandle(std::int16_t popup) { return find(popup); }
