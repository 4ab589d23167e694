// Menus, item key texts and the key-name table.
#include "UIAMenu.h"

#include <map>
#include <memory>

#include "UIAKeys.h"

namespace {

std::unique_ptr<std::map<uint32_t, std::string>> g_keyNames;
int32_t g_menuOption = 0;

// The longest modifier part and key text an item carries.
constexpr size_t kModifierTextMax = 95;
constexpr size_t kKeyTextMax = 110;

UINT positionArgument(int32_t position) { return position < 0 ? static_cast<UINT>(-1) : static_cast<UINT>(position); }

// What an insertion answers: the position, or the item count once appended.
int32_t insertedAt(HMENU menu, int32_t position) { return position < 0 ? GetMenuItemCount(menu) : position; }

bool keyOwnText(uint32_t code, std::string& out) {
  char text[16] = {};
  if (code >= 48 && code <= 57) {
    text[0] = static_cast<char>(code);
  } else if (code >= 65 && code <= 90) {
    text[0] = static_cast<char>(code);
  } else if (code >= 144 && code <= 153) {
    wsprintfA(text, "Num%c", static_cast<char>('0' + (code - 144)));
  } else if (code >= 161 && code <= 172) {
    wsprintfA(text, "F%d", static_cast<int>(code - 160));
  } else if (code >= 154 && code <= 157) {
    static const char kOps[] = "/*-+";
    wsprintfA(text, "Num%c", kOps[code - 154]);
  } else {
    static const struct {
      uint32_t code;
      const char* text;
    } kPunctuation[] = {{2, "~"},  {3, "-"},   {4, "="},  {7, "["},  {8, "]"}, {10, ";"},
                        {11, "'"}, {12, "\\"}, {15, ","}, {16, "."}, {17, "/"}};
    for (const auto& p : kPunctuation)
      if (p.code == code) {
        out = p.text;
        return true;
      }
    const bool named =
        code == 1 || code == 5 || code == 6 || code == 13 || (code >= 19 && code <= 25) || (code >= 129 && code <= 132);
    if (!named) return false;
    out = uiaKeyName(code);
    if (out.size() > kKeyTextMax) out.resize(kKeyTextMax);
    return !out.empty();
  }
  out = text;
  return true;
}

}  // namespace

// ---- key names ----

bool uiaLoadKeyNames() {
  static const struct {
    uint32_t code;
    const char* name;
  } kNames[] = {{1, "Esc"},           {5, "BkSp"},        {6, "Tab"},
                {9, "CapsLock"},      {13, "Enter"},      {14, "Shift"},
                {18, "Ctrl"},         {19, "Space"},      {20, "Ins"},
                {21, "Del"},          {22, "Home"},       {23, "End"},
                {24, "PgUp"},         {25, "PgDn"},       {128, "NumLock"},
                {129, "Up"},          {130, "Down"},      {131, "Left"},
                {132, "Right"},       {0x800000, "Num"},  {0x10000000, "Shift"},
                {0x20000000, "Ctrl"}, {0x40000000, "Alt"}};
  if (!g_keyNames) g_keyNames = std::make_unique<std::map<uint32_t, std::string>>();
  g_keyNames->clear();
  for (const auto& entry : kNames) (*g_keyNames)[entry.code] = entry.name;
  return true;
}

void uiaFreeKeyNames() { g_keyNames.reset(); }

const char* uiaKeyName(uint32_t key) {
  if (!g_keyNames) return "";
  auto found = g_keyNames->find(key);
  return found == g_keyNames->end() ? "" : found->second.c_str();
}

bool uiaMenuKeyText(uint32_t key, std::string& out) {
  out.clear();
  if ((key & 0xFFFF) == 0 || (key & 0x8FFF0000u)) return false;
  std::string modifiers;
  for (uint32_t bit :
       {static_cast<uint32_t>(kModCtrl), static_cast<uint32_t>(kModAlt), static_cast<uint32_t>(kModShift)})
    if (key & bit) modifiers += std::string(uiaKeyName(bit)) + "+";
  std::string own;
  if (!keyOwnText(key & 0xFFFF, own)) return false;
  std::string appended = modifiers + own;
  if (appended.size() > kModifierTextMax) appended.resize(kModifierTextMax);
  out = "\t" + appended;
  return true;
}

