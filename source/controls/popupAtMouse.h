// A menu of the popup table shown as a context menu at the mouse.
#pragma once
#include <cstdint>
#include "uiSeams/winId.h"

typedef void (*PopupAtMouseHandler)(int16_t menuIndex, int16_t menu, int16_t entry);

// Shows table menu menuIndex at the mouse; a chosen command c calls handler(menuIndex, c / 256, c % 256).
void popupMenuAtMouse(WinId win, int16_t menuIndex, PopupAtMouseHandler handler);
