// The keyboard table and uiaTranslateKey: the rows, the keypad rules, keys without a code, the
// modifier word.
#include "UIAKeys.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

class Keys : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(uiaBuildKeyboardTable()); }
};

// lParam of a key message: scan code in bits 16..23, the extended-key bit 24.
uint32_t lParamOf(uint32_t scanCode, bool extended) { return 1u | (scanCode << 16) | (extended ? 1u << 24 : 0u); }

}  // namespace

TEST_F(Keys, TranslationEdgeCases) {
  struct Case {
    const char* what;
    uint32_t virtualKey, scanCode;
    bool extended;
    uint32_t modifiers;
    uint32_t key;
    int32_t position;
  } cases[] = {
      {"main Enter", 13, 28, false, 0, 13, 13},
      {"keypad Enter", 13, 28, true, 0, 13 | kKeypadFlag, -1},
      {"keypad 7, Num Lock on", 103, 71, false, 0, 151 | kKeypadFlag, 151},
      {"keypad 7, Num Lock off (Home)", 36, 71, false, 0, 22 | kKeypadFlag, 151},
      {"Home of the navigation block", 36, 71, true, 0, 22, 22},
      {"keypad 2, Num Lock off (Down)", 40, 80, false, 0, 130 | kKeypadFlag, 146},
      {"Down arrow key", 40, 80, true, 0, 130, 130},
      {"keypad 0, Num Lock off (Insert)", 45, 82, false, 0, 20 | kKeypadFlag, 144},
      {"keypad ., Num Lock off (Delete)", 46, 83, false, 0, 21 | kKeypadFlag, -1},
      {"Page Up of the navigation block", 33, 73, true, 0, 24, 24},
      {"keypad /", 111, 53, true, 0, 154 | kKeypadFlag, 154},
      {"keypad *", 106, 55, false, 0, 155 | kKeypadFlag, 155},
      {"keypad -", 109, 74, false, 0, 156 | kKeypadFlag, 156},
      {"keypad +", 107, 78, false, 0, 157 | kKeypadFlag, 157},
      {"keypad decimal has no row", 110, 83, false, 0, kNoKey, -1},
      {"Shift", 16, 42, false, kModShift, kNoKey, -1},
      {"Ctrl", 17, 29, false, kModCtrl, kNoKey, -1},
      {"Alt", 18, 56, false, kModAlt, kNoKey, -1},
      {"Caps Lock", 20, 58, false, 0, kNoKey, -1},
      {"Num Lock", 144, 69, true, 0, 128, -1},
      {"F10", 121, 68, false, 0, 170, 170},
      {"F11", 122, 87, false, 0, 171, 171},
      {"F12", 123, 88, false, 0, 172, 172},
      {"Esc", 27, 1, false, 0, 1, 1},
      {"Ctrl+A", 65, 30, false, kModCtrl, 65 | kModCtrl, 65},
      {"Alt+Windows+Q", 81, 16, false, kModAlt | kModWindows, 81 | 0x41000000u, 81},
      {"Shift+keypad 9", 105, 73, false, kModShift, 153 | kKeypadFlag | kModShift, 153},
      {"virtual key beyond the table", 300, 30, false, 0, kNoKey, 65},
      {"scan code 0xFF on the keypad", 103, 0xFF, false, 0, 151 | kKeypadFlag, -1},
  };
  for (const Case& c : cases) {
    int32_t position = 12345;
    EXPECT_EQ(uiaTranslateKeyWith(c.virtualKey, lParamOf(c.scanCode, c.extended), c.modifiers, &position), c.key)
        << c.what;
    EXPECT_EQ(position, c.position) << c.what;
  }
}

