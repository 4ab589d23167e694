// Dialog windows of the window slots: a framework dialog bound to a slot, modal or modeless.
#include "app/appWindows.h"
#include "controls/winSlots.h"

int appCreateDialogWindow(std::int16_t id, std::int16_t ownerId, const char* title, int, int, int width, int height,
                          int itemCount, std::uint8_t modal, WinCallback callback) {
  itemCount = appClampItemCount(itemCount);
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  AppDialogWindow* dialog = new AppDialogWindow(id);
  if (!winOpen(id, static_cast<std::uint16_t>(itemCount), itemCount, dialog)) {
    delete dialog;
    return 0;
  }
  if (WinSlot* slot = winSlot(id)) slot->visible = 1;
  if (callback) winSetCallback(id, callback);
  WindowSpec spec;
  spec.flags |= UIA_SPEC_SIZE | UIA_SPEC_CLIENT_SIZE;
  spec.rect = RECT{0, 0, width, height};
  spec.setTitle(title);
  spec.options = UIA_DIALOG_SYSTEM_MENU;
  if (Window* owner = winGetFrameworkObject(ownerId)) {
    spec.parent = owner;
    spec.flags |= UIA_SPEC_PARENT;
  }
  winReleaseOffscreen(ownerId);
  // The platform window deletes the dialog once the system window is gone.
  dialog->setOption(true);
  if (!dialog->open(spec, modal ? UIA_DIALOG_MODAL : UIA_DIALOG_MODELESS)) {
    // Nothing was shown: the slot and the facade go.
    if (winSlot(id) && winSlot(id)->window == dialog) winCloseById(id);
    if (!dialog->platformWindow()) delete dialog;
    return 0;
  }
  return 1;
}

int appNewWindow(std::int16_t id, std::int16_t ownerId, const char* title, int x, int y, int width, int height,
                 int itemCount, std::uint8_t modal, WinCallback callback) {
  if (!uiaApplication()) return 0;
  return appCreateDialogWindow(id, ownerId, title, x, y, width, height, itemCount, modal, callback);
}
