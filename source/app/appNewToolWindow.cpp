#include "app/appNewToolWindow.h"

#include "app/appWindows.h"
#include "controls/winSlots.h"

Window* appNewToolWindow(std::int16_t id, std::int16_t ownerId, const char* title, int x, int y, int width, int height,
                         int itemCount, WinCallback callback) {
  if (!uiaApplication() || winSlot(id)) return nullptr;
  itemCount = appClampItemCount(itemCount);
  WindowSpec spec = appWindowSpec(title, x, y, width, height);
  if (Window* owner = winGetFrameworkObject(ownerId)) {
    spec.parent = owner;
    spec.flags |= UIA_SPEC_PARENT;
  }
  AppToolWindow* window = new AppToolWindow(id);
  window->setOption(true);  // the platform window deletes it once the system window is gone
  // The slot exists before the window, so that its callback hears the creation.
  if (!winOpen(id, static_cast<std::uint16_t>(itemCount), itemCount, window)) {
    delete window;
    return nullptr;
  }
  winSetCallback(id, callback);
  window->create(spec);
  if (!window->nativeHandle()) {
    winCloseById(id);
    delete window;
    return nullptr;
  }
  return window;
}
