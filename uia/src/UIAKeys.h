// The framework's keyboard table: its own key codes, independent of Windows virtual keys, with the
// translation both ways and to the keyboard's scan codes (which name the physical key), and the
// modifier word of key and mouse events.
#pragma once

#include <cstdint>

// Modifier bits of key codes and event payloads.
enum UiaModifier : uint32_t {
  kModShift = 0x10000000,
  kModCtrl = 0x20000000,
  kModAlt = 0x40000000,
  kModWindows = 0x01000000  // reported only together with Shift, Ctrl or Alt
};
// Key codes of the arrow keys.
enum UiaArrowKey : uint32_t { kKeyUp = 129, kKeyDown = 130, kKeyLeft = 131, kKeyRight = 132 };
// A key of the keypad.
constexpr uint32_t kKeypadFlag = 0x00800000;
// uiaTranslateKey's answer for a key without a key code.
constexpr uint32_t kNoKey = 0xFFFFFFFFu;

// Fills the table once (later calls do nothing); true.
bool uiaBuildKeyboardTable();

// Lookups; -1 outside the table.
int32_t uiaKeyFromVirtualKey(int32_t virtualKey);
int32_t uiaKeyFromScanCode(int32_t scanCode);
int32_t uiaVirtualKeyFromKey(int32_t key);
int32_t uiaScanCodeFromKey(int32_t key);

// The modifier word from the keyboard state now.
uint32_t uiaModifiers();
// The modifier word of the given key states (true: held).
uint32_t uiaModifiersOf(bool shift, bool ctrl, bool alt, bool windows);

// The key code of a key message (virtual key, lParam) with keypad flag and the current modifiers;
// the position key (the key code of the physical key) goes to *positionKey (-1 when it has none).
// kNoKey for a virtual key without a key code.
uint32_t uiaTranslateKey(uint32_t virtualKey, uint32_t lParam, int32_t* positionKey);
// The same with a given modifier word.
uint32_t uiaTranslateKeyWith(uint32_t virtualKey, uint32_t lParam, uint32_t modifiers, int32_t* positionKey);
