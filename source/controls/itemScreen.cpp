#include "controls/itemScreen.h"
#include "UIAWindow.h"
#include "controls/winSlots.h"

bool winIsShown(WinId win) {
  WinSlot* slot = winSlot(win);
  if (!slot) return false;
  if (slot->window) return slot->window->isVisible();
  return slot->visible != 0;
}

bool itemOnScreen(const ControlItem* item) {
  return item && item->visible && item->port && item->port->drawEnabled && winIsShown(item->windowId);
}

void itemDrawWithContext(ControlItem* item) {
  if (!item) return;
  WinId win = item->windowId;
  WinSavedDC saved;
  winAcquireDrawContext(win, &saved);
  item->k.draw(item);
  winReleaseDrawContext(win, &saved);
}
