// Window facades and their Win32 windows: the styles of each kind read back from the real window,
// child windows filling their parent, closing refused, destruction inside a handler, and routing.
#include <windows.h>
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "GPError.h"
#include "uiaTestSupport.h"

// The file's own namespace keeps its local names apart from the other test files of the program.
namespace windowstest {

namespace {

// Records the codes it sees; optionally refuses closing or destroys itself on a mouse button.
class ProbeWindow : public ToolWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    codes.push_back(code);
    if (code == UIA_EVENT_MAY_CLOSE && refuseClose) static_cast<UiaAllowEvent*>(data)->allow = 0;
    if (code == UIA_EVENT_SIZE) ++sizeEvents;
    if (code == UIA_EVENT_COMMAND && throwOnCommand) throw std::bad_alloc();
    return false;
  }
  std::vector<int32_t> codes;
  bool refuseClose = false;
  bool throwOnCommand = false;
  int sizeEvents = 0;
};

WindowSpec sizedSpec(int x, int y, int w, int h, uint32_t options = 0) {
  WindowSpec spec;
  spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE;
  spec.rect = RECT{x, y, x + w, y + h};
  spec.options = options;
  return spec;
}

// The style word as stored (32 bits on either build).
uint32_t styleOf(HWND hwnd) {
  // The system adds clip-siblings to top-level windows and the visible bit follows show().
  return static_cast<uint32_t>(GetWindowLongPtrA(hwnd, GWL_STYLE)) &
         ~static_cast<uint32_t>(WS_VISIBLE | WS_CLIPSIBLINGS);
}

int g_boxCount = 0;
std::string g_lastBox;
int countingHook(const char*, const char* text, unsigned) {
  ++g_boxCount;
  g_lastBox = text;
  return IDOK;
}

}  // namespace

TEST(UiaWindowKinds, ToolWindowStylesFollowTheOptions) {
  struct Case {
    uint32_t options;
    uint32_t style;
  };
  const Case cases[] = {
      {0, 0x82C80000},                                                  // caption and system menu
      {UIA_TOOL_NO_BORDER_LINE, 0x82480000},                            // dialog frame and system menu
      {UIA_TOOL_NO_SYSTEM_MENU, 0x82C00000},                            // caption only
      {UIA_TOOL_NO_BORDER_LINE | UIA_TOOL_NO_SYSTEM_MENU, 0x82400000},  // dialog frame, no caption bar
      {UIA_TOOL_POPUP, 0x82000000},
      {UIA_TOOL_POPUP | UIA_TOOL_NO_BORDER_LINE | UIA_TOOL_NO_SYSTEM_MENU, 0x82000000},
      {UIA_TOOL_RESIZABLE, 0x82C80000},
  };
  runInApplication([&](RecordingApplication&) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.options);
      ToolWindow window;
      window.create(sizedSpec(30, 30, 120, 80, c.options));
      HWND hwnd = window.nativeHandle();
      ASSERT_NE(hwnd, nullptr);
      EXPECT_EQ(styleOf(hwnd), c.style);
      EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
      // The window's user data hold the whole pointer of its platform object.
      EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(window.platformWindow()));
      // A client size is a client size.
      EXPECT_EQ(window.getSize(true).cx, 120);
      EXPECT_EQ(window.getSize(true).cy, 80);
    }
  });
}

