// The platform window's operations: the abstract defaults, routing, lifetime, and the Win32 forms of
// showing, placing, sizing and invalidating a window.
#include "UIAPlatformWindow.h"

#include <shellapi.h>

#include <new>

#include "GPError.h"
#include "GPRegion.h"
#include "UIAApplication.h"
#include "UIACursors.h"
#include "UIADrawContext.h"
#include "UIAMenu.h"
#include "UIAModule.h"
#include "UIATracking.h"

PlatformWindow::PlatformWindow(Window* facade) : facade_(facade) {
  if (facade) facade->platform_ = this;
}

PlatformWindow::~PlatformWindow() {
  if (facade_ && facade_->platform_ == this) facade_->platform_ = nullptr;
}

void PlatformWindow::invalidateRegion(const Region& region) {
  if (region.nodeCount() == 0) {
    const RegionRect& box = region.extents();
    if (!box.isEmpty()) invalidateRect(RECT{box.x1, box.y1, box.x2, box.y2});
    return;
  }
  for (const RegionRect& r : region.rects()) invalidateRect(RECT{r.x1, r.y1, r.x2, r.y2});
}

POINT PlatformWindow::getPosition(bool client) const {
  RECT r;
  getRect(r, client);
  return POINT{r.left, r.top};
}

SIZE PlatformWindow::getSize(bool client) const {
  RECT r;
  getRect(r, client);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

bool PlatformWindow::handleGuiEvent(int32_t code, void* data, bool bubbles) {
  try {
    // A running drag tracking sees mouse events first; Esc ends it.
    if (uiaTrackingActive()) {
      if (code >= 1000 && code <= 1099 && uiaTrackMouse(facade_, code, data)) return true;
      if (code == UIA_EVENT_KEY_DOWN && data && (static_cast<UiaKeyEvent*>(data)->key & 0xFFFF) == 1) {
        uiaEndTracking();
        return true;
      }
    }
    if (facade_ && facade_->sendEvent(code, data)) return true;
    if (!bubbles) return false;
    UiaApplication* application = uiaApplication();
    return application ? application->sendEvent(code, data) : false;
  } catch (const std::bad_alloc&) {
    gpOutOfMemory("Cannot process GUI event!");
    return false;
  }
}

void PlatformWindow::release() {
  --depth_;
  deleteIfDone();
}

bool PlatformWindow::deleteIfDone() {
  if (!isDone()) return false;
  Window* facade = facade_;
  const bool ownsFacade = ownsFacade_ != 0;
  facade_ = nullptr;
  if (ownsFacade && facade) delete facade;
  delete this;
  return true;
}

// ---- Win32WindowBase ----

bool Win32WindowBase::isVisible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void Win32WindowBase::setTitle(const char* text) {
  if (hwnd_) SetWindowTextA(hwnd_, text ? text : "");
}

void Win32WindowBase::setMenu(const MenuHandle* menu) {
  if (!hwnd_ || (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_CHILD)) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  HMENU previous = GetMenu(hwnd_);
  HMENU next = menu ? menu->handle : nullptr;
  SetMenu(hwnd_, next);
  DrawMenuBar(hwnd_);
  // Setting the same bar again must not destroy it.
  if (previous && previous != next)
    DestroyMenu(previous);
  else if (!previous)
    setSize(SIZE{client.right - client.left, client.bottom - client.top}, true);
}

void Win32WindowBase::setIcon(HINSTANCE, int32_t iconId) {
  if (!hwnd_) return;
  UiaModule* module = uiaModule();
  HINSTANCE instance = module && module->instance() ? module->instance() : GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(iconId));
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void Win32WindowBase::setCursor(HCURSOR cursor) {
  cursor_ = cursor;
  SetCursor(cursor);
}

void Win32WindowBase::resetCursor() {
  cursor_ = nullptr;
  SetCursor(uiaCursor(kCursorArrow));
}

void Win32WindowBase::show(bool visible) {
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

void Win32WindowBase::bringToTop() {
  if (hwnd_) BringWindowToTop(hwnd_);
}

void Win32WindowBase::destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void Win32WindowBase::maximise() {
  if (hwnd_) ShowWindow(hwnd_, SW_MAXIMIZE);
}

void Win32WindowBase::minimise() {
  if (hwnd_) ShowWindow(hwnd_, SW_MINIMIZE);
}

void Win32WindowBase::restore() {
  if (hwnd_) ShowWindow(hwnd_, SW_RESTORE);
}

bool Win32WindowBase::isMaximised() const { return hwnd_ && IsZoomed(hwnd_); }

bool Win32WindowBase::isMinimised() const { return hwnd_ && IsIconic(hwnd_); }

bool Win32WindowBase::isRestored() const { return !isMaximised() && !isMinimised(); }

void Win32WindowBase::invalidateAll() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32WindowBase::invalidateRect(const RECT& rect) {
  if (hwnd_) InvalidateRect(hwnd_, &rect, FALSE);
}

void Win32WindowBase::update() {
  if (hwnd_) UpdateWindow(hwnd_);
}

bool Win32WindowBase::getUpdateRect(RECT& out) {
  if (hwnd_ && GetUpdateRect(hwnd_, &out, FALSE)) return true;
  out = RECT{0, 0, 0, 0};
  return false;
}

SIZE Win32WindowBase::frameExtra() const {
  RECT outer = {0, 0, 0, 0}, client = {0, 0, 0, 0};
  if (hwnd_) {
    GetWindowRect(hwnd_, &outer);
    GetClientRect(hwnd_, &client);
  }
  return SIZE{(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
}

namespace {

// The client origin's offset from the outer origin.
POINT clientOffset(HWND hwnd) {
  RECT outer;
  GetWindowRect(hwnd, &outer);
  POINT origin = {0, 0};
  ClientToScreen(hwnd, &origin);
  return POINT{origin.x - outer.left, origin.y - outer.top};
}

void sendSize(PlatformWindow* window, bool maximised) {
  UiaSizeEvent event = {maximised ? 1u : 0u};
  window->handleGuiEvent(UIA_EVENT_SIZE, &event, false);
}

// The window's placement record as the system reports it.
WINDOWPLACEMENT placementOf(HWND hwnd) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof placement;
  GetWindowPlacement(hwnd, &placement);
  return placement;
}

}  // namespace

void Win32WindowBase::getRect(RECT& out, bool client) const {
  out = RECT{0, 0, 0, 0};
  if (!hwnd_) return;
  WINDOWPLACEMENT placement = placementOf(hwnd_);
  POINT position = {placement.rcNormalPosition.left, placement.rcNormalPosition.top};
  if (IsZoomed(hwnd_)) {
    position = placement.ptMaxPosition;
    if (position.x < 0) position.x = 0;
    if (position.y < 0) position.y = 0;
  } else if (IsIconic(hwnd_)) {
    position = placement.ptMinPosition;
  }
  RECT outer;
  GetWindowRect(hwnd_, &outer);
  if (!client) {
    out =
        RECT{position.x, position.y, position.x + (outer.right - outer.left), position.y + (outer.bottom - outer.top)};
    return;
  }
  RECT inner;
  GetClientRect(hwnd_, &inner);
  const POINT offset = clientOffset(hwnd_);
  out.left = position.x + offset.x;
  out.top = position.y + offset.y;
  out.right = out.left + inner.right;
  out.bottom = out.top + inner.bottom;
}

RECT Win32WindowBase::windowRectOf(const RECT& rect, bool client) const {
  RECT r = rect;
  if (client) {
    const POINT offset = clientOffset(hwnd_);
    const SIZE extra = frameExtra();
    r.left -= offset.x;
    r.top -= offset.y;
    r.right += extra.cx - offset.x;
    r.bottom += extra.cy - offset.y;
  }
  return r;
}

void Win32WindowBase::setRect(const RECT& rect, bool client) {
  if (!hwnd_) return;
  const RECT r = windowRectOf(rect, client);
  if (!isRestored()) {
    WINDOWPLACEMENT placement = placementOf(hwnd_);
    placement.rcNormalPosition = r;
    SetWindowPlacement(hwnd_, &placement);
    sendSize(this, isMaximised());
  } else {
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32WindowBase::moveTo(POINT point, bool client) {
  if (!hwnd_) return;
  RECT work = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  if (client) {
    const POINT offset = clientOffset(hwnd_);
    point.x -= offset.x;
    point.y -= offset.y;
  }
  if (point.x > work.right - 4) point.x = work.right - 4;
  if (point.y > work.bottom - 4) point.y = work.bottom - 4;
  if (isRestored()) {
    SetWindowPos(hwnd_, nullptr, point.x, point.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  WINDOWPLACEMENT placement = placementOf(hwnd_);
  RECT& normal = placement.rcNormalPosition;
  OffsetRect(&normal, point.x - normal.left, point.y - normal.top);
  SetWindowPlacement(hwnd_, &placement);
}

void Win32WindowBase::setSize(SIZE size, bool client) {
  if (!hwnd_) return;
  if (client) {
    const SIZE extra = frameExtra();
    size.cx += extra.cx;
    size.cy += extra.cy;
  }
  if (isRestored()) {
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  WINDOWPLACEMENT placement = placementOf(hwnd_);
  RECT& normal = placement.rcNormalPosition;
  normal.right = normal.left + size.cx;
  normal.bottom = normal.top + size.cy;
  SetWindowPlacement(hwnd_, &placement);
  sendSize(this, isMaximised());
}

void Win32WindowBase::getPlacementRect(RECT& out, bool client) const {
  out = RECT{0, 0, 0, 0};
  if (!hwnd_) return;
  WINDOWPLACEMENT placement = placementOf(hwnd_);
  out = placement.rcNormalPosition;
  if (client) {
    const POINT offset = clientOffset(hwnd_);
    const SIZE extra = frameExtra();
    out.left += offset.x;
    out.top += offset.y;
    out.right -= extra.cx - offset.x;
    out.bottom -= extra.cy - offset.y;
  }
}

void Win32WindowBase::setPlacementRect(const RECT& rect, bool client) {
  if (!hwnd_) return;
  WINDOWPLACEMENT placement = placementOf(hwnd_);
  const RECT r = windowRectOf(rect, client);
  placement.rcNormalPosition = r;  // the shown state stays as it is
  SetWindowPlacement(hwnd_, &placement);
}

void Win32WindowBase::rectToScreen(RECT& rect) const {
  if (!hwnd_) return;
  POINT a = {rect.left, rect.top}, b = {rect.right, rect.bottom};
  ClientToScreen(hwnd_, &a);
  ClientToScreen(hwnd_, &b);
  rect = RECT{a.x, a.y, b.x, b.y};
}

void Win32WindowBase::pointToScreen(POINT& point) const {
  if (hwnd_) ClientToScreen(hwnd_, &point);
}

void Win32WindowBase::captureMouse() {
  if (hwnd_) SetCapture(hwnd_);
}

bool Win32WindowBase::releaseMouse() { return ReleaseCapture() != 0; }

void Win32WindowBase::setFocus() {
  if (hwnd_) SetFocus(hwnd_);
}

void Win32WindowBase::acceptDrops(uint32_t kind) {
  if (hwnd_) DragAcceptFiles(hwnd_, kind == 0x8000);
}

LRESULT Win32WindowBase::defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

// ---- Win32Window ----

Win32Window::~Win32Window() {
  drawContext_.reset();
  deleteBackground();
}

DrawContext* Win32Window::getDC() {
  if (!hwnd_ || !drawContext_) return nullptr;
  drawContext_->setDC(GetDC(hwnd_));
  return drawContext_.get();
}

void Win32Window::releaseDC(DrawContext* context) {
  if (!context || !hwnd_) return;
  HDC dc = context->takeDC();
  if (dc) ReleaseDC(hwnd_, dc);
}

void Win32Window::attachHandle(HWND hwnd) {
  Win32WindowBase::attachHandle(hwnd);
  drawContext_.reset();
  if (hwnd) drawContext_ = std::make_unique<DrawContext>();
}

void Win32Window::deleteBackground() {
  if (background_) DeleteObject(background_);
  background_ = nullptr;
}

LRESULT Win32Window::defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(defaultProc_, hwnd_, message, wParam, lParam);
}

LRESULT Win32SizingWindow::defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE && wParam != SIZE_MINIMIZED && fitContent(LOWORD(lParam), HIWORD(lParam))) return 0;
  return Win32Window::defaultProcessing(message, wParam, lParam);
}

bool Win32MainWindow::fitContent(int32_t width, int32_t) {
  HWND content = content_ ? content_->nativeHandle() : nullptr;
  if (!content || !content_->isVisible()) return false;
  RECT client;
  GetClientRect(content, &client);
  SetWindowPos(content, nullptr, 0, 0, width, client.bottom, SWP_NOMOVE | SWP_NOZORDER);
  sendSize(this, false);
  return true;
}
