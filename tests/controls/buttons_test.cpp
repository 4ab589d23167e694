// Picture buttons driven by posted mouse and key messages on a real window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/ctrlItems.h"
#include "controls/pictureButton.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "uiaTestSupport.h"

namespace {

struct ActionCall {
  int pressed, state;
};
std::vector<ActionCall> g_actions;

void recordAction(ControlItem*, uint8_t pressed, int16_t state) { g_actions.push_back({pressed, state}); }

// Steps of a gesture on a 16 x 16 button at (20, 20): p press, r release, i move inside, o move out,
// each at the inside point (28, 28) or the outside point (90, 50).
void play(HWND hwnd, const char* steps) {
  bool down = false;
  for (const char* s = steps; *s; ++s) {
    switch (*s) {
      case 'p':
        postPress(hwnd, 28, 28);
        down = true;
        break;
      case 'P':
        postPress(hwnd, 90, 50);
        down = true;
        break;
      case 'r':
        postRelease(hwnd, 28, 28);
        down = false;
        break;
      case 'R':
        postRelease(hwnd, 90, 50);
        down = false;
        break;
      case 'i': postMove(hwnd, 28, 28, down); break;
      case 'o': postMove(hwnd, 90, 50, down); break;
    }
  }
}

}  // namespace

TEST(ControlButtons, GesturesOnEachKindOfButton) {
  struct Case {
    const char* name;
    uint32_t flags;
    int stateCount, pressedAtStart;
    const char* gesture;
    int pressed, state;
    std::vector<ActionCall> actions;
  } cases[] = {
      {"toggle on", buttonToggle, 1, 0, "pr", 1, 0, {{1, 0}}},
      {"toggle off", buttonToggle, 1, 1, "pr", 0, 0, {{0, 0}}},
      {"momentary", 0, 1, 0, "pr", 0, 0, {{0, 0}}},
      {"momentary dragged out and back", 0, 1, 0, "poir", 0, 0, {{0, 0}}},
      {"momentary dragged out", 0, 1, 0, "poR", 0, 0, {}},
      {"momentary released outside without a move", 0, 1, 0, "pR", 0, 0, {}},
      {"toggle dragged out", buttonToggle, 1, 0, "poR", 0, 0, {}},
      {"radio", buttonRadio, 1, 0, "pr", 1, 0, {{1, 0}}},
      {"radio already pressed", buttonRadio, 1, 1, "pr", 1, 0, {}},
      {"three-state cycle",
       buttonCycle | buttonToggle,
       3,
       0,
       "prprprprpr",
       1,
       0,
       {{1, 1}, {0, 1}, {1, 2}, {0, 2}, {1, 0}}},
      {"cycle dragged out", buttonCycle | buttonToggle, 3, 0, "poR", 0, 0, {}},
      {"act on press", buttonActOnPress | buttonToggle, 1, 0, "p", 1, 0, {{1, 0}}},
      {"immediate", buttonImmediate, 1, 0, "pr", 0, 0, {{0, 0}}},
      {"press elsewhere", 0, 1, 0, "Pr", 0, 0, {}},
  };
  runInApplication([&](RecordingApplication&) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      KitFixtureScope kit;
      KitWindow window(12);
      openKitWindow(window, 12, 8, 120, 80);
      ControlItem* b =
          buttonPlace(12, 1, 20, 20, c.flags, 2920, nullptr, 1, c.pressedAtStart, c.stateCount, recordAction);
      ASSERT_NE(b, nullptr);
      ASSERT_EQ(b->rect.right - b->rect.left, 16);
      winShow(12, 1);
      g_actions.clear();
      play(window.nativeHandle(), c.gesture);
      EXPECT_EQ(buttonIsPressed(12, 1), c.pressed);
      EXPECT_EQ(buttonGetState(12, 1), c.state);
      ASSERT_EQ(g_actions.size(), c.actions.size());
      for (size_t i = 0; i < c.actions.size(); ++i) {
        EXPECT_EQ(g_actions[i].pressed, c.actions[i].pressed) << "action " << i;
        EXPECT_EQ(g_actions[i].state, c.actions[i].state) << "action " << i;
      }
      winCloseAll();
      window.destroy();
    }
  });
}

