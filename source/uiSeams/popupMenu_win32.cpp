// Windows popups: the table of 128 Win32 popup menus.
#include "uiSeams/popupMenu.h"

#include <windows.h>

#include <cstring>

namespace {

HMENU g_menus[popupTableSize];
PopupTrackFn g_trackHook;

HMENU find(std::int16_t h) { return h > 0 && h < popupTableSize ? g_menus[h] : nullptr; }

UINT commandOf(std::int16_t slot, std::int32_t entry) { return static_cast<UINT>(popupCommand(slot, entry)); }

}  // namespace

std::int16_t popupFindFreeSlot() {
  for (int h = popupTableSize - 1; h >= popupFirstFreeSlot; --h)
    if (!g_menus[h]) return static_cast<std::int16_t>(h);
  return 0;
}

int popupCreate(std::int16_t slot, int, const char*) {
  if (slot <= 0 || slot >= popupTableSize || g_menus[slot]) return 0;
  HMENU m = CreatePopupMenu();
  if (!m) return 0;
  g_menus[slot] = m;
  return 1;
}

std::int16_t popupCreate() {
  std::int16_t slot = popupFindFreeSlot();
  return slot && popupCreate(slot, 0, nullptr) ? slot : 0;
}

void popupDestroy(std::int16_t popup) {
  if (HMENU m = find(popup)) {
    DestroyMenu(m);
    g_menus[popup] = nullptr;
  }
}

void popupClear(std::int16_t popup) {
  if (HMENU m = find(popup))
    while (GetMenuItemCount(m) > 0)
      if (!RemoveMenu(m, 0, MF_BYPOSITION)) break;
}

void popupAppend(std::int16_t popup, std::int16_t entry, bool enabled, const char* text) {
  HMENU m = find(popup);
  if (!m) return;
  const UINT id = commandOf(popup, entry);
  if (text && std::strcmp(text, "-") == 0) {
    AppendMenuA(m, MF_SEPARATOR | (enabled ? MF_ENABLED : MF_GRAYED), id, nullptr);
    // A separator keeps its text so the entry reads back as it was appended.
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>("-");
    SetMenuItemInfoA(m, static_cast<UINT>(GetMenuItemCount(m) - 1), TRUE, &info);
    return;
  }
  AppendMenuA(m, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, text ? text : "");
}

void popupEnableItem(std::int16_t popup, std::int16_t entry, bool enabled) {
  if (HMENU m = find(popup))
    EnableMenuItem(m, commandOf(popup, entry), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void popupCheckItem(std::int16_t popup, int position, bool checked) {
  HMENU m = find(popup);
  if (!m || position < 1) return;
  CheckMenuItem(m, static_cast<UINT>(position - 1), MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void popupAttachSubmenu(std::int16_t parent, int position, std::int16_t child) {
  HMENU m = find(parent);
  HMENU c = find(child);
  if (!m || !c || position < 1 || position > GetMenuItemCount(m)) return;
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_SUBMENU;
  info.hSubMenu = c;
  SetMenuItemInfoA(m, static_cast<UINT>(position - 1), TRUE, &info);
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
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID;
  if (!GetMenuItemInfoA(m, static_cast<UINT>(position), TRUE, &info)) return 0;
  return static_cast<std::int16_t>(static_cast<std::int32_t>(info.wID) - popup * 256);
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

bool popupItemChecked(std::int16_t popup, int position) {
  HMENU m = find(popup);
  if (!m || position < 0 || position >= popupItemCount(popup)) return false;
  UINT state = GetMenuState(m, static_cast<UINT>(position), MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && (state & MF_CHECKED);
}

void* popupNativeHandle(std::int16_t popup) { return find(popup); }

void popupSetTrackHook(PopupTrackFn hook) { g_trackHook = hook; }

int popupTrack(void* menu, int screenX, int screenY, void* owner) {
  if (!menu) return 0;
  if (g_trackHook) return g_trackHook(menu, screenX, screenY, owner);
  return static_cast<int>(TrackPopupMenu(static_cast<HMENU>(menu), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                         screenX, screenY, 0, static_cast<HWND>(owner), nullptr));
}
