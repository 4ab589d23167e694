#include "UIAWindow.h"

#include "UIAApplication.h"
#include "UIAModule.h"
#include "UIAPlatformWindow.h"

void WindowSpec::setTitle(const char* text) {
  title = text ? text : "";
  flags |= UIA_SPEC_TITLE;
}

Window::~Window() {
  if (PlatformWindow* platform = platform_) {
    // The facade is going away by its owner's hand: the platform object must neither deliver
    // events to it nor delete it again.
    platform_ = nullptr;
    platform->setFacade(nullptr);
    platform->setOwnsFacade(false);
    if (platform->handle()) {
      platform->hold();
      platform->destroy();
      platform->release();  // deletes it once the window is gone and no message of it runs
    } else {
      delete platform;  // no window was ever made
    }
  }
  if (UiaApplication* application = uiaApplication()) {
    if (application->mainWindow() == this) application->setMainWindow(nullptr);
  }
}

void Window::setCursor(HCURSOR cursor) {
  if (platform_) platform_->setCursor(cursor);
}

void Window::resetCursor() {
  if (platform_) platform_->resetCursor();
}

void Window::create(const WindowSpec& spec) {
  WindowSpec local(spec);
  if ((local.flags & (UIA_SPEC_SIZE | UIA_SPEC_POSITION)) != (UIA_SPEC_SIZE | UIA_SPEC_POSITION)) {
    RECT client = {0, 0, 0, 0};
    if (local.parent) local.parent->getRect(client, true);
    local.rect = RECT{0, 0, client.right - client.left, client.bottom - client.top};
    local.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION;
    local.flags &= ~(UIA_SPEC_CLIENT_SIZE | UIA_SPEC_CLIENT_POSITION);
  }
  Win32Window* platform = new Win32Window(this);
  platform->create(local, UIA_CLASS_NORMAL, 0x50010000, WS_EX_CONTROLPARENT, false, nullptr);
}

bool Window::isVisible() const { return platform_ ? platform_->isVisible() : false; }

DrawContext* Window::getDC() { return platform_ ? platform_->getDC() : nullptr; }

void Window::releaseDC(DrawContext* context) {
  if (platform_) platform_->releaseDC(context);
}

void Window::setTitle(const char* text) {
  if (platform_) platform_->setTitle(text);
}

void Window::setIcon(HINSTANCE module, int32_t iconId) {
  if (platform_) platform_->setIcon(module, iconId);
}

void Window::show(bool visible) {
  if (platform_) platform_->show(visible);
}

void Window::bringToFront() {
  if (platform_) platform_->bringToTop();
}

void Window::destroy() {
  if (platform_) platform_->destroy();
}

void Window::invalidate() {
  if (platform_) platform_->invalidateAll();
}

void Window::invalidateRect(const RECT& rect) {
  if (platform_) platform_->invalidateRect(rect);
}

void Window::getRect(RECT& out, bool client) const {
  if (platform_)
    platform_->getRect(out, client);
  else
    out = RECT{0, 0, 0, 0};
}

POINT Window::getPosition(bool client) const { return platform_ ? platform_->getPosition(client) : POINT{-1, -1}; }

void Window::moveTo(POINT point, bool client) {
  if (platform_) platform_->moveTo(point, client);
}

SIZE Window::getSize(bool client) const { return platform_ ? platform_->getSize(client) : SIZE{0, 0}; }

void Window::setSize(SIZE size, bool client) {
  if (platform_) platform_->setSize(size, client);
}

void Window::rectToScreen(RECT& rect) const {
  if (platform_) platform_->rectToScreen(rect);
}

void Window::clientToScreen(POINT& point) const {
  if (platform_) platform_->pointToScreen(point);
}

void Window::captureMouse() {
  if (platform_) platform_->captureMouse();
}

bool Window::releaseMouse() { return platform_ ? platform_->releaseMouse() : false; }

void Window::setFocus() {
  if (platform_) platform_->setFocus();
}

bool Window::releaseFocus() { return platform_ ? platform_->releaseFocus() : false; }

HWND Window::nativeHandle() const { return platform_ ? platform_->handle() : nullptr; }

void Window::setOption(bool ownedByWindow) {
  ownedByWindow_ = ownedByWindow ? 1 : 0;
  if (platform_) platform_->setOwnsFacade(ownedByWindow);
}

void ToolWindow::create(const WindowSpec& spec) {
  DWORD style;
  if (spec.options & UIA_TOOL_POPUP) {
    style = 0x82000000;
  } else {
    const bool noSystemMenu = (spec.options & UIA_TOOL_NO_SYSTEM_MENU) != 0;
    const bool noBorderLine = (spec.options & UIA_TOOL_NO_BORDER_LINE) != 0;
    if (!noSystemMenu && !noBorderLine)
      style = 0x82C80000;
    else if (noBorderLine && !noSystemMenu)
      style = 0x82480000;
    else if (noSystemMenu && !noBorderLine)
      style = 0x82C00000;
    else
      style = 0x82400000;
  }
  Win32Window* platform = new Win32Window(this);
  platform->create(spec, UIA_CLASS_NORMAL, style, WS_EX_TOOLWINDOW, (spec.options & UIA_TOOL_RESIZABLE) != 0, nullptr);
}

void MainWindow::create(const WindowSpec& spec) {
  const bool fixed = (spec.options & UIA_MAIN_FIXED) != 0;
  const int classKind = (spec.options & UIA_MAIN_FRAMELESS) ? UIA_CLASS_FRAMELESS : UIA_CLASS_NORMAL;
  Win32MainWindow* platform = new Win32MainWindow(this);
  platform->create(spec, classKind, fixed ? 0xCA0000 : 0xCF0000, 0, !fixed, nullptr);
  // A system window that could not be made is no main window (its platform object is gone).
  if (!platformWindow()) return;
  if (UiaApplication* application = uiaApplication()) {
    application->setMainWindow(this);
    if (application->menuBar().handle && platformWindow()) platformWindow()->setMenu(&application->menuBar());
  }
}

bool MainWindowBase::handleEvent(int32_t code, void* data) {
  PlatformWindow* held = platformWindow();
  if (held) held->hold();
  bool handled = false;
  UiaApplication* application = uiaApplication();
  if (code == UIA_EVENT_MAY_CLOSE) {
    UiaAllowEvent query = {1};
    if (application) application->dispatchEvent(UIA_EVENT_MAY_QUIT, &query, this);
    if (data) static_cast<UiaAllowEvent*>(data)->allow = query.allow;
    handled = true;
  } else if (code == UIA_EVENT_DESTROYED) {
    if (application) application->requestQuit();
  } else if (code >= 1300 && code <= 1399) {
    handled = application ? application->dispatchEvent(code, data, this) : false;
  }
  if (held) held->release();
  return handled;
}
