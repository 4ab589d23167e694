// Keys and mouse buttons from real input (SendInput) on a real window: the modifier bits, what Alt and
// F10 produce, and which events bubble to the application.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "UIAKeys.h"
#include "uiaTestSupport.h"

namespace {

struct Seen {
  int32_t code;
  uint32_t key;
};

// Leaves every event unhandled, so that the bubbling ones go on to the application.
class KeyWindow : public ToolWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    if (code == UIA_EVENT_KEY_DOWN || code == UIA_EVENT_KEY_UP) seen.push_back({code, *static_cast<uint32_t*>(data)});
    if (code == UIA_EVENT_MOUSE_BUTTON) seen.push_back({code, static_cast<UiaMouseButtonEvent*>(data)->button});
    return false;
  }
  std::vector<Seen> seen;
};

INPUT keyInput(WORD vk, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

// Presses the keys in order and releases them in reverse.
std::vector<INPUT> chord(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (WORD vk : keys) inputs.push_back(keyInput(vk, false));
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) inputs.push_back(keyInput(*it, true));
  return inputs;
}

// Brings the window to the front with the keyboard focus; other test programs share the display, so
// this is checked and retried.
bool takeFocus(HWND hwnd) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    SetForegroundWindow(hwnd);
    SetActiveWindow(hwnd);
    SetFocus(hwnd);
    pumpMessages(10);
    if (GetForegroundWindow() == hwnd && GetFocus() == hwnd) return true;
  }
  std::printf("focus: foreground %p focus %p active %p window %p\n", (void*)GetForegroundWindow(), (void*)GetFocus(),
              (void*)GetActiveWindow(), (void*)hwnd);
  return false;
}

// Sends the input to the focused window and waits until the window saw `count` events after it (or a
// short while when none are expected).
std::vector<Seen> play(KeyWindow& window, const std::vector<INPUT>& inputs, size_t count) {
  window.seen.clear();
  std::vector<INPUT> copy(inputs);
  SendInput(static_cast<UINT>(copy.size()), copy.data(), sizeof(INPUT));
  if (count) pumpUntil([&] { return window.seen.size() >= count; }, 2000);
  pumpMessages(40);
  return window.seen;
}

std::vector<uint32_t> downKeys(const std::vector<Seen>& seen) {
  std::vector<uint32_t> keys;
  for (const Seen& s : seen)
    if (s.code == UIA_EVENT_KEY_DOWN) keys.push_back(s.key);
  return keys;
}

}  // namespace

TEST(UiaKeyInput, ModifierBitsAltAloneAndF10AndBubbling) {
  runInApplication([&](RecordingApplication& application) {
    KeyWindow window;
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
    spec.rect = RECT{200, 200, 360, 300};
    // Without a system menu: the default processing of Alt and F10 then enters no menu loop.
    spec.options = UIA_TOOL_NO_SYSTEM_MENU;
    window.create(spec);
    window.show(true);
    HWND hwnd = window.nativeHandle();
    ASSERT_NE(hwnd, nullptr);

    struct Case {
      const char* name;
      std::vector<WORD> keys;
      std::vector<uint32_t> down;  // the key-down events, in order
    };
    const Case cases[] = {
        {"A", {'A'}, {65}},
        {"Shift+A", {VK_SHIFT, 'A'}, {65 | kModShift}},
        {"Ctrl+A", {VK_CONTROL, 'A'}, {65 | kModCtrl}},
        {"Alt+A", {VK_MENU, 'A'}, {65 | kModAlt}},
        {"Ctrl+Shift+F1", {VK_CONTROL, VK_SHIFT, VK_F1}, {161 | kModCtrl | kModShift}},
        {"Alt+Win+A", {VK_MENU, VK_LWIN, 'A'}, {65 | kModAlt | kModWindows}},
        {"Win+A", {VK_LWIN, 'A'}, {65}},
        {"Alt alone", {VK_MENU}, {}},
        {"F10", {VK_F10}, {170}},
    };
    // Keyboard and mouse input go to whichever window is in front: other test programs on the
    // same display may take the front between taking the focus and the input, so a case whose
    // outcome differs is played again (a few times) before it counts as failed.
    struct Outcome {
      std::vector<uint32_t> down, bubbledDown;
      size_t events = 0;
      std::vector<int32_t> commands;
    };
    auto attempt = [&](const std::vector<INPUT>& inputs, size_t expectedEvents) {
      Outcome outcome;
      takeFocus(hwnd);
      application.keys.clear();
      application.codes.clear();
      application.commands.clear();
      const std::vector<Seen> seen = play(window, inputs, expectedEvents);
      outcome.down = downKeys(seen);
      outcome.events = seen.size();
      // Unhandled key events go on to the application: each press and each release.
      size_t keyIndex = 0;
      for (int32_t code : application.codes) {
        if (code == UIA_EVENT_KEY_DOWN) outcome.bubbledDown.push_back(application.keys[keyIndex]);
        if (code == UIA_EVENT_KEY_DOWN || code == UIA_EVENT_KEY_UP) ++keyIndex;
      }
      outcome.commands = application.commands;
      // Alt and F10 did not leave the window in menu mode for the next case.
      SendMessageA(hwnd, WM_CANCELMODE, 0, 0);
      return outcome;
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      Outcome outcome;
      for (int tries = 0; tries < 6; ++tries) {
        outcome = attempt(chord(c.keys), c.down.size() * 2);
        if (outcome.down == c.down && outcome.bubbledDown == c.down && (!c.down.empty() || outcome.events == 0)) break;
      }
      EXPECT_EQ(outcome.down, c.down);
      EXPECT_EQ(outcome.bubbledDown, c.down);
      if (c.down.empty()) {
        EXPECT_EQ(outcome.events, 0u) << "no key event at all";
      }
    }

    // An unhandled first press of a key in the accelerator map sends its command.
    application.acceleratorMap()[78 | kModCtrl] = 4242;
    Outcome outcome;
    for (int tries = 0; tries < 6 && outcome.commands != std::vector<int32_t>{4242}; ++tries)
      outcome = attempt(chord({VK_CONTROL, 'N'}), 2);
    EXPECT_EQ(outcome.commands, std::vector<int32_t>{4242});
    for (int tries = 0; tries < 6; ++tries) {
      outcome = attempt(chord({'N'}), 2);
      if (outcome.down == std::vector<uint32_t>{78}) break;
    }
    EXPECT_EQ(outcome.down, std::vector<uint32_t>{78});
    EXPECT_TRUE(outcome.commands.empty());

    // An unhandled mouse button stays with the window.
    std::vector<Seen> seen;
    for (int tries = 0; tries < 6; ++tries) {
      takeFocus(hwnd);
      RECT client;
      GetClientRect(hwnd, &client);
      POINT centre = {client.right / 2, client.bottom / 2};
      ClientToScreen(hwnd, &centre);
      SetCursorPos(centre.x, centre.y);
      INPUT click[2] = {};
      click[0].type = click[1].type = INPUT_MOUSE;
      click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      application.codes.clear();
      seen = play(window, std::vector<INPUT>(click, click + 2), 2);
      if (seen.size() == 2) break;
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].code, UIA_EVENT_MOUSE_BUTTON);
    EXPECT_EQ(seen[0].key, UIA_BUTTON_LEFT);
    for (int32_t code : application.codes) EXPECT_NE(code, UIA_EVENT_MOUSE_BUTTON);
  });
}