TEST_F(Keys, EveryRowTranslatesBothWays) {
  // The table's rows as written in the keyboard reference (key code, virtual key, scan code).
  const int32_t rows[][3] = {
      {1, 27, 1},      {2, 192, 41},    {3, 189, 12},    {4, 187, 13},    {5, 8, 14},      {6, 9, 15},
      {7, 219, 26},    {8, 221, 27},    {10, 186, 39},   {11, 222, 40},   {12, 220, 43},   {13, 13, 28},
      {15, 188, 51},   {16, 190, 52},   {17, 191, 53},   {19, 32, 57},    {20, 45, 82},    {21, 46, 83},
      {22, 36, 71},    {23, 35, 79},    {24, 33, 73},    {25, 34, 81},    {48, 48, 11},    {49, 49, 2},
      {57, 57, 10},    {65, 65, 30},    {66, 66, 48},    {77, 77, 50},    {81, 81, 16},    {90, 90, 44},
      {128, 144, 197}, {129, 38, 72},   {130, 40, 80},   {131, 37, 75},   {132, 39, 77},   {144, 96, 210},
      {145, 97, 207},  {150, 102, 205}, {153, 105, 201}, {154, 111, 181}, {155, 106, 183}, {156, 109, 202},
      {157, 107, 206}, {161, 112, 59},  {170, 121, 68},  {171, 122, 87},  {172, 123, 88},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(uiaKeyFromVirtualKey(r[1]), r[0]) << r[0];
    EXPECT_EQ(uiaVirtualKeyFromKey(r[0]), r[1]) << r[0];
    EXPECT_EQ(uiaKeyFromScanCode(r[2]), r[0]) << r[0];
    EXPECT_EQ(uiaScanCodeFromKey(r[0]), r[2]) << r[0];
  }
  // Every letter's scan code is the one of its place on the keyboard.
  const char* rowsOfLetters[3] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  const int32_t firstScan[3] = {16, 30, 44};
  for (int row = 0; row < 3; ++row)
    for (int i = 0; rowsOfLetters[row][i]; ++i)
      EXPECT_EQ(uiaScanCodeFromKey(rowsOfLetters[row][i]), firstScan[row] + i) << rowsOfLetters[row][i];
  // Codes without a row.
  for (int32_t key : {0, 9, 14, 18, 26, 47, 58, 91, 127, 133, 143, 158, 160, 173, -1, 1000})
    EXPECT_EQ(uiaVirtualKeyFromKey(key), -1) << key;
  for (int32_t vk : {0, 16, 17, 18, 20, 91, 110, 124, 255, 256, -5}) EXPECT_EQ(uiaKeyFromVirtualKey(vk), -1) << vk;
  EXPECT_TRUE(uiaBuildKeyboardTable());  // a second build changes nothing
  EXPECT_EQ(uiaKeyFromVirtualKey(13), 13);
}

TEST_F(Keys, ModifierWord) {
  struct Case {
    bool shift, ctrl, alt, windows;
    uint32_t word;
  } cases[] = {
      {false, false, false, false, 0},         {true, false, false, false, 0x10000000},
      {false, true, false, false, 0x20000000}, {false, false, true, false, 0x40000000},
      {false, false, false, true, 0},  // a Windows key alone reports nothing
      {false, false, true, true, 0x41000000},  {true, true, true, true, 0x71000000},
  };
  for (const Case& c : cases) EXPECT_EQ(uiaModifiersOf(c.shift, c.ctrl, c.alt, c.windows), c.word);
}

// The current modifiers come from this thread's keyboard state.
TEST_F(Keys, ModifiersFollowTheKeyboardState) {
  BYTE saved[256];
  ASSERT_TRUE(GetKeyboardState(saved));
  BYTE state[256] = {};
  state[VK_CONTROL] = 0x80;
  state[VK_LWIN] = 0x80;
  ASSERT_TRUE(SetKeyboardState(state));
  EXPECT_EQ(uiaModifiers(), uint32_t(kModCtrl | kModWindows));
  int32_t position = 0;
  EXPECT_EQ(uiaTranslateKey(83, lParamOf(31, false), &position), 83u | kModCtrl | kModWindows);
  state[VK_CONTROL] = 0;
  ASSERT_TRUE(SetKeyboardState(state));
  EXPECT_EQ(uiaModifiers(), 0u);
  SetKeyboardState(saved);
}
