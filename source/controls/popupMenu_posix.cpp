// Native popups: each handle records its entries.
#include "controls/popupMenu.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Entry {
  std::int16_t id;
  bool enabled;
  std::string text;
};
struct Popup {
  bool used = false;
  std::vector<Entry> entries;
};
const int kPopups = 256;
Popup gPopups[kPopups];

Popup* find(std::int16_t h) { return h > 0 && h < kPopups && gPopups[h].used ? &gPopups[h] : nullptr; }

}  // namespace

std::int16_t popupCreate() {
  for (int h = 1; h < kPopups; ++h) {
    if (!gPopups[h].used) {
      gPopups[h].used = true;
      gPopups[h].entries.clear();
      return static_cast<std::int16_t>(h);
    }
  }
  return 0;
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

void popupAppend(std::int16_t popup, std::int16_t itemId, bool enabled, const char* text) {
  if (Popup* p = find(popup)) p->entries.push_back(Entry{itemId, enabled, text ? text : ""});
}

void popupEnableItem(std::int16_t popup, std::int16_t itemId, bool enabled) {
  if (Popup* p = find(popup))
    for (Entry& e : p->entries)
      if (e.id == itemId) e.enabled = enabled;
}

bool popupExists(std::int16_t popup) { return find(popup) != nullptr; }

int popupItemCount(std::int16_t popup) {
  Popup* p = find(popup);
  return p ? static_cast<int>(p->entries.size()) : 0;
}

std::int16_t popupItemId(std::int16_t popup, int position) {
  Popup* p = find(popup);
  return p && position >= 0 && position < int(p->entries.size()) ? p->entries[position].id : 0;
}

void popupItemText(std::int16_t popup, int position, char* out, int capacity) {
  if (!out || capacity <= 0) return;
  out[0] = 0;
  Popup* p = find(popup);
  if (!p || position < 0 || position >= int(p->entries.size())) return;
  std::strncpy(out, p->entries[position].text.c_str(), capacity - 1);
  out[capacity - 1] = 0;
}

bool popupItemEnabled(std::int16_t popup, int position) {
  Popup* p = find(popup);
  return p && position >= 0 && position < int(p->entries.size()) && p->entries[position].enabled;
}

void* popupNativeHandle(std::int16_t) { return nullptr; }
