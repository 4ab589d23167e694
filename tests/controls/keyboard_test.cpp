// The piano keyboard and the text lines view: posted mouse events on real windows against the
// reported notes and selections, key lighting read back from the window, captures kept as PNG.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/keyboard.h"
#include "controls/textView.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "support/windowCapture.h"
#include "uiaTestSupport.h"

namespace {

std::vector<std::pair<int, int>> g_events;  // (note, on)
void recordKey(ControlItem*, int32_t note, uint8_t on) { g_events.push_back({note, on}); }

std::vector<int> g_lines;
void recordLine(ControlItem*, int32_t line) { g_lines.push_back(line); }

// Keyboard at (10, 10): white keys 12 wide and 40 high, black keys 8 x 24 over their upper part.
const int kx = 10, ky = 10;
int whiteX(int w) { return kx + 12 * w + 6; }
const int lowY = ky + 34;   // below the black keys
const int highY = ky + 10;  // where black keys lie

typedef std::vector<std::pair<int, int>> Events;

// Kit window `slot` (560 x 70) shown, holding a keyboard (id 1) that reports to recordKey; null
// `keyboard` when it could not be made.
struct KeyboardWindow {
  explicit KeyboardWindow(int16_t slot) : window(slot) {
    openKitWindow(window, slot, 8, 560, 70);
    winShow(slot, 1);
    hwnd = window.nativeHandle();
    keyboard = keyboardCreate(slot, 1, kx, ky, 24, 6, 0, 2800, recordKey);
    drainMessages();
  }
  KitFixtureScope kit;
  KitWindow window;
  HWND hwnd = nullptr;
  ControlItem* keyboard = nullptr;
};

}  // namespace

TEST(ControlKeyboard, LayoutAndHits) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(23);
    openKitWindow(window, 23, 8, 560, 70);
    ASSERT_NE(keyboardCreate(23, 1, kx, ky, 24, 6, 0, 2800, recordKey), nullptr);
    KeyboardData* d = keyboardGetData(23, 1);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->keyCount, 73);
    EXPECT_EQ(d->keys[42].note, 96);
    EXPECT_EQ(d->keys[0].note, 24);
    CtrlRect r;
    ctrlGetRect(23, 1, &r);
    EXPECT_EQ(r.right - r.left, 43 * 12);
    ControlItem* item = ctrlFind(23, 1);
    struct {
      int x, y, note;
    } cases[] = {
        {whiteX(0), lowY, 24},         {whiteX(1), lowY, 26},   {kx + 12, highY, 25},  // C#
        {kx + 84 + 70 + 2, highY, 46}, {kx + 600, ky + 20, 96}, {kx - 5, ky + 20, 24},
        {whiteX(3), ky + 60, -1},      {whiteX(42), lowY, 96},
    };
    for (const auto& c : cases) {
      CtrlPoint p = {static_cast<int16_t>(c.y), static_cast<int16_t>(c.x)};
      int16_t k = keyboardKeyAt(item, p);
      EXPECT_EQ(k < 0 ? -1 : d->keys[k].note, c.note) << "at " << c.x << "," << c.y;
    }
    EXPECT_EQ(keyboardFindKey(d, 23), -1);
    EXPECT_EQ(keyboardFindKey(d, 97), -1);
    // Bad indices change nothing.
    keyboardSetKeyPressed(23, 1, 73, 1, 1);
    keyboardSetKeyPressed(23, 1, -1, 1, 1);
    EXPECT_EQ(d->currentKey, -1);
    EXPECT_EQ(keyboardGetData(23, 2), nullptr);
  });
}