// ---- menus ----

HMENU Menu::create() {
  handle = CreateMenu();
  return handle;
}

HMENU Menu::createPopup() {
  handle = CreatePopupMenu();
  return handle;
}

int32_t Menu::insertItem(int32_t position, const char* title, int32_t commandId, uint32_t options, uint32_t key) {
  if (!handle) return 0;
  if (!title) title = "";
  // Checked before anything is copied: a long title is refused, not cut.
  if (strnlen(title, UIA_MENU_TITLE_LIMIT) >= UIA_MENU_TITLE_LIMIT) return 0;
  std::string text(title);
  if (key != 0) {
    std::string keyText;
    if (!uiaMenuKeyText(key, keyText)) return 0;
    text += keyText;
  }
  MENUITEMINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_DATA;
  info.fType = (options & UIA_MENU_NEW_COLUMN) ? MFT_MENUBREAK : MFT_STRING;
  info.fState = ((options & UIA_MENU_GRAYED) ? MFS_GRAYED : 0) | ((options & UIA_MENU_CHECKED) ? MFS_CHECKED : 0);
  info.wID = static_cast<UINT>(commandId);
  info.dwItemData = key;
  info.dwTypeData = &text[0];
  info.cch = static_cast<UINT>(text.size());
  if (!InsertMenuItemA(handle, positionArgument(position), TRUE, &info)) return 0;
  return insertedAt(handle, position);
}

int32_t Menu::insertByPosition(int32_t position, const char* title, const MenuHandle& subMenu) {
  if (!handle || !subMenu.handle) return 0;
  if (!InsertMenuA(handle, positionArgument(position), MF_BYPOSITION | MF_POPUP | MF_STRING,
                   reinterpret_cast<UINT_PTR>(subMenu.handle), title ? title : ""))
    return 0;
  return insertedAt(handle, position);
}

int32_t Menu::insertByPosition2(int32_t position) {
  if (!handle) return 0;
  if (!InsertMenuA(handle, positionArgument(position), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr)) return 0;
  return insertedAt(handle, position);
}

int32_t Menu::itemKind(int32_t position) const {
  if (!handle || position < 0) return UIA_MENU_ITEM_NONE;
  const UINT state = GetMenuState(handle, static_cast<UINT>(position), MF_BYPOSITION);
  if (state == static_cast<UINT>(-1)) return UIA_MENU_ITEM_NONE;
  if (state & MF_POPUP) return UIA_MENU_ITEM_SUBMENU;
  if (state & MF_SEPARATOR) return UIA_MENU_ITEM_SEPARATOR;
  return UIA_MENU_ITEM_ORDINARY;
}

bool Menu::modifyItem(int32_t position, const char* title) {
  if (!handle || position < 0) return false;
  const UINT id = GetMenuItemID(handle, position);
  return ModifyMenuA(handle, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING, id, title ? title : "") != 0;
}

int32_t Menu::itemCount() const { return handle ? GetMenuItemCount(handle) : 0; }

int32_t Menu::itemId(int32_t position) const {
  return handle && position >= 0 ? static_cast<int32_t>(GetMenuItemID(handle, position)) : -1;
}

void uiaCheckMenuItem(const MenuHandle& menu, int32_t position, bool checked) {
  if (menu.handle && position >= 0)
    CheckMenuItem(menu.handle, static_cast<UINT>(position), MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void uiaEnableMenuItem(const MenuHandle& menu, int32_t position, bool enabled) {
  if (menu.handle && position >= 0)
    EnableMenuItem(menu.handle, static_cast<UINT>(position), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

void uiaSetMenuOption(int32_t value) { g_menuOption = value; }

int32_t uiaMenuOption() { return g_menuOption; }
