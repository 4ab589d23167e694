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

Window* appCreateMainWindow(std::int16_t id, const char* title, int x, int y, int width, int height, int itemCount,
                            bool dialogStyle) {
  if (itemCount < 0) itemCount = 0;
  if (itemCount > 0xFFFF) itemCount = 0xFFFF;
  WindowSpec spec;
  spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE | UIA_SPEC_CLIENT_POSITION;
  spec.rect = RECT{x, y, x + width, y + height};
  spec.setTitle(title);
  spec.background = RGB(0x53, 0x5c, 0x00);  // 0xff535c00 as alpha, red, green, blue
  spec.options = dialogStyle ? UIA_MAIN_FIXED : 0;
  AppMainWindow* window = new AppMainWindow(id);
  window->setOption(true);  // the platform window deletes it once the system window is gone
  window->create(spec);
  if (!window->nativeHandle()) {
    delete window;
    return nullptr;
  }
  if (!winOpen(id, static_cast<std::uint16_t>(itemCount), itemCount, window)) {
    window->destroy();
    return nullptr;
  }
  return window;
}

Window* appCreateToolWindow(std::int16_t id, const char* title, int x, int y, int width, int height, int itemCount) {
  if (itemCount < 0) itemCount = 0;
  if (itemCount > 0xFFFF) itemCount = 0xFFFF;
  WindowSpec spec;
  spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_POSITION | UIA_SPEC_CLIENT_SIZE | UIA_SPEC_CLIENT_POSITION;
  spec.rect = RECT{x, y, x + width, y + height};
  spec.setTitle(title);
  spec.background = RGB(0x53, 0x5c, 0x00);
  AppToolWindow* window = new AppToolWindow(id);
  window->setOption(true);  // the platform window deletes it once the system window is gone
  window->create(spec);
  if (!window->nativeHandle()) {
    delete window;
    return nullptr;
  }
  if (!winOpen(id, static_cast<std::uint16_t>(itemCount), itemCount, window)) {
    window->destroy();
    return nullptr;
  }
  window->setIcon(GetModuleHandleA(nullptr), 100);
  return window;
}