TEST(ControlKeyboard, PlayAndLatchByPostedMouse) {
  runInApplication([&](RecordingApplication&) {
    KeyboardWindow shown(24);
    ASSERT_NE(shown.keyboard, nullptr);
    HWND hwnd = shown.hwnd;

    // Play: C, glide to D (on D before off C), onto the black key D# over E, off the keys
    // entirely (the note keeps sounding), release.
    g_events.clear();
    postPress(hwnd, whiteX(0), lowY);
    postMove(hwnd, whiteX(1), lowY, true);
    postMove(hwnd, kx + 24 + 1, highY, true);
    postMove(hwnd, whiteX(5), ky + 60, true);
    postRelease(hwnd, whiteX(5), ky + 60);
    EXPECT_EQ(g_events, (Events{{24, 1}, {26, 1}, {24, 0}, {27, 1}, {26, 0}, {27, 0}}));
    EXPECT_EQ(keyboardGetData(24, 1)->currentKey, -1);

    // Latch: E then G gives on E, off E, on G; G again switches it off.
    keyboardSetMouseMode(24, 1, 1);
    g_events.clear();
    postClick(hwnd, whiteX(2), lowY);
    postClick(hwnd, whiteX(4), lowY);
    EXPECT_EQ(g_events, (Events{{28, 1}, {28, 0}, {31, 1}}));
    g_events.clear();
    postClick(hwnd, whiteX(4), lowY);
    EXPECT_EQ(g_events, (Events{{31, 0}}));

    // Changing the mode while a key is held ends it first.
    postClick(hwnd, whiteX(6), lowY);
    g_events.clear();
    keyboardSetMouseMode(24, 1, 0);
    EXPECT_EQ(g_events, (Events{{35, 0}}));
  });
}

TEST(ControlKeyboard, LitWhiteKeyKeepsItsBlackKeys) {
  runInApplication([&](RecordingApplication&) {
    KeyboardWindow shown(25);
    ASSERT_NE(shown.keyboard, nullptr);
    HWND hwnd = shown.hwnd;
    KeyboardData* d = keyboardGetData(25, 1);
    keyboardSetKeyPressed(25, 1, keyboardFindKey(d, 26), 1, 0);  // D: C# and D# lie over it
    keyboardSetKeyPressed(25, 1, keyboardFindKey(d, 49), 1, 0);  // a black key lit
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(hwnd, shot, "keyboard_lit.png"));
    auto px = [&](int x, int y) { return shot.at(x, y); };
    EXPECT_EQ(px(whiteX(1), lowY), 0xFFFF00u) << "D lit";
    EXPECT_EQ(px(kx + 12 + 2, highY), 0x141414u) << "C# drawn over lit D";
    EXPECT_EQ(px(kx + 24 + 2, highY), 0x141414u) << "D# drawn over lit D";
    EXPECT_EQ(px(whiteX(0), lowY), 0xE6E6E6u) << "C unlit";
    EXPECT_EQ(px(kx + 84 * 2 + 8 + 2, highY), 0xFF0000u) << "C# two octaves up lit";
  });
}

TEST(ControlTextView, CellsSelectionAndLines) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(26);
    openKitWindow(window, 26, 8, 200, 60);
    winShow(26, 1);
    HWND hwnd = window.nativeHandle();
    // Two columns of two cells of 50 x 12 at (10, 10); lines fill a column first.
    ASSERT_NE(textViewCreate(26, 1, 10, 10, 0, 0, 2, 2, 4, 0, 2820, recordLine), nullptr);
    const char* names[4] = {"0 alpha", "1 beta", "2 gamma", "3 delta"};
    for (int k = 0; k < 4; ++k) textViewSetLine(26, 1, k, names[k]);
    drainMessages();
    g_lines.clear();
    postClick(hwnd, 10 + 50 + 5, 10 + 12 + 5);  // column 1, row 1: line 3
    EXPECT_EQ(textViewSelected(26, 1), 3);
    postClick(hwnd, 10 + 50 + 5, 10 + 12 + 5);  // again: no call
    postClick(hwnd, 15, 15);                    // line 0
    EXPECT_EQ(g_lines, (std::vector<int>{3, 0}));
    CapturedWindow shot;
    ASSERT_TRUE(captureShown(hwnd, shot, "textview_cells.png"));
    EXPECT_EQ(shot.at(11, 21), 0x009696u) << "line 0 selected";
    EXPECT_EQ(shot.at(61 + 45, 33), 0x1E1E5Au) << "line 3 not";

    // Lines keep 62 characters; selection bounds.
    std::string longText(100, 'x');
    textViewSetLine(26, 1, 2, longText.c_str());
    char out[64];
    textViewGetLine(26, 1, 2, out);
    EXPECT_EQ(std::string(out), std::string(62, 'x'));
    textViewSelectLine(26, 1, 4);
    EXPECT_EQ(textViewSelected(26, 1), 0);
    textViewSelectLine(26, 1, -1);
    EXPECT_EQ(textViewSelected(26, 1), -1);
  });
}
