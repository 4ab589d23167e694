// Context menus at the mouse position.
#include "controls/popupAtMouse.h"
#include "controls/inputState.h"
#include "controls/winSlots.h"
#include "uiSeams/popupMenu.h"

void popupMenuAtMouse(WinId win, int16_t menuIndex, PopupAtMouseHandler handler) {
  winReleaseOffscreen(win);
  void* menu = tableLookup128(menuIndex);
  if (!menu) return;
  POINT p = {0, 0};
  GetCursorPos(&p);
  const int32_t c = popupTrack(menu, p.x, p.y, winGetFrameworkWindow(win));
  winSetCurrent(win);
  inputReset();
  if (c > 0 && handler) handler(menuIndex, static_cast<int16_t>(c / 256), static_cast<int16_t>(c % 256));
}
