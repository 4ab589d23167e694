#include "app/appWindows.h"

#include "GPWindowPlace.h"
#include "app/appWindowIds.h"
#include "controls/winSlots.h"
#include "engine/numeric.h"
#include "skinPalette.h"

bool AppMainWindow::handleEvent(std::int32_t code, void* data) {
  if (MainWindow::handleEvent(code, data)) return true;
  if (code == UIA_EVENT_MOUSE_BUTTON) mainWindowBeforeMouseButton(slot, data);
  return winHandleEvent(slot, static_cast<std::uint32_t>(code), data);
}

bool AppToolWindow::handleEvent(std::int32_t code, void* data) {
  // The tool kind's framework default handles nothing.
  return winHandleEvent(slot, static_cast<std::uint32_t>(code), data);
}

bool AppDialogWindow::handleEvent(std::int32_t code, void* data) {
  if (DialogWindow::handleEvent(code, data)) return true;
  return winHandleEvent(slot, static_cast<std::uint32_t>(code), data);
}

bool AppPlainWindow::handleEvent(std::int32_t code, void* data) {
  return winHandleEvent(slot, static_cast<std::uint32_t>(code), data);
}

COLORREF appSkinColour(unsigned rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

int appClampItemCount(int itemCount) { return numClamp(itemCount, 0, 0xFFFF); }

WindowSpec appWindowSpec(const char* title, int x, int y, int width, int height) {
  WindowSpec spec;
  spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE | UIA_SPEC_CLIENT_POSITION;
  spec.rect = RECT{x, y, x + width, y + height};
  spec.setTitle(title);
  return spec;
}

namespace {

// Makes the system window, then opens the slot on it; null when either fails (the window then goes).
template <class W>
W* createInSlot(W* window, const WindowSpec& spec, std::int16_t id, int itemCount) {
  // The platform window takes the object over only once the system window exists: one destroyed while
  // it is being made (a failed creation) must not take the object with it, which is freed here once.
  window->create(spec);
  if (!window->nativeHandle()) {
    UiaApplication* application = uiaApplication();
    if (application && application->mainWindow() == window) application->setMainWindow(nullptr);
    delete window;
    return nullptr;
  }
  window->setOption(true);  // the platform window deletes it once the system window is gone
  if (!winOpen(id, static_cast<std::uint16_t>(itemCount), itemCount, window)) {
    window->destroy();
    return nullptr;
  }
  return window;
}

}  // namespace

Window* appCreateMainWindow(std::int16_t id, const char* title, int x, int y, int width, int height, int itemCount,
                            bool dialogStyle) {
  itemCount = appClampItemCount(itemCount);
  WindowSpec spec = appWindowSpec(title, x, y, width, height);
  spec.background = appSkinColour(kSkinPanel);  // what no page covers: the skin's panel
  spec.options = dialogStyle ? UIA_MAIN_FIXED : 0;
  return createInSlot(new AppMainWindow(id), spec, id, itemCount);
}

Window* appCreateToolWindow(std::int16_t id, const char* title, int x, int y, int width, int height, int itemCount) {
  itemCount = appClampItemCount(itemCount);
  WindowSpec spec = appWindowSpec(title, x, y, width, height);
  spec.background = appSkinColour(kSkinPanel);
  // Owned by the main window: a tool window stays above the window it serves, even while that one is used.
  if (Window* owner = id != appMainWindowId ? winGetFrameworkObject(appMainWindowId) : nullptr) {
    spec.flags |= UIA_SPEC_PARENT;
    spec.parent = owner;
  }
  AppToolWindow* window = createInSlot(new AppToolWindow(id), spec, id, itemCount);
  if (window) window->setIcon(GetModuleHandleA(nullptr), 100);
  return window;
}

void appKeepOwnedWindowsAbove(std::int16_t ownerId) {
  HWND owner = winGetFrameworkWindow(ownerId);
  if (!owner) return;
  HWND below[16];
  int count = 0;
  for (HWND w = GetWindow(owner, GW_HWNDNEXT); w && count < 16; w = GetWindow(w, GW_HWNDNEXT))
    if (IsWindowVisible(w) && GetWindow(w, GW_OWNER) == owner) below[count++] = w;
  // The highest first, each just above the owner: they keep their order among themselves.
  for (int k = 0; k < count; ++k) {
    HWND above = GetWindow(owner, GW_HWNDPREV);
    SetWindowPos(below[k], above ? above : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
}

void appPlaceBesideOwner(std::int16_t id, std::int16_t ownerId) {
  HWND window = winGetFrameworkWindow(id), owner = winGetFrameworkWindow(ownerId);
  RECT box, main, overlap;
  if (!window || !owner || !GetWindowRect(window, &box) || !GetWindowRect(owner, &main)) return;
  if (!IntersectRect(&overlap, &box, &main)) return;  // where it hides nothing, it stays
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoA(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT work = monitor.rcWork;
  const LONG width = box.right - box.left, height = box.bottom - box.top, gap = 4;
  const POINT places[4] = {{main.right + gap, main.top},
                           {main.left - gap - width, main.top},
                           {main.left, main.bottom + gap},
                           {main.left, main.top - gap - height}};
  for (const POINT& p : places) {
    if (p.x >= work.left && p.y >= work.top && p.x + width <= work.right && p.y + height <= work.bottom) {
      SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return;
    }
  }
  // No free side: the bottom right corner of the screen, over the least used part of the main window.
  SetWindowPos(window, nullptr, work.right - width, work.bottom - height, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void appCentreOnOwner(std::int16_t id, std::int16_t ownerId) {
  gpCentreOnWindow(winGetFrameworkWindow(id), winGetFrameworkWindow(ownerId));
}

std::int16_t appOpenDialogControlWindow(std::int16_t dialogId, int width, int height, int itemCount) {
  Window* dialog = winGetFrameworkObject(dialogId);
  const std::int16_t id = winFindFreeSlot();
  if (!dialog || id == 0) return 0;
  dialog->setSize(SIZE{width, height}, true);
  itemCount = appClampItemCount(itemCount);
  AppPlainWindow* plain = new AppPlainWindow(id);
  if (!winOpen(id, static_cast<std::uint16_t>(itemCount), itemCount, plain)) {
    delete plain;
    return 0;
  }
  plain->setOption(true);
  WindowSpec spec;
  spec.flags = UIA_SPEC_BACKGROUND | UIA_SPEC_PARENT | UIA_SPEC_SIZE | UIA_SPEC_POSITION;
  spec.parent = dialog;
  spec.rect = RECT{0, 0, width, height};
  plain->create(spec);
  if (!plain->nativeHandle()) {
    winCloseById(id);
    delete plain;
    return 0;
  }
  return id;
}
