// Drag tracking and files dropped from the shell.
#include "UIATracking.h"

#include <algorithm>
#include <string>

#include "UIACursors.h"
#include "UIAPlatformWindow.h"
#include "UIAWindow.h"

namespace {

UiaTrackingState g_state = {};
uint8_t g_active = 0;
uint32_t g_mode = 0;
Window* g_sourceWindow = nullptr;
EventListener* g_sourceListener = nullptr;
uint8_t g_ownsData = 0;
HCURSOR g_acceptCursor = nullptr;
HCURSOR g_refuseCursor = nullptr;
Window* g_cursorWindow = nullptr;  // the window whose cursor the tracking set last
uint32_t g_styleFlags = 0;

bool anyButtonHeld() {
  return (GetAsyncKeyState(VK_LBUTTON) | GetAsyncKeyState(VK_RBUTTON) | GetAsyncKeyState(VK_MBUTTON)) & 0x8000;
}

UiaDragNote note() { return UiaDragNote{g_state.dataKind, g_state.data, 0}; }

void setWindowCursor(Window* window, HCURSOR cursor) {
  if (cursor)
    window->setCursor(cursor);
  else
    window->resetCursor();
}

}  // namespace

void uiaStartTracking(const UiaTrackingRequest& request) {
  if (g_active) uiaEndTracking();
  g_state = UiaTrackingState{};
  g_state.dataKind = request.dataKind;
  g_state.data = request.data;
  g_state.x = request.x;
  g_state.y = request.y;
  g_mode = request.mode;
  g_sourceWindow = request.sourceWindow;
  g_sourceListener = request.sourceListener;
  g_ownsData = request.ownsData ? 1 : 0;
  g_acceptCursor = request.acceptCursor;
  if (!g_acceptCursor && request.mode != UIA_TRACK_DROP) g_acceptCursor = uiaCursor(kCursorHand);
  g_refuseCursor = request.refuseCursor ? request.refuseCursor : uiaCursor(kCursorNotAllowed);
  g_cursorWindow = nullptr;
  g_active = 1;
  if (request.mode != UIA_TRACK_DROP && g_sourceWindow) {
    setWindowCursor(g_sourceWindow, g_acceptCursor);
    g_cursorWindow = g_sourceWindow;
    if (request.mode >= UIA_TRACK_CAPTURE) g_sourceWindow->captureMouse();
  }
}

bool uiaTrackMove(Window* window, POINT point) {
  if (!window || !window->platformWindow()) return false;
  if (g_mode == UIA_TRACK_HOVER && !anyButtonHeld()) {
    uiaEndTracking();
    return true;
  }
  EventListener* previous = g_state.target;
  g_state.x = point.x;
  g_state.y = point.y;
  g_state.target = nullptr;
  g_state.targetCursor = nullptr;
  const bool answer = window->sendEvent(UIA_EVENT_DRAG_OVER, &g_state);
  if (previous && previous != g_state.target) {
    UiaDragNote left = note();
    previous->sendEvent(UIA_EVENT_DRAG_LEFT, &left);
  }
  if (!window->platformWindow()) return answer;  // the handler destroyed the window
  HCURSOR cursor = g_state.target ? (g_state.targetCursor ? g_state.targetCursor : g_acceptCursor) : g_refuseCursor;
  if (g_cursorWindow && g_cursorWindow != window && g_cursorWindow->platformWindow()) g_cursorWindow->resetCursor();
  setWindowCursor(window, cursor);
  g_cursorWindow = window;
  return answer;
}

bool uiaTrackMouse(Window* window, int32_t code, void* data) {
  if (!g_active || g_mode == UIA_TRACK_DROP || !window) return false;
  if (g_mode >= UIA_TRACK_CAPTURE && window != g_sourceWindow) return false;
  if (code == UIA_EVENT_MOUSE_BUTTON) {
    const UiaMouseButtonEvent* event = static_cast<const UiaMouseButtonEvent*>(data);
    if (event && event->action == UIA_ACTION_RELEASE) {
      uiaTrackDrop(window);
      uiaTrackNotifyEnd(window);
      uiaEndTracking();
    }
    return true;
  }
  if (code == UIA_EVENT_MOUSE_MOVE && data) {
    const UiaMouseMoveEvent* event = static_cast<const UiaMouseMoveEvent*>(data);
    return uiaTrackMove(window, POINT{event->x, event->y});
  }
  return false;
}

