// The window procedure's message to event table, message by message on a real window: which event
// each message makes, its payload, whether it bubbles, and what the message answers.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uiaTestSupport.h"

namespace {

struct Event {
  int32_t code;
  std::vector<int32_t> payload;  // the record's words, as far as the test reads them
};

class MessageWindow : public ToolWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    Event e{code, {}};
    if (code == UIA_EVENT_MOUSE_WHEEL) {
      const UiaMouseWheelEvent* w = static_cast<UiaMouseWheelEvent*>(data);
      e.payload = {w->x, w->y, w->delta};
    } else if (code == UIA_EVENT_MOUSE_BUTTON) {
      const UiaMouseButtonEvent* b = static_cast<UiaMouseButtonEvent*>(data);
      e.payload = {b->x, b->y, int32_t(b->button), int32_t(b->action)};
    } else if (code == UIA_EVENT_MOUSE_MOVE) {
      const UiaMouseMoveEvent* m = static_cast<UiaMouseMoveEvent*>(data);
      e.payload = {m->x, m->y};
    } else if (code == UIA_EVENT_CHAR) {
      e.payload = {static_cast<UiaCharEvent*>(data)->character};
    } else if (code == UIA_EVENT_COMMAND) {
      e.payload = {static_cast<UiaCommandEvent*>(data)->id};
    } else if (code == UIA_EVENT_SIZE) {
      e.payload = {int32_t(static_cast<UiaSizeEvent*>(data)->maximised)};
    }
    events.push_back(e);
    return handle;
  }
  std::vector<Event> events;
  bool handle = false;
};

std::vector<int32_t> codesOf(const std::vector<Event>& events) {
  std::vector<int32_t> codes;
  for (const Event& e : events) codes.push_back(e.code);
  return codes;
}

}  // namespace