TEST(ControlButtons, EnterClicksTheDefaultButtonOnceAndTheActionFollowsLater) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(14);
    openKitWindow(window, 14, 8, 120, 80);
    buttonPlace(14, 2, 20, 20, 0, 2920, "OK", 1, 0, 1, recordAction);
    winSetDefaultButton(14, 2);
    winShow(14, 1);
    g_actions.clear();
    HWND hwnd = window.nativeHandle();
    PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 1 | (1u << 30));  // the key repeats
    drainMessages();
    EXPECT_EQ(buttonClickPending(), 1);
    EXPECT_EQ(buttonIsPressed(14, 2), 1) << "shown pressed during the click";
    g_testTick += 100;
    UiTimer::dispatch();
    EXPECT_TRUE(g_actions.empty());
    g_testTick += 50;
    UiTimer::dispatch();
    ASSERT_EQ(g_actions.size(), 1u);
    EXPECT_EQ(g_actions[0].pressed, 1);
    EXPECT_EQ(buttonIsPressed(14, 2), 0);
    EXPECT_EQ(buttonClickPending(), 0);
    g_testTick += 1000;
    UiTimer::dispatch();
    EXPECT_EQ(g_actions.size(), 1u);
    // Enter works again once the click is over.
    PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    drainMessages();
    EXPECT_EQ(buttonClickPending(), 1);
    winCloseAll();
  });
}

// A press during the click used to clear the timer's capture callback and leave the click pending
// for ever, with Enter dead; closing the window left the button behind as the capture object.
TEST(ControlButtons, APressOrACloseDuringTheClickEndsIt) {
  runInApplication([&](RecordingApplication&) {
    KitFixtureScope kit;
    KitWindow window(15);
    openKitWindow(window, 15, 8, 120, 80);
    buttonPlace(15, 2, 20, 20, 0, 2920, nullptr, 1, 0, 1, recordAction);
    winSetDefaultButton(15, 2);
    winShow(15, 1);
    g_actions.clear();
    HWND hwnd = window.nativeHandle();
    PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    drainMessages();
    ASSERT_EQ(buttonClickPending(), 1);
    postClick(hwnd, 100, 70);  // a press on empty window area
    EXPECT_EQ(buttonClickPending(), 0);
    EXPECT_EQ(g_actions.size(), 1u) << "the click is finished";
    EXPECT_EQ(buttonIsPressed(15, 2), 0);
    PostMessageA(hwnd, WM_KEYDOWN, VK_RETURN, 1);
    drainMessages();
    ASSERT_EQ(buttonClickPending(), 1) << "Enter is alive again";
    winCloseById(15);
    EXPECT_EQ(buttonClickPending(), 0);
    EXPECT_EQ(UiTimer::captureObject(), nullptr);
    EXPECT_EQ(g_actions.size(), 1u) << "a closing window's click runs no action";
    g_testTick += 1000;
    UiTimer::dispatch();  // nothing left to touch the freed button
    EXPECT_EQ(g_actions.size(), 1u);
  });
}

TEST(ControlButtons, CaptionsKeepThirtyOneCharactersAndBadIdsAreRefused) {
  KitFixtureScope kit;
  ASSERT_EQ(winOpen(16, 40, 0, nullptr), 1);
  std::string longText(300, 'x');
  ControlItem* b = buttonPlace(16, 3, 0, 0, 0, 2920, longText.c_str(), 1, 0, 1, nullptr);
  ASSERT_NE(b, nullptr);
  ButtonData* d = static_cast<ButtonData*>(b->k.kindData);
  EXPECT_EQ(d->textLength, 31);
  EXPECT_EQ(std::string(d->text), std::string(31, 'x'));
  EXPECT_EQ(buttonPlace(33, 3, 0, 0, 0, 2920, nullptr, 1, 0, 1, nullptr), nullptr) << "no window 33";
  EXPECT_EQ(buttonPlace(16, 0, 0, 0, 0, 2920, nullptr, 1, 0, 1, nullptr), nullptr) << "no item 0";
  EXPECT_NE(buttonPlace(16, 33, 0, 0, 0, 2920, nullptr, 1, 0, 1, nullptr), nullptr) << "items beyond 32";
  EXPECT_EQ(buttonPlace(16, 40, 0, 0, 0, 2920, nullptr, 1, 0, 1, nullptr), nullptr) << "beyond the capacity";
  EXPECT_EQ(buttonPlace(16, 3, 0, 0, 0, 2920, nullptr, 1, 0, 1, nullptr), nullptr) << "taken id";
  buttonSetState(16, 3, 1);  // beyond the one state
  EXPECT_EQ(buttonGetState(16, 3), 0);
  EXPECT_EQ(buttonIsPressed(16, 4), 0);
}
