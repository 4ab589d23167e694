// The "Select MIDI Source" window as a real modal dialog under Wine: its rows with and without
// velocity, what it preselects (nothing for a source outside its list), a double click on a row, OK
// with nothing selected, a second open while it is up, the frame's close box and opening it again,
// a capture kept as PNG and the time from the open call to the window shown. Input is posted from a
// thread timer that keeps beating inside the dialog's own loop.
#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "controls/list.h"
#include "controls/uiTimer.h"
#include "controls/winSlots.h"
#include "kitTestSupport.h"
#include "midi/midiNames.h"
#include "midi/midiSourceWindow.h"
#include "support/windowCapture.h"
#include "support/windowSteps.h"
#include "uiaTestSupport.h"

namespace {

const int16_t kParent = 1;
int g_waited = 0;

std::vector<std::pair<uint16_t, int16_t>> g_calls;
void recordChoice(WinId win, int16_t source) { g_calls.push_back({win, source}); }

// The list's client point of a row among the first visible ones.
int rowY(int row) { return 16 + 14 * row + 7; }

HWND controls() { return winGetFrameworkWindow(midiSourcePopupBuildId()); }

// When the dialog frame is first shown: a hook on this thread's sent messages notes the moment.
std::chrono::steady_clock::time_point g_shownAt;
bool g_shown = false;
LRESULT CALLBACK watchShow(int code, WPARAM wParam, LPARAM lParam) {
  const CWPRETSTRUCT* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && m && m->message == WM_SHOWWINDOW && m->wParam && !g_shown) {
    char name[16] = {0};
    GetClassNameA(m->hwnd, name, sizeof name);
    if (std::string(name) == "#32770") {
      g_shownAt = std::chrono::steady_clock::now();
      g_shown = true;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A parent window in slot 1, the kit fresh, the name tables filled.
struct SourceWindowRig {
  KitFixtureScope kit;
  KitWindow parent{kParent};
  SourceWindowRig() {
    midiNamesInitControllers();
    openKitWindow(parent, kParent, 8, 300, 200, 30, 30);
    winShow(kParent, 1);
    drainMessages();
    g_calls.clear();
  }
  ~SourceWindowRig() { winCloseAll(); }

  // Opens the window and runs the steps inside its loop; a last step cancels a window left open
  // (and tells it did). The steps stop with the window's loop.
  bool leftOpen = false;
  void run(int16_t current, uint8_t withVelocity, std::vector<std::function<bool()>> steps) {
    leftOpen = false;
    steps.push_back([this] {
      leftOpen = midiSourcePopupIsOpen() != 0;
      if (leftOpen) midiSourcePopupCancel();
      return false;
    });
    g_steps = std::move(steps);
    g_step = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 15, stepProc);
    midiSourcePopupOpen(kParent, recordChoice, current, withVelocity);
    KillTimer(nullptr, timer);
  }
};

std::string rowText(int row) {
  char text[80] = {0};
  listGetRowText(midiSourcePopupBuildId(), midiSourceItemList, row, text);
  return text;
}

}  // namespace

TEST(MidiSourceWindow, RowsMapToSourcesAndBack) {
  const struct {
    int32_t row;
    uint8_t velocity;
    int16_t source;
  } cases[] = {
      {-1, 0, -128}, {-5, 1, -128}, {0, 0, -1},  {1, 0, 128}, {2, 0, 0},     {129, 0, 127},
      {0, 1, -1},    {1, 1, 128},   {2, 1, 129}, {3, 1, 0},   {130, 1, 127},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(midiSourceFromRow(c.row, c.velocity), c.source) << c.row << " " << int(c.velocity);
    if (c.row >= 0) {
      EXPECT_EQ(midiSourceRowOf(c.source, c.velocity), c.row) << c.source;
    }
  }
  // Sources without a row: velocity in the list without it, note, random, "no controller", junk.
  for (int16_t source : {129, 130, 131, -10, -2, 200, -128}) EXPECT_EQ(midiSourceRowOf(source, 0), -1) << source;
  for (int16_t source : {130, 131, -10, 128 + 200}) EXPECT_EQ(midiSourceRowOf(source, 1), -1) << source;
  // Without a callback nothing opens (and the call returns at once).
  midiSourcePopupOpen(1, nullptr, 7, 0);
  EXPECT_FALSE(midiSourcePopupIsOpen());
}

// 130 rows (131 with velocity) headed by aftertouch and pitch bend, then the controller names; the
// caller's source preselected when the list has it, nothing otherwise.
TEST(MidiSourceWindow, ListsTheSourcesAndPreselectsOnlyRowsItHas) {
  runInApplication([&](RecordingApplication&) {
    SourceWindowRig rig;
    char cc7[midiSourceNameBytes];
    midiSourceListName(7, cc7);
    ASSERT_STRNE(cc7, "");
    const struct {
      int16_t current;
      uint8_t velocity;
      int rows;
      int32_t selected;
    } cases[] = {
        {-1, 0, 130, 0},   {128, 0, 130, 1},  {7, 0, 130, 9},   {127, 0, 130, 129}, {129, 0, 130, -1},
        {-10, 0, 130, -1}, {131, 0, 130, -1}, {129, 1, 131, 2}, {7, 1, 131, 10},    {130, 1, 131, -1},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE("current " + std::to_string(c.current) + " velocity " + std::to_string(c.velocity));
      int filled = -1;
      int32_t selected = -2;
      std::vector<std::string> head;
      rig.run(c.current, c.velocity, {[&] {
                const int16_t id = midiSourcePopupBuildId();
                if (!id) return true;  // nothing to read: on to the last step
                filled = listCountFilled(id, midiSourceItemList);
                selected = listFirstSelected(id, midiSourceItemList);
                for (int r = 0; r < 4; ++r) head.push_back(rowText(r));
                head.push_back(rowText(c.velocity ? 10 : 9));
                return true;
              }});
      EXPECT_EQ(filled, c.rows);
      EXPECT_EQ(selected, c.selected);
      ASSERT_EQ(head.size(), 5u);
      EXPECT_EQ(head[0], "Aftertouch");
      EXPECT_EQ(head[1], "Pitchbend");
      if (c.velocity) {
        EXPECT_EQ(head[2], "Velocity");
      }
      EXPECT_EQ(head[4], cc7);
      EXPECT_TRUE(g_calls.empty()) << "cancelled: no choice";
      EXPECT_FALSE(midiSourcePopupIsOpen());
    }
  });
}

// A double click on "Pitchbend" chooses 128 and closes the window; OK with no row selected closes it
// and calls nothing; a click then OK, or Enter, chooses the selected row.
TEST(MidiSourceWindow, DoubleClickChoosesAndOkWithoutARowCallsNothing) {
  runInApplication([&](RecordingApplication&) {
    SourceWindowRig rig;
    g_waited = 0;
    rig.run(-10, 0,
            {[&] {
               if (!midiSourcePopupIsOpen()) return false;
               g_testTick += 1000;
               HWND list = controls();
               PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(60, rowY(1)));
               PostMessageA(list, WM_LBUTTONUP, 0, at(60, rowY(1)));
               PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at(60, rowY(1)));
               PostMessageA(list, WM_LBUTTONUP, 0, at(60, rowY(1)));
               return true;
             },
             [&] {
               // The window ends its loop itself, or after 200 beats the last step ends it.
               if (++g_waited < 200) --g_step;
               return true;
             }});
    EXPECT_FALSE(rig.leftOpen);
    EXPECT_FALSE(midiSourcePopupIsOpen());
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].first, kParent);
    EXPECT_EQ(g_calls[0].second, 128);

    g_calls.clear();
    g_waited = 0;
    rig.run(-10, 0,
            {[&] {
               if (!midiSourcePopupIsOpen()) return false;
               g_testTick += 1000;
               EXPECT_EQ(listFirstSelected(midiSourcePopupBuildId(), midiSourceItemList), -1);
               clickAt(controls(), 136 + 38, 424 + 10);
               return true;
             },
             [&] {
               if (++g_waited < 200) --g_step;  // then on to the last step
               return true;
             }});
    EXPECT_FALSE(rig.leftOpen) << "OK closed it";
    EXPECT_TRUE(g_calls.empty());

    // A single click selects; OK then chooses that row.
    rig.run(-10, 1,
            {[&] {
               if (!midiSourcePopupIsOpen()) return false;
               g_testTick += 1000;
               clickAt(controls(), 60, rowY(2));
               return true;
             },
             [&] {
               g_testTick += 1000;
               clickAt(controls(), 136 + 38, 424 + 10);
               return true;
             }});
    EXPECT_FALSE(rig.leftOpen);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].second, 129);

    // Enter, typed where the keyboard focus is, presses OK, the window's default button: the
    // preselected row is chosen.
    bool focused = false;
    g_calls.clear();
    g_waited = 0;
    rig.run(7, 0,
            {[&] {
               if (!midiSourcePopupIsOpen()) return false;
               focused = GetFocus() == controls();
               PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 1);
               PostMessageA(GetFocus(), WM_KEYUP, VK_RETURN, 0xC0000001);
               return true;
             },
             [&] {
               // The click of the default button runs its action once 150 ms have passed.
               g_testTick += 50;
               UiTimer::dispatch();
               if (++g_waited < 200) --g_step;  // then on to the last step
               return true;
             }});
    EXPECT_TRUE(focused) << "the controls have the keyboard focus";
    EXPECT_FALSE(rig.leftOpen) << "Enter closed it";
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].second, 7);
  });
}

