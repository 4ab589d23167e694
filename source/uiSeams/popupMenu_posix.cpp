// Native popups: each slot of the table records its entries.
#include "uiSeams/popupMenu.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Entry {
  std::int16_t id;
  bool enabled;
  bool checked;
  std::int16_t submenu;
  std::string text;
};
struct Popup {
  bool used = false;
  std::vector<Entry> entries;
};
Popup g_popups[popupTableSize];
PopupTrackFn g_trackHook;

Popup* find(std::int16_t h) { return h > 0 && h < popupTableSize && g_popups[h].used ? &g_popups[h] : nullptr; }

Entry* at(std::int16_t popup, int position) {
  Popup* p = find(popup);
  return p && position >= 0 && position < int(p->entries.size()) ? &p->entries[position] : nullptr;
}

}  // namespace

std::int16_t popupFindFreeSlot() {
  for (int h = popupTableSize - 1; h >= popupFirstFreeSlot; --h)
    if (!g_popups[h].used) return static_cast<std::int16_t>(h);
  return 0;
}

int popupCreate(std::int16_t slot, int, const char*) {
  if (slot <= 0 || slot >= popupTableSize || g_popups[slot].used) return 0;
  g_popups[slot].used = true;
  g_popups[slot].entries.clear();
  return 1;
}

std::int16_t popupCreate() {
  std::int16_t slot = popupFindFreeSlot();
  return slot && popupCreate(slot, 0, nullptr) ? slot : 0;
}

void popupDestroy(std::int16_t popup) {
  if (Popup* p = find(popup)) {
    p->used = false;
    p->entries.clear();
  }
}

void popupClear(std::int16_t popup) {
  if (Popup* p = find(popup)) p->entries.clear();
}

void popupAppend(std::int16_t popup, std::int16_t entry, bool enabled, const char* text) {
  if (Popup* p = find(popup)) p->entries.push_back(Entry{entry, enabled, false, 0, text ? text : ""});
}

void popupEnableItem(std::int16_t popup, std::int16_t entry, bool enabled) {
  if (Popup* p = find(popup))
    for (Entry& e : p->entries)
      if (e.id == entry) e.enabled = enabled;
}

void popupCheckItem(std::int16_t popup, int position, bool checked) {
  if (Entry* e = at(popup, position - 1)) e->checked = checked;
}

void popupAttachSubmenu(std::int16_t parent, int position, std::int16_t child) {
  Entry* e = at(parent, position - 1);
  if (e && find(child)) e->submenu = child;
}

bool popupExists(std::int16_t popup) { return find(popup) != nullptr; }

int popupItemCount(std::int16_t popup) {
  Popup* p = find(popup);
  return p ? static_cast<int>(p->entries.size()) : 0;
}

std::int16_t popupItemId(std::int16_t popup, int position) {
  Entry* e = at(popup, position);
  return e ? e->id : 0;
}

void popupItemText(std::int16_t popup, int position, char* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = 0;
  Entry* e = at(popup, position);
  if (!e) return;
  std::strncpy(out, e->text.c_str(), capacity - 1);
  out[capacity - 1] = 0;
}

bool popupItemEnabled(std::int16_t popup, int position) {
  Entry* e = at(popup, position);
  return e && e->enabled;
}

bool popupItemChecked(std::int16_t popup, int position) {
  Entry* e = at(popup, position);
  return e && e->checked;
}

void* popupNativeHandle(std::int16_t) { return nullptr; }

void popupSetTrackHook(PopupTrackFn hook) { g_trackHook = hook; }

int popupTrack(void* menu, int screenX, int screenY, void* owner) {
  return g_trackHook && menu ? g_trackHook(menu, screenX, screenY, owner) : 0;
}
