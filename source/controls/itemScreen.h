// Whether an item may draw at once, and drawing it there with the window's drawing context held.
#pragma once
#include "controls/ctrlTypes.h"

// The window counts as shown when its framework window is visible, or, for a slot without one,
// when the slot's visible flag is set.
bool winIsShown(WinId win);
// The item is visible, its container draws and its window is shown.
bool itemOnScreen(const ControlItem* item);
// Runs the item's draw callback inside an acquired drawing context of its window.
void itemDrawWithContext(ControlItem* item);