// A second open while one is up does nothing (and returns at once); the frame's close box ends the
// window without a choice and it opens again afterwards. The capture is kept, and the time from the
// open call to the first beat that finds it shown is printed.
TEST(MidiSourceWindow, OneAtATimeClosedByItsFrameAndOpenedAgain) {
  runInApplication([&](RecordingApplication&) {
    SourceWindowRig rig;
    int16_t dialog = 0, build = 0;
    bool secondReturned = false;
    bool sameWindow = false;
    CapturedWindow shot;
    g_shown = false;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, watchShow, nullptr, GetCurrentThreadId());
    const auto t0 = std::chrono::steady_clock::now();
    rig.run(7, 0,
            {[&] {
               if (!midiSourcePopupIsOpen() || !IsWindowVisible(controls())) {
                 --g_step;  // not there yet: try again on the next beat
                 return true;
               }
               dialog = midiSourcePopupDialogId();
               build = midiSourcePopupBuildId();
               midiSourcePopupOpen(kParent, recordChoice, 5, 1);
               secondReturned = true;
               sameWindow = midiSourcePopupDialogId() == dialog && midiSourcePopupBuildId() == build;
               UpdateWindow(controls());
               windowCapturePng(controls(), "midi-source-window.png", &shot);
               return true;
             },
             [&] {
               PostMessageA(winGetFrameworkWindow(dialog), WM_SYSCOMMAND, SC_CLOSE, 0);
               g_waited = 0;
               return true;
             },
             [&] {
               if (++g_waited < 200) --g_step;  // then on to the last step
               return true;
             }});
    if (hook) UnhookWindowsHookEx(hook);
    EXPECT_FALSE(rig.leftOpen) << "the close box ended it";
    ASSERT_TRUE(g_shown) << "the dialog was shown";
    const double shownMs = std::chrono::duration<double, std::milli>(g_shownAt - t0).count();
    EXPECT_TRUE(secondReturned);
    EXPECT_TRUE(sameWindow);
    EXPECT_NE(dialog, build);
    EXPECT_EQ(shot.width, 240);
    EXPECT_EQ(shot.height, 456);
    EXPECT_FALSE(midiSourcePopupIsOpen());
    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(winSlot(dialog), nullptr) << "the dialog's slot is free again";
    EXPECT_EQ(winSlot(build), nullptr) << "the controls' slot is free again";
    std::printf("Select MIDI Source: open to shown %.1f ms\n", shownMs);
    RecordProperty("openToShownMs", std::to_string(shownMs));

    bool openedAgain = false;
    rig.run(7, 0, {[&] {
              openedAgain =
                  midiSourcePopupIsOpen() && listFirstSelected(midiSourcePopupBuildId(), midiSourceItemList) == 9;
              g_testTick += 1000;
              clickAt(controls(), 37 + 36, 426 + 8);  // Cancel
              return true;
            }});
    EXPECT_TRUE(openedAgain);
    EXPECT_FALSE(midiSourcePopupIsOpen());
    EXPECT_TRUE(g_calls.empty());
  });
}
