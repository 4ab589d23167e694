// The operating-system side of a window facade: the abstract PlatformWindow and its Win32 kinds, which
// own the window handle, create windows from a WindowSpec, turn messages into framework events and
// delete themselves once the window is gone and no message of it is being handled.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "UIADrawContext.h"
#include "UIAWindow.h"

class MenuHandle;
class Region;

// Window class kinds (registered at uiaInit).
enum UiaClassKind {
  UIA_CLASS_NORMAL = 0,     // "VLNormalWindow%08X"
  UIA_CLASS_MDI_CHILD = 1,  // "VLMDIChildWindow%08X"
  UIA_CLASS_FRAMELESS = 2,  // "VLFramelessWindow%08X"
  UIA_CLASS_RTAS_CHILD = 3  // "VLRTASChildWindow%08X"
};

class PlatformWindow {
 public:
  explicit PlatformWindow(Window* facade);
  virtual ~PlatformWindow();
  PlatformWindow(const PlatformWindow&) = delete;
  PlatformWindow& operator=(const PlatformWindow&) = delete;

  virtual bool isVisible() const { return false; }
  virtual DrawContext* getDC() { return nullptr; }
  virtual void releaseDC(DrawContext* context) {}
  virtual void setTitle(const char* text) {}
  // Installs the menu as the window's menu bar (null: none).
  virtual void setMenu(const MenuHandle* menu) {}
  virtual void setIcon(HINSTANCE module, int32_t iconId) {}
  virtual void setCursor(HCURSOR cursor) {}
  virtual void resetCursor() {}
  virtual void show(bool visible) {}
  virtual void bringToTop() {}
  virtual void destroy() {}
  virtual void maximise() {}
  virtual void minimise() {}
  virtual void restore() {}
  virtual bool isMaximised() const { return false; }
  virtual bool isMinimised() const { return false; }
  virtual bool isRestored() const { return true; }
  virtual void invalidateAll() {}
  virtual void invalidateRect(const RECT& rect) {}
  // Every rectangle of the region; an empty region with a non-empty bounding rectangle
  // invalidates that rectangle.
  virtual void invalidateRegion(const Region& region);
  virtual void update() {}
  virtual bool getUpdateRect(RECT& out) {
    out = RECT{0, 0, 0, 0};
    return false;
  }
  virtual void getRect(RECT& out, bool client) const { out = RECT{0, 0, 0, 0}; }
  virtual void setRect(const RECT& rect, bool client) {}
  virtual POINT getPosition(bool client) const;
  virtual void moveTo(POINT point, bool client) {}
  virtual SIZE getSize(bool client) const;
  virtual void setSize(SIZE size, bool client) {}
  virtual void getPlacementRect(RECT& out, bool client) const { out = RECT{0, 0, 0, 0}; }
  virtual void setPlacementRect(const RECT& rect, bool client) {}
  virtual void rectToScreen(RECT& rect) const {}
  virtual void pointToScreen(POINT& point) const {}
  virtual void captureMouse() {}
  virtual bool releaseMouse() { return false; }
  virtual void setFocus() {}
  virtual bool releaseFocus() { return false; }
  virtual void acceptDrops(uint32_t kind) {}
  // Routing: a running tracking first (mouse codes), then the facade, then, for bubbling events,
  // the application. An allocation failure is reported and answered false.
  virtual bool handleGuiEvent(int32_t code, void* data, bool bubbles);
  virtual HWND handle() const { return nullptr; }

  Window* facade() const { return facade_; }
  void setFacade(Window* facade) { facade_ = facade; }
  void setOwnsFacade(bool owns) { ownsFacade_ = owns ? 1 : 0; }
  bool ownsFacade() const { return ownsFacade_ != 0; }
  int32_t depth() const { return depth_; }

  // Keeps this object alive across a call that may destroy the window; release deletes it when the
  // window went away meanwhile and nothing else holds it.
  void hold() { ++depth_; }
  void release();

 protected:
  // Deletes the facade (when owned) and this object once the window is gone and nothing holds it.
  // Answers true when it did.
  bool deleteIfDone();
  virtual bool isDone() const { return false; }

  Window* facade_;
  uint8_t ownsFacade_ = 0;
  int32_t depth_ = 0;
};

class Win32WindowBase : public PlatformWindow {
 public:
  using PlatformWindow::PlatformWindow;