bool uiaTrackDrop(Window* window) {
  if (!window || !window->platformWindow() || !g_state.target) return false;
  if (g_sourceListener) {
    UiaDragNote ask = note();
    g_sourceListener->sendEvent(UIA_EVENT_DRAG_DATA, &ask);
    g_state.data = ask.data;
    g_state.flag = ask.flag;
  }
  window->setCursor(uiaCursor(kCursorWait));
  if (g_mode >= UIA_TRACK_CAPTURE && g_sourceWindow) g_sourceWindow->releaseMouse();
  UiaDropEvent drop = {g_state.dataKind, g_state.data, g_state.flag, g_state.x, g_state.y, g_state.target, 0};
  g_state.target->sendEvent(UIA_EVENT_DROP, &drop);
  return true;
}

bool uiaTrackNotifyEnd(Window* window) {
  UiaDragNote ended = note();
  if (window) window->sendEvent(UIA_EVENT_DRAG_ENDED, &ended);
  if (g_sourceWindow && g_sourceWindow != window) {
    ended = note();
    g_sourceWindow->sendEvent(UIA_EVENT_DRAG_ENDED, &ended);
  }
  if (g_sourceListener && g_sourceListener != window && g_sourceListener != g_sourceWindow) {
    ended = note();
    g_sourceListener->sendEvent(UIA_EVENT_DRAG_ENDED, &ended);
  }
  return true;
}

void uiaEndTracking() {
  if (!g_active) return;
  if (g_mode >= UIA_TRACK_CAPTURE && g_sourceWindow) g_sourceWindow->releaseMouse();
  g_active = 0;
  if (g_sourceWindow && g_sourceWindow->platformWindow()) g_sourceWindow->resetCursor();
  if (g_ownsData) delete g_state.data;
  g_state.data = nullptr;
  g_state.target = nullptr;
  g_ownsData = 0;
  g_sourceWindow = nullptr;
  g_sourceListener = nullptr;
  g_cursorWindow = nullptr;
}

bool uiaTrackingActive() { return g_active != 0; }

bool uiaIsTracking() { return g_active && g_mode == UIA_TRACK_HOVER; }

UiaTrackingState* uiaTrackingState() { return &g_state; }

uint32_t uiaSetWindowStyleFlags(uint32_t flags) {
  g_styleFlags |= flags;
  return g_styleFlags;
}

uint32_t uiaWindowStyleFlags() { return g_styleFlags; }

void uiaDropFiles(Window* window, HDROP drop) {
  if (!window || !drop) return;
  POINT point = {0, 0};
  DragQueryPoint(drop, &point);
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
  UiaFileList files;
  std::string buffer(1024, '\0');
  for (UINT i = 0; i < count; ++i) {
    const UINT needed = DragQueryFileA(drop, i, nullptr, 0);
    if (needed + 1 > buffer.size()) buffer.assign(needed + 1, '\0');
    const UINT length = DragQueryFileA(drop, i, &buffer[0], static_cast<UINT>(buffer.size()));
    const std::string name(buffer.data(), std::min<size_t>(length, buffer.size() - 1));
    // An empty list still answers one (empty) name: not a file.
    if (name.empty()) continue;
    Path path(name);
    // A name the file system does not know is entered as a file.
    const DWORD attributes = GetFileAttributesA(name.c_str());
    const bool directory = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    path.setKind(directory ? kPathDirectory : kPathFile);
    files.paths.push_back(path);
  }
  UiaTrackingRequest request = {};
  request.mode = UIA_TRACK_DROP;
  request.dataKind = UIA_DRAG_FILES;
  request.sourceWindow = window;
  request.data = &files;  // the tracking only borrows it (ownsData 0)
  uiaStartTracking(request);
  // The window may go away inside the handlers; the platform window is held meanwhile.
  PlatformWindow* held = window->platformWindow();
  if (held) held->hold();
  if (uiaTrackMove(window, point)) {
    uiaTrackDrop(window);
    uiaTrackNotifyEnd(window);
  }
  uiaEndTracking();
  if (held) held->release();
}
