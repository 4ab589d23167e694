#include "app/appWindows.h"

#include "controls/winSlots.h"

bool AppMainWindow::handleEvent(std::int32_t code, void* data) {
  if (MainWindow::handleEvent(code, data)) return true;
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

int appClampItemCount(int itemCount) {
  if (itemCount < 0) return 0;
  if (itemCount > 0xFFFF) return 0xFFFF;
  return itemCount;
}

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
  spec.background = RGB(0x53, 0x5c, 0x00);  // 0xff535c00 as alpha, red, green, blue
  spec.options = dialogStyle ? UIA_MAIN_FIXED : 0;
  return createInSlot(new AppMainWindow(id), spec, id, itemCount);
}

Window* appCreateToolWindow(std::int16_t id, const char* title, int x, int y, int width, int height, int itemCount) {
  itemCount = appClampItemCount(itemCount);
  WindowSpec spec = appWindowSpec(title, x, y, width, height);
  spec.background = RGB(0x53, 0x5c, 0x00);
  AppToolWindow* window = createInSlot(new AppToolWindow(id), spec, id, itemCount);
  if (window) window->setIcon(GetModuleHandleA(nullptr), 100);
  return window;
}
