// The keyboard table and the translation of key messages into framework key codes.
#include "UIAKeys.h"

#include <windows.h>

namespace {

constexpr int kKeyCodes = 173;   // key codes 0..172
constexpr int kTableSize = 256;  // virtual keys and scan codes 0..255

struct KeyboardTable {
  int32_t keyToVirtual[kKeyCodes];
  int32_t virtualToKey[kTableSize];
  int32_t keyToScan[kKeyCodes];
  int32_t scanToKey[kTableSize];
  bool built = false;
};
KeyboardTable g_table;

void fillRow(int32_t key, int32_t virtualKey, int32_t scanCode) {
  g_table.keyToVirtual[key] = virtualKey;
  g_table.virtualToKey[virtualKey] = key;
  if (scanCode != -1) {
    g_table.keyToScan[key] = scanCode;
    g_table.scanToKey[scanCode] = key;
  }
}

int32_t lookup(const int32_t* table, int size, int32_t index) { return index >= 0 && index < size ? table[index] : -1; }

}  // namespace

bool uiaBuildKeyboardTable() {
  if (g_table.built) return true;
  for (int i = 0; i < kKeyCodes; ++i) g_table.keyToVirtual[i] = g_table.keyToScan[i] = -1;
  for (int i = 0; i < kTableSize; ++i) g_table.virtualToKey[i] = g_table.scanToKey[i] = -1;

  static const int32_t rows[][3] = {
      {1, 27, 1},      {2, 192, 41},    {3, 189, 12},    {4, 187, 13},   {5, 8, 14},     {6, 9, 15},    {7, 219, 26},
      {8, 221, 27},    {10, 186, 39},   {11, 222, 40},   {12, 220, 43},  {13, 13, 28},   {15, 188, 51}, {16, 190, 52},
      {17, 191, 53},   {19, 32, 57},    {20, 45, 82},    {21, 46, 83},   {22, 36, 71},   {23, 35, 79},  {24, 33, 73},
      {25, 34, 81},    {128, 144, 197}, {129, 38, 72},   {130, 40, 80},  {131, 37, 75},  {132, 39, 77}, {154, 111, 181},
      {155, 106, 183}, {156, 109, 202}, {157, 107, 206}, {171, 122, 87}, {172, 123, 88},
  };
  for (const auto& row : rows) fillRow(row[0], row[1], row[2]);

  // Digits 0..9: scan code 11 for 0, 2..10 for 1..9.
  for (int d = 0; d <= 9; ++d) fillRow(48 + d, 48 + d, d == 0 ? 11 : d + 1);

  // Letters A..Z with their set-1 scan codes.
  static const int32_t letterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                         49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
  for (int l = 0; l < 26; ++l) fillRow(65 + l, 65 + l, letterScan[l]);

  // Keypad 0..9: the keyboard's scan code with bit 7 on top.
  static const int32_t keypadScan[10] = {210, 207, 208, 209, 203, 204, 205, 199, 200, 201};
  for (int d = 0; d <= 9; ++d) fillRow(144 + d, 96 + d, keypadScan[d]);

  // F1..F10.
  for (int f = 0; f < 10; ++f) fillRow(161 + f, 112 + f, 59 + f);

  g_table.built = true;
  return true;
}

int32_t uiaKeyFromVirtualKey(int32_t virtualKey) {
  return g_table.built ? lookup(g_table.virtualToKey, kTableSize, virtualKey) : -1;
}

int32_t uiaKeyFromScanCode(int32_t scanCode) {
  return g_table.built ? lookup(g_table.scanToKey, kTableSize, scanCode) : -1;
}

int32_t uiaVirtualKeyFromKey(int32_t key) { return g_table.built ? lookup(g_table.keyToVirtual, kKeyCodes, key) : -1; }

int32_t uiaScanCodeFromKey(int32_t key) { return g_table.built ? lookup(g_table.keyToScan, kKeyCodes, key) : -1; }

uint32_t uiaModifiersOf(bool shift, bool ctrl, bool alt, bool windows) {
  uint32_t m = 0;
  if (shift) m |= kModShift;
  if (ctrl) m |= kModCtrl;
  if (alt) m |= kModAlt;
  if (windows && m != 0) m |= kModWindows;
  return m;
}

uint32_t uiaModifiers() {
  auto held = [](int vk) { return (GetKeyState(vk) & 0x8000) != 0; };
  return uiaModifiersOf(held(VK_SHIFT), held(VK_CONTROL), held(VK_MENU), held(VK_LWIN) || held(VK_RWIN));
}

uint32_t uiaTranslateKeyWith(uint32_t virtualKey, uint32_t lParam, uint32_t modifiers, int32_t* positionKey) {
  const int32_t key = virtualKey < uint32_t(kTableSize) ? uiaKeyFromVirtualKey(int32_t(virtualKey)) : -1;
  const bool extended = (lParam & (1u << 24)) != 0;
  bool keypad = false;
  if (virtualKey == VK_RETURN)
    keypad = extended;
  else if ((virtualKey >= VK_PRIOR && virtualKey <= VK_DOWN) || virtualKey == VK_INSERT || virtualKey == VK_DELETE)
    keypad = !extended;
  else if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_DIVIDE)
    keypad = true;

  const int32_t scanCode = int32_t((lParam >> 16) & 0xFF) + (keypad ? 0x80 : 0);
  if (positionKey) *positionKey = uiaKeyFromScanCode(scanCode);
  if (key == -1) return kNoKey;
  return uint32_t(key) | (keypad ? kKeypadFlag : 0u) | modifiers;
}

uint32_t uiaTranslateKey(uint32_t virtualKey, uint32_t lParam, int32_t* positionKey) {
  return uiaTranslateKeyWith(virtualKey, lParam, uiaModifiers(), positionKey);
}
