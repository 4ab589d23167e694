// Menus: Win32 menus wrapped in small handle objects, item texts with the key behind the title, and
// the key-name table those texts come from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Options of Menu::insertItem.
constexpr uint32_t UIA_MENU_GRAYED = 1;
constexpr uint32_t UIA_MENU_CHECKED = 2;
constexpr uint32_t UIA_MENU_NEW_COLUMN = 4;

// Titles this long or longer are refused.
constexpr size_t UIA_MENU_TITLE_LIMIT = 1000;

// Item kinds (Menu::itemKind).
enum UiaMenuItemKind : int32_t {
  UIA_MENU_ITEM_NONE = -1,  // no item at that position
  UIA_MENU_ITEM_ORDINARY = 0,
  UIA_MENU_ITEM_SUBMENU = 1,
  UIA_MENU_ITEM_SEPARATOR = 2
};

// A Win32 menu; the object never destroys the menu it holds.
class MenuHandle {
 public:
  MenuHandle() = default;
  explicit MenuHandle(HMENU menu) : handle(menu) {}
  virtual ~MenuHandle() = default;

  HMENU handle = nullptr;
};

// The operations on a menu, by zero-based position; a negative position appends.
class Menu : public MenuHandle {
 public:
  using MenuHandle::MenuHandle;

  // A menu bar, or a pop-up menu; the handle is also kept in this object.
  HMENU create();
  HMENU createPopup();
  // A string item with the key's text behind a tab and the key code as item data (0: no key).
  // Answers the position, or the item count after appending; 0 and nothing inserted when the title
  // has UIA_MENU_TITLE_LIMIT characters or more, when the key has no text or the system refuses.
  int32_t insertItem(int32_t position, const char* title, int32_t commandId, uint32_t options, uint32_t key);
  // A pop-up item opening subMenu; answers as insertItem (0 when it fails).
  int32_t insertByPosition(int32_t position, const char* title, const MenuHandle& subMenu);
  // A separator; answers as insertItem.
  int32_t insertByPosition2(int32_t position);
  int32_t itemKind(int32_t position) const;
  // Replaces the item's text, keeping its id.
  bool modifyItem(int32_t position, const char* title);
  int32_t itemCount() const;
  int32_t itemId(int32_t position) const;
};

// The application's menu bar.
class MenuBarHandle : public Menu {
 public:
  using Menu::Menu;
};

void uiaCheckMenuItem(const MenuHandle& menu, int32_t position, bool checked);
void uiaEnableMenuItem(const MenuHandle& menu, int32_t position, bool enabled);

// The key-name table: filled by uiaInit, emptied by uiaExit.
bool uiaLoadKeyNames();
void uiaFreeKeyNames();
// The table's name of a key code, "" for a code without an entry.
const char* uiaKeyName(uint32_t key);
// The text written behind an item's title for a key: a tab, the modifiers ("Ctrl+", "Alt+",
// "Shift+") and the key. False when the key has no text.
bool uiaMenuKeyText(uint32_t key, std::string& out);

// The menu option of the application's menus: stored, with no effect of its own.
void uiaSetMenuOption(int32_t value);
int32_t uiaMenuOption();