TEST(UiaWindowKinds, MainWindowStylesOptionOneStopsMaximisingAnd128IsFrameless) {
  runInApplication([&](RecordingApplication& application) {
    {
      MainWindow window;
      window.create(sizedSpec(20, 20, 160, 100));
      HWND hwnd = window.nativeHandle();
      EXPECT_EQ(styleOf(hwnd), 0xCF0000u);
      EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
      EXPECT_EQ(application.mainWindow(), &window);
      window.show(true);
      SendMessageA(hwnd, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
      pumpMessages(10);
      EXPECT_TRUE(IsZoomed(hwnd));
    }
    EXPECT_EQ(application.mainWindow(), nullptr);
    {
      MainWindow window;
      window.create(sizedSpec(20, 20, 160, 100, UIA_MAIN_FIXED));
      HWND hwnd = window.nativeHandle();
      EXPECT_EQ(styleOf(hwnd), 0xCA0000u);
      window.show(true);
      // Double-clicking the caption does not maximise it, and its frame offers no sizing edge.
      SendMessageA(hwnd, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
      pumpMessages(10);
      EXPECT_FALSE(IsZoomed(hwnd));
      RECT outer;
      GetWindowRect(hwnd, &outer);
      const LRESULT edge =
          SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(outer.right - 1, (outer.top + outer.bottom) / 2));
      EXPECT_NE(edge, HTRIGHT);
    }
    {
      MainWindow window;
      window.create(sizedSpec(20, 20, 160, 100, UIA_MAIN_FRAMELESS));
      HWND hwnd = window.nativeHandle();
      char name[64] = "";
      GetClassNameA(hwnd, name, sizeof name);
      EXPECT_EQ(std::string(name), uiaWindowClassName(UIA_CLASS_FRAMELESS));
      window.show(true);
      RECT outer, client;
      GetWindowRect(hwnd, &outer);
      GetClientRect(hwnd, &client);
      EXPECT_EQ(outer.right - outer.left, client.right);
      EXPECT_EQ(outer.bottom - outer.top, client.bottom);
    }
  });
}

TEST(UiaWindowKinds, AChildGivenOnlyASizeFillsItsParent) {
  runInApplication([&](RecordingApplication&) {
    ToolWindow parent;
    parent.create(sizedSpec(40, 40, 210, 130));
    parent.show(true);
    PlainWindow child;
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_PARENT;
    spec.rect = RECT{5, 5, 25, 25};
    spec.parent = &parent;
    child.create(spec);
    ASSERT_NE(child.nativeHandle(), nullptr);
    EXPECT_EQ(GetParent(child.nativeHandle()), parent.nativeHandle());
    EXPECT_EQ(child.parent(), &parent);
    EXPECT_EQ(styleOf(child.nativeHandle()), 0x40010000u);  // child, tab stop (and visible)
    EXPECT_EQ(GetWindowLongPtrA(child.nativeHandle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, WS_EX_CONTROLPARENT);
    RECT r;
    GetWindowRect(child.nativeHandle(), &r);
    POINT origin = {r.left, r.top};
    ScreenToClient(parent.nativeHandle(), &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(child.getSize(true).cx, 210);
    EXPECT_EQ(child.getSize(true).cy, 130);
    EXPECT_TRUE(child.isVisible());
  });
}

TEST(UiaWindowKinds, AFacadeWithoutAWindowAnswersItsDefaults) {
  PlainWindow window;
  EXPECT_EQ(window.getSize(false).cx, 0);
  EXPECT_EQ(window.getSize(false).cy, 0);
  EXPECT_EQ(window.getPosition(true).x, -1);
  EXPECT_EQ(window.getPosition(true).y, -1);
  RECT r = {1, 2, 3, 4};
  window.getRect(r, false);
  EXPECT_EQ(r.left | r.top | r.right | r.bottom, 0);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.releaseFocus());
  EXPECT_FALSE(window.releaseMouse());
  EXPECT_EQ(window.getDC(), nullptr);
  EXPECT_EQ(window.nativeHandle(), nullptr);
  window.destroy();
}

TEST(UiaWindowEvents, ARefusedCloseKeepsTheWindow) {
  runInApplication([&](RecordingApplication&) {
    ProbeWindow window;
    window.create(sizedSpec(10, 10, 100, 60));
    HWND hwnd = window.nativeHandle();
    window.refuseClose = true;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_NE(window.platformWindow(), nullptr);
    window.refuseClose = false;
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.platformWindow(), nullptr);
    EXPECT_EQ(window.codes.back(), UIA_EVENT_DESTROYED);
  });
}

namespace {
int g_deleted = 0;
bool g_facadeDetached = false;
bool g_platformAlive = false;
int g_deletedDuringHandler = -1;
// Destroys its own window while it handles a mouse button and looks at its platform object then.
class SelfDestroyingWindow : public ToolWindow {
 public:
  ~SelfDestroyingWindow() override { ++g_deleted; }
  bool handleEvent(int32_t code, void* data) override {
    if (code != UIA_EVENT_MOUSE_BUTTON) return false;
    Win32WindowBase* platform = static_cast<Win32WindowBase*>(platformWindow());
    destroy();
    // Gone from the facade, but the object lives on (marked destroyed) until this returns.
    g_facadeDetached = platformWindow() == nullptr;
    g_platformAlive = platform->destroyed() && platform->handle() == nullptr && platform->depth() > 0;
    g_deletedDuringHandler = g_deleted;
    return true;
  }
};
}  // namespace

TEST(UiaWindowEvents, AWindowDestroyedInItsOwnHandlerKeepsItsPlatformObjectUntilTheHandlerReturns) {
  runInApplication([&](RecordingApplication&) {
    g_deleted = 0;
    SelfDestroyingWindow* window = new SelfDestroyingWindow;
    window->setOption(true);  // the platform object deletes the facade with it
    window->create(sizedSpec(10, 10, 100, 60));
    HWND hwnd = window->nativeHandle();
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(g_facadeDetached);
    EXPECT_TRUE(g_platformAlive);
    EXPECT_EQ(g_deletedDuringHandler, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(g_deleted, 1);
  });
}

TEST(UiaWindowEvents, AnAllocationFailureInAHandlerIsReportedAndLeftUnhandled) {
  runInApplication([&](RecordingApplication& application) {
    ProbeWindow window;
    window.create(sizedSpec(10, 10, 100, 60));
    window.throwOnCommand = true;
    g_boxCount = 0;
    GPMessageBoxHook previous = gpSetMessageBoxHook(countingHook);
    UiaCommandEvent command = {77};
    const bool handled = window.platformWindow()->handleGuiEvent(UIA_EVENT_COMMAND, &command, true);
    gpSetMessageBoxHook(previous);
    EXPECT_FALSE(handled);
    EXPECT_EQ(g_boxCount, 1);
    EXPECT_EQ(g_lastBox, "Out of memory:\nCannot process GUI event!\n");
    // It did not go on to the application.
    EXPECT_TRUE(application.codes.empty());
  });
}

TEST(UiaWindowEvents, BackgroundIsNeverErasedByTheSystem) {
  runInApplication([&](RecordingApplication&) {
    ToolWindow plain;
    WindowSpec spec = sizedSpec(10, 10, 50, 40);
    spec.flags &= ~UIA_SPEC_BACKGROUND;
    plain.create(spec);
    HDC dc = GetDC(plain.nativeHandle());
    EXPECT_EQ(SendMessageA(plain.nativeHandle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    ReleaseDC(plain.nativeHandle(), dc);
  });
}

TEST(UiaWindowEvents, TheExitCommandRefusedByTheApplicationIsStillHandled) {
  runInApplication([&](RecordingApplication& application) {
    MainWindow window;
    window.create(sizedSpec(10, 10, 100, 60));
    application.refuseQuit = 1;
    EXPECT_EQ(SendMessageA(window.nativeHandle(), WM_COMMAND, 30002, 0), 0);  // handled
    EXPECT_TRUE(IsWindow(window.nativeHandle()));
    EXPECT_FALSE(application.quitRequested());
    SendMessageA(window.nativeHandle(), WM_COMMAND, 30002, 0);
    EXPECT_EQ(window.nativeHandle(), nullptr);
    EXPECT_TRUE(application.quitRequested());
  });
}

namespace {
class SizeCountingMainWindow : public MainWindow {
 public:
  bool handleEvent(int32_t code, void* data) override {
    if (code == UIA_EVENT_SIZE) ++sizes;
    return MainWindow::handleEvent(code, data);
  }
  int sizes = 0;
};
}  // namespace

TEST(UiaWindowKinds, AMainWindowFitsItsVisibleContentWidthAndHearsTheSizeTwice) {
  runInApplication([&](RecordingApplication&) {
    SizeCountingMainWindow main;
    main.create(sizedSpec(30, 30, 200, 120));
    main.show(true);
    PlainWindow content;
    WindowSpec spec;
    spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_PARENT;
    spec.rect = RECT{0, 0, 150, 70};
    spec.parent = &main;
    content.create(spec);
    static_cast<Win32MainWindow*>(main.platformWindow())->setContentWindow(&content);
    main.sizes = 0;
    main.setSize(SIZE{260, 150}, true);
    EXPECT_EQ(main.sizes, 2);
    EXPECT_EQ(content.getSize(true).cx, 260);
    EXPECT_EQ(content.getSize(true).cy, 70);
    // Hidden content is left alone: one size event.
    content.show(false);
    main.sizes = 0;
    main.setSize(SIZE{240, 140}, true);
    EXPECT_EQ(main.sizes, 1);
    EXPECT_EQ(content.getSize(true).cx, 260);
  });
}

namespace {
int g_selfDeleted = 0;
// Deletes itself (it is not owned by its window) while it handles a mouse button.
class SelfDeletingWindow : public ToolWindow {
 public:
  ~SelfDeletingWindow() override { ++g_selfDeleted; }
  bool handleEvent(int32_t code, void*) override {
    if (code != UIA_EVENT_MOUSE_BUTTON) return false;
    delete this;
    return true;
  }
};
}  // namespace

TEST(UiaWindowEvents, AFacadeDeletedInItsOwnHandlerTakesItsWindowAlongSafely) {
  runInApplication([&](RecordingApplication&) {
    g_selfDeleted = 0;
    SelfDeletingWindow* window = new SelfDeletingWindow;
    window->create(sizedSpec(10, 10, 100, 60));
    HWND hwnd = window->nativeHandle();
    // The window procedure goes on after the handler without touching the deleted facade.
    EXPECT_EQ(SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)), 0);
    EXPECT_EQ(g_selfDeleted, 1);
    EXPECT_FALSE(IsWindow(hwnd));
    // A facade deleted while its window lives destroys the window first.
    ToolWindow* other = new ToolWindow;
    other->create(sizedSpec(10, 10, 100, 60));
    HWND otherHwnd = other->nativeHandle();
    delete other;
    EXPECT_FALSE(IsWindow(otherHwnd));
  });
}

}  // namespace windowstest