  bool isVisible() const override;
  void setTitle(const char* text) override;
  // Not for child windows. The previous bar is destroyed; a first bar keeps the client size (the
  // window grows by the bar).
  void setMenu(const MenuHandle* menu) override;
  void setIcon(HINSTANCE module, int32_t iconId) override;
  void setCursor(HCURSOR cursor) override;
  void resetCursor() override;
  void show(bool visible) override;
  void bringToTop() override;
  void destroy() override;
  void maximise() override;
  void minimise() override;
  void restore() override;
  bool isMaximised() const override;
  bool isMinimised() const override;
  bool isRestored() const override;
  void invalidateAll() override;
  void invalidateRect(const RECT& rect) override;
  void update() override;
  bool getUpdateRect(RECT& out) override;
  void getRect(RECT& out, bool client) const override;
  void setRect(const RECT& rect, bool client) override;
  void moveTo(POINT point, bool client) override;
  void setSize(SIZE size, bool client) override;
  void getPlacementRect(RECT& out, bool client) const override;
  void setPlacementRect(const RECT& rect, bool client) override;
  void rectToScreen(RECT& rect) const override;
  void pointToScreen(POINT& point) const override;
  void captureMouse() override;
  bool releaseMouse() override;
  void setFocus() override;
  bool releaseFocus() override { return true; }
  void acceptDrops(uint32_t kind) override;
  HWND handle() const override { return hwnd_; }

  virtual void attachHandle(HWND hwnd) { hwnd_ = hwnd; }
  virtual LRESULT defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);
  HCURSOR cursor() const { return cursor_; }
  bool destroyed() const { return destroyed_ != 0; }

 protected:
  bool isDone() const override { return destroyed_ && !hwnd_ && depth_ <= 0; }
  // The frame's extra width and height around the client area.
  SIZE frameExtra() const;
  // The window rectangle of a rectangle given as the window's (client false) or its client area's.
  RECT windowRectOf(const RECT& rect, bool client) const;

  HWND hwnd_ = nullptr;
  HCURSOR cursor_ = nullptr;
  uint8_t destroyed_ = 0;
};

class Win32Window : public Win32WindowBase {
 public:
  explicit Win32Window(Window* facade) : Win32WindowBase(facade) {}
  ~Win32Window() override;

  DrawContext* getDC() override;
  void releaseDC(DrawContext* context) override;
  // Also replaces the DrawContext (a new one for a handle, none for null).
  void attachHandle(HWND hwnd) override;
  LRESULT defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Creates the operating-system window (nothing while another creation is pending).
  void create(const WindowSpec& spec, int classKind, DWORD style, DWORD exStyle, bool resizable, HWND parent);
  // The message to event mapping.
  virtual LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // One message of the window: windowProc inside the nesting depth, the detachment at WM_NCDESTROY
  // and the deferred deletion.
  static LRESULT dispatchMessage(Win32Window* window, UINT message, WPARAM wParam, LPARAM lParam);
  // The offset by which Ctrl+Alt clicks of the "VLRTASChildWindow" class are forwarded.
  POINT forwardOffset() const { return forwardOffset_; }
  void setForwardOffset(POINT offset) { forwardOffset_ = offset; }

  DrawContext* drawContext() const { return drawContext_.get(); }
  HBRUSH backgroundBrush() const { return background_; }
  void deleteBackground();
  int32_t fixedWidth() const { return fixedWidth_; }
  int32_t fixedHeight() const { return fixedHeight_; }

 protected:
  // Sends a key message's event (1100 or 1101) and, for an unhandled first press, its accelerator.
  bool keyEvent(UINT message, WPARAM wParam, LPARAM lParam);
  bool mouseButtonEvent(UINT message, LPARAM lParam);
  bool paintEvent(HDC dc, PAINTSTRUCT* paint);

  std::unique_ptr<DrawContext> drawContext_;
  HBRUSH background_ = nullptr;
  WNDPROC defaultProc_ = DefWindowProcA;
  int32_t fixedWidth_ = -1;
  int32_t fixedHeight_ = -1;
  POINT forwardOffset_ = {0, 0};
};

class Win32SizingWindow : public Win32Window {
 public:
  explicit Win32SizingWindow(Window* facade) : Win32Window(facade) {}
  // WM_SIZE (unless minimised) goes through fitContent; its default is skipped when that answers true.
  LRESULT defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) override;
  virtual bool fitContent(int32_t width, int32_t height) { return false; }
  void setContentWindow(Window* content) { content_ = content; }
  Window* contentWindow() const { return content_; }

 protected:
  Window* content_ = nullptr;
};

class Win32MainWindow : public Win32SizingWindow {
 public:
  explicit Win32MainWindow(Window* facade) : Win32SizingWindow(facade) {}
  // Gives a visible content window the new client width and sends 1000003 to the window.
  bool fitContent(int32_t width, int32_t height) override;
};

// Window classes: registered by uiaInit, unregistered by uiaExit.
bool uiaRegisterWindowClasses();
void uiaUnregisterWindowClasses();
// The registered name of a class kind ("VLNormalWindow%08X" of the instance's low 32 bits).
const char* uiaWindowClassName(int classKind);
