// Window facades: what application code holds instead of an operating-system window. A Window is an
// EventListener that forwards every window operation to its PlatformWindow; the kinds differ in how
// they create it and how they answer closing and destruction.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "UIAEvents.h"

class DrawContext;
class PlatformWindow;

// WindowSpec flags.
constexpr uint32_t UIA_SPEC_SIZE = 1;             // the rectangle's size is given
constexpr uint32_t UIA_SPEC_POSITION = 2;         // the rectangle's position is given
constexpr uint32_t UIA_SPEC_CLIENT_SIZE = 4;      // the size is the client area's
constexpr uint32_t UIA_SPEC_CLIENT_POSITION = 8;  // the position is the client area's
constexpr uint32_t UIA_SPEC_TITLE = 16;
constexpr uint32_t UIA_SPEC_BACKGROUND = 32;
constexpr uint32_t UIA_SPEC_PARENT = 64;

// ToolWindow options.
constexpr uint32_t UIA_TOOL_RESIZABLE = 2;
constexpr uint32_t UIA_TOOL_NO_BORDER_LINE = 8;
constexpr uint32_t UIA_TOOL_NO_SYSTEM_MENU = 32;
constexpr uint32_t UIA_TOOL_POPUP = 128;
// MainWindow options.
constexpr uint32_t UIA_MAIN_FIXED = 1;  // no sizing border, no maximise box
constexpr uint32_t UIA_MAIN_FRAMELESS = 128;

class Window;

// The description a window is created from (owned by the caller).
class WindowSpec {
 public:
  // Copies the text (null: empty) and sets UIA_SPEC_TITLE.
  void setTitle(const char* text);
  const char* titleText() const { return title.c_str(); }
  int32_t width() const { return rect.right - rect.left; }
  int32_t height() const { return rect.bottom - rect.top; }

  uint32_t flags = UIA_SPEC_BACKGROUND;
  uint32_t options = 0;
  RECT rect = {0, 0, 0, 0};
  std::string title;
  uint32_t background = 0;  // 0x00BBGGRR; 0: the system window colour
  Window* parent = nullptr;
  int32_t resourceId = 0;  // a dialog window's template
};

class Window : public EventListener {
 public:
  Window() = default;
  // Destroys the operating-system window when there still is one.
  ~Window() override;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  virtual void setCursor(HCURSOR cursor);
  virtual void resetCursor();

  // A visible child window of the description's parent; a description without both size and
  // position fills the parent's client area.
  void create(const WindowSpec& spec);

  bool isVisible() const;
  // The window's DrawContext holding a fresh device context (null without a window); give it back
  // with releaseDC.
  DrawContext* getDC();
  void releaseDC(DrawContext* context);
  void setTitle(const char* text);
  void setIcon(HINSTANCE module, int32_t iconId);
  void show(bool visible);
  void bringToFront();
  void destroy();
  void invalidate();
  void invalidateRect(const RECT& rect);
  void getRect(RECT& out, bool client) const;
  POINT getPosition(bool client) const;
  void moveTo(POINT point, bool client);
  SIZE getSize(bool client) const;
  void setSize(SIZE size, bool client);
  void rectToScreen(RECT& rect) const;
  void clientToScreen(POINT& point) const;
  void captureMouse();
  bool releaseMouse();
  void setFocus();
  bool releaseFocus();
  HWND nativeHandle() const;

  // When set, the platform window deletes this facade once the operating-system window is gone.
  void setOption(bool ownedByWindow);
  bool ownedByWindow() const { return ownedByWindow_ != 0; }

  PlatformWindow* platformWindow() const { return platform_; }
  Window* parent() const { return parent_; }

 private:
  friend class PlatformWindow;
  friend class Win32Window;
  friend class Win32Dialog;
  PlatformWindow* platform_ = nullptr;
  Window* parent_ = nullptr;
  uint8_t ownedByWindow_ = 0;
};

class PlainWindow : public Window {};

// Base of the top-level kinds.
class WindowBase : public Window {};

class ToolWindow : public WindowBase {
 public:
  // A top-level tool window styled by the options UIA_TOOL_*.
  void create(const WindowSpec& spec);
};

class MainWindowBase : public WindowBase {
 public:
  // 1000009 asks the application (10002); 1000001 requests its quit; 1300..1399 go to it.
  bool handleEvent(int32_t code, void* data) override;
};

class MainWindow : public MainWindowBase {
 public:
  // The application's main window, styled by the options UIA_MAIN_*; it shows the application's
  // menu bar when there is one.
  void create(const WindowSpec& spec);
};

// DialogWindow's dialog options (dialogOptions).
constexpr uint8_t UIA_DIALOG_MAY_CLOSE = 1;   // the close box (WM_CLOSE) ends the dialog
constexpr uint8_t UIA_DIALOG_MAY_CANCEL = 2;  // Esc (the cancel command) ends the dialog
// DialogWindow modes.
constexpr uint32_t UIA_DIALOG_MODAL = 1;
constexpr uint32_t UIA_DIALOG_MODELESS = 2;
// WindowSpec options of a dialog.
constexpr uint32_t UIA_DIALOG_RESIZABLE = 2;
constexpr uint32_t UIA_DIALOG_POPUP = 8;  // pop-up without caption
constexpr uint32_t UIA_DIALOG_SYSTEM_MENU = 16;
constexpr uint32_t UIA_DIALOG_FROM_RESOURCE = 128;  // the template is the resource spec.resourceId

// A window shown as a native dialog: modal (from a template built in memory, or a dialog resource)
// or modeless (from a dialog resource).
class DialogWindow : public Window {
 public:
  // 1000009 answers dialog option bit 0, 1000010 bit 1; both handled.
  bool handleEvent(int32_t code, void* data) override;
  // Refused (false) when a dialog exists already or both mode bits are given; a mode without
  // either bit is modal. A modal dialog returns only once it has ended. False when the dialog
  // could not be created (nothing is shown then).
  bool open(const WindowSpec& spec, uint32_t mode);
  // Ends a modal dialog (result 1 for the system; `result` is left as it is) or destroys a
  // modeless one.
  void end();

  uint8_t dialogOptions = UIA_DIALOG_MAY_CLOSE | UIA_DIALOG_MAY_CANCEL;
  uint32_t mode = 0;    // UIA_DIALOG_MODAL or UIA_DIALOG_MODELESS once opened
  int32_t result = -1;  // set by the dialog's owner; the framework never writes it
};
