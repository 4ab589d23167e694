// A modeless top-level window of the program that other parts of the shell open themselves (the output
// set-up): a captioned window with a close box, owned by another window of the program.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"

class Window;

// Opens window slot `id` with `itemCount` items and `callback` as its window callback, then makes a
// window titled `title` with its client area of width x height at (x, y) on the screen, owned by the
// window of slot `ownerId` (none when that slot has no window). The callback hears the window's
// creation (1000000) before this returns; the window is left hidden. Null, with the slot closed again,
// when no application exists, the slot is taken or the window could not be made.
Window* appNewToolWindow(std::int16_t id, std::int16_t ownerId, const char* title, int x, int y, int width, int height,
                         int itemCount, WinCallback callback);