TEST(UiaWindowMessages, EachMessageMakesItsEvent) {
  runInApplication([&](RecordingApplication& application) {
    MessageWindow window;
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
    spec.rect = RECT{100, 100, 260, 200};
    window.create(spec);
    HWND hwnd = window.nativeHandle();
    ASSERT_NE(hwnd, nullptr);
    POINT screen = {30, 20};
    ClientToScreen(hwnd, &screen);

    struct Case {
      const char* name;
      UINT message;
      WPARAM wParam;
      LPARAM lParam;
      std::vector<Event> window;         // what the window hears (left unhandled)
      std::vector<int32_t> application;  // codes that go on to the application
    };
    const Case cases[] = {
        {"left down", WM_LBUTTONDOWN, 0, MAKELPARAM(5, 7), {{1000, {5, 7, 1, 1}}}, {}},
        {"right up", WM_RBUTTONUP, 0, MAKELPARAM(6, 8), {{1000, {6, 8, 2, 2}}}, {}},
        {"middle double", WM_MBUTTONDBLCLK, 0, MAKELPARAM(1, 2), {{1000, {1, 2, 4, 3}}}, {}},
        {"negative point", WM_LBUTTONUP, 0, MAKELPARAM(-3, -4), {{1000, {-3, -4, 1, 2}}}, {}},
        {"move", WM_MOUSEMOVE, 0, MAKELPARAM(9, 10), {{1001, {9, 10}}}, {}},
        {"wheel",
         WM_MOUSEWHEEL,
         MAKEWPARAM(0, static_cast<WORD>(-240)),
         MAKELPARAM(screen.x, screen.y),
         {{1002, {30, 20, -240}}},
         {}},
        {"char", WM_CHAR, 'q', 1, {{1102, {'q'}}}, {1102}},
        {"command", WM_COMMAND, MAKEWPARAM(30201, 1), 0, {{1200, {30201}}}, {1200}},
        {"cancel mode", WM_CANCELMODE, 0, 0, {{1000007, {}}, {1000008, {}}}, {}},
        {"capture to another window",
         WM_CAPTURECHANGED,
         0,
         reinterpret_cast<LPARAM>(GetDesktopWindow()),
         {{1000007, {}}},
         {}},
        {"capture to itself", WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd), {}, {}},
        {"kill focus", WM_KILLFOCUS, 0, 0, {{1000008, {}}}, {}},
        {"activate", WM_ACTIVATE, WA_ACTIVE, 0, {{1000005, {}}}, {}},
        {"deactivate", WM_ACTIVATE, WA_INACTIVE, 0, {{1000006, {}}}, {}},
        {"child activate", WM_CHILDACTIVATE, 0, 0, {{1000005, {}}}, {}},
        {"size", WM_SIZE, SIZE_RESTORED, MAKELPARAM(160, 100), {{1000003, {0}}}, {}},
        {"size maximised", WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(160, 100), {{1000003, {1}}}, {}},
        {"size minimised", WM_SIZE, SIZE_MINIMIZED, 0, {}, {}},
        {"app active", WM_ACTIVATEAPP, 1, 0, {}, {10000}},
        {"app inactive", WM_ACTIVATEAPP, 0, 0, {}, {10001}},
        {"scroll", WM_VSCROLL, 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      window.events.clear();
      application.codes.clear();
      SendMessageA(hwnd, c.message, c.wParam, c.lParam);
      std::vector<Event> heard = window.events;
      // The default processing of WM_ACTIVATE activates the window for real, which sends its own
      // WM_ACTIVATE (and WM_ACTIVATEAPP to the application): only the first event is the one
      // under test there.
      if (c.message == WM_ACTIVATE && heard.size() > c.window.size()) heard.resize(c.window.size());
      ASSERT_EQ(codesOf(heard), codesOf(c.window));
      for (size_t i = 0; i < c.window.size(); ++i) EXPECT_EQ(window.events[i].payload, c.window[i].payload);
      if (c.message != WM_ACTIVATE) {
        EXPECT_EQ(application.codes, c.application);
      }
    }

    // A position change that put the window at the top of the Z order: 1000004; others: nothing.
    struct ZCase {
      HWND insertAfter;
      UINT flags;
      bool toFront;
    };
    for (const ZCase& z : {ZCase{HWND_TOP, SWP_NOMOVE | SWP_NOSIZE, true}, ZCase{HWND_TOP, SWP_NOZORDER, false},
                           ZCase{HWND_BOTTOM, SWP_NOMOVE, false}}) {
      WINDOWPOS position = {hwnd, z.insertAfter, 0, 0, 0, 0, z.flags};
      window.events.clear();
      SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
      bool toFront = false;
      for (const Event& e : window.events) toFront = toFront || e.code == UIA_EVENT_TO_FRONT;
      EXPECT_EQ(toFront, z.toFront) << z.flags;
    }

    // Answers: all keys wanted, the background never erased by the system, a handled mouse
    // message ends with 0.
    EXPECT_EQ(SendMessageA(hwnd, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
    window.handle = true;
    EXPECT_EQ(SendMessageA(hwnd, WM_LBUTTONDOWN, 0, 0), 0);
    application.codes.clear();
    EXPECT_EQ(SendMessageA(hwnd, WM_CHAR, 'x', 1), 0);
    EXPECT_TRUE(application.codes.empty()) << "a handled event does not bubble";
    // The window's cursor answers WM_SETCURSOR.
    window.setCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)));
    EXPECT_EQ(SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)));
  });
}

namespace {
std::vector<std::string>* g_trace = nullptr;
class QuittingWindow : public ToolWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    if (code != UIA_EVENT_COMMAND) return false;
    g_trace->push_back("command " + std::to_string(static_cast<UiaCommandEvent*>(data)->id) +
                       (uiaApplication()->quitRequested() ? " quit set" : ""));
    if (static_cast<UiaCommandEvent*>(data)->id == 1) uiaApplication()->requestQuit();
    return true;
  }
};
}  // namespace

TEST(UiaMessageLoop, TheQuitMessageFollowsTheMessageDuringWhichTheFlagWasSet) {
  std::vector<std::string> trace;
  g_trace = &trace;
  QuittingWindow* window = new QuittingWindow;
  runInApplication(
      [&](RecordingApplication&) {
        WindowSpec spec;
        spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION;
        spec.rect = RECT{10, 10, 60, 60};
        window->create(spec);
        PostMessageA(window->nativeHandle(), WM_COMMAND, 1, 0);
      },
      true);
  // The loop dispatched the message that set the flag, then ended (it would not return otherwise).
  EXPECT_EQ(trace, std::vector<std::string>{"command 1"});
  delete window;
  g_trace = nullptr;
}
